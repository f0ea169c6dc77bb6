// The three list files of the menu configuration: any bytes load without a
// crash, and a saved list reads back as the same list (after one round the
// file's bytes no longer change).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "config/menustore.h"

namespace {

template <class Parse, class Format>
void RoundTrip(std::string_view input, Parse parse, Format format) {
    const auto list = parse(input);
    const std::string once = format(list);
    if (parse(once) != list) std::abort();
    if (format(parse(once)) != once) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    RoundTrip(input, kivu::ParseFolders, kivu::FormatFolders);
    RoundTrip(input, kivu::ParsePrograms, kivu::FormatPrograms);
    RoundTrip(input, kivu::ParseFtpSites, kivu::FormatFtpSites);
    return 0;
}
