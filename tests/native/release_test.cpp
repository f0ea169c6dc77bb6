#include "update/release.h"

#include <gtest/gtest.h>

using namespace kivu;

namespace {
std::string Link(const std::string& file) { return "<A HREF=\"/pub/simtelnet/win95/desktop/" + file + "\">"; }
}  // namespace

TEST(Release, RunningVersionComesFromFixedPlacesOfTheBanner) {
    const std::string banner = "KIVU Menu 3.19 Release 230200/182559 - more text";
    EXPECT_EQ(RunningVersion(banner), "3.19");
    EXPECT_EQ(RunningVersionNumber("3.19"), 319);
    EXPECT_EQ(RunningVersion("KIVU Menu 3"), "3");
    EXPECT_EQ(RunningVersion("short"), "");
    EXPECT_FALSE(RunningVersionNumber(""));
    EXPECT_EQ(RunningVersionNumber("3"), 3);  // no second character to remove
    EXPECT_FALSE(RunningVersionNumber("3,1x"));
}

TEST(Release, TheFirstLinkCountsAndItsPartsAreCutByPosition) {
    const std::string body = "<html>" + Link("kivu320.zip") + "new</A><br>" + Link("kivu330.zip") + "</html>";
    const auto path = FindLinkPath(body);
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, "/pub/simtelnet/win95/desktop/kivu320.zip");
    EXPECT_EQ(NewVersionDigits(*path), "320");
    EXPECT_EQ(VersionText(NewVersionDigits(*path)), "3.20");
    EXPECT_EQ(ProposedFileName(*path), "kivu320.zip");
}

TEST(Release, OlderAndLongerNamesAndTheMarkerIsCaseSensitive) {
    const auto older = FindLinkPath(Link("kivu305.zip"));
    ASSERT_TRUE(older);
    EXPECT_EQ(VersionText(NewVersionDigits(*older)), "3.05");
    EXPECT_EQ(ParseDecimal(NewVersionDigits(*older)), 305);

    // A longer file name: the proposal is 11 characters, the link keeps all.
    const auto beta = FindLinkPath(Link("kivu320beta.zip"));
    ASSERT_TRUE(beta);
    EXPECT_EQ(*beta, "/pub/simtelnet/win95/desktop/kivu320beta.zip");
    EXPECT_EQ(ProposedFileName(*beta), "kivu320beta");

    EXPECT_FALSE(FindLinkPath("<a href=\"/pub/simtelnet/win95/desktop/kivu320.zip\">"));
    EXPECT_FALSE(FindLinkPath("<A HREF=\"/pub/simtelnet/win95/desktop/KIVU320.zip\">"));
    EXPECT_FALSE(FindLinkPath(""));
}

TEST(Release, WithoutAClosingSequenceWithinReachTheLinkIsEmpty) {
    // The marker at the very end of the body.
    const std::string atEnd = std::string("x") + kReleaseLinkMarker;
    ASSERT_TRUE(FindLinkPath(atEnd));
    EXPECT_EQ(*FindLinkPath(atEnd), "");
    EXPECT_EQ(*FindLinkPath(std::string(kReleaseLinkMarker) + "320.zip"), "");
    // The closing sequence just inside and just beyond the 255 characters.
    const std::string head = "/pub/simtelnet/win95/desktop/kivu";
    const std::string inside = head + std::string(kMaxLinkPath - head.size() - 2, 'z');
    EXPECT_EQ(*FindLinkPath("<A HREF=\"" + inside + "\">"), inside);
    EXPECT_EQ(*FindLinkPath("<A HREF=\"" + inside + "z\">"), "");
    // What an empty link gives: no digits, no version, failure by conversion.
    EXPECT_EQ(NewVersionDigits(""), "");
    EXPECT_EQ(VersionText(""), "");
    EXPECT_EQ(ProposedFileName(""), "");
    EXPECT_FALSE(ParseDecimal(""));
    // A short link gives what there is.
    EXPECT_EQ(NewVersionDigits(head + "3"), "3");
    EXPECT_EQ(VersionText("3"), "3.");
}

TEST(Release, DecimalNumbersOnly) {
    EXPECT_EQ(ParseDecimal("320"), 320);
    EXPECT_EQ(ParseDecimal("-12"), -12);
    EXPECT_EQ(ParseDecimal("+7"), 7);
    EXPECT_EQ(ParseDecimal("007"), 7);
    EXPECT_EQ(ParseDecimal("2147483647"), INT32_MAX);
    EXPECT_EQ(ParseDecimal("-2147483648"), INT32_MIN);
    for (const char* bad : {"", "-", "+", " 1", "1 ", "3.2", "$1F", "x32", "2147483648", "99999999999", "1e3"})
        EXPECT_FALSE(ParseDecimal(bad)) << bad;
}

TEST(Release, OfferedWhenNewerOrWithCtrl) {
    EXPECT_TRUE(OfferDownload(319, 320, false));
    EXPECT_FALSE(OfferDownload(319, 319, false));
    EXPECT_FALSE(OfferDownload(319, 305, false));
    EXPECT_TRUE(OfferDownload(319, 319, true));
    EXPECT_TRUE(OfferDownload(319, 305, true));
}
