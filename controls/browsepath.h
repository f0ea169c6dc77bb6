// The folder browse dialog's status line: a long path shortened by leaving
// out folders after the drive.
#pragma once
#include <cstddef>
#include <string>

namespace kivu::browse {

constexpr size_t kStatusPathMax = 35;

// A path of at most maxLength characters (not bytes) stays whole; a longer one loses its
// second part to "..." and then, while still too long and more than three
// parts remain, the part after the "...". So C:\A\B\C\D\E can end as C:\...\E
// even when that is longer than maxLength. A path of fewer than three parts
// stays whole.
std::string ShortenPath(const std::string& path, size_t maxLength = kStatusPathMax);

}  // namespace kivu::browse
