// The configuration window in this process, driven with messages as a
// user's clicks would: option boxes, the language switch, the layout, the
// page guard, standard folders, the about page. The language file, the list
// files and the registry are the prefix's own and are put back afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "common/kivulanguage.h"
#include "common/reg.h"
#include "config/konfigstore.h"
#include "config/ftpsiteform.h"
#include "config/konfigunit.h"
#include "tests/win/support/winsupport.h"

using namespace testsupport;
using kivu::Tkonfigdialog;

namespace {

std::string LanguagePath() { return kivu::ListFilePath(kivu::kLanguageFile); }
void FlushProfileCache() { WritePrivateProfileStringA(nullptr, nullptr, nullptr, kivu::kLanguageFile); }

void WriteBytes(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
}

std::string MenuValue(const char* name) {
    return kivu::ReadRegString(HKEY_CURRENT_USER, kivu::kMenuKey, name, "<missing>");
}

// Saves a file and puts it back (or removes it) when the test ends.
class KeptFile {
public:
    explicit KeptFile(std::string path) : path_(std::move(path)), saved_(kivu::ReadListFile(path_)) {}
    ~KeptFile() {
        if (saved_) WriteBytes(path_, *saved_);
        else DeleteFileA(path_.c_str());
    }
    KeptFile(const KeptFile&) = delete;
    KeptFile& operator=(const KeptFile&) = delete;

private:
    std::string path_;
    std::optional<std::string> saved_;
};

class KonfigDialog : public ::testing::Test {
protected:
    void SetUp() override {
        kivu::DeleteRegKey(HKEY_CURRENT_USER, kivu::kMenuKey);
        for (const char* f : {kivu::kFoldersFile, kivu::kProgramsFile, kivu::kFtpFile})
            DeleteFileA(kivu::ListFilePath(f).c_str());
        kivu::ClearLangCache();
    }
    void TearDown() override {
        form.reset();
        FlushProfileCache();
        kivu::ClearLangCache();
        kivu::DeleteRegKey(HKEY_CURRENT_USER, kivu::kMenuKey);
        kivu::WriteRegString(HKEY_CLASSES_ROOT, kivu::kFolderShellKey, "", verb_);
    }
    void Open(std::vector<std::string> args = {"kivuutil", "0"}) {
        form = std::make_unique<Tkonfigdialog>(std::move(args));
        form->Create();
        form->Show();
        PumpMessages();
    }
    static void Click(ui::Control& c) { SendMessageA(c.Handle(), BM_CLICK, 0, 0); }
    // A press on the box of item i of the check list.
    void ClickBox(int i) {
        const LPARAM at = MAKELPARAM(5, i * form->CheckListBox1.ItemHeight() + 6);
        SendMessageA(form->CheckListBox1.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(form->CheckListBox1.Handle(), WM_LBUTTONUP, 0, at);
    }
    // The user picks a language from the list.
    void PickLanguage(const std::string& name) {
        HWND combo = form->ComboBox1.Handle();
        const LRESULT i = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(name.c_str()));
        ASSERT_NE(i, CB_ERR) << name;
        SendMessageA(combo, CB_SETCURSEL, i, 0);
        SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
    }
    // A click on tab i of the page control.
    void ClickTab(int i) {
        HWND tabs = form->PageControl1.Handle();
        RECT r;
        ASSERT_TRUE(SendMessageA(tabs, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r)));
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(tabs, WM_LBUTTONUP, 0, at);
    }

    KeptFile language_{LanguagePath()};
    KeptFile folders_{kivu::ListFilePath(kivu::kFoldersFile)};
    KeptFile programs_{kivu::ListFilePath(kivu::kProgramsFile)};
    KeptFile ftp_{kivu::ListFilePath(kivu::kFtpFile)};
    std::string verb_ = kivu::ReadRegString(HKEY_CLASSES_ROOT, kivu::kFolderShellKey, "", "");
    std::unique_ptr<Tkonfigdialog> form;
};

}  // namespace

TEST_F(KonfigDialog, EachOptionBoxWritesItsValueTheMomentItChanges) {
    Open({"kivuutil", "0", "4"});
    EXPECT_EQ(MenuValue("ExSubMenu"), "<missing>");
    Click(form->CheckBox1);
    EXPECT_EQ(MenuValue("ExSubMenu"), "1");
    Click(form->CheckBox1);
    EXPECT_EQ(MenuValue("ExSubMenu"), "0");
    Click(form->CheckBox2);
    EXPECT_EQ(MenuValue("ZeigeBitmap"), "0");
    ASSERT_TRUE(form->CheckBox4.Checked());
    Click(form->CheckBox4);  // "context menu" off: the stored flag is inverted
    EXPECT_EQ(MenuValue("nowindowcheck"), "1");
    Click(form->CheckBox5);
    EXPECT_EQ(kivu::ReadFolderVerb(), "explore");
    Click(form->CheckBox5);
    EXPECT_EQ(kivu::ReadFolderVerb(), "");
}

TEST_F(KonfigDialog, StoredOptionsSetTheBoxesAndTheVerbIsCaseSensitive) {
    kivu::WriteRegString(HKEY_CURRENT_USER, kivu::kMenuKey, "ExSubMenu", "1");
    kivu::WriteRegString(HKEY_CURRENT_USER, kivu::kMenuKey, "ZeigeBitmap", "0");
    kivu::WriteRegString(HKEY_CURRENT_USER, kivu::kMenuKey, "nowindowcheck", "1");
    kivu::WriteRegString(HKEY_CLASSES_ROOT, kivu::kFolderShellKey, "", "Explore");
    Open({"kivuutil", "0", "4"});
    EXPECT_TRUE(form->CheckBox1.Checked());
    EXPECT_FALSE(form->CheckBox2.Checked());
    EXPECT_TRUE(form->CheckBox3.Checked());
    EXPECT_FALSE(form->CheckBox4.Checked());
    EXPECT_FALSE(form->CheckBox5.Checked());
    EXPECT_EQ(MenuValue("ZeigeBitmap"), "0");  // a clear box writes nothing
}

TEST_F(KonfigDialog, TheCheckListShowsEveryEntryWithATextAndItsStoredTick) {
    kivu::WriteRegString(HKEY_CURRENT_USER, kivu::kMenuKey, "status", std::string(12, '1') + "0" + std::string(87, '1'));
    Open();
    ASSERT_EQ(form->CheckListBox1.Count(), 16);
    EXPECT_EQ(form->CheckListBox1.ItemText(0), "Copy path [11]");
    EXPECT_EQ(form->CheckListBox1.ItemText(15), "Live update [97]");
    EXPECT_EQ(form->CheckListBox1.ItemData(15), 97);
    EXPECT_TRUE(form->CheckListBox1.Checked(1));
    EXPECT_FALSE(form->CheckListBox1.Checked(2));  // entry 13
    EXPECT_EQ(form->CheckListBox1.Selected(), 0);
    ClickBox(2);
    EXPECT_TRUE(form->CheckListBox1.Checked(2));
    EXPECT_EQ(form->CheckListBox1.Selected(), 2);
    EXPECT_EQ(MenuValue("status"), std::string(100, '1'));
}

TEST_F(KonfigDialog, TheLanguageSwitchReappliesEveryCaptionAndKeepsTheTicks) {
    Open({"kivuutil", "0", "4"});
    form->PageControl1.BuildPage(3);  // the programs page was shown before the switch, the FTP page was not
    ClickBox(1);  // entry 12 off
    ASSERT_FALSE(form->CheckListBox1.Checked(1));
    EXPECT_EQ(form->Caption(), "KIVU - Menu entries configuration");
    EXPECT_TRUE(form->ALed1.Value());
    PickLanguage("German");
    EXPECT_EQ(form->Caption(), "KIVU - Menueinträge Konfiguration");
    EXPECT_EQ(form->PageControl1.PageCaption(0), "KIVU Menüeinträge");
    EXPECT_EQ(form->PageControl1.PageCaption(5), "Über KIVU");
    EXPECT_EQ(form->CheckBox1.Text(), "&Explorer Menüeinträge als Submenü");
    EXPECT_EQ(form->Label1.Text(), "Sprache:");
    EXPECT_EQ(form->Button2.Text(), "Standard&verzeichnisse Hinzufügen");
    EXPECT_EQ(form->Button3.Text(), "Live-Update");
    EXPECT_EQ(form->ListView1.ColumnCaption(2), "Verzeichnis");
    form->PageControl1.BuildPage(2);
    EXPECT_EQ(form->ListView2.ColumnCaption(1), "Pfad / Adresse");
    EXPECT_EQ(form->ListView2.ColumnCaption(2), "");
    EXPECT_EQ(form->PopupMenu1.Items()[0]->caption, "Verzeichnis hinzufügen\tStrg-Einf");
    EXPECT_EQ(form->PopupMenu4.Items()[0]->caption, "FTP Seite hinzufügen");
    EXPECT_EQ(form->OpenDialog1.filter, "Programme|*.exe;*.com;*.pif;*.lnk;*.bat;*.cmd");
    EXPECT_EQ(form->CheckListBox1.ItemText(0), "Pfad kopieren [11]");
    EXPECT_FALSE(form->CheckListBox1.Checked(1));
    EXPECT_TRUE(form->CheckListBox1.Checked(0));
    EXPECT_EQ(form->CheckListBox1.Selected(), -1);
    EXPECT_TRUE(form->ALed1.Value());
    EXPECT_EQ(kivu::CurrentLanguageSetting(), "German");
    EXPECT_EQ(form->ComboBox1.Text(), "German");
    EXPECT_EQ(MenuValue("status"), std::string(11, '1') + "0" + std::string(88, '1'));  // nothing else stored

    // Typing a name is a change too.
    form->ComboBox1.SetText("English");
    SendMessageA(form->Panel1.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(form->ComboBox1.Handle()), CBN_EDITCHANGE),
                 reinterpret_cast<LPARAM>(form->ComboBox1.Handle()));
    EXPECT_EQ(form->Caption(), "KIVU - Menu entries configuration");
    EXPECT_EQ(form->PopupMenu2.Items()[0]->caption, "Add program\tCtrl-Ins");
    EXPECT_EQ(form->PopupMenu4.Items()[0]->caption, "Add FTP site");
}

TEST_F(KonfigDialog, TheFtpSiteDialogTakesItsTextsFromTheLanguage) {
    for (const auto& [language, texts] : std::vector<std::pair<std::string, std::vector<std::string>>>{
             {"English", {"Add FTP site", "&Name:", "&Address:", "OK", "Cancel"}},
             {"German", {"FTP Seite hinzufügen", "&Name:", "&Adresse:", "OK", "Abbrechen"}}}) {
        kivu::SetCurrentLanguage(language);
        kivu::ClearLangCache();
        kivu::Tftpsiteform dialog;
        dialog.Create();
        EXPECT_EQ((std::vector<std::string>{dialog.Caption(), dialog.Label1.Text(), dialog.Label2.Text(),
                                            dialog.Button1.Text(), dialog.Button2.Text()}),
                  texts);
        EXPECT_EQ(dialog.Edit1.Text(), "");
        EXPECT_EQ(dialog.Edit2.Text(), "");
    }
}

TEST_F(KonfigDialog, ALanguageWithoutItsMarkTurnsTheLedRedAndFallsBackToEnglish) {
    WritePrivateProfileStringA("Available", "Klingon", "", kivu::kLanguageFile);
    WritePrivateProfileStringA("Klingon", "11", "tlhIngan", kivu::kLanguageFile);
    Open({"kivuutil", "0", "4"});
    const COLORREF red = RGB(255, 0, 0);
    EXPECT_EQ(form->ALed1.FalseColor(), red);
    EXPECT_EQ(form->ALed1.LEDStyle(), kivu::TLEDStyle::LEDSqSmall);
    EXPECT_FALSE(form->ALed1.Blink());
    PickLanguage("Klingon");
    EXPECT_FALSE(form->ALed1.Value());
    EXPECT_TRUE(form->ALed1.ShowsFalseImage());
    EXPECT_EQ(form->CheckListBox1.ItemText(0), "tlhIngan [11]");
    EXPECT_EQ(form->CheckListBox1.ItemText(1), "Copy name [12]");
    PickLanguage("English");
    EXPECT_TRUE(form->ALed1.Value());
}

TEST_F(KonfigDialog, TheLayoutFollowsTheWindowsWidth) {
    Open({"kivuutil", "0", "4"});
    form->PageControl1.BuildPage(3);
    form->SetSize(1000, 600);
    EXPECT_EQ(form->Panel1.Width(), 700);
    EXPECT_EQ(form->CheckBox3.Width(), 500);
    EXPECT_EQ(form->Button2.Bounds().left, (form->Panel2.Width() - 215) / 2);
    EXPECT_EQ(form->Button3.Bounds().left, (form->Panel2.Width() - 215) / 2);
    EXPECT_EQ(form->ListView1.ColumnWidth(1), 1000 - 120 - 100 - 50);
    form->PageControl1.BuildPage(2);  // a page first shown at this width
    EXPECT_EQ(form->ListView2.ColumnWidth(1), 1000 - 150 - 50);
    form->ListView2.SetColumnWidth(0, 500);
    form->SetSize(640, 600);
    EXPECT_EQ(form->Panel1.Width(), 340);  // 640 - 300 beats half of 640
    EXPECT_EQ(form->ListView2.ColumnWidth(1), 300);  // at least 300
    EXPECT_EQ(form->Splitter1.Bounds().left, form->Panel1.Width());
    // At the narrowest the panel is half the window: the boxes stay inside it.
    form->SetSize(600, 600);
    EXPECT_EQ(form->Panel1.Width(), 300);
    for (ui::CheckBox* box : {&form->CheckBox1, &form->CheckBox5})
        EXPECT_LE(box->Bounds().right, form->Panel1.Width() - 4) << box->Name();
}

TEST_F(KonfigDialog, TheUserChangesPagesOnlyWhileTheCheckListHasItems) {
    Open();
    ClickTab(4);
    EXPECT_EQ(form->PageControl1.ActivePage(), 4);
    EXPECT_TRUE(form->TabSheet4.Visible());
    EXPECT_FALSE(form->TabSheet1.Visible());
    form.reset();
    WriteBytes(LanguagePath(), "[Language]\r\nCurrent=English\r\n[English]\r\n10300=Empty\r\n");
    FlushProfileCache();
    kivu::ClearLangCache();
    Open();
    ASSERT_EQ(form->CheckListBox1.Count(), 0);
    EXPECT_EQ(form->Caption(), "Empty");
    form->PageControl1.BuildPage(4);
    EXPECT_EQ(form->CheckBox1.Text(), "");  // a missing text blanks the caption
    ClickTab(4);
    EXPECT_EQ(form->PageControl1.ActivePage(), 0);
    EXPECT_TRUE(form->TabSheet1.Visible());
    Click(form->Button2);  // the program may still change it
    EXPECT_EQ(form->PageControl1.ActivePage(), 1);
}

TEST_F(KonfigDialog, StandardFoldersGoOntoTheFolderPage) {
    WriteBytes(kivu::ListFilePath(kivu::kFoldersFile), "C:\\Keep\r\n");
    Open({"kivuutil", "0", "4"});
    ASSERT_EQ(form->ListBox1.Handle(), nullptr);  // the folder page was not shown yet
    ASSERT_EQ(form->Folders().Count(), 1);
    Click(form->Button2);
    EXPECT_EQ(form->PageControl1.ActivePage(), 1);
    ASSERT_EQ(form->ListBox1.Count(), 4);
    char windir[MAX_PATH];
    GetWindowsDirectoryA(windir, MAX_PATH);
    EXPECT_EQ(form->ListBox1.ItemText(0), "C:\\Keep");
    EXPECT_EQ(form->ListBox1.ItemText(2), kivu::AsciiLower(windir));
    EXPECT_EQ(form->Folders().Entries()[1], kivu::AsciiLower(*kivu::ExpandEnvironment("%userprofile%")));
}

TEST_F(KonfigDialog, TheAboutPageIsAFixedReadOnlyTextOutOfTheTabOrder) {
    Open({"kivuutil", "0", "5"});
    EXPECT_EQ(form->PageControl1.ActivePage(), 5);
    const std::string text = form->RichEdit1.Text();
    EXPECT_EQ(text, kivu::AboutText());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 25);  // 26 lines
    EXPECT_EQ(text.substr(0, 40), std::string(38, '-') + "\r\n");
    EXPECT_NE(text.find("\r\nVersion:\t\tSee statusbar for version.\r\n"), std::string::npos);
    EXPECT_NE(text.find("may be one  or more versions behind."), std::string::npos);
    const LONG style = GetWindowLongA(form->RichEdit1.Handle(), GWL_STYLE);
    EXPECT_TRUE(style & ES_READONLY);
    EXPECT_FALSE(style & WS_TABSTOP);
    EXPECT_FALSE(style & (WS_VSCROLL | WS_HSCROLL));
}

TEST_F(KonfigDialog, TabWalksTheOptionsPageInItsOrderAndAccessKeysReachTheBoxes) {
    Open({"kivuutil", "0", "4"});
    HWND top = form->Handle();
    std::vector<HWND> order;
    HWND at = form->PageControl1.Handle();
    for (int i = 0; i < 12; ++i) {
        at = GetNextDlgTabItem(top, at, FALSE);
        order.push_back(at);
        if (at == form->PageControl1.Handle()) break;
    }
    const std::vector<HWND> expected = {form->CheckBox1.Handle(), form->CheckBox2.Handle(), form->CheckBox3.Handle(),
                                        form->CheckBox4.Handle(), form->CheckBox5.Handle(), form->ComboBox1.Handle(),
                                        form->Button2.Handle(),   form->Button3.Handle(),   form->PageControl1.Handle()};
    EXPECT_EQ(order, expected);

    form->CheckBox1.SetFocus();
    MSG alt{form->CheckBox1.Handle(), WM_SYSCHAR, 'b', 0x20000000, 0, {}};
    EXPECT_TRUE(IsDialogMessageA(top, &alt));  // "Show &bitmap beside the menu"
    PumpMessages();
    EXPECT_FALSE(form->CheckBox2.Checked());
    EXPECT_EQ(MenuValue("ZeigeBitmap"), "0");
    alt.wParam = 'd';  // "&double pane"
    EXPECT_TRUE(IsDialogMessageA(top, &alt));
    PumpMessages();
    EXPECT_TRUE(form->CheckBox5.Checked());
    EXPECT_EQ(kivu::ReadFolderVerb(), "explore");
}

TEST_F(KonfigDialog, TheSplitterDragsTheLeftPanelsWidthWithinItsLimits) {
    Open({"kivuutil", "0", "4"});
    form->SetSize(900, 500);
    const int before = form->Panel1.Width();
    HWND bar = form->Splitter1.Handle();
    SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 10));
    SendMessageA(bar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<WORD>(-49), 10));
    EXPECT_EQ(form->Panel1.Width(), before - 50);
    EXPECT_EQ(form->Splitter1.Bounds().left, before - 50);
    EXPECT_EQ(form->Panel2.Bounds().left, before - 50 + 3);
    SendMessageA(bar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<WORD>(-2000), 10));
    EXPECT_EQ(form->Panel1.Width(), ui::Splitter::kMinSize);
    SendMessageA(bar, WM_LBUTTONUP, 0, MAKELPARAM(1, 10));
    SendMessageA(bar, WM_MOUSEMOVE, 0, MAKELPARAM(300, 10));  // released: no more dragging
    EXPECT_EQ(form->Panel1.Width(), ui::Splitter::kMinSize);
}

TEST_F(KonfigDialog, TheStartActionOpensTheFolderChooserAtTheGivenFolderOnce) {
    TempDir dir("C:\\");  // Wine's chooser finds no folder below the profile's Temp
    const std::string folder = dir.path().substr(0, dir.path().size() - 1);
    Open({"kivuutil", "0", "1", "1", folder});
    EXPECT_TRUE(form->StartActionPending());
    EXPECT_EQ(form->PageControl1.ActivePage(), 1);
    std::string startedAt, title;
    int opened = 0;
    form->BrowseFolder1.OnInitialized = [&](kivu::TBrowseFolder& sender, HWND dialog) {
        ++opened;
        startedAt = sender.SelectedPath();
        title = sender.Title;
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    };
    form->StartAction();  // the first idle turn
    form->StartAction();
    EXPECT_FALSE(form->StartActionPending());
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(startedAt, folder);
    EXPECT_EQ(title, "Add folder");  // text 10301 up to its backslash
    ASSERT_EQ(form->ListBox1.Count(), 1);
    EXPECT_EQ(form->ListBox1.ItemText(0), kivu::AsciiLower(folder));
    EXPECT_EQ(form->OpenDialog1.initialDir, folder);  // the program chooser starts there too
}

TEST_F(KonfigDialog, OnTheFtpPageTheStartActionKeepsTheDesignedChooserFolders) {
    Open({"kivuutil", "0", "2", "1", "c:\\temp"});
    form->StartAction();
    EXPECT_EQ(form->BrowseFolder1.Directory, "c:\\programme");
    EXPECT_EQ(form->OpenDialog1.initialDir, "");
}

TEST_F(KonfigDialog, TheDesignedMissingStartFolderOpensTheChooserSilentlyAtItsDefault) {
    ASSERT_EQ(GetFileAttributesA("c:\\programme"), INVALID_FILE_ATTRIBUTES);
    Open({"kivuutil", "0", "1"});
    std::string startedAt = "<none>";
    form->BrowseFolder1.OnInitialized = [&](kivu::TBrowseFolder& sender, HWND dialog) {
        startedAt = sender.SelectedPath();
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    form->Hinzufgen1Click();
    EXPECT_NE(startedAt, "<none>");
    EXPECT_NE(kivu::AsciiLower(startedAt), "c:\\programme");
    EXPECT_EQ(form->ListBox1.Count(), 0);  // cancelled
    EXPECT_EQ(form->BrowseFolder1.Directory, "c:\\programme");
}
TEST_F(KonfigDialog, ALanguageSectionTooLongToListStillShowsEveryEntry) {
    std::string file = "[Language]\r\nCurrent=English\r\n[English]\r\n";
    for (int i = 0; i < 3000; ++i) file += "padding" + std::to_string(i) + "=x\r\n";  // over 16384 bytes of keys
    file += "11=Eleven\r\n";
    WriteBytes(LanguagePath(), file);
    FlushProfileCache();
    kivu::ClearLangCache();
    Open();
    ASSERT_EQ(form->CheckListBox1.Count(), 1);
    EXPECT_EQ(form->CheckListBox1.ItemText(0), "Eleven [11]");
}

namespace {

// Holds Ctrl in this thread's key state while it lives (the form reads it
// with GetKeyState, as it would during a real key press).
class CtrlDown {
public:
    CtrlDown() { Set(0x80); }
    ~CtrlDown() { Set(0); }

private:
    static void Set(BYTE state) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = state;
        SetKeyboardState(keys);
    }
};

void Key(ui::Control& list, WORD key) { SendMessageA(list.Handle(), WM_KEYDOWN, key, 0); }

}  // namespace

TEST_F(KonfigDialog, CtrlKeysMoveAndDeleteOnEachList) {
    WriteBytes(kivu::ListFilePath(kivu::kFoldersFile), "a\r\nb\r\nc\r\n");
    WriteBytes(kivu::ListFilePath(kivu::kProgramsFile), "A|a|\r\nB|b|\r\nC|c|\r\n");
    WriteBytes(kivu::ListFilePath(kivu::kFtpFile), "A|1\r\nB|2\r\nC|3\r\n");
    Open({"kivuutil", "0", "1"});
    form->PageControl1.BuildPage(2);
    form->PageControl1.BuildPage(3);
    // Enter goes to each list (it opens the list's menu) rather than to the dialog keys.
    for (ui::Control* list : {static_cast<ui::Control*>(&form->ListBox1), static_cast<ui::Control*>(&form->ListView1),
                              static_cast<ui::Control*>(&form->ListView2)}) {
        MSG enter{list->Handle(), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
        EXPECT_TRUE(SendMessageA(list->Handle(), WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) &
                    DLGC_WANTMESSAGE);
    }
    {
        CtrlDown ctrl;
        Key(form->ListBox1, VK_DOWN);  // a moves down; the list's own Ctrl+Down follows it
        EXPECT_EQ(form->Folders().Entries(), (std::vector<std::string>{"b", "a", "c"}));
        form->ListBox1.Select(2);
        Key(form->ListBox1, VK_UP);
        EXPECT_EQ(form->Folders().Entries(), (std::vector<std::string>{"b", "c", "a"}));
        form->ListBox1.Select(0);
        Key(form->ListBox1, VK_DELETE);
        EXPECT_EQ(form->Folders().Entries(), (std::vector<std::string>{"c", "a"}));
        EXPECT_EQ(form->ListBox1.Selected(), 0);
    }
    Key(form->ListBox1, VK_DELETE);  // without Ctrl: nothing
    EXPECT_EQ(form->Folders().Count(), 2);

    form->PageControl1.SetActivePage(3);
    {
        CtrlDown ctrl;
        form->ListView1.Select(0);
        Key(form->ListView1, VK_DOWN);
        EXPECT_EQ(form->Programs()[0].Name, "B");
        EXPECT_EQ(form->Programs()[1].Name, "A");
        form->ListView1.Select(2);
        Key(form->ListView1, VK_DELETE);
        EXPECT_EQ(form->Programs().Count(), 2);
        EXPECT_EQ(form->ListView1.Selected(), 1);
    }
    form->PageControl1.SetActivePage(2);
    {
        CtrlDown ctrl;
        form->ListView2.Select(1);
        Key(form->ListView2, VK_UP);
        EXPECT_EQ(form->FtpSites()[0].Name, "B");
        Key(form->ListView2, VK_DELETE);  // the selection stayed at index 1
        ASSERT_EQ(form->FtpSites().Count(), 2);
        EXPECT_EQ(form->FtpSites()[1].Name, "C");
    }
    EXPECT_EQ(form->Programs().Count(), 2);  // the FTP keys left the programs alone
}

TEST_F(KonfigDialog, PassFileIsGreyedWithoutASelectionAndTickedForAMarkedPath) {
    WriteBytes(kivu::ListFilePath(kivu::kProgramsFile), "A|c:\\a.exe %d|\r\nB|c:\\b.exe|\r\n");
    Open({"kivuutil", "0", "3"});
    ui::MenuItem* pass = form->PopupMenu2.Items()[2];
    ASSERT_EQ(pass->name, "MarkierteDateibergeben1");
    form->PopupMenu2Popup();
    EXPECT_TRUE(pass->enabled);
    EXPECT_TRUE(pass->checked);
    form->ListView1.Select(1);
    form->PopupMenu2Popup();
    EXPECT_TRUE(pass->enabled);
    EXPECT_FALSE(pass->checked);
    pass->onClick();
    EXPECT_EQ(form->Programs()[1].Path, "c:\\b.exe %d");
    form->ListView1.Select(-1);
    form->PopupMenu2Popup();
    EXPECT_FALSE(pass->enabled);
    EXPECT_FALSE(pass->checked);
}

TEST_F(KonfigDialog, TheWorkingDirectoryWithoutASelectionIsTheFirstProgramsAndStartsAtIt) {
    TempDir dir("C:\\");
    const std::string folder = dir.path().substr(0, dir.path().size() - 1);
    // Stored without its backslash: choosing the same folder adds one.
    WriteBytes(kivu::ListFilePath(kivu::kProgramsFile), "A|a|" + folder + "\r\nB|b|x\\\r\n");
    Open({"kivuutil", "0", "3"});
    form->ListView1.Select(-1);
    std::string startedAt, title;
    form->BrowseFolder1.OnInitialized = [&](kivu::TBrowseFolder& sender, HWND dialog) {
        startedAt = sender.SelectedPath();
        title = sender.Title;
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    };
    form->Arbeitsverzeichnisfestlegen1Click();
    EXPECT_EQ(startedAt, folder);
    EXPECT_EQ(title, "Add folder");
    EXPECT_EQ(form->Programs()[0].Directory, dir.path());
    EXPECT_EQ(form->Programs()[1].Directory, "x\\");
    EXPECT_EQ(form->ListView1.Selected(), 0);
}

TEST_F(KonfigDialog, ANameTypedInPlaceBecomesTheNameButABarIsRefusedVisibly) {
    WriteBytes(kivu::ListFilePath(kivu::kProgramsFile), "A|a|\r\n");
    WriteBytes(kivu::ListFilePath(kivu::kFtpFile), "S|ftp.example\r\n");
    Open({"kivuutil", "0", "3"});
    const auto rename = [&](ui::ListView& list, const std::string& text) {
        list.SetFocus();
        HWND edit = ListView_EditLabel(list.Handle(), 0);
        ASSERT_TRUE(edit);
        SetWindowTextA(edit, text.c_str());
        SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
        PumpMessages();
    };
    rename(form->ListView1, "Editor");
    EXPECT_EQ(form->Programs()[0].Name, "Editor");
    rename(form->ListView1, "Ed|itor");
    EXPECT_EQ(form->Programs()[0].Name, "Editor");
    EXPECT_EQ(ListViewText(form->ListView1.Handle(), 0, 0), "Editor");
    form->PageControl1.SetActivePage(2);
    rename(form->ListView2, "Site 1");
    EXPECT_EQ(form->FtpSites()[0].Name, "Site 1");
}

TEST_F(KonfigDialog, ASeparatorAddedHereShowsItsMarkInTheFtpListsThirdColumn) {
    WriteBytes(kivu::ListFilePath(kivu::kFtpFile), "-|-\r\nS|a\r\n");
    Open({"kivuutil", "0", "2"});
    form->Seperatorhinzufgen2Click();
    ASSERT_EQ(form->FtpSites().Count(), 3);
    EXPECT_EQ(ListViewText(form->ListView2.Handle(), 0, 2), "");  // loaded
    EXPECT_EQ(ListViewText(form->ListView2.Handle(), 2, 2), "-");
    form->ListView2.Select(2);
    form->Nachobenverschieben2Click();  // the mark moves with its row
    EXPECT_EQ(ListViewText(form->ListView2.Handle(), 1, 2), "-");
    EXPECT_EQ(ListViewText(form->ListView2.Handle(), 2, 2), "");
    EXPECT_EQ(form->Programs().Count(), 0);
}

TEST_F(KonfigDialog, APageGetsItsControlsWhenFirstShownWithWhatTheStartRead) {
    WriteBytes(kivu::ListFilePath(kivu::kFoldersFile), "c:\\a\r\nc:\\b\r\n");
    WriteBytes(kivu::ListFilePath(kivu::kProgramsFile), "A|a.exe|\r\n");
    kivu::WriteRegString(HKEY_CURRENT_USER, kivu::kMenuKey, "ExSubMenu", "1");
    Open();
    // Only the start page has its controls, yet the start-up wrote the options back.
    EXPECT_TRUE(form->CheckListBox1.Handle());
    for (int page = 1; page < form->PageControl1.PageCount(); ++page) EXPECT_FALSE(form->PageControl1.PageBuilt(page));
    EXPECT_EQ(form->ListBox1.Handle(), nullptr);
    EXPECT_EQ(form->CheckBox1.Handle(), nullptr);
    EXPECT_EQ(MenuValue("ExSubMenu"), "1");
    EXPECT_EQ(MenuValue("ZeigeBitmap"), "1");
    EXPECT_EQ(MenuValue("nowindowcheck"), "0");

    // A command on a list whose page was never shown keeps the list's selection.
    form->PageControl1.SetActivePage(3);
    form->ListView1.Select(-1);
    form->PopupMenu2Popup();
    EXPECT_FALSE(form->PopupMenu2.Items()[2]->enabled);

    ClickTab(1);
    ASSERT_EQ(form->ListBox1.Count(), 2);
    EXPECT_EQ(form->ListBox1.Selected(), 0);
    EXPECT_TRUE(form->ListBox1.Visible());
    ClickTab(4);
    EXPECT_TRUE(form->CheckBox1.Checked());
    EXPECT_TRUE(form->CheckBox4.Checked());
    EXPECT_EQ(form->ComboBox1.Text(), kivu::CurrentLanguageSetting());
    EXPECT_TRUE(form->ALed1.Value());
    EXPECT_GT(form->Panel1.Width(), 0);
    // Showing the boxes wrote nothing; a click does.
    kivu::WriteRegString(HKEY_CURRENT_USER, kivu::kMenuKey, "ExSubMenu", "x");
    ClickTab(0);
    ClickTab(4);
    EXPECT_EQ(MenuValue("ExSubMenu"), "x");
    Click(form->CheckBox1);
    EXPECT_EQ(MenuValue("ExSubMenu"), "0");
}
