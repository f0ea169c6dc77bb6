#include "starter/starterdialog.h"

#include <windows.h>
#include <commdlg.h>

#include <cstdlib>

#include "common/convert.h"
#include "common/errors.h"
#include "common/kivulanguage.h"
#include "common/text.h"
#include "common/utf8.h"
#include "link/handlerlink.h"
#include "starter/daynumber.h"
#include "starter/schedule.h"
#include "ui/app.h"
#include "ui/langtexts.h"

namespace kivu {

namespace {

constexpr int kTextBase = 10400;  // 10000 + the form's tag
constexpr int kClientWidth = 406, kClientHeight = 407;
constexpr UINT kTimer1Interval = 3000;
constexpr int kDefaultDays = 7;  // the slider of an entry whose "Tage" is no number
constexpr const char* kProgramFilter = "|*.exe;*.com;*.pif;*.lnk;*.bat;*.cmd";

ui::FormSpec Designed() {
    return {.name = "starterform", .tag = 400, .clientWidth = kClientWidth, .clientHeight = kClientHeight,
            .caption = "KIVU - Starter", .resizable = false};
}

int32_t Today() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return DayNumber(now.wDay, now.wMonth, now.wYear);
}

}  // namespace

bool StarterAutomaticRun() { return SplitCommandLine(Narrow(GetCommandLineW())).size() > 2; }

Tstarterform::Tstarterform() : Tstarterform(StarterAutomaticRun()) {}

Tstarterform::Tstarterform(bool automatic) : ui::Form(Designed()), automatic_(automatic) {}

Tstarterform::~Tstarterform() = default;

void Tstarterform::CreateControls() {
    using ui::Align;
    TabControl1.Create(*this, {.name = "TabControl1", .height = 41, .align = Align::Top}, true);
    StatusBar1.Create(*this, {.name = "StatusBar1", .height = 19, .align = Align::Bottom}, {150, 100, 50, 50});
    Panel1.Create(*this, {.name = "Panel1", .align = Align::Client});

    Edit4.Create(Panel1, {.name = "Edit4", .left = 8, .top = 8, .width = 390, .height = 21, .enabled = false});
    Label1.Create(Panel1, {.name = "Label1", .tag = 1, .left = 8, .top = 40, .width = 250, .height = 13,
                           .text = "Program &Path:", .enabled = false});
    Edit1.Create(Panel1, {.name = "Edit1", .left = 8, .top = 56, .width = 366, .height = 21, .enabled = false});
    Button3.Create(Panel1, {.name = "Button3", .left = 377, .top = 56, .width = 21, .height = 21, .text = "...",
                            .enabled = false});
    Label3.Create(Panel1, {.name = "Label3", .tag = 2, .left = 8, .top = 88, .width = 250, .height = 13,
                           .text = "Program Commandline P&arameters:", .enabled = false});
    Edit3.Create(Panel1, {.name = "Edit3", .left = 8, .top = 104, .width = 390, .height = 21, .enabled = false});
    GroupBox1.Create(Panel1, {.name = "GroupBox1", .tag = 3, .left = 8, .top = 136, .width = 390, .height = 45,
                              .text = "&Window:", .enabled = false});
    RadioButton1.Create(GroupBox1, {.name = "RadioButton1", .tag = 4, .left = 12, .top = 18, .width = 110,
                                    .height = 17, .text = "normal", .enabled = false});
    RadioButton2.Create(GroupBox1, {.name = "RadioButton2", .tag = 5, .left = 140, .top = 18, .width = 110,
                                    .height = 17, .text = "minimized", .enabled = false});
    RadioButton3.Create(GroupBox1, {.name = "RadioButton3", .tag = 6, .left = 268, .top = 18, .width = 110,
                                    .height = 17, .text = "hidden", .enabled = false});
    Label2.Create(Panel1, {.name = "Label2", .tag = 7, .left = 8, .top = 192, .width = 250, .height = 13,
                           .text = "Interval (Days):", .enabled = false});
    TrackBar1.Create(Panel1, {.name = "TrackBar1", .left = 2, .top = 208, .width = 340, .height = 33,
                              .enabled = false}, 1, 99, 7);
    Edit2.Create(Panel1, {.name = "Edit2", .left = 350, .top = 212, .width = 48, .height = 21, .text = "7",
                          .enabled = false});
    Neu.Create(Panel1, {.name = "Neu", .tag = 8, .left = 167, .top = 312, .text = "&New"});
    Loeschen.Create(Panel1, {.name = "Loeschen", .tag = 9, .left = 245, .top = 312, .text = "&Delete",
                             .enabled = false});
    Ende.Create(Panel1, {.name = "Ende", .tag = 10, .left = 323, .top = 312, .text = "&Exit"});
    SetDefaultButton(&Ende);
    SetActiveControl(&TabControl1);
    OpenDialog1.filter = kProgramFilter;
    OpenDialog1.options =
        OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_NODEREFERENCELINKS;
    ExecFile1.Associate = false;
    ExecFile1.Wait = false;
    ExecFile1.WaitStyle = TWaitStyle::wSuspend;

    TabControl1.onChange = [this] { TabControl1Enter(); };
    // The strip takes the focus on every click: the fields are loaded only
    // when they do not show the selected tab yet, so that edits not yet
    // saved survive a click on the strip.
    TabControl1.onEnter = [this] {
        if (TabControl1.Index() != shownTab_) TabControl1Enter();
    };
    TabControl1.onChanging = [this](bool&) { TabControl1Changing(); };
    Edit4.onChange = [this] { Edit4Change(); };
    for (ui::Edit* field : {&Edit1, &Edit2, &Edit3}) field->onChange = [this] { shown_.Changed(); };
    Button3.onClick = [this] { Button3Click(); };
    for (ui::RadioButton* option : {&RadioButton1, &RadioButton2, &RadioButton3})
        option->onClick = [this, option] { RadioButtonClick(*option); };
    TrackBar1.onChange = [this] { TrackBar1Change(); };
    Neu.onClick = [this] { NeuClick(); };
    Loeschen.onClick = [this] { LoeschenClick(); };
    Ende.onClick = [this] { EndeClick(); };
}

void Tstarterform::FormCreate() {
    ui::ApplyLangTexts(Panel1, kTextBase);
    ui::ApplyLangTexts(GroupBox1, kTextBase);
    OpenDialog1.filter = GetLangString(10413) + kProgramFilter;

    for (const std::string& name : store_.List()) TabControl1.Add(name);
    if (TabControl1.Count() > 0) {
        TabControl1.SetIndex(0);
        SetEditGroupEnabled(true);
    }

    if (automatic_) {
        if (TabControl1.Count() == 0) std::exit(0);  // nothing to start: no window at all
        SetEnabled(false);
        SwitchTimer1On();
    }
    nextIndex_ = 0;
    SetCaption("KIVU Starter");
    ui::App().SetTitle(Caption());
    // The automatic run shows itself, minimized, once it is set up.
    if (automatic_) ShowMinimized();
}

void Tstarterform::ShowMinimized() {
    // Restored, the window stands in the middle of the screen.
    WINDOWPLACEMENT place{};
    place.length = sizeof place;
    GetWindowPlacement(Handle(), &place);
    const int w = Width(), h = Height();
    place.rcNormalPosition.left = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    place.rcNormalPosition.top = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    place.rcNormalPosition.right = place.rcNormalPosition.left + w;
    place.rcNormalPosition.bottom = place.rcNormalPosition.top + h;
    place.showCmd = SW_SHOWMINNOACTIVE;
    SetWindowPlacement(Handle(), &place);
}

void Tstarterform::FormClose() { Timer1.Stop(); }

bool Tstarterform::FormMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    // Escape closes the window like its close box.
    if (msg == WM_COMMAND && lp == 0 && HIWORD(wp) == 0 && LOWORD(wp) == IDCANCEL) {
        Close();
        result = 0;
        return true;
    }
    return false;
}

std::string Tstarterform::ShownName() const {
    const int index = TabControl1.Index();
    return index >= 0 ? TabControl1.TabText(index) : std::string();
}

int Tstarterform::FindTab(const std::string& name) const {
    for (int i = 0; i < TabControl1.Count(); ++i)
        if (lstrcmpiW(Widen(TabControl1.TabText(i)).c_str(), Widen(name).c_str()) == 0) return i;
    return -1;
}

void Tstarterform::SetEditGroupEnabled(bool enabled) {
    for (ui::Control* c : std::initializer_list<ui::Control*>{
             &Edit1, &Edit2, &Edit3, &Edit4, &RadioButton1, &RadioButton2, &RadioButton3, &TrackBar1, &Button3,
             &Loeschen, &Label1, &Label2, &Label3, &GroupBox1})
        c->SetEnabled(enabled);
}

void Tstarterform::SwitchTimer1On() { Timer1.Start(kTimer1Interval, [this] { Timer1Timer(); }); }

// ---- Editing

void Tstarterform::TabControl1Enter() {
    if (TabControl1.Count() == 0) return;
    shownTab_ = TabControl1.Index();
    Edit4.SetText(ShownName());
    SetCaption("KIVU - Starter - " + Edit4.Text());
    ui::App().SetTitle(Caption());
    // Every field is filled from this entry (what cannot be read empty, the
    // slider at its default): none keeps what the entry before had in it.
    const EntryFields fields = FieldsOf(store_.LoadValues(ShownName()));
    shown_.BeginLoad(fields.complete);
    bool through = false;
    try {
        Edit1.SetText(fields.path);
        TrackBar1.SetPosition(fields.position.value_or(kDefaultDays));
        Edit2.SetText(fields.position ? IntToStr(TrackBar1.Position()) : fields.days);
        Edit3.SetText(fields.parameters);
        for (ui::RadioButton* option : {&RadioButton1, &RadioButton2, &RadioButton3}) option->SetChecked(false);
        // Checking writes the mode back (a stored "0" becomes "1"), but only
        // into an entry that may be saved.
        switch (fields.option) {
            case 1: RadioButton1.SetChecked(true); break;
            case 2: RadioButton2.SetChecked(true); break;
            case 3: RadioButton3.SetChecked(true); break;
            default: break;
        }
        through = true;
    } catch (const RuntimeError&) {
        // A write-back that fails ends the loading silently where it stands.
    }
    shown_.EndLoad(through);
}

void Tstarterform::TabControl1Changing() { EditSave(); }

// The fields show the selected tab's entry, and that is where they are
// saved: the name field differs from it only while a typed name clashes.
void Tstarterform::EditSave() {
    if (TabControl1.Count() == 0 || !shown_.MaySave()) return;
    store_.Save(ShownName(), Edit1.Text(), Edit2.Text(), Edit3.Text());
}

void Tstarterform::Edit4Change() {
    const int index = TabControl1.Index();
    if (index < 0) return;
    const std::string name = Edit4.Text();
    const std::string old = TabControl1.TabText(index);
    if (name.empty() || name == old) return;
    try {
        // Every keystroke moves the entry; a name taken by another tab (or
        // one that cannot name a key) is refused with a beep.
        if (FindTab(name) >= 0 || !StarterStore::IsEntryName(name)) {
            MessageBeep(MB_ICONHAND);
            return;
        }
        TabControl1.SetTabText(index, name);
        store_.Rename(old, name);
    } catch (const RuntimeError&) {
        // Renaming stays silent.
    }
}

void Tstarterform::RadioButtonClick(ui::RadioButton& option) {
    shown_.Changed();
    if (TabControl1.Count() == 0 || Edit1.Text().empty() || ShownName().empty() || !shown_.MaySave()) return;
    const char* mode = &option == &RadioButton1 ? "1" : &option == &RadioButton2 ? "2" : "3";
    store_.SetWindowMode(ShownName(), mode);
}

void Tstarterform::TrackBar1Change() { Edit2.SetText(IntToStr(TrackBar1.Position())); }

void Tstarterform::Button3Click() {
    if (OpenDialog1.Execute(Handle())) Edit1.SetText(OpenDialog1.fileName);
}

void Tstarterform::NeuClick() {
    EditSave();
    if (store_.NonameExists()) {
        MessageBeep(MB_ICONHAND);
        MessageBoxW(Handle(), L"Wert existiert schon.", L"Fehler", MB_OK | MB_ICONERROR);
        return;
    }
    SetEditGroupEnabled(true);
    TabControl1.Add(kNoname);
    TabControl1.SetIndex(TabControl1.Count() - 1);
    TabControl1Enter();
    TabControl1.SetFocus();
}

void Tstarterform::LoeschenClick() {
    const int index = TabControl1.Index();
    if (index < 0) return;
    const std::string name = TabControl1.TabText(index);
    TabControl1.Delete(index);
    store_.Delete(name);
    if (TabControl1.Count() == 0) {
        Edit1.SetText("");
        Edit3.SetText("");
        Edit4.SetText("");
        SetEditGroupEnabled(false);
        store_.DeleteStore();
    } else {
        TabControl1.SetIndex(0);
    }
    shownTab_ = -1;
    InvalidateRect(TabControl1.Handle(), nullptr, TRUE);
    TabControl1Enter();
    TabControl1.SetFocus();
}

void Tstarterform::EndeClick() {
    ExecFile1.Wait = false;
    EditSave();
    Close();
}

// ---- The automatic run

void Tstarterform::Timer1Timer() {
    if (nextIndex_ >= TabControl1.Count()) {
        Timer1.Stop();
        SetCaption("KIVU Starter");
        Close();
        return;
    }
    const std::string name = TabControl1.TabText(nextIndex_);
    SetCaption("KIVU Starter - " + name);
    ui::App().SetTitle(Caption());
    ++nextIndex_;  // a value that is not a number ends this tick, not the run

    const StarterEntry entry = store_.Load(name);
    const int32_t interval = StrToInt(entry.days);
    const int32_t last = StrToInt(entry.date);
    StatusBar1.SetPanelText(0, name);
    StatusBar1.SetPanelText(1, entry.path);
    const TWindowStyle style = WindowStyleOf(entry.window);
    const int32_t today = Today();
    StatusBar1.SetPanelText(2, DaysText(today, last, interval));
    if (!IsDue(today, last, interval)) return;

    StatusBar1.SetPanelText(3, "gestartet.");
    ExecFile1.CommandLine = std::string(utf8::Head(entry.path, kInStringLength));
    ExecFile1.Parameters = std::string(utf8::Head(entry.parameters, kInStringLength));
    ExecFile1.Wait = true;
    ExecFile1.WaitStyle = TWaitStyle::wSuspend;
    ExecFile1.WindowStyle = style;
    Timer1.Stop();
    worker_ = std::make_unique<TExecThread>(ExecFile1, [this] {
        worker_.reset();
        Starttimer();
    });
    // The day of the attempt counts, whether the program could start or not.
    store_.RecordStart(name, today);
}

void Tstarterform::Starttimer() {
    StatusBar1.SetPanelText(3, "beendet.");
    SwitchTimer1On();
}

void StartStarterform(bool showMainForm) {
    static std::unique_ptr<Tstarterform> starterform;
    // The automatic run shows itself, minimized, at creation.
    ui::App().StartForm(starterform, showMainForm && !StarterAutomaticRun());
}

}  // namespace kivu
