// The rotary knob as a real window: properties, keys, typed digits, mouse
// drags, the square size, the label and what it paints.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "controls/Knob.h"
#include "tests/win/support/winsupport.h"
#include "ui/app.h"
#include "ui/form.h"

using kivu::TKnob;
using testsupport::Canvas;
using testsupport::PumpMessages;
using testsupport::WaitUntil;

namespace {

class KnobForm : public ui::Form {
public:
    KnobForm() : ui::Form({.name = "knobtestform", .width = 260, .height = 200, .caption = "Knob"}) {}
    TKnob Knob1;
    ui::Label Label1;
    ui::Button Button1;

protected:
    void CreateControls() override {
        Knob1.Create(*this, {.name = "Knob1", .left = 8, .top = 8, .width = 40, .height = 40});
        Label1.Create(*this, {.name = "Label1", .left = 120, .top = 8, .width = 100, .height = 13});
        Button1.Create(*this, {.name = "Button1", .left = 120, .top = 40, .text = "&2"});
    }
};

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

// A point on a circle around the centre of a 40 x 40 knob.
LPARAM OnCircle(double degrees, double radius) {
    const double t = degrees * 3.14159265358979 / 180;
    return At(20 + static_cast<int>(std::lround(radius * std::cos(t))),
              20 - static_cast<int>(std::lround(radius * std::sin(t))));
}


class KnobTest : public ::testing::Test {
protected:
    void SetUp() override {
        form.Create();
        form.Show();
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(form.Handle()) != FALSE; }));
        knob.onChange = [this] { ++changes; };
        knob.SetPositionLabel(&form.Label1);
    }
    void TearDown() override { PumpMessages(); }

    LRESULT Send(UINT msg, WPARAM wp = 0, LPARAM lp = 0) { return SendMessageA(knob.Handle(), msg, wp, lp); }
    std::string LabelText() const { return form.Label1.Text(); }
    void Key(WPARAM vk) { Send(WM_KEYDOWN, vk, 1); }
    // Goes through the dialog manager like real input.
    void PostAndDispatch(UINT msg, WPARAM wp) {
        PostMessageA(knob.Handle(), msg, wp, 1);
        ui::App().ProcessMessages();
    }

    KnobForm form;
    TKnob& knob = form.Knob1;
    int changes = 0;
};

}  // namespace

TEST_F(KnobTest, CreatedWithItsClassSizeAndDefaults) {
    char cls[32];
    GetClassNameA(knob.Handle(), cls, sizeof cls);
    EXPECT_STREQ(cls, "TKnob");
    EXPECT_EQ(ui::Control::FromHandle(knob.Handle()), &knob);
    EXPECT_TRUE(GetWindowLongA(knob.Handle(), GWL_STYLE) & WS_TABSTOP);
    EXPECT_EQ(knob.Width(), 40);
    EXPECT_EQ(knob.Height(), 40);
    EXPECT_EQ(knob.Radius(), 20);
    EXPECT_EQ(knob.Max(), 127);
    EXPECT_EQ(knob.PageSize(), 10);
    EXPECT_EQ(knob.Threshold(), 100);
    EXPECT_EQ(knob.LineColor(), GetSysColor(COLOR_ACTIVECAPTION));
    EXPECT_EQ(LabelText(), "0 ");  // assigning the label filled it in
    EXPECT_EQ(Send(WM_GETDLGCODE) & DLGC_WANTARROWS, DLGC_WANTARROWS);
}

TEST_F(KnobTest, NumberDialogSettingsFireOnChangeEachTime) {
    knob.SetMin(1);
    knob.SetMax(255);
    knob.SetPosition(1);
    knob.SetThreshold(600);
    EXPECT_EQ(changes, 3);  // once per setting, also when the value stays
    EXPECT_EQ(knob.Position(), 1);
    EXPECT_EQ(knob.PointerAngle(), 240);
    knob.SetPosition(128);
    EXPECT_EQ(knob.PointerAngle(), 90);
    EXPECT_EQ(LabelText(), "128 ");
    knob.SetCaption("KB");
    EXPECT_EQ(LabelText(), "128 KB");
    EXPECT_EQ(testsupport::WindowText(knob.Handle()), "KB");
    knob.SetPosition(1000);
    EXPECT_EQ(knob.Position(), 255);
    EXPECT_EQ(LabelText(), "255 KB");
}

TEST_F(KnobTest, KeysStepClampAndStillNotify) {
    knob.SetFocus();
    changes = 0;
    Key(VK_PRIOR);
    EXPECT_EQ(knob.Position(), 10);
    Key(VK_END);
    EXPECT_EQ(knob.Position(), 127);
    Key(VK_PRIOR);
    EXPECT_EQ(knob.Position(), 127);
    Key(VK_NEXT);
    EXPECT_EQ(knob.Position(), 117);
    Key(VK_HOME);
    EXPECT_EQ(knob.Position(), 0);
    changes = 0;
    Key(VK_NEXT);  // Page Down at Min
    EXPECT_EQ(knob.Position(), 0);
    EXPECT_EQ(changes, 1);
    Key(VK_RIGHT);
    Key(VK_UP);
    EXPECT_EQ(knob.Position(), 2);
    Key(VK_DOWN);
    EXPECT_EQ(knob.Position(), 1);
    Key(VK_TAB);  // not a knob key
    EXPECT_EQ(changes, 4);

    // An onKeyDown handler runs first and can drop the key.
    knob.onKeyDown = [](WORD& key) {
        if (key == VK_END) key = 0;
    };
    Key(VK_END);
    EXPECT_EQ(knob.Position(), 1);
    knob.onKeyDown = nullptr;

    // Through the dialog manager the arrows reach the knob instead of moving the focus.
    PostAndDispatch(WM_KEYDOWN, VK_LEFT);
    EXPECT_EQ(knob.Position(), 0);
    EXPECT_TRUE(knob.Focused());
}

TEST_F(KnobTest, TypedDigitsBuildNumbersWithinTheThreshold) {
    knob.SetMin(1);
    knob.SetMax(255);
    knob.SetPosition(1);
    knob.SetThreshold(600);
    uint32_t now = 0xFFFFFE00u;  // the counter wraps during the test
    knob.SetTickSource([&] { return now; });
    std::vector<int> pressed;
    knob.onKeyPress = [&](wchar_t& ch) { pressed.push_back(ch); };
    knob.SetFocus();

    const auto type = [&](char ch, uint32_t after) {
        now += after;
        Send(WM_CHAR, static_cast<unsigned char>(ch), 1);
        return knob.Position();
    };
    EXPECT_EQ(type('2', 0), 2);
    EXPECT_EQ(type('0', 300), 20);
    EXPECT_EQ(type('0', 300), 200);  // across the wrap of the counter
    EXPECT_EQ(type('5', 50), 255);   // 2005, clamped
    EXPECT_EQ(type('3', 601), 3);    // a slow digit starts anew
    EXPECT_EQ(type('x', 10), 3);
    EXPECT_EQ(pressed, (std::vector<int>{0, 0, 0, 0, 0, 'x'}));  // digits are used up

    // The dialog manager hands digits to the knob, not to the button's mnemonic "&2".
    int clicks = 0;
    form.Button1.onClick = [&] { ++clicks; };
    now += 10;
    PostAndDispatch(WM_CHAR, '2');
    EXPECT_EQ(knob.Position(), 32);
    EXPECT_EQ(clicks, 0);
}

TEST_F(KnobTest, HoverPreviewsInTheLabelAndLeaveRestores) {
    knob.SetPosition(5);
    changes = 0;
    // Lower left, about 11 units: within the jump guard of 12.
    Send(WM_MOUSEMOVE, 0, At(5, 30));
    EXPECT_EQ(LabelText(), "11 ");
    EXPECT_EQ(knob.Position(), 5);
    EXPECT_EQ(changes, 0);
    // The top is 63 units away: the preview stays at the position.
    Send(WM_MOUSEMOVE, 0, At(20, 2));
    EXPECT_EQ(LabelText(), "5 ");
    Send(WM_MOUSEMOVE, 0, At(5, 30));
    Send(WM_MOUSELEAVE);
    EXPECT_EQ(LabelText(), "5 ");
}

TEST_F(KnobTest, DragTurnsTheValueButNotAcrossTheDeadZone) {
    // A press sets the value under the mouse without the guard.
    Send(WM_MOUSEMOVE, 0, At(20, 2));
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(20, 2));
    EXPECT_EQ(knob.Position(), 63);  // 150 / 2.3622048 = 63.49999...
    EXPECT_TRUE(knob.Dragging());
    EXPECT_TRUE(knob.Focused());
    EXPECT_EQ(GetCapture(), knob.Handle());
    EXPECT_EQ(LabelText(), "63 ");

    // Clockwise round to the lower right, in steps the guard lets through.
    for (int a = 80; a >= -50; a -= 10) Send(WM_MOUSEMOVE, MK_LBUTTON, OnCircle(a, 15));
    EXPECT_GT(knob.Position(), 115);
    Send(WM_MOUSEMOVE, MK_LBUTTON, At(22, 39));  // dead zone, right of the bottom
    EXPECT_EQ(knob.Position(), 127);
    EXPECT_EQ(knob.MouseAngle(), -60);
    const int before = changes;
    Send(WM_MOUSEMOVE, MK_LBUTTON, At(23, 39));  // same value: no notification
    EXPECT_EQ(changes, before);

    // On through the dead zone to the Min side: held at Max.
    Send(WM_MOUSEMOVE, MK_LBUTTON, At(20, 39));
    Send(WM_MOUSEMOVE, MK_LBUTTON, At(12, 36));
    EXPECT_EQ(knob.MouseAngle(), 240);
    EXPECT_EQ(knob.Position(), 127);
    Send(WM_LBUTTONUP, 0, At(12, 36));
    EXPECT_EQ(knob.Position(), 127);
    EXPECT_FALSE(knob.Dragging());
    EXPECT_NE(GetCapture(), knob.Handle());

    // Without the button down, moves only preview.
    Send(WM_MOUSEMOVE, 0, OnCircle(-40, 15));
    EXPECT_EQ(knob.Position(), 127);

    // A press in a corner, outside the circle, does nothing.
    form.Button1.SetFocus();
    changes = 0;
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(1, 1));
    EXPECT_FALSE(knob.Dragging());
    EXPECT_FALSE(knob.Focused());
    EXPECT_EQ(changes, 0);
    Send(WM_LBUTTONUP, 0, At(1, 1));
}

TEST_F(KnobTest, SpringLoadedReturnsToZeroClampedOnReleaseAndFocusLoss) {
    knob.SetMin(1);
    knob.SetMax(255);
    knob.SetPosition(100);
    knob.SetSpringLoaded(true);
    EXPECT_EQ(knob.Position(), 1);  // 0 clamped into 1..255
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(20, 2));
    EXPECT_EQ(knob.Position(), 128);
    Send(WM_LBUTTONUP, 0, At(20, 2));
    EXPECT_EQ(knob.Position(), 1);

    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(20, 2));
    EXPECT_TRUE(knob.Dragging());
    form.Button1.SetFocus();
    EXPECT_FALSE(knob.Dragging());
    EXPECT_EQ(knob.Position(), 1);
    EXPECT_NE(GetCapture(), knob.Handle());
}

TEST_F(KnobTest, StaysSquareWhenResized) {
    SetWindowPos(knob.Handle(), nullptr, 0, 0, 60, 50, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(knob.Width(), 60);
    EXPECT_EQ(knob.Height(), 60);
    EXPECT_EQ(knob.Radius(), 30);
    SetWindowPos(knob.Handle(), nullptr, 0, 0, 30, 50, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(knob.Width(), 30);
    EXPECT_EQ(knob.Height(), 30);
    EXPECT_EQ(knob.Side(), 30);
    const RECT r = knob.Bounds();
    EXPECT_EQ(r.left, 8);  // the top left corner stays
    EXPECT_EQ(r.top, 8);

    // Bounds that are not square at creation go through the same rule.
    TKnob other;
    other.Create(form, {.name = "Knob2", .left = 60, .top = 100, .width = 75, .height = 25});
    EXPECT_EQ(other.Width(), 75);
    EXPECT_EQ(other.Height(), 75);
}

TEST_F(KnobTest, LabelFollowsEnabledVisibleAndIsDroppedWhenDestroyed) {
    knob.SetEnabled(false);
    EXPECT_FALSE(form.Label1.Enabled());
    knob.SetEnabled(true);
    EXPECT_TRUE(form.Label1.Enabled());
    knob.SetVisible(false);
    EXPECT_FALSE(form.Label1.Visible());
    knob.SetVisible(true);
    EXPECT_TRUE(form.Label1.Visible());

    auto label = std::make_unique<ui::Label>();
    label->Create(form, {.name = "Label2", .left = 120, .top = 80, .width = 100, .height = 13});
    knob.SetCaption("KB");
    knob.SetPositionLabel(label.get());
    EXPECT_EQ(label->Text(), "0 KB");
    const HWND labelWindow = label->Handle();
    label.reset();
    EXPECT_EQ(knob.PositionLabel(), nullptr);
    knob.SetPosition(9);  // must not touch the dead label
    EXPECT_EQ(testsupport::WindowText(labelWindow), "0 KB");
    DestroyWindow(labelWindow);
}

TEST_F(KnobTest, PaintsFaceOutlineAndPointer) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF black = RGB(0, 0, 0);
    const COLORREF red = RGB(200, 0, 0);
    ASSERT_NE(face, shadow);
    knob.SetLineColor(red);
    knob.SetLineColor(face);  // ignored: the pointer would vanish
    EXPECT_EQ(knob.LineColor(), red);
    // The leftmost and rightmost painted outline pixels of the middle row.
    const auto leftEdge = [](const Canvas& c) -> COLORREF {
        for (int x = 0; x < 20; ++x)
            if (c.At(x, 20) != GetSysColor(COLOR_BTNFACE)) return c.At(x, 20);
        return CLR_INVALID;
    };
    const auto rightEdge = [](const Canvas& c) -> COLORREF {
        for (int x = 39; x > 20; --x)
            if (c.At(x, 20) != GetSysColor(COLOR_BTNFACE)) return c.At(x, 20);
        return CLR_INVALID;
    };

    form.Button1.SetFocus();
    {
        Canvas c(40, 40);
        c.Render(knob.Handle());
        EXPECT_EQ(c.At(20, 20), face);  // the face at the centre
        EXPECT_EQ(c.At(0, 0), face);    // the parent's background outside the circle
        EXPECT_EQ(leftEdge(c), shadow);  // upper-left outline grey without the focus
        EXPECT_EQ(rightEdge(c), black);
        // Position 0: the pointer at 240 degrees, from (16, 28) to (13, 33).
        EXPECT_EQ(c.At(16, 28), red);
        EXPECT_EQ(c.At(17, 29), GetSysColor(COLOR_BTNHIGHLIGHT));  // its lit copy
    }
    knob.SetFocus();
    knob.SetPosition(127);  // pointer at -60 degrees, from (24, 28) to (27, 33)
    {
        Canvas c(40, 40);
        c.Render(knob.Handle());
        EXPECT_EQ(leftEdge(c), black);  // focused: all black
        EXPECT_EQ(rightEdge(c), black);
        EXPECT_EQ(c.At(24, 28), red);
        EXPECT_EQ(c.At(16, 28), face);
    }
    form.Button1.SetFocus();
    knob.SetEnabled(false);
    {
        Canvas c(40, 40);
        c.Render(knob.Handle());
        EXPECT_EQ(leftEdge(c), shadow);
        EXPECT_EQ(rightEdge(c), shadow);  // disabled: all grey
    }
}
