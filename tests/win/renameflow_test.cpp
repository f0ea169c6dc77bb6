// Mode 1 from end to end, driven the way the context-menu handler drives it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "common/text.h"
#include "tests/win/support/winsupport.h"
#include "tools/standin.h"

using namespace testsupport;

namespace {

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Contents(const std::string& path) {
    HANDLE f = CreateFileW(kivu::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return "<missing>";
    char buffer[256];
    DWORD n = 0;
    ReadFile(f, buffer, sizeof buffer, &n, nullptr);
    CloseHandle(f);
    return std::string(buffer, n);
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
        SendMessageW(pattern, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kivu::Widen(text).c_str()));
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
    std::string StatusPanel(int n) { return RemoteText(FindChild(dialog, STATUSCLASSNAMEA), SB_GETTEXTW, n); }
    void Send(const std::vector<std::string>& paths) {
        for (const auto& p : paths) ASSERT_TRUE(handler.SendFile(dialog, p));
        ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == static_cast<int>(paths.size()); }));
    }
    // Every row carries the outcome of an apply ("+" or "-").
    bool Applied() {
        const auto marks = Column(3);
        return !marks.empty() &&
               std::all_of(marks.begin(), marks.end(), [](const std::string& m) { return m == "+" || m == "-"; });
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
    EXPECT_EQ(Column(3), (Cells{"·", "·", "·"}));

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
    ASSERT_TRUE(WaitUntil([&] { return RemoteText(status, SB_GETTEXTW, 1) == dir.path(); }))
        << RemoteText(status, SB_GETTEXTW, 1);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    ASSERT_TRUE(handler.WaitExit(10000));
    EXPECT_TRUE(Exists(x));  // closing applies nothing
}

TEST_F(RenameFlow, OpensWithTenVisibleRowsAndTheNewNamesFilledIn) {
    std::vector<std::string> files;
    for (char c = 'a'; c <= 'z'; ++c) files.push_back(dir.Write(std::string(1, c) + ".txt"));
    Send(files);
    EXPECT_GE(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0), 10);
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
    ASSERT_TRUE(WaitUntil([&] { return Column(3) == Cells{"·", "×", "×"}; })) << Column(3)[1];
    EXPECT_EQ(StatusPanel(2).substr(0, 11), "2 conflicts");
    EXPECT_EQ(ErrorLine(), "b.txt: Another file gets the same name");  // the first one's reason, wide

    PostMessageA(pattern, WM_KEYDOWN, VK_RETURN, 0);  // OK
    ASSERT_TRUE(WaitUntil([&] { return ErrorLine().rfind("1 renamed, 2 not renamed: ", 0) == 0; })) << ErrorLine();
    EXPECT_FALSE(handler.WaitExit(300));  // still open
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(Column(3), (Cells{"+", "×", "×"}));
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
        ASSERT_TRUE(WaitUntil([&] { return ListViewText(list, 0, 3) == "×"; })) << p;
        EXPECT_EQ(StatusPanel(2).substr(0, 11), "1 conflicts") << p;
        PostMessageA(apply, BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return ErrorLine().rfind("0 renamed, 1 not renamed: a.txt (", 0) == 0; }))
            << p << ": " << ErrorLine();
        EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{"a.txt", "taken.txt"})) << p;
        SetPattern("x");  // clears the line for the next kind
        ASSERT_TRUE(WaitUntil([&] { return ErrorLine().empty(); }));
    }
}

TEST_F(RenameFlow, ASwapSucceeds) {
    // Files arrive newest first: the rows are 2, 1 and the counter swaps them.
    Send({dir.Write("1.txt", "one"), dir.Write("2.txt", "two")});
    SetPattern("[N:1:1][Ext]");
    ASSERT_TRUE(WaitUntil([&] { return Column(2) == Cells{"1.txt", "2.txt"}; }));
    EXPECT_EQ(Column(3), (Cells{"·", "·"}));  // no conflict
    HWND apply = FindChild(dialog, "Button", "&Apply");
    PostMessageA(apply, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return ErrorLine() == "2 renamed"; })) << ErrorLine();
    EXPECT_EQ(Contents(dir.path() + "1.txt"), "two");
    EXPECT_EQ(Contents(dir.path() + "2.txt"), "one");
    EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{"1.txt", "2.txt"}));
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
    EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{"1.txt", "2.txt", "3.txt"}));
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

// Undo, from the journal in the user's profile.

namespace {

std::string JournalPath() {
    char base[MAX_PATH];
    GetEnvironmentVariableA("LOCALAPPDATA", base, MAX_PATH);
    return std::string(base) + "\\kivu\\rename.journal";
}

int JournalSteps() {
    HANDLE f = CreateFileW(kivu::Widen(JournalPath()).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 0;
    std::string text;
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(f, buffer, sizeof buffer, &n, nullptr) && n > 0) text.append(buffer, n);
    CloseHandle(f);
    int steps = 0;
    for (size_t at = text.find("\r\nS\t"); at != std::string::npos; at = text.find("\r\nS\t", at + 1)) ++steps;
    return steps;
}

// What a file is: contents, last write time, attributes (A aside, which Wine can't clear).
struct FileState {
    std::string contents;
    uint64_t lastWrite = 0;
    DWORD attributes = 0;
    bool operator==(const FileState&) const = default;
};

FileState StateOf(const std::string& path) {
    FileState s;
    s.contents = Contents(path);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        s.lastWrite = (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
        s.attributes = data.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    }
    return s;
}

// Files with their own stamps and attributes.
std::map<std::string, FileState> MakeFiles(TempDir& dir, int count) {
    std::map<std::string, FileState> states;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f%d.txt", 100 + i);
        const std::string path = dir.Write(name, name);
        HANDLE f = CreateFileW(kivu::Widen(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        FILETIME t{static_cast<DWORD>(i) * 10000000u, 30000000u + static_cast<DWORD>(i)};
        SetFileTime(f, nullptr, nullptr, &t);
        CloseHandle(f);
        if (i % 3 == 1) SetFileAttributesW(kivu::Widen(path).c_str(), FILE_ATTRIBUTE_HIDDEN);
        if (i % 3 == 2) SetFileAttributesW(kivu::Widen(path).c_str(), FILE_ATTRIBUTE_READONLY);
        states[name] = StateOf(path);
    }
    return states;
}

std::map<std::string, FileState> StatesIn(const std::string& folder) {
    std::map<std::string, FileState> states;
    for (const auto& name : FilesIn(folder)) states[name] = StateOf(folder + name);
    return states;
}

std::vector<std::string> PathsOf(const TempDir& dir, const std::map<std::string, FileState>& files) {
    std::vector<std::string> paths;
    for (const auto& [name, state] : files) paths.push_back(dir.path() + name);
    return paths;
}

}  // namespace

TEST_F(RenameFlow, UndoAfterApplyRestoresEveryNameStampAndAttribute) {
    const auto before = MakeFiles(dir, 4);
    Send(PathsOf(dir, before));
    SetPattern("[N:02:1]_[Name][Ext]");
    HWND apply = FindChild(dialog, "Button", "&Apply");
    HWND undo = FindChild(dialog, "Button", "&Undo");
    ASSERT_TRUE(undo);
    PostMessageA(apply, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return ErrorLine() == "4 renamed"; })) << ErrorLine();
    EXPECT_NE(StatesIn(dir.path()), before);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(undo) != FALSE; }));
    ClickOn(undo);
    ASSERT_TRUE(WaitUntil([&] { return ErrorLine().rfind("4 undone", 0) == 0; })) << ErrorLine();
    EXPECT_EQ(StatesIn(dir.path()), before);
    // The rows have their names back, and so does the preview.
    EXPECT_EQ(ListViewText(list, 0, 0), "f103.txt");
    EXPECT_EQ(ListViewText(list, 0, 2), "01_f103.txt");
    EXPECT_FALSE(IsWindowEnabled(undo));  // nothing left to undo
}

TEST_F(RenameFlow, UndoAfterCloseAndReopenWithCtrlZ) {
    const auto before = MakeFiles(dir, 3);
    Send(PathsOf(dir, before));
    SetPattern("x_[Name][Ext]");
    ASSERT_TRUE(WaitUntil([&] { return ListViewText(list, 0, 2) == "x_f102.txt"; }));
    PostMessageA(pattern, WM_KEYDOWN, VK_RETURN, 0);  // OK: all renamed, so it closes
    ASSERT_TRUE(handler.WaitExit(10000));
    const auto renamed = StatesIn(dir.path());
    ASSERT_EQ(renamed.count("x_f100.txt"), 1u);

    standin::Handler again{ExeDir() + "kivuutil.exe"};
    ASSERT_TRUE(again.Start("1"));
    ASSERT_TRUE(again.WaitStart(20000));
    HWND second = again.FindWindowOf("Trenamedialog", 5000);
    ASSERT_TRUE(second);
    HWND secondList = FindChild(second, WC_LISTVIEWA);
    for (const auto& [name, state] : renamed) ASSERT_TRUE(again.SendFile(second, dir.path() + name));
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(secondList) == 3; }));
    ClickOn(secondList);  // Ctrl+Z outside the pattern field
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(second) == secondList; }));
    // Under Wine a Ctrl pressed for another process does not always reach its
    // key state at once: the keys go again until the files are back (once
    // undone, the journal is gone and a further Ctrl+Z does nothing).
    ASSERT_TRUE(WaitUntil([&] {
        PressKey('Z', true);
        return WaitUntil([&] { return StatesIn(dir.path()) == before; }, std::chrono::seconds(2));
    }, std::chrono::seconds(20)));
    ASSERT_TRUE(WaitUntil([&] { return ListViewText(secondList, 0, 0).rfind("f10", 0) == 0; }))
        << ListViewText(secondList, 0, 0);
    PostMessageA(second, WM_CLOSE, 0, 0);
    EXPECT_TRUE(again.WaitExit(10000));
}

TEST_F(RenameFlow, UndoTakesBackAnApplyKilledHalfWay) {
    const auto before = MakeFiles(dir, 300);
    Send(PathsOf(dir, before));
    SetPattern("k_[Name][Ext]");
    ASSERT_TRUE(WaitUntil([&] { return ListViewText(list, 0, 2).rfind("k_", 0) == 0; }));
    DeleteFileW(kivu::Widen(JournalPath()).c_str());
    PostMessageA(FindChild(dialog, "Button", "&Apply"), BM_CLICK, 0, 0);
    // Killed between two steps, with some renamed and others not.
    ASSERT_TRUE(WaitUntil([&] { return JournalSteps() >= 20; }, std::chrono::seconds(30)));
    TerminateProcess(handler.Process(), 9);
    ASSERT_TRUE(handler.WaitExit(10000));
    const auto interrupted = StatesIn(dir.path());
    ASSERT_NE(interrupted, before);
    ASSERT_LT(JournalSteps(), 300) << "the apply ended before the kill";

    standin::Handler again{ExeDir() + "kivuutil.exe"};
    ASSERT_TRUE(again.Start("1"));
    ASSERT_TRUE(again.WaitStart(20000));
    HWND second = again.FindWindowOf("Trenamedialog", 5000);
    ASSERT_TRUE(second);
    dialog = second;  // the fixture's helpers now read the second dialog
    pattern = FindChild(second, "Edit", "[Name][Ext]");
    HWND undo = FindChild(second, "Button", "&Undo");
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(undo) != FALSE; }));
    PostMessageA(undo, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return ErrorLine().find("undone") != std::string::npos; })) << ErrorLine();
    EXPECT_EQ(ErrorLine().find("not undone"), std::string::npos) << ErrorLine();
    const auto after = StatesIn(dir.path());
    EXPECT_EQ(after.size(), before.size());
    for (const auto& [name, state] : before) {
        ASSERT_TRUE(after.count(name)) << name;
        EXPECT_EQ(after.at(name), state) << name;
    }
    PostMessageA(second, WM_CLOSE, 0, 0);
    EXPECT_TRUE(again.WaitExit(10000));
}

TEST_F(RenameFlow, UndoIsRefusedWhenAFileChangedSince) {
    const auto before = MakeFiles(dir, 2);
    Send(PathsOf(dir, before));
    SetPattern("c_[Name][Ext]");
    HWND apply = FindChild(dialog, "Button", "&Apply");
    PostMessageA(apply, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return ErrorLine() == "2 renamed"; })) << ErrorLine();
    // Another program writes to one of them.
    HANDLE f = CreateFileW(kivu::Widen(dir.path() + "c_f100.txt").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    FILETIME t{1, 31000000u};
    SetFileTime(f, nullptr, nullptr, &t);
    CloseHandle(f);
    const auto changed = StatesIn(dir.path());
    PostMessageA(FindChild(dialog, "Button", "&Undo"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return ErrorLine().rfind("Undo refused", 0) == 0; })) << ErrorLine();
    EXPECT_EQ(StatesIn(dir.path()), changed);
}

// Wine keeps no creation time and always reports the archive bit: the test
// changes the last write time and the R, H and S bits.
TEST_F(RenameFlow, UndoPutsBackTheStampsAndAttributesOfAnApply) {
    const auto before = MakeFiles(dir, 2);
    Send(PathsOf(dir, before));
    HWND apply = FindChild(dialog, "Button", "&Apply");
    HWND undo = FindChild(dialog, "Button", "&Undo");
    ASSERT_TRUE(apply);
    ASSERT_TRUE(undo);

    ClickOn(FindChild(dialog, "Button", "&Date"));
    HWND creation = FindChild(dialog, "Button", "&Creation time");
    HWND modified = FindChild(dialog, "Button", "Last &modified");
    ASSERT_TRUE(creation);
    ASSERT_TRUE(modified);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(modified) != FALSE; }));
    // Every stamp box starts checked; the creation time goes off. The apply
    // waits for the click to arrive, or the click would come after it.
    ASSERT_EQ(SendMessageW(modified, BM_GETCHECK, 0, 0), BST_CHECKED);
    ClickOn(creation);
    ASSERT_TRUE(WaitUntil([&] { return SendMessageW(creation, BM_GETCHECK, 0, 0) == BST_UNCHECKED; }));
    // The apply opens each file without sharing: the test looks at the files
    // only once the marks say it is over.
    PostMessageA(apply, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return Applied(); }));
    EXPECT_EQ(Column(3), (Cells{"+", "+"})) << ErrorLine();
    EXPECT_NE(StateOf(dir.path() + "f100.txt").lastWrite, before.at("f100.txt").lastWrite);
    EXPECT_NE(StateOf(dir.path() + "f101.txt").lastWrite, before.at("f101.txt").lastWrite);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(undo) != FALSE; }));
    ClickOn(undo);
    ASSERT_TRUE(WaitUntil([&] { return ErrorLine().find("undone") != std::string::npos; })) << ErrorLine();
    EXPECT_EQ(ErrorLine().rfind("2 undone", 0), 0u) << ErrorLine();
    EXPECT_EQ(StatesIn(dir.path()), before);
}

// Another program reading a file (here the test itself) must not leave it out
// of an attribute change; the test waits for the marks, not on the files.
TEST_F(RenameFlow, UndoPutsBackTheAttributesOfAnApplyWhileAFileIsRead) {
    const auto before = MakeFiles(dir, 2);
    Send(PathsOf(dir, before));
    HWND apply = FindChild(dialog, "Button", "&Apply");
    HWND undo = FindChild(dialog, "Button", "&Undo");
    ASSERT_TRUE(apply);
    ASSERT_TRUE(undo);
    ClickOn(FindChild(dialog, "Button", "Attributes"));
    HWND letters = FindChild(dialog, "Edit", "RSAH");
    ASSERT_TRUE(letters);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(letters) != FALSE; }));
    SendMessageW(letters, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"RS"));
    HANDLE reader = CreateFileW(kivu::Widen(dir.path() + "f100.txt").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    PostMessageA(apply, BM_CLICK, 0, 0);
    const bool marked = WaitUntil([&] { return Applied(); });
    CloseHandle(reader);
    ASSERT_TRUE(marked);
    EXPECT_EQ(Column(3), (Cells{"+", "+"})) << ErrorLine();
    const DWORD rs = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM;
    EXPECT_EQ(StateOf(dir.path() + "f100.txt").attributes, rs);
    EXPECT_EQ(StateOf(dir.path() + "f101.txt").attributes, rs);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(undo) != FALSE; }));
    ClickOn(undo);
    ASSERT_TRUE(WaitUntil([&] { return ErrorLine().find("undone") != std::string::npos; })) << ErrorLine();
    EXPECT_EQ(ErrorLine().rfind("2 undone", 0), 0u) << ErrorLine();
    EXPECT_EQ(StatesIn(dir.path()), before);
}
