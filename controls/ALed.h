// TALed: a small LED that shows a boolean, lit in TrueColor or dark in
// FalseColor, optionally blinking while on. Its picture is one of seven stock
// bitmaps whose lens is recoloured. A light-weight control: it paints on its
// parent and has no window of its own.
#pragma once
#include <windows.h>

#include <functional>

#include "common/handles.h"
#include "controls/ledlogic.h"
#include "ui/graphic.h"
#include "ui/controls.h"

namespace kivu {

using led::TLEDStyle;

class TALed : public ui::GraphicControl {
public:
    TALed() = default;
    ~TALed() override;

    // Takes the default style's size first; a size given at creation is applied after.
    void Create(ui::Container& parent, const ui::Spec& spec);

    COLORREF TrueColor() const { return trueColor_; }
    void SetTrueColor(COLORREF color);
    COLORREF FalseColor() const { return falseColor_; }
    void SetFalseColor(COLORREF color);
    bool Blink() const { return state_.Blink(); }
    void SetBlink(bool blink);
    bool Value() const { return state_.Value(); }
    void SetValue(bool value);
    int Interval() const { return interval_; }
    void SetInterval(int milliseconds);
    TLEDStyle LEDStyle() const { return style_; }
    void SetLEDStyle(TLEDStyle style);

    bool ShowsFalseImage() const { return state_.ShowsFalseImage(); }
    bool Blinking() const { return blinkTimer_.Running(); }

    std::function<void()> onTimer;  // after every blink switch

    // Draws the image on display stretched over the control's area.
    void Paint(HDC dc, const RECT& area) override;

private:
    void BuildImages();
    void ReleaseImages();
    void Apply(const led::LedState::Effects& effects);
    void ChangeColor(COLORREF& color, COLORREF value);

    led::LedState state_;
    COLORREF trueColor_ = RGB(0, 255, 0);
    COLORREF falseColor_ = RGB(192, 192, 192);
    int interval_ = 1000;
    TLEDStyle style_ = TLEDStyle::LEDSmall;
    UniqueBitmap trueImage_;
    UniqueBitmap falseImage_;
    ui::Timer blinkTimer_;
};

}  // namespace kivu
