// TExecFile starts one command line with a window style and a priority and
// can wait until the program ends; TExecThread runs that start-and-wait on a
// worker thread and reports back on the GUI thread.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "common/handles.h"
#include "starter/execcommand.h"

namespace kivu {

class TExecFile {
public:
    TExecFile();
    TExecFile(const TExecFile&) = delete;
    TExecFile& operator=(const TExecFile&) = delete;

    // If the start fails, open CommandLine as a document with its associated program.
    bool Associate = false;
    std::string CommandLine;  // at most 255 characters are used
    std::string Parameters;   // at most 255 characters are used
    TPriorityClass Priority = TPriorityClass::pcNormal;
    // Exit may switch it off while a worker runs.
    std::atomic<bool> Wait{false};
    TWaitStyle WaitStyle = TWaitStyle::wRegular;
    TWindowStyle WindowStyle = TWindowStyle::wsNorm;
    std::function<void(TExecFile& sender)> OnFail;

    // Starts the program (and with Wait, waits until it ended). False when it
    // could not be started: ErrorCode() then holds the system's code and
    // OnFail has been called. wSuspend blocks; wRegular serves this thread's
    // messages meanwhile, and a WM_QUIT among them ends the process with its code.
    bool Execute();

    DWORD ErrorCode() const { return errorCode_; }
    bool Running() const { return running_; }
    DWORD ProcessId() const { return process_.id; }

    // Ends a blocking wait in progress on another thread at once, and every
    // later one: for an owner that goes while a worker waits. The program
    // itself goes on running.
    void StopWaiting() { SetEvent(stopWaiting_.get()); }

private:
    bool Start(const std::string& command, STARTUPINFOW& startup, DWORD flags);
    void WaitSuspended();
    void WaitRegular();
    void CloseProcess();

    ProcessHandles process_;
    DWORD errorCode_ = 0;
    std::atomic<bool> running_{false};
    bool finished_ = false;
    UniqueHandle stopWaiting_;
};

// One program started and waited for away from the GUI thread. The body runs
// as soon as the object exists; onTerminate runs afterwards on the thread
// that created it (from its message loop). Destroying the object while the
// body still waits releases the wait (the program goes on running), joins
// the thread and leaves onTerminate out.
class TExecThread {
public:
    TExecThread(TExecFile& runner, std::function<void()> onTerminate);
    ~TExecThread();
    TExecThread(const TExecThread&) = delete;
    TExecThread& operator=(const TExecThread&) = delete;

private:
    static LRESULT CALLBACK NotifyProc(HWND, UINT, WPARAM, LPARAM);
    void Body();

    TExecFile& runner_;
    std::function<void()> onTerminate_;
    HWND notify_ = nullptr;  // message-only window of the creating thread
    std::thread thread_;
};

}  // namespace kivu
