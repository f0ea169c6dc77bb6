// The yardstick for the rename dialog's start: the dialog's native controls
// (list, status bar, panels, boxes, fields, pickers, buttons) made with plain
// Win32 calls in one window, with the same manifest, and nothing else: no
// toolkit, no texts from the language file, no settings, no files.
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>

#include "link/handlerlink.h"

namespace {

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

struct Maker {
    HINSTANCE instance;
    HFONT font;
    HWND Make(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int cx, int cy, HWND parent) const {
        HWND c = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, parent, nullptr, instance,
                                 nullptr);
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return c;
    }
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"TBareRename";
    RegisterClassW(&wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = L"TBarePanel";
    RegisterClassW(&wc);
    HWND form = CreateWindowExW(WS_EX_CONTROLPARENT, L"TBareRename", L"bare", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0,
                                0, 550, 377, nullptr, nullptr, instance, nullptr);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    const Maker m{instance, CreateFontIndirectW(&metrics.lfMessageFont)};

    HWND status = m.Make(STATUSCLASSNAMEW, L"", 0, 0, 0, 0, 0, form);
    int parts[3] = {50, 300, -1};
    SendMessageW(status, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));
    HWND panel1 = m.Make(L"TBarePanel", L"", WS_CLIPCHILDREN, 0, 170, 534, 170, form);
    HWND list = m.Make(WC_LISTVIEWW, L"", LVS_REPORT | LVS_OWNERDATA | WS_BORDER, 0, 0, 534, 170, form);
    const wchar_t* columns[4] = {L"Name", L"Old name", L"New name", L""};
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNW c{};
        c.mask = LVCF_TEXT | LVCF_WIDTH;
        c.cx = i < 3 ? 120 : 20;
        c.pszText = const_cast<LPWSTR>(columns[i]);
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&c));
    }
    m.Make(L"STATIC", L"", 0, 8, 2, 390, 14, panel1);
    HWND panel2 = m.Make(L"TBarePanel", L"", WS_CLIPCHILDREN, 390, 0, 144, 170, panel1);
    m.Make(L"BUTTON", L"&Name", BS_AUTOCHECKBOX | WS_TABSTOP, 8, 20, 110, 17, panel1);
    m.Make(L"EDIT", L"[Name][Ext]", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 128, 20, 186, 21, panel1);
    m.Make(L"BUTTON", L"&Date", BS_AUTOCHECKBOX | WS_TABSTOP, 8, 64, 110, 16, panel1);
    m.Make(L"STATIC", L"Date:", 0, 128, 64, 80, 14, panel1);
    m.Make(L"STATIC", L"Time:", 0, 224, 64, 90, 14, panel1);
    m.Make(DATETIMEPICK_CLASSW, L"", WS_DISABLED | WS_TABSTOP, 128, 80, 90, 21, panel1);
    m.Make(DATETIMEPICK_CLASSW, L"", DTS_TIMEFORMAT | WS_DISABLED | WS_TABSTOP, 224, 80, 90, 21, panel1);
    for (int i = 0; i < 3; ++i)
        m.Make(L"BUTTON", L"Last modified", BS_AUTORADIOBUTTON | WS_DISABLED, 16, 80 + 16 * i, 112, 17, panel1);
    m.Make(L"BUTTON", L"Now!", WS_DISABLED, 257, 104, 57, 21, panel1);
    m.Make(L"BUTTON", L"Attributes", BS_AUTOCHECKBOX, 8, 144, 110, 17, panel1);
    m.Make(L"EDIT", L"RSAH", WS_BORDER | WS_DISABLED, 128, 144, 48, 21, panel1);
    const wchar_t* buttons[5] = {L"&Undo", L"OK", L"Cance&l", L"&Apply", L"Options"};
    for (int i = 0; i < 5; ++i)
        m.Make(L"BUTTON", buttons[i], WS_TABSTOP | (i == 0 || i == 3 ? WS_DISABLED : 0), 16, 8 + 32 * i, 113, 25,
               panel2);
    ShowWindow(form, SW_SHOW);
    const std::wstring started(kivu::kEventStart, kivu::kEventStart + std::strlen(kivu::kEventStart));  // ASCII
    if (HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, started.c_str())) {
        SetEvent(ready);
        CloseHandle(ready);
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(form, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
