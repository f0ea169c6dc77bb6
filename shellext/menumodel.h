// What the context menu shows and what each item does, built from the stored
// configuration. No windows.h here: the handler turns this into an HMENU, and
// the tests build it without COM.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/menustore.h"

namespace kivumenu {

// The commands, numbered like their texts in the language file.
enum class Command {
    None = 0,
    CopyPath = 11,
    CopyName = 12,
    CopyShortPath = 13,
    PromptHere = 14,
    ChangeFolder = 15,
    RunProgram = 16,
    FtpSite = 17,
    Rename = 18,
    SelectFiles = 19,
    NewFolder = 20,
    ToggleHidden = 21,
    FileList = 22,
    ExplorerHere = 23,
    Starter = 24,
    Configure = 96,
    LiveUpdate = 97,
};

// The commands this handler carries out, in menu order.
const std::vector<Command>& KnownCommands();
// "kivu.copypath" and so on; list entries add "." and their index.
std::string_view VerbName(Command command);
// The command's text in the English section of the shipped language file:
// what the menu shows when the file on the system has no text for it.
std::string_view ShippedEnglishText(Command command);

// Bounds that keep a broken or huge list file from flooding the menu.
constexpr size_t kMaxListItems = 100;
constexpr size_t kMaxItemText = 200;
// The caption of the one submenu that holds everything when "ExSubMenu" is on.
constexpr const char* kSubMenuTitle = "KIVU Menu";

struct MenuSettings {
    std::string status = kivu::DefaultMenuStatus();
    bool subMenu = false;       // "ExSubMenu"
    bool bitmap = true;         // "ZeigeBitmap"
    bool accessKeys = true;     // "Shortcut"
    bool noWindowCheck = false; // "nowindowcheck"
};

// Everything one menu is built from.
struct MenuInput {
    MenuSettings settings;
    std::map<int, std::string> texts;  // command number -> text in the current language
    std::vector<std::string> folders;
    std::vector<kivu::ProgramEntry> programs;
    std::vector<kivu::FtpEntry> ftpSites;
};

// What an offset stands for: a command, and for list commands the index of
// the entry in its list file.
struct Action {
    Command command = Command::None;
    int index = -1;
    std::string verb;
    std::string help;
};

struct MenuItem {
    enum class Kind { Command, Separator, Popup };
    Kind kind = Kind::Command;
    std::string text;
    int offset = -1;       // Command: the offset from the host's first id; -1 when greyed out
    bool bitmap = false;   // carries the program's bitmap (top-level items only)
    std::vector<MenuItem> children;  // Popup
};

struct MenuModel {
    std::vector<MenuItem> items;
    std::vector<Action> actions;  // by offset
    // The offset of a verb (as VerbName, case-insensitive), if the menu has it.
    std::optional<int> OffsetOfVerb(std::string_view verb) const;
};

// At most maxOffsets commands get an offset (the host's id range); the rest are left out.
MenuModel BuildMenu(const MenuInput& input, int maxOffsets);

// The texts of numbers 11..98 in the language that the language file names
// ("Language"/"Current", English when missing or empty), English filling the
// gaps, and the shipped English texts filling what is still missing (also
// when there is no file at all). Read like the profile functions read: names
// compare case-insensitively, values are trimmed and lose one pair of
// enclosing quotes, at most 2047 characters. The file is only read, never
// completed; its bytes become this text through kivu::LanguageFileText.
std::map<int, std::string> ParseMenuTexts(std::string_view iniText);

// Access keys: with them on, a text without one gets "&" before its first
// letter or digit (of any script) not yet taken at the same menu level, in
// either letter case; with them off, every
// single "&" goes ("&&" stays a literal ampersand).
std::string WithAccessKey(const std::string& text, std::string& usedKeys);
std::string WithoutAccessKey(const std::string& text);
// A list entry's text shown literally: "&" doubled, cut to kMaxItemText characters.
std::string LiteralMenuText(std::string_view text);

// The wildcard patterns of the selection dialog: alternatives separated by
// ";", "*" and "?" (one character) as usual, letters of every script compared
// without case. Leading add
// marks (character 1) are not part of the pattern.
bool MatchesPattern(std::string_view name, std::string_view pattern);

// The program of a list entry as one command line: " %d" at the end of its
// path stands for the selection, its paths joined by blanks.
std::string ProgramCommandLine(const std::string& path, const std::vector<std::string>& selection);

// A path as one argument of a command line: in double quotes when it holds a
// blank; one that already holds quotes is taken as written.
std::string CommandLinePath(const std::string& path);

// The command line arguments for kivuutil: arguments with blanks, control
// characters or quotes (or empty ones) in double quotes, each quote inside
// doubled; kivuutil's splitter gives back each argument exactly.
std::string KivuutilArguments(const std::vector<std::string>& args);

// The text copied to the clipboard: one line per entry, CR LF between them.
std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace kivumenu
