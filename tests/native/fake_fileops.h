// An in-memory file system behind FileOps, with failures to inject, for the
// list fill and apply tests.
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fileprops/fileops.h"

namespace testsupport {

using kivu::CalTime;
using kivu::FileHandle;
using kivu::FileStamp;
using kivu::FileStamps;

constexpr FileStamp kTicksPerSecond = 10000000;

struct FakeFile {
    uint32_t attributes = kivu::kAttrArchive;
    FileStamps stamps;
    bool heldOpen = false;  // another program has it open without sharing
};

class FakeFileOps : public kivu::FileOps {
public:
    std::map<std::string, FakeFile> files;  // by full path

    // Failures to inject, by full path.
    std::set<std::string> failMoveTo;  // the next rename to this path fails (and nothing moves)
    std::set<std::string> failOpen, failGetStamps, failSetStamps, failSetAttributes, failGetAttributes;
    FileStamp failCalendarFrom = UINT64_MAX;  // ToCalendar fails for stamps from here on
    FileStamp localOffset = 3600 * kTicksPerSecond;  // local time = UTC + one hour

    // What happened.
    std::vector<unsigned> beeps;
    struct SetCall {
        std::string path;
        bool creation, lastAccess, lastWrite;
    };
    std::vector<SetCall> setCalls;
    std::vector<std::pair<std::string, std::string>> moves;
    int badCloses = 0;

    FakeFile& Add(const std::string& path, FakeFile file = {}) { return files[path] = file; }
    size_t OpenCount() const { return open_.size(); }

    bool Move(const std::string& from, const std::string& to) override {
        moves.emplace_back(from, to);
        auto it = files.find(from);
        if (it == files.end()) return false;
        if (from == to) return true;
        if (files.count(to) || failMoveTo.erase(to)) return false;
        FakeFile f = it->second;
        files.erase(it);
        files[to] = f;
        return true;
    }
    std::vector<std::string> ListFolder(const std::string& folder) override {
        std::vector<std::string> names;
        for (const auto& [path, file] : files)
            if (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                path.find('\\', folder.size()) == std::string::npos)
                names.push_back(path.substr(folder.size()));
        return names;
    }
    uint32_t GetAttributes(const std::string& path) override {
        auto it = files.find(path);
        if (it == files.end() || failGetAttributes.count(path)) return kivu::kInvalidAttributes;
        return it->second.attributes;
    }
    bool SetAttributes(const std::string& path, uint32_t bits) override {
        auto it = files.find(path);
        if (it == files.end() || failSetAttributes.count(path)) return false;
        it->second.attributes = bits;
        return true;
    }
    // Reads without opening: a file held open by another program answers too.
    bool GetLastWrite(const std::string& path, FileStamp& lastWrite) override {
        auto it = files.find(path);
        if (it == files.end() || failGetStamps.count(path)) return false;
        lastWrite = it->second.stamps.lastWrite;
        return true;
    }
    FileHandle OpenForStampRead(const std::string& path) override { return Open(path); }
    FileHandle OpenForStampWrite(const std::string& path) override { return Open(path); }
    bool GetStamps(FileHandle file, FileStamps& stamps) override {
        auto it = open_.find(file);
        if (it == open_.end() || failGetStamps.count(it->second)) return false;
        stamps = files[it->second].stamps;
        return true;
    }
    bool SetStamps(FileHandle file, const FileStamp* c, const FileStamp* a, const FileStamp* w) override {
        auto it = open_.find(file);
        if (it == open_.end()) return false;
        setCalls.push_back({it->second, c != nullptr, a != nullptr, w != nullptr});
        if (failSetStamps.count(it->second)) return false;
        FileStamps& s = files[it->second].stamps;
        if (c) s.creation = *c;
        if (a) s.lastAccess = *a;
        if (w) s.lastWrite = *w;
        return true;
    }
    void Close(FileHandle file) override {
        if (!open_.erase(file)) ++badCloses;
    }
    bool ToLocal(FileStamp utc, FileStamp& local) override {
        local = utc + localOffset;
        return true;
    }
    bool ToUtc(FileStamp local, FileStamp& utc) override {
        if (local < localOffset) return false;
        utc = local - localOffset;
        return true;
    }
    bool ToCalendar(FileStamp stamp, CalTime& t) override {
        if (stamp >= failCalendarFrom) return false;
        int64_t days = static_cast<int64_t>(stamp / kTicksPerSecond / 86400);
        const auto secs = static_cast<int>(stamp / kTicksPerSecond % 86400);
        // Civil date from days since 1601-01-01 (day 0 was a Monday).
        t = CalTime{};
        t.dayOfWeek = static_cast<uint16_t>((days + 1) % 7);
        int year = 1601;
        for (;;) {
            const int len = Leap(year) ? 366 : 365;
            if (days < len) break;
            days -= len;
            ++year;
        }
        int month = 1;
        while (days >= DaysIn(year, month)) days -= DaysIn(year, month++);
        t.year = static_cast<uint16_t>(year);
        t.month = static_cast<uint16_t>(month);
        t.day = static_cast<uint16_t>(days + 1);
        t.hour = static_cast<uint16_t>(secs / 3600);
        t.minute = static_cast<uint16_t>(secs / 60 % 60);
        t.second = static_cast<uint16_t>(secs % 60);
        t.milliseconds = static_cast<uint16_t>(stamp / 10000 % 1000);
        return true;
    }
    bool FromCalendar(const CalTime& t, FileStamp& stamp) override {
        if (t.year < 1601 || t.year > 30827 || t.month < 1 || t.month > 12 || t.day < 1 ||
            t.day > DaysIn(t.year, t.month) || t.hour > 23 || t.minute > 59 || t.second > 59 || t.milliseconds > 999)
            return false;
        stamp = Stamp(t.year, t.month, t.day, t.hour, t.minute, t.second) + FileStamp(t.milliseconds) * 10000;
        return true;
    }
    void Beep(unsigned type) override { beeps.push_back(type); }

    // The stamp of a calendar moment, without any failure.
    static FileStamp Stamp(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
        int64_t days = 0;
        for (int y = 1601; y < year; ++y) days += Leap(y) ? 366 : 365;
        for (int m = 1; m < month; ++m) days += DaysIn(year, m);
        days += day - 1;
        return (static_cast<FileStamp>(days) * 86400 + hour * 3600 + minute * 60 + second) * kTicksPerSecond;
    }

private:
    static bool Leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
    static int DaysIn(int y, int m) {
        static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        return m == 2 && Leap(y) ? 29 : kDays[m - 1];
    }
    FileHandle Open(const std::string& path) {
        auto it = files.find(path);
        if (it == files.end() || it->second.heldOpen || failOpen.count(path)) return kivu::kNoFile;
        for (const auto& [h, p] : open_)
            if (p == path) return kivu::kNoFile;  // share mode 0
        open_[++lastHandle_] = path;
        return lastHandle_;
    }
    std::map<FileHandle, std::string> open_;
    FileHandle lastHandle_ = 0;
};

}  // namespace testsupport
