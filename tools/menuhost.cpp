// menuhost: shows the context menu of the registered KIVU handler the way
// the file manager builds it, and runs one of its commands.
//   menuhost [--background] [--show | --show-for MS] [--invoke VERB|#OFFSET] PATH...
// It loads the handler by its class identifier (so it must be installed),
// hands it PATH... as the selection (--background: the first PATH is a
// folder whose background was clicked), prints the menu, then runs the named
// command or, with --show, opens the menu as a popup and runs what is picked
// (--show-for: the popup closes by itself after MS milliseconds, for pictures).
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "common/classid.h"
#include "common/text.h"
#include "tools/shellhost.h"

namespace {

int Run(int argc, char** argv) {
    bool background = false, show = false;
    UINT showFor = 0;
    std::string invoke;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--background") background = true;
        else if (a == "--show") show = true;
        else if (a == "--show-for" && i + 1 < argc) show = true, showFor = static_cast<UINT>(std::atoi(argv[++i]));
        else if (a == "--invoke" && i + 1 < argc) invoke = argv[++i];
        else paths.push_back(a);
    }
    if (paths.empty()) {
        std::fprintf(stderr, "usage: menuhost [--background] [--show | --show-for MS] [--invoke VERB|#OFFSET] PATH...\n");
        return 2;
    }
    shellhost::Host host;
    HRESULT hr = host.Create(kivu::kClassId);
    if (FAILED(hr)) {
        std::fprintf(stderr, "the KIVU handler is not registered (0x%08lx)\n", static_cast<unsigned long>(hr));
        return 1;
    }
    hr = background ? host.InitBackground(paths[0]) : host.InitFiles(paths);
    if (FAILED(hr)) {
        std::fprintf(stderr, "the handler refused the selection (0x%08lx)\n", static_cast<unsigned long>(hr));
        return 1;
    }
    hr = host.Build();
    if (FAILED(hr)) {
        std::fprintf(stderr, "the handler built no menu (0x%08lx)\n", static_cast<unsigned long>(hr));
        return 1;
    }
    const auto lines = shellhost::ReadMenu(host.menu());
    std::printf("%s", shellhost::FormatMenu(lines).c_str());
    for (const auto& l : lines) {
        if (l.separator || l.popup || l.disabled) continue;
        wchar_t verb[128] = {};
        host.handler()->GetCommandString(l.id - shellhost::kFirstId, GCS_VERBW, nullptr, reinterpret_cast<CHAR*>(verb),
                                         static_cast<UINT>(std::size(verb)));
        std::printf("#%u = %s\n", l.id - shellhost::kFirstId, kivu::Narrow(verb).c_str());
    }
    std::fflush(stdout);

    HWND owner =
        CreateWindowExW(0, L"STATIC", L"KIVU menu host", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (show) {
        ShowWindow(owner, SW_SHOWNOACTIVATE);
        SetForegroundWindow(owner);
        if (showFor) SetTimer(owner, 1, showFor, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
        const UINT id = TrackPopupMenu(host.menu(), TPM_RETURNCMD | TPM_LEFTALIGN, 40, 40, 0, owner, nullptr);
        if (id >= shellhost::kFirstId) invoke = "#" + std::to_string(id - shellhost::kFirstId);
    }
    if (invoke.empty()) return 0;
    hr = invoke[0] == '#' ? host.InvokeOffset(static_cast<UINT>(std::atoi(invoke.c_str() + 1)), owner)
                          : host.InvokeVerb(invoke.c_str(), owner);
    std::printf("%s: 0x%08lx\n", invoke.c_str(), static_cast<unsigned long>(hr));
    DestroyWindow(owner);
    return SUCCEEDED(hr) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    const int rc = Run(argc, argv);
    CoUninitialize();
    return rc;
}
