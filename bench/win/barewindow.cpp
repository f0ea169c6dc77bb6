// The yardstick for arrivals: a window that only reads and deletes each
// file atom, with no list behind it.
#include <windows.h>

#include "link/handlerlink.h"

namespace {
LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kivu::kMsgAddFile) {
        wchar_t path[kivu::kAtomBufferSize];
        const auto atom = static_cast<ATOM>(LOWORD(wp));
        if (GlobalGetAtomNameW(atom, path, static_cast<int>(kivu::kAtomBufferSize))) GlobalDeleteAtom(atom);
        return 0;
    }
    if (msg == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.lpszClassName = "TBareWindow";
    RegisterClassA(&wc);
    CreateWindowA("TBareWindow", "bare", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr,
                  instance, nullptr);
    if (HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, kivu::kEventStart)) {
        SetEvent(ready);
        CloseHandle(ready);
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}
