#include "common/reg.h"

#include <iterator>

#include "common/errors.h"
#include "common/handles.h"
#include "common/text.h"

namespace kivu {

namespace {

constexpr const char* kCreateFailed = "Erzeugung von Schlüssel %s misslungen";
constexpr const char* kSetFailed = "Konnte Daten für '%s' nicht setzen";
constexpr const char* kBadType = "Ungültiger Datentyp für '%s'";
constexpr const char* kGetFailed = "Konnte Daten für '%s' nicht holen";

// Longest key name the registry allows, plus the terminating zero.
constexpr DWORD kKeyNameChars = 256;
// Longest value name the registry allows, plus the terminating zero.
constexpr DWORD kValueNameChars = 16384;

// The path as the registry wants it: one leading and one trailing backslash
// name the same key as the path without them.
std::string KeyPath(const std::string& path) {
    std::string p = path;
    if (!p.empty() && p.front() == '\\') p.erase(0, 1);
    if (!p.empty() && p.back() == '\\') p.pop_back();
    return p;
}

bool OpenKey(HKEY root, const std::string& path, UniqueRegKey& key) {
    return RegOpenKeyExW(root, Widen(path).c_str(), 0, KEY_ALL_ACCESS, key.put()) == ERROR_SUCCESS;
}

// True when path names base itself or a key below it (case-insensitively,
// the registry's rule).
bool IsSameOrBelow(const std::wstring& path, const std::wstring& base) {
    if (path.size() < base.size()) return false;
    if (path.size() > base.size() && path[base.size()] != L'\\') return false;
    const int n = static_cast<int>(base.size());
    return CompareStringOrdinal(path.data(), n, base.data(), n, TRUE) == CSTR_EQUAL;
}

void DeleteTree(HKEY parent, const std::wstring& path) {
    {
        UniqueRegKey key;
        if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_ALL_ACCESS, key.put()) == ERROR_SUCCESS) {
            DWORD subkeys = 0;
            if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
                // From the last index down, so that the lower indices stay valid.
                for (DWORD i = subkeys; i-- > 0;) {
                    wchar_t name[kKeyNameChars];
                    DWORD len = kKeyNameChars;
                    if (RegEnumKeyExW(key.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
                        DeleteTree(key.get(), std::wstring(name, len));
                }
            }
        }
    }
    RegDeleteKeyW(parent, path.c_str());
}

// Copies every value (name, type and data as they are) and every subkey of
// from into to. srcPath and dstPath name the two keys in messages.
void CopyTree(HKEY from, HKEY to, const std::string& srcPath, const std::string& dstPath) {
    DWORD values = 0, maxNameChars = 0, maxDataBytes = 0;
    if (RegQueryInfoKeyW(from, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, &maxNameChars,
                         &maxDataBytes, nullptr, nullptr) != ERROR_SUCCESS)
        throw RegistryError(FormatMessage1(kGetFailed, srcPath));

    std::wstring name(maxNameChars + 1, L'\0');
    std::vector<BYTE> data(maxDataBytes > 0 ? maxDataBytes : 1);
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameLen = 0, dataLen = 0, type = 0;
        LONG rc;
        for (;;) {
            nameLen = static_cast<DWORD>(name.size());
            dataLen = static_cast<DWORD>(data.size());
            rc = RegEnumValueW(from, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
            if (rc != ERROR_MORE_DATA) break;
            // A value grew since the key was measured: make room and read it again.
            name.resize(kValueNameChars);
            data.resize(dataLen > data.size() ? dataLen : data.size() * 2);
        }
        if (rc == ERROR_NO_MORE_ITEMS) break;
        const std::wstring valueName(name.data(), nameLen);
        if (rc != ERROR_SUCCESS) throw RegistryError(FormatMessage1(kGetFailed, Narrow(valueName)));
        if (RegSetValueExW(to, valueName.c_str(), 0, type, dataLen ? data.data() : nullptr, dataLen) !=
            ERROR_SUCCESS)
            throw RegistryError(FormatMessage1(kSetFailed, Narrow(valueName)));
    }

    for (DWORD i = 0;; ++i) {
        wchar_t buf[kKeyNameChars];
        DWORD len = kKeyNameChars;
        const LONG rc = RegEnumKeyExW(from, i, buf, &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) throw RegistryError(FormatMessage1(kGetFailed, srcPath));
        const std::wstring sub(buf, len);
        const std::string subSrc = srcPath + "\\" + Narrow(sub);
        const std::string subDst = dstPath + "\\" + Narrow(sub);
        UniqueRegKey src;
        if (RegOpenKeyExW(from, sub.c_str(), 0, KEY_ALL_ACCESS, src.put()) != ERROR_SUCCESS)
            throw RegistryError(FormatMessage1(kGetFailed, subSrc));
        UniqueRegKey dst;
        if (RegCreateKeyExW(to, sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            dst.put(), nullptr) != ERROR_SUCCESS)
            throw RegistryError(FormatMessage1(kCreateFailed, subDst));
        CopyTree(src.get(), dst.get(), subSrc, subDst);
    }
}

}  // namespace

void WriteRegString(HKEY root, const std::string& keyPath, const std::string& valueName, const std::string& text) {
    UniqueRegKey key;
    if (RegCreateKeyExW(root, Widen(KeyPath(keyPath)).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        throw RegistryError(FormatMessage1(kCreateFailed, keyPath));
    // Stored with its terminating zero.
    const std::wstring data = Widen(text);
    if (data.size() >= MAXDWORD / sizeof(wchar_t) ||
        RegSetValueExW(key.get(), Widen(valueName).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
        throw RegistryError(FormatMessage1(kSetFailed, valueName));
}

std::string ReadRegString(HKEY root, const std::string& keyPath, const std::string& valueName,
                          const std::string& def) {
    UniqueRegKey key;
    if (!OpenKey(root, KeyPath(keyPath), key)) return def;
    return ReadRegStringFrom(key.get(), valueName, def);
}

std::string ReadRegStringFrom(HKEY key, const std::string& valueName, const std::string& def) {
    const std::wstring name = Widen(valueName);
    DWORD type = 0, size = 0;
    LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (rc == ERROR_FILE_NOT_FOUND) return def;
    if (rc != ERROR_SUCCESS) throw RegistryError(FormatMessage1(kGetFailed, valueName));
    if (size == 0) return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) throw RegistryError(FormatMessage1(kBadType, valueName));

    // Sized in bytes; one unit more than asked for, as stored data need not end
    // in a zero or may have an odd length.
    std::vector<wchar_t> buf(size / sizeof(wchar_t) + 1);
    for (;;) {
        size = static_cast<DWORD>(buf.size() * sizeof(wchar_t));
        rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &size);
        if (rc != ERROR_MORE_DATA) break;
        const size_t units = size / sizeof(wchar_t) + 1;
        buf.resize(units > buf.size() ? units : buf.size() * 2);
    }
    if (rc == ERROR_FILE_NOT_FOUND) return def;
    if (rc != ERROR_SUCCESS) throw RegistryError(FormatMessage1(kGetFailed, valueName));
    if (size == 0) return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) throw RegistryError(FormatMessage1(kBadType, valueName));
    const std::wstring_view data(buf.data(), size / sizeof(wchar_t));
    return Narrow(data.substr(0, data.find(L'\0')));
}

void ReadRegString(HKEY root, const std::string& keyPath, const std::string& valueName, const std::string& def,
                   std::string& out) {
    out = ReadRegString(root, keyPath, valueName, def);
}

void MoveRegKey(HKEY root, const std::string& oldPath, const std::string& newPath) {
    const std::string oldKey = KeyPath(oldPath);
    const std::string newKey = KeyPath(newPath);
    if (oldKey.empty() || newKey.empty()) return;
    const std::wstring oldW = Widen(oldKey);
    const std::wstring newW = Widen(newKey);
    // A key cannot move into itself: the copy would chase its own growing tree.
    if (IsSameOrBelow(newW, oldW)) return;

    UniqueRegKey from;
    if (RegOpenKeyExW(root, oldW.c_str(), 0, KEY_ALL_ACCESS, from.put()) != ERROR_SUCCESS) return;
    UniqueRegKey to;
    DWORD disposition = 0;
    if (RegCreateKeyExW(root, newW.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, to.put(),
                        &disposition) != ERROR_SUCCESS)
        throw RegistryError(FormatMessage1(kCreateFailed, newPath));
    if (disposition == REG_OPENED_EXISTING_KEY) return;

    try {
        CopyTree(from.get(), to.get(), oldKey, newKey);
    } catch (...) {
        // Leave the store as it was: the old key untouched, no half copy.
        to.reset();
        DeleteTree(root, newW);
        throw;
    }
    from.reset();
    to.reset();
    DeleteTree(root, oldW);
}

void ReadRegKeyNames(HKEY root, const std::string& keyPath, std::vector<std::string>& list) {
    list.clear();
    UniqueRegKey key;
    if (!OpenKey(root, KeyPath(keyPath), key)) return;
    for (DWORD i = 0;; ++i) {
        wchar_t buf[kKeyNameChars];
        DWORD len = static_cast<DWORD>(std::size(buf));
        if (RegEnumKeyExW(key.get(), i, buf, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return;
        list.push_back(Narrow(std::wstring_view(buf, len)));
    }
}

void DeleteRegKey(HKEY root, const std::string& keyPath) {
    const std::string path = KeyPath(keyPath);
    // An empty path names the root itself; deleting "everything below it" is
    // never what a caller means.
    if (path.empty()) return;
    DeleteTree(root, Widen(path));
}

void DeleteEmptyRegKeys(HKEY root, const std::string& keyPath, int levels) {
    std::string path = KeyPath(keyPath);
    for (int i = 0; i < levels && !path.empty(); ++i) {
        {
            UniqueRegKey key;
            if (!OpenKey(root, path, key)) return;
            DWORD subkeys = 1, values = 1;
            if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                 nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
                subkeys != 0 || values != 0)
                return;
        }
        if (RegDeleteKeyW(root, Widen(path).c_str()) != ERROR_SUCCESS) return;
        const size_t slash = path.find_last_of('\\');
        path = slash == std::string::npos ? std::string() : path.substr(0, slash);
    }
}

bool RegKeyExists(HKEY root, const std::string& keyPath) {
    UniqueRegKey key;
    return RegOpenKeyExW(root, Widen(KeyPath(keyPath)).c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

void DeleteRegValue(HKEY root, const std::string& keyPath, const std::string& valueName) {
    UniqueRegKey key;
    if (OpenKey(root, KeyPath(keyPath), key)) RegDeleteValueW(key.get(), Widen(valueName).c_str());
}

}  // namespace kivu
