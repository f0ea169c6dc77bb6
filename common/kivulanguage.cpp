#include "common/kivulanguage.h"

#include <windows.h>

#include "common/errors.h"

namespace kivu {

namespace {

constexpr DWORD kValueBufferSize = 2048;  // the profile functions return at most 2047 characters
std::string cachedLanguage;

std::string ReadProfile(const std::string& section, const std::string& key, const std::string& def) {
    char buf[kValueBufferSize];
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buf, kValueBufferSize,
                                             kLanguageFile);
    return std::string(buf, n);
}

// The text as it must stand in the file to come back unchanged: the reader
// trims outer blanks and drops one pair of enclosing quotes, so such a text is
// written inside an extra pair of double quotes.
std::string ProfileValue(const std::string& text) {
    if (text.empty()) return text;
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    const bool padded = blank(text.front()) || blank(text.back());
    const bool quoted =
        text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front();
    return padded || quoted ? '"' + text + '"' : text;
}

const std::string& CurrentLanguage() {
    // An empty Current is not cached: every lookup asks for it again.
    if (cachedLanguage.empty()) cachedLanguage = ReadProfile("Language", "Current", "English");
    return cachedLanguage;
}

}  // namespace

std::string GetLangString(int number) {
    const std::string key = std::to_string(number);
    const std::string language = CurrentLanguage();
    std::string text = ReadProfile(language, key, "");
    if (text.empty()) {
        text = ReadProfile("English", key, "");
        if (!text.empty() &&
            !WritePrivateProfileStringA(language.c_str(), key.c_str(), ProfileValue(text).c_str(), kLanguageFile))
            throw ProfileError(FormatMessage1("nach %s kann nicht geschrieben werden", kLanguageFile));
    }
    return text;
}

void ClearLangCache() { cachedLanguage.clear(); }

bool GetLangVer() { return ReadProfile(cachedLanguage, "ver", "0") == "1"; }

}  // namespace kivu
