// The configuration window's rules that need no window: its size, the
// layout on resize, the check list's captions, the start action taken from
// the command line and the about text.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace kivu {

struct WindowSize {
    int width = 0, height = 0;
    bool operator==(const WindowSize&) const = default;
};

constexpr int kKonfigMinWidth = 600;
constexpr int kKonfigMinHeight = 450;

// The size at start-up for a check list of `items` entries of itemHeight:
// items x itemHeight + 100 high (at least 400, at most the screen height
// - 100), two thirds of the screen wide, then held to the limits.
WindowSize KonfigStartSize(int items, int itemHeight, int screenWidth, int screenHeight);
// Every size the window takes: at least 600 x 450, at most the screen.
WindowSize KonfigConstrain(WindowSize size, int screenWidth, int screenHeight);

// The widths that follow the window's width W.
struct KonfigLayout {
    int panel1Width;      // W - 300, or half of W if that is larger
    int checkBoxWidth;    // half of W
    int ftpAddressWidth;  // W - column 0 - 50, at least 300
    int programPathWidth; // W - column 0 - column 2 - 50, at least 250
};
KonfigLayout LayoutFor(int windowWidth, int ftpNameWidth, int programNameWidth, int programDirectoryWidth);
inline int CentredLeft(int containerWidth, int controlWidth) { return (containerWidth - controlWidth) / 2; }

// "Kopieren [12]".
std::string MenuEntryCaption(const std::string& text, int entry);

// What the command line asks for once the window is idle: arguments are
// the program, the mode, then page, action, folder.
struct StartAction {
    enum class Command { None, AddFolder, AddProgram };
    Command command = Command::None;
    std::optional<std::string> chooserFolder;  // where both choosers start
};
// A page or action that is no number raises ConvertError.
StartAction ParseStartAction(const std::vector<std::string>& args);

// The about page's text, lines joined by CR LF.
std::string AboutText();

}  // namespace kivu
