// The rename journal as a file of the user's: %LOCALAPPDATA%\kivu\rename.journal.
#pragma once
#include <string>

#include "common/handles.h"
#include "fileprops/journal.h"

namespace kivu {

class WinJournal : public JournalStore {
public:
    // path: the journal file; empty: the user's own.
    explicit WinJournal(std::string path = {});
    bool Begin(const std::string& text) override;
    bool Append(const std::string& text) override;
    void End() override { file_.reset(); }
    std::string Load() override;
    void Remove() override;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    UniqueFile file_;
};

// %LOCALAPPDATA%\kivu\rename.journal.
std::string UserJournalPath();

}  // namespace kivu
