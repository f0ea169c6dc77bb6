#include "starter/execfile.h"

#include <shellapi.h>

#include "common/systemlib.h"
#include "common/utf8.h"
#include "common/text.h"
#include "ui/app.h"

namespace kivu {

// ---- TExecFile

TExecFile::TExecFile() : stopWaiting_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

void TExecFile::CloseProcess() { process_ = {}; }

bool TExecFile::Start(const std::string& command, STARTUPINFOW& startup, DWORD flags) {
    std::wstring line = Widen(command);  // CreateProcessW may write into its command line
    PROCESS_INFORMATION started{};
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup,
                       &started)) {
        process_ = ProcessHandles(started);
        return true;
    }
    errorCode_ = GetLastError();
    return false;
}

bool TExecFile::Execute() {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;  // the platform's size: 68 bytes is the 32-bit record only
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(ShowCommandOf(WindowStyle));
    const DWORD flags = PriorityFlagOf(Priority) | CREATE_NEW_CONSOLE;

    CloseProcess();
    bool started = Start(BuildCommand(CommandLine, Parameters), startup, flags);
    if (!started && Associate) {
        wchar_t program[MAX_PATH] = {};
        const std::wstring document = Widen(utf8::Head(CommandLine, kInStringLength));
        const auto findExecutable =
            SystemFunction<HINSTANCE(WINAPI*)(LPCWSTR, LPCWSTR, LPWSTR)>("shell32.dll", "FindExecutableW");
        if (reinterpret_cast<INT_PTR>(findExecutable(document.c_str(), L"", program)) > 32)
            started = Start(BuildAssociatedCommand(Narrow(program), CommandLine, Parameters), startup, flags);
    }
    if (!started) {
        if (OnFail) OnFail(*this);
        return false;
    }
    if (!Wait) return true;
    running_ = true;
    finished_ = false;
    if (WaitStyle == TWaitStyle::wSuspend) WaitSuspended();
    else WaitRegular();
    running_ = false;
    return true;
}

void TExecFile::WaitSuspended() {
    // A failing wait (no valid handle) ends like the program's end.
    const HANDLE handles[] = {process_.process.get(), stopWaiting_.get()};
    WaitForMultipleObjects(2, handles, FALSE, INFINITE);
}

void TExecFile::WaitRegular() {
    // Messages are served as they come; between them the thread sleeps until
    // the next message or the program's end instead of polling.
    while (!finished_) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) ExitProcess(static_cast<UINT>(msg.wParam));
            ui::App().DispatchOne(msg);
        }
        if (WaitForSingleObject(process_.process.get(), 0) != WAIT_TIMEOUT) {
            finished_ = true;
            ui::App().ProcessMessages();
        } else {
            const HANDLE process = process_.process.get();
            MsgWaitForMultipleObjectsEx(1, &process, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        }
    }
}

// ---- TExecThread

namespace {
constexpr UINT kMsgBodyDone = WM_APP + 1;
constexpr const wchar_t* kNotifyClass = L"TExecThreadNotify";
}  // namespace

TExecThread::TExecThread(TExecFile& runner, std::function<void()> onTerminate)
    : runner_(runner), onTerminate_(std::move(onTerminate)) {
    WNDCLASSW wc{};
    if (!GetClassInfoW(ui::App().Handle(), kNotifyClass, &wc)) {
        wc = {};
        wc.lpfnWndProc = NotifyProc;
        wc.hInstance = ui::App().Handle();
        wc.lpszClassName = kNotifyClass;
        RegisterClassW(&wc);
    }
    // The handler is in place before the body runs, so that a program that
    // ends at once still reports back.
    notify_ = CreateWindowExW(0, kNotifyClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ui::App().Handle(), nullptr);
    SetWindowLongPtrW(notify_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    thread_ = std::thread([this] { Body(); });
}

TExecThread::~TExecThread() {
    if (thread_.joinable()) {
        runner_.StopWaiting();
        thread_.join();
    }
    // A report still on its way finds no window and is dropped.
    SetWindowLongPtrW(notify_, GWLP_USERDATA, 0);
    DestroyWindow(notify_);
}

void TExecThread::Body() {
    runner_.Execute();
    PostMessageW(notify_, kMsgBodyDone, 0, 0);
}

LRESULT CALLBACK TExecThread::NotifyProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<TExecThread*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg != kMsgBodyDone || !self) return DefWindowProcW(hwnd, msg, wp, lp);
    self->thread_.join();
    // The handler may release this object: nothing of it is touched after the call.
    const std::function<void()> handler = std::move(self->onTerminate_);
    if (handler) ui::App().Guard(handler);
    return 0;
}

}  // namespace kivu
