// recorder OUTFILE [ARG...]: writes its current folder and its arguments to
// OUTFILE, one per line, for tests of programs that start other programs.
// Built as a console program and, with RECORDER_WINDOW, as a window program
// that shows a window and runs its message loop for a few seconds.
#include <windows.h>

#include <string>

#include "app/handlerlink.h"

namespace {

void Record() {
    const auto args = kivu::SplitCommandLine(GetCommandLineA());
    if (args.size() < 2) return;
    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    std::string text = std::string(cwd) + "\n";
    for (size_t i = 2; i < args.size(); ++i) text += args[i] + "\n";
    // Written under another name first: a reader never sees half a file.
    const std::string partial = args[1] + ".part";
    HANDLE file = CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    MoveFileExA(partial.c_str(), args[1].c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace

#ifdef RECORDER_WINDOW
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = "KivuRecorder";
    RegisterClassA(&wc);
    HWND window = CreateWindowA("KivuRecorder", "recorder", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                instance, nullptr);
    ShowWindow(window, show);
    Record();
    SetTimer(window, 1, 3000, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0 && msg.message != WM_TIMER) DispatchMessageA(&msg);
    return 0;
}
#else
int main() {
    Record();
    return 0;
}
#endif
