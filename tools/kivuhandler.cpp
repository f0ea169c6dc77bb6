// kivuhandler: plays the context-menu handler for kivuutil.exe beside it.
//   kivuhandler <mode> [argument ...] [-- file ...]
// Mode 1 waits for the dialog's ready signal and sends the files; mode 2 waits
// for the confirmation and prints the pattern; other modes just run.
// Mode 10 asks the archive host named by KIVU_UPDATE_HOST ("name" or
// "name:port"), when set, as the registry value the program reads.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/standin.h"

int main(int argc, char** argv) {
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
        RegSetKeyValueA(HKEY_CURRENT_USER, "software\\kivu\\update", "Host", REG_SZ, host,
                        static_cast<DWORD>(std::strlen(host) + 1));
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
            const std::string pattern = handler.QueryPattern(dialog);
            std::printf("pattern: \"%s\"\n", pattern.c_str());
        }
    }
    DWORD code = 0;
    handler.WaitExit(INFINITE, &code);
    std::printf("kivuutil ended with exit code %lu\n", code);
    return static_cast<int>(code);
}
