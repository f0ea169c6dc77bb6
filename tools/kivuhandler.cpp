// kivuhandler: plays the context-menu handler for kivuutil.exe beside it.
//   kivuhandler <mode> [argument ...] [-- file ...]
// Mode 0 opens the configuration window as the handler's "configure" command
// does (0 [page [action [folder]]]) and, once it is closed, shows the list
// files it saved; mode 1 waits for the dialog's ready signal and sends the
// files; mode 2 waits for the confirmation and prints the pattern; mode 101
// waits for the start report; other modes just run (mode 3: "3" the
// starter's dialog, "3 start" its automatic run as the autostart runs it).
// Mode 10 asks the archive host named by KIVU_UPDATE_HOST ("name" or
// "name:port"), when set, as the registry value the program reads.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/handles.h"
#include "common/text.h"
#include "common/windir.h"
#include "link/handlerlink.h"
#include "tools/standin.h"

int main() {
    // The arguments in UTF-16, as the system has them: the C runtime's argv
    // holds only what the ANSI code page can.
    int argc = 0;
    const kivu::UniqueLocalMemory<LPWSTR> wide(CommandLineToArgvW(GetCommandLineW(), &argc));
    std::vector<std::string> argv;
    for (int i = 0; wide && i < argc; ++i) argv.push_back(kivu::Narrow(wide.get()[i]));
    argc = static_cast<int>(argv.size());
    if (argc < 2) {
        std::fprintf(stderr, "usage: kivuhandler <mode> [argument ...] [-- file ...]\n");
        return 2;
    }
    std::string arguments;
    std::vector<std::string> files;
    bool inFiles = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (!inFiles && a == "--") {
            inFiles = true;
        } else if (inFiles) {
            files.push_back(a);
        } else {
            if (!arguments.empty()) arguments += ' ';
            arguments += a.find(' ') != std::string::npos || a.empty() ? "\"" + a + "\"" : a;
        }
    }
    const std::string mode = argv[1];
    if (const char* host = std::getenv("KIVU_UPDATE_HOST"); host && mode == "10") {
        const std::wstring value = kivu::Widen(host);
        RegSetKeyValueW(HKEY_CURRENT_USER, L"software\\kivu\\update", L"Host", REG_SZ, value.c_str(),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    standin::Handler handler(standin::OwnFolder() + "kivuutil.exe");
    if (!handler.Start(arguments)) {
        std::fprintf(stderr, "cannot start kivuutil.exe (%lu)\n", GetLastError());
        return 1;
    }
    if (mode == "1") {
        if (!handler.WaitStart(30000)) {
            std::fprintf(stderr, "the properties dialog did not signal that it is ready\n");
            return 1;
        }
        HWND dialog = handler.FindWindowOf("Trenamedialog", 5000);
        if (!dialog) {
            std::fprintf(stderr, "no Trenamedialog window\n");
            return 1;
        }
        for (const auto& f : files)
            if (!handler.SendFile(dialog, f)) std::fprintf(stderr, "could not send %s\n", f.c_str());
        std::printf("sent %zu file(s)\n", files.size());
    } else if (mode == "2") {
        handler.WaitEnd(INFINITE);
        if (HWND dialog = handler.FindWindowOf("Tselectform", 5000)) {
            std::string pattern = handler.QueryPattern(dialog);
            const bool add = !pattern.empty() && pattern[0] == kivu::kAddToSelectionMark;
            if (add) pattern.erase(0, 1);
            std::printf("pattern: \"%s\"%s\n", pattern.c_str(), add ? " (add to the selection)" : "");
        }
    } else if (mode == "101") {
        // The window says "done" once the program was started (or failed to).
        if (handler.WaitStart(30000)) std::printf("the run-program window reported the start\n");
    }
    DWORD code = 0;
    handler.WaitExit(INFINITE, &code);
    std::printf("kivuutil ended with exit code %lu\n", code);
    if (mode == "0") {
        // What the handler reads next time it builds the menu.
        for (const char* name : {"kivupfade.txt", "kivuprogs.txt", "kivuftp.txt"}) {
            WIN32_FILE_ATTRIBUTE_DATA data;
            const std::string path = kivu::WindowsDirectory() + "\\" + name;
            if (GetFileAttributesExW(kivu::Widen(path).c_str(), GetFileExInfoStandard, &data))
                std::printf("%s: %lu bytes\n", path.c_str(), data.nFileSizeLow);
            else
                std::printf("%s: none\n", path.c_str());
        }
    }
    return static_cast<int>(code);
}
