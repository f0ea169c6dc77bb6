// Timed end-to-end figures of the properties dialog under the handler's
// load: files arriving one message each, a preview over all rows, a sort.
//   arrivals [count]
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/win/support/winsupport.h"
#include "tools/standin.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::string PathOf(int i) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "C:\\bench\\file%05d.txt", i);
    return buf;
}

// Milliseconds to send count files to the window of the given class.
double SendAll(standin::Handler& handler, const char* className, int count, HWND* window) {
    if (!handler.WaitStart(30000)) return -1;
    *window = handler.FindWindowOf(className, 5000);
    if (!*window) return -1;
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) handler.SendFile(*window, PathOf(i));
    return Ms(Clock::now() - start);
}

HWND Child(HWND parent, const char* cls, const char* text = nullptr) {
    struct S {
        const char* cls;
        const char* text;
        HWND found;
    } s{cls, text, nullptr};
    EnumChildWindows(
        parent,
        [](HWND h, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<S*>(lp);
            char name[64];
            GetClassNameA(h, name, sizeof name);
            if (lstrcmpiA(name, s->cls)) return TRUE;
            char text[256] = {};
            SendMessageA(h, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
            if (s->text && lstrcmpA(text, s->text)) return TRUE;
            s->found = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    const std::string folder = standin::OwnFolder();

    standin::Handler bare(folder + "barewindow.exe");
    bare.Start("");
    HWND bareWindow = nullptr;
    const double bareMs = SendAll(bare, "TBareWindow", count, &bareWindow);
    PostMessageA(bareWindow, WM_CLOSE, 0, 0);
    bare.WaitExit(5000);

    standin::Handler handler(folder + "kivuutil.exe");
    handler.Start("1");
    HWND dialog = nullptr;
    const double dialogMs = SendAll(handler, "Trenamedialog", count, &dialog);
    HWND list = Child(dialog, WC_LISTVIEWA);
    const auto shownStart = Clock::now();
    while (SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) < count) Sleep(1);
    const double shownMs = Ms(Clock::now() - shownStart);

    std::printf("files: %d\n", count);
    std::printf("bare window:        %8.1f ms  %.3f ms/file\n", bareMs, bareMs / count);
    std::printf("properties dialog:  %8.1f ms  %.3f ms/file  (ratio %.2f)\n", dialogMs, dialogMs / count,
                dialogMs / bareMs);
    std::printf("all rows listed:    %8.1f ms after the last file\n", shownMs);

    // A keystroke in the pattern field: the preview over all rows and the
    // repaint of the visible part.
    HWND pattern = Child(dialog, "Edit", "[Name][Ext]");
    const char* patterns[] = {"[Name]_[N:3:1][Ext]", "[Name]_[N:5:1][Ext]", "x[Name(1,4)][Ext]"};
    double worst = 0, total = 0;
    for (const char* p : patterns) {
        const auto start = Clock::now();
        SendMessageA(pattern, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(p));
        RedrawWindow(list, nullptr, nullptr, RDW_UPDATENOW);
        const double ms = Ms(Clock::now() - start);
        worst = ms > worst ? ms : worst;
        total += ms;
    }
    std::printf("preview over all rows and repaint: %.1f ms average, %.1f ms worst\n", total / 3, worst);

    // A click on the first column header sorts all rows.
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    const auto start = Clock::now();
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 5));
    SendMessageA(header, WM_LBUTTONUP, 0, MAKELPARAM(20, 5));
    RedrawWindow(list, nullptr, nullptr, RDW_UPDATENOW);
    const double sortMs = Ms(Clock::now() - start);
    std::printf("sort by name (header click) and repaint: %.1f ms (top row now %s)\n", sortMs,
                testsupport::ListViewText(list, 0, 0).c_str());

    PostMessageA(dialog, WM_CLOSE, 0, 0);
    handler.WaitExit(10000);
    return 0;
}
