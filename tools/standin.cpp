#include "tools/standin.h"

#include "app/handlerlink.h"

namespace standin {

std::string OwnFolder() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of("\\/") + 1);
}

Handler::Handler(std::string exePath) : exe_(std::move(exePath)) {}

Handler::~Handler() {
    if (process_.hProcess) {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 1);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    if (startEvent_) CloseHandle(startEvent_);
    if (endEvent_) CloseHandle(endEvent_);
}

bool Handler::Start(const std::string& arguments) {
    startEvent_ = CreateEventA(nullptr, FALSE, FALSE, kivu::kEventStart);
    endEvent_ = CreateEventA(nullptr, FALSE, FALSE, kivu::kEventEnd);
    if (!startEvent_ || !endEvent_) return false;
    ResetEvent(startEvent_);
    ResetEvent(endEvent_);
    std::string commandLine = "\"" + exe_ + "\" " + arguments;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    return CreateProcessA(exe_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &process_) != FALSE;
}

bool Handler::WaitStart(DWORD ms) { return WaitForSingleObject(startEvent_, ms) == WAIT_OBJECT_0; }
bool Handler::WaitEnd(DWORD ms) { return WaitForSingleObject(endEvent_, ms) == WAIT_OBJECT_0; }

namespace {
struct Search {
    const char* className;
    DWORD pid;
    HWND found;
};
BOOL CALLBACK Match(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char name[256];
    if (pid == s->pid && GetClassNameA(hwnd, name, sizeof name) && lstrcmpA(name, s->className) == 0) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND Handler::FindWindowOf(const char* className, DWORD ms) const {
    const DWORD start = GetTickCount();
    for (;;) {
        Search s{className, process_.dwProcessId, nullptr};
        EnumWindows(Match, reinterpret_cast<LPARAM>(&s));
        if (s.found) return s.found;
        if (GetTickCount() - start > ms) return nullptr;
        Sleep(5);
    }
}

bool Handler::SendFile(HWND window, const std::string& path) const {
    const ATOM atom = GlobalAddAtomA(path.c_str());
    if (!atom) return false;
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, kivu::kMsgAddFile, atom, 0, SMTO_NORMAL, 10000, &result) != 0;
}

std::string Handler::QueryPattern(HWND window, const std::string& request) const {
    const ATOM query = GlobalAddAtomA(request.c_str());
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, kivu::kMsgQueryPattern, query, 0, SMTO_NORMAL, 10000, &result)) return {};
    const auto answer = static_cast<ATOM>(result);
    char buf[kivu::kAtomBufferSize] = {};
    const UINT n = GlobalGetAtomNameA(answer, buf, sizeof buf);
    if (answer) GlobalDeleteAtom(answer);
    return std::string(buf, n);
}

bool Handler::WaitExit(DWORD ms, DWORD* exitCode) {
    if (WaitForSingleObject(process_.hProcess, ms) != WAIT_OBJECT_0) return false;
    if (exitCode) GetExitCodeProcess(process_.hProcess, exitCode);
    return true;
}

}  // namespace standin
