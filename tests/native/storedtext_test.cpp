// The Unicode forms of stored files, told apart by their marks and read into
// our text (UTF-8) without the system.
#include <gtest/gtest.h>

#include <string>

#include "common/storedtext.h"

using kivu::FormOf;
using kivu::StoredForm;
using kivu::UnicodeFileText;

namespace {

// UTF-16LE bytes of the units, each low byte first.
std::string Utf16Le(std::u16string_view units) {
    std::string bytes;
    for (char16_t u : units) {
        bytes += static_cast<char>(u & 0xFF);
        bytes += static_cast<char>(u >> 8);
    }
    return bytes;
}

}  // namespace

TEST(StoredText, TheMarkTellsTheForm) {
    EXPECT_EQ(FormOf(""), StoredForm::SingleByte);
    EXPECT_EQ(FormOf("\xEF\xBB"), StoredForm::SingleByte);  // a mark cut short
    EXPECT_EQ(FormOf("Gr\xFC\xDF" "e"), StoredForm::SingleByte);
    EXPECT_EQ(FormOf("\xEF\xBB\xBF"), StoredForm::Utf8Bom);
    EXPECT_EQ(FormOf("\xEF\xBB\xBFx"), StoredForm::Utf8Bom);
    EXPECT_EQ(FormOf("\xFF\xFE"), StoredForm::Utf16LeBom);
    EXPECT_EQ(FormOf("\xFE\xFF"), StoredForm::SingleByte);  // big-endian is not ours
    EXPECT_EQ(UnicodeFileText("Gr\xFC\xDF" "e"), std::nullopt);
}

TEST(StoredText, Utf8LosesOnlyItsMark) {
    EXPECT_EQ(UnicodeFileText("\xEF\xBB\xBF"), "");
    EXPECT_EQ(UnicodeFileText("\xEF\xBB\xBF" "Καλημέρα|写真_旅行\r\n"), "Καλημέρα|写真_旅行\r\n");
    // Only the first mark is one.
    EXPECT_EQ(UnicodeFileText("\xEF\xBB\xBF\xEF\xBB\xBF" "a"), "\xEF\xBB\xBF" "a");
}

TEST(StoredText, Utf16BecomesUtf8WithPairsJoined) {
    EXPECT_EQ(UnicodeFileText("\xFF\xFE"), "");
    EXPECT_EQ(UnicodeFileText("\xFF\xFE" + Utf16Le(u"[German]\r\n10311=KIVU Menüeinträge\r\n")),
              "[German]\r\n10311=KIVU Menüeinträge\r\n");
    // One, two, three and four bytes of UTF-8: A, é, 写, 🎉 (a pair).
    EXPECT_EQ(UnicodeFileText("\xFF\xFE" + Utf16Le(u"A\u00E9\u5199\U0001F389")), "Aé写🎉");
    EXPECT_EQ(UnicodeFileText("\xFF\xFE" + Utf16Le(u"\u07FF\u0800\uFFFF")), "\u07FF\u0800\uFFFF");
    // NUL stays a character: the readers decide where text ends.
    EXPECT_EQ(UnicodeFileText("\xFF\xFE" + Utf16Le(std::u16string(u"a\0b", 3))), std::string("a\0b", 3));
}

TEST(StoredText, BrokenUtf16GivesReplacementsAndDropsAnOddByte) {
    const std::string replacement = "\uFFFD";
    const char16_t high = 0xD83C, low = 0xDF89;
    EXPECT_EQ(UnicodeFileText("\xFF\xFE" + Utf16Le(std::u16string{high})), replacement);           // high at the end
    EXPECT_EQ(UnicodeFileText("\xFF\xFE" + Utf16Le(std::u16string{high, u'x'})), replacement + "x");  // high alone
    EXPECT_EQ(UnicodeFileText("\xFF\xFE" + Utf16Le(std::u16string{low, high, low})), replacement + "🎉");
    EXPECT_EQ(UnicodeFileText("\xFF\xFE" + Utf16Le(u"ab") + "c"), "ab");
}
