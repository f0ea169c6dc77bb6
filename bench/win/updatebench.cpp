// Figures of the live update's download under Wine, against the local test
// server (started by tools/bench.sh), for each size over http and https:
//   - a bare blocking socket reader (http) and a bare synchronous WinHTTP
//     loop, each doing the same GET into a file, in the same run;
//   - the client alone in this process (with and without the SHA-256 taken
//     as the bytes come);
//   - `kivuutil 10` (its download, from the temporary file's appearance to
//     the archive in place), without and with a digest offered, and its peak
//     private memory;
// best of three rounds each (the machine is shared).
//   updatebench [megabytes ...]      (default 10 200)
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>
#include <winhttp.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/reg.h"
#include "tests/win/support/testserver.h"
#include "tests/win/support/winsupport.h"
#include "tools/standin.h"
#include "update/httpclient.h"
#include "update/releasearchive.h"
#include "update/verify.h"

using namespace testsupport;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 3;
const char* const kArchivePath = "/pub/simtelnet/win95/desktop/kivu320.zip";

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string ArchiveTarget(uint64_t size) { return std::string(kArchivePath) + "?size=" + std::to_string(size); }

uint16_t PortOf(const std::string& authority) {
    return static_cast<uint16_t>(std::stoi(authority.substr(authority.find(':') + 1)));
}

// The GET as plainly as Winsock allows: blocking socket, 64 KiB reads, every
// body byte written to the file as it comes.
double BareSocket(uint64_t size, const std::string& path) {
    const auto start = Clock::now();
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(PortOf(TestServer::Authority()));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to);
    const std::string request =
        "GET " + ArchiveTarget(size) + " HTTP/1.0\r\nHost: " + TestServer::Authority() + "\r\n\r\n";
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

// The GET through WinHTTP in its plain synchronous form, 64 KiB reads.
double BareWinHttp(uint64_t size, const std::string& path, bool secure) {
    const auto start = Clock::now();
    const std::string authority = secure ? TestServer::TlsAuthority() : TestServer::Authority();
    HINTERNET session = WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr, 0);
    HINTERNET connect = WinHttpConnect(session, L"127.0.0.1", PortOf(authority), 0);
    const std::string target = ArchiveTarget(size);
    const std::wstring wide(target.begin(), target.end());
    HINTERNET request = WinHttpOpenRequest(connect, L"GET", wide.c_str(), L"HTTP/1.0", nullptr, nullptr,
                                           secure ? WINHTTP_FLAG_SECURE : 0);
    WinHttpSendRequest(request, nullptr, 0, nullptr, 0, 0, 0);
    WinHttpReceiveResponse(request, nullptr);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::vector<char> buf(65536);
    for (DWORD n = 0; WinHttpReadData(request, buf.data(), static_cast<DWORD>(buf.size()), &n) && n > 0;) {
        DWORD written = 0;
        WriteFile(file, buf.data(), n, &written, nullptr);
    }
    CloseHandle(file);
    WinHttpCloseHandle(request);
    WinHttpCloseHandle(connect);
    WinHttpCloseHandle(session);
    return Seconds(Clock::now() - start);
}

// The client alone, in this process; with digest, the SHA-256 as the bytes come.
double ClientAlone(uint64_t size, const std::string& path, bool secure, bool digest, uint64_t& notifications) {
    kivu::HttpClient client;
    notifications = 0;
    client.onPacket = [&](uint64_t) { ++notifications; };
    std::optional<kivu::Sha256> sha;
    if (digest) {
        sha.emplace();
        client.onBody = [&](const char* data, size_t n) { sha->Update(data, n); };
    }
    const auto start = Clock::now();
    client.GetToFile((secure ? "https://" + TestServer::TlsAuthority() : "http://" + TestServer::Authority()) +
                         ArchiveTarget(size),
                     path);
    if (sha) sha->Finish();
    return Seconds(Clock::now() - start);
}

struct Run {
    double seconds = 0;         // the download: from its temporary file to the archive in place
    SIZE_T peakPrivate = 0;     // the highest the process reported
    uint64_t saved = 0;
};

// `kivuutil 10` through the stand-in: the save dialog answered with path.
Run Kivuutil(const std::string& path) {
    Run run;
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
        }
        if (turn % 10 == 0 && GetProcessMemoryInfo(handler.Process(), &counters, sizeof counters))
            run.peakPrivate = std::max(run.peakPrivate, counters.PeakPagefileUsage);
    }
    run.saved = FileSize(path);
    return run;
}

std::string HexDigest(uint64_t size) {
    kivu::Sha256 sha;
    const std::string bytes = ArchiveBytes(1 << 20);  // the pattern repeats every 251 bytes
    for (uint64_t done = 0; done < size;) {
        const size_t piece = static_cast<size_t>(std::min<uint64_t>(size - done, (1u << 20) / 251 * 251));
        sha.Update(bytes.data(), piece);
        done += piece;
    }
    std::string hex;
    for (uint8_t b : sha.Finish()) hex += std::string{"0123456789abcdef"[b >> 4], "0123456789abcdef"[b & 15]};
    return hex;
}

template <class F>
double Best(F&& f) {
    double best = 1e9;
    for (int round = 0; round < kRounds; ++round) best = std::min(best, f());
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    if (TestServer::Authority().empty() || TestServer::TlsAuthority().empty()) {
        std::fprintf(stderr, "KIVU_TEST_SERVER or KIVU_TEST_TLS is not set (tools/bench.sh starts the server)\n");
        return 2;
    }
    std::vector<uint64_t> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::strtoull(argv[i], nullptr, 10));
    if (sizes.empty()) sizes = {10, 200};
    TempDir dir;
    const std::string path = dir.path() + "kivu320.zip";
    const auto once = [&](const std::function<double()>& f) {
        const double s = f();
        DeleteFileA(path.c_str());
        return s;
    };
    {
        const auto start = Clock::now();
        HexDigest(200 * 1000 * 1000);
        std::printf("SHA-256 through BCrypt: %.0f MB/s\n", 200 / Seconds(Clock::now() - start));
    }
    for (uint64_t mb : sizes) {
        const uint64_t size = mb * 1000 * 1000;
        const double megabytes = static_cast<double>(size) / 1e6;
        const auto rate = [&](double s) { return megabytes / s; };
        // The page, with and without the digest offered; the digest beside the archive.
        const std::string link = "<html>" + ReleaseLink(ArchiveTarget(size).substr(29)) + "x</A>";
        const std::string offer = " <a href=\"" + std::string(kArchivePath) + ".sha256\">SHA-256</a></html>";
        TestServer::PutFile(std::string(kArchivePath) + ".sha256", HexDigest(size) + "  kivu320.zip\n");

        const double socket = Best([&] { return once([&] { return BareSocket(size, path); }); });
        for (bool secure : {false, true}) {
            const char* scheme = secure ? "https" : "http";
            const double bare = Best([&] { return once([&] { return BareWinHttp(size, path, secure); }); });
            uint64_t notifications = 0;
            const double alone =
                Best([&] { return once([&] { return ClientAlone(size, path, secure, false, notifications); }); });
            const double hashed =
                Best([&] { return once([&] { return ClientAlone(size, path, secure, true, notifications); }); });
            kivu::WriteRegString(HKEY_CURRENT_USER, kivu::kUpdateKey, kivu::kUpdateHostValue,
                                 std::string(secure ? "https://" + TestServer::TlsAuthority()
                                                    : TestServer::Authority()));
            Run plain, verified;
            plain.seconds = verified.seconds = 1e9;
            for (int round = 0; round < kRounds; ++round) {
                for (bool digest : {false, true}) {
                    TestServer::SetQuery(link + (digest ? offer : "</html>"));
                    const Run r = Kivuutil(path);
                    DeleteFileA(path.c_str());
                    Run& best = digest ? verified : plain;
                    if (r.seconds > 0 && r.seconds < best.seconds) best.seconds = r.seconds;
                    best.peakPrivate = std::max(best.peakPrivate, r.peakPrivate);
                    best.saved = r.saved;
                }
            }
            std::printf("%llu MB %s: bare socket reader %.3f s (%.0f MB/s); bare WinHTTP loop %.3f s (%.0f MB/s); "
                        "client alone %.3f s (%.0f MB/s, %llu progress notifications), with SHA-256 %.3f s\n",
                        static_cast<unsigned long long>(mb), scheme, socket, rate(socket), bare, rate(bare), alone,
                        rate(alone), static_cast<unsigned long long>(notifications), hashed);
            std::printf("%llu MB %s: kivuutil 10 %.3f s (%.0f MB/s, saved %llu bytes), with the digest checked "
                        "%.3f s (+%.0f %%); throughput kivuutil / socket reader = %.2f, / bare WinHTTP = %.2f; "
                        "kivuutil peak private %.1f MB (with digest %.1f MB)\n",
                        static_cast<unsigned long long>(mb), scheme, plain.seconds, rate(plain.seconds),
                        static_cast<unsigned long long>(plain.saved), verified.seconds,
                        100.0 * (verified.seconds / plain.seconds - 1), socket / plain.seconds, bare / plain.seconds,
                        plain.peakPrivate / 1048576.0, verified.peakPrivate / 1048576.0);
            std::fflush(stdout);
        }
    }
    return 0;
}
