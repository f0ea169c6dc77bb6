// What the program runner hands to the system, as plain values: the show
// command of a window style, the creation flag of a priority, the command
// line built from its parts.
#pragma once
#include <cstdint>
#include <string>

namespace kivu {

enum class TWindowStyle { wsNorm, wsMinimize, wsMaximize, wsHide, wsMinNoActivate, wsShowNoActivate };
enum class TPriorityClass { pcNormal, pcIdle, pcHigh, pcRealTime };
enum class TWaitStyle { wRegular, wSuspend };

// Longest command line and longest part of one (CommandLine, Parameters), in
// characters.
constexpr size_t kInStringLength = 255;
// Longest command line that starts a document's associated program.
constexpr size_t kAssociatedCommandLength = 511;

// The SW_* show command of a window style.
int ShowCommandOf(TWindowStyle style);

// The *_PRIORITY_CLASS creation flag of a priority.
uint32_t PriorityFlagOf(TPriorityClass priority);

// commandLine + " " + parameters, cut after 255 characters; the blank is
// there also when parameters is empty.
std::string BuildCommand(const std::string& commandLine, const std::string& parameters);

// program + " " + commandLine + " " + parameters, cut after 511 characters:
// the document commandLine opened by the program associated with it.
std::string BuildAssociatedCommand(const std::string& program, const std::string& commandLine,
                                   const std::string& parameters);

}  // namespace kivu
