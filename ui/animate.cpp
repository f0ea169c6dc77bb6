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
        SendMessageA(hwnd_, ACM_OPENA, 0, 0);
        return true;
    }
    // The control reads the clip from the module while it plays: keep it loaded.
    static const HMODULE shell = LoadLibraryA("shell32.dll");
    return SendMessageA(hwnd_, ACM_OPENA, reinterpret_cast<WPARAM>(shell),
                        reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(static_cast<int>(clip)))) != 0;
}

void Animate::Play() {
    active_ = clip_ != Clip::None && SendMessageA(hwnd_, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF)) != 0;
}

void Animate::Stop() {
    if (active_) SendMessageA(hwnd_, ACM_STOP, 0, 0);
    active_ = false;
}

}  // namespace ui
