#include "ui/groupbox.h"

#include <vector>

namespace ui {

// ---- GroupBox

void GroupBox::Create(Container& parent, const Spec& spec) {
    Spec s = spec;
    s.tabStop = false;
    // The system's group box draws the frame and caption; it is the parent of
    // its options, so their notifications arrive here and are routed on.
    CreateChild(parent, s, "BUTTON", BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
}

bool GroupBox::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
        case WM_ERASEBKGND: {
            // The system's group box leaves its inside to the parent, which
            // clips its children: the box paints it itself.
            RECT r;
            GetClientRect(hwnd_, &r);
            FillRect(reinterpret_cast<HDC>(wp), &r, GetSysColorBrush(COLOR_BTNFACE));
            result = 1;
            return true;
        }
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSTATIC:
            // The options ask their parent for their background, as they would a form.
            result = DefWindowProcW(hwnd_, msg, wp, lp);
            return true;
        default:
            return RouteMessage(msg, wp, lp, result) || Control::HandleMessage(msg, wp, lp, result);
    }
}

// ---- RadioButton

namespace {
std::vector<RadioButton*> Options(Container* parent) {
    std::vector<RadioButton*> options;
    for (Control* c : parent->Children())
        if (auto* option = dynamic_cast<RadioButton*>(c)) options.push_back(option);
    return options;
}
}  // namespace

void RadioButton::Create(Container& parent, const Spec& spec) {
    CreateChild(parent, spec, "BUTTON", BS_RADIOBUTTON);
    UpdateTabStops();
}

bool RadioButton::Checked() const { return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void RadioButton::SetChecked(bool checked) {
    if (Checked() == checked) return;
    SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    if (checked)
        for (RadioButton* other : Options(parent_))
            if (other != this) other->SetChecked(false);
    UpdateTabStops();
    if (checked) Fire(onClick);
}

void RadioButton::HandleCommand(WORD code) {
    // Also sent when an arrow key moves the focus onto an unchecked option.
    if (code == BN_CLICKED) SetChecked(true);
}

void RadioButton::UpdateTabStops() {
    const std::vector<RadioButton*> options = Options(parent_);
    RadioButton* stop = nullptr;
    for (RadioButton* option : options)
        if (!stop && option->Checked()) stop = option;
    if (!stop && !options.empty()) stop = options.front();
    for (RadioButton* option : options) {
        const LONG style = GetWindowLongW(option->hwnd_, GWL_STYLE);
        const LONG wanted = option == stop ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
        if (wanted != style) SetWindowLongW(option->hwnd_, GWL_STYLE, wanted);
    }
}

}  // namespace ui
