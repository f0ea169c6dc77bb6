#include "app/handlerevents.h"

#include <windows.h>

namespace kivu {

void SignalHandlerEvent(const char* name) {
    if (HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, name)) {
        SetEvent(event);
        CloseHandle(event);
    }
}

}  // namespace kivu
