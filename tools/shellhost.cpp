#include "tools/shellhost.h"

#include <shellapi.h>

#include <cstring>
#include <iterator>
#include <new>

#include "common/text.h"

namespace shellhost {

namespace {

class DropData final : public IDataObject {
public:
    explicit DropData(const std::vector<std::wstring>& paths) {
        for (const auto& p : paths) list_ += p + L'\0';
        list_ += L'\0';
    }
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        *out = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDataObject)) return E_NOINTERFACE;
        *out = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG n = InterlockedDecrement(&refs_);
        if (!n) delete this;
        return n;
    }
    STDMETHODIMP GetData(FORMATETC* fmt, STGMEDIUM* medium) override {
        if (QueryGetData(fmt) != S_OK) return DV_E_FORMATETC;
        const size_t bytes = sizeof(DROPFILES) + list_.size() * sizeof(wchar_t);
        HGLOBAL mem = GlobalAlloc(GHND, bytes);
        if (!mem) return E_OUTOFMEMORY;
        auto* drop = static_cast<DROPFILES*>(GlobalLock(mem));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = TRUE;
        memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list_.data(), list_.size() * sizeof(wchar_t));
        GlobalUnlock(mem);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = mem;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* fmt) override {
        return fmt && fmt->cfFormat == CF_HDROP && (fmt->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
    }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        if (out) out->ptd = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    LONG refs_ = 1;
    std::wstring list_;
};

}  // namespace

IDataObject* NewDropData(const std::vector<std::wstring>& paths) { return new (std::nothrow) DropData(paths); }

IDataObject* NewDropData(const std::vector<std::string>& paths) {
    std::vector<std::wstring> wide;
    for (const auto& p : paths) wide.push_back(kivu::Widen(p));
    return NewDropData(wide);
}

std::vector<MenuLine> ReadMenu(HMENU menu, int depth) {
    std::vector<MenuLine> lines;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[512] = {};
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING | MIIM_BITMAP;
        mii.dwTypeData = text;
        mii.cch = static_cast<UINT>(std::size(text));
        if (!GetMenuItemInfoW(menu, i, TRUE, &mii)) continue;
        MenuLine line;
        line.depth = depth;
        line.separator = (mii.fType & MFT_SEPARATOR) != 0;
        line.text = line.separator ? "" : kivu::Narrow(text);
        line.id = mii.wID;
        line.popup = mii.hSubMenu != nullptr;
        line.disabled = (mii.fState & MFS_DISABLED) != 0;
        line.bitmap = mii.hbmpItem != nullptr;
        lines.push_back(line);
        if (mii.hSubMenu)
            for (auto& sub : ReadMenu(mii.hSubMenu, depth + 1)) lines.push_back(sub);
    }
    return lines;
}

std::string FormatMenu(const std::vector<MenuLine>& lines) {
    std::string out;
    for (const auto& l : lines) {
        out += std::string(l.depth * 4, ' ');
        if (l.separator) {
            out += "----\n";
            continue;
        }
        if (l.bitmap) out += "[bmp] ";
        out += l.text;
        if (l.popup) out += " >";
        if (l.disabled) out += " (greyed)";
        if (!l.popup && !l.disabled) out += "   #" + std::to_string(l.id - kFirstId);
        out += "\n";
    }
    return out;
}

HRESULT Host::Create(const CLSID& clsid) {
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IContextMenu, menu_.put_void());
}

HRESULT Host::InitFiles(const std::vector<std::string>& paths) {
    std::vector<std::wstring> wide;
    for (const auto& p : paths) wide.push_back(kivu::Widen(p));
    return InitFiles(wide);
}

HRESULT Host::InitFiles(const std::vector<std::wstring>& paths) {
    const kivu::ComPtr<IDataObject> data(NewDropData(paths));
    if (!data) return E_OUTOFMEMORY;
    return Initialize(nullptr, data.get());
}

HRESULT Host::InitBackground(const std::string& folder) {
    PIDLIST_ABSOLUTE pidl = ILCreateFromPathW(kivu::Widen(folder).c_str());
    if (!pidl) return E_INVALIDARG;
    const HRESULT hr = Initialize(pidl, nullptr);
    ILFree(pidl);
    return hr;
}

HRESULT Host::Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data) {
    kivu::ComPtr<IShellExtInit> init;
    const HRESULT hr = menu_->QueryInterface(IID_IShellExtInit, init.put_void());
    if (FAILED(hr)) return hr;
    return init->Initialize(folder, data, nullptr);
}

void Host::SetSite(IUnknown* site) {
    kivu::ComPtr<IObjectWithSite> with;
    if (SUCCEEDED(menu_->QueryInterface(IID_IObjectWithSite, with.put_void()))) with->SetSite(site);
}

HRESULT Host::Build(UINT flags) {
    hmenu_.reset(CreatePopupMenu());
    return menu_->QueryContextMenu(hmenu_.get(), 0, kFirstId, 0x7FFF, flags);
}

HRESULT Host::InvokeOffset(UINT offset, HWND owner) { return InvokeVerb(MAKEINTRESOURCEA(offset), owner); }

HRESULT Host::InvokeVerb(const char* verb, HWND owner) {
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.hwnd = owner;
    info.lpVerb = verb;
    info.nShow = SW_SHOWNORMAL;
    return menu_->InvokeCommand(&info);
}

HRESULT Host::InvokeVerbW(const wchar_t* verb, HWND owner) {
    CMINVOKECOMMANDINFOEX info{};
    info.cbSize = sizeof info;
    info.fMask = CMIC_MASK_UNICODE;
    info.hwnd = owner;
    info.lpVerb = "";  // hosts pass an ANSI form too; the Unicode one counts
    info.lpVerbW = verb;
    info.nShow = SW_SHOWNORMAL;
    return menu_->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info));
}

}  // namespace shellhost
