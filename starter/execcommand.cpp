#include "starter/execcommand.h"

#include "common/utf8.h"

namespace kivu {

namespace {

// The window system's numbers, kept here so that this file needs no windows.h.
constexpr int kSwHide = 0, kSwShowNormal = 1, kSwShowMinimized = 2, kSwShowMaximized = 3, kSwShowMinNoActive = 7,
              kSwShowNa = 8;
constexpr uint32_t kNormalPriority = 0x20, kIdlePriority = 0x40, kHighPriority = 0x80, kRealtimePriority = 0x100;

std::string Cut(const std::string& text, size_t length) { return std::string(utf8::Head(text, length)); }

}  // namespace

int ShowCommandOf(TWindowStyle style) {
    switch (style) {
        case TWindowStyle::wsMinimize: return kSwShowMinimized;
        case TWindowStyle::wsMaximize: return kSwShowMaximized;
        case TWindowStyle::wsHide: return kSwHide;
        case TWindowStyle::wsMinNoActivate: return kSwShowMinNoActive;
        case TWindowStyle::wsShowNoActivate: return kSwShowNa;
        case TWindowStyle::wsNorm: break;
    }
    return kSwShowNormal;
}

uint32_t PriorityFlagOf(TPriorityClass priority) {
    switch (priority) {
        case TPriorityClass::pcIdle: return kIdlePriority;
        case TPriorityClass::pcHigh: return kHighPriority;
        case TPriorityClass::pcRealTime: return kRealtimePriority;
        case TPriorityClass::pcNormal: break;
    }
    return kNormalPriority;
}

std::string BuildCommand(const std::string& commandLine, const std::string& parameters) {
    return Cut(Cut(commandLine, kInStringLength) + " " + Cut(parameters, kInStringLength), kInStringLength);
}

std::string BuildAssociatedCommand(const std::string& program, const std::string& commandLine,
                                   const std::string& parameters) {
    return Cut(program + " " + Cut(commandLine, kInStringLength) + " " + Cut(parameters, kInStringLength),
               kAssociatedCommandLength);
}

}  // namespace kivu
