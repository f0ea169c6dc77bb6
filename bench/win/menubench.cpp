// QueryContextMenu of kivumenu.dll, the call behind every right-click:
// median of 100 calls with 30 and with 50 entries in each list file, against
// the same host calling a handler that adds one fixed item and one that adds
// the same menu as kivumenu from constants (what building the menu costs
// anyway); the first menu after the files changed; and how often the
// language file is read per menu. Registers the library for the run.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "common/classid.h"
#include "common/dib.h"
#include "common/handles.h"
#include "common/windir.h"
#include "tests/win/support/winsupport.h"
#include "tools/shellhost.h"

namespace {

constexpr int kCalls = 100;

// The baseline: a handler that adds one fixed item and reads nothing.
class OneItem final : public IContextMenu {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        *out = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IContextMenu) ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT first, UINT, UINT) override {
        InsertMenuA(menu, index, MF_BYPOSITION | MF_STRING, first, "One fixed item");
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1);
    }
    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO*) override { return S_OK; }
    STDMETHODIMP GetCommandString(UINT_PTR, UINT, UINT*, CHAR*, UINT) override { return E_NOTIMPL; }
};

// The other baseline: the menu kivumenu built, inserted from constants.
class SameMenu final : public IContextMenu {
public:
    explicit SameMenu(std::vector<shellhost::MenuLine> lines) : lines_(std::move(lines)) {
        const BITMAPINFO bi = kivu::TopDown32(16, 16);
        void* bits = nullptr;
        bitmap_.reset(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    }
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        *out = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IContextMenu) ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT first, UINT, UINT) override {
        size_t next = 0;
        Insert(menu, index, 0, next, first);
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, static_cast<USHORT>(lines_.size()));
    }
    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO*) override { return S_OK; }
    STDMETHODIMP GetCommandString(UINT_PTR, UINT, UINT*, CHAR*, UINT) override { return E_NOTIMPL; }

private:
    void Insert(HMENU menu, UINT position, int depth, size_t& next, UINT first) {
        while (next < lines_.size() && lines_[next].depth == depth) {
            const auto& line = lines_[next++];
            MENUITEMINFOA mii{};
            mii.cbSize = sizeof mii;
            if (line.separator) {
                mii.fMask = MIIM_FTYPE;
                mii.fType = MFT_SEPARATOR;
            } else {
                mii.fMask = MIIM_STRING | MIIM_STATE | MIIM_ID;
                mii.dwTypeData = const_cast<char*>(line.text.c_str());
                mii.fState = line.disabled ? MFS_DISABLED : MFS_ENABLED;
                mii.wID = line.id - shellhost::kFirstId + first;
                if (line.bitmap) mii.fMask |= MIIM_BITMAP, mii.hbmpItem = bitmap_.get();
                if (line.popup) {
                    mii.fMask |= MIIM_SUBMENU;
                    mii.hSubMenu = CreatePopupMenu();
                    Insert(mii.hSubMenu, 0, depth + 1, next, first);
                }
            }
            InsertMenuItemA(menu, position++, TRUE, &mii);
        }
    }
    std::vector<shellhost::MenuLine> lines_;
    kivu::UniqueBitmap bitmap_;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Microseconds per QueryContextMenu into a fresh popup menu.
std::vector<double> Time(IContextMenu* handler, int calls = kCalls) {
    LARGE_INTEGER freq, a, b;
    QueryPerformanceFrequency(&freq);
    std::vector<double> us;
    for (int i = 0; i < calls; ++i) {
        HMENU menu = CreatePopupMenu();
        QueryPerformanceCounter(&a);
        handler->QueryContextMenu(menu, 0, shellhost::kFirstId, 0x7FFF, CMF_NORMAL);
        QueryPerformanceCounter(&b);
        DestroyMenu(menu);
        us.push_back(1e6 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart));
    }
    return us;
}

std::string WindowsFile(const char* name) { return kivu::WindowsDirectory() + "\\" + name; }

// A user's files were written a while ago; the handler trusts no younger time stamp.
void AgeFiles() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart -= 3600ULL * 10000000ULL;
    const FILETIME hourAgo{t.LowPart, t.HighPart};
    for (const char* f : {"kivulanguage.ini", "kivupfade.txt", "kivuprogs.txt", "kivuftp.txt"}) {
        HANDLE h = CreateFileA(WindowsFile(f).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) continue;
        SetFileTime(h, nullptr, nullptr, &hourAgo);
        CloseHandle(h);
    }
}

void WriteLists(int n) {
    std::ofstream folders(WindowsFile("kivupfade.txt"), std::ios::binary);
    std::ofstream programs(WindowsFile("kivuprogs.txt"), std::ios::binary);
    std::ofstream ftp(WindowsFile("kivuftp.txt"), std::ios::binary);
    for (int i = 0; i < n; ++i) {
        if (i % 10 == 9) {
            folders << "-\r\n";
            programs << "-|-|-\r\n";
            ftp << "-|-\r\n";
            continue;
        }
        folders << "c:\\projects\\folder number " << i << "\r\n";
        programs << "Program " << i << "|c:\\programs\\tool" << i << "\\tool.exe %d|c:\\programs\\tool" << i << "\\\r\n";
        ftp << "Site " << i << "|ftp.site" << i << ".example.org/pub\r\n";
    }
}

}  // namespace

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HMODULE dll = LoadLibraryA((testsupport::ExeDir() + "kivumenu.dll").c_str());
    const auto exported = [dll](const char* name) { return reinterpret_cast<void*>(GetProcAddress(dll, name)); };
    auto reg = reinterpret_cast<HRESULT(WINAPI*)()>(exported("DllRegisterServer"));
    auto unreg = reinterpret_cast<HRESULT(WINAPI*)()>(exported("DllUnregisterServer"));
    auto reads = reinterpret_cast<long (*)()>(exported("KivuLanguageFileReads"));
    if (!reg || !unreg || !reads || reg() != S_OK) {
        std::printf("kivumenu.dll could not be registered\n");
        return 1;
    }
    // A user who has configured the menu: every value in place.
    const char* menuKey = "software\\kivu\\menu";
    for (const auto& [name, value] : {std::pair<const char*, std::string>{"status", std::string(100, '1')},
                                      {"ExSubMenu", "0"}, {"ZeigeBitmap", "1"}, {"Shortcut", "1"},
                                      {"nowindowcheck", "0"}})
        RegSetKeyValueA(HKEY_CURRENT_USER, menuKey, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
    Sleep(2100);  // configured a while ago: the handler trusts no younger time stamp
    testsupport::TempDir dir;
    const std::vector<std::string> files{dir.Write("a.txt"), dir.Write("b.txt"), dir.Write("c.txt")};

    OneItem one;
    const double base = Median(Time(&one));
    std::printf("one fixed item:         median %8.1f us per QueryContextMenu (%d calls)\n", base, kCalls);
    for (int n : {30, 50}) {
        WriteLists(n);
        AgeFiles();
        shellhost::Host host;
        if (FAILED(host.Create(kivu::kClassId)) || FAILED(host.InitFiles(files))) {
            std::printf("the handler could not be created\n");
            break;
        }
        {
            // The language file changes too, so the next menu reads every file.
            HANDLE h = CreateFileA(WindowsFile("kivulanguage.ini").c_str(), FILE_WRITE_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
            FILETIME t{};
            GetFileTime(h, nullptr, nullptr, &t);
            ++t.dwLowDateTime;
            SetFileTime(h, nullptr, nullptr, &t);
            CloseHandle(h);
        }
        const double first = Time(host.handler(), 1)[0];  // all four files changed since the last menu
        std::printf("kivumenu, %2d per list:  %8.1f us for the first menu after the files changed\n", n, first);
        const long before = reads();
        const double median = Median(Time(host.handler()));
        const double opens = static_cast<double>(reads() - before) / kCalls;
        host.Build();
        SameMenu same(shellhost::ReadMenu(host.menu()));
        const double fixed = Median(Time(&same));
        std::printf("kivumenu, %2d per list:  median %8.1f us per QueryContextMenu, %.2f x the fixed item, "
                    "%.2f language-file reads per menu\n",
                    n, median, median / base, opens);
        std::printf("same menu from constants: median %7.1f us; kivumenu takes %.2f x that\n", fixed, median / fixed);
    }
    for (const char* f : {"kivupfade.txt", "kivuprogs.txt", "kivuftp.txt"}) DeleteFileA(WindowsFile(f).c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, "software\\kivu");
    unreg();
    CoUninitialize();
    return 0;
}
