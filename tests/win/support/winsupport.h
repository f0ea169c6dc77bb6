// Helpers for the tests that run under Wine.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdint>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// Folder of the running test program, with a trailing backslash.
std::string ExeDir();

// A fresh, empty folder under the system's temporary folder (trailing backslash);
// removed with everything in it when the object dies.
class TempDir {
public:
    // base: the folder to make it in (with a trailing backslash; "" = the temporary folder).
    explicit TempDir(std::string base = {});
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    // Creates a file with the given contents and returns its full path.
    std::string Write(const std::string& name, const std::string& contents = "x") const;

private:
    std::string path_;
};

// The names of the files in a folder (trailing backslash), sorted; no subfolders.
std::vector<std::string> FilesIn(const std::string& folder);

// Waits until pred() is true, pumping this thread's messages meanwhile.
bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Pumps this thread's pending messages.
void PumpMessages();

// Top-level windows of the given class (nullptr: any) and caption (nullptr: any),
// optionally only those of one process.
std::vector<HWND> FindTopWindows(const char* className, const char* caption, DWORD processId = 0);

// The text of any window, also a control of another process.
std::string WindowText(HWND hwnd);

// The text of the static control that holds a message box's text.
std::string MessageBoxText(HWND box);

// Which windows to wait for: the visible top-level windows of a class and,
// unless nullptr, a caption, of one process (kAnyProcess: of every process).
constexpr DWORD kAnyProcess = 0;
struct WindowOf {
    WindowOf(const char* className, const char* caption = nullptr, DWORD processId = GetCurrentProcessId())
        : className(className), caption(caption), processId(processId) {}
    const char* className;
    const char* caption;
    DWORD processId;
};

// The first visible window of the kind other than `except`, or nullptr.
HWND FindVisibleWindow(const WindowOf& kind, HWND except = nullptr);

// Waits for a visible window of the kind, pumping this thread's messages; nullptr when none came.
HWND WaitForWindow(const WindowOf& kind, std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Ids of the running processes of a program (its file name, letter case aside).
std::vector<DWORD> ProcessesOf(const char* exeName);

// Answers windows from a thread of its own while the test's thread sits in a
// modal loop (a message box, a menu, a common dialog) or waits for another
// program. After acting on a window it waits for that window to go, so that
// no window is answered twice.
class DialogAnswerer {
public:
    using Action = std::function<void(HWND)>;
    struct Step {
        WindowOf window;
        Action act;
    };
    // Every window of the kind that appears, until the object goes.
    DialogAnswerer(WindowOf kind, Action act);
    // The steps once each, in turn, each waiting up to `timeout` for its
    // window. When one never comes, Escape goes to the open windows of the
    // steps' kinds, so that a modal loop waiting for it does not hold the test.
    explicit DialogAnswerer(std::vector<Step> steps, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    ~DialogAnswerer();
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    // Windows found so far; each counts as its action starts.
    int count() const { return count_; }
    // Whether every step has come.
    bool Done() const { return count_ == static_cast<int>(steps_.size()); }
    // The last window's caption and, for a message box, its text; both are
    // set before count() grows.
    std::string text, caption;

private:
    void Run();
    HWND WaitFor(const WindowOf& kind, HWND except);
    void Unblock();
    const std::vector<Step> steps_;
    const bool repeat_;
    const std::chrono::milliseconds timeout_;
    std::atomic<bool> stop_{false};
    std::atomic<int> count_{0};
    std::thread thread_;  // last: it starts once the rest is set
};

// An action that presses a button (IDOK, IDCANCEL, IDYES, ...) of a dialog or
// message box. A window that does not answer within 5 s is left.
DialogAnswerer::Action PressButton(int button);

// Presses OK in every message box of this process that appears.
class BoxWatcher : public DialogAnswerer {
public:
    BoxWatcher() : DialogAnswerer("#32770", PressButton(IDOK)) {}
};

}  // namespace testsupport

namespace testsupport {

// The first descendant window of the given class (and text, unless nullptr).
HWND FindChild(HWND parent, const char* className, const char* text = nullptr);

// A list view's cell text, also when the list belongs to another process.
std::string ListViewText(HWND list, int row, int column);
int ListViewCount(HWND list);
// A row's rectangle in the list's client area, also for a list of another process.
RECT ListViewRowRect(HWND list, int row);
// Sends a message whose lParam is a UTF-16 text buffer to a window of another
// process and returns the text it wrote there (e.g. SB_GETTEXTW).
std::string RemoteText(HWND window, UINT msg, WPARAM wp);

// Real input, as the user gives it: it goes through the window's message loop
// (and its dialog keys) like a key on the keyboard or a mouse button.
// Presses the key, with Ctrl held when asked.
void PressKey(WORD key, bool ctrl = false);
// Left click in the middle of the window.
void ClickOn(HWND window);
// Left click at a point of the window's client area.
void ClickAt(HWND window, POINT client);
// Types the text key by key on the keyboard; a character that needs Shift or
// has no key goes as the character itself (a synthesized Shift is not
// reliable under Wine).
void TypeKeys(const std::string& text);
// Left double click at a point of the window's client area.
void DoubleClickAt(HWND window, POINT client);
// The window that has the keyboard focus in the thread that owns `window`.
HWND FocusOf(HWND window);

// An off-screen picture: a window painted through WM_PRINTCLIENT, or a bitmap.
class Canvas {
public:
    // Filled with `background`, which shows any pixel left unpainted.
    Canvas(int width, int height, COLORREF background = RGB(255, 0, 255));
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    void Render(HWND hwnd) { SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT); }
    void Draw(HBITMAP bitmap);
    COLORREF At(int x, int y) const;

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    const uint32_t* bits_ = nullptr;
};

}  // namespace testsupport
