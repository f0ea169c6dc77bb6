#include "fileprops/conflicts.h"

#include <unordered_map>
#include <vector>

#include "fileprops/filelist.h"

namespace kivu {

namespace {

// Windows-1252's upper and lower case letters outside A-Z.
char UpperCp1252(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') return static_cast<char>(u - 32);
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 32);
    switch (u) {
        case 0x9A: return '\x8A';  // š
        case 0x9C: return '\x8C';  // œ
        case 0x9E: return '\x8E';  // ž
        case 0xFF: return '\x9F';  // ÿ
        default: return c;
    }
}

bool IsReservedDeviceName(std::string_view name) {
    // The part before the first dot, blanks at its end aside, decides: "nul.txt" is NUL too.
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    const std::string upper = FoldName(base);
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") return true;
    return upper.size() == 4 && (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0) &&
           upper[3] >= '1' && upper[3] <= '9';
}

}  // namespace

int ProblemText(Problem problem) {
    switch (problem) {
        case Problem::None: return 0;
        case Problem::Empty: return 10263;
        case Problem::BadCharacter: return 10264;
        case Problem::TrailingDotOrBlank: return 10265;
        case Problem::ReservedName: return 10266;
        case Problem::TooLong: return 10267;
        case Problem::Duplicate: return 10268;
        case Problem::Exists: return 10269;
        case Problem::MoveFailed: return kTextRenameFailed;
    }
    return 0;
}

std::string FoldName(std::string_view name) {
    std::string s(name);
    for (char& c : s) c = UpperCp1252(c);
    return s;
}

Problem CheckName(std::string_view name, size_t folderLength) {
    if (name.empty()) return Problem::Empty;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos)
            return Problem::BadCharacter;
    }
    if (name.back() == '.' || name.back() == ' ') return Problem::TrailingDotOrBlank;
    if (IsReservedDeviceName(name)) return Problem::ReservedName;
    if (folderLength + name.size() > kMaxPathLength) return Problem::TooLong;
    return Problem::None;
}

size_t MarkConflicts(FileList& list, const NameSet& onDisk) {
    RowList& rows = list.Rows();
    const size_t n = rows.size();
    const size_t folderLength = list.Folder().size();
    std::vector<std::string> target(n), source(n);
    std::vector<char> moving(n, 0);
    // Which row gets a name (folded), and which moving row's file has it now.
    std::unordered_map<std::string, size_t> claims, sources;
    claims.reserve(n * 2);
    sources.reserve(n * 2);

    for (size_t i = 0; i < n; ++i) {
        Row& r = rows[i];
        source[i] = FoldName(r.current);
        if (r.newValue == r.current) {
            r.problem = Problem::None;
            claims.emplace(source[i], i);  // it keeps its name against every other row
        } else {
            r.problem = CheckName(r.newValue, folderLength);
        }
    }
    for (size_t i = 0; i < n; ++i) {
        Row& r = rows[i];
        if (r.newValue == r.current || r.problem != Problem::None) continue;
        target[i] = FoldName(r.newValue);
        if (!claims.emplace(target[i], i).second) {
            r.problem = Problem::Duplicate;
            continue;
        }
        moving[i] = 1;
        sources.emplace(source[i], i);
    }
    // A name on disk is free only when the file that has it moves away (or is the row's own).
    std::vector<size_t> blocked;
    for (size_t i = 0; i < n; ++i) {
        if (!moving[i] || target[i] == source[i] || !onDisk.count(target[i])) continue;
        const auto owner = sources.find(target[i]);
        if (owner == sources.end()) {
            rows[i].problem = Problem::Exists;
            moving[i] = 0;
            blocked.push_back(i);
        }
    }
    for (size_t i = 0; i < n; ++i)
        if (!moving[i] && rows[i].problem != Problem::None) blocked.push_back(i);
    // A row that stays keeps its file's name: whoever wanted that name can't have it.
    while (!blocked.empty()) {
        const size_t j = blocked.back();
        blocked.pop_back();
        const auto claimant = claims.find(source[j]);
        if (claimant == claims.end() || claimant->second == j || !moving[claimant->second]) continue;
        const size_t i = claimant->second;
        moving[i] = 0;
        rows[i].problem = Problem::Exists;
        blocked.push_back(i);
    }

    size_t count = 0;
    for (const Row& r : rows)
        if (r.problem != Problem::None) ++count;
    return count;
}

}  // namespace kivu
