#include "common/convert.h"

#include "common/errors.h"

namespace kivu {

std::optional<int32_t> TryStrToInt(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < text.size() && text[i] == '$') {
        hex = true;
        ++i;
    }
    if (i == text.size()) return std::nullopt;
    uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return std::nullopt;
        value = value * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
        if (value > 0xFFFFFFFFull) return std::nullopt;
    }
    if (hex) {
        // Hexadecimal text names the 32 bits themselves.
        auto bits = static_cast<uint32_t>(value);
        if (negative) bits = 0u - bits;
        return static_cast<int32_t>(bits);
    }
    if (negative) {
        if (value > 0x80000000ull) return std::nullopt;
        return static_cast<int32_t>(-static_cast<int64_t>(value));
    }
    if (value > 0x7FFFFFFFull) return std::nullopt;
    return static_cast<int32_t>(value);
}

int32_t StrToInt(std::string_view text) {
    if (auto v = TryStrToInt(text)) return *v;
    throw ConvertError("'" + std::string(text) + "' ist kein gültiger Integerwert");
}

std::string IntToStr(int64_t value) { return std::to_string(value); }

}  // namespace kivu
