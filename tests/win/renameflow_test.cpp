// Mode 1 from end to end, driven the way the context-menu handler drives it.
#include <gtest/gtest.h>

#include "tests/win/support/winsupport.h"
#include "tools/standin.h"

using namespace testsupport;

namespace {

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class RenameFlow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(handler.Start("1"));
        ASSERT_TRUE(handler.WaitStart(20000)) << "no ready signal";
        dialog = handler.FindWindowOf("Trenamedialog", 5000);
        ASSERT_TRUE(dialog);
        list = FindChild(dialog, WC_LISTVIEWA);
        pattern = FindChild(dialog, "Edit", "[Name][Ext]");
        ASSERT_TRUE(list);
        ASSERT_TRUE(pattern);
    }
    void Send(const std::vector<std::string>& paths) {
        for (const auto& p : paths) ASSERT_TRUE(handler.SendFile(dialog, p));
        ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == static_cast<int>(paths.size()); }));
    }
    std::vector<std::string> Column(int col) {
        std::vector<std::string> cells;
        for (int row = 0; row < ListViewCount(list); ++row) cells.push_back(ListViewText(list, row, col));
        return cells;
    }

    TempDir dir;
    standin::Handler handler{ExeDir() + "kivuutil.exe"};
    HWND dialog = nullptr, list = nullptr, pattern = nullptr;
};

using Cells = std::vector<std::string>;

}  // namespace

TEST_F(RenameFlow, FilesArriveNewestFirstPreviewFollowsThePatternAndEnterRenames) {
    const std::string a = dir.Write("a.txt"), b = dir.Write("b.txt"), c = dir.Write("c.txt");
    Send({a, b, c});
    EXPECT_EQ(Column(0), (Cells{"c.txt", "b.txt", "a.txt"}));

    SendMessageA(pattern, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("[Name]_[N:3:1][Ext]"));
    EXPECT_EQ(Column(2), (Cells{"c_  1.txt", "b_  2.txt", "a_  3.txt"}));
    EXPECT_EQ(Column(3), (Cells{"\xB7", "\xB7", "\xB7"}));

    // Keys typed at the start of the field go through the dialog's own loop.
    SendMessageA(pattern, EM_SETSEL, 0, 0);
    for (char ch : std::string("new")) PostMessageA(pattern, WM_CHAR, static_cast<unsigned char>(ch), 1);
    ASSERT_TRUE(WaitUntil([&] { return Column(2) == Cells{"newc_  1.txt", "newb_  2.txt", "newa_  3.txt"}; }))
        << Column(2)[0];

    // Enter in the pattern field is the dialog's OK: apply, then close.
    PostMessageA(pattern, WM_KEYDOWN, VK_RETURN, 0);
    DWORD code = 1;
    ASSERT_TRUE(handler.WaitExit(10000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(Exists(dir.path() + "newc_  1.txt"));
    EXPECT_TRUE(Exists(dir.path() + "newb_  2.txt"));
    EXPECT_TRUE(Exists(dir.path() + "newa_  3.txt"));
    EXPECT_FALSE(Exists(a));
}

TEST_F(RenameFlow, AtomsAreDeletedAndTheFolderOfTheLastFileCounts) {
    TempDir other;
    const std::string x = other.Write("x.txt");
    const std::string y = dir.Write("y.txt");
    Send({x, y});
    // The dialog owns the atoms it received.
    EXPECT_EQ(GlobalFindAtomA(x.c_str()), 0);
    EXPECT_EQ(GlobalFindAtomA(y.c_str()), 0);
    HWND status = FindChild(dialog, STATUSCLASSNAMEA);
    ASSERT_TRUE(WaitUntil([&] { return RemoteText(status, SB_GETTEXTA, 1) == dir.path(); }))
        << RemoteText(status, SB_GETTEXTA, 1);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    ASSERT_TRUE(handler.WaitExit(10000));
    EXPECT_TRUE(Exists(x));  // closing applies nothing
}
