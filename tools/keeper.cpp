// A hidden window that does nothing until it is killed: while it runs, Wine's
// background processes stay up and each test program starts fast.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = "KivuTestKeeper";
    RegisterClassA(&wc);
    CreateWindowA("KivuTestKeeper", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}
