// The configuration window's size and layout rules, its check list
// captions and the start action read from the command line.
#include "config/konfigrules.h"

#include <gtest/gtest.h>

#include "common/errors.h"

using namespace kivu;

TEST(KonfigSize, TwentyEntriesOnA1024x768Screen) {
    // 20 x 13 + 100 = 360, raised to 400, then to the limit of 450.
    EXPECT_EQ(KonfigStartSize(20, 13, 1024, 768), (WindowSize{682, 450}));
}

TEST(KonfigSize, TheHeightFollowsTheEntriesUpToTheScreenLessOneHundred) {
    EXPECT_EQ(KonfigStartSize(50, 13, 1280, 1024), (WindowSize{852, 750}));
    EXPECT_EQ(KonfigStartSize(88, 13, 1280, 1024), (WindowSize{852, 924}));
    EXPECT_EQ(KonfigStartSize(88, 13, 1280, 800), (WindowSize{852, 700}));
    EXPECT_EQ(KonfigStartSize(0, 13, 1280, 1024), (WindowSize{852, 450}));
    // A narrow screen: two thirds would be under the lowest width.
    EXPECT_EQ(KonfigStartSize(0, 13, 800, 600), (WindowSize{600, 450}));
}

TEST(KonfigSize, EverySizeIsHeldBetweenTheLimitsAndTheScreen) {
    EXPECT_EQ(KonfigConstrain({300, 200}, 1280, 1024), (WindowSize{600, 450}));
    EXPECT_EQ(KonfigConstrain({5000, 5000}, 1280, 1024), (WindowSize{1280, 1024}));
    EXPECT_EQ(KonfigConstrain({700, 500}, 1280, 1024), (WindowSize{700, 500}));
}

TEST(KonfigLayout, WidthsFollowTheWindow) {
    const KonfigLayout wide = LayoutFor(1000, 150, 120, 100);
    EXPECT_EQ(wide.panel1Width, 700);
    EXPECT_EQ(wide.checkBoxWidth, 500);
    EXPECT_EQ(wide.ftpAddressWidth, 800);
    EXPECT_EQ(wide.programPathWidth, 730);
    const KonfigLayout narrow = LayoutFor(601, 500, 300, 200);
    EXPECT_EQ(narrow.panel1Width, 301);  // half of 601 is 300, 601 - 300 is 301
    EXPECT_EQ(narrow.checkBoxWidth, 300);
    EXPECT_EQ(narrow.ftpAddressWidth, 300);
    EXPECT_EQ(narrow.programPathWidth, 250);
    EXPECT_EQ(LayoutFor(500, 0, 0, 0).panel1Width, 250);
    EXPECT_EQ(CentredLeft(281, 195), 43);
}

TEST(KonfigCheckList, CaptionIsTextAndNumberInBrackets) {
    EXPECT_EQ(MenuEntryCaption("Kopieren", 12), "Kopieren [12]");
    EXPECT_EQ(MenuEntryCaption("", 98), " [98]");
}

TEST(KonfigStartAction, NeedsPageAndActionAndTakesTheFolderExceptForTheFtpPage) {
    using C = StartAction::Command;
    EXPECT_EQ(ParseStartAction({"k", "0"}).command, C::None);
    EXPECT_EQ(ParseStartAction({"k", "0", "1"}).command, C::None);
    auto a = ParseStartAction({"k", "0", "1", "1", "c:\\temp"});
    EXPECT_EQ(a.command, C::AddFolder);
    EXPECT_EQ(a.chooserFolder, "c:\\temp");
    a = ParseStartAction({"k", "0", "3", "1"});
    EXPECT_EQ(a.command, C::AddProgram);
    EXPECT_EQ(a.chooserFolder, std::nullopt);
    a = ParseStartAction({"k", "0", "2", "1", "c:\\temp"});
    EXPECT_EQ(a.command, C::None);
    EXPECT_EQ(a.chooserFolder, std::nullopt);
    a = ParseStartAction({"k", "0", "0", "7", "d:\\x"});
    EXPECT_EQ(a.command, C::None);
    EXPECT_EQ(a.chooserFolder, "d:\\x");
    EXPECT_EQ(ParseStartAction({"k", "0", "3", "$1"}).command, C::AddProgram);
    EXPECT_THROW(ParseStartAction({"k", "0", "x", "1"}), ConvertError);
    EXPECT_THROW(ParseStartAction({"k", "0", "1", ""}), ConvertError);
}

