// The run-program window: starts one command line for the handler, off the
// visible screen, and tells the handler when the program is ready.
#pragma once
#include <memory>
#include <string>

#include "ui/form.h"

namespace kivu {

enum class StartResult { Failed, Ready, NotReady };

// Starts the command line in a new console with normal priority, in the
// folder (none: this program's current one), and waits until the program
// waits for input, at most timeoutMs. Failures count as not ready; the
// program keeps running either way.
StartResult StartAndWaitReady(const std::string& command, const std::string& directory, DWORD timeoutMs);

class TEXECForm : public ui::Form {
public:
    TEXECForm();

    ui::Label Label1;  // the command line
    ui::Label Label2;  // the working directory, empty for none
    ui::Label Label3;  // "Start", then "Ende" or "Fehler"

protected:
    void CreateControls() override;
    void FormCreate() override;
    void FormClose() override;

private:
    void IdleStep();
    void Run();

    bool runPending_ = false;
};

// Mode 101: the window as the main form.
void StartEXECForm(bool showMainForm);

}  // namespace kivu
