// What the program shares with the context-menu handler: the command line,
// the two named events, the two atom messages and the long-path message.
#pragma once
#include <string>
#include <vector>

namespace kivu {

constexpr unsigned kMsgAddFile = 0x0400 + 1;       // WM_USER+1: one file path in an atom
constexpr unsigned kMsgQueryPattern = 0x0400 + 2;  // WM_USER+2: answered with a pattern atom
constexpr const char* kEventStart = "KIVUProzessStart";
constexpr const char* kEventEnd = "KIVUProzessEnde";
constexpr size_t kAtomBufferSize = 256;  // an atom holds at most 255 UTF-16 units

// A file path of any length, for paths an atom cannot hold: WM_COPYDATA to the
// rename dialog, wParam the sender's window (may be 0), lParam a COPYDATASTRUCT
// with dwData = kCopyDataPath ('KIVU'), lpData = the path in UTF-16LE without
// a terminator, cbData = its size in bytes (even, not 0). The dialog answers
// TRUE when it took the path. Atoms (kMsgAddFile) carry the shorter paths as
// they always did, so an older handler still works.
constexpr unsigned long kCopyDataPath = 0x4B495655;  // 'KIVU'

// The selection pattern's answer: a leading character 1 asks the handler to
// add to the selection. A pattern is at most kMaxPattern characters, so that
// it fits into an atom also with the mark.
constexpr char kAddToSelectionMark = '\x01';
constexpr int kMaxPattern = static_cast<int>(kAtomBufferSize) - 2;
// The pattern with exactly one mark in front when add is set, none otherwise
// (a mark from an earlier confirmation is not doubled).
std::string MarkPattern(const std::string& pattern, bool add);

// Splits a command line the way the runtime does: blanks (and control
// characters) separate arguments; double quotes group blanks and are dropped,
// and inside them a doubled quote stands for one (so an argument can carry a
// whole command line with quoted paths). Element 0 is the program.
std::vector<std::string> SplitCommandLine(const std::string& line);

// The mode of a command line: 999 when argument 1 is missing or not a strict integer.
int ModeFromArguments(const std::vector<std::string>& args);

}  // namespace kivu
