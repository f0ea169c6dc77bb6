#include "tests/win/support/starter.h"

#include <fstream>
#include <sstream>

#include "starter/daynumber.h"
#include "tests/win/support/winsupport.h"

namespace testsupport {

namespace {
const std::string kStore = "Software\\KIVU\\Starter";
const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
std::string EntryKey(const std::string& entry) { return entry.empty() ? kStore : kStore + "\\" + entry; }
}  // namespace

std::optional<std::string> RawValue(HKEY root, const std::string& key, const std::string& name) {
    char buf[1024];
    DWORD size = sizeof buf;
    if (RegGetValueA(root, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(buf);
}

std::optional<std::string> EntryValue(const std::string& entry, const std::string& name) {
    return RawValue(HKEY_CURRENT_USER, EntryKey(entry), name);
}

void SetEntryValue(const std::string& entry, const std::string& name, const std::string& value) {
    RegSetKeyValueA(HKEY_CURRENT_USER, EntryKey(entry).c_str(), name.c_str(), REG_SZ, value.c_str(),
                    static_cast<DWORD>(value.size() + 1));
}

std::optional<std::string> Autostart() { return RawValue(HKEY_LOCAL_MACHINE, kRun, "KIVUStarter"); }

void SetAutostart(const std::string& command) {
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, kRun.c_str(), "KIVUStarter", REG_SZ, command.c_str(),
                    static_cast<DWORD>(command.size() + 1));
}

bool StoreExists() {
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kStore.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
}

void ClearStore() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kStore.c_str());
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kRun.c_str(), "KIVUStarter");
}

int32_t TodayNumber() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return kivu::DayNumber(now.wDay, now.wMonth, now.wYear);
}

std::string ProbeExe() { return ExeDir() + "probe_window.exe"; }

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
        } else if (what == "dir") {
            for (ProbeRun& run : runs)
                if (run.pid == pid) {
                    std::getline(words, run.folder);
                    if (!run.folder.empty() && run.folder.front() == ' ') run.folder.erase(0, 1);
                }
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
