#include "config/konfigunit.h"

#include <commdlg.h>

#include <algorithm>
#include <iterator>
#include <optional>

#include "common/convert.h"
#include "common/kivulanguage.h"
#include "common/text.h"
#include "config/ftpsiteform.h"
#include "config/konfigstore.h"
#include "link/handlerevents.h"
#include "ui/app.h"
#include "ui/langtexts.h"
#include "update/downloaddialog.h"

namespace kivu {

namespace {

constexpr const char* kProgramPatterns = "|*.exe;*.com;*.pif;*.lnk;*.bat;*.cmd";
constexpr int kVersionBanner = 1;  // string 1 of the program's string table
// The designed widths of the list views' columns that the layout does not set.
constexpr int kFtpNameWidth = 150;
constexpr int kProgramNameWidth = 120;
constexpr int kProgramDirectoryWidth = 100;
// The pages by index (the command line's page numbers).
constexpr int kFolderPage = 1;
constexpr int kFtpPage = 2;
constexpr int kProgramPage = 3;
constexpr int kOptionsPage = 4;

std::string VersionBanner() {
    wchar_t buf[512];
    const int n = LoadStringW(ui::App().Handle(), kVersionBanner, buf, static_cast<int>(std::size(buf)));
    return Narrow(std::wstring_view(buf, static_cast<size_t>(std::max(0, n))));
}

// Screen updates of a window stay off while it lives.
class RedrawPause {
public:
    explicit RedrawPause(HWND hwnd) : hwnd_(hwnd) { SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0); }
    ~RedrawPause() {
        SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;

private:
    HWND hwnd_;
};

bool CtrlHeld() { return GetKeyState(VK_CONTROL) < 0; }

// A typed name or chosen path that the list refused (a "|" would shift the
// fields at the next load): the user hears it and sees the old text.
void Refused() { MessageBeep(MB_ICONWARNING); }

}  // namespace

Tkonfigdialog::Tkonfigdialog() : Tkonfigdialog(ProgramArguments()) {}

Tkonfigdialog::Tkonfigdialog(std::vector<std::string> args)
    : ui::Form({.name = "konfigdialog", .tag = 10300, .width = 548, .height = 396,
                .caption = "KIVU - Menueinträge Konfiguration"}),
      args_(std::move(args)) {}

Tkonfigdialog::~Tkonfigdialog() = default;

void Tkonfigdialog::CreateControls() {
    using ui::Align;
    StatusBar1.Create(*this, {.name = "StatusBar1", .height = 19, .align = Align::Bottom}, {-1});
    PageControl1.Create(*this, {.name = "PageControl1", .align = Align::Client});
    // Only the pages shown get their controls; the menu entries are always needed.
    PageControl1.AddPage(TabSheet1, {.name = "TabSheet1", .tag = 10311, .text = "KIVU Menüeinträge"});
    PageControl1.AddPage(TabSheet2, {.name = "TabSheet2", .tag = 10312, .text = "Verzeichnis wechseln nach"},
                         [this] { CreateFolderPage(); });
    PageControl1.AddPage(TabSheet6, {.name = "TabSheet6", .tag = 10324, .text = "FTP Seiten"},
                         [this] { CreateFtpPage(); });
    PageControl1.AddPage(TabSheet3, {.name = "TabSheet3", .tag = 10313, .text = "Programme"},
                         [this] { CreateProgramPage(); });
    PageControl1.AddPage(TabSheet4, {.name = "TabSheet4", .tag = 10314, .text = "Optionen"},
                         [this] { CreateOptionsPage(); });
    PageControl1.AddPage(TabSheet5, {.name = "TabSheet5", .tag = 10323, .text = "Über KIVU"},
                         [this] { CreateAboutPage(); });
    CheckListBox1.Create(TabSheet1, {.name = "CheckListBox1", .align = Align::Client});
    CheckListBox1.onClickCheck = [this](int index) { CheckListBox1ClickCheck(index); };
    PageControl1.onChanging = [this] { return PageControl1Changing(); };

    const auto bind = [](ui::MenuItem& item, void (Tkonfigdialog::*handler)(), Tkonfigdialog* form) {
        item.onClick = [form, handler] { (form->*handler)(); };
    };
    bind(PopupMenu1.Add("Hinzufgen1", 10301, "Verzeichnis hinzufügen\\tStrg-Einf"), &Tkonfigdialog::Hinzufgen1Click, this);
    bind(PopupMenu1.Add("Seperatorhinzufgen1", 10302, "Seperator hinzufügen"), &Tkonfigdialog::Seperatorhinzufgen1Click,
         this);
    PopupMenu1.Add("N1", 0, "-");
    bind(PopupMenu1.Add("Nachobenverschieben1", 10303, "Nach oben verschieben\\tStrg-Pfeil Hoch"),
         &Tkonfigdialog::Nachobenverschieben1Click, this);
    bind(PopupMenu1.Add("Nachuntenverschieben1", 10304, "Nach unten verschiebenn\\tStrg-Pfeil Runter"),
         &Tkonfigdialog::Nachuntenverschieben1Click, this);
    bind(PopupMenu1.Add("Eintraglschen1", 10305, "Eintrag löschen\\tStrg-Entf"), &Tkonfigdialog::Eintraglschen1Click,
         this);
    PopupMenu1.Add("N3", 0, "-");
    bind(PopupMenu1.Add("Dateilschen1", 10306, "Alle Einträge löschen"), &Tkonfigdialog::Dateilschen1Click, this);
    PopupMenu1.Add("N4", 0, "-");
    PopupMenu1.Add("Menschlieen1", 10307, "Menü schließen\\tEsc");  // only closes the menu

    bind(PopupMenu2.Add("Hinzufgen2", 10308, "Programm hinzufügen\\tStrg-Einfg"), &Tkonfigdialog::Hinzufgen2Click, this);
    bind(PopupMenu2.Add("Arbeitsverzeichnisfestlegen1", 10309, "Arbeitsverzeichnis festlegen"),
         &Tkonfigdialog::Arbeitsverzeichnisfestlegen1Click, this);
    bind(PopupMenu2.Add("MarkierteDateibergeben1", 10310, "Markierte Datei übergeben"),
         &Tkonfigdialog::MarkierteDateibergeben1Click, this);
    bind(PopupMenu2.Add("Seperatorhinzufgen2", 10302, "Seperator hinzufügen"), &Tkonfigdialog::Seperatorhinzufgen2Click,
         this);
    PopupMenu2.Add("N2", 0, "-");
    bind(PopupMenu2.Add("Nachobenverschieben2", 10303, "Nach oben verschieben\\tStrg-Pfeil Hoch"),
         &Tkonfigdialog::Nachobenverschieben2Click, this);
    bind(PopupMenu2.Add("Nachuntenverschieben2", 10304, "Nach unten verschieben\\tStrg-Pfeil Runter"),
         &Tkonfigdialog::Nachuntenverschieben2Click, this);
    bind(PopupMenu2.Add("Entfernen1", 10305, "Eintrag löschen\\tStrg-Entf"), &Tkonfigdialog::Entfernen1Click, this);
    PopupMenu2.Add("N6", 0, "-");
    bind(PopupMenu2.Add("ProgrammeDateilschen1", 10306, "Alle Einträge löschen"),
         &Tkonfigdialog::ProgrammeDateilschen1Click, this);
    PopupMenu2.Add("N5", 0, "-");
    PopupMenu2.Add("Menschlieen2", 10307, "Menü schließen\\tEsc");
    PopupMenu2.onPopup = [this] { PopupMenu2Popup(); };

    // Its own add command; the rest as in PopupMenu2.
    bind(PopupMenu4.Add("FTPSeitehinzufgen1", 10329, "FTP Seite hinzufügen"), &Tkonfigdialog::FTPSeitehinzufgen1Click,
         this);
    bind(PopupMenu4.Add("Seperatorhinzufgen3", 10302, "Seperator hinzufügen"), &Tkonfigdialog::Seperatorhinzufgen2Click,
         this);
    PopupMenu4.Add("N7", 0, "-");
    bind(PopupMenu4.Add("NachobenverschiebentStrgPfeilHoch1", 10303, "Nach oben verschieben\\tStrg-Pfeil Hoch"),
         &Tkonfigdialog::Nachobenverschieben2Click, this);
    bind(PopupMenu4.Add("NachuntenverschiebentStrgPfeilRunter1", 10304, "Nach unten verschieben\\tStrg-Pfeil Runter"),
         &Tkonfigdialog::Nachuntenverschieben2Click, this);
    bind(PopupMenu4.Add("EintraglschentStrgEntf1", 10305, "Eintrag löschen\\tStrg-Entf"),
         &Tkonfigdialog::Entfernen1Click, this);
    PopupMenu4.Add("N8", 0, "-");
    bind(PopupMenu4.Add("AlleEintrgelschen1", 10306, "Alle Einträge löschen"),
         &Tkonfigdialog::ProgrammeDateilschen1Click, this);
    PopupMenu4.Add("N9", 0, "-");
    PopupMenu4.Add("MenschlieentEsc1", 10307, "Menü schließen\\tEsc");

    BrowseFolder1.Directory = "c:\\programme";
    BrowseFolder1.ShowPathInStatusArea = true;
}

void Tkonfigdialog::CreateFolderPage() {
    ListBox1.Create(TabSheet2, {.name = "ListBox1", .align = ui::Align::Client});
    ListBox1.popupMenu = &PopupMenu1;
    ListBox1.wantsReturn = true;
    ListBox1.onKeyDown = [this](WORD& key) { ListBox1KeyDown(key); };
    TabSheet2.Realign();
    ShowFolders();
}

void Tkonfigdialog::CreateFtpPage() {
    ListView2.Create(TabSheet6, {.name = "ListView2", .align = ui::Align::Client}, true);
    ListView2.AddColumn("Name", kFtpNameWidth);
    ListView2.AddColumn("Adresse", 300);
    ListView2.AddColumn("", 5);
    ListView2.popupMenu = &PopupMenu4;
    ListView2.wantsReturn = true;
    ListView2.onKeyDown = [this](WORD& key) { ListView2KeyDown(key); };
    ListView2.onEdited = [this](int row, const std::string& text) { return ListView2Edited(row, text); };
    ListView2.onGetText = [this](int row, int col) {
        if (row >= ftpSites_.Count()) return std::string();
        // A separator added here shows "-" in the third column; loaded ones show nothing.
        if (col == 2) return ftpSites_[row].addedSeparator ? std::string("-") : std::string();
        return col == 0 ? ftpSites_[row].Name : ftpSites_[row].Address;
    };
    TabSheet6.Realign();
    ApplyListCaptions();
    LayOut();
    ShowFtpSites();
}

void Tkonfigdialog::CreateProgramPage() {
    ListView1.Create(TabSheet3, {.name = "ListView1", .align = ui::Align::Client}, true);
    ListView1.AddColumn("Name", kProgramNameWidth);
    ListView1.AddColumn("Path", 250);
    ListView1.AddColumn("Directory", kProgramDirectoryWidth);
    ListView1.popupMenu = &PopupMenu2;
    ListView1.wantsReturn = true;
    ListView1.onKeyDown = [this](WORD& key) { ListView1KeyDown(key); };
    ListView1.onDblClick = [this] { ListView1DblClick(); };
    ListView1.onEdited = [this](int row, const std::string& text) { return ListView1Edited(row, text); };
    ListView1.onGetText = [this](int row, int col) {
        if (row >= programs_.Count()) return std::string();
        const ProgramEntry& p = programs_[row];
        return col == 0 ? p.Name : col == 1 ? p.Path : p.Directory;
    };
    TabSheet3.Realign();
    ApplyListCaptions();
    LayOut();
    ShowPrograms();
}

void Tkonfigdialog::CreateOptionsPage() {
    using ui::Align;
    Panel1.Create(TabSheet4, {.name = "Panel1", .width = 313, .align = Align::Left});
    Splitter1.Create(TabSheet4, {.name = "Splitter1", .width = 3, .align = Align::Left}, Panel1);
    Panel2.Create(TabSheet4, {.name = "Panel2", .align = Align::Client});
    CheckBox1.Create(Panel1, {.name = "CheckBox1", .tag = 10318, .left = 8, .top = 8, .width = 209, .height = 17,
                              .text = "Explorer Menüeinträge als Submenü"});
    CheckBox2.Create(Panel1, {.name = "CheckBox2", .tag = 10319, .left = 8, .top = 32, .width = 209, .height = 17,
                              .text = "Bitmap neben Menü anzeigen"});
    CheckBox3.Create(Panel1, {.name = "CheckBox3", .tag = 10326, .left = 8, .top = 56, .width = 233, .height = 17,
                              .text = "Hotkey"});
    CheckBox4.Create(Panel1, {.name = "CheckBox4", .tag = 10327, .left = 8, .top = 80, .width = 233, .height = 17,
                              .text = "context menu"});
    CheckBox5.Create(Panel1, {.name = "CheckBox5", .tag = 10328, .left = 8, .top = 104, .width = 233, .height = 17,
                              .text = "double pane"});
    Label1.Create(Panel1, {.name = "Label1", .tag = 10320, .left = 8, .top = 144, .width = 209, .height = 13,
                           .text = "Label1"});
    ALed1.Create(Panel1, {.name = "ALed1", .left = 8, .top = 162, .width = 16, .height = 16, .tabStop = false});
    ComboBox1.Create(Panel1, {.name = "ComboBox1", .left = 32, .top = 160, .width = 185, .height = 21});
    Button2.Create(Panel2, {.name = "Button2", .tag = 10321, .left = 14, .top = 8, .width = 215, .height = 25,
                            .text = "Standardverzeichnisse Hinzufügen"});
    Button3.Create(Panel2, {.name = "Button3", .tag = 97, .left = 16, .top = 72, .width = 215, .height = 25,
                            .text = "Button3"});
    ALed1.SetLEDStyle(TLEDStyle::LEDSqSmall);
    ALed1.SetBlink(false);
    ALed1.SetFalseColor(RGB(255, 0, 0));
    TabSheet4.Realign();
    {
        LangTextBatch texts;
        ui::ApplyLangTexts(Panel1);
        ui::ApplyLangTexts(Panel2);
    }
    // The boxes show what the start-up read (and wrote back); only the user's
    // changes from now on are written.
    CheckBox1.SetChecked(options_.exSubMenu);
    CheckBox2.SetChecked(options_.bitmap);
    CheckBox3.SetChecked(options_.shortcut);
    CheckBox4.SetChecked(options_.windowCheck);
    CheckBox5.SetChecked(options_.doublePane);
    CheckBox1.onClick = [this] { CheckBox1Click(); };
    CheckBox2.onClick = [this] { CheckBox2Click(); };
    CheckBox3.onClick = [this] { CheckBox3Click(); };
    CheckBox4.onClick = [this] { CheckBox4Click(); };
    CheckBox5.onClick = [this] { CheckBox5Click(); };
    ComboBox1.SetItems(AvailableLanguages());
    ComboBox1.SetText(CurrentLanguageSetting());
    ComboBox1.onChange = [this] { ComboBox1Change(); };
    Button2.onClick = [this] { Button2Click(); };
    Button3.onClick = [this] { Button3Click(); };
    LayOut();
    ShowLanguageState();
}

void Tkonfigdialog::CreateAboutPage() {
    RichEdit1.Create(TabSheet5, {.name = "RichEdit1", .align = ui::Align::Client, .tabStop = false}, true);
    TabSheet5.Realign();
    RichEdit1.onMouseUp = [this] { RichEdit1MouseUp(); };
    RichEdit1.SetText(AboutText());
    RichEdit1.HideCaret();
}

void Tkonfigdialog::FormCreate() {
    // Held to the limits before anything can fail: a start-up that ends
    // early must not leave the window at its smaller designed size.
    // The rules speak in designed pixels.
    const int screenWidth = Unscaled(GetSystemMetrics(SM_CXSCREEN));
    const int screenHeight = Unscaled(GetSystemMetrics(SM_CYSCREEN));
    const WindowSize held = KonfigConstrain({Unscaled(Width()), Unscaled(Height())}, screenWidth, screenHeight);
    SetSize(Scaled(held.width), Scaled(held.height));
    startActionPending_ = true;
    ui::App().SetIdleHook([this] { StartAction(); });
    menuStatus_ = LoadMenuStatus();
    {
        LangTextBatch texts;  // a hundred texts, two section reads
        ApplyCaptions();
        BuildCheckList();
    }
    // Each option that is on is written back at once, as ticking its box would.
    options_.exSubMenu = ReadOptionFlag("ExSubMenu", "0");
    if (options_.exSubMenu) WriteOptionFlag("ExSubMenu", true);
    options_.bitmap = ReadOptionFlag("ZeigeBitmap", "1");
    if (options_.bitmap) WriteOptionFlag("ZeigeBitmap", true);
    options_.shortcut = ReadOptionFlag("Shortcut", "1");
    if (options_.shortcut) WriteOptionFlag("Shortcut", true);
    options_.windowCheck = !ReadOptionFlag("nowindowcheck", "0");
    if (options_.windowCheck) WriteOptionFlag("nowindowcheck", false);
    options_.doublePane = IsDoublePane(ReadFolderVerb());
    if (options_.doublePane) WriteFolderVerb(true);
    folders_ = FolderList(LoadFolders());
    foldersLoaded_ = true;
    programs_ = ProgramList(LoadPrograms());
    programsLoaded_ = true;
    ftpSites_ = FtpList(LoadFtpSites());
    ftpSitesLoaded_ = true;
    const WindowSize size =
        KonfigStartSize(CheckListBox1.Count(), ui::CheckListBox::kItemHeight, screenWidth, screenHeight);
    SetSize(Scaled(size.width), Scaled(size.height));
    CheckListBox1.Select(CheckListBox1.Count() > 0 ? 0 : -1);
    folders_.SelectFirst();
    programs_.SelectFirst();
    ApplyMenuTabs();
    if (args_.size() >= 3) PageControl1.SetActivePage(StrToInt(args_[2]));
}

void Tkonfigdialog::StartAction() {
    if (!startActionPending_) return;
    startActionPending_ = false;
    ui::App().SetIdleHook(nullptr);
    const kivu::StartAction action = ParseStartAction(args_);  // a page or action that is no number: reported
    if (action.chooserFolder) {
        BrowseFolder1.Directory = *action.chooserFolder;
        OpenDialog1.initialDir = *action.chooserFolder;
    }
    if (action.command == kivu::StartAction::Command::AddFolder) Hinzufgen1Click();
    if (action.command == kivu::StartAction::Command::AddProgram) Hinzufgen2Click();
}

void Tkonfigdialog::ApplyCaptions() {
    SetCaption(GetLangString(Tag()));
    StatusBar1.SetPanelText(0 | SBT_NOBORDERS, VersionBanner());  // panel 0, drawn without a bevel
    for (ui::PopupMenu* menu : {&PopupMenu1, &PopupMenu2, &PopupMenu4}) ui::ApplyLangTexts(*menu);
    for (int i = 0; i < PageControl1.PageCount(); ++i)
        if (const int tag = PageControl1.PageTag(i); tag > 0) PageControl1.SetPageCaption(i, GetLangString(tag));
    ApplyListCaptions();
    if (PageControl1.PageBuilt(kOptionsPage)) {
        ui::ApplyLangTexts(Panel1);
        ui::ApplyLangTexts(Panel2);
    }
    OpenDialog1.filter = GetLangString(10313) + kProgramPatterns;
}

// The column captions of the list views that exist.
void Tkonfigdialog::ApplyListCaptions() {
    if (PageControl1.PageBuilt(kProgramPage)) {
        ListView1.SetColumnCaption(0, GetLangString(10315));
        ListView1.SetColumnCaption(1, GetLangString(10316));
        ListView1.SetColumnCaption(2, GetLangString(10317));
    }
    if (PageControl1.PageBuilt(kFtpPage)) {
        ListView2.SetColumnCaption(0, GetLangString(10315));
        ListView2.SetColumnCaption(1, GetLangString(10316));
    }
}

// A language text puts the key hint after "\t" in a menu item.
void Tkonfigdialog::ApplyMenuTabs() {
    for (ui::PopupMenu* menu : {&PopupMenu1, &PopupMenu2, &PopupMenu4})
        for (ui::MenuItem* item : menu->Items())
            if (const auto at = item->caption.find("\\t"); at != std::string::npos) item->caption.replace(at, 2, "\t");
}

void Tkonfigdialog::BuildCheckList() {
    std::optional<RedrawPause> pause;
    if (IsWindowVisible(Handle())) pause.emplace(CheckListBox1.Handle());
    LangTextBatch texts;  // ninety numbers, most without a text
    CheckListBox1.Clear();
    for (int n = kFirstMenuEntry; n <= kLastMenuEntry; ++n) {
        const std::string text = GetLangString(n);
        if (!text.empty()) CheckListBox1.Add(MenuEntryCaption(text, n), n, MenuFlag(menuStatus_, n));
    }
}

void Tkonfigdialog::ShowLanguageState() {
    if (PageControl1.PageBuilt(kOptionsPage)) ALed1.SetValue(GetLangVer());  // the LED is on the options page
}

// The lists show their models once their pages exist.
void Tkonfigdialog::ShowFolders() {
    if (!PageControl1.PageBuilt(kFolderPage)) return;
    ListBox1.SetItems(folders_.Entries());
    ListBox1.Select(folders_.Selected());
}

void Tkonfigdialog::ShowPrograms() {
    if (!PageControl1.PageBuilt(kProgramPage)) return;
    ListView1.SetRowCount(programs_.Count());
    ListView1.Select(programs_.Selected());
}

void Tkonfigdialog::ShowFtpSites() {
    if (!PageControl1.PageBuilt(kFtpPage)) return;
    ListView2.SetRowCount(ftpSites_.Count());
    ListView2.Select(ftpSites_.Selected());
}

void Tkonfigdialog::TakeSelections() {
    if (PageControl1.PageBuilt(kFolderPage)) folders_.Select(ListBox1.Selected());
    if (PageControl1.PageBuilt(kProgramPage)) programs_.Select(ListView1.Selected());
    if (PageControl1.PageBuilt(kFtpPage)) ftpSites_.Select(ListView2.Selected());
}

bool Tkonfigdialog::ProgramsActive() const { return PageControl1.ActivePage() == kProgramPage; }

// op runs on the program list or on the FTP list.
template <class Op>
void Tkonfigdialog::OnActiveList(Op op) {
    TakeSelections();
    if (ProgramsActive()) {
        op(programs_);
        ShowPrograms();
    } else {
        op(ftpSites_);
        ShowFtpSites();
    }
}

std::string Tkonfigdialog::BrowseTitle() const {
    const std::string text = GetLangString(10301);
    const size_t bs = text.find('\\');
    return bs == std::string::npos ? std::string() : text.substr(0, bs);
}

// ---- Folder page

void Tkonfigdialog::Hinzufgen1Click() {
    BrowseFolder1.Title = BrowseTitle();
    if (!BrowseFolder1.Execute()) return;
    TakeSelections();
    if (!folders_.AddFolder(BrowseFolder1.Directory)) Refused();
    ShowFolders();
}

// op runs on the folder list with the list's selection taken first.
template <class Op>
void Tkonfigdialog::OnFolders(Op op) {
    TakeSelections();
    op(folders_);
    ShowFolders();
}

void Tkonfigdialog::Seperatorhinzufgen1Click() { OnFolders([](FolderList& list) { list.AddSeparator(); }); }
void Tkonfigdialog::Nachobenverschieben1Click() { OnFolders([](FolderList& list) { list.MoveUp(); }); }
void Tkonfigdialog::Nachuntenverschieben1Click() { OnFolders([](FolderList& list) { list.MoveDown(); }); }
void Tkonfigdialog::Eintraglschen1Click() { OnFolders([](FolderList& list) { list.DeleteSelected(); }); }

void Tkonfigdialog::Dateilschen1Click() {
    folders_.ClearAll();
    ShowFolders();
}

// ---- Program page

void Tkonfigdialog::Hinzufgen2Click() {
    OpenDialog1.options = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    OpenDialog1.fileName.clear();
    if (!OpenDialog1.Execute(Handle())) return;
    TakeSelections();
    if (const auto folder = programs_.AddProgram(OpenDialog1.fileName)) OpenDialog1.initialDir = *folder;
    else Refused();
    ShowPrograms();
}

void Tkonfigdialog::Arbeitsverzeichnisfestlegen1Click() {
    TakeSelections();
    const auto start = programs_.WorkingDirectoryStart();
    ShowPrograms();  // without a selection the first entry is now the target
    if (!start) return;
    BrowseFolder1.Title = BrowseTitle();
    BrowseFolder1.Directory = *start;
    if (!BrowseFolder1.Execute()) return;
    if (!programs_.SetWorkingDirectory(BrowseFolder1.Directory)) Refused();
    ShowPrograms();
}

void Tkonfigdialog::MarkierteDateibergeben1Click() {
    TakeSelections();
    programs_.TogglePassFile();
    ShowPrograms();
}

void Tkonfigdialog::PopupMenu2Popup() {
    TakeSelections();
    ui::MenuItem* pass = PopupMenu2.Items()[2];  // MarkierteDateibergeben1
    pass->enabled = programs_.Selected() != ProgramList::kNone;
    pass->checked = pass->enabled && programs_.PassFileTicked();
}

void Tkonfigdialog::ListView1DblClick() {
    TakeSelections();
    const auto path = programs_.ReplacePathStart();
    ShowPrograms();
    if (!path) return;
    OpenDialog1.options = OFN_NOVALIDATE | OFN_PATHMUSTEXIST;
    OpenDialog1.initialDir = SplitFileName(*path).second;
    OpenDialog1.fileName = *path;
    if (!OpenDialog1.Execute(Handle())) return;
    if (!programs_.ReplacePath(OpenDialog1.fileName)) Refused();
    ShowPrograms();
}

bool Tkonfigdialog::ListView1Edited(int row, const std::string& text) {
    if (programs_.RenameEntry(row, text)) return true;
    Refused();
    return false;
}

// ---- FTP page

// The site goes to the FTP list whatever page is active; a cancelled dialog
// changes nothing.
void Tkonfigdialog::FTPSeitehinzufgen1Click() {
    Tftpsiteform dialog;
    const std::optional<FtpEntry> site = dialog.Execute(Handle());
    if (!site) return;
    TakeSelections();
    if (!ftpSites_.AddSite(*site)) Refused();
    ShowFtpSites();
}

bool Tkonfigdialog::ListView2Edited(int row, const std::string& text) {
    if (ftpSites_.RenameEntry(row, text)) return true;
    Refused();
    return false;
}

// ---- Shared by the program and FTP pages

void Tkonfigdialog::Seperatorhinzufgen2Click() { OnActiveList([](auto& list) { list.AddSeparator(); }); }

void Tkonfigdialog::Nachobenverschieben2Click() { OnActiveList([](auto& list) { list.MoveUp(); }); }
void Tkonfigdialog::Nachuntenverschieben2Click() { OnActiveList([](auto& list) { list.MoveDown(); }); }
void Tkonfigdialog::Entfernen1Click() { OnActiveList([](auto& list) { list.DeleteSelected(); }); }
void Tkonfigdialog::ProgrammeDateilschen1Click() { OnActiveList([](auto& list) { list.ClearAll(); }); }

// ---- Keys

// Enter opens the list's menu near the window's corner, whatever the item.
void Tkonfigdialog::PopupAtCorner(ui::PopupMenu& menu) {
    const POINT corner = ScreenOrigin();
    menu.Popup(Handle(), {corner.x + 50, corner.y + 50});
}

// The Ctrl keys run their command and then go on to the list as usual.
void Tkonfigdialog::ListBox1KeyDown(WORD& key) {
    if (key == VK_RETURN) {
        key = 0;
        PopupAtCorner(PopupMenu1);
        return;
    }
    if (!CtrlHeld()) return;
    if (key == VK_UP) Nachobenverschieben1Click();
    else if (key == VK_DOWN) Nachuntenverschieben1Click();
    else if (key == VK_INSERT) Hinzufgen1Click();
    else if (key == VK_DELETE) Eintraglschen1Click();
}

void Tkonfigdialog::ListView1KeyDown(WORD& key) {
    if (key == VK_RETURN) {
        key = 0;
        PopupAtCorner(PopupMenu2);
        return;
    }
    if (!CtrlHeld()) return;
    if (key == VK_UP) Nachobenverschieben2Click();
    else if (key == VK_DOWN) Nachuntenverschieben2Click();
    else if (key == VK_INSERT) Hinzufgen2Click();
    else if (key == VK_DELETE) Entfernen1Click();
}

void Tkonfigdialog::ListView2KeyDown(WORD& key) {
    if (key == VK_RETURN) {
        key = 0;
        PopupAtCorner(PopupMenu4);
        return;
    }
    ListView1KeyDown(key);  // the same Ctrl keys: add program, the rest on the active page's list
}

void Tkonfigdialog::CheckListBox1ClickCheck(int index) {
    SetMenuFlag(menuStatus_, CheckListBox1.ItemData(index), CheckListBox1.Checked(index));
    SaveMenuStatus(menuStatus_);
}

void Tkonfigdialog::CheckBox1Click() { WriteOptionFlag("ExSubMenu", options_.exSubMenu = CheckBox1.Checked()); }
void Tkonfigdialog::CheckBox2Click() { WriteOptionFlag("ZeigeBitmap", options_.bitmap = CheckBox2.Checked()); }
void Tkonfigdialog::CheckBox3Click() { WriteOptionFlag("Shortcut", options_.shortcut = CheckBox3.Checked()); }
void Tkonfigdialog::CheckBox4Click() { WriteOptionFlag("nowindowcheck", !(options_.windowCheck = CheckBox4.Checked())); }
void Tkonfigdialog::CheckBox5Click() { WriteFolderVerb(options_.doublePane = CheckBox5.Checked()); }

void Tkonfigdialog::ComboBox1Change() {
    SetCurrentLanguage(ComboBox1.Text());
    ClearLangCache();
    kivu::LangTextBatch texts;
    ApplyCaptions();
    ApplyMenuTabs();
    ShowLanguageState();
    BuildCheckList();
}

void Tkonfigdialog::Button2Click() {
    PageControl1.SetActivePage(kFolderPage);
    TakeSelections();
    folders_.AddStandardFolders(ExpandEnvironment);
    ShowFolders();
}

// A new live-update window, shown without waiting: this window stays usable.
void Tkonfigdialog::Button3Click() { liveUpdate_ = Tdownloadform::Open(); }

// A language file without any menu entry text leaves nothing to configure:
// the pages stay where they are.
bool Tkonfigdialog::PageControl1Changing() { return CheckListBox1.Count() > 0; }

bool Tkonfigdialog::FormShortCut(WORD key) {
    if (!CtrlHeld() || (key != VK_TAB && key != VK_NEXT && key != VK_PRIOR)) return false;
    const bool back = key == VK_PRIOR || (key == VK_TAB && GetKeyState(VK_SHIFT) < 0);
    PageControl1.SelectNextPage(!back);
    return true;
}

void Tkonfigdialog::RichEdit1MouseUp() { RichEdit1.HideCaret(); }

void Tkonfigdialog::SaveLists() {
    if (foldersLoaded_) SaveFolders(folders_.Entries());
    if (programsLoaded_) SavePrograms(programs_.Entries());
    if (ftpSitesLoaded_) SaveFtpSites(ftpSites_.Sites());
}

// A failing save is shown and keeps the window open; closing again repeats
// all three saves.
bool Tkonfigdialog::FormCloseQuery() {
    bool saved = false;
    ui::App().Guard([&] {
        SaveLists();
        saved = true;
    });
    return saved;
}

void Tkonfigdialog::FormResize() { LayOut(); }

// The widths that follow the window's, for the pages that exist.
void Tkonfigdialog::LayOut() {
    const bool ftp = PageControl1.PageBuilt(kFtpPage), programs = PageControl1.PageBuilt(kProgramPage);
    // The rules speak in designed pixels.
    const KonfigLayout layout = LayoutFor(Unscaled(Width()), ftp ? Unscaled(ListView2.ColumnWidth(0)) : kFtpNameWidth,
                                          programs ? Unscaled(ListView1.ColumnWidth(0)) : kProgramNameWidth,
                                          programs ? Unscaled(ListView1.ColumnWidth(2)) : kProgramDirectoryWidth);
    if (ftp) ListView2.SetColumnWidth(1, Scaled(layout.ftpAddressWidth));
    if (programs) ListView1.SetColumnWidth(1, Scaled(layout.programPathWidth));
    if (!PageControl1.PageBuilt(kOptionsPage)) return;
    // While hidden (the start-up's sizing) there is nothing on the screen to keep still.
    std::optional<RedrawPause> pause;
    if (IsWindowVisible(Handle())) pause.emplace(Handle());
    const RECT panel = Panel1.Bounds();
    Panel1.SetBounds(panel.left, panel.top, Scaled(layout.panel1Width), panel.bottom - panel.top);
    TabSheet4.Realign();
    for (ui::CheckBox* box : {&CheckBox1, &CheckBox2, &CheckBox3, &CheckBox4, &CheckBox5}) {
        const RECT r = box->Bounds();
        // Never past the panel, which a narrow window leaves narrower than half of it.
        const int width = std::min(Scaled(layout.checkBoxWidth), Panel1.Width() - static_cast<int>(r.left) - Scaled(4));
        box->SetBounds(r.left, r.top, width, r.bottom - r.top);
    }
    for (ui::Button* button : {&Button2, &Button3}) {
        const RECT r = button->Bounds();
        button->SetBounds(CentredLeft(Panel2.Width(), button->Width()), r.top, r.right - r.left, r.bottom - r.top);
    }
}

void Tkonfigdialog::FormConstrain(MINMAXINFO& limits) {
    limits.ptMinTrackSize = {Scaled(kKonfigMinWidth), Scaled(kKonfigMinHeight)};
    limits.ptMaxTrackSize = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void StartKonfigdialog(bool showMainForm) {
    static std::unique_ptr<Tkonfigdialog> konfigdialog;
    ui::App().StartForm(konfigdialog, showMainForm);
}

}  // namespace kivu
