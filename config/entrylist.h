// Editing the three lists of the menu configuration in memory: an ordered
// list of entries with a selection. The choosers that supply folders and
// file names belong to the window; their results come in as arguments.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "config/menustore.h"

namespace kivu {

// Changes "A".."Z" / "a".."z" only; every other byte stays.
std::string AsciiLower(std::string text);
std::string AsciiUpper(std::string text);

template <class T>
class EntryList {
public:
    static constexpr int kNone = -1;

    EntryList() = default;
    explicit EntryList(std::vector<T> entries) : entries_(std::move(entries)) {}

    const std::vector<T>& Entries() const { return entries_; }
    int Count() const { return static_cast<int>(entries_.size()); }
    bool Empty() const { return entries_.empty(); }
    const T& operator[](int i) const { return entries_[static_cast<size_t>(i)]; }

    int Selected() const { return selected_; }
    // An index outside the list selects nothing.
    void Select(int index) { selected_ = index >= 0 && index < Count() ? index : kNone; }
    void SelectFirst() { Select(0); }

    void AddSeparator(const T& separator) { entries_.push_back(separator); }

    // Swaps the selected entry with its neighbour; the selection keeps its index.
    void MoveUp() {
        if (selected_ < 1 || Count() < 2) return;
        std::swap(entries_[static_cast<size_t>(selected_) - 1], entries_[static_cast<size_t>(selected_)]);
    }
    void MoveDown() {
        if (selected_ == kNone || selected_ >= Count() - 1 || Count() < 2) return;
        std::swap(entries_[static_cast<size_t>(selected_)], entries_[static_cast<size_t>(selected_) + 1]);
    }

    // Removes the selected entry; its successor, or the new last entry, is selected.
    void DeleteSelected() {
        if (selected_ == kNone) return;
        entries_.erase(entries_.begin() + selected_);
        if (selected_ > Count() - 1) selected_ = Count() - 1;
        if (entries_.empty()) selected_ = kNone;
    }

    void ClearAll() {
        entries_.clear();
        selected_ = kNone;
    }

protected:
    T& At(int i) { return entries_[static_cast<size_t>(i)]; }
    void Append(T entry) { entries_.push_back(std::move(entry)); }

    // The target of a command that acts on the selected entry or, without a
    // selection, on the first (which becomes selected). None on an empty list.
    int TargetOrFirst() {
        if (selected_ == kNone && !entries_.empty()) selected_ = 0;
        return selected_;
    }

private:
    std::vector<T> entries_;
    int selected_ = kNone;
};

class FolderList : public EntryList<std::string> {
public:
    using EntryList::EntryList;
    void AddSeparator() { EntryList::AddSeparator(kSeparator); }

    // Appends the chosen folder in lower case. A text that a line cannot
    // hold is refused (false, nothing changes).
    bool AddFolder(const std::string& path);

    // Expands an environment text; nothing when the expansion fails.
    using Expander = std::function<std::optional<std::string>(const std::string&)>;
    // Appends the expanded "%userprofile%", "%windir%" and "%temp%" in lower
    // case, skipping any whose expansion fails.
    void AddStandardFolders(const Expander& expand);
};

class ProgramList : public EntryList<ProgramEntry> {
public:
    using EntryList::EntryList;
    void AddSeparator() { EntryList::AddSeparator(kProgramSeparator); }

    // Appends the entry for the chosen file: its name part in upper case up
    // to the first ".", the file as its path, its folder as the working
    // directory. Returns the folder part (the chooser starts there next
    // time), or nothing when the file name cannot be stored (a "|" would
    // shift the fields at the next load): then nothing changes.
    std::optional<std::string> AddProgram(const std::string& file);

    // Where the folder chooser starts for the working directory of the
    // target (the selected entry, else the first, which becomes selected):
    // its directory without one trailing backslash. Nothing on an empty list.
    std::optional<std::string> WorkingDirectoryStart();
    // Stores the chosen folder, with a backslash appended unless it ends
    // with one, as the directory of the target. False when refused.
    bool SetWorkingDirectory(const std::string& folder);

    // Ticked: the selected entry's path holds " %d".
    bool PassFileTicked() const;
    // Cuts the path before the first " %d", or appends " %d".
    void TogglePassFile();

    // The path that the file chooser proposes for the target (see above).
    std::optional<std::string> ReplacePathStart();
    // Stores the chosen name unchanged as the target's path. False (and no
    // change) when it holds a "|".
    bool ReplacePath(const std::string& file);

    // The text typed in place becomes the name unchanged; a text with a "|"
    // is refused (false).
    bool RenameEntry(int index, const std::string& name);
};

// A row of the FTP site list: the site, and whether it is a separator added
// while the window is open (the list's third column shows those with "-").
// The mark moves with its row.
struct FtpRow : FtpEntry {
    bool addedSeparator = false;
    bool operator==(const FtpRow&) const = default;
};

class FtpList : public EntryList<FtpRow> {
public:
    FtpList() = default;
    explicit FtpList(const std::vector<FtpEntry>& sites);
    // The sites as they are stored, in list order.
    std::vector<FtpEntry> Sites() const;

    void AddSeparator() { EntryList::AddSeparator(FtpRow{kFtpSeparator, true}); }
    // Appends a site that the user typed; the selection does not change.
    // Refused (false, nothing changes) when CheckFtpSite finds a fault.
    bool AddSite(const FtpEntry& site);
    bool RenameEntry(int index, const std::string& name);
};

// The field that keeps a typed site out of the list, if any. A site needs a
// name and an address, and its line must read back the same: no "|" in the
// name (the address, the last field, takes bars), no line end in either.
enum class FtpSiteFault { None, Name, Address };
FtpSiteFault CheckFtpSite(const FtpEntry& site);

constexpr const char* kPassFileMarker = " %d";

// The name and folder parts of a full file name, split after its last "\" or ":".
std::pair<std::string, std::string> SplitFileName(const std::string& file);

}  // namespace kivu
