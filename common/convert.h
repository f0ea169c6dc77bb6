// The runtime's integer conversions, shared by the mode dispatch, the name
// patterns and the forms.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kivu {

// Strict conversion to a 32-bit integer: leading blanks, then an optional sign,
// then decimal digits or "$" followed by hexadecimal digits; nothing may follow.
// Hexadecimal text is read as 32 bits, so "$FFFFFFFF" is -1.
std::optional<int32_t> TryStrToInt(std::string_view text);

// As TryStrToInt, but raises ConvertError "'<text>' ist kein gültiger Integerwert".
int32_t StrToInt(std::string_view text);

// The decimal text of a number, "-" in front when negative.
std::string IntToStr(int64_t value);

}  // namespace kivu
