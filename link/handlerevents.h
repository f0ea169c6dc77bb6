// The Windows side of the handler link: the running program's arguments and
// the named events.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kivu {

// This program's command line split into arguments; element 0 is the program.
std::vector<std::string> ProgramArguments();

// Opens the named event the handler created and sets it; a missing event is ignored.
void SignalHandlerEvent(const char* name);

// A file the handler hands over: kMsgAddFile with an atom (deleted here) or
// WM_COPYDATA with a kCopyDataPath block. False for any other message and
// for an empty or malformed one.
bool TakeArrivedPath(unsigned msg, std::uintptr_t wp, std::intptr_t lp, std::string& path);

}  // namespace kivu
