#include "ui/graphic.h"

namespace ui {

GraphicControl::~GraphicControl() {
    if (parent_) {
        Invalidate();
        parent_->RemoveGraphic(this);
    }
}

void GraphicControl::Create(Container& parent, const Spec& spec) {
    name_ = spec.name;
    tag_ = spec.tag;
    visible_ = spec.visible;
    parent_ = &parent;
    const int left = parent.Scaled(spec.left), top = parent.Scaled(spec.top);
    bounds_ = {left, top, left + parent.Scaled(spec.width), top + parent.Scaled(spec.height)};
    parent.AddGraphic(this);
    Invalidate();
}

void GraphicControl::SetBounds(int left, int top, int width, int height) {
    Invalidate();  // where it was
    bounds_ = {left, top, left + width, top + height};
    Invalidate();
}

void GraphicControl::Rescale(int fromDpi, int toDpi) {
    const auto scale = [&](LONG v) { return MulDiv(v, toDpi, fromDpi); };
    SetBounds(scale(bounds_.left), scale(bounds_.top), scale(bounds_.right - bounds_.left),
              scale(bounds_.bottom - bounds_.top));
}

void GraphicControl::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    Invalidate();
}

void GraphicControl::Invalidate() const {
    // The parent's background is drawn again under it: the picture may have shrunk.
    if (parent_ && parent_->Handle()) InvalidateRect(parent_->Handle(), &bounds_, TRUE);
}

}  // namespace ui
