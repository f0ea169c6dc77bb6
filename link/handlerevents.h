// The Windows side of the handler link: the running program's arguments and
// the named events.
#pragma once
#include <string>
#include <vector>

namespace kivu {

// This program's command line split into arguments; element 0 is the program.
std::vector<std::string> ProgramArguments();

// Opens the named event the handler created and sets it; a missing event is ignored.
void SignalHandlerEvent(const char* name);

}  // namespace kivu
