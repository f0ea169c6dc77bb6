// The LED's stock images, the lens fill and its state table, without a window.
#include "controls/ledlogic.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kivu::led;

TEST(LedImages, TheSquareSmallImageIsDrawnAsDesigned) {
    const std::vector<std::string> designed = {
        "WWWWWWWWWWWWWWWW", "WKKKKKKKKKKKKKKD", "WKSSSSSSSSSSSSKD", "WKSKKKKKKKKKKDKD",
        "WKSKGGGGGGGGKDKD", "WKSKGGWWWGGGKDKD", "WKSKGWWGGGGGKDKD", "WKSKGWGGGGGGKDKD",
        "WKSKGGGGGGGGKDKD", "WKSKGGGGGGGGKDKD", "WKSKGGGGGGGGKDKD", "WKSKGGGGGGGGKDKD",
        "WKSKKKKKKKKKKDKD", "WKSDDDDDDDDDDDKD", "WKKKKKKKKKKKKKKD", "WDDDDDDDDDDDDDDD",
    };
    EXPECT_EQ(Pattern(TLEDStyle::LEDSqSmall), designed);
}

TEST(LedImages, TheOpenRoundImageIsTheSmallOneWithASilverOuterRing) {
    const auto& small = Pattern(TLEDStyle::LEDSmall);
    const auto& open = Pattern(TLEDStyle::LED);
    ASSERT_EQ(open.size(), 16u);
    EXPECT_EQ(open.front(), std::string(16, 'S'));
    EXPECT_EQ(open.back(), std::string(16, 'S'));
    for (size_t y = 1; y < 15; ++y) {
        EXPECT_EQ(open[y].front(), 'S');
        EXPECT_EQ(open[y].back(), 'S');
        EXPECT_EQ(open[y].substr(1, 14), small[y].substr(1, 14)) << y;
    }
}

// Every image: its style's size, only the five colours, the centre in the lens,
// and the fill from the centre reaches every lens pixel and nothing else.
TEST(LedImages, EveryLensIsOneAreaAroundTheCentre) {
    for (TLEDStyle style : kAllStyles) {
        const StyleInfo info = Style(style);
        SCOPED_TRACE(info.image);
        const PixelGrid stock = FromPattern(Pattern(style));
        ASSERT_EQ(stock.width, info.width);
        ASSERT_EQ(stock.height, info.height);
        EXPECT_EQ(stock.At(stock.width / 2, stock.height / 2), kLens);
        int lens = 0, glint = 0;
        for (Rgb p : stock.pixels) lens += p == kLens;
        const PixelGrid red = LensImage(stock, 0xFF0000);
        for (size_t i = 0; i < stock.pixels.size(); ++i) {
            if (stock.pixels[i] == kLens) EXPECT_EQ(red.pixels[i], 0xFF0000u) << "pixel " << i;
            else EXPECT_EQ(red.pixels[i], stock.pixels[i]) << "pixel " << i;
        }
        // A glint in the lens's upper-left part.
        for (int y = 0; y < stock.height / 2; ++y)
            for (int x = 0; x < stock.width / 2; ++x)
                if (stock.At(x, y) == kWhite && x > 3 && y > 3) ++glint;
        EXPECT_GT(glint, 0);
        EXPECT_GT(lens, 20);
    }
}

TEST(LedImages, TheLensSizesMatchTheirStyles) {
    // Lens width and height: the box around its green pixels.
    const auto runs = [](TLEDStyle style) {
        const PixelGrid g = FromPattern(Pattern(style));
        int left = g.width, right = -1, top = g.height, bottom = -1;
        for (int y = 0; y < g.height; ++y)
            for (int x = 0; x < g.width; ++x)
                if (g.At(x, y) == kLens) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        return std::pair{right - left + 1, bottom - top + 1};
    };
    EXPECT_EQ(runs(TLEDStyle::LEDSmall), (std::pair{8, 8}));
    EXPECT_EQ(runs(TLEDStyle::LEDLarge), (std::pair{14, 14}));
    EXPECT_EQ(runs(TLEDStyle::LEDSqSmall), (std::pair{8, 8}));
    EXPECT_EQ(runs(TLEDStyle::LEDSqLarge), (std::pair{14, 14}));
    EXPECT_EQ(runs(TLEDStyle::LEDVertical), (std::pair{6, 14}));
    EXPECT_EQ(runs(TLEDStyle::LEDHorizontal), (std::pair{14, 6}));
}

TEST(FloodFill, FillsOnlyTheConnectedAreaOfTheStartColour) {
    PixelGrid g = FromPattern({"GGKG", "GKGG", "KGGK"});
    EXPECT_EQ(FloodFill(g, 2, 1, kLens, kWhite), 5);  // the right-hand area, not the corner
    EXPECT_EQ(g.At(0, 0), kLens);
    EXPECT_EQ(g.At(1, 0), kLens);
    EXPECT_EQ(g.At(0, 1), kLens);
    EXPECT_EQ(g.At(3, 0), kWhite);
    EXPECT_EQ(g.At(1, 2), kWhite);
}

TEST(FloodFill, SameColourOutsideOrOtherStartDoNothing) {
    PixelGrid g = FromPattern({"GG", "GG"});
    EXPECT_EQ(FloodFill(g, 0, 0, kLens, kLens), 0);  // would never end if it tried
    EXPECT_EQ(FloodFill(g, 2, 0, kLens, kWhite), 0);
    EXPECT_EQ(FloodFill(g, -1, 0, kLens, kWhite), 0);
    EXPECT_EQ(FloodFill(g, 0, 0, kBlack, kWhite), 0);
    EXPECT_EQ(g.pixels, std::vector<Rgb>(4, kLens));
    // A large area does not exhaust the stack.
    PixelGrid big{512, 512, std::vector<Rgb>(512 * 512, kLens)};
    EXPECT_EQ(FloodFill(big, 256, 256, kLens, kBlack), 512 * 512);
}

TEST(FloodFill, TheDefaultGreenLeavesTheImageAsItIs) {
    const PixelGrid stock = FromPattern(Pattern(TLEDStyle::LEDSmall));
    EXPECT_EQ(LensImage(stock, kLens).pixels, stock.pixels);
}

TEST(LedState, ANewLedIsOffShowingTheFalseImageThoughBlinkIsSet) {
    LedState s;
    EXPECT_FALSE(s.Value());
    EXPECT_TRUE(s.Blink());
    EXPECT_TRUE(s.ShowsFalseImage());
    EXPECT_FALSE(s.Blinking());
}

TEST(LedState, SettingTheSameValueDoesNothing) {
    LedState s;
    const auto e = s.SetValue(false);
    EXPECT_FALSE(e.draw || e.startTimer || e.stopTimer);
    s.SetValue(true);
    const auto again = s.SetValue(true);
    EXPECT_FALSE(again.draw || again.startTimer || again.stopTimer);
}

TEST(LedState, OnBlinkingAlternatesAndOffStopsShowingFalse) {
    LedState s;
    auto e = s.SetValue(true);
    EXPECT_TRUE(e.draw && e.startTimer);
    EXPECT_FALSE(s.ShowsFalseImage());
    e = s.Tick();  // the first tick darkens the lens
    EXPECT_TRUE(e.draw);
    EXPECT_TRUE(s.ShowsFalseImage());
    s.Tick();
    EXPECT_FALSE(s.ShowsFalseImage());
    s.Tick();
    e = s.SetValue(false);
    EXPECT_TRUE(e.stopTimer && e.draw);
    EXPECT_TRUE(s.ShowsFalseImage());
    EXPECT_FALSE(s.Blinking());
    EXPECT_FALSE(s.Tick().draw);  // a late tick after the stop changes nothing
}

TEST(LedState, OnSteadyWithoutBlinkAndBlinkToggledWhileOn) {
    LedState s;
    s.SetBlink(false);
    auto e = s.SetValue(true);
    EXPECT_FALSE(e.startTimer);
    EXPECT_FALSE(s.ShowsFalseImage());
    e = s.SetBlink(true);  // on-steady -> on-blinking
    EXPECT_TRUE(e.startTimer);
    s.Tick();
    EXPECT_TRUE(s.ShowsFalseImage());  // dark in mid-blink
    e = s.SetBlink(false);             // lit and stays lit
    EXPECT_TRUE(e.stopTimer && e.draw);
    EXPECT_FALSE(s.ShowsFalseImage());
    EXPECT_FALSE(s.Blinking());
}

TEST(LedState, BlinkWhileOffOnlyStoresTheFlag) {
    LedState s;
    auto e = s.SetBlink(false);
    EXPECT_FALSE(e.startTimer || e.stopTimer);
    EXPECT_TRUE(s.ShowsFalseImage());
    e = s.SetBlink(true);
    EXPECT_FALSE(e.startTimer);
    EXPECT_FALSE(s.Blinking());
}

TEST(LedState, AColourChangeWhileBlinkingRestartsLit) {
    LedState s;
    s.SetValue(true);
    s.Tick();
    ASSERT_TRUE(s.ShowsFalseImage());
    const bool former = s.Blink();
    auto e = s.Pause();
    EXPECT_TRUE(e.stopTimer);
    EXPECT_FALSE(s.ShowsFalseImage());
    e = s.Resume(former);
    EXPECT_TRUE(e.startTimer && e.draw);
    EXPECT_TRUE(s.Blink());
    EXPECT_TRUE(s.Blinking());
    EXPECT_FALSE(s.ShowsFalseImage());
    LedState off;
    e = off.Resume(off.Blink());
    EXPECT_TRUE(e.draw);
    EXPECT_FALSE(e.startTimer);
}
