#include "app/execprgrm.h"

#include "common/handles.h"
#include "common/text.h"
#include "link/handlerevents.h"
#include "link/handlerlink.h"
#include "ui/app.h"

namespace kivu {

namespace {

constexpr DWORD kReadyTimeoutMs = 10000;
constexpr DWORD kLingerMs = 1000;

}  // namespace

StartResult StartAndWaitReady(const std::string& command, const std::string& directory, DWORD timeoutMs) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;  // the structure's real size on this platform
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    std::wstring commandLine = Widen(command);  // the system may write into it
    const std::wstring folder = Widen(directory);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS,
                        nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &started))
        return StartResult::Failed;
    const ProcessHandles process(started);  // the program keeps running when they close
    return WaitForInputIdle(process.process.get(), timeoutMs) == 0 ? StartResult::Ready : StartResult::NotReady;
}

TEXECForm::TEXECForm()
    : ui::Form({.name = "EXECForm", .clientWidth = 312, .clientHeight = 82, .caption = "Ausführen...",
                .resizable = false, .toolWindow = true, .centered = false, .left = 5000, .top = 5000}) {}

void TEXECForm::CreateControls() {
    Label1.Create(*this, {.name = "Label1", .left = 8, .top = 8, .width = 296, .height = 16});
    Label2.Create(*this, {.name = "Label2", .left = 8, .top = 32, .width = 296, .height = 16});
    Label3.Create(*this, {.name = "Label3", .left = 8, .top = 56, .width = 296, .height = 16});
}

void TEXECForm::FormCreate() {
    const auto args = ProgramArguments();
    Label1.SetText(args.size() > 2 ? args[2] : "");
    Label2.SetText(args.size() > 3 ? args[3] : "");
    ui::App().SetIdleHook([this] { IdleStep(); });
    runPending_ = true;
}

void TEXECForm::IdleStep() {
    if (!runPending_) return;
    if (!Visible()) {
        Show();  // the run follows on a later idle turn, once the window is up
        // Showing the off-screen window need not queue anything, and the loop
        // waits for a message before the next idle turn.
        PostMessageW(Handle(), WM_NULL, 0, 0);
        return;
    }
    runPending_ = false;
    ui::App().SetIdleHook(nullptr);
    Run();
}

void TEXECForm::Run() {
    Label3.SetText("Start");
    ui::App().ProcessMessages();
    const StartResult result = StartAndWaitReady(Label1.Text(), Label2.Text(), kReadyTimeoutMs);
    if (result == StartResult::Failed) MessageBeep(MB_ICONHAND);
    if (result == StartResult::Ready) {
        Label3.SetText("Ende");
    } else {
        MessageBeep(MB_ICONHAND);
        Label3.SetText("Fehler");
    }
    ui::App().ProcessMessages();
    Sleep(kLingerMs);
    PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

void TEXECForm::FormClose() { SignalHandlerEvent(kEventStart); }

void StartEXECForm(bool showMainForm) {
    static std::unique_ptr<TEXECForm> execForm;
    ui::App().StartForm(execForm, showMainForm);
}

}  // namespace kivu
