// A multi-line text field without word wrap.
#pragma once
#include "ui/controls.h"

namespace ui {

class Memo : public Control {
public:
    // Read-only: the user can select and copy but not change the text.
    void Create(Container& parent, const Spec& spec, bool readOnly);
    void HideCaret();
    // After a mouse button is released over the field.
    std::function<void()> onMouseUp;

protected:
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};

}  // namespace ui
