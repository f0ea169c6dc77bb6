#include <windows.h>

#include <utility>

#include "common/storedtext.h"
#include "common/text.h"

namespace kivu {

namespace {

std::string FromCodePage(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, wide.data(), n);
    return Narrow(wide);
}

// The text in the ANSI code page; nothing when a character has no place
// there (no best fit: "ő" must not come back as "o").
std::optional<std::string> ToCodePage(std::string_view text) {
    const std::wstring wide = Widen(text);
    if (wide.empty()) return std::string();
    const int size = static_cast<int>(wide.size());
    // A UTF-8 system code page holds every character and takes no flags.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* used = utf8 ? nullptr : &usedDefault;
    const int n = WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, nullptr, used);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, flags, wide.data(), size, bytes.data(), n, nullptr, used);
    if (usedDefault) return std::nullopt;
    // The way back must give the same characters.
    const int back = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), n, nullptr, 0);
    std::wstring again(static_cast<size_t>(back > 0 ? back : 0), L'\0');
    if (back <= 0 || MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, again.data(), back) != back || again != wide)
        return std::nullopt;
    return bytes;
}

}  // namespace

std::string ListFileText(std::string_view bytes) {
    if (FormOf(bytes) == StoredForm::Utf8Bom) return std::string(bytes.substr(kUtf8Bom.size()));
    return FromCodePage(bytes);
}

std::string ListFileBytes(std::string_view text) {
    if (auto bytes = ToCodePage(text)) return std::move(*bytes);
    return std::string(kUtf8Bom) + std::string(text);
}

std::string LanguageFileText(std::string_view bytes) {
    if (auto text = UnicodeFileText(bytes)) return std::move(*text);
    return FromCodePage(bytes);
}

}  // namespace kivu
