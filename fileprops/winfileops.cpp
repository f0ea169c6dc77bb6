#include "fileprops/winfileops.h"

#include "common/handles.h"
#include "common/text.h"

namespace kivu {

namespace {

HANDLE ToHandle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

FileHandle Open(const std::string& path, DWORD access) {
    HANDLE h = CreateFileW(SystemPath(path).c_str(), access, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return h == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(h);
}

}  // namespace

FILETIME ToFileTime(FileStamp stamp) {
    return FILETIME{static_cast<DWORD>(stamp & 0xFFFFFFFFu), static_cast<DWORD>(stamp >> 32)};
}

FileStamp ToStamp(const FILETIME& ft) {
    return (static_cast<FileStamp>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

CalTime ToCalTime(const SYSTEMTIME& st) {
    return CalTime{st.wYear, st.wMonth, st.wDayOfWeek, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

SYSTEMTIME ToSystemTime(const CalTime& t) {
    return SYSTEMTIME{t.year, t.month, t.dayOfWeek, t.day, t.hour, t.minute, t.second, t.milliseconds};
}

bool WinFileOps::Move(const std::string& from, const std::string& to) {
    return MoveFileW(SystemPath(from).c_str(), SystemPath(to).c_str()) != FALSE;
}

std::vector<std::string> WinFileOps::ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    const UniqueFind find(FindFirstFileExW(SystemPath(folder + "*").c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) return names;
    do {
        const std::wstring_view name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(Narrow(name));
    } while (FindNextFileW(find.get(), &found));
    return names;
}

uint32_t WinFileOps::GetAttributes(const std::string& path) {
    return GetFileAttributesW(SystemPath(path).c_str());
}

bool WinFileOps::SetAttributes(const std::string& path, uint32_t bits) {
    // FILE_ATTRIBUTE_NORMAL is how "none" is spelled to the system.
    return SetFileAttributesW(SystemPath(path).c_str(), bits == 0 ? FILE_ATTRIBUTE_NORMAL : bits) != FALSE;
}

bool WinFileOps::GetLastWrite(const std::string& path, FileStamp& lastWrite) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(SystemPath(path).c_str(), GetFileExInfoStandard, &data)) return false;
    lastWrite = ToStamp(data.ftLastWriteTime);
    return true;
}

FileHandle WinFileOps::OpenForStampRead(const std::string& path) { return Open(path, GENERIC_READ); }

FileHandle WinFileOps::OpenForStampWrite(const std::string& path) {
    // Writing the stamps needs only the right to write attributes, which a
    // read-only file grants as well.
    return Open(path, GENERIC_READ | FILE_WRITE_ATTRIBUTES);
}

bool WinFileOps::GetStamps(FileHandle file, FileStamps& stamps) {
    FILETIME c, a, w;
    if (!GetFileTime(ToHandle(file), &c, &a, &w)) return false;
    stamps = FileStamps{ToStamp(c), ToStamp(a), ToStamp(w)};
    return true;
}

bool WinFileOps::SetStamps(FileHandle file, const FileStamp* creation, const FileStamp* lastAccess,
                           const FileStamp* lastWrite) {
    FILETIME c{}, a{}, w{};
    if (creation) c = ToFileTime(*creation);
    if (lastAccess) a = ToFileTime(*lastAccess);
    if (lastWrite) w = ToFileTime(*lastWrite);
    return SetFileTime(ToHandle(file), creation ? &c : nullptr, lastAccess ? &a : nullptr,
                       lastWrite ? &w : nullptr) != FALSE;
}

void WinFileOps::Close(FileHandle file) { CloseHandle(ToHandle(file)); }

bool WinFileOps::ToLocal(FileStamp utc, FileStamp& local) {
    const FILETIME in = ToFileTime(utc);
    FILETIME out;
    if (!FileTimeToLocalFileTime(&in, &out)) return false;
    local = ToStamp(out);
    return true;
}

bool WinFileOps::ToUtc(FileStamp local, FileStamp& utc) {
    const FILETIME in = ToFileTime(local);
    FILETIME out;
    if (!LocalFileTimeToFileTime(&in, &out)) return false;
    utc = ToStamp(out);
    return true;
}

bool WinFileOps::ToCalendar(FileStamp stamp, CalTime& time) {
    const FILETIME in = ToFileTime(stamp);
    SYSTEMTIME st;
    if (!FileTimeToSystemTime(&in, &st)) return false;
    time = ToCalTime(st);
    return true;
}

bool WinFileOps::FromCalendar(const CalTime& time, FileStamp& stamp) {
    const SYSTEMTIME st = ToSystemTime(time);
    FILETIME ft;
    if (!SystemTimeToFileTime(&st, &ft)) return false;
    stamp = ToStamp(ft);
    return true;
}

void WinFileOps::Beep(unsigned type) { MessageBeep(type); }

}  // namespace kivu
