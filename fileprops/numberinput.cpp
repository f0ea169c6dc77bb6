#include "fileprops/numberinput.h"

#include "common/convert.h"
#include "ui/app.h"

namespace kivu {

Tnumber::Tnumber(ui::Edit& pattern, std::function<void()> preview)
    : ui::Form({.name = "number", .width = 120, .height = 90, .resizable = false, .frame = false, .topMost = true,
                .centered = false}),
      pattern_(pattern),
      preview_(std::move(preview)) {}

void Tnumber::CreateControls() {
    Knob1.Create(*this, {.name = "Knob1", .left = 0, .top = 0, .width = 40, .height = 40});
    Knob1.SetParams(1, 1, 255);
    Knob1.SetThreshold(600);
    // Only the knob is visible; the buttons act through Enter and Escape.
    Button1.Create(*this, {.name = "Button1", .left = 0, .top = 50, .width = 50, .height = 25});
    Button2.Create(*this, {.name = "Button2", .left = 60, .top = 50, .width = 50, .height = 25, .text = "Button2"});
    SetDefaultButton(&Button1);
    SetCancelButton(&Button2);
    Knob1.onChange = [this] { Knob1Change(); };
    Button1.onClick = [this] { Button1Click(); };
    Button2.onClick = [this] { Button2Click(); };
}

int Tnumber::ShowAt(HWND owner, POINT at) {
    Create();
    SetWindowPos(Handle(), HWND_TOPMOST, at.x, at.y, Knob1.Width(), Knob1.Height(), SWP_NOACTIVATE);
    return ShowModal(owner);
}

void Tnumber::FormShow() {
    caret_ = pattern_.SelStart();
    text_ = pattern_.Text();
    const size_t at = text_.find("$$");
    if (at == std::string::npos) {
        SetModalResult(ui::mrCancel);
        return;
    }
    slot_ = at + 1;
    Knob1.SetFocus();
    Knob1Change();
}

int Tnumber::Digits() const { return static_cast<int>(IntToStr(Knob1.Position()).size()); }

void Tnumber::Knob1Change() {
    if (slot_ == 0) return;  // not shown yet
    // Always from the text remembered at show time, so turning never piles up digits.
    std::string text = text_;
    text.replace(slot_ - 1, 2, IntToStr(Knob1.Position()));
    pattern_.SetText(text);
    preview_();
    ui::App().ProcessMessages();
    pattern_.SetSelection(static_cast<int>(slot_ - 1), Digits());
    ui::App().ProcessMessages();
}

void Tnumber::Button1Click() {
    pattern_.SetSelection(pattern_.SelStart(), 0);
    pattern_.SetCaret(caret_ + Digits() - 2);
    SetModalResult(ui::mrOk);
}

void Tnumber::Button2Click() {
    pattern_.SetSelection(pattern_.SelStart(), 0);
    SetModalResult(ui::mrCancel);
}

}  // namespace kivu
