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

}  // namespace kivu
