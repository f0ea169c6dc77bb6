// Day numbers for the starter's intervals: the Modified Julian Day of a date,
// so that "every n days" is a comparison of integers.
#pragma once
#include <cstdint>

namespace kivu {

// The Modified Julian Day of a date and an hour of that day (the published
// formula: Julian calendar up to 4 October 1582, Gregorian after it).
// 17 November 1858 is day 0.
double ModifiedJulianDay(int day, int month, int year, double hour);

// The whole day number of a date: the Modified Julian Day at hour 0, cut
// toward zero.
int32_t DayNumber(int day, int month, int year);

}  // namespace kivu
