#include "tests/win/support/probe.h"

#include <fstream>
#include <sstream>

#include "tests/win/support/winsupport.h"

namespace testsupport {

std::string ProbeExe() { return ExeDir() + "starterprobe.exe"; }

std::vector<ProbeRun> ReadProbeRecord(const std::string& file) {
    std::vector<ProbeRun> runs;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string what;
        DWORD pid = 0;
        words >> what >> pid;
        if (what == "start") {
            ProbeRun run;
            run.pid = pid;
            words >> run.show;
            std::getline(words, run.args);
            if (!run.args.empty() && run.args.front() == ' ') run.args.erase(0, 1);
            runs.push_back(run);
        } else if (what == "end") {
            for (ProbeRun& run : runs)
                if (run.pid == pid) run.ended = true;
        }
    }
    return runs;
}

ProbeRelease::ProbeRelease() {
    static int counter = 0;
    name_ = "KivuProbeRelease" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter);
    event_ = CreateEventA(nullptr, TRUE, FALSE, name_.c_str());
}

ProbeRelease::~ProbeRelease() {
    SetEvent(event_);
    CloseHandle(event_);
}

}  // namespace testsupport
