#include "fileprops/renameform.h"

#include <algorithm>

#include "common/convert.h"
#include "common/kivulanguage.h"
#include "common/reg.h"
#include "common/text.h"
#include "common/utf8.h"
#include "fileprops/numberinput.h"
#include "fileprops/renamer.h"
#include "link/handlerevents.h"
#include "link/handlerlink.h"
#include "ui/app.h"
#include "ui/langtexts.h"

namespace kivu {

namespace {

constexpr int kFontHeight = 11;      // the designed 8-point font
constexpr UINT kArrivalRefreshMs = 100;  // one list refresh for a burst of arriving files
constexpr size_t kPlaceholderReach = 255;
constexpr int kVisibleRows = 10;         // the list opens showing at least these
constexpr int kMinWidth = 465;
constexpr int kDesignedWidth = 550;
constexpr int kTextPatternHint = 10261;
constexpr int kTextUndo = 10272;
constexpr int kTextUndone = 10273;
constexpr int kTextUndoRefused = 10274;
constexpr int kTextNotUndone = 10275;
constexpr const char* kPlaceValues[4] = {"Left", "Top", "Width", "Height"};

std::optional<Box> ReadPlace() {
    int v[4];
    for (int i = 0; i < 4; ++i) {
        const auto n = TryStrToInt(ReadRegString(HKEY_CURRENT_USER, kPlacementKey, kPlaceValues[i], ""));
        if (!n) return std::nullopt;
        v[i] = *n;
    }
    if (v[2] <= 0 || v[3] <= 0) return std::nullopt;
    return Box{v[0], v[1], v[2], v[3]};
}

// The work area of the monitor that shows most of the box.
Box WorkAreaFor(const Box& b) {
    const RECT r{b.left, b.top, b.left + b.width, b.top + b.height};
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &info))
        return Box{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const RECT& w = info.rcWork;
    return Box{w.left, w.top, w.right - w.left, w.bottom - w.top};
}

SYSTEMTIME Now() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return st;
}

// The position of the first "]" within the reach (in characters) that starts at the "[" at pos.
size_t ClosingBracket(const std::string& text, size_t pos) {
    const size_t close = text.find(']', pos);
    if (close == std::string::npos) return close;
    return utf8::Length(std::string_view(text).substr(pos, close - pos)) < kPlaceholderReach ? close : std::string::npos;
}

}  // namespace

Trenamedialog::Trenamedialog()
    : ui::Form({.name = "renamedialog", .tag = 10200, .width = kDesignedWidth, .height = 400,
                .caption = "Dateien Eigenschaften ändern", .centered = false}),  // placed as it is made
      list_([](int number) { return GetLangString(number); }) {}

LRESULT RowListView::HandleNotify(NMHDR* hdr) {
    if (hdr->code == LVN_ITEMCHANGED) {
        const auto* change = reinterpret_cast<NMLISTVIEW*>(hdr);
        if ((change->uChanged & LVIF_STATE) && ((change->uNewState ^ change->uOldState) & LVIS_SELECTED) && onSelect)
            onSelect();
        return 0;
    }
    if (hdr->code == LVN_GETINFOTIPW) {
        auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(hdr);
        const std::wstring text = Widen(onInfoTip ? onInfoTip(tip->iItem) : std::string());
        if (tip->pszText && tip->cchTextMax > 0) lstrcpynW(tip->pszText, text.c_str(), tip->cchTextMax);
        return 0;
    }
    return ui::ListView::HandleNotify(hdr);
}

Trenamedialog::~Trenamedialog() = default;

void Trenamedialog::CreateControls() {
    using ui::Align;
    // Panel 2 counts the conflicts and gives the reason of the selected (or first) one.
    StatusBar1.Create(*this, {.name = "StatusBar1", .height = 19, .align = Align::Bottom}, {50, 300, 4000});
    Panel1.Create(*this, {.name = "Panel1", .height = 170, .align = Align::Bottom});
    ListView1.Create(*this, {.name = "ListView1", .align = Align::Client, .tabStop = false});

    // The error line spans the whole panel, above the buttons' panel (made
    // first, it lies on top; the buttons' panel leaves it unpainted).
    Label2.Create(Panel1, {.name = "Label2", .left = 8, .top = 2, .width = 390, .height = 14});
    Panel2.Create(Panel1, {.name = "Panel2", .width = 144, .align = Align::Right});
    SetWindowLongPtrW(Panel2.Handle(), GWL_STYLE, GetWindowLongPtrW(Panel2.Handle(), GWL_STYLE) | WS_CLIPSIBLINGS);
    // Too long for one line, it ends in "..." and its tooltip has all of it.
    SetWindowLongPtrW(Label2.Handle(), GWL_STYLE,
                      GetWindowLongPtrW(Label2.Handle(), GWL_STYLE) | SS_ENDELLIPSIS | SS_NOPREFIX | SS_NOTIFY);
    CheckBox1.Create(Panel1, {.name = "CheckBox1", .tag = 10201, .left = 8, .top = 20, .width = 110, .height = 17,
                              .text = "&Name"}, true);
    Edit1.Create(Panel1, {.name = "Edit1", .left = 128, .top = 20, .width = 186, .height = 21, .text = "[Name][Ext]"});
    CheckBox2.Create(Panel1, {.name = "CheckBox2", .tag = 10202, .left = 8, .top = 64, .width = 110, .height = 16,
                              .text = "&Datum"});
    Label3.Create(Panel1, {.name = "Label3", .tag = 10206, .left = 128, .top = 64, .width = 80, .height = 14,
                           .text = "Datum:", .enabled = false});
    Label4.Create(Panel1, {.name = "Label4", .tag = 10207, .left = 224, .top = 64, .width = 90, .height = 14,
                           .text = "Zeit:", .enabled = false});
    DateTimePicker1.Create(Panel1, {.name = "DateTimePicker1", .left = 128, .top = 80, .width = 90, .height = 21,
                                    .enabled = false}, ui::DateTimePicker::Kind::Date);
    DateTimePicker2.Create(Panel1, {.name = "DateTimePicker2", .left = 224, .top = 80, .width = 90, .height = 21,
                                    .enabled = false}, ui::DateTimePicker::Kind::Time);
    RadioButton1.Create(Panel1, {.name = "RadioButton1", .tag = 10203, .left = 16, .top = 80, .width = 112,
                                 .height = 16, .text = "&Erstelldatum", .enabled = false}, true);
    RadioButton3.Create(Panel1, {.name = "RadioButton3", .tag = 10205, .left = 16, .top = 96, .width = 112,
                                 .height = 16, .text = "&Letzte Änderung", .enabled = false}, true);
    RadioButton2.Create(Panel1, {.name = "RadioButton2", .tag = 10204, .left = 16, .top = 112, .width = 112,
                                 .height = 16, .text = "Letzter &Zugriff", .enabled = false}, true);
    Button3.Create(Panel1, {.name = "Button3", .tag = 10208, .left = 257, .top = 104, .width = 57, .height = 21,
                            .text = "&Jetzt!", .enabled = false});
    CheckBox3.Create(Panel1, {.name = "CheckBox3", .tag = 10260, .left = 8, .top = 144, .width = 110, .height = 17,
                              .text = "Attribute"});
    Edit2.Create(Panel1, {.name = "Edit2", .left = 128, .top = 144, .width = 48, .height = 21, .text = "RSAH",
                          .enabled = false});

    Button1.Create(Panel2, {.name = "Button1", .tag = 10209, .left = 16, .top = 40, .width = 113, .height = 25,
                            .text = "&Testen", .visible = false});
    Button5.Create(Panel2, {.name = "Button5", .tag = 10101, .left = 16, .top = 72, .width = 113, .height = 25,
                            .text = "OK"});
    Button4.Create(Panel2, {.name = "Button4", .tag = 10211, .left = 16, .top = 104, .width = 113, .height = 25,
                            .text = "A&bbrechen"});
    Button2.Create(Panel2, {.name = "Button2", .tag = 10210, .left = 15, .top = 136, .width = 113, .height = 25,
                            .text = "&Ausführen", .enabled = false});
    Button6.Create(Panel2, {.name = "Button6", .tag = kTextUndo, .left = 16, .top = 40, .width = 113, .height = 25,
                            .text = "&Undo", .enabled = false});
    SetDefaultButton(&Button5);
    SetCancelButton(&Button4);
    SetActiveControl(&Edit1);
    SetTooltip(DateTimePicker1, "dd:mm:yyyy");
    SetTooltip(DateTimePicker2, "hh:mm:ss");
    Edit1.hint = "[Name(Startpos,Endpos)][N:Width:Offset][Ext(Startpos,Endpos)]";

    for (auto [name, caption] : {std::pair{"Name1", "[N&ame]"}, {"Name12551", "[Name($$,$$)]"}, {"N1", "-"},
                                 {"Ext1", "[E&xt]"}, {"Ext12551", "[Ext($$,$$)]"}, {"N2", "-"}, {"N3", "[&N]"},
                                 {"N011", "[N:$$:$$]"}, {"N4", "-"}}) {
        ui::MenuItem& item = PopupMenu1.Add(name, 0, caption);
        if (item.caption != "-") item.onClick = [this, &item] { Name1Click(item); };
    }
    PopupMenu1.Add("Schlieen1", 10307, "Schließen");

    ListView_SetExtendedListViewStyleEx(ListView1.Handle(), LVS_EX_INFOTIP, LVS_EX_INFOTIP);
    ListView1.AddColumn("Name", 150);
    ListView1.AddColumn("Alter Name", 120);
    ListView1.AddColumn("Neuer Name", 120);
    ListView1.AddColumn("", 20);

    ListView1.onGetText = [this](int row, int col) {
        return row < static_cast<int>(list_.Rows().size()) ? list_.CellText(row, col) : std::string();
    };
    ListView1.onColumnClick = [this](int col) { ListView1ColumnClick(col); };
    ListView1.onKeyDown = [this](WORD& key) { ListView1KeyDown(key); };
    ListView1.onSelect = [this] { ShowConflicts(); };
    ListView1.onInfoTip = [this](int row) {
        return row < static_cast<int>(list_.Rows().size()) ? list_.ProblemOf(row) : std::string();
    };
    Button1.onClick = [this] { Button1Click(); };
    Button2.onClick = [this] { Button2Click(); };
    Button3.onClick = [this] { Button3Click(); };
    Button4.onClick = [this] { Button4Click(); };
    Button5.onClick = [this] { Button5Click(); };
    Button6.onClick = [this] { Button6Click(); };
    CheckBox1.onClick = [this] { CheckBox1Click(); };
    CheckBox2.onClick = [this] { CheckBox2Click(); };
    CheckBox3.onClick = [this] { CheckBox3Click(); };
    for (ui::CheckBox* box : {&RadioButton1, &RadioButton2, &RadioButton3}) box->onClick = [this] { RadioButton1Click(); };
    for (ui::Control* c : std::initializer_list<ui::Control*>{&Edit1, &Edit2, &DateTimePicker1, &DateTimePicker2})
        c->onChange = [this] { Edit1Change(); };
    Edit1.onKeyPress = [this](wchar_t& key) { Edit1KeyPress(key); };
    Edit1.onKeyDown = [this](WORD& key) { Edit1KeyDown(key); };
    Edit2.onKeyPress = [this](wchar_t& key) { Edit2KeyPress(key); };
}

void Trenamedialog::FormCreate() {
    LangTextBatch texts;  // some twenty texts, one read of the language's section
    SetCaption(GetLangString(Tag()));
    ui::ApplyLangTexts(Panel1);
    ui::ApplyLangTexts(Panel2);
    StatusBar1.SetPanelText(0, GetLangString(10212));
    StatusBar1.SetPanelText(1, list_.Folder());
    ShowListState();
    Edit1.hint = GetLangString(kTextPatternHint);
    SetTooltip(Edit1, Edit1.hint);
    ui::ApplyLangTexts(PopupMenu1);
    // A language text may put a right-aligned part into a menu item with "\t".
    for (ui::MenuItem* item : PopupMenu1.Items()) {
        const auto at = item->caption.find("\\t");
        if (at != std::string::npos) item->caption.replace(at, 2, "\t");
    }

    firstIdle_ = true;
    Label2.SetText("");
    ui::App().SetIdleHook([this] { IdleStep(); });

    // Every date and time text of the dialog has the fixed forms dd.MM.yyyy
    // and HH:mm:ss (FormatMoment in the list; the pickers from the start, so
    // their first paint does not show the system's format).
    DateTimePicker1.SetFormat("dd.MM.yyyy");
    DateTimePicker2.SetFormat("HH:mm:ss");
    const SYSTEMTIME now = Now();
    DateTimePicker1.SetValue(now);
    DateTimePicker2.SetValue(now);

    PlaceWindow();
    UpdateUndoButton();
}

int Trenamedialog::HeightForRows(int rows) {
    // The list's own measure, taken once: where its top row starts below the
    // header and how high a row is (an empty list is lent one row to ask),
    // plus its frame. Each resize lays the whole dialog out again.
    const HWND list = ListView1.Handle();
    const bool empty = ListView1.RowCount() == 0;
    if (empty) ListView_SetItemCountEx(list, 1, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    RECT row{};
    ListView_GetItemRect(list, ListView_GetTopIndex(list), &row, LVIR_BOUNDS);
    if (empty) ListView_SetItemCountEx(list, 0, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    RECT client{};
    GetClientRect(list, &client);
    const int frame = ListView1.Height() - (client.bottom - client.top);
    return Height() - ListView1.Height() + frame + row.top + rows * (row.bottom - row.top);
}

void Trenamedialog::PlaceWindow() {
    // Where the user left it, never smaller than designed nor off the screen;
    // otherwise the designed size, centred on the screen. One move and resize either way.
    const std::optional<Box> saved = ReadPlace();
    const int designed = HeightForRows(kVisibleRows);
    Box b;
    if (saved) {
        b = {saved->left, saved->top, std::max(saved->width, Scaled(kMinWidth)), std::max(saved->height, designed)};
        b = ClampToArea(b, WorkAreaFor(b));
    } else {
        const int width = Scaled(kDesignedWidth);
        b = {(GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - designed) / 2, width,
             designed};
    }
    SetWindowPos(Handle(), nullptr, b.left, b.top, b.width, b.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Trenamedialog::FormClose() {
    if (IsIconic(Handle()) || IsZoomed(Handle())) return;  // keep the last ordinary place
    RECT r;
    GetWindowRect(Handle(), &r);
    const int v[4] = {static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right - r.left),
                      static_cast<int>(r.bottom - r.top)};
    for (int i = 0; i < 4; ++i) WriteRegString(HKEY_CURRENT_USER, kPlacementKey, kPlaceValues[i], IntToStr(v[i]));
}

void Trenamedialog::IdleStep() {
    if (!firstIdle_) return;
    firstIdle_ = false;
    ui::App().SetIdleHook(nullptr);  // one turn is all it needs
    SignalHandlerEvent(kEventStart);
    Refresh();
    Edit1.SetSelection(Edit1.SelStart(), 0);
}

bool Trenamedialog::FormMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg != kMsgAddFile && msg != WM_COPYDATA) return false;
    std::string path;
    result = TakeArrivedPath(msg, wp, lp, path) && msg == WM_COPYDATA;  // WM_COPYDATA answers TRUE when taken
    if (!path.empty()) FileArrived(path);
    return true;
}

void Trenamedialog::FileArrived(const std::string& path) {
    list_.AddPath(path);
    // Files come one message each, often thousands: the list shows them, with
    // their new names, in batches instead of repainting per file.
    if (!arrivals_.Running())
        arrivals_.Start(kArrivalRefreshMs, [this] { Refresh(); });
}

void Trenamedialog::Refresh() {
    arrivals_.Stop();
    LookAtFolder(false);
    ShowRows();
    if (list_.CurrentMode() == CheckedMode()) Preview(list_, CurrentInput());
    ShowListState();
}

void Trenamedialog::LookAtFolder(bool always) {
    if (!always && listedFolder_ == list_.Folder()) return;
    listedFolder_ = list_.Folder();
    list_.SetFolderNames(ListFolderNames(ops_, listedFolder_));
}

// The status panel counts the conflicts; the reason of the selected (or
// first) one goes to the error line while that has nothing else to say, where
// it has the dialog's width. Each row's reason is also its tip in the list.
void Trenamedialog::ShowConflicts() {
    std::string text, reason;
    if (const size_t count = list_.ConflictCount()) {
        text = IntToStr(static_cast<int64_t>(count)) + " " + GetLangString(kTextConflicts);
        int row = ListView1.Selected();
        if (row < 0 || list_.ProblemOf(row).empty()) {
            const auto& rows = list_.Rows();
            const auto first = std::find_if(rows.begin(), rows.end(), [](const Row& r) {
                return r.problem != Problem::None && r.problem != Problem::MoveFailed;
            });
            row = first == rows.end() ? -1 : static_cast<int>(first - rows.begin());
        }
        if (row >= 0) reason = list_.Rows()[row].fileName + ": " + list_.ProblemOf(row);
    }
    if (StatusBar1.PanelText(2) != text) StatusBar1.SetPanelText(2, text);
    const std::string line = list_.ErrorLine().empty() ? reason : list_.ErrorLine();
    if (Label2.Text() != line) {
        Label2.SetText(line);
        SetTooltip(Label2, line);
    }
}

// Every keystroke in the pattern field comes here: only what changed is
// handed to the controls, so the list is the one thing that repaints.
void Trenamedialog::ShowRows() {
    const int count = static_cast<int>(list_.Rows().size());
    if (ListView1.RowCount() != count) ListView1.SetRowCount(count);
    if (StatusBar1.PanelText(1) != list_.Folder()) StatusBar1.SetPanelText(1, list_.Folder());
}

void Trenamedialog::ShowListState() {
    for (int col = 0; col < 3; ++col)
        if (ListView1.ColumnCaption(col) != list_.Caption(col)) ListView1.SetColumnCaption(col, list_.Caption(col));
    ShowConflicts();
    ListView1.RedrawRows();
}

Mode Trenamedialog::CheckedMode() const {
    if (CheckBox2.Checked()) return Mode::Date;
    if (CheckBox3.Checked()) return Mode::Attribute;
    return Mode::Name;
}

StampBoxes Trenamedialog::CheckedStamps() const {
    return {.creation = RadioButton1.Checked(), .lastAccess = RadioButton2.Checked(),
            .lastWrite = RadioButton3.Checked()};
}

PreviewInput Trenamedialog::CurrentInput() {
    // The target moment: the date picker takes over the time picker's time of day.
    SYSTEMTIME date = DateTimePicker1.Value();
    const SYSTEMTIME time = DateTimePicker2.Value();
    date.wHour = time.wHour;
    date.wMinute = time.wMinute;
    date.wSecond = time.wSecond;
    date.wMilliseconds = 0;
    DateTimePicker1.SetValue(date);
    return {.pattern = Edit1.Text(), .target = ToCalTime(date), .attributes = Edit2.Text()};
}

void Trenamedialog::Button1Click() { Refresh(); }

void Trenamedialog::Button2Click() {
    // Rows that arrived since the last refresh are shown before anything happens.
    Refresh();
    lastApplyOk_ = ApplyChanges(list_, {CurrentInput(), CheckedStamps()}, ops_, &journal_);
    listedFolder_ = list_.Folder();  // the apply has just listed it
    ShowListState();
    UpdateUndoButton();
}

void Trenamedialog::UpdateUndoButton() {
    Journal journal;
    Button6.SetEnabled(ReadJournal(journal_.Load(), journal) && !journal.steps.empty());
}

// Undo takes the last rename back, also one of an earlier run of the dialog.
void Trenamedialog::Button6Click() {
    Journal journal;
    if (!ReadJournal(journal_.Load(), journal)) return;
    const UndoResult result = UndoJournal(journal, ops_);
    if (!result.refused && result.notes.empty()) journal_.Remove();
    // Rows of the journal's folder take their names back.
    if (SameName(journal.folder, list_.Folder()))
        for (const auto& [now, old] : result.renamed)
            for (Row& r : list_.Rows())
                if (SameName(r.fileName, now)) r.fileName = r.current = old;
    LookAtFolder(true);
    Refresh();
    std::string line;
    if (result.refused) {
        line = GetLangString(kTextUndoRefused);
    } else {
        line = IntToStr(static_cast<int64_t>(result.undone)) + " " + GetLangString(kTextUndone);
        if (!result.notes.empty())
            line += ", " + IntToStr(static_cast<int64_t>(result.notes.size())) + " " + GetLangString(kTextNotUndone) + ":";
    }
    for (size_t k = 0; k < result.notes.size() && k < 3; ++k) line += (k ? ", " : " ") + result.notes[k];
    if (result.refused || !result.notes.empty()) ops_.Beep(kBeepError);
    list_.SetErrorLine(line);
    ShowListState();
    UpdateUndoButton();
}

bool Trenamedialog::FormShortCut(WORD key) {
    // Ctrl+Z in the pattern field is the field's own undo.
    if (key != 'Z' || !(GetKeyState(VK_CONTROL) & 0x8000) || Edit1.Focused() || !Button6.Enabled()) return false;
    Button6Click();
    return true;
}

void Trenamedialog::Button3Click() {
    const SYSTEMTIME now = Now();
    DateTimePicker1.SetValue(now);
    DateTimePicker2.SetValue(now);
    Edit1Change();  // the preview follows, as after the user's own change
}

void Trenamedialog::Button4Click() { Close(); }

void Trenamedialog::Button5Click() {
    Button2Click();
    // A failed or skipped row keeps the dialog open with its marks and the summary.
    if (lastApplyOk_) Button4Click();
}

void Trenamedialog::DoChange() {
    ShowRows();
    const FillOutcome outcome =
        list_.DoChange(CheckedMode(), CheckedStamps(), CurrentInput().target, Edit2.Text(), ops_);
    // The fill's error line stays; the new values come from the preview.
    const std::string fillError = list_.ErrorLine();
    Preview(list_, CurrentInput());
    if (!fillError.empty()) list_.SetErrorLine(fillError);
    ShowListState();
    if (outcome.checkCreationAgain) RadioButton1.SetChecked(true);
}

void Trenamedialog::ModeClick(ui::CheckBox& box) {
    ui::CheckBox* boxes[] = {&CheckBox1, &CheckBox2, &CheckBox3};
    if (box.Checked()) {
        for (ui::CheckBox* other : boxes)
            if (other != &box) other->SetChecked(false);
        const bool name = &box == &CheckBox1, date = &box == &CheckBox2, attributes = &box == &CheckBox3;
        Edit1.SetEnabled(name);
        for (ui::Control* c : std::initializer_list<ui::Control*>{&RadioButton1, &RadioButton2, &RadioButton3,
                                                                   &DateTimePicker1, &DateTimePicker2, &Label3,
                                                                   &Label4, &Button3})
            c->SetEnabled(date);
        Edit2.SetEnabled(attributes);
    } else if (std::none_of(std::begin(boxes), std::end(boxes), [](ui::CheckBox* b) { return b->Checked(); })) {
        box.SetChecked(true);  // one kind of change is always chosen; its click fills the list
        return;
    } else {
        return;  // unchecked by the box that became checked: that one fills the list
    }
    DoChange();
}

void Trenamedialog::UpdateApplyButton() { Button2.SetEnabled(!(CheckBox1.Checked() && Edit1.Text().empty())); }

void Trenamedialog::CheckBox1Click() {
    ModeClick(CheckBox1);
    UpdateApplyButton();
}

void Trenamedialog::CheckBox2Click() { ModeClick(CheckBox2); }
void Trenamedialog::CheckBox3Click() { ModeClick(CheckBox3); }
void Trenamedialog::RadioButton1Click() { DoChange(); }

void Trenamedialog::Edit1Change() {
    if (numberDialog_) return;  // the number dialog runs the preview itself
    Button1Click();
    UpdateApplyButton();
}

void Trenamedialog::Name1Click(ui::MenuItem& item) {
    std::string text = item.caption;
    text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
    Edit1.ReplaceSelection(text);  // a selected part of the pattern gives way to the placeholder
}

void Trenamedialog::Edit1KeyPress(wchar_t& key) {
    if (key == '\b') {
        const std::string text = Edit1.Text();
        const int caret = Edit1.SelStart();
        if (Edit1.SelLength() == 0 && !text.empty() && caret > 0 && text[caret - 1] == ']') {
            // Backspace behind a placeholder takes the whole placeholder.
            const size_t open = caret >= 2 ? text.rfind('[', caret - 2) : std::string::npos;
            if (open != std::string::npos) {
                Edit1.SetSelection(static_cast<int>(open), caret - static_cast<int>(open));
                Edit1.ReplaceSelection("");
            }
            key = 0;
        }
        return;
    }
}

// The placeholder menu is a help the user asks for (Ctrl+Space): "[" is an
// ordinary character, so a pattern typed key by key is exactly what was typed.
void Trenamedialog::ShowPlaceholderMenu() {
    const std::string oldText = Edit1.Text();
    POINT at = Edit1.ScreenOrigin();
    at.y += Edit1.Height();
    const int selStart = Edit1.SelStart(), selLength = Edit1.SelLength();
    PopupMenu1.Popup(Handle(), at);
    ui::App().ProcessMessages();
    int caret = Edit1.SelStart();
    at.x += Edit1.Width();
    at.y -= Edit1.Height();
    ui::App().ProcessMessages();
    if (Edit1.Text() == oldText) {
        Edit1.SetSelection(selStart, selLength);  // nothing chosen: nothing changes
        return;
    }

    while (Edit1.Text().find("$$") != std::string::npos) {
        Button2.SetEnabled(false);
        Button4.SetEnabled(false);
        Edit1.SetHideSelection(false);
        Edit1.SetCaret(caret);
        Tnumber number(Edit1, [this] { Button1Click(); });
        numberDialog_ = &number;
        const int result = number.ShowAt(Handle(), at);
        numberDialog_ = nullptr;
        const bool cancelled = result == ui::mrCancel;
        if (cancelled) Edit1.SetText(oldText);
        caret = Edit1.SelStart();
        Button2.SetEnabled(true);
        Button4.SetEnabled(true);
        Edit1.SetHideSelection(true);
        Button1Click();
        Edit1.SetFocus();
        Edit1.SetCaret(caret);
        // The old text may hold a "$$" of the user's own: Escape must end the loop.
        if (cancelled) break;
    }
}

void Trenamedialog::Edit1KeyDown(WORD& key) {
    if (key == VK_SPACE && (GetKeyState(VK_CONTROL) & 0x8000)) {
        key = 0;  // the blank that Ctrl+Space would type goes with the key
        ShowPlaceholderMenu();
        return;
    }
    const std::string text = Edit1.Text();
    if (text.empty()) return;
    const size_t caret = static_cast<size_t>(Edit1.SelStart());
    const bool noSelection = Edit1.SelLength() == 0;
    switch (key) {
        case VK_DELETE:
            if (noSelection && caret < text.size() && text[caret] == '[') {
                const size_t close = ClosingBracket(text, caret);
                if (close != std::string::npos) {
                    Edit1.SetSelection(static_cast<int>(caret), static_cast<int>(close - caret + 1));
                    Edit1.ReplaceSelection("");
                    key = 0;
                }
            }
            break;
        case VK_LEFT:
            Edit1.SetSelection(static_cast<int>(caret), 0);
            if (caret > 0 && text[caret - 1] == ']') {
                const size_t open = caret >= 2 ? text.rfind('[', caret - 2) : std::string::npos;
                if (open != std::string::npos) Edit1.SetCaret(static_cast<int>(open));
                key = 0;
            }
            break;
        case VK_RIGHT:
            if (noSelection && caret < text.size() && text[caret] == '[') {
                const size_t close = ClosingBracket(text, caret);
                if (close != std::string::npos) {
                    Edit1.SetCaret(static_cast<int>(close + 1));
                    key = 0;
                }
            }
            break;
        default:
            break;
    }
}

void Trenamedialog::Edit2KeyPress(wchar_t& key) {
    if (key == 'r' || key == 's' || key == 'a' || key == 'h') key = static_cast<wchar_t>(key - 'a' + 'A');
    if (key == '\b') return;
    if (key != 'R' && key != 'S' && key != 'A' && key != 'H') {
        key = 0;
        return;
    }
    if (Edit2.Text().find(static_cast<char>(key)) != std::string::npos) key = 0;
}

// The numbers follow the display order: a sort or a removed row previews again.
void Trenamedialog::ListView1ColumnClick(int column) {
    if (list_.ColumnClick(column, ops_)) Refresh();
}

void Trenamedialog::ListView1KeyDown(WORD& key) {
    if (list_.KeyDown(key, ListView1.Selected())) Refresh();
}

void Trenamedialog::FormResize() {
    LockWindowUpdate(Handle());
    const RECT line = Label2.Bounds();
    Label2.SetBounds(line.left, line.top, Panel1.Width() - 2 * line.left, line.bottom - line.top);
    ListView1.SetColumnWidth(2, Width() - ListView1.ColumnWidth(0) - ListView1.ColumnWidth(1) - Scaled(50));
    if (ListView1.ColumnWidth(1) < Scaled(120)) ListView1.SetColumnWidth(1, Scaled(120));
    LockWindowUpdate(nullptr);
}

void Trenamedialog::FormConstrain(MINMAXINFO& limits) {
    if (!ListView1.Handle()) return;  // asked while the window is being made
    // The list may shrink to 4 pixels, the panel below it never.
    limits.ptMinTrackSize.x = Scaled(kMinWidth);
    limits.ptMinTrackSize.y = Height() - ListView1.Height() + Scaled(4);
    limits.ptMaxTrackSize.x = GetSystemMetrics(SM_CXSCREEN);
    limits.ptMaxTrackSize.y = GetSystemMetrics(SM_CYSCREEN);
}

void StartRenamedialog(bool showMainForm) {
    static std::unique_ptr<Trenamedialog> renamedialog;
    ui::App().StartForm(renamedialog, showMainForm);
}

}  // namespace kivu
