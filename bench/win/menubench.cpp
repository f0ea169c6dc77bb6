// QueryContextMenu of kivumenu.dll, the call behind every right-click:
// median of 100 calls with 30 and with 50 entries in each list file, against
// the same host calling a handler that adds one fixed item; and how often
// the language file is read per menu. Registers the library for the run.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "common/windir.h"
#include "tests/win/support/winsupport.h"
#include "tools/shellhost.h"

namespace {

constexpr CLSID kClsid = {0x2D1D33E0, 0x8A8F, 0x11D1, {0x96, 0x26, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
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

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Microseconds per QueryContextMenu into a fresh popup menu.
std::vector<double> Time(IContextMenu* handler) {
    LARGE_INTEGER freq, a, b;
    QueryPerformanceFrequency(&freq);
    std::vector<double> us;
    for (int i = 0; i < kCalls; ++i) {
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
    testsupport::TempDir dir;
    const std::vector<std::string> files{dir.Write("a.txt"), dir.Write("b.txt"), dir.Write("c.txt")};

    OneItem one;
    const double base = Median(Time(&one));
    std::printf("one fixed item:         median %8.1f us per QueryContextMenu (%d calls)\n", base, kCalls);
    for (int n : {30, 50}) {
        WriteLists(n);
        shellhost::Host host;
        if (FAILED(host.Create(kClsid)) || FAILED(host.InitFiles(files))) {
            std::printf("the handler could not be created\n");
            break;
        }
        const long before = reads();
        const double median = Median(Time(host.handler()));
        const double opens = static_cast<double>(reads() - before) / kCalls;
        std::printf("kivumenu, %2d per list:  median %8.1f us per QueryContextMenu, %.2f x the fixed item, "
                    "%.2f language-file reads per menu\n",
                    n, median, median / base, opens);
    }
    for (const char* f : {"kivupfade.txt", "kivuprogs.txt", "kivuftp.txt"}) DeleteFileA(WindowsFile(f).c_str());
    unreg();
    CoUninitialize();
    return 0;
}
