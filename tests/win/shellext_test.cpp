// kivumenu.dll in a COM host, as the file manager uses it: registration,
// the class factory's counts, the menu built into a real HMENU from the
// stored configuration, and the commands with their effects. It puts
// kivuutil.exe into the Windows directory and changes the menu settings, so
// this program runs in a Wine prefix of its own.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <thread>

#include "common/classid.h"
#include "common/extensionkeys.h"
#include "common/handles.h"
#include "common/reg.h"
#include "common/text.h"
#include "common/windir.h"
#include "config/konfigstore.h"
#include "tests/win/support/starter.h"
#include "tests/win/support/winsupport.h"
#include "tools/shellhost.h"

using namespace testsupport;
using shellhost::MenuLine;

namespace {

constexpr CLSID kClsid = kivu::kClassId;
constexpr const char* kClsidText = kivu::kClassIdText;
constexpr const char* kApproved = kivu::kApprovedKey;
constexpr const char* kUninstall = kivu::kUninstallKey;
constexpr const char* kMenuKey = "software\\kivu\\menu";

std::string InWindows(const char* name) { return kivu::WindowsDirectory() + "\\" + name; }

bool ValueExists(HKEY root, const std::string& key, const char* name) {
    return RegGetValueA(root, key.c_str(), name, RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::string Reg(HKEY root, const std::string& key, const char* name) {
    return kivu::ReadRegString(root, key, name, "<missing>");
}

bool Exists(const std::string& path) { return GetFileAttributesW(kivu::Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

// The handler's clipboard text, which it puts there as Unicode text.
std::string ClipboardText() {
    std::string text = "<no unicode text>";
    if (!OpenClipboard(nullptr)) return "<no clipboard>";
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
            text = kivu::Narrow(p);
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

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(std::filesystem::path(kivu::Widen(path)), std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(std::filesystem::path(kivu::Widen(path)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The language file's text for a number, read through the profile functions
// (the handler reads the file on its own).
std::string LangText(const char* section, int number) {
    wchar_t buf[2048];
    GetPrivateProfileStringW(kivu::Widen(section).c_str(), std::to_wstring(number).c_str(), L"", buf,
                             static_cast<DWORD>(std::size(buf)), L"kivulanguage.ini");
    return kivu::Narrow(buf);
}

std::string Plain(std::string text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size() && text[i + 1] == '&') out += '&', ++i;
        else if (text[i] != '&') out += text[i];
    }
    return out;
}

std::vector<MenuLine> AtDepth(const std::vector<MenuLine>& lines, int depth) {
    std::vector<MenuLine> out;
    for (const auto& l : lines)
        if (l.depth == depth) out.push_back(l);
    return out;
}

// The items right below the top-level item with this text.
std::vector<MenuLine> SubmenuOf(const std::vector<MenuLine>& lines, const std::string& text) {
    std::vector<MenuLine> out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].depth != 0 || Plain(lines[i].text) != text) continue;
        for (size_t k = i + 1; k < lines.size() && lines[k].depth > 0; ++k)
            if (lines[k].depth == 1) out.push_back(lines[k]);
    }
    return out;
}

// What a test puts on the host's site: an object that offers itself as one
// service, with one interface (and that interface's base).
template <class Interface>
class SiteService : public IServiceProvider, public Interface {
public:
    SiteService(const GUID& service, const IID& iid, const IID& baseIid)
        : service_(service), iid_(iid), baseIid_(baseIid) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        *out = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IServiceProvider))
            *out = static_cast<IServiceProvider*>(this);
        else if (IsEqualIID(riid, iid_) || IsEqualIID(riid, baseIid_))
            *out = static_cast<Interface*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override { return --refs_; }  // lives on the test's stack
    STDMETHODIMP QueryService(REFGUID service, REFIID riid, void** out) override {
        *out = nullptr;
        if (!IsEqualGUID(service, service_)) return E_NOINTERFACE;
        return QueryInterface(riid, out);
    }

private:
    const GUID service_;
    const IID iid_, baseIid_;
    ULONG refs_ = 1;
};

// A file manager's view, as much of it as the handler uses: it lists a real
// folder and records what gets selected.
class FakeView final : public SiteService<IFolderView> {
public:
    explicit FakeView(const std::string& folder) : SiteService(SID_SFolderView, IID_IFolderView, IID_IUnknown) {
        IShellFolder* desktop = nullptr;
        SHGetDesktopFolder(&desktop);
        PIDLIST_ABSOLUTE pidl = ILCreateFromPathA(folder.c_str());
        desktop->BindToObject(pidl, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder_));
        ILFree(pidl);
        desktop->Release();
        IEnumIDList* items = nullptr;
        if (folder_ && folder_->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &items) == S_OK) {
            PITEMID_CHILD item = nullptr;
            while (items->Next(1, &item, nullptr) == S_OK) {
                STRRET ret{};
                char name[MAX_PATH] = {};
                folder_->GetDisplayNameOf(item, SHGDN_INFOLDER | SHGDN_FORPARSING, &ret);
                StrRetToBufA(&ret, item, name, MAX_PATH);
                names.push_back(name);
                items_.push_back(item);
            }
            items->Release();
        }
        selected.assign(items_.size(), false);
    }
    ~FakeView() {
        for (auto item : items_) CoTaskMemFree(item);
        if (folder_) folder_->Release();
    }
    std::set<std::string> Selected() const {
        std::set<std::string> out;
        for (size_t i = 0; i < names.size(); ++i)
            if (selected[i]) out.insert(names[i]);
        return out;
    }

    STDMETHODIMP GetCurrentViewMode(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP SetCurrentViewMode(UINT) override { return E_NOTIMPL; }
    STDMETHODIMP GetFolder(REFIID riid, void** out) override {
        return folder_ ? folder_->QueryInterface(riid, out) : E_FAIL;
    }
    STDMETHODIMP Item(int i, PITEMID_CHILD* out) override {
        if (i < 0 || i >= static_cast<int>(items_.size())) return E_INVALIDARG;
        *out = ILClone(items_[i]);
        return S_OK;
    }
    STDMETHODIMP ItemCount(UINT, int* count) override {
        *count = static_cast<int>(items_.size());
        return S_OK;
    }
    STDMETHODIMP Items(UINT, REFIID, void**) override { return E_NOTIMPL; }
    STDMETHODIMP GetSelectionMarkedItem(int*) override { return E_NOTIMPL; }
    STDMETHODIMP GetFocusedItem(int*) override { return E_NOTIMPL; }
    STDMETHODIMP GetItemPosition(PCUITEMID_CHILD, POINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetSpacing(POINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetDefaultSpacing(POINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetAutoArrange() override { return E_NOTIMPL; }
    STDMETHODIMP SelectItem(int i, DWORD flags) override {
        if (flags & SVSI_DESELECTOTHERS) selected.assign(items_.size(), false);
        if (i >= 0 && i < static_cast<int>(items_.size()) && (flags & SVSI_SELECT)) selected[i] = true;
        return S_OK;
    }
    STDMETHODIMP SelectAndPositionItems(UINT, PCUITEMID_CHILD_ARRAY, POINT*, DWORD) override { return E_NOTIMPL; }

    std::vector<std::string> names;
    std::vector<bool> selected;

private:
    IShellFolder* folder_ = nullptr;
    std::vector<PITEMID_CHILD> items_;
};

// Same folder? Case and a trailing backslash do not count.
bool SameFolder(std::string a, std::string b) {
    while (!a.empty() && a.back() == '\\') a.pop_back();
    while (!b.empty() && b.back() == '\\') b.pop_back();
    return lstrcmpiW(kivu::Widen(a).c_str(), kivu::Widen(b).c_str()) == 0;
}

std::string WithoutSlash(std::string path) {
    if (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

// Waits until `count` probes have recorded their start and every started one
// its end, then until their processes are gone: no probe outlives the test.
std::vector<ProbeRun> WaitForProbes(const std::string& record, size_t count) {
    const auto lines = [&](const char* kind) {
        const std::string text = ReadFile(record);
        size_t n = 0;
        for (size_t pos = 0; (pos = text.find(kind, pos)) != std::string::npos; ++pos)
            if (pos == 0 || text[pos - 1] == '\n') ++n;
        return n;
    };
    WaitUntil([&] { return lines("start ") >= count && lines("end ") >= lines("start "); }, std::chrono::seconds(60));
    const auto runs = ReadProbeRecord(record);
    for (const auto& r : runs) {
        if (HANDLE p = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, r.pid)) {
            if (WaitForSingleObject(p, 10000) != WAIT_OBJECT_0) TerminateProcess(p, 1);
            CloseHandle(p);
        }
    }
    return runs;
}

// When the scope ends (also by a failed assertion), waits for the programs
// that own top-level windows of the class to end, and ends those that stay.
class WindowsGoAtEnd {
public:
    explicit WindowsGoAtEnd(const char* className) : className_(className) {}
    ~WindowsGoAtEnd() {
        for (HWND w : FindTopWindows(className_, nullptr)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (HANDLE p = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid)) {
                if (WaitForSingleObject(p, 15000) != WAIT_OBJECT_0) TerminateProcess(p, 1);
                CloseHandle(p);
            }
        }
    }
    WindowsGoAtEnd(const WindowsGoAtEnd&) = delete;
    WindowsGoAtEnd& operator=(const WindowsGoAtEnd&) = delete;

private:
    const char* className_;
};

// The window probe as the command of a verb of a class (or URL scheme) in
// HKCR, recording "TAG TARGET". Wine reads HKCR from the machine's classes
// only (HKCU\Software\Classes is not merged in), so those are changed, and
// put back as they were when the object dies.
class ProbeCommand {
public:
    ProbeCommand(const std::string& cls, const char* verb, const std::string& record, const std::string& tag,
                 bool urlScheme = false)
        : cls_(cls), verb_(verb), key_(cls + "\\shell\\" + verb + "\\command") {
        command_ = "\"" + ProbeExe() + "\" \"" + record + "\" " + tag + " \"%1\"";
        // The first key along the path that is missing goes again as a whole.
        for (size_t pos = 0; created_.empty();) {
            const size_t next = key_.find('\\', pos);
            const std::string part = key_.substr(0, next);
            if (!kivu::RegKeyExists(HKEY_CLASSES_ROOT, part)) created_ = part;
            if (next == std::string::npos) break;
            pos = next + 1;
        }
        if (created_.empty()) {
            DWORD size = 0;
            if (RegGetValueA(HKEY_CLASSES_ROOT, key_.c_str(), nullptr, RRF_RT_ANY | RRF_NOEXPAND, &oldType_, nullptr,
                             &size) == ERROR_SUCCESS) {
                oldValue_.resize(size);
                hadValue_ = RegGetValueA(HKEY_CLASSES_ROOT, key_.c_str(), nullptr, RRF_RT_ANY | RRF_NOEXPAND,
                                         &oldType_, oldValue_.data(), &size) == ERROR_SUCCESS;
                oldValue_.resize(size);
            }
        }
        if (urlScheme && created_ != cls && !ValueExists(HKEY_CLASSES_ROOT, cls, "URL Protocol")) addedProtocol_ = true;
        // The probe is no DDE server: a DDE request after starting it fails,
        // and the shell reports the start as failed (Wine's Folder has one).
        dde_ = cls + "\\shell\\" + verb + "\\ddeexec";
        if (kivu::RegKeyExists(HKEY_CLASSES_ROOT, dde_)) {
            kivu::MoveRegKey(HKEY_CLASSES_ROOT, dde_, dde_ + "-away");
            movedDde_ = true;
        }
        kivu::WriteRegString(HKEY_CLASSES_ROOT, key_, "", command_);
        if (urlScheme) kivu::WriteRegString(HKEY_CLASSES_ROOT, cls, "URL Protocol", "");
    }
    ~ProbeCommand() {
        if (!created_.empty()) {
            kivu::DeleteRegKey(HKEY_CLASSES_ROOT, created_);
        } else if (hadValue_) {
            RegSetKeyValueA(HKEY_CLASSES_ROOT, key_.c_str(), nullptr, oldType_, oldValue_.data(),
                            static_cast<DWORD>(oldValue_.size()));
        } else {
            kivu::DeleteRegValue(HKEY_CLASSES_ROOT, key_, "");
        }
        if (addedProtocol_) kivu::DeleteRegValue(HKEY_CLASSES_ROOT, cls_, "URL Protocol");
        if (movedDde_) kivu::MoveRegKey(HKEY_CLASSES_ROOT, dde_ + "-away", dde_);
    }
    ProbeCommand(const ProbeCommand&) = delete;
    ProbeCommand& operator=(const ProbeCommand&) = delete;

    // Whether the shell now finds the probe for the verb: nothing else may be
    // started (a real file manager, a browser going out to the network).
    bool Active() const {
        char found[1024] = {};
        DWORD size = sizeof found;
        return SUCCEEDED(AssocQueryStringA(ASSOCF_NONE, ASSOCSTR_COMMAND, cls_.c_str(), verb_.c_str(), found, &size)) &&
               command_ == found && !kivu::RegKeyExists(HKEY_CLASSES_ROOT, dde_);
    }

private:
    std::string cls_, verb_, key_, command_, created_, dde_;
    DWORD oldType_ = REG_NONE;
    std::vector<BYTE> oldValue_;
    bool hadValue_ = false, addedProtocol_ = false, movedDde_ = false;
};

// An environment variable set for this process (and what it starts), or
// removed (nullptr), put back as it was when the object dies.
class EnvVar {
public:
    EnvVar(const char* name, const char* value) : name_(name) {
        char old[4096];
        const DWORD n = GetEnvironmentVariableA(name, old, sizeof old);
        had_ = n > 0 && n < sizeof old;
        if (had_) old_ = old;
        SetEnvironmentVariableA(name, value);
    }
    ~EnvVar() { SetEnvironmentVariableA(name_.c_str(), had_ ? old_.c_str() : nullptr); }
    EnvVar(const EnvVar&) = delete;
    EnvVar& operator=(const EnvVar&) = delete;

private:
    std::string name_, old_;
    bool had_ = false;
};

// A file manager's window as far as the handler uses it: it offers itself as
// the top-level browser and records where it is sent.
class FakeBrowser final : public SiteService<IShellBrowser> {
public:
    explicit FakeBrowser(HRESULT answer = S_OK)
        : SiteService(SID_STopLevelBrowser, IID_IShellBrowser, IID_IOleWindow), answer_(answer) {}

    STDMETHODIMP GetWindow(HWND*) override { return E_NOTIMPL; }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP InsertMenusSB(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenuSB(HMENU, HOLEMENU, HWND) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveMenusSB(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusTextSB(LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP EnableModelessSB(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP TranslateAcceleratorSB(MSG*, WORD) override { return E_NOTIMPL; }
    STDMETHODIMP BrowseObject(PCUIDLIST_RELATIVE pidl, UINT flags) override {
        wchar_t path[MAX_PATH] = {};
        if ((flags & SBSP_RELATIVE) || !SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(pidl), path))
            lstrcpyW(path, L"<not an absolute folder>");
        browsed.push_back(kivu::Narrow(path));
        return answer_;
    }
    STDMETHODIMP GetViewStateStream(DWORD, IStream**) override { return E_NOTIMPL; }
    STDMETHODIMP GetControlWindow(UINT, HWND*) override { return E_NOTIMPL; }
    STDMETHODIMP SendControlMsg(UINT, UINT, WPARAM, LPARAM, LRESULT*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryActiveShellView(IShellView**) override { return E_NOTIMPL; }
    STDMETHODIMP OnViewWindowActive(IShellView*) override { return E_NOTIMPL; }
    STDMETHODIMP SetToolbarItems(LPTBBUTTONSB, UINT, UINT) override { return E_NOTIMPL; }

    std::vector<std::string> browsed;

private:
    HRESULT answer_;
};

class ShellExt : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        // The handler starts the kivuutil.exe in the Windows directory.
        CopyFileA((ExeDir() + "kivuutil.exe").c_str(), InWindows("kivuutil.exe").c_str(), FALSE);
        module = LoadLibraryA((ExeDir() + "kivumenu.dll").c_str());
        ASSERT_TRUE(module);
        driveHandlersBefore = kivu::RegKeyExists(HKEY_CLASSES_ROOT, "Drive\\shellex");
        ASSERT_EQ(Call("DllRegisterServer"), S_OK);
    }
    static void TearDownTestSuite() {
        Call("DllUnregisterServer");
        DeleteFileA(InWindows("kivuutil.exe").c_str());
        CoUninitialize();
    }
    static HRESULT Call(const char* name) {
        auto fn = reinterpret_cast<HRESULT(WINAPI*)()>(
            reinterpret_cast<void*>(GetProcAddress(module, name)));
        return fn ? fn() : E_NOTIMPL;
    }

    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        kivu::DeleteRegKey(HKEY_CURRENT_USER, "software\\kivu");
        for (const char* f : {"kivupfade.txt", "kivuprogs.txt", "kivuftp.txt"}) DeleteFileA(InWindows(f).c_str());
        WritePrivateProfileStringA("Language", "Current", "English", "kivulanguage.ini");
    }
    static void Set(const char* name, const std::string& value) {
        kivu::WriteRegString(HKEY_CURRENT_USER, kMenuKey, name, value);
    }

    // A new handler instance on the selection; the menu built.
    std::unique_ptr<shellhost::Host> Menu(const std::vector<std::string>& paths) {
        auto host = std::make_unique<shellhost::Host>();
        EXPECT_EQ(host->Create(kClsid), S_OK);
        if (!host->handler()) return host;
        EXPECT_EQ(host->InitFiles(paths), S_OK);
        lastResult = host->Build();
        lines = shellhost::ReadMenu(host->menu());
        return host;
    }
    // Offset of the top-level or submenu item with this (plain) text.
    int OffsetOf(const std::string& text) const {
        for (const auto& l : lines)
            if (Plain(l.text) == text && !l.popup) return static_cast<int>(l.id - shellhost::kFirstId);
        ADD_FAILURE() << "no item " << text;
        return -1;
    }

    static HMODULE module;
    static bool driveHandlersBefore;
    HRESULT lastResult = E_FAIL;
    std::vector<MenuLine> lines;
    TempDir dir;
};
HMODULE ShellExt::module = nullptr;
bool ShellExt::driveHandlersBefore = false;

}  // namespace

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
    WritePrivateProfileStringA("Language", "Current", "German", "kivulanguage.ini");
    ASSERT_EQ(background.InvokeVerb("kivu.newfolder"), S_OK);  // the language of the menu it was built with
    EXPECT_TRUE(PathIsDirectoryA((dir.path() + "New folder").c_str()));

    host = Menu({"C:\\"});
    EXPECT_TRUE(SUCCEEDED(lastResult));
    EXPECT_FALSE(lines.empty());
    ClearClipboard();
    ASSERT_EQ(host->InvokeVerb("kivu.copypath"), S_OK);
    EXPECT_EQ(ClipboardText(), "C:\\");
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
    const std::string record = dir.path() + "record.txt";
    const std::string a = dir.Write("a.txt"), b = dir.Write("b c.txt");
    TempDir work;
    WriteFile(InWindows("kivuprogs.txt"),
              "Probe|" + ProbeExe() + " " + record + " %d|" + work.path() + "\r\n");
    auto host = Menu({a, b});
    ASSERT_EQ(host->InvokeVerb("kivu.program.0"), S_OK);
    ASSERT_TRUE(WaitUntil([&] { return ReadFile(record).find("dir ") != std::string::npos; }, std::chrono::seconds(60)));
    const std::string text = ReadFile(record);
    EXPECT_NE(text.find(a), std::string::npos) << text;
    char shortB[MAX_PATH];
    GetShortPathNameA(b.c_str(), shortB, MAX_PATH);
    EXPECT_NE(text.find(shortB), std::string::npos) << text;  // blanks cannot pass kivuutil's command line
    std::string folder = work.path();
    EXPECT_NE(text.find("dir "), std::string::npos);
    EXPECT_NE(text.find(folder.substr(0, folder.size() - 1)), std::string::npos) << text;
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
            SendMessageA(FindChild(dialog, "Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(pattern));
            if (add) SendMessageA(FindChild(dialog, "Button", "add to selection"), BM_SETCHECK, BST_CHECKED, 0);
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
    ASSERT_TRUE(MoveFileA(exe.c_str(), away.c_str()));
    auto host = Menu({dir.Write("a.txt")});
    HRESULT hr = S_OK;
    {
        BoxWatcher boxes;
        hr = host->InvokeVerb("kivu.configure");
        EXPECT_EQ(boxes.count(), 1);
        EXPECT_NE(boxes.text.find(exe), std::string::npos) << boxes.text;
        EXPECT_NE(boxes.text.find("not found"), std::string::npos) << boxes.text;
    }
    MoveFileA(away.c_str(), exe.c_str());
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
    DeleteFileA("C:\\filelist.txt");
    EXPECT_NE(std::find(root.begin(), root.end(), "windows\\"), root.end());
}

TEST_F(ShellExt, PromptHereStartsComSpecInTheFolderThroughKivuutil) {
    const std::string record = dir.path() + "record.txt";
    const std::string folder = dir.path() + "two words";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string file = folder + "\\a.txt";
    WriteFile(file, "x");
    WindowsGoAtEnd kivuutil("TEXECForm");
    EnvVar comspec("ComSpec", ProbeExe().c_str());
    EnvVar probeRecord("KIVU_PROBE_RECORD", record.c_str());
    BoxWatcher boxes;  // a failure's message must not hold the test
    auto host = Menu({file});
    ASSERT_EQ(host->InvokeVerb("kivu.prompt"), S_OK);
    auto runs = WaitForProbes(record, 1);
    ASSERT_EQ(runs.size(), 1u) << ReadFile(record);
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
