// Thin wrappers over the window system's controls. Each keeps its designed
// name and tag; events are plain callbacks that the forms bind.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ui {

class Container;
class GraphicControl;
class PopupMenu;

enum class Align { None, Top, Bottom, Left, Right, Client };

// Where and how a control is created; the fields read like a form's table,
// in the designed pixels at 96 DPI (the toolkit scales them to the form's DPI).
struct Spec {
    const char* name = "";
    int tag = 0;
    int left = 0, top = 0, width = 75, height = 25;
    const char* text = "";
    Align align = Align::None;
    bool enabled = true;
    bool visible = true;
    bool tabStop = true;
};

class Control {
public:
    Control() = default;
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    HWND Handle() const { return hwnd_; }
    const std::string& Name() const { return name_; }
    int Tag() const { return tag_; }
    Container* Parent() const { return parent_; }
    Align GetAlign() const { return align_; }

    std::string Text() const;
    void SetText(const std::string& text);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    bool Visible() const;
    void SetVisible(bool visible);
    void SetFocus();
    bool Focused() const;
    RECT Bounds() const;  // in the parent's client coordinates
    void SetBounds(int left, int top, int width, int height);
    int Width() const;
    int Height() const;
    // The screen point of the control's top left corner.
    POINT ScreenOrigin() const;

    std::function<void()> onClick;
    std::function<void()> onChange;
    // Key events of the control; setting the key or character to 0 drops it.
    std::function<void(WORD& key)> onKeyDown;
    // The character is one UTF-16 unit of what the user typed.
    std::function<void(wchar_t& ch)> onKeyPress;
    // Enter goes to onKeyDown instead of pressing the form's default button.
    bool wantsReturn = false;
    // Opened by a right click at the mouse pointer (or the context-menu key
    // at the control's corner); commands go to the form.
    PopupMenu* popupMenu = nullptr;

    static Control* FromHandle(HWND hwnd);
    // Reflected notifications from the parent.
    virtual void HandleCommand(WORD code);
    virtual LRESULT HandleNotify(NMHDR* hdr);
    virtual void HandleScroll(WORD code);  // WM_HSCROLL / WM_VSCROLL of a slider
    // Owner-drawn controls paint their items here (reflected WM_DRAWITEM).
    virtual bool HandleDrawItem(const DRAWITEMSTRUCT&) { return false; }
    // The window moved to another DPI: places, sizes and the font follow.
    virtual void Rescale(int fromDpi, int toDpi);

protected:
    // Creates a window of a system class as a child of the parent and hooks it.
    void CreateChild(Container& parent, const Spec& spec, const char* className, DWORD style, DWORD exStyle = 0);
    // Called by the subclass procedure for every message; return true when handled.
    virtual bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    void Attach(HWND hwnd, Container* parent, const Spec& spec);
    void Fire(const std::function<void()>& handler);

    HWND hwnd_ = nullptr;
    std::string name_;
    int tag_ = 0;
    Container* parent_ = nullptr;
    Align align_ = Align::None;

    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    // Window classes of our own (forms, panels, custom controls) all run
    // OwnClassProc: it binds the object passed as the creation parameter and
    // hands every message to HandleMessage inside the guard.
    static void RegisterOwnClass(const char* className, HBRUSH background, HICON icon = nullptr, UINT style = 0);
    static LRESULT CALLBACK OwnClassProc(HWND, UINT, WPARAM, LPARAM);
    static bool IsOwnWindow(HWND hwnd);
    // Destroys the window of an object that is going; no message reaches the object after.
    void DestroyOwnWindow();

private:
    friend class Container;
};

// A control that holds others: the form and its panels.
class Container : public Control {
public:
    const std::vector<Control*>& Children() const { return children_; }
    void AddChild(Control* child) { children_.push_back(child); }
    void RemoveChild(Control* child);
    // Places the aligned children (top, bottom, left, right, then client).
    void Realign();
    int NextControlId() { return nextId_++; }
    HFONT Font() const;
    // The form's DPI, and the form's designed pixels (at 96 DPI) at it.
    int Dpi() const;
    int Scaled(int designed) const;
    int Unscaled(int pixels) const;
    void Rescale(int fromDpi, int toDpi) override;
    // Light-weight controls that paint on this container and take its mouse messages.
    void AddGraphic(GraphicControl* graphic) { graphics_.push_back(graphic); }
    void RemoveGraphic(GraphicControl* graphic);

protected:
    // Routing shared by the window procedures of forms and panels.
    bool RouteMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

private:
    bool RouteToGraphics(UINT msg, WPARAM wp, LPARAM lp);
    GraphicControl* GraphicAt(LPARAM lp) const;

    std::vector<Control*> children_;
    std::vector<GraphicControl*> graphics_;
    GraphicControl* hovered_ = nullptr;  // the light-weight control under the pointer
    GraphicControl* pressed_ = nullptr;  // the one the left button went down on
    int nextId_ = 100;  // ids 1 and 2 stand for Enter and Escape
};

class Panel : public Container {
public:
    void Create(Container& parent, const Spec& spec, bool bevel = false);

protected:
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};

class Label : public Control {
public:
    void Create(Container& parent, const Spec& spec);
    void Rescale(int fromDpi, int toDpi) override;

private:
    void FitFontHeight();
};

class Button : public Control {
public:
    void Create(Container& parent, const Spec& spec);
    void Click();
    void SetDefault(bool isDefault);
    void HandleCommand(WORD code) override;
};

class CheckBox : public Control {
public:
    void Create(Container& parent, const Spec& spec, bool checked = false);
    bool Checked() const;
    // A change made by the program raises onClick like the user's click.
    void SetChecked(bool checked);
    void HandleCommand(WORD code) override;
};

class Edit : public Control {
public:
    void Create(Container& parent, const Spec& spec);
    // Caret and selection as positions in Text() (0-based). SetSelection:
    // a negative start removes the selection, a negative length reaches the end.
    int SelStart() const;
    int SelLength() const;
    void SetSelection(int start, int length);
    void SetCaret(int pos) { SetSelection(pos, 0); }
    void ClearSelection();  // deletes the selected text
    void ReplaceSelection(const std::string& text);
    // Keeps the selection visible while the field has no focus.
    void SetHideSelection(bool hide);
    // The most UTF-16 units the user can type or paste (the program's own texts are not cut).
    void SetMaxLength(int chars);
    void HandleCommand(WORD code) override;
    std::string hint;  // kept for the designer, not shown
};

class DateTimePicker : public Control {
public:
    enum class Kind { Date, Time };
    void Create(Container& parent, const Spec& spec, Kind kind);
    SYSTEMTIME Value() const;
    void SetValue(const SYSTEMTIME& value);
    void SetFormat(const char* format);
    LRESULT HandleNotify(NMHDR* hdr) override;
};

class StatusBar : public Control {
public:
    void Create(Container& parent, const Spec& spec, const std::vector<int>& panelWidths);
    void SetPanelText(int panel, const std::string& text);
    std::string PanelText(int panel) const;
    // The single-text mode hides the panels and shows one text.
    void SetSimple(bool simple);
    bool Simple() const;
    void SetSimpleText(const std::string& text);
    void Rescale(int fromDpi, int toDpi) override;
};

// A report list in virtual mode: the owner keeps the rows and tells the list
// how many there are; the list asks for the texts of the rows it shows.
class ListView : public Control {
public:
    // editLabels: the first column can be edited in place (onEdited).
    void Create(Container& parent, const Spec& spec, bool editLabels = false);
    void AddColumn(const std::string& caption, int width);  // designed pixels
    std::string ColumnCaption(int col) const;
    void SetColumnCaption(int col, const std::string& caption);
    int ColumnWidth(int col) const;
    void SetColumnWidth(int col, int width);  // pixels, like ColumnWidth
    void SetRowCount(int count);
    int RowCount() const;
    int Selected() const;  // -1 when none
    void Select(int row);  // -1: none
    void RedrawRows();     // repaints the visible rows from the owner's data

    std::function<std::string(int row, int col)> onGetText;
    std::function<void(int col)> onColumnClick;
    std::function<void()> onDblClick;
    // The user typed a new first-column text for a row; false refuses it
    // (the row keeps its old text).
    std::function<bool(int row, const std::string& text)> onEdited;
    LRESULT HandleNotify(NMHDR* hdr) override;
    void Rescale(int fromDpi, int toDpi) override;
};

class MenuItem {
public:
    std::string name;
    int tag = 0;
    std::string caption;  // "-" is a separator
    bool enabled = true;
    bool checked = false;
    std::function<void()> onClick;
    UINT id = 0;
};

class PopupMenu {
public:
    PopupMenu() = default;
    ~PopupMenu();
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;
    MenuItem& Add(const char* name, int tag, const char* caption);
    std::vector<MenuItem*> Items();
    // Opens the menu at a screen point; the chosen item's command arrives as
    // a message to the owner afterwards. onPopup runs first (it may enable,
    // grey or tick items).
    void Popup(HWND owner, POINT at);
    std::function<void()> onPopup;
    // The item a menu command belongs to, if any.
    static MenuItem* FromCommand(UINT id);

private:
    std::vector<std::unique_ptr<MenuItem>> items_;
};

// A window-system timer that calls back on the GUI thread.
class Timer {
public:
    Timer() = default;
    ~Timer() { Stop(); }
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    void Start(UINT milliseconds, std::function<void()> onTimer);
    void Stop();
    bool Running() const { return id_ != 0; }

private:
    static void CALLBACK Proc(HWND, UINT, UINT_PTR, DWORD);
    UINT_PTR id_ = 0;
    std::function<void()> onTimer_;
};

}  // namespace ui
