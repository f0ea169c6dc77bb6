// A stand-in for the context-menu handler: it starts kivuutil.exe and talks
// to it the way the handler does (named events, atom messages).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace standin {

class Handler {
public:
    explicit Handler(std::string exePath);
    ~Handler();
    Handler(const Handler&) = delete;
    Handler& operator=(const Handler&) = delete;

    // Creates both events (reset) and starts "exe arguments".
    bool Start(const std::string& arguments);
    // Waits for the program's "ready" or "done" signal.
    bool WaitStart(DWORD ms);
    bool WaitEnd(DWORD ms);
    // The child's top-level window of the given class, waiting up to ms.
    HWND FindWindowOf(const char* className, DWORD ms) const;
    // One WM_USER+1 message carrying the path in a new global atom.
    bool SendFile(HWND window, const std::string& path) const;
    // WM_USER+2 with a request atom holding `request`: returns the pattern
    // from the answer atom, which is deleted.
    std::string QueryPattern(HWND window, const std::string& request = "?") const;
    // Waits for the child to end; false on timeout.
    bool WaitExit(DWORD ms, DWORD* exitCode = nullptr);
    DWORD ProcessId() const { return process_.dwProcessId; }
    HANDLE Process() const { return process_.hProcess; }

private:
    std::string exe_;
    HANDLE startEvent_ = nullptr;
    HANDLE endEvent_ = nullptr;
    PROCESS_INFORMATION process_{};
};

// Folder of the running program, with a trailing backslash.
std::string OwnFolder();

}  // namespace standin
