// libFuzzer target for the name pattern engine. Input: 4 bytes row index,
// then the pattern, a NUL byte and the source name. Checks that the engine
// ends with a result of bounded length, and that it gives the plain
// re-scanning result for every ASCII source without "[", and that a pattern
// and a source in valid UTF-8 give valid UTF-8: no piece splits a character.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/utf8.h"
#include "fileprops/namerules.h"
#include "tests/native/pattern_reference.h"

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "pattern_fuzz: %s\n", what);
        abort();
    }
}

bool IsUtf8(std::string_view text) {
    for (size_t at = 0; at < text.size();)
        if (kivu::utf8::NextOrByte(text, at) >= kivu::utf8::kInvalidByte) return false;
    return true;
}

bool IsAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    int32_t row;
    memcpy(&row, data, 4);
    const std::string rest(reinterpret_cast<const char*>(data + 4), size - 4);
    const size_t cut = rest.find('\0');
    const std::string pattern = rest.substr(0, cut);
    const std::string source = cut == std::string::npos ? std::string() : rest.substr(cut + 1);

    kivu::PatternError err;
    const std::string out = kivu::ApplyNamePattern(pattern, source, row, err);
    if (err.stopped) Check(out.empty(), "a stopped row returned text");

    // Every replacement takes one "[" of the pattern and puts in at most the
    // source or a 255-wide counter.
    size_t opens = 0;
    for (char c : pattern) opens += c == '[';
    const size_t widest = source.size() > 255 ? source.size() : 255;
    Check(out.size() <= pattern.size() + opens * widest, "result longer than any replacement allows");

    if (IsUtf8(pattern) && IsUtf8(source)) Check(IsUtf8(out), "a character was split");

    if (IsAscii(source) && source.find('[') == std::string::npos &&
        pattern.size() * (source.size() + 16) < (1u << 18)) {
        const reference::Outcome want = reference::ApplyPattern(pattern, source, row);
        Check(err.stopped == want.stopped, "stop differs from the plain form");
        if (!want.stopped) {
            Check(out == want.text, "result differs from the plain form");
            Check(err.badNumber == want.badNumber, "bad-number flag differs from the plain form");
        }
    }
    return 0;
}
