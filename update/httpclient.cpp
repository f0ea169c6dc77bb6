#include "update/httpclient.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <vector>

#include "common/handles.h"

namespace kivu {

namespace {

// While data keeps coming, the window still gets its turn this often.
constexpr ULONGLONG kPumpEveryMs = 30;
// The most body bytes one read takes (in packets of at most http::kMaxPacket).
constexpr size_t kBodyRead = 4 * http::kMaxPacket;

std::string SocketError(const char* what) { return std::string(what) + " (" + std::to_string(WSAGetLastError()) + ")"; }

// Winsock's kinds for the common owner (winsock2.h stays out of its header).
struct SocketKind {
    using Type = SOCKET;
    static Type Invalid() { return INVALID_SOCKET; }
    static bool Close(Type s) { return closesocket(s) == 0; }
};
struct NetworkEventKind {
    using Type = WSAEVENT;
    static Type Invalid() { return WSA_INVALID_EVENT; }
    static bool Close(Type e) { return WSACloseEvent(e) != FALSE; }
};
struct AddressListKind {
    using Type = addrinfo*;
    static Type Invalid() { return nullptr; }
    static bool Close(Type list) {
        freeaddrinfo(list);
        return true;
    }
};
using UniqueSocket = Unique<SocketKind>;
using UniqueNetworkEvent = Unique<NetworkEventKind>;
using UniqueAddressList = Unique<AddressListKind>;

}  // namespace

// Where a reply's body goes.
class HttpClient::Sink {
public:
    virtual ~Sink() = default;
    virtual void Begin() = 0;
    virtual void Write(const char* data, size_t size) = 0;
    virtual void End() {}
};

class HttpClient::MemorySink : public Sink {
public:
    explicit MemorySink(size_t limit) : limit_(limit) {}
    void Begin() override { body.clear(); }
    void Write(const char* data, size_t size) override {
        if (size > limit_ - body.size()) throw HttpError("reply too large for memory");
        body.append(data, size);
    }
    std::string body;

private:
    size_t limit_;
};

class HttpClient::FileSink : public Sink {
public:
    explicit FileSink(std::string path) : path_(std::move(path)) {}
    void Begin() override {
        file_.reset();  // a file of an earlier reply is closed before it is made anew
        file_.reset(
            CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file_) throw HttpError("cannot create " + path_);
    }
    void Write(const char* data, size_t size) override {
        DWORD written = 0;
        if (!WriteFile(file_.get(), data, static_cast<DWORD>(size), &written, nullptr) || written != size)
            throw HttpError("cannot write " + path_);
    }
    void End() override {
        if (!file_.close()) throw HttpError("cannot close " + path_);
    }

private:
    std::string path_;
    UniqueFile file_;
};

// One connected socket in non-blocking mode; every wait lets the window in.
class HttpClient::Connection {
public:
    Connection(HttpClient& client, const http::Address& address) : client_(client), event_(WSACreateEvent()) {
        if (!event_) throw HttpError(SocketError("no event"));
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        UniqueAddressList found;
        // Name resolution is the one wait that cannot let the window in.
        if (getaddrinfo(address.host.c_str(), std::to_string(address.port).c_str(), &hints, found.put()) != 0 ||
            !found)
            throw HttpError("cannot resolve " + address.host);
        std::string error = "no address for " + address.host;
        for (addrinfo* ai = found.get(); ai && !socket_; ai = ai->ai_next) {
            try {
                Connect(*ai);
            } catch (const HttpError& e) {
                socket_.reset();
                error = e.what();
                if (client_.cancelled_) break;
            }
        }
        if (!socket_) throw HttpError(error);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void SendAll(std::string_view bytes) {
        while (!bytes.empty()) {
            const int n = send(socket_.get(), bytes.data(), static_cast<int>(bytes.size()), 0);
            if (n > 0) {
                bytes.remove_prefix(static_cast<size_t>(n));
            } else if (WSAGetLastError() == WSAEWOULDBLOCK) {
                Wait();
            } else {
                throw HttpError(SocketError("send failed"));
            }
        }
    }

    // The next received bytes (at most size of them); 0 when the server has
    // closed the connection.
    size_t Receive(char* buffer, size_t size) {
        for (;;) {
            const int n = recv(socket_.get(), buffer, static_cast<int>(size), 0);
            if (n >= 0) {
                lastByte_ = GetTickCount64();
                if (lastByte_ - lastPump_ >= kPumpEveryMs) Pump();
                return static_cast<size_t>(n);
            }
            if (WSAGetLastError() != WSAEWOULDBLOCK) throw HttpError(SocketError("transfer broken"));
            Wait();
        }
    }

private:
    void Connect(const addrinfo& ai) {
        socket_.reset(socket(ai.ai_family, ai.ai_socktype, ai.ai_protocol));
        if (!socket_) throw HttpError(SocketError("no socket"));
        if (WSAEventSelect(socket_.get(), event_.get(), FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) != 0)
            throw HttpError(SocketError("no socket events"));
        lastByte_ = GetTickCount64();
        if (connect(socket_.get(), ai.ai_addr, static_cast<int>(ai.ai_addrlen)) == 0) return;
        if (WSAGetLastError() != WSAEWOULDBLOCK) throw HttpError(SocketError("cannot connect"));
        for (;;) {
            const WSANETWORKEVENTS events = Wait();
            if (events.lNetworkEvents & FD_CONNECT) {
                if (events.iErrorCode[FD_CONNECT_BIT] != 0)
                    throw HttpError("cannot connect (" + std::to_string(events.iErrorCode[FD_CONNECT_BIT]) + ")");
                return;
            }
        }
    }

    void Pump() {
        lastPump_ = GetTickCount64();
        if (client_.onWait) client_.onWait();
        if (client_.cancelled_) throw HttpError("cancelled");
    }

    // Waits for the next network event (returned, and reset), letting the
    // window in meanwhile. Fails after the stall time without a byte.
    WSANETWORKEVENTS Wait() {
        const WSAEVENT event = event_.get();
        for (;;) {
            if (client_.cancelled_) throw HttpError("cancelled");
            const ULONGLONG idle = GetTickCount64() - lastByte_;
            if (idle >= client_.stallTimeoutMs) throw HttpError("no data from the server");
            const auto left = static_cast<DWORD>(client_.stallTimeoutMs - idle);
            // Messages already in the queue wake the wait too, not only new ones:
            // a pending timer message would otherwise sleep until the stall time.
            const DWORD r = client_.onWait
                                ? MsgWaitForMultipleObjectsEx(1, &event, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE)
                                : WaitForSingleObject(event, left);
            if (r == WAIT_OBJECT_0) {
                WSANETWORKEVENTS events{};
                if (WSAEnumNetworkEvents(socket_.get(), event, &events) != 0) throw HttpError(SocketError("wait failed"));
                return events;
            }
            if (r == WAIT_OBJECT_0 + 1) Pump();
            else if (r != WAIT_TIMEOUT) throw HttpError("wait failed");
        }
    }

    HttpClient& client_;
    UniqueNetworkEvent event_;
    UniqueSocket socket_;  // declared after the event: closed before it
    ULONGLONG lastByte_ = 0;
    ULONGLONG lastPump_ = 0;
};

HttpClient::HttpClient() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

HttpClient::~HttpClient() {
    if (started_) WSACleanup();
}

HttpReply HttpClient::GetToMemory(const std::string& address) {
    MemorySink sink(maxMemoryBody);
    HttpReply reply;
    reply.status = Get(address, sink);
    reply.body = std::move(sink.body);
    return reply;
}

int HttpClient::GetToFile(const std::string& address, const std::string& path) {
    FileSink sink(path);
    return Get(address, sink);
}

int HttpClient::Get(const std::string& address, Sink& sink) {
    if (!started_) throw HttpError("no sockets");
    auto current = http::SplitAddress(address);
    if (!current) throw HttpError("not an http address: " + address.substr(0, 100));
    for (int redirects = 0;; ++redirects) {
        http::Address next;
        const int status = Exchange(*current, sink, next);
        if (status < 300 || status > 399) return status;
        if (redirects >= maxRedirects) throw HttpError("too many redirects");
        *current = std::move(next);
    }
}

int HttpClient::Exchange(const http::Address& address, Sink& sink, http::Address& next) {
    Connection connection(*this, address);
    connection.SendAll(http::RequestBytes(address));

    // The head is read a packet at a time, so what comes with it is one packet.
    std::vector<char> packet(http::kMaxPacket);
    http::HeadReader head;
    while (head.GetState() == http::HeadReader::State::More) {
        const size_t n = connection.Receive(packet.data(), packet.size());
        if (n == 0) throw HttpError("connection closed before the reply's head ended");
        if (head.Feed(std::string_view(packet.data(), n)) == http::HeadReader::State::Failed)
            throw HttpError("malformed reply head");
    }
    const http::Head& reply = head.Result();
    if (reply.status >= 300 && reply.status <= 399) {
        const std::string* location = reply.Field("Location");
        if (!location) throw HttpError("redirect without a location");
        auto to = http::ResolveLocation(address, *location);
        if (!to) throw HttpError("redirect to an address the client cannot follow");
        next = std::move(*to);
        return reply.status;
    }

    // With a length the body ends there, and a shorter one is a broken
    // transfer; without one it ends when the server closes.
    const auto expected = reply.contentLength;
    uint64_t received = 0;
    // Bytes are handed on in packets of at most kMaxPacket, each followed by
    // its notification; a read may bring several.
    const auto take = [&](const char* data, size_t size) {
        if (expected && size > *expected - received) size = static_cast<size_t>(*expected - received);
        sink.Write(data, size);
        for (size_t done = 0; done < size;) {
            const size_t packetSize = std::min(size - done, http::kMaxPacket);
            done += packetSize;
            received += packetSize;
            if (onPacket) onPacket(received);
        }
    };
    sink.Begin();
    const std::string_view buffered = head.Leftover();  // came with the head: counts at once
    if (!buffered.empty()) take(buffered.data(), buffered.size());
    // The body is read in larger pieces: every read costs a trip to the system.
    std::vector<char> body(kBodyRead);
    while (!expected || received < *expected) {
        const size_t n = connection.Receive(body.data(), body.size());
        if (n == 0) {
            if (expected) throw HttpError("connection closed before the body ended");
            break;
        }
        take(body.data(), n);
    }
    sink.End();
    return reply.status;
}

}  // namespace kivu
