#include "common/utf8.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace kivu;

namespace {

// Every step of a walk through text: the character and where the next one starts.
std::vector<std::pair<char32_t, size_t>> Walk(std::string_view text) {
    std::vector<std::pair<char32_t, size_t>> steps;
    for (size_t at = 0; at < text.size();) {
        const char32_t c = utf8::Next(text, at);
        steps.emplace_back(c, at);
    }
    return steps;
}

using Steps = std::vector<std::pair<char32_t, size_t>>;

}  // namespace

TEST(Utf8, ReadsOneToFourByteCharacters) {
    EXPECT_EQ(Walk("a\u00E9\u5199\U0001F389"), (Steps{{0x61, 1}, {0xE9, 3}, {0x5199, 6}, {0x1F389, 10}}));
    EXPECT_EQ(Walk("\x7F\xDF\xBF\xEF\xBF\xBF\xF4\x8F\xBF\xBF"), (Steps{{0x7F, 1}, {0x7FF, 3}, {0xFFFF, 6}, {0x10FFFF, 10}}));
}

TEST(Utf8, EveryInvalidByteIsOneReplacementAndNothingIsReadPastTheEnd) {
    const char32_t r = utf8::kReplacement;
    // A stray continuation byte, overlong forms, a surrogate, a value past
    // U+10FFFF, bytes that never start a character.
    EXPECT_EQ(Walk("\x80z"), (Steps{{r, 1}, {'z', 2}}));
    EXPECT_EQ(Walk("\xC0\x80"), (Steps{{r, 1}, {r, 2}}));
    EXPECT_EQ(Walk("\xE0\x80\x80"), (Steps{{r, 1}, {r, 2}, {r, 3}}));
    EXPECT_EQ(Walk("\xED\xA0\x80"), (Steps{{r, 1}, {r, 2}, {r, 3}}));
    EXPECT_EQ(Walk("\xF4\x90\x80\x80"), (Steps{{r, 1}, {r, 2}, {r, 3}, {r, 4}}));
    EXPECT_EQ(Walk("\xF5\xFF"), (Steps{{r, 1}, {r, 2}}));
    // Windows-1252 bytes are no UTF-8: "Grüße" as it was stored before.
    EXPECT_EQ(Walk("Gr\xFC\xDF" "e"), (Steps{{'G', 1}, {'r', 2}, {r, 3}, {r, 4}, {'e', 5}}));
    // Cut off at the end, or by a byte that is no continuation.
    const std::string cut = "\xE5\x86";
    EXPECT_EQ(Walk(std::string_view(cut.data(), 2)), (Steps{{r, 1}, {r, 2}}));
    EXPECT_EQ(Walk("\xE5" "a\x86"), (Steps{{r, 1}, {'a', 2}, {r, 3}}));
    EXPECT_EQ(Walk("\xF0\x9F\x8E"), (Steps{{r, 1}, {r, 2}, {r, 3}}));
    // Each invalid byte stays itself where texts are compared.
    size_t at = 0;
    EXPECT_EQ(utf8::NextOrByte("\xFC", at), utf8::kInvalidByte + 0xFC);
}

TEST(Utf8, WritesWhatItReads) {
    for (char32_t c = 0; c <= 0x10FFFF; c += (c < 0x3000 ? 1 : 97)) {
        std::string s;
        utf8::Append(s, c);
        const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
        size_t at = 0;
        EXPECT_EQ(utf8::Next(s, at), surrogate ? utf8::kReplacement : c) << std::hex << static_cast<uint32_t>(c);
        ASSERT_EQ(at, s.size());
    }
    std::string past;
    utf8::Append(past, 0x110000);
    EXPECT_EQ(past, "\uFFFD");
}

TEST(Utf8, CountsCharactersAndUtf16Units) {
    EXPECT_EQ(utf8::Length("Καλημέρα.txt"), 12u);
    EXPECT_EQ(utf8::Length("写真_旅行.jpg"), 9u);
    EXPECT_EQ(utf8::Length("party🎉.txt"), 10u);
    EXPECT_EQ(utf8::Utf16Length("party🎉.txt"), 11u);  // the emoji takes a surrogate pair
    EXPECT_EQ(utf8::Utf16Length("写真_旅行.jpg"), 9u);
    EXPECT_EQ(utf8::Length("a\xFF\xFE"), 3u);
    EXPECT_EQ(utf8::Length(""), 0u);
}

TEST(Utf8, CutsOnlyBetweenCharacters) {
    EXPECT_EQ(utf8::Head("写真_旅行.jpg", 2), "写真");
    EXPECT_EQ(utf8::Head("写真_旅行.jpg", 0), "");
    EXPECT_EQ(utf8::Head("写真_旅行.jpg", 99), "写真_旅行.jpg");
    EXPECT_EQ(utf8::Head("party🎉!", 6), "party🎉");
    EXPECT_EQ(utf8::OffsetOf("Καλη", 3), 6u);
    EXPECT_EQ(utf8::OffsetOf("Καλη", 9), 8u);
    // UTF-16 units: an emoji needs two, so one unit is not enough for it.
    EXPECT_EQ(utf8::HeadUtf16("a🎉b", 2), "a");
    EXPECT_EQ(utf8::HeadUtf16("a🎉b", 3), "a🎉");
    EXPECT_EQ(utf8::HeadUtf16("Καλημέρα", 4), "Καλη");
    EXPECT_EQ(utf8::HeadUtf16("abc", 0), "");
}

TEST(Utf8, UpperCaseOfTheLettersTheFileSystemFolds) {
    EXPECT_TRUE(utf8::EqualNoCase("Καλημέρα.txt", "ΚΑΛΗΜΈΡΑ.TXT"));
    EXPECT_TRUE(utf8::EqualNoCase("σοφία", "ΣΟΦΊΑ"));
    EXPECT_TRUE(utf8::EqualNoCase("Привет ёлка", "ПРИВЕТ ЁЛКА"));
    EXPECT_TRUE(utf8::EqualNoCase("łódź", "ŁÓDŹ"));       // Latin Extended-A
    EXPECT_TRUE(utf8::EqualNoCase("ÿ æ þ", "Ÿ Æ Þ"));       // Latin-1
    EXPECT_TRUE(utf8::EqualNoCase("phở", "PHỞ"));         // Vietnamese
    EXPECT_TRUE(utf8::EqualNoCase("ａｂｃ", "ＡＢＣ"));   // fullwidth Latin
    EXPECT_TRUE(utf8::EqualNoCase("ǆ", "Ǆ"));
    EXPECT_EQ(utf8::ToUpper("Καλημέρα.txt"), "ΚΑΛΗΜΈΡΑ.TXT");
    EXPECT_EQ(utf8::ToUpper("party🎉.txt"), "PARTY🎉.TXT");

    // Not the same name to the file system.
    EXPECT_FALSE(utf8::EqualNoCase("straße", "STRASSE"));  // no one-unit upper case for ß
    EXPECT_FALSE(utf8::EqualNoCase("ı", "I"));
    EXPECT_FALSE(utf8::EqualNoCase("ς", "Σ"));  // whose upper case has another lower case
    EXPECT_FALSE(utf8::EqualNoCase("µ", "Μ"));
    EXPECT_FALSE(utf8::EqualNoCase("写真", "写眞"));
    EXPECT_FALSE(utf8::EqualNoCase("×", "÷"));
    EXPECT_FALSE(utf8::EqualNoCase("abc", "abcd"));
    EXPECT_FALSE(utf8::EqualNoCase("abc", ""));
    // Invalid bytes compare as themselves: the old Ä and ä are two bytes, not letters.
    EXPECT_FALSE(utf8::EqualNoCase("\xC4", "\xE4"));
    EXPECT_TRUE(utf8::EqualNoCase("x\xFF", "X\xFF"));
    EXPECT_EQ(utf8::ToUpper("a\xFF" "b\xC3"), "A\xFF" "B\xC3");
}

TEST(Utf8, UpperCaseIsStableAndNeverMakesAnAsciiLetter) {
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        const char32_t u = utf8::Upper(c);
        EXPECT_EQ(utf8::Upper(u), u) << std::hex << static_cast<uint32_t>(c);
        if (c >= 0x80) {
            EXPECT_GE(u, 0x80u) << std::hex << static_cast<uint32_t>(c);
        }
        if (c >= 0xD800 && c <= 0xDFFF) {
            EXPECT_EQ(u, c);
        }
        // Texts of different byte lengths are never one name.
        std::string lower, upper;
        utf8::Append(lower, c);
        utf8::Append(upper, u);
        EXPECT_EQ(lower.size(), upper.size()) << std::hex << static_cast<uint32_t>(c);
    }
    EXPECT_EQ(utf8::Upper(0x1F389), 0x1F389u);
    EXPECT_EQ(utf8::Upper(0x10428), 0x10428u);  // beyond one UTF-16 unit: left alone
}

TEST(Utf8, AnyBytesAreWalkedToTheEndAndRebuiltExactly) {
    std::mt19937 rng(17);
    for (int round = 0; round < 3000; ++round) {
        std::string text(rng() % 24, '\0');
        for (char& b : text) b = static_cast<char>(rng() % 4 == 0 ? rng() % 0x80 : 0x80 + rng() % 0x80);
        std::string rebuilt;
        size_t count = 0;
        for (size_t at = 0; at < text.size(); ++count) {
            const size_t from = at;
            const char32_t c = utf8::NextOrByte(text, at);
            ASSERT_GT(at, from);
            ASSERT_LE(at, text.size());
            if (c >= utf8::kInvalidByte) rebuilt += static_cast<char>(c - utf8::kInvalidByte);
            else utf8::Append(rebuilt, c);
        }
        EXPECT_EQ(rebuilt, text);
        EXPECT_EQ(utf8::Length(text), count);
        EXPECT_EQ(utf8::Head(text, count), text);
        EXPECT_TRUE(utf8::EqualNoCase(text, utf8::ToUpper(text)));
        for (size_t units = 0; units <= text.size(); ++units)
            EXPECT_LE(utf8::Utf16Length(utf8::HeadUtf16(text, units)), units);
    }
}
