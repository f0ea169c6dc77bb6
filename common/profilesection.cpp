#include "common/profilesection.h"

#include <cctype>

namespace kivu {

namespace {

std::string LowerKey(std::string_view key) {
    std::string lower(key);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

bool Blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && Blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && Blank(s.back())) s.remove_suffix(1);
    return s;
}

std::string Unquoted(std::string_view value) {
    value = Trimmed(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

}  // namespace

ProfileSection::ProfileSection(std::string_view block) {
    while (!block.empty()) {
        const size_t end = block.find('\0');
        const std::string_view line = block.substr(0, end);
        if (line.empty()) break;  // the closing empty string
        AddLine(line);
        if (end == std::string_view::npos) break;
        block.remove_prefix(end + 1);
    }
}

void ProfileSection::AddLine(std::string_view line) {
    const size_t eq = line.find('=');
    const std::string_view key = Trimmed(line.substr(0, eq));
    if (!key.empty() && eq != std::string_view::npos) values_.emplace(LowerKey(key), Unquoted(line.substr(eq + 1)));
}

std::optional<std::string> ProfileSection::Value(std::string_view key) const {
    const auto it = values_.find(LowerKey(Trimmed(key)));
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

void ProfileSection::Set(std::string_view key, std::string value) {
    values_[LowerKey(Trimmed(key))] = Unquoted(value);
}

std::map<std::string, ProfileSection> ParseProfileText(std::string_view text) {
    std::map<std::string, ProfileSection> sections;
    ProfileSection* current = nullptr;
    text = text.substr(0, text.find('\0'));
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.front() == '[') {
            const size_t close = line.find(']');
            const std::string_view name = line.substr(1, close == std::string_view::npos ? line.npos : close - 1);
            current = &sections[LowerKey(Trimmed(name))];
        } else if (current) {
            current->AddLine(line);
        }
    }
    return sections;
}

}  // namespace kivu
