// The preview: the new value of every row from the input of the active mode.
// Name mode interprets the pattern language:
//   [Name] [Ext]               name part / extension (with its dot)
//   [Name(a,b)] [Ext(a,b)]     characters a to b (1-based) of either
//   [N] [N:w] [N:w:o]          row index (+ o), right-aligned to w blanks;
//                              a w written with a leading zero ([N:03:1]) pads with zeros
// Pure text work: no file access, no beep.
#pragma once
#include <string>
#include <string_view>

#include "fileprops/fileops.h"
#include "fileprops/filelist.h"

namespace kivu {

// The extension with its dot (from the last "." with no "\" or ":" after it),
// empty when there is none.
std::string_view ExtensionOf(std::string_view source);
// The source without its extension; the whole source when that is empty.
std::string_view NamePartOf(std::string_view source);

// What went wrong while one row's pattern was applied.
struct PatternError {
    bool badNumber = false;  // a ranged piece had an unreadable number (text 10256); the result stands
    bool stopped = false;    // a ranged piece without a comma or "]" (text 10255): the preview ends here
                             // and the result is not to be used
    bool marked = false;     // the row gets the preview mark (set once a ranged-piece step finished)
};

// Whether the width of a counter is written with a leading zero ("03"): then
// the counter is padded with zeros instead of blanks.
bool IsZeroPaddedWidth(std::string_view width);

// One row's new name: pattern applied to source (the row's current value) for
// the row at rowIndex. The placeholders are replaced kind by kind: every
// [Ext], then every [Name], the [Name(..)] pieces, the [Ext(..)] pieces,
// then the counters. A placeholder is recognised only where its "[" comes
// from the pattern, never from text already put in for another one, so
// every step consumes one "[" of the pattern and the work always ends.
// For sources without "[" this is exactly the plain re-scanning replacement.
std::string ApplyNamePattern(std::string_view pattern, std::string_view source, int rowIndex, PatternError& err);

// Date mode's new value: the 19-character form "dd.MM.yyyy hh.mm.ss".
std::string DateModeValue(const CalTime& target);

struct PreviewInput {
    std::string pattern = "[Name][Ext]";  // Edit1
    CalTime target;                       // date of DateTimePicker1 with the time of DateTimePicker2
    std::string attributes = "RSAH";      // Edit2
};

// Button1Click: the preview of the list's current mode over all rows.
// Returns false when a name pattern stopped it (text 10255 in the error line;
// that row and all below it keep their previous new values).
bool Preview(FileList& list, const PreviewInput& input);

}  // namespace kivu
