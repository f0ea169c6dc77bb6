// The menu configuration as the context-menu handler reads it: the entry
// flags string, the option flags and the three list files. This part has no
// windows.h: it turns stored text into records and back, byte for byte.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace kivu {

// "status": one "1" or "0" per menu entry, entry N at position N (from 1).
constexpr size_t kMenuStatusLength = 100;
constexpr int kFirstMenuEntry = 11;
constexpr int kLastMenuEntry = 98;

std::string DefaultMenuStatus();  // 100 x "1"

// The flag of entry N. A position past the end of a short stored value reads
// as shown, like the default.
bool MenuFlag(const std::string& status, int entry);
// Sets the flag of entry N in place. A short value is first lengthened with
// "1" up to N, so nothing is written outside it and what goes back is never
// shorter than what was read. Entries outside 1..kMenuStatusLength are ignored.
void SetMenuFlag(std::string& status, int entry, bool shown);

// An option flag's stored text as a number: "0" is off, any other integer on;
// a text that is no integer raises ConvertError.
bool OptionFlagOn(const std::string& text);
inline const char* OptionFlagText(bool on) { return on ? "1" : "0"; }

// The folders' default verb: the "double pane" option is on exactly for "explore".
constexpr const char* kExploreVerb = "explore";
inline bool IsDoublePane(const std::string& verb) { return verb == kExploreVerb; }

struct ProgramEntry {
    std::string Name, Path, Directory;
    bool operator==(const ProgramEntry&) const = default;
};

struct FtpEntry {
    std::string Name, Address;
    bool operator==(const FtpEntry&) const = default;
};

inline const std::string kSeparator = "-";
inline const ProgramEntry kProgramSeparator{"-", "-", "-"};
inline const FtpEntry kFtpSeparator{"-", "-"};

// kivupfade.txt: lines end at CR, LF or CR LF; the text stops at NUL; empty
// lines are entries; a final line end adds none.
std::vector<std::string> ParseFolders(std::string_view bytes);
// kivuprogs.txt / kivuftp.txt: lines end at CR (a following LF belongs to the
// line end, a lone LF is text), Ctrl+Z ends the file, fields split at the
// first bars, lines with an empty name are dropped.
std::vector<ProgramEntry> ParsePrograms(std::string_view bytes);
std::vector<FtpEntry> ParseFtpSites(std::string_view bytes);

// One line per entry, each ending with CR LF; fields joined by "|" as they are.
// An empty list gives no bytes (its file is deleted).
std::string FormatFolders(const std::vector<std::string>& folders);
std::string FormatPrograms(const std::vector<ProgramEntry>& programs);
std::string FormatFtpSites(const std::vector<FtpEntry>& sites);

// Whether a text can be stored in a field of a list line and read back the
// same: no line end, no end-of-file mark, no NUL, and no "|" unless it is the
// line's last field (which takes every further bar).
bool FitsField(std::string_view text, bool lastField);
// A folder list line: no CR, LF or NUL.
bool FitsFolderLine(std::string_view text);

}  // namespace kivu
