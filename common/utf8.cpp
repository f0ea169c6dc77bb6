#include "common/utf8.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace kivu::utf8 {

namespace {

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Lower-case letters and their upper case: every character from first to last
// (every second one when step is 2) becomes itself + delta.
struct UpperRun {
    char16_t first;
    char16_t last;
    int16_t delta;
    uint8_t step;
};

// Sorted by first; the simple upper-case mapping of these blocks where it goes
// both ways, as the system's: a letter whose upper case has another lower
// case (µ, final ς, ϐ, ǅ, ...) stays itself, and so do ı and ſ: no character
// outside ASCII becomes an ASCII letter, and none changes its UTF-8 length.
constexpr UpperRun kUpperRuns[] = {
    {0x00E0, 0x00F6, -32, 1},
    {0x00F8, 0x00FE, -32, 1},
    {0x00FF, 0x00FF, 0x0178 - 0x00FF, 1},  // ÿ
    {0x0101, 0x012F, -1, 2},
    {0x0133, 0x0137, -1, 2},
    {0x013A, 0x0148, -1, 2},
    {0x014B, 0x0177, -1, 2},
    {0x017A, 0x017E, -1, 2},
    {0x0180, 0x0180, 0x0243 - 0x0180, 1},
    {0x0183, 0x0185, -1, 2},
    {0x0188, 0x0188, -1, 1},
    {0x018C, 0x018C, -1, 1},
    {0x0192, 0x0192, -1, 1},
    {0x0195, 0x0195, 0x01F6 - 0x0195, 1},
    {0x0199, 0x0199, -1, 1},
    {0x019A, 0x019A, 0x023D - 0x019A, 1},
    {0x019E, 0x019E, 0x0220 - 0x019E, 1},
    {0x01A1, 0x01A5, -1, 2},
    {0x01A8, 0x01A8, -1, 1},
    {0x01AD, 0x01AD, -1, 1},
    {0x01B0, 0x01B0, -1, 1},
    {0x01B4, 0x01B6, -1, 2},
    {0x01B9, 0x01B9, -1, 1},
    {0x01BD, 0x01BD, -1, 1},
    {0x01BF, 0x01BF, 0x01F7 - 0x01BF, 1},
    {0x01C6, 0x01C6, -2, 1},
    {0x01C9, 0x01C9, -2, 1},
    {0x01CC, 0x01CC, -2, 1},
    {0x01CE, 0x01DC, -1, 2},
    {0x01DD, 0x01DD, 0x018E - 0x01DD, 1},
    {0x01DF, 0x01EF, -1, 2},
    {0x01F3, 0x01F3, -2, 1},
    {0x01F5, 0x01F5, -1, 1},
    {0x01F9, 0x021F, -1, 2},
    {0x0223, 0x0233, -1, 2},
    {0x023C, 0x023C, -1, 1},
    {0x0242, 0x0242, -1, 1},
    {0x0247, 0x024F, -1, 2},
    {0x0371, 0x0373, -1, 2},
    {0x0377, 0x0377, -1, 1},
    {0x037B, 0x037D, 0x03FD - 0x037B, 1},
    {0x03AC, 0x03AC, 0x0386 - 0x03AC, 1},  // ά
    {0x03AD, 0x03AF, 0x0388 - 0x03AD, 1},  // έ ή ί
    {0x03B1, 0x03C1, -32, 1},
    {0x03C3, 0x03CB, -32, 1},
    {0x03CC, 0x03CC, 0x038C - 0x03CC, 1},  // ό
    {0x03CD, 0x03CE, 0x038E - 0x03CD, 1},  // ύ ώ
    {0x03D7, 0x03D7, 0x03CF - 0x03D7, 1},
    {0x03D9, 0x03EF, -1, 2},
    {0x03F2, 0x03F2, 0x03F9 - 0x03F2, 1},
    {0x03F3, 0x03F3, 0x037F - 0x03F3, 1},
    {0x03F8, 0x03F8, -1, 1},
    {0x03FB, 0x03FB, -1, 1},
    {0x0430, 0x044F, -32, 1},
    {0x0450, 0x045F, -80, 1},
    {0x0461, 0x0481, -1, 2},
    {0x048B, 0x04BF, -1, 2},
    {0x04C2, 0x04CE, -1, 2},
    {0x04CF, 0x04CF, 0x04C0 - 0x04CF, 1},
    {0x04D1, 0x052F, -1, 2},
    {0x0561, 0x0586, -48, 1},
    {0x1E01, 0x1E95, -1, 2},
    {0x1EA1, 0x1EFF, -1, 2},
    {0x214E, 0x214E, 0x2132 - 0x214E, 1},
    {0x2170, 0x217F, -16, 1},
    {0x2184, 0x2184, -1, 1},
    {0x24D0, 0x24E9, -26, 1},
    {0xA641, 0xA66D, -1, 2},
    {0xA681, 0xA69B, -1, 2},
    {0xFF41, 0xFF5A, -32, 1},
};

}  // namespace

char32_t NextOrByte(std::string_view text, size_t& at) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const size_t left = text.size() - at;
    const unsigned char b = s[at];
    if (b < 0x80) {
        ++at;
        return b;
    }
    // Length and the range of the second byte, which rules out overlong
    // forms, surrogates and values past U+10FFFF.
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    char32_t c = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        c = b & 0x0F;
        if (b == 0xE0) low = 0xA0;
        if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        c = b & 0x07;
        if (b == 0xF0) low = 0x90;
        if (b == 0xF4) high = 0x8F;
    }
    if (length == 0 || left < length || s[at + 1] < low || s[at + 1] > high) {
        ++at;
        return kInvalidByte + b;
    }
    for (size_t i = 1; i < length; ++i) {
        if (!IsContinuation(s[at + i])) {
            ++at;
            return kInvalidByte + b;
        }
        c = (c << 6) | (s[at + i] & 0x3F);
    }
    at += length;
    return c;
}

char32_t Next(std::string_view text, size_t& at) {
    const char32_t c = NextOrByte(text, at);
    return c >= kInvalidByte ? kReplacement : c;
}

void Append(std::string& out, char32_t c) {
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacement;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

size_t Length(std::string_view text) {
    size_t n = 0;
    for (size_t at = 0; at < text.size(); ++n) NextOrByte(text, at);
    return n;
}

size_t Utf16Length(std::string_view text) {
    size_t n = 0;
    for (size_t at = 0; at < text.size();) n += Next(text, at) > 0xFFFF ? 2 : 1;
    return n;
}

size_t OffsetOf(std::string_view text, size_t index) {
    size_t at = 0;
    for (; index > 0 && at < text.size(); --index) NextOrByte(text, at);
    return at;
}

std::string_view Head(std::string_view text, size_t count) { return text.substr(0, OffsetOf(text, count)); }

std::string_view HeadUtf16(std::string_view text, size_t units) {
    size_t at = 0;
    while (at < text.size()) {
        size_t next = at;
        const size_t width = Next(text, next) > 0xFFFF ? 2 : 1;
        if (width > units) break;
        units -= width;
        at = next;
    }
    return text.substr(0, at);
}

char32_t UpperWide(char32_t c) {
    if (c < 0x80) return Upper(c);
    if (c > 0xFFFF) return c;
    const auto run = std::upper_bound(std::begin(kUpperRuns), std::end(kUpperRuns), c,
                                      [](char32_t v, const UpperRun& r) { return v < r.first; });
    if (run == std::begin(kUpperRuns)) return c;
    const UpperRun& r = *std::prev(run);
    if (c > r.last || (c - r.first) % r.step != 0) return c;
    return static_cast<char32_t>(static_cast<int32_t>(c) + r.delta);
}

std::string ToUpper(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const size_t from = at;
        const char32_t c = NextOrByte(text, at);
        const char32_t u = Upper(c);
        if (u == c) out.append(text.substr(from, at - from));
        else Append(out, u);
    }
    return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;  // upper case keeps every character's byte length
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size())
        if (Upper(NextOrByte(a, i)) != Upper(NextOrByte(b, j))) return false;
    return i == a.size() && j == b.size();
}

}  // namespace kivu::utf8
