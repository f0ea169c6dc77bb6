#include "app/uninstall.h"

#include <windows.h>

#include <string>

#include "common/extensionkeys.h"
#include "common/kivulanguage.h"
#include "common/reg.h"
#include "common/text.h"
#include "common/windir.h"

namespace kivu {

namespace {

constexpr const char* kFiles[] = {
    "kivumenu.dll",   "kivumenu.reg",    "kivupfade.txt",    "kivuprogs.txt",
    "kivureadme.txt", "kivumanual.txt",  "kivulist.bat",     "kivumanual.html",
    "kivulanguage.ini", "kivuutil.exe",  "kivuftp.txt",
};

constexpr const char* kRunOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

std::string Expand(const char* text) {
    const std::wstring source = Widen(text);
    std::wstring out(256, L'\0');
    DWORD n = ExpandEnvironmentStringsW(source.c_str(), out.data(), static_cast<DWORD>(out.size()));
    if (n > out.size()) {  // longer than the usual buffer: expand it whole rather than cut it
        out.assign(n, L'\0');
        n = ExpandEnvironmentStringsW(source.c_str(), out.data(), n);
    }
    if (n == 0) return text;
    out.resize(n - 1);
    return Narrow(out);
}

}  // namespace

void Uninstall() {
    MessageBeep(MB_ICONQUESTION);
    // Enter alone must not remove anything: No is the default.
    if (MessageBoxW(nullptr, Widen(GetLangString(10001)).c_str(), Widen(GetLangString(10002)).c_str(),
                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;

    // Read before the class key goes: the parents that installing created.
    const std::string created = ReadRegString(HKEY_CLASSES_ROOT, ClassKey(), kCreatedKeysValue, "");
    RemoveExtensionKeys(HKEY_CLASSES_ROOT);  // the handler keys of each parent, then the class key
    DeleteRecordedKeys(created);

    const std::string windir = WindowsDirectory();
    // Files in use (this program, the handler in the file manager) stay; the
    // one-time commands below take them at the next logon.
    if (!windir.empty())
        for (const char* file : kFiles) DeleteFileW(Widen(windir + "\\" + file).c_str());

    const std::string comspec = Expand("%comspec%");

    DeleteRegKey(HKEY_CURRENT_USER, "software\\kivu\\");
    DeleteRegKey(HKEY_CURRENT_USER, "Software\\KIVU\\Starter\\");
    DeleteRegValue(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "KIVUStarter");
    RemoveExtensionKeys(HKEY_LOCAL_MACHINE);  // the approval, then the installed-programs entry

    // Without the Windows directory the commands would name files in the root.
    if (windir.empty()) return;
    WriteRegString(HKEY_LOCAL_MACHINE, kRunOnce, "removekivuutil", comspec + " /cdel " + windir + "\\kivuutil.exe");
    WriteRegString(HKEY_LOCAL_MACHINE, kRunOnce, "removekivudll", comspec + " /cdel " + windir + "\\kivumenu.dll");
}

}  // namespace kivu
