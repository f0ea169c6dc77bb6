// The Windows directory, where the program, the handler and their files live.
#pragma once
#include <windows.h>

#include <string>

#include "common/text.h"

namespace kivu {

// Without a trailing backslash; empty when the system gives none that fits a
// path of 255 characters.
inline std::string WindowsDirectory() {
    wchar_t dir[MAX_PATH];
    const UINT n = GetWindowsDirectoryW(dir, 255);
    if (n == 0 || n >= 255) return {};
    std::string s = Narrow(std::wstring_view(dir, n));
    if (s.back() == '\\') s.pop_back();
    return s;
}

}  // namespace kivu
