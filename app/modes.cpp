#include "app/modes.h"

#include <windows.h>

#include "fileprops/renameform.h"
#include "update/downloaddialog.h"

namespace kivu {

namespace {

const FormMode kFormModes[] = {
    {0, true, nullptr},                  // menu configuration
    {1, true, &StartRenamedialog},       // file properties
    {2, true, nullptr},                  // file selection
    {3, true, nullptr},                  // program starter
    {10, true, &StartDownloadform},      // live update
    {101, false, nullptr},               // run a program; shows itself when idle
};

void ShowRefusal() {
    MessageBeep(MB_ICONINFORMATION);
    MessageBoxA(nullptr, "KIVUUTIL belongs to the KIVUMenu Extention and can't be executed alone.", "Information:",
                MB_ICONINFORMATION | MB_OK);
}

}  // namespace

const FormMode* FindFormMode(int mode) {
    for (const FormMode& m : kFormModes)
        if (m.mode == mode) return &m;
    return nullptr;
}

int RunMode(int mode) {
    if (const FormMode* form = FindFormMode(mode)) {
        if (form->start) form->start(form->shownAtStart);
    } else if (mode == kModeRefusal) {
        ShowRefusal();
    }
    // Uninstalling (666) is not part of this build yet; every other number ends silently.
    return 0;
}

}  // namespace kivu
