#include "fileprops/namerules.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "tests/native/fake_fileops.h"
#include "tests/native/pattern_reference.h"

using namespace kivu;

namespace {

std::string Texts(int n) { return "<" + std::to_string(n) + ">"; }

std::string Apply(std::string_view pattern, std::string_view source, int row = 0) {
    PatternError err;
    std::string out = ApplyNamePattern(pattern, source, row, err);
    EXPECT_FALSE(err.stopped) << pattern << " on " << source;
    return out;
}

PatternError ErrorOf(std::string_view pattern, std::string_view source) {
    PatternError err;
    ApplyNamePattern(pattern, source, 0, err);
    return err;
}

FileList ListOf(std::initializer_list<const char*> topToBottom) {
    FileList list(Texts);
    for (auto it = std::rbegin(topToBottom); it != std::rend(topToBottom); ++it)
        list.AddPath(std::string("c:\\d\\") + *it);
    return list;
}

PreviewInput Pattern(std::string pattern) {
    PreviewInput in;
    in.pattern = std::move(pattern);
    return in;
}

}  // namespace

TEST(NameParts, ExtensionIsFromTheLastDotWithoutFolderAfterIt) {
    EXPECT_EQ(ExtensionOf("a.b.txt"), ".txt");
    EXPECT_EQ(NamePartOf("a.b.txt"), "a.b");
    EXPECT_EQ(ExtensionOf("readme"), "");
    EXPECT_EQ(NamePartOf("readme"), "readme");
    EXPECT_EQ(ExtensionOf(".cfg"), ".cfg");
    EXPECT_EQ(NamePartOf(".cfg"), ".cfg");  // an empty name part stands for the whole source
    EXPECT_EQ(ExtensionOf("dir.x\\file"), "");
    EXPECT_EQ(ExtensionOf("c.d:file"), "");
    EXPECT_EQ(ExtensionOf("a."), ".");
    EXPECT_EQ(NamePartOf("a."), "a");
    EXPECT_EQ(NamePartOf(""), "");
}

TEST(NamePattern, PlainPlaceholders) {
    EXPECT_EQ(Apply("[Name][Ext]", "report.txt"), "report.txt");
    EXPECT_EQ(Apply("[Name][Ext]", "data.txtfile.txt"), "data.txtfile.txt");
    EXPECT_EQ(Apply("[Name]-old[Ext]", "readme"), "readme-old");
    EXPECT_EQ(Apply("[Name][Ext]", ".cfg"), ".cfg.cfg");
    EXPECT_EQ(Apply("x[Ext][Ext]y", "a.b"), "x.b.by");
    EXPECT_EQ(Apply("[name][EXT]", "a.b"), "[name][EXT]");  // case-sensitive
    EXPECT_EQ(Apply("", "a.b"), "");
}

TEST(NamePattern, RangedPieces) {
    EXPECT_EQ(Apply("[Name(1,3)][Ext(1,4)]", "photo.jpeg"), "pho.jpe");
    EXPECT_EQ(Apply("[Name(3,1)]", "abc"), "");
    EXPECT_EQ(Apply("[Name(2,99)]", "abc"), "bc");
    EXPECT_EQ(Apply("[Name(2,2)]", "abc"), "b");
    EXPECT_EQ(Apply("[Name(4,9)]", "abc"), "");
    // A start below 1 reads from the first character; the length still counts from it.
    EXPECT_EQ(Apply("[Name(0,2)]", "abcdef"), "abc");
    EXPECT_EQ(Apply("[Name(-2,2)]", "abcdef"), "abcde");
    EXPECT_EQ(Apply("[Ext(2,9)]", "a.txt"), "txt");
    EXPECT_EQ(Apply("[Ext(1,3)]", "readme"), "");
    EXPECT_EQ(Apply("<[Name( 2, 3)]>", "abcd"), "<bc>");  // the conversion takes leading blanks
    EXPECT_EQ(Apply("[Name(1,$2)]", "abcd"), "ab");     // and $ hexadecimal
}

TEST(NamePattern, PiecesCountCharactersNeverBytes) {
    EXPECT_EQ(Apply("[Name(1,3)]", "写真_旅行.jpg"), "写真_");
    EXPECT_EQ(Apply("[Name(4,5)]-[Name]", "写真_旅行.jpg"), "旅行-写真_旅行");
    EXPECT_EQ(Apply("[Name(2,4)][Ext]", "Καλημέρα.txt"), "αλη.txt");
    EXPECT_EQ(Apply("[Name(0,2)]", "Καλημέρα.txt"), "Καλ");  // the length counts from the 0 written
    EXPECT_EQ(Apply("[Name(6,6)]|[Name(6,99)]", "party🎉.txt"), "🎉|🎉");
    EXPECT_EQ(Apply("[Name(9,12)]", "Καλημέρα.txt"), "");
    EXPECT_EQ(Apply("[Ext(1,2)]", "notes.ΤΧΤ"), ".Τ");
    EXPECT_EQ(Apply("[Ext(2,3)]", "a.日本語"), "日本");
    // One character for an unreadable number, a whole one.
    EXPECT_EQ(Apply("[Name(2,x)]", "写真.jpg"), "真");
    EXPECT_EQ(Apply("[Name(x,1)]", "Ωμέγα"), "Ω");
    // Widths count characters too: the counter stands after the whole name.
    EXPECT_EQ(Apply("[Name]_[N:5][Ext]", "Καλημέρα.txt", 7), "Καλημέρα_    7.txt");
}

TEST(NamePattern, UnreadableNumberInsertsOneCharacterAndGoesOn) {
    PatternError err;
    EXPECT_EQ(ApplyNamePattern("[Name(x,3)]-[Name(1,2)]", "abc", 0, err), "a-ab");
    EXPECT_TRUE(err.badNumber);
    EXPECT_FALSE(err.stopped);
    EXPECT_EQ(ApplyNamePattern("[Name(2,y)]", "abc", 0, err), "b");
    EXPECT_TRUE(err.badNumber);
    EXPECT_EQ(ApplyNamePattern("[Name(9,y)]", "abc", 0, err), "");
    EXPECT_EQ(ApplyNamePattern("[Name(1,2,3)]", "abc", 0, err), "a");  // "2,3" is no number
    EXPECT_TRUE(err.badNumber);
    EXPECT_EQ(ApplyNamePattern("[Name(1,2]", "abc", 0, err), "a");  // inner text "1," (no ")")
    EXPECT_TRUE(err.badNumber);
    EXPECT_EQ(ApplyNamePattern("[Ext($$,$$)]", "a.txt", 0, err), ".");
    EXPECT_TRUE(err.badNumber);
}

TEST(NamePattern, PieceWithoutCommaOrBracketStops) {
    EXPECT_TRUE(ErrorOf("[Name(2)]", "abc").stopped);
    EXPECT_TRUE(ErrorOf("[Name(1,2", "abc").stopped);  // no "]": an empty token
    EXPECT_TRUE(ErrorOf("[Name(]", "abc").stopped);
    EXPECT_TRUE(ErrorOf("[Name(,]", "abc").stopped);  // the comma is cut off with the last two characters
    EXPECT_TRUE(ErrorOf("[Ext(1)]", "a.b").stopped);
    // The mark is set once a ranged step has finished.
    EXPECT_FALSE(ErrorOf("[Name(2)]", "abc").marked);
    EXPECT_TRUE(ErrorOf("[Name(1,1)][Name(2)]", "abc").marked);
    EXPECT_TRUE(ErrorOf("[Ext(2)]", "a.b").marked);
    EXPECT_TRUE(ErrorOf("plain", "abc").marked);
}

TEST(NamePattern, Counters) {
    EXPECT_EQ(Apply("[N]", "a", 0), "0");
    EXPECT_EQ(Apply("[N]-[N]", "a", 7), "7-7");
    EXPECT_EQ(Apply("[N:3]", "a", 5), "  5");
    EXPECT_EQ(Apply("[N:3:1]", "a", 5), "  6");
    EXPECT_EQ(Apply("[N:1]", "a", 12), "12");
    EXPECT_EQ(Apply("[N:4:-20]", "a", 5), " -15");
    EXPECT_EQ(Apply("[N:-3]", "a", 5), "5");
    EXPECT_EQ(Apply("[N:$$:$$]", "a", 5), "5");    // the menu's unfilled slots
    EXPECT_EQ(Apply("[N:3:x]", "a", 5), "5");      // either number unreadable: width and offset 0
    EXPECT_EQ(Apply("[N:3:1:2]", "a", 5), "5");
    EXPECT_EQ(Apply("[N:3", "a", 5), "5:3");       // no "]": only "[N" goes, the number unpadded
    EXPECT_EQ(Apply("[N", "a", 5), "[N");
    EXPECT_EQ(Apply("[N:2:1][N]", "a", 1), " 21");  // every [N] is done before any [N:
    EXPECT_EQ(Apply("[N:300]", "a", 1), std::string(254, ' ') + "1");  // widths above 255 count as 255
}

TEST(NamePattern, AWidthWrittenWithALeadingZeroPadsWithZeros) {
    EXPECT_EQ(Apply("[N:03:1]", "a", 0), "001");
    EXPECT_EQ(Apply("[N:3:1]", "a", 0), "  1");  // without the zero: blanks, as ever
    EXPECT_EQ(Apply("[N:03]", "a", 42), "042");
    EXPECT_EQ(Apply("Urlaub_[N:003:1][Ext]", "x.jpg", 9), "Urlaub_010.jpg");
    EXPECT_EQ(Apply("[N:04:-20]", "a", 5), "-015");  // the zeros go behind the sign
    EXPECT_EQ(Apply("[N:02:1]", "a", 99), "100");     // wider numbers are not cut
    EXPECT_EQ(Apply("[N:0:1]", "a", 4), "5");         // a lone zero is width 0
    EXPECT_EQ(Apply("[N:0x:1]", "a", 4), "4");        // unreadable width: neither padding nor offset
    EXPECT_TRUE(kivu::IsZeroPaddedWidth("03"));
    EXPECT_FALSE(kivu::IsZeroPaddedWidth("3"));
    EXPECT_FALSE(kivu::IsZeroPaddedWidth("0"));
    EXPECT_FALSE(kivu::IsZeroPaddedWidth(" 03"));
}

TEST(NamePattern, HugeAndNegativeNumbersStayInBounds) {
    PatternError err;
    EXPECT_EQ(ApplyNamePattern("[Name(1,99999999999)]", "abc", 0, err), "a");  // out of range: unreadable
    EXPECT_TRUE(err.badNumber);
    EXPECT_EQ(Apply("[Name(-2147483648,5)]", "abcdef"), "abcdef");
    EXPECT_EQ(Apply("[Name(-2147483648,2147483647)]", "abcdef"), "abcdef");
    EXPECT_EQ(Apply("[Name(2147483647,2147483647)]", "abcdef"), "");
    EXPECT_EQ(Apply("[Name(2,-2147483648)]", "abcdef"), "");
    EXPECT_EQ(Apply("[Name(2147483647,x)]", "abcdef"), "");
    EXPECT_EQ(Apply("[Ext(-2147483648,-2147483648)]", "a.b"), ".");  // one character long, from the start
    EXPECT_EQ(Apply("[N:-5:-2147483648]", "a", 3), "-2147483645");
    EXPECT_EQ(Apply("[N:2147483647:2147483647]", "a", 2147483647), std::string(245, ' ') + "4294967294");
    EXPECT_EQ(Apply("[N:-2147483648:0]", "a", 1), "1");
    EXPECT_EQ(Apply("[N:99999999999:3]", "a", 1), "1");
}

TEST(NamePattern, TokensBuiltFromPatternTextAroundReplacementsCount) {
    // The pattern's own "[" still opens a placeholder whose rest appears only
    // after an earlier replacement, as in the plain re-scanning form.
    EXPECT_EQ(Apply("[Na[Ext]me]", "readme"), "readme");
    EXPECT_EQ(Apply("[Na[Ext]me]", "a.txt"), "[Na.txtme]");
    EXPECT_EQ(Apply("[[Name]", "Name]"), "Name]");
    EXPECT_EQ(Apply("[Name[Name],3)]", "(2"), "2");
    EXPECT_EQ(Apply("[N[Ext]]", "abc"), "0");
    // A ranged token ends at the first "]", whatever stands before it.
    EXPECT_EQ(Apply("[Name([Ext(2,2)],2)]", "abcd.3"), "a,2)]");
}

TEST(NamePattern, PlaceholderTextInFileNamesIsKeptAndAlwaysEnds) {
    // These used to make the replacement loops find their own output forever.
    EXPECT_EQ(Apply("[Name][Ext]", "[Name].txt"), "[Name].txt");
    EXPECT_EQ(Apply("[Name][Ext]", "a.[Ext]"), "a.[Ext]");
    EXPECT_EQ(Apply("[Name][Ext]", "[Name(1,12)].txt"), "[Name(1,12)].txt");
    EXPECT_EQ(Apply("[Name(1,12)]", "[Name(1,12)].txt"), "[Name(1,12)]");
    EXPECT_EQ(Apply("[Ext(1,99)]", "x.[Ext(1,99)]"), ".[Ext(1,99)]");
    EXPECT_EQ(Apply("[Name]_[N:2]", "[N].txt", 4), "[N]_ 4");
    EXPECT_EQ(Apply("[Name]", "[N:3:1].txt", 4), "[N:3:1]");
    EXPECT_EQ(Apply("[Name]", "[Name(2)]"), "[Name(2)]");  // no stop from a name's own text
    EXPECT_EQ(Apply("[Name]<[N]>", "[[[[["), "[[[[[<0>");
}

TEST(NamePattern, SameAsThePlainFormForNamesWithoutBracketOpen) {
    // Random patterns from the placeholder vocabulary against names that may
    // hold every other character of it, including "]".
    static const char* const kPieces[] = {"[Name]", "[Ext]", "[Name(", "[Ext(", "[N]", "[N:", "[N", "[Na", "me]",
                                          "xt]", "[E", "]", "[", ")", ",", ":", "1", "2", "-3", "x", "$$", "."};
    static const char* const kNames[] = {"a.txt", "readme", ".cfg", "Name].x", "me]", "(1) b.doc", "e(x", "a,b.c]",
                                         "xt].N", "N:2]", "", "a.b.c"};
    std::mt19937 rng(1234);
    for (int round = 0; round < 20000; ++round) {
        std::string pattern;
        const int n = static_cast<int>(rng() % 8);
        for (int i = 0; i < n; ++i) pattern += kPieces[rng() % std::size(kPieces)];
        const std::string source = kNames[rng() % std::size(kNames)];
        const int row = static_cast<int>(rng() % 12);
        const reference::Outcome want = reference::ApplyPattern(pattern, source, row);
        PatternError err;
        const std::string got = ApplyNamePattern(pattern, source, row, err);
        ASSERT_EQ(err.stopped, want.stopped) << pattern << " on " << source;
        if (want.stopped) continue;
        ASSERT_EQ(got, want.text) << pattern << " on " << source << " row " << row;
        ASSERT_EQ(err.badNumber, want.badNumber) << pattern << " on " << source;
    }
}

TEST(DateModeValue, AlwaysTheNineteenCharacterForm) {
    CalTime t;
    t.year = 2001, t.month = 2, t.day = 1, t.hour = 14, t.minute = 3, t.second = 9;
    EXPECT_EQ(DateModeValue(t), "01.02.2001 14.03.09");
    t.hour = t.minute = t.second = 0;
    EXPECT_EQ(DateModeValue(t), "01.02.2001 00.00.00");
    t.second = 1;
    EXPECT_EQ(DateModeValue(t), "01.02.2001 00.00.01");
}

TEST(Preview, NameModeNumbersRowsInDisplayOrder) {
    FileList list = ListOf({"a.txt", "b.txt", "c.txt"});
    EXPECT_TRUE(Preview(list, Pattern("[Name]_[N:3:1][Ext]")));
    ASSERT_EQ(list.Rows().size(), 3u);
    EXPECT_EQ(list.Rows()[0].newValue, "a_  1.txt");
    EXPECT_EQ(list.Rows()[1].newValue, "b_  2.txt");
    EXPECT_EQ(list.Rows()[2].newValue, "c_  3.txt");
    for (const Row& r : list.Rows()) EXPECT_EQ(r.mark, kMarkPreview);
    EXPECT_EQ(list.ErrorLine(), "");
}

TEST(Preview, BadNumberShowsItsTextAndLaterRowsAreStillPreviewed) {
    FileList list = ListOf({"abc", "def"});
    list.SetErrorLine("old");
    EXPECT_TRUE(Preview(list, Pattern("[Name(x,3)]")));
    EXPECT_EQ(list.ErrorLine(), "<10256>");
    EXPECT_EQ(list.Rows()[0].newValue, "a");
    EXPECT_EQ(list.Rows()[1].newValue, "d");
    EXPECT_TRUE(Preview(list, Pattern("[Name]")));
    EXPECT_EQ(list.ErrorLine(), "");
}

TEST(Preview, MissingCommaStopsAndKeepsEveryRowsPreviousValue) {
    FileList list = ListOf({"abc.txt", "def.txt"});
    ASSERT_TRUE(Preview(list, Pattern("[Name]1")));
    // A row that passed the [Name( step already carries the mark.
    list.Rows()[1].mark = kMarkNone;
    EXPECT_FALSE(Preview(list, Pattern("[Name(2)]")));
    EXPECT_EQ(list.ErrorLine(), "<10255>");
    EXPECT_EQ(list.Rows()[0].newValue, "abc1");
    EXPECT_EQ(list.Rows()[1].newValue, "def1");
    EXPECT_EQ(list.Rows()[1].mark, kMarkNone);

    list.Rows()[0].mark = kMarkNone;
    EXPECT_FALSE(Preview(list, Pattern("[Name][Ext(2)]")));
    EXPECT_EQ(list.Rows()[0].newValue, "abc1");
    EXPECT_EQ(list.Rows()[0].mark, kMarkPreview);
}

TEST(Preview, DateAndAttributeModesFillEveryRow) {
    FileList list = ListOf({"a", "b"});
    testsupport::FakeFileOps ops;
    ops.Add("c:\\d\\a");
    ops.Add("c:\\d\\b");
    list.Rows()[0].mark = kMarkPreview;
    list.DoChange(Mode::Attribute, {}, {}, "RSAH", ops);
    PreviewInput in;
    in.attributes = "RH";
    EXPECT_TRUE(Preview(list, in));
    EXPECT_EQ(list.Rows()[0].newValue, "RH");
    EXPECT_EQ(list.Rows()[1].newValue, "RH");

    list.DoChange(Mode::Date, {}, {}, "", ops);
    in.target.year = 1999, in.target.month = 3, in.target.day = 7, in.target.hour = 9, in.target.minute = 5;
    list.Rows()[1].mark = kMarkPreview;
    EXPECT_TRUE(Preview(list, in));
    for (const Row& r : list.Rows()) {
        EXPECT_EQ(r.newValue, "07.03.1999 09.05.00");
        EXPECT_EQ(r.mark, kMarkNone);
    }
}
