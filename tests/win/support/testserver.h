// The live update's test server (tests/httpserver.py): tools/test.sh starts
// it on 127.0.0.1 and names it in KIVU_TEST_SERVER. To run one test program
// by hand: python3 tests/httpserver.py, then KIVU_TEST_SERVER=127.0.0.1:PORT.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

class TestServer {
public:
    // "127.0.0.1:port"; empty when no server was named.
    static std::string Authority();
    // The same answers over HTTPS, certificate signed by the test authority
    // for 127.0.0.1; for another name; expired; from an untrusted authority.
    static std::string TlsAuthority();
    static std::string OtherNameAuthority();
    static std::string ExpiredAuthority();
    static std::string UntrustedAuthority();
    // The server's forward proxy.
    static std::string ProxyAuthority();
    // A file the server answers at path (no query) from now on.
    static void PutFile(const std::string& path, const std::string& bytes);
    // The request lines the proxy carried since the last SetQuery.
    static std::vector<std::string> Proxied();
    // What the release query answers from now on; forgets the requests.
    static void SetQuery(const std::string& page, int status = 200, const std::string& fault = "");
    // The raw bytes of each request since the last SetQuery.
    static std::vector<std::string> Requests();
};

// The proxy set for this account in the system's Internet settings (the
// binary connection settings), while the object lives.
class UserProxy {
public:
    explicit UserProxy(const std::string& proxy);
    ~UserProxy();
    UserProxy(const UserProxy&) = delete;
    UserProxy& operator=(const UserProxy&) = delete;
};

// The archive the server sends: byte i is i % 251.
std::string ArchiveBytes(size_t size);

// A release link as the archive writes it.
std::string ReleaseLink(const std::string& file);

// A port of 127.0.0.1 where nothing listens.
uint16_t ClosedPort();

// The file's contents; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);

}  // namespace testsupport
