#include "update/release.h"

namespace kivu {

namespace {

// Up to count characters from the 1-based position, as far as there are any.
std::string Copy(std::string_view text, size_t position, size_t count) {
    if (position < 1 || position > text.size()) return {};
    return std::string(text.substr(position - 1, count));
}

}  // namespace

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

}  // namespace kivu
