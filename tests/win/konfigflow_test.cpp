// Mode 0 from end to end through the handler stand-in: what the start-up
// writes, the menu entry flags, the start page, the window size, and the
// three list files at the close (also after a failed start-up and a failed
// save). Registry and files are the prefix's own.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>

#include "common/kivulanguage.h"
#include "common/reg.h"
#include "common/text.h"
#include "config/entrylist.h"
#include "config/konfigstore.h"
#include "tests/win/support/winsupport.h"
#include "tools/standin.h"

using namespace testsupport;

namespace {

std::optional<std::string> RegValue(const char* name) {
    const std::string missing = "<missing>";
    const std::string v = kivu::ReadRegString(HKEY_CURRENT_USER, kivu::kMenuKey, name, missing);
    if (v == missing) return std::nullopt;
    return v;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    SetFileAttributesW(kivu::Widen(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE h = CreateFileW(kivu::Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
}

class KonfigFlow : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* f : {kivu::kFoldersFile, kivu::kProgramsFile, kivu::kFtpFile}) {
            paths_.push_back(kivu::ListFilePath(f));
            saved_.push_back(kivu::ReadListFile(paths_.back()));
            DeleteFileA(paths_.back().c_str());
        }
        language_ = kivu::ReadListFile(kivu::ListFilePath(kivu::kLanguageFile));
        kivu::DeleteRegKey(HKEY_CURRENT_USER, kivu::kMenuKey);
    }
    void TearDown() override {
        handler.reset();
        for (size_t i = 0; i < paths_.size(); ++i) {
            SetFileAttributesA(paths_[i].c_str(), FILE_ATTRIBUTE_NORMAL);
            if (saved_[i]) WriteFileBytes(paths_[i], *saved_[i]);
            else DeleteFileA(paths_[i].c_str());
        }
        kivu::DeleteRegKey(HKEY_CURRENT_USER, kivu::kMenuKey);
        if (language_) WriteFileBytes(kivu::ListFilePath(kivu::kLanguageFile), *language_);
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, kivu::kLanguageFile);  // forget the cached file
    }

    // Starts "0 arguments" and waits until the window is on the screen and idle.
    void Open(const std::string& arguments = "") {
        ASSERT_TRUE(handler->Start("0" + (arguments.empty() ? "" : " " + arguments)));
        window = handler->FindWindowOf("Tkonfigdialog", 20000);
        ASSERT_TRUE(window);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, std::chrono::seconds(20)));
        Settle();
    }
    // Returns once the window has handled what was sent before.
    void Settle() const {
        DWORD_PTR r = 0;
        ASSERT_TRUE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &r));
    }
    // Closes the window and waits for the program to end.
    void CloseAndWait() {
        PostMessageA(window, WM_CLOSE, 0, 0);
        DWORD code = 1;
        ASSERT_TRUE(handler->WaitExit(20000, &code)) << "the window did not close";
        EXPECT_EQ(code, 0u);
    }
    // The error box of the program, waited for.
    HWND ErrorBox() const {
        HWND box = nullptr;
        WaitUntil([&] {
            const auto boxes = FindTopWindows("#32770", "KIVUUtil", handler->ProcessId());
            box = boxes.empty() ? nullptr : boxes[0];
            return box != nullptr;
        }, std::chrono::seconds(20));
        return box;
    }
    HWND CheckList() const { return ListBoxOf(true); }
    HWND FolderList() const { return ListBoxOf(false); }
    HWND ListBoxOf(bool ownerDrawn) const {
        struct S {
            bool ownerDrawn;
            HWND found = nullptr;
        } s{ownerDrawn};
        EnumChildWindows(
            window,
            [](HWND h, LPARAM lp) -> BOOL {
                char cls[32];
                GetClassNameA(h, cls, sizeof cls);
                auto* s = reinterpret_cast<S*>(lp);
                const bool drawn = (GetWindowLongA(h, GWL_STYLE) & LBS_OWNERDRAWFIXED) != 0;
                if (lstrcmpiA(cls, "ListBox") || drawn != s->ownerDrawn) return TRUE;
                s->found = h;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&s));
        return s.found;
    }
    static std::string ItemText(HWND list, int i) {
        char text[512] = {};
        if (SendMessageA(list, LB_GETTEXTLEN, i, 0) >= static_cast<LRESULT>(sizeof text)) return "<too long>";
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        return text;
    }
    std::string FileOf(size_t i) const { return kivu::ReadListFile(paths_[i]).value_or("<missing>"); }
    void WriteList(size_t i, const std::string& bytes) const { WriteFileBytes(paths_[i], bytes); }

    std::unique_ptr<standin::Handler> handler = std::make_unique<standin::Handler>(ExeDir() + "kivuutil.exe");
    HWND window = nullptr;
    std::vector<std::string> paths_;  // folders, programs, FTP sites
    std::vector<std::optional<std::string>> saved_;
    std::optional<std::string> language_;
};

}  // namespace

TEST_F(KonfigFlow, StartUpWritesTheTickedOptionsBackAndNothingForAClearOne) {
    Open();
    EXPECT_EQ(RegValue("ZeigeBitmap"), "1");
    EXPECT_EQ(RegValue("Shortcut"), "1");
    EXPECT_EQ(RegValue("nowindowcheck"), "0");  // "context menu" ticked: the inverted value
    EXPECT_EQ(RegValue("ExSubMenu"), std::nullopt);
    EXPECT_EQ(RegValue("status"), std::nullopt);  // loading writes nothing
    CloseAndWait();
}

TEST_F(KonfigFlow, TickingOffEntryElevenWritesTheWholeStatus) {
    Open();
    HWND list = CheckList();
    ASSERT_TRUE(list);
    ASSERT_EQ(SendMessageA(list, LB_GETITEMDATA, 0, 0), 11);
    // A press on the first item's box.
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6));
    PostMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(5, 6));
    const std::string expected = std::string(10, '1') + "0" + std::string(89, '1');
    ASSERT_TRUE(WaitUntil([&] { return RegValue("status") == expected; })) << RegValue("status").value_or("-");
    // Space on the selected item ticks it again.
    PostMessageA(list, WM_KEYDOWN, VK_SPACE, 0);
    ASSERT_TRUE(WaitUntil([&] { return RegValue("status") == std::string(100, '1'); }));
    CloseAndWait();
}

TEST_F(KonfigFlow, AShortStoredStatusIsLengthenedOnlyAsFarAsTheChangedEntry) {
    kivu::WriteRegString(HKEY_CURRENT_USER, kivu::kMenuKey, "status", "11111111110");
    Open();
    HWND list = CheckList();
    ASSERT_TRUE(list);
    // Entry 12 (second item, beyond the stored end) reads as shown; clearing it lengthens to 12.
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 13 + 6));
    PostMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(5, 13 + 6));
    ASSERT_TRUE(WaitUntil([&] { return RegValue("status") == "111111111100"; })) << RegValue("status").value_or("-");
    CloseAndWait();
}

TEST_F(KonfigFlow, TheSecondArgumentIsTheStartPage) {
    Open("3");
    HWND tabs = FindChild(window, WC_TABCONTROLA);
    ASSERT_TRUE(tabs);
    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 3);
    // The status bar shows the version banner.
    HWND status = FindChild(window, STATUSCLASSNAMEA);
    ASSERT_TRUE(status);
    EXPECT_EQ(RemoteText(status, SB_GETTEXTW, 0).rfind("KIVU Menu 3.19 Release 230200/182559", 0), 0u);
    CloseAndWait();
}

TEST_F(KonfigFlow, APageThatIsNoIndexIsReportedAndTheWindowOpens) {
    ASSERT_TRUE(handler->Start("0 7"));
    HWND box = ErrorBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(MessageBoxText(box), "Listenindex überschreitet das Maximum (7)");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    window = handler->FindWindowOf("Tkonfigdialog", 10000);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }));
    EXPECT_EQ(SendMessageA(FindChild(window, WC_TABCONTROLA), TCM_GETCURSEL, 0, 0), 0);
    CloseAndWait();
}

TEST_F(KonfigFlow, TheWindowIsTwoThirdsOfTheScreenWideAndAtLeastTheLowestHeight) {
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    if (screenW != 1280 || screenH != 1024) GTEST_SKIP() << "made for the 1280 x 1024 test screen";
    Open();
    HWND list = CheckList();
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 16);  // the shipped English texts
    EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), 13);
    RECT r;
    GetWindowRect(window, &r);
    // 16 x 13 + 100 = 308, raised to 400 and then to the limit of 450.
    EXPECT_EQ(r.right - r.left, 852);
    EXPECT_EQ(r.bottom - r.top, 450);
    // Centred on the screen.
    EXPECT_EQ(r.left, (1280 - 852) / 2);
    // No smaller than 600 x 450, whatever asks.
    SetWindowPos(window, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
    GetWindowRect(window, &r);
    EXPECT_EQ(r.right - r.left, 600);
    EXPECT_EQ(r.bottom - r.top, 450);
    CloseAndWait();
}

TEST_F(KonfigFlow, TheCloseWritesTheLoadedListsExactly) {
    WriteList(0, "c:\\temp\r\n\r\nD:\\Daten\n-");
    WriteList(1, "NOTEPAD|c:\\windows\\notepad.exe %d|c:\\windows\\\r\ncalc\r\n\r\nA|b|c|d\r");
    WriteList(2, "Site|a|b\r\n|dropped\r\n-|-\x1A" "after the end");
    Open();
    CloseAndWait();
    EXPECT_EQ(FileOf(0), "c:\\temp\r\n\r\nD:\\Daten\r\n-\r\n");
    EXPECT_EQ(FileOf(1), "NOTEPAD|c:\\windows\\notepad.exe %d|c:\\windows\\\r\ncalc||\r\nA|b|c|d\r\n");
    EXPECT_EQ(FileOf(2), "Site|a|b\r\n-|-\r\n");
    // No file of the replacing save is left behind.
    for (const auto& p : paths_) EXPECT_EQ(GetFileAttributesA((p + ".new").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(KonfigFlow, TheCloseDeletesTheFilesOfEmptyLists) {
    WriteList(0, "");
    WriteList(1, "\r\n\r\n");
    WriteList(2, "|no name\r\n");
    Open();
    CloseAndWait();
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(FileOf(i), "<missing>") << paths_[i];
}

TEST_F(KonfigFlow, AFailedStartUpLeavesTheListFilesAsTheyWere) {
    const std::string folders = "c:\\a\n", programs = "calc\r\n", sites = "\r\n";
    WriteList(0, folders);
    WriteList(1, programs);
    WriteList(2, sites);
    kivu::WriteRegString(HKEY_CURRENT_USER, kivu::kMenuKey, "ExSubMenu", "x");
    ASSERT_TRUE(handler->Start("0"));
    HWND box = ErrorBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(MessageBoxText(box), "'x' ist kein gültiger Integerwert.");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    window = handler->FindWindowOf("Tkonfigdialog", 10000);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }));
    CloseAndWait();
    EXPECT_EQ(FileOf(0), folders);
    EXPECT_EQ(FileOf(1), programs);
    EXPECT_EQ(FileOf(2), sites);
}

TEST_F(KonfigFlow, AFailedStartUpStillOpensNoSmallerThanTheLimits) {
    kivu::WriteRegString(HKEY_CURRENT_USER, kivu::kMenuKey, "ExSubMenu", "x");  // ends the start-up before the size
    ASSERT_TRUE(handler->Start("0"));
    HWND box = ErrorBox();
    ASSERT_TRUE(box);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    window = handler->FindWindowOf("Tkonfigdialog", 10000);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }));
    Settle();
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_GE(r.right - r.left, 600);
    EXPECT_GE(r.bottom - r.top, 450);
    CloseAndWait();
}

TEST_F(KonfigFlow, AFailingSaveIsShownAndKeepsTheWindowOpenUntilItCanSave) {
    WriteList(0, "c:\\x\r\n");
    WriteList(1, "calc\r\n");
    WriteList(2, "S|a\r\n");
    Open();
    // The programs' new file cannot be written: a folder has its name.
    const std::string blocker = paths_[1] + ".new";
    ASSERT_TRUE(CreateDirectoryA(blocker.c_str(), nullptr));
    PostMessageA(window, WM_CLOSE, 0, 0);
    HWND box = ErrorBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(MessageBoxText(box).rfind("E/A-Fehler ", 0), 0u) << MessageBoxText(box);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return FindTopWindows("#32770", "KIVUUtil", handler->ProcessId()).empty(); }));
    Settle();
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(FileOf(0), "c:\\x\r\n");          // saved before the failure
    EXPECT_EQ(FileOf(1), "calc\r\n");            // the old file stays whole
    EXPECT_EQ(FileOf(2), "S|a\r\n");             // not reached
    RemoveDirectoryA(blocker.c_str());
    CloseAndWait();
    EXPECT_EQ(FileOf(1), "calc||\r\n");
}

TEST_F(KonfigFlow, TheLanguageSwitchReappliesTheCaptionsAndKeepsTheTicks) {
    Open("4");
    HWND list = CheckList();
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 13 + 6));  // entry 12 off
    PostMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(5, 13 + 6));
    Settle();
    HWND combo = FindChild(window, "ComboBox");
    ASSERT_TRUE(combo);
    const LRESULT german = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                        reinterpret_cast<LPARAM>("German"));
    ASSERT_NE(german, CB_ERR);
    SendMessageA(combo, CB_SETCURSEL, german, 0);
    SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    EXPECT_EQ(WindowText(window), "KIVU - Menueinträge Konfiguration");
    // Wine hands only the first character of an item across processes: the
    // length tells the German texts from the English ones (the in-process
    // tests read the whole texts).
    EXPECT_EQ(ItemText(list, 0), std::string("Pfad kopieren [11]").substr(0, 1));
    EXPECT_EQ(SendMessageA(list, LB_GETTEXTLEN, 0, 0), static_cast<LRESULT>(std::strlen("Pfad kopieren [11]")));
    EXPECT_EQ(SendMessageA(list, LB_GETTEXTLEN, 1, 0), static_cast<LRESULT>(std::strlen("Namen kopieren [12]")));
    EXPECT_TRUE(FindChild(window, "Button", "&Zweiteilige Ansicht"));
    EXPECT_EQ(RegValue("status"), std::string(11, '1') + "0" + std::string(88, '1'));
    // The tick stays off: clicking the box again ticks it.
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 13 + 6));
    PostMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(5, 13 + 6));
    ASSERT_TRUE(WaitUntil([&] { return RegValue("status") == std::string(100, '1'); }));
    CloseAndWait();
    EXPECT_EQ(kivu::CurrentLanguageSetting(), "German");
}

TEST_F(KonfigFlow, AStartActionThatIsNoNumberIsReportedAtTheFirstIdleTurn) {
    ASSERT_TRUE(handler->Start("0 1 x c:\\temp"));
    HWND box = ErrorBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(MessageBoxText(box), "'x' ist kein gültiger Integerwert.");
    window = handler->FindWindowOf("Tkonfigdialog", 10000);
    EXPECT_TRUE(IsWindowVisible(window));  // the window was up before the idle turn
    EXPECT_EQ(SendMessageA(FindChild(window, WC_TABCONTROLA), TCM_GETCURSEL, 0, 0), 1);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return FindTopWindows("#32770", "KIVUUtil", handler->ProcessId()).empty(); }));
    CloseAndWait();
}

TEST_F(KonfigFlow, TheLiveUpdateButtonOpensTheUpdateWithoutBlockingTheWindow) {
    // Nothing listens on port 1: the check fails at once and says so.
    kivu::WriteRegString(HKEY_CURRENT_USER, "software\\kivu\\update", "Host", "127.0.0.1:1");
    Open("4");
    HWND button = FindChild(window, "Button", "Live update");
    ASSERT_TRUE(button);
    PostMessageA(button, BM_CLICK, 0, 0);
    HWND update = handler->FindWindowOf("Tdownloadform", 20000);
    ASSERT_TRUE(update);
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND w : FindTopWindows("#32770", nullptr, handler->ProcessId()))
            if (MessageBoxText(w) == "The check for a new release or the download failed.") box = w;
        return box != nullptr;
    }, std::chrono::seconds(30)));
    // The configuration window stays usable beside it.
    EXPECT_TRUE(IsWindowEnabled(window));
    Settle();
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(update); }));
    EXPECT_TRUE(IsWindowVisible(window)) << "closing the update must not end the configuration";
    kivu::DeleteRegKey(HKEY_CURRENT_USER, "software\\kivu\\update");
    CloseAndWait();
}

namespace {

// A dialog of the program other than the error box, waited for.
HWND ChooserOf(const standin::Handler& handler) {
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND w : FindTopWindows("#32770", nullptr, handler.ProcessId()))
            if (IsWindowVisible(w)) found = w;
        return found != nullptr;
    }, std::chrono::seconds(20));
    return found;
}

// The open-file dialog's file name box, once the dialog has made it (the
// dialog may show before its controls are all there).
HWND FileNameBox(HWND chooser) {
    HWND box = nullptr;
    WaitUntil([&] { return (box = GetDlgItem(chooser, 0x47c)) != nullptr; });
    return box;
}

// The list view of the page shown: a page not shown yet has none.
HWND PageListView(HWND window) { return FindChild(window, WC_LISTVIEWA); }

// The edit fields of a window, in their tab order.
std::vector<HWND> EditsOf(HWND window) {
    std::vector<HWND> edits;
    for (HWND h = GetWindow(window, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        char cls[16];
        GetClassNameA(h, cls, sizeof cls);
        if (!lstrcmpiA(cls, "Edit")) edits.push_back(h);
    }
    return edits;
}


}  // namespace

TEST_F(KonfigFlow, AddFolderFromTheCommandLineOpensTheChooserThereAndTheCloseStoresIt) {
    TempDir dir("C:\\");  // Wine's chooser finds no folder below the profile's Temp
    const std::string folder = dir.path().substr(0, dir.path().size() - 1);
    ASSERT_TRUE(handler->Start("0 1 1 " + folder));
    HWND chooser = ChooserOf(*handler);
    ASSERT_TRUE(chooser);
    window = handler->FindWindowOf("Tkonfigdialog", 10000);
    // It starts at the folder: the status line shows it.
    ASSERT_TRUE(WaitUntil([&] { return FindChild(chooser, "Static", folder.c_str()) != nullptr; }));
    PostMessageA(chooser, WM_COMMAND, IDOK, 0);
    HWND list = FolderList();
    ASSERT_TRUE(list);
    ASSERT_TRUE(WaitUntil([&] { return SendMessageA(list, LB_GETCOUNT, 0, 0) == 1; }));
    CloseAndWait();
    EXPECT_EQ(FileOf(0), kivu::AsciiLower(folder) + "\r\n");
}

TEST_F(KonfigFlow, AddProgramFromTheCommandLineStartsTheFileChooserInTheFolder) {
    TempDir dir;
    dir.Write("Tool.exe");
    ASSERT_TRUE(handler->Start("0 3 1 " + dir.path()));
    HWND chooser = ChooserOf(*handler);
    ASSERT_TRUE(chooser);
    window = handler->FindWindowOf("Tkonfigdialog", 10000);
    HWND name = FileNameBox(chooser);
    ASSERT_TRUE(name);
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Tool.exe"));  // no folder: it must start there
    PostMessageA(chooser, WM_COMMAND, IDOK, 0);
    HWND list = PageListView(window);
    ASSERT_TRUE(list);
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 1; }));
    EXPECT_EQ(ListViewText(list, 0, 0), "TOOL");
    EXPECT_EQ(ListViewText(list, 0, 1), dir.path() + "Tool.exe");
    CloseAndWait();
    EXPECT_EQ(FileOf(1), "TOOL|" + dir.path() + "Tool.exe|" + dir.path() + "\r\n");
}

TEST_F(KonfigFlow, EnterOnTheEmptyFolderListOpensItsMenuNearTheWindowsCorner) {
    Open("1");
    HWND list = FolderList();
    ASSERT_TRUE(list);
    // A real click and key: Enter passes the dialog keys to reach the list.
    ClickOn(list);
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(window) == list; }));
    PressKey(VK_RETURN);
    HWND menu = nullptr;
    const bool opened = WaitUntil([&] {
        for (HWND w : FindTopWindows("#32768", nullptr, handler->ProcessId()))
            if (IsWindowVisible(w)) menu = w;
        return menu != nullptr;
    });
    if (opened) {
        RECT m, w;
        GetWindowRect(menu, &m);
        GetWindowRect(window, &w);
        EXPECT_EQ(m.left, w.left + 50);
        EXPECT_EQ(m.top, w.top + 50);
        PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        WaitUntil([&] { return !IsWindowVisible(menu); });
    }
    ASSERT_TRUE(opened);
    CloseAndWait();
    EXPECT_EQ(FileOf(0), "<missing>");
}

TEST_F(KonfigFlow, CtrlInsertOnTheFtpPageAddsAProgram) {
    TempDir dir;
    dir.Write("Tool.exe");
    Open("2");
    HWND sites = PageListView(window);
    ASSERT_TRUE(sites);
    ClickOn(sites);
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(window) == sites; }));
    PressKey(VK_INSERT, true);
    HWND chooser = ChooserOf(*handler);
    ASSERT_TRUE(chooser);
    HWND name = FileNameBox(chooser);
    ASSERT_TRUE(name);
    const std::string tool = dir.path() + "Tool.exe";
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(tool.c_str()));
    PostMessageA(chooser, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(chooser); }));
    Settle();
    EXPECT_EQ(ListViewCount(sites), 0);
    CloseAndWait();
    EXPECT_EQ(FileOf(1), "TOOL|" + tool + "|" + dir.path() + "\r\n");
    EXPECT_EQ(FileOf(2), "<missing>");
}

TEST_F(KonfigFlow, DoubleClickOnAProgramProposesItsPathWithTheMarker) {
    TempDir dir;
    const std::string tool = dir.Write("Tool.exe");
    dir.Write("Other.exe");
    WriteFileBytes(kivu::ListFilePath(kivu::kProgramsFile), "A|c:\\a.exe|\rB|" + tool + " %d|\r");
    Open("3");
    HWND programs = PageListView(window);
    ASSERT_TRUE(programs);
    ASSERT_EQ(ListViewCount(programs), 2);
    const RECT second = ListViewRowRect(programs, 1);
    ASSERT_GT(second.bottom, second.top);
    DoubleClickAt(programs, {second.left + 20, (second.top + second.bottom) / 2});
    HWND chooser = ChooserOf(*handler);
    ASSERT_TRUE(chooser);
    HWND name = FileNameBox(chooser);
    ASSERT_TRUE(name);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(name).find(" %d") != std::string::npos; })) << WindowText(name);
    EXPECT_NE(WindowText(name).find("Tool.exe %d"), std::string::npos) << WindowText(name);
    const std::string other = dir.path() + "Other.exe %d";
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(other.c_str()));
    PostMessageA(chooser, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return ListViewText(programs, 1, 1) == other; })) << ListViewText(programs, 1, 1);
    EXPECT_EQ(ListViewText(programs, 0, 1), "c:\\a.exe");
    CloseAndWait();
    EXPECT_EQ(FileOf(1), "A|c:\\a.exe|\r\nB|" + other + "|\r\n");
}

TEST_F(KonfigFlow, CtrlTabAndTheCtrlPageKeysTurnThePages) {
    Open();
    HWND tabs = FindChild(window, WC_TABCONTROLA);
    ASSERT_TRUE(tabs);
    ClickOn(CheckList());
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(window) == CheckList(); }));
    const auto page = [&] { return static_cast<int>(SendMessageA(tabs, TCM_GETCURSEL, 0, 0)); };
    PressKey(VK_TAB, true);
    ASSERT_TRUE(WaitUntil([&] { return page() == 1; })) << page();
    HWND folders = FolderList();
    ASSERT_TRUE(folders);
    EXPECT_TRUE(IsWindowVisible(folders));
    EXPECT_EQ(FocusOf(window), tabs);  // not left on the hidden page
    PressKey(VK_PRIOR, true);
    ASSERT_TRUE(WaitUntil([&] { return page() == 0; })) << page();
    PressKey(VK_PRIOR, true);  // round the start
    ASSERT_TRUE(WaitUntil([&] { return page() == 5; })) << page();
    PressKey(VK_NEXT, true);
    ASSERT_TRUE(WaitUntil([&] { return page() == 0; })) << page();
    EXPECT_FALSE(IsWindowVisible(folders));
    CloseAndWait();
}

namespace {

// The FTP page's add dialog, opened as a user does: Enter on the list opens
// its menu, whose first command is "Add FTP site".
class KonfigFtpSite : public KonfigFlow {
protected:
    HWND OpenAddDialog() {
        HWND sites = PageListView(window);
        if (!sites) return nullptr;
        ClickOn(sites);
        if (!WaitUntil([&] { return FocusOf(window) == sites; })) return nullptr;
        PressKey(VK_RETURN);
        HWND menu = nullptr;
        WaitUntil([&] {
            for (HWND w : FindTopWindows("#32768", nullptr, handler->ProcessId()))
                if (IsWindowVisible(w)) menu = w;
            return menu != nullptr;
        });
        if (!menu) return nullptr;
        PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
        HWND dialog = handler->FindWindowOf("Tftpsiteform", 20000);
        if (dialog) WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; });
        return dialog;
    }
    // Types into the dialog's two fields and waits until it has them.
    static void Type(HWND dialog, const std::string& name, const std::string& address) {
        const std::vector<HWND> edits = EditsOf(dialog);
        ASSERT_EQ(edits.size(), 2u);
        SendMessageA(edits[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
        SendMessageA(edits[1], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(address.c_str()));
    }
};

}  // namespace

TEST_F(KonfigFtpSite, AddFtpSiteFromTheMenuIsStoredAtTheClose) {
    WriteList(2, "Old|ftp.old\r\n");
    Open("2");
    HWND dialog = OpenAddDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(WindowText(dialog), "Add FTP site");
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), window);
    EXPECT_FALSE(IsWindowEnabled(window));  // modal
    EXPECT_EQ(EditsOf(dialog)[0], FocusOf(dialog));  // the name is typed first
    Type(dialog, "Example", "ftp://ftp.example.com/pub");
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);  // what Enter does
    HWND sites = PageListView(window);
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(sites) == 2; }));
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_EQ(ListViewText(sites, 1, 0), "Example");
    EXPECT_EQ(ListViewText(sites, 1, 1), "ftp://ftp.example.com/pub");
    EXPECT_EQ(ListViewText(sites, 1, 2), "");  // no separator mark
    EXPECT_TRUE(IsWindowEnabled(window));
    CloseAndWait();
    EXPECT_EQ(FileOf(2), "Old|ftp.old\r\nExample|ftp://ftp.example.com/pub\r\n");
}

TEST_F(KonfigFtpSite, ABarInTheNameIsRefusedAndCancelStoresNothing) {
    Open("2");
    HWND dialog = OpenAddDialog();
    ASSERT_TRUE(dialog);
    HWND name = EditsOf(dialog)[0];
    Type(dialog, "A|B", "ftp.example.com");
    PostMessageA(dialog, WM_NEXTDLGCTL, 0, 0);  // Tab: on to the address
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(dialog) == EditsOf(dialog)[1]; }));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    // Refused: the dialog stays, with the focus back on the name.
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(dialog) == name; }));
    DWORD_PTR r = 0;
    ASSERT_TRUE(SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &r));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_FALSE(IsWindowEnabled(window));
    // A correct site, then Cancel: nothing comes into the list.
    Type(dialog, "AB", "ftp.example.com");
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);  // what Escape does
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(window) != FALSE; }));
    Settle();
    EXPECT_EQ(ListViewCount(PageListView(window)), 0);
    CloseAndWait();
    EXPECT_EQ(FileOf(2), "<missing>");
}

TEST_F(KonfigFlow, AccentedTextsPassTheStoreUnchanged) {
    // A list file at a path with accents: its bytes stay as they are.
    TempDir dir;
    const std::string folder = dir.path() + "Grüße\\";
    ASSERT_TRUE(CreateDirectoryW(kivu::Widen(folder).c_str(), nullptr));
    const std::string path = folder + "Liste ä.txt";
    const std::string bytes = "C:\\B\xFC" "cher\\\xE9t\xE9|\x80\xFF\r\n";
    kivu::WriteListFile(path, bytes);
    EXPECT_EQ(kivu::ReadListFile(path), bytes);
    EXPECT_EQ(GetFileAttributesW(kivu::Widen(path + ".new").c_str()), INVALID_FILE_ATTRIBUTES);
    kivu::WriteListFile(path, "");
    EXPECT_EQ(GetFileAttributesW(kivu::Widen(path).c_str()), INVALID_FILE_ATTRIBUTES);

    // An older, single-byte language file: accented names come back, and a
    // new choice is written in the file's own single bytes.
    const std::string language = kivu::ListFilePath(kivu::kLanguageFile);
    WriteFileBytes(language, "[Available]\r\nDeutsch=1\r\nFran\xE7" "ais=2\r\n[Language]\r\nCurrent=Deutsch\r\n");
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, L"kivulanguage.ini");  // forget the cached file
    EXPECT_EQ(kivu::AvailableLanguages(), (std::vector<std::string>{"Deutsch", "Français"}));
    kivu::SetCurrentLanguage("Français");
    EXPECT_EQ(kivu::CurrentLanguageSetting(), "Français");
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, L"kivulanguage.ini");
    EXPECT_NE(kivu::ReadListFile(language).value_or("").find("Current=Fran\xE7" "ais\r\n"), std::string::npos);

    // The expansion's limit counts characters, accented or not.
    SetEnvironmentVariableW(L"KIVU_ACCENTS", L"Grüße");
    EXPECT_EQ(kivu::ExpandEnvironment("%KIVU_ACCENTS%!"), "Grüße!");
    std::string u255;
    for (int i = 0; i < 255; ++i) u255 += "ü";
    SetEnvironmentVariableW(L"KIVU_ACCENTS", kivu::Widen(u255).c_str());
    EXPECT_EQ(kivu::ExpandEnvironment("%KIVU_ACCENTS%"), u255);
    SetEnvironmentVariableW(L"KIVU_ACCENTS", kivu::Widen(u255 + "ü").c_str());
    EXPECT_EQ(kivu::ExpandEnvironment("%KIVU_ACCENTS%"), std::nullopt);
    SetEnvironmentVariableW(L"KIVU_ACCENTS", nullptr);
}
