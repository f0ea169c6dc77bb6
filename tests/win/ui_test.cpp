// The toolkit layer on real windows: events, the error display, texts by tag,
// the start-form operation with its idle hook.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <thread>

#include "common/convert.h"
#include "common/errors.h"
#include "common/kivulanguage.h"
#include "tests/win/support/winsupport.h"
#include "ui/app.h"
#include "ui/dpi.h"
#include "ui/form.h"
#include "ui/langtexts.h"
#include "ui/lists.h"

using namespace testsupport;

namespace {

class TestForm : public ui::Form {
public:
    TestForm() : ui::Form({.name = "uitestform", .width = 300, .height = 200, .caption = "Test"}) {}
    ui::Panel Panel1;
    ui::Button Button1;
    ui::CheckBox CheckBox1;
    ui::Edit Edit1;
    ui::Label Label1, Label2;
    int created = 0;

protected:
    void CreateControls() override {
        Panel1.Create(*this, {.name = "Panel1", .tag = 0, .height = 100, .align = ui::Align::Bottom});
        Button1.Create(*this, {.name = "Button1", .left = 8, .top = 8, .text = "&Go"});
        CheckBox1.Create(*this, {.name = "CheckBox1", .left = 8, .top = 40, .width = 100, .height = 17, .text = "Box"});
        Edit1.Create(*this, {.name = "Edit1", .left = 120, .top = 8, .width = 100, .height = 21, .text = "1"});
        Label1.Create(*this, {.name = "Label1", .tag = 99901, .left = 120, .top = 40, .width = 100, .height = 13,
                              .text = "designed"});
        Label2.Create(Panel1, {.name = "Label2", .tag = 99901, .left = 8, .top = 8, .width = 100, .height = 13,
                               .text = "nested"});
    }
    void FormCreate() override { ++created; }
};


}  // namespace

// Designed at 96 DPI: the toolkit scales every number of this table.
class ScaleForm : public ui::Form {
public:
    ScaleForm() : ui::Form({.name = "uiscaleform", .clientWidth = 300, .clientHeight = 200, .caption = "Scale"}) {}
    ui::Panel Panel1;
    ui::Label Label1;
    ui::ListView ListView1;
    ui::StatusBar StatusBar1;
    ui::CheckListBox CheckListBox1;

protected:
    void CreateControls() override {
        StatusBar1.Create(*this, {.name = "StatusBar1", .height = 19, .align = ui::Align::Bottom}, {50, 100});
        Panel1.Create(*this, {.name = "Panel1", .height = 40, .align = ui::Align::Top});
        Label1.Create(Panel1, {.name = "Label1", .left = 8, .top = 10, .width = 100, .height = 13, .text = "scaled"});
        ListView1.Create(*this, {.name = "ListView1", .left = 8, .top = 48, .width = 200, .height = 100});
        ListView1.AddColumn("Name", 150);
        CheckListBox1.Create(*this, {.name = "CheckListBox1", .left = 216, .top = 48, .width = 76, .height = 100});
    }
};

int FontHeight(HWND control) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
    return std::abs(font.lfHeight);
}

TEST(Toolkit, AFormScalesItsDesignedTableAtCreationAndFollowsAChangeOfDpi) {
    ScaleForm form;
    form.Create();
    const int base = form.Dpi();
    const auto at = [](int designed, int dpi) { return MulDiv(designed, dpi, ui::kDesignDpi); };
    RECT client;
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, at(300, base));
    EXPECT_EQ(client.bottom, at(200, base));
    EXPECT_EQ(FontHeight(form.Label1.Handle()), std::abs(ui::MessageFont(base).lfHeight));

    const int dpi = base * 3 / 2;
    RECT suggested{20, 30, 20 + at(320, dpi), 30 + at(260, dpi)};
    SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(form.Dpi(), dpi);
    RECT window;
    GetWindowRect(form.Handle(), &window);
    EXPECT_TRUE(EqualRect(&window, &suggested));
    // Places, sizes, columns, parts and items of the table at the new scale.
    const RECT label = form.Label1.Bounds();
    EXPECT_EQ(label.left, at(8, dpi));
    EXPECT_EQ(label.top, at(10, dpi));
    EXPECT_EQ(label.right - label.left, at(100, dpi));
    EXPECT_EQ(form.Panel1.Height(), at(40, dpi));
    EXPECT_EQ(form.StatusBar1.Height(), at(19, dpi));
    const RECT list = form.ListView1.Bounds();
    EXPECT_EQ(list.left, at(8, dpi));
    EXPECT_EQ(list.top, at(48, dpi));
    EXPECT_EQ(list.right - list.left, at(200, dpi));
    EXPECT_EQ(form.ListView1.ColumnWidth(0), at(150, dpi));
    int edges[2] = {};
    SendMessageW(form.StatusBar1.Handle(), SB_GETPARTS, 2, reinterpret_cast<LPARAM>(edges));
    EXPECT_EQ(edges[0], at(50, dpi));
    EXPECT_EQ(edges[1], at(150, dpi));
    EXPECT_EQ(form.CheckListBox1.ItemHeight(), at(ui::CheckListBox::kItemHeight, dpi));
    // The system's message font at that DPI, on every control.
    const int height = std::abs(ui::MessageFont(dpi).lfHeight);
    EXPECT_GT(height, std::abs(ui::MessageFont(base).lfHeight));
    EXPECT_EQ(FontHeight(form.Label1.Handle()), height);
    EXPECT_EQ(FontHeight(form.ListView1.Handle()), height);
    EXPECT_EQ(form.Scaled(100), at(100, dpi));
    EXPECT_EQ(form.Unscaled(at(100, dpi)), 100);
}

TEST(Toolkit, FormHasItsClassNameAndRunsItsCreationHandlerOnce) {
    TestForm form;
    form.Create();
    char cls[64];
    GetClassNameA(form.Handle(), cls, sizeof cls);
    EXPECT_STREQ(cls, "Tuitestform");
    EXPECT_EQ(form.created, 1);
    EXPECT_EQ(form.Caption(), "Test");
}

TEST(Toolkit, ProgramChangesRaiseTheUsersEvents) {
    TestForm form;
    form.Create();
    int clicks = 0, changes = 0;
    form.CheckBox1.onClick = [&] { ++clicks; };
    form.Edit1.onChange = [&] { ++changes; };
    form.CheckBox1.SetChecked(true);
    form.CheckBox1.SetChecked(true);  // no change, no event
    EXPECT_TRUE(form.CheckBox1.Checked());
    EXPECT_EQ(clicks, 1);
    // A click of the user toggles and raises the event once.
    SendMessageA(form.CheckBox1.Handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(form.CheckBox1.Checked());
    EXPECT_EQ(clicks, 2);
    form.Edit1.SetText("2");
    EXPECT_EQ(changes, 1);
}

TEST(Toolkit, RuntimeErrorInAHandlerReachesTheErrorDisplayAndTheWindowGoesOn) {
    TestForm form;
    form.Create();
    form.Show();
    int after = 0, runs = 0;
    form.Button1.onClick = [&] {
        ++runs;
        kivu::StrToInt(form.Edit1.Text());
        ++after;  // skipped when the conversion fails
    };
    form.Edit1.SetText("abc");
    {
        BoxWatcher watcher;
        SendMessageA(form.Button1.Handle(), BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return watcher.count() == 1; }));
        EXPECT_EQ(watcher.text, "'abc' ist kein gültiger Integerwert.");
        EXPECT_EQ(watcher.caption, "KIVUUtil");
    }
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(after, 0);
    ASSERT_TRUE(IsWindow(form.Handle()));
    form.Edit1.SetText("12");
    SendMessageA(form.Button1.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(after, 1);
}

namespace {
// A main form disabled while it is busy on its own, as the starter's
// automatic run: an error box on its way must not make it usable.
class BusyForm : public ui::Form {
public:
    BusyForm() : ui::Form({.name = "busyform", .caption = "Busy"}) {}
    static bool enabledAfterBox;

protected:
    void FormCreate() override {
        SetEnabled(false);
        ui::App().SetIdleHook([this] {
            ui::App().SetIdleHook(nullptr);
            ui::App().Guard([] { throw kivu::RuntimeError("busy"); });
            enabledAfterBox = IsWindowEnabled(Handle()) != FALSE;
            Close();
        });
    }
};
bool BusyForm::enabledAfterBox = true;
}  // namespace

TEST(Toolkit, TheErrorDisplayLeavesADisabledMainFormDisabled) {
    BoxWatcher watcher;
    std::unique_ptr<BusyForm> slot;
    ui::App().StartForm(slot, true);
    EXPECT_EQ(watcher.count(), 1);
    EXPECT_EQ(watcher.text, "busy.");
    EXPECT_FALSE(BusyForm::enabledAfterBox);
}

TEST(Toolkit, AModalFormEnablesItsOwnerAfterwardsOnlyWhenItWasEnabledBefore) {
    TestForm owner;
    owner.Create();
    owner.Show();
    for (const bool enabledBefore : {true, false}) {
        EnableWindow(owner.Handle(), enabledBefore);
        TestForm dialog;
        dialog.Create();
        PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0);  // ends the modal loop at its first message
        EXPECT_EQ(dialog.ShowModal(owner.Handle()), ui::mrCancel);
        EXPECT_EQ(IsWindowEnabled(owner.Handle()) != FALSE, enabledBefore) << enabledBefore;
    }
}

TEST(Toolkit, LanguageTextsGoToDirectChildrenByTagOnly) {
    WritePrivateProfileStringA("English", "99901", "Eins", kivu::kLanguageFile);
    TestForm form;
    form.Create();
    ui::ApplyLangTexts(form);
    EXPECT_EQ(form.Label1.Text(), "Eins");
    EXPECT_EQ(form.Label2.Text(), "nested");  // inside Panel1, not named
    EXPECT_EQ(form.Button1.Text(), "&Go");    // tag 0
    ui::ApplyLangTexts(form.Panel1);
    EXPECT_EQ(form.Label2.Text(), "Eins");
    // A number without any text blanks the caption.
    WritePrivateProfileStringA("English", "99901", nullptr, kivu::kLanguageFile);
    ui::ApplyLangTexts(form);
    EXPECT_EQ(form.Label1.Text(), "");
}

namespace {
class IdleForm : public ui::Form {
public:
    IdleForm() : ui::Form({.name = "idleform", .caption = "Idle"}) {}
    static int idleRuns;
    static bool visibleAtIdle;

protected:
    void FormCreate() override {
        ui::App().SetIdleHook([this] {
            ++idleRuns;
            visibleAtIdle = IsWindowVisible(Handle()) != FALSE;
            ui::App().SetIdleHook(nullptr);
            Close();
        });
    }
};
int IdleForm::idleRuns = 0;
bool IdleForm::visibleAtIdle = false;
}  // namespace

TEST(Toolkit, StartFormRunsTheLoopUntilTheMainFormClosesAndCallsTheIdleHookWhenShown) {
    std::unique_ptr<IdleForm> slot;
    ui::App().StartForm(slot, true);
    EXPECT_EQ(IdleForm::idleRuns, 1);
    EXPECT_TRUE(IdleForm::visibleAtIdle);
    EXPECT_EQ(ui::App().Title(), "KIVUUtil");
}
