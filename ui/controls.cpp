#include "ui/controls.h"

#include <windowsx.h>

#include <algorithm>
#include <iterator>
#include <map>

#include "common/handles.h"
#include "common/text.h"
#include "ui/app.h"
#include "ui/dpi.h"
#include "ui/form.h"
#include "ui/graphic.h"

namespace ui {

namespace {
std::wstring WideText(HWND hwnd) {
    std::wstring s(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    s.resize(static_cast<size_t>(std::max(0, GetWindowTextW(hwnd, s.data(), static_cast<int>(s.size())))));
    return s;
}
}  // namespace

// ---- Control

Control::~Control() {
    if (hwnd_) {
        RemoveWindowSubclass(hwnd_, SubclassProc, 0);
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    }
    if (parent_) parent_->RemoveChild(this);
}

Control* Control::FromHandle(HWND hwnd) {
    return hwnd ? reinterpret_cast<Control*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)) : nullptr;
}

void Control::Attach(HWND hwnd, Container* parent, const Spec& spec) {
    hwnd_ = hwnd;
    name_ = spec.name;
    tag_ = spec.tag;
    align_ = spec.align;
    parent_ = parent;
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (parent_) {
        parent_->AddChild(this);
        SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(parent_->Font()), FALSE);
    }
}

void Control::CreateChild(Container& parent, const Spec& spec, const char* className, DWORD style, DWORD exStyle) {
    style |= WS_CHILD;
    if (spec.visible) style |= WS_VISIBLE;
    if (!spec.enabled) style |= WS_DISABLED;
    if (spec.tabStop) style |= WS_TABSTOP;
    const int id = parent.NextControlId();
    HWND hwnd = CreateWindowExW(exStyle, kivu::Widen(className).c_str(), kivu::Widen(spec.text).c_str(), style,
                                parent.Scaled(spec.left), parent.Scaled(spec.top), parent.Scaled(spec.width),
                                parent.Scaled(spec.height), parent.Handle(),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), App().Handle(), nullptr);
    Attach(hwnd, &parent, spec);
    SetWindowSubclass(hwnd_, SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK Control::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto* self = reinterpret_cast<Control*>(ref);
    LRESULT result = 0;
    bool handled = false;
    App().Guard([&] { handled = self->HandleMessage(msg, wp, lp, result); });
    if (handled) return result;
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, SubclassProc, 0);
        self->hwnd_ = nullptr;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

bool Control::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_GETDLGCODE && wantsReturn && lp) {
        const auto* key = reinterpret_cast<const MSG*>(lp);
        if (key->message == WM_KEYDOWN && key->wParam == VK_RETURN) {
            result = DefSubclassProc(hwnd_, msg, wp, lp) | DLGC_WANTMESSAGE;
            return true;
        }
    }
    if (msg == WM_CONTEXTMENU && popupMenu) {
        POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        if (lp == -1) at = ScreenOrigin();
        popupMenu->Popup(GetAncestor(hwnd_, GA_ROOT), at);
        result = 0;
        return true;
    }
    if (msg == WM_KEYDOWN && onKeyDown) {
        // The loop has translated the key already: its character waits in the
        // queue. A modal loop the handler starts (a menu) would take it as its
        // own key, so it is held back and given back only if the key goes on.
        MSG ch{};
        const bool hadChar = PeekMessageW(&ch, hwnd_, WM_CHAR, WM_CHAR, PM_REMOVE) != FALSE;
        WORD key = static_cast<WORD>(wp);
        onKeyDown(key);
        if (key == 0) return true;
        if (hadChar) PostMessageW(hwnd_, WM_CHAR, ch.wParam, ch.lParam);
        return false;
    }
    if (msg == WM_CHAR && onKeyPress) {
        wchar_t ch = static_cast<wchar_t>(wp);
        onKeyPress(ch);
        if (ch == 0) return true;
        if (ch != static_cast<wchar_t>(wp)) {
            DefSubclassProc(hwnd_, msg, ch, lp);
            return true;
        }
    }
    return false;
}

void Control::RegisterOwnClass(const char* className, HBRUSH background, HICON icon, UINT style) {
    const std::wstring name = kivu::Widen(className);
    WNDCLASSW wc{};
    if (GetClassInfoW(App().Handle(), name.c_str(), &wc)) return;
    wc = {};
    wc.style = style;
    wc.lpfnWndProc = OwnClassProc;
    wc.hInstance = App().Handle();
    wc.hIcon = icon;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name.c_str();
    RegisterClassW(&wc);
}

bool Control::IsOwnWindow(HWND hwnd) {
    return GetClassLongPtrW(hwnd, GCLP_WNDPROC) == reinterpret_cast<ULONG_PTR>(&OwnClassProc);
}

LRESULT CALLBACK Control::OwnClassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<Control*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    // The user data is read in this process; a window property would cost a
    // trip to the server on every message.
    Control* self = FromHandle(hwnd);
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    LRESULT result = 0;
    bool handled = false;
    App().Guard([&] { handled = self->HandleMessage(msg, wp, lp, result); });
    return handled ? result : DefWindowProcW(hwnd, msg, wp, lp);
}

void Control::DestroyOwnWindow() {
    if (!hwnd_) return;
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    HWND hwnd = hwnd_;
    hwnd_ = nullptr;
    DestroyWindow(hwnd);
}

void Control::Fire(const std::function<void()>& handler) {
    if (handler) handler();
}

void Control::HandleCommand(WORD) {}
LRESULT Control::HandleNotify(NMHDR*) { return 0; }
void Control::HandleScroll(WORD) {}

std::string Control::Text() const { return kivu::Narrow(WideText(hwnd_)); }

void Control::SetText(const std::string& text) { SetWindowTextW(hwnd_, kivu::Widen(text).c_str()); }
bool Control::Enabled() const { return IsWindowEnabled(hwnd_) != FALSE; }
void Control::SetEnabled(bool enabled) { EnableWindow(hwnd_, enabled); }
bool Control::Visible() const { return (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }
void Control::SetVisible(bool visible) { ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }
void Control::SetFocus() { ::SetFocus(hwnd_); }
bool Control::Focused() const { return GetFocus() == hwnd_; }

RECT Control::Bounds() const {
    RECT r;
    GetWindowRect(hwnd_, &r);
    HWND parent = GetParent(hwnd_);
    if (parent && (GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD)) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void Control::SetBounds(int left, int top, int width, int height) {
    // A layout pass places every control again; one that stays put costs no move.
    const RECT r = Bounds();
    if (r.left == left && r.top == top && r.right - r.left == width && r.bottom - r.top == height) return;
    MoveWindow(hwnd_, left, top, width, height, TRUE);
}

void Control::Rescale(int fromDpi, int toDpi) {
    const RECT r = Bounds();
    const auto scale = [&](LONG v) { return MulDiv(v, toDpi, fromDpi); };
    SetBounds(scale(r.left), scale(r.top), scale(r.right - r.left), scale(r.bottom - r.top));
    if (parent_) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(parent_->Font()), TRUE);
}

int Control::Width() const {
    const RECT r = Bounds();
    return r.right - r.left;
}

int Control::Height() const {
    const RECT r = Bounds();
    return r.bottom - r.top;
}

POINT Control::ScreenOrigin() const {
    RECT r;
    GetWindowRect(hwnd_, &r);
    return {r.left, r.top};
}

// ---- Container

void Container::RemoveChild(Control* child) {
    children_.erase(std::remove(children_.begin(), children_.end(), child), children_.end());
}

void Container::RemoveGraphic(GraphicControl* graphic) {
    graphics_.erase(std::remove(graphics_.begin(), graphics_.end(), graphic), graphics_.end());
    if (hovered_ == graphic) hovered_ = nullptr;
    if (pressed_ == graphic) pressed_ = nullptr;
}

GraphicControl* Container::GraphicAt(LPARAM lp) const {
    const POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    for (auto it = graphics_.rbegin(); it != graphics_.rend(); ++it) {
        const RECT r = (*it)->Bounds();
        if ((*it)->Visible() && PtInRect(&r, p)) return *it;
    }
    return nullptr;
}

// Painting and the mouse for the light-weight controls; true when the
// message is done with.
bool Container::RouteToGraphics(UINT msg, WPARAM wp, LPARAM lp) {
    const auto paint = [&](HDC dc, const RECT& update) {
        for (GraphicControl* g : graphics_) {
            const RECT r = g->Bounds();
            RECT overlap;
            if (g->Visible() && IntersectRect(&overlap, &r, &update)) g->Paint(dc, r);
        }
    };
    const auto fire = [](const std::function<void()>& handler) {
        if (handler) handler();
    };
    switch (msg) {
        case WM_PAINT: {
            const kivu::PaintDC dc(hwnd_);
            paint(dc.get(), dc.Area());
            return true;
        }
        case WM_PRINTCLIENT: {
            RECT all;
            GetClientRect(hwnd_, &all);
            if (lp & PRF_ERASEBKGND) SendMessageW(hwnd_, WM_ERASEBKGND, wp, 0);
            paint(reinterpret_cast<HDC>(wp), all);
            return true;
        }
        case WM_MOUSEMOVE: {
            GraphicControl* under = GraphicAt(lp);
            if (under == hovered_) return false;
            GraphicControl* left = hovered_;
            hovered_ = under;
            if (left) fire(left->onMouseLeave);
            if (under) {
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, 0};
                TrackMouseEvent(&track);
                fire(under->onMouseEnter);
            }
            return false;
        }
        case WM_MOUSELEAVE:
            if (GraphicControl* left = hovered_) {
                hovered_ = nullptr;
                fire(left->onMouseLeave);
            }
            return false;
        case WM_LBUTTONDOWN:
            pressed_ = GraphicAt(lp);
            if (!pressed_) return false;
            SetCapture(hwnd_);
            return true;
        case WM_LBUTTONUP: {
            GraphicControl* down = pressed_;
            if (!down) return false;
            pressed_ = nullptr;
            if (GetCapture() == hwnd_) ReleaseCapture();
            if (GraphicAt(lp) == down) fire(down->onClick);  // released over it: a click
            return true;
        }
        default:
            return false;
    }
}

HFONT Container::Font() const {
    const Control* c = this;
    while (c->Parent()) c = c->Parent();
    const auto* form = dynamic_cast<const Form*>(c);
    return form ? form->font_.get() : nullptr;
}

int Container::Dpi() const {
    const Control* c = this;
    while (c->Parent()) c = c->Parent();
    const auto* form = dynamic_cast<const Form*>(c);
    return form ? form->dpi_ : kDesignDpi;
}

int Container::Scaled(int designed) const { return ScaleToDpi(designed, Dpi()); }
int Container::Unscaled(int pixels) const { return ScaleFromDpi(pixels, Dpi()); }

void Container::Rescale(int fromDpi, int toDpi) {
    if (parent_) Control::Rescale(fromDpi, toDpi);
    for (Control* c : children_) c->Rescale(fromDpi, toDpi);
    for (GraphicControl* g : graphics_) g->Rescale(fromDpi, toDpi);
    Realign();
}

void Container::Realign() {
    RECT area;
    GetClientRect(hwnd_, &area);
    const auto place = [](Control* c, int l, int t, int w, int h) { c->SetBounds(l, t, std::max(0, w), std::max(0, h)); };
    for (Align pass : {Align::Top, Align::Bottom, Align::Left, Align::Right, Align::Client}) {
        for (Control* c : children_) {
            if (c->GetAlign() != pass) continue;
            const int w = area.right - area.left, h = area.bottom - area.top;
            switch (pass) {
                case Align::Top:
                    place(c, area.left, area.top, w, c->Height());
                    area.top += c->Height();
                    break;
                case Align::Bottom:
                    place(c, area.left, area.bottom - c->Height(), w, c->Height());
                    area.bottom -= c->Height();
                    break;
                case Align::Left:
                    place(c, area.left, area.top, c->Width(), h);
                    area.left += c->Width();
                    break;
                case Align::Right:
                    place(c, area.right - c->Width(), area.top, c->Width(), h);
                    area.right -= c->Width();
                    break;
                case Align::Client:
                    place(c, area.left, area.top, w, h);
                    break;
                case Align::None:
                    break;
            }
        }
    }
}

bool Container::RouteMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (!graphics_.empty() && RouteToGraphics(msg, wp, lp)) {
        result = 0;
        return true;
    }
    switch (msg) {
        case WM_COMMAND:
            if (lp) {
                if (Control* c = FromHandle(reinterpret_cast<HWND>(lp))) {
                    c->HandleCommand(HIWORD(wp));
                    result = 0;
                    return true;
                }
            } else if (HIWORD(wp) == 0) {
                if (MenuItem* item = PopupMenu::FromCommand(LOWORD(wp))) {
                    if (item->onClick) item->onClick();
                    result = 0;
                    return true;
                }
            }
            return false;
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<NMHDR*>(lp);
            if (Control* c = FromHandle(hdr->hwndFrom)) {
                result = c->HandleNotify(hdr);
                return true;
            }
            return false;
        }
        case WM_HSCROLL:
        case WM_VSCROLL:
            if (Control* c = lp ? FromHandle(reinterpret_cast<HWND>(lp)) : nullptr) {
                c->HandleScroll(LOWORD(wp));
                result = 0;
                return true;
            }
            return false;
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            Control* c = item->CtlType == ODT_MENU ? nullptr : FromHandle(item->hwndItem);
            if (!c || !c->HandleDrawItem(*item)) return false;
            result = TRUE;
            return true;
        }
        case WM_SIZE:
            Realign();
            return false;
        default:
            return false;
    }
}

// ---- Panel

bool Panel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    return RouteMessage(msg, wp, lp, result);
}

void Panel::Create(Container& parent, const Spec& spec, bool bevel) {
    RegisterOwnClass("TPanel", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    DWORD style = WS_CHILD | WS_CLIPCHILDREN;
    if (spec.visible) style |= WS_VISIBLE;
    HWND hwnd = CreateWindowExW(WS_EX_CONTROLPARENT | (bevel ? WS_EX_STATICEDGE : 0), L"TPanel",
                                kivu::Widen(spec.text).c_str(), style, parent.Scaled(spec.left), parent.Scaled(spec.top),
                                parent.Scaled(spec.width), parent.Scaled(spec.height), parent.Handle(), nullptr,
                                App().Handle(), static_cast<Control*>(this));
    Attach(hwnd, &parent, spec);
}

// ---- Label

void Label::Create(Container& parent, const Spec& spec) {
    Spec s = spec;
    s.tabStop = false;
    CreateChild(parent, s, "STATIC", SS_LEFT);
    FitFontHeight();
}

void Label::Rescale(int fromDpi, int toDpi) {
    Control::Rescale(fromDpi, toDpi);
    FitFontHeight();
}

// A font does not grow exactly with the scale: a label as high as its
// designed 8-point line may be a pixel short of the line at another scale.
void Label::FitFontHeight() {
    const HDC dc = GetDC(hwnd_);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    const RECT r = Bounds();
    if (r.bottom - r.top < metrics.tmHeight) SetBounds(r.left, r.top, r.right - r.left, metrics.tmHeight);
}

// ---- Button

void Button::Create(Container& parent, const Spec& spec) { CreateChild(parent, spec, "BUTTON", BS_PUSHBUTTON); }

void Button::SetDefault(bool isDefault) {
    SendMessageW(hwnd_, BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void Button::Click() {
    if (Enabled()) Fire(onClick);
}

void Button::HandleCommand(WORD code) {
    if (code == BN_CLICKED) Fire(onClick);
}

// ---- CheckBox

void CheckBox::Create(Container& parent, const Spec& spec, bool checked) {
    CreateChild(parent, spec, "BUTTON", BS_CHECKBOX);
    SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool CheckBox::Checked() const { return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void CheckBox::SetChecked(bool checked) {
    if (Checked() == checked) return;
    SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    Fire(onClick);
}

void CheckBox::HandleCommand(WORD code) {
    // A plain BS_CHECKBOX does not toggle itself: the click goes through
    // SetChecked so that it raises onClick exactly once.
    if (code == BN_CLICKED) SetChecked(!Checked());
}

// ---- Edit

void Edit::Create(Container& parent, const Spec& spec) {
    CreateChild(parent, spec, "EDIT", ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
}

// The edit control counts UTF-16 units; positions of ours count the units of
// our text, so that they index what Text() returns.
namespace {
int OurUnits(const std::wstring& text, DWORD wide) {
    return static_cast<int>(kivu::Narrow(std::wstring_view(text).substr(0, wide)).size());
}
DWORD WideUnits(const std::string& text, int ours) {
    return static_cast<DWORD>(kivu::Widen(std::string_view(text).substr(0, static_cast<size_t>(std::max(0, ours)))).size());
}
}  // namespace

int Edit::SelStart() const {
    DWORD start = 0, end = 0;
    SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return OurUnits(WideText(hwnd_), start);
}

int Edit::SelLength() const {
    DWORD start = 0, end = 0;
    SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const std::wstring text = WideText(hwnd_);
    return OurUnits(text, end) - OurUnits(text, start);
}

void Edit::SetSelection(int start, int length) {
    const std::string text = Text();
    const WPARAM from = start < 0 ? static_cast<WPARAM>(-1) : WideUnits(text, start);
    const LPARAM to = length < 0 ? -1 : static_cast<LPARAM>(WideUnits(text, start + length));
    SendMessageW(hwnd_, EM_SETSEL, from, to);
}
void Edit::ClearSelection() { ReplaceSelection(""); }
void Edit::ReplaceSelection(const std::string& text) {
    SendMessageW(hwnd_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(kivu::Widen(text).c_str()));
}

void Edit::SetMaxLength(int chars) { SendMessageW(hwnd_, EM_LIMITTEXT, static_cast<WPARAM>(chars), 0); }

void Edit::SetHideSelection(bool hide) {
    const DWORD style = static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE));
    const DWORD wanted = hide ? (style & ~ES_NOHIDESEL) : (style | ES_NOHIDESEL);
    if (wanted == style) return;
    // The edit control reads this style only when it is created: make the
    // window anew in the same place, with the same text, selection and focus.
    const std::wstring text = WideText(hwnd_);
    DWORD start = 0, end = 0;
    SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const RECT r = Bounds();
    const bool focused = Focused();
    HWND parent = GetParent(hwnd_);
    HWND before = GetWindow(hwnd_, GW_HWNDPREV);
    const auto id = GetDlgCtrlID(hwnd_);
    const auto exStyle = static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_EXSTYLE));
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
    HWND old = hwnd_;
    RemoveWindowSubclass(old, SubclassProc, 0);
    SetWindowLongPtrW(old, GWLP_USERDATA, 0);
    hwnd_ = CreateWindowExW(exStyle, L"EDIT", text.c_str(), wanted, r.left, r.top, r.right - r.left,
                            r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            App().Handle(), nullptr);
    DestroyWindow(old);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowSubclass(hwnd_, SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this));
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetWindowPos(hwnd_, before ? before : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(hwnd_, EM_SETSEL, start, end);
    if (focused) ::SetFocus(hwnd_);
}

void Edit::HandleCommand(WORD code) {
    if (code == EN_CHANGE) Fire(onChange);
}

// ---- DateTimePicker

void DateTimePicker::Create(Container& parent, const Spec& spec, Kind kind) {
    CreateChild(parent, spec, "SysDateTimePick32", kind == Kind::Date ? DTS_SHORTDATEFORMAT : DTS_TIMEFORMAT);
}

SYSTEMTIME DateTimePicker::Value() const {
    SYSTEMTIME st{};
    SendMessageW(hwnd_, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st));
    return st;
}

void DateTimePicker::SetValue(const SYSTEMTIME& value) {
    SendMessageW(hwnd_, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&value));
}

void DateTimePicker::SetFormat(const char* format) {
    SendMessageW(hwnd_, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(kivu::Widen(format).c_str()));
}

LRESULT DateTimePicker::HandleNotify(NMHDR* hdr) {
    if (hdr->code == DTN_DATETIMECHANGE) Fire(onChange);
    return 0;
}

// ---- StatusBar

void StatusBar::Create(Container& parent, const Spec& spec, const std::vector<int>& panelWidths) {
    Spec s = spec;
    s.tabStop = false;
    CreateChild(parent, s, "msctls_statusbar32", SBARS_SIZEGRIP | CCS_NOPARENTALIGN | CCS_NORESIZE);
    std::vector<int> edges;
    int x = 0;
    for (int w : panelWidths) edges.push_back(w < 0 ? -1 : x += parent.Scaled(w));
    SendMessageW(hwnd_, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

void StatusBar::Rescale(int fromDpi, int toDpi) {
    Control::Rescale(fromDpi, toDpi);
    std::vector<int> edges(static_cast<size_t>(SendMessageW(hwnd_, SB_GETPARTS, 0, 0)));
    SendMessageW(hwnd_, SB_GETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    for (int& edge : edges)
        if (edge >= 0) edge = MulDiv(edge, toDpi, fromDpi);
    SendMessageW(hwnd_, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

void StatusBar::SetPanelText(int panel, const std::string& text) {
    SendMessageW(hwnd_, SB_SETTEXTW, panel, reinterpret_cast<LPARAM>(kivu::Widen(text).c_str()));
}

std::string StatusBar::PanelText(int panel) const {
    const auto n = LOWORD(SendMessageW(hwnd_, SB_GETTEXTLENGTHW, panel, 0));
    std::wstring s(n + 1u, L'\0');
    SendMessageW(hwnd_, SB_GETTEXTW, panel, reinterpret_cast<LPARAM>(s.data()));
    s.resize(n);
    return kivu::Narrow(s);
}

void StatusBar::SetSimple(bool simple) { SendMessageW(hwnd_, SB_SIMPLE, simple, 0); }
bool StatusBar::Simple() const { return SendMessageW(hwnd_, SB_ISSIMPLE, 0, 0) != 0; }
void StatusBar::SetSimpleText(const std::string& text) { SetPanelText(SB_SIMPLEID, text); }

// ---- ListView

void ListView::Create(Container& parent, const Spec& spec, bool editLabels) {
    CreateChild(parent, spec, "SysListView32",
                LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | (editLabels ? LVS_EDITLABELS : 0),
                WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_FULLROWSELECT);
}

void ListView::AddColumn(const std::string& caption, int width) {
    std::wstring text = kivu::Widen(caption);
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = text.data();
    col.cx = parent_->Scaled(width);
    const int index = Header_GetItemCount(ListView_GetHeader(hwnd_));
    SendMessageW(hwnd_, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&col));
}

std::string ListView::ColumnCaption(int col) const {
    wchar_t buf[256] = {};
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT;
    c.pszText = buf;
    c.cchTextMax = static_cast<int>(std::size(buf));
    SendMessageW(hwnd_, LVM_GETCOLUMNW, col, reinterpret_cast<LPARAM>(&c));
    return kivu::Narrow(buf);
}

void ListView::SetColumnCaption(int col, const std::string& caption) {
    std::wstring text = kivu::Widen(caption);
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT;
    c.pszText = text.data();
    SendMessageW(hwnd_, LVM_SETCOLUMNW, col, reinterpret_cast<LPARAM>(&c));
}

int ListView::ColumnWidth(int col) const { return ListView_GetColumnWidth(hwnd_, col); }
void ListView::SetColumnWidth(int col, int width) { ListView_SetColumnWidth(hwnd_, col, width); }

void ListView::Rescale(int fromDpi, int toDpi) {
    Control::Rescale(fromDpi, toDpi);
    const int columns = Header_GetItemCount(ListView_GetHeader(hwnd_));
    for (int col = 0; col < columns; ++col) SetColumnWidth(col, MulDiv(ColumnWidth(col), toDpi, fromDpi));
}

void ListView::SetRowCount(int count) {
    ListView_SetItemCountEx(hwnd_, count, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    RedrawRows();
}

int ListView::RowCount() const { return ListView_GetItemCount(hwnd_); }
int ListView::Selected() const { return ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED); }

void ListView::Select(int row) {
    ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (row < 0) return;
    ListView_SetItemState(hwnd_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(hwnd_, row, FALSE);
}
void ListView::RedrawRows() { InvalidateRect(hwnd_, nullptr, FALSE); }

LRESULT ListView::HandleNotify(NMHDR* hdr) {
    switch (hdr->code) {
        case LVN_GETDISPINFOW: {
            auto* info = reinterpret_cast<NMLVDISPINFOW*>(hdr);
            if ((info->item.mask & LVIF_TEXT) && info->item.cchTextMax > 0) {
                const std::wstring text =
                    kivu::Widen(onGetText ? onGetText(info->item.iItem, info->item.iSubItem) : std::string());
                lstrcpynW(info->item.pszText, text.c_str(), info->item.cchTextMax);
            }
            return 0;
        }
        case LVN_COLUMNCLICK:
            if (onColumnClick) onColumnClick(reinterpret_cast<NMLISTVIEW*>(hdr)->iSubItem);
            return 0;
        case NM_DBLCLK:
            Fire(onDblClick);
            return 0;
        case LVN_ENDLABELEDITW: {
            const auto* info = reinterpret_cast<NMLVDISPINFOW*>(hdr);
            if (!info->item.pszText) return FALSE;  // cancelled
            const bool accepted = onEdited && onEdited(info->item.iItem, kivu::Narrow(info->item.pszText));
            if (accepted) RedrawRows();
            return accepted;
        }
        default:
            return 0;
    }
}

// ---- PopupMenu

namespace {
std::map<UINT, MenuItem*>& MenuCommands() {
    static auto* commands = new std::map<UINT, MenuItem*>;  // outlives every static form
    return *commands;
}
UINT nextMenuId = 40000;
}  // namespace

PopupMenu::~PopupMenu() {
    for (auto& item : items_) MenuCommands().erase(item->id);
}

MenuItem& PopupMenu::Add(const char* name, int tag, const char* caption) {
    auto item = std::make_unique<MenuItem>();
    item->name = name;
    item->tag = tag;
    item->caption = caption;
    item->id = nextMenuId++;
    MenuCommands()[item->id] = item.get();
    items_.push_back(std::move(item));
    return *items_.back();
}

std::vector<MenuItem*> PopupMenu::Items() {
    std::vector<MenuItem*> all;
    for (auto& item : items_) all.push_back(item.get());
    return all;
}

void PopupMenu::Popup(HWND owner, POINT at) {
    if (onPopup) onPopup();
    const kivu::UniqueMenu menu(CreatePopupMenu());
    for (auto& item : items_) {
        if (item->caption == "-") AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuW(menu.get(), MF_STRING | (item->enabled ? 0 : MF_GRAYED) | (item->checked ? MF_CHECKED : 0),
                        item->id, kivu::Widen(item->caption).c_str());
    }
    SetForegroundWindow(owner);
    TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, owner, nullptr);
}

MenuItem* PopupMenu::FromCommand(UINT id) {
    auto it = MenuCommands().find(id);
    return it == MenuCommands().end() ? nullptr : it->second;
}

// ---- Timer

namespace {
std::map<UINT_PTR, Timer*>& Timers() {
    static auto* timers = new std::map<UINT_PTR, Timer*>;  // outlives every static form
    return *timers;
}
}  // namespace

void Timer::Start(UINT milliseconds, std::function<void()> onTimer) {
    Stop();
    onTimer_ = std::move(onTimer);
    id_ = SetTimer(nullptr, 0, milliseconds, Proc);
    Timers()[id_] = this;
}

void Timer::Stop() {
    if (!id_) return;
    KillTimer(nullptr, id_);
    Timers().erase(id_);
    id_ = 0;
}

void CALLBACK Timer::Proc(HWND, UINT, UINT_PTR id, DWORD) {
    auto it = Timers().find(id);
    if (it == Timers().end()) return;
    Timer* timer = it->second;
    App().Guard([&] {
        if (timer->onTimer_) timer->onTimer_();
    });
}

}  // namespace ui
