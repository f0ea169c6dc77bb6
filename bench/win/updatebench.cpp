// Figures of the live update's download under Wine, against the local test
// server (KIVU_TEST_SERVER, started by tools/bench.sh):
//   - throughput of `kivuutil 10` (its download, from the temporary file's
//     appearance to the archive in place) against a bare Winsock loop doing
//     the same GET into a file, in one run, best of five rounds each;
//   - how many progress notifications the client gives for it;
//   - the peak memory of the kivuutil process for each size.
//   updatebench [megabytes ...]      (default 10 200)
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "common/reg.h"
#include "tests/win/support/testserver.h"
#include "tests/win/support/winsupport.h"
#include "tools/standin.h"
#include "update/httpclient.h"
#include "update/releasearchive.h"

using namespace testsupport;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string ArchiveTarget(uint64_t size) { return "/pub/simtelnet/win95/desktop/kivu320.zip?size=" + std::to_string(size); }

// The same GET as plainly as Winsock allows: blocking socket, 64 KiB reads,
// every body byte written to the file as it comes.
double BareLoop(uint64_t size, const std::string& path) {
    const auto start = Clock::now();
    const std::string authority = TestServer::Authority();
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<u_short>(std::stoi(authority.substr(authority.find(':') + 1))));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to);
    const std::string request = "GET " + ArchiveTarget(size) + " HTTP/1.0\r\nHost: " + authority + "\r\n\r\n";
    send(s, request.data(), static_cast<int>(request.size()), 0);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::vector<char> buf(65536);
    std::string head;
    bool inBody = false;
    for (int n; (n = recv(s, buf.data(), static_cast<int>(buf.size()), 0)) > 0;) {
        DWORD written = 0;
        if (inBody) {
            WriteFile(file, buf.data(), static_cast<DWORD>(n), &written, nullptr);
            continue;
        }
        head.append(buf.data(), static_cast<size_t>(n));
        const size_t end = head.find("\r\n\r\n");
        if (end == std::string::npos) continue;
        inBody = true;
        WriteFile(file, head.data() + end + 4, static_cast<DWORD>(head.size() - end - 4), &written, nullptr);
    }
    CloseHandle(file);
    closesocket(s);
    WSACleanup();
    return Seconds(Clock::now() - start);
}

// The client alone, in this process: its time and how many notifications it gave.
double ClientAlone(uint64_t size, const std::string& path, uint64_t& notifications) {
    kivu::HttpClient client;
    notifications = 0;
    client.onPacket = [&](uint64_t) { ++notifications; };
    const auto start = Clock::now();
    client.GetToFile("http://" + TestServer::Authority() + ArchiveTarget(size), path);
    return Seconds(Clock::now() - start);
}

struct Run {
    double seconds = 0;          // the download: from its temporary file to the archive in place
    double fromOk = 0;           // from the save dialog's OK to the archive in place
    SIZE_T peakWorkingSet = 0;   // the highest the process reported
    SIZE_T peakPrivate = 0;
    uint64_t saved = 0;
};

// `kivuutil 10` through the stand-in: the save dialog answered with path.
Run Kivuutil(uint64_t size, const std::string& path) {
    Run run;
    TestServer::SetQuery("<html>" + ReleaseLink(ArchiveTarget(size).substr(29)) + "x</A></html>");
    standin::Handler handler(ExeDir() + "kivuutil.exe");
    handler.Start("10");
    HWND dialog = nullptr;
    WaitUntil([&] {
        for (HWND w : FindTopWindows("#32770", nullptr, handler.ProcessId()))
            if (IsWindowVisible(w) && GetDlgItem(w, 0x47C)) dialog = w;
        return dialog != nullptr;
    }, std::chrono::seconds(30));
    if (!dialog) return run;
    HWND edit = FindChild(dialog, "Edit");
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    const auto start = Clock::now();
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    // The download starts when its temporary file appears beside the target
    // and ends when the archive is put in place. Looked at every 3 ms, the
    // memory every 30 ms: more often would load the Wine server that the
    // download itself needs.
    const std::string folder = path.substr(0, path.find_last_of('\\') + 1);
    std::optional<Clock::time_point> downloading;
    PROCESS_MEMORY_COUNTERS counters{};
    for (int turn = 0; !handler.WaitExit(3); ++turn) {
        if (!downloading) {
            WIN32_FIND_DATAA fd;
            HANDLE h = FindFirstFileA((folder + "kiv*.tmp").c_str(), &fd);
            if (h != INVALID_HANDLE_VALUE) {
                FindClose(h);
                downloading = Clock::now();
            }
        } else if (run.seconds == 0 && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            run.seconds = Seconds(Clock::now() - *downloading);
            run.fromOk = Seconds(Clock::now() - start);
        }
        if (turn % 10 == 0 && GetProcessMemoryInfo(handler.Process(), &counters, sizeof counters)) {
            run.peakWorkingSet = std::max(run.peakWorkingSet, counters.PeakWorkingSetSize);
            run.peakPrivate = std::max(run.peakPrivate, counters.PeakPagefileUsage);
        }
    }
    run.saved = FileSize(path);
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    if (TestServer::Authority().empty()) {
        std::fprintf(stderr, "KIVU_TEST_SERVER is not set (tools/bench.sh starts the server)\n");
        return 2;
    }
    std::vector<uint64_t> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::strtoull(argv[i], nullptr, 10));
    if (sizes.empty()) sizes = {10, 200};
    kivu::WriteRegString(HKEY_CURRENT_USER, kivu::kUpdateKey, kivu::kUpdateHostValue, TestServer::Authority());
    TempDir dir;
    const std::string path = dir.path() + "kivu320.zip";
    constexpr int kRounds = 5;  // the machine is shared: the best round counts
    for (uint64_t mb : sizes) {
        const uint64_t size = mb * 1000 * 1000;
        double bare = 1e9, alone = 1e9;
        uint64_t notifications = 0;
        Run run;
        run.seconds = 1e9;
        for (int round = 0; round < kRounds; ++round) {
            bare = std::min(bare, BareLoop(size, path));
            DeleteFileA(path.c_str());
            alone = std::min(alone, ClientAlone(size, path, notifications));
            DeleteFileA(path.c_str());
            const Run r = Kivuutil(size, path);
            DeleteFileA(path.c_str());
            if (r.seconds > 0 && r.seconds < run.seconds) {
                run.seconds = r.seconds;
                run.fromOk = r.fromOk;
            }
            run.peakWorkingSet = std::max(run.peakWorkingSet, r.peakWorkingSet);
            run.peakPrivate = std::max(run.peakPrivate, r.peakPrivate);
            run.saved = r.saved;
        }
        const double mbps = static_cast<double>(size) / 1e6;
        std::printf("%llu MB: bare Winsock loop %.3f s (%.0f MB/s); client alone %.3f s (%.0f MB/s, %llu progress "
                    "notifications); kivuutil 10 %.3f s (%.0f MB/s; %.3f s from the save dialog's OK; saved %llu "
                    "bytes)\n",
                    static_cast<unsigned long long>(mb), bare, mbps / bare, alone, mbps / alone,
                    static_cast<unsigned long long>(notifications), run.seconds, mbps / run.seconds, run.fromOk,
                    static_cast<unsigned long long>(run.saved));
        std::printf("%llu MB: throughput kivuutil / bare loop = %.2f (%.2f counted from the save dialog's OK); "
                    "kivuutil peak working set %.1f MB, peak private %.1f MB\n",
                    static_cast<unsigned long long>(mb), bare / run.seconds, bare / run.fromOk,
                    run.peakWorkingSet / 1048576.0, run.peakPrivate / 1048576.0);
    }
    return 0;
}
