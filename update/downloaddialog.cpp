#include "update/downloaddialog.h"

#include <commdlg.h>

#include <iterator>

#include "common/kivulanguage.h"
#include "common/text.h"
#include "ui/app.h"
#include "update/release.h"
#include "update/releasearchive.h"

namespace kivu {

namespace {

constexpr DWORD kVersionsShownMs = 2000;  // the versions stay readable before the decision
constexpr int kAnimateWidth = 285, kAnimateHeight = 89;  // Animate1 as designed
constexpr ULONGLONG kCountShownEveryMs = 50;

// String 1 of the program: "KIVU Menu 3.19 Release ..."
std::string VersionBanner() {
    wchar_t banner[512] = {};
    const int n = LoadStringW(ui::App().Handle(), 1, banner, static_cast<int>(std::size(banner)));
    return Narrow(std::wstring_view(banner, n > 0 ? static_cast<size_t>(n) : 0));
}

}  // namespace

Tdownloadform::Tdownloadform()
    : ui::Form({.name = "downloadform", .tag = 500, .width = 285, .height = 108, .caption = "Live - KIVU Menu ",
                .resizable = false, .toolWindow = true, .topMost = true}) {}

Tdownloadform::~Tdownloadform() = default;

std::shared_ptr<Tdownloadform> Tdownloadform::Open() {
    auto form = std::make_shared<Tdownloadform>();
    form->Create();
    form->Show();
    return form;
}

void Tdownloadform::CreateControls() {
    using ui::Align;
    StatusBar1.Create(*this, {.name = "StatusBar1", .height = 19, .align = Align::Bottom}, {50, 50, 50, 50});
    Animate1.Create(*this, {.name = "Animate1", .width = kAnimateWidth, .height = kAnimateHeight,
                            .align = Align::Client});
    StatusBar1.SetPanelText(1, "\t->");  // a tab centres the text
    StatusBar1.SetPanelText(3 | SBT_NOBORDERS, "");
    Animate1.SetClip(ui::Animate::Clip::FindFolder);
    SaveDialog1.filter = "KIVU|*.zip";
    SaveDialog1.options = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_ENABLESIZING;
}

void Tdownloadform::FormCreate() {
    std::weak_ptr<bool> alive = alive_;
    ui::App().SetIdleHook([this, alive] {
        if (!alive.expired()) AppIdle();
    });
    StartPending = true;
    // The window takes the animation's designed size as its outer size.
    SetSize(Scaled(kAnimateWidth), Scaled(kAnimateHeight));
}

void Tdownloadform::AppIdle() {
    if (!StartPending) return;
    StartPending = false;
    ui::App().SetIdleHook(nullptr);  // its one start is done
    RunLiveUpdate();
}

void Tdownloadform::FormClose() {
    // Closing while a transfer runs ends it; the routine then leaves the form alone.
    closed_ = true;
    if (NMHTTP1) NMHTTP1->Cancel();
}

bool Tdownloadform::ProcessMessages() {
    ui::App().ProcessMessages();
    return !closed_;
}

void Tdownloadform::HttpWait() {
    ui::App().ProcessMessages();
    // The application is ending: so does the transfer.
    MSG quit;
    if (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) closed_ = true;
    if (closed_) NMHTTP1->Cancel();
}

void Tdownloadform::NMHTTP1PacketRecvd(uint64_t received) {
    // Every packet reports the running count; the bar takes it as often as
    // the eye can follow, so that repainting does not slow the download.
    const ULONGLONG now = GetTickCount64();
    if (now - countShownAt_ < kCountShownEveryMs) return;
    countShownAt_ = now;
    StatusBar1.SetSimpleText(std::to_string(received) + " - bytes");
}

void Tdownloadform::ShowMessage(int message) {
    MessageBoxW(Handle(), Widen(GetLangString(10000 + Tag() + message)).c_str(), Widen(Caption()).c_str(),
                MB_ICONINFORMATION | MB_OK);
}

void Tdownloadform::RunLiveUpdate() {
    // A form opened from the configuration dialog stays alive until the routine ends.
    const auto keepAlive = weak_from_this().lock();

    const std::string running = RunningVersion(VersionBanner());
    StatusBar1.SetPanelText(0, running);

    NMHTTP1 = std::make_unique<HttpClient>();
    NMHTTP1->onWait = [this] { HttpWait(); };
    if (!ProcessMessages()) return NMHTTP1.reset();
    Animate1.SetClip(ui::Animate::Clip::FindFolder);
    Animate1.Play();

    try {
        const ReleaseArchive archive(ReleaseArchive::ConfiguredHost());  // a bad "Host" value fails the check
        const std::string body = archive.Query(*NMHTTP1);
        Animate1.Stop();

        const auto linkPath = FindLinkPath(body);
        if (!linkPath) return Finish();

        const std::string digits = NewVersionDigits(*linkPath);
        StatusBar1.SetPanelText(2, VersionText(digits));
        if (!ProcessMessages()) return NMHTTP1.reset();
        Sleep(kVersionsShownMs);

        const auto runningNumber = RunningVersionNumber(running);
        const auto foundNumber = ParseDecimal(digits);
        if (!runningNumber || !foundNumber) return Failure(kFailed);

        // The key as it is now, not a key press still queued.
        const bool ctrlHeld = (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0;
        if (!OfferDownload(*runningNumber, *foundNumber, ctrlHeld)) {
            ShowMessage(kNoNewer);
            return Finish();
        }

        SaveDialog1.fileName = ProposedFileName(*linkPath);
        if (!SaveDialog1.Execute(Handle())) return Finish();

        NMHTTP1->onPacket = [this](uint64_t received) { NMHTTP1PacketRecvd(received); };
        Animate1.SetClip(ui::Animate::Clip::CopyFile);
        Animate1.Play();
        StatusBar1.SetSimple(true);
        archive.Download(*NMHTTP1, *linkPath, SaveDialog1.fileName, OffersDigest(body, *linkPath));
        Animate1.Stop();
        Animate1.SetClip(ui::Animate::Clip::None);
        StatusBar1.SetSimple(false);
        NMHTTP1->onPacket = nullptr;
    } catch (const ReleaseCheckError&) {
        if (closed_) return NMHTTP1.reset();
        return Failure(kCheckFailed);
    } catch (const std::exception&) {
        if (closed_) return NMHTTP1.reset();  // closed by the user: nothing more to show
        return Failure(kFailed);
    }
    Finish();
}

void Tdownloadform::Finish() {
    NMHTTP1.reset();
    Close();
}

void Tdownloadform::Failure(int message) {
    NMHTTP1.reset();
    StatusBar1.SetSimple(true);
    StatusBar1.SetSimpleText("");
    Animate1.SetClip(ui::Animate::Clip::None);
    Hide();
    ShowMessage(message);
    Close();
}

void StartDownloadform(bool showMainForm) {
    static std::unique_ptr<Tdownloadform> downloadform;
    ui::App().StartForm(downloadform, showMainForm);
}

}  // namespace kivu
