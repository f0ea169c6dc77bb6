// Where the menu configuration lives on Windows: the flags in the registry,
// the folders' default verb, the three list files in the Windows directory,
// and the language choice in the language file.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "config/menustore.h"

namespace kivu {

constexpr const char* kMenuKey = "software\\kivu\\menu";
constexpr const char* kFolderShellKey = "folder\\shell";
constexpr const char* kFoldersFile = "kivupfade.txt";
constexpr const char* kProgramsFile = "kivuprogs.txt";
constexpr const char* kFtpFile = "kivuftp.txt";

std::string LoadMenuStatus();
void SaveMenuStatus(const std::string& status);
bool ReadOptionFlag(const std::string& valueName, const std::string& def);
void WriteOptionFlag(const std::string& valueName, bool on);
std::string ReadFolderVerb();
void WriteFolderVerb(bool doublePane);

// The Windows directory followed by "\" and the file name.
std::string ListFilePath(const char* fileName);

// A missing file gives an empty list; a file that cannot be read raises FileError.
std::vector<std::string> LoadFolders();
std::vector<ProgramEntry> LoadPrograms();
std::vector<FtpEntry> LoadFtpSites();
// An empty list deletes its file; otherwise the new content goes to a file
// beside it first, which then replaces the old one, so a failure never
// leaves a half-written list. Failures raise FileError.
void SaveFolders(const std::vector<std::string>& folders);
void SavePrograms(const std::vector<ProgramEntry>& programs);
void SaveFtpSites(const std::vector<FtpEntry>& sites);

// The whole content of a list file (nothing when it does not exist) and the
// replacing save, for any path.
std::optional<std::string> ReadListFile(const std::string& path);
void WriteListFile(const std::string& path, const std::string& bytes);
// The same for the file's text, in the stored forms of common/storedtext.h.
std::optional<std::string> ReadListText(const std::string& path);
void WriteListText(const std::string& path, const std::string& text);

// The language file's choices: the languages offered (keys of "Available",
// in file order), the current one ("" when not set) and storing a new one.
std::vector<std::string> AvailableLanguages();
std::string CurrentLanguageSetting();
void SetCurrentLanguage(const std::string& language);

// The environment variables in text expanded (a result of at most 255
// characters); nothing when the expansion fails.
std::optional<std::string> ExpandEnvironment(const std::string& text);

}  // namespace kivu
