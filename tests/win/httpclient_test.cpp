// The HTTP client and the archive's query and download against the local
// test server, in this process.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/win/support/testserver.h"
#include "tests/win/support/winsupport.h"
#include "update/httpclient.h"
#include "update/releasearchive.h"

using namespace testsupport;
using kivu::HttpClient;
using kivu::HttpError;

namespace {

std::string At(const std::string& target) { return "http://" + TestServer::Authority() + target; }

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return names;
}

// The handles this process holds. Wine's GetProcessHandleCount answers 0, so
// there the system's list of open handles is counted instead.
DWORD OpenHandleCount() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) return count;
    struct Entry {  // SYSTEM_HANDLE_TABLE_ENTRY_INFO_EX
        PVOID object;
        ULONG_PTR processId;
        ULONG_PTR handle;
        ULONG access;
        USHORT creatorBackTrace;
        USHORT type;
        ULONG attributes;
        ULONG reserved;
    };
    struct Table {  // SYSTEM_HANDLE_INFORMATION_EX
        ULONG_PTR count;
        ULONG_PTR reserved;
        Entry entries[1];
    };
    constexpr ULONG kExtendedHandleInformation = 64;
    constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004);
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return 0;
    std::vector<char> buffer(1 << 16);
    LONG status;
    ULONG needed = 0;
    while ((status = query(kExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) ==
           kLengthMismatch)
        buffer.resize(std::max<size_t>(buffer.size() * 2, needed));
    if (status != 0) return 0;
    const auto* table = reinterpret_cast<const Table*>(buffer.data());
    for (ULONG_PTR i = 0; i < table->count; ++i)
        if (table->entries[i].processId == GetCurrentProcessId()) ++count;
    return count;
}

class Http : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(TestServer::Authority().empty()) << "no test server: run through tools/test.sh";
        TestServer::SetQuery("<html>query</html>");
        client.stallTimeoutMs = 2000;
    }
    HttpClient client;
};

}  // namespace

TEST_F(Http, RequestIsExactlyTheDesignedBytesAndTheBodyComesBack) {
    const auto reply = client.GetToMemory(At("/simcgi-bin/win95find.cgi?kivu"));
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, "<html>query</html>");
    const auto requests = TestServer::Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0],
              "GET /simcgi-bin/win95find.cgi?kivu HTTP/1.0\r\n"
              "Host: " + TestServer::Authority() + "\r\n"
              "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
              "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
              "Content-type: application/x-www-form-urlencoded\r\n"
              "\r\n");
}

TEST_F(Http, BodiesWithAndWithoutLengthAndErrorStatusWithItsBody) {
    EXPECT_TRUE(client.GetToMemory(At("/a?size=70000")).body == ArchiveBytes(70000));
    EXPECT_TRUE(client.GetToMemory(At("/a?size=70000&length=0")).body == ArchiveBytes(70000));
    EXPECT_EQ(client.GetToMemory(At("/a?size=0")).body, "");
    const auto missing = client.GetToMemory(At("/a?status=404"));
    EXPECT_EQ(missing.status, 404);
    EXPECT_EQ(missing.body, "<html><body>error 404</body></html>");
    EXPECT_EQ(client.GetToMemory(At("/a?status=500")).status, 500);
}

TEST_F(Http, RedirectsAreFollowedAtMostTenTimesAndOnlyToHttp) {
    EXPECT_TRUE(client.GetToMemory(At("/pub/a.zip?size=10&fault=redirect-once")).body == ArchiveBytes(10));
    EXPECT_EQ(TestServer::Requests().size(), 2u);
    TestServer::SetQuery("");
    EXPECT_TRUE(client.GetToMemory(At("/pub/a.zip?size=12&fault=redirect-relative")).body == ArchiveBytes(12));
    const auto relative = TestServer::Requests();
    ASSERT_EQ(relative.size(), 2u);
    EXPECT_EQ(relative[1].substr(0, relative[1].find('\r')), "GET /pub/a.zip?size=12 HTTP/1.0");

    TestServer::SetQuery("");
    EXPECT_THROW(client.GetToMemory(At("/loop?fault=redirect-loop")), HttpError);
    EXPECT_EQ(TestServer::Requests().size(), 11u);  // the first request and ten redirects
    EXPECT_THROW(client.GetToMemory(At("/a?fault=redirect-https")), HttpError);
    EXPECT_THROW(client.GetToMemory(At("/a?fault=redirect-none")), HttpError);
}

TEST_F(Http, BrokenStalledOrOversizedRepliesFail) {
    EXPECT_THROW(client.GetToMemory(At("/a?size=50000&fault=close-mid")), HttpError);
    EXPECT_THROW(client.GetToMemory(At("/a?fault=big-head")), HttpError);
    client.maxMemoryBody = 1000;
    EXPECT_EQ(client.GetToMemory(At("/a?size=1000")).body.size(), 1000u);
    EXPECT_THROW(client.GetToMemory(At("/a?size=1001")), HttpError);
    EXPECT_THROW(client.GetToMemory(At("/a?size=5000&length=0")), HttpError);

    client.stallTimeoutMs = 300;
    EXPECT_THROW(client.GetToMemory(At("/a?fault=stall-head")), HttpError);
    EXPECT_THROW(client.GetToMemory(At("/a?fault=stall-body")), HttpError);
}

TEST_F(Http, NoServerOrNoHttpAddressFails) {
    EXPECT_THROW(client.GetToMemory("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/"), HttpError);
    EXPECT_THROW(client.GetToMemory("https://" + TestServer::Authority() + "/"), HttpError);
    EXPECT_THROW(client.GetToMemory("http://" + TestServer::Authority() + "/a b"), HttpError);
}

TEST_F(Http, FailedConnectionsLeaveNoHandleBehind) {
    // The archive's default host never resolves: every check fails this way.
    const std::string unresolvable = std::string("http://") + kivu::kDefaultArchiveHost + "/";
    const std::string refused = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/";
    EXPECT_THROW(client.GetToMemory(unresolvable), HttpError);  // the resolver's own handles are made now
    EXPECT_THROW(client.GetToMemory(refused), HttpError);
    const DWORD before = OpenHandleCount();
    ASSERT_GT(before, 0u);
    constexpr DWORD kTries = 40;
    for (DWORD i = 0; i < kTries; ++i) {
        EXPECT_THROW(client.GetToMemory(unresolvable), HttpError);
        EXPECT_THROW(client.GetToMemory(refused), HttpError);
    }
    const DWORD after = OpenHandleCount();
    EXPECT_LT(after, before + kTries / 4) << "handles before " << before << ", after " << after;
}

TEST_F(Http, WaitingLetsTheCallerInAndCancelEndsTheGet) {
    int turns = 0;
    client.stallTimeoutMs = 60000;
    client.onWait = [&] {
        PumpMessages();
        if (++turns == 3) client.Cancel();
    };
    // Timer messages arrive while the client waits, as a window's would.
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, nullptr);
    const auto start = GetTickCount64();
    EXPECT_THROW(client.GetToMemory(At("/a?fault=stall-head")), HttpError);
    EXPECT_TRUE(client.Cancelled());
    EXPECT_LT(GetTickCount64() - start, 30000u);  // far from the stall time: the cancel ended it
    EXPECT_EQ(turns, 3);
    KillTimer(nullptr, timer);
}

TEST_F(Http, FileGetReportsEveryPacketWithTheRunningCount) {
    TempDir dir;
    const std::string path = dir.path() + "out.zip";
    dir.Write("out.zip", "old contents, longer than nothing");
    std::vector<uint64_t> counts;
    client.onPacket = [&](uint64_t received) { counts.push_back(received); };
    EXPECT_EQ(client.GetToFile(At("/a?size=300000"), path), 200);
    EXPECT_TRUE(ReadWholeFile(path) == ArchiveBytes(300000));
    ASSERT_FALSE(counts.empty());
    EXPECT_GT(counts.front(), 0u);
    EXPECT_EQ(counts.back(), 300000u);
    for (size_t i = 0; i < counts.size(); ++i) {
        const uint64_t before = i ? counts[i - 1] : 0;
        EXPECT_GT(counts[i], before);
        EXPECT_LE(counts[i] - before, kivu::http::kMaxPacket);
    }
    EXPECT_GE(counts.size(), 300000 / kivu::http::kMaxPacket);
}

TEST_F(Http, QueryWithAnErrorStatusFails) {
    const kivu::ReleaseArchive archive(TestServer::Authority());
    TestServer::SetQuery("<html>page</html>");
    EXPECT_EQ(archive.Query(client), "<html>page</html>");
    TestServer::SetQuery("<html>broken</html>", 500);
    EXPECT_THROW(archive.Query(client), HttpError);
}

TEST_F(Http, DownloadReplacesTheTargetOnlyWhenComplete) {
    const kivu::ReleaseArchive archive(TestServer::Authority());
    TempDir dir;
    const std::string target = dir.Write("kivu320.zip", "what the user had");
    archive.Download(client, archive.DownloadAddress("/pub/kivu320.zip?size=40000"), target);
    EXPECT_TRUE(ReadWholeFile(target) == ArchiveBytes(40000));
    EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"kivu320.zip"});

    client.stallTimeoutMs = 300;
    for (const char* fault : {"status=404", "size=40000&fault=close-mid", "fault=stall-body",
                              "fault=redirect-loop", "fault=redirect-https"}) {
        SCOPED_TRACE(fault);
        dir.Write("kivu320.zip", "what the user had");
        EXPECT_THROW(archive.Download(client, archive.DownloadAddress(std::string("/pub/kivu320.zip?") + fault),
                                      target),
                     HttpError);
        EXPECT_EQ(ReadWholeFile(target), "what the user had");
        EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"kivu320.zip"});  // no temporary file left
    }
    // A new file is only there once it is complete.
    const std::string fresh = dir.path() + "new.zip";
    EXPECT_THROW(archive.Download(client, archive.DownloadAddress("/x?status=404"), fresh), HttpError);
    EXPECT_EQ(GetFileAttributesA(fresh.c_str()), INVALID_FILE_ATTRIBUTES);
}
