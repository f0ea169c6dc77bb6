// The live-update form: asks the archive for the newest release, compares it
// with the running version and, when it is newer (or Ctrl is held), lets the
// user save the release archive and downloads it with a running byte count.
#pragma once
#include <cstdint>
#include <memory>

#include "ui/animate.h"
#include "ui/filedialog.h"
#include "ui/form.h"
#include "update/httpclient.h"

namespace kivu {

class Tdownloadform : public ui::Form, public std::enable_shared_from_this<Tdownloadform> {
public:
    Tdownloadform();
    ~Tdownloadform() override;

    ui::Animate Animate1;
    ui::StatusBar StatusBar1;
    ui::FileDialog SaveDialog1{ui::FileDialog::Kind::Save};

    // True from creation until the update routine has been started.
    bool StartPending = false;
    // The HTTP client, while the routine runs.
    std::unique_ptr<HttpClient> NMHTTP1;

    void AppIdle();
    void RunLiveUpdate();
    void NMHTTP1PacketRecvd(uint64_t received);

    // A fresh form that is not the main form, shown without waiting; closing
    // it hides it. The caller may let go of it at any time: a running check
    // keeps the form alive until it has ended.
    static std::shared_ptr<Tdownloadform> Open();

protected:
    void CreateControls() override;
    void FormCreate() override;
    void FormClose() override;

private:
    // Lets the waiting messages through; false once the form was closed meanwhile.
    bool ProcessMessages();
    void HttpWait();
    void Finish();
    // The form's messages, after its language base: no newer release, the
    // check or download failed, the archive failed its digest or signature.
    enum Message { kNoNewer = 1, kFailed = 2, kCheckFailed = 3 };
    void Failure(int message);
    void ShowMessage(int message);

    bool closed_ = false;
    ULONGLONG countShownAt_ = 0;  // when the bar last took the byte count
    // The idle hook asks this whether the form is still there.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// Mode 10: the form as the main form; closing it ends the program.
void StartDownloadform(bool showMainForm);

}  // namespace kivu
