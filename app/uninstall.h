// Removing the whole extension from the system: the handler's registrations,
// the settings, the files in the Windows directory and the autostart entry.
#pragma once

namespace kivu {

// Asks first; on Yes removes everything. A refused registry write raises the
// registry error after the earlier removals (the caller shows it).
void Uninstall();

}  // namespace kivu
