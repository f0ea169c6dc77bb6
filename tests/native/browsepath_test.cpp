#include "controls/browsepath.h"

#include <gtest/gtest.h>

using kivu::browse::ShortenPath;

TEST(BrowseStatusPath, ThirtyFiveCharactersStayWholeAndThirtySixAreShortened) {
    const std::string p35 = "C:\\Programme\\Werkzeuge\\Alt\\Neu\\abcd";
    ASSERT_EQ(p35.size(), 35u);
    EXPECT_EQ(ShortenPath(p35), p35);
    const std::string p36 = p35 + "e";
    EXPECT_EQ(ShortenPath(p36), "C:\\...\\Werkzeuge\\Alt\\Neu\\abcde");
}

TEST(BrowseStatusPath, TheLengthCountsCharacters) {
    // 35 characters, 59 bytes: whole.
    const std::string greek = "C:\\Έγγραφα\\Φωτογραφίες\\Ταξίδι\\abcde";
    ASSERT_EQ(greek.size(), 59u);
    EXPECT_EQ(ShortenPath(greek), greek);
    EXPECT_EQ(ShortenPath(greek + "f"), "C:\\...\\Φωτογραφίες\\Ταξίδι\\abcdef");
}

TEST(BrowseStatusPath, FoldersAfterTheDotsGoUntilItFitsOrOnlyTheLastIsLeft) {
    const std::string a(10, 'a'), b(10, 'b'), c(10, 'c'), d(10, 'd'), e(10, 'e');
    const std::string path = "C:\\" + a + "\\" + b + "\\" + c + "\\" + d + "\\" + e;
    // C:\...\B\C\D\E is 50 long, C:\...\C\D\E 39, C:\...\D\E 28.
    EXPECT_EQ(ShortenPath(path), "C:\\...\\" + d + "\\" + e);
    const std::string huge(40, 'x');
    EXPECT_EQ(ShortenPath("C:\\" + a + "\\" + b + "\\" + huge), "C:\\...\\" + huge);  // the shortest, still long
}

TEST(BrowseStatusPath, APathOfFewerThanThreePartsStaysWhole) {
    const std::string two = "C:\\" + std::string(50, 'x');
    EXPECT_EQ(ShortenPath(two), two);
    const std::string one(50, 'y');
    EXPECT_EQ(ShortenPath(one), one);
    // A trailing backslash makes an empty last part, which is kept.
    EXPECT_EQ(ShortenPath("C:\\" + std::string(40, 'z') + "\\"), "C:\\...\\");
    EXPECT_EQ(ShortenPath(""), "");
}
