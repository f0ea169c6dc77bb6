#include "controls/knobmath.h"

#include <gtest/gtest.h>

#include <climits>

using namespace kivu::knob;

TEST(KnobRounding, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(-3.5), -4);
    EXPECT_EQ(RoundHalfEven(2.5000001), 3);
    EXPECT_EQ(RoundHalfEven(-0.4), 0);
    EXPECT_EQ(RoundHalfEven(151.18), 151);
}

TEST(KnobMapping, DefaultRangeRunsFromLowerLeftToLowerRight) {
    KnobValue v;  // 0..127
    EXPECT_FLOAT_EQ(v.DegreesPerUnit(), 300.0f / 127.0f);
    EXPECT_EQ(v.PointerAngle(), 240);
    v.SetParams(127, 0, 127);
    EXPECT_EQ(v.PointerAngle(), -60);
    v.SetParams(64, 0, 127);
    EXPECT_EQ(v.PointerAngle(), 89);  // 240 - nearest(64 x 2.3622)
    // The stops map back to the ends, the top to the middle.
    EXPECT_EQ(v.ValueAt(240), 0);
    EXPECT_EQ(v.ValueAt(-60), 127);
    EXPECT_EQ(v.ValueAt(89), 64);
    for (int p = 0; p <= 127; ++p) {
        v.SetParams(p, 0, 127);
        EXPECT_EQ(v.ValueAt(v.PointerAngle()), p) << p;
    }
}

TEST(KnobMapping, EmptyRangeHasNoScaleAndAlwaysGivesMin) {
    KnobValue v;
    v.SetParams(50, 7, 7);
    EXPECT_EQ(v.DegreesPerUnit(), 0.0f);
    EXPECT_EQ(v.Position(), 7);
    EXPECT_EQ(v.PointerAngle(), 240);
    for (int a : {240, 90, 0, -60}) EXPECT_EQ(v.ValueAt(a), 7);
}

TEST(KnobMapping, WidestRangeNeitherOverflowsNorLeavesTheRange) {
    EXPECT_GT(DegreesPerUnit(INT32_MIN, INT32_MAX), 0.0f);
    EXPECT_LT(DegreesPerUnit(INT32_MAX, INT32_MIN), 0.0f);
    KnobValue v;
    v.SetParams(INT32_MAX, INT32_MIN, INT32_MAX);
    EXPECT_EQ(v.PointerAngle(), -60);
    EXPECT_EQ(v.ValueAt(-60), INT32_MAX);
    EXPECT_EQ(v.ValueAt(240), INT32_MIN);
    // A float scale over 10^8 units is not exact; the far stop must still be in range.
    EXPECT_LE(ValueAtAngle(-60, 0, 100000000, DegreesPerUnit(0, 100000000)), 100000000);
    EXPECT_GE(ValueAtAngle(-60, 0, 100000000, DegreesPerUnit(0, 100000000)), 99999990);
}

TEST(KnobClamp, OrdinaryAndReversedRanges) {
    EXPECT_EQ(ClampToRange(-5, 0, 127), 0);
    EXPECT_EQ(ClampToRange(200, 0, 127), 127);
    EXPECT_EQ(ClampToRange(int64_t{INT32_MAX} * 10 + 9, 1, 255), 255);
    // Max below Min: out-of-range values go to the opposite stop.
    EXPECT_EQ(ClampToRange(11, 10, 0), 0);
    EXPECT_EQ(ClampToRange(-1, 10, 0), 10);
    EXPECT_EQ(ClampToRange(4, 10, 0), 4);
    KnobValue v;
    v.SetParams(3, 10, 0);
    EXPECT_LT(v.DegreesPerUnit(), 0.0f);
    EXPECT_EQ(v.PointerAngle(), 240 - 210);  // (3 - 10) x -30
    EXPECT_EQ(v.ValueAt(240), 10);
    EXPECT_EQ(v.ValueAt(-60), 0);
}

TEST(KnobMouse, AnglesAroundTheCentreAndTheDeadZone) {
    // 40 x 40: the centre is (20, 20).
    EXPECT_EQ(MouseAngle(20, 35, 40, 40), 240);  // straight below
    EXPECT_EQ(MouseAngle(20, 20, 40, 40), 90);   // the centre itself
    EXPECT_EQ(MouseAngle(35, 20, 40, 40), 0);
    EXPECT_EQ(MouseAngle(5, 20, 40, 40), 180);
    EXPECT_EQ(MouseAngle(30, 10, 40, 40), 45);
    EXPECT_EQ(MouseAngle(10, 30, 40, 40), 225);
    EXPECT_EQ(MouseAngle(19, 39, 40, 40), 240);  // dead zone, left of the bottom
    EXPECT_EQ(MouseAngle(30, 30, 40, 40), -45);
    EXPECT_EQ(MouseAngle(21, 39, 40, 40), -60);  // dead zone, right of the bottom
    EXPECT_EQ(MouseAngle(39, 39, 40, 40), -45);
    // Odd sizes: the centre is width div 2.
    EXPECT_EQ(MouseAngle(20, 30, 41, 41), 240);
}

TEST(KnobMouse, JumpGuardHoldsADragAcrossTheDeadZone) {
    KnobValue v;
    v.SetParams(125, 0, 127);                    // guard: 127 div 10 = 12
    const int32_t belowLeft = v.ValueAt(MouseAngle(20, 39, 40, 40));
    EXPECT_EQ(belowLeft, 0);                     // the candidate straight below is Min
    EXPECT_EQ(v.Guard(belowLeft), 125);          // ... but the guard keeps the position
    EXPECT_EQ(v.Guard(v.ValueAt(-60)), 127);     // the lower right is Max, within reach
    EXPECT_EQ(v.Guard(113), 113);
    EXPECT_EQ(v.Guard(112), 125);
    EXPECT_EQ(GuardJump(INT32_MIN, INT32_MAX, INT32_MAX), INT32_MAX);
}

TEST(KnobMouse, SmallMaxNeverMovesByDrag) {
    KnobValue v;
    v.SetParams(4, 0, 9);  // 9 div 10 = 0
    for (int a = -60; a <= 240; ++a) EXPECT_EQ(v.Guard(v.ValueAt(a)), 4) << a;
    // A negative Max gives a negative guard: nothing gets through either.
    EXPECT_EQ(GuardJump(-19, -20, -20), -20);
}

TEST(KnobKeys, NoOverflowAtTheEndsOfTheRange) {
    EXPECT_EQ(KeyTarget(Key::PageUp, INT32_MAX, 0, INT32_MAX, 65535), int64_t{INT32_MAX} + 65535);
    EXPECT_EQ(KeyTarget(Key::Down, INT32_MIN, INT32_MIN, 0, 1), int64_t{INT32_MIN} - 1);
}

TEST(KnobDigits, QuickDigitsBuildOneNumberSlowOnesStartAnew) {
    // Range 1..255, threshold 600.
    KnobValue v;
    v.SetParams(1, 1, 255);
    DigitEntry d;
    uint32_t t = 1000;
    const auto type = [&](int digit) {
        if (auto next = d.Type(digit, v.Position(), v.Max(), 600, t)) v.SetParams(*next, v.Min(), v.Max());
        return v.Position();
    };
    EXPECT_EQ(type(2), 2);
    t += 100;
    EXPECT_EQ(type(0), 20);
    t += 600;  // exactly the threshold still extends
    EXPECT_EQ(type(0), 200);
    t += 10;
    EXPECT_EQ(type(5), 255);  // 2005, clamped
    t += 10;
    EXPECT_EQ(type(7), 255);  // at Max: ignored
    EXPECT_EQ(d.LastTick(), t);
    t += 601;
    EXPECT_EQ(type(7), 7);  // a slow digit starts anew
    t += 601;
    EXPECT_EQ(type(0), 1);  // 0 is below Min
}

TEST(KnobDigits, ElapsedTimeSurvivesTheCounterWrap) {
    EXPECT_EQ(ElapsedTicks(0xFFFFFF00u, 0x00000010u), 0x110u);
    DigitEntry first;
    EXPECT_EQ(first.Type(3, 1, 255, 600, 0), 3);  // a first digit at tick 0 still starts a number
    DigitEntry d;
    EXPECT_EQ(d.Type(1, 0, 1000, 600, 0xFFFFFF00u), 1);
    EXPECT_EQ(d.Type(2, 1, 1000, 600, 0x00000010u), 12);  // 272 ms later, across the wrap
    EXPECT_EQ(d.Type(3, 12, 1000, 600, 0x00000300u), 3);  // 752 ms later
    // A negative threshold never extends.
    EXPECT_EQ(d.Type(4, 3, 1000, -1, 0x00000300u), 4);
}

TEST(KnobDigits, NoOverflowNearTheTop) {
    DigitEntry d;
    d.Type(9, 0, INT32_MAX, 600, 0);
    const auto next = d.Type(9, INT32_MAX - 1, INT32_MAX, 600, 1);
    ASSERT_TRUE(next.has_value());
    EXPECT_EQ(*next, int64_t{INT32_MAX - 1} * 10 + 9);
    EXPECT_EQ(ClampToRange(*next, 0, INT32_MAX), INT32_MAX);
    EXPECT_EQ(d.Type(5, -5, 100, 600, 2), -45);  // negative positions keep the plain rule
}

TEST(KnobSize, AlwaysSquareGrowingOrShrinking) {
    EXPECT_EQ(SquareSide(0, 40, 40), 40);
    EXPECT_EQ(SquareSide(40, 60, 50), 60);
    EXPECT_EQ(SquareSide(60, 30, 50), 30);
    EXPECT_EQ(SquareSide(30, 20, 40), 40);  // growing in one direction wins
}

TEST(KnobPointer, StrokeNearTheRim) {
    // r = 20: from 9 to 15 pixels out from (20, 20).
    EXPECT_EQ(PointerStroke(20, 0), (Stroke{{29, 20}, {35, 20}}));
    EXPECT_EQ(PointerStroke(20, 90), (Stroke{{20, 11}, {20, 5}}));
    EXPECT_EQ(PointerStroke(20, 180), (Stroke{{11, 20}, {5, 20}}));
    // The float cosine of -60 degrees is just below 0.5: 15 x 0.49999997 gives 7, not 8.
    EXPECT_EQ(PointerStroke(20, -60), (Stroke{{24, 28}, {27, 33}}));
    EXPECT_EQ(PointerStroke(20, 240), (Stroke{{16, 28}, {13, 33}}));
    EXPECT_EQ(PointerStroke(30, 45), (Stroke{{43, 17}, {48, 12}}));
}

