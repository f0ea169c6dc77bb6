#include "tests/win/support/winsupport.h"

#include <algorithm>

#include "common/dib.h"
#include "common/text.h"
#include "tools/standin.h"

#include <tlhelp32.h>

#include <cstring>
#include <stdexcept>

namespace testsupport {

using kivu::Narrow;
using kivu::Widen;

std::string ExeDir() { return standin::OwnFolder(); }

static void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(Widen(dir + "*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = Narrow(fd.cFileName);
            if (name == "." || name == "..") continue;
            const std::string full = dir + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full + "\\");
            } else {
                SetFileAttributesW(Widen(full).c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(Widen(full).c_str());
            }
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(Widen(dir).c_str());
}

TempDir::TempDir(std::string base) {
    if (base.empty()) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        base = Narrow(temp);
    }
    static int counter = 0;
    for (;;) {
        path_ = std::string(base) + "kivutest" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(++counter) + "\\";
        if (CreateDirectoryW(Widen(path_).c_str(), nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot create " + path_);
    }
}

TempDir::~TempDir() { RemoveTree(path_); }

std::string TempDir::Write(const std::string& name, const std::string& contents) const {
    const std::string full = path_ + name;
    HANDLE h = CreateFileW(Widen(full).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write " + full);
    DWORD written = 0;
    WriteFile(h, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
    CloseHandle(h);
    return full;
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(Widen(folder + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(Narrow(found.cFileName));
    } while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        PumpMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

namespace {
struct FindArgs {
    const char* className;
    const char* caption;
    DWORD pid;
    std::vector<HWND> found;
};
BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lp) {
    auto* a = reinterpret_cast<FindArgs*>(lp);
    if (a->pid) {
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid != a->pid) return TRUE;
    }
    wchar_t buf[256];
    if (a->className) {
        GetClassNameW(hwnd, buf, 256);
        if (Narrow(buf) != a->className) return TRUE;
    }
    if (a->caption) {
        GetWindowTextW(hwnd, buf, 256);
        if (Narrow(buf) != a->caption) return TRUE;
    }
    a->found.push_back(hwnd);
    return TRUE;
}
}  // namespace

std::vector<HWND> FindTopWindows(const char* className, const char* caption, DWORD processId) {
    FindArgs args{className, caption, processId, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&args));
    return args.found;
}

std::string WindowText(HWND hwnd) {
    // Asked by message: GetWindowText does not ask a control of another
    // process and would give its creation text.
    DWORD_PTR n = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &n)) return {};
    std::wstring s(n + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, n + 1, reinterpret_cast<LPARAM>(s.data()), SMTO_NORMAL, 5000, &got);
    s.resize(got);
    return Narrow(s);
}

HWND FindVisibleWindow(const WindowOf& kind, HWND except) {
    for (HWND w : FindTopWindows(kind.className, kind.caption, kind.processId))
        if (w != except && IsWindowVisible(w)) return w;
    return nullptr;
}

HWND WaitForWindow(const WindowOf& kind, std::chrono::milliseconds timeout) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindVisibleWindow(kind)) != nullptr; }, timeout);
    return found;
}

std::vector<DWORD> ProcessesOf(const char* exeName) {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (lstrcmpiW(entry.szExeFile, Widen(exeName).c_str()) == 0) ids.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return ids;
}

DialogAnswerer::DialogAnswerer(WindowOf kind, Action act)
    : steps_{{kind, std::move(act)}}, repeat_(true), timeout_(0), thread_([this] { Run(); }) {}

DialogAnswerer::DialogAnswerer(std::vector<Step> steps, std::chrono::milliseconds timeout)
    : steps_(std::move(steps)), repeat_(false), timeout_(timeout), thread_([this] { Run(); }) {}

DialogAnswerer::~DialogAnswerer() {
    stop_ = true;
    thread_.join();
}

void DialogAnswerer::Run() {
    HWND last = nullptr;
    for (size_t i = 0; repeat_ || i < steps_.size(); ++i) {
        const Step& step = steps_[repeat_ ? 0 : i];
        HWND w = WaitFor(step.window, last);
        if (!w) {
            if (!stop_) Unblock();
            return;
        }
        caption = WindowText(w);
        text = MessageBoxText(w);
        ++count_;
        step.act(w);
        // The next step must not find this window again before it goes.
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!stop_ && IsWindow(w) && IsWindowVisible(w) && std::chrono::steady_clock::now() < end) Sleep(5);
        last = IsWindow(w) && IsWindowVisible(w) ? w : nullptr;  // one that stays is not answered again
    }
}

HWND DialogAnswerer::WaitFor(const WindowOf& kind, HWND except) {
    const auto end = std::chrono::steady_clock::now() + timeout_;
    while (!stop_) {
        if (HWND w = FindVisibleWindow(kind, except)) return w;
        if (!repeat_ && std::chrono::steady_clock::now() > end) return nullptr;
        Sleep(5);  // polled: a window that appears sends this thread no signal
    }
    return nullptr;
}

void DialogAnswerer::Unblock() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!stop_ && std::chrono::steady_clock::now() < end) {
        for (const Step& step : steps_)
            for (HWND w : FindTopWindows(step.window.className, step.window.caption, step.window.processId))
                if (IsWindowVisible(w)) PostMessageW(w, WM_KEYDOWN, VK_ESCAPE, 0);
        Sleep(50);  // a modal window opened meanwhile gets its Escape too
    }
}

DialogAnswerer::Action PressButton(int button) {
    return [button](HWND w) { SendMessageTimeoutW(w, WM_COMMAND, button, 0, SMTO_NORMAL, 5000, nullptr); };
}

std::string MessageBoxText(HWND box) {
    // The message box keeps its text in the static control with id 0xFFFF.
    HWND text = GetDlgItem(box, 0xFFFF);
    return text ? WindowText(text) : std::string();
}

}  // namespace testsupport

namespace testsupport {

namespace {
struct ChildSearch {
    const char* className;
    const char* text;
    HWND found;
};
BOOL CALLBACK MatchChild(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<ChildSearch*>(lp);
    wchar_t buf[256];
    GetClassNameW(hwnd, buf, 256);
    if (lstrcmpiW(buf, Widen(s->className).c_str()) != 0) return TRUE;
    // WindowText asks by message: GetWindowText does not ask a window of another process.
    if (s->text && WindowText(hwnd) != s->text) return TRUE;
    s->found = hwnd;
    return FALSE;
}
}  // namespace

HWND FindChild(HWND parent, const char* className, const char* text) {
    ChildSearch s{className, text, nullptr};
    EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

int ListViewCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

namespace {

// Sends msg to a window of any process with lParam pointing to a buffer in
// that process: `header` bytes (filled by prepare, given the remote address
// of the text part) followed by a UTF-16 text area. Returns the whole buffer
// as the window left it.
std::vector<char> SendWithRemoteBuffer(HWND window, UINT msg, WPARAM wp, size_t header,
                                       const std::function<std::vector<char>(char* remoteText)>& prepare) {
    constexpr SIZE_T kText = 2048 * sizeof(wchar_t);
    std::vector<char> buffer(header + kText, '\0');
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return buffer;
    auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, buffer.size(), MEM_COMMIT, PAGE_READWRITE));
    if (header) {
        const std::vector<char> bytes = prepare(remote + header);
        WriteProcessMemory(process, remote, bytes.data(), bytes.size(), nullptr);
    }
    SendMessageW(window, msg, wp, reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(process, remote, buffer.data(), buffer.size() - sizeof(wchar_t), nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return buffer;
}

template <class T>
std::vector<char> BytesOf(const T& value) {
    const auto* bytes = reinterpret_cast<const char*>(&value);
    return std::vector<char>(bytes, bytes + sizeof value);
}

}  // namespace

namespace {

// The UTF-16 text that starts at byte `at` of a buffer, as our text.
std::string TextAt(const std::vector<char>& buffer, size_t at) {
    std::wstring text((buffer.size() - at) / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), buffer.data() + at, text.size() * sizeof(wchar_t));
    return Narrow(text.c_str());
}

}  // namespace

std::string ListViewText(HWND list, int row, int column) {
    const auto buffer = SendWithRemoteBuffer(list, LVM_GETITEMTEXTW, row, sizeof(LVITEMW), [column](char* remoteText) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = reinterpret_cast<wchar_t*>(remoteText);
        item.cchTextMax = 2048;
        return BytesOf(item);
    });
    return TextAt(buffer, sizeof(LVITEMW));
}

RECT ListViewRowRect(HWND list, int row) {
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    const auto buffer =
        SendWithRemoteBuffer(list, LVM_GETITEMRECT, row, sizeof(RECT), [&](char*) { return BytesOf(bounds); });
    std::memcpy(&bounds, buffer.data(), sizeof bounds);
    return bounds;
}

std::string RemoteText(HWND window, UINT msg, WPARAM wp) {
    return TextAt(SendWithRemoteBuffer(window, msg, wp, 0, nullptr), 0);
}

namespace {

INPUT KeyInput(WORD key, DWORD flags) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = key;
    in.ki.dwFlags = flags;
    return in;
}

void Click(POINT screen, int clicks) {
    SetCursorPos(screen.x, screen.y);
    // The buttons go where the cursor is when they arrive: a busy machine may
    // not have moved it yet.
    WaitUntil(
        [&] {
            POINT at{};
            return GetCursorPos(&at) && at.x == screen.x && at.y == screen.y;
        },
        std::chrono::seconds(2));
    for (int i = 0; i < clicks; ++i) {
        INPUT in[2]{};
        in[0].type = in[1].type = INPUT_MOUSE;
        in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, in, sizeof(INPUT));
    }
}

}  // namespace

void PressKey(WORD key, bool ctrl) {
    std::vector<INPUT> keys;
    if (ctrl) keys.push_back(KeyInput(VK_CONTROL, 0));
    keys.push_back(KeyInput(key, 0));
    keys.push_back(KeyInput(key, KEYEVENTF_KEYUP));
    if (ctrl) keys.push_back(KeyInput(VK_CONTROL, KEYEVENTF_KEYUP));
    SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

void ClickOn(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    Click({(r.left + r.right) / 2, (r.top + r.bottom) / 2}, 1);
}

void ClickAt(HWND window, POINT client) {
    ClientToScreen(window, &client);
    Click(client, 1);
}

void TypeKeys(const std::string& text) {
    for (wchar_t c : Widen(text)) {
        const SHORT scan = VkKeyScanW(c);
        const WORD vk = LOBYTE(scan);
        std::vector<INPUT> keys;
        if (scan == -1 || (HIBYTE(scan) & 1)) {
            // Under Wine a synthesized Shift does not always reach another
            // process's key state in time: a shifted character, or one that
            // has no key, goes as the character itself.
            INPUT in = KeyInput(0, KEYEVENTF_UNICODE);
            in.ki.wScan = c;
            keys.push_back(in);
            in.ki.dwFlags |= KEYEVENTF_KEYUP;
            keys.push_back(in);
        } else {
            keys.push_back(KeyInput(vk, 0));
            keys.push_back(KeyInput(vk, KEYEVENTF_KEYUP));
        }
        SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
    }
}

void DoubleClickAt(HWND window, POINT client) {
    ClientToScreen(window, &client);
    Click(client, 2);
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

Canvas::Canvas(int width, int height, COLORREF background) : width_(width), height_(height) {
    const BITMAPINFO info = kivu::TopDown32(width, height);
    void* bits = nullptr;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<const uint32_t*>(bits);
    old_ = SelectObject(dc_, bitmap_);
    RECT all{0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
}

Canvas::~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

void Canvas::Draw(HBITMAP bitmap) {
    HDC source = CreateCompatibleDC(dc_);
    HGDIOBJ old = SelectObject(source, bitmap);
    BitBlt(dc_, 0, 0, width_, height_, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
}

COLORREF Canvas::At(int x, int y) const {
    GdiFlush();
    const uint32_t pixel = bits_[y * width_ + x];  // 0x00RRGGBB
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

}  // namespace testsupport
