// The probe program that the starter's tests have started: where it is and
// what it recorded.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace testsupport {

// starterprobe.exe beside the test program.
std::string ProbeExe();

// One start of the probe as it recorded it.
struct ProbeRun {
    DWORD pid = 0;
    int show = -1;     // the show command it was given, -1 for none
    std::string args;  // its arguments after the record file
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
