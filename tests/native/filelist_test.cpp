#include "fileprops/filelist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "tests/native/fake_fileops.h"

using namespace kivu;
using testsupport::FakeFileOps;

namespace {

std::string Texts(int n) { return "<" + std::to_string(n) + ">"; }

constexpr const char* kDir = "c:\\d\\";

std::vector<std::string> Names(const FileList& list) {
    std::vector<std::string> names;
    for (const Row& r : list.Rows()) names.push_back(r.fileName);
    return names;
}

// A list (top to bottom) whose files exist in ops, stamps from the given moments.
FileList DateList(FakeFileOps& ops, const std::vector<std::pair<std::string, FileStamps>>& files) {
    FileList list(Texts);
    for (auto it = files.rbegin(); it != files.rend(); ++it) {
        ops.Add(kDir + it->first).stamps = it->second;
        list.AddPath(kDir + it->first);
    }
    return list;
}

FileStamps AllAt(FileStamp s) { return FileStamps{s, s, s}; }

CalTime Moment(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    CalTime t;
    t.year = uint16_t(y), t.month = uint16_t(mo), t.day = uint16_t(d);
    t.hour = uint16_t(h), t.minute = uint16_t(mi), t.second = uint16_t(s);
    return t;
}

StampBoxes Boxes(bool creation, bool lastAccess, bool lastWrite) { return StampBoxes{creation, lastAccess, lastWrite}; }

}  // namespace

TEST(FileList, ArrivalsGoOnTopAndTheLastFolderWins) {
    FileList list(Texts);
    EXPECT_EQ(list.Folder(), "c:\\temp\\");
    EXPECT_EQ(list.CurrentMode(), Mode::Name);
    EXPECT_EQ(list.Caption(0), "<10213>");
    EXPECT_EQ(list.Caption(3), "");
    list.AddPath("c:\\one\\a");
    list.AddPath("c:\\one\\b");
    list.AddPath("d:\\two\\sub\\c.txt");
    EXPECT_EQ(Names(list), (std::vector<std::string>{"c.txt", "b", "a"}));
    EXPECT_EQ(list.Folder(), "d:\\two\\sub\\");
    const Row& top = list.Rows()[0];
    EXPECT_EQ(top.current, "c.txt");
    EXPECT_EQ(top.newValue, " ");
    EXPECT_EQ(top.mark, kMarkNone);
    EXPECT_EQ(list.CellText(0, 3), " ");
    EXPECT_EQ(list.CellText(5, 0), "");

    list.AddPath("e:x.txt");
    EXPECT_EQ(list.Rows()[0].fileName, "x.txt");
    EXPECT_EQ(list.Folder(), "e:");
    list.AddPath("bare");
    EXPECT_EQ(list.Rows()[0].fileName, "bare");
    EXPECT_EQ(list.Folder(), "");
}

TEST(FileList, DeleteKeyRemovesTheSelectedRowOnly) {
    FileList list(Texts);
    for (const char* p : {"c:\\a", "c:\\b", "c:\\c"}) list.AddPath(p);
    EXPECT_FALSE(list.KeyDown(kKeyDelete, -1));
    EXPECT_FALSE(list.KeyDown(kKeyDelete, 3));
    EXPECT_FALSE(list.KeyDown(45, 1));
    EXPECT_TRUE(list.KeyDown(kKeyDelete, 1));
    EXPECT_EQ(Names(list), (std::vector<std::string>{"c", "a"}));
}

TEST(ListCompare, NamesAreCaseBlindAndCutToTheShorter) {
    FakeFileOps ops;
    FileList list(Texts);
    auto cmp = [&](const char* a, const char* b) { return list.Compare(Row{a}, Row{b}, ops); };
    EXPECT_EQ(cmp("a", "b"), 0);  // nothing sorted yet
    ASSERT_TRUE(list.ColumnClick(0, ops));
    EXPECT_EQ(cmp("Abc", "abcd"), 0);
    EXPECT_EQ(cmp("abcd", "ABC"), 0);
    EXPECT_GT(cmp("b.txt", "A.TXT"), 0);
    EXPECT_LT(cmp("a_", "aB"), 0);  // only A-Z are lowered: "_" (0x5F) sorts before "b"
    EXPECT_GT(cmp("\xE4", "z"), 0);  // bytes compare unsigned
    ASSERT_TRUE(list.ColumnClick(0, ops));
    EXPECT_LT(cmp("b.txt", "A.TXT"), 0);
    EXPECT_TRUE(ops.beeps.empty());
}

TEST(ColumnClick, ColumnZeroTogglesAndSorts) {
    FakeFileOps ops;
    FileList list(Texts);
    for (const char* p : {"c:\\b.txt", "c:\\A.TXT", "c:\\c"}) list.AddPath(p);
    ASSERT_TRUE(list.ColumnClick(0, ops));
    EXPECT_EQ(list.Caption(0), "<10213> +");
    EXPECT_EQ(Names(list), (std::vector<std::string>{"A.TXT", "b.txt", "c"}));
    ASSERT_TRUE(list.ColumnClick(0, ops));
    EXPECT_EQ(list.Caption(0), "<10213> -");
    EXPECT_EQ(Names(list), (std::vector<std::string>{"c", "b.txt", "A.TXT"}));
    ASSERT_TRUE(list.ColumnClick(0, ops));
    EXPECT_EQ(list.Caption(0), "<10213> +");
    EXPECT_EQ(Names(list), (std::vector<std::string>{"A.TXT", "b.txt", "c"}));
    EXPECT_EQ(list.Caption(1), "<10214>");
}

TEST(ColumnClick, OtherColumnsDoNothingOutsideDateMode) {
    FakeFileOps ops;
    FileList list(Texts);
    for (const char* p : {"c:\\a", "c:\\c", "c:\\b"}) list.AddPath(p);
    for (int column : {1, 2, 3, -1, 4}) {
        EXPECT_FALSE(list.ColumnClick(column, ops));
        EXPECT_EQ(Names(list), (std::vector<std::string>{"b", "c", "a"}));
        for (int c = 0; c < 3; ++c) EXPECT_EQ(list.Caption(c), "<" + std::to_string(10213 + c) + ">");
    }
}

TEST(ColumnClick, DateModeSortsByCurrentValueAndAnotherColumnStartsAscending) {
    FakeFileOps ops;
    const FileStamp day = 86400 * testsupport::kTicksPerSecond;
    const FileStamp base = FakeFileOps::Stamp(2001, 2, 1, 12);
    FileList list = DateList(ops, {{"x", AllAt(base + day)}, {"y", AllAt(base)}, {"w", AllAt(base + 2 * day)}});
    list.DoChange(Mode::Date, {}, {}, "", ops);
    ASSERT_TRUE(list.ColumnClick(0, ops));
    ASSERT_TRUE(list.ColumnClick(0, ops));
    EXPECT_EQ(list.Caption(0), "<10216> -");
    ASSERT_TRUE(list.ColumnClick(1, ops));
    EXPECT_EQ(list.Caption(0), "<10216>");
    EXPECT_EQ(list.Caption(1), "<10217> +");
    EXPECT_EQ(Names(list), (std::vector<std::string>{"y", "x", "w"}));
    ASSERT_TRUE(list.ColumnClick(1, ops));
    EXPECT_EQ(list.Caption(1), "<10217> -");
    EXPECT_EQ(Names(list), (std::vector<std::string>{"w", "x", "y"}));
    EXPECT_TRUE(ops.beeps.empty());

    // A mode change resets the captions; the next click sorts ascending again.
    list.Rows()[0].mark = kMarkApplied;
    list.SetErrorLine("x");
    list.DoChange(Mode::Name, {}, {}, "", ops);
    EXPECT_EQ(list.ErrorLine(), "");
    EXPECT_EQ(list.Rows()[0].current, "w");
    EXPECT_EQ(list.Rows()[0].newValue, "w");
    EXPECT_EQ(list.Rows()[0].mark, kMarkNone);
    EXPECT_EQ(list.Caption(1), "<10214>");
    EXPECT_EQ(list.Compare(list.Rows()[0], list.Rows()[1], ops), 0);
    EXPECT_FALSE(list.ColumnClick(1, ops));
    ASSERT_TRUE(list.ColumnClick(0, ops));
    EXPECT_EQ(list.Caption(0), "<10213> +");
}

TEST(ListCompare, DatesByDaysTimesTenThenSecondsOfTheDay) {
    FakeFileOps ops;
    FileList list = DateList(ops, {{"a", AllAt(0)}});
    list.DoChange(Mode::Date, {}, {}, "", ops);
    ASSERT_TRUE(list.ColumnClick(1, ops));
    auto row = [](const char* current) {
        Row r{"f"};
        r.current = current;
        return r;
    };
    auto cmp = [&](const char* a, const char* b) { return list.Compare(row(a), row(b), ops); };
    EXPECT_EQ(cmp("08.03.1999 09:05:00", "07.03.1999 23:59:59"), 10);
    EXPECT_EQ(cmp("01.03.2000 00:00:00", "28.02.2000 00:00:00"), 20);  // a leap year
    EXPECT_EQ(cmp("07.03.1999 09:05:01", "07.03.1999 09:05:00"), 12);
    EXPECT_EQ(cmp("07.03.1999 09:05:00", "07.03.1999 10:05:00"), -41667);
    EXPECT_EQ(cmp("07.03.1999 09:05:00", "07.03.1999 09:05:00"), 0);
    EXPECT_TRUE(ops.beeps.empty());
    ASSERT_TRUE(list.ColumnClick(1, ops));
    EXPECT_EQ(cmp("08.03.1999 09:05:00", "07.03.1999 23:59:59"), -10);
    EXPECT_EQ(cmp("07.03.1999 09:05:01", "07.03.1999 09:05:00"), -12);
}

TEST(ListCompare, UnreadableDatesBeepOncePerComparisonAndCompareEqual) {
    FakeFileOps ops;
    FileList list = DateList(ops, {{"a", AllAt(0)}});
    list.DoChange(Mode::Date, {}, {}, "", ops);
    ASSERT_TRUE(list.ColumnClick(1, ops));
    auto row = [](std::string current) {
        Row r{"f"};
        r.current = std::move(current);
        return r;
    };
    const Row good = row("07.03.1999 09:05:00");
    for (const char* bad : {" ", "", "07.03.", "31.02.1999 09:05:00", "07-03-1999 09:05:00", "xx.03.1999 09:05:00"}) {
        ops.beeps.clear();
        EXPECT_EQ(list.Compare(row(bad), good, ops), 0) << bad;
        EXPECT_EQ(list.Compare(good, row(bad), ops), 0) << bad;
        EXPECT_EQ(ops.beeps, (std::vector<unsigned>{0, 0})) << bad;
    }
    // The time is read only for equal dates.
    ops.beeps.clear();
    EXPECT_EQ(list.Compare(row("07.03.1999"), good, ops), 0);
    EXPECT_EQ(list.Compare(row("08.03.1999 99:99"), good, ops), 10);
    EXPECT_EQ(list.Compare(row("07.03.1999 24:00:00"), good, ops), 0);
    EXPECT_EQ(ops.beeps.size(), 2u);
}

TEST(ListSort, InconsistentComparisonsStayInsideTheList) {
    // Prefix-equal names make the comparison no strict order ("ab" equals
    // both "abc" and "abd", which differ); the sort must still only move rows.
    FakeFileOps ops;
    FileList list(Texts);
    const char* names[] = {"abc", "ab", "abd", "a", "abce", "b", "ABCD", "abc", "Ba", "aa"};
    for (int i = 0; i < 300; ++i) list.AddPath(std::string("c:\\") + names[(i * 7) % 10]);
    auto sortedNames = [](std::vector<std::string> v) {
        std::sort(v.begin(), v.end());
        return v;
    };
    const auto before = sortedNames(Names(list));
    ASSERT_TRUE(list.ColumnClick(0, ops));
    EXPECT_EQ(sortedNames(Names(list)), before);
    // The first letters are a proper order, so they must come out sorted.
    for (size_t i = 1; i < list.Rows().size(); ++i)
        EXPECT_LE(list.Rows()[i - 1].fileName[0] | 0x20, list.Rows()[i].fileName[0] | 0x20) << i;

    // An empty name equals every other one.
    list.AddPath("c:\\");
    list.AddPath("c:\\");
    EXPECT_TRUE(list.ColumnClick(0, ops));
    EXPECT_EQ(list.Rows().size(), 302u);
}

TEST(ListSort, DateRowsLeftBlankByAFailedFillBeepAndKeepTheirOrder) {
    FakeFileOps none;
    FileList dates(Texts);
    for (int i = 0; i < 50; ++i) dates.AddPath("c:\\f" + std::to_string(i));
    dates.DoChange(Mode::Date, {}, {}, "", none);  // every open fails
    EXPECT_EQ(dates.ErrorLine(), "<10251>");
    const auto before = Names(dates);
    ASSERT_TRUE(dates.ColumnClick(1, none));
    EXPECT_EQ(Names(dates), before);
    EXPECT_FALSE(none.beeps.empty());
    for (unsigned type : none.beeps) EXPECT_EQ(type, kBeepDefault);
}

TEST(DoChange, DateModeShowsTheLastCheckedStamp) {
    FakeFileOps ops;
    const FileStamps stamps{FakeFileOps::Stamp(1999, 3, 7, 8, 5, 0), FakeFileOps::Stamp(2000, 1, 2, 3, 4, 5),
                            FakeFileOps::Stamp(2010, 12, 31, 22, 59, 59)};
    FileList list = DateList(ops, {{"a.txt", stamps}});
    const CalTime target = Moment(2001, 2, 1, 14, 3, 9);
    struct Case {
        StampBoxes boxes;
        const char* shown;
        bool recheck;
    } cases[] = {
        {Boxes(true, true, true), "31.12.2010 23:59:59", false},  // the local time is UTC + 1 h here
        {Boxes(true, false, false), "07.03.1999 09:05:00", false},
        {Boxes(true, true, false), "02.01.2000 04:04:05", false},
        {Boxes(false, true, true), "31.12.2010 23:59:59", false},
        {Boxes(true, false, true), "31.12.2010 23:59:59", false},
        {Boxes(false, false, false), "07.03.1999 09:05:00", true},
    };
    for (const Case& c : cases) {
        const FillOutcome out = list.DoChange(Mode::Date, c.boxes, target, "", ops);
        EXPECT_EQ(out.checkCreationAgain, c.recheck);
        EXPECT_EQ(list.Rows()[0].current, c.shown);
        EXPECT_EQ(list.Rows()[0].newValue, "01.02.2001 14:03:09");
        EXPECT_EQ(list.Rows()[0].mark, kMarkNone);
    }
    EXPECT_EQ(list.Caption(0), "<10216>");
    EXPECT_EQ(list.Caption(2), "<10218>");
    list.DoChange(Mode::Date, {}, Moment(2001, 2, 1), "", ops);
    EXPECT_EQ(list.Rows()[0].newValue, "01.02.2001");  // midnight leaves the time off
    EXPECT_EQ(ops.OpenCount(), 0u);
}

TEST(DoChange, DateModeStopsAtTheFirstFileThatFails) {
    const FileStamp early = FakeFileOps::Stamp(2005, 6, 7, 8, 9, 10);
    const FileStamp late = FakeFileOps::Stamp(2020, 1, 1);
    const std::string b = std::string(kDir) + "b";
    struct Case {
        const char* what;
        int text;
        std::function<void(FakeFileOps&)> inject;
    } cases[] = {
        {"held open", 10251, [&](FakeFileOps& ops) { ops.files[b].heldOpen = true; }},
        {"missing", 10251, [&](FakeFileOps& ops) { ops.files.erase(b); }},
        {"stamps", 10252, [&](FakeFileOps& ops) { ops.failGetStamps.insert(b); }},
        {"calendar", 10253, [&](FakeFileOps& ops) { ops.failCalendarFrom = late; }},
    };
    for (const Case& c : cases) {
        FakeFileOps ops;
        FileList list = DateList(ops, {{"a", AllAt(early)}, {"b", AllAt(late)}, {"c", AllAt(early)}});
        list.Rows()[2].mark = kMarkApplied;
        c.inject(ops);
        list.DoChange(Mode::Date, {}, {}, "", ops);
        EXPECT_EQ(list.ErrorLine(), "<" + std::to_string(c.text) + ">") << c.what;
        EXPECT_EQ(list.Rows()[0].current, "07.06.2005 09:09:10") << c.what;
        for (size_t i = 1; i < 3; ++i) {
            EXPECT_EQ(list.Rows()[i].current, " ") << c.what;
            EXPECT_EQ(list.Rows()[i].newValue, " ") << c.what;
            EXPECT_EQ(list.Rows()[i].mark, kMarkNone) << c.what;
        }
        EXPECT_EQ(ops.OpenCount(), 0u) << c.what;
        EXPECT_EQ(ops.badCloses, 0) << c.what;
    }
}

TEST(DoChange, AttributeModeListsTheLettersInFixedOrder) {
    FakeFileOps ops;
    FileList list(Texts);
    const std::pair<const char*, uint32_t> files[] = {
        {"rh", kAttrReadOnly | kAttrHidden},
        {"all", kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive | 0x80},
        {"none", 0},
        {"bad", 0},
        {"after", kAttrArchive},
    };
    for (auto it = std::rbegin(files); it != std::rend(files); ++it) {
        ops.Add(kDir + std::string(it->first)).attributes = it->second;
        list.AddPath(kDir + std::string(it->first));
    }
    ops.failGetAttributes.insert(std::string(kDir) + "bad");
    list.DoChange(Mode::Attribute, {}, {}, "SA", ops);
    EXPECT_EQ(list.Caption(0), "<10257>");
    EXPECT_EQ(list.Rows()[0].current, "RH");
    EXPECT_EQ(list.Rows()[1].current, "RSAH");
    EXPECT_EQ(list.Rows()[2].current, "");
    EXPECT_EQ(list.Rows()[2].newValue, "SA");
    EXPECT_EQ(list.Rows()[3].current, " ");
    EXPECT_EQ(list.Rows()[4].current, " ");
    EXPECT_EQ(list.ErrorLine(), "<10251>");
}
