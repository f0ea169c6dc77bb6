// One section of a profile file as the system's section read returns it
// ("key=value\0key=value\0\0"), answered the way the single-value read
// answers: keys without regard to case, the first of equal keys, blanks
// around the value and one pair of enclosing quotes dropped.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kivu {

class ProfileSection {
public:
    ProfileSection() = default;
    explicit ProfileSection(std::string_view block);

    // Nothing when the key is not there.
    std::optional<std::string> Value(std::string_view key) const;
    // What a write of the value makes the next read return.
    void Set(std::string_view key, std::string value);
    // One "key=value" line; an earlier equal key stays.
    void AddLine(std::string_view line);

private:
    std::unordered_map<std::string, std::string> values_;  // by lower-case key
};

// The sections of a whole profile file's text by lower-case name, for a
// reader that does not go through the profile functions. Lines end at LF
// (a CR before it is a blank), the text at its first NUL; sections of equal
// names are one; lines before the first section belong to none.
std::map<std::string, ProfileSection> ParseProfileText(std::string_view text);

}  // namespace kivu
