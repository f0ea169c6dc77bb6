#include "fileprops/conflicts.h"

#include <array>
#include <cstdint>
#include <vector>

#include "common/utf8.h"
#include "fileprops/filelist.h"

namespace kivu {

namespace {

// Open addressing over row indices by name key: no allocation per row.
class KeyTable {
public:
    static constexpr size_t kNone = SIZE_MAX;
    explicit KeyTable(size_t count) {
        size_t size = 16;
        while (size < count * 2) size *= 2;
        slots_.assign(size, Slot{0, kNone});
    }
    // False (and nothing stored) when the key is there already.
    bool Insert(uint64_t key, size_t row) {
        Slot& s = SlotOf(key);
        if (s.row != kNone) return false;
        s = Slot{key, row};
        return true;
    }
    size_t Find(uint64_t key) const { return const_cast<KeyTable*>(this)->SlotOf(key).row; }

private:
    struct Slot {
        uint64_t key;
        size_t row;
    };
    Slot& SlotOf(uint64_t key) {
        const size_t mask = slots_.size() - 1;
        for (size_t i = static_cast<size_t>(key ^ (key >> 29)) & mask;; i = (i + 1) & mask)
            if (slots_[i].row == kNone || slots_[i].key == key) return slots_[i];
    }
    std::vector<Slot> slots_;
};

// Characters a file name can't hold.
constexpr bool kBadCharacter[256] = {
    true, true, true, true, true, true, true, true, true, true, true, true, true, true, true, true,
    true, true, true, true, true, true, true, true, true, true, true, true, true, true, true, true,
    false, false, true /* " */, false, false, false, false, false, false, false, true /* * */, false, false, false,
    false, true /* / */,
    false, false, false, false, false, false, false, false, false, false, true /* : */, false, true /* < */, false,
    true /* > */, true /* ? */,
    false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false,
    false, false, false, false, false, false, false, false, false, false, false, false, true /* \ */, false, false,
    false,
    false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false,
    false, false, false, false, false, false, false, false, false, false, false, false, true /* | */, false, false,
    false,
};

bool IsReservedDeviceName(std::string_view name) {
    // The part before the first dot, blanks at its end aside, decides: "nul.txt" is NUL too.
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    if (base.size() != 3 && base.size() != 4) return false;
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

std::string FoldName(std::string_view name) { return utf8::ToUpper(name); }

uint64_t NameKey(std::string_view name) {
    uint64_t h = 14695981039346656037ull;  // FNV-1a over the upper-case characters
    for (size_t at = 0; at < name.size();) {
        const auto b = static_cast<unsigned char>(name[at]);
        char32_t c;
        if (b < 0x80) {
            c = b >= 'a' && b <= 'z' ? b - 32 : b;
            ++at;
        } else {
            c = utf8::Upper(utf8::NextOrByte(name, at));
        }
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

bool SameName(std::string_view a, std::string_view b) { return utf8::EqualNoCase(a, b); }

Problem CheckName(std::string_view name, size_t folderLength) {
    if (name.empty()) return Problem::Empty;
    for (char c : name)
        if (kBadCharacter[static_cast<unsigned char>(c)]) return Problem::BadCharacter;
    if (name.back() == '.' || name.back() == ' ') return Problem::TrailingDotOrBlank;
    if (IsReservedDeviceName(name)) return Problem::ReservedName;
    const size_t units = utf8::Utf16Length(name);
    if (units > kMaxNameLength || folderLength + units > kMaxPathLength) return Problem::TooLong;
    return Problem::None;
}

size_t MarkConflicts(FileList& list, const NameSet& onDisk) {
    RowList& rows = list.Rows();
    const size_t n = rows.size();
    const size_t folderLength = utf8::Utf16Length(list.Folder());
    std::vector<uint64_t> target(n), source(n);
    std::vector<char> moving(n, 0);
    // Which row gets a name by key; a key found is checked against the names themselves.
    KeyTable claims(n);
    auto find = [&](const KeyTable& table, uint64_t key, std::string_view name, bool byNewValue) -> size_t {
        const size_t row = table.Find(key);
        if (row == KeyTable::kNone) return n;
        const Row& other = rows[row];
        return SameName(byNewValue ? other.newValue : other.current, name) ? row : n;
    };

    for (size_t i = 0; i < n; ++i) {
        Row& r = rows[i];
        source[i] = NameKey(r.current);
        if (r.newValue == r.current) {
            r.problem = Problem::None;
            claims.Insert(source[i], i);  // it keeps its name against every other row
        } else {
            r.problem = CheckName(r.newValue, folderLength);
        }
    }
    for (size_t i = 0; i < n; ++i) {
        Row& r = rows[i];
        if (r.newValue == r.current || r.problem != Problem::None) continue;
        target[i] = NameKey(r.newValue);
        // A key taken by another name (two names, one hash) counts as taken too: never too few conflicts.
        if (!claims.Insert(target[i], i)) {
            r.problem = Problem::Duplicate;
            continue;
        }
        moving[i] = 1;
    }
    // A name on disk is free only when the file that has it moves away (or is the row's own).
    std::vector<char> onDiskTarget(n, 0);
    bool anyOnDisk = false;
    for (size_t i = 0; i < n; ++i) {
        if (!moving[i] || !onDisk.count(target[i]) || SameName(rows[i].newValue, rows[i].current)) continue;
        onDiskTarget[i] = 1;
        anyOnDisk = true;
    }
    // Which moving row's file has a name now, by key: asked only for those names.
    KeyTable sources(anyOnDisk ? n : 0);
    if (anyOnDisk)
        for (size_t i = 0; i < n; ++i)
            if (moving[i]) sources.Insert(source[i], i);
    std::vector<size_t> blocked;
    for (size_t i = 0; i < n; ++i) {
        if (!onDiskTarget[i]) continue;
        if (find(sources, target[i], rows[i].newValue, false) == n) {
            rows[i].problem = Problem::Exists;
            moving[i] = 0;
        }
    }
    for (size_t i = 0; i < n; ++i)
        if (!moving[i] && rows[i].problem != Problem::None) blocked.push_back(i);
    // A row that stays keeps its file's name: whoever wanted that name can't have it.
    while (!blocked.empty()) {
        const size_t j = blocked.back();
        blocked.pop_back();
        const size_t i = find(claims, source[j], rows[j].current, true);
        if (i == n || i == j || !moving[i]) continue;
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
