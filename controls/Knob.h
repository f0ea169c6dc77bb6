// TKnob: a round, custom-drawn control that picks an integer between Min and
// Max by turning a pointer through 300 degrees with the mouse, by keys or by
// typed digits. It can keep a label up to date with its value and can be
// spring-loaded (back to 0 on release).
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "controls/knobmath.h"
#include "ui/controls.h"

namespace kivu {

class TKnob : public ui::Control {
public:
    static constexpr int kInitialSide = 40;

    TKnob();
    ~TKnob() override;

    // Creates the window as a 40 x 40 square, then applies the given bounds
    // through the square rule (so 40 x 40 stays, 75 x 25 becomes 75 x 75).
    void Create(ui::Container& parent, const ui::Spec& spec);

    // Position, Min and Max all go through SetParams; each call fires
    // onChange, also when nothing changed.
    int32_t Max() const { return value_.Max(); }
    void SetMax(int32_t max) { SetParams(value_.Position(), value_.Min(), max); }
    int32_t Min() const { return value_.Min(); }
    void SetMin(int32_t min) { SetParams(value_.Position(), min, value_.Max()); }
    int32_t Position() const { return value_.Position(); }
    void SetPosition(int32_t position) { SetParams(position, value_.Min(), value_.Max()); }
    void SetParams(int64_t value, int32_t min, int32_t max);

    // The unit text after the value in the label; it is the window text.
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);

    COLORREF LineColor() const { return lineColor_; }
    // Ignored when it equals the face colour or the current colour.
    void SetLineColor(COLORREF color);

    uint16_t PageSize() const { return pageSize_; }
    void SetPageSize(uint16_t pageSize) { pageSize_ = pageSize; }

    // The label must have been created. The knob notices when the label
    // object is destroyed and then drops it.
    ui::Label* PositionLabel() const;
    void SetPositionLabel(ui::Label* label);

    bool SpringLoaded() const { return springLoaded_; }
    void SetSpringLoaded(bool springLoaded);

    // Longest pause in milliseconds between typed digits of one number.
    int32_t Threshold() const { return threshold_; }
    void SetThreshold(int32_t threshold) { threshold_ = threshold; }

    // The millisecond counter for typed digits; GetTickCount unless replaced.
    void SetTickSource(std::function<uint32_t()> ticks) { ticks_ = std::move(ticks); }

    int PointerAngle() const { return value_.PointerAngle(); }
    int MouseAngle() const { return mouseAngle_; }
    bool Dragging() const { return dragging_; }
    int Side() const { return side_; }
    int Radius() const { return radius_; }

    // Draws the whole knob into dc (what WM_PAINT and WM_PRINTCLIENT show).
    void Paint(HDC dc);
    int LineUnit() const;

protected:
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:

    void MouseMove(int x, int y);
    void ButtonDown(int x, int y);
    void ButtonUp(int x, int y);
    void FocusLost();
    void EndDrag();
    bool KeyDown(WPARAM key);
    bool Char(WPARAM ch, LPARAM lp, LRESULT& result);
    void Resized(int width, int height);
    void ReturnToZero() { SetParams(0, value_.Min(), value_.Max()); }
    void RefreshLabel(int64_t value);
    // Erases the previous stroke (when asked) and draws the current one.
    void DrawPointer(HDC dc, bool erasePrevious);
    void DrawPointerNow();

    kivu::knob::KnobValue value_;
    kivu::knob::DigitEntry digits_;
    std::string caption_;
    COLORREF lineColor_;
    uint16_t pageSize_ = 10;
    mutable ui::Label* label_ = nullptr;
    mutable HWND labelHandle_ = nullptr;
    bool springLoaded_ = false;
    int32_t threshold_ = 100;
    std::function<uint32_t()> ticks_;

    int side_ = 0;
    int radius_ = kInitialSide / 2;
    int mouseAngle_ = 0;
    bool dragging_ = false;
    bool pressed_ = false;        // left button went down on the control
    bool trackingLeave_ = false;  // WM_MOUSELEAVE requested
    kivu::knob::Stroke pointer_;  // last drawn stroke, to erase it
};

}  // namespace kivu
