#include "fileprops/renamer.h"

#include <unordered_map>

namespace kivu {

namespace {

enum class Route : unsigned char { Stay, Direct, ViaTemp };

// A name for a file on its way: in the same folder, taken by nothing that is
// there or wanted.
std::string TempName(const NameSet& taken, const std::unordered_map<uint64_t, size_t>& wanted, size_t& next) {
    for (;;) {
        std::string name = "~kivu" + std::to_string(next++) + ".tmp";
        const uint64_t key = NameKey(name);
        if (!taken.count(key) && !wanted.count(key)) return name;
    }
}

}  // namespace

NameSet ListFolderNames(FileOps& ops, const std::string& folder) {
    NameSet names;
    for (const std::string& name : ops.ListFolder(folder)) names.insert(NameKey(name));
    return names;
}

RenameSummary RenameRows(FileList& list, FileOps& ops, JournalStore* journal) {
    RowList& rows = list.Rows();
    const std::string& folder = list.Folder();
    const size_t n = rows.size();
    RenameSummary summary;

    // Which moving row's file has a name now, and which row wants one.
    std::unordered_map<uint64_t, size_t> sources, wanted;
    std::vector<Route> route(n, Route::Stay);
    for (size_t i = 0; i < n; ++i) {
        const Row& r = rows[i];
        if (r.problem != Problem::None || r.newValue == r.current) continue;
        route[i] = Route::Direct;
        sources.emplace(NameKey(r.current), i);
        wanted.emplace(NameKey(r.newValue), i);
    }
    // A row whose new name another moving row's file has now steps aside first.
    std::vector<size_t> owner(n, n);
    for (size_t i = 0; i < n; ++i) {
        if (route[i] != Route::Direct) continue;
        const auto found = sources.find(NameKey(rows[i].newValue));
        if (found != sources.end() && found->second != i && SameName(rows[found->second].current, rows[i].newValue)) {
            route[i] = Route::ViaTemp;
            owner[i] = found->second;
        }
    }

    const std::vector<std::string> old = [&] {
        std::vector<std::string> names(n);
        for (size_t i = 0; i < n; ++i)
            if (route[i] != Route::Stay) names[i] = rows[i].current;
        return names;
    }();
    bool journalOpen = false;
    auto move = [&](const std::string& from, const std::string& to) {
        if (journal) {
            if (!journalOpen) journalOpen = journal->Begin(JournalHead(folder));
            JournalStep step{from, to};
            if (!journalOpen || !DescribeFile(ops, folder + from, step) || !journal->Append(JournalLine(step)))
                return false;
        }
        return ops.Move(folder + from, folder + to);
    };

    std::vector<std::string> temp(n);  // where a row's file waits; empty when it does not
    std::vector<char> done(n, 0), failed(n, 0);
    size_t nextTemp = 0;
    auto toTemp = [&](size_t i, const std::string& from) {
        temp[i] = TempName(list.FolderNames(), wanted, nextTemp);
        if (move(from, temp[i])) return true;
        temp[i].clear();
        return false;
    };
    // Row i's file goes back from its temporary name to its old one. Whoever
    // took that name meanwhile steps back into a temporary name first and
    // then goes back the same way, down the chain.
    auto putBack = [&](size_t i) {
        while (i < n) {
            failed[i] = 1;
            size_t next = n;
            const auto taker = wanted.find(NameKey(old[i]));
            if (taker != wanted.end() && done[taker->second] && SameName(rows[taker->second].newValue, old[i])) {
                next = taker->second;
                done[next] = 0;
                if (!toTemp(next, rows[next].newValue)) next = n;  // it keeps the name; i stays in temp
            }
            if (!temp[i].empty() && move(temp[i], old[i])) temp[i].clear();
            i = next;
        }
    };

    for (size_t i = 0; i < n; ++i)
        if (route[i] == Route::ViaTemp && !toTemp(i, old[i])) failed[i] = 1;
    for (size_t i = 0; i < n; ++i) {
        if (route[i] != Route::Direct) continue;
        if (move(old[i], rows[i].newValue)) done[i] = 1;
        else failed[i] = 1;
    }
    // A file in temp whose name stays taken goes back before anyone takes its
    // own old name; that row then stays as well, and so on down the chain.
    for (bool changed = true; changed;) {
        changed = false;
        for (size_t i = 0; i < n; ++i)
            if (route[i] == Route::ViaTemp && !failed[i] && !done[i] && failed[owner[i]]) {
                putBack(i);
                changed = true;
            }
    }
    for (size_t i = 0; i < n; ++i) {
        if (route[i] != Route::ViaTemp || failed[i] || done[i]) continue;
        if (move(temp[i], rows[i].newValue)) {
            temp[i].clear();
            done[i] = 1;
        } else {
            putBack(i);
        }
    }

    if (journalOpen) journal->End();
    for (size_t i = 0; i < n; ++i) {
        Row& r = rows[i];
        if (done[i]) {
            r.fileName = r.current = r.newValue;
            r.mark = kMarkApplied;
            ++summary.renamed;
        } else if (failed[i]) {
            r.mark = kMarkRenameFailed;
            r.problem = Problem::MoveFailed;
            // Only when the way back was refused as well does a file keep its temporary name.
            if (!temp[i].empty()) r.fileName = r.current = temp[i];
        }
        if (r.problem != Problem::None) {
            ++summary.failed;
            summary.failedRows.push_back(i);
        }
    }
    return summary;
}

std::string SummaryLine(const FileList& list, const RenameSummary& summary, size_t listed) {
    std::string line = std::to_string(summary.renamed) + " " + list.Text(kTextRenamed);
    if (summary.failed == 0) return line;
    line += ", " + std::to_string(summary.failed) + " " + list.Text(kTextNotRenamed) + ":";
    for (size_t k = 0; k < summary.failedRows.size() && k < listed; ++k) {
        const size_t i = summary.failedRows[k];
        line += (k ? ", " : " ") + list.Rows()[i].fileName + " (" + list.ProblemOf(static_cast<int>(i)) + ")";
    }
    if (summary.failedRows.size() > listed) line += ", ...";
    return line;
}

}  // namespace kivu
