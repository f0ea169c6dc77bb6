// The product from nothing to nothing: kivusetup.exe /S into a fresh
// prefix, the menu used through the menu host, then the uninstall command
// of the installed-programs entry answered with Yes. Afterwards the
// registry and the Windows directory equal a snapshot from before the
// install. Runs in a Wine prefix of its own.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <map>
#include <set>

#include "common/classid.h"
#include "common/reg.h"
#include "common/windir.h"
#include "tests/win/support/winsupport.h"

using namespace testsupport;

namespace {

constexpr const char* kUninstall = kivu::kUninstallKey;
constexpr const char* kRunOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

// The keys and values below a key, as "path" and "path\name=type:data"
// lines, down to maxDepth levels (the keys at that level by name only).
void SnapshotKey(HKEY root, const std::string& path, std::set<std::string>& out, int maxDepth, int depth = 0) {
    out.insert(path);
    HKEY key = nullptr;
    if (depth >= maxDepth || RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    char name[16384];
    std::vector<BYTE> data(1 << 16);
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = sizeof name, dataLen = static_cast<DWORD>(data.size()), type = 0;
        const LONG r = RegEnumValueA(key, i, name, &nameLen, nullptr, &type, data.data(), &dataLen);
        if (r == ERROR_NO_MORE_ITEMS || i > 100000) break;
        if (r != ERROR_SUCCESS) continue;
        out.insert(path + "\\" + std::string(name, nameLen) + "=" + std::to_string(type) + ":" +
                   std::string(reinterpret_cast<char*>(data.data()), dataLen));
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = sizeof name;
        const LONG r = RegEnumKeyExA(key, i, name, &nameLen, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS || i > 100000) break;
        if (r == ERROR_SUCCESS) subkeys.emplace_back(name, nameLen);
    }
    RegCloseKey(key);
    for (const auto& s : subkeys)
        SnapshotKey(root, path.empty() ? s : path + "\\" + s, out, maxDepth, depth + 1);
}

// Every file below a folder with its size.
void SnapshotFiles(const std::string& folder, std::set<std::string>& out, int depth = 0) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out.insert(path + "\\");
            if (depth < 12) SnapshotFiles(path, out, depth + 1);
        } else {
            out.insert(path + " " + std::to_string(data.nFileSizeLow));
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

struct Snapshot {
    std::set<std::string> lines;
    // Where a shell extension and its program can write, in full; the big
    // trees around them by their keys' names.
    static Snapshot Take() {
        Snapshot s;
        struct Scope {
            const char* label;
            HKEY root;
            std::string path;
            int depth;
        };
        constexpr int kAll = 64;
        const Scope scopes[] = {
            {"HKCR", HKEY_CLASSES_ROOT, "", 1},
            {"HKCR", HKEY_CLASSES_ROOT, "*", kAll},
            {"HKCR", HKEY_CLASSES_ROOT, "Folder", kAll},
            {"HKCR", HKEY_CLASSES_ROOT, "Drive", kAll},
            {"HKCR", HKEY_CLASSES_ROOT, "Directory", kAll},
            {"HKCR", HKEY_CLASSES_ROOT, "CLSID", 1},
            {"HKCR", HKEY_CLASSES_ROOT, std::string("CLSID\\") + kivu::kClassIdText, kAll},
            {"HKLM", HKEY_LOCAL_MACHINE, "Software", 2},
            {"HKLM", HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", kAll},
            {"HKCU", HKEY_CURRENT_USER, "Software", 2},
            {"HKCU", HKEY_CURRENT_USER, "Software\\kivu", kAll},
            {"HKCU", HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion", kAll},
        };
        for (const Scope& scope : scopes) {
            std::set<std::string> part;
            SnapshotKey(scope.root, scope.path, part, scope.depth);
            for (const auto& l : part) s.lines.insert(std::string(scope.label) + "\\" + l);
        }
        SnapshotFiles(kivu::WindowsDirectory(), s.lines);
        return s;
    }
};

// What changes in a prefix without anyone installing anything: the system's
// own bookkeeping while programs run.
bool Volatile(const std::string& line) {
    static const char* const kPrefixes[] = {
        "HKLM\\Software\\Wine",     "HKCU\\Software\\Wine", "HKLM\\System\\CurrentControlSet\\Control\\Session Manager",
        "HKLM\\Hardware",           "HKLM\\HARDWARE",       "HKLM\\System\\CurrentControlSet\\Services",
        "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Perflib",
        "HKCU\\Volatile Environment", "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager",
    };
    for (const char* p : kPrefixes)
        if (line.rfind(p, 0) == 0) return true;
    const std::string temp = kivu::WindowsDirectory() + "\\temp\\";
    if (line.size() >= temp.size() && _strnicmp(line.c_str(), temp.c_str(), temp.size()) == 0) return true;
    return false;
}

std::vector<std::string> Difference(const std::set<std::string>& a, const std::set<std::string>& b) {
    std::vector<std::string> out;
    for (const auto& l : a)
        if (!b.count(l) && !Volatile(l)) out.push_back(l);
    return out;
}

// Runs a command line and waits for it; the exit code, or -1. Its output
// goes to a file: a pipe would stay open in the system processes it starts.
int RunAndWait(std::string commandLine, DWORD ms, std::string* output = nullptr) {
    char temp[MAX_PATH], outName[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    GetTempFileNameA(temp, "out", 0, outName);
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE out = CreateFileA(outName, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &sa,
                             CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = out;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    const BOOL started =
        CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(out);
    DWORD code = static_cast<DWORD>(-1);
    if (started) {
        if (WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
        else TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    if (output) {
        HANDLE in = CreateFileA(outName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
        char buf[4096];
        DWORD n = 0;
        while (in != INVALID_HANDLE_VALUE && ReadFile(in, buf, sizeof buf, &n, nullptr) && n) output->append(buf, n);
        if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
    }
    DeleteFileA(outName);
    return static_cast<int>(code);
}

}  // namespace

TEST(Install, SilentInstallGivesAWorkingMenuAndUninstallLeavesNothingBehind) {
    const std::string windir = kivu::WindowsDirectory();
    // A prefix that never saw the product: the test set-up puts a language file there.
    DeleteFileA((windir + "\\kivulanguage.ini").c_str());
    const Snapshot before = Snapshot::Take();

    ASSERT_EQ(RunAndWait("\"" + ExeDir() + "kivusetup.exe\" /S", 60000), 0);
    for (const char* f : {"kivuutil.exe", "kivumenu.dll", "kivulanguage.ini", "kivureadme.txt"})
        EXPECT_NE(GetFileAttributesA((windir + "\\" + f).c_str()), INVALID_FILE_ATTRIBUTES) << f;
    const std::string uninstall = kivu::ReadRegString(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString", "");
    EXPECT_EQ(uninstall, windir + "\\kivuutil.exe 666");

    // Use it as the file manager would, from another process.
    TempDir files;
    const std::string file = files.Write("report.txt");
    std::string menu;
    EXPECT_EQ(RunAndWait("\"" + ExeDir() + "menuhost.exe\" --invoke kivu.newfolder \"" + file + "\"", 30000, &menu),
              0)
        << menu;
    EXPECT_NE(menu.find("[bmp] R&ename / properties"), std::string::npos) << menu;
    EXPECT_NE(menu.find("#0 = kivu.copypath"), std::string::npos) << menu;
    EXPECT_NE(GetFileAttributesA((files.path() + "New folder").c_str()), INVALID_FILE_ATTRIBUTES);
    RemoveDirectoryA((files.path() + "New folder").c_str());
    // The user's settings that uninstall must take along.
    kivu::WriteRegString(HKEY_CURRENT_USER, "software\\kivu\\menu", "ExSubMenu", "1");

    // The installed-programs entry's command, answered with Yes.
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string line = uninstall;
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    HWND box = WaitForWindow({"#32770", nullptr, pi.dwProcessId}, std::chrono::seconds(20));
    EXPECT_TRUE(box);
    if (box) PostMessageA(box, WM_COMMAND, IDYES, 0);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);

    // The next logon: the system runs and removes each one-time command.
    std::set<std::string> runOnce;
    SnapshotKey(HKEY_LOCAL_MACHINE, kRunOnce, runOnce, 1);
    for (const char* name : {"removekivuutil", "removekivudll"}) {
        std::string command = kivu::ReadRegString(HKEY_LOCAL_MACHINE, kRunOnce, name, "");
        EXPECT_FALSE(command.empty()) << name;
        kivu::DeleteRegValue(HKEY_LOCAL_MACHINE, kRunOnce, name);
        if (!command.empty()) RunAndWait(command, 20000);
    }

    const Snapshot after = Snapshot::Take();
    const auto left = Difference(after.lines, before.lines);
    const auto lost = Difference(before.lines, after.lines);
    std::string report;
    for (const auto& l : left) report += "  left: " + l.substr(0, 200) + "\n";
    for (const auto& l : lost) report += "  lost: " + l.substr(0, 200) + "\n";
    EXPECT_TRUE(left.empty() && lost.empty()) << report;
}
