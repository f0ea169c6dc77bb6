// The rename journal's reader on any bytes: it must never fail in memory, and
// what it reads must read back the same once written again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fileprops/journal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    kivu::Journal journal;
    if (!kivu::ReadJournal(text, journal)) return 0;
    std::string again = kivu::JournalHead(journal.folder);
    for (const auto& step : journal.steps) again += kivu::JournalLine(step);
    kivu::Journal second;
    if (!kivu::ReadJournal(again, second) || second.folder != journal.folder || second.steps != journal.steps)
        std::abort();
    return 0;
}
