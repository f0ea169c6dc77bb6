// A slider over a range of integers.
#pragma once
#include "ui/controls.h"

namespace ui {

class TrackBar : public Control {
public:
    // Horizontal, a tick at every step below the line.
    void Create(Container& parent, const Spec& spec, int min, int max, int position);
    int Position() const;
    // Kept within the range; a change made by the program raises onChange
    // like the user's.
    void SetPosition(int position);
    // onChange: the position changed.
    void HandleScroll(WORD code) override;

private:
    int position_ = 0;  // as last reported
};

}  // namespace ui
