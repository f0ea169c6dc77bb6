#include "app/modes.h"

#include <windows.h>

#include "app/execprgrm.h"
#include "app/uninstall.h"
#include "config/konfigunit.h"
#include "fileprops/dateiselect.h"
#include "fileprops/renameform.h"
#include "starter/starterdialog.h"
#include "ui/app.h"
#include "update/downloaddialog.h"

namespace kivu {

namespace {

const FormMode kFormModes[] = {
    {0, true, &StartKonfigdialog},       // menu configuration
    {1, true, &StartRenamedialog},       // file properties
    {2, true, &StartSelectform},         // file selection
    {3, true, &StartStarterform},        // program starter
    {10, true, &StartDownloadform},      // live update
    {101, false, &StartEXECForm},        // run a program; shows itself when idle
};

void ShowRefusal() {
    MessageBeep(MB_ICONINFORMATION);
    MessageBoxW(nullptr, L"KIVUUTIL belongs to the KIVUMenu Extention and can't be executed alone.", L"Information:",
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
    } else if (mode == kModeUninstall) {
        ui::App().Guard(Uninstall);  // a refused registry write reaches the error display
    } else if (mode == kModeRefusal) {
        ShowRefusal();
    }
    // Every other number ends silently.
    return 0;
}

}  // namespace kivu
