// kivumenu.dll in a COM host: registration, the class factory's counts, and
// the menu built into a real HMENU from the stored configuration, its texts
// and the strings it answers for its commands.
#include <gtest/gtest.h>

#include "tests/win/support/shellext.h"

using namespace shelltest;

TEST_F(ShellExt, RegistrationWritesTheHandlerKeysAndUnregistrationRemovesExactlyThem) {
    const std::string clsidKey = std::string("CLSID\\") + kClsidText;
    for (const char* parent : {"*", "Folder", "Drive"})
        EXPECT_EQ(Reg(HKEY_CLASSES_ROOT, std::string(parent) + "\\shellex\\ContextMenuHandlers\\KIVU", ""), kClsidText)
            << parent;
    char dll[MAX_PATH];
    GetModuleFileNameA(module, dll, MAX_PATH);
    EXPECT_EQ(Reg(HKEY_CLASSES_ROOT, clsidKey + "\\InprocServer32", ""), dll);
    EXPECT_EQ(Reg(HKEY_CLASSES_ROOT, clsidKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kApproved, kClsidText));
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString"), kivu::WindowsDirectory() + "\\kivuutil.exe 666");
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, kUninstall, "DisplayVersion"), "3.19");
    EXPECT_NE(Reg(HKEY_LOCAL_MACHINE, kUninstall, "DisplayName"), "<missing>");
    EXPECT_NE(Reg(HKEY_LOCAL_MACHINE, kUninstall, "Publisher"), "<missing>");

    // A neighbour under the same parents must survive.
    kivu::WriteRegString(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\Other", "", "{x}");
    kivu::WriteRegString(HKEY_LOCAL_MACHINE, kApproved, "{other}", "x");
    ASSERT_EQ(Call("DllUnregisterServer"), S_OK);
    for (const char* parent : {"*", "Folder", "Drive"})
        EXPECT_FALSE(kivu::RegKeyExists(HKEY_CLASSES_ROOT, std::string(parent) + "\\shellex\\ContextMenuHandlers\\KIVU"));
    EXPECT_FALSE(kivu::RegKeyExists(HKEY_CLASSES_ROOT, clsidKey));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kApproved, kClsidText));
    EXPECT_FALSE(kivu::RegKeyExists(HKEY_LOCAL_MACHINE, kUninstall));
    EXPECT_TRUE(kivu::RegKeyExists(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\Other"));
    // Parents that registering had to create go again; those that were there stay.
    EXPECT_EQ(kivu::RegKeyExists(HKEY_CLASSES_ROOT, "Drive\\shellex"), driveHandlersBefore);
    EXPECT_TRUE(kivu::RegKeyExists(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers"));
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kApproved, "{other}"));
    kivu::DeleteRegKey(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\Other");
    kivu::DeleteRegValue(HKEY_LOCAL_MACHINE, kApproved, "{other}");

    shellhost::Host host;
    EXPECT_NE(host.Create(kClsid), S_OK);  // nothing registered any more
    ASSERT_EQ(Call("DllRegisterServer"), S_OK);
    shellhost::Host again;
    EXPECT_EQ(again.Create(kClsid), S_OK);
}

TEST_F(ShellExt, ObjectsAndLocksKeepTheLibraryLoaded) {
    using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    auto get =
        reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    ASSERT_TRUE(get);
    EXPECT_EQ(Call("DllCanUnloadNow"), S_OK);
    IClassFactory* factory = nullptr;
    void* none = nullptr;
    EXPECT_EQ(get(IID_IClassFactory, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(get(kClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(Call("DllCanUnloadNow"), S_FALSE);
    IUnknown* outer = reinterpret_cast<IUnknown*>(factory);
    EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, &none), CLASS_E_NOAGGREGATION);
    IContextMenu* menu = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
    IShellExtInit* init = nullptr;
    EXPECT_EQ(menu->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init)), S_OK);
    EXPECT_EQ(menu->QueryInterface(IID_IDataObject, &none), E_NOINTERFACE);
    factory->Release();
    EXPECT_EQ(Call("DllCanUnloadNow"), S_FALSE);  // two references to the object remain
    menu->Release();
    EXPECT_EQ(Call("DllCanUnloadNow"), S_FALSE);
    init->Release();
    EXPECT_EQ(Call("DllCanUnloadNow"), S_OK);
    ASSERT_EQ(get(kClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    factory->LockServer(TRUE);
    factory->Release();
    EXPECT_EQ(Call("DllCanUnloadNow"), S_FALSE);
    factory->LockServer(FALSE);
    EXPECT_EQ(Call("DllCanUnloadNow"), S_OK);
}

TEST_F(ShellExt, TheMenuFollowsTheStoredConfigurationInBothLanguages) {
    WriteFile(InWindows("kivupfade.txt"), "c:\\work\r\n-\r\n-\r\nc:\\data & more\r\n-\r\n");
    WriteFile(InWindows("kivuprogs.txt"), "Notepad|c:\\windows\\notepad.exe %d|c:\\windows\\\r\n-|-|-\r\n");
    const std::string file = dir.Write("a.txt");
    auto host = Menu({file});
    ASSERT_TRUE(SUCCEEDED(lastResult));

    // Defaults: every shipped command, in rising order, each with the bitmap.
    std::vector<std::string> expected;
    for (int n = 11; n <= 98; ++n)
        if (!LangText("English", n).empty()) expected.push_back(LangText("English", n));
    std::vector<std::string> shown;
    for (const auto& l : AtDepth(lines, 0)) {
        shown.push_back(Plain(l.text));
        EXPECT_TRUE(l.bitmap) << l.text;
    }
    EXPECT_EQ(shown, expected);
    // The result counts the ids used; every id is unique.
    std::set<UINT> ids;
    for (const auto& l : lines)
        if (!l.separator && !l.popup && !l.disabled) ids.insert(l.id);
    EXPECT_EQ(static_cast<size_t>(HRESULT_CODE(lastResult)), ids.size());
    EXPECT_EQ(*ids.begin(), shellhost::kFirstId);
    EXPECT_EQ(*ids.rbegin(), shellhost::kFirstId + ids.size() - 1);

    const auto folders = SubmenuOf(lines, LangText("English", 15));
    ASSERT_EQ(folders.size(), 3u);
    EXPECT_EQ(folders[0].text, "c:\\work");
    EXPECT_TRUE(folders[1].separator);
    EXPECT_EQ(folders[2].text, "c:\\data && more");
    EXPECT_EQ(SubmenuOf(lines, LangText("English", 16)).size(), 1u);  // no trailing separator
    for (const auto& l : AtDepth(lines, 0)) {
        if (Plain(l.text) == LangText("English", 17)) {
            EXPECT_TRUE(l.disabled);  // no FTP sites
        }
    }

    // German, in one submenu, some entries hidden, no access keys.
    WritePrivateProfileStringA("Language", "Current", "German", "kivulanguage.ini");
    Set("ExSubMenu", "1");
    Set("Shortcut", "0");
    std::string status(100, '1');
    status[12 - 1] = '0';
    status[97 - 1] = '0';
    Set("status", status);
    host = Menu({file});
    const auto top = AtDepth(lines, 0);
    ASSERT_EQ(top.size(), 1u);
    EXPECT_TRUE(top[0].popup);
    EXPECT_TRUE(top[0].bitmap);
    std::vector<std::string> german;
    for (int n = 11; n <= 98; ++n)
        if (n != 12 && n != 97 && !LangText("German", n).empty()) german.push_back(LangText("German", n));
    std::vector<std::string> inside;
    for (const auto& l : AtDepth(lines, 1)) {
        inside.push_back(l.text);
        EXPECT_FALSE(l.bitmap);
    }
    EXPECT_EQ(inside, german);

    // Bitmap off, menu empty when every flag is off.
    Set("ExSubMenu", "0");
    Set("ZeigeBitmap", "0");
    host = Menu({file});
    for (const auto& l : AtDepth(lines, 0)) EXPECT_FALSE(l.bitmap) << l.text;
    Set("status", std::string(100, '0'));
    host = Menu({file});
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(HRESULT_CODE(lastResult), 0);
    // A host that only wants the default verb gets nothing added.
    Set("status", std::string(100, '1'));
    host->Build(CMF_DEFAULTONLY);
    EXPECT_EQ(GetMenuItemCount(host->menu()), 0);
}

// The shipped English texts of the menu, in rising order, as the language
// file in the Windows directory has them.
std::vector<std::string> ShippedMenuTexts() {
    std::vector<std::string> texts;
    for (int n = 11; n <= 98; ++n)
        if (!LangText("English", n).empty()) texts.push_back(LangText("English", n));
    return texts;
}

// Puts the language file aside while it lives and back afterwards.
class LanguageFileAside {
public:
    LanguageFileAside() : file_(InWindows("kivulanguage.ini")), aside_(file_ + ".aside") {
        moved_ = MoveFileExA(file_.c_str(), aside_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    }
    ~LanguageFileAside() {
        if (moved_) MoveFileExA(aside_.c_str(), file_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    LanguageFileAside(const LanguageFileAside&) = delete;
    LanguageFileAside& operator=(const LanguageFileAside&) = delete;
    bool moved() const { return moved_; }

private:
    std::string file_, aside_;
    bool moved_ = false;
};

TEST_F(ShellExt, AMissingOrDamagedLanguageFileStillGivesTheWholeMenuInEnglish) {
    const std::vector<std::string> shipped = ShippedMenuTexts();
    ASSERT_FALSE(shipped.empty());
    const std::string file = dir.Write("a.txt");
    const auto topTexts = [&] {
        std::vector<std::string> texts;
        for (const auto& l : AtDepth(lines, 0)) texts.push_back(Plain(l.text));
        return texts;
    };
    LanguageFileAside aside;
    ASSERT_TRUE(aside.moved());
    const std::string garbage("\x01\xFF\xFE[[[\0=\r\n\x80\x81", 12);
    for (const std::string& content : {std::string("<missing>"), garbage,
                                       std::string("[Language]\r\nCurrent=Klingon\r\n[Klingon]\r\n96=\r\n")}) {
        SCOPED_TRACE(content);
        if (content != "<missing>") WriteFile(InWindows("kivulanguage.ini"), content);
        auto host = Menu({file});
        ASSERT_TRUE(SUCCEEDED(lastResult));
        EXPECT_EQ(topTexts(), shipped);
        // Above all the two commands that repair things.
        EXPECT_GE(OffsetOf("Configure KIVU menu"), 0);
        EXPECT_GE(OffsetOf("Live update"), 0);
    }
}

TEST_F(ShellExt, AStatusOfAnyLengthIsReadWholeAsKivuutilReadsIt) {
    const std::vector<std::string> shipped = ShippedMenuTexts();
    std::string status(1500, '1');
    status[12 - 1] = '0';
    status[97 - 1] = '0';
    Set("status", status);
    ASSERT_EQ(kivu::LoadMenuStatus(), status);  // kivuutil's side
    auto host = Menu({dir.Write("a.txt")});
    std::vector<std::string> expected, shown;
    for (int n = 11; n <= 98; ++n)
        if (!LangText("English", n).empty() && kivu::MenuFlag(kivu::LoadMenuStatus(), n))
            expected.push_back(LangText("English", n));
    for (const auto& l : AtDepth(lines, 0)) shown.push_back(Plain(l.text));
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(std::find(shown.begin(), shown.end(), LangText("English", 12)), shown.end());
    EXPECT_EQ(std::find(shown.begin(), shown.end(), LangText("English", 97)), shown.end());
    EXPECT_EQ(shown.size() + 2, shipped.size());
}

// Sets a file's last write time: the handler keeps its menu by these.
void SetWriteTime(const std::string& path, const FILETIME& time) {
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    SetFileTime(h, nullptr, nullptr, &time);
    CloseHandle(h);
}

FILETIME SecondsFromNow(long long seconds) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart += seconds * 10000000LL;
    return {t.LowPart, t.HighPart};
}

TEST_F(ShellExt, AMenuIsKeptOnlyWhileTheKeyAndTheFilesKeepTheirTimes) {
    auto reads = reinterpret_cast<long (*)()>(reinterpret_cast<void*>(GetProcAddress(module, "KivuLanguageFileReads")));
    ASSERT_TRUE(reads);
    const std::string file = dir.Write("a.txt"), folders = InWindows("kivupfade.txt");
    const auto folderMenu = [&] {
        auto host = Menu({file});
        std::vector<std::string> texts;
        for (const auto& l : SubmenuOf(lines, LangText("English", 15))) texts.push_back(l.text);
        return texts;
    };
    // No menu key (defaults) and files written an hour ago: the second menu reads nothing.
    const FILETIME hourAgo = SecondsFromNow(-3600);
    SetWriteTime(InWindows("kivulanguage.ini"), hourAgo);
    WriteFile(folders, "c:\\one\r\n");
    SetWriteTime(folders, hourAgo);
    EXPECT_EQ(folderMenu(), std::vector<std::string>{"c:\\one"});
    long before = reads();
    EXPECT_EQ(folderMenu(), std::vector<std::string>{"c:\\one"});
    EXPECT_EQ(reads(), before);

    // Same size, another time: read again.
    WriteFile(folders, "c:\\two\r\n");
    SetWriteTime(folders, SecondsFromNow(-3500));
    EXPECT_EQ(folderMenu(), std::vector<std::string>{"c:\\two"});
    EXPECT_EQ(reads(), before + 1);

    // A time stamp that is only just written is not trusted: a second write
    // of the same size in the same tick must still show.
    const FILETIME now = SecondsFromNow(0);
    WriteFile(folders, "c:\\aaa\r\n");
    SetWriteTime(folders, now);
    EXPECT_EQ(folderMenu(), std::vector<std::string>{"c:\\aaa"});
    WriteFile(folders, "c:\\bbb\r\n");
    SetWriteTime(folders, now);
    EXPECT_EQ(folderMenu(), std::vector<std::string>{"c:\\bbb"});
    DeleteFileA(folders.c_str());
    EXPECT_TRUE(folderMenu().empty());

    // The key: a value set, changed, the key deleted and made again.
    Set("ExSubMenu", "1");
    Sleep(2100);  // no signal but time: the handler trusts a time stamp once it is 2 s old
    Menu({file});
    ASSERT_EQ(AtDepth(lines, 0).size(), 1u);
    before = reads();
    Menu({file});
    EXPECT_EQ(AtDepth(lines, 0).size(), 1u);
    EXPECT_EQ(reads(), before);
    Set("ExSubMenu", "0");
    Menu({file});
    EXPECT_GT(AtDepth(lines, 0).size(), 1u);
    kivu::DeleteRegKey(HKEY_CURRENT_USER, "software\\kivu");
    Set("ExSubMenu", "1");
    Menu({file});
    EXPECT_EQ(AtDepth(lines, 0).size(), 1u);
    kivu::DeleteRegKey(HKEY_CURRENT_USER, "software\\kivu");
    Menu({file});
    EXPECT_GT(AtDepth(lines, 0).size(), 1u);
}

TEST_F(ShellExt, ANarrowIdRangeGetsOnlyTheCommandsThatFitAndLeavesOtherHostsTheWholeMenu) {
    WriteFile(InWindows("kivuprogs.txt"), "One|c:\\one.exe|\r\nTwo|c:\\two.exe|\r\n");
    auto host = Menu({dir.Write("a.txt")});
    const auto all = HRESULT_CODE(lastResult);
    ASSERT_GT(all, 5);
    // Other handlers took most ids: five are left, from 200 on.
    for (UINT last : {204u, 0x7FFFu, 204u}) {
        HMENU menu = CreatePopupMenu();
        const HRESULT hr = host->handler()->QueryContextMenu(menu, 0, 200, last, CMF_NORMAL);
        const auto items = shellhost::ReadMenu(menu);
        DestroyMenu(menu);
        SCOPED_TRACE(last);
        EXPECT_EQ(HRESULT_CODE(hr), last == 204u ? 5 : all);
        for (const auto& l : items)
            if (!l.separator && !l.popup && !l.disabled) {
                EXPECT_GE(l.id, 200u);
                EXPECT_LE(l.id, last);
            }
    }
    // The verbs follow the menu built last.
    EXPECT_EQ(host->InvokeVerb("kivu.update"), E_INVALIDARG);
}

TEST_F(ShellExt, CommandStringsAnswerTheFormAskedForCutToTheHostsBuffer) {
    WritePrivateProfileStringA("Language", "Current", "German", "kivulanguage.ini");
    auto host = Menu({dir.Write("a.txt")});
    const std::string help = Plain(LangText("German", 19));
    ASSERT_EQ(help, "Dateien auswählen");  // a letter beyond ASCII
    const UINT_PTR id = static_cast<UINT_PTR>(OffsetOf(help));
    IContextMenu* menu = host->handler();
    const auto ansi = [&](UINT type, UINT size) {
        std::string buf(size + 4, '#');
        const HRESULT hr = menu->GetCommandString(id, type, nullptr, buf.data(), size);
        EXPECT_EQ(buf.substr(size), "####") << "written beyond the buffer";
        return hr == S_OK ? std::string(buf.c_str()) : "<failed>";
    };
    const auto wide = [&](UINT type, UINT size) {
        std::wstring buf(size + 4, L'#');
        const HRESULT hr = menu->GetCommandString(id, type, nullptr, reinterpret_cast<char*>(buf.data()), size);
        EXPECT_EQ(buf.substr(size), L"####") << "written beyond the buffer";
        return hr == S_OK ? std::wstring(buf.c_str()) : L"<failed>";
    };
    EXPECT_EQ(ansi(GCS_VERBA, 64), "kivu.select");
    EXPECT_EQ(wide(GCS_VERBW, 64), L"kivu.select");
    // An ANSI host reads its own code page (Windows-1252 here), not our UTF-8.
    EXPECT_EQ(ansi(GCS_HELPTEXTA, 64), "Dateien ausw\xE4hlen");
    EXPECT_EQ(wide(GCS_HELPTEXTW, 64), L"Dateien ausw\u00E4hlen");
    // Exactly as long as the buffer holds with its terminator, and one shorter.
    EXPECT_EQ(ansi(GCS_VERBA, 12), "kivu.select");
    EXPECT_EQ(wide(GCS_VERBW, 12), L"kivu.select");
    EXPECT_EQ(ansi(GCS_VERBA, 11), "kivu.selec");
    EXPECT_EQ(wide(GCS_VERBW, 11), L"kivu.selec");
    EXPECT_EQ(ansi(GCS_HELPTEXTA, 14), "Dateien ausw\xE4");
    EXPECT_EQ(wide(GCS_HELPTEXTW, 14), L"Dateien ausw\u00E4");
    EXPECT_EQ(wide(GCS_HELPTEXTW, 1), L"");
    // Validation names no text; an id beyond the menu, an empty buffer and an
    // unknown kind are refused.
    EXPECT_EQ(menu->GetCommandString(id, GCS_VALIDATEA, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(menu->GetCommandString(id, GCS_VALIDATEW, nullptr, nullptr, 0), S_OK);
    char buf[8] = {};
    EXPECT_EQ(menu->GetCommandString(999, GCS_VALIDATEW, nullptr, nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(menu->GetCommandString(999, GCS_VERBA, nullptr, buf, sizeof buf), E_INVALIDARG);
    EXPECT_EQ(menu->GetCommandString(id, GCS_VERBW, nullptr, buf, 0), E_INVALIDARG);
    EXPECT_EQ(menu->GetCommandString(id, 0x20, nullptr, buf, sizeof buf), E_INVALIDARG);
}

TEST_F(ShellExt, HugeAndBrokenListFilesGiveABoundedMenu) {
    std::string programs;
    for (int i = 0; programs.size() < (4 << 20); ++i)
        programs += "Program " + std::to_string(i) + "|c:\\p\\" + std::to_string(i) + ".exe|c:\\p\\\r\n";
    WriteFile(InWindows("kivuprogs.txt"), programs);
    WriteFile(InWindows("kivupfade.txt"), std::string(1 << 20, 'x') + "\r\n-\r\n" + std::string("a\0b\x1a\xff", 5));
    std::string noise;
    for (int i = 0; i < 100000; ++i) noise += static_cast<char>((i * 7919) % 256);
    WriteFile(InWindows("kivuftp.txt"), noise);
    auto host = Menu({dir.Write("a.txt")});
    ASSERT_TRUE(SUCCEEDED(lastResult));
    EXPECT_EQ(SubmenuOf(lines, LangText("English", 16)).size(), 100u);
    for (const auto& l : lines) EXPECT_LE(l.text.size(), 400u) << l.text.substr(0, 40);
    // Every command still has its id, right after the lists.
    ASSERT_GE(OffsetOf("Live update"), 100);
}

TEST_F(ShellExt, ListsWithNamesBeyondTheCodePageAndOldSingleByteListsFeedTheSubmenus) {
    // Written by kivuutil's store: UTF-8 with its mark.
    kivu::SaveFolders({"C:\\Καλημέρα", "-", "D:\\写真_旅行\\party🎉"});
    kivu::SavePrograms({{"写真 viewer", "c:\\view.exe", "c:\\"}});
    kivu::SaveFtpSites({{"Καλημέρα 🎉", "ftp.example.com"}});
    ASSERT_EQ(ReadFile(InWindows("kivupfade.txt")).substr(0, 3), "\xEF\xBB\xBF");
    auto host = Menu({dir.Write("a.txt")});
    std::vector<std::string> folders, programs, sites;
    for (const auto& l : SubmenuOf(lines, LangText("English", 15))) folders.push_back(l.separator ? "-" : l.text);
    for (const auto& l : SubmenuOf(lines, LangText("English", 16))) programs.push_back(l.text);
    for (const auto& l : SubmenuOf(lines, LangText("English", 17))) sites.push_back(l.text);
    EXPECT_EQ(folders, (std::vector<std::string>{"C:\\Καλημέρα", "-", "D:\\写真_旅行\\party🎉"}));
    EXPECT_EQ(programs, std::vector<std::string>{"写真 viewer"});
    EXPECT_EQ(sites, std::vector<std::string>{"Καλημέρα 🎉"});

    // A list file of an older kivuutil: single bytes of the code page.
    if (GetACP() != 1252) GTEST_SKIP() << "the system's code page is " << GetACP();
    WriteFile(InWindows("kivupfade.txt"), "c:\\gr\xFC\xDF" "e\r\nc:\\\x80\r\n");
    host = Menu({dir.Write("a.txt")});
    folders.clear();
    for (const auto& l : SubmenuOf(lines, LangText("English", 15))) folders.push_back(l.text);
    EXPECT_EQ(folders, (std::vector<std::string>{"c:\\grüße", "c:\\€"}));
}

TEST_F(ShellExt, TheShippedUtf16LanguageFileAndAnOldSingleByteOneGiveTheGermanMenu) {
    const std::string language = InWindows("kivulanguage.ini");
    ASSERT_EQ(ReadFile(language).substr(0, 2), "\xFF\xFE");
    ASSERT_TRUE(WritePrivateProfileStringW(L"Language", L"Current", L"German", L"kivulanguage.ini"));
    const auto topTexts = [&] {
        std::vector<std::string> texts;
        for (const auto& l : AtDepth(lines, 0)) texts.push_back(Plain(l.text));
        return texts;
    };
    const auto has = [](const std::vector<std::string>& texts, const std::string& text) {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    };
    auto host = Menu({dir.Write("a.txt")});
    auto texts = topTexts();
    EXPECT_TRUE(has(texts, "Eingabeaufforderung hier öffnen"));
    EXPECT_TRUE(has(texts, "Dateien auswählen"));
    EXPECT_TRUE(has(texts, "KIVU Menü konfigurieren"));
    EXPECT_FALSE(has(texts, "Configure KIVU menu"));

    // The file as an older version shipped it, in single bytes of the code page.
    if (GetACP() != 1252) GTEST_SKIP() << "the system's code page is " << GetACP();
    LanguageFileAside aside;
    ASSERT_TRUE(aside.moved());
    WriteFile(language, "[Language]\r\nCurrent=German\r\n[German]\r\n14=Eingabeaufforderung hier \xF6" "ffnen\r\n"
                        "96=KIVU Men\xFC konfigurieren\r\n");
    host = Menu({dir.Write("a.txt")});
    texts = topTexts();
    EXPECT_TRUE(has(texts, "Eingabeaufforderung hier öffnen"));
    EXPECT_TRUE(has(texts, "KIVU Menü konfigurieren"));
    EXPECT_TRUE(has(texts, "Select files"));  // the rest in the shipped English
}
