#include "config/konfigunit.h"

#include <optional>

#include "app/handlerevents.h"
#include "common/convert.h"
#include "common/kivulanguage.h"
#include "config/konfigstore.h"
#include "ui/app.h"
#include "ui/langtexts.h"
#include "update/downloaddialog.h"

namespace kivu {

namespace {

constexpr const char* kProgramPatterns = "|*.exe;*.com;*.pif;*.lnk;*.bat;*.cmd";
constexpr int kVersionBanner = 1;  // string 1 of the program's string table

std::string VersionBanner() {
    char buf[512];
    const int n = LoadStringA(ui::App().Handle(), kVersionBanner, buf, sizeof buf);
    return std::string(buf, static_cast<size_t>(std::max(0, n)));
}

// Screen updates of a window stay off while it lives.
class RedrawPause {
public:
    explicit RedrawPause(HWND hwnd) : hwnd_(hwnd) { SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0); }
    ~RedrawPause() {
        SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;

private:
    HWND hwnd_;
};

void SelectRow(ui::ListView& list, int row) {
    if (row >= 0) ListView_SetItemState(list.Handle(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

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
    PageControl1.AddPage(TabSheet1, {.name = "TabSheet1", .tag = 10311, .text = "KIVU Menüeinträge"});
    PageControl1.AddPage(TabSheet2, {.name = "TabSheet2", .tag = 10312, .text = "Verzeichnis wechseln nach"});
    PageControl1.AddPage(TabSheet6, {.name = "TabSheet6", .tag = 10324, .text = "FTP Seiten"});
    PageControl1.AddPage(TabSheet3, {.name = "TabSheet3", .tag = 10313, .text = "Programme"});
    PageControl1.AddPage(TabSheet4, {.name = "TabSheet4", .tag = 10314, .text = "Optionen"});
    PageControl1.AddPage(TabSheet5, {.name = "TabSheet5", .tag = 10323, .text = "Über KIVU"});

    CheckListBox1.Create(TabSheet1, {.name = "CheckListBox1", .align = Align::Client});
    ListBox1.Create(TabSheet2, {.name = "ListBox1", .align = Align::Client});
    ListView2.Create(TabSheet6, {.name = "ListView2", .align = Align::Client});
    ListView1.Create(TabSheet3, {.name = "ListView1", .align = Align::Client});

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
    Button2.Create(Panel2, {.name = "Button2", .tag = 10321, .left = 14, .top = 8, .width = 195, .height = 25,
                            .text = "Standardverzeichnisse Hinzufügen"});
    // Opens the live-update window; its handler is wired when that window
    // joins this build (until then the button does nothing).
    Button3.Create(Panel2, {.name = "Button3", .tag = 97, .left = 16, .top = 72, .width = 193, .height = 25,
                            .text = "Button3"});
    RichEdit1.Create(TabSheet5, {.name = "RichEdit1", .align = Align::Client, .tabStop = false}, true);

    ALed1.SetLEDStyle(TLEDStyle::LEDSqSmall);
    ALed1.SetBlink(false);
    ALed1.SetFalseColor(RGB(255, 0, 0));

    ListView2.AddColumn("Name", 150);
    ListView2.AddColumn("Adresse", 300);
    ListView2.AddColumn("", 5);
    ListView1.AddColumn("Name", 120);
    ListView1.AddColumn("Path", 250);
    ListView1.AddColumn("Directory", 100);

    PopupMenu1.Add("Hinzufgen1", 10301, "Verzeichnis hinzufügen\\tStrg-Einf");
    PopupMenu1.Add("Seperatorhinzufgen1", 10302, "Seperator hinzufügen");
    PopupMenu1.Add("N1", 0, "-");
    PopupMenu1.Add("Nachobenverschieben1", 10303, "Nach oben verschieben\\tStrg-Pfeil Hoch");
    PopupMenu1.Add("Nachuntenverschieben1", 10304, "Nach unten verschiebenn\\tStrg-Pfeil Runter");
    PopupMenu1.Add("Eintraglschen1", 10305, "Eintrag löschen\\tStrg-Entf");
    PopupMenu1.Add("N3", 0, "-");
    PopupMenu1.Add("Dateilschen1", 10306, "Alle Einträge löschen");
    PopupMenu1.Add("N4", 0, "-");
    PopupMenu1.Add("Menschlieen1", 10307, "Menü schließen\\tEsc");

    PopupMenu2.Add("Hinzufgen2", 10308, "Programm hinzufügen\\tStrg-Einfg");
    PopupMenu2.Add("Arbeitsverzeichnisfestlegen1", 10309, "Arbeitsverzeichnis festlegen");
    PopupMenu2.Add("MarkierteDateibergeben1", 10310, "Markierte Datei übergeben");
    PopupMenu2.Add("Seperatorhinzufgen2", 10302, "Seperator hinzufügen");
    PopupMenu2.Add("N2", 0, "-");
    PopupMenu2.Add("Nachobenverschieben2", 10303, "Nach oben verschieben\\tStrg-Pfeil Hoch");
    PopupMenu2.Add("Nachuntenverschieben2", 10304, "Nach unten verschieben\\tStrg-Pfeil Runter");
    PopupMenu2.Add("Entfernen1", 10305, "Eintrag löschen\\tStrg-Entf");
    PopupMenu2.Add("N6", 0, "-");
    PopupMenu2.Add("ProgrammeDateilschen1", 10306, "Alle Einträge löschen");
    PopupMenu2.Add("N5", 0, "-");
    PopupMenu2.Add("Menschlieen2", 10307, "Menü schließen\\tEsc");

    PopupMenu4.Add("Seperatorhinzufgen3", 10302, "Seperator hinzufügen");
    PopupMenu4.Add("N7", 0, "-");
    PopupMenu4.Add("NachobenverschiebentStrgPfeilHoch1", 10303, "Nach oben verschieben\\tStrg-Pfeil Hoch");
    PopupMenu4.Add("NachuntenverschiebentStrgPfeilRunter1", 10304, "Nach unten verschieben\\tStrg-Pfeil Runter");
    PopupMenu4.Add("EintraglschentStrgEntf1", 10305, "Eintrag löschen\\tStrg-Entf");
    PopupMenu4.Add("N8", 0, "-");
    PopupMenu4.Add("AlleEintrgelschen1", 10306, "Alle Einträge löschen");
    PopupMenu4.Add("N9", 0, "-");
    PopupMenu4.Add("MenschlieentEsc1", 10307, "Menü schließen\\tEsc");

    ListView1.onGetText = [this](int row, int col) {
        if (row >= programs_.Count()) return std::string();
        const ProgramEntry& p = programs_[row];
        return col == 0 ? p.Name : col == 1 ? p.Path : p.Directory;
    };
    ListView2.onGetText = [this](int row, int col) {
        if (row >= ftpSites_.Count()) return std::string();
        return col == 0 ? ftpSites_[row].Name : col == 1 ? ftpSites_[row].Address : std::string();
    };
    CheckListBox1.onClickCheck = [this](int index) { CheckListBox1ClickCheck(index); };
    CheckBox1.onClick = [this] { CheckBox1Click(); };
    CheckBox2.onClick = [this] { CheckBox2Click(); };
    CheckBox3.onClick = [this] { CheckBox3Click(); };
    CheckBox4.onClick = [this] { CheckBox4Click(); };
    CheckBox5.onClick = [this] { CheckBox5Click(); };
    ComboBox1.onChange = [this] { ComboBox1Change(); };
    Button2.onClick = [this] { Button2Click(); };
    Button3.onClick = [this] { Button3Click(); };
    PageControl1.onChanging = [this] { return PageControl1Changing(); };
    RichEdit1.onMouseUp = [this] { RichEdit1MouseUp(); };
    RichEdit1.SetText(AboutText());
}

void Tkonfigdialog::FormCreate() {
    startActionPending_ = true;
    ui::App().SetIdleHook([this] { StartAction(); });
    ComboBox1.SetItems(AvailableLanguages());
    ComboBox1.SetText(CurrentLanguageSetting());
    menuStatus_ = LoadMenuStatus();
    ApplyCaptions();
    BuildCheckList();
    // Each box that becomes ticked writes its value back at once.
    CheckBox1.SetChecked(ReadOptionFlag("ExSubMenu", "0"));
    CheckBox2.SetChecked(ReadOptionFlag("ZeigeBitmap", "1"));
    CheckBox3.SetChecked(ReadOptionFlag("Shortcut", "1"));
    CheckBox4.SetChecked(!ReadOptionFlag("nowindowcheck", "0"));
    CheckBox5.SetChecked(IsDoublePane(ReadFolderVerb()));
    folders_ = FolderList(LoadFolders());
    foldersLoaded_ = true;
    programs_ = ProgramList(LoadPrograms());
    programsLoaded_ = true;
    ftpSites_ = FtpList(LoadFtpSites());
    ftpSitesLoaded_ = true;
    const WindowSize size = KonfigStartSize(CheckListBox1.Count(), ui::CheckListBox::kItemHeight,
                                            GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    SetSize(size.width, size.height);
    CheckListBox1.Select(CheckListBox1.Count() > 0 ? 0 : -1);
    folders_.SelectFirst();
    programs_.SelectFirst();
    ShowFolders();
    ShowPrograms();
    ShowFtpSites();
    ApplyMenuTabs();
    if (args_.size() >= 3) PageControl1.SetActivePage(StrToInt(args_[2]));
    RichEdit1.HideCaret();
    ShowLanguageState();
}

void Tkonfigdialog::StartAction() {
    if (!startActionPending_) return;
    startActionPending_ = false;
    ui::App().SetIdleHook(nullptr);
    const kivu::StartAction action = ParseStartAction(args_);  // a page or action that is no number: reported
    if (action.chooserFolder) chooserFolder_ = *action.chooserFolder;
    // The add-folder and add-program commands run with the list pages' choosers.
    startCommand_ = action.command;
}

void Tkonfigdialog::ApplyCaptions() {
    SetCaption(GetLangString(Tag()));
    StatusBar1.SetPanelText(0 | SBT_NOBORDERS, VersionBanner());  // panel 0, drawn without a bevel
    for (ui::PopupMenu* menu : {&PopupMenu1, &PopupMenu2, &PopupMenu4}) ui::ApplyLangTexts(*menu);
    ListView1.SetColumnCaption(0, GetLangString(10315));
    ListView1.SetColumnCaption(1, GetLangString(10316));
    ListView1.SetColumnCaption(2, GetLangString(10317));
    ListView2.SetColumnCaption(0, GetLangString(10315));
    ListView2.SetColumnCaption(1, GetLangString(10316));
    for (int i = 0; i < PageControl1.PageCount(); ++i)
        if (const int tag = PageControl1.Page(i).Tag(); tag > 0) PageControl1.SetPageCaption(i, GetLangString(tag));
    ui::ApplyLangTexts(Panel1);
    ui::ApplyLangTexts(Panel2);
    programFilter_ = GetLangString(10313) + kProgramPatterns;
}

// A language text puts the key hint after "\t" in a menu item.
void Tkonfigdialog::ApplyMenuTabs() {
    for (ui::PopupMenu* menu : {&PopupMenu1, &PopupMenu2, &PopupMenu4})
        for (ui::MenuItem* item : menu->Items())
            if (const auto at = item->caption.find("\\t"); at != std::string::npos) item->caption.replace(at, 2, "\t");
}

void Tkonfigdialog::BuildCheckList() {
    RedrawPause pause(CheckListBox1.Handle());
    CheckListBox1.Clear();
    const auto keys = LanguageKeys();
    for (int n = kFirstMenuEntry; n <= kLastMenuEntry; ++n) {
        if (keys && !HasNumberKey(*keys, n)) continue;  // no text in either section
        const std::string text = GetLangString(n);
        if (!text.empty()) CheckListBox1.Add(MenuEntryCaption(text, n), n, MenuFlag(menuStatus_, n));
    }
}

void Tkonfigdialog::ShowLanguageState() { ALed1.SetValue(GetLangVer()); }

void Tkonfigdialog::ShowFolders() {
    ListBox1.SetItems(folders_.Entries());
    ListBox1.Select(folders_.Selected());
}

void Tkonfigdialog::ShowPrograms() {
    ListView1.SetRowCount(programs_.Count());
    SelectRow(ListView1, programs_.Selected());
}

void Tkonfigdialog::ShowFtpSites() { ListView2.SetRowCount(ftpSites_.Count()); }

void Tkonfigdialog::CheckListBox1ClickCheck(int index) {
    SetMenuFlag(menuStatus_, CheckListBox1.ItemData(index), CheckListBox1.Checked(index));
    SaveMenuStatus(menuStatus_);
}

void Tkonfigdialog::CheckBox1Click() { WriteOptionFlag("ExSubMenu", CheckBox1.Checked()); }
void Tkonfigdialog::CheckBox2Click() { WriteOptionFlag("ZeigeBitmap", CheckBox2.Checked()); }
void Tkonfigdialog::CheckBox3Click() { WriteOptionFlag("Shortcut", CheckBox3.Checked()); }
void Tkonfigdialog::CheckBox4Click() { WriteOptionFlag("nowindowcheck", !CheckBox4.Checked()); }
void Tkonfigdialog::CheckBox5Click() { WriteFolderVerb(CheckBox5.Checked()); }

void Tkonfigdialog::ComboBox1Change() {
    SetCurrentLanguage(ComboBox1.Text());
    ClearLangCache();
    ApplyCaptions();
    ApplyMenuTabs();
    ShowLanguageState();
    BuildCheckList();
}

void Tkonfigdialog::Button2Click() {
    PageControl1.SetActivePage(1);
    folders_.AddStandardFolders(ExpandEnvironment);
    ShowFolders();
}

// A new live-update window, shown without waiting: this window stays usable.
void Tkonfigdialog::Button3Click() { liveUpdate_ = Tdownloadform::Open(); }

// A language file without any menu entry text leaves nothing to configure:
// the pages stay where they are.
bool Tkonfigdialog::PageControl1Changing() { return CheckListBox1.Count() > 0; }

void Tkonfigdialog::RichEdit1MouseUp() { RichEdit1.HideCaret(); }

void Tkonfigdialog::SaveLists() {
    if (foldersLoaded_) SaveFolders(folders_.Entries());
    if (programsLoaded_) SavePrograms(programs_.Entries());
    if (ftpSitesLoaded_) SaveFtpSites(ftpSites_.Entries());
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

void Tkonfigdialog::FormResize() {
    if (!Panel1.Handle()) return;  // the window's first size comes before its controls
    // While hidden (the start-up's sizing) there is nothing on the screen to keep still.
    std::optional<RedrawPause> pause;
    if (IsWindowVisible(Handle())) pause.emplace(Handle());
    const KonfigLayout layout =
        LayoutFor(Width(), ListView2.ColumnWidth(0), ListView1.ColumnWidth(0), ListView1.ColumnWidth(2));
    const RECT panel = Panel1.Bounds();
    Panel1.SetBounds(panel.left, panel.top, layout.panel1Width, panel.bottom - panel.top);
    TabSheet4.Realign();
    for (ui::CheckBox* box : {&CheckBox1, &CheckBox2, &CheckBox3, &CheckBox4, &CheckBox5}) {
        const RECT r = box->Bounds();
        box->SetBounds(r.left, r.top, layout.checkBoxWidth, r.bottom - r.top);
    }
    for (ui::Button* button : {&Button2, &Button3}) {
        const RECT r = button->Bounds();
        button->SetBounds(CentredLeft(Panel2.Width(), button->Width()), r.top, r.right - r.left, r.bottom - r.top);
    }
    ListView2.SetColumnWidth(1, layout.ftpAddressWidth);
    ListView1.SetColumnWidth(1, layout.programPathWidth);
}

void Tkonfigdialog::FormConstrain(MINMAXINFO& limits) {
    limits.ptMinTrackSize = {kKonfigMinWidth, kKonfigMinHeight};
    limits.ptMaxTrackSize = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void StartKonfigdialog(bool showMainForm) {
    static std::unique_ptr<Tkonfigdialog> konfigdialog;
    ui::App().StartForm(konfigdialog, showMainForm);
}

}  // namespace kivu
