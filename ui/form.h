// A top-level window of the program: one window class "T" + the form's name.
#pragma once
#include "common/handles.h"
#include "ui/controls.h"

namespace ui {

enum ModalResult { mrNone = 0, mrOk = 1, mrCancel = 2 };

// Sizes in designed pixels at 96 DPI, like the controls' table.
struct FormSpec {
    const char* name = "";  // the class becomes "T" + name
    int tag = 0;
    int width = 400, height = 300;
    int clientWidth = 0, clientHeight = 0;  // when set, the client area's size (the frame is added)
    const char* caption = "";
    bool resizable = true;
    bool frame = true;        // false: no frame, no caption
    bool dialogFrame = false; // a fixed dialog frame: no sizing, no minimize box
    bool toolWindow = false;  // a small caption and no taskbar button
    bool topMost = false;
    bool centered = true;     // on the screen, when first shown
    int left = CW_USEDEFAULT, top = CW_USEDEFAULT;  // where it is, when not centred
};

class Form : public Container {
public:
    explicit Form(const FormSpec& spec);
    ~Form() override;

    // Creates the window and its controls, then runs the creation handler.
    void Create();
    void Show();
    void Hide();
    // Asks the close query, runs the close handler and ends the form (the
    // program, when it is the main form; the modal loop, when modal).
    void Close();
    int ShowModal(HWND owner);
    void SetModalResult(int result) { modalResult_ = result; }

    void SetCaption(const std::string& caption) { SetText(caption); }
    std::string Caption() const { return Text(); }
    void SetSize(int width, int height);

    // The buttons that Enter and Escape press.
    void SetDefaultButton(Button* button);
    void SetCancelButton(Button* button) { cancelButton_ = button; }
    // A tooltip for a control of this form.
    void SetTooltip(Control& control, const std::string& text);
    // The control that has the focus when the form is first shown (default:
    // the first one in the tab order).
    void SetActiveControl(Control* control) { activeControl_ = control; }

    void SetMainForm(bool isMain) { isMain_ = isMain; }
    static Form* FromHandle(HWND hwnd);

    // A key pressed anywhere in the form, before the dialog keys see it
    // (Ctrl+Tab would otherwise only move the focus); true when used.
    virtual bool FormShortCut(WORD) { return false; }

protected:
    // The designer's part: the controls with their places and defaults.
    virtual void CreateControls() {}
    // The form's events.
    virtual void FormCreate() {}
    virtual void FormShow() {}
    virtual bool FormCloseQuery() { return true; }
    virtual void FormClose() {}
    virtual void FormResize() {}
    virtual void FormConstrain(MINMAXINFO&) {}
    // Messages the form handles itself (the handler's WM_USER messages).
    virtual bool FormMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);

    FormSpec spec_;
    std::string className_;
    bool isMain_ = false;
    bool modal_ = false;
    bool shownOnce_ = false;
    int modalResult_ = mrNone;
    Button* defaultButton_ = nullptr;
    Button* cancelButton_ = nullptr;
    Control* activeControl_ = nullptr;
    HWND lastFocus_ = nullptr;
    HWND tooltips_ = nullptr;  // given back when the form is activated again
    int dpi_ = 96;
    kivu::UniqueFont font_;
    void UseFontForDpi();
    void ChangeDpi(int dpi, const RECT& suggested);
    friend class Container;
};

}  // namespace ui
