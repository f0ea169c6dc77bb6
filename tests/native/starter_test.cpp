// The starter's plain decisions: day numbers, when an entry is due, the
// status text, the stored window mode, the command line the runner builds,
// what the dialog shows of an entry and when it may save it.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "common/errors.h"
#include "starter/daynumber.h"
#include "starter/execcommand.h"
#include "starter/schedule.h"
#include "starter/shownentry.h"

using namespace kivu;

namespace {

// An independent calendar to walk day by day.
bool JulianLeap(int year) { return year % 4 == 0; }
bool GregorianLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }
int DaysInMonth(int month, int year, bool gregorian) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && (gregorian ? GregorianLeap(year) : JulianLeap(year))) return 29;
    return days[month - 1];
}

struct Date {
    int day, month, year;
};

// Walks from `from` to `to` (inclusive) and returns the first date whose day
// number is not the one before it plus one, or a day 0 date when none.
Date FirstGap(Date from, Date to, bool gregorian) {
    Date d = from;
    int32_t previous = DayNumber(d.day, d.month, d.year);
    while (!(d.day == to.day && d.month == to.month && d.year == to.year)) {
        if (++d.day > DaysInMonth(d.month, d.year, gregorian)) {
            d.day = 1;
            if (++d.month > 12) {
                d.month = 1;
                ++d.year;
            }
        }
        const int32_t n = DayNumber(d.day, d.month, d.year);
        if (n != previous + 1) return d;
        previous = n;
    }
    return {0, 0, 0};
}

}  // namespace

TEST(DayNumber, KnownDays) {
    EXPECT_EQ(DayNumber(1, 1, 2000), 51544);
    EXPECT_EQ(DayNumber(17, 11, 1858), 0);
    EXPECT_EQ(DayNumber(16, 11, 1858), -1);
    EXPECT_EQ(DayNumber(1, 3, 2024), DayNumber(29, 2, 2024) + 1);
    EXPECT_DOUBLE_EQ(ModifiedJulianDay(1, 1, 2000, 12.0), 51544.5);
    // The calendar reform: Thursday 4 October 1582 (Julian) was followed by
    // Friday 15 October 1582 (Gregorian).
    EXPECT_EQ(DayNumber(4, 10, 1582), -100841);
    EXPECT_EQ(DayNumber(15, 10, 1582), -100840);
}

TEST(DayNumber, DatesBeforeTheReformAsTheFormulaGivesThem) {
    EXPECT_EQ(DayNumber(1, 1, 1), -678577);
    // 1 January 4713 BC (year -4712), where the Julian day count begins at noon.
    EXPECT_EQ(DayNumber(1, 1, -4712), -2400001);
    // Below year -4716 the formula cuts toward zero, not down: (-4999 + 4716) / 4 gives -70.
    EXPECT_EQ(DayNumber(1, 3, -4999), -2504767);
}

TEST(DayNumber, ConsecutiveOverEveryDayAndYearChange) {
    const Date none{0, 0, 0};
    const auto same = [](Date a, Date b) { return a.day == b.day && a.month == b.month && a.year == b.year; };
    Date gap = FirstGap({1, 1, 1583}, {31, 12, 2200}, true);
    EXPECT_TRUE(same(gap, none)) << gap.day << "." << gap.month << "." << gap.year;
    gap = FirstGap({1, 1, 1000}, {4, 10, 1582}, false);  // 1100 and 1500 are Julian leap years
    EXPECT_TRUE(same(gap, none)) << gap.day << "." << gap.month << "." << gap.year;
    // Over 29 February and 1 March, leap and not, and the turn of the century rules.
    for (int year : {1900, 2000, 2023, 2024, 2100}) {
        SCOPED_TRACE(year);
        const int32_t endOfFebruary = DayNumber(GregorianLeap(year) ? 29 : 28, 2, year);
        EXPECT_EQ(DayNumber(1, 3, year), endOfFebruary + 1);
        EXPECT_EQ(DayNumber(1, 1, year + 1), DayNumber(31, 12, year) + 1);
        EXPECT_EQ(DayNumber(1, 1, year + 1) - DayNumber(1, 1, year), GregorianLeap(year) ? 366 : 365);
    }
}

TEST(Schedule, DueWhenTheIntervalHasPassed) {
    const int32_t today = 60000;
    EXPECT_FALSE(IsDue(today, today - 6, 7));
    EXPECT_TRUE(IsDue(today, today - 7, 7));
    EXPECT_TRUE(IsDue(today, 0, 7));          // never started
    EXPECT_FALSE(IsDue(today, today + 2, 7));  // clock set back
    EXPECT_TRUE(IsDue(today, today, -3));      // a negative interval is simply past
    EXPECT_EQ(DaysText(today, today - 3, 7), "3 / 7");
    EXPECT_EQ(DaysText(today, today + 2, 7), "-2 / 7");
}

TEST(Schedule, StoredNumbersAtTheEdgesDoNotOverflow) {
    // In 32 bits last + interval would wrap around to a negative day and
    // make the entry due every day.
    EXPECT_FALSE(IsDue(60000, INT32_MAX, INT32_MAX));
    EXPECT_FALSE(IsDue(60000, 60000, INT32_MAX));
    EXPECT_TRUE(IsDue(60000, INT32_MIN, INT32_MIN));
    EXPECT_TRUE(IsDue(INT32_MIN, INT32_MIN, 0));
    EXPECT_EQ(DaysText(60000, INT32_MIN, 150), "2147543648 / 150");
    EXPECT_EQ(DaysText(INT32_MIN, INT32_MAX, -5), "-4294967295 / -5");
}

TEST(Schedule, StoredWindowModes) {
    EXPECT_EQ(WindowOption("0"), 1);
    EXPECT_EQ(WindowOption("1"), 1);
    EXPECT_EQ(WindowOption("2"), 2);
    EXPECT_EQ(WindowOption("3"), 3);
    EXPECT_EQ(WindowOption("5"), 0);
    EXPECT_EQ(WindowOption("-1"), 0);
    EXPECT_EQ(WindowStyleOf("0"), TWindowStyle::wsNorm);
    EXPECT_EQ(WindowStyleOf("2"), TWindowStyle::wsMinimize);
    EXPECT_EQ(WindowStyleOf("3"), TWindowStyle::wsHide);
    EXPECT_EQ(WindowStyleOf("5"), TWindowStyle::wsNorm);
    try {
        WindowStyleOf("zwei");
        ADD_FAILURE() << "no conversion error";
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'zwei' ist kein gültiger Integerwert");
    }
    EXPECT_THROW(WindowOption(""), ConvertError);
}

TEST(ExecCommand, CommandIsCutAfter255Characters) {
    const std::string program(250, 'p'), parameters = "0123456789";
    const std::string command = BuildCommand(program, parameters);
    EXPECT_EQ(command.size(), 255u);
    EXPECT_EQ(command, program + " 0123");
    EXPECT_EQ(BuildCommand("notepad.exe", ""), "notepad.exe ");  // the blank stays
    EXPECT_EQ(BuildCommand("a.exe", "-x y"), "a.exe -x y");
    EXPECT_EQ(BuildCommand(std::string(300, 'q'), "p"), std::string(255, 'q'));
}

TEST(ExecCommand, TheLimitsCountCharactersAndNeverSplitOne) {
    // 100 Japanese characters are 300 bytes: well within the limit.
    std::string program = "C:\\";
    for (int i = 0; i < 50; ++i) program += "写真";
    program += ".exe";
    EXPECT_EQ(BuildCommand(program, "αβγ"), program + " αβγ");
    std::string greek;
    for (int i = 0; i < 150; ++i) greek += "Ωα";  // 300 characters
    const std::string cut = BuildCommand(greek, "x");
    EXPECT_EQ(cut, greek.substr(0, 2 * 255));
    EXPECT_EQ(BuildAssociatedCommand("写.exe", program, "🎉"), "写.exe " + program + " 🎉");
}

TEST(ExecCommand, AssociatedCommandOpensTheDocumentWithinItsLimit) {
    EXPECT_EQ(BuildAssociatedCommand("C:\\windows\\notepad.exe", "C:\\a b.txt", ""),
              "C:\\windows\\notepad.exe C:\\a b.txt ");
    // Each part keeps its own 255 characters; the whole is cut after 511.
    const std::string command = BuildAssociatedCommand(std::string(100, 'e'), std::string(300, 'd'),
                                                       std::string(300, 'p'));
    EXPECT_EQ(command.size(), 511u);
    EXPECT_EQ(command, std::string(100, 'e') + " " + std::string(255, 'd') + " " + std::string(154, 'p'));
}

TEST(ShownEntry, FieldsShowWhatCanBeRead) {
    const EntryValues stored{"C:\\d.exe", "abc", "pDelta", "2"};
    EntryFields f = FieldsOf(stored);
    EXPECT_FALSE(f.complete);
    EXPECT_EQ(f.path, "C:\\d.exe");
    EXPECT_EQ(f.position, std::nullopt);
    EXPECT_EQ(f.days, "abc");  // as stored
    EXPECT_EQ(f.parameters, "pDelta");
    EXPECT_EQ(f.option, 2);

    f = FieldsOf({"C:\\a.exe", " 10", "-x", "0"});
    EXPECT_TRUE(f.complete);
    EXPECT_EQ(f.position, 10);
    EXPECT_EQ(f.option, 1);

    // A window mode that is no number checks no option; values that could
    // not be read at all show empty.
    f = FieldsOf({"C:\\e.exe", "7", std::nullopt, "normal"});
    EXPECT_FALSE(f.complete);
    EXPECT_EQ(f.position, 7);
    EXPECT_EQ(f.parameters, "");
    EXPECT_EQ(f.option, 0);
    f = FieldsOf({std::nullopt, std::nullopt, "p", "5"});
    EXPECT_FALSE(f.complete);
    EXPECT_EQ(f.path, "");
    EXPECT_EQ(f.position, std::nullopt);
    EXPECT_EQ(f.days, "");
    EXPECT_EQ(f.option, 0);  // a number without an option is understood
    EXPECT_TRUE(FieldsOf({"", "7", "", "5"}).complete);
}

TEST(ShownEntry, MaySaveWhenLoadedCompletelyOrChangedByTheUser) {
    ShownEntry shown;
    shown.BeginLoad(false);
    shown.Changed();  // the loading's own changes
    EXPECT_FALSE(shown.MaySave());
    shown.EndLoad(true);
    EXPECT_FALSE(shown.MaySave());
    shown.Changed();
    EXPECT_TRUE(shown.MaySave());

    // The next entry starts afresh.
    shown.BeginLoad(true);
    EXPECT_TRUE(shown.MaySave());  // its window mode may be written back while loading
    shown.EndLoad(true);
    EXPECT_TRUE(shown.MaySave());
    shown.BeginLoad(false);
    shown.EndLoad(true);
    EXPECT_FALSE(shown.MaySave());

    // A loading stopped by an error leaves fields of the entry before.
    shown.BeginLoad(true);
    shown.EndLoad(false);
    EXPECT_FALSE(shown.MaySave());
    shown.Changed();
    EXPECT_TRUE(shown.MaySave());
}
