// The starter's entries and its autostart in the registry: one subkey per
// entry under HKCU "Software\KIVU\Starter", a marker value that says the
// store is set up, and the Run value that starts "kivuutil 3 start" at logon.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kivu {

constexpr const char* kStarterKey = "Software\\KIVU\\Starter";
constexpr const char* kStarterMarker = "Copyright";
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kAutostartValue = "KIVUStarter";
// The name a new entry carries until the user types one; never saved.
constexpr const char* kNoname = "Noname";

// One entry's stored texts, missing values read as their defaults.
struct StarterEntry {
    std::string path;             // "Pfad"
    std::string days = "7";       // "Tage"
    std::string parameters;       // "Parameter"
    std::string window = "0";     // "Fenster": "1" normal, "2" minimized, "3" hidden
    std::string date = "0";       // "Datum": day number of the last start
};

// The same texts as the dialog reads them: each value on its own, missing
// ones as their defaults, std::nullopt for one that cannot be read.
struct EntryValues {
    std::optional<std::string> path, days, parameters, window;
};

class StarterStore {
public:
    // programPath: the program the autostart runs (default: this one).
    explicit StarterStore(std::string programPath = RunningProgram());

    // The entry names in the store's order; empty unless the marker is there.
    std::vector<std::string> List() const;
    StarterEntry Load(const std::string& name) const;
    // As Load without "Datum", but a value that cannot be read (not a
    // string) does not stop the others.
    EntryValues LoadValues(const std::string& name) const;
    // Writes the marker, the autostart, the path, the days unless empty and
    // the parameters unless empty (an emptied field keeps what is stored).
    // Writes nothing for an empty path or name or for the name "Noname".
    void Save(const std::string& name, const std::string& path, const std::string& days,
              const std::string& parameters) const;
    void SetWindowMode(const std::string& name, const std::string& mode) const;
    // Moves the entry with everything in it; nothing when the old one is
    // missing or the new one exists.
    void Rename(const std::string& oldName, const std::string& newName) const;
    void Delete(const std::string& name) const;
    // Removes every entry, the marker and the autostart.
    void DeleteStore() const;
    // True when an entry "Noname" has a start date: a new one may not be made.
    bool NonameExists() const;
    void RecordStart(const std::string& name, int32_t day) const;

    // What the autostart runs: the program's path + " 3 start".
    std::string AutostartCommand() const { return programPath_ + " 3 start"; }
    static std::string RunningProgram();

    // A name that can be an entry: one key name (not empty, no backslash, at
    // most 255 characters). The operations ignore any other name, so that a
    // name typed into the dialog never reaches a key outside its entry.
    static bool IsEntryName(const std::string& name);

private:
    static std::string EntryKey(const std::string& name);
    std::string programPath_;
};

}  // namespace kivu
