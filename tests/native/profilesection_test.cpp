#include "common/profilesection.h"

#include <gtest/gtest.h>

#include <string>

using kivu::ProfileSection;

namespace {

// A section block as the system returns it: entries each ended by a NUL, one more NUL at the end.
ProfileSection Block(std::initializer_list<std::string> lines) {
    std::string block;
    for (const std::string& line : lines) block += line + '\0';
    block += '\0';
    return ProfileSection(block);
}

}  // namespace

TEST(ProfileSection, AnswersAsTheSingleValueRead) {
    const ProfileSection s = Block({"10300=KIVU - Menu", "Ver = 1 ", "a=\"  padded  \"", "b='x'", "c=\"open",
                                    "d=\"\"", "e=", "10300=second"});
    EXPECT_EQ(s.Value("10300"), "KIVU - Menu");  // the first of equal keys
    EXPECT_EQ(s.Value("ver"), "1");              // any case, blanks dropped
    EXPECT_EQ(s.Value("VER"), "1");
    EXPECT_EQ(s.Value("a"), "  padded  ");       // quotes keep the blanks inside
    EXPECT_EQ(s.Value("b"), "x");
    EXPECT_EQ(s.Value("c"), "\"open");           // no pair: nothing dropped
    EXPECT_EQ(s.Value("d"), "");
    EXPECT_EQ(s.Value("e"), "");
    EXPECT_EQ(s.Value("f"), std::nullopt);
}

TEST(ProfileSection, IgnoresLinesWithoutKeyOrEqualsAndStopsAtTheEnd) {
    const char block[] = "noequals\0=nokey\0k=v\0\0after=end\0";
    const ProfileSection s(std::string_view(block, sizeof block));
    EXPECT_EQ(s.Value("noequals"), std::nullopt);
    EXPECT_EQ(s.Value(""), std::nullopt);
    EXPECT_EQ(s.Value("k"), "v");
    EXPECT_EQ(s.Value("after"), std::nullopt);  // behind the closing empty string
    // A block cut without its closing NULs still yields what is whole.
    EXPECT_EQ(ProfileSection(std::string_view("x=1\0y=2", 7)).Value("y"), "2");
    EXPECT_EQ(ProfileSection(std::string_view()).Value("x"), std::nullopt);
}

TEST(ProfileSection, SetReplacesAsAWriteWould) {
    ProfileSection s = Block({"11=Copy", "12=Move"});
    s.Set("11", "\" Kopieren \"");
    s.Set("13", "New");
    EXPECT_EQ(s.Value("11"), " Kopieren ");
    EXPECT_EQ(s.Value("12"), "Move");
    EXPECT_EQ(s.Value("13"), "New");
}
