#include "ui/pages.h"

#include <algorithm>

#include "common/convert.h"
#include "common/errors.h"

namespace ui {

void PageControl::Create(Container& parent, const Spec& spec) {
    CreateChild(parent, spec, WC_TABCONTROLA, TCS_BOTTOM | TCS_HOTTRACK | WS_CLIPSIBLINGS);
}

void PageControl::AddPage(Panel& page, const Spec& spec) {
    Spec s = spec;
    s.visible = pages_.empty();
    page.Create(*parent_, s);
    // Above the tab control, which then leaves the page's area to it.
    HWND above = GetWindow(hwnd_, GW_HWNDPREV);
    SetWindowPos(page.Handle(), above ? above : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(spec.text);
    SendMessageA(hwnd_, TCM_INSERTITEMA, pages_.size(), reinterpret_cast<LPARAM>(&item));
    pages_.push_back(&page);
    PlacePage(page);
}

int PageControl::ActivePage() const { return static_cast<int>(SendMessageA(hwnd_, TCM_GETCURSEL, 0, 0)); }

void PageControl::SetActivePage(int index) {
    if (index < 0 || index >= PageCount())
        throw kivu::RuntimeError(kivu::FormatMessage1("Listenindex überschreitet das Maximum (%s)", kivu::IntToStr(index)));
    SendMessageA(hwnd_, TCM_SETCURSEL, index, 0);
    ShowActive();
}

std::string PageControl::PageCaption(int index) const {
    char buf[256] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = buf;
    item.cchTextMax = sizeof buf;
    SendMessageA(hwnd_, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
    return buf;
}

void PageControl::SetPageCaption(int index, const std::string& caption) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(caption.c_str());
    SendMessageA(hwnd_, TCM_SETITEMA, index, reinterpret_cast<LPARAM>(&item));
    PlacePages();  // the tabs may take another row
}

void PageControl::PlacePage(Panel& page) {
    RECT r;
    GetClientRect(hwnd_, &r);
    SendMessageA(hwnd_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    MapWindowPoints(hwnd_, parent_->Handle(), reinterpret_cast<POINT*>(&r), 2);
    page.SetBounds(r.left, r.top, std::max(0L, r.right - r.left), std::max(0L, r.bottom - r.top));
}

void PageControl::PlacePages() {
    for (Panel* page : pages_) PlacePage(*page);
}

void PageControl::ShowActive() {
    const int active = ActivePage();
    for (int i = 0; i < PageCount(); ++i) Page(i).SetVisible(i == active);
}

LRESULT PageControl::HandleNotify(NMHDR* hdr) {
    if (hdr->code == TCN_SELCHANGING) return onChanging && !onChanging();  // TRUE refuses
    if (hdr->code == TCN_SELCHANGE) ShowActive();
    return 0;
}

bool PageControl::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_SIZE || msg == WM_MOVE) {
        result = DefSubclassProc(hwnd_, msg, wp, lp);
        PlacePages();
        return true;
    }
    return Control::HandleMessage(msg, wp, lp, result);
}

}  // namespace ui
