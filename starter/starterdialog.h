// The program starter (mode 3): interactively the editor of the starter's
// entries, one tab each; with a second argument ("start", what the autostart
// runs at logon) the same window minimized and disabled, starting every due
// entry one after the other and closing when it is through.
#pragma once
#include <cstdint>
#include <memory>

#include "starter/execfile.h"
#include "starter/shownentry.h"
#include "starter/starterstore.h"
#include "ui/filedialog.h"
#include "ui/form.h"
#include "ui/groupbox.h"
#include "ui/tabs.h"
#include "ui/trackbar.h"

namespace kivu {

class Tstarterform : public ui::Form {
public:
    // automatic: the logon run; the default asks the command line.
    Tstarterform();
    explicit Tstarterform(bool automatic);
    ~Tstarterform() override;

    ui::TabControl TabControl1;
    ui::StatusBar StatusBar1;
    ui::Panel Panel1;
    ui::Edit Edit4;
    ui::Label Label1;
    ui::Edit Edit1;
    ui::Button Button3;
    ui::Label Label3;
    ui::Edit Edit3;
    ui::GroupBox GroupBox1;
    ui::RadioButton RadioButton1;
    ui::RadioButton RadioButton2;
    ui::RadioButton RadioButton3;
    ui::Label Label2;
    ui::TrackBar TrackBar1;
    ui::Edit Edit2;
    ui::Button Neu;
    ui::Button Loeschen;
    ui::Button Ende;
    ui::FileDialog OpenDialog1{ui::FileDialog::Kind::Open};
    ui::Timer Timer1;
    TExecFile ExecFile1;

    // Event handlers, named as designed.
    void TabControl1Enter();
    void TabControl1Changing();
    void Edit4Change();
    void RadioButtonClick(ui::RadioButton& option);
    void TrackBar1Change();
    void Button3Click();
    void NeuClick();
    void LoeschenClick();
    void EndeClick();
    void Timer1Timer();
    void Starttimer();
    void EditSave();

    bool WorkerRunning() const { return worker_ != nullptr; }

protected:
    void CreateControls() override;
    void FormCreate() override;
    void FormClose() override;
    bool FormMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    std::string ShownName() const;  // the selected tab's entry
    int FindTab(const std::string& name) const;
    void SetEditGroupEnabled(bool enabled);
    void SwitchTimer1On();
    void ShowMinimized();

    const bool automatic_;
    StarterStore store_;
    int nextIndex_ = 0;   // the schedule's next entry
    int shownTab_ = -1;   // the tab whose entry the fields were loaded from
    ShownEntry shown_;    // whether the fields may be saved over that entry
    std::unique_ptr<TExecThread> worker_;  // the one program started, while it runs
};

// True when the command line asks for the automatic run (a second argument).
bool StarterAutomaticRun();

// Mode 3: the starter as the main form.
void StartStarterform(bool showMainForm);

}  // namespace kivu
