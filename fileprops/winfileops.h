// The file-system interface on the real Win32 calls.
#pragma once
#include <windows.h>

#include <string>

#include "fileprops/fileops.h"

namespace kivu {

class WinFileOps : public FileOps {
public:
    bool Move(const std::string& from, const std::string& to) override;
    std::vector<std::string> ListFolder(const std::string& folder) override;
    uint32_t GetAttributes(const std::string& path) override;
    bool SetAttributes(const std::string& path, uint32_t bits) override;
    bool GetLastWrite(const std::string& path, FileStamp& lastWrite) override;
    FileHandle OpenForStampRead(const std::string& path) override;
    FileHandle OpenForStampWrite(const std::string& path) override;
    bool GetStamps(FileHandle file, FileStamps& stamps) override;
    bool SetStamps(FileHandle file, const FileStamp* creation, const FileStamp* lastAccess,
                   const FileStamp* lastWrite) override;
    void Close(FileHandle file) override;
    bool ToLocal(FileStamp utc, FileStamp& local) override;
    bool ToUtc(FileStamp local, FileStamp& utc) override;
    bool ToCalendar(FileStamp stamp, CalTime& time) override;
    bool FromCalendar(const CalTime& time, FileStamp& stamp) override;
    void Beep(unsigned type) override;
};

// Between the date pickers' SYSTEMTIME and CalTime.
CalTime ToCalTime(const SYSTEMTIME& st);
SYSTEMTIME ToSystemTime(const CalTime& t);

FILETIME ToFileTime(FileStamp stamp);
FileStamp ToStamp(const FILETIME& ft);

}  // namespace kivu
