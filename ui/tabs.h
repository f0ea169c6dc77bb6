// A tab strip: a row of named tabs without pages of their own; the form
// shows what belongs to the selected tab.
#pragma once
#include "ui/controls.h"

namespace ui {

class TabControl : public Control {
public:
    void Create(Container& parent, const Spec& spec, bool hotTrack = false);

    int Count() const;
    int Index() const;  // the selected tab, -1 when none
    // Selects a tab as the program, without the change events.
    void SetIndex(int index);
    std::string TabText(int index) const;
    void SetTabText(int index, const std::string& text);
    void Add(const std::string& text);
    void Delete(int index);

    // Before the user's change of tab; setting allow to false keeps the tab.
    std::function<void(bool& allow)> onChanging;
    // onChange: after the user changed the tab.
    // The strip has got the focus.
    std::function<void()> onEnter;

    LRESULT HandleNotify(NMHDR* hdr) override;

protected:
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};

// The text of a tab of any tab control (the strip and the page control);
// at most 255 characters are read.
std::string TabItemText(HWND tabs, int index);
void SetTabItemText(HWND tabs, int index, const std::string& text);
void InsertTabItem(HWND tabs, int index, const std::string& text);

}  // namespace ui
