// The bytes of our stored text files and our text (UTF-8). A file in a
// Unicode form starts with a byte-order mark; one without is in the system's
// ANSI code page, as every file was before. The list files stay single-byte
// whenever their text allows it, so an older program reads them unchanged.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace kivu {

enum class StoredForm { SingleByte, Utf8Bom, Utf16LeBom };

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";

StoredForm FormOf(std::string_view bytes);

// The text of a file in a Unicode form, without its mark; nothing for a
// single-byte file. A UTF-16 unit without its pair becomes U+FFFD and an odd
// last byte is dropped.
std::optional<std::string> UnicodeFileText(std::string_view bytes);

// The following convert single-byte files with the system's ANSI code page
// and exist on Windows only.

// A list file: UTF-8 with its mark, otherwise single-byte.
std::string ListFileText(std::string_view bytes);
// The bytes of a list file: single-byte when every character of the text
// goes into the ANSI code page and comes back unchanged, else UTF-8 with its
// mark.
std::string ListFileBytes(std::string_view text);
// The language file: UTF-16LE or UTF-8 with its mark, otherwise single-byte.
std::string LanguageFileText(std::string_view bytes);

}  // namespace kivu
