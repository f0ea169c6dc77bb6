#include "common/text.h"

#include <windows.h>

namespace kivu {

namespace {
// The encoding of our strings: UTF-8, whatever the system's code page.
constexpr UINT kTextCodePage = CP_UTF8;
}  // namespace

std::wstring Widen(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(kTextCodePage, 0, text.data(), size, nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(kTextCodePage, 0, text.data(), size, out.data(), n);
    return out;
}

std::string Narrow(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(kTextCodePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(kTextCodePage, 0, text.data(), size, out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring SystemPath(const std::string& path) {
    std::wstring wide = Widen(path);
    if (wide.size() < MAX_PATH || wide.starts_with(L"\\\\?\\")) return wide;
    // The long form takes the path as it is: no "." or "..", no "/" and no
    // relative part, so the system's own full form goes in.
    const DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n > 0) {
        std::wstring full(n, L'\0');
        const DWORD got = GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
        if (got > 0 && got < n) wide.assign(full.data(), got);
    }
    if (wide.starts_with(L"\\\\?\\") || wide.starts_with(L"\\\\.\\")) return wide;  // devices stay
    if (wide.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + wide.substr(2);
    return L"\\\\?\\" + wide;
}

}  // namespace kivu
