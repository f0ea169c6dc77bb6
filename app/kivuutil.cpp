// kivuutil: one process serves one request of the context-menu handler,
// named by the mode number in argument 1.
#include <windows.h>
#include <commctrl.h>

#include "app/modes.h"
#include "link/handlerevents.h"
#include "link/handlerlink.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    return kivu::RunMode(kivu::ModeFromArguments(kivu::ProgramArguments()));
}
