// The LED's rules without a window: its stock images as pixel patterns, the
// lens recolouring by a flood fill, and the state machine of value,
// blinking and the image on display.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kivu::led {

enum class TLEDStyle { LED, LEDSmall, LEDLarge, LEDSqSmall, LEDSqLarge, LEDVertical, LEDHorizontal };

struct StyleInfo {
    const char* image;  // the bitmap resource's name
    int width, height;  // the image's size, which the control takes
};
StyleInfo Style(TLEDStyle style);
constexpr TLEDStyle kAllStyles[] = {TLEDStyle::LED,        TLEDStyle::LEDSmall,    TLEDStyle::LEDLarge,
                                    TLEDStyle::LEDSqSmall, TLEDStyle::LEDSqLarge,  TLEDStyle::LEDVertical,
                                    TLEDStyle::LEDHorizontal};

// Colours as 0x00RRGGBB.
using Rgb = uint32_t;
constexpr Rgb kBlack = 0x000000, kWhite = 0xFFFFFF, kDarkGrey = 0x808080, kSilver = 0xC0C0C0, kLens = 0x00FF00;

// A picture as rows of pixels, top row first.
struct PixelGrid {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;
    Rgb At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    Rgb& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The stock image of a style, rows of K (black), W (white), D (dark grey),
// S (silver) and G (the lens, pure green).
const std::vector<std::string>& Pattern(TLEDStyle style);
PixelGrid FromPattern(const std::vector<std::string>& rows);

// Replaces the 4-connected area of pixels of exactly the start pixel's colour
// `from` by `to` (a surface fill); nothing when the start pixel is not `from`
// or lies outside. Returns the number of pixels changed.
int FloodFill(PixelGrid& grid, int x, int y, Rgb from, Rgb to);

// The image of a style with its lens in the given colour: a fill from the
// centre (width div 2, height div 2).
PixelGrid LensImage(const PixelGrid& stock, Rgb color);

// Value, Blink and the image on display, with what each change asks of the
// window: draw the image on display, start or stop the blink timer.
class LedState {
public:
    struct Effects {
        bool draw = false;
        bool startTimer = false;
        bool stopTimer = false;
    };

    bool Value() const { return value_; }
    bool Blink() const { return blink_; }
    bool ShowsFalseImage() const { return showsFalse_; }
    bool Blinking() const { return timer_; }

    Effects SetValue(bool value);
    Effects SetBlink(bool blink);
    // One blink switch: the other image goes on display.
    Effects Tick();
    // A colour change: blinking pauses (the steady image is shown), the images
    // are rebuilt by the caller, then Resume restores the former Blink.
    Effects Pause();
    Effects Resume(bool formerBlink);

private:
    void Show(bool falseImage, Effects& e) {
        showsFalse_ = falseImage;
        e.draw = true;
    }
    void StartBlinking(Effects& e);
    void StopBlinking(Effects& e);

    bool value_ = false;
    bool blink_ = true;
    bool showsFalse_ = true;
    bool timer_ = false;
};

}  // namespace kivu::led
