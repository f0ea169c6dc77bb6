#include "config/konfigstore.h"

#include <windows.h>

#include <iterator>

#include "common/convert.h"
#include "common/errors.h"
#include "common/handles.h"
#include "common/kivulanguage.h"
#include "common/reg.h"
#include "common/storedtext.h"
#include "common/text.h"
#include "common/windir.h"

namespace kivu {

namespace {

constexpr DWORD kExpandBuffer = 256;
constexpr DWORD kSectionBuffer = 16384;  // the key list of a profile section

[[noreturn]] void ThrowIoError(DWORD code) {
    throw FileError(FormatMessage1("E/A-Fehler %s", IntToStr(code)));
}

}  // namespace

std::string LoadMenuStatus() { return ReadRegString(HKEY_CURRENT_USER, kMenuKey, "status", DefaultMenuStatus()); }

void SaveMenuStatus(const std::string& status) { WriteRegString(HKEY_CURRENT_USER, kMenuKey, "status", status); }

bool ReadOptionFlag(const std::string& valueName, const std::string& def) {
    return OptionFlagOn(ReadRegString(HKEY_CURRENT_USER, kMenuKey, valueName, def));
}

void WriteOptionFlag(const std::string& valueName, bool on) {
    WriteRegString(HKEY_CURRENT_USER, kMenuKey, valueName, OptionFlagText(on));
}

std::string ReadFolderVerb() { return ReadRegString(HKEY_CLASSES_ROOT, kFolderShellKey, "", "open"); }

void WriteFolderVerb(bool doublePane) {
    WriteRegString(HKEY_CLASSES_ROOT, kFolderShellKey, "", doublePane ? kExploreVerb : "");
}

std::string ListFilePath(const char* fileName) {
    const std::string dir = WindowsDirectory();
    if (dir.empty()) ThrowIoError(ERROR_BUFFER_OVERFLOW);  // no Windows directory that fits a path
    return dir + "\\" + fileName;
}

std::optional<std::string> ReadListFile(const std::string& path) {
    const UniqueFile file(CreateFileW(SystemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return std::nullopt;
        ThrowIoError(code);
    }
    std::string bytes;
    char chunk[64 * 1024];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr)) ThrowIoError(GetLastError());
        if (got == 0) break;
        bytes.append(chunk, got);
    }
    return bytes;
}

void WriteListFile(const std::string& path, const std::string& bytes) {
    if (bytes.empty()) {
        if (!DeleteFileW(SystemPath(path).c_str())) {
            const DWORD code = GetLastError();
            if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND) ThrowIoError(code);
        }
        return;
    }
    const std::string temp = path + ".new";
    DWORD failure = ERROR_SUCCESS;
    {
        UniqueFile file(CreateFileW(SystemPath(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) ThrowIoError(GetLastError());  // nothing written, nothing to clean up
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size() || !FlushFileBuffers(file.get()) || !file.close())
            failure = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    }
    if (failure == ERROR_SUCCESS &&
        !MoveFileExW(SystemPath(temp).c_str(), SystemPath(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        failure = GetLastError();
    if (failure != ERROR_SUCCESS) {
        DeleteFileW(SystemPath(temp).c_str());
        ThrowIoError(failure);
    }
}

std::optional<std::string> ReadListText(const std::string& path) {
    auto bytes = ReadListFile(path);
    if (!bytes) return std::nullopt;
    return ListFileText(*bytes);
}

void WriteListText(const std::string& path, const std::string& text) { WriteListFile(path, ListFileBytes(text)); }

std::vector<std::string> LoadFolders() { return ParseFolders(ReadListText(ListFilePath(kFoldersFile)).value_or("")); }

std::vector<ProgramEntry> LoadPrograms() {
    return ParsePrograms(ReadListText(ListFilePath(kProgramsFile)).value_or(""));
}

std::vector<FtpEntry> LoadFtpSites() { return ParseFtpSites(ReadListText(ListFilePath(kFtpFile)).value_or("")); }

void SaveFolders(const std::vector<std::string>& folders) {
    WriteListText(ListFilePath(kFoldersFile), FormatFolders(folders));
}

void SavePrograms(const std::vector<ProgramEntry>& programs) {
    WriteListText(ListFilePath(kProgramsFile), FormatPrograms(programs));
}

void SaveFtpSites(const std::vector<FtpEntry>& sites) { WriteListText(ListFilePath(kFtpFile), FormatFtpSites(sites)); }

namespace {

// The key names of a section; nothing when they did not fit the buffer.
std::optional<std::vector<std::string>> SectionKeys(const std::string& section) {
    std::wstring buf(kSectionBuffer, L'\0');
    const DWORD n = GetPrivateProfileStringW(Widen(section).c_str(), nullptr, L"", buf.data(), kSectionBuffer,
                                             Widen(kLanguageFile).c_str());
    if (n >= kSectionBuffer - 2) return std::nullopt;
    std::vector<std::string> names;
    for (size_t pos = 0; pos < n;) {
        const size_t end = buf.find(L'\0', pos);
        if (end == pos || end > n) break;
        names.push_back(Narrow(std::wstring_view(buf).substr(pos, end - pos)));
        pos = end + 1;
    }
    return names;
}

}  // namespace

std::vector<std::string> AvailableLanguages() { return SectionKeys("Available").value_or(std::vector<std::string>{}); }

std::string CurrentLanguageSetting() {
    wchar_t buf[2048];
    const DWORD n = GetPrivateProfileStringW(L"Language", L"Current", L"", buf, static_cast<DWORD>(std::size(buf)),
                                             Widen(kLanguageFile).c_str());
    return Narrow(std::wstring_view(buf, n));
}

void SetCurrentLanguage(const std::string& language) {
    if (!WritePrivateProfileStringW(L"Language", L"Current", Widen(language).c_str(), Widen(kLanguageFile).c_str()))
        throw ProfileError(FormatMessage1("nach %s kann nicht geschrieben werden", kLanguageFile));
}

std::optional<std::string> ExpandEnvironment(const std::string& text) {
    wchar_t buf[kExpandBuffer];
    const DWORD n = ExpandEnvironmentStringsW(Widen(text).c_str(), buf, kExpandBuffer);
    if (n == 0 || n > kExpandBuffer) return std::nullopt;
    return Narrow(buf);
}

}  // namespace kivu
