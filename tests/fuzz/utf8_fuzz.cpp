// libFuzzer target for the UTF-8 reader: any bytes are walked to the end in
// steps of one to four bytes, each step agrees with a plain reading of the
// well-formed sequences (value range per length), the text is rebuilt
// exactly, and counting, cutting and upper case keep their promises.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/utf8.h"

namespace {

namespace utf8 = kivu::utf8;

void Check(bool ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "utf8_fuzz: %s\n", what);
        abort();
    }
}

// The character of length 1-4 at `at`, if those bytes are a well-formed
// sequence: lead and continuation bits, then the value's range for its length.
bool PlainRead(std::string_view s, size_t at, char32_t& c, size_t& length) {
    const auto b = static_cast<unsigned char>(s[at]);
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (b < 0x80) {
        c = b;
        length = 1;
        return true;
    }
    if ((b & 0xE0) == 0xC0) {
        length = 2;
        c = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
        length = 3;
        c = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
        length = 4;
        c = b & 0x07;
    } else {
        return false;
    }
    if (s.size() - at < length) return false;
    for (size_t i = 1; i < length; ++i) {
        const auto t = static_cast<unsigned char>(s[at + i]);
        if ((t & 0xC0) != 0x80) return false;
        c = (c << 6) | (t & 0x3F);
    }
    return c >= kLeast[length] && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string rebuilt;
    size_t count = 0, units = 0;
    for (size_t at = 0; at < text.size(); ++count) {
        const size_t from = at;
        const char32_t c = utf8::NextOrByte(text, at);
        Check(at > from && at - from <= 4 && at <= text.size(), "a step out of bounds");
        char32_t plain = 0;
        size_t length = 0;
        if (PlainRead(text, from, plain, length)) {
            Check(c == plain && at - from == length, "a well-formed sequence read differently");
            utf8::Append(rebuilt, c);
            units += c > 0xFFFF ? 2 : 1;
        } else {
            Check(c == utf8::kInvalidByte + static_cast<unsigned char>(text[from]) && at == from + 1,
                  "an invalid byte not taken alone");
            rebuilt += text[from];
            ++units;
        }
        size_t again = from;
        Check(utf8::Next(text, again) == (c >= utf8::kInvalidByte ? utf8::kReplacement : c), "Next differs");
        Check(utf8::OffsetOf(text, count + 1) == at, "offset of a character");
    }
    Check(rebuilt == text, "not rebuilt exactly");
    Check(utf8::Length(text) == count, "character count");
    Check(utf8::Utf16Length(text) == units, "UTF-16 count");
    Check(utf8::Head(text, count) == text, "head of every character");

    const size_t cut = size ? data[0] % (units + 1) : 0;
    const std::string_view head = utf8::HeadUtf16(text, cut);
    Check(utf8::Utf16Length(head) <= cut && utf8::Utf16Length(head) + 2 > cut, "UTF-16 cut too short or long");
    Check(utf8::Head(text, utf8::Length(head)) == head, "UTF-16 cut inside a character");

    const std::string upper = utf8::ToUpper(text);
    Check(upper.size() == text.size(), "upper case changed the length");
    Check(utf8::ToUpper(upper) == upper, "upper case not stable");
    Check(utf8::EqualNoCase(text, upper) && utf8::EqualNoCase(upper, text), "a text differs from its upper case");
    return 0;
}
