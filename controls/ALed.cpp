#include "controls/ALed.h"

#include <windowsx.h>

#include "common/errors.h"
#include "ui/app.h"

namespace kivu {

namespace {

constexpr const char* kClassName = "TALed";
constexpr int kInitialSide = 16;

led::Rgb ToRgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// The stock bitmap of a style as pixels.
led::PixelGrid LoadStock(const char* name) {
    auto bitmap = static_cast<HBITMAP>(LoadImageA(ui::App().Handle(), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap) throw RuntimeError(FormatMessage1("Bitmap %s nicht gefunden", name));
    BITMAP bm{};
    GetObjectA(bitmap, sizeof bm, &bm);
    led::PixelGrid grid{bm.bmWidth, bm.bmHeight, std::vector<led::Rgb>(static_cast<size_t>(bm.bmWidth) * bm.bmHeight)};
    BITMAPINFO info = TopDown32(bm.bmWidth, bm.bmHeight);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, static_cast<UINT>(bm.bmHeight), grid.pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    for (auto& p : grid.pixels) p &= 0xFFFFFF;
    return grid;
}

HBITMAP ToBitmap(const led::PixelGrid& grid) {
    BITMAPINFO info = TopDown32(grid.width, grid.height);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) throw RuntimeError("TALed: CreateDIBSection failed");
    memcpy(bits, grid.pixels.data(), grid.pixels.size() * sizeof(led::Rgb));
    return bitmap;
}

}  // namespace

TALed::~TALed() {
    blinkTimer_.Stop();
    ReleaseImages();
    DestroyOwnWindow();
}

void TALed::Create(ui::Container& parent, const ui::Spec& spec) {
    RegisterOwnClass(kClassName, nullptr);
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    if (spec.visible) style |= WS_VISIBLE;
    if (!spec.enabled) style |= WS_DISABLED;
    CreateWindowExA(0, kClassName, "", style, spec.left, spec.top, kInitialSide, kInitialSide, parent.Handle(), nullptr,
                    ui::App().Handle(), static_cast<ui::Control*>(this));
    if (!hwnd_) throw RuntimeError("TALed: CreateWindowEx failed");
    Attach(hwnd_, &parent, spec);
    BuildImages();
    if (spec.width != kInitialSide || spec.height != kInitialSide)
        SetBounds(spec.left, spec.top, spec.width, spec.height);
}

void TALed::ReleaseImages() {
    if (trueImage_) DeleteObject(trueImage_);
    if (falseImage_) DeleteObject(falseImage_);
    trueImage_ = falseImage_ = nullptr;
}

void TALed::BuildImages() {
    ReleaseImages();
    const led::StyleInfo info = led::Style(style_);
    const RECT r = Bounds();
    SetBounds(r.left, r.top, info.width, info.height);
    const led::PixelGrid stock = LoadStock(info.image);
    trueImage_ = ToBitmap(led::LensImage(stock, ToRgb(trueColor_)));
    falseImage_ = ToBitmap(led::LensImage(stock, ToRgb(falseColor_)));
}

void TALed::Apply(const led::LedState::Effects& effects) {
    if (effects.stopTimer) blinkTimer_.Stop();
    if (effects.startTimer)
        blinkTimer_.Start(static_cast<UINT>(interval_), [this] {
            Apply(state_.Tick());
            Fire(onTimer);
        });
    if (effects.draw && hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void TALed::SetValue(bool value) { Apply(state_.SetValue(value)); }
void TALed::SetBlink(bool blink) { Apply(state_.SetBlink(blink)); }

void TALed::SetInterval(int milliseconds) {
    interval_ = milliseconds;
    if (!blinkTimer_.Running()) return;
    // The next switch comes one new interval from now.
    Apply({.startTimer = true, .stopTimer = true});
}

void TALed::ChangeColor(COLORREF& color, COLORREF value) {
    if (color == value) return;
    const bool former = state_.Blink();
    Apply(state_.Pause());
    color = value;
    BuildImages();
    Apply(state_.Resume(former));
}

void TALed::SetTrueColor(COLORREF color) { ChangeColor(trueColor_, color); }
void TALed::SetFalseColor(COLORREF color) { ChangeColor(falseColor_, color); }

void TALed::SetLEDStyle(TLEDStyle style) {
    if (style == style_) return;
    style_ = style;
    BuildImages();
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void TALed::Paint(HDC dc) {
    HBITMAP image = state_.ShowsFalseImage() ? falseImage_ : trueImage_;
    if (!image || !hwnd_) return;
    RECT rc;
    GetClientRect(hwnd_, &rc);
    BITMAP bm{};
    GetObjectA(image, sizeof bm, &bm);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, image);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, 0, 0, rc.right, rc.bottom, memory, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
}

bool TALed::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    result = 0;
    switch (msg) {
        case WM_ERASEBKGND:
            result = 1;
            return true;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd_, &ps);
            Paint(dc);
            EndPaint(hwnd_, &ps);
            return true;
        }
        case WM_PRINTCLIENT:
            Paint(reinterpret_cast<HDC>(wp));
            return true;
        case WM_SIZE:
            InvalidateRect(hwnd_, nullptr, FALSE);  // the image is stretched anew
            return true;
        case WM_MOUSEACTIVATE:
            result = MA_NOACTIVATE;
            return true;
        case WM_MOUSEMOVE:
            if (!trackingLeave_) {
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, 0};
                trackingLeave_ = TrackMouseEvent(&track) != FALSE;
                Fire(onMouseEnter);
            }
            return true;
        case WM_MOUSELEAVE:
            trackingLeave_ = false;
            Fire(onMouseLeave);
            return true;
        case WM_LBUTTONDOWN:
            pressed_ = true;
            SetCapture(hwnd_);
            return true;
        case WM_LBUTTONUP: {
            if (GetCapture() == hwnd_) ReleaseCapture();
            RECT rc;
            GetClientRect(hwnd_, &rc);
            const bool click = pressed_ && PtInRect(&rc, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
            pressed_ = false;
            if (click) Fire(onClick);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace kivu
