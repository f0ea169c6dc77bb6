#include "link/handlerevents.h"

#include <windows.h>

#include "common/handles.h"
#include "common/text.h"
#include "link/handlerlink.h"

namespace kivu {

std::vector<std::string> ProgramArguments() { return SplitCommandLine(Narrow(GetCommandLineW())); }

void SignalHandlerEvent(const char* name) {
    if (const UniqueHandle event{OpenEventW(EVENT_MODIFY_STATE, FALSE, Widen(name).c_str())}) SetEvent(event.get());
}

}  // namespace kivu
