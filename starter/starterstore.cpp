#include "starter/starterstore.h"

#include <windows.h>

#include <utility>

#include "common/convert.h"
#include "common/errors.h"
#include "common/reg.h"
#include "common/text.h"

namespace kivu {

namespace {
// Only its presence counts.
constexpr const char* kMarkerText = "KIVU Starter";
constexpr const char* kMissing = "-";
constexpr size_t kMaxKeyName = 255;  // the registry's limit
}  // namespace

StarterStore::StarterStore(std::string programPath) : programPath_(std::move(programPath)) {}

std::string StarterStore::RunningProgram() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return Narrow(path);
        }
        path.resize(path.size() * 2);  // cut off: ask again with more room
    }
}

bool StarterStore::IsEntryName(const std::string& name) {
    return !name.empty() && name.size() <= kMaxKeyName && name.find('\\') == std::string::npos;
}

std::string StarterStore::EntryKey(const std::string& name) { return std::string(kStarterKey) + "\\" + name; }

std::vector<std::string> StarterStore::List() const {
    std::vector<std::string> names;
    if (ReadRegString(HKEY_CURRENT_USER, kStarterKey, kStarterMarker, kMissing) != kMissing)
        ReadRegKeyNames(HKEY_CURRENT_USER, kStarterKey, names);
    return names;
}

StarterEntry StarterStore::Load(const std::string& name) const {
    StarterEntry e;
    if (!IsEntryName(name)) return e;
    const std::string key = EntryKey(name);
    e.path = ReadRegString(HKEY_CURRENT_USER, key, "Pfad", e.path);
    e.days = ReadRegString(HKEY_CURRENT_USER, key, "Tage", e.days);
    e.parameters = ReadRegString(HKEY_CURRENT_USER, key, "Parameter", e.parameters);
    e.window = ReadRegString(HKEY_CURRENT_USER, key, "Fenster", e.window);
    e.date = ReadRegString(HKEY_CURRENT_USER, key, "Datum", e.date);
    return e;
}

EntryValues StarterStore::LoadValues(const std::string& name) const {
    const StarterEntry defaults;
    EntryValues v{defaults.path, defaults.days, defaults.parameters, defaults.window};
    if (!IsEntryName(name)) return v;
    const std::string key = EntryKey(name);
    const std::pair<std::optional<std::string>*, const char*> values[] = {
        {&v.path, "Pfad"}, {&v.days, "Tage"}, {&v.parameters, "Parameter"}, {&v.window, "Fenster"}};
    for (const auto& [value, valueName] : values) {
        try {
            *value = ReadRegString(HKEY_CURRENT_USER, key, valueName, **value);
        } catch (const RuntimeError&) {
            value->reset();  // e.g. a number stored as a DWORD
        }
    }
    return v;
}

void StarterStore::Save(const std::string& name, const std::string& path, const std::string& days,
                        const std::string& parameters) const {
    if (path.empty() || !IsEntryName(name) || name == kNoname) return;
    WriteRegString(HKEY_CURRENT_USER, kStarterKey, kStarterMarker, kMarkerText);
    WriteRegString(HKEY_LOCAL_MACHINE, kRunKey, kAutostartValue, AutostartCommand());
    const std::string key = EntryKey(name);
    WriteRegString(HKEY_CURRENT_USER, key, "Pfad", path);
    if (!days.empty()) WriteRegString(HKEY_CURRENT_USER, key, "Tage", days);
    if (!parameters.empty()) WriteRegString(HKEY_CURRENT_USER, key, "Parameter", parameters);
}

void StarterStore::SetWindowMode(const std::string& name, const std::string& mode) const {
    if (IsEntryName(name)) WriteRegString(HKEY_CURRENT_USER, EntryKey(name), "Fenster", mode);
}

void StarterStore::Rename(const std::string& oldName, const std::string& newName) const {
    if (IsEntryName(oldName) && IsEntryName(newName))
        MoveRegKey(HKEY_CURRENT_USER, EntryKey(oldName), EntryKey(newName));
}

void StarterStore::Delete(const std::string& name) const {
    if (IsEntryName(name)) DeleteRegKey(HKEY_CURRENT_USER, EntryKey(name));
}

void StarterStore::DeleteStore() const {
    DeleteRegKey(HKEY_CURRENT_USER, kStarterKey);
    DeleteRegValue(HKEY_LOCAL_MACHINE, kRunKey, kAutostartValue);
}

bool StarterStore::NonameExists() const {
    return ReadRegString(HKEY_CURRENT_USER, EntryKey(kNoname), "Datum", kMissing) != kMissing;
}

void StarterStore::RecordStart(const std::string& name, int32_t day) const {
    if (IsEntryName(name)) WriteRegString(HKEY_CURRENT_USER, EntryKey(name), "Datum", IntToStr(day));
}

}  // namespace kivu
