#include "config/menustore.h"

#include <algorithm>
#include <utility>

#include "common/convert.h"

namespace kivu {

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr char kEndOfFile = '\x1A';  // Ctrl+Z

// The lines of a program or FTP list file.
std::vector<std::string_view> CrLines(std::string_view bytes) {
    const size_t end = std::min(bytes.find(kEndOfFile), bytes.size());
    bytes = bytes.substr(0, end);
    std::vector<std::string_view> lines;
    size_t pos = 0;
    while (pos < bytes.size()) {
        const size_t cr = bytes.find(kCr, pos);
        if (cr == std::string_view::npos) {
            lines.push_back(bytes.substr(pos));
            break;
        }
        lines.push_back(bytes.substr(pos, cr - pos));
        pos = cr + 1;
        if (pos < bytes.size() && bytes[pos] == kLf) ++pos;
    }
    return lines;
}

// Splits at the first bar: the text before it and, if there is one, the rest.
std::pair<std::string_view, std::string_view> SplitFirst(std::string_view line, bool& hadBar) {
    const size_t bar = line.find('|');
    hadBar = bar != std::string_view::npos;
    if (!hadBar) return {line, {}};
    return {line.substr(0, bar), line.substr(bar + 1)};
}

}  // namespace

std::string DefaultMenuStatus() { return std::string(kMenuStatusLength, '1'); }

bool MenuFlag(const std::string& status, int entry) {
    if (entry < 1 || static_cast<size_t>(entry) > status.size()) return true;
    return status[static_cast<size_t>(entry) - 1] == '1';
}

void SetMenuFlag(std::string& status, int entry, bool shown) {
    if (entry < 1 || static_cast<size_t>(entry) > kMenuStatusLength) return;
    const auto at = static_cast<size_t>(entry);
    if (status.size() < at) status.resize(at, '1');
    status[at - 1] = shown ? '1' : '0';
}

bool OptionFlagOn(const std::string& text) { return StrToInt(text) != 0; }

std::vector<std::string> ParseFolders(std::string_view bytes) {
    bytes = bytes.substr(0, std::min(bytes.find('\0'), bytes.size()));
    std::vector<std::string> folders;
    size_t pos = 0;
    while (pos < bytes.size()) {
        const size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            folders.emplace_back(bytes.substr(pos));
            break;
        }
        folders.emplace_back(bytes.substr(pos, end - pos));
        pos = end + 1;
        if (bytes[end] == kCr && pos < bytes.size() && bytes[pos] == kLf) ++pos;
    }
    return folders;
}

std::vector<ProgramEntry> ParsePrograms(std::string_view bytes) {
    std::vector<ProgramEntry> programs;
    for (std::string_view line : CrLines(bytes)) {
        bool bar = false;
        const auto [name, rest] = SplitFirst(line, bar);
        if (name.empty()) continue;
        ProgramEntry entry{std::string(name), {}, {}};
        if (bar) {
            const auto [path, directory] = SplitFirst(rest, bar);
            entry.Path = path;
            entry.Directory = directory;
        }
        programs.push_back(std::move(entry));
    }
    return programs;
}

std::vector<FtpEntry> ParseFtpSites(std::string_view bytes) {
    std::vector<FtpEntry> sites;
    for (std::string_view line : CrLines(bytes)) {
        bool bar = false;
        const auto [name, address] = SplitFirst(line, bar);
        if (name.empty()) continue;
        sites.push_back({std::string(name), std::string(address)});
    }
    return sites;
}

std::string FormatFolders(const std::vector<std::string>& folders) {
    std::string out;
    for (const auto& f : folders) out += f + "\r\n";
    return out;
}

std::string FormatPrograms(const std::vector<ProgramEntry>& programs) {
    std::string out;
    for (const auto& p : programs) out += p.Name + "|" + p.Path + "|" + p.Directory + "\r\n";
    return out;
}

std::string FormatFtpSites(const std::vector<FtpEntry>& sites) {
    std::string out;
    for (const auto& s : sites) out += s.Name + "|" + s.Address + "\r\n";
    return out;
}

bool FitsField(std::string_view text, bool lastField) {
    for (char c : text)
        if (c == kCr || c == kEndOfFile || c == '\0' || (c == '|' && !lastField)) return false;
    return true;
}

bool FitsFolderLine(std::string_view text) { return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos; }

}  // namespace kivu
