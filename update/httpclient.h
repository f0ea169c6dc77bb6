// The live update's HTTP client on WinHTTP: a GET of an absolute "http://"
// or "https://" address to memory or to a file, with the system's TLS,
// certificate store and the user's proxy. What is ours on top: the limits,
// the progress per packet, cancelling, letting the caller's window in while
// it waits, and that a body written to a file must prove its end.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace kivu {

// A GET that did not end with a complete reply: no connection, a refused
// certificate, a broken, stalled or unframed transfer, too many redirects,
// cancelled.
class HttpError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct HttpReply {
    int status = 0;
    std::string body;
};

class HttpClient {
public:
    // The most bytes handed on as one received packet.
    static constexpr size_t kMaxPacket = 16383;

    HttpClient() = default;
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Called while the client waits, and every few milliseconds while data
    // keeps coming; may call Cancel.
    std::function<void()> onWait;
    // A GET to file calls it after each received packet (at most kMaxPacket
    // bytes) with the body bytes received so far.
    std::function<void(uint64_t received)> onPacket;
    // A GET to file hands it every body byte as it arrives (e.g. to a digest).
    std::function<void(const char* data, size_t size)> onBody;

    // A GET fails when no byte came for this long.
    DWORD stallTimeoutMs = 60000;
    // The most bytes a body in memory may take.
    size_t maxMemoryBody = 4u << 20;
    // Redirects followed in a row before the GET fails.
    int maxRedirects = 10;

    // The reply's status and body. Redirects are followed (http and https
    // only, never from https to http); an error status
    // (400 and above) comes back with its body. A body without a length may
    // end where the server closes.
    HttpReply GetToMemory(const std::string& address);
    // As GetToMemory, but the body goes to the file (created or overwritten)
    // as it arrives; returns the status. The body must prove its end: the
    // reply carries a length and the body reaches it; a close alone, a reset
    // or chunks fail.
    int GetToFile(const std::string& address, const std::string& path);

    // Ends the running GET with an HttpError at its next turn.
    void Cancel() { cancelled_ = true; }
    bool Cancelled() const { return cancelled_; }

private:
    class Sink;
    class MemorySink;
    class FileSink;
    class Transfer;
    int Get(const std::string& address, Sink& sink);

    bool cancelled_ = false;
};

}  // namespace kivu
