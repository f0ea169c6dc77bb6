#include "common/errors.h"

namespace kivu {

std::string FormatMessage1(const std::string& fmt, const std::string& arg) {
    std::string out = fmt;
    const auto at = out.find("%s");
    if (at != std::string::npos) out.replace(at, 2, arg);
    return out;
}

std::string ErrorDisplayText(const std::string& message) {
    std::string text = message;
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) text += '.';
    return text;
}

}  // namespace kivu
