// What the starter dialog's fields show of one stored entry, and whether they
// may be saved over it. An entry with a value that cannot be read (a "Tage"
// or "Fenster" that is no number, a value that is no string) shows what can
// be read; saving it from fields that never held its values would replace
// them, so it is saved only once the user has changed one of its fields.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "starter/starterstore.h"

namespace kivu {

// What the fields show.
struct EntryFields {
    std::string path;                 // Edit1
    std::optional<int32_t> position;  // the slider; none when "Tage" is no number
    // Edit2, when there is no position: the stored text as it is (so the user
    // sees what is wrong and a save writes it back unchanged), empty when the
    // value could not be read at all.
    std::string days;
    std::string parameters;  // Edit3
    int option = 0;          // the checked window option 1..3, 0 none
    bool complete = true;    // every value was read and understood
};

EntryFields FieldsOf(const EntryValues& values);

// Whether the fields may be saved over the entry they were loaded from:
// when it was loaded completely, or when the user has changed a field since.
// While the fields are being filled, their changes are the program's.
class ShownEntry {
public:
    // Filling the fields starts; complete: the entry was read completely.
    void BeginLoad(bool complete);
    // Filling ends; through: every field was filled (an error stops it early).
    void EndLoad(bool through);
    // A field has changed.
    void Changed();
    bool MaySave() const { return complete_ || edited_; }

private:
    bool complete_ = true;
    bool edited_ = false;
    bool loading_ = false;
};

}  // namespace kivu
