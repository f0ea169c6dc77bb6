#include "config/entrylist.h"

namespace kivu {

std::string AsciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string AsciiUpper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::pair<std::string, std::string> SplitFileName(const std::string& file) {
    const size_t cut = file.find_last_of("\\:");
    if (cut == std::string::npos) return {file, {}};
    return {file.substr(cut + 1), file.substr(0, cut + 1)};
}

bool FolderList::AddFolder(const std::string& path) {
    if (!FitsFolderLine(path)) return false;
    Append(AsciiLower(path));
    return true;
}

void FolderList::AddStandardFolders(const Expander& expand) {
    for (const char* text : {"%userprofile%", "%windir%", "%temp%"}) {
        const auto expanded = expand(text);
        if (expanded) AddFolder(*expanded);
    }
}

std::optional<std::string> ProgramList::AddProgram(const std::string& file) {
    auto [name, folder] = SplitFileName(file);
    name = AsciiUpper(name);
    if (const size_t dot = name.find('.'); dot != std::string::npos) name.erase(dot);
    if (!FitsField(name, false) || !FitsField(file, false) || !FitsField(folder, true)) return std::nullopt;
    Append({name, file, folder});
    return folder;
}

std::optional<std::string> ProgramList::WorkingDirectoryStart() {
    const int target = TargetOrFirst();
    if (target == kNone) return std::nullopt;
    std::string dir = (*this)[target].Directory;
    if (!dir.empty() && dir.back() == '\\') dir.pop_back();
    return dir;
}

bool ProgramList::SetWorkingDirectory(const std::string& folder) {
    const int target = TargetOrFirst();
    if (target == kNone || !FitsField(folder, true)) return false;
    At(target).Directory = !folder.empty() && folder.back() == '\\' ? folder : folder + "\\";
    return true;
}

bool ProgramList::PassFileTicked() const {
    return Selected() != kNone && (*this)[Selected()].Path.find(kPassFileMarker) != std::string::npos;
}

void ProgramList::TogglePassFile() {
    if (Selected() == kNone) return;
    std::string& path = At(Selected()).Path;
    const size_t at = path.find(kPassFileMarker);
    if (at != std::string::npos) path.erase(at);
    else path += kPassFileMarker;
}

std::optional<std::string> ProgramList::ReplacePathStart() {
    const int target = TargetOrFirst();
    if (target == kNone) return std::nullopt;
    return (*this)[target].Path;
}

bool ProgramList::ReplacePath(const std::string& file) {
    const int target = TargetOrFirst();
    if (target == kNone || !FitsField(file, false)) return false;
    At(target).Path = file;
    return true;
}

bool ProgramList::RenameEntry(int index, const std::string& name) {
    if (index < 0 || index >= Count() || !FitsField(name, false)) return false;
    At(index).Name = name;
    return true;
}

FtpList::FtpList(const std::vector<FtpEntry>& sites) {
    for (const FtpEntry& site : sites) Append(FtpRow{site});
}

std::vector<FtpEntry> FtpList::Sites() const {
    return std::vector<FtpEntry>(Entries().begin(), Entries().end());
}

FtpSiteFault CheckFtpSite(const FtpEntry& site) {
    if (site.Name.empty() || !FitsField(site.Name, false)) return FtpSiteFault::Name;
    if (site.Address.empty() || !FitsField(site.Address, true)) return FtpSiteFault::Address;
    return FtpSiteFault::None;
}

bool FtpList::AddSite(const FtpEntry& site) {
    if (CheckFtpSite(site) != FtpSiteFault::None) return false;
    Append(FtpRow{site});
    return true;
}

bool FtpList::RenameEntry(int index, const std::string& name) {
    if (index < 0 || index >= Count() || !FitsField(name, false)) return false;
    At(index).Name = name;
    return true;
}

}  // namespace kivu
