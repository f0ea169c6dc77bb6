// Names of any script, of 250 characters and in folders deeper than 260
// characters, from the context-menu handler (a COM host with a CF_HDROP of
// wide names) through kivuutil and back to the disk, the clipboard and a
// started program. CTest runs this program twice: under the default locale
// (code page 1252) and under a Japanese one (932); KIVU_EXPECT_ACP names the
// code page the run is meant for. It registers the handler and puts
// kivuutil.exe into the Windows directory, so it runs in a prefix of its own.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>

#include "common/classid.h"
#include "common/handles.h"
#include "common/reg.h"
#include "common/text.h"
#include "common/windir.h"
#include "fileprops/winfileops.h"
#include "link/handlerlink.h"
#include "tests/win/support/starter.h"
#include "tests/win/support/winsupport.h"
#include "tools/shellhost.h"
#include "tools/standin.h"

using namespace testsupport;
using kivu::Narrow;
using kivu::Widen;

namespace {

const std::string kGreek = "Καλημέρα.txt";
const std::string kJapanese = "写真_旅行.jpg";
const std::string kEmoji = "party🎉.txt";

size_t Characters(const std::string& utf8) { return Widen(utf8).size(); }

// 250 characters with a letter beyond ASCII. Mostly ASCII, as the Unix file
// systems under Wine take at most 255 bytes of UTF-8 per name, and the new
// name is three characters longer.
std::string Name250() { return std::string(245, 'L') + "é" + ".txt"; }

std::wstring Long(const std::string& path) { return kivu::SystemPath(path); }

void WriteBytes(const std::string& path, const std::string& bytes) {
    const kivu::UniqueFile f(
        CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (f) WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string ReadBytes(const std::string& path) {
    const kivu::UniqueFile f(CreateFileW(Long(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    char buffer[4096];
    DWORD n = 0;
    while (f && ReadFile(f.get(), buffer, sizeof buffer, &n, nullptr) && n) bytes.append(buffer, n);
    return bytes;
}

void MakeFile(const std::string& path) {
    HANDLE h = CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path << " " << GetLastError();
    DWORD written = 0;
    WriteFile(h, "kivu", 4, &written, nullptr);
    // An old stamp, so that a new one shows.
    const FILETIME old{0x3B9ACA00u, 0x01C00000u};  // in 1998
    SetFileTime(h, &old, &old, &old);
    CloseHandle(h);
}

std::set<std::string> NamesIn(const std::string& folder) {
    std::set<std::string> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(Long(folder + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring_view name = data.cFileName;
        if (name != L"." && name != L"..") names.insert(Narrow(name));
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

void RemoveTree(const std::string& folder) {
    for (const auto& name : NamesIn(folder)) {
        const std::string path = folder + name;
        const DWORD attributes = GetFileAttributesW(Long(path).c_str());
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(path + "\\");
        } else {
            SetFileAttributesW(Long(path).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(Long(path).c_str());
        }
    }
    RemoveDirectoryW(Long(folder.substr(0, folder.size() - 1)).c_str());
}

FILETIME LastWrite(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(Long(path).c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

DWORD Attributes(const std::string& path) {
    return GetFileAttributesW(Long(path).c_str()) &
           (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
}

// A cell of another process's list view, read in UTF-16.
std::string CellText(HWND list, int row, int column) {
    constexpr size_t kChars = 1024;
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return "<no process>";
    const size_t size = sizeof(LVITEMW) + kChars * sizeof(wchar_t);
    auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
    item.cchTextMax = kChars;
    WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
    const auto n = SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remote));
    std::wstring text(kChars, L'\0');
    ReadProcessMemory(process, remote + sizeof(LVITEMW), text.data(), (kChars - 1) * sizeof(wchar_t), nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    text.resize(std::min<size_t>(static_cast<size_t>(n), kChars - 1));
    return Narrow(text);
}

std::set<std::string> Column(HWND list, int column) {
    std::set<std::string> cells;
    for (int row = 0; row < ListViewCount(list); ++row) cells.insert(CellText(list, row, column));
    return cells;
}

std::string ClipboardUnicode() {
    std::string text = "<no clipboard>";
    if (!OpenClipboard(nullptr)) return text;
    text = "<no unicode text>";
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
            text = Narrow(p);
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    return text;
}

void ClearClipboard() {
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

std::string Stem(const std::string& name) { return name.substr(0, name.rfind('.')); }
std::string Ext(const std::string& name) { return name.substr(name.rfind('.')); }

class Unicode : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        // The handler starts the kivuutil.exe in the Windows directory.
        const std::string windir = kivu::WindowsDirectory();
        CopyFileW(Widen(ExeDir() + "kivuutil.exe").c_str(), Widen(windir + "\\kivuutil.exe").c_str(), FALSE);
        module = LoadLibraryW(Widen(ExeDir() + "kivumenu.dll").c_str());
        ASSERT_TRUE(module);
        ASSERT_EQ(Call("DllRegisterServer"), S_OK);
    }
    static void TearDownTestSuite() {
        Call("DllUnregisterServer");
        DeleteFileW(Widen(kivu::WindowsDirectory() + "\\kivuutil.exe").c_str());
        CoUninitialize();
    }
    static HRESULT Call(const char* name) {
        auto fn = reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(module, name)));
        return fn ? fn() : E_NOTIMPL;
    }

    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        // A folder of its own per test: a program an earlier test started may
        // still hold its folder for a moment after that test's end.
        static int tests = 0;
        root = Narrow(temp) + "kivu_ユニコード_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++tests) +
               "\\";
        ASSERT_TRUE(CreateDirectoryW(Widen(root).c_str(), nullptr)) << root;
    }
    void TearDown() override {
        // A dialog that a failed test left open would be taken for the next one's.
        for (HWND dialog : FindTopWindows("Trenamedialog", nullptr)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(dialog, &pid);
            const kivu::UniqueHandle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid));
            PostMessageW(dialog, WM_CLOSE, 0, 0);
            if (process && WaitForSingleObject(process.get(), 5000) != WAIT_OBJECT_0) TerminateProcess(process.get(), 1);
        }
        RemoveTree(root);
        DeleteFileW(Widen(kivu::WindowsDirectory() + "\\kivuprogs.txt").c_str());
    }

    // A folder below root whose path is longer than `depth` characters.
    std::string DeepFolder(size_t depth) {
        std::string folder = root;
        for (int i = 0; Characters(folder) <= depth; ++i) {
            folder += "Ebene_" + std::to_string(i) + "_επίπεδο_階層_" + std::string(30, 'd') + "\\";
            EXPECT_TRUE(CreateDirectoryW(Long(folder).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
                << folder;
        }
        return folder;
    }

    std::unique_ptr<shellhost::Host> Menu(const std::vector<std::string>& paths) {
        auto host = std::make_unique<shellhost::Host>();
        EXPECT_EQ(host->Create(kivu::kClassId), S_OK);
        std::vector<std::wstring> wide;
        for (const auto& p : paths) wide.push_back(Widen(p));
        EXPECT_EQ(host->InitFiles(wide), S_OK);
        EXPECT_TRUE(SUCCEEDED(host->Build()));
        return host;
    }

    // The files through the handler's rename command into the dialog, then
    // renamed with "[Name]_v2[Ext]", re-stamped and given attributes there.
    void RenameStampAndAttribute(const std::string& folder, const std::vector<std::string>& names) {
        std::vector<std::string> paths;
        for (const auto& n : names) {
            paths.push_back(folder + n);
            MakeFile(paths.back());
        }
        auto host = Menu(paths);
        ASSERT_EQ(host->InvokeVerb("kivu.rename"), S_OK);
        const auto dialogs = FindTopWindows("Trenamedialog", nullptr);
        ASSERT_EQ(dialogs.size(), 1u);
        HWND dialog = dialogs[0];
        DWORD pid = 0;
        GetWindowThreadProcessId(dialog, &pid);
        const kivu::UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
        HWND list = FindChild(dialog, WC_LISTVIEWA);
        HWND pattern = FindChild(dialog, "Edit", "[Name][Ext]");
        ASSERT_TRUE(list && pattern);

        // Listed with their real names.
        ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == static_cast<int>(names.size()); }))
            << ListViewCount(list);
        const std::set<std::string> expected(names.begin(), names.end());
        EXPECT_EQ(Column(list, 0), expected);

        // Renamed keeping every character.
        SendMessageW(pattern, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"[Name]_v2[Ext]"));
        std::set<std::string> renamed;
        for (const auto& n : names) renamed.insert(Stem(n) + "_v2" + Ext(n));
        EXPECT_EQ(Column(list, 2), renamed);
        PostMessageW(FindChild(dialog, "Button", "&Apply"), BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return NamesIn(folder) == renamed; })) << *NamesIn(folder).begin();
        // After a rename each row carries its new name.
        ASSERT_TRUE(WaitUntil([&] { return Column(list, 0) == renamed; }));

        // New time stamps: last modified set from the pickers.
        const FILETIME old = LastWrite(folder + *renamed.begin());
        ClickOn(FindChild(dialog, "Button", "&Date"));
        HWND creation = FindChild(dialog, "Button", "&Creation time");
        HWND modified = FindChild(dialog, "Button", "Last &modified");
        ASSERT_TRUE(creation && modified);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(modified) != FALSE; }));
        if (SendMessageW(creation, BM_GETCHECK, 0, 0) == BST_CHECKED) ClickOn(creation);
        if (SendMessageW(modified, BM_GETCHECK, 0, 0) != BST_CHECKED) ClickOn(modified);
        ASSERT_TRUE(WaitUntil([&] { return SendMessageW(modified, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
        PostMessageW(FindChild(dialog, "Button", "&Apply"), BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitUntil([&] {
            return std::all_of(renamed.begin(), renamed.end(), [&](const std::string& n) {
                const FILETIME now = LastWrite(folder + n);
                return CompareFileTime(&old, &now) != 0;
            });
        })) << "stamps unchanged";

        // Attributes: read-only and hidden.
        ClickOn(FindChild(dialog, "Button", "Attributes"));
        HWND letters = FindChild(dialog, "Edit", "RSAH");
        ASSERT_TRUE(letters);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(letters) != FALSE; }));
        SendMessageW(letters, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"RH"));
        PostMessageW(FindChild(dialog, "Button", "&Apply"), BM_CLICK, 0, 0);
        const DWORD rh = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
        ASSERT_TRUE(WaitUntil([&] {
            return std::all_of(renamed.begin(), renamed.end(),
                               [&](const std::string& n) { return Attributes(folder + n) == rh; });
        })) << "attributes not set";

        PostMessageW(dialog, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitForSingleObject(process.get(), 10000), WAIT_OBJECT_0);
    }

    static HMODULE module;
    std::string root;
};
HMODULE Unicode::module = nullptr;

}  // namespace

TEST_F(Unicode, TheRunHasTheCodePageItIsMeantFor) {
    const char* expected = std::getenv("KIVU_EXPECT_ACP");
    if (!expected) GTEST_SKIP() << "no code page named";
    EXPECT_EQ(GetACP(), static_cast<UINT>(std::stoul(expected)));
}

TEST_F(Unicode, LongPathsTakeTheirLongFormAndShortOnesStayAsTheyAre) {
    const std::string name = std::string(150, 'n') + "\\" + std::string(150, 'n');
    EXPECT_EQ(kivu::SystemPath("C:\\a\\" + kGreek), L"C:\\a\\" + Widen(kGreek));
    EXPECT_EQ(kivu::SystemPath("C:\\" + std::string(256, 'n')), Widen("C:\\" + std::string(256, 'n')));  // 259
    EXPECT_EQ(kivu::SystemPath("C:\\" + std::string(257, 'n')), Widen("\\\\?\\C:\\" + std::string(257, 'n')));
    EXPECT_EQ(kivu::SystemPath("C:\\a\\" + name), L"\\\\?\\C:\\a\\" + Widen(name));
    EXPECT_EQ(kivu::SystemPath("C:\\a\\.\\b\\..\\" + name), L"\\\\?\\C:\\a\\" + Widen(name));
    EXPECT_EQ(kivu::SystemPath("\\\\server\\share\\" + name), L"\\\\?\\UNC\\server\\share\\" + Widen(name));
    EXPECT_EQ(kivu::SystemPath("\\\\?\\C:\\" + name), L"\\\\?\\C:\\" + Widen(name));
}

TEST_F(Unicode, NamesOfAnyScriptAreListedRenamedStampedAndAttributedWithEveryCharacter) {
    const std::string name250 = Name250();
    ASSERT_EQ(Characters(name250), 250u);
    ASSERT_GT(Characters(root + name250), 259u);  // beyond an atom and beyond MAX_PATH
    RenameStampAndAttribute(root, {kGreek, kJapanese, kEmoji, name250});
}

TEST_F(Unicode, FilesInAFolderDeeperThan300CharactersAreRenamedStampedAndAttributed) {
    const std::string deep = DeepFolder(300);
    ASSERT_GT(Characters(deep), 300u);
    RenameStampAndAttribute(deep, {kGreek, kEmoji});
}

TEST_F(Unicode, TheRenameDialogTakesAPathByCopyDataOnlyInItsLayout) {
    const std::string path = root + Name250();
    MakeFile(path);
    auto host = Menu({root + kGreek});  // any selection: the dialog is what counts
    MakeFile(root + kGreek);
    ASSERT_EQ(host->InvokeVerb("kivu.rename"), S_OK);
    const auto dialogs = FindTopWindows("Trenamedialog", nullptr);
    ASSERT_EQ(dialogs.size(), 1u);
    HWND dialog = dialogs[0];
    HWND list = FindChild(dialog, WC_LISTVIEWA);
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 1; }));
    const std::wstring wide = Widen(path);
    const auto send = [&](ULONG_PTR id, DWORD bytes) {
        COPYDATASTRUCT data{id, bytes, const_cast<wchar_t*>(wide.data())};
        return SendMessageW(dialog, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    };
    EXPECT_EQ(send(kivu::kCopyDataPath + 1, static_cast<DWORD>(wide.size() * 2)), FALSE);  // another id
    EXPECT_EQ(send(kivu::kCopyDataPath, static_cast<DWORD>(wide.size() * 2 - 1)), FALSE);  // half a unit
    EXPECT_EQ(send(kivu::kCopyDataPath, 0), FALSE);
    EXPECT_EQ(send(kivu::kCopyDataPath, static_cast<DWORD>(wide.size() * 2)), TRUE);
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 2; }));
    EXPECT_EQ(Column(list, 0), (std::set<std::string>{kGreek, Name250()}));
    DWORD pid = 0;
    GetWindowThreadProcessId(dialog, &pid);
    const kivu::UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.get(), 10000), WAIT_OBJECT_0);
}

TEST_F(Unicode, CopyNameAndCopyPathGiveTheRealNamesAsUnicodeText) {
    const std::string deep = DeepFolder(300);
    const std::vector<std::string> paths{root + kGreek, root + kJapanese, root + kEmoji, deep + Name250()};
    for (const auto& p : paths) MakeFile(p);
    auto host = Menu(paths);
    ClearClipboard();
    ASSERT_EQ(host->InvokeVerb("kivu.copyname"), S_OK);
    EXPECT_EQ(ClipboardUnicode(), kGreek + "\r\n" + kJapanese + "\r\n" + kEmoji + "\r\n" + Name250());
    ASSERT_EQ(host->InvokeVerb("kivu.copypath"), S_OK);
    EXPECT_EQ(ClipboardUnicode(), paths[0] + "\r\n" + paths[1] + "\r\n" + paths[2] + "\r\n" + paths[3]);
}

TEST_F(Unicode, AProgramAndFolderWithSuchNamesRunThroughModeOneHundredAndOne) {
    const std::string programs = root + "プログラム_Πρόγραμμα\\";
    const std::string work = root + "作業_εργασία🎉\\";
    ASSERT_TRUE(CreateDirectoryW(Widen(programs).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(Widen(work).c_str(), nullptr));
    const std::string program = programs + "探り_δοκιμή.exe";
    ASSERT_TRUE(CopyFileW(Widen(ProbeExe()).c_str(), Widen(program).c_str(), FALSE));
    const std::string record = root + "record.txt";
    MakeFile(root + kGreek);
    MakeFile(root + kJapanese);
    // A list file with characters beyond the code page is UTF-8 with a BOM.
    WriteBytes(kivu::WindowsDirectory() + "\\kivuprogs.txt",
               "\xEF\xBB\xBFProbe|" + program + " " + record + " %d|" + work + "\r\n");
    auto host = Menu({root + kGreek, root + kJapanese});
    ASSERT_EQ(host->InvokeVerb("kivu.program.0"), S_OK);
    const auto read = [&] { return ReadBytes(record); };
    ASSERT_TRUE(WaitUntil([&] { return read().find("end ") != std::string::npos; }, std::chrono::seconds(60)));
    const std::string text = read();
    EXPECT_NE(text.find(" " + root + kGreek + " " + root + kJapanese), std::string::npos) << text;
    EXPECT_NE(text.find("dir "), std::string::npos);
    const std::string folder = work.substr(0, work.size() - 1);
    EXPECT_NE(text.find(folder), std::string::npos) << text;
}

TEST_F(Unicode, TheStarterRunsAnEntryWithSuchNamesWithItsParameters) {
    const std::string programs = root + "プログラム_Πρόγραμμα🎉\\";
    ASSERT_TRUE(CreateDirectoryW(Widen(programs).c_str(), nullptr));
    const std::string program = programs + "探り_δοκιμή.exe";
    ASSERT_TRUE(CopyFileW(Widen(ProbeExe()).c_str(), Widen(program).c_str(), FALSE));
    const std::string record = root + "record.txt";
    const std::string entry = "写真_Καλημέρα🎉";
    ClearStore();
    const std::string store = "Software\\KIVU\\Starter";
    kivu::WriteRegString(HKEY_CURRENT_USER, store, "Copyright", "x");
    kivu::WriteRegString(HKEY_CURRENT_USER, store + "\\" + entry, "Pfad", program);
    kivu::WriteRegString(HKEY_CURRENT_USER, store + "\\" + entry, "Parameter", record + " " + root + kGreek);
    kivu::WriteRegString(HKEY_CURRENT_USER, store + "\\" + entry, "Datum", std::to_string(TodayNumber() - 7));
    standin::Handler handler(ExeDir() + "kivuutil.exe");
    ASSERT_TRUE(handler.Start("3 start"));
    DWORD code = 1;
    ASSERT_TRUE(handler.WaitExit(60000, &code));
    EXPECT_EQ(code, 0u);
    ASSERT_TRUE(WaitUntil([&] { return ReadBytes(record).find("end ") != std::string::npos; }));
    const std::string text = ReadBytes(record);
    EXPECT_NE(text.find(" " + root + kGreek + "\n"), std::string::npos) << text;
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, store + "\\" + entry, "Datum", ""), std::to_string(TodayNumber()));
    ClearStore();
}
