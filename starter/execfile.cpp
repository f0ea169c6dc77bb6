#include "starter/execfile.h"

#include <shellapi.h>

#include "common/systemlib.h"
#include "ui/app.h"

namespace kivu {

// ---- TExecFile

TExecFile::TExecFile() : stopWaiting_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

void TExecFile::CloseProcess() { process_ = {}; }

bool TExecFile::Start(std::string command, STARTUPINFOA& startup, DWORD flags) {
    PROCESS_INFORMATION started{};
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup,
                       &started)) {
        process_ = ProcessHandles(started);
        return true;
    }
    errorCode_ = GetLastError();
    return false;
}

bool TExecFile::Execute() {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;  // the platform's size: 68 bytes is the 32-bit record only
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(ShowCommandOf(WindowStyle));
    const DWORD flags = PriorityFlagOf(Priority) | CREATE_NEW_CONSOLE;

    CloseProcess();
    bool started = Start(BuildCommand(CommandLine, Parameters), startup, flags);
    if (!started && Associate) {
        char program[MAX_PATH] = {};
        const std::string document = CommandLine.substr(0, kInStringLength);
        const auto findExecutable =
            SystemFunction<HINSTANCE(WINAPI*)(LPCSTR, LPCSTR, LPSTR)>("shell32.dll", "FindExecutableA");
        if (reinterpret_cast<INT_PTR>(findExecutable(document.c_str(), "", program)) > 32)
            started = Start(BuildAssociatedCommand(program, CommandLine, Parameters), startup, flags);
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
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
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
constexpr const char* kNotifyClass = "TExecThreadNotify";
}  // namespace

TExecThread::TExecThread(TExecFile& runner, std::function<void()> onTerminate)
    : runner_(runner), onTerminate_(std::move(onTerminate)) {
    WNDCLASSA wc{};
    if (!GetClassInfoA(ui::App().Handle(), kNotifyClass, &wc)) {
        wc = {};
        wc.lpfnWndProc = NotifyProc;
        wc.hInstance = ui::App().Handle();
        wc.lpszClassName = kNotifyClass;
        RegisterClassA(&wc);
    }
    // The handler is in place before the body runs, so that a program that
    // ends at once still reports back.
    notify_ = CreateWindowExA(0, kNotifyClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ui::App().Handle(), nullptr);
    SetWindowLongPtrA(notify_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    thread_ = std::thread([this] { Body(); });
}

TExecThread::~TExecThread() {
    if (thread_.joinable()) {
        runner_.StopWaiting();
        thread_.join();
    }
    // A report still on its way finds no window and is dropped.
    SetWindowLongPtrA(notify_, GWLP_USERDATA, 0);
    DestroyWindow(notify_);
}

void TExecThread::Body() {
    runner_.Execute();
    PostMessageA(notify_, kMsgBodyDone, 0, 0);
}

LRESULT CALLBACK TExecThread::NotifyProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<TExecThread*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg != kMsgBodyDone || !self) return DefWindowProcA(hwnd, msg, wp, lp);
    self->thread_.join();
    // The handler may release this object: nothing of it is touched after the call.
    const std::function<void()> handler = std::move(self->onTerminate_);
    if (handler) ui::App().Guard(handler);
    return 0;
}

}  // namespace kivu
