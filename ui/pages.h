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
    // Adds the tab (caption spec.text) of a page that is an empty panel.
    // With `build`, the panel is made and filled only when the page is first
    // shown, as the system's property sheets create a page only when the user
    // turns to it; without, it is made at once.
    void AddPage(Panel& page, const Spec& spec, std::function<void()> build = {});
    // Makes and fills the page now unless that is done already.
    void BuildPage(int index);
    bool PageBuilt(int index) const { return !pending_[static_cast<size_t>(index)]; }
    int PageTag(int index) const;

    int PageCount() const { return static_cast<int>(pages_.size()); }
    Panel& Page(int index) const { return *pages_[static_cast<size_t>(index)]; }
    int ActivePage() const;
    // A change made by the program; an index outside the pages raises.
    void SetActivePage(int index);
    // The user's change to the next or previous page (Ctrl+Tab), round the
    // end; asks onChanging first. The focus goes to the tabs.
    void SelectNextPage(bool forward);
    std::string PageCaption(int index) const;
    void SetPageCaption(int index, const std::string& caption);

    // Asked before the user changes the page: false refuses the change.
    std::function<bool()> onChanging;

    LRESULT HandleNotify(NMHDR* hdr) override;

protected:
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    RECT DisplayArea() const;  // the pages' area in the tab control's client coordinates
    void PlacePage(Panel& page);
    void PlacePages();
    void ShowActive();

    void MakePage(Panel& page, Spec spec);

    struct Pending {
        Spec spec;
        std::function<void()> build;
    };
    std::vector<Panel*> pages_;
    std::vector<std::unique_ptr<Pending>> pending_;  // empty once the page is made
};

}  // namespace ui
