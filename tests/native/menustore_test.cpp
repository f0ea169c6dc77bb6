// The stored forms of the menu configuration, byte for byte: the entry flags
// string and the three list files as the handler library reads them.
#include "config/menustore.h"

#include <gtest/gtest.h>

#include "common/errors.h"

using namespace kivu;

namespace {

using Folders = std::vector<std::string>;
using Programs = std::vector<ProgramEntry>;
using Sites = std::vector<FtpEntry>;

}  // namespace

TEST(MenuStatus, DefaultShowsEveryEntryAndClearingElevenChangesOnlyThatPosition) {
    std::string status = DefaultMenuStatus();
    ASSERT_EQ(status.size(), 100u);
    for (int n = kFirstMenuEntry; n <= kLastMenuEntry; ++n) EXPECT_TRUE(MenuFlag(status, n)) << n;
    SetMenuFlag(status, 11, false);
    EXPECT_EQ(status, std::string(10, '1') + "0" + std::string(89, '1'));
    EXPECT_FALSE(MenuFlag(status, 11));
    SetMenuFlag(status, 11, true);
    EXPECT_EQ(status, DefaultMenuStatus());
}

TEST(MenuStatus, PositionsOutsideTheOfferedRangeAreCarriedAlong) {
    std::string status = "0101010101" + std::string(88, '1') + "0010";  // 102 characters
    const std::string before = status;
    SetMenuFlag(status, 98, false);
    EXPECT_EQ(status.substr(0, 97), before.substr(0, 97));
    EXPECT_EQ(status[97], '0');
    EXPECT_EQ(status.substr(98), before.substr(98));
    EXPECT_EQ(status.size(), 102u);
}

TEST(MenuStatus, AShortValueIsReadWithinItsLengthAndLengthenedOnlyWhenAPositionBeyondIsSet) {
    std::string status = "1111111111" "0";  // 11 characters: entry 11 hidden
    EXPECT_FALSE(MenuFlag(status, 11));
    EXPECT_TRUE(MenuFlag(status, 12));  // beyond the end: shown, like the default
    EXPECT_TRUE(MenuFlag(status, 98));
    SetMenuFlag(status, 11, true);
    EXPECT_EQ(status, std::string(11, '1'));  // never shorter than read
    SetMenuFlag(status, 14, false);
    EXPECT_EQ(status, std::string(13, '1') + "0");
    std::string empty;
    EXPECT_TRUE(MenuFlag(empty, 11));
    SetMenuFlag(empty, 0, false);
    SetMenuFlag(empty, -5, false);
    SetMenuFlag(empty, 101, false);
    EXPECT_EQ(empty, "");
}

TEST(OptionFlags, ZeroIsOffOtherIntegersOnAndOtherTextsFail) {
    EXPECT_FALSE(OptionFlagOn("0"));
    EXPECT_TRUE(OptionFlagOn("1"));
    EXPECT_TRUE(OptionFlagOn("2"));
    EXPECT_TRUE(OptionFlagOn(" -1"));
    EXPECT_THROW(OptionFlagOn("yes"), ConvertError);
    EXPECT_THROW(OptionFlagOn(""), ConvertError);
    EXPECT_STREQ(OptionFlagText(true), "1");
    EXPECT_STREQ(OptionFlagText(false), "0");
}

TEST(OptionFlags, DoublePaneOnlyForTheExactVerb) {
    EXPECT_TRUE(IsDoublePane("explore"));
    EXPECT_FALSE(IsDoublePane("Explore"));
    EXPECT_FALSE(IsDoublePane("open"));
    EXPECT_FALSE(IsDoublePane(""));
}

TEST(FolderFile, SplitsAtCrLfAndCrLfKeepingEmptyLines) {
    EXPECT_EQ(ParseFolders(""), Folders{});
    EXPECT_EQ(ParseFolders("c:\\a\r\n"), Folders{"c:\\a"});
    EXPECT_EQ(ParseFolders("c:\\a"), Folders{"c:\\a"});                       // no final line end
    EXPECT_EQ(ParseFolders("a\r\n\r\nb\r\n"), (Folders{"a", "", "b"}));        // empty line kept
    EXPECT_EQ(ParseFolders("a\rb\rc"), (Folders{"a", "b", "c"}));              // CR only
    EXPECT_EQ(ParseFolders("a\nb\n"), (Folders{"a", "b"}));                    // LF only
    EXPECT_EQ(ParseFolders("a\n\rb"), (Folders{"a", "", "b"}));                // LF CR is two ends
    EXPECT_EQ(ParseFolders("\r\n"), Folders{""});
    EXPECT_EQ(ParseFolders(std::string("a\r\nb\0c\r\nd", 10)), (Folders{"a", "b"}));  // NUL stops
    EXPECT_EQ(ParseFolders("a\x1A" "b"), Folders{"a\x1A" "b"});                // Ctrl+Z is text here
}

TEST(FolderFile, WritesEveryLineWithCrLfAndAnEmptyListAsNothing) {
    EXPECT_EQ(FormatFolders({}), "");
    EXPECT_EQ(FormatFolders({"c:\\temp", "-", "", "D:\\Daten"}), "c:\\temp\r\n-\r\n\r\nD:\\Daten\r\n");
    EXPECT_EQ(FormatFolders(ParseFolders("a\r\n\r\nb")), "a\r\n\r\nb\r\n");
}

TEST(ProgramFile, TheExamplesLoadAndWriteBackByteForByte) {
    const std::string notepad = "NOTEPAD|c:\\windows\\notepad.exe %d|c:\\windows\\\r\n";
    const Programs loaded = ParsePrograms(notepad);
    ASSERT_EQ(loaded, (Programs{{"NOTEPAD", "c:\\windows\\notepad.exe %d", "c:\\windows\\"}}));
    EXPECT_EQ(FormatPrograms(loaded), notepad);

    EXPECT_EQ(ParsePrograms("calc"), (Programs{{"calc", "", ""}}));
    EXPECT_EQ(FormatPrograms(ParsePrograms("calc\r\n")), "calc||\r\n");
    EXPECT_EQ(ParsePrograms("A|b"), (Programs{{"A", "b", ""}}));
    EXPECT_EQ(ParsePrograms("A|b|c|d"), (Programs{{"A", "b", "c|d"}}));
    EXPECT_EQ(ParsePrograms("-|-|-\r\n"), Programs{kProgramSeparator});
    EXPECT_EQ(FormatPrograms({kProgramSeparator}), "-|-|-\r\n");
}

TEST(ProgramFile, LineEndsAreCrWithAnOptionalLfAndCtrlZEndsTheFile) {
    EXPECT_EQ(ParsePrograms("A|1|x\rB|2|y\r"), (Programs{{"A", "1", "x"}, {"B", "2", "y"}}));
    EXPECT_EQ(ParsePrograms("A|1\nB|2"), (Programs{{"A", "1\nB", "2"}}));     // a lone LF is text
    EXPECT_EQ(ParsePrograms("A\r\n\nB"), (Programs{{"A", "", ""}, {"\nB", "", ""}}));  // one LF per CR
    EXPECT_EQ(ParsePrograms("A|1\r\n\x1A" "B|2\r\n"), (Programs{{"A", "1", ""}}));
    EXPECT_EQ(ParsePrograms("A|1\x1A"), (Programs{{"A", "1", ""}}));
    EXPECT_EQ(ParsePrograms(std::string("A\0B|c", 5)), (Programs{{std::string("A\0B", 3), "c", ""}}));
}

TEST(ProgramFile, LinesWithAnEmptyNameAreDropped) {
    EXPECT_EQ(ParsePrograms("\r\nA|1|2\r\n\r\n|x|y\r\nB\r\n"), (Programs{{"A", "1", "2"}, {"B", "", ""}}));
    EXPECT_EQ(FormatPrograms(ParsePrograms("\r\n\r\n")), "");
}

TEST(FtpFile, SplitsOnlyAtTheFirstBar) {
    EXPECT_EQ(ParseFtpSites("Site|a|b"), (Sites{{"Site", "a|b"}}));
    EXPECT_EQ(ParseFtpSites("Site"), (Sites{{"Site", ""}}));
    EXPECT_EQ(ParseFtpSites("\r\n|x\r\nS|ftp://h\r\n-|-\r\n"), (Sites{{"S", "ftp://h"}, kFtpSeparator}));
    EXPECT_EQ(ParseFtpSites("S|a\x1A" "T|b"), (Sites{{"S", "a"}}));
    EXPECT_EQ(FormatFtpSites({{"Site", "a|b"}, kFtpSeparator, {"x", ""}}), "Site|a|b\r\n-|-\r\nx|\r\n");
    EXPECT_EQ(FormatFtpSites({}), "");
}

TEST(Fields, BarsFitOnlyTheLastFieldAndLineEndsNowhere) {
    EXPECT_TRUE(FitsField("c:\\x y\\a.exe %d", false));
    EXPECT_FALSE(FitsField("a|b", false));
    EXPECT_TRUE(FitsField("a|b", true));
    EXPECT_FALSE(FitsField("a\rb", true));
    EXPECT_FALSE(FitsField("a\x1A", true));
    EXPECT_FALSE(FitsField(std::string("a\0", 2), true));
    EXPECT_TRUE(FitsField("a\nb", false));  // a lone LF is an ordinary character of a line
    EXPECT_TRUE(FitsFolderLine("c:\\a|b"));
    EXPECT_FALSE(FitsFolderLine("c:\\a\nb"));
    EXPECT_FALSE(FitsFolderLine("c:\\a\rb"));
}
