#include "config/konfigrules.h"

#include <algorithm>

#include "common/convert.h"

namespace kivu {

WindowSize KonfigConstrain(WindowSize size, int screenWidth, int screenHeight) {
    size.width = std::min(std::max(size.width, kKonfigMinWidth), std::max(screenWidth, kKonfigMinWidth));
    size.height = std::min(std::max(size.height, kKonfigMinHeight), std::max(screenHeight, kKonfigMinHeight));
    return size;
}

WindowSize KonfigStartSize(int items, int itemHeight, int screenWidth, int screenHeight) {
    const int height = std::min(std::max(items * itemHeight + 100, 400), screenHeight - 100);
    return KonfigConstrain({screenWidth / 3 * 2, height}, screenWidth, screenHeight);
}

KonfigLayout LayoutFor(int w, int ftpNameWidth, int programNameWidth, int programDirectoryWidth) {
    return {.panel1Width = std::max(w - 300, w / 2),
            .checkBoxWidth = w / 2,
            .ftpAddressWidth = std::max(w - ftpNameWidth - 50, 300),
            .programPathWidth = std::max(w - programNameWidth - programDirectoryWidth - 50, 250)};
}

std::string MenuEntryCaption(const std::string& text, int entry) { return text + " [" + IntToStr(entry) + "]"; }

StartAction ParseStartAction(const std::vector<std::string>& args) {
    StartAction action;
    if (args.size() < 4) return action;
    const int32_t page = StrToInt(args[2]);
    const int32_t command = StrToInt(args[3]);
    if (page != 2 && args.size() > 4) action.chooserFolder = args[4];
    if (page == 1 && command == 1) action.command = StartAction::Command::AddFolder;
    if (page == 3 && command == 1) action.command = StartAction::Command::AddProgram;
    return action;
}

std::string AboutText() {
    const std::string rule(38, '-');
    const std::vector<std::string> lines = {
        rule,
        "KIVUMenu",
        "Explorer Menu Extention",
        rule,
        "(c) 2026 the kivuutil developers.",
        "Free software without warranty.",
        "Written and maintained by the kivuutil developers,",
        "who welcome reports and ideas at the address below.",
        "kivuutil@users.noreply.example",
        "",
        rule,
        "",
        "Version:\t\tSee statusbar for version.",
        "Language:\tEnglish, German (supported by author)",
        "\t\tOther languages by users.",
        std::string(32, ' ') + "See readme.txt for details about the contributers of other languages.",
        "\t\tThe translation of other languages may be one  or more versions behind.",
        "Operating System:\tWindows NT4 / 2000",
        "\t\tWindows 95 / 98 (No drive subtitution)",
        "Price:\t\tFree",
        "Contact:\t\tvia e-mail to ",
        "kivuutil@users.noreply.example",
        "",
        rule,
        "read readme.txt and manual.txt for further information",
        rule,
    };
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) text += (i ? "\r\n" : "") + lines[i];
    return text;
}

}  // namespace kivu
