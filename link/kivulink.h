// The handler's side of the link with kivuutil.exe: start it with a mode,
// wait for its named events, hand it files and ask it for the selection
// pattern. The context-menu handler and the test stand-in both use this.
#pragma once
#include <windows.h>

#include <string>

#include "common/handles.h"

namespace kivumenu {

class KivuutilLink {
public:
    // endChildOnClose: a child still running when the link dies is ended
    // (tests); the handler leaves kivuutil running on its own.
    explicit KivuutilLink(std::string exePath, bool endChildOnClose = false);
    virtual ~KivuutilLink();
    KivuutilLink(const KivuutilLink&) = delete;
    KivuutilLink& operator=(const KivuutilLink&) = delete;

    // Creates both events (reset) and starts "exe arguments" in the folder
    // (empty: the caller's). On failure StartError() holds the system's code.
    bool Start(const std::string& arguments, const std::string& folder = {});
    DWORD StartError() const { return startError_; }
    // Waits for the program's "ready" or "done" event. The calling thread's
    // messages are handled meanwhile (the handler runs on the file manager's
    // window thread); false on timeout or when the program ended first.
    bool WaitStart(DWORD ms);
    bool WaitEnd(DWORD ms);
    // The child's top-level window of the given class, waiting up to ms.
    HWND FindWindowOf(const char* className, DWORD ms) const;
    // One WM_USER+1 message carrying the path in a new global atom; a path
    // longer than an atom holds goes by WM_COPYDATA (see handlerlink.h).
    bool SendFile(HWND window, const std::string& path) const;
    // WM_USER+2 with a request atom holding `request`: returns the pattern
    // from the answer atom, which is deleted.
    std::string QueryPattern(HWND window, const std::string& request = "?") const;
    // Waits for the child to end; false on timeout.
    bool WaitExit(DWORD ms, DWORD* exitCode = nullptr);
    DWORD ProcessId() const { return process_.id; }
    HANDLE Process() const { return process_.process.get(); }

private:
    bool WaitFor(HANDLE event, DWORD ms);

    std::string exe_;
    bool endChild_;
    DWORD startError_ = 0;
    kivu::UniqueHandle startEvent_;
    kivu::UniqueHandle endEvent_;
    kivu::ProcessHandles process_;
};

}  // namespace kivumenu
