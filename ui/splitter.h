// A bar between two aligned controls: dragging it changes the width of the
// control that is aligned before it.
#pragma once
#include "ui/controls.h"

namespace ui {

class Splitter : public Control {
public:
    static constexpr int kMinSize = 30;  // designed pixels: neither side gets narrower

    ~Splitter() override;
    void Create(Container& parent, const Spec& spec, Control& resized);

protected:
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    Control* resized_ = nullptr;
    int dragStartX_ = 0;
    int startWidth_ = 0;
    bool dragging_ = false;
};

}  // namespace ui
