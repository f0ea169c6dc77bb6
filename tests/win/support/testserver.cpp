#include "tests/win/support/testserver.h"

#include "common/text.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>
#include <stdexcept>

namespace testsupport {

namespace {

class Winsock {
public:
    Winsock() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~Winsock() { WSACleanup(); }
};

// One blocking exchange with the server; the reply's body.
std::string Exchange(const std::string& request) {
    Winsock winsock;
    const std::string authority = TestServer::Authority();
    if (authority.empty()) throw std::runtime_error("KIVU_TEST_SERVER is not set (tools/test.sh sets it)");
    const auto colon = authority.find(':');
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<u_short>(std::stoi(authority.substr(colon + 1))));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        closesocket(s);
        throw std::runtime_error("the test server does not answer at " + authority);
    }
    send(s, request.data(), static_cast<int>(request.size()), 0);
    std::string reply;
    char buf[65536];
    for (int n; (n = recv(s, buf, sizeof buf, 0)) > 0;) reply.append(buf, static_cast<size_t>(n));
    closesocket(s);
    const auto end = reply.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : reply.substr(end + 4);
}

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

std::string TestServer::Authority() { return Variable("KIVU_TEST_SERVER"); }
std::string TestServer::TlsAuthority() { return Variable("KIVU_TEST_TLS"); }
std::string TestServer::OtherNameAuthority() { return Variable("KIVU_TEST_TLS_OTHERNAME"); }
std::string TestServer::ExpiredAuthority() { return Variable("KIVU_TEST_TLS_EXPIRED"); }
std::string TestServer::UntrustedAuthority() { return Variable("KIVU_TEST_TLS_UNTRUSTED"); }
std::string TestServer::ProxyAuthority() { return Variable("KIVU_TEST_PROXY"); }

void TestServer::PutFile(const std::string& path, const std::string& bytes) {
    Exchange("POST /_control/file?path=" + path + " HTTP/1.0\r\nContent-Length: " + std::to_string(bytes.size()) +
             "\r\n\r\n" + bytes);
}

std::vector<std::string> TestServer::Proxied() {
    const std::string all = Exchange("GET /_control/proxied HTTP/1.0\r\n\r\n");
    std::vector<std::string> lines;
    for (size_t at = 0; at < all.size();) {
        const size_t nl = all.find('\n', at);
        lines.push_back(all.substr(at, nl - at));
        at = nl + 1;
    }
    return lines;
}

void TestServer::SetQuery(const std::string& page, int status, const std::string& fault) {
    Exchange("POST /_control/query?status=" + std::to_string(status) + "&fault=" + fault +
             " HTTP/1.0\r\nContent-Length: " + std::to_string(page.size()) + "\r\n\r\n" + page);
}

std::vector<std::string> TestServer::Requests() {
    const std::string all = Exchange("GET /_control/requests HTTP/1.0\r\n\r\n");
    std::vector<std::string> requests;
    for (size_t at = 0; at < all.size();) {
        const size_t nl = all.find('\n', at);
        const size_t size = std::stoul(all.substr(at, nl - at));
        requests.push_back(all.substr(nl + 1, size));
        at = nl + 1 + size;
    }
    return requests;
}

namespace {
constexpr const char* kConnectionsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
}

UserProxy::UserProxy(const std::string& proxy) {
    // Version, change counter, flags (direct and named proxy), then the proxy,
    // the bypass list and the configuration script, each after its length.
    std::string blob;
    const auto word = [&](DWORD value) { blob.append(reinterpret_cast<const char*>(&value), sizeof value); };
    word(0x46);
    word(1);
    word(3);
    word(static_cast<DWORD>(proxy.size()));
    blob += proxy;
    for (int i = 0; i < 6; ++i) word(0);
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kConnectionsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        throw std::runtime_error("cannot set the proxy");
    RegSetValueExA(key, "DefaultConnectionSettings", 0, REG_BINARY, reinterpret_cast<const BYTE*>(blob.data()),
                   static_cast<DWORD>(blob.size()));
    RegCloseKey(key);
}

UserProxy::~UserProxy() { RegDeleteKeyValueA(HKEY_CURRENT_USER, kConnectionsKey, "DefaultConnectionSettings"); }

std::string ArchiveBytes(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

std::string ReleaseLink(const std::string& file) { return "<A HREF=\"/pub/simtelnet/win95/desktop/" + file + "\">"; }

uint16_t ClosedPort() {
    Winsock winsock;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at);
    int size = sizeof at;
    getsockname(s, reinterpret_cast<sockaddr*>(&at), &size);
    closesocket(s);
    return ntohs(at.sin_port);
}

std::string ReadWholeFile(const std::string& path) {
    HANDLE h = CreateFileW(kivu::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::string data;
    char buf[65536];
    DWORD n = 0;
    while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) data.append(buf, n);
    CloseHandle(h);
    return data;
}

}  // namespace testsupport
