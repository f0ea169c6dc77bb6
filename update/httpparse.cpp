#include "update/httpparse.h"

#include <algorithm>

namespace kivu::http {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool StartsNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

bool IsHostChar(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' || c == '-' || c == '_';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view DropCR(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

// Digits only, at most 19 of them (fits 64 bits).
std::optional<uint64_t> ParseCount(std::string_view s) {
    if (s.empty() || s.size() > 19) return std::nullopt;
    uint64_t value = 0;
    for (char c : s) {
        if (!IsDigit(c)) return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value;
}

}  // namespace

std::optional<Address> SplitAddress(std::string_view text) {
    constexpr std::string_view kScheme = "http://";
    if (text.size() > kMaxAddress || !StartsNoCase(text, kScheme)) return std::nullopt;
    text.remove_prefix(kScheme.size());
    const size_t end = std::min(text.find_first_of("/?#"), text.size());
    const std::string_view authority = text.substr(0, end);
    std::string_view rest = text.substr(end);

    Address a;
    const size_t colon = authority.find(':');
    const std::string_view host = authority.substr(0, colon);
    if (host.empty() || !std::all_of(host.begin(), host.end(), IsHostChar)) return std::nullopt;
    if (colon != std::string_view::npos) {
        const std::string_view port = authority.substr(colon + 1);
        if (port.empty() || port.size() > 5 || !std::all_of(port.begin(), port.end(), IsDigit)) return std::nullopt;
        const auto number = ParseCount(port);
        if (!number || *number == 0 || *number > 65535) return std::nullopt;
        a.port = static_cast<uint16_t>(*number);
    }
    a.host = std::string(host);
    a.authority = std::string(authority);

    rest = rest.substr(0, rest.find('#'));
    if (std::any_of(rest.begin(), rest.end(), [](char c) { return c == ' ' || IsControl(c); })) return std::nullopt;
    a.target = rest.empty() || rest.front() != '/' ? "/" + std::string(rest) : std::string(rest);
    return a;
}

std::optional<Address> ResolveLocation(const Address& base, std::string_view location) {
    if (location.empty() || location.size() > kMaxAddress) return std::nullopt;
    // A scheme: letters first, then letters, digits, "+", "-", "." up to ":".
    const size_t colon = location.find(':');
    const size_t firstSeparator = location.find_first_of("/?#");
    if (colon != std::string_view::npos && colon > 0 && colon < firstSeparator) {
        const std::string_view scheme = location.substr(0, colon);
        const bool isScheme = std::all_of(scheme.begin(), scheme.end(), [](char c) {
            return IsDigit(c) || (Lower(c) >= 'a' && Lower(c) <= 'z') || c == '+' || c == '-' || c == '.';
        }) && !IsDigit(scheme.front());
        if (isScheme) return EqualNoCase(scheme, "http") ? SplitAddress(location) : std::nullopt;
    }
    if (location.substr(0, 2) == "//") return SplitAddress("http:" + std::string(location));

    std::string target;
    if (location.front() == '/') {
        target = std::string(location);
    } else {
        const std::string_view path = std::string_view(base.target).substr(0, base.target.find('?'));
        if (location.front() == '?') target = std::string(path);
        else target = std::string(path.substr(0, path.rfind('/') + 1));
        target += location;
    }
    return SplitAddress("http://" + base.authority + target);
}

std::string RequestBytes(const Address& address) {
    return "GET " + address.target + " HTTP/1.0\r\n"
           "Host: " + address.authority + "\r\n"
           "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
           "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
           "Content-type: application/x-www-form-urlencoded\r\n"
           "\r\n";
}

std::optional<int> ParseStatusLine(std::string_view line) {
    line = DropCR(line);
    constexpr std::string_view kProtocol = "HTTP/";
    if (line.substr(0, kProtocol.size()) != kProtocol) return std::nullopt;
    size_t i = kProtocol.size();
    const auto digits = [&] {
        const size_t from = i;
        while (i < line.size() && IsDigit(line[i])) ++i;
        return i > from;
    };
    if (!digits() || i >= line.size() || line[i] != '.') return std::nullopt;
    ++i;
    if (!digits() || i >= line.size() || line[i] != ' ') return std::nullopt;
    ++i;
    if (line.size() - i < 3 || !IsDigit(line[i]) || !IsDigit(line[i + 1]) || !IsDigit(line[i + 2]))
        return std::nullopt;
    if (line.size() > i + 3 && line[i + 3] != ' ') return std::nullopt;
    const int status = (line[i] - '0') * 100 + (line[i + 1] - '0') * 10 + (line[i + 2] - '0');
    if (status < 100 || status > 599) return std::nullopt;
    return status;
}

const std::string* Head::Field(std::string_view name) const {
    for (const auto& [n, v] : fields)
        if (EqualNoCase(n, name)) return &v;
    return nullptr;
}

std::optional<Head> ParseHead(std::string_view block) {
    Head head;
    bool first = true;
    bool lastWasField = false;
    while (!block.empty()) {
        const size_t nl = block.find('\n');
        const std::string_view line = DropCR(block.substr(0, nl));
        block = nl == std::string_view::npos ? std::string_view() : block.substr(nl + 1);
        if (first) {
            const auto status = ParseStatusLine(line);
            if (!status) return std::nullopt;
            head.status = *status;
            first = false;
            continue;
        }
        if (!line.empty() && IsBlank(line.front())) {
            if (!lastWasField) return std::nullopt;  // nothing to continue
            const std::string_view more = Trim(line);
            std::string& value = head.fields.back().second;
            if (!more.empty()) value += value.empty() ? std::string(more) : " " + std::string(more);
            continue;
        }
        const size_t colon = line.find(':');
        const std::string_view name = line.substr(0, colon);
        lastWasField = colon != std::string_view::npos && !name.empty() &&
                       std::none_of(name.begin(), name.end(), [](char c) { return IsBlank(c) || IsControl(c); });
        if (lastWasField) head.fields.emplace_back(std::string(name), std::string(Trim(line.substr(colon + 1))));
    }
    if (first) return std::nullopt;  // no status line at all
    for (const auto& [name, value] : head.fields) {
        if (!EqualNoCase(name, "Content-Length")) continue;
        const auto length = ParseCount(value);
        if (!length || (head.contentLength && *head.contentLength != *length)) return std::nullopt;
        head.contentLength = length;
    }
    return head;
}

HeadReader::State HeadReader::Feed(std::string_view bytes) {
    if (state_ != State::More) return state_;
    size_t scan = block_.size();
    block_.append(bytes);
    for (;;) {
        const size_t nl = block_.find('\n', scan);
        if (nl == std::string::npos) break;
        const std::string_view line = DropCR(std::string_view(block_).substr(lineStart_, nl - lineStart_));
        if (line.empty()) {
            if (lineStart_ > kMaxHeadBytes) break;
            auto head = ParseHead(std::string_view(block_).substr(0, lineStart_));
            if (!head) return state_ = State::Failed;
            head_ = std::move(*head);
            leftover_ = block_.substr(nl + 1);
            block_.clear();
            block_.shrink_to_fit();
            return state_ = State::Done;
        }
        lineStart_ = nl + 1;
        scan = lineStart_;
    }
    if (block_.size() > kMaxHeadBytes) {
        block_.clear();
        return state_ = State::Failed;
    }
    return state_;
}

}  // namespace kivu::http
