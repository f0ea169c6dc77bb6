#include "common/kivulanguage.h"

#include <windows.h>

#include <iterator>
#include <map>
#include <optional>

#include "common/errors.h"
#include "common/profilesection.h"
#include "common/text.h"

namespace kivu {

namespace {

constexpr DWORD kValueBufferSize = 2048;  // the profile functions return at most 2047 characters
std::string cachedLanguage;

// The sections read while a batch lives, by name; an empty entry means the
// section did not fit any buffer and is read one value at a time.
int batchDepth = 0;
std::map<std::string, std::optional<ProfileSection>> batchSections;

std::optional<ProfileSection> ReadSection(const std::string& section) {
    constexpr DWORD kLimit = 1 << 20;
    const std::wstring name = Widen(section);
    const std::wstring file = Widen(kLanguageFile);
    for (DWORD size = 32 * 1024; size <= kLimit; size *= 2) {
        std::wstring block(size, L'\0');
        const DWORD n = GetPrivateProfileSectionW(name.c_str(), block.data(), size, file.c_str());
        // The block's lines keep their zeros through the conversion.
        if (n < size - 2) return ProfileSection(Narrow(std::wstring_view(block.data(), n + 1)));
    }
    return std::nullopt;
}

std::string ReadProfileFile(const std::string& section, const std::string& key, const std::string& def) {
    wchar_t buf[kValueBufferSize];
    const DWORD n = GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(def).c_str(), buf,
                                             static_cast<DWORD>(std::size(buf)), Widen(kLanguageFile).c_str());
    return Narrow(std::wstring_view(buf, n));
}

std::string ReadProfile(const std::string& section, const std::string& key, const std::string& def) {
    if (batchDepth == 0) return ReadProfileFile(section, key, def);
    auto it = batchSections.find(section);
    if (it == batchSections.end()) it = batchSections.emplace(section, ReadSection(section)).first;
    if (!it->second) return ReadProfileFile(section, key, def);
    return it->second->Value(key).value_or(def).substr(0, kValueBufferSize - 1);  // as long as a single read gives
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
        if (text.empty()) return text;
        const std::string stored = ProfileValue(text);
        if (!WritePrivateProfileStringW(Widen(language).c_str(), Widen(key).c_str(), Widen(stored).c_str(),
                                        Widen(kLanguageFile).c_str()))
            throw ProfileError(FormatMessage1("nach %s kann nicht geschrieben werden", kLanguageFile));
        if (const auto it = batchSections.find(language); it != batchSections.end() && it->second)
            it->second->Set(key, stored);
    }
    return text;
}

void ClearLangCache() {
    cachedLanguage.clear();
    batchSections.clear();
}

bool GetLangVer() { return ReadProfile(cachedLanguage, "ver", "0") == "1"; }

LangTextBatch::LangTextBatch() { ++batchDepth; }

LangTextBatch::~LangTextBatch() {
    if (--batchDepth == 0) batchSections.clear();
}

}  // namespace kivu
