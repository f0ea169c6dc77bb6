#include "ui/filedialog.h"

#include <commdlg.h>

#include <vector>

#include "common/systemlib.h"
#include "common/text.h"

namespace ui {

std::string FilterForSystem(const std::string& filter) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t bar = filter.find('|', start);
        parts.push_back(filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    std::string out;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        out += parts[i].empty() ? parts[i + 1] : parts[i];
        out += '\0';
        out += parts[i + 1];
        out += '\0';
    }
    out += '\0';
    return out;
}

bool FileDialog::Execute(HWND owner) {
    constexpr size_t kNameBuffer = 1024;
    std::vector<wchar_t> name(kNameBuffer, L'\0');
    kivu::Widen(fileName).copy(name.data(), kNameBuffer - 1);
    const std::wstring systemFilter = kivu::Widen(FilterForSystem(filter));
    const std::wstring dir = kivu::Widen(initialDir), caption = kivu::Widen(title);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.empty() ? nullptr : systemFilter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(kNameBuffer);
    ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
    ofn.lpstrTitle = caption.empty() ? nullptr : caption.c_str();
    ofn.Flags = options | OFN_EXPLORER;
    using Chooser = BOOL(WINAPI*)(LPOPENFILENAMEW);
    const auto run = kivu::SystemFunction<Chooser>("comdlg32.dll", kind_ == Kind::Save ? "GetSaveFileNameW"
                                                                                       : "GetOpenFileNameW");
    const BOOL chosen = run(&ofn);
    if (!chosen) return false;
    fileName = kivu::Narrow(name.data());
    return true;
}

}  // namespace ui
