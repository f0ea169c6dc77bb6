#include "ui/tabs.h"

#include <iterator>

#include "common/text.h"

namespace ui {

void TabControl::Create(Container& parent, const Spec& spec, bool hotTrack) {
    CreateChild(parent, spec, WC_TABCONTROLA, hotTrack ? TCS_HOTTRACK : 0);
}

int TabControl::Count() const { return static_cast<int>(SendMessageW(hwnd_, TCM_GETITEMCOUNT, 0, 0)); }
int TabControl::Index() const { return static_cast<int>(SendMessageW(hwnd_, TCM_GETCURSEL, 0, 0)); }
void TabControl::SetIndex(int index) { SendMessageW(hwnd_, TCM_SETCURSEL, index, 0); }

std::string TabControl::TabText(int index) const { return TabItemText(hwnd_, index); }  // names a registry key
void TabControl::SetTabText(int index, const std::string& text) { SetTabItemText(hwnd_, index, text); }
void TabControl::Add(const std::string& text) { InsertTabItem(hwnd_, Count(), text); }
void TabControl::Delete(int index) { SendMessageW(hwnd_, TCM_DELETEITEM, index, 0); }

LRESULT TabControl::HandleNotify(NMHDR* hdr) {
    switch (hdr->code) {
        case TCN_SELCHANGING: {
            bool allow = true;
            if (onChanging) onChanging(allow);
            return allow ? FALSE : TRUE;
        }
        case TCN_SELCHANGE:
            Fire(onChange);
            return 0;
        default:
            return 0;
    }
}

bool TabControl::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_SETFOCUS) {
        result = DefSubclassProc(hwnd_, msg, wp, lp);
        Fire(onEnter);
        return true;
    }
    return Control::HandleMessage(msg, wp, lp, result);
}

std::string TabItemText(HWND tabs, int index) {
    wchar_t buf[256] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = buf;
    item.cchTextMax = static_cast<int>(std::size(buf));
    SendMessageW(tabs, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item));
    return kivu::Narrow(buf);
}

void SetTabItemText(HWND tabs, int index, const std::string& text) {
    std::wstring wide = kivu::Widen(text);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = wide.data();
    SendMessageW(tabs, TCM_SETITEMW, index, reinterpret_cast<LPARAM>(&item));
}

void InsertTabItem(HWND tabs, int index, const std::string& text) {
    std::wstring wide = kivu::Widen(text);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = wide.data();
    SendMessageW(tabs, TCM_INSERTITEMW, index, reinterpret_cast<LPARAM>(&item));
}

}  // namespace ui
