// The system's open-file and save-file dialogs, set up like a designer's
// component: filter, folder, proposed name, options; Execute shows it.
#pragma once
#include <windows.h>

#include <string>

namespace ui {

class FileDialog {
public:
    enum class Kind { Open, Save };
    explicit FileDialog(Kind kind) : kind_(kind) {}

    // "Description|pattern|Description|pattern"; an entry without a
    // description shows its pattern instead (the system would end the list there).
    std::string filter;
    std::string initialDir;  // "" = the system's choice
    std::string fileName;    // proposed before, chosen after Execute
    std::string title;       // "" = the system's caption
    DWORD options = 0;       // OFN_* flags; OFN_EXPLORER is always added

    // Shows the dialog modally; true when the user chose a file (fileName then holds it).
    bool Execute(HWND owner);

private:
    Kind kind_;
};

// The filter as the system wants it: pairs of zero-terminated texts, an
// empty text at the end. Exposed for the tests.
std::string FilterForSystem(const std::string& filter);

}  // namespace ui
