#include "ui/pages.h"

#include <algorithm>

#include "common/convert.h"
#include "common/errors.h"
#include "ui/tabs.h"

namespace ui {

void PageControl::Create(Container& parent, const Spec& spec) {
    CreateChild(parent, spec, WC_TABCONTROLA, TCS_BOTTOM | TCS_HOTTRACK | WS_CLIPSIBLINGS);
}

void PageControl::AddPage(Panel& page, const Spec& spec, std::function<void()> build) {
    InsertTabItem(hwnd_, PageCount(), spec.text);
    pages_.push_back(&page);
    if (build) {
        pending_.push_back(std::make_unique<Pending>(Pending{spec, std::move(build)}));
    } else {
        pending_.emplace_back();
        MakePage(page, spec);
    }
}

void PageControl::MakePage(Panel& page, Spec spec) {
    spec.visible = &page == pages_[static_cast<size_t>(std::max(0, ActivePage()))];
    page.Create(*parent_, spec);
    // Above the tab control, which then leaves the page's area to it.
    HWND above = GetWindow(hwnd_, GW_HWNDPREV);
    SetWindowPos(page.Handle(), above ? above : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    PlacePage(page);
}

void PageControl::BuildPage(int index) {
    // Taken first: a build that shows its own page does not start again.
    std::unique_ptr<Pending> pending = std::move(pending_[static_cast<size_t>(index)]);
    if (!pending) return;
    MakePage(*pages_[static_cast<size_t>(index)], pending->spec);
    pending->build();
}

int PageControl::PageTag(int index) const {
    const auto& pending = pending_[static_cast<size_t>(index)];
    return pending ? pending->spec.tag : Page(index).Tag();
}

int PageControl::ActivePage() const { return static_cast<int>(SendMessageW(hwnd_, TCM_GETCURSEL, 0, 0)); }

void PageControl::SetActivePage(int index) {
    if (index < 0 || index >= PageCount())
        throw kivu::RuntimeError(kivu::FormatMessage1("Listenindex überschreitet das Maximum (%s)", kivu::IntToStr(index)));
    SendMessageW(hwnd_, TCM_SETCURSEL, index, 0);
    ShowActive();
}

void PageControl::SelectNextPage(bool forward) {
    if (PageCount() == 0 || (onChanging && !onChanging())) return;
    const int next = (std::max(0, ActivePage()) + (forward ? 1 : PageCount() - 1)) % PageCount();
    SendMessageW(hwnd_, TCM_SETCURSEL, next, 0);
    ShowActive();
    ::SetFocus(hwnd_);
}

std::string PageControl::PageCaption(int index) const { return TabItemText(hwnd_, index); }

void PageControl::SetPageCaption(int index, const std::string& caption) {
    const RECT before = DisplayArea();
    SetTabItemText(hwnd_, index, caption);
    const RECT after = DisplayArea();
    if (!EqualRect(&before, &after)) PlacePages();  // the tabs took another row
}

RECT PageControl::DisplayArea() const {
    RECT r;
    GetClientRect(hwnd_, &r);
    SendMessageW(hwnd_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    return r;
}

void PageControl::PlacePage(Panel& page) {
    RECT r = DisplayArea();
    MapWindowPoints(hwnd_, parent_->Handle(), reinterpret_cast<POINT*>(&r), 2);
    page.SetBounds(r.left, r.top, std::max(0L, r.right - r.left), std::max(0L, r.bottom - r.top));
}

void PageControl::PlacePages() {
    for (Panel* page : pages_)
        if (page->Handle()) PlacePage(*page);
}

void PageControl::ShowActive() {
    const int active = ActivePage();
    if (active >= 0) BuildPage(active);
    for (int i = 0; i < PageCount(); ++i)
        if (Page(i).Handle()) Page(i).SetVisible(i == active);
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
