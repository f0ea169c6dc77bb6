// A small HTTP/1.0 client over Winsock: a blocking GET of an absolute
// "http://" address to memory or to a file. While it waits it calls onWait,
// so that the caller's window stays alive.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "update/httpparse.h"

namespace kivu {

// A GET that did not end with a complete reply: no connection, a broken or
// stalled transfer, a malformed reply, too many redirects, cancelled.
class HttpError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct HttpReply {
    int status = 0;
    std::string body;
};

class HttpClient {
public:
    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Called while the client waits, and every few milliseconds while data
    // keeps coming; may call Cancel.
    std::function<void()> onWait;
    // A GET to file calls it after each received packet (at most
    // http::kMaxPacket bytes) with the body bytes received so far.
    std::function<void(uint64_t received)> onPacket;

    // A GET fails when no byte came for this long.
    DWORD stallTimeoutMs = 60000;
    // The most bytes a body in memory may take.
    size_t maxMemoryBody = 4u << 20;
    // Redirects followed in a row before the GET fails.
    int maxRedirects = 10;

    // The reply's status and body. A 3xx is followed to its "Location"; an
    // error status (400 and above) comes back with its body.
    HttpReply GetToMemory(const std::string& address);
    // As GetToMemory, but the body goes to the file (created or
    // overwritten), as it arrives; returns the status.
    int GetToFile(const std::string& address, const std::string& path);

    // Ends the running GET with an HttpError at its next turn.
    void Cancel() { cancelled_ = true; }
    bool Cancelled() const { return cancelled_; }

private:
    class Sink;
    class MemorySink;
    class FileSink;
    class Connection;
    int Get(const std::string& address, Sink& sink);
    // One request and its reply; the status, and the next address for a redirect.
    int Exchange(const http::Address& address, Sink& sink, http::Address& next);

    bool started_ = false;
    bool cancelled_ = false;
};

}  // namespace kivu
