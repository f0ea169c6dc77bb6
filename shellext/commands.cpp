// The commands of the menu. They run in the file manager's process: failures
// end in one message box, waits are bounded and keep the host's windows alive.
#include <shlwapi.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>

#include "common/handles.h"
#include "common/text.h"
#include "config/entrylist.h"
#include "config/konfigstore.h"
#include "link/kivulink.h"
#include "shellext/shellwin.h"

namespace kivumenu {

namespace {

constexpr DWORD kReadyTimeoutMs = 30000;            // a dialog's first idle turn
constexpr DWORD kUserTimeoutMs = 30 * 60 * 1000;    // the selection dialog waits for the user
constexpr DWORD kWindowTimeoutMs = 5000;

void ShowMessage(HWND owner, const std::string& text) {
    MessageBoxW(owner, kivu::Widen(text).c_str(), kivu::Widen(kTitle).c_str(), MB_OK | MB_ICONERROR);
}

std::string SystemMessage(DWORD code) {
    kivu::UniqueLocalMemory<wchar_t> text;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t*>(text.put()), 0, nullptr);
    std::string s = text ? kivu::Narrow(text.get()) : "";
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s.empty() ? "error " + std::to_string(code) : s;
}

std::string KivuutilPath() { return WindowsDirectory() + "\\kivuutil.exe"; }

// Starts kivuutil with the arguments; a missing program or a failed start is
// shown once. nullptr on failure.
std::unique_ptr<KivuutilLink> StartKivuutil(HWND owner, const std::vector<std::string>& args,
                                            const std::string& folder = {}) {
    const std::string exe = KivuutilPath();
    if (GetFileAttributesW(kivu::Widen(exe).c_str()) == INVALID_FILE_ATTRIBUTES) {
        ShowMessage(owner, "The program " + exe +
                               " was not found. The KIVU menu needs it for this command; please install the "
                               "KIVU menu again.");
        return nullptr;
    }
    auto link = std::make_unique<KivuutilLink>(exe);
    if (!link->Start(KivuutilArguments(args), folder)) {
        ShowMessage(owner, "The program " + exe + " could not be started: " + SystemMessage(link->StartError()));
        return nullptr;
    }
    return link;
}

// Configuration, starter and live update are one window each: with the window
// check on, an open one comes to the front instead of a second copy.
bool ActivateOpenWindow(const char* className) {
    HWND w = FindWindowW(kivu::Widen(className).c_str(), nullptr);
    if (!w) return false;
    if (IsIconic(w)) ShowWindow(w, SW_RESTORE);
    SetForegroundWindow(w);
    return true;
}

HRESULT SingleWindowMode(const InvokeContext& c, const char* mode, const char* className) {
    if (!c.input->settings.noWindowCheck && ActivateOpenWindow(className)) return S_OK;
    return StartKivuutil(c.owner, {mode}) ? S_OK : E_FAIL;
}

// As Unicode text: the system makes the ANSI and OEM forms from it for
// programs that ask for those.
bool CopyText(HWND owner, const std::string& text) {
    const std::wstring wide = kivu::Widen(text);
    const size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    for (int attempt = 0; attempt < 10; ++attempt) {  // another program may hold it a moment
        if (OpenClipboard(owner)) {
            bool ok = false;
            EmptyClipboard();
            if (HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
                if (void* p = GlobalLock(mem)) {
                    memcpy(p, wide.c_str(), bytes);
                    GlobalUnlock(mem);
                    ok = SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
                }
                if (!ok) GlobalFree(mem);
            }
            CloseClipboard();
            return ok;
        }
        Sleep(20);
    }
    return false;
}

std::string FileName(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    if (slash == std::string::npos || slash + 1 == path.size()) return path;  // "C:\" names itself
    return path.substr(slash + 1);
}

std::string ShortPath(const std::string& path) {
    wchar_t buf[MAX_PATH];
    const DWORD n = GetShortPathNameW(kivu::Widen(path).c_str(), buf, static_cast<DWORD>(std::size(buf)));
    return n && n < std::size(buf) ? kivu::Narrow(std::wstring_view(buf, n)) : path;
}

// A path as one argument of a command line, in quotes when it holds a blank.
// A program entry that is not one existing file (a path followed by its own
// arguments, say) is taken as written, as the system would read it.
std::string ArgumentPath(const std::string& path) {
    const bool exists = GetFileAttributesW(kivu::SystemPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    return exists ? CommandLinePath(path) : path;
}

HRESULT CopyCommand(const InvokeContext& c, Command command) {
    std::vector<std::string> lines;
    for (const auto& p : c.selection->paths)
        lines.push_back(command == Command::CopyName ? FileName(p)
                        : command == Command::CopyShortPath ? ShortPath(p)
                                                            : p);
    if (lines.empty() && !c.selection->folder.empty()) lines.push_back(c.selection->folder);
    if (!CopyText(c.owner, JoinLines(lines))) {
        ShowMessage(c.owner, "The clipboard could not be opened.");
        return E_FAIL;
    }
    return S_OK;
}

HRESULT Rename(const InvokeContext& c) {
    auto link = StartKivuutil(c.owner, {"1"});
    if (!link) return E_FAIL;
    HWND dialog = link->WaitStart(kReadyTimeoutMs) ? link->FindWindowOf("Trenamedialog", kWindowTimeoutMs) : nullptr;
    if (!dialog) return E_FAIL;  // it ended or hangs; its own window says why
    for (const auto& p : c.selection->paths) link->SendFile(dialog, p);
    return S_OK;
}

// The host's view, if its site offers one.
kivu::ComPtr<IFolderView> HostView(IUnknown* site) {
    kivu::ComPtr<IFolderView> view;
    if (site && FAILED(IUnknown_QueryService(site, SID_SFolderView, IID_IFolderView, view.put_void())))
        view.release();  // what a failed call left there is not ours
    return view;
}

std::string ItemName(IShellFolder* folder, PCUITEMID_CHILD item) {
    STRRET ret{};
    if (FAILED(folder->GetDisplayNameOf(item, SHGDN_INFOLDER | SHGDN_FORPARSING, &ret))) return {};
    wchar_t name[MAX_PATH] = {};
    if (FAILED(StrRetToBufW(&ret, item, name, static_cast<UINT>(std::size(name))))) return {};
    return kivu::Narrow(name);
}

void SelectInView(IFolderView* view, const std::string& pattern, bool add) {
    kivu::ComPtr<IShellFolder> folder;
    if (FAILED(view->GetFolder(IID_IShellFolder, folder.put_void()))) return;
    int count = 0;
    view->ItemCount(SVGIO_ALLVIEW, &count);
    bool first = true;
    for (int i = 0; i < count; ++i) {
        kivu::UniqueCoMemory<ITEMID_CHILD> item;
        if (FAILED(view->Item(i, item.put())) || !item) continue;
        const bool match = MatchesPattern(ItemName(folder.get(), item.get()), pattern);
        if (match) {
            view->SelectItem(i, SVSI_SELECT | (first && !add ? SVSI_DESELECTOTHERS | SVSI_ENSUREVISIBLE : 0));
            first = false;
        }
    }
    if (first && !add) view->SelectItem(-1, SVSI_DESELECTOTHERS);  // nothing matched: nothing stays selected
}

HRESULT SelectFiles(const InvokeContext& c) {
    auto link = StartKivuutil(c.owner, {"2", c.selection->paths.empty() ? "0" : "1"});
    if (!link) return E_FAIL;
    if (!link->WaitEnd(kUserTimeoutMs)) return E_FAIL;
    HWND dialog = link->FindWindowOf("Tselectform", kWindowTimeoutMs);
    if (!dialog) return E_FAIL;
    std::string pattern = link->QueryPattern(dialog);
    const bool add = !pattern.empty() && pattern[0] == '\x01';
    while (!pattern.empty() && pattern[0] == '\x01') pattern.erase(0, 1);
    if (pattern.empty()) return S_OK;  // cancelled
    if (const auto view = HostView(c.site)) SelectInView(view.get(), pattern, add);
    return S_OK;
}

HRESULT RunProgram(const InvokeContext& c, int index) {
    if (index < 0 || static_cast<size_t>(index) >= c.input->programs.size()) return E_INVALIDARG;
    const auto& entry = c.input->programs[index];
    std::vector<std::string> selection;
    for (const auto& p : c.selection->paths) selection.push_back(ArgumentPath(p));
    const std::string_view marker = kivu::kPassFileMarker;
    const bool withSelection = entry.Path.ends_with(marker);
    const std::string program = withSelection ? entry.Path.substr(0, entry.Path.size() - marker.size()) : entry.Path;
    const std::string line =
        ProgramCommandLine(ArgumentPath(program) + (withSelection ? kivu::kPassFileMarker : ""), selection);
    std::string dir = entry.Directory.empty() ? c.selection->folder : entry.Directory;
    return StartKivuutil(c.owner, {"101", line, dir}) ? S_OK : E_FAIL;
}

// %ComSpec%, or the system's cmd.exe when it is not set (expanding an unset
// variable would leave the literal "%ComSpec%", which starts nothing).
std::string CommandInterpreter() {
    wchar_t path[MAX_PATH];
    constexpr DWORD size = static_cast<DWORD>(std::size(path));
    DWORD n = GetEnvironmentVariableW(L"ComSpec", path, size);
    if (n > 0 && n < size) return kivu::Narrow(std::wstring_view(path, n));
    n = GetSystemDirectoryW(path, size);
    return n > 0 && n < size ? kivu::Narrow(std::wstring_view(path, n)) + "\\cmd.exe" : "cmd.exe";
}

HRESULT PromptHere(const InvokeContext& c) {
    return StartKivuutil(c.owner, {"101", ArgumentPath(CommandInterpreter()), c.selection->folder}) ? S_OK : E_FAIL;
}

HRESULT OpenWith(HWND owner, const char* verb, const std::string& target) {
    const std::wstring wideVerb = kivu::Widen(verb), wideTarget = kivu::Widen(target);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI;  // a failure is ours to show, once
    info.hwnd = owner;
    info.lpVerb = wideVerb.c_str();
    info.lpFile = wideTarget.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExW(&info)) return S_OK;
    ShowMessage(owner, target + " could not be opened: " + SystemMessage(GetLastError()));
    return E_FAIL;
}

HRESULT ChangeFolder(const InvokeContext& c, int index) {
    if (index < 0 || static_cast<size_t>(index) >= c.input->folders.size()) return E_INVALIDARG;
    const std::string folder = kivu::ExpandEnvironment(c.input->folders[index]).value_or(c.input->folders[index]);
    if (!PathIsDirectoryW(kivu::Widen(folder).c_str())) {
        ShowMessage(c.owner, "The folder " + folder + " does not exist.");
        return E_FAIL;
    }
    // The file manager's own window browses there when it lets us.
    kivu::ComPtr<IShellBrowser> browser;
    if (c.site &&
        SUCCEEDED(IUnknown_QueryService(c.site, SID_STopLevelBrowser, IID_IShellBrowser, browser.put_void()))) {
        HRESULT hr = E_FAIL;
        if (PIDLIST_ABSOLUTE pidl = ILCreateFromPathW(kivu::Widen(folder).c_str())) {
            hr = browser->BrowseObject(pidl, SBSP_SAMEBROWSER | SBSP_ABSOLUTE);
            ILFree(pidl);
        }
        browser.reset();
        if (SUCCEEDED(hr)) return hr;
    }
    return OpenWith(c.owner, "open", folder);
}

HRESULT FtpSite(const InvokeContext& c, int index) {
    if (index < 0 || static_cast<size_t>(index) >= c.input->ftpSites.size()) return E_INVALIDARG;
    std::string address = c.input->ftpSites[index].Address;
    if (address.find("://") == std::string::npos) address = "ftp://" + address;
    return OpenWith(c.owner, "open", address);
}

HRESULT NewFolder(const InvokeContext& c) {
    const std::string& base = c.selection->folder;
    if (base.empty()) return E_FAIL;
    auto text = c.input->texts.find(static_cast<int>(Command::NewFolder));
    std::string name = text != c.input->texts.end() ? WithoutAccessKey(text->second) : "New folder";
    for (char& ch : name)
        if (strchr("\\/:*?\"<>|", ch)) ch = '_';
    const std::string sep = base.back() == '\\' ? "" : "\\";
    std::string path = base + sep + name;
    for (int n = 2; GetFileAttributesW(kivu::SystemPath(path).c_str()) != INVALID_FILE_ATTRIBUTES && n < 1000; ++n)
        path = base + sep + name + " (" + std::to_string(n) + ")";
    const std::wstring widePath = kivu::Widen(path);
    if (!CreateDirectoryW(kivu::SystemPath(path).c_str(), nullptr)) {
        ShowMessage(c.owner, "The folder " + path + " could not be created: " + SystemMessage(GetLastError()));
        return E_FAIL;
    }
    SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHW, widePath.c_str(), nullptr);
    return S_OK;
}

HRESULT ToggleHidden() {
    constexpr const wchar_t* key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
    DWORD value = 2, size = sizeof value;
    RegGetValueW(HKEY_CURRENT_USER, key, L"Hidden", RRF_RT_REG_DWORD, nullptr, &value, &size);
    value = value == 1 ? 2 : 1;  // 1 shows hidden files, 2 hides them
    if (RegSetKeyValueW(HKEY_CURRENT_USER, key, L"Hidden", REG_DWORD, &value, sizeof value) != ERROR_SUCCESS)
        return E_FAIL;
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return S_OK;
}

constexpr const char* kFileListName = "filelist.txt";

// "filelist.txt" in the folder: one line per entry, folders marked.
HRESULT FileList(const InvokeContext& c) {
    const std::string& base = c.selection->folder;
    if (base.empty()) return E_FAIL;
    const std::string sep = base.back() == '\\' ? "" : "\\";
    std::vector<std::string> lines;
    WIN32_FIND_DATAW data;
    if (const kivu::UniqueFind find{FindFirstFileW(kivu::SystemPath(base + sep + "*").c_str(), &data)}) {
        do {
            // Names in our text, as the list file holds them.
            const std::string name = kivu::Narrow(data.cFileName);
            if (name == "." || name == "..") continue;
            // A list written before is no content of the folder: it would show its old size.
            if (lstrcmpiW(data.cFileName, kivu::Widen(kFileListName).c_str()) == 0) continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                lines.push_back(name + "\\");
            } else {
                const unsigned long long size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) |
                                                data.nFileSizeLow;
                lines.push_back(name + "\t" + std::to_string(size));
            }
        } while (FindNextFileW(find.get(), &data));
    }
    const std::string path = base + sep + kFileListName;
    bool written = true;
    if (lines.empty()) {
        // No entries, no lines; the list store would delete the file instead.
        const kivu::UniqueFile file(
            CreateFileW(kivu::SystemPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                        nullptr));
        written = static_cast<bool>(file);
    } else {
        try {
            kivu::WriteListText(path, JoinLines(lines) + "\r\n");
        } catch (...) {
            written = false;
        }
    }
    if (!written) {
        ShowMessage(c.owner, "The file list " + path + " could not be written.");
        return E_FAIL;
    }
    SHChangeNotify(SHCNE_CREATE, SHCNF_PATHW, kivu::Widen(path).c_str(), nullptr);
    return S_OK;
}

}  // namespace

HRESULT RunAction(const Action& action, const InvokeContext& c) {
    try {
        switch (action.command) {
            case Command::CopyPath:
            case Command::CopyName:
            case Command::CopyShortPath: return CopyCommand(c, action.command);
            case Command::PromptHere: return PromptHere(c);
            case Command::ChangeFolder: return ChangeFolder(c, action.index);
            case Command::RunProgram: return RunProgram(c, action.index);
            case Command::FtpSite: return FtpSite(c, action.index);
            case Command::Rename: return Rename(c);
            case Command::SelectFiles: return SelectFiles(c);
            case Command::NewFolder: return NewFolder(c);
            case Command::ToggleHidden: return ToggleHidden();
            case Command::FileList: return FileList(c);
            case Command::ExplorerHere: return OpenWith(c.owner, "explore", c.selection->folder);
            case Command::Starter: return SingleWindowMode(c, "3", "Tstarterform");
            case Command::Configure: return SingleWindowMode(c, "0", "Tkonfigdialog");
            case Command::LiveUpdate: return SingleWindowMode(c, "10", "Tdownloadform");
            case Command::None: break;
        }
        return E_INVALIDARG;
    } catch (...) {
        return E_FAIL;
    }
}

}  // namespace kivumenu
