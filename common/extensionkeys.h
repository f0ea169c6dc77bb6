// The extension's registration as one table: registering the handler writes
// it, unregistering and uninstall (kivuutil 666) remove what it lists.
#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "common/classid.h"

namespace kivu {

// The handler's name in the file manager's lists and its messages.
constexpr const char* kExtensionTitle = "KIVU Menu";

// The file-manager classes whose context menu carries the handler.
constexpr const char* kHandlerParents[] = {"*", "Folder", "Drive"};

// One key of the registration with the values registering writes into it.
struct ExtensionKey {
    HKEY root;
    std::string path;
    // A key of the system that others share: removing takes only our values.
    // Otherwise the key is ours and goes whole.
    bool shared = false;
    std::vector<std::pair<std::string, std::string>> values;  // name, text
};

// Every key, in the order of removal: the handler keys of each parent (also
// the name earlier versions gave them, which nothing writes any more), the
// class key and its server, the approval, the installed-programs entry.
// library: the handler's path; windowsDir: where kivuutil.exe is. Both only
// matter for writing.
std::vector<ExtensionKey> ExtensionKeys(const std::string& library = {}, const std::string& windowsDir = {});

// Writes the values of every key.
void WriteExtensionKeys(const std::vector<ExtensionKey>& keys);

// Removes the table's keys under root (of shared keys only the values), in
// the table's order; a key below one already removed is not named again.
void RemoveExtensionKeys(HKEY root);

// The handler's registration notes the keys above its own that it had to
// create (a fresh system has no "Drive\\shellex") in this value of its class
// key, joined by "|", so that removing it takes exactly those along.
constexpr const char* kCreatedKeysValue = "CreatedKeys";
std::string ClassKey();  // "CLSID\\" and the class identifier
// The parents' keys that registering creates when they are missing.
std::vector<std::string> HandlerParentKeys();
// Deletes each listed key of HKEY_CLASSES_ROOT that is empty, deepest first.
void DeleteRecordedKeys(const std::string& list);

}  // namespace kivu
