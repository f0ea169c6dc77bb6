// The few file-system and time calls the properties dialog needs, behind an
// interface so that the list fill and the apply run on a fake in the tests.
// WinFileOps (winfileops.h) is the real one; every member names its Win32 call.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kivu {

// A broken-down calendar time, field for field a SYSTEMTIME.
struct CalTime {
    uint16_t year = 0;
    uint16_t month = 0;
    uint16_t dayOfWeek = 0;
    uint16_t day = 0;
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;
};

// A time stamp: 100-ns intervals since 1 January 1601 (a FILETIME).
using FileStamp = uint64_t;

// The three stamps of a file, in the order GetFileTime reports them.
struct FileStamps {
    FileStamp creation = 0;
    FileStamp lastAccess = 0;
    FileStamp lastWrite = 0;
};

// Attribute bits (the platform's values).
constexpr uint32_t kAttrReadOnly = 0x1;
constexpr uint32_t kAttrHidden = 0x2;
constexpr uint32_t kAttrSystem = 0x4;
constexpr uint32_t kAttrArchive = 0x20;
constexpr uint32_t kInvalidAttributes = 0xFFFFFFFF;  // GetFileAttributesA's failure

// MessageBeep types used here.
constexpr unsigned kBeepDefault = 0;    // the default sound
constexpr unsigned kBeepError = 0x10;   // MB_ICONHAND

// An open file; kNoFile is "could not open".
using FileHandle = std::uintptr_t;
constexpr FileHandle kNoFile = 0;

class FileOps {
public:
    virtual ~FileOps() = default;

    // MoveFileA: false when the target exists or the source is missing.
    virtual bool Move(const std::string& from, const std::string& to) = 0;
    // FindFirstFile / FindNextFile: the names of the files and folders in a
    // folder (given with its trailing backslash); empty when it can't be read.
    virtual std::vector<std::string> ListFolder(const std::string& folder) = 0;
    // GetFileAttributesA: kInvalidAttributes on failure.
    virtual uint32_t GetAttributes(const std::string& path) = 0;
    // SetFileAttributesA: replaces all attributes (0 = none).
    virtual bool SetAttributes(const std::string& path, uint32_t bits) = 0;
    // GetFileAttributesExA: the last write time in UTC without opening the
    // file, so another program that has it open does not stand in the way.
    virtual bool GetLastWrite(const std::string& path, FileStamp& lastWrite) = 0;

    // CreateFileA on an existing file with share mode 0, for reading its stamps.
    virtual FileHandle OpenForStampRead(const std::string& path) = 0;
    // The same for reading and writing its stamps.
    virtual FileHandle OpenForStampWrite(const std::string& path) = 0;
    // GetFileTime: the three stamps in UTC.
    virtual bool GetStamps(FileHandle file, FileStamps& stamps) = 0;
    // SetFileTime: a null pointer leaves that stamp as it is.
    virtual bool SetStamps(FileHandle file, const FileStamp* creation, const FileStamp* lastAccess,
                           const FileStamp* lastWrite) = 0;
    // CloseHandle.
    virtual void Close(FileHandle file) = 0;

    // FileTimeToLocalFileTime / LocalFileTimeToFileTime: the system's current offset.
    virtual bool ToLocal(FileStamp utc, FileStamp& local) = 0;
    virtual bool ToUtc(FileStamp local, FileStamp& utc) = 0;
    // FileTimeToSystemTime / SystemTimeToFileTime: false for an impossible date.
    virtual bool ToCalendar(FileStamp stamp, CalTime& time) = 0;
    virtual bool FromCalendar(const CalTime& time, FileStamp& stamp) = 0;

    // MessageBeep.
    virtual void Beep(unsigned type) = 0;
};

// Closes a file of a FileOps when it goes out of scope.
class OpenFile {
public:
    OpenFile(FileOps& ops, FileHandle file) : ops_(ops), file_(file) {}
    ~OpenFile() { Close(); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    bool IsOpen() const { return file_ != kNoFile; }
    FileHandle Get() const { return file_; }
    void Close() {
        if (file_ != kNoFile) ops_.Close(file_);
        file_ = kNoFile;
    }

private:
    FileOps& ops_;
    FileHandle file_;
};

}  // namespace kivu
