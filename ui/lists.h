// List controls: a plain list of texts, a list with a check box per item,
// and a combo box with an edit field.
#pragma once
#include "ui/controls.h"

namespace ui {

class ListBox : public Control {
public:
    void Create(Container& parent, const Spec& spec);
    void SetItems(const std::vector<std::string>& items);
    int Count() const;
    std::string ItemText(int index) const;
    int Selected() const;  // -1 when none
    void Select(int index);
};

// Each item: a text, a number it carries and a check mark; fixed item height.
class CheckListBox : public Control {
public:
    static constexpr int kItemHeight = 13;  // designed, at 96 DPI
    int ItemHeight() const;                  // at the form's DPI

    void Create(Container& parent, const Spec& spec);
    void Clear();
    void Add(const std::string& text, int data, bool checked);
    int Count() const;
    std::string ItemText(int index) const;
    int ItemData(int index) const;
    bool Checked(int index) const;
    int Selected() const;  // -1 when none
    void Select(int index);

    // The user ticked or cleared an item (by a click on its box or Space);
    // that item is then the selected one.
    std::function<void(int index)> onClickCheck;

    bool HandleDrawItem(const DRAWITEMSTRUCT& item) override;
    void Rescale(int fromDpi, int toDpi) override;

protected:
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void Toggle(int index);
    std::vector<bool> checked_;
};

// A combo box with an edit field. onChange: the user picked an item or
// typed; the program's SetText does not raise it.
class ComboBox : public Control {
public:
    void Create(Container& parent, const Spec& spec);
    void SetItems(const std::vector<std::string>& items);
    int Count() const;
    std::string ItemText(int index) const;
    void SetText(const std::string& text);
    void HandleCommand(WORD code) override;

private:
    bool settingText_ = false;
};

}  // namespace ui
