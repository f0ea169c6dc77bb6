#include "link/handlerlink.h"

#include <gtest/gtest.h>

using namespace kivu;
using Args = std::vector<std::string>;

TEST(SplitCommandLine, BlanksSeparateAndQuotesGroup) {
    EXPECT_EQ(SplitCommandLine("kivuutil.exe 1"), (Args{"kivuutil.exe", "1"}));
    EXPECT_EQ(SplitCommandLine("  \"C:\\Program Files\\k.exe\"   101  \"dir /w\" \"\" "),
              (Args{"C:\\Program Files\\k.exe", "101", "dir /w", ""}));
    EXPECT_EQ(SplitCommandLine("a\"b c\"d e"), (Args{"ab cd", "e"}));
    EXPECT_EQ(SplitCommandLine("p \"unterminated arg"), (Args{"p", "unterminated arg"}));
    EXPECT_EQ(SplitCommandLine("p\ta\r\nb"), (Args{"p", "a", "b"}));
    EXPECT_EQ(SplitCommandLine(""), Args{});
}

TEST(SplitCommandLine, ADoubledQuoteInsideQuotesStandsForOne) {
    // A whole command line with quoted paths travels as one argument.
    EXPECT_EQ(SplitCommandLine("k 101 \"\"\"C:\\Program Files\\x.exe\"\" \"\"D:\\My Docs\\a.txt\"\"\" \"D:\\My Docs\""),
              (Args{"k", "101", "\"C:\\Program Files\\x.exe\" \"D:\\My Docs\\a.txt\"", "D:\\My Docs"}));
    EXPECT_EQ(SplitCommandLine("k \"\"\"\" \"\" x"), (Args{"k", "\"", "", "x"}));
    EXPECT_EQ(SplitCommandLine("k \"\"abc \"a\"b"), (Args{"k", "abc", "ab"}));  // outside quotes: as before
    EXPECT_EQ(SplitCommandLine("k \"say \"\"hi\"\""), (Args{"k", "say \"hi\""}));  // unterminated at the end
}

TEST(ModeFromArguments, StrictIntegerOr999) {
    EXPECT_EQ(ModeFromArguments({"p"}), 999);
    EXPECT_EQ(ModeFromArguments({"p", ""}), 999);
    EXPECT_EQ(ModeFromArguments({"p", "abc"}), 999);
    EXPECT_EQ(ModeFromArguments({"p", "1x"}), 999);
    EXPECT_EQ(ModeFromArguments({"p", "1"}), 1);
    EXPECT_EQ(ModeFromArguments({"p", " 101", "cmd", "dir"}), 101);
    EXPECT_EQ(ModeFromArguments({"p", "$29A"}), 666);
    EXPECT_EQ(ModeFromArguments({"p", "-1"}), -1);
}

TEST(MarkPattern, OneMarkInFrontExactlyWhenAdding) {
    EXPECT_EQ(MarkPattern("*.txt", true), "\x01*.txt");
    EXPECT_EQ(MarkPattern("*.txt", false), "*.txt");
    // A second confirmation neither doubles the mark nor keeps a stale one.
    EXPECT_EQ(MarkPattern("\x01*.txt", true), "\x01*.txt");
    EXPECT_EQ(MarkPattern("\x01*.txt", false), "*.txt");
    EXPECT_EQ(MarkPattern("", true), "\x01");
    EXPECT_EQ(MarkPattern("", false), "");
    // The longest pattern still fits into an atom with its mark.
    EXPECT_LE(MarkPattern(std::string(kMaxPattern, 'a'), true).size(), kAtomBufferSize - 1);
}
