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
            !WritePrivateProfileStringA(language.c_str(), key.c_str(), text.c_str(), kLanguageFile))
            throw ProfileError(FormatMessage1("nach %s kann nicht geschrieben werden", kLanguageFile));
    }
    return text;
}

void ClearLangCache() { cachedLanguage.clear(); }

bool GetLangVer() { return ReadProfile(cachedLanguage, "ver", "0") == "1"; }

}  // namespace kivu
