#include "shellext/menumodel.h"

#include <algorithm>
#include <utility>

#include "common/profilesection.h"
#include "common/utf8.h"
#include "config/entrylist.h"

namespace kivumenu {

namespace {

struct CommandInfo {
    Command command;
    const char* verb;
    const char* english;  // the shipped English text
};

constexpr CommandInfo kCommands[] = {
    {Command::CopyPath, "kivu.copypath", "Copy path"},
    {Command::CopyName, "kivu.copyname", "Copy name"},
    {Command::CopyShortPath, "kivu.copyshortpath", "Copy short path"},
    {Command::PromptHere, "kivu.prompt", "Command prompt here"},
    {Command::ChangeFolder, "kivu.folder", "Change to folder"},
    {Command::RunProgram, "kivu.program", "Run program"},
    {Command::FtpSite, "kivu.ftp", "FTP sites"},
    {Command::Rename, "kivu.rename", "Rename / properties"},
    {Command::SelectFiles, "kivu.select", "Select files"},
    {Command::NewFolder, "kivu.newfolder", "New folder"},
    {Command::ToggleHidden, "kivu.hidden", "Show / hide hidden files"},
    {Command::FileList, "kivu.filelist", "Create file list"},
    {Command::ExplorerHere, "kivu.explorer", "Open Explorer here"},
    {Command::Starter, "kivu.starter", "Program starter"},
    {Command::Configure, "kivu.configure", "Configure KIVU menu"},
    {Command::LiveUpdate, "kivu.update", "Live update"},
};

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// A character that can be an access key: a letter or a digit of any script in
// one UTF-16 unit; no mark, punctuation, symbol or emoji.
bool IsKeyCharacter(char32_t c) {
    if (c < 0x80) return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (c < 0xC0 || c == 0xD7 || c == 0xF7 || c > 0xFFFF) return false;
    constexpr std::pair<char32_t, char32_t> kNone[] = {
        {0x0300, 0x036F},  // combining marks
        {0x2000, 0x2BFF},  // punctuation, symbols, arrows, shapes
        {0x3000, 0x303F},  // CJK punctuation
        {0xD800, 0xF8FF},  // surrogates, private use
        {0xFE00, 0xFE0F},  // variation selectors
        {0xFF00, 0xFF0F}, {0xFF1A, 0xFF20}, {0xFF3B, 0xFF40}, {0xFF5B, 0xFF65},  // fullwidth punctuation
        {0xFFF0, 0xFFFF},
    };
    for (const auto& [first, last] : kNone)
        if (c >= first && c <= last) return false;
    return true;
}

// The access key of a character as kept in the used keys: its upper case in UTF-8.
std::string KeyOf(char32_t c) {
    std::string key;
    kivu::utf8::Append(key, kivu::utf8::Upper(c));
    return key;
}

// Builds one list command's items: separators only between entries, never
// two in a row, at most kMaxListItems entries.
class ListBuilder {
public:
    ListBuilder(MenuModel& model, int maxOffsets) : model_(model), max_(maxOffsets) {}

    void Separator() { pendingSeparator_ = !items_.empty(); }

    void Entry(Command command, int index, std::string_view text, const std::string& help) {
        if (items_.size() >= kMaxListItems || static_cast<int>(model_.actions.size()) >= max_) return;
        if (pendingSeparator_) items_.push_back({MenuItem::Kind::Separator, {}, -1, false, {}});
        pendingSeparator_ = false;
        const int offset = static_cast<int>(model_.actions.size());
        model_.actions.push_back(
            {command, index, std::string(VerbName(command)) + "." + std::to_string(index),
             std::string(kivu::utf8::Head(help, kMaxItemText))});
        items_.push_back({MenuItem::Kind::Command, LiteralMenuText(text), offset, false, {}});
    }

    std::vector<MenuItem> Take() { return std::move(items_); }

private:
    MenuModel& model_;
    int max_;
    bool pendingSeparator_ = false;
    std::vector<MenuItem> items_;
};

std::vector<MenuItem> ListItems(const MenuInput& in, Command command, MenuModel& model, int maxOffsets) {
    ListBuilder list(model, maxOffsets);
    if (command == Command::ChangeFolder) {
        for (size_t i = 0; i < in.folders.size(); ++i) {
            const std::string& f = in.folders[i];
            if (f == kivu::kSeparator) list.Separator();
            else if (!f.empty()) list.Entry(command, static_cast<int>(i), f, f);
        }
    } else if (command == Command::RunProgram) {
        for (size_t i = 0; i < in.programs.size(); ++i) {
            const auto& p = in.programs[i];
            if (p.Name == kivu::kSeparator) list.Separator();
            else if (!p.Path.empty()) list.Entry(command, static_cast<int>(i), p.Name, p.Path);
        }
    } else if (command == Command::FtpSite) {
        for (size_t i = 0; i < in.ftpSites.size(); ++i) {
            const auto& s = in.ftpSites[i];
            if (s.Name == kivu::kSeparator) list.Separator();
            else if (!s.Address.empty()) list.Entry(command, static_cast<int>(i), s.Name, s.Address);
        }
    }
    return list.Take();
}

bool IsListCommand(Command c) {
    return c == Command::ChangeFolder || c == Command::RunProgram || c == Command::FtpSite;
}

}  // namespace

const std::vector<Command>& KnownCommands() {
    static const std::vector<Command> all = [] {
        std::vector<Command> v;
        for (const auto& c : kCommands) v.push_back(c.command);
        return v;
    }();
    return all;
}

std::string_view VerbName(Command command) {
    for (const auto& c : kCommands)
        if (c.command == command) return c.verb;
    return {};
}

std::string_view ShippedEnglishText(Command command) {
    for (const auto& c : kCommands)
        if (c.command == command) return c.english;
    return {};
}

std::optional<int> MenuModel::OffsetOfVerb(std::string_view verb) const {
    for (size_t i = 0; i < actions.size(); ++i)
        if (EqualNoCase(actions[i].verb, verb)) return static_cast<int>(i);
    return std::nullopt;
}

MenuModel BuildMenu(const MenuInput& in, int maxOffsets) {
    MenuModel model;
    std::vector<MenuItem> items;
    std::string usedKeys;
    for (Command command : KnownCommands()) {
        const int number = static_cast<int>(command);
        const auto text = in.texts.find(number);
        if (text == in.texts.end() || text->second.empty() || !kivu::MenuFlag(in.settings.status, number)) continue;
        if (static_cast<int>(model.actions.size()) >= maxOffsets) break;
        const std::string caption = in.settings.accessKeys ? WithAccessKey(text->second, usedKeys)
                                                           : WithoutAccessKey(text->second);
        const std::string help = WithoutAccessKey(text->second);
        if (IsListCommand(command)) {
            MenuItem popup{MenuItem::Kind::Popup, caption, -1, false, ListItems(in, command, model, maxOffsets)};
            // An empty list leaves its command greyed out rather than an empty submenu.
            if (popup.children.empty()) popup = {MenuItem::Kind::Command, caption, -1, false, {}};
            items.push_back(std::move(popup));
        } else {
            const int offset = static_cast<int>(model.actions.size());
            model.actions.push_back({command, -1, std::string(VerbName(command)), help});
            items.push_back({MenuItem::Kind::Command, caption, offset, false, {}});
        }
    }
    if (items.empty()) return model;
    if (in.settings.subMenu) {
        model.items.push_back({MenuItem::Kind::Popup, kSubMenuTitle, -1, in.settings.bitmap, std::move(items)});
    } else {
        for (auto& item : items) item.bitmap = in.settings.bitmap;
        model.items = std::move(items);
    }
    return model;
}

std::map<int, std::string> ParseMenuTexts(std::string_view iniText) {
    constexpr size_t kMaxValue = 2047;  // UTF-16 units, as much as the profile functions return
    const auto sections = kivu::ParseProfileText(iniText);
    const auto section = [&](const std::string& name) -> const kivu::ProfileSection* {
        const auto it = sections.find(name);
        return it == sections.end() ? nullptr : &it->second;
    };
    std::string language = "english";
    if (const auto* names = section("language"))
        if (auto current = names->Value("current"); current && !current->empty()) {
            language = *current;
            std::transform(language.begin(), language.end(), language.begin(), Lower);
        }
    std::map<int, std::string> texts;
    for (const std::string& name : {language, std::string("english")}) {
        const auto* s = section(name);
        if (!s) continue;
        for (int n = kivu::kFirstMenuEntry; n <= kivu::kLastMenuEntry; ++n)
            if (auto v = s->Value(std::to_string(n)); v && !v->empty() && !texts.count(n))
                texts[n] = std::string(kivu::utf8::HeadUtf16(*v, kMaxValue));
    }
    // A missing or damaged file must not take the menu away, and with it
    // the commands that repair things.
    for (const auto& c : kCommands) texts.emplace(static_cast<int>(c.command), c.english);
    return texts;
}

std::string WithAccessKey(const std::string& text, std::string& usedKeys) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        size_t at = i + 1;
        const char32_t own = kivu::utf8::NextOrByte(text, at);
        if (own < kivu::utf8::kInvalidByte) usedKeys += KeyOf(own);
        return text;  // it brings its own
    }
    for (size_t i = 0; i < text.size();) {
        const size_t start = i;
        const char32_t c = kivu::utf8::NextOrByte(text, i);
        if (!IsKeyCharacter(c)) continue;
        const std::string key = KeyOf(c);
        if (usedKeys.find(key) == std::string::npos) {
            usedKeys += key;
            return text.substr(0, start) + "&" + text.substr(start);
        }
    }
    return text;
}

std::string WithoutAccessKey(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') out += '&', ++i;
            continue;
        }
        out += text[i];
    }
    return out;
}

std::string LiteralMenuText(std::string_view text) {
    std::string out;
    for (char c : kivu::utf8::Head(text, kMaxItemText)) {
        if (c == '\t') c = ' ';  // a tab would start the shortcut column
        out += c;
        if (c == '&') out += '&';
    }
    return out;
}

namespace {

bool MatchOne(std::string_view name, std::string_view pat) {
    // Iterative with one backtrack point: linear in practice, no recursion
    // depth. Positions are bytes; every step takes one whole character.
    using kivu::utf8::NextOrByte, kivu::utf8::Upper;
    size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        size_t nextP = p;
        const char32_t q = p < pat.size() ? NextOrByte(pat, nextP) : 0;
        size_t nextN = n;
        const char32_t c = NextOrByte(name, nextN);
        if (p < pat.size() && (q == '?' || Upper(q) == Upper(c))) {
            n = nextN, p = nextP;
        } else if (p < pat.size() && q == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            NextOrByte(name, starN);
            n = starN;
        } else {
            return false;
        }
    }
    while (p < pat.size() && pat[p] == '*') ++p;
    return p == pat.size();
}

}  // namespace

bool MatchesPattern(std::string_view name, std::string_view pattern) {
    while (!pattern.empty() && pattern.front() == '\x01') pattern.remove_prefix(1);
    while (!pattern.empty()) {
        const size_t semi = pattern.find(';');
        const std::string_view one = Trim(pattern.substr(0, semi));
        if (!one.empty() && MatchOne(name, one)) return true;
        if (semi == std::string_view::npos) break;
        pattern.remove_prefix(semi + 1);
    }
    return false;
}

std::string ProgramCommandLine(const std::string& path, const std::vector<std::string>& selection) {
    constexpr std::string_view kMarker = kivu::kPassFileMarker;
    if (path.size() < kMarker.size() || path.compare(path.size() - kMarker.size(), kMarker.size(), kMarker) != 0)
        return path;
    std::string line = path.substr(0, path.size() - kMarker.size());
    for (const auto& s : selection) line += " " + s;
    return line;
}

std::string CommandLinePath(const std::string& path) {
    const bool quote = path.find('"') == std::string::npos && path.find_first_of(" \t") != std::string::npos;
    return quote ? "\"" + path + "\"" : path;
}

std::string KivuutilArguments(const std::vector<std::string>& args) {
    std::string line;
    for (const auto& a : args) {
        if (!line.empty()) line += ' ';
        // Quoted when kivuutil's splitter would cut or strip it: at blanks,
        // control characters and quotes.
        const bool plain = !a.empty() && std::none_of(a.begin(), a.end(), [](char c) {
            return static_cast<unsigned char>(c) <= ' ' || c == '"';
        });
        if (plain) {
            line += a;
            continue;
        }
        line += '"';
        for (const char c : a) line += c == '"' ? std::string("\"\"") : std::string(1, c);
        line += '"';
    }
    return line;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) out += "\r\n";
        out += lines[i];
    }
    return out;
}

}  // namespace kivumenu
