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

TEST(ProfileText, SplitsAWholeFileIntoSections) {
    const std::string text = std::string("orphan=1\r\n[English]\r\n11=Copy path\r\n 12 = \"Copy name\" \r\n") +
                             "[ german ]\n11=Pfad kopieren\n[ENGLISH]\n11=second\n13=Short\n" +
                             "[open\nk=v\n[Language]\nCurrent=German\0[Hidden]\nx=1\n";
    const auto sections = kivu::ParseProfileText(std::string_view(text.data(), text.size()));
    ASSERT_EQ(sections.size(), 4u);  // english, german, open, language; nothing after the NUL
    const auto& english = sections.at("english");
    EXPECT_EQ(english.Value("11"), "Copy path");  // the first section of the name wins its keys
    EXPECT_EQ(english.Value("12"), "Copy name");
    EXPECT_EQ(english.Value("13"), "Short");      // a later section of the name adds its own
    EXPECT_EQ(english.Value("orphan"), std::nullopt);
    EXPECT_EQ(sections.at("german").Value("11"), "Pfad kopieren");
    EXPECT_EQ(sections.at("open").Value("k"), "v");  // a header without "]" still opens a section
    EXPECT_EQ(sections.at("language").Value("current"), "German");
    EXPECT_TRUE(kivu::ParseProfileText("").empty());
}
