// The journal of the last rename: every step (one rename, also to and from a
// temporary name) is written before it is taken, with what the file had then,
// so that Undo can take the steps back in reverse order later, also after the
// dialog was closed or the program was killed half way. Plain text, one line
// a step, fields split by tabs (no file name holds a tab):
//   KIVU rename journal 1
//   F <folder>
//   S <from> <to> <last write> <attributes>      (numbers in decimal)
//   T <name> <which> <creation> <last access> <last write> <new last write>
//   A <name> <last write> <attributes> <new attributes>
// S renames, T sets time stamps (which: 1 creation, 2 last access, 4 last
// write; the old values of those), A sets attributes. A last line cut off by
// a kill is no step.
//
// T and A came later; a journal of renames reads as before.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fileprops/fileops.h"

namespace kivu {

enum class StepKind : unsigned char { Rename, Stamps, Attributes };

// Which stamps a Stamps step sets.
constexpr unsigned kStampCreation = 1, kStampLastAccess = 2, kStampLastWrite = 4;

struct JournalStep {
    std::string from, to;  // a Stamps or Attributes step names its file in from
    FileStamp lastWrite = 0;
    uint32_t attributes = 0;
    StepKind kind = StepKind::Rename;
    // Stamps: which are set, their old values, and the last write time after the step.
    unsigned which = 0;
    FileStamp creation = 0, lastAccess = 0, newLastWrite = 0;
    uint32_t newAttributes = 0;  // Attributes: what the step sets
    bool operator==(const JournalStep&) const = default;
};

struct Journal {
    std::string folder;
    std::vector<JournalStep> steps;
};

std::string JournalHead(const std::string& folder);
std::string JournalLine(const JournalStep& step);
// False when the text is no journal (wrong head, no folder, a malformed step).
bool ReadJournal(std::string_view text, Journal& journal);

// Where the journal lives; the real one is a file of the user's (winjournal.h).
class JournalStore {
public:
    virtual ~JournalStore() = default;
    // Starts a new journal with this text, replacing the last one.
    virtual bool Begin(const std::string& text) = 0;
    // Adds to it; written through before the step it names is taken.
    virtual bool Append(const std::string& text) = 0;
    // Closes the journal being written.
    virtual void End() = 0;
    // The stored text; empty when there is none.
    virtual std::string Load() = 0;
    virtual void Remove() = 0;
};

// What a step needs recorded about the file it moves.
bool DescribeFile(FileOps& ops, const std::string& path, JournalStep& step);

struct UndoResult {
    bool refused = false;           // a file changed since, or a name is taken: nothing was done
    size_t undone = 0;              // steps taken back
    std::vector<std::string> notes; // what could not be taken back, or why it was refused
    // Renames as the rows see them: the name a file has had since the apply, and its name again.
    std::vector<std::pair<std::string, std::string>> renamed;
};

// Takes the journal's steps back in reverse order. A Stamps or Attributes
// step puts the old values back; it is refused when the file was written
// since (its last write time is neither the old nor the new one) or its
// attributes are neither (the archive bit, which the system sets as it
// likes, aside). For renames, first every step is
// checked without touching anything: the file must still be where the step
// put it, with the stamp and attributes it had, and its old name must be
// free; otherwise nothing is done. A step that never happened (the program
// was killed before it) is passed over.
UndoResult UndoJournal(const Journal& journal, FileOps& ops);

}  // namespace kivu
