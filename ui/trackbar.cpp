#include "ui/trackbar.h"

namespace ui {

void TrackBar::Create(Container& parent, const Spec& spec, int min, int max, int position) {
    CreateChild(parent, spec, TRACKBAR_CLASSA, TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS);
    SendMessageW(hwnd_, TBM_SETRANGE, FALSE, MAKELPARAM(min, max));
    SendMessageW(hwnd_, TBM_SETLINESIZE, 0, 1);
    SendMessageW(hwnd_, TBM_SETTICFREQ, 1, 0);
    SendMessageW(hwnd_, TBM_SETPOS, TRUE, position);
    position_ = Position();
}

int TrackBar::Position() const { return static_cast<int>(SendMessageW(hwnd_, TBM_GETPOS, 0, 0)); }

void TrackBar::SetPosition(int position) {
    SendMessageW(hwnd_, TBM_SETPOS, TRUE, position);
    HandleScroll(TB_ENDTRACK);
}

void TrackBar::HandleScroll(WORD) {
    // Dragging reports every step and its end: one event per new position.
    const int now = Position();
    if (now == position_) return;
    position_ = now;
    Fire(onChange);
}

}  // namespace ui
