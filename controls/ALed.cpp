#include "controls/ALed.h"

#include "common/dib.h"
#include "common/errors.h"
#include "common/handles.h"
#include "common/text.h"
#include "ui/app.h"

namespace kivu {

namespace {

constexpr int kInitialSide = 16;

led::Rgb ToRgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

// The stock bitmap of a style as pixels.
led::PixelGrid LoadStock(const char* name) {
    const UniqueBitmap bitmap(static_cast<HBITMAP>(
        LoadImageW(ui::App().Handle(), Widen(name).c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!bitmap) throw RuntimeError(FormatMessage1("Bitmap %s nicht gefunden", name));
    BITMAP bm{};
    GetObjectW(bitmap.get(), sizeof bm, &bm);
    led::PixelGrid grid{bm.bmWidth, bm.bmHeight, std::vector<led::Rgb>(static_cast<size_t>(bm.bmWidth) * bm.bmHeight)};
    BITMAPINFO info = TopDown32(bm.bmWidth, bm.bmHeight);
    {
        const WindowDC screen(nullptr);
        GetDIBits(screen.get(), bitmap.get(), 0, static_cast<UINT>(bm.bmHeight), grid.pixels.data(), &info,
                  DIB_RGB_COLORS);
    }
    for (auto& p : grid.pixels) p &= 0xFFFFFF;
    return grid;
}

UniqueBitmap ToBitmap(const led::PixelGrid& grid) {
    BITMAPINFO info = TopDown32(grid.width, grid.height);
    void* bits = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) throw RuntimeError("TALed: CreateDIBSection failed");
    memcpy(bits, grid.pixels.data(), grid.pixels.size() * sizeof(led::Rgb));
    return bitmap;
}

}  // namespace

TALed::~TALed() { blinkTimer_.Stop(); }

void TALed::Create(ui::Container& parent, const ui::Spec& spec) {
    ui::Spec initial = spec;
    initial.width = initial.height = kInitialSide;
    GraphicControl::Create(parent, initial);
    BuildImages();
    const int width = parent.Scaled(spec.width), height = parent.Scaled(spec.height);
    if (width != Width() || height != Height()) SetBounds(Bounds().left, Bounds().top, width, height);
}

void TALed::ReleaseImages() {
    trueImage_.reset();
    falseImage_.reset();
}

void TALed::BuildImages() {
    ReleaseImages();
    // Every rebuild gives the control the style's size again.
    const led::StyleInfo info = led::Style(style_);
    const RECT r = Bounds();
    SetBounds(r.left, r.top, Parent()->Scaled(info.width), Parent()->Scaled(info.height));
    const led::PixelGrid stock = LoadStock(info.image);
    trueImage_ = ToBitmap(led::LensImage(stock, ToRgb(trueColor_)));
    falseImage_ = ToBitmap(led::LensImage(stock, ToRgb(falseColor_)));
}

void TALed::Apply(const led::LedState::Effects& effects) {
    if (effects.stopTimer) blinkTimer_.Stop();
    if (effects.startTimer)
        blinkTimer_.Start(static_cast<UINT>(interval_), [this] {
            Apply(state_.Tick());
            if (onTimer) onTimer();
        });
    if (effects.draw) Invalidate();
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
    Invalidate();
}

void TALed::Paint(HDC dc, const RECT& area) {
    HBITMAP image = (state_.ShowsFalseImage() ? falseImage_ : trueImage_).get();
    if (!image) return;
    BITMAP bm{};
    GetObjectW(image, sizeof bm, &bm);
    const UniqueDC memory(CreateCompatibleDC(dc));
    const Selection selected(memory.get(), image);
    // Whole multiples keep the pixels sharp; other scales are smoothed.
    const int width = area.right - area.left, height = area.bottom - area.top;
    const bool whole = width % bm.bmWidth == 0 && height % bm.bmHeight == 0;
    SetStretchBltMode(dc, whole ? COLORONCOLOR : HALFTONE);
    if (!whole) SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, area.left, area.top, width, height, memory.get(), 0, 0,
               bm.bmWidth, bm.bmHeight, SRCCOPY);
}

}  // namespace kivu
