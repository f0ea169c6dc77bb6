#include "ui/splitter.h"

#include <windowsx.h>

#include <algorithm>

#include "ui/app.h"

namespace ui {

Splitter::~Splitter() { DestroyOwnWindow(); }

void Splitter::Create(Container& parent, const Spec& spec, Control& resized) {
    RegisterOwnClass("TSplitter", reinterpret_cast<HBRUSH>(COLOR_HIGHLIGHT + 1));
    DWORD style = WS_CHILD;
    if (spec.visible) style |= WS_VISIBLE;
    CreateWindowExW(0, L"TSplitter", L"", style, parent.Scaled(spec.left), parent.Scaled(spec.top),
                    parent.Scaled(spec.width), parent.Scaled(spec.height), parent.Handle(), nullptr, App().Handle(),
                    static_cast<Control*>(this));
    Attach(hwnd_, &parent, spec);
    resized_ = &resized;
}

bool Splitter::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    (void)wp;
    result = 0;
    switch (msg) {
        case WM_SETCURSOR:
            SetCursor(LoadCursor(nullptr, IDC_SIZEWE));
            result = TRUE;
            return true;
        case WM_LBUTTONDOWN: {
            POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            ClientToScreen(hwnd_, &p);
            dragStartX_ = static_cast<int>(p.x);
            startWidth_ = resized_->Width();
            dragging_ = true;
            SetCapture(hwnd_);
            return true;
        }
        case WM_MOUSEMOVE: {
            if (!dragging_) return true;
            POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            ClientToScreen(hwnd_, &p);
            RECT area;
            GetClientRect(parent_->Handle(), &area);
            const int least = parent_->Scaled(kMinSize);
            const int widest = std::max(least, static_cast<int>(area.right) - Width() - least);
            const int width = std::clamp(startWidth_ + static_cast<int>(p.x) - dragStartX_, least, widest);
            if (width != resized_->Width()) {
                const RECT r = resized_->Bounds();
                resized_->SetBounds(r.left, r.top, width, r.bottom - r.top);
                parent_->Realign();
            }
            return true;
        }
        case WM_LBUTTONUP:
            if (GetCapture() == hwnd_) ReleaseCapture();
            dragging_ = false;
            return true;
        case WM_CAPTURECHANGED:
            dragging_ = false;
            return true;
        default:
            return false;
    }
}

}  // namespace ui
