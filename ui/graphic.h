// A light-weight control without a window of its own: it paints on its
// parent (a form or panel) and takes the parent's mouse messages over its
// area. It can take no focus and has no tab stop.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "ui/controls.h"

namespace ui {

class GraphicControl {
public:
    GraphicControl() = default;
    virtual ~GraphicControl();
    GraphicControl(const GraphicControl&) = delete;
    GraphicControl& operator=(const GraphicControl&) = delete;

    // Joins the parent at the given place (text, focus and tab stop do not apply).
    void Create(Container& parent, const Spec& spec);

    const std::string& Name() const { return name_; }
    int Tag() const { return tag_; }
    Container* Parent() const { return parent_; }
    RECT Bounds() const { return bounds_; }  // in the parent's client coordinates
    void SetBounds(int left, int top, int width, int height);
    int Width() const { return bounds_.right - bounds_.left; }
    int Height() const { return bounds_.bottom - bounds_.top; }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    // Asks the parent to paint the control's area again.
    void Invalidate() const;

    // The parent moved to another DPI.
    virtual void Rescale(int fromDpi, int toDpi);

    // Paints the control into the parent's DC; area is its place there.
    virtual void Paint(HDC dc, const RECT& area) = 0;

    std::function<void()> onClick;
    std::function<void()> onMouseEnter;
    std::function<void()> onMouseLeave;

private:
    std::string name_;
    int tag_ = 0;
    Container* parent_ = nullptr;
    RECT bounds_{};
    bool visible_ = true;
};

}  // namespace ui
