// The modes of the program and the form that serves each.
#pragma once

namespace kivu {

// Starts a form mode's window as the main form and runs the message loop
// until it closes.
using StartFormFn = void (*)(bool showMainForm);

struct FormMode {
    int mode;
    bool shownAtStart;
    StartFormFn start;  // nullptr: the mode's window is not part of this build yet
};

// The form modes, in the order of their numbers.
const FormMode* FindFormMode(int mode);

constexpr int kModeUninstall = 666;
constexpr int kModeRefusal = 999;

// Runs the mode named by the command line; returns the process exit code.
int RunMode(int mode);

}  // namespace kivu
