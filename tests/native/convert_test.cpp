#include "common/convert.h"
#include "common/errors.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace kivu;

TEST(Charset, LiteralsAreUtf8) {
    const std::string word = "Ausführen";
    ASSERT_EQ(word.size(), 10u);
    EXPECT_EQ(static_cast<unsigned char>(word[4]), 0xC3);
    EXPECT_EQ(static_cast<unsigned char>(word[5]), 0xBC);
    EXPECT_EQ(std::string("·"), "\xC2\xB7");
    EXPECT_EQ(std::string("写"), "\xE5\x86\x99");
}

TEST(StrToInt, AcceptsBlanksSignAndDollarHex) {
    EXPECT_EQ(TryStrToInt("1"), 1);
    EXPECT_EQ(TryStrToInt("  42"), 42);
    EXPECT_EQ(TryStrToInt("-1"), -1);
    EXPECT_EQ(TryStrToInt("+7"), 7);
    EXPECT_EQ(TryStrToInt("$1F"), 31);
    EXPECT_EQ(TryStrToInt("$1f"), 31);
    EXPECT_EQ(TryStrToInt("-$10"), -16);
    EXPECT_EQ(TryStrToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(TryStrToInt("2147483647"), 2147483647);
    EXPECT_EQ(TryStrToInt("-2147483648"), INT32_MIN);
}

TEST(StrToInt, RejectsEverythingElse) {
    for (const char* bad : {"", " ", "abc", "1 ", "1a", "--1", "$", "$G", "0x10", "2147483648",
                            "-2147483649", "99999999999", "$100000000", "1.0", "\t1"})
        EXPECT_FALSE(TryStrToInt(bad).has_value()) << '"' << bad << '"';
}

TEST(StrToInt, RaisesTheRuntimeConversionError) {
    try {
        StrToInt("abc");
        FAIL() << "no error";
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'abc' ist kein gültiger Integerwert");
    }
}

TEST(ErrorDisplay, AppendsDotOnlyAfterCharactersThatSortAfterDot) {
    EXPECT_EQ(ErrorDisplayText("Fehler"), "Fehler.");
    EXPECT_EQ(ErrorDisplayText("Fehler."), "Fehler.");
    EXPECT_EQ(ErrorDisplayText("Fehler!"), "Fehler!");  // '!' sorts before '.'
    EXPECT_EQ(ErrorDisplayText("Wert 5"), "Wert 5.");
    EXPECT_EQ(ErrorDisplayText("'x' ist kein gültiger Integerwert"), "'x' ist kein gültiger Integerwert.");
    EXPECT_EQ(ErrorDisplayText(""), "");
    EXPECT_EQ(ErrorDisplayText("Ende·"), "Ende·.");  // letters beyond ASCII sort after '.'
}

TEST(FormatMessage1, ReplacesFirstPlaceholder) {
    EXPECT_EQ(FormatMessage1("Erzeugung von Schlüssel %s misslungen", "a\\b"), "Erzeugung von Schlüssel a\\b misslungen");
    EXPECT_EQ(FormatMessage1("kein Platzhalter", "x"), "kein Platzhalter");
}
