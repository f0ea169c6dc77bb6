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

// Presses OK on every message box of this process that appears, keeping the
// texts of the last one.
class BoxWatcher {
public:
    BoxWatcher() : thread_([this] { Watch(); }) {}
    ~BoxWatcher() {
        stop_ = true;
        thread_.join();
    }
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;
    int count() const { return count_; }
    std::string text, caption;

private:
    void Watch();
    std::atomic<bool> stop_{false};
    std::atomic<int> count_{0};
    std::thread thread_;
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
// Sends a message whose lParam is a text buffer to a window of another
// process and returns the text it wrote there (e.g. SB_GETTEXTA).
std::string RemoteText(HWND window, UINT msg, WPARAM wp);

// Real input, as the user gives it: it goes through the window's message loop
// (and its dialog keys) like a key on the keyboard or a mouse button.
// Presses the key, with Ctrl held when asked.
void PressKey(WORD key, bool ctrl = false);
// Left click in the middle of the window.
void ClickOn(HWND window);
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
