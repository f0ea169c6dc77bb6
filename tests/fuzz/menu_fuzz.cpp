// What the context-menu handler makes of the files it reads in the file
// manager's process: any language file, list files and status string build
// a menu that stays within its bounds.
//
// The arguments it hands kivuutil come back whole from kivuutil's splitter.
//
// Input: one byte of flags, one byte for the host's id range, then the
// status, the language file and the three lists, separated by 0x1E; the last
// list also serves as kivuutil's arguments, separated by 0x1F.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "common/storedtext.h"
#include "common/utf8.h"
#include "link/handlerlink.h"
#include "shellext/menumodel.h"

namespace {

using namespace kivumenu;

void Check(bool ok) {
    if (!ok) std::abort();
}

// Every command item has an offset below the action count and a bounded
// text; popups hold a bounded list with no separator at either end or twice
// in a row.
void CheckItems(const std::vector<MenuItem>& items, const MenuModel& model, int depth) {
    Check(depth <= 2);
    for (size_t i = 0; i < items.size(); ++i) {
        const MenuItem& item = items[i];
        Check(item.text.size() <= 2048);
        if (item.kind == MenuItem::Kind::Command) Check(item.offset < static_cast<int>(model.actions.size()));
        if (item.kind == MenuItem::Kind::Separator)
            Check(i > 0 && i + 1 < items.size() && items[i - 1].kind != MenuItem::Kind::Separator);
        if (item.kind == MenuItem::Kind::Popup) {
            size_t entries = 0;
            for (const auto& c : item.children) entries += c.kind != MenuItem::Kind::Separator;
            Check(entries > 0 && entries <= kMaxListItems);
            CheckItems(item.children, model, depth + 1);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint8_t flags = data[0];
    const int room = data[1];
    std::vector<std::string_view> parts;
    std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
    for (int i = 0; i < 4; ++i) {
        const size_t cut = rest.find('\x1e');
        parts.push_back(rest.substr(0, cut));
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    }
    parts.push_back(rest);

    MenuInput in;
    in.settings.status = std::string(parts[0]);
    in.settings.subMenu = flags & 1;
    in.settings.bitmap = flags & 2;
    in.settings.accessKeys = flags & 4;
    // The Unicode forms as the handler decodes them; a single-byte file as it is.
    in.texts = ParseMenuTexts(kivu::UnicodeFileText(parts[1]).value_or(std::string(parts[1])));
    for (const auto& [number, text] : in.texts) Check(!text.empty() && text.size() <= 2047);
    in.folders = kivu::ParseFolders(parts[2]);
    in.programs = kivu::ParsePrograms(parts[3]);
    in.ftpSites = kivu::ParseFtpSites(parts[4]);

    const MenuModel model = BuildMenu(in, room);
    Check(static_cast<int>(model.actions.size()) <= room);
    CheckItems(model.items, model, 0);
    for (const Action& a : model.actions) {
        Check(a.help.size() <= 2047 + kMaxItemText);
        Check(model.OffsetOfVerb(a.verb).has_value());
    }
    // List entries in valid UTF-8 are cut between characters.
    const auto valid = [](std::string_view text) {
        for (size_t at = 0; at < text.size();)
            if (kivu::utf8::NextOrByte(text, at) >= kivu::utf8::kInvalidByte) return false;
        return true;
    };
    if (valid(parts[2]) && valid(parts[3]) && valid(parts[4])) {
        const auto check = [&](const auto& self, const std::vector<MenuItem>& items) -> void {
            for (const MenuItem& item : items) {
                self(self, item.children);
                if (item.kind != MenuItem::Kind::Command || item.offset < 0) continue;
                const Action& a = model.actions[static_cast<size_t>(item.offset)];
                if (a.index >= 0) Check(valid(item.text) && valid(a.help));
            }
        };
        check(check, model.items);
    }
    // The status string doubles as a name and a pattern: matching must end.
    MatchesPattern(parts[1].substr(0, 256), parts[0].substr(0, 256));

    std::vector<std::string> args;
    for (std::string_view list = parts[4];;) {
        const size_t cut = list.find('\x1f');
        args.emplace_back(list.substr(0, cut));
        if (cut == std::string_view::npos) break;
        list.remove_prefix(cut + 1);
    }
    std::vector<std::string> split = kivu::SplitCommandLine("kivuutil.exe " + KivuutilArguments(args));
    Check(!split.empty() && split.front() == "kivuutil.exe");
    split.erase(split.begin());
    Check(split == args);
    return 0;
}
