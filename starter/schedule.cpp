#include "starter/schedule.h"

#include "common/convert.h"

namespace kivu {

bool IsDue(int32_t today, int32_t last, int32_t interval) {
    return int64_t{today} >= int64_t{last} + interval;
}

std::string DaysText(int32_t today, int32_t last, int32_t interval) {
    return IntToStr(int64_t{today} - last) + " / " + IntToStr(interval);
}

int WindowOption(const std::string& fenster) {
    switch (StrToInt(fenster)) {
        case 0:
        case 1: return 1;
        case 2: return 2;
        case 3: return 3;
        default: return 0;
    }
}

TWindowStyle WindowStyleOf(const std::string& fenster) {
    switch (WindowOption(fenster)) {
        case 2: return TWindowStyle::wsMinimize;
        case 3: return TWindowStyle::wsHide;
        default: return TWindowStyle::wsNorm;
    }
}

}  // namespace kivu
