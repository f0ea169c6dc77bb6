#include "tools/standin.h"

#include <windows.h>

#include <iterator>

#include "common/text.h"

namespace standin {

std::string OwnFolder() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
    const std::string s = kivu::Narrow(std::wstring_view(path, n));
    return s.substr(0, s.find_last_of("\\/") + 1);
}

}  // namespace standin
