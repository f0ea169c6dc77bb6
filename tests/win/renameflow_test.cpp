// Mode 1 from end to end, driven the way the context-menu handler drives it.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/win/support/winsupport.h"
#include "tools/standin.h"

using namespace testsupport;

namespace {

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Contents(const std::string& path) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return "<missing>";
    char buffer[256];
    DWORD n = 0;
    ReadFile(f, buffer, sizeof buffer, &n, nullptr);
    CloseHandle(f);
    return std::string(buffer, n);
}

// The names in a folder (no subfolders).
std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

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
    void SetPattern(const char* text) {
        SendMessageA(pattern, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    }
    // The one-line error text, where the summary of an apply goes.
    std::string ErrorLine() {
        HWND panel = GetParent(pattern);
        for (HWND c = GetWindow(panel, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            char cls[32] = {};
            GetClassNameA(c, cls, sizeof cls);
            RECT r;
            GetWindowRect(c, &r);
            POINT p{r.left, r.top};
            ScreenToClient(panel, &p);
            if (std::string(cls) == "Static" && p.x == 8 && p.y == 2) return WindowText(c);
        }
        return "<no error line>";
    }
    std::string StatusPanel(int n) { return RemoteText(FindChild(dialog, STATUSCLASSNAMEA), SB_GETTEXTA, n); }
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

TEST_F(RenameFlow, OpensWithTenVisibleRowsAndTheNewNamesFilledIn) {
    std::vector<std::string> files;
    for (char c = 'a'; c <= 'z'; ++c) files.push_back(dir.Write(std::string(1, c) + ".txt"));
    Send(files);
    EXPECT_GE(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0), 10);
    // Without any edit of the pattern, the preview is there.
    ASSERT_TRUE(WaitUntil([&] { return ListViewText(list, 0, 2) == "z.txt"; })) << ListViewText(list, 0, 2);
    EXPECT_EQ(ListViewText(list, 25, 2), "a.txt");
}

TEST_F(RenameFlow, SortingPreviewsAgainAndOkRenamesAsShown) {
    std::vector<std::string> files;
    for (const char* f : {"photo_01.jpeg", "photo_02.jpeg", "photo_03.jpeg", "photo_04.jpeg", "photo_05.jpeg"})
        files.push_back(dir.Write(f, f));
    Send(files);  // listed newest first: photo_05 at the top
    SetPattern("Trip_[N:2:1][Ext]");
    ASSERT_TRUE(WaitUntil([&] { return ListViewText(list, 0, 2) == "Trip_ 1.jpeg"; }));
    EXPECT_EQ(ListViewText(list, 0, 0), "photo_05.jpeg");
    // A click on the "Name" column sorts by name: photo_01 is now first, and numbered 1.
    HWND header = FindChild(list, "SysHeader32");
    ASSERT_TRUE(header);
    RECT hr;
    GetClientRect(header, &hr);
    ClickAt(header, {30, (hr.bottom - hr.top) / 2});
    ASSERT_TRUE(WaitUntil([&] { return ListViewText(list, 0, 0) == "photo_01.jpeg"; }));
    ASSERT_TRUE(WaitUntil([&] { return ListViewText(list, 0, 2) == "Trip_ 1.jpeg"; })) << ListViewText(list, 0, 2);
    std::vector<std::pair<std::string, std::string>> shown;
    for (int row = 0; row < 5; ++row) shown.emplace_back(ListViewText(list, row, 0), ListViewText(list, row, 2));

    PostMessageA(pattern, WM_KEYDOWN, VK_RETURN, 0);  // OK
    ASSERT_TRUE(handler.WaitExit(10000));
    for (const auto& [from, to] : shown) EXPECT_EQ(Contents(dir.path() + to), from) << to;
}

TEST_F(RenameFlow, SameNameForThreeFilesMarksTwoRenamesOneAndStaysOpen) {
    const std::string a = dir.Write("a.txt", "a"), b = dir.Write("b.txt", "b"), c = dir.Write("c.txt", "c");
    Send({a, b, c});
    SetPattern("same[Ext]");
    ASSERT_TRUE(WaitUntil([&] { return Column(3) == Cells{"\xB7", "\xD7", "\xD7"}; })) << Column(3)[1];
    EXPECT_EQ(StatusPanel(2).substr(0, 11), "2 conflicts");
    EXPECT_NE(StatusPanel(2).find("Another file gets the same name"), std::string::npos) << StatusPanel(2);

    PostMessageA(pattern, WM_KEYDOWN, VK_RETURN, 0);  // OK
    ASSERT_TRUE(WaitUntil([&] { return ErrorLine().rfind("1 renamed, 2 not renamed: ", 0) == 0; })) << ErrorLine();
    EXPECT_FALSE(handler.WaitExit(300));  // still open
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(Column(3), (Cells{"+", "\xD7", "\xD7"}));
    EXPECT_EQ(Contents(dir.path() + "same.txt"), "c");
    EXPECT_EQ(Contents(b), "b");
    EXPECT_EQ(Contents(a), "a");
}

TEST_F(RenameFlow, EveryConflictKindIsMarkedAndSkipped) {
    const std::string a = dir.Write("a.txt", "a");
    dir.Write("taken.txt", "t");
    Send({a});
    HWND apply = FindChild(dialog, "Button", "&Apply");
    ASSERT_TRUE(apply);
    for (const char* p : {"taken.txt", "CON[Ext]", "a?[Ext]", "[Name].", "[Name] ", "[Name(9,9)]"}) {
        SetPattern(p);
        ASSERT_TRUE(WaitUntil([&] { return ListViewText(list, 0, 3) == "\xD7"; })) << p;
        EXPECT_EQ(StatusPanel(2).substr(0, 11), "1 conflicts") << p;
        PostMessageA(apply, BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return ErrorLine().rfind("0 renamed, 1 not renamed: a.txt (", 0) == 0; }))
            << p << ": " << ErrorLine();
        EXPECT_EQ(NamesIn(dir.path()), (std::vector<std::string>{"a.txt", "taken.txt"})) << p;
        SetPattern("x");  // clears the line for the next kind
        ASSERT_TRUE(WaitUntil([&] { return ErrorLine().empty(); }));
    }
}

TEST_F(RenameFlow, ASwapSucceeds) {
    // Files arrive newest first: the rows are 2, 1 and the counter swaps them.
    Send({dir.Write("1.txt", "one"), dir.Write("2.txt", "two")});
    SetPattern("[N:1:1][Ext]");
    ASSERT_TRUE(WaitUntil([&] { return Column(2) == Cells{"1.txt", "2.txt"}; }));
    EXPECT_EQ(Column(3), (Cells{"\xB7", "\xB7"}));  // no conflict
    HWND apply = FindChild(dialog, "Button", "&Apply");
    PostMessageA(apply, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return ErrorLine() == "2 renamed"; })) << ErrorLine();
    EXPECT_EQ(Contents(dir.path() + "1.txt"), "two");
    EXPECT_EQ(Contents(dir.path() + "2.txt"), "one");
    EXPECT_EQ(NamesIn(dir.path()), (std::vector<std::string>{"1.txt", "2.txt"}));
}

TEST_F(RenameFlow, AThreeCycleSucceeds) {
    // Sent 1, 3, 2: the rows are 2, 3, 1, which the counter turns into 1, 2, 3.
    Send({dir.Write("1.txt", "one"), dir.Write("3.txt", "three"), dir.Write("2.txt", "two")});
    SetPattern("[N:1:1][Ext]");
    ASSERT_TRUE(WaitUntil([&] { return Column(2) == Cells{"1.txt", "2.txt", "3.txt"}; }));
    PostMessageA(pattern, WM_KEYDOWN, VK_RETURN, 0);  // OK: all succeed, so it closes
    ASSERT_TRUE(handler.WaitExit(10000));
    EXPECT_EQ(Contents(dir.path() + "1.txt"), "two");
    EXPECT_EQ(Contents(dir.path() + "2.txt"), "three");
    EXPECT_EQ(Contents(dir.path() + "3.txt"), "one");
    EXPECT_EQ(NamesIn(dir.path()), (std::vector<std::string>{"1.txt", "2.txt", "3.txt"}));
}

TEST_F(RenameFlow, TheDocumentedExampleTypedKeyByKeyIsExactlyWhatWasTyped) {
    Send({dir.Write("x.jpg")});
    ClickOn(pattern);
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(dialog) == pattern; }));
    SetPattern("");
    TypeKeys("Urlaub_[N:3:1][Ext]");
    ASSERT_TRUE(WaitUntil([&] { return WindowText(pattern) == "Urlaub_[N:3:1][Ext]"; })) << WindowText(pattern);
    EXPECT_TRUE(FindTopWindows("#32768", nullptr, handler.ProcessId()).empty());  // no menu took any letter
    ASSERT_TRUE(WaitUntil([&] { return ListViewText(list, 0, 2) == "Urlaub_  1.jpg"; }));
    // The zero-padded form gives zeros.
    SetPattern("");
    TypeKeys("Urlaub_[N:03:1][Ext]");
    ASSERT_TRUE(WaitUntil([&] { return ListViewText(list, 0, 2) == "Urlaub_001.jpg"; })) << ListViewText(list, 0, 2);
}
