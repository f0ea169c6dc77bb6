// Mode 666 from end to end. It removes the language file and every key of
// the extension, so this program runs in a Wine prefix of its own.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>  // after windows.h

#include "common/reg.h"
#include "tests/win/support/winsupport.h"
#include "tools/standin.h"

using namespace testsupport;

namespace {

constexpr const char* kClsid = "{2D1D33E0-8A8F-11D1-9626-444553540000}";
constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr const char* kApproved = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr const char* kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

struct Key {
    HKEY root;
    std::string path;
};

// The keys uninstall removes, each planted with a value and a subkey below it.
std::vector<Key> ExtensionKeys() {
    std::vector<Key> keys;
    for (const std::string parent : {"*", "Folder", "Drive"}) {
        keys.push_back({HKEY_CLASSES_ROOT, parent + "\\shellex\\ContextMenuHandlers\\" + kClsid});
        keys.push_back({HKEY_CLASSES_ROOT, parent + "\\shellex\\ContextMenuHandlers\\KIVU"});
    }
    keys.push_back({HKEY_CLASSES_ROOT, std::string("CLSID\\") + kClsid});
    keys.push_back({HKEY_CURRENT_USER, "software\\kivu\\menu"});
    keys.push_back({HKEY_CURRENT_USER, "Software\\KIVU\\Starter\\Editor"});
    keys.push_back({HKEY_CURRENT_USER, "software\\kivu"});
    keys.push_back({HKEY_LOCAL_MACHINE, std::string(kUninstall) + "\\KIVUMENU"});
    return keys;
}

// Neighbours of everything removed: these must survive.
std::vector<Key> NeighbourKeys() {
    return {{HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\OtherHandler"},
            {HKEY_CLASSES_ROOT, "Folder\\shellex\\ContextMenuHandlers\\OtherHandler"},
            {HKEY_CLASSES_ROOT, "Drive\\shellex\\ContextMenuHandlers\\OtherHandler"},
            {HKEY_CLASSES_ROOT, "CLSID\\{2D1D33E0-8A8F-11D1-9626-444553540001}"},
            {HKEY_CURRENT_USER, "software\\kivuother"},
            {HKEY_LOCAL_MACHINE, std::string(kUninstall) + "\\KIVUOTHER"}};
}

struct Value {
    HKEY root;
    std::string key, name;
};

std::vector<Value> NeighbourValues() {
    return {{HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers", "keep"},
            {HKEY_CURRENT_USER, "software", "keep"},
            {HKEY_LOCAL_MACHINE, kRun, "OtherStarter"},
            {HKEY_LOCAL_MACHINE, kApproved, "{2D1D33E0-8A8F-11D1-9626-444553540001}"},
            {HKEY_LOCAL_MACHINE, kRunOnce, "otherjob"}};
}

const char* const kFiles[] = {"kivumenu.dll",   "kivumenu.reg",   "kivupfade.txt",   "kivuprogs.txt",
                              "kivureadme.txt", "kivumanual.txt", "kivulist.bat",    "kivumanual.html",
                              "kivulanguage.ini", "kivuutil.exe", "kivuftp.txt"};

std::string WindowsDir() {
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, MAX_PATH);
    return dir;
}

bool KeyExists(const Key& k) {
    HKEY h = nullptr;
    if (RegOpenKeyExA(k.root, k.path.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
}

bool ValueExists(HKEY root, const std::string& key, const std::string& name) {
    return kivu::ReadRegString(root, key, name, "\x01missing") != "\x01missing";
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadFileText(const std::string& path) {
    std::string text;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return text;
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n) text.append(buf, n);
    CloseHandle(h);
    return text;
}

class Uninstall : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The prefix's own language file, as the installer left it; put back before every test.
        languageFile() = ReadFileText(WindowsDir() + "\\kivulanguage.ini");
    }
    static std::string& languageFile() {
        static std::string text;
        return text;
    }

    void SetUp() override {
        ASSERT_FALSE(languageFile().empty()) << "the prefix has no language file";
        for (const Key& k : ExtensionKeys()) {
            kivu::WriteRegString(k.root, k.path, "", "planted");
            kivu::WriteRegString(k.root, k.path + "\\Sub\\Deeper", "v", "planted");
        }
        for (const Key& k : NeighbourKeys()) kivu::WriteRegString(k.root, k.path, "", "neighbour");
        for (const Value& v : NeighbourValues()) kivu::WriteRegString(v.root, v.key, v.name, "neighbour");
        kivu::WriteRegString(HKEY_LOCAL_MACHINE, kRun, "KIVUStarter", "kivuutil.exe 3 start");
        kivu::WriteRegString(HKEY_LOCAL_MACHINE, kApproved, kClsid, "KIVU Menu");
        kivu::DeleteRegValue(HKEY_LOCAL_MACHINE, kRunOnce, "removekivuutil");
        kivu::DeleteRegValue(HKEY_LOCAL_MACHINE, kRunOnce, "removekivudll");
        for (const char* f : kFiles) {
            const std::string path = WindowsDir() + "\\" + f;
            HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
            const std::string text = std::string(f) == "kivulanguage.ini" ? languageFile() : "planted";
            DWORD written = 0;
            WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
            CloseHandle(h);
        }
        neighbourFile = WindowsDir() + "\\kivuother.txt";
        HANDLE h = CreateFileA(neighbourFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(h);
    }

    // Starts "kivuutil 666", answers the question with `button` (kEnter: the
    // Enter key on the button that has the focus) and waits for the end.
    // Returns the question's text; `caption` gets its caption.
    static constexpr int kEnter = 0;
    std::string RunAnswering(int button, std::string* caption = nullptr) {
        standin::Handler handler(ExeDir() + "kivuutil.exe");
        EXPECT_TRUE(handler.Start("666"));
        HWND box = nullptr;
        EXPECT_TRUE(WaitUntil([&] {
            const auto boxes = FindTopWindows("#32770", nullptr, handler.ProcessId());
            box = boxes.empty() ? nullptr : boxes[0];
            return box && IsWindowVisible(box);
        }));
        if (!box) return {};
        const std::string text = MessageBoxText(box);
        if (caption) *caption = WindowText(box);
        // Yes and No, nothing else.
        EXPECT_TRUE(GetDlgItem(box, IDYES));
        EXPECT_TRUE(GetDlgItem(box, IDNO));
        EXPECT_FALSE(GetDlgItem(box, IDOK));
        EXPECT_FALSE(GetDlgItem(box, IDCANCEL));
        if (button == kEnter) {
            // Through the box's own message loop and its dialog keys, as a key press goes.
            HWND focus = nullptr;
            EXPECT_TRUE(WaitUntil([&] { return (focus = FocusOf(box)) != nullptr; }));
            EXPECT_EQ(focus, GetDlgItem(box, IDNO)) << "the focus starts on " << WindowText(focus);
            PostMessageA(focus, WM_KEYDOWN, VK_RETURN, 0);
            PostMessageA(focus, WM_KEYUP, VK_RETURN, 0);
        } else {
            PostMessageA(box, WM_COMMAND, button, 0);
        }
        if (button == IDYES) afterYes(handler);
        DWORD code = 1;
        EXPECT_TRUE(handler.WaitExit(15000, &code));
        EXPECT_EQ(code, 0u);
        return text;
    }
    std::function<void(standin::Handler&)> afterYes = [](standin::Handler&) {};

    void ExpectNeighboursKept() {
        for (const Key& k : NeighbourKeys()) EXPECT_TRUE(KeyExists(k)) << k.path;
        for (const Value& v : NeighbourValues()) EXPECT_TRUE(ValueExists(v.root, v.key, v.name)) << v.key << " " << v.name;
        EXPECT_TRUE(FileExists(neighbourFile));
    }

    void ExpectEverythingRemoved() {
        for (const Key& k : ExtensionKeys()) EXPECT_FALSE(KeyExists(k)) << k.path;
        EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kRun, "KIVUStarter"));
        EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kApproved, kClsid));
        for (const char* f : kFiles) EXPECT_FALSE(FileExists(WindowsDir() + "\\" + f)) << f;
        ExpectNeighboursKept();
    }

    void ExpectOneTimeCommands() {
        char comspec[MAX_PATH];
        ASSERT_TRUE(ExpandEnvironmentStringsA("%comspec%", comspec, MAX_PATH));
        EXPECT_EQ(kivu::ReadRegString(HKEY_LOCAL_MACHINE, kRunOnce, "removekivuutil", ""),
                  std::string(comspec) + " /cdel " + WindowsDir() + "\\kivuutil.exe");
        EXPECT_EQ(kivu::ReadRegString(HKEY_LOCAL_MACHINE, kRunOnce, "removekivudll", ""),
                  std::string(comspec) + " /cdel " + WindowsDir() + "\\kivumenu.dll");
    }

    std::string neighbourFile;
};

}  // namespace

TEST_F(Uninstall, NoChangesNothing) {
    std::string caption;
    EXPECT_EQ(RunAnswering(IDNO, &caption), "Do you really want to remove the KIVU menu extension from this system?");
    EXPECT_EQ(caption, "Uninstall KIVU");
    for (const Key& k : ExtensionKeys()) EXPECT_TRUE(KeyExists(k)) << k.path;
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kRun, "KIVUStarter"));
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kApproved, kClsid));
    for (const char* f : kFiles) EXPECT_TRUE(FileExists(WindowsDir() + "\\" + f)) << f;
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kRunOnce, "removekivuutil"));
    ExpectNeighboursKept();
}

TEST_F(Uninstall, EnterAloneAnswersNo) {
    RunAnswering(kEnter);
    for (const Key& k : ExtensionKeys()) EXPECT_TRUE(KeyExists(k)) << k.path;
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kApproved, kClsid));
    for (const char* f : kFiles) EXPECT_TRUE(FileExists(WindowsDir() + "\\" + f)) << f;
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kRunOnce, "removekivuutil"));
}

TEST_F(Uninstall, YesRemovesEverythingAndASecondRunOnlyWritesTheCommandsAgain) {
    RunAnswering(IDYES);
    ExpectEverythingRemoved();
    ExpectOneTimeCommands();

    // Again, with nothing left to remove (not even the language file, so the question has no text).
    kivu::DeleteRegValue(HKEY_LOCAL_MACHINE, kRunOnce, "removekivuutil");
    kivu::DeleteRegValue(HKEY_LOCAL_MACHINE, kRunOnce, "removekivudll");
    EXPECT_EQ(RunAnswering(IDYES), "");
    ExpectEverythingRemoved();
    ExpectOneTimeCommands();
}

TEST_F(Uninstall, ARefusedWriteIsReportedAfterTheRemovals) {
    // Nobody may change the one-time command list.
    PSECURITY_DESCRIPTOR denied = nullptr, open = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(D;;0x0006;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1,
                                                                     &denied, nullptr));
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;KA;;;WD)", SDDL_REVISION_1, &open, nullptr));
    HKEY runOnce = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOnce, 0, WRITE_DAC, &runOnce), ERROR_SUCCESS);
    ASSERT_EQ(RegSetKeySecurity(runOnce, DACL_SECURITY_INFORMATION, denied), ERROR_SUCCESS);

    std::string errorText, errorCaption;
    afterYes = [&](standin::Handler& handler) {
        HWND box = nullptr;
        EXPECT_TRUE(WaitUntil([&] {
            for (HWND w : FindTopWindows("#32770", nullptr, handler.ProcessId()))
                if (IsWindowVisible(w) && WindowText(w) == "KIVUUtil") box = w;
            return box != nullptr;
        })) << "no error display";
        if (!box) return;
        errorText = MessageBoxText(box);
        errorCaption = WindowText(box);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    };
    RunAnswering(IDYES);
    RegSetKeySecurity(runOnce, DACL_SECURITY_INFORMATION, open);
    RegCloseKey(runOnce);
    LocalFree(denied);
    LocalFree(open);

    EXPECT_EQ(errorText, std::string("Erzeugung von Schlüssel ") + kRunOnce + " misslungen.");
    ExpectEverythingRemoved();
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kRunOnce, "removekivuutil"));
}
