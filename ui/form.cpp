#include "ui/form.h"

#include "common/text.h"
#include "ui/app.h"
#include "ui/dpi.h"

namespace ui {

Form::Form(const FormSpec& spec) : spec_(spec), className_(std::string("T") + spec.name) {
    name_ = spec.name;
    tag_ = spec.tag;
}

Form::~Form() {
    DestroyOwnWindow();
}

Form* Form::FromHandle(HWND hwnd) { return IsOwnWindow(hwnd) ? dynamic_cast<Form*>(Control::FromHandle(hwnd)) : nullptr; }

bool Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    result = Dispatch(msg, wp, lp);
    return true;
}

bool Form::FormMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT Form::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (FormMessage(msg, wp, lp, result)) return result;
    switch (msg) {
        case WM_COMMAND:
            if (!lp && HIWORD(wp) == 0 && LOWORD(wp) == IDOK) {
                if (defaultButton_) defaultButton_->Click();
                return 0;
            }
            if (!lp && HIWORD(wp) == 0 && LOWORD(wp) == IDCANCEL) {
                if (cancelButton_) cancelButton_->Click();
                return 0;
            }
            break;
        case WM_SIZE:
            Realign();
            FormResize();
            return 0;
        case WM_GETMINMAXINFO:
            if (hwnd_) FormConstrain(*reinterpret_cast<MINMAXINFO*>(lp));
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wp) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
            } else if (lastFocus_ && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_)) {
                ::SetFocus(lastFocus_);
                return 0;
            }
            break;
        case WM_NEXTDLGCTL: {
            // The dialog keys send it for an access key on a label or group
            // box: the focus goes to the control after it, as in a dialog,
            // and from a group box that holds controls to the first of those.
            HWND target = nullptr;
            HWND from = GetFocus();
            if (LOWORD(lp)) target = reinterpret_cast<HWND>(wp);
            else if (wp == 0 && from && (GetWindowLongW(from, GWL_EXSTYLE) & WS_EX_CONTROLPARENT))
                target = GetNextDlgTabItem(from, nullptr, FALSE);
            if (!target && !LOWORD(lp)) target = GetNextDlgTabItem(hwnd_, from, wp != 0);
            if (!target) return 0;
            ::SetFocus(target);
            if (SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(target, EM_SETSEL, 0, -1);
            return 0;
        }
        case WM_DPICHANGED:
            ChangeDpi(LOWORD(wp), *reinterpret_cast<const RECT*>(lp));
            return 0;
        case WM_CLOSE:
            Close();
            return 0;
        case WM_DESTROY:
            if (isMain_) PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    if (RouteMessage(msg, wp, lp, result)) return result;
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

void Form::Create() {
    RegisterOwnClass(className_.c_str(), reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                     LoadIconW(App().Handle(), MAKEINTRESOURCEW(1)));
    DWORD style = WS_CLIPCHILDREN;
    DWORD exStyle = WS_EX_CONTROLPARENT;
    if (!spec_.frame) {
        style |= WS_POPUP;
    } else if (spec_.dialogFrame) {
        style |= WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
        exStyle |= WS_EX_DLGMODALFRAME;
    } else {
        style |= WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
        if (!spec_.toolWindow) style |= WS_MINIMIZEBOX;
        if (spec_.resizable) style |= WS_THICKFRAME | (spec_.toolWindow ? 0 : WS_MAXIMIZEBOX);
    }
    if (spec_.toolWindow) exStyle |= WS_EX_TOOLWINDOW;
    if (spec_.topMost) exStyle |= WS_EX_TOPMOST;
    const auto size = [&](int dpi) {
        if (spec_.clientWidth > 0)
            return WindowSizeForClient(ScaleToDpi(spec_.clientWidth, dpi), ScaleToDpi(spec_.clientHeight, dpi), style,
                                       exStyle, dpi);
        return SIZE{ScaleToDpi(spec_.width, dpi), ScaleToDpi(spec_.height, dpi)};
    };
    dpi_ = WindowDpi(nullptr);
    SIZE s = size(dpi_);
    CreateWindowExW(exStyle, kivu::Widen(className_).c_str(), kivu::Widen(spec_.caption).c_str(), style, spec_.left,
                    spec_.top, s.cx, s.cy, nullptr, nullptr, App().Handle(), static_cast<Control*>(this));
    // On another monitor than the system's DPI assumes.
    if (const int dpi = WindowDpi(hwnd_); dpi != dpi_) {
        dpi_ = dpi;
        s = size(dpi_);
        SetWindowPos(hwnd_, nullptr, 0, 0, s.cx, s.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    UseFontForDpi();
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    CreateControls();
    Realign();
    App().Guard([&] { FormCreate(); });
}

void Form::UseFontForDpi() {
    const LOGFONTW font = MessageFont(dpi_);
    font_.reset(CreateFontIndirectW(&font));
}

// Everything of the designed table follows the new scale; the window takes
// the place the system suggests for it.
void Form::ChangeDpi(int dpi, const RECT& suggested) {
    if (dpi <= 0 || dpi == dpi_) return;
    const int from = dpi_;
    dpi_ = dpi;
    kivu::UniqueFont old = std::move(font_);
    UseFontForDpi();
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    Rescale(from, dpi_);
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void Form::Show() {
    if (!shownOnce_ && spec_.centered) {
        RECT r;
        GetWindowRect(hwnd_, &r);
        const int w = r.right - r.left, h = r.bottom - r.top;
        SetWindowPos(hwnd_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2,
                     0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const bool first = !shownOnce_;
    shownOnce_ = true;
    ShowWindow(hwnd_, SW_SHOW);
    if (first) {
        HWND focus = activeControl_ ? activeControl_->Handle() : GetNextDlgTabItem(hwnd_, nullptr, FALSE);
        if (focus) ::SetFocus(focus);
        App().Guard([&] { FormShow(); });
    }
}

void Form::Hide() { ShowWindow(hwnd_, SW_HIDE); }

void Form::Close() {
    if (!hwnd_) return;
    bool allowed = true;
    App().Guard([&] { allowed = FormCloseQuery(); });
    if (!allowed) return;
    App().Guard([&] { FormClose(); });
    if (modal_) {
        if (modalResult_ == mrNone) modalResult_ = mrCancel;
        return;
    }
    if (isMain_) DestroyWindow(hwnd_);
    else Hide();
}

int Form::ShowModal(HWND owner) {
    if (!hwnd_) Create();
    modal_ = true;
    modalResult_ = mrNone;
    // An owner that was disabled before (busy on its own) stays so afterwards.
    const bool ownerEnabled = owner && IsWindowEnabled(owner);
    if (owner) {
        // Owned: it stays above its owner and has no taskbar button of its own.
        SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
        EnableWindow(owner, FALSE);
    }
    Show();
    MSG msg;
    while (modalResult_ == mrNone && IsWindow(hwnd_)) {
        if (!GetMessageW(&msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        App().DispatchOne(msg);
    }
    if (ownerEnabled) EnableWindow(owner, TRUE);
    Hide();
    if (owner) SetActiveWindow(owner);
    modal_ = false;
    return modalResult_;
}

void Form::SetSize(int width, int height) {
    SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SetTooltip(Control& control, const std::string& text) {
    if (!tooltips_)
        tooltips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, App().Handle(),
                                    nullptr);
    std::wstring tip = kivu::Widen(text);
    TOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = hwnd_;
    info.uId = reinterpret_cast<UINT_PTR>(control.Handle());
    info.lpszText = tip.data();
    // A control has one tip: set again, its text changes.
    TOOLINFOW known = info;
    known.lpszText = nullptr;
    const bool has = SendMessageW(tooltips_, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&known)) != 0;
    SendMessageW(tooltips_, has ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void Form::SetDefaultButton(Button* button) {
    if (defaultButton_) defaultButton_->SetDefault(false);
    defaultButton_ = button;
    if (button) button->SetDefault(true);
}

}  // namespace ui
