// The context-menu handler in a COM host, as the file manager uses it: the
// fixture and helpers of the handler's suites. The fixture puts kivuutil.exe
// into the Windows directory and registers the handler, so each suite runs in
// a Wine prefix of its own.
#pragma once
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

namespace shelltest {

using namespace testsupport;
using shellhost::MenuLine;

constexpr CLSID kClsid = kivu::kClassId;
constexpr const char* kClsidText = kivu::kClassIdText;
constexpr const char* kApproved = kivu::kApprovedKey;
constexpr const char* kUninstall = kivu::kUninstallKey;
constexpr const char* kMenuKey = "software\\kivu\\menu";

inline std::string InWindows(const char* name) { return kivu::WindowsDirectory() + "\\" + name; }

inline bool ValueExists(HKEY root, const std::string& key, const char* name) {
    return RegGetValueA(root, key.c_str(), name, RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

inline std::string Reg(HKEY root, const std::string& key, const char* name) {
    return kivu::ReadRegString(root, key, name, "<missing>");
}

inline bool Exists(const std::string& path) {
    return GetFileAttributesW(kivu::Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The handler's clipboard text, which it puts there as Unicode text.
inline std::string ClipboardText() {
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

inline void ClearClipboard() {
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(std::filesystem::path(kivu::Widen(path)), std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(std::filesystem::path(kivu::Widen(path)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The language file's text for a number, read through the profile functions
// (the handler reads the file on its own).
inline std::string LangText(const char* section, int number) {
    wchar_t buf[2048];
    GetPrivateProfileStringW(kivu::Widen(section).c_str(), std::to_wstring(number).c_str(), L"", buf,
                             static_cast<DWORD>(std::size(buf)), L"kivulanguage.ini");
    return kivu::Narrow(buf);
}

inline std::string Plain(std::string text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size() && text[i + 1] == '&') out += '&', ++i;
        else if (text[i] != '&') out += text[i];
    }
    return out;
}

inline std::vector<MenuLine> AtDepth(const std::vector<MenuLine>& lines, int depth) {
    std::vector<MenuLine> out;
    for (const auto& l : lines)
        if (l.depth == depth) out.push_back(l);
    return out;
}

// The items right below the top-level item with this text.
inline std::vector<MenuLine> SubmenuOf(const std::vector<MenuLine>& lines, const std::string& text) {
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
inline bool SameFolder(std::string a, std::string b) {
    while (!a.empty() && a.back() == '\\') a.pop_back();
    while (!b.empty() && b.back() == '\\') b.pop_back();
    return lstrcmpiW(kivu::Widen(a).c_str(), kivu::Widen(b).c_str()) == 0;
}

inline std::string WithoutSlash(std::string path) {
    if (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

// Waits until `count` probes have recorded their start and every started one
// its end, then until their processes are gone: no probe outlives the test.
inline std::vector<ProbeRun> WaitForProbes(const std::string& record, size_t count) {
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
        module = LoadLibraryW(kivu::Widen(ExeDir() + "kivumenu.dll").c_str());
        ASSERT_TRUE(module);
        driveHandlersBefore = kivu::RegKeyExists(HKEY_CLASSES_ROOT, "Drive\\shellex");
        ASSERT_EQ(Call("DllRegisterServer"), S_OK);
    }
    static void TearDownTestSuite() {
        Call("DllUnregisterServer");
        DeleteFileW(kivu::Widen(InWindows("kivuutil.exe")).c_str());
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
        for (const char* f : {"kivupfade.txt", "kivuprogs.txt", "kivuftp.txt"}) DeleteFileW(kivu::Widen(InWindows(f)).c_str());
        WritePrivateProfileStringW(L"Language", L"Current", L"English", L"kivulanguage.ini");
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

    inline static HMODULE module = nullptr;
    inline static bool driveHandlersBefore = false;
    HRESULT lastResult = E_FAIL;
    std::vector<MenuLine> lines;
    TempDir dir;
};
}  // namespace shelltest
