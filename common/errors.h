// Errors raised by the runtime helpers (registry, profile file, files, number
// conversion). Handlers do not catch them: the toolkit's guard around every
// event shows them in the default error display and the window goes on.
#pragma once
#include <stdexcept>
#include <string>

namespace kivu {

class RuntimeError : public std::runtime_error {
public:
    explicit RuntimeError(const std::string& text) : std::runtime_error(text) {}
};

class ConvertError : public RuntimeError {
    using RuntimeError::RuntimeError;
};
class RegistryError : public RuntimeError {
    using RuntimeError::RuntimeError;
};
class ProfileError : public RuntimeError {
    using RuntimeError::RuntimeError;
};
class FileError : public RuntimeError {
    using RuntimeError::RuntimeError;
};

// Replaces the first "%s" of fmt with arg.
std::string FormatMessage1(const std::string& fmt, const std::string& arg);

// The text the error display shows: a "." is appended when the last
// character sorts after ".".
std::string ErrorDisplayText(const std::string& message);

}  // namespace kivu
