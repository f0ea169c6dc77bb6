// kivumenu.dll in a COM host: the menu's commands and their effects (the
// clipboard, new folders, file lists, programs, kivuutil's windows, the
// host's view and window).
#include <gtest/gtest.h>

#include "tests/win/support/shellext.h"

using namespace shelltest;

TEST_F(ShellExt, CopyCommandsByOffsetAnsiVerbAndUnicodeVerb) {
    const std::string a = dir.Write("a.txt"), b = dir.Write("long name.txt");
    auto host = Menu({a, b});
    ClearClipboard();
    EXPECT_EQ(host->InvokeOffset(OffsetOf("Copy path")), S_OK);
    EXPECT_EQ(ClipboardText(), a + "\r\n" + b);
    EXPECT_EQ(host->InvokeVerb("kivu.copyname"), S_OK);
    EXPECT_EQ(ClipboardText(), "a.txt\r\nlong name.txt");
    EXPECT_EQ(host->InvokeVerbW(L"kivu.copyshortpath"), S_OK);
    const std::string shortPaths = ClipboardText();
    const std::string second = shortPaths.substr(shortPaths.find("\r\n") + 2);
    EXPECT_EQ(second.find(' '), std::string::npos) << second;
    EXPECT_TRUE(Exists(second)) << second;
    EXPECT_EQ(host->InvokeVerb("kivu.nosuchverb"), E_INVALIDARG);
    EXPECT_EQ(host->InvokeOffset(999), E_INVALIDARG);

    char verb[64] = {};
    EXPECT_EQ(host->handler()->GetCommandString(OffsetOf("Copy name"), GCS_VERBA, nullptr, verb, sizeof verb), S_OK);
    EXPECT_STREQ(verb, "kivu.copyname");
    wchar_t help[64] = {};
    EXPECT_EQ(host->handler()->GetCommandString(OffsetOf("Copy name"), GCS_HELPTEXTW, nullptr,
                                                reinterpret_cast<char*>(help), 64),
              S_OK);
    EXPECT_STREQ(help, L"Copy name");
}

TEST_F(ShellExt, NamesOfTheCodePageKeepEveryLetterThroughTheCommands) {
    // "Ärger\Grüße.txt": letters beyond ASCII that the code page holds; the
    // folder list is an older one, in the code page's single bytes.
    const std::string folder = dir.path() + "Ärger";
    ASSERT_TRUE(CreateDirectoryW(kivu::Widen(folder).c_str(), nullptr));
    const std::string file = folder + "\\Grüße.txt";
    WriteFile(file, "abc");
    ASSERT_TRUE(Exists(file));
    const std::string folderBytes = dir.path() + "\xC4rger";
    WriteFile(InWindows("kivupfade.txt"), folderBytes + "\r\n" + folderBytes + "\\fehlt\r\n");
    auto host = Menu({file});
    ClearClipboard();
    ASSERT_EQ(host->InvokeVerb("kivu.copypath"), S_OK);
    EXPECT_EQ(ClipboardText(), file);
    ASSERT_EQ(host->InvokeVerb("kivu.copyname"), S_OK);
    EXPECT_EQ(ClipboardText(), "Grüße.txt");

    // The file list holds the names byte for byte in the code page.
    ASSERT_EQ(host->InvokeVerb("kivu.filelist"), S_OK);
    EXPECT_EQ(ReadFile(folder + "\\filelist.txt"), "Gr\xFC\xDF" "e.txt\t3\r\n");

    // The new folder goes inside, the host's window browses there, and a
    // missing folder is named in the message as it is written.
    ASSERT_EQ(host->InvokeVerb("kivu.newfolder"), S_OK);
    EXPECT_TRUE(PathIsDirectoryW(kivu::Widen(folder + "\\New folder").c_str()));
    FakeBrowser browser;
    host->SetSite(static_cast<IServiceProvider*>(&browser));
    ASSERT_EQ(host->InvokeVerb("kivu.folder.0"), S_OK);
    ASSERT_EQ(browser.browsed.size(), 1u);
    EXPECT_TRUE(SameFolder(browser.browsed[0], folder)) << browser.browsed[0];
    {
        BoxWatcher boxes;
        EXPECT_EQ(host->InvokeVerb("kivu.folder.1"), E_FAIL);
        EXPECT_EQ(boxes.count(), 1);
        EXPECT_NE(boxes.text.find(folder + "\\fehlt"), std::string::npos) << boxes.text;
        EXPECT_EQ(boxes.caption, kivu::kExtensionTitle);
    }
    host->SetSite(nullptr);
}

TEST_F(ShellExt, NamesOutsideTheCodePageArriveWhole) {
    const std::wstring wide = L"\u0416\u0436.txt";  // Cyrillic: not in Windows-1252
    const std::wstring path = kivu::Widen(dir.path()) + wide;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    // The host hands the name over in Unicode; no short name stands in for it.
    shellhost::Host host;
    ASSERT_EQ(host.Create(kClsid), S_OK);
    ASSERT_EQ(host.InitFiles(std::vector<std::wstring>{path}), S_OK);
    host.Build();
    ClearClipboard();
    ASSERT_EQ(host.InvokeVerb("kivu.copypath"), S_OK);
    EXPECT_EQ(ClipboardText(), kivu::Narrow(path));
    ASSERT_EQ(host.InvokeVerb("kivu.copyname"), S_OK);
    EXPECT_EQ(ClipboardText(), kivu::Narrow(wide));
}

TEST_F(ShellExt, FoldersDrivesAndTheBackgroundGetNewFoldersInside) {
    TempDir sub(dir.path());
    auto host = Menu({sub.path().substr(0, sub.path().size() - 1)});  // a folder, as the file manager names it
    ASSERT_EQ(host->InvokeVerb("kivu.newfolder"), S_OK);
    EXPECT_TRUE(PathIsDirectoryA((sub.path() + "New folder").c_str()));
    ASSERT_EQ(host->InvokeVerb("kivu.newfolder"), S_OK);
    EXPECT_TRUE(PathIsDirectoryA((sub.path() + "New folder (2)").c_str()));

    shellhost::Host background;
    ASSERT_EQ(background.Create(kClsid), S_OK);
    ASSERT_EQ(background.InitBackground(dir.path()), S_OK);
    ASSERT_TRUE(SUCCEEDED(background.Build()));
    EXPECT_GT(GetMenuItemCount(background.menu()), 0);
    WritePrivateProfileStringW(L"Language", L"Current", L"German", L"kivulanguage.ini");
    ASSERT_EQ(background.InvokeVerb("kivu.newfolder"), S_OK);  // the language of the menu it was built with
    EXPECT_TRUE(PathIsDirectoryA((dir.path() + "New folder").c_str()));

    host = Menu({"C:\\"});
    EXPECT_TRUE(SUCCEEDED(lastResult));
    EXPECT_FALSE(lines.empty());
    ClearClipboard();
    ASSERT_EQ(host->InvokeVerb("kivu.copypath"), S_OK);
    EXPECT_EQ(ClipboardText(), "C:\\");
}

// A folder deeper than the old 260-character limit: a new folder and the file
// list go into it with their real names.
TEST_F(ShellExt, NewFolderAndFileListWorkInAFolderDeeperThanMaxPath) {
    std::string deep = dir.path();
    for (int i = 0; i < 3; ++i) {
        deep += std::string(100, static_cast<char>('a' + i)) + "\\";
        ASSERT_TRUE(CreateDirectoryW(kivu::SystemPath(deep).c_str(), nullptr)) << GetLastError();
    }
    ASSERT_GT(deep.size(), 300u);
    const std::string file = deep + "Καλημέρα.txt";
    HANDLE h = CreateFileW(kivu::SystemPath(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    auto host = Menu({file});
    ASSERT_EQ(host->InvokeVerb("kivu.newfolder"), S_OK);
    EXPECT_NE(GetFileAttributesW(kivu::SystemPath(deep + "New folder").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    ASSERT_EQ(host->InvokeVerb("kivu.filelist"), S_OK);
    std::string list;
    {
        const kivu::UniqueFile in(CreateFileW(kivu::SystemPath(deep + "filelist.txt").c_str(), GENERIC_READ, 0, nullptr,
                                              OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(in);
        char buf[512];
        DWORD got = 0;
        ASSERT_TRUE(ReadFile(in.get(), buf, sizeof buf, &got, nullptr));
        list.assign(buf, got);
    }
    // Greek is beyond the code page: UTF-8 with its mark.
    EXPECT_EQ(list, "\xEF\xBB\xBFNew folder\\\r\nΚαλημέρα.txt\t0\r\n");
}

TEST_F(ShellExt, RenameHandsExactlyTheSelectedFilesToKivuutil) {
    const std::string a = dir.Write("one.txt"), b = dir.Write("two words.txt");
    dir.Write("not selected.txt");
    auto host = Menu({a, b});
    ASSERT_EQ(host->InvokeOffset(OffsetOf("Rename / properties")), S_OK);
    const auto dialogs = FindTopWindows("Trenamedialog", nullptr);
    ASSERT_EQ(dialogs.size(), 1u);
    HWND list = FindChild(dialogs[0], WC_LISTVIEWA);
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 2; }));
    std::set<std::string> names{ListViewText(list, 0, 0), ListViewText(list, 1, 0)};
    EXPECT_EQ(names, (std::set<std::string>{"one.txt", "two words.txt"}));
    DWORD pid = 0;
    GetWindowThreadProcessId(dialogs[0], &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    PostMessageA(dialogs[0], WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
    CloseHandle(process);
}

TEST_F(ShellExt, RunProgramStartsTheListedProgramWithTheSelectionThroughKivuutil) {
    // Program and files with blanks arrive whole, each one argument, by
    // their real names (a short name may not exist on the volume at all).
    const std::string record = dir.path() + "record.txt";
    const std::string programs = dir.path() + "my programs";
    ASSERT_TRUE(CreateDirectoryW(kivu::Widen(programs).c_str(), nullptr));
    const std::string program = programs + "\\probe copy.exe";
    ASSERT_TRUE(CopyFileW(kivu::Widen(ProbeExe()).c_str(), kivu::Widen(program).c_str(), FALSE));
    const std::string a = dir.Write("a.txt"), b = dir.Write("b c.txt"), c = dir.Write("Ärger  zwei.txt");
    TempDir work;
    EnvVar probeRecord("KIVU_PROBE_RECORD", record.c_str());
    WriteFile(InWindows("kivuprogs.txt"), "Probe|" + program + " %d|" + work.path() + "\r\n");
    auto host = Menu({a, b, c});
    ASSERT_EQ(host->InvokeVerb("kivu.program.0"), S_OK);
    const auto runs = WaitForProbes(record, 1);
    ASSERT_EQ(runs.size(), 1u) << ReadFile(record);
    EXPECT_EQ(runs[0].program, program);
    EXPECT_EQ(runs[0].argv, (std::vector<std::string>{a, b, c})) << ReadFile(record);
    EXPECT_TRUE(SameFolder(runs[0].folder, work.path())) << runs[0].folder;
}

TEST_F(ShellExt, SelectFilesSelectsWhatThePatternMatchesInTheHostsView) {
    dir.Write("a.txt");
    dir.Write("b.TXT");
    dir.Write("c.doc");
    FakeView view(dir.path());
    ASSERT_EQ(view.names.size(), 3u);
    view.selected[2] = true;  // c.doc was selected before
    auto host = Menu({dir.path() + "c.doc"});
    host->SetSite(static_cast<IServiceProvider*>(&view));
    // The user types the pattern and confirms, in kivuutil's window.
    const auto select = [&](const char* pattern, bool add) {
        const auto answer = [pattern, add](HWND dialog) {
            const std::wstring text = kivu::Widen(pattern);
            SendMessageW(FindChild(dialog, "Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
            if (add) SendMessageW(FindChild(dialog, "Button", "add to selection"), BM_SETCHECK, BST_CHECKED, 0);
            PostMessageA(FindChild(dialog, "Button", "OK"), BM_CLICK, 0, 0);
        };
        DialogAnswerer user({{{"Tselectform", nullptr, kAnyProcess}, answer}}, std::chrono::seconds(20));
        return host->InvokeVerb("kivu.select");
    };
    ASSERT_EQ(select("*.txt", false), S_OK);
    EXPECT_EQ(view.Selected(), (std::set<std::string>{"a.txt", "b.TXT"}));
    // With "add to selection" the earlier selection stays.
    view.selected.assign(3, false);
    view.selected[2] = true;
    ASSERT_EQ(select("a.*", true), S_OK);
    EXPECT_EQ(view.Selected(), (std::set<std::string>{"a.txt", "c.doc"}));
    host->SetSite(nullptr);
}

TEST_F(ShellExt, AMissingKivuutilIsReportedInOneMessage) {
    const std::string exe = InWindows("kivuutil.exe"), away = InWindows("kivuutil.away");
    ASSERT_TRUE(MoveFileW(kivu::Widen(exe).c_str(), kivu::Widen(away).c_str()));
    auto host = Menu({dir.Write("a.txt")});
    HRESULT hr = S_OK;
    {
        BoxWatcher boxes;
        hr = host->InvokeVerb("kivu.configure");
        EXPECT_EQ(boxes.count(), 1);
        EXPECT_NE(boxes.text.find(exe), std::string::npos) << boxes.text;
        EXPECT_NE(boxes.text.find("not found"), std::string::npos) << boxes.text;
    }
    MoveFileW(kivu::Widen(away).c_str(), kivu::Widen(exe).c_str());
    EXPECT_EQ(hr, E_FAIL);
}

TEST_F(ShellExt, TheWindowCheckBringsAnOpenConfigurationForwardInsteadOfASecond) {
    auto host = Menu({dir.Write("a.txt")});
    const auto count = [] { return FindTopWindows("Tkonfigdialog", nullptr).size(); };
    ASSERT_EQ(host->InvokeVerb("kivu.configure"), S_OK);
    ASSERT_TRUE(WaitUntil([&] { return count() == 1; }, std::chrono::seconds(30)));
    const auto running = ProcessesOf("kivuutil.exe");
    ASSERT_EQ(host->InvokeVerb("kivu.configure"), S_OK);
    // The handler starts a program before it returns: a second one would be listed now.
    for (DWORD pid : ProcessesOf("kivuutil.exe")) EXPECT_NE(std::count(running.begin(), running.end(), pid), 0) << pid;
    EXPECT_EQ(count(), 1u);

    Set("nowindowcheck", "1");
    host = Menu({dir.path() + "a.txt"});
    ASSERT_EQ(host->InvokeVerb("kivu.configure"), S_OK);
    EXPECT_TRUE(WaitUntil([&] { return count() == 2; }, std::chrono::seconds(30)));
    for (HWND w : FindTopWindows("Tkonfigdialog", nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
            TerminateProcess(p, 0);  // closing would save the lists
            WaitForSingleObject(p, 5000);
            CloseHandle(p);
        }
    }
}

TEST_F(ShellExt, ChangeFolderSendsTheHostsWindowToTheFolderWithItsVariablesExpanded) {
    TempDir target(dir.path());
    const std::string folder = WithoutSlash(target.path());
    const std::string name = folder.substr(folder.find_last_of('\\') + 1);
    EnvVar base("KIVU_TEST_BASE", WithoutSlash(dir.path()).c_str());
    WriteFile(InWindows("kivupfade.txt"), "%KIVU_TEST_BASE%\\" + name + "\r\n-\r\n" + folder + "\r\n");
    const std::string record = dir.path() + "record.txt";
    ProbeCommand open("Folder", "open", record, "open");
    ASSERT_TRUE(open.Active());

    BoxWatcher boxes;  // a failure's message must not hold the test
    FakeBrowser browser;
    auto host = Menu({dir.Write("a.txt")});
    host->SetSite(static_cast<IServiceProvider*>(&browser));
    ASSERT_EQ(host->InvokeVerb("kivu.folder.0"), S_OK);
    ASSERT_EQ(browser.browsed.size(), 1u);
    EXPECT_TRUE(SameFolder(browser.browsed[0], folder)) << browser.browsed[0];
    ASSERT_EQ(host->InvokeVerb("kivu.folder.2"), S_OK);
    ASSERT_EQ(browser.browsed.size(), 2u);
    EXPECT_TRUE(SameFolder(browser.browsed[1], folder)) << browser.browsed[1];
    host->SetSite(nullptr);

    // A browser that refuses: the folder opens in a window of its own instead.
    FakeBrowser refusing(E_FAIL);
    host->SetSite(static_cast<IServiceProvider*>(&refusing));
    ASSERT_EQ(host->InvokeVerb("kivu.folder.0"), S_OK);
    EXPECT_EQ(refusing.browsed.size(), 1u);
    host->SetSite(nullptr);
    const auto runs = WaitForProbes(record, 1);
    // The shell starts a program before the handler returns: once none runs, nothing more records.
    EXPECT_TRUE(WaitUntil([] { return ProcessesOf("probe_window.exe").empty(); }));
    ASSERT_EQ(ReadProbeRecord(record).size(), 1u) << ReadFile(record);
    EXPECT_EQ(boxes.count(), 0) << boxes.text;
    EXPECT_EQ(runs[0].args, "open " + folder);
}

TEST_F(ShellExt, ChangeFolderWithoutABrowserOpensTheFolderInANewWindow) {
    TempDir target(dir.path());
    const std::string folder = WithoutSlash(target.path()) + "\\two words";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    WriteFile(InWindows("kivupfade.txt"), folder + "\r\n");
    const std::string record = dir.path() + "record.txt";
    ProbeCommand open("Folder", "open", record, "open");
    ASSERT_TRUE(open.Active());
    BoxWatcher boxes;  // a failure's message must not hold the test
    auto host = Menu({dir.Write("a.txt")});
    ASSERT_EQ(host->InvokeVerb("kivu.folder.0"), S_OK);
    const auto runs = WaitForProbes(record, 1);
    ASSERT_EQ(runs.size(), 1u) << ReadFile(record);
    EXPECT_EQ(boxes.count(), 0) << boxes.text;
    EXPECT_EQ(runs[0].args, "open " + folder);
}

TEST_F(ShellExt, ChangeFolderToAMissingFolderSaysSoOnceAndOpensNothing) {
    const std::string missing = dir.path() + "gone";
    EnvVar base("KIVU_TEST_BASE", WithoutSlash(dir.path()).c_str());
    WriteFile(InWindows("kivupfade.txt"), "%KIVU_TEST_BASE%\\gone\r\n");
    const std::string record = dir.path() + "record.txt";
    ProbeCommand open("Folder", "open", record, "open");
    ASSERT_TRUE(open.Active());
    FakeBrowser browser;
    auto host = Menu({dir.Write("a.txt")});
    for (bool withBrowser : {true, false}) {
        host->SetSite(withBrowser ? static_cast<IServiceProvider*>(&browser) : nullptr);
        BoxWatcher boxes;
        EXPECT_EQ(host->InvokeVerb("kivu.folder.0"), E_FAIL);
        EXPECT_EQ(boxes.count(), 1);
        EXPECT_NE(boxes.text.find(missing), std::string::npos) << boxes.text;  // the name with the variable expanded
    }
    host->SetSite(nullptr);
    EXPECT_TRUE(browser.browsed.empty());
    // The shell starts a program before the handler returns: once none runs, nothing more records.
    EXPECT_TRUE(WaitUntil([] { return ProcessesOf("probe_window.exe").empty(); }));
    EXPECT_EQ(ReadFile(record), "");
}

TEST_F(ShellExt, FtpSitesOpenTheirAddressesWithFtpAddedOnlyWhenNoSchemeIsGiven) {
    // Only the probe may answer: both schemes are checked to reach it before
    // anything is opened, and every address is this machine's.
    const std::string record = dir.path() + "record.txt";
    ProbeCommand ftp("ftp", "open", record, "ftp", true);
    ProbeCommand sftp("sftp", "open", record, "sftp", true);
    ASSERT_TRUE(ftp.Active());
    ASSERT_TRUE(sftp.Active());
    WriteFile(InWindows("kivuftp.txt"),
              "Plain|127.0.0.1/pub\r\nWith user|ftp://user@127.0.0.1:2121/dir\r\nSecure|sftp://127.0.0.1/x\r\n");
    BoxWatcher boxes;  // a failure's message must not hold the test
    auto host = Menu({dir.Write("a.txt")});
    const std::vector<std::string> expected = {"ftp ftp://127.0.0.1/pub", "ftp ftp://user@127.0.0.1:2121/dir",
                                               "sftp sftp://127.0.0.1/x"};
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(host->InvokeVerb(("kivu.ftp." + std::to_string(i)).c_str()), S_OK);
        const auto runs = WaitForProbes(record, i + 1);
        ASSERT_EQ(runs.size(), i + 1) << ReadFile(record);
        EXPECT_EQ(runs[i].args, expected[i]);
    }
    EXPECT_EQ(boxes.count(), 0) << boxes.text;
}

TEST_F(ShellExt, ExplorerHereExploresTheFolderOfTheSelectionTheFolderOrTheBackground) {
    const std::string record = dir.path() + "record.txt";
    ProbeCommand explore("Folder", "explore", record, "explore");
    ASSERT_TRUE(explore.Active());
    TempDir sub(dir.path());
    const std::string file = sub.Write("a.txt");
    BoxWatcher boxes;  // a failure's message must not hold the test
    auto host = Menu({file});
    ASSERT_EQ(host->InvokeVerb("kivu.explorer"), S_OK);
    host = Menu({WithoutSlash(dir.path())});
    ASSERT_EQ(host->InvokeVerb("kivu.explorer"), S_OK);
    shellhost::Host background;
    ASSERT_EQ(background.Create(kClsid), S_OK);
    ASSERT_EQ(background.InitBackground(sub.path()), S_OK);
    ASSERT_TRUE(SUCCEEDED(background.Build()));
    ASSERT_EQ(background.InvokeVerb("kivu.explorer"), S_OK);
    const auto runs = WaitForProbes(record, 3);
    ASSERT_EQ(runs.size(), 3u) << ReadFile(record);
    std::multiset<std::string> explored;
    for (const auto& r : runs) {
        ASSERT_EQ(r.args.rfind("explore ", 0), 0u) << r.args;
        explored.insert(WithoutSlash(r.args.substr(8)));
    }
    // The processes may record in any order.
    EXPECT_EQ(explored, (std::multiset<std::string>{WithoutSlash(sub.path()), WithoutSlash(sub.path()),
                                                     WithoutSlash(dir.path())}));
    EXPECT_EQ(boxes.count(), 0) << boxes.text;
}

TEST_F(ShellExt, ToggleHiddenFlipsTheExplorerSettingStartingFromHidden) {
    constexpr const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
    DWORD before = 0, size = sizeof before;
    const bool had = RegGetValueA(HKEY_CURRENT_USER, key, "Hidden", RRF_RT_REG_DWORD, nullptr, &before, &size) ==
                     ERROR_SUCCESS;
    kivu::DeleteRegValue(HKEY_CURRENT_USER, key, "Hidden");
    const auto hidden = [&] {
        DWORD value = 0, type = 0, n = sizeof value;
        if (RegGetValueA(HKEY_CURRENT_USER, key, "Hidden", RRF_RT_ANY, &type, &value, &n) != ERROR_SUCCESS)
            return std::string("<missing>");
        return type == REG_DWORD ? std::to_string(value) : "<type " + std::to_string(type) + ">";
    };
    auto host = Menu({dir.Write("a.txt")});
    std::vector<std::string> seen;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(host->InvokeVerb("kivu.hidden"), S_OK);
        seen.push_back(hidden());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "2", "1"}));  // missing means hidden: the first shows them
    if (had) RegSetKeyValueA(HKEY_CURRENT_USER, key, "Hidden", REG_DWORD, &before, sizeof before);
    else kivu::DeleteRegValue(HKEY_CURRENT_USER, key, "Hidden");
}

namespace {

// The lines of a file list, sorted (the order is the file system's); "<no
// line end>" when the last line is not ended.
std::vector<std::string> ListLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            lines.push_back("<no line end>" + text.substr(pos));
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

}  // namespace

TEST_F(ShellExt, FileListNamesEachEntryOnceFoldersMarkedFilesWithSizesAndNeverItself) {
    dir.Write("a.txt", "hello");
    dir.Write("empty.bin", "");
    dir.Write("with blank.txt", std::string(1234, 'x'));
    TempDir sub(dir.path());
    sub.Write("inside.txt");  // only the folder's own entries are listed
    const std::string subName = WithoutSlash(sub.path()).substr(WithoutSlash(sub.path()).find_last_of('\\') + 1);
    auto host = Menu({WithoutSlash(dir.path())});
    ASSERT_EQ(host->InvokeVerb("kivu.filelist"), S_OK);
    const std::vector<std::string> expected = {"a.txt\t5", "empty.bin\t0", subName + "\\", "with blank.txt\t1234"};
    const std::string list = dir.path() + "filelist.txt";
    EXPECT_EQ(ListLines(ReadFile(list)), expected);
    // Again: the list written before is not an entry of the folder's list (it
    // would show its old size), and a new file shows up.
    ASSERT_EQ(host->InvokeVerb("kivu.filelist"), S_OK);
    EXPECT_EQ(ListLines(ReadFile(list)), expected);
    dir.Write("b.txt", "12");
    ASSERT_EQ(host->InvokeVerb("kivu.filelist"), S_OK);
    auto more = expected;
    more.push_back("b.txt\t2");
    std::sort(more.begin(), more.end());
    EXPECT_EQ(ListLines(ReadFile(list)), more);
}

TEST_F(ShellExt, FileListGoesIntoTheFolderOfTheSelectionTheFolderTheBackgroundOrTheDrive) {
    TempDir sub(dir.path());
    sub.Write("one.txt", "1");
    const std::string subName = WithoutSlash(sub.path()).substr(WithoutSlash(sub.path()).find_last_of('\\') + 1);
    // A selected file: the list of its folder.
    auto host = Menu({sub.path() + "one.txt"});
    ASSERT_EQ(host->InvokeVerb("kivu.filelist"), S_OK);
    EXPECT_EQ(ListLines(ReadFile(sub.path() + "filelist.txt")), (std::vector<std::string>{"one.txt\t1"}));
    EXPECT_FALSE(Exists(dir.path() + "filelist.txt"));
    // The background of a folder.
    shellhost::Host background;
    ASSERT_EQ(background.Create(kClsid), S_OK);
    ASSERT_EQ(background.InitBackground(dir.path()), S_OK);
    ASSERT_TRUE(SUCCEEDED(background.Build()));
    ASSERT_EQ(background.InvokeVerb("kivu.filelist"), S_OK);
    EXPECT_EQ(ListLines(ReadFile(dir.path() + "filelist.txt")), (std::vector<std::string>{subName + "\\"}));
    // An empty folder: an empty list, not one empty line; again with only
    // that list in it.
    TempDir empty(dir.path());
    host = Menu({WithoutSlash(empty.path())});
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(host->InvokeVerb("kivu.filelist"), S_OK);
        EXPECT_TRUE(Exists(empty.path() + "filelist.txt")) << run;
        EXPECT_EQ(ReadFile(empty.path() + "filelist.txt"), "") << run;
    }
    // A drive: "C:\" is not given a second backslash.
    host = Menu({"C:\\"});
    ASSERT_EQ(host->InvokeVerb("kivu.filelist"), S_OK);
    const auto root = ListLines(ReadFile("C:\\filelist.txt"));
    DeleteFileW(L"C:\\filelist.txt");
    EXPECT_NE(std::find(root.begin(), root.end(), "windows\\"), root.end());
}

TEST_F(ShellExt, PromptHereStartsComSpecInTheFolderThroughKivuutil) {
    const std::string record = dir.path() + "record.txt";
    const std::string folder = dir.path() + "two words";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string file = folder + "\\a.txt";
    WriteFile(file, "x");
    // An interpreter whose path has blanks starts by its real name.
    const std::string shell = folder + "\\my shell.exe";
    ASSERT_TRUE(CopyFileW(kivu::Widen(ProbeExe()).c_str(), kivu::Widen(shell).c_str(), FALSE));
    WindowsGoAtEnd kivuutil("TEXECForm");
    EnvVar comspec("ComSpec", shell.c_str());
    EnvVar probeRecord("KIVU_PROBE_RECORD", record.c_str());
    BoxWatcher boxes;  // a failure's message must not hold the test
    auto host = Menu({file});
    ASSERT_EQ(host->InvokeVerb("kivu.prompt"), S_OK);
    auto runs = WaitForProbes(record, 1);
    ASSERT_EQ(runs.size(), 1u) << ReadFile(record);
    EXPECT_EQ(runs[0].program, shell);
    EXPECT_EQ(runs[0].args, "");  // the prompt on its own
    EXPECT_TRUE(SameFolder(runs[0].folder, folder)) << runs[0].folder;
    // A selected folder: the prompt works inside it.
    host = Menu({folder});
    ASSERT_EQ(host->InvokeVerb("kivu.prompt"), S_OK);
    runs = WaitForProbes(record, 2);
    ASSERT_EQ(runs.size(), 2u) << ReadFile(record);
    EXPECT_TRUE(SameFolder(runs[1].folder, folder)) << runs[1].folder;
    EXPECT_EQ(boxes.count(), 0) << boxes.text;
}

TEST_F(ShellExt, PromptHereWithoutComSpecStartsTheSystemsCommandInterpreter) {
    WindowsGoAtEnd kivuutil("TEXECForm");
    EnvVar comspec("ComSpec", nullptr);
    BoxWatcher boxes;  // a failure's message must not hold the test
    const std::vector<DWORD> before = ProcessesOf("kivuutil.exe");
    auto host = Menu({dir.Write("a.txt")});
    ASSERT_EQ(host->InvokeVerb("kivu.prompt"), S_OK);
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string expected = std::string(system) + "\\cmd.exe";
    // The interpreter that the new kivuutil started. Its window shows the
    // command only for about a second, so the test asks the process list,
    // where the interpreter stays until the test ends it.
    DWORD interpreter = 0;
    std::string image;
    WaitUntil(
        [&] {
            HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
            PROCESSENTRY32 entry{};
            entry.dwSize = sizeof entry;
            for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
                const DWORD parent = entry.th32ParentProcessID;
                const std::vector<DWORD> started = ProcessesOf("kivuutil.exe");
                const bool byNewKivuutil = std::find(started.begin(), started.end(), parent) != started.end() &&
                                           std::find(before.begin(), before.end(), parent) == before.end();
                if (byNewKivuutil && lstrcmpiA(entry.szExeFile, "cmd.exe") == 0) interpreter = entry.th32ProcessID;
            }
            CloseHandle(snapshot);
            return interpreter != 0;
        },
        std::chrono::seconds(30));
    ASSERT_NE(interpreter, 0u) << "kivuutil started no command interpreter";
    // The interpreter runs in a console of its own, which a test cannot use.
    if (HANDLE child = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE,
                                   interpreter)) {
        char path[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (QueryFullProcessImageNameA(child, 0, path, &size)) image.assign(path, size);
        TerminateProcess(child, 0);
        WaitForSingleObject(child, 5000);
        CloseHandle(child);
    }
    EXPECT_EQ(lstrcmpiA(image.c_str(), expected.c_str()), 0) << image;
    EXPECT_EQ(boxes.count(), 0) << boxes.text;
}

TEST_F(ShellExt, StarterAndLiveUpdateOpenTheirOwnWindows) {
    // The live update asks only this machine, on a port where nothing listens.
    kivu::WriteRegString(HKEY_CURRENT_USER, "software\\kivu\\update", "Host", "127.0.0.1:9");
    auto host = Menu({dir.Write("a.txt")});
    for (const auto& [verb, windowClass] :
         {std::pair{"kivu.starter", "Tstarterform"}, {"kivu.update", "Tdownloadform"}}) {
        WindowsGoAtEnd kivuutil(windowClass);
        ASSERT_EQ(host->InvokeVerb(verb), S_OK);
        EXPECT_TRUE(WaitUntil([&] { return FindTopWindows(windowClass, nullptr).size() == 1; },
                              std::chrono::seconds(30)))
            << verb;
        for (HWND w : FindTopWindows(windowClass, nullptr)) PostMessageA(w, WM_CLOSE, 0, 0);
    }
}

TEST_F(ShellExt, TheFileListKeepsNamesBeyondTheCodePageInUtf8WithItsMark) {
    const std::wstring greek = kivu::Widen(dir.path()) + L"Καλημέρα.txt";
    {
        const kivu::UniqueFile file(CreateFileW(greek.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file);
    }
    auto host = Menu({WithoutSlash(dir.path())});
    ASSERT_EQ(host->InvokeVerb("kivu.filelist"), S_OK);
    EXPECT_EQ(ReadFile(dir.path() + "filelist.txt"), "\xEF\xBB\xBF" "Καλημέρα.txt\t0\r\n");
    DeleteFileW(greek.c_str());
}
