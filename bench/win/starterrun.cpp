// Timed figures of the starter's automatic run under Wine:
//  - the starter's processor time while a started program runs 10 s;
//  - the wall time of a run over entries of which none is due (one tick of
//    3 s each), and the starter's memory after every tick.
//   starterrun [entries]      (default 50)
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/win/support/starter.h"
#include "tests/win/support/winsupport.h"
#include "tools/standin.h"

namespace {

using Clock = std::chrono::steady_clock;

double CpuMs(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
    const auto ticks = [](FILETIME t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

// Wine reports no memory figures of another process: the Linux process that
// runs it is found by its command line and its figures read from /proc.
std::string ProcDirOf(const std::string& exePath, const std::string& arguments) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA("Z:\\proc\\*", &found);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::string dir;
    do {
        const std::string name = found.cFileName;
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream in("Z:\\proc\\" + name + "\\cmdline", std::ios::binary);
        std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (char& c : line)
            if (c == '\0') c = ' ';
        if (line.find(exePath) != std::string::npos && line.find(arguments) != std::string::npos)
            dir = "Z:\\proc\\" + name + "\\";
    } while (dir.empty() && FindNextFileA(h, &found));
    FindClose(h);
    return dir;
}

// A "Vm...:" figure in KB from a /proc status file, -1 when missing.
double StatusKb(const std::string& procDir, const std::string& field) {
    std::ifstream in(procDir + "status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field + ":", 0) == 0) return std::atof(line.c_str() + field.size() + 1);
    return -1;
}

void CpuWhileAProgramRuns() {
    testsupport::ClearStore();
    testsupport::TempDir dir;
    const std::string record = dir.path() + "record.txt";
    testsupport::SetEntryValue("", "Copyright", "x");
    testsupport::SetEntryValue("ten", "Pfad", testsupport::ProbeExe());
    testsupport::SetEntryValue("ten", "Parameter", record + " --sleep 10000");
    standin::Handler handler(testsupport::ExeDir() + "kivuutil.exe");
    const auto start = Clock::now();
    if (!handler.Start("3 start")) return;
    // Waits here neither pump messages nor poll: under Wine a watcher that
    // does shows up in the processor time of the watched process.
    while (testsupport::ReadProbeRecord(record).empty() && WaitForSingleObject(handler.Process(), 50) == WAIT_TIMEOUT) {
    }
    const auto runs = testsupport::ReadProbeRecord(record);
    if (runs.empty()) return;
    HANDLE program = OpenProcess(SYNCHRONIZE, FALSE, runs[0].pid);
    const double before = CpuMs(handler.Process());
    const auto programStart = Clock::now();
    WaitForSingleObject(program, 30000);
    CloseHandle(program);
    const double during = CpuMs(handler.Process()) - before;
    const double programSeconds = std::chrono::duration<double>(Clock::now() - programStart).count();
    DWORD code = 1;
    handler.WaitExit(30000, &code);
    const double total = CpuMs(handler.Process());
    std::printf("program of 10 s: it ran %.1f s; the starter used %.1f ms of processor time meanwhile, "
                "%.1f ms in all over %.1f s (exit code %lu)\n",
                programSeconds, during, total, std::chrono::duration<double>(Clock::now() - start).count(), code);
    testsupport::ClearStore();
}

void RunOverEntriesNotDue(int count) {
    testsupport::ClearStore();
    testsupport::SetEntryValue("", "Copyright", "x");
    const std::string today = std::to_string(testsupport::TodayNumber());
    char name[32];
    for (int i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "entry%03d", i);
        testsupport::SetEntryValue(name, "Pfad", "C:\\nowhere\\never.exe");
        testsupport::SetEntryValue(name, "Datum", today);
    }
    standin::Handler handler(testsupport::ExeDir() + "kivuutil.exe");
    const auto start = Clock::now();
    if (!handler.Start("3 start")) return;
    HWND window = handler.FindWindowOf("Tstarterform", 10000);
    const std::string proc = ProcDirOf(testsupport::ExeDir() + "kivuutil.exe", "3 start");
    // One memory figure per tick: the caption names the entry of the tick.
    // The watcher sleeps between looks (see above).
    std::string caption;
    int ticks = 0;
    std::vector<double> rss, data;
    DWORD code = 1;
    while (!handler.WaitExit(20, &code)) {
        const std::string now = testsupport::WindowText(window);
        if (now == caption || now.rfind("KIVU Starter - ", 0) != 0) continue;
        caption = now;
        ++ticks;
        rss.push_back(StatusKb(proc, "VmRSS"));
        data.push_back(StatusKb(proc, "VmData"));
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("automatic run over %d entries, none due: %.1f s wall time, %d ticks seen, exit code %lu\n", count,
                seconds, ticks, code);
    const auto report = [&](const char* what, const std::vector<double>& kb) {
        if (kb.size() < 2) return;
        const size_t half = kb.size() / 2;
        std::printf("%s after each tick: first %.0f KB, tick %zu %.0f KB, last %.0f KB, highest %.0f KB; "
                    "%+.2f KB per tick over the second half\n",
                    what, kb.front(), half + 1, kb[half], kb.back(), *std::max_element(kb.begin(), kb.end()),
                    (kb.back() - kb[half]) / static_cast<double>(kb.size() - 1 - half));
    };
    report("resident memory (VmRSS)", rss);
    report("data memory (VmData)", data);
    testsupport::ClearStore();
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 50;
    CpuWhileAProgramRuns();
    RunOverEntriesNotDue(count);
    return 0;
}
