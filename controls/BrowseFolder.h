// TBrowseFolder: the system's folder browse dialog as a component: a folder
// to preselect, a status line with the highlighted path, OK only for
// file-system folders, and an optional extra button of the caller's own.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "ui/controls.h"

namespace kivu {

enum class TBrowseInfoFlags {
    bfFileSysDirsOnly,
    bfDontGoBelowDomain,
    bfStatusText,
    bfFileSysAncestors,
    bfBrowseForComputer,
    bfBrowseForPrinter,
};

enum class TSHFolders {
    foDesktop, foDesktopExpanded, foPrograms, foControlPanel, foPrinters, foPersonal, foFavorites, foStartup,
    foRecent, foSendto, foRecycleBin, foStartMenu, foDesktopDirectory, foMyComputer, foNetwork,
    foNetworkNeighborhood, foFonts, foTemplates,
};

enum class TCustomButtonType { btPushButton, btCheckBox };

class TBrowseFolder {
public:
    static constexpr int kCustomButtonId = 255;
    static constexpr int kDefaultButtonWidth = 75;

    // The owner's window (when it is a windowed control) owns the dialog.
    explicit TBrowseFolder(ui::Control* owner = nullptr) : owner_(owner) {}
    TBrowseFolder(const TBrowseFolder&) = delete;
    TBrowseFolder& operator=(const TBrowseFolder&) = delete;

    std::string Directory;
    std::string Title;
    std::set<TBrowseInfoFlags> Flags = {TBrowseInfoFlags::bfFileSysDirsOnly, TBrowseInfoFlags::bfStatusText};
    bool ShowPathInStatusArea = false;
    TSHFolders RootFolder = TSHFolders::foDesktopExpanded;
    bool CustomButtonVisible = false;
    TCustomButtonType CustomButtonType = TCustomButtonType::btPushButton;
    bool CustomButtonChecked = false;
    bool SyncCustomButton = false;
    // An explicit owner window, used when it exists.
    HWND OwnerWindow = nullptr;

    bool CustomButtonEnabled() const { return customButtonEnabled_; }
    void SetCustomButtonEnabled(bool enabled);
    const std::string& CustomButtonCaption() const { return customButtonCaption_; }
    void SetCustomButtonCaption(const std::string& caption);
    int32_t CustomButtonWidth() const { return customButtonWidth_; }
    void SetCustomButtonWidth(int32_t width) { customButtonWidth_ = width <= 0 ? kDefaultButtonWidth : width; }

    std::function<void(TBrowseFolder& sender, HWND dialog)> OnInitialized;
    std::function<void(TBrowseFolder& sender, HWND dialog, LPCITEMIDLIST item, const std::string& directory)>
        OnSelectionChanged;
    std::function<void(TBrowseFolder& sender, HWND dialog)> OnCustomButtonClick;

    // The path highlighted in the open dialog; after a chosen folder, Directory.
    const std::string& SelectedPath() const { return selectedPath_; }

    // Shows the dialog modally; true when the user chose a folder with OK
    // (Directory then holds its path). Cancel leaves Directory as it was.
    bool Execute();

private:
    static int CALLBACK Callback(HWND dialog, UINT msg, LPARAM lp, LPARAM data);
    static LRESULT CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    HWND OwnerFor() const;
    void Initialized(HWND dialog);
    void SelectionChanged(HWND dialog, LPCITEMIDLIST item);
    void AddCustomButton();

    ui::Control* owner_;
    bool customButtonEnabled_ = true;
    std::string customButtonCaption_;
    int32_t customButtonWidth_ = kDefaultButtonWidth;
    std::string selectedPath_;
    HWND dialog_ = nullptr;
    HWND customButton_ = nullptr;
};

// The value SHBrowseForFolderA takes for the flags.
UINT BrowseFlagsValue(const std::set<TBrowseInfoFlags>& flags);

}  // namespace kivu
