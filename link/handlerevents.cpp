#include "link/handlerevents.h"

#include <windows.h>

#include "common/handles.h"
#include "link/handlerlink.h"

namespace kivu {

std::vector<std::string> ProgramArguments() { return SplitCommandLine(GetCommandLineA()); }

void SignalHandlerEvent(const char* name) {
    if (const UniqueHandle event{OpenEventA(EVENT_MODIFY_STATE, FALSE, name)}) SetEvent(event.get());
}

}  // namespace kivu
