#include "common/storedtext.h"

#include "common/utf8.h"

namespace kivu {

namespace {

std::string Utf16LeToUtf8(std::string_view bytes) {
    const auto unit = [&](size_t i) {
        return static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    };
    const size_t units = bytes.size() / 2;
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < units; ++i) {
        const char16_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
            utf8::Append(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
            ++i;
        } else {
            utf8::Append(out, u);  // an unpaired surrogate becomes U+FFFD
        }
    }
    return out;
}

}  // namespace

StoredForm FormOf(std::string_view bytes) {
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) return StoredForm::Utf8Bom;
    if (bytes.substr(0, kUtf16LeBom.size()) == kUtf16LeBom) return StoredForm::Utf16LeBom;
    return StoredForm::SingleByte;
}

std::optional<std::string> UnicodeFileText(std::string_view bytes) {
    switch (FormOf(bytes)) {
        case StoredForm::Utf8Bom: return std::string(bytes.substr(kUtf8Bom.size()));
        case StoredForm::Utf16LeBom: return Utf16LeToUtf8(bytes.substr(kUtf16LeBom.size()));
        case StoredForm::SingleByte: break;
    }
    return std::nullopt;
}

}  // namespace kivu
