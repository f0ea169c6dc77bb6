// What the starter's tests share: its store read and written with the raw
// registry calls, today's day number, and the probe program that they have
// started, with what it recorded.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// A string value, std::nullopt when it or its key is missing.
std::optional<std::string> RawValue(HKEY root, const std::string& key, const std::string& name);
// A value of a starter entry (of the store key itself for entry "").
std::optional<std::string> EntryValue(const std::string& entry, const std::string& name);
void SetEntryValue(const std::string& entry, const std::string& name, const std::string& value);
// The autostart value, std::nullopt when missing.
std::optional<std::string> Autostart();
void SetAutostart(const std::string& command);
bool StoreExists();
// Removes the whole store and the autostart.
void ClearStore();

int32_t TodayNumber();

// The window probe beside the test program.
std::string ProbeExe();

// One start of the probe as it recorded it.
struct ProbeRun {
    DWORD pid = 0;
    int show = -1;     // the show command it was given, -1 for none
    std::string args;  // its arguments after the record file
    std::string folder;  // its current directory
    std::string program;  // the program as its command line names it
    std::vector<std::string> argv;  // its arguments after the record file, one by one
    bool ended = false;
};
std::vector<ProbeRun> ReadProbeRecord(const std::string& file);

// A named event that probes started with "--until NAME" wait for; set (and
// so every such probe ended) at the latest when the object goes.
class ProbeRelease {
public:
    ProbeRelease();
    ~ProbeRelease();
    ProbeRelease(const ProbeRelease&) = delete;
    ProbeRelease& operator=(const ProbeRelease&) = delete;
    const std::string& Name() const { return name_; }
    void Set() { SetEvent(event_); }

private:
    std::string name_;
    HANDLE event_;
};

}  // namespace testsupport
