// The number dialog: a knob beside the pattern field that fills one "$$"
// slot of the pattern while the preview follows. Enter keeps the value,
// Escape drops the whole insertion.
#pragma once
#include <functional>
#include <string>

#include "controls/Knob.h"
#include "ui/form.h"

namespace kivu {

class Tnumber : public ui::Form {
public:
    // pattern: the properties dialog's pattern field; preview: its preview.
    Tnumber(ui::Edit& pattern, std::function<void()> preview);

    TKnob Knob1;
    ui::Button Button1;
    ui::Button Button2;

    // Places the window at a screen point with the knob's size and shows it
    // modally; returns mrOk or mrCancel.
    int ShowAt(HWND owner, POINT at);

    void Knob1Change();
    void Button1Click();
    void Button2Click();

protected:
    void CreateControls() override;
    void FormShow() override;

private:
    int Digits() const;

    ui::Edit& pattern_;
    std::function<void()> preview_;
    int caret_ = 0;
    std::string text_;
    size_t slot_ = 0;  // 1-based position of the first "$$" in text_
};

}  // namespace kivu
