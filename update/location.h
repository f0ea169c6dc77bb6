// Where a redirect leads: the one piece of address handling the HTTP client
// keeps for itself (WinHTTP splits the addresses). No windows.h: tested natively.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace kivu {

// The address a redirect's "Location" leads to from base (an absolute
// address "scheme://host[:port][/path][?query]"): an address with a scheme
// as it is; "//host/path" with base's scheme; "/path" on base's host; "?query"
// on base's path; anything else beside base's last path part. A fragment is
// dropped. Nothing for an empty location or a base without "://".
std::optional<std::string> ResolveLocation(std::string_view base, std::string_view location);

}  // namespace kivu
