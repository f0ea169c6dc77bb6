// The HTTP client and the archive's query and download against the local
// test server, in this process.
#include <gtest/gtest.h>

#include <windows.h>
// after windows.h
#include <bcrypt.h>

#include "common/text.h"
#include "tests/win/support/testserver.h"
#include "tests/win/support/winsupport.h"
#include "update/httpclient.h"
#include "update/releasearchive.h"
#include "update/verify.h"

using namespace testsupport;
using kivu::HttpClient;
using kivu::HttpError;
using kivu::ReleaseArchive;
using kivu::ReleaseCheckError;

namespace {

std::string At(const std::string& target) { return "http://" + TestServer::Authority() + target; }

// The handles this process holds. Wine's GetProcessHandleCount always says
// 0; its list of the system's handles is right.
DWORD HandleCount() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) return count;
    struct Entry {
        ULONG process;
        BYTE type, flags;
        USHORT handle;
        PVOID object;
        ACCESS_MASK access;
    };
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    constexpr ULONG kSystemHandleInformation = 16;
    std::vector<BYTE> buffer(1 << 20);
    ULONG size = 0;
    while (query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &size) ==
           static_cast<LONG>(0xC0000004L))  // too small
        buffer.resize(buffer.size() * 2);
    ULONG entries = 0;
    memcpy(&entries, buffer.data(), sizeof entries);
    const auto* entry = reinterpret_cast<const Entry*>(buffer.data() + sizeof(void*));
    for (ULONG i = 0; i < entries; ++i)
        if (entry[i].process == GetCurrentProcessId()) ++count;
    return count;
}

// Bodies that do not prove their end, or end broken. Only a length proves
// it: chunks answer no HTTP/1.0 request, and WinHTTP under Wine takes chunks
// cut before the last one for a whole body.
const char* const kUnprovenBodies[] = {
    "size=40000&length=0",                   // a close without a length
    "size=40000&fault=chunked",              // chunks, properly ended
    "size=40000&length=0&fault=reset-mid",   // a reset without a length
    "size=40000&fault=reset-mid",            // a reset before the length is reached
    "size=40000&fault=close-mid",            // a body shorter than its length
    "size=40000&fault=chunked-cut",          // chunks, closed before the last
    "size=40000&fault=chunked-bad",          // a chunk size that is no number
};

kivu::Sha256Digest DigestOf(const std::string& bytes) {
    kivu::Sha256 sha;
    sha.Update(bytes.data(), bytes.size());
    return sha.Finish();
}

std::string Hex(const uint8_t* bytes, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (size_t i = 0; i < size; ++i) hex += std::string{digits[bytes[i] >> 4], digits[bytes[i] & 15]};
    return hex;
}

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

// A release-signing key made for the test, through the system's crypto API.
class TestSigner {
public:
    TestSigner() {
        BCryptOpenAlgorithmProvider(&algorithm_, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0);
        BCryptGenerateKeyPair(algorithm_, &key_, 256, 0);
        BCryptFinalizeKeyPair(key_, 0);
    }
    ~TestSigner() {
        BCryptDestroyKey(key_);
        BCryptCloseAlgorithmProvider(algorithm_, 0);
    }
    kivu::ReleaseKey PublicKey() const {
        UCHAR blob[sizeof(BCRYPT_ECCKEY_BLOB) + 64];
        ULONG size = 0;
        BCryptExportKey(key_, nullptr, BCRYPT_ECCPUBLIC_BLOB, blob, sizeof blob, &size, 0);
        kivu::ReleaseKey key{};
        memcpy(key.data(), blob + sizeof(BCRYPT_ECCKEY_BLOB), key.size());
        return key;
    }
    // r|s, 64 bytes.
    std::string Sign(const std::string& bytes) const {
        kivu::Sha256Digest digest = DigestOf(bytes);
        UCHAR signature[64];
        ULONG size = 0;
        BCryptSignHash(key_, nullptr, digest.data(), static_cast<ULONG>(digest.size()), signature, sizeof signature,
                       &size, 0);
        return std::string(reinterpret_cast<char*>(signature), size);
    }

private:
    BCRYPT_ALG_HANDLE algorithm_ = nullptr;
    BCRYPT_KEY_HANDLE key_ = nullptr;
};

// The same signature in DER, as openssl writes it.
std::string Der(const std::string& rs) {
    const auto integer = [](std::string value) {
        while (value.size() > 1 && value[0] == 0 && !(value[1] & 0x80)) value.erase(0, 1);
        if (value[0] & 0x80) value.insert(0, 1, '\0');
        return std::string("\x02") + static_cast<char>(value.size()) + value;
    };
    const std::string body = integer(rs.substr(0, 32)) + integer(rs.substr(32));
    return std::string("\x30") + static_cast<char>(body.size()) + body;
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

TEST_F(Http, RequestCarriesTheDesignedLinesAndTheBodyComesBack) {
    const auto reply = client.GetToMemory(At("/simcgi-bin/win95find.cgi?kivu"));
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, "<html>query</html>");
    const auto requests = TestServer::Requests();
    ASSERT_EQ(requests.size(), 1u);
    const std::string& request = requests[0];
    EXPECT_EQ(request.substr(0, request.find("\r\n") + 2), "GET /simcgi-bin/win95find.cgi?kivu HTTP/1.0\r\n");
    // WinHTTP adds lines of its own; ours come as they are, in their order.
    const size_t host = request.find("\r\nHost: " + TestServer::Authority() + "\r\n");
    const size_t ours = request.find("\r\nAccept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
                                     "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
                                     "Content-type: application/x-www-form-urlencoded\r\n");
    EXPECT_NE(host, std::string::npos) << request;
    EXPECT_NE(ours, std::string::npos) << request;
    EXPECT_EQ(request.substr(request.size() - 4), "\r\n\r\n");
}

TEST_F(Http, BodiesWithAndWithoutLengthAndErrorStatusWithItsBody) {
    EXPECT_TRUE(client.GetToMemory(At("/a?size=70000")).body == ArchiveBytes(70000));
    // In memory a page may end where the server closes: it is only searched
    // for a link. Chunks are decoded: the body comes without its framing.
    EXPECT_TRUE(client.GetToMemory(At("/a?size=70000&length=0")).body == ArchiveBytes(70000));
    EXPECT_TRUE(client.GetToMemory(At("/a?size=70000&fault=chunked")).body == ArchiveBytes(70000));
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
    client.maxRedirects = 2;
    TestServer::SetQuery("");
    EXPECT_THROW(client.GetToMemory(At("/loop?fault=redirect-loop")), HttpError);
    EXPECT_EQ(TestServer::Requests().size(), 3u);
    client.maxRedirects = 10;
    // https on the plain port: no TLS there.
    EXPECT_THROW(client.GetToMemory(At("/a?fault=redirect-https")), HttpError);
    EXPECT_THROW(client.GetToMemory(At("/a?fault=redirect-ftp")), HttpError);
    EXPECT_THROW(client.GetToMemory(At("/a?fault=redirect-none")), HttpError);
}

TEST_F(Http, BrokenStalledOrOversizedRepliesFail) {
    EXPECT_THROW(client.GetToMemory(At("/a?size=50000&fault=close-mid")), HttpError);
    EXPECT_THROW(client.GetToMemory(At("/a?size=50000&fault=reset-mid")), HttpError);
    // WinHTTP reads with a blocking socket, which tells a reset from a close.
    EXPECT_THROW(client.GetToMemory(At("/a?size=50000&length=0&fault=reset-mid")), HttpError);
    EXPECT_THROW(client.GetToMemory(At("/a?fault=big-head")), HttpError);
    client.maxMemoryBody = 1000;
    EXPECT_EQ(client.GetToMemory(At("/a?size=1000")).body.size(), 1000u);
    EXPECT_THROW(client.GetToMemory(At("/a?size=1001")), HttpError);
    EXPECT_THROW(client.GetToMemory(At("/a?size=5000&length=0")), HttpError);

    client.stallTimeoutMs = 300;
    EXPECT_THROW(client.GetToMemory(At("/a?fault=stall-head")), HttpError);
    EXPECT_THROW(client.GetToMemory(At("/a?fault=stall-body")), HttpError);
}

TEST_F(Http, AFileGetNeedsABodyThatProvesItsEnd) {
    TempDir dir;
    const std::string path = dir.path() + "out.zip";
    EXPECT_EQ(client.GetToFile(At("/a?size=40000"), path), 200);
    EXPECT_TRUE(ReadWholeFile(path) == ArchiveBytes(40000));
    for (const char* body : kUnprovenBodies) {
        SCOPED_TRACE(body);
        EXPECT_THROW(client.GetToFile(At(std::string("/a?") + body), path), HttpError);
    }
}

TEST_F(Http, NoServerOrNoHttpAddressFails) {
    EXPECT_THROW(client.GetToMemory("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/"), HttpError);
    EXPECT_THROW(client.GetToMemory("http://nothing.invalid/"), HttpError);
    EXPECT_THROW(client.GetToMemory("ftp://" + TestServer::Authority() + "/"), HttpError);
    EXPECT_THROW(client.GetToMemory("http://user@" + TestServer::Authority() + "/"), HttpError);
    EXPECT_THROW(client.GetToMemory("http://" + TestServer::Authority() + "/a b"), HttpError);
    EXPECT_THROW(client.GetToMemory("not an address"), HttpError);
}

TEST_F(Http, FailedConnectionsLeaveNoHandleBehind) {
    // The first failures may start WinHTTP's and the resolver's threads.
    for (int i = 0; i < 3; ++i) EXPECT_THROW(client.GetToMemory("http://nothing.invalid/"), HttpError);
    const DWORD before = HandleCount();
    for (int i = 0; i < 20; ++i) {
        EXPECT_THROW(client.GetToMemory("http://nothing.invalid/"), HttpError);
        EXPECT_THROW(client.GetToMemory("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/"), HttpError);
    }
    ASSERT_GT(before, 0u);
    // Worker threads come and go on their own: a leak grows with every
    // failure, forty here.
    EXPECT_LT(HandleCount(), before + 10) << "before: " << before;
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
    EXPECT_LT(GetTickCount64() - start, 5000u);  // far from the stall time: the cancel ended it
    EXPECT_EQ(turns, 3);
    KillTimer(nullptr, timer);
}

TEST_F(Http, FileGetReportsEveryPacketWithTheRunningCount) {
    TempDir dir;
    const std::string path = dir.path() + "out.zip";
    dir.Write("out.zip", "old contents, longer than nothing");
    std::vector<uint64_t> counts;
    std::string seen;
    client.onPacket = [&](uint64_t received) { counts.push_back(received); };
    client.onBody = [&](const char* data, size_t size) { seen.append(data, size); };
    EXPECT_EQ(client.GetToFile(At("/a?size=300000"), path), 200);
    EXPECT_TRUE(ReadWholeFile(path) == ArchiveBytes(300000));
    EXPECT_TRUE(seen == ArchiveBytes(300000));
    ASSERT_FALSE(counts.empty());
    EXPECT_GT(counts.front(), 0u);
    EXPECT_EQ(counts.back(), 300000u);
    for (size_t i = 0; i < counts.size(); ++i) {
        const uint64_t before = i ? counts[i - 1] : 0;
        EXPECT_GT(counts[i], before);
        EXPECT_LE(counts[i] - before, HttpClient::kMaxPacket);
    }
    EXPECT_GE(counts.size(), 300000 / HttpClient::kMaxPacket);
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
    archive.Download(client, "/pub/kivu320.zip?size=40000", target, false);
    EXPECT_TRUE(ReadWholeFile(target) == ArchiveBytes(40000));
    EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"kivu320.zip"});

    client.stallTimeoutMs = 300;
    std::vector<std::string> faults = {"status=404", "fault=stall-body", "fault=redirect-loop",
                                       "fault=redirect-https"};
    faults.insert(faults.end(), std::begin(kUnprovenBodies), std::end(kUnprovenBodies));
    for (const std::string& fault : faults) {
        SCOPED_TRACE(fault);
        dir.Write("kivu320.zip", "what the user had");
        EXPECT_THROW(archive.Download(client, "/pub/kivu320.zip?" + fault, target, false), HttpError);
        EXPECT_TRUE(ReadWholeFile(target) == "what the user had");
        EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"kivu320.zip"});  // no temporary file left
    }
    // A new file is only there once it is complete.
    const std::string fresh = dir.path() + "new.zip";
    EXPECT_THROW(archive.Download(client, "/x?status=404", fresh, false), HttpError);
    EXPECT_EQ(GetFileAttributesA(fresh.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Http, ADownloadIntoAFolderWithAccentsLandsThereAndLeavesNothingElse) {
    const kivu::ReleaseArchive archive(TestServer::Authority());
    TempDir dir;
    // Letters of the code page and beyond it.
    const std::string folder = dir.path() + "Grüße Καλημέρα 写真\\";
    ASSERT_TRUE(CreateDirectoryW(kivu::Widen(folder).c_str(), nullptr));
    const std::string target = folder + "kivü320.zip";
    archive.Download(client, "/pub/kivu320.zip?size=40000", target, false);
    EXPECT_TRUE(ReadWholeFile(target) == ArchiveBytes(40000));
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"kivü320.zip"});
    client.stallTimeoutMs = 300;
    EXPECT_THROW(archive.Download(client, "/pub/kivu320.zip?fault=stall-body", target, false), HttpError);
    EXPECT_TRUE(ReadWholeFile(target) == ArchiveBytes(40000));
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"kivü320.zip"});  // the temporary file is gone
}

TEST_F(Http, TheArchiveMustMatchTheDigestThePageOffers) {
    const ReleaseArchive archive(TestServer::Authority(), std::nullopt);
    TempDir dir;
    const std::string target = dir.Write("kivu320.zip", "what the user had");
    const kivu::Sha256Digest digest = DigestOf(ArchiveBytes(40000));
    TestServer::PutFile("/pub/d1/kivu320.zip.sha256", "# made by sha256sum\n" + Hex(digest.data(), 32) +
                                                         " *kivu320.zip\r\n" + std::string(64, '0') + "  x.zip\n");
    archive.Download(client, "/pub/d1/kivu320.zip?size=40000", target, true);
    EXPECT_TRUE(ReadWholeFile(target) == ArchiveBytes(40000));

    kivu::Sha256Digest other = digest;
    other[31] ^= 1;
    TestServer::PutFile("/pub/d2/kivu320.zip.sha256", Hex(other.data(), 32) + "  kivu320.zip\n");
    TestServer::PutFile("/pub/d3/kivu320.zip.sha256", Hex(digest.data(), 32) + "  kivu321.zip\n");
    for (const char* folder : {"d2", "d3", "d4"}) {  // wrong, for another file, missing
        SCOPED_TRACE(folder);
        dir.Write("kivu320.zip", "what the user had");
        EXPECT_THROW(archive.Download(client, std::string("/pub/") + folder + "/kivu320.zip?size=40000", target, true),
                     ReleaseCheckError);
        EXPECT_TRUE(ReadWholeFile(target) == "what the user had");
        EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"kivu320.zip"});
    }
    // Not offered: not asked for.
    TestServer::SetQuery("");
    archive.Download(client, "/pub/d2/kivu320.zip?size=40000", target, false);
    EXPECT_TRUE(ReadWholeFile(target) == ArchiveBytes(40000));
    EXPECT_EQ(TestServer::Requests().size(), 1u);
}

TEST_F(Http, WithAKeyTheArchiveMustCarryItsSignature) {
    const TestSigner signer;
    const ReleaseArchive archive(TestServer::Authority(), signer.PublicKey());
    TempDir dir;
    const std::string target = dir.Write("kivu320.zip", "what the user had");
    const std::string signature = signer.Sign(ArchiveBytes(40000));
    ASSERT_EQ(signature.size(), 64u);
    TestServer::PutFile("/pub/s1/kivu320.zip.sig", signature);
    archive.Download(client, "/pub/s1/kivu320.zip?size=40000", target, false);
    EXPECT_TRUE(ReadWholeFile(target) == ArchiveBytes(40000));
    dir.Write("kivu320.zip", "what the user had");
    TestServer::PutFile("/pub/s2/kivu320.zip.sig", Der(signature));
    archive.Download(client, "/pub/s2/kivu320.zip?size=40000", target, false);
    EXPECT_TRUE(ReadWholeFile(target) == ArchiveBytes(40000));

    TestServer::PutFile("/pub/s3/kivu320.zip.sig", signer.Sign(ArchiveBytes(40001)));  // of other bytes
    TestServer::PutFile("/pub/s4/kivu320.zip.sig", "not a signature");
    const TestSigner stranger;
    TestServer::PutFile("/pub/s5/kivu320.zip.sig", stranger.Sign(ArchiveBytes(40000)));
    for (const char* folder : {"s3", "s4", "s5", "s6"}) {  // s6: none
        SCOPED_TRACE(folder);
        dir.Write("kivu320.zip", "what the user had");
        EXPECT_THROW(archive.Download(client, std::string("/pub/") + folder + "/kivu320.zip?size=40000", target,
                                      false),
                     ReleaseCheckError);
        EXPECT_TRUE(ReadWholeFile(target) == "what the user had");
        EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"kivu320.zip"});
    }
}

TEST(Verify, ASignatureMadeByOpensslVerifies) {
    // openssl ecparam -name prime256v1 -genkey; openssl dgst -sha256 -sign on the message.
    const std::string message = "KIVU release 3.20";
    const auto key = kivu::ParseReleaseKey(
        "8b24567e33aa1d4411f621bd4d3e530fed8f1a6a88e018d199758fa9b70abbe4"
        "3d31a4ac96ab37a89228b62df0c701e464a0a2a0a0b2cedeb6de17656800cf43");
    const auto signature = kivu::ParseSignature(FromHex(
        "30450221008306972473f7ebaf057d135845090fa296a50a679675c32bfec90c360e20b1ea02207dd7b7bb8c9e053da0dab88e"
        "032494c665c476597a5816b26bc38314ec79bfee"));
    ASSERT_TRUE(key);
    ASSERT_TRUE(signature);
    const kivu::Sha256Digest digest = DigestOf(message);
    EXPECT_EQ(Hex(digest.data(), 32), "75e43b054631943377ef0c4975ced7874b28018ff7199408492b2cc81e91bf94");
    EXPECT_TRUE(kivu::VerifySignature(*key, digest, *signature));
    EXPECT_FALSE(kivu::VerifySignature(*key, DigestOf(message + "."), *signature));
    kivu::EcdsaSignature changed = *signature;
    changed[40] ^= 0x10;
    EXPECT_FALSE(kivu::VerifySignature(*key, digest, changed));
}

namespace {

std::string Tls(const std::string& authority, const std::string& target) { return "https://" + authority + target; }

class Https : public Http {
protected:
    void SetUp() override {
        Http::SetUp();
        ASSERT_FALSE(TestServer::TlsAuthority().empty()) << "no HTTPS test server: run through tools/test.sh";
    }
};

}  // namespace

TEST_F(Https, ThePlainCasesHoldOverTls) {
    const std::string tls = TestServer::TlsAuthority();
    EXPECT_TRUE(client.GetToMemory(Tls(tls, "/a?size=70000")).body == ArchiveBytes(70000));
    const auto missing = client.GetToMemory(Tls(tls, "/a?status=404"));
    EXPECT_EQ(missing.status, 404);
    EXPECT_EQ(missing.body, "<html><body>error 404</body></html>");
    EXPECT_TRUE(client.GetToMemory(Tls(tls, "/pub/a.zip?size=10&fault=redirect-once")).body == ArchiveBytes(10));
    TestServer::SetQuery("");
    EXPECT_THROW(client.GetToMemory(Tls(tls, "/loop?fault=redirect-loop")), HttpError);
    EXPECT_EQ(TestServer::Requests().size(), 11u);
    // Not down to plain http, not even to this server's plain port.
    EXPECT_THROW(client.GetToMemory(Tls(tls, "/a?fault=redirect-to&to=http://" + TestServer::Authority() +
                                                 "/a%3Fsize%3D10")),
                 HttpError);

    TempDir dir;
    const std::string path = dir.path() + "out.zip";
    std::vector<uint64_t> counts;
    client.onPacket = [&](uint64_t received) { counts.push_back(received); };
    EXPECT_EQ(client.GetToFile(Tls(tls, "/a?size=300000"), path), 200);
    EXPECT_TRUE(ReadWholeFile(path) == ArchiveBytes(300000));
    ASSERT_FALSE(counts.empty());
    EXPECT_EQ(counts.back(), 300000u);
    for (size_t i = 1; i < counts.size(); ++i) EXPECT_LE(counts[i] - counts[i - 1], HttpClient::kMaxPacket);
    client.stallTimeoutMs = 300;
    for (const char* body : kUnprovenBodies) {
        SCOPED_TRACE(body);
        EXPECT_THROW(client.GetToFile(Tls(tls, std::string("/a?") + body), path), HttpError);
    }
    EXPECT_THROW(client.GetToFile(Tls(tls, "/a?fault=stall-body"), path), HttpError);
}

TEST_F(Https, AWrongCertificateFailsAndNothingIsSaved) {
    TempDir dir;
    const std::string target = dir.Write("kivu320.zip", "what the user had");
    for (const std::string& wrong : {TestServer::OtherNameAuthority(), TestServer::ExpiredAuthority(),
                                     TestServer::UntrustedAuthority()}) {
        SCOPED_TRACE(wrong);
        ASSERT_FALSE(wrong.empty());
        EXPECT_THROW(client.GetToMemory(Tls(wrong, "/simcgi-bin/win95find.cgi?kivu")), HttpError);
        const ReleaseArchive archive("https://" + wrong, std::nullopt);
        EXPECT_THROW(archive.Download(client, "/pub/kivu320.zip?size=40000", target, false), HttpError);
        // Redirected there from a good server.
        const ReleaseArchive good("https://" + TestServer::TlsAuthority(), std::nullopt);
        EXPECT_THROW(good.Download(client, "/pub/kivu320.zip?fault=redirect-to&to=https://" + wrong +
                                               "/pub/kivu320.zip%3Fsize%3D40000",
                                   target, false),
                     HttpError);
        EXPECT_TRUE(ReadWholeFile(target) == "what the user had");
        EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"kivu320.zip"});
    }
    // The same download from the good server goes through.
    const ReleaseArchive good("https://" + TestServer::TlsAuthority(), std::nullopt);
    good.Download(client, "/pub/kivu320.zip?size=40000", target, false);
    EXPECT_TRUE(ReadWholeFile(target) == ArchiveBytes(40000));
}

TEST_F(Https, ThroughTheProxyTheUserSet) {
    ASSERT_FALSE(TestServer::ProxyAuthority().empty());
    TestServer::SetQuery("<html>via the proxy</html>");
    {
        // Named by another name than the server's: WinHTTP under Wine compares
        // only the names, and to a proxy on the server's own name it sends
        // the path alone, as to the server.
        const std::string port = TestServer::ProxyAuthority().substr(TestServer::ProxyAuthority().find(':'));
        const UserProxy proxy("localhost" + port);
        EXPECT_EQ(client.GetToMemory(At("/simcgi-bin/win95find.cgi?kivu")).body, "<html>via the proxy</html>");
        TempDir dir;
        EXPECT_EQ(client.GetToFile(Tls(TestServer::TlsAuthority(), "/a?size=100000"), dir.path() + "a.zip"), 200);
        EXPECT_TRUE(ReadWholeFile(dir.path() + "a.zip") == ArchiveBytes(100000));
    }
    const auto carried = TestServer::Proxied();
    ASSERT_EQ(carried.size(), 2u);
    EXPECT_EQ(carried[0], "GET http://" + TestServer::Authority() + "/simcgi-bin/win95find.cgi?kivu HTTP/1.0");
    EXPECT_EQ(carried[1].substr(0, carried[1].rfind(' ')), "CONNECT " + TestServer::TlsAuthority());
    // Without the setting the proxy is left alone.
    TestServer::SetQuery("<html>direct</html>");
    EXPECT_EQ(client.GetToMemory(At("/simcgi-bin/win95find.cgi?kivu")).body, "<html>direct</html>");
    EXPECT_TRUE(TestServer::Proxied().empty());
}
