#include "link/kivulink.h"

#include <iterator>

#include "common/text.h"
#include "link/handlerlink.h"

namespace kivumenu {

namespace {

constexpr UINT kSendTimeoutMs = 10000;

void PumpPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // the host's loop must still see it
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

struct Search {
    const wchar_t* className;
    DWORD pid;
    HWND found;
};

BOOL CALLBACK Match(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t name[256];
    if (pid == s->pid && GetClassNameW(hwnd, name, static_cast<int>(std::size(name))) &&
        lstrcmpW(name, s->className) == 0) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Waits up to ms for one of the handles while handling this thread's
// messages: the index of a signalled handle, or -1.
int WaitAnyPumping(const HANDLE* handles, DWORD count, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (ms != INFINITE && elapsed >= ms) {
            const DWORD r = WaitForMultipleObjects(count, handles, FALSE, 0);
            return r < WAIT_OBJECT_0 + count ? static_cast<int>(r - WAIT_OBJECT_0) : -1;
        }
        const DWORD r = MsgWaitForMultipleObjects(count, handles, FALSE, ms == INFINITE ? INFINITE : ms - elapsed,
                                                  QS_ALLINPUT);
        if (r < WAIT_OBJECT_0 + count) return static_cast<int>(r - WAIT_OBJECT_0);
        if (r == WAIT_OBJECT_0 + count) PumpPending();
        else return -1;
    }
}

}  // namespace

KivuutilLink::KivuutilLink(std::string exePath, bool endChildOnClose)
    : exe_(std::move(exePath)), endChild_(endChildOnClose) {}

KivuutilLink::~KivuutilLink() {
    const HANDLE process = Process();
    if (process && endChild_ && WaitForSingleObject(process, 0) == WAIT_TIMEOUT) TerminateProcess(process, 1);
}

bool KivuutilLink::Start(const std::string& arguments, const std::string& folder) {
    if (!startEvent_) startEvent_.reset(CreateEventW(nullptr, FALSE, FALSE, kivu::Widen(kivu::kEventStart).c_str()));
    if (!endEvent_) endEvent_.reset(CreateEventW(nullptr, FALSE, FALSE, kivu::Widen(kivu::kEventEnd).c_str()));
    if (!startEvent_ || !endEvent_) {
        startError_ = GetLastError();
        return false;
    }
    ResetEvent(startEvent_.get());
    ResetEvent(endEvent_.get());
    // The system may write into the command line.
    std::wstring commandLine = kivu::Widen("\"" + exe_ + "\" " + arguments);
    const std::wstring exe = kivu::Widen(exe_);
    const std::wstring directory = kivu::Widen(folder);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION started{};
    if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       directory.empty() ? nullptr : directory.c_str(), &si, &started)) {
        process_ = kivu::ProcessHandles(started);
        return true;
    }
    startError_ = GetLastError();
    return false;
}

bool KivuutilLink::WaitFor(HANDLE event, DWORD ms) {
    if (!event) return false;
    // The process handle too: a program that ended will never signal.
    const HANDLE handles[2] = {event, Process()};
    const int r = WaitAnyPumping(handles, Process() ? 2 : 1, ms);
    return r == 0 || (r == 1 && WaitForSingleObject(event, 0) == WAIT_OBJECT_0);
}

bool KivuutilLink::WaitStart(DWORD ms) { return WaitFor(startEvent_.get(), ms); }
bool KivuutilLink::WaitEnd(DWORD ms) { return WaitFor(endEvent_.get(), ms); }

HWND KivuutilLink::FindWindowOf(const char* className, DWORD ms) const {
    const DWORD start = GetTickCount();
    const std::wstring name = kivu::Widen(className);
    for (;;) {
        Search s{name.c_str(), ProcessId(), nullptr};
        EnumWindows(Match, reinterpret_cast<LPARAM>(&s));
        if (s.found) return s.found;
        if (GetTickCount() - start > ms) return nullptr;
        if (Process() && WaitForSingleObject(Process(), 0) == WAIT_OBJECT_0) return nullptr;
        PumpPending();
        Sleep(5);
    }
}

bool KivuutilLink::SendFile(HWND window, const std::string& path) const {
    const std::wstring name = kivu::Widen(path);
    if (name.empty()) return false;
    DWORD_PTR result = 0;
    if (name.size() >= kivu::kAtomBufferSize) {  // an atom could not hold it
        COPYDATASTRUCT data{kivu::kCopyDataPath, static_cast<DWORD>(name.size() * sizeof(wchar_t)),
                            const_cast<wchar_t*>(name.data())};
        return SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL,
                                   kSendTimeoutMs, &result) &&
               result == TRUE;
    }
    const ATOM atom = GlobalAddAtomW(name.c_str());
    if (!atom) return false;
    if (SendMessageTimeoutW(window, kivu::kMsgAddFile, atom, 0, SMTO_NORMAL, kSendTimeoutMs, &result)) return true;
    GlobalDeleteAtom(atom);  // the receiver never saw it
    return false;
}

std::string KivuutilLink::QueryPattern(HWND window, const std::string& request) const {
    const ATOM query = GlobalAddAtomW(kivu::Widen(request).c_str());
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, kivu::kMsgQueryPattern, query, 0, SMTO_NORMAL, kSendTimeoutMs, &result)) {
        if (query) GlobalDeleteAtom(query);
        return {};
    }
    const auto answer = static_cast<ATOM>(result);
    wchar_t buf[kivu::kAtomBufferSize] = {};
    const UINT n = answer ? GlobalGetAtomNameW(answer, buf, static_cast<int>(std::size(buf))) : 0;
    if (answer) GlobalDeleteAtom(answer);
    return kivu::Narrow(std::wstring_view(buf, n));
}

bool KivuutilLink::WaitExit(DWORD ms, DWORD* exitCode) {
    const HANDLE process = Process();
    if (!process || WaitAnyPumping(&process, 1, ms) != 0) return false;
    if (exitCode) GetExitCodeProcess(process, exitCode);
    return true;
}

}  // namespace kivumenu
