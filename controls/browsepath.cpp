#include "controls/browsepath.h"

#include <vector>

#include "common/utf8.h"

namespace kivu::browse {

namespace {

std::string Join(const std::vector<std::string>& parts) {
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) out += (i ? "\\" : "") + parts[i];
    return out;
}

}  // namespace

std::string ShortenPath(const std::string& path, size_t maxLength) {
    if (utf8::Length(path) <= maxLength) return path;
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t bs; (bs = path.find('\\', start)) != std::string::npos; start = bs + 1)
        parts.push_back(path.substr(start, bs - start));
    parts.push_back(path.substr(start));
    if (parts.size() < 3) return path;
    parts[1] = "...";
    std::string result = Join(parts);
    while (utf8::Length(result) > maxLength && parts.size() > 3) {
        parts.erase(parts.begin() + 2);
        result = Join(parts);
    }
    return result;
}

}  // namespace kivu::browse
