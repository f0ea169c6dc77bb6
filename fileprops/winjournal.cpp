#include "fileprops/winjournal.h"

#include <windows.h>

#include "common/text.h"

namespace kivu {

std::string UserJournalPath() {
    wchar_t base[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", base, MAX_PATH);
    const std::string folder = (n > 0 && n < MAX_PATH ? Narrow(base) : std::string(".")) + "\\kivu";
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
    return folder + "\\rename.journal";
}

WinJournal::WinJournal(std::string path) : path_(path.empty() ? UserJournalPath() : std::move(path)) {}

bool WinJournal::Begin(const std::string& text) {
    // Others may read it meanwhile (the tests watch it grow), nobody writes it.
    file_.reset(CreateFileW(Widen(path_).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    return file_ && Append(text);
}

bool WinJournal::Append(const std::string& text) {
    // Each line reaches the disk before its step is taken: neither a killed
    // process nor a lost machine loses a step that was taken.
    DWORD written = 0;
    return file_ && WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size() && FlushFileBuffers(file_.get());
}

std::string WinJournal::Load() {
    const UniqueFile f(CreateFileW(Widen(path_).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string text;
    if (!f) return text;
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(f.get(), buffer, sizeof buffer, &n, nullptr) && n > 0) text.append(buffer, n);
    return text;
}

void WinJournal::Remove() {
    file_.reset();
    DeleteFileW(Widen(path_).c_str());
}

}  // namespace kivu
