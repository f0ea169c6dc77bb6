#include "common/extensionkeys.h"

#include <algorithm>

#include "common/reg.h"

namespace kivu {

namespace {

std::string HandlersOf(const std::string& parent) { return parent + "\\shellex\\ContextMenuHandlers"; }

}  // namespace

std::string ClassKey() { return std::string("CLSID\\") + kClassIdText; }

std::vector<ExtensionKey> ExtensionKeys(const std::string& library, const std::string& windowsDir) {
    std::vector<ExtensionKey> keys;
    for (const char* parent : kHandlerParents) {
        keys.push_back({HKEY_CLASSES_ROOT, HandlersOf(parent) + "\\" + kClassIdText, false, {}});
        keys.push_back({HKEY_CLASSES_ROOT, HandlersOf(parent) + "\\KIVU", false, {{"", kClassIdText}}});
    }
    keys.push_back({HKEY_CLASSES_ROOT, ClassKey(), false, {{"", kExtensionTitle}}});
    keys.push_back(
        {HKEY_CLASSES_ROOT, ClassKey() + "\\InprocServer32", false, {{"", library}, {"ThreadingModel", "Apartment"}}});
    keys.push_back({HKEY_LOCAL_MACHINE, kApprovedKey, true, {{kClassIdText, kExtensionTitle}}});
    keys.push_back({HKEY_LOCAL_MACHINE,
                    kUninstallKey,
                    false,
                    {{"DisplayName", "KIVU Menu Extension"},
                     {"DisplayVersion", "3.19"},
                     {"Publisher", "KIVU"},
                     {"UninstallString", windowsDir + "\\kivuutil.exe 666"}}});
    return keys;
}

void WriteExtensionKeys(const std::vector<ExtensionKey>& keys) {
    for (const auto& key : keys)
        for (const auto& [name, text] : key.values) WriteRegString(key.root, key.path, name, text);
}

void RemoveExtensionKeys(HKEY root) {
    std::vector<std::string> removed;
    for (const auto& key : ExtensionKeys()) {
        if (key.root != root) continue;
        if (key.shared) {
            for (const auto& value : key.values) DeleteRegValue(root, key.path, value.first);
            continue;
        }
        const bool below = std::any_of(removed.begin(), removed.end(), [&](const std::string& r) {
            return key.path.size() > r.size() && key.path.compare(0, r.size() + 1, r + "\\") == 0;
        });
        if (below) continue;
        DeleteRegKey(root, key.path);
        removed.push_back(key.path);
    }
}

std::vector<std::string> HandlerParentKeys() {
    std::vector<std::string> keys;
    for (const char* parent : kHandlerParents)
        for (const std::string& key : {std::string(parent), std::string(parent) + "\\shellex", HandlersOf(parent)})
            keys.push_back(key);
    return keys;
}

void DeleteRecordedKeys(const std::string& list) {
    std::vector<std::string> keys;
    for (size_t pos = 0; pos < list.size();) {
        const size_t bar = std::min(list.find('|', pos), list.size());
        if (bar > pos) keys.push_back(list.substr(pos, bar - pos));
        pos = bar + 1;
    }
    // Deepest first, so that a parent is empty when its turn comes.
    std::sort(keys.begin(), keys.end(), [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const auto& key : keys) DeleteEmptyRegKeys(HKEY_CLASSES_ROOT, key, 1);
}

}  // namespace kivu
