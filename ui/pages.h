// A page control: tabs (here at the bottom, lit under the mouse) and pages
// that are panels; only the active page is visible. The pages lie over the
// tab control's display area as its siblings, as in the system's property
// sheets, so the tab control and the active page's controls share the
// window's tab order.
#pragma once
#include "ui/controls.h"

namespace ui {

class PageControl : public Control {
public:
    void Create(Container& parent, const Spec& spec);
    // Creates the page as an empty panel and adds its tab (caption spec.text).
    void AddPage(Panel& page, const Spec& spec);

    int PageCount() const { return static_cast<int>(pages_.size()); }
    Panel& Page(int index) const { return *pages_[static_cast<size_t>(index)]; }
    int ActivePage() const;
    // A change made by the program; an index outside the pages raises.
    void SetActivePage(int index);
    std::string PageCaption(int index) const;
    void SetPageCaption(int index, const std::string& caption);

    // Asked before the user changes the page: false refuses the change.
    std::function<bool()> onChanging;

    LRESULT HandleNotify(NMHDR* hdr) override;

protected:
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void PlacePage(Panel& page);
    void PlacePages();
    void ShowActive();

    std::vector<Panel*> pages_;
};

}  // namespace ui
