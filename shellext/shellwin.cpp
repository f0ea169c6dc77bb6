#include "shellext/shellwin.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <iterator>
#include <memory>
#include <mutex>

#include "common/convert.h"
#include "common/dib.h"
#include "common/errors.h"
#include "common/handles.h"
#include "common/kivulanguage.h"
#include "common/reg.h"
#include "common/storedtext.h"
#include "common/text.h"
#include "common/windir.h"
#include "config/konfigstore.h"

namespace kivumenu {

namespace {

std::atomic<long> moduleRefs{0};
kivu::UniqueBitmap menuBitmap;
int menuBitmapSide = 0;

// Bounds for reading: a language or list file beyond them is read only up to
// them, so a huge file cannot stall the file manager.
constexpr DWORD kMaxLanguageBytes = 1 << 20;
constexpr DWORD kMaxListBytes = 256 * 1024;

std::string ReadFileBounded(const std::string& path, DWORD maxBytes) {
    const kivu::UniqueFile file(CreateFileW(kivu::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) size.QuadPart = maxBytes;
    const DWORD want = static_cast<DWORD>(std::min<LONGLONG>(size.QuadPart, maxBytes));
    std::string bytes(want, '\0');
    DWORD total = 0;
    for (;;) {
        DWORD got = 0;
        if (total == want || !ReadFile(file.get(), bytes.data() + total, want - total, &got, nullptr) || got == 0) break;
        total += got;
    }
    bytes.resize(total);
    return bytes;
}

unsigned long long Ticks(const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

// What a file or a registry key looked like when it was read.
struct Stamp {
    bool exists = false;
    unsigned long long size = 0, written = 0;  // written: 100 ns ticks
    bool operator==(const Stamp&) const = default;
};

Stamp FileStamp(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(kivu::Widen(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return {};
    return {true, (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
            Ticks(data.ftLastWriteTime)};
}

// What a menu is built from: the menu key, the language file and the three
// lists.
using Sources = std::array<Stamp, 5>;

std::atomic<long> languageReads{0};

// The menu key, open from one menu to the next.
class MenuKey {
public:
    MenuKey() = default;
    MenuKey(const MenuKey&) = delete;
    MenuKey& operator=(const MenuKey&) = delete;

    // The key's stamp: setting or deleting a value renews its last write
    // time. The key stays open between menus; a deleted key no longer
    // answers, so it is opened again (a key made anew is another key).
    Stamp LastWrite() {
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (!key_ && RegOpenKeyExW(HKEY_CURRENT_USER, kivu::Widen(kivu::kMenuKey).c_str(), 0, KEY_QUERY_VALUE,
                                       key_.put()) != ERROR_SUCCESS) {
                key_.release();  // a failed open gave nothing to close
                return {};
            }
            FILETIME written{};
            if (RegQueryInfoKeyW(key_.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, &written) == ERROR_SUCCESS)
                return {true, 0, Ticks(written)};
            key_.reset();
        }
        return {};
    }

    // A string value of any length, read as kivuutil reads it; def when
    // missing or of another type.
    std::string Value(const char* name, const std::string& def) const {
        if (!key_) return def;
        try {
            return kivu::ReadRegStringFrom(key_.get(), name, def);
        } catch (const kivu::RegistryError&) {
            return def;
        }
    }
    bool Option(const char* name, bool def) const {
        const auto n = kivu::TryStrToInt(Value(name, def ? "1" : "0"));
        return n ? *n != 0 : def;
    }

private:
    kivu::UniqueRegKey key_;
};

}  // namespace

void AddModuleRef() { ++moduleRefs; }
void ReleaseModuleRef() { --moduleRefs; }
bool ModuleInUse() { return moduleRefs > 0; }

HINSTANCE ModuleInstance() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ModuleInstance), &module);
    return module;
}

long LanguageFileReads() { return languageReads; }

namespace {

std::shared_ptr<const BuiltMenu> ReadMenu(const MenuKey& key, const std::string& windir, int room) {
    auto menu = std::make_shared<BuiltMenu>();
    MenuInput& in = menu->input;
    in.settings.status = key.Value("status", kivu::DefaultMenuStatus());
    in.settings.subMenu = key.Option("ExSubMenu", false);
    in.settings.bitmap = key.Option("ZeigeBitmap", true);
    in.settings.accessKeys = key.Option("Shortcut", true);
    in.settings.noWindowCheck = key.Option("nowindowcheck", false);
    if (!windir.empty()) {
        const auto read = [&](const char* name, DWORD maxBytes) {
            return ReadFileBounded(windir + "\\" + name, maxBytes);
        };
        ++languageReads;
        in.texts = ParseMenuTexts(kivu::LanguageFileText(read(kivu::kLanguageFile, kMaxLanguageBytes)));
        const auto shown = [&](Command c) {
            return in.texts.count(static_cast<int>(c)) && kivu::MenuFlag(in.settings.status, static_cast<int>(c));
        };
        const auto list = [&](const char* name) { return kivu::ListFileText(read(name, kMaxListBytes)); };
        if (shown(Command::ChangeFolder)) in.folders = kivu::ParseFolders(list(kivu::kFoldersFile));
        if (shown(Command::RunProgram)) in.programs = kivu::ParsePrograms(list(kivu::kProgramsFile));
        if (shown(Command::FtpSite)) in.ftpSites = kivu::ParseFtpSites(list(kivu::kFtpFile));
    }
    menu->model = BuildMenu(in, room);
    return menu;
}

}  // namespace

std::shared_ptr<const BuiltMenu> CurrentMenu(int room) {
    // The last menu, kept while its sources keep their stamps: a right-click
    // then reads no file and no value. A stamp as young as the coarsest clock
    // of a file system (2 s) is not trusted, as a second write in the same
    // tick would keep it.
    static std::mutex mutex;  // the file manager calls from several threads
    static MenuKey key;
    static std::shared_ptr<const BuiltMenu> kept;  // built for every id a host can give
    static Sources keptSources;
    static bool trusted = false;
    constexpr unsigned long long kRacyTicks = 2 * 10000000ULL;
    constexpr int kAllIds = 0x7FFF;

    std::lock_guard<std::mutex> lock(mutex);
    const std::string windir = WindowsDirectory();
    // The stamps are taken before the reads: a write in between then only
    // costs one more read on the next menu.
    Sources sources;
    sources[0] = key.LastWrite();
    if (!windir.empty()) {
        const char* files[] = {kivu::kLanguageFile, kivu::kFoldersFile, kivu::kProgramsFile, kivu::kFtpFile};
        for (size_t i = 0; i < 4; ++i) sources[i + 1] = FileStamp(windir + "\\" + files[i]);
    }
    if (!kept || !trusted || sources != keptSources) {
        kept = ReadMenu(key, windir, kAllIds);
        keptSources = sources;
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        trusted = std::all_of(sources.begin(), sources.end(),
                              [&](const Stamp& s) { return Ticks(now) > s.written + kRacyTicks; });
    }
    // Hosts give different id ranges (other handlers take their share); a
    // menu with fewer commands than the range is the same in any of them.
    if (static_cast<int>(kept->model.actions.size()) < room) return kept;
    return std::make_shared<const BuiltMenu>(BuiltMenu{kept->input, BuildMenu(kept->input, room)});
}

HBITMAP MenuBitmap() {
    // The small icon's size follows the display scale of the host's menus;
    // a changed scale draws the icon again at the new size.
    const int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
    if (menuBitmap && menuBitmapSide == cx) return menuBitmap.get();
    const kivu::UniqueIcon icon(
        static_cast<HICON>(LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(1), IMAGE_ICON, cx, cy, 0)));
    if (!icon) return nullptr;
    const BITMAPINFO bi = kivu::TopDown32(cx, cy);
    void* bits = nullptr;
    const kivu::WindowDC screen(nullptr);
    kivu::UniqueBitmap bmp(CreateDIBSection(screen.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bmp) {
        const kivu::UniqueDC dc(CreateCompatibleDC(screen.get()));
        const kivu::Selection selected(dc.get(), bmp.get());
        DrawIconEx(dc.get(), 0, 0, icon.get(), cx, cy, 0, nullptr, DI_NORMAL);
    }
    menuBitmap = std::move(bmp);
    menuBitmapSide = cx;
    return menuBitmap.get();
}

void FreeMenuBitmap() { menuBitmap.reset(); }

namespace {

std::string ModulePath() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(ModuleInstance(), path, static_cast<DWORD>(std::size(path)));
    return n && n < std::size(path) ? kivu::Narrow(std::wstring_view(path, n)) : std::string();
}

}  // namespace

HRESULT RegisterServer() {
    try {
        const std::string dll = ModulePath();
        const std::string windir = WindowsDirectory();
        if (dll.empty() || windir.empty()) return SELFREG_E_CLASS;
        // The parents that are not there yet are ours to remove again; an
        // earlier registration's record stays.
        std::string created = kivu::ReadRegString(HKEY_CLASSES_ROOT, kivu::ClassKey(), kivu::kCreatedKeysValue, "");
        for (const std::string& key : kivu::HandlerParentKeys())
            if (!kivu::RegKeyExists(HKEY_CLASSES_ROOT, key)) created += (created.empty() ? "" : "|") + key;
        kivu::WriteExtensionKeys(kivu::ExtensionKeys(dll, windir));
        kivu::WriteRegString(HKEY_CLASSES_ROOT, kivu::ClassKey(), kivu::kCreatedKeysValue, created);
        SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
        return S_OK;
    } catch (...) {
        UnregisterServer();  // nothing half registered stays behind
        return SELFREG_E_CLASS;
    }
}

HRESULT UnregisterServer() {
    try {
        const std::string created =
            kivu::ReadRegString(HKEY_CLASSES_ROOT, kivu::ClassKey(), kivu::kCreatedKeysValue, "");
        kivu::RemoveExtensionKeys(HKEY_CLASSES_ROOT);
        kivu::DeleteRecordedKeys(created);
        kivu::RemoveExtensionKeys(HKEY_LOCAL_MACHINE);
        return S_OK;
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

}  // namespace kivumenu

extern "C" long KivuLanguageFileReads() { return kivumenu::LanguageFileReads(); }
