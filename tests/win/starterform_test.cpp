// The starter dialog in this process: its controls driven with messages as
// the user's clicks and keys would, the registry read back with the raw API.
#include "starter/starterdialog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "common/errors.h"
#include "tests/win/support/starter.h"
#include "tests/win/support/winsupport.h"
#include "ui/app.h"

using namespace testsupport;
using kivu::Tstarterform;

namespace {


class StarterDialog : public ::testing::Test {
protected:
    void SetUp() override { ClearStore(); }
    void TearDown() override { ClearStore(); }

    // Two entries, as a user would have saved them.
    void SeedTwo() {
        SetEntryValue("", "Copyright", "x");
        SetEntryValue("Alpha", "Pfad", "C:\\a.exe");
        SetEntryValue("Alpha", "Parameter", "-a");
        SetEntryValue("Alpha", "Tage", "14");
        SetEntryValue("beta", "Pfad", "C:\\b.exe");
        SetEntryValue("beta", "Fenster", "3");
    }
    Tstarterform& Open(bool automatic = false) {
        form = std::make_unique<Tstarterform>(automatic);
        form->Create();
        if (!automatic) form->Show();
        PumpMessages();
        return *form;
    }
    void Type(ui::Control& c, const std::string& keys) {
        for (char ch : keys) SendMessageA(c.Handle(), WM_CHAR, static_cast<unsigned char>(ch), 0);
    }
    void Retype(ui::Edit& edit, const std::string& keys) {
        edit.SetSelection(0, -1);
        Type(edit, keys);
    }
    // A mouse click on a tab, which also gives the strip the focus.
    void ClickTab(int index) {
        RECT r{};
        SendMessageA(form->TabControl1.Handle(), TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageA(form->TabControl1.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(form->TabControl1.Handle(), WM_LBUTTONUP, 0, at);
    }
    void Click(ui::Control& c) { SendMessageA(c.Handle(), BM_CLICK, 0, 0); }
    std::vector<std::string> Tabs() const {
        std::vector<std::string> tabs;
        for (int i = 0; i < form->TabControl1.Count(); ++i) tabs.push_back(form->TabControl1.TabText(i));
        return tabs;
    }
    bool EditGroupEnabled() const {
        const Tstarterform& f = *form;
        for (const ui::Control* c : std::initializer_list<const ui::Control*>{
                 &f.Edit1, &f.Edit2, &f.Edit3, &f.Edit4, &f.RadioButton1, &f.RadioButton2, &f.RadioButton3,
                 &f.TrackBar1, &f.Button3, &f.Loeschen, &f.Label1, &f.Label2, &f.Label3, &f.GroupBox1})
            if (!c->Enabled()) return false;
        return true;
    }

    std::unique_ptr<Tstarterform> form;
};

using Names = std::vector<std::string>;

}  // namespace

TEST_F(StarterDialog, EmptyStoreOffersOnlyNewAndExit) {
    Tstarterform& f = Open();
    EXPECT_EQ(f.TabControl1.Count(), 0);
    EXPECT_TRUE(f.Neu.Enabled());
    EXPECT_TRUE(f.Ende.Enabled());
    EXPECT_FALSE(f.Loeschen.Enabled());
    EXPECT_FALSE(f.Edit1.Enabled());
    EXPECT_FALSE(f.GroupBox1.Enabled());
    EXPECT_EQ(f.Caption(), "KIVU Starter");
    EXPECT_EQ(ui::App().Title(), "KIVU Starter");
    // Texts by number from the language file, also inside the group box.
    EXPECT_EQ(f.Label1.Text(), "Program &Path:");
    EXPECT_EQ(f.GroupBox1.Text(), "&Window:");
    EXPECT_EQ(f.RadioButton2.Text(), "minimized");
    EXPECT_EQ(f.Loeschen.Text(), "&Delete");
    EXPECT_EQ(f.OpenDialog1.filter, "Programs|*.exe;*.com;*.pif;*.lnk;*.bat;*.cmd");
    EXPECT_EQ(f.Edit2.Text(), "7");
    EXPECT_EQ(f.TrackBar1.Position(), 7);
    RECT client;
    GetClientRect(f.Handle(), &client);
    EXPECT_EQ(client.right, 406);
    EXPECT_EQ(client.bottom, 407);
}

TEST_F(StarterDialog, ShowsTheFirstEntryAndWritesItsWindowModeBack) {
    SeedTwo();
    Tstarterform& f = Open();
    EXPECT_EQ(Tabs(), (Names{"Alpha", "beta"}));
    EXPECT_TRUE(EditGroupEnabled());
    EXPECT_EQ(f.Edit4.Text(), "Alpha");
    EXPECT_EQ(f.Caption(), "KIVU - Starter - Alpha");
    EXPECT_EQ(f.Edit1.Text(), "C:\\a.exe");
    EXPECT_EQ(f.Edit3.Text(), "-a");
    EXPECT_EQ(f.TrackBar1.Position(), 14);
    EXPECT_EQ(f.Edit2.Text(), "14");
    EXPECT_TRUE(f.RadioButton1.Checked());
    EXPECT_EQ(EntryValue("Alpha", "Fenster"), "1");  // the missing "0" came back as "1"

    ClickTab(1);
    EXPECT_EQ(f.Edit4.Text(), "beta");
    EXPECT_EQ(f.Edit2.Text(), "7");
    EXPECT_TRUE(f.RadioButton3.Checked());
    EXPECT_FALSE(f.RadioButton1.Checked());
    EXPECT_EQ(f.Edit3.Text(), "");
}

TEST_F(StarterDialog, StoredNumbersOutsideTheSliderOrNotNumbers) {
    SeedTwo();
    SetEntryValue("Alpha", "Tage", "150");
    SetEntryValue("beta", "Tage", "-4");
    SetEntryValue("beta", "Fenster", "5");
    Tstarterform& f = Open();
    EXPECT_EQ(f.TrackBar1.Position(), 99);
    EXPECT_EQ(f.Edit2.Text(), "99");
    ClickTab(1);
    EXPECT_EQ(f.Edit2.Text(), "1");
    EXPECT_FALSE(f.RadioButton1.Checked() || f.RadioButton2.Checked() || f.RadioButton3.Checked());

    // A days text that is no number shows as it is stored, silently; the
    // slider stands at the default and the rest of the entry shows.
    SetEntryValue("Alpha", "Tage", "viele");
    BoxWatcher boxes;
    ClickTab(0);
    EXPECT_EQ(f.Edit4.Text(), "Alpha");
    EXPECT_EQ(f.Edit1.Text(), "C:\\a.exe");
    EXPECT_EQ(f.Edit2.Text(), "viele");
    EXPECT_EQ(f.TrackBar1.Position(), 7);
    EXPECT_EQ(f.Edit3.Text(), "-a");
    EXPECT_TRUE(f.RadioButton1.Checked());
    PumpMessages();
    EXPECT_EQ(boxes.count(), 0);
}

// An entry with a value that cannot be read shows what can be, and the
// fields are never saved over it unless the user changes one of them: fields
// left from the entry shown before would replace its values.
TEST_F(StarterDialog, AnEntryLoadedIncompletelyKeepsItsValuesOnExit) {
    SetEntryValue("", "Copyright", "x");
    SetEntryValue("Alpha", "Pfad", "C:\\a.exe");
    SetEntryValue("Alpha", "Tage", "10");
    SetEntryValue("Alpha", "Parameter", "-x");
    SetEntryValue("Delta", "Pfad", "C:\\d.exe");
    SetEntryValue("Delta", "Tage", "abc");
    SetEntryValue("Delta", "Parameter", "pDelta");
    Tstarterform& f = Open();
    ClickTab(1);
    EXPECT_EQ(f.Edit4.Text(), "Delta");
    EXPECT_EQ(f.Edit1.Text(), "C:\\d.exe");
    EXPECT_EQ(f.Edit2.Text(), "abc");
    EXPECT_EQ(f.Edit3.Text(), "pDelta");
    EXPECT_TRUE(f.RadioButton1.Checked());
    Click(f.Ende);
    EXPECT_FALSE(IsWindowVisible(f.Handle()));
    EXPECT_EQ(EntryValue("Delta", "Pfad"), "C:\\d.exe");
    EXPECT_EQ(EntryValue("Delta", "Tage"), "abc");
    EXPECT_EQ(EntryValue("Delta", "Parameter"), "pDelta");
    EXPECT_EQ(EntryValue("Delta", "Fenster"), std::nullopt);  // not even the mode written back
    EXPECT_EQ(EntryValue("Alpha", "Tage"), "10");
    EXPECT_EQ(EntryValue("Alpha", "Parameter"), "-x");
}

TEST_F(StarterDialog, AnEntryLoadedIncompletelyIsSavedOnlyAfterTheUserEditsIt) {
    SetEntryValue("", "Copyright", "x");
    SetEntryValue("Alpha", "Pfad", "C:\\a.exe");
    SetEntryValue("Alpha", "Tage", "10");
    SetEntryValue("Alpha", "Parameter", "-x");
    SetEntryValue("Alpha", "Fenster", "3");
    SetEntryValue("Delta", "Pfad", "C:\\d.exe");
    SetEntryValue("Delta", "Tage", "abc");
    SetEntryValue("Delta", "Parameter", "pDelta");
    SetEntryValue("Epsilon", "Pfad", "C:\\e.exe");
    SetEntryValue("Epsilon", "Fenster", "normal");
    SetEntryValue("Epsilon", "Parameter", "pEpsilon");
    constexpr DWORD kNumber = 5;  // a value of another type than a string
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\KIVU\\Starter\\Zeta", "Parameter", REG_DWORD, &kNumber,
                    sizeof kNumber);
    SetEntryValue("Zeta", "Pfad", "C:\\z.exe");
    SetEntryValue("Zeta", "Tage", "3");
    const auto zetaParameter = [] {
        DWORD value = 0, size = sizeof value;
        return RegGetValueA(HKEY_CURRENT_USER, "Software\\KIVU\\Starter\\Zeta", "Parameter", RRF_RT_REG_DWORD,
                            nullptr, &value, &size) == ERROR_SUCCESS ? value : 0;
    };
    Tstarterform& f = Open();
    ASSERT_EQ(Tabs(), (Names{"Alpha", "Delta", "Epsilon", "Zeta"}));

    // Switching away, New and Delete save the shown entry: not an incomplete one.
    ClickTab(1);
    ClickTab(2);  // a window mode that is no number: every field filled, no option
    EXPECT_EQ(f.Edit3.Text(), "pEpsilon");
    EXPECT_EQ(f.Edit2.Text(), "7");
    EXPECT_FALSE(f.RadioButton1.Checked() || f.RadioButton2.Checked() || f.RadioButton3.Checked());
    EXPECT_EQ(EntryValue("Epsilon", "Tage"), std::nullopt);
    ClickTab(3);  // a parameter that cannot be read shows empty
    EXPECT_EQ(f.Edit1.Text(), "C:\\z.exe");
    EXPECT_EQ(f.Edit2.Text(), "3");
    EXPECT_EQ(f.Edit3.Text(), "");
    ClickTab(1);
    Click(f.Neu);
    EXPECT_EQ(EntryValue("Delta", "Tage"), "abc");
    EXPECT_EQ(EntryValue("Delta", "Parameter"), "pDelta");
    EXPECT_EQ(EntryValue("Epsilon", "Tage"), std::nullopt);
    EXPECT_EQ(EntryValue("Epsilon", "Fenster"), "normal");
    EXPECT_EQ(zetaParameter(), kNumber);
    EXPECT_EQ(EntryValue("Zeta", "Fenster"), std::nullopt);
    ClickTab(0);
    Click(f.Loeschen);  // Alpha goes, Delta is shown
    EXPECT_EQ(f.Edit4.Text(), "Delta");
    EXPECT_EQ(f.Edit3.Text(), "pDelta");
    Click(f.Loeschen);  // Delta goes, Epsilon is shown
    EXPECT_EQ(f.Edit4.Text(), "Epsilon");
    ClickTab(1);
    EXPECT_EQ(f.Edit4.Text(), "Zeta");
    EXPECT_EQ(EntryValue("Epsilon", "Tage"), std::nullopt);

    // An edit makes the fields the user's: the path is saved, and the
    // empty parameters field keeps what is stored.
    f.Edit1.SetText("C:\\z2.exe");
    ClickTab(0);
    EXPECT_EQ(EntryValue("Zeta", "Pfad"), "C:\\z2.exe");
    EXPECT_EQ(EntryValue("Zeta", "Tage"), "3");
    EXPECT_EQ(zetaParameter(), kNumber);
    // A chosen option is the user's too, and so is the slider.
    Click(f.RadioButton2);
    EXPECT_EQ(EntryValue("Epsilon", "Fenster"), "2");
    f.TrackBar1.SetPosition(12);
    Click(f.Ende);
    EXPECT_EQ(EntryValue("Epsilon", "Tage"), "12");
    EXPECT_EQ(EntryValue("Epsilon", "Parameter"), "pEpsilon");
}

TEST_F(StarterDialog, SwitchingTabsSavesAndAClickOnTheStripKeepsEdits) {
    SeedTwo();
    Tstarterform& f = Open();
    f.Edit1.SetText("C:\\new.exe");
    f.Edit3.SetText("");
    Retype(f.Edit2, "150");
    // Focus moving to the strip does not reload the fields over the edits.
    ClickTab(0);
    EXPECT_EQ(f.Edit1.Text(), "C:\\new.exe");
    ClickTab(1);
    EXPECT_EQ(EntryValue("Alpha", "Pfad"), "C:\\new.exe");
    EXPECT_EQ(EntryValue("Alpha", "Tage"), "150");
    EXPECT_EQ(EntryValue("Alpha", "Parameter"), "-a");  // an emptied field keeps it
    EXPECT_EQ(f.Edit1.Text(), "C:\\b.exe");
    ClickTab(0);
    EXPECT_EQ(f.Edit2.Text(), "99");
}

TEST_F(StarterDialog, SliderAndItsTextField) {
    SeedTwo();
    Tstarterform& f = Open();
    f.TrackBar1.SetPosition(30);
    EXPECT_EQ(f.Edit2.Text(), "30");
    // Keys on the slider come back as its own notifications.
    SendMessageA(f.TrackBar1.Handle(), WM_KEYDOWN, VK_RIGHT, 0);
    SendMessageA(f.TrackBar1.Handle(), WM_KEYUP, VK_RIGHT, 0);
    EXPECT_EQ(f.TrackBar1.Position(), 31);
    EXPECT_EQ(f.Edit2.Text(), "31");
}

TEST_F(StarterDialog, NewEntriesAreSavedOnlyOnceNamedAndWithAPath) {
    Tstarterform& f = Open();
    Click(f.Neu);
    EXPECT_TRUE(EditGroupEnabled());
    Click(f.Neu);
    EXPECT_EQ(Tabs(), (Names{"Noname", "Noname"}));
    EXPECT_EQ(f.TabControl1.Index(), 1);
    EXPECT_EQ(f.Edit4.Text(), "Noname");
    EXPECT_EQ(f.Edit2.Text(), "7");
    EXPECT_TRUE(f.RadioButton1.Checked());
    EXPECT_TRUE(f.TabControl1.Focused());
    EXPECT_FALSE(StoreExists());

    // Named, every keystroke renames the tab; without a path nothing is saved.
    Retype(f.Edit4, "Mail");
    EXPECT_EQ(Tabs(), (Names{"Noname", "Mail"}));
    Click(f.Neu);
    EXPECT_FALSE(StoreExists());
    EXPECT_EQ(Tabs(), (Names{"Noname", "Mail", "Noname"}));

    ClickTab(1);
    f.Edit1.SetText("C:\\mail.exe");
    Click(f.RadioButton2);
    Click(f.Ende);
    EXPECT_EQ(EntryValue("Mail", "Pfad"), "C:\\mail.exe");
    EXPECT_EQ(EntryValue("Mail", "Tage"), "7");
    EXPECT_EQ(EntryValue("Mail", "Fenster"), "2");
    EXPECT_EQ(EntryValue("Noname", "Pfad"), std::nullopt);
    EXPECT_TRUE(Autostart().has_value());
    EXPECT_FALSE(IsWindowVisible(f.Handle()));  // Exit closed it
}

TEST_F(StarterDialog, ProgramChosenInTheOpenDialogGoesIntoThePathField) {
    SeedTwo();
    Tstarterform& f = Open();
    TempDir dir;
    const std::string program = dir.Write("tool.exe");
    // The dialog is modal: another thread types the name and presses Open.
    DialogAnswerer user({{"#32770", [&](HWND w) {
                              HWND name = GetDlgItem(w, 0x47c);  // the file name box (edit or combo)
                              SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(program.c_str()));
                              PostMessageA(w, WM_COMMAND, name ? IDOK : IDCANCEL, 0);
                          }}});
    Click(f.Button3);
    EXPECT_TRUE(user.Done());
    EXPECT_EQ(f.Edit1.Text(), program);
}

TEST_F(StarterDialog, NewIsRefusedWhileAStartedNonameExists) {
    SeedTwo();
    SetEntryValue("Noname", "Datum", "60000");
    Tstarterform& f = Open();
    const auto before = Tabs();
    BoxWatcher boxes;
    Click(f.Neu);
    ASSERT_TRUE(WaitUntil([&] { return boxes.count() == 1; }));
    EXPECT_EQ(boxes.text, "Wert existiert schon.");
    EXPECT_EQ(boxes.caption, "Fehler");
    EXPECT_EQ(Tabs(), before);
}

TEST_F(StarterDialog, NameThatClashesChangesNothingAndSavesStayWithTheShownEntry) {
    SeedTwo();
    Tstarterform& f = Open();
    // Pasted at once: another tab's name (letter case aside) and a name
    // that would reach into another key are refused.
    f.Edit4.SetText("BETA");
    EXPECT_EQ(Tabs(), (Names{"Alpha", "beta"}));
    EXPECT_EQ(f.Edit4.Text(), "BETA");
    f.Edit4.SetText("beta\\x");
    EXPECT_EQ(Tabs(), (Names{"Alpha", "beta"}));
    f.Edit1.SetText("C:\\changed.exe");
    Click(f.RadioButton2);
    Click(f.Ende);
    EXPECT_EQ(EntryValue("Alpha", "Pfad"), "C:\\changed.exe");
    EXPECT_EQ(EntryValue("Alpha", "Fenster"), "2");
    EXPECT_EQ(EntryValue("beta", "Pfad"), "C:\\b.exe");
    EXPECT_EQ(EntryValue("beta", "Fenster"), "3");
}

TEST_F(StarterDialog, TypedNameMovesTheEntryAtEveryKeystrokeUntilItClashes) {
    SeedTwo();
    SetEntryValue("Alpha", "Datum", "60000");
    Tstarterform& f = Open();
    Retype(f.Edit4, "Gamma");
    EXPECT_EQ(Tabs(), (Names{"Gamma", "beta"}));
    EXPECT_EQ(EntryValue("Alpha", "Pfad"), std::nullopt);
    EXPECT_EQ(EntryValue("Gamma", "Pfad"), "C:\\a.exe");
    EXPECT_EQ(EntryValue("Gamma", "Datum"), "60000");
    EXPECT_EQ(EntryValue("G", "Pfad"), std::nullopt);  // passed through, moved on
    // Typed over, "beta" passes through "b", "be" and "bet"; the last key clashes.
    Retype(f.Edit4, "beta");
    EXPECT_EQ(Tabs(), (Names{"bet", "beta"}));
    EXPECT_EQ(EntryValue("bet", "Pfad"), "C:\\a.exe");
    EXPECT_EQ(EntryValue("beta", "Pfad"), "C:\\b.exe");
}

TEST_F(StarterDialog, DeleteAsksNothingAndTheLastOneTakesTheStoreAndAutostart) {
    SeedTwo();
    SetAutostart("k 3 start");
    Tstarterform& f = Open();
    // An emptied name field names nothing: the shown entry goes, not the store.
    Retype(f.Edit4, "");
    Click(f.Loeschen);
    EXPECT_EQ(Tabs(), Names{"beta"});
    EXPECT_EQ(EntryValue("Alpha", "Pfad"), std::nullopt);
    EXPECT_EQ(EntryValue("beta", "Pfad"), "C:\\b.exe");
    EXPECT_EQ(f.Edit4.Text(), "beta");
    EXPECT_TRUE(f.TabControl1.Focused());

    Click(f.Loeschen);
    EXPECT_EQ(Tabs(), Names{});
    EXPECT_FALSE(StoreExists());
    EXPECT_EQ(Autostart(), std::nullopt);
    EXPECT_EQ(f.Edit1.Text(), "");
    EXPECT_EQ(f.Edit4.Text(), "");
    EXPECT_FALSE(f.Edit1.Enabled());
    EXPECT_FALSE(f.Loeschen.Enabled());
    EXPECT_TRUE(f.Neu.Enabled());
}

TEST_F(StarterDialog, AccessKeysAndTabOrder) {
    SeedTwo();
    Tstarterform& f = Open();
    EXPECT_TRUE(f.TabControl1.Focused());  // shown with the focus on the strip
    const auto send = [&](UINT msg, WPARAM key) {
        PostMessageA(GetFocus(), msg, key, msg == WM_SYSCHAR ? 1 << 29 : 0);
        ui::App().ProcessMessages();
    };
    send(WM_SYSCHAR, 'p');
    EXPECT_TRUE(f.Edit1.Focused());
    send(WM_SYSCHAR, 'a');
    EXPECT_TRUE(f.Edit3.Focused());
    send(WM_SYSCHAR, 'w');
    EXPECT_TRUE(f.RadioButton1.Focused());  // the checked option
    // Tab goes down the form: the options are one stop, then slider, days, buttons.
    std::vector<HWND> order;
    f.TabControl1.SetFocus();
    for (int i = 0; i < 10; ++i) {
        order.push_back(GetFocus());
        send(WM_KEYDOWN, VK_TAB);
    }
    const std::vector<HWND> expected = {f.TabControl1.Handle(), f.Edit4.Handle(), f.Edit1.Handle(),
                                        f.Button3.Handle(), f.Edit3.Handle(), f.RadioButton1.Handle(),
                                        f.TrackBar1.Handle(), f.Edit2.Handle(), f.Neu.Handle(),
                                        f.Loeschen.Handle()};
    EXPECT_EQ(order, expected);
    send(WM_SYSCHAR, 'e');  // Exit
    EXPECT_FALSE(IsWindowVisible(f.Handle()));
}

// ---- The automatic run, tick by tick

TEST_F(StarterDialog, AutomaticRunStartsOnlyTheDueEntryAndClosesAfterTheLast) {
    TempDir dir;
    const std::string record = dir.path() + "record.txt";
    ProbeRelease release;
    const int32_t today = TodayNumber();
    SetEntryValue("", "Copyright", "x");
    SetEntryValue("a", "Pfad", ProbeExe());
    SetEntryValue("a", "Parameter", record + " first");
    SetEntryValue("a", "Datum", std::to_string(today - 6));
    SetEntryValue("b", "Pfad", ProbeExe());
    SetEntryValue("b", "Parameter", record + " --until " + release.Name());
    SetEntryValue("b", "Datum", std::to_string(today - 7));
    SetEntryValue("b", "Fenster", "2");
    SetEntryValue("c", "Pfad", ProbeExe());
    SetEntryValue("c", "Datum", std::to_string(today + 3));  // clock set back
    SetEntryValue("c", "Parameter", record + " third");

    Tstarterform& f = Open(true);
    EXPECT_TRUE(f.Timer1.Running());
    EXPECT_FALSE(f.Enabled());
    EXPECT_TRUE(IsIconic(f.Handle()));
    f.Timer1.Stop();  // the ticks come from the test

    f.Timer1Timer();
    EXPECT_EQ(f.Caption(), "KIVU Starter - a");
    EXPECT_EQ(ui::App().Title(), "KIVU Starter - a");
    EXPECT_EQ(f.StatusBar1.PanelText(0), "a");
    EXPECT_EQ(f.StatusBar1.PanelText(1), ProbeExe());
    EXPECT_EQ(f.StatusBar1.PanelText(2), "6 / 7");
    EXPECT_FALSE(f.WorkerRunning());

    f.Timer1Timer();
    EXPECT_EQ(f.StatusBar1.PanelText(2), "7 / 7");
    EXPECT_EQ(f.StatusBar1.PanelText(3), "gestartet.");
    EXPECT_TRUE(f.WorkerRunning());
    EXPECT_FALSE(f.Timer1.Running());
    EXPECT_EQ(EntryValue("b", "Datum"), std::to_string(today));
    ASSERT_TRUE(WaitUntil([&] { return ReadProbeRecord(record).size() == 1; }));
    release.Set();
    ASSERT_TRUE(WaitUntil([&] { return !f.WorkerRunning(); }));
    EXPECT_EQ(f.StatusBar1.PanelText(3), "beendet.");
    EXPECT_TRUE(f.Timer1.Running());
    f.Timer1.Stop();
    const auto runs = ReadProbeRecord(record);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_TRUE(runs[0].ended);
    EXPECT_EQ(runs[0].show, SW_SHOWMINIMIZED);
    EXPECT_EQ(runs[0].args, "--until " + release.Name());

    f.Timer1Timer();
    EXPECT_EQ(f.StatusBar1.PanelText(2), "-3 / 7");
    EXPECT_FALSE(f.WorkerRunning());
    f.Timer1Timer();
    EXPECT_EQ(f.Caption(), "KIVU Starter");
    EXPECT_FALSE(IsWindowVisible(f.Handle()));
    EXPECT_EQ(ReadProbeRecord(record).size(), 1u);
    EXPECT_EQ(EntryValue("a", "Datum"), std::to_string(today - 6));
    EXPECT_EQ(EntryValue("c", "Datum"), std::to_string(today + 3));
}

TEST_F(StarterDialog, AutomaticRunGoesOnAfterAValueThatIsNoNumber) {
    SetEntryValue("", "Copyright", "x");
    SetEntryValue("a", "Pfad", "C:\\nowhere\\a.exe");
    SetEntryValue("a", "Tage", "sieben");
    SetEntryValue("b", "Pfad", "C:\\nowhere\\b.exe");
    SetEntryValue("b", "Fenster", "normal");
    SetEntryValue("c", "Pfad", "C:\\nowhere\\c.exe");  // due, cannot start
    Tstarterform& f = Open(true);
    f.Timer1.Stop();
    try {
        f.Timer1Timer();
        ADD_FAILURE() << "no conversion error";
    } catch (const kivu::ConvertError& e) {
        EXPECT_STREQ(e.what(), "'sieben' ist kein gültiger Integerwert");
    }
    EXPECT_THROW(f.Timer1Timer(), kivu::ConvertError);
    EXPECT_EQ(f.Caption(), "KIVU Starter - b");
    EXPECT_EQ(EntryValue("b", "Datum"), std::nullopt);
    f.Timer1Timer();
    EXPECT_EQ(f.Caption(), "KIVU Starter - c");
    // A start that fails still counts as started and reports back.
    EXPECT_EQ(EntryValue("c", "Datum"), std::to_string(TodayNumber()));
    ASSERT_TRUE(WaitUntil([&] { return !f.WorkerRunning(); }));
    EXPECT_EQ(f.StatusBar1.PanelText(3), "beendet.");
}
