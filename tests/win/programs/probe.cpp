// probe RECORD [--sleep MS | --until EVENT] [ARG ...]: a program for tests of
// the programs that start others. It appends to RECORD the lines
// "start PID SHOW ARGS" and "dir PID FOLDER" (its current directory), then
// stays for MS milliseconds or until the named event is set (at most a
// minute), and appends "end PID" when it ends.
// With the environment variable KIVU_PROBE_RECORD set, it records to the file
// it names and takes all its arguments as ARGs: for programs that start a
// fixed command line (%ComSpec%, a listed program) where no record file can
// be handed over. It also records "program PID NAME" (how its command line
// names it) and "arg PID ARG" for each ARG.
// Built as a window program (PROBE_WINDOW: it shows a window and answers its
// messages while it stays) and as a console program.
#include <windows.h>

#include <cstdio>
#include <string>

#include "link/handlerlink.h"

namespace {

// What it records is UTF-8, whatever the system's code page, so that names of
// any script come back as they were given.
std::string Utf8(const wchar_t* text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

std::wstring Wide(const std::string& text) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring out(n > 0 ? n : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), n);
    out.resize(out.size() - 1);
    return out;
}

void Append(const std::string& file, const std::string& line) {
    if (FILE* f = _wfopen(Wide(file).c_str(), L"ab")) {
        std::fputs((line + "\n").c_str(), f);
        std::fclose(f);
    }
}

// Waits for the event (or only the time), answering window messages meanwhile.
void Stay(HANDLE event, DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return;
        const DWORD left = static_cast<DWORD>(end - now);
        const DWORD r =
            MsgWaitForMultipleObjectsEx(event ? 1 : 0, event ? &event : nullptr, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (event && r == WAIT_OBJECT_0) return;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
}

int Probe() {
    std::vector<std::string> args = kivu::SplitCommandLine(Utf8(GetCommandLineW()));
    wchar_t record[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"KIVU_PROBE_RECORD", record, MAX_PATH);
    if (n > 0 && n < MAX_PATH) args.insert(args.begin() + 1, Utf8(record));
    else if (args.size() < 2) return 2;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
    std::string rest;
    for (size_t i = 2; i < args.size(); ++i) rest += (i > 2 ? " " : "") + args[i];
    wchar_t folderW[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folderW);
    const std::string folder = Utf8(folderW);
    const std::string pid = std::to_string(GetCurrentProcessId());
#ifdef PROBE_WINDOW
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KivuProbe";
    RegisterClassA(&wc);
    HWND window = CreateWindowA("KivuProbe", "probe", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                wc.hInstance, nullptr);
    ShowWindow(window, SW_SHOWDEFAULT);
#endif
    Append(args[1], "start " + pid + " " + std::to_string(show) + " " + rest);
    Append(args[1], "dir " + pid + " " + folder);
    // Each argument on a line of its own, the program as it was named first:
    // what a blank inside a name did to the command line shows here.
    Append(args[1], "program " + pid + " " + args[0]);
    for (size_t i = 2; i < args.size(); ++i) Append(args[1], "arg " + pid + " " + args[i]);
    if (args.size() > 3 && args[2] == "--sleep") Stay(nullptr, static_cast<DWORD>(std::stoul(args[3])));
    if (args.size() > 3 && args[2] == "--until") {
        HANDLE event = CreateEventW(nullptr, TRUE, FALSE, Wide(args[3]).c_str());
        Stay(event, 60000);
        CloseHandle(event);
    }
    Append(args[1], "end " + pid);
    return 0;
}

}  // namespace

#ifdef PROBE_WINDOW
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return Probe(); }
#else
int main() { return Probe(); }
#endif
