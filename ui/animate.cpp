#include "ui/animate.h"

namespace ui {

void Animate::Create(Container& parent, const Spec& spec) {
    Spec s = spec;
    s.tabStop = false;
    CreateChild(parent, s, ANIMATE_CLASSA, ACS_CENTER | ACS_TRANSPARENT);
}

bool Animate::SetClip(Clip clip) {
    Stop();
    clip_ = clip;
    if (clip == Clip::None) {
        SendMessageW(hwnd_, ACM_OPENW, 0, 0);
        return true;
    }
    // The control reads the clip from the module while it plays: keep it loaded.
    static const HMODULE shell = LoadLibraryW(L"shell32.dll");
    return SendMessageW(hwnd_, ACM_OPENW, reinterpret_cast<WPARAM>(shell),
                        reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(static_cast<int>(clip)))) != 0;
}

void Animate::Play() {
    active_ = clip_ != Clip::None && SendMessageW(hwnd_, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF)) != 0;
}

void Animate::Stop() {
    if (active_) SendMessageW(hwnd_, ACM_STOP, 0, 0);
    active_ = false;
}

}  // namespace ui
