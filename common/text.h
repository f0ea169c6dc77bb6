// Text inside the program is std::string in one encoding; the system's wide
// (W) functions take UTF-16. Every call at the system's edge converts through
// these two, so that the encoding is chosen in one place.
#pragma once
#include <string>
#include <string_view>

namespace kivu {

// Our text as UTF-16 for a wide call.
std::wstring Widen(std::string_view text);
// A wide call's UTF-16 result as our text.
std::string Narrow(std::wstring_view text);

// A path as the wide file calls take it: one of MAX_PATH characters or more
// in its long form ("\\?\C:\...", "\\?\UNC\server\share\..."), which
// lifts the limit; a shorter one as it is.
std::wstring SystemPath(const std::string& path);

}  // namespace kivu
