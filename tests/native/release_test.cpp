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

TEST(Release, TheHostValueMayNameItsScheme) {
    EXPECT_EQ(ArchiveBase("archive.example"), "http://archive.example");
    EXPECT_EQ(ArchiveBase("127.0.0.1:8000"), "http://127.0.0.1:8000");
    EXPECT_EQ(ArchiveBase("https://127.0.0.1:8443"), "https://127.0.0.1:8443");
    EXPECT_EQ(ArchiveBase("HTTPS://Archive.example/"), "https://Archive.example");
    EXPECT_EQ(ArchiveBase("http://archive.example"), "http://archive.example");
    // Another scheme is not one: the address it makes does not work.
    EXPECT_EQ(ArchiveBase("ftp://archive.example"), "http://ftp://archive.example");
}

TEST(Release, DigestAndSignatureLieBesideTheArchive) {
    const std::string link = "/pub/simtelnet/win95/desktop/kivu320.zip?size=10";
    EXPECT_EQ(DigestPath(link), "/pub/simtelnet/win95/desktop/kivu320.zip.sha256");
    EXPECT_EQ(SignaturePath(link), "/pub/simtelnet/win95/desktop/kivu320.zip.sig");
    EXPECT_EQ(ArchiveFileName(link), "kivu320.zip");
    EXPECT_EQ(ArchiveFileName("kivu.zip"), "kivu.zip");
    EXPECT_TRUE(OffersDigest("<a href=\"/pub/simtelnet/win95/desktop/kivu320.zip.sha256\">", link));
    EXPECT_FALSE(OffersDigest("<a href=\"/pub/simtelnet/win95/desktop/kivu320.zip\">", link));
}

TEST(Release, DigestFileLinesAsSha256sumWritesThem) {
    const std::string a(64, 'a'), b = "00112233445566778899AABBCCDDEEFF00112233445566778899aabbccddeeff";
    const auto digest = DigestFor(a + "  other.zip\n" + b + " *kivu320.zip\r\n", "kivu320.zip");
    ASSERT_TRUE(digest);
    EXPECT_EQ((*digest)[0], 0x00);
    EXPECT_EQ((*digest)[10], 0xAA);
    EXPECT_EQ((*digest)[31], 0xFF);
    EXPECT_EQ(DigestFor(a + "  other.zip\n", "other.zip").value()[5], 0xAA);
    // The digits alone stand for the one archive.
    EXPECT_TRUE(DigestFor(b + "\n", "kivu320.zip"));
    EXPECT_FALSE(DigestFor(b + "\n" + a + "\n", "kivu320.zip"));
    EXPECT_FALSE(DigestFor(a + "  other.zip\n", "kivu320.zip"));
    EXPECT_FALSE(DigestFor(std::string(63, 'a') + "g  kivu320.zip\n", "kivu320.zip"));
    EXPECT_FALSE(DigestFor(std::string(62, 'a') + "  kivu320.zip\n", "kivu320.zip"));
    EXPECT_FALSE(DigestFor("<html>not found</html>", "kivu320.zip"));
    EXPECT_FALSE(DigestFor("", "kivu320.zip"));
}

TEST(Release, SignaturesRawOrDer) {
    std::string raw(64, '\x11');
    raw[0] = '\x01';
    raw[63] = '\x02';
    const auto plain = ParseSignature(raw);
    ASSERT_TRUE(plain);
    EXPECT_EQ((*plain)[0], 0x01);
    EXPECT_EQ((*plain)[63], 0x02);
    // r with a leading zero (its high bit set), s shorter than 32 bytes.
    std::string r = std::string(1, '\0') + std::string(32, '\x80');
    std::string s(31, '\x22');
    const std::string der = std::string("\x30") + char(2 + r.size() + 2 + s.size()) + "\x02" + char(r.size()) + r +
                            "\x02" + char(s.size()) + s;
    const auto fromDer = ParseSignature(der);
    ASSERT_TRUE(fromDer);
    EXPECT_EQ((*fromDer)[0], 0x80);
    EXPECT_EQ((*fromDer)[31], 0x80);
    EXPECT_EQ((*fromDer)[32], 0x00);
    EXPECT_EQ((*fromDer)[33], 0x22);
    EXPECT_FALSE(ParseSignature(der.substr(0, der.size() - 1)));
    EXPECT_FALSE(ParseSignature(der + "x"));
    EXPECT_FALSE(ParseSignature(std::string(63, 'x')));
    EXPECT_FALSE(ParseSignature(""));
    std::string negative = der;
    negative[4] = '\x80';  // r's first byte: a negative number
    EXPECT_FALSE(ParseSignature(negative));
}

TEST(Release, TheReleaseKeyIs128HexDigits) {
    const auto key = ParseReleaseKey(std::string(126, '0') + "7F");
    ASSERT_TRUE(key);
    EXPECT_EQ((*key)[63], 0x7F);
    EXPECT_FALSE(ParseReleaseKey(std::string(126, '0')));
    EXPECT_FALSE(ParseReleaseKey(std::string(127, '0') + "x"));
    EXPECT_FALSE(ParseReleaseKey(""));
}
