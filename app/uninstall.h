// Removing the whole extension from the system: the handler's registrations,
// the settings, the files in the Windows directory and the autostart entry.
#pragma once

#include <string>

namespace kivu {

// The handler's registration notes the keys above its own that it had to
// create (a fresh system has no "Drive\\shellex") in this value of its class
// key, joined by "|", so that removing it takes exactly those along.
constexpr const char* kCreatedKeysValue = "CreatedKeys";
// Deletes each listed key of HKEY_CLASSES_ROOT that is empty, deepest first.
void DeleteRecordedKeys(const std::string& list);

// Asks first; on Yes removes everything. A refused registry write raises the
// registry error after the earlier removals (the caller shows it).
void Uninstall();

}  // namespace kivu
