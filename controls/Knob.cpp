#include "controls/Knob.h"

#include <windowsx.h>

#include <algorithm>

#include "common/errors.h"
#include "common/handles.h"
#include "common/text.h"
#include "ui/app.h"

namespace kivu {

namespace {

constexpr const char* kClassName = "TKnob";

// A pen selected into a DC for one drawing step.
class PenIn {
public:
    PenIn(HDC dc, int width, COLORREF color) : pen_(CreatePen(PS_SOLID, width, color)), selection_(dc, pen_.get()) {}

private:
    UniquePen pen_;
    Selection selection_;
};

void Line(HDC dc, const knob::Stroke& s, int dx, int dy) {
    MoveToEx(dc, s.from.x + dx, s.from.y + dy, nullptr);
    LineTo(dc, s.to.x + dx, s.to.y + dy);
}

// What the parent shows behind its children: its class brush (a system
// colour index + 1 works as well), else the face colour.
HBRUSH ParentBrush(HWND hwnd) {
    HWND parent = GetParent(hwnd);
    auto brush = parent ? reinterpret_cast<HBRUSH>(GetClassLongPtrW(parent, GCLP_HBRBACKGROUND)) : nullptr;
    return brush ? brush : GetSysColorBrush(COLOR_BTNFACE);
}

std::optional<knob::Key> KeyOf(WPARAM vk) {
    switch (vk) {
        case VK_PRIOR: return knob::Key::PageUp;
        case VK_NEXT: return knob::Key::PageDown;
        case VK_END: return knob::Key::End;
        case VK_HOME: return knob::Key::Home;
        case VK_LEFT: return knob::Key::Left;
        case VK_DOWN: return knob::Key::Down;
        case VK_RIGHT: return knob::Key::Right;
        case VK_UP: return knob::Key::Up;
        default: return std::nullopt;
    }
}

}  // namespace

TKnob::TKnob() : lineColor_(GetSysColor(COLOR_ACTIVECAPTION)), ticks_([] { return static_cast<uint32_t>(GetTickCount()); }) {}

TKnob::~TKnob() { DestroyOwnWindow(); }

void TKnob::Create(ui::Container& parent, const ui::Spec& spec) {
    RegisterOwnClass(kClassName, nullptr, nullptr, CS_HREDRAW | CS_VREDRAW);  // the knob paints all of its area
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    if (spec.visible) style |= WS_VISIBLE;
    if (!spec.enabled) style |= WS_DISABLED;
    if (spec.tabStop) style |= WS_TABSTOP;
    caption_ = spec.text;
    const int id = parent.NextControlId();
    CreateWindowExW(0, kivu::Widen(kClassName).c_str(), kivu::Widen(spec.text).c_str(), style, parent.Scaled(spec.left), parent.Scaled(spec.top),
                    parent.Scaled(kInitialSide), parent.Scaled(kInitialSide), parent.Handle(),
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ui::App().Handle(),
                    static_cast<ui::Control*>(this));
    if (!hwnd_) throw RuntimeError("TKnob: CreateWindowEx failed");
    Attach(hwnd_, &parent, spec);
    if (spec.width != kInitialSide || spec.height != kInitialSide) {
        const RECT r = Bounds();
        SetBounds(r.left, r.top, parent.Scaled(spec.width), parent.Scaled(spec.height));
    }
}

bool TKnob::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    result = 0;
    switch (msg) {
        case WM_GETDLGCODE:
            // Arrows turn the knob instead of moving the focus; digits are input.
            result = DLGC_WANTARROWS | DLGC_WANTCHARS;
            return true;
        case WM_ERASEBKGND:
            result = 1;
            return true;
        case WM_PAINT: {
            PaintDC paint(hwnd_);
            RECT rc;
            GetClientRect(hwnd_, &rc);
            // Drawn off screen first so the face never flickers.
            UniqueDC memory(CreateCompatibleDC(paint.get()));
            UniqueBitmap bitmap(CreateCompatibleBitmap(paint.get(), rc.right, rc.bottom));
            if (memory.get() && bitmap.get()) {
                Selection selected(memory.get(), bitmap.get());
                Paint(memory.get());
                BitBlt(paint.get(), 0, 0, rc.right, rc.bottom, memory.get(), 0, 0, SRCCOPY);
            } else {
                Paint(paint.get());
            }
            return true;
        }
        case WM_PRINTCLIENT:
            Paint(reinterpret_cast<HDC>(wp));
            return true;
        case WM_SETFOCUS:
            InvalidateRect(hwnd_, nullptr, FALSE);
            return true;
        case WM_KILLFOCUS:
            FocusLost();
            return true;
        case WM_ENABLE:
            InvalidateRect(hwnd_, nullptr, FALSE);
            if (ui::Label* label = PositionLabel()) label->SetEnabled(wp != 0);
            return true;
        case WM_SYSCOLORCHANGE:
            InvalidateRect(hwnd_, nullptr, FALSE);
            return true;
        case WM_WINDOWPOSCHANGING: {
            auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
            if (!(pos->flags & SWP_NOSIZE)) pos->cx = pos->cy = knob::SquareSide(side_, pos->cx, pos->cy);
            return false;
        }
        case WM_WINDOWPOSCHANGED: {
            const UINT flags = reinterpret_cast<WINDOWPOS*>(lp)->flags;
            if (ui::Label* label = PositionLabel()) {
                if (flags & SWP_SHOWWINDOW) label->SetVisible(true);
                if (flags & SWP_HIDEWINDOW) label->SetVisible(false);
            }
            return false;  // the default sends WM_SIZE and WM_MOVE
        }
        case WM_SIZE:
            Resized(LOWORD(lp), HIWORD(lp));
            return true;
        case WM_SETTEXT:
            result = DefWindowProcW(hwnd_, msg, wp, lp);
            caption_ = lp ? Narrow(reinterpret_cast<const wchar_t*>(lp)) : std::string();
            RefreshLabel(value_.Position());
            return true;
        case WM_MOUSEMOVE:
            MouseMove(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            return true;
        case WM_MOUSELEAVE:
            trackingLeave_ = false;
            RefreshLabel(value_.Position());
            return true;
        case WM_LBUTTONDOWN:
            ButtonDown(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            return true;
        case WM_LBUTTONUP:
            ButtonUp(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            return true;
        case WM_CAPTURECHANGED:
            // Capture taken away mid-drag (another window, a menu): the drag ends
            // as a release without a new value.
            if (reinterpret_cast<HWND>(lp) != hwnd_ && dragging_) {
                dragging_ = false;
                if (springLoaded_) ReturnToZero();
            }
            return true;
        case WM_KEYDOWN: {
            WPARAM key = wp;
            if (onKeyDown) {
                WORD k = static_cast<WORD>(wp);
                onKeyDown(k);
                if (k == 0) return true;
                key = k;
            }
            return KeyDown(key);
        }
        case WM_CHAR:
            return Char(wp, lp, result);
        default:
            return false;
    }
}

void TKnob::SetParams(int64_t value, int32_t min, int32_t max) {
    value_.SetParams(value, min, max);
    DrawPointerNow();
    RefreshLabel(value_.Position());
    Fire(onChange);
}

void TKnob::SetCaption(const std::string& caption) {
    if (hwnd_) {
        SetWindowTextW(hwnd_, Widen(caption).c_str());  // WM_SETTEXT refreshes the label
    } else {
        caption_ = caption;
        RefreshLabel(value_.Position());
    }
}

void TKnob::SetLineColor(COLORREF color) {
    // A pointer in the face colour would be invisible.
    if (color == GetSysColor(COLOR_BTNFACE) || color == lineColor_) return;
    lineColor_ = color;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

ui::Label* TKnob::PositionLabel() const {
    // The label object clears its window's back pointer when it dies, so a
    // dead label is recognised without touching it.
    if (label_ && (!IsWindow(labelHandle_) || Control::FromHandle(labelHandle_) != label_)) {
        label_ = nullptr;
        labelHandle_ = nullptr;
    }
    return label_;
}

void TKnob::SetPositionLabel(ui::Label* label) {
    label_ = label;
    labelHandle_ = label ? label->Handle() : nullptr;
    if (ui::Label* l = PositionLabel()) {
        if (hwnd_) l->SetEnabled(Enabled());
        RefreshLabel(value_.Position());
    }
}

void TKnob::SetSpringLoaded(bool springLoaded) {
    springLoaded_ = springLoaded;
    if (springLoaded_) ReturnToZero();
}

void TKnob::RefreshLabel(int64_t value) {
    if (ui::Label* label = PositionLabel()) label->SetText(knob::PositionText(value, caption_));
}

void TKnob::MouseMove(int x, int y) {
    if (!trackingLeave_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, 0};
        trackingLeave_ = TrackMouseEvent(&track) != FALSE;
    }
    RECT rc;
    GetClientRect(hwnd_, &rc);
    mouseAngle_ = knob::MouseAngle(x, y, rc.right, rc.bottom);
    const int32_t candidate = value_.Guard(value_.ValueAt(mouseAngle_));
    // The preview first: a change handler that pumps messages may see newer
    // moves, and their texts must not be overwritten by this older one.
    RefreshLabel(candidate);
    if (dragging_ && candidate != value_.Position()) SetParams(candidate, value_.Min(), value_.Max());
}

void TKnob::ButtonDown(int x, int y) {
    pressed_ = true;
    RECT rc;
    GetClientRect(hwnd_, &rc);
    UniqueRegion ellipse(CreateEllipticRgnIndirect(&rc));
    if (!ellipse.get() || !PtInRegion(ellipse.get(), x, y)) return;
    ::SetFocus(hwnd_);
    dragging_ = true;
    SetCapture(hwnd_);
    // The angle of the press itself: a press need not follow a move over the knob.
    mouseAngle_ = knob::MouseAngle(x, y, rc.right, rc.bottom);
    SetParams(value_.ValueAt(mouseAngle_), value_.Min(), value_.Max());
}

void TKnob::ButtonUp(int x, int y) {
    if (dragging_) {
        dragging_ = false;
        if (springLoaded_) {
            ReturnToZero();
        } else {
            const int32_t candidate = value_.Guard(value_.ValueAt(mouseAngle_));
            if (candidate != value_.Position()) SetParams(candidate, value_.Min(), value_.Max());
        }
    }
    if (hwnd_ && GetCapture() == hwnd_) ReleaseCapture();
    RECT rc;
    if (!hwnd_ || !GetClientRect(hwnd_, &rc)) return;
    const bool click = pressed_ && PtInRect(&rc, POINT{x, y});
    pressed_ = false;
    if (click) Fire(onClick);
}

void TKnob::FocusLost() {
    dragging_ = false;
    pressed_ = false;
    if (GetCapture() == hwnd_) ReleaseCapture();
    if (springLoaded_) ReturnToZero();
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

bool TKnob::KeyDown(WPARAM vk) {
    const auto key = KeyOf(vk);
    if (!key) return false;
    SetParams(knob::KeyTarget(*key, value_.Position(), value_.Min(), value_.Max(), pageSize_), value_.Min(),
              value_.Max());
    return true;
}

bool TKnob::Char(WPARAM wp, LPARAM lp, LRESULT& result) {
    wchar_t ch = static_cast<wchar_t>(wp);
    if (ch >= L'0' && ch <= L'9') {
        const auto value = digits_.Type(ch - '0', value_.Position(), value_.Max(), threshold_, ticks_());
        if (value) SetParams(*value, value_.Min(), value_.Max());
        // The digit is used up: the key-press event sees a null character.
        if (onKeyPress) {
            wchar_t none = 0;
            onKeyPress(none);
        }
        return true;
    }
    if (onKeyPress) {
        onKeyPress(ch);
        if (ch == 0) return true;
    }
    result = DefWindowProcW(hwnd_, WM_CHAR, ch, lp);
    return true;
}

void TKnob::Resized(int width, int height) {
    const int side = knob::SquareSide(side_, width, height);
    side_ = side;
    radius_ = side / 2;
    // Normally WM_WINDOWPOSCHANGING has made it square already.
    if (width != side || height != side)
        SetWindowPos(hwnd_, nullptr, 0, 0, side, side, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TKnob::Paint(HDC dc) {
    if (!hwnd_) return;
    RECT rc;
    GetClientRect(hwnd_, &rc);
    const int w = rc.right, h = rc.bottom;
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF black = RGB(0, 0, 0);
    const int oldDirection = SetArcDirection(dc, AD_COUNTERCLOCKWISE);

    FillRect(dc, &rc, ParentBrush(hwnd_));
    const int u = LineUnit();  // one designed pixel at the form's DPI
    {
        // The face, lit from the upper left.
        UniqueBrush faceBrush(CreateSolidBrush(face));
        Selection brush(dc, faceBrush.get());
        PenIn pen(dc, u, face);
        Ellipse(dc, 2 * u, 2 * u, w - 2 * u, h - 2 * u);
    }
    {
        PenIn pen(dc, 2 * u, highlight);
        Arc(dc, 2 * u, 2 * u, w, h, w, 0, 0, h);
    }
    {
        PenIn pen(dc, 2 * u, shadow);
        Arc(dc, u, u, w - u, h - u, 0, h, w, 0);
    }
    {
        // The outline; its upper-left half turns black with the focus.
        Selection brush(dc, GetStockObject(NULL_BRUSH));
        {
            PenIn pen(dc, u, Enabled() ? black : shadow);
            Ellipse(dc, 0, 0, w, h);
        }
        PenIn pen(dc, u, Focused() ? black : shadow);
        Arc(dc, 0, 0, w, h, w, 0, 0, h);
    }
    // The face has just been drawn: nothing to erase.
    DrawPointer(dc, false);
    SetArcDirection(dc, oldDirection);
}

void TKnob::DrawPointer(HDC dc, bool erasePrevious) {
    const knob::Stroke stroke = knob::PointerStroke(radius_, value_.PointerAngle());
    const int u = LineUnit();
    if (erasePrevious) {
        PenIn pen(dc, u, GetSysColor(COLOR_BTNFACE));
        Line(dc, pointer_, 0, 0);
        Line(dc, pointer_, u, u);
    }
    {
        PenIn pen(dc, u, GetSysColor(COLOR_BTNHIGHLIGHT));
        Line(dc, stroke, u, u);
    }
    {
        PenIn pen(dc, u, lineColor_);
        Line(dc, stroke, 0, 0);
    }
    pointer_ = stroke;
}

int TKnob::LineUnit() const { return parent_ ? std::max(1, parent_->Scaled(1)) : 1; }

void TKnob::DrawPointerNow() {
    if (!hwnd_) return;
    WindowDC dc(hwnd_);
    if (dc.get()) DrawPointer(dc.get(), true);
}

}  // namespace kivu
