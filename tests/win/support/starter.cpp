#include "tests/win/support/starter.h"

#include <fstream>
#include <sstream>

#include "common/text.h"
#include "starter/daynumber.h"
#include "tests/win/support/winsupport.h"

namespace testsupport {

using kivu::Narrow;
using kivu::Widen;

namespace {
const std::string kStore = "Software\\KIVU\\Starter";
const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
std::string EntryKey(const std::string& entry) { return entry.empty() ? kStore : kStore + "\\" + entry; }
}  // namespace

std::optional<std::string> RawValue(HKEY root, const std::string& key, const std::string& name) {
    wchar_t buf[1024];
    DWORD size = sizeof buf;
    if (RegGetValueW(root, Widen(key).c_str(), Widen(name).c_str(), RRF_RT_REG_SZ, nullptr, buf, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return Narrow(buf);
}

std::optional<std::string> EntryValue(const std::string& entry, const std::string& name) {
    return RawValue(HKEY_CURRENT_USER, EntryKey(entry), name);
}

namespace {
void SetString(HKEY root, const std::string& key, const std::string& name, const std::string& value) {
    const std::wstring data = Widen(value);
    RegSetKeyValueW(root, Widen(key).c_str(), Widen(name).c_str(), REG_SZ, data.c_str(),
                    static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}
}  // namespace

void SetEntryValue(const std::string& entry, const std::string& name, const std::string& value) {
    SetString(HKEY_CURRENT_USER, EntryKey(entry), name, value);
}

std::optional<std::string> Autostart() { return RawValue(HKEY_LOCAL_MACHINE, kRun, "KIVUStarter"); }

void SetAutostart(const std::string& command) {
    SetString(HKEY_LOCAL_MACHINE, kRun, "KIVUStarter", command);
}

bool StoreExists() {
    HKEY h;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Widen(kStore).c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
}

void ClearStore() {
    RegDeleteTreeW(HKEY_CURRENT_USER, Widen(kStore).c_str());
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, Widen(kRun).c_str(), L"KIVUStarter");
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
        } else if (what == "program" || what == "arg") {
            std::string text;
            std::getline(words, text);
            if (!text.empty() && text.front() == ' ') text.erase(0, 1);
            for (ProbeRun& run : runs) {
                if (run.pid != pid) continue;
                if (what == "arg") run.argv.push_back(text);
                else run.program = text;
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
    event_ = CreateEventW(nullptr, TRUE, FALSE, Widen(name_).c_str());
}

ProbeRelease::~ProbeRelease() {
    SetEvent(event_);
    CloseHandle(event_);
}

}  // namespace testsupport
