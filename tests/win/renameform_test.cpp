// The properties dialog in this process: its controls driven with messages,
// as a user's keys and clicks would.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/kivulanguage.h"
#include "common/reg.h"
#include "fileprops/renameform.h"
#include "link/handlerlink.h"
#include "tests/win/support/winsupport.h"
#include "ui/app.h"

using namespace testsupport;
using kivu::Trenamedialog;

namespace {

class Dialog : public ::testing::Test {
protected:
    void SetUp() override {
        // Each opens at its designed size, whatever an earlier one left in the registry.
        kivu::DeleteRegKey(HKEY_CURRENT_USER, kivu::kPlacementKey);
        form.Create();
        form.Show();
        PumpMessages();
    }
    void Type(ui::Control& c, const std::string& keys) {
        for (char ch : keys) SendMessageA(c.Handle(), WM_CHAR, static_cast<unsigned char>(ch), 0);
    }
    void Key(ui::Control& c, WORD vk) { SendMessageA(c.Handle(), WM_KEYDOWN, vk, 0); }
    void Click(ui::Control& c) { SendMessageA(c.Handle(), BM_CLICK, 0, 0); }
    void SetPattern(const std::string& text, int caret) {
        form.Edit1.SetText(text);
        form.Edit1.SetCaret(caret);
    }
    void AddFile(const std::string& path) {
        SendMessageA(form.Handle(), kivu::kMsgAddFile, GlobalAddAtomA(path.c_str()), 0);
    }
    Trenamedialog form;
};

void PressKey(HWND w, WORD vk) {
    PostMessageA(w, WM_KEYDOWN, vk, 0);
    PostMessageA(w, WM_KEYUP, vk, 0xC0000000);
}

// Picks the n-th item of the open placeholder menu (separators do not count).
DialogAnswerer::Step MenuItem(int n) {
    return {"#32768", [n](HWND menu) {
                for (int i = 0; i < n; ++i) PressKey(menu, VK_DOWN);
                PressKey(menu, VK_RETURN);
            }};
}
DialogAnswerer::Step CloseMenu() {
    return {"#32768", [](HWND menu) { PressKey(menu, VK_ESCAPE); }};
}
// The knob has the focus inside the number window.
DialogAnswerer::Step NumberKeys(std::vector<WORD> keys) {
    return {"Tnumber", [keys](HWND number) {
                HWND knob = FindWindowExA(number, nullptr, "TKnob", nullptr);
                for (WORD vk : keys) PressKey(knob ? knob : number, vk);
            }};
}

}  // namespace

TEST_F(Dialog, StartsInNameModeWithDesignedDefaults) {
    EXPECT_TRUE(form.CheckBox1.Checked());
    EXPECT_FALSE(form.CheckBox2.Checked());
    EXPECT_FALSE(form.CheckBox3.Checked());
    EXPECT_EQ(form.Edit1.Text(), "[Name][Ext]");
    EXPECT_EQ(form.Edit2.Text(), "RSAH");
    EXPECT_TRUE(form.Edit1.Enabled());
    EXPECT_FALSE(form.Edit2.Enabled());
    EXPECT_FALSE(form.DateTimePicker1.Enabled());
    EXPECT_FALSE(form.Button2.Enabled());  // first enabled by a change
    EXPECT_FALSE(form.Button1.Visible());
    EXPECT_EQ(form.Width(), 550);
}

TEST_F(Dialog, OpensWithTenVisibleRowsAndThePanelBelow) {
    EXPECT_GE(ListView_GetCountPerPage(form.ListView1.Handle()), 10);
    EXPECT_LE(ListView_GetCountPerPage(form.ListView1.Handle()), 12);  // not much more: the designed proportions
    EXPECT_EQ(form.Panel1.Height(), 170);
    // The third status panel, where conflicts are counted, has room to show them.
    RECT panel{};
    SendMessageW(form.StatusBar1.Handle(), SB_GETRECT, 2, reinterpret_cast<LPARAM>(&panel));
    EXPECT_GE(panel.right - panel.left, 150);
}

TEST_F(Dialog, ErrorLineHasTheDialogsWidthAndEndsInAnEllipsis) {
    for (int width : {550, 800}) {
        form.SetSize(width, form.Height());
        EXPECT_EQ(form.Label2.Width(), form.Panel1.Width() - 16) << width;
    }
    const auto style = GetWindowLongPtrA(form.Label2.Handle(), GWL_STYLE);
    EXPECT_EQ(style & SS_ELLIPSISMASK, SS_ENDELLIPSIS);
    // The buttons' panel lies below it and leaves it unpainted.
    EXPECT_TRUE(GetWindowLongPtrA(form.Panel2.Handle(), GWL_STYLE) & WS_CLIPSIBLINGS);
}

TEST_F(Dialog, DatePickersCarryTheirFormatTooltips) {
    HWND tips = nullptr;
    for (HWND h : FindTopWindows(TOOLTIPS_CLASSA, nullptr, GetCurrentProcessId()))
        if (GetWindow(h, GW_OWNER) == form.Handle()) tips = h;
    ASSERT_TRUE(tips);
    EXPECT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 3);
    const auto tipOf = [&](ui::Control& c) {
        char text[512] = {};
        TOOLINFOA info{};
        info.cbSize = sizeof info;
        info.hwnd = form.Handle();
        info.uId = reinterpret_cast<UINT_PTR>(c.Handle());
        info.lpszText = text;
        SendMessageA(tips, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
        return std::string(text);
    };
    EXPECT_EQ(tipOf(form.DateTimePicker1), "dd:mm:yyyy");
    EXPECT_EQ(tipOf(form.DateTimePicker2), "hh:mm:ss");
    // The pattern's hint says how numbers are padded and where the placeholders are.
    const std::string& hint = form.Edit1.hint;
    EXPECT_NE(hint.find("[N:03:1]"), std::string::npos) << hint;
    EXPECT_NE(hint.find("[N:3:1]"), std::string::npos) << hint;
    EXPECT_NE(hint.find("Ctrl+Space"), std::string::npos) << hint;
    // The tooltip's text comes back cut to its first 80 or so characters.
    const std::string tip = tipOf(form.Edit1);
    EXPECT_GE(tip.size(), 60u);
    EXPECT_EQ(tip, hint.substr(0, tip.size()));
}

// Every caption with a text number shows the language's text, not the designed one.
TEST_F(Dialog, TakesItsTextsFromTheLanguageFile) {
    int checked = 0;
    for (ui::Container* panel : {static_cast<ui::Container*>(&form.Panel1), static_cast<ui::Container*>(&form.Panel2)})
        for (ui::Control* c : panel->Children()) {
            if (c->Tag() <= 0) continue;
            const std::string text = kivu::GetLangString(c->Tag());
            ASSERT_FALSE(text.empty()) << c->Tag();
            EXPECT_EQ(c->Text(), text) << c->Tag();
            ++checked;
        }
    EXPECT_GE(checked, 14);
    EXPECT_EQ(form.Caption(), kivu::GetLangString(form.Tag()));
    EXPECT_EQ(form.StatusBar1.PanelText(0), kivu::GetLangString(10212));
    EXPECT_NE(form.Button4.Text(), "A&bbrechen");  // the designed text is German, the prefix's language English
}

TEST_F(Dialog, ModeBoxesAreOneChoiceAndSwitchTheInputs) {
    Click(form.CheckBox2);
    EXPECT_TRUE(form.CheckBox2.Checked());
    EXPECT_FALSE(form.CheckBox1.Checked());
    EXPECT_FALSE(form.Edit1.Enabled());
    EXPECT_TRUE(form.DateTimePicker1.Enabled());
    EXPECT_TRUE(form.RadioButton2.Enabled());
    EXPECT_TRUE(form.Button3.Enabled());
    Click(form.CheckBox3);
    EXPECT_TRUE(form.CheckBox3.Checked());
    EXPECT_FALSE(form.CheckBox2.Checked());
    EXPECT_TRUE(form.Edit2.Enabled());
    EXPECT_FALSE(form.DateTimePicker1.Enabled());
    // Unchecking the only checked box checks it again.
    Click(form.CheckBox3);
    EXPECT_TRUE(form.CheckBox3.Checked());
}

TEST_F(Dialog, ApplyIsEnabledByChangesUnlessTheNamePatternIsEmpty) {
    form.Edit1.SetText("");
    EXPECT_FALSE(form.Button2.Enabled());
    Click(form.CheckBox2);  // date mode does not need a pattern
    EXPECT_TRUE(form.Button2.Enabled());
    Click(form.CheckBox1);
    EXPECT_FALSE(form.Button2.Enabled());
    form.Edit1.SetText("[Name]");
    EXPECT_TRUE(form.Button2.Enabled());
}

TEST_F(Dialog, AttributeFieldTakesEachOfRSAHOnce) {
    form.Edit2.SetText("");
    Type(form.Edit2, "rxR1hsSaA");
    EXPECT_EQ(form.Edit2.Text(), "RHSA");
    Type(form.Edit2, "\b");
    EXPECT_EQ(form.Edit2.Text(), "RHS");
}

TEST_F(Dialog, BackspaceDeleteAndArrowsTakeWholePlaceholders) {
    SetPattern("a[Ext]", 6);
    Type(form.Edit1, "\b");
    EXPECT_EQ(form.Edit1.Text(), "a");
    EXPECT_EQ(form.Edit1.SelStart(), 1);

    SetPattern("ab]c", 3);  // a "]" without "[" before it: nothing happens
    Type(form.Edit1, "\b");
    EXPECT_EQ(form.Edit1.Text(), "ab]c");

    SetPattern("x[Name]y", 1);
    Key(form.Edit1, VK_RIGHT);
    EXPECT_EQ(form.Edit1.SelStart(), 7);
    Key(form.Edit1, VK_LEFT);
    EXPECT_EQ(form.Edit1.SelStart(), 1);
    Key(form.Edit1, VK_DELETE);
    EXPECT_EQ(form.Edit1.Text(), "xy");
    EXPECT_EQ(form.Edit1.SelStart(), 1);

    // Positions are bytes of UTF-8; the reach of a placeholder counts characters.
    SetPattern("ü[Ext]", 7);
    Type(form.Edit1, "\b");
    EXPECT_EQ(form.Edit1.Text(), "ü");
    EXPECT_EQ(form.Edit1.SelStart(), 2);
    std::string greek;
    for (int i = 0; i < 200; ++i) greek += "α";
    SetPattern("x[" + greek + "]y", 1);
    Key(form.Edit1, VK_RIGHT);
    EXPECT_EQ(form.Edit1.SelStart(), 403);
    Key(form.Edit1, VK_LEFT);
    EXPECT_EQ(form.Edit1.SelStart(), 1);
    Key(form.Edit1, VK_DELETE);
    EXPECT_EQ(form.Edit1.Text(), "xy");
}

TEST_F(Dialog, FilesArriveAtTheTopAndThePreviewFollowsThePattern) {
    for (const char* p : {"C:\\d\\a.txt", "C:\\d\\b.txt", "C:\\d\\c.txt"}) AddFile(p);
    ASSERT_EQ(form.List().Rows().size(), 3u);
    EXPECT_EQ(form.List().Rows()[0].fileName, "c.txt");
    EXPECT_EQ(form.List().Folder(), "C:\\d\\");
    // The new names are there as soon as the rows are.
    ASSERT_TRUE(WaitUntil([&] { return form.ListView1.RowCount() == 3; }));
    EXPECT_EQ(form.List().Rows()[0].newValue, "c.txt");
    form.Edit1.SetText("[Name]_[N:3:1][Ext]");
    EXPECT_EQ(form.List().Rows()[0].newValue, "c_  1.txt");
    EXPECT_EQ(form.List().Rows()[2].newValue, "a_  3.txt");
    EXPECT_TRUE(WaitUntil([&] { return form.ListView1.RowCount() == 3; }));
}

TEST_F(Dialog, BracketIsAnOrdinaryCharacter) {
    SetPattern("ab", 2);
    Type(form.Edit1, "[Name]");
    EXPECT_EQ(form.Edit1.Text(), "ab[Name]");
    EXPECT_TRUE(FindTopWindows("#32768", nullptr, GetCurrentProcessId()).empty());
}

TEST_F(Dialog, PlaceholderMenuClosedWithoutAChoiceChangesNothing) {
    form.Edit1.SetText("abcd");
    form.Edit1.SetSelection(1, 2);
    DialogAnswerer script({CloseMenu()});
    form.ShowPlaceholderMenu();
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(form.Edit1.Text(), "abcd");
    EXPECT_EQ(form.Edit1.SelLength(), 2);
}

TEST_F(Dialog, MenuItemIsInsertedAtTheCaret) {
    SetPattern("ab", 1);
    DialogAnswerer script({MenuItem(1)});  // [Name]
    form.ShowPlaceholderMenu();
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(form.Edit1.Text(), "a[Name]b");
    EXPECT_EQ(form.Edit1.SelStart(), 7);
}

TEST_F(Dialog, MenuItemReplacesASelectedPart) {
    form.Edit1.SetText("abcd");
    form.Edit1.SetSelection(1, 2);
    DialogAnswerer script({MenuItem(3)});  // [Ext]
    form.ShowPlaceholderMenu();
    EXPECT_EQ(form.Edit1.Text(), "a[Ext]d");
}

TEST_F(Dialog, CounterWithTwoSlotsAndEnterTwiceGivesOneOne) {
    SetPattern("x", 1);
    DialogAnswerer script({MenuItem(6), NumberKeys({VK_RETURN}), NumberKeys({VK_RETURN})});
    form.ShowPlaceholderMenu();
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(form.Edit1.Text(), "x[N:1:1]");
    EXPECT_TRUE(form.Button2.Enabled());
    EXPECT_TRUE(form.Button4.Enabled());
}

TEST_F(Dialog, TurningTheKnobFillsTheSlotAndEscapeUndoesTheWholeInsertion) {
    SetPattern("p", 1);
    std::string duringSecondSlot;
    HWND owner = nullptr;
    bool ownerEnabled = true;
    DialogAnswerer script({MenuItem(2),  // [Name($$,$$)]
                   NumberKeys({VK_UP, VK_UP, VK_RETURN}),
                   {"Tnumber",
                    [&](HWND number) {
                        // The window shows before it fills its slot.
                        WaitUntil([&] { return WindowText(form.Edit1.Handle()).find("$$") == std::string::npos; },
                                  std::chrono::seconds(1));
                        duringSecondSlot = WindowText(form.Edit1.Handle());
                        owner = GetWindow(number, GW_OWNER);
                        ownerEnabled = IsWindowEnabled(form.Handle()) != FALSE;
                        PressKey(FindWindowExA(number, nullptr, "TKnob", nullptr), VK_ESCAPE);
                    }}});
    form.ShowPlaceholderMenu();
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(duringSecondSlot, "p[Name(3,1)]");
    EXPECT_EQ(owner, form.Handle());  // the knob stays above the dialog, which waits for it
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(form.Handle()));
    EXPECT_EQ(form.Edit1.Text(), "p");
}

TEST_F(Dialog, AccessKeysAndTabOrderWorkThroughTheDialogKeys) {
    form.Edit1.SetFocus();
    PostMessageA(form.Edit1.Handle(), WM_KEYDOWN, VK_TAB, 0);
    ui::App().ProcessMessages();
    EXPECT_TRUE(form.CheckBox2.Focused());  // the disabled date inputs are skipped
    PostMessageA(form.Edit1.Handle(), WM_SYSCHAR, 'd', 1 << 29);
    ui::App().ProcessMessages();
    EXPECT_TRUE(form.CheckBox2.Checked());
    EXPECT_FALSE(form.CheckBox1.Checked());
    // Escape is "Cancel": the dialog closes.
    PostMessageA(form.CheckBox2.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    ui::App().ProcessMessages();
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
}

TEST_F(Dialog, ResizeKeepsTheColumnRuleAndThePanel) {
    SetWindowPos(form.Handle(), nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(form.ListView1.ColumnWidth(2), 700 - 150 - 120 - 50);
    EXPECT_EQ(form.Panel1.Height(), 170);
    // The list may shrink to 4 pixels, the panel never; the width not below 465.
    SetWindowPos(form.Handle(), nullptr, 0, 0, 100, 50, SWP_NOMOVE | SWP_NOZORDER);
    MINMAXINFO mmi{};
    SendMessageA(form.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    EXPECT_EQ(mmi.ptMinTrackSize.x, 465);
    EXPECT_EQ(mmi.ptMinTrackSize.y, form.Height() - form.ListView1.Height() + 4);
}

namespace {

// The client sizes the rename dialog is laid out at once its controls exist.
std::vector<LPARAM> layoutSizes;
LRESULT CALLBACK RecordLayouts(int code, WPARAM wp, LPARAM lp) {
    const auto* msg = reinterpret_cast<const CWPSTRUCT*>(lp);
    wchar_t cls[32] = {};
    if (code == HC_ACTION && msg->message == WM_SIZE && GetClassNameW(msg->hwnd, cls, static_cast<int>(std::size(cls))) &&
        std::wstring_view(cls) == L"Trenamedialog" && FindWindowExW(msg->hwnd, nullptr, WC_LISTVIEWW, nullptr))
        if (layoutSizes.empty() || layoutSizes.back() != msg->lParam) layoutSizes.push_back(msg->lParam);
    return CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace

// Every resize lays the whole dialog out again: it takes its place and size,
// with ten rows, at once, before it is shown.
TEST(DialogPlace, OpensAtItsSizeWithOneLayout) {
    for (const bool saved : {false, true}) {
        kivu::DeleteRegKey(HKEY_CURRENT_USER, kivu::kPlacementKey);
        if (saved) {
            kivu::WriteRegString(HKEY_CURRENT_USER, kivu::kPlacementKey, "Left", "20");
            kivu::WriteRegString(HKEY_CURRENT_USER, kivu::kPlacementKey, "Top", "30");
            kivu::WriteRegString(HKEY_CURRENT_USER, kivu::kPlacementKey, "Width", "700");
            kivu::WriteRegString(HKEY_CURRENT_USER, kivu::kPlacementKey, "Height", "100");
        }
        layoutSizes.clear();
        HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, RecordLayouts, nullptr, GetCurrentThreadId());
        ASSERT_TRUE(hook);
        Trenamedialog form;
        form.Create();
        RECT made{};
        GetWindowRect(form.Handle(), &made);
        form.Show();
        PumpMessages();
        UnhookWindowsHookEx(hook);
        RECT shown{};
        GetWindowRect(form.Handle(), &shown);
        EXPECT_TRUE(EqualRect(&made, &shown)) << "saved place: " << saved;  // showing it moves nothing
        const int w = shown.right - shown.left, h = shown.bottom - shown.top;
        EXPECT_EQ(shown.left, saved ? 20 : (GetSystemMetrics(SM_CXSCREEN) - w) / 2) << "saved place: " << saved;
        EXPECT_EQ(shown.top, saved ? 30 : (GetSystemMetrics(SM_CYSCREEN) - h) / 2) << "saved place: " << saved;
        EXPECT_EQ(layoutSizes.size(), 1u) << "saved place: " << saved;
        EXPECT_EQ(ListView_GetCountPerPage(form.ListView1.Handle()), 10) << "saved place: " << saved;
        EXPECT_EQ(form.Width(), saved ? 700 : 550);
        form.Close();
    }
    kivu::DeleteRegKey(HKEY_CURRENT_USER, kivu::kPlacementKey);
}

TEST(DialogPlace, TheSizeAndPlaceOfTheLastCloseAreKeptOnTheScreen) {
    kivu::WriteRegString(HKEY_CURRENT_USER, kivu::kPlacementKey, "Left", "5000");
    kivu::WriteRegString(HKEY_CURRENT_USER, kivu::kPlacementKey, "Top", "30");
    kivu::WriteRegString(HKEY_CURRENT_USER, kivu::kPlacementKey, "Width", "700");
    kivu::WriteRegString(HKEY_CURRENT_USER, kivu::kPlacementKey, "Height", "100");  // fewer than ten rows
    {
        Trenamedialog form;
        form.Create();
        form.Show();
        PumpMessages();
        RECT r;
        GetWindowRect(form.Handle(), &r);
        RECT work;
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        EXPECT_EQ(r.right - r.left, 700);
        EXPECT_EQ(r.right, work.right);  // moved back onto the screen
        EXPECT_EQ(r.top, 30);
        EXPECT_GE(ListView_GetCountPerPage(form.ListView1.Handle()), 10);
        // Where it is when it closes is where it opens next time.
        SetWindowPos(form.Handle(), nullptr, 40, 60, 620, r.bottom - r.top + 50, SWP_NOZORDER);
        form.Close();
    }
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, kivu::kPlacementKey, "Left", ""), "40");
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, kivu::kPlacementKey, "Width", ""), "620");
    kivu::DeleteRegKey(HKEY_CURRENT_USER, kivu::kPlacementKey);
}
