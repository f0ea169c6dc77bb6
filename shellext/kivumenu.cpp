// kivumenu.dll: the context-menu handler. One COM class (IShellExtInit,
// IContextMenu, IObjectWithSite) and its class factory. Every method catches
// everything: nothing may escape into the file manager.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <olectl.h>
#include <shlwapi.h>

#include <algorithm>
#include <new>

#include "common/handles.h"
#include "common/text.h"
#include "shellext/shellwin.h"

namespace kivumenu {

namespace {

// Copies text into a host's buffer of size units, cut to fit with its terminator.
template <class Char>
void CopyOut(std::basic_string_view<Char> text, Char* out, UINT size) {
    const size_t n = std::min<size_t>(text.size(), size - 1);
    std::copy_n(text.data(), n, out);
    out[n] = Char{};
}

// An ANSI host gets the help in its code page, cut at a character (a lead
// byte of a double-byte code page never ends the text).
void CopyOutAnsi(std::string_view text, CHAR* out, UINT size) {
    const std::wstring wide = kivu::Widen(text);
    std::string bytes;
    if (!wide.empty()) {
        const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                          nullptr);
        bytes.resize(static_cast<size_t>(n));
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), n, nullptr, nullptr);
    }
    size_t n = 0;
    while (n < bytes.size()) {
        const size_t step = IsDBCSLeadByte(static_cast<BYTE>(bytes[n])) && n + 1 < bytes.size() ? 2 : 1;
        if (n + step > size - 1) break;
        n += step;
    }
    CopyOut<char>(std::string_view(bytes).substr(0, n), out, size);
}

std::wstring DropPath(HDROP drop, UINT i) {
    const UINT n = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(n + 1, L'\0');
    DragQueryFileW(drop, i, path.data(), n + 1);
    path.resize(n);
    return path;
}

std::string ParentFolder(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    if (slash == std::string::npos) return {};
    return path.substr(0, slash == 2 && path[1] == ':' ? 3 : slash);  // "C:\" keeps its backslash
}

std::string PidlPath(PCIDLIST_ABSOLUTE pidl) {
    wchar_t path[MAX_PATH];
    if (!pidl || !SHGetPathFromIDListW(pidl, path)) return {};
    return kivu::Narrow(path);
}

class ContextMenu final : public IShellExtInit, public IContextMenu, public IObjectWithSite {
public:
    ContextMenu() { AddModuleRef(); }
    ~ContextMenu() {
        site_.reset();
        ReleaseModuleRef();
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IContextMenu))
            *out = static_cast<IContextMenu*>(this);
        else if (IsEqualIID(riid, IID_IShellExtInit))
            *out = static_cast<IShellExtInit*>(this);
        else if (IsEqualIID(riid, IID_IObjectWithSite))
            *out = static_cast<IObjectWithSite*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return n;
    }

    // IShellExtInit: the selected items, or the folder itself when the menu
    // is that of a folder's background.
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY) override {
        try {
            selection_ = {};
            if (data) {
                FORMATETC fmt = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
                STGMEDIUM filled{};
                if (SUCCEEDED(data->GetData(&fmt, &filled))) {
                    const kivu::StorageMedium medium(filled);
                    const kivu::GlobalLocked locked(medium.get().hGlobal);
                    if (auto drop = static_cast<HDROP>(locked.get())) {
                        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
                        for (UINT i = 0; i < count; ++i) {
                            const std::string path = kivu::Narrow(DropPath(drop, i));
                            if (!path.empty()) selection_.paths.push_back(path);
                        }
                    }
                }
            }
            if (selection_.paths.size() == 1 && PathIsDirectoryW(kivu::Widen(selection_.paths[0]).c_str()))
                selection_.folder = selection_.paths[0];  // a folder or a drive: work inside it
            else if (!selection_.paths.empty())
                selection_.folder = ParentFolder(selection_.paths[0]);
            else
                selection_.folder = PidlPath(folder);
            if (selection_.paths.empty() && selection_.folder.empty()) return E_INVALIDARG;
            return S_OK;
        } catch (...) {
            return E_FAIL;
        }
    }

    // IContextMenu
    STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT first, UINT last, UINT flags) override {
        try {
            if (flags & CMF_DEFAULTONLY) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
            const int room = last >= first ? static_cast<int>(std::min<UINT>(last - first + 1, 0x7FFF)) : 0;
            menu_ = CurrentMenu(room);
            HBITMAP bitmap = MenuBitmap();
            for (const auto& item : menu_->model.items) Insert(menu, index++, item, first, bitmap);
            return MAKE_HRESULT(SEVERITY_SUCCESS, 0, static_cast<USHORT>(menu_->model.actions.size()));
        } catch (...) {
            return E_FAIL;
        }
    }

    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override {
        try {
            if (!info) return E_INVALIDARG;
            const auto offset = OffsetOf(info);
            if (!offset) return E_INVALIDARG;
            InvokeContext context;
            context.owner = info->hwnd;
            context.site = site_.get();
            context.input = &menu_->input;
            context.selection = &selection_;
            return RunAction(menu_->model.actions[*offset], context);
        } catch (...) {
            return E_FAIL;
        }
    }

    STDMETHODIMP GetCommandString(UINT_PTR id, UINT type, UINT*, CHAR* name, UINT size) override {
        try {
            EnsureModel();
            if (id >= menu_->model.actions.size()) return E_INVALIDARG;
            const Action& action = menu_->model.actions[id];
            const bool wide = type & GCS_UNICODE;
            std::string text;
            switch (type & ~GCS_UNICODE) {
                case GCS_VERBA: text = action.verb; break;
                case GCS_HELPTEXTA: text = action.help; break;
                case GCS_VALIDATEA: return S_OK;
                default: return E_INVALIDARG;
            }
            if (!name || size == 0) return E_INVALIDARG;
            // The host's buffer holds size characters of the form it asked for.
            if (wide)
                CopyOut<wchar_t>(kivu::Widen(text), reinterpret_cast<wchar_t*>(name), size);
            else
                CopyOutAnsi(text, name, size);
            return S_OK;
        } catch (...) {
            return E_FAIL;
        }
    }

    // IObjectWithSite: the host's view, for selecting items and browsing.
    STDMETHODIMP SetSite(IUnknown* site) override {
        if (site) site->AddRef();
        site_.reset(site);
        return S_OK;
    }
    STDMETHODIMP GetSite(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        return site_ ? site_->QueryInterface(riid, out) : E_FAIL;
    }

private:
    // A host may ask for verbs without building the menu first.
    void EnsureModel() {
        if (!menu_) menu_ = CurrentMenu(0x7FFF);
    }

    std::optional<size_t> OffsetOf(CMINVOKECOMMANDINFO* info) {
        EnsureModel();
        // The Unicode verb counts when the host sends one; otherwise the ANSI one.
        auto* ex = reinterpret_cast<CMINVOKECOMMANDINFOEX*>(info);
        const bool unicode =
            info->cbSize >= sizeof(CMINVOKECOMMANDINFOEX) && (info->fMask & CMIC_MASK_UNICODE) && ex->lpVerbW;
        const auto raw = unicode ? reinterpret_cast<UINT_PTR>(ex->lpVerbW) : reinterpret_cast<UINT_PTR>(info->lpVerb);
        if (IS_INTRESOURCE(raw)) {
            const size_t offset = LOWORD(raw);
            return offset < menu_->model.actions.size() ? std::optional<size_t>(offset) : std::nullopt;
        }
        const std::string verb = unicode ? kivu::Narrow(ex->lpVerbW) : std::string(info->lpVerb);
        if (auto offset = menu_->model.OffsetOfVerb(verb)) return static_cast<size_t>(*offset);
        return std::nullopt;
    }

    static void Insert(HMENU menu, UINT position, const MenuItem& item, UINT first, HBITMAP bitmap) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        if (item.kind == MenuItem::Kind::Separator) {
            mii.fMask = MIIM_FTYPE;
            mii.fType = MFT_SEPARATOR;
            InsertMenuItemW(menu, position, TRUE, &mii);
            return;
        }
        std::wstring text = kivu::Widen(item.text);  // the menu keeps its own copy
        mii.fMask = MIIM_STRING | MIIM_STATE;
        mii.dwTypeData = text.data();
        mii.fState = item.kind == MenuItem::Kind::Command && item.offset < 0 ? MFS_DISABLED : MFS_ENABLED;
        if (item.kind == MenuItem::Kind::Command && item.offset >= 0) {
            mii.fMask |= MIIM_ID;
            mii.wID = first + static_cast<UINT>(item.offset);
        }
        if (item.bitmap && bitmap) {
            mii.fMask |= MIIM_BITMAP;
            mii.hbmpItem = bitmap;
        }
        kivu::UniqueMenu sub;
        if (item.kind == MenuItem::Kind::Popup) {
            sub.reset(CreatePopupMenu());
            UINT i = 0;
            for (const auto& child : item.children) Insert(sub.get(), i++, child, first, nullptr);
            mii.fMask |= MIIM_SUBMENU;
            mii.hSubMenu = sub.get();
        }
        if (InsertMenuItemW(menu, position, TRUE, &mii)) sub.release();  // the menu owns it now
    }

    LONG refs_ = 1;
    kivu::ComPtr<IUnknown> site_;
    Selection selection_;
    std::shared_ptr<const BuiltMenu> menu_;  // the menu last built, or null
};

class ClassFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    // The factory is a static object: it counts as a lock while referenced.
    STDMETHODIMP_(ULONG) AddRef() override {
        AddModuleRef();
        return 2;
    }
    STDMETHODIMP_(ULONG) Release() override {
        ReleaseModuleRef();
        return 1;
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        const kivu::ComPtr<ContextMenu> object(new (std::nothrow) ContextMenu());
        if (!object) return E_OUTOFMEMORY;
        return object->QueryInterface(riid, out);
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock) AddModuleRef();
        else ReleaseModuleRef();
        return S_OK;
    }
};

ClassFactory factory;

}  // namespace

}  // namespace kivumenu

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    if (reason == DLL_PROCESS_DETACH) kivumenu::FreeMenuBitmap();
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, kivu::kClassId)) return CLASS_E_CLASSNOTAVAILABLE;
    return kivumenu::factory.QueryInterface(riid, out);
}

STDAPI DllCanUnloadNow() { return kivumenu::ModuleInUse() ? S_FALSE : S_OK; }

STDAPI DllRegisterServer() { return kivumenu::RegisterServer(); }

STDAPI DllUnregisterServer() { return kivumenu::UnregisterServer(); }
