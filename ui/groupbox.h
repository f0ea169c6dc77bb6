// A group box that holds controls (its caption is its text) and the option
// buttons that go into one: of the options of one parent at most one is checked.
#pragma once
#include "ui/controls.h"

namespace ui {

class GroupBox : public Container {
public:
    void Create(Container& parent, const Spec& spec);

protected:
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};

class RadioButton : public Control {
public:
    void Create(Container& parent, const Spec& spec);
    bool Checked() const;
    // Checking unchecks the other options of the parent and raises onClick,
    // by the program as by the user; unchecking raises nothing.
    void SetChecked(bool checked);
    void HandleCommand(WORD code) override;

private:
    // Tab reaches the group at its checked option, or its first when none is.
    void UpdateTabStops();
};

}  // namespace ui
