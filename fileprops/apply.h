// Carrying out the new values of all rows: renames, time stamps or
// attributes by the list's mode. Each row's mark records its outcome
// ("+" done, "!" rename failed, "-" stamp or attribute change failed); the
// error line keeps the last failure's text, or names the files whose
// attributes could not be set.
#pragma once
#include "fileprops/filelist.h"
#include "fileprops/fileops.h"
#include "fileprops/journal.h"
#include "fileprops/namerules.h"

namespace kivu {

struct ApplyInput {
    PreviewInput preview;  // pattern, target moment, attribute letters
    StampBoxes stamps;     // which stamps date mode sets
};

// Button2Click: runs the preview once more, then applies every row from the
// top. Ends with MessageBeep(0x10) when any row failed; returns false then.
// Name mode with an empty pattern does nothing. A pattern that stops the
// preview (text 10255) renames nothing: the rows below it would otherwise be
// renamed to values of an earlier pattern. Name mode looks at the folder
// again first, skips every row with a problem (RenameRows), leaves the
// summary ("3 renamed, 2 failed: ...") in the error line and previews again,
// so that the new values shown are what a second apply would do.
// journal: where every mode writes its steps for Undo (none: no journal).
bool ApplyChanges(FileList& list, const ApplyInput& input, FileOps& ops, JournalStore* journal = nullptr);

// The calendar time of date mode's 19-character value, read by position;
// false when a field is not a number that fits.
bool ReadDateModeValue(std::string_view value, CalTime& time);

}  // namespace kivu
