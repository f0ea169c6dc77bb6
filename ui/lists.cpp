#include "ui/lists.h"

#include <windowsx.h>

#include <algorithm>

#include "common/text.h"
#include "ui/dpi.h"

namespace ui {

namespace {

std::string ListText(HWND hwnd, UINT lenMsg, UINT textMsg, int index) {
    const LRESULT n = SendMessageW(hwnd, lenMsg, index, 0);
    if (n <= 0) return {};
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    SendMessageW(hwnd, textMsg, index, reinterpret_cast<LPARAM>(s.data()));
    s.resize(static_cast<size_t>(n));
    return kivu::Narrow(s);
}

int Selection(HWND hwnd) {
    const LRESULT i = SendMessageW(hwnd, LB_GETCURSEL, 0, 0);
    return i == LB_ERR ? -1 : static_cast<int>(i);
}

}  // namespace

// ---- ListBox

void ListBox::Create(Container& parent, const Spec& spec) {
    CreateChild(parent, spec, "LISTBOX", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL, WS_EX_CLIENTEDGE);
}

void ListBox::SetItems(const std::vector<std::string>& items) {
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
    for (const auto& item : items)
        SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kivu::Widen(item).c_str()));
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

int ListBox::Count() const { return static_cast<int>(SendMessageW(hwnd_, LB_GETCOUNT, 0, 0)); }
std::string ListBox::ItemText(int index) const { return ListText(hwnd_, LB_GETTEXTLEN, LB_GETTEXT, index); }
int ListBox::Selected() const { return Selection(hwnd_); }
void ListBox::Select(int index) { SendMessageW(hwnd_, LB_SETCURSEL, index, 0); }

// ---- CheckListBox

void CheckListBox::Create(Container& parent, const Spec& spec) {
    CreateChild(parent, spec, "LISTBOX",
                LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL,
                WS_EX_CLIENTEDGE);
    SendMessageW(hwnd_, LB_SETITEMHEIGHT, 0, parent.Scaled(kItemHeight));
}

int CheckListBox::ItemHeight() const { return static_cast<int>(SendMessageW(hwnd_, LB_GETITEMHEIGHT, 0, 0)); }

void CheckListBox::Rescale(int fromDpi, int toDpi) {
    Control::Rescale(fromDpi, toDpi);
    SendMessageW(hwnd_, LB_SETITEMHEIGHT, 0, MulDiv(kItemHeight, toDpi, kDesignDpi));
}

void CheckListBox::Clear() {
    SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
    checked_.clear();
}

void CheckListBox::Add(const std::string& text, int data, bool checked) {
    const LRESULT i = SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kivu::Widen(text).c_str()));
    SendMessageW(hwnd_, LB_SETITEMDATA, i, data);
    checked_.push_back(checked);
}

int CheckListBox::Count() const { return static_cast<int>(SendMessageW(hwnd_, LB_GETCOUNT, 0, 0)); }
std::string CheckListBox::ItemText(int index) const { return ListText(hwnd_, LB_GETTEXTLEN, LB_GETTEXT, index); }
int CheckListBox::ItemData(int index) const { return static_cast<int>(SendMessageW(hwnd_, LB_GETITEMDATA, index, 0)); }
bool CheckListBox::Checked(int index) const {
    return index >= 0 && index < static_cast<int>(checked_.size()) && checked_[static_cast<size_t>(index)];
}
int CheckListBox::Selected() const { return Selection(hwnd_); }
void CheckListBox::Select(int index) { SendMessageW(hwnd_, LB_SETCURSEL, index, 0); }

void CheckListBox::Toggle(int index) {
    if (index < 0 || index >= static_cast<int>(checked_.size())) return;
    checked_[static_cast<size_t>(index)] = !checked_[static_cast<size_t>(index)];
    RECT r;
    if (SendMessageW(hwnd_, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r)) != LB_ERR)
        InvalidateRect(hwnd_, &r, FALSE);
    if (onClickCheck) onClickCheck(index);
}

bool CheckListBox::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
        // The list selects the item first; a press on its box also ticks it.
        result = DefSubclassProc(hwnd_, msg, wp, lp);
        const int x = GET_X_LPARAM(lp);
        const LRESULT hit = SendMessageW(hwnd_, LB_ITEMFROMPOINT, 0, lp);
        if (x < ItemHeight() && !HIWORD(hit)) Toggle(LOWORD(hit));
        return true;
    }
    if (msg == WM_KEYDOWN && wp == VK_SPACE) {
        Toggle(Selected());
        return true;
    }
    if (msg == WM_CHAR && wp == ' ') return true;  // already handled as a key
    return Control::HandleMessage(msg, wp, lp, result);
}

bool CheckListBox::HandleDrawItem(const DRAWITEMSTRUCT& item) {
    if (item.itemID == static_cast<UINT>(-1)) return true;
    const int index = static_cast<int>(item.itemID);
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    HDC dc = item.hDC;
    RECT row = item.rcItem;
    FillRect(dc, &row, GetSysColorBrush(COLOR_WINDOW));
    const int side = row.bottom - row.top;
    RECT box{row.left + 1, row.top, row.left + side, row.top + side};
    InflateRect(&box, -1, -1);
    DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | (Checked(index) ? DFCS_CHECKED : 0));
    RECT text = row;
    text.left += side + 2;
    if (selected) FillRect(dc, &text, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const std::wstring caption = kivu::Widen(ItemText(index));
    RECT inner = text;
    inner.left += 2;
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &inner,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &text);
    return true;
}

// ---- ComboBox

void ComboBox::Create(Container& parent, const Spec& spec) {
    // The height includes the drop-down list.
    Spec s = spec;
    s.height = std::max(spec.height, 200);
    CreateChild(parent, s, "COMBOBOX", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL);
}

void ComboBox::SetItems(const std::vector<std::string>& items) {
    SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
    for (const auto& item : items)
        SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kivu::Widen(item).c_str()));
}

int ComboBox::Count() const { return static_cast<int>(SendMessageW(hwnd_, CB_GETCOUNT, 0, 0)); }
std::string ComboBox::ItemText(int index) const { return ListText(hwnd_, CB_GETLBTEXTLEN, CB_GETLBTEXT, index); }

void ComboBox::SetText(const std::string& text) {
    settingText_ = true;
    // The list marks the item that the text names, so the arrow keys go on from there.
    const LRESULT item = SendMessageW(hwnd_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(kivu::Widen(text).c_str()));
    if (item != CB_ERR) SendMessageW(hwnd_, CB_SETCURSEL, item, 0);
    Control::SetText(text);
    settingText_ = false;
}

void ComboBox::HandleCommand(WORD code) {
    if (settingText_) return;
    if (code == CBN_SELCHANGE) {
        // The edit field takes the picked item's text only after this notice.
        const LRESULT i = SendMessageW(hwnd_, CB_GETCURSEL, 0, 0);
        if (i != CB_ERR) SetText(ItemText(static_cast<int>(i)));
        Fire(onChange);
    } else if (code == CBN_EDITCHANGE) {
        Fire(onChange);
    }
}

}  // namespace ui
