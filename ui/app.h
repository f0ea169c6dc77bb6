// The application object: title, main form, the one message loop, the idle
// hook and the default error display.
#pragma once
#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>

namespace ui {

class Form;

class Application {
public:
    static Application& Instance();

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title) { title_ = title; }
    HINSTANCE Handle() const;
    Form* MainForm() const { return mainForm_; }

    // Creates the form as the main form (its creation handler runs here),
    // runs the message loop until it closes, then frees the form.
    template <class F>
    void StartForm(std::unique_ptr<F>& slot, bool showMainForm) {
        showMainForm_ = showMainForm;
        Guard([&] { slot = std::make_unique<F>(); });
        if (!slot) return;  // the error display has told why
        Run(*slot);
        slot.reset();
    }

    // The one-shot idle hook: run whenever the message queue runs empty.
    // Installing it replaces the previous one.
    void SetIdleHook(std::function<void()> hook) { idleHook_ = std::move(hook); }

    // Dispatches the messages that are waiting, without waiting for more.
    void ProcessMessages();

    // The default error display: the error text (a "." appended where due)
    // with the application title, the error icon and OK.
    void ShowError(const std::string& text);

    // Runs an event handler: a runtime error ends the handler and goes to the
    // error display, and the window goes on.
    template <class Fn>
    void Guard(Fn&& fn) noexcept {
        try {
            fn();
        } catch (const std::exception& e) {
            ShowError(e.what());
        } catch (...) {
            ShowError("Unbekannter Fehler");
        }
    }

    // Translates and dispatches one message, with the dialog keys of our forms.
    void DispatchOne(MSG& msg);

private:
    Application() = default;
    void Run(Form& form);

    std::string title_ = "KIVUUtil";
    bool showMainForm_ = true;
    Form* mainForm_ = nullptr;
    std::function<void()> idleHook_;
};

inline Application& App() { return Application::Instance(); }

}  // namespace ui
