// The HTTP/1.0 client's handling of untrusted text: addresses, the request,
// the status line and the header block. No windows.h: tested natively.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kivu::http {

// The most bytes handed on as one received packet.
constexpr size_t kMaxPacket = 16383;
// The most bytes a header block may take; a longer one fails the GET.
constexpr size_t kMaxHeadBytes = 64 * 1024;
// The longest address the client accepts.
constexpr size_t kMaxAddress = 4096;

// An absolute "http://host[:port]/path?query" address, split.
struct Address {
    std::string host;       // name or dotted address, without the port
    uint16_t port = 80;
    std::string authority;  // host[:port] as written: the "Host:" line
    std::string target;     // path with query, at least "/"; no fragment
};

// Splits an absolute http address. Fails for another scheme, a missing or
// malformed host or port, user information, blanks or control characters.
std::optional<Address> SplitAddress(std::string_view text);

// The address a "Location" header leads to from base: an absolute http
// address, or a path relative to base's host ("/x" from the root, "x" from
// base's folder). Fails for other schemes and for an empty location.
std::optional<Address> ResolveLocation(const Address& base, std::string_view location);

// The request bytes of a GET of the address.
std::string RequestBytes(const Address& address);

// The status code of a status line "HTTP/d.d ddd[ reason]" (a trailing CR
// is allowed); exactly three digits, 100 to 599.
std::optional<int> ParseStatusLine(std::string_view line);

struct Head {
    int status = 0;
    std::vector<std::pair<std::string, std::string>> fields;  // in order, names as sent
    std::optional<uint64_t> contentLength;

    // The value of the first field of that name (compared case-insensitively).
    const std::string* Field(std::string_view name) const;
};

// Parses a header block: the status line, then fields "Name: value", lines
// ended by CRLF or LF, a line starting with a blank or tab continuing the
// field before it. Lines without a field name are passed over. Fails for a
// bad status line, a continuation without a field, or a Content-Length that
// is not a number (or two that differ).
std::optional<Head> ParseHead(std::string_view block);

// Collects a reply's header block as it arrives in pieces of any size.
class HeadReader {
public:
    enum class State { More, Done, Failed };

    // Takes the next received bytes. Done once the empty line has come;
    // Failed for a block over kMaxHeadBytes or one that does not parse.
    State Feed(std::string_view bytes);
    State GetState() const { return state_; }
    // Valid once Done.
    const Head& Result() const { return head_; }
    // The body bytes that came with the last piece of the head.
    std::string_view Leftover() const { return leftover_; }

private:
    State state_ = State::More;
    std::string block_;
    size_t lineStart_ = 0;  // where the line being received begins
    Head head_;
    std::string leftover_;
};

}  // namespace kivu::http
