// The decisions of the starter's automatic run, apart from its window: when
// an entry is due, what the status bar says about it, how its stored window
// mode is read.
#pragma once
#include <cstdint>
#include <string>

#include "starter/execcommand.h"

namespace kivu {

// An entry last started on day `last` with an interval of `interval` days is
// due on day `today` when today >= last + interval. Any stored numbers may
// meet here (a typed 150, a negative interval, a date in the future): the
// sum is taken in 64 bits, so it cannot overflow.
bool IsDue(int32_t today, int32_t last, int32_t interval);

// "days since the last start / interval", e.g. "3 / 7" or "-2 / 7".
std::string DaysText(int32_t today, int32_t last, int32_t interval);

// The option that shows a stored window mode ("Fenster"): 1 normal for "0"
// and "1", 2 minimized for "2", 3 hidden for "3", 0 none for any other
// number. A text that is not a number raises ConvertError.
int WindowOption(const std::string& fenster);

// The runner's window style for a stored window mode: minimized for "2",
// hidden for "3", normal for any other number. Raises as WindowOption.
TWindowStyle WindowStyleOf(const std::string& fenster);

}  // namespace kivu
