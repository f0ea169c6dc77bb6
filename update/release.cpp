#include "update/release.h"

namespace kivu {

namespace {

// Up to count characters from the 1-based position, as far as there are any.
std::string Copy(std::string_view text, size_t position, size_t count) {
    if (position < 1 || position > text.size()) return {};
    return std::string(text.substr(position - 1, count));
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

}  // namespace

std::string ArchiveBase(std::string_view host) {
    if (!host.empty() && host.back() == '/') host.remove_suffix(1);
    for (std::string_view scheme : {"http://", "https://"})
        if (StartsWithNoCase(host, scheme)) return std::string(scheme) + std::string(host.substr(scheme.size()));
    return "http://" + std::string(host);
}

std::string RunningVersion(std::string_view banner) { return Copy(banner, 11, 4); }

std::optional<int32_t> RunningVersionNumber(std::string_view runningVersion) {
    std::string digits(runningVersion);
    if (digits.size() >= 2) digits.erase(1, 1);
    return ParseDecimal(digits);
}

std::optional<std::string> FindLinkPath(std::string_view body) {
    const size_t match = body.find(kReleaseLinkMarker);
    if (match == std::string_view::npos) return std::nullopt;
    constexpr size_t kOpening = 9;  // <A HREF="
    const std::string_view reach = body.substr(match + kOpening, kMaxLinkPath);
    const size_t close = reach.find(kReleaseLinkClose);
    return close == std::string_view::npos ? std::string() : std::string(reach.substr(0, close));
}

std::string NewVersionDigits(std::string_view linkPath) { return Copy(linkPath, 34, 3); }

std::string VersionText(std::string_view digits) {
    if (digits.empty()) return {};
    return std::string(1, digits[0]) + "." + std::string(digits.substr(1, 2));
}

std::string ProposedFileName(std::string_view linkPath) { return Copy(linkPath, 30, 11); }

std::optional<int32_t> ParseDecimal(std::string_view text) {
    size_t i = 0;
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        i = 1;
    }
    if (i == text.size()) return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
        if (value > 0x80000000LL) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
    return static_cast<int32_t>(value);
}

bool OfferDownload(int32_t running, int32_t found, bool ctrlHeld) { return ctrlHeld || running < found; }

namespace {

std::string_view WithoutQuery(std::string_view linkPath) { return linkPath.substr(0, linkPath.find_first_of("?#")); }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

template <size_t N>
std::optional<std::array<uint8_t, N>> FromHex(std::string_view hex) {
    if (hex.size() != 2 * N) return std::nullopt;
    std::array<uint8_t, N> bytes{};
    for (size_t i = 0; i < N; ++i) {
        const int high = HexValue(hex[2 * i]), low = HexValue(hex[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes[i] = static_cast<uint8_t>(high * 16 + low);
    }
    return bytes;
}

std::optional<Sha256Digest> HexDigest(std::string_view hex) { return FromHex<32>(hex); }

// A DER INTEGER at the start of der, as 32 big-endian bytes; moves der past it.
bool DerInteger(std::string_view& der, uint8_t* out) {
    if (der.size() < 2 || der[0] != 0x02) return false;
    const size_t length = static_cast<uint8_t>(der[1]);
    if (length == 0 || length > 33 || der.size() < 2 + length) return false;
    std::string_view value = der.substr(2, length);
    der.remove_prefix(2 + length);
    if (value[0] & 0x80) return false;  // negative
    if (value.size() == 33) {
        if (value[0] != 0) return false;
        value.remove_prefix(1);
    }
    const size_t pad = 32 - value.size();
    for (size_t i = 0; i < 32; ++i) out[i] = i < pad ? 0 : static_cast<uint8_t>(value[i - pad]);
    return true;
}

}  // namespace

std::string DigestPath(std::string_view linkPath) { return std::string(WithoutQuery(linkPath)) + ".sha256"; }

std::string SignaturePath(std::string_view linkPath) { return std::string(WithoutQuery(linkPath)) + ".sig"; }

std::string ArchiveFileName(std::string_view linkPath) {
    const std::string_view path = WithoutQuery(linkPath);
    return std::string(path.substr(path.find_last_of('/') + 1));
}

bool OffersDigest(std::string_view page, std::string_view linkPath) {
    return page.find(DigestPath(linkPath)) != std::string_view::npos;
}

std::optional<Sha256Digest> DigestFor(std::string_view file, std::string_view fileName) {
    std::optional<Sha256Digest> only;
    size_t lines = 0;
    while (!file.empty()) {
        const size_t end = file.find('\n');
        std::string_view line = file.substr(0, end);
        file.remove_prefix(end == std::string_view::npos ? file.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        ++lines;
        if (line.size() == 64) {
            only = HexDigest(line);
            continue;
        }
        if (line.size() < 66 || (line[64] != ' ' && line[64] != '\t')) continue;
        std::string_view name = line.substr(65);
        while (!name.empty() && (name[0] == ' ' || name[0] == '\t')) name.remove_prefix(1);
        if (!name.empty() && name[0] == '*') name.remove_prefix(1);
        if (name == fileName) return HexDigest(line.substr(0, 64));
    }
    return lines == 1 ? only : std::nullopt;
}

std::optional<ReleaseKey> ParseReleaseKey(std::string_view hex) { return FromHex<64>(hex); }

std::optional<EcdsaSignature> ParseSignature(std::string_view bytes) {
    EcdsaSignature rs{};
    if (bytes.size() == rs.size()) {
        for (size_t i = 0; i < rs.size(); ++i) rs[i] = static_cast<uint8_t>(bytes[i]);
        return rs;
    }
    // SEQUENCE, short length, then exactly the two INTEGERs.
    if (bytes.size() < 2 || bytes.size() - 2 >= 0x80 || bytes[0] != 0x30 ||
        static_cast<size_t>(static_cast<uint8_t>(bytes[1])) != bytes.size() - 2)
        return std::nullopt;
    std::string_view der = bytes.substr(2);
    if (!DerInteger(der, rs.data()) || !DerInteger(der, rs.data() + 32) || !der.empty()) return std::nullopt;
    return rs;
}

}  // namespace kivu
