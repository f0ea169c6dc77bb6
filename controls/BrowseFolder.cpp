#include "controls/BrowseFolder.h"

#include <commctrl.h>

#include "common/handles.h"
#include "common/systemlib.h"
#include "common/text.h"
#include "controls/browsepath.h"
#include "ui/app.h"
#include "ui/dpi.h"
#include "ui/form.h"

namespace kivu {

namespace {

// A shell item list. A list exists only once the shell library (and with it
// ole32) is loaded, so its free function is taken from there.
struct ItemListKind {
    using Type = LPITEMIDLIST;
    static Type Invalid() { return nullptr; }
    static bool Close(Type list) {
        SystemFunction<void(WINAPI*)(LPVOID)>("ole32.dll", "CoTaskMemFree")(list);
        return true;
    }
};
using ItemList = Unique<ItemListKind>;

// The special folder of each root; -1: none (the desktop, expanded).
int FolderNumber(TSHFolders root) {
    switch (root) {
        case TSHFolders::foDesktop: return CSIDL_DESKTOP;
        case TSHFolders::foDesktopExpanded: return -1;
        case TSHFolders::foPrograms: return CSIDL_PROGRAMS;
        case TSHFolders::foControlPanel: return CSIDL_CONTROLS;
        case TSHFolders::foPrinters: return CSIDL_PRINTERS;
        case TSHFolders::foPersonal: return CSIDL_PERSONAL;
        case TSHFolders::foFavorites: return CSIDL_FAVORITES;
        case TSHFolders::foStartup: return CSIDL_STARTUP;
        case TSHFolders::foRecent: return CSIDL_RECENT;
        case TSHFolders::foSendto: return CSIDL_SENDTO;
        case TSHFolders::foRecycleBin: return CSIDL_BITBUCKET;
        case TSHFolders::foStartMenu: return CSIDL_STARTMENU;
        case TSHFolders::foDesktopDirectory: return CSIDL_DESKTOPDIRECTORY;
        case TSHFolders::foMyComputer: return CSIDL_DRIVES;
        case TSHFolders::foNetwork: return CSIDL_NETWORK;
        case TSHFolders::foNetworkNeighborhood: return CSIDL_NETHOOD;
        case TSHFolders::foFonts: return CSIDL_FONTS;
        case TSHFolders::foTemplates: return CSIDL_TEMPLATES;
    }
    return -1;
}

std::string PathOf(LPCITEMIDLIST item) {
    wchar_t path[MAX_PATH] = {};
    return item && SystemFunction<BOOL(WINAPI*)(LPCITEMIDLIST, LPWSTR)>("shell32.dll", "SHGetPathFromIDListW")(item, path)
               ? Narrow(path)
               : "";
}

bool FolderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return !path.empty() && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

UINT BrowseFlagsValue(const std::set<TBrowseInfoFlags>& flags) {
    UINT value = 0;
    for (TBrowseInfoFlags f : flags) {
        switch (f) {
            case TBrowseInfoFlags::bfFileSysDirsOnly: value |= BIF_RETURNONLYFSDIRS; break;
            case TBrowseInfoFlags::bfDontGoBelowDomain: value |= BIF_DONTGOBELOWDOMAIN; break;
            case TBrowseInfoFlags::bfStatusText: value |= BIF_STATUSTEXT; break;
            case TBrowseInfoFlags::bfFileSysAncestors: value |= BIF_RETURNFSANCESTORS; break;
            case TBrowseInfoFlags::bfBrowseForComputer: value |= BIF_BROWSEFORCOMPUTER; break;
            case TBrowseInfoFlags::bfBrowseForPrinter: value |= BIF_BROWSEFORPRINTER; break;
        }
    }
    return value;
}

void TBrowseFolder::SetCustomButtonEnabled(bool enabled) {
    customButtonEnabled_ = enabled;
    if (customButton_) EnableWindow(customButton_, enabled);
}

void TBrowseFolder::SetCustomButtonCaption(const std::string& caption) {
    customButtonCaption_ = caption;
    if (customButton_) SetWindowTextW(customButton_, Widen(caption).c_str());
}

HWND TBrowseFolder::OwnerFor() const {
    if (OwnerWindow && IsWindow(OwnerWindow)) return OwnerWindow;
    if (owner_ && owner_->Handle()) return owner_->Handle();
    ui::Form* main = ui::App().MainForm();
    return main ? main->Handle() : nullptr;
}

bool TBrowseFolder::Execute() {
    ItemList root;
    if (const int number = FolderNumber(RootFolder); number >= 0)
        SystemFunction<HRESULT(WINAPI*)(HWND, int, LPITEMIDLIST*)>("shell32.dll", "SHGetSpecialFolderLocation")(
            nullptr, number, root.put());
    wchar_t displayName[MAX_PATH] = {};
    const std::wstring title = Widen(Title);
    BROWSEINFOW info{};
    info.hwndOwner = OwnerFor();
    info.pidlRoot = root.get();
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BrowseFlagsValue(Flags);
    info.lpfn = Callback;
    info.lParam = reinterpret_cast<LPARAM>(this);
    const ItemList chosen(
        SystemFunction<LPITEMIDLIST(WINAPI*)(LPBROWSEINFOW)>("shell32.dll", "SHBrowseForFolderW")(&info));
    dialog_ = nullptr;
    customButton_ = nullptr;
    if (!chosen.get()) return false;
    Directory = PathOf(chosen.get());
    selectedPath_ = Directory;
    return true;
}

int CALLBACK TBrowseFolder::Callback(HWND dialog, UINT msg, LPARAM lp, LPARAM data) {
    auto* self = reinterpret_cast<TBrowseFolder*>(data);
    ui::App().Guard([&] {
        if (msg == BFFM_INITIALIZED) self->Initialized(dialog);
        else if (msg == BFFM_SELCHANGED) self->SelectionChanged(dialog, reinterpret_cast<LPCITEMIDLIST>(lp));
    });
    return 0;
}

void TBrowseFolder::Initialized(HWND dialog) {
    dialog_ = dialog;
    // Centred over the window in front, a quarter of its height down.
    if (HWND front = GetForegroundWindow()) {
        RECT f, d;
        GetWindowRect(front, &f);
        GetWindowRect(dialog, &d);
        const int left = f.left + (f.right - f.left) / 2 - (d.right - d.left) / 2;
        const int top = f.top + (f.bottom - f.top) / 4;
        SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // A folder that does not exist preselects nothing: the dialog opens at its default.
    if (FolderExists(Directory))
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(Widen(Directory).c_str()));
    if (CustomButtonVisible) AddCustomButton();
    if (OnInitialized) OnInitialized(*this, dialog);
}

void TBrowseFolder::SelectionChanged(HWND dialog, LPCITEMIDLIST item) {
    selectedPath_ = PathOf(item);
    if (ShowPathInStatusArea) {
        const std::string shown = browse::ShortenPath(selectedPath_);
        SendMessageW(dialog, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(Widen(shown).c_str()));
    }
    const bool fileSystem = !selectedPath_.empty();
    SendMessageW(dialog, BFFM_ENABLEOK, 0, fileSystem);
    if (SyncCustomButton) SetCustomButtonEnabled(fileSystem);
    if (OnSelectionChanged) OnSelectionChanged(*this, dialog, item, selectedPath_);
}

void TBrowseFolder::AddCustomButton() {
    const DWORD kind = CustomButtonType == TCustomButtonType::btCheckBox ? BS_AUTOCHECKBOX : BS_PUSHBUTTON;
    const int dpi = ui::WindowDpi(dialog_);
    const auto px = [dpi](int designed) { return ui::ScaleToDpi(designed, dpi); };
    customButton_ = CreateWindowExW(0, L"BUTTON", Widen(customButtonCaption_).c_str(),
                                    WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | kind, px(12), px(270),
                                    px(customButtonWidth_), px(23), dialog_,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCustomButtonId)),
                                    ui::App().Handle(), nullptr);
    // The dialog's own font, which the system made for its DPI.
    SendMessageW(customButton_, WM_SETFONT, SendMessageW(dialog_, WM_GETFONT, 0, 0), FALSE);
    EnableWindow(customButton_, customButtonEnabled_);
    if (CustomButtonType == TCustomButtonType::btCheckBox)
        SendMessageW(customButton_, BM_SETCHECK, CustomButtonChecked ? BST_CHECKED : BST_UNCHECKED, 0);
    SetWindowSubclass(dialog_, DialogProc, 0, reinterpret_cast<DWORD_PTR>(this));
}

// The dialog's own handling, but for OK (which takes the check box's state)
// and the extra button (which fires its event and keeps the dialog open).
LRESULT CALLBACK TBrowseFolder::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<TBrowseFolder*>(data);
    if (msg == WM_COMMAND) {
        const int id = LOWORD(wp) & 0xFF;
        if (id == IDOK && self->CustomButtonType == TCustomButtonType::btCheckBox && self->customButton_)
            self->CustomButtonChecked = SendMessageW(self->customButton_, BM_GETCHECK, 0, 0) == BST_CHECKED;
        if (id == kCustomButtonId) {
            ui::App().Guard([&] {
                if (self->OnCustomButtonClick) self->OnCustomButtonClick(*self, hwnd);
            });
            return 0;
        }
    }
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, DialogProc, 0);
    return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace kivu
