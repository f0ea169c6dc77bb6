// What would go wrong with a row's new name, found before anything is
// renamed: names the file system refuses, two rows that would get the same
// name, and names taken by a file that stays where it is. Pure text work on
// the rows and a listing of the folder; no file access.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <cstdint>
#include <unordered_set>

namespace kivu {

class FileList;

// Why a row is not renamed (or was not). Each has a language text.
enum class Problem : unsigned char {
    None,
    Empty,               // the new name is empty
    BadCharacter,        // \ / : * ? " < > | or a control character
    TrailingDotOrBlank,  // the file system would cut it off
    ReservedName,        // CON, PRN, AUX, NUL, COM1-9, LPT1-9, with any extension
    TooLong,             // a name longer than the file system takes, or folder + name longer than a path may be
    Duplicate,           // an earlier row (or one that keeps its name) gets the same name
    Exists,              // a file of that name is there and stays
    MoveFailed,          // the system refused the rename
};

int ProblemText(Problem problem);

// Longest name the file system takes and longest path (folder + name) handed
// to the system, which takes long paths in their "\\?\" form: both in UTF-16 units.
constexpr size_t kMaxNameLength = 255;
constexpr size_t kMaxPathLength = 32000;

// The name as the file system compares names: every letter in upper case (utf8::Upper).
std::string FoldName(std::string_view name);
// A 64-bit hash of the folded name, and whether two names are one to the file system.
uint64_t NameKey(std::string_view name);
bool SameName(std::string_view a, std::string_view b);

// The rules a single name must meet, whatever the other rows do; folderLength
// in UTF-16 units.
Problem CheckName(std::string_view name, size_t folderLength);

// The keys (NameKey) of the files in the list's folder. Two names with one
// key could only make a row look taken that is free, never the other way.
using NameSet = std::unordered_set<uint64_t>;

// Sets the problem of every row from its new value (name mode), and returns
// how many rows have one. A row whose new value equals its current one is
// not renamed and keeps its name against every other row. A row that can't
// move keeps its name too, so a row that wanted that name has a problem as
// well (a chain is only as good as its last link).
size_t MarkConflicts(FileList& list, const NameSet& onDisk);

}  // namespace kivu
