#pragma once

namespace kivu {

// Opens the named event the handler created and sets it; a missing event is ignored.
void SignalHandlerEvent(const char* name);

}  // namespace kivu
