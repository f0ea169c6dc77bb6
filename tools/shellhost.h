// A small host for context-menu handlers, as the file manager uses them:
// create by class identifier, initialise with a selection, build the menu
// into a real HMENU, invoke by offset or verb. The menu host tool, the tests
// and the benchmark share it.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "common/handles.h"

namespace shellhost {

constexpr UINT kFirstId = 100;  // the ids the host hands out start here

// A data object holding the paths as CF_HDROP, as the file manager passes a selection.
IDataObject* NewDropData(const std::vector<std::string>& paths);
IDataObject* NewDropData(const std::vector<std::wstring>& paths);

struct MenuLine {
    int depth = 0;
    std::string text;
    UINT id = 0;
    bool separator = false, popup = false, disabled = false, bitmap = false;
};
// The menu's items, submenus right after their item with depth + 1.
std::vector<MenuLine> ReadMenu(HMENU menu, int depth = 0);
// One line per item, indented by depth; "----" for separators, "[bmp]", "(greyed)", ids.
std::string FormatMenu(const std::vector<MenuLine>& lines);

class Host {
public:
    Host() = default;

    HRESULT Create(const CLSID& clsid);
    // The selected items, or (folder only) the background of a folder.
    HRESULT InitFiles(const std::vector<std::string>& paths);
    HRESULT InitFiles(const std::vector<std::wstring>& paths);
    HRESULT InitBackground(const std::string& folder);
    void SetSite(IUnknown* site);
    // A new popup menu filled by the handler; returns the handler's result.
    HRESULT Build(UINT flags = CMF_NORMAL);
    HRESULT InvokeOffset(UINT offset, HWND owner = nullptr);
    HRESULT InvokeVerb(const char* verb, HWND owner = nullptr);
    HRESULT InvokeVerbW(const wchar_t* verb, HWND owner = nullptr);  // the Unicode form of the call

    IContextMenu* handler() const { return menu_.get(); }
    HMENU menu() const { return hmenu_.get(); }

private:
    HRESULT Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data);

    kivu::ComPtr<IContextMenu> menu_;
    kivu::UniqueMenu hmenu_;  // declared after the handler: destroyed before it
};

}  // namespace shellhost
