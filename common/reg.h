// Registry value helpers. Each call opens what it needs, does one thing and
// closes everything again; callers work with plain text paths.
//
// A key path is relative to the root; one leading backslash and one trailing
// backslash are ignored. Every value written is a string value. Failures that
// matter raise RegistryError; a key that cannot be opened counts as missing.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace kivu {

// Creates every missing key along the path, then stores text as a REG_SZ
// value, replacing a value of any type.
void WriteRegString(HKEY root, const std::string& keyPath, const std::string& valueName, const std::string& text);

// The string stored under valueName ("" is the key's default value), up to its
// first zero; def when the key or the value is missing, "" when the value has
// no data. REG_EXPAND_SZ is returned unexpanded; any other type raises.
void ReadRegString(HKEY root, const std::string& keyPath, const std::string& valueName, const std::string& def,
                   std::string& out);
std::string ReadRegString(HKEY root, const std::string& keyPath, const std::string& valueName,
                          const std::string& def);
// The same read, of any length, from a key the caller holds open for reading.
std::string ReadRegStringFrom(HKEY key, const std::string& valueName, const std::string& def);

// Renames a key with all its values and subkeys. Does nothing when the old key
// is missing, when the new key exists, or when the new path lies inside the
// old key. A copy that fails half way is removed again and the old key stays.
void MoveRegKey(HKEY root, const std::string& oldPath, const std::string& newPath);

// Replaces list by the names of the key's direct subkeys, in the store's
// order; empty when the key cannot be opened.
void ReadRegKeyNames(HKEY root, const std::string& keyPath, std::vector<std::string>& list);

// Deletes the key with everything below it. A missing key is no error; an
// empty path (the root itself) is refused.
void DeleteRegKey(HKEY root, const std::string& keyPath);

// Deletes the key when it holds neither values nor subkeys, then its parent
// under the same rule, up to `levels` keys: what a removal left empty.
// Anything that is not empty, or missing, ends the walk without an error.
void DeleteEmptyRegKeys(HKEY root, const std::string& keyPath, int levels);

// Whether the key exists (it opens for reading).
bool RegKeyExists(HKEY root, const std::string& keyPath);

// Deletes one value; a missing key or value is no error.
void DeleteRegValue(HKEY root, const std::string& keyPath, const std::string& valueName);

}  // namespace kivu
