#include "update/httpclient.h"

#include "common/handles.h"
#include "common/text.h"
#include "common/updatelibs.h"
#include "update/location.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <vector>

namespace kivu {

namespace {

// While data keeps coming, the window still gets its turn this often.
constexpr ULONGLONG kPumpEveryMs = 30;
// The most body bytes one read asks for (handed on in packets of at most kMaxPacket).
constexpr DWORD kReadSize = 16 * HttpClient::kMaxPacket;
// The most bytes a reply's header block may take.
constexpr DWORD kMaxHeadBytes = 64 * 1024;
// How long a closed request may take to let go of its notifications before
// the client goes on without it (one that waits for the network takes longer).
constexpr DWORD kClosingWaitMs = 200;
// The longest address the client accepts.
constexpr size_t kMaxAddress = 4096;

const wchar_t kRequestHeaders[] =
    L"Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
    L"Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
    L"Content-type: application/x-www-form-urlencoded\r\n";

std::string Failed(const std::string& what, DWORD error) { return what + " (" + std::to_string(error) + ")"; }

// The proxy the user set for this account, if any; otherwise WinHTTP's own setting.
UniqueInternet OpenSession() {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user{};
    HINTERNET session = nullptr;
    if (WinHttp().GetIEProxyConfigForCurrentUser(&user) && user.lpszProxy && *user.lpszProxy) {
        session = WinHttp().Open(nullptr, WINHTTP_ACCESS_TYPE_NAMED_PROXY, user.lpszProxy,
                                 user.lpszProxyBypass ? user.lpszProxyBypass : WINHTTP_NO_PROXY_BYPASS,
                                 WINHTTP_FLAG_ASYNC);
    } else {
        session = WinHttp().Open(nullptr, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                 WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
    }
    for (LPWSTR text : {user.lpszAutoConfigUrl, user.lpszProxy, user.lpszProxyBypass})
        if (text) GlobalFree(text);
    if (!session) throw HttpError(Failed("no HTTP session", GetLastError()));
    return UniqueInternet(session);
}

}  // namespace

// Where a reply's body goes.
class HttpClient::Sink {
public:
    virtual ~Sink() = default;
    virtual void Write(const char* data, size_t size) = 0;
    virtual void End() {}
    // Whether a body that ends where the server closes will do.
    virtual bool AcceptsUnframedEnd() const = 0;
};

class HttpClient::MemorySink : public Sink {
public:
    explicit MemorySink(size_t limit) : limit_(limit) {}
    void Write(const char* data, size_t size) override {
        if (size > limit_ - body.size()) throw HttpError("reply too large for memory");
        body.append(data, size);
    }
    bool AcceptsUnframedEnd() const override { return true; }
    std::string body;

private:
    size_t limit_;
};

class HttpClient::FileSink : public Sink {
public:
    FileSink(std::string path, const std::function<void(const char*, size_t)>& onBody)
        : path_(std::move(path)), onBody_(onBody) {
        file_.reset(CreateFileW(Widen(path_).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
        if (!file_) throw HttpError(Failed("cannot create " + path_, GetLastError()));
    }
    void Write(const char* data, size_t size) override {
        DWORD written = 0;
        if (!WriteFile(file_.get(), data, static_cast<DWORD>(size), &written, nullptr) || written != size)
            throw HttpError(Failed("cannot write " + path_, GetLastError()));
        if (onBody_) onBody_(data, size);
    }
    void End() override {
        if (!file_.close()) throw HttpError(Failed("cannot close " + path_, GetLastError()));
    }
    bool AcceptsUnframedEnd() const override { return false; }

private:
    std::string path_;
    const std::function<void(const char*, size_t)>& onBody_;
    UniqueFile file_;
};

// One GET on WinHTTP in asynchronous mode: each step is started here and
// completed on WinHTTP's thread, which records the outcome and wakes this
// one; waiting lets the caller's window in.
class HttpClient::Transfer {
public:
    Transfer(HttpClient& client, const std::string& address)
        : client_(client), address_(address), state_(std::make_shared<State>()) {
        state_->done.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        state_->closing.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!state_->done || !state_->closing) throw HttpError(Failed("no event", GetLastError()));
        Open(address);
    }
    ~Transfer() {
        if (!request_) return;
        // WinHTTP may still call back: the state stays until it says the
        // request is gone.
        request_.reset();
        WaitForSingleObject(state_->closing.get(), kClosingWaitMs);
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    // The reply's status, once its head has come.
    int Start() {
        lastByte_ = GetTickCount64();
        Step(WinHttp().SendRequest(request_.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                                   context_),
             WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE, "cannot send the request");
        Step(WinHttp().ReceiveResponse(request_.get(), nullptr), WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE,
             "no reply");
        DWORD status = 0, size = sizeof status;
        if (!WinHttp().QueryHeaders(request_.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                    WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
            throw HttpError(Failed("no status", GetLastError()));
        DWORD head = 0;
        WinHttp().QueryHeaders(request_.get(), WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                               WINHTTP_NO_OUTPUT_BUFFER, &head, WINHTTP_NO_HEADER_INDEX);
        if (head / sizeof(wchar_t) > kMaxHeadBytes) throw HttpError("reply head too large");
        return static_cast<int>(status);
    }

    // The address a redirect leads to. Not from https down to http.
    std::string Location() const {
        DWORD size = 0;
        WinHttp().QueryHeaders(request_.get(), WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX,
                               WINHTTP_NO_OUTPUT_BUFFER, &size, WINHTTP_NO_HEADER_INDEX);
        std::wstring location(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(location.size() * sizeof(wchar_t));
        if (!WinHttp().QueryHeaders(request_.get(), WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX,
                                    location.data(), &size, WINHTTP_NO_HEADER_INDEX))
            throw HttpError("redirect without a location");
        location.resize(size / sizeof(wchar_t));
        const auto next = ResolveLocation(address_, Narrow(location));
        if (!next) throw HttpError("redirect without a location");
        if (secure_ && next->compare(0, 8, "https://") != 0) throw HttpError("redirect from https to another scheme");
        return *next;
    }

    // Reads the body into sink, in packets, and checks that it is complete.
    void ReadBody(Sink& sink) {
        const std::optional<uint64_t> length = ContentLength();
        // Only a length proves where a body ends: a close alone may come from
        // a server or proxy that broke off, and WinHTTP under Wine ends a
        // chunked body cut before its last chunk as if it were whole.
        // (Chunks answer no HTTP/1.0 request anyway.)
        if (!length && !sink.AcceptsUnframedEnd()) throw HttpError("the reply does not say where its body ends");
        uint64_t received = 0;
        // Two buffers: while one is written (and digested), WinHTTP fills the other.
        Start(ReadInto(0), "transfer broken");
        for (int current = 0;; current ^= 1) {
            Finish(WINHTTP_CALLBACK_STATUS_READ_COMPLETE, "transfer broken");
            const size_t n = state_->bytes;
            if (n == 0) break;
            if (length && n > *length - received) throw HttpError("more body than its length");
            Start(ReadInto(current ^ 1), "transfer broken");
            const std::vector<char>& buffer = state_->buffers[current];
            sink.Write(buffer.data(), n);
            for (size_t done = 0; done < n;) {
                const size_t packet = std::min(n - done, kMaxPacket);
                done += packet;
                received += packet;
                if (client_.onPacket) client_.onPacket(received);
            }
        }
        if (length && received != *length) throw HttpError("connection closed before the body ended");
        sink.End();
    }

private:
    // What WinHTTP's thread hands over; shared, since a closing request may
    // still call back after the transfer has gone.
    struct State {
        UniqueHandle done, closing;
        std::atomic<DWORD> status{0};  // the completion that came
        std::atomic<DWORD> bytes{0};
        std::atomic<DWORD> error{0};
        // A read still running when the request is closed writes here.
        std::vector<char> buffers[2] = {std::vector<char>(kReadSize), std::vector<char>(kReadSize)};
    };
    struct Context {
        std::shared_ptr<State> state;
    };

    static void CALLBACK Callback(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD length) {
        auto* owner = reinterpret_cast<Context*>(context);
        if (!owner) return;
        State& state = *owner->state;
        switch (status) {
        case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING: {
            const HANDLE closing = state.closing.get();
            const auto keep = owner->state;  // the event lives until it is set
            delete owner;
            SetEvent(closing);
            return;
        }
        case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
            state.error = static_cast<WINHTTP_ASYNC_RESULT*>(info)->dwError;
            break;
        case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
            state.bytes = length;
            break;
        case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
        case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
            break;
        default:
            return;
        }
        state.status = status;
        SetEvent(state.done.get());
    }

    void Open(const std::string& address) {
        if (address.size() > kMaxAddress) throw HttpError("address too long");
        for (char c : address)
            if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) throw HttpError("blank or control in address");
        const std::wstring wide = Widen(address);
        URL_COMPONENTS parts{};
        parts.dwStructSize = sizeof parts;
        parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
        parts.dwUserNameLength = parts.dwPasswordLength = 1;
        if (!WinHttp().CrackUrl(wide.c_str(), static_cast<DWORD>(wide.size()), 0, &parts))
            throw HttpError(Failed("not an address: " + address.substr(0, 100), GetLastError()));
        if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
            throw HttpError("not an http or https address: " + address.substr(0, 100));
        if (parts.dwHostNameLength == 0 || parts.dwUserNameLength || parts.dwPasswordLength)
            throw HttpError("no plain host in " + address.substr(0, 100));
        const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
        std::wstring target(parts.lpszUrlPath, parts.dwUrlPathLength);
        if (target.empty()) target = L"/";
        target.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
        if (const size_t fragment = target.find(L'#'); fragment != std::wstring::npos) target.resize(fragment);

        secure_ = parts.nScheme == INTERNET_SCHEME_HTTPS;
        session_ = OpenSession();
        const int stall = static_cast<int>(client_.stallTimeoutMs);
        WinHttp().SetTimeouts(session_.get(), 0, stall, stall, stall);
        connect_.reset(WinHttp().Connect(session_.get(), host.c_str(), parts.nPort, 0));
        if (!connect_) throw HttpError(Failed("cannot connect", GetLastError()));
        request_.reset(WinHttp().OpenRequest(connect_.get(), L"GET", target.c_str(), L"HTTP/1.0", WINHTTP_NO_REFERER,
                                             WINHTTP_DEFAULT_ACCEPT_TYPES,
                                             secure_ ? WINHTTP_FLAG_SECURE : 0));
        if (!request_) throw HttpError(Failed("no request", GetLastError()));
        auto* context = new Context{state_};
        DWORD_PTR value = context_ = reinterpret_cast<DWORD_PTR>(context);
        if (!WinHttp().SetOption(request_.get(), WINHTTP_OPTION_CONTEXT_VALUE, &value, sizeof value) ||
            WinHttp().SetStatusCallback(request_.get(), Callback,
                                        WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES,
                                        0) == WINHTTP_INVALID_STATUS_CALLBACK) {
            const DWORD error = GetLastError();
            delete context;
            request_.reset();
            throw HttpError(Failed("no notifications", error));
        }
        // Redirects are ours: WinHTTP under Wine cuts relative locations and
        // follows any scheme.
        DWORD off = WINHTTP_DISABLE_REDIRECTS;
        if (!WinHttp().SetOption(request_.get(), WINHTTP_OPTION_DISABLE_FEATURE, &off, sizeof off))
            throw HttpError(Failed("redirects not under control", GetLastError()));
        DWORD head = kMaxHeadBytes;
        WinHttp().SetOption(request_.get(), WINHTTP_OPTION_MAX_RESPONSE_HEADER_SIZE, &head, sizeof head);
        if (!WinHttp().AddRequestHeaders(request_.get(), kRequestHeaders, static_cast<DWORD>(-1L),
                                         WINHTTP_ADDREQ_FLAG_ADD))
            throw HttpError(Failed("no request headers", GetLastError()));
    }

    // Starts a read into one of the two buffers.
    BOOL ReadInto(int index) {
        return WinHttp().ReadData(request_.get(), state_->buffers[index].data(), kReadSize, nullptr);
    }

    // Checks a step's start, then waits for its completion.
    void Step(BOOL started, DWORD completion, const char* what) {
        Start(started, what);
        Finish(completion, what);
    }

    void Start(BOOL started, const char* what) {
        if (!started) throw HttpError(Failed(what, GetLastError()));
    }

    // Waits for the completion of the step started last.
    void Finish(DWORD completion, const char* what) {
        const DWORD status = Wait();
        if (status == WINHTTP_CALLBACK_STATUS_REQUEST_ERROR) throw HttpError(Failed(what, state_->error));
        if (status != completion) throw HttpError(Failed(what, status));
        lastByte_ = GetTickCount64();
        if (lastByte_ - lastPump_ >= kPumpEveryMs) Pump();
    }

    void Pump() {
        lastPump_ = GetTickCount64();
        if (client_.onWait) client_.onWait();
        if (client_.cancelled_) throw HttpError("cancelled");
    }

    // The completion that came, letting the window in meanwhile. Fails after
    // the stall time without a byte.
    DWORD Wait() {
        const HANDLE done = state_->done.get();
        for (;;) {
            if (client_.cancelled_) throw HttpError("cancelled");
            const ULONGLONG idle = GetTickCount64() - lastByte_;
            if (idle >= client_.stallTimeoutMs) throw HttpError("no data from the server");
            const auto left = static_cast<DWORD>(client_.stallTimeoutMs - idle);
            // Messages already in the queue wake the wait too, not only new ones:
            // a pending timer message would otherwise sleep until the stall time.
            const DWORD r = client_.onWait ? MsgWaitForMultipleObjectsEx(1, &done, left, QS_ALLINPUT,
                                                                          MWMO_INPUTAVAILABLE)
                                           : WaitForSingleObject(done, left);
            if (r == WAIT_OBJECT_0) return state_->status;
            if (r == WAIT_OBJECT_0 + 1) Pump();
            else if (r != WAIT_TIMEOUT) throw HttpError("wait failed");
        }
    }

    std::optional<uint64_t> ContentLength() const {
        wchar_t text[32];
        DWORD size = sizeof text;
        if (!WinHttp().QueryHeaders(request_.get(), WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, text,
                                    &size, WINHTTP_NO_HEADER_INDEX))
            return std::nullopt;
        uint64_t value = 0;
        const size_t n = size / sizeof(wchar_t);
        if (n == 0 || n > 19) throw HttpError("bad body length");
        for (size_t i = 0; i < n; ++i) {
            if (text[i] < L'0' || text[i] > L'9') throw HttpError("bad body length");
            value = value * 10 + static_cast<uint64_t>(text[i] - L'0');
        }
        return value;
    }

    HttpClient& client_;
    std::string address_;
    bool secure_ = false;
    std::shared_ptr<State> state_;
    // Closed in reverse: the request first.
    UniqueInternet session_, connect_, request_;
    DWORD_PTR context_ = 0;
    ULONGLONG lastByte_ = 0;
    ULONGLONG lastPump_ = 0;
};

HttpReply HttpClient::GetToMemory(const std::string& address) {
    MemorySink sink(maxMemoryBody);
    HttpReply reply;
    reply.status = Get(address, sink);
    reply.body = std::move(sink.body);
    return reply;
}

int HttpClient::GetToFile(const std::string& address, const std::string& path) {
    FileSink sink(path, onBody);
    return Get(address, sink);
}

int HttpClient::Get(const std::string& address, Sink& sink) {
    if (cancelled_) throw HttpError("cancelled");
    std::string current = address;
    for (int redirects = 0;; ++redirects) {
        Transfer transfer(*this, current);
        const int status = transfer.Start();
        if (status < 300 || status > 399) {
            transfer.ReadBody(sink);
            return status;
        }
        if (redirects >= maxRedirects) throw HttpError("too many redirects");
        current = transfer.Location();
    }
}

}  // namespace kivu
