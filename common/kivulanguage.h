// The user-visible texts by number, from the language file in the Windows
// directory, with English as the fallback.
#pragma once
#include <string>

namespace kivu {

constexpr const char* kLanguageFile = "kivulanguage.ini";

// The text of a number in the current language; a text found only in English
// is copied into the current language's section. Empty when neither has it.
std::string GetLangString(int number);

// Forgets the cached language name, so that the next lookup reads it again.
void ClearLangCache();

// True when the current language's section marks itself with ver=1.
bool GetLangVer();

// While one lives, the lookups read each section once instead of opening the
// file for every text: a window that sets a hundred captions reads the file
// twice. Texts copied into the current language are written to the file as
// always.
class LangTextBatch {
public:
    LangTextBatch();
    ~LangTextBatch();
    LangTextBatch(const LangTextBatch&) = delete;
    LangTextBatch& operator=(const LangTextBatch&) = delete;
};

}  // namespace kivu
