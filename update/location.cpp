#include "update/location.h"

namespace kivu {

namespace {

bool HasScheme(std::string_view text) {
    const size_t colon = text.find(':');
    if (colon == 0 || colon == std::string_view::npos) return false;
    for (size_t i = 0; i < colon; ++i) {
        const char c = text[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && (i == 0 || !((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))) return false;
    }
    return true;
}

}  // namespace

std::optional<std::string> ResolveLocation(std::string_view base, std::string_view location) {
    location = location.substr(0, location.find('#'));
    if (location.empty()) return std::nullopt;
    if (HasScheme(location)) return std::string(location);
    const size_t schemeEnd = base.find("://");
    if (schemeEnd == std::string_view::npos) return std::nullopt;
    base = base.substr(0, base.find('#'));
    if (location.substr(0, 2) == "//") return std::string(base.substr(0, schemeEnd + 1)) + std::string(location);
    const size_t pathStart = base.find_first_of("/?", schemeEnd + 3);
    const std::string_view origin = base.substr(0, pathStart);
    if (location[0] == '/') return std::string(origin) + std::string(location);
    std::string_view path = pathStart == std::string_view::npos ? std::string_view() : base.substr(pathStart);
    path = path.substr(0, path.find('?'));
    if (location[0] == '?') return std::string(origin) + std::string(path.empty() ? "/" : path) + std::string(location);
    const size_t slash = path.rfind('/');
    const std::string_view folder = slash == std::string_view::npos ? "/" : path.substr(0, slash + 1);
    return std::string(origin) + std::string(folder) + std::string(location);
}

}  // namespace kivu
