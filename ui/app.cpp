#include "ui/app.h"

#include "common/errors.h"
#include "common/text.h"
#include "ui/form.h"

namespace ui {

Application& Application::Instance() {
    static Application app;
    return app;
}

HINSTANCE Application::Handle() const { return GetModuleHandleW(nullptr); }

void Application::ShowError(const std::string& text) {
    HWND owner = mainForm_ ? mainForm_->Handle() : nullptr;
    // The box enables its owner as it closes, also one that was disabled
    // before it (a form busy on its own, the owner of a modal form): such a
    // one is disabled again.
    const bool disabled = owner && !IsWindowEnabled(owner);
    MessageBoxW(owner, kivu::Widen(kivu::ErrorDisplayText(text)).c_str(), kivu::Widen(title_).c_str(),
                MB_ICONERROR | MB_OK);
    if (disabled && IsWindow(owner)) EnableWindow(owner, FALSE);
}

void Application::DispatchOne(MSG& msg) {
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    Form* form = root ? Form::FromHandle(root) : nullptr;
    if (form && msg.message == WM_KEYDOWN) {
        bool used = false;
        Guard([&] { used = form->FormShortCut(static_cast<WORD>(msg.wParam)); });
        if (used) return;
    }
    if (form && IsDialogMessageW(root, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void Application::ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the main loop
            return;
        }
        DispatchOne(msg);
    }
}

void Application::Run(Form& form) {
    mainForm_ = &form;
    form.SetMainForm(true);
    form.Create();
    if (showMainForm_) form.Show();
    MSG msg;
    for (;;) {
        if (!idleHook_) {
            // Nothing waits for an idle turn: block in one call, which also
            // keeps the cost of each message sent by the handler low.
            if (GetMessageW(&msg, nullptr, 0, 0) <= 0) break;
            DispatchOne(msg);
            continue;
        }
        bool quit = false;
        while (!quit && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) quit = true;
            else DispatchOne(msg);
        }
        if (quit) break;
        auto hook = idleHook_;  // the hook may replace itself
        Guard(hook);
        if (idleHook_) WaitMessage();
    }
    mainForm_ = nullptr;
}

}  // namespace ui
