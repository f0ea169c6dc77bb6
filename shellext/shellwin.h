// The handler library's Windows side: reading the configuration for one
// menu, the registration, and the commands.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <olectl.h>

#include <memory>
#include <string>
#include <vector>

#include "common/classid.h"
#include "common/extensionkeys.h"
#include "common/windir.h"
#include "shellext/menumodel.h"

namespace kivumenu {

constexpr const char* kTitle = kivu::kExtensionTitle;

// Live objects and server locks, for DllCanUnloadNow.
void AddModuleRef();
void ReleaseModuleRef();
bool ModuleInUse();
HINSTANCE ModuleInstance();

using kivu::WindowsDirectory;

// One menu: what it was built from and what its items do.
struct BuiltMenu {
    MenuInput input;
    MenuModel model;
};
// The menu for a host's range of room ids, built from the flags in the
// registry, the language file and those list files whose command is shown,
// each read once. The last menu is kept while the key and the files keep
// their last write times (and sizes).
std::shared_ptr<const BuiltMenu> CurrentMenu(int room);
// How often the language file was read by this process (for the tests and the benchmark).
long LanguageFileReads();

// The program's icon as a menu bitmap; owned by the library, made once.
HBITMAP MenuBitmap();
void FreeMenuBitmap();

HRESULT RegisterServer();
HRESULT UnregisterServer();

// What a command works on.
struct Selection {
    std::vector<std::string> paths;  // the items' real paths, in our text
    std::string folder;              // the folder the command works in
};

struct InvokeContext {
    HWND owner = nullptr;
    IUnknown* site = nullptr;  // the host's site, may be null
    const MenuInput* input = nullptr;
    const Selection* selection = nullptr;
    bool unicodeHost = false;
};

// Carries out one command; every failure that the user must know of is shown
// in one message box. Never throws.
HRESULT RunAction(const Action& action, const InvokeContext& context);

}  // namespace kivumenu
