// Timed figures of the configuration window (mode 0) and the rename dialog
// (mode 1) under Wine: the start until the window is on the screen and its
// message loop answers, against a bare window measured the same way (and the
// rename dialog's native controls made by plain calls, the floor of mode 1),
// and the live language switch with every text of the pages shown re-applied.
//   konfigstart [runs]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/win/support/winsupport.h"
#include "tools/standin.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Starts the program and returns the milliseconds until its window of the
// class is visible and answers a message; the window is left open.
double TimeStart(standin::Handler& handler, const std::string& arguments, const char* className, HWND* window) {
    const auto start = Clock::now();
    if (!handler.Start(arguments)) return -1;
    *window = nullptr;
    while (Ms(Clock::now() - start) < 30000) {
        const auto found = testsupport::FindTopWindows(className, nullptr, handler.ProcessId());
        if (!found.empty() && IsWindowVisible(found[0])) {
            *window = found[0];
            break;
        }
        Sleep(1);
    }
    if (!*window) return -1;
    DWORD_PTR r = 0;
    SendMessageTimeoutA(*window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &r);
    return Ms(Clock::now() - start);
}

void Close(standin::Handler& handler, HWND window) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    handler.WaitExit(20000);
}

// Picks a language in the window's list as the user would; returns the
// milliseconds until the window has re-applied everything.
double TimeSwitch(HWND combo, const char* language) {
    const LRESULT item = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(language));
    SendMessageA(combo, CB_SETCURSEL, item, 0);
    const auto start = Clock::now();
    SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    return Ms(Clock::now() - start);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const std::string folder = standin::OwnFolder();
    std::vector<double> bare, bareRename, small, rename, konfig, toGerman, toEnglish;
    for (int i = 0; i < runs; ++i) {
        HWND window = nullptr;
        standin::Handler b(folder + "barewindow.exe");
        bare.push_back(TimeStart(b, "", "TBareWindow", &window));
        Close(b, window);

        {
            // The smallest form of the program, ended by its handler.
            standin::Handler s(folder + "kivuutil.exe");
            small.push_back(TimeStart(s, "2", "Tselectform", &window));
        }

        standin::Handler br(folder + "barerename.exe");
        bareRename.push_back(TimeStart(br, "", "TBareRename", &window));
        Close(br, window);

        standin::Handler r(folder + "kivuutil.exe");
        rename.push_back(TimeStart(r, "1", "Trenamedialog", &window));
        Close(r, window);

        standin::Handler k(folder + "kivuutil.exe");
        konfig.push_back(TimeStart(k, "0", "Tkonfigdialog", &window));
        Close(k, window);

        // The language list is on the options page, which gets its controls when shown.
        standin::Handler o(folder + "kivuutil.exe");
        TimeStart(o, "0 4", "Tkonfigdialog", &window);
        HWND combo = testsupport::FindChild(window, "ComboBox");
        toGerman.push_back(TimeSwitch(combo, "German"));
        toEnglish.push_back(TimeSwitch(combo, "English"));
        Close(o, window);
    }
    std::printf("runs: %d (medians)\n", runs);
    std::printf("bare window, start to idle:          %7.1f ms\n", Median(bare));
    std::printf("kivuutil 2 (smallest form), to idle: %7.1f ms  (ratio %.2f)\n", Median(small),
                Median(small) / Median(bare));
    std::printf("kivuutil 1, start to idle:           %7.1f ms  (ratio %.2f)\n", Median(rename),
                Median(rename) / Median(bare));
    std::printf("rename dialog's controls alone:      %7.1f ms  (ratio %.2f)\n", Median(bareRename),
                Median(bareRename) / Median(bare));
    std::printf("kivuutil 0, start to idle:           %7.1f ms  (ratio %.2f)\n", Median(konfig),
                Median(konfig) / Median(bare));
    std::printf("language switch to German:           %7.1f ms\n", Median(toGerman));
    std::printf("language switch back to English:     %7.1f ms\n", Median(toEnglish));
    return 0;
}
