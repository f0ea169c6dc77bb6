// Our strings are UTF-8: read, counted and cut by characters here. Bytes
// that are no valid UTF-8 never stop the work: each one counts as one
// character of its own (U+FFFD), nothing reads past the end and every step
// moves on by at least one byte.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace kivu::utf8 {

constexpr char32_t kReplacement = 0xFFFD;

// The character that starts at byte `at` (below text.size()); `at` moves past
// it. An invalid or cut-off sequence gives kReplacement and moves one byte.
char32_t Next(std::string_view text, size_t& at);
// Like Next, but an invalid byte b gives kInvalidByte + b: apart from every
// character and from every other byte, for comparing texts as they are.
constexpr char32_t kInvalidByte = 0x110000;
char32_t NextOrByte(std::string_view text, size_t& at);

// Appends c in UTF-8; a surrogate or a value past U+10FFFF as kReplacement.
void Append(std::string& out, char32_t c);

// How many characters text holds.
size_t Length(std::string_view text);
// How many UTF-16 units text takes in a wide call.
size_t Utf16Length(std::string_view text);

// The byte where character `index` (0-based) starts; text.size() past the end.
size_t OffsetOf(std::string_view text, size_t index);
// The first `count` characters of text.
std::string_view Head(std::string_view text, size_t count);
// The longest start of text that takes at most `units` UTF-16 units.
std::string_view HeadUtf16(std::string_view text, size_t units);

// The simple upper case of one UTF-16 unit, the way the file system compares
// names: ASCII, Latin-1, Latin Extended-A/B and Additional, Greek, Cyrillic,
// Armenian, Roman numerals, circled and fullwidth Latin. Characters beyond
// U+FFFF stay as they are.
char32_t UpperWide(char32_t c);
inline char32_t Upper(char32_t c) {
    if (c < 0x80) return c >= 'a' && c <= 'z' ? c - 32 : c;
    return UpperWide(c);
}

// text with every character in upper case (invalid bytes are kept as they are).
std::string ToUpper(std::string_view text);
// Whether a and b are one text once both are in upper case.
bool EqualNoCase(std::string_view a, std::string_view b);

}  // namespace kivu::utf8
