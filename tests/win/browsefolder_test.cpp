// The folder browse dialog on its own, in this process: each test acts from
// the dialog's own events (the dialog is modal), so nothing waits on a clock.
#include <gtest/gtest.h>

#include "controls/BrowseFolder.h"
#include "tests/win/support/winsupport.h"

using kivu::TBrowseFolder;
using kivu::TCustomButtonType;
using namespace testsupport;

namespace {

// Wine's dialog does not find folders below the user's temporary folder in
// its tree (it shows the profile on the desktop); one below C:\ it does.
constexpr const char* kBase = "C:\\";

std::string NoSlash(std::string path) {
    if (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

void Press(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

}  // namespace

TEST(BrowseFolder, DefaultsAndTheButtonWidthRule) {
    TBrowseFolder b;
    EXPECT_EQ(b.Directory, "");
    EXPECT_EQ(b.RootFolder, kivu::TSHFolders::foDesktopExpanded);
    EXPECT_EQ(kivu::BrowseFlagsValue(b.Flags), static_cast<UINT>(BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT));
    EXPECT_TRUE(b.CustomButtonEnabled());
    EXPECT_EQ(b.CustomButtonWidth(), 75);
    b.SetCustomButtonWidth(0);
    EXPECT_EQ(b.CustomButtonWidth(), 75);
    b.SetCustomButtonWidth(-5);
    EXPECT_EQ(b.CustomButtonWidth(), 75);
    b.SetCustomButtonWidth(120);
    EXPECT_EQ(b.CustomButtonWidth(), 120);
    EXPECT_EQ(kivu::BrowseFlagsValue({kivu::TBrowseInfoFlags::bfBrowseForPrinter,
                                      kivu::TBrowseInfoFlags::bfDontGoBelowDomain}),
              0x2002u);
}

TEST(BrowseFolder, AnExistingDirectoryIsPreselectedAndOkReturnsIt) {
    TempDir dir(kBase);
    TBrowseFolder b;
    b.Directory = NoSlash(dir.path());
    b.ShowPathInStatusArea = true;
    std::string atStart;
    b.OnInitialized = [&](TBrowseFolder& sender, HWND dialog) {
        atStart = sender.SelectedPath();
        Press(dialog, IDOK);
    };
    ASSERT_TRUE(b.Execute());
    EXPECT_EQ(atStart, NoSlash(dir.path()));
    EXPECT_EQ(b.Directory, NoSlash(dir.path()));
    EXPECT_EQ(b.SelectedPath(), b.Directory);
}

TEST(BrowseFolder, CancelKeepsTheDirectoryAndAMissingOneSelectsNothing) {
    TempDir dir(kBase);
    const std::string missing = dir.path() + "not here";
    TBrowseFolder b;
    b.Directory = missing;
    std::vector<std::string> highlighted;
    b.OnSelectionChanged = [&](TBrowseFolder&, HWND, LPCITEMIDLIST, const std::string& path) {
        highlighted.push_back(path);
    };
    bool initialized = false;
    b.OnInitialized = [&](TBrowseFolder&, HWND dialog) {
        initialized = true;
        Press(dialog, IDCANCEL);
    };
    EXPECT_FALSE(b.Execute());
    EXPECT_TRUE(initialized);
    EXPECT_EQ(b.Directory, missing);
    for (const auto& p : highlighted) EXPECT_NE(p, missing);
}

TEST(BrowseFolder, TheCheckBoxStateIsStoredOnOkAndNotOnCancel) {
    TempDir dir(kBase);
    TBrowseFolder b;
    b.Directory = NoSlash(dir.path());
    b.CustomButtonVisible = true;
    b.CustomButtonType = TCustomButtonType::btCheckBox;
    b.SetCustomButtonCaption("Sub&folders");
    b.SetCustomButtonWidth(-1);
    int clicks = 0;
    b.OnCustomButtonClick = [&](TBrowseFolder&, HWND) { ++clicks; };
    int closeWith = IDCANCEL;
    HWND seenButton = nullptr;
    RECT place{};
    b.OnInitialized = [&](TBrowseFolder&, HWND dialog) {
        HWND box = GetDlgItem(dialog, TBrowseFolder::kCustomButtonId);
        seenButton = box;
        GetWindowRect(box, &place);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
        SendMessageA(box, BM_CLICK, 0, 0);  // ticks it; the dialog stays open
        Press(dialog, closeWith);
    };
    EXPECT_FALSE(b.Execute());
    ASSERT_TRUE(seenButton);
    EXPECT_EQ(place.left, 12);
    EXPECT_EQ(place.top, 270);
    EXPECT_EQ(place.right - place.left, 75);
    EXPECT_EQ(place.bottom - place.top, 23);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(b.CustomButtonChecked);  // cancelled

    closeWith = IDOK;
    EXPECT_TRUE(b.Execute());
    EXPECT_EQ(clicks, 2);
    EXPECT_TRUE(b.CustomButtonChecked);
    closeWith = IDOK;  // shown ticked now: a click clears it
    EXPECT_TRUE(b.Execute());
    EXPECT_FALSE(b.CustomButtonChecked);
}

TEST(BrowseFolder, ThePushButtonFollowsOkWhenSynchronisedAndTakesNewCaptions) {
    TempDir dir(kBase);
    TBrowseFolder b;
    b.Directory = NoSlash(dir.path());
    b.CustomButtonVisible = true;
    b.SyncCustomButton = true;
    b.SetCustomButtonEnabled(false);
    bool enabledAtStart = false;
    std::string caption;
    b.OnInitialized = [&](TBrowseFolder& sender, HWND dialog) {
        HWND button = GetDlgItem(dialog, TBrowseFolder::kCustomButtonId);
        enabledAtStart = IsWindowEnabled(button) != FALSE;  // a file-system folder is highlighted
        sender.SetCustomButtonCaption("Neu");
        caption = WindowText(button);
        Press(dialog, IDCANCEL);
    };
    EXPECT_FALSE(b.Execute());
    EXPECT_TRUE(enabledAtStart);
    EXPECT_TRUE(b.CustomButtonEnabled());
    EXPECT_EQ(caption, "Neu");
}
