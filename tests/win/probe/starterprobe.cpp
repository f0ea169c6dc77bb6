// A program for the starter to start: it records that it ran, with its show
// command and its arguments, and can stay running for a while.
//   starterprobe RECORD [--sleep MS | --until EVENT] [ARG ...]
// RECORD gets the line "start PID SHOW ARGS" and, when the program ends,
// "end PID". --until waits (at most a minute) for a named event.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/handlerlink.h"

namespace {

void Append(const std::string& file, const std::string& line) {
    if (FILE* f = std::fopen(file.c_str(), "ab")) {
        std::fputs((line + "\n").c_str(), f);
        std::fclose(f);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::vector<std::string> args = kivu::SplitCommandLine(GetCommandLineA());
    if (args.size() < 2) return 2;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
    std::string rest;
    for (size_t i = 2; i < args.size(); ++i) rest += (i > 2 ? " " : "") + args[i];
    const std::string pid = std::to_string(GetCurrentProcessId());
    Append(args[1], "start " + pid + " " + std::to_string(show) + " " + rest);
    if (args.size() > 3 && args[2] == "--sleep") Sleep(static_cast<DWORD>(std::stoul(args[3])));
    if (args.size() > 3 && args[2] == "--until") {
        HANDLE event = CreateEventA(nullptr, TRUE, FALSE, args[3].c_str());
        WaitForSingleObject(event, 60000);
        CloseHandle(event);
    }
    Append(args[1], "end " + pid);
    return 0;
}
