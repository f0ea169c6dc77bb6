// Renaming the rows of name mode as the preview shows them: rows with a
// problem are skipped, nothing is ever overwritten, and names that pass from
// one row to another (a->b, b->a; a->b, b->c, c->a) go through temporary
// names, which are put back when a later step fails.
#pragma once
#include <string>
#include <vector>

#include "fileprops/conflicts.h"
#include "fileprops/filelist.h"
#include "fileprops/fileops.h"
#include "fileprops/journal.h"

namespace kivu {

struct RenameSummary {
    size_t renamed = 0;
    size_t failed = 0;   // refused by the system, or skipped for a problem
    std::vector<size_t> failedRows;  // in display order
};

// Folded names of a folder's files.
NameSet ListFolderNames(FileOps& ops, const std::string& folder);

// Renames every row whose new value differs from its current one and has no
// problem (MarkConflicts must have run on a fresh listing). A renamed row
// takes its new name as file name and current value, marked "+"; a row the
// system refused keeps its name, marked "!" with Problem::MoveFailed; a row
// with a problem keeps its mark. With a journal, every step is written to it
// before it is taken; a step that can't be written is not taken.
RenameSummary RenameRows(FileList& list, FileOps& ops, JournalStore* journal = nullptr);

// "3 renamed, 2 failed: a.txt (reason), ..." for the error line; the names of
// at most `listed` failed rows.
std::string SummaryLine(const FileList& list, const RenameSummary& summary, size_t listed = 3);

}  // namespace kivu
