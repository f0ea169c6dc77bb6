#include "fileprops/journal.h"

#include <map>
#include <optional>

#include "fileprops/conflicts.h"

namespace kivu {

namespace {

constexpr std::string_view kHead = "KIVU rename journal 1";

std::optional<uint64_t> ReadNumber(std::string_view text) {
    if (text.empty() || text.size() > 20) return std::nullopt;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (v > (UINT64_MAX - digit) / 10) return std::nullopt;
        v = v * 10 + digit;
    }
    return v;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (size_t at = 0;;) {
        const size_t tab = line.find('\t', at);
        fields.push_back(line.substr(at, tab == std::string_view::npos ? std::string_view::npos : tab - at));
        if (tab == std::string_view::npos) return fields;
        at = tab + 1;
    }
}

}  // namespace

std::string JournalHead(const std::string& folder) { return std::string(kHead) + "\r\nF\t" + folder + "\r\n"; }

std::string JournalLine(const JournalStep& s) {
    auto n = [](uint64_t v) { return "\t" + std::to_string(v); };
    if (s.kind == StepKind::Stamps)
        return "T\t" + s.from + n(s.which) + n(s.creation) + n(s.lastAccess) + n(s.lastWrite) + n(s.newLastWrite) +
               "\r\n";
    if (s.kind == StepKind::Attributes)
        return "A\t" + s.from + n(s.lastWrite) + n(s.attributes) + n(s.newAttributes) + "\r\n";
    return "S\t" + s.from + "\t" + s.to + "\t" + std::to_string(s.lastWrite) + "\t" + std::to_string(s.attributes) +
           "\r\n";
}

bool ReadJournal(std::string_view text, Journal& journal) {
    journal = Journal{};
    bool head = false, folder = false;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find("\r\n", at);
        if (end == std::string_view::npos) break;  // cut off by a kill: no step
        const std::string_view line = text.substr(at, end - at);
        at = end + 2;
        if (!head) {
            if (line != kHead) return false;
            head = true;
            continue;
        }
        const auto f = Fields(line);
        if (!folder) {
            if (f.size() != 2 || f[0] != "F" || f[1].empty()) return false;
            journal.folder = std::string(f[1]);
            folder = true;
            continue;
        }
        if (f.size() == 7 && f[0] == "T" && !f[1].empty()) {
            JournalStep step;
            step.from = std::string(f[1]);
            step.kind = StepKind::Stamps;
            const auto which = ReadNumber(f[2]);
            const auto c = ReadNumber(f[3]), a = ReadNumber(f[4]), w = ReadNumber(f[5]), nw = ReadNumber(f[6]);
            if (!which || *which > 7 || !c || !a || !w || !nw) return false;
            step.which = static_cast<unsigned>(*which);
            step.creation = *c;
            step.lastAccess = *a;
            step.lastWrite = *w;
            step.newLastWrite = *nw;
            journal.steps.push_back(step);
            continue;
        }
        if (f.size() == 5 && f[0] == "A" && !f[1].empty()) {
            JournalStep step;
            step.from = std::string(f[1]);
            step.kind = StepKind::Attributes;
            const auto w = ReadNumber(f[2]), old = ReadNumber(f[3]), now = ReadNumber(f[4]);
            if (!w || !old || !now || *old > UINT32_MAX || *now > UINT32_MAX) return false;
            step.lastWrite = *w;
            step.attributes = static_cast<uint32_t>(*old);
            step.newAttributes = static_cast<uint32_t>(*now);
            journal.steps.push_back(step);
            continue;
        }
        if (f.size() != 5 || f[0] != "S" || f[1].empty() || f[2].empty()) return false;
        const auto stamp = ReadNumber(f[3]);
        const auto attributes = ReadNumber(f[4]);
        if (!stamp || !attributes || *attributes > UINT32_MAX) return false;
        journal.steps.push_back({std::string(f[1]), std::string(f[2]), *stamp, static_cast<uint32_t>(*attributes)});
    }
    return head && folder;
}

// Without opening the file: a program that reads it meanwhile must not make
// the step fail.
bool DescribeFile(FileOps& ops, const std::string& path, JournalStep& step) {
    step.attributes = ops.GetAttributes(path);
    return step.attributes != kInvalidAttributes && ops.GetLastWrite(path, step.lastWrite);
}

namespace {

// Stamps and attributes: checked all first, then put back in reverse order.
UndoResult UndoChanges(const Journal& journal, FileOps& ops) {
    UndoResult result;
    for (size_t k = journal.steps.size(); k-- > 0;) {
        const JournalStep& s = journal.steps[k];
        const std::string path = journal.folder + s.from;
        FileStamp lastWrite = 0;
        const uint32_t attributes = ops.GetAttributes(path);
        bool same = attributes != kInvalidAttributes && ops.GetLastWrite(path, lastWrite);
        if (same && s.kind == StepKind::Stamps) same = lastWrite == s.newLastWrite || lastWrite == s.lastWrite;
        if (same && s.kind == StepKind::Attributes) {
            const uint32_t now = attributes & ~kAttrArchive;
            same = lastWrite == s.lastWrite &&
                   (now == (s.newAttributes & ~kAttrArchive) || now == (s.attributes & ~kAttrArchive));
        }
        if (!same) {
            result.refused = true;
            result.notes.push_back(s.from);
            return result;
        }
    }
    for (size_t k = journal.steps.size(); k-- > 0;) {
        const JournalStep& s = journal.steps[k];
        const std::string path = journal.folder + s.from;
        bool done = false;
        if (s.kind == StepKind::Attributes) {
            done = ops.SetAttributes(path, s.attributes);
        } else {
            OpenFile file(ops, ops.OpenForStampWrite(path));
            auto ptr = [&](unsigned bit, const FileStamp& v) { return (s.which & bit) ? &v : nullptr; };
            done = file.IsOpen() && ops.SetStamps(file.Get(), ptr(kStampCreation, s.creation),
                                                  ptr(kStampLastAccess, s.lastAccess), ptr(kStampLastWrite, s.lastWrite));
        }
        if (done) ++result.undone;
        else result.notes.push_back(s.from);
    }
    return result;
}

}  // namespace

UndoResult UndoJournal(const Journal& journal, FileOps& ops) {
    if (!journal.steps.empty() && journal.steps.front().kind != StepKind::Rename) return UndoChanges(journal, ops);
    UndoResult result;
    const std::string& folder = journal.folder;
    // Which name each name's file has on disk while the steps are taken back
    // one by one in thought; a name missing from the map has its own file.
    std::map<std::string, std::optional<std::string>> realOf;
    auto real = [&](const std::string& name) -> std::optional<std::string> {
        const auto it = realOf.find(FoldName(name));
        if (it != realOf.end()) return it->second;
        if (ops.GetAttributes(folder + name) == kInvalidAttributes) return std::nullopt;
        return name;
    };
    std::vector<char> take(journal.steps.size(), 0);
    for (size_t k = journal.steps.size(); k-- > 0;) {
        const JournalStep& s = journal.steps[k];
        const auto at = real(s.to);
        const auto back = real(s.from);
        if (!at && back) continue;  // never taken
        if (!at || back) {
            result.refused = true;
            result.notes.push_back(s.from + " <- " + s.to);
            return result;
        }
        JournalStep now;
        if (!DescribeFile(ops, folder + *at, now) || now.lastWrite != s.lastWrite || now.attributes != s.attributes) {
            result.refused = true;
            result.notes.push_back(s.to);
            return result;
        }
        realOf[FoldName(s.from)] = at;
        realOf[FoldName(s.to)] = std::nullopt;
        take[k] = 1;
    }
    for (size_t k = journal.steps.size(); k-- > 0;) {
        if (!take[k]) continue;
        const JournalStep& s = journal.steps[k];
        if (ops.Move(folder + s.to, folder + s.from)) {
            ++result.undone;
            result.renamed.emplace_back(s.to, s.from);
        } else {
            result.notes.push_back(s.to);
        }
    }
    return result;
}

}  // namespace kivu
