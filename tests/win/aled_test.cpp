// The LED on a real form: its bitmaps against their patterns, the size of
// each style, what it paints on its parent in each state, blinking on its
// timer, the colour change while blinking, and the mouse events it takes
// from its parent.
#include <gtest/gtest.h>

#include <memory>

#include "controls/ALed.h"
#include "tests/win/support/winsupport.h"
#include "ui/form.h"

using kivu::TALed;
using kivu::TLEDStyle;
using namespace kivu::led;
using testsupport::Canvas;
using testsupport::WaitUntil;

namespace {

class LedForm : public ui::Form {
public:
    LedForm() : ui::Form({.name = "ledtestform", .width = 200, .height = 150, .caption = "LED"}) {}
    TALed ALed1;

protected:
    void CreateControls() override { ALed1.Create(*this, {.name = "ALed1", .left = 8, .top = 8, .width = 16, .height = 16}); }
};

// A canvas pixel in the LED's colour form (0xRRGGBB).
Rgb RgbAt(const Canvas& canvas, int x, int y) {
    const COLORREF c = canvas.At(x, y);
    return (static_cast<Rgb>(GetRValue(c)) << 16) | (static_cast<Rgb>(GetGValue(c)) << 8) | GetBValue(c);
}

class Led : public ::testing::Test {
protected:
    void SetUp() override {
        form.Create();
        form.Show();
    }
    // The form's picture with the LED painted on it; the LED's pixels are at its bounds.
    std::unique_ptr<Canvas> Picture() {
        RECT r;
        GetClientRect(form.Handle(), &r);
        auto c = std::make_unique<Canvas>(r.right, r.bottom);
        c->Render(form.Handle());
        return c;
    }
    // A pixel of the LED, counted from its top left corner.
    Rgb Pixel(int x, int y) { return RgbAt(*Picture(), led().Bounds().left + x, led().Bounds().top + y); }
    Rgb Centre() { return Pixel(led().Width() / 2, led().Height() / 2); }
    // A mouse message to the form at a point of the LED.
    void Mouse(UINT msg, WPARAM wp, int x, int y) {
        SendMessageA(form.Handle(), msg, wp, MAKELPARAM(led().Bounds().left + x, led().Bounds().top + y));
    }
    TALed& led() { return form.ALed1; }
    LedForm form;
};

}  // namespace

TEST(LedBitmaps, EachResourceIsItsPatternPixelForPixel) {
    for (TLEDStyle style : kAllStyles) {
        const StyleInfo info = Style(style);
        SCOPED_TRACE(info.image);
        auto bitmap = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), info.image, IMAGE_BITMAP, 0, 0,
                                                      LR_CREATEDIBSECTION));
        ASSERT_TRUE(bitmap);
        BITMAP bm{};
        GetObjectA(bitmap, sizeof bm, &bm);
        EXPECT_EQ(bm.bmBitsPixel, 4);
        ASSERT_EQ(bm.bmWidth, info.width);
        ASSERT_EQ(bm.bmHeight, info.height);
        Canvas canvas(info.width, info.height);
        canvas.Draw(bitmap);
        DeleteObject(bitmap);
        const PixelGrid expected = FromPattern(Pattern(style));
        for (int y = 0; y < info.height; ++y)
            for (int x = 0; x < info.width; ++x)
                ASSERT_EQ(RgbAt(canvas, x, y), expected.At(x, y)) << "pixel " << x << "," << y;
    }
}

TEST_F(Led, ANewLedIsOffAndSilverWithBlinkSet) {
    EXPECT_EQ(led().Width(), 16);
    EXPECT_EQ(led().Height(), 16);
    EXPECT_FALSE(led().Value());
    EXPECT_TRUE(led().Blink());
    EXPECT_EQ(led().Interval(), 1000);
    EXPECT_EQ(led().LEDStyle(), TLEDStyle::LEDSmall);
    EXPECT_EQ(Centre(), kSilver);
    EXPECT_FALSE(led().Blinking());
    // No window of its own: its place belongs to the form, which can take no focus from it.
    const POINT middle{led().Bounds().left + 8, led().Bounds().top + 8};
    EXPECT_EQ(ChildWindowFromPoint(form.Handle(), middle), form.Handle());
}

TEST_F(Led, TheLensTakesTheColourOfTheStateAndTheFrameStays) {
    led().SetBlink(false);
    led().SetValue(true);
    EXPECT_EQ(Centre(), kLens);  // the default true colour: the image as it is
    led().SetTrueColor(RGB(0, 0, 255));
    EXPECT_EQ(Centre(), 0x0000FFu);
    led().SetValue(false);
    led().SetFalseColor(RGB(255, 0, 0));
    EXPECT_EQ(Centre(), 0xFF0000u);
    EXPECT_EQ(Pixel(0, 0), kWhite);
    EXPECT_EQ(Pixel(15, 15), kDarkGrey);
}

TEST_F(Led, AStyleSetsTheSizeAndALaterWidthStretchesTheImage) {
    led().SetLEDStyle(TLEDStyle::LEDVertical);
    EXPECT_EQ(led().Width(), 14);
    EXPECT_EQ(led().Height(), 22);
    led().SetLEDStyle(TLEDStyle::LEDLarge);
    EXPECT_EQ(led().Width(), 22);
    EXPECT_EQ(led().Height(), 22);
    led().SetBounds(8, 8, 44, 22);
    EXPECT_EQ(led().Width(), 44);
    const PixelGrid stock = FromPattern(Pattern(TLEDStyle::LEDLarge));
    const auto picture = Picture();
    for (int x = 0; x < 44; ++x) EXPECT_EQ(RgbAt(*picture, 8 + x, 8), stock.At(x / 2, 0));
    EXPECT_EQ(RgbAt(*picture, 8 + 22, 8 + 11), kSilver);  // the lens, dark
    // A colour change rebuilds the images, which gives the style's size again.
    led().SetFalseColor(RGB(1, 2, 3));
    EXPECT_EQ(led().Width(), 22);
}

TEST_F(Led, WhileOnItBlinksOnItsTimerAndStopsWhenOff) {
    int ticks = 0;
    led().onTimer = [&] { ++ticks; };
    led().SetInterval(30);
    led().SetValue(true);
    EXPECT_TRUE(led().Blinking());
    EXPECT_FALSE(led().ShowsFalseImage());
    ASSERT_TRUE(WaitUntil([&] { return ticks >= 1; }));
    EXPECT_TRUE(led().ShowsFalseImage());  // the first tick darkens the lens
    EXPECT_EQ(Centre(), kSilver);
    ASSERT_TRUE(WaitUntil([&] { return ticks >= 2; }));
    EXPECT_FALSE(led().ShowsFalseImage());
    led().SetValue(false);
    EXPECT_FALSE(led().Blinking());
    EXPECT_TRUE(led().ShowsFalseImage());
}

TEST_F(Led, AColourChangeWhileBlinkingRestartsLitAndKeepsBlinking) {
    int ticks = 0;
    led().onTimer = [&] { ++ticks; };
    led().SetInterval(30);
    led().SetValue(true);
    ASSERT_TRUE(WaitUntil([&] { return ticks >= 1 && led().ShowsFalseImage(); }));
    led().SetTrueColor(RGB(255, 255, 0));
    EXPECT_TRUE(led().Blink());
    EXPECT_TRUE(led().Blinking());
    EXPECT_FALSE(led().ShowsFalseImage());
    EXPECT_EQ(Centre(), 0xFFFF00u);
    const int before = ticks;
    ASSERT_TRUE(WaitUntil([&] { return ticks > before; }));
}

TEST_F(Led, BlinkOffInMidBlinkLightsTheLensForGood) {
    int ticks = 0;
    led().onTimer = [&] { ++ticks; };
    led().SetInterval(30);
    led().SetValue(true);
    ASSERT_TRUE(WaitUntil([&] { return led().ShowsFalseImage(); }));
    led().SetBlink(false);
    EXPECT_FALSE(led().Blinking());
    EXPECT_FALSE(led().ShowsFalseImage());
    EXPECT_EQ(Centre(), kLens);
}

TEST_F(Led, ANewIntervalRestartsTheTimer) {
    int ticks = 0;
    led().onTimer = [&] { ++ticks; };
    led().SetInterval(60000);
    led().SetValue(true);
    led().SetInterval(20);  // the next switch comes one new interval after the change
    ASSERT_TRUE(WaitUntil([&] { return ticks >= 1; }, std::chrono::seconds(5)));
    EXPECT_EQ(led().Interval(), 20);
}

TEST_F(Led, TheMouseEventsFireOnEnterLeaveAndClick) {
    int entered = 0, left = 0, clicked = 0;
    led().onMouseEnter = [&] { ++entered; };
    led().onMouseLeave = [&] { ++left; };
    led().onClick = [&] { ++clicked; };
    Mouse(WM_MOUSEMOVE, 0, 3, 3);
    Mouse(WM_MOUSEMOVE, 0, 4, 4);
    EXPECT_EQ(entered, 1);
    Mouse(WM_MOUSEMOVE, 0, 40, 40);  // onto the form beside it
    EXPECT_EQ(left, 1);
    Mouse(WM_MOUSEMOVE, 0, 4, 4);
    SendMessageA(form.Handle(), WM_MOUSELEAVE, 0, 0);  // out of the form from over it
    EXPECT_EQ(entered, 2);
    EXPECT_EQ(left, 2);
    Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 4, 4);
    Mouse(WM_LBUTTONUP, 0, 4, 4);
    EXPECT_EQ(clicked, 1);
    Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 4, 4);
    Mouse(WM_LBUTTONUP, 0, 40, 40);  // released outside
    Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 40, 40);
    Mouse(WM_LBUTTONUP, 0, 4, 4);  // pressed outside
    EXPECT_EQ(clicked, 1);
    led().SetVisible(false);
    Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 4, 4);
    Mouse(WM_LBUTTONUP, 0, 4, 4);
    EXPECT_EQ(clicked, 1) << "a hidden LED takes no clicks";
}
