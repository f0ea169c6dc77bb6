// The toolkit layer on real windows: events, the error display, texts by tag,
// the start-form operation with its idle hook.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "common/convert.h"
#include "common/errors.h"
#include "common/kivulanguage.h"
#include "tests/win/support/winsupport.h"
#include "ui/app.h"
#include "ui/form.h"
#include "ui/langtexts.h"

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
