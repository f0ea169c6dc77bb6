#include "starter/daynumber.h"

#include <cmath>

namespace kivu {

double ModifiedJulianDay(int day, int month, int year, double hour) {
    // The calendar reform is decided on the date as given, before January and
    // February are counted as months 13 and 14 of the year before.
    const double key = year * 10000.0 + month * 100.0 + day;
    if (month <= 2) {
        month += 12;
        year -= 1;
    }
    // Integer division of int cuts toward zero, as the formula wants.
    const int b = key <= 15821004.1 ? (year + 4716) / 4 - 1181 : year / 400 - year / 100 + year / 4;
    return 365.0 * year - 679004.0 + b + std::trunc(30.6001 * (month + 1)) + day + hour / 24.0;
}

int32_t DayNumber(int day, int month, int year) {
    return static_cast<int32_t>(std::trunc(ModifiedJulianDay(day, month, year, 0.0)));
}

}  // namespace kivu
