#include "fileprops/conflicts.h"

#include <gtest/gtest.h>

#include "fileprops/apply.h"
#include "fileprops/renamer.h"
#include "tests/native/fake_fileops.h"

using namespace kivu;
using testsupport::FakeFileOps;

namespace {

std::string Texts(int n) { return "<" + std::to_string(n) + ">"; }

const std::string kDir = "c:\\d\\";

// Rows (top to bottom) with the new values given, previewed by hand.
FileList Planned(std::initializer_list<std::pair<const char*, const char*>> rows) {
    FileList list(Texts);
    for (auto it = std::rbegin(rows); it != std::rend(rows); ++it) list.AddPath(kDir + it->first);
    size_t i = 0;
    for (const auto& [from, to] : rows) list.Rows()[i++].newValue = to;
    return list;
}

std::vector<Problem> Problems(const FileList& list) {
    std::vector<Problem> p;
    for (const Row& r : list.Rows()) p.push_back(r.problem);
    return p;
}

using P = Problem;

}  // namespace

TEST(NameRules, NamesTheFileSystemRefuses) {
    EXPECT_EQ(CheckName("", 3), P::Empty);
    for (const char* bad : {"a\\b", "a/b", "a:b", "a*", "a?", "a\"b", "a<b", "a>b", "a|b", "a\tb", "\x01"})
        EXPECT_EQ(CheckName(bad, 3), P::BadCharacter) << bad;
    EXPECT_EQ(CheckName("name.", 3), P::TrailingDotOrBlank);
    EXPECT_EQ(CheckName("name ", 3), P::TrailingDotOrBlank);
    EXPECT_EQ(CheckName("..", 3), P::TrailingDotOrBlank);
    for (const char* device : {"CON", "con", "nul.txt", "Aux.tar.gz", "PRN", "COM1", "lpt9.log", "NUL .txt"})
        EXPECT_EQ(CheckName(device, 3), P::ReservedName) << device;
    for (const char* fine : {"CONSOLE", "COM0", "COM10", "LPT", "xnul", "nul_", ".con", "a b.txt", "Ärger.txt"})
        EXPECT_EQ(CheckName(fine, 3), P::None) << fine;
}

TEST(NameRules, ANameMayHave255Utf16UnitsInAFolderOfAnyDepth) {
    EXPECT_EQ(CheckName(std::string(255, 'a'), 5), P::None);
    EXPECT_EQ(CheckName(std::string(256, 'a'), 5), P::TooLong);
    // Deeper than the old 260-character limit: the long form reaches it.
    EXPECT_EQ(CheckName(std::string(255, 'a'), 400), P::None);
    EXPECT_EQ(CheckName("a.txt", kMaxPathLength), P::TooLong);
    // Counted as the file system counts: a Greek letter is one unit (two bytes
    // here), an emoji two (four bytes).
    std::string greek;
    for (int i = 0; i < 255; ++i) greek += "\u03B1";
    EXPECT_EQ(CheckName(greek, 5), P::None);
    EXPECT_EQ(CheckName(greek + "\u03B1", 5), P::TooLong);
    std::string emoji;
    for (int i = 0; i < 127; ++i) emoji += "\U0001F389";
    EXPECT_EQ(CheckName(emoji + "x", 5), P::None);
    EXPECT_EQ(CheckName(emoji + "xy", 5), P::TooLong);
}

TEST(NameRules, NamesAreComparedWithoutCaseAsTheFileSystemDoes) {
    EXPECT_EQ(FoldName("Abc.TXT"), FoldName("aBC.txt"));
    EXPECT_EQ(FoldName("Ärger"), FoldName("äRGER"));
    EXPECT_EQ(FoldName("š"), FoldName("Š"));
    EXPECT_NE(FoldName("÷"), FoldName("×"));  // no letters
    EXPECT_TRUE(SameName("Abc.TXT", "aBC.txt"));
    EXPECT_FALSE(SameName("abc.txt", "abd.txt"));
    EXPECT_FALSE(SameName("abc", "abc "));
    EXPECT_EQ(NameKey("Ärger.TXT"), NameKey("ärger.txt"));
    EXPECT_NE(NameKey("a.txt"), NameKey("b.txt"));
}

TEST(NameRules, GreekCyrillicAndOtherLettersCompareWithoutCaseToo) {
    for (const auto& [a, b] : std::vector<std::pair<std::string, std::string>>{
             {"Καλημέρα.txt", "ΚΑΛΗΜΈΡΑ.txt"}, {"привет.txt", "ПРИВЕТ.TXT"}, {"Łódź.jpg", "łÓDŹ.JPG"},
             {"ｆｉｌｅ.txt", "ＦＩＬＥ.txt"}, {"ÿ.txt", "Ÿ.txt"}}) {
        EXPECT_TRUE(SameName(a, b)) << a;
        EXPECT_EQ(NameKey(a), NameKey(b)) << a;
        EXPECT_EQ(FoldName(a), FoldName(b)) << a;
    }
    for (const auto& [a, b] : std::vector<std::pair<std::string, std::string>>{
             {"写真_旅行.jpg", "写真_旅行.JPG_"}, {"party🎉.txt", "party🎊.txt"}, {"Καλημέρα", "Καλημερα"}}) {
        EXPECT_FALSE(SameName(a, b)) << a;
        EXPECT_NE(NameKey(a), NameKey(b)) << a;
    }
    EXPECT_TRUE(SameName("写真_旅行.jpg", "写真_旅行.JPG"));
    EXPECT_TRUE(SameName("party🎉.txt", "PARTY🎉.TXT"));
}

TEST(Conflicts, NamesThatDifferOnlyInCaseCollideInEveryScript) {
    FileList rows = Planned({{"a.txt", "Καλημέρα.txt"}, {"b.txt", "ΚΑΛΗΜΈΡΑ.txt"}, {"c.txt", "Καλημερα.txt"}});
    EXPECT_EQ(MarkConflicts(rows, {}), 1u);
    EXPECT_EQ(Problems(rows), (std::vector<P>{P::None, P::Duplicate, P::None}));

    const NameSet disk{NameKey("a.txt"), NameKey("привет.txt")};
    FileList taken = Planned({{"a.txt", "ПРИВЕТ.TXT"}});
    EXPECT_EQ(MarkConflicts(taken, disk), 1u);
    EXPECT_EQ(Problems(taken), (std::vector<P>{P::Exists}));
    // Its own name in other letter case is no conflict.
    FileList own = Planned({{"привет.txt", "ПРИВЕТ.TXT"}});
    EXPECT_EQ(MarkConflicts(own, disk), 0u);
}

TEST(NameRules, ThePathLengthCountsUtf16UnitsNotBytes) {
    // A folder of 16,000 Greek letters is 32,000 bytes but only 16,004 units.
    std::string folder = "c:\\";
    for (int i = 0; i < 16000; ++i) folder += "Φ";
    folder += "\\";
    FileList list(Texts);
    list.AddPath(folder + "a.txt");
    list.Rows()[0].newValue = "b.txt";
    EXPECT_EQ(MarkConflicts(list, {}), 0u);
    // The units still count: a folder near the limit leaves no room for the name.
    FileList deep(Texts);
    deep.AddPath("c:\\" + std::string(kMaxPathLength - 9, 'd') + "\\a.txt");
    deep.Rows()[0].newValue = "b.txt";
    EXPECT_EQ(MarkConflicts(deep, {}), 0u);
    deep.Rows()[0].newValue = "b.txtx";
    EXPECT_EQ(MarkConflicts(deep, {}), 1u);
    EXPECT_EQ(deep.Rows()[0].problem, P::TooLong);
}

TEST(Conflicts, DuplicatesAmongRowsCountWithoutCaseAndTheFirstRowWins) {
    FileList list = Planned({{"a.txt", "same.txt"}, {"b.txt", "SAME.txt"}, {"c.txt", "other.txt"}});
    EXPECT_EQ(MarkConflicts(list, {}), 1u);
    EXPECT_EQ(Problems(list), (std::vector<P>{P::None, P::Duplicate, P::None}));
}

TEST(Conflicts, ARowThatKeepsItsNameKeepsItAgainstEarlierRows) {
    FileList list = Planned({{"a.txt", "b.txt"}, {"b.txt", "b.txt"}});
    EXPECT_EQ(MarkConflicts(list, {NameKey("a.txt"), NameKey("b.txt")}), 1u);
    EXPECT_EQ(Problems(list), (std::vector<P>{P::Duplicate, P::None}));
}

TEST(Conflicts, AnExistingFileIsAConflictUnlessItIsRenamedAway) {
    const NameSet disk{NameKey("a.txt"), NameKey("b.txt"), NameKey("taken.txt")};
    FileList list = Planned({{"a.txt", "TAKEN.TXT"}, {"b.txt", "c.txt"}});
    EXPECT_EQ(MarkConflicts(list, disk), 1u);
    EXPECT_EQ(Problems(list), (std::vector<P>{P::Exists, P::None}));
    // b.txt moves away, so a.txt may take its name; a swap is no conflict either.
    FileList chain = Planned({{"a.txt", "b.txt"}, {"b.txt", "c.txt"}});
    EXPECT_EQ(MarkConflicts(chain, disk), 0u);
    FileList swap = Planned({{"a.txt", "b.txt"}, {"b.txt", "a.txt"}});
    EXPECT_EQ(MarkConflicts(swap, disk), 0u);
    // A change of letter case only is the file's own name.
    FileList upper = Planned({{"a.txt", "A.TXT"}});
    EXPECT_EQ(MarkConflicts(upper, disk), 0u);
}

TEST(Conflicts, ARowThatCannotMoveBlocksTheChainBehindIt) {
    const NameSet disk{NameKey("a.txt"), NameKey("b.txt"), NameKey("c.txt"), NameKey("d.txt")};
    // c.txt can't go to "con.txt", so b.txt can't have c.txt, so a.txt can't have b.txt.
    FileList list = Planned({{"a.txt", "b.txt"}, {"b.txt", "c.txt"}, {"c.txt", "con.txt"}, {"d.txt", "e.txt"}});
    EXPECT_EQ(MarkConflicts(list, disk), 3u);
    EXPECT_EQ(Problems(list), (std::vector<P>{P::Exists, P::Exists, P::ReservedName, P::None}));
}

TEST(Conflicts, EveryRuleMarksTheRowAndTheReasonIsReadable) {
    FileList list = Planned({{"1", ""}, {"2", "a?b"}, {"3", "x."}, {"4", "NUL"}, {"5", std::string(300, 'y').c_str()}});
    EXPECT_EQ(MarkConflicts(list, {}), 5u);
    EXPECT_EQ(Problems(list), (std::vector<P>{P::Empty, P::BadCharacter, P::TrailingDotOrBlank, P::ReservedName,
                                              P::TooLong}));
    EXPECT_EQ(list.ProblemOf(3), "<10266>");
    EXPECT_EQ(list.ProblemOf(9), "");
}

TEST(Conflicts, ThePreviewMarksAndCountsThem) {
    FileList list(Texts);
    for (const char* f : {"c.txt", "b.txt", "a.txt"}) list.AddPath(kDir + f);
    PreviewInput in;
    in.pattern = "same[Ext]";
    ASSERT_TRUE(Preview(list, in));
    EXPECT_EQ(list.ConflictCount(), 2u);
    EXPECT_EQ(list.Rows()[0].mark, kMarkPreview);
    EXPECT_EQ(list.Rows()[1].mark, kMarkConflict);
    EXPECT_EQ(list.CellText(2, 3), "×");
    in.pattern = "[Name]_[N][Ext]";
    ASSERT_TRUE(Preview(list, in));
    EXPECT_EQ(list.ConflictCount(), 0u);
    EXPECT_EQ(list.Rows()[1].mark, kMarkPreview);
}

// Swaps and cycles through temporary names.

namespace {

FileList OnDisk(FakeFileOps& ops, std::initializer_list<std::pair<const char*, const char*>> rows) {
    FileList list = Planned(rows);
    for (const auto& [from, to] : rows) ops.Add(kDir + from).attributes = static_cast<uint32_t>(from[0]);
    list.SetFolderNames(ListFolderNames(ops, kDir));
    MarkConflicts(list, list.FolderNames());
    return list;
}

// Which file (by its tag) has which name now.
std::map<std::string, char> Tags(const FakeFileOps& ops) {
    std::map<std::string, char> tags;
    for (const auto& [path, f] : ops.files) tags[path.substr(kDir.size())] = static_cast<char>(f.attributes);
    return tags;
}

}  // namespace

TEST(Renamer, ASwapSucceedsThroughATemporaryName) {
    FakeFileOps ops;
    FileList list = OnDisk(ops, {{"a", "b"}, {"b", "a"}});
    const RenameSummary s = RenameRows(list, ops);
    EXPECT_EQ(s.renamed, 2u);
    EXPECT_EQ(s.failed, 0u);
    EXPECT_EQ(Tags(ops), (std::map<std::string, char>{{"a", 'b'}, {"b", 'a'}}));
    EXPECT_EQ(list.Rows()[0].fileName, "b");
    EXPECT_EQ(list.Rows()[1].fileName, "a");
}

TEST(Renamer, AThreeCycleAndAChainSucceed) {
    FakeFileOps ops;
    FileList list = OnDisk(ops, {{"a", "b"}, {"b", "c"}, {"c", "a"}, {"x", "y"}, {"y", "z"}});
    const RenameSummary s = RenameRows(list, ops);
    EXPECT_EQ(s.renamed, 5u);
    EXPECT_EQ(Tags(ops), (std::map<std::string, char>{{"a", 'c'}, {"b", 'a'}, {"c", 'b'}, {"y", 'x'}, {"z", 'y'}}));
}

TEST(Renamer, AFailedStepLeavesNoTemporaryNameBehind) {
    FakeFileOps ops;
    // b can't reach c: a, which waits in a temporary name for b's name, goes back.
    FileList list = OnDisk(ops, {{"a", "b"}, {"b", "c"}});
    ops.failMoveTo.insert(kDir + "c");
    const RenameSummary s = RenameRows(list, ops);
    EXPECT_EQ(s.renamed, 0u);
    EXPECT_EQ(s.failed, 2u);
    EXPECT_EQ(Tags(ops), (std::map<std::string, char>{{"a", 'a'}, {"b", 'b'}}));
    EXPECT_EQ(list.Rows()[0].mark, kMarkRenameFailed);
    EXPECT_EQ(list.Rows()[1].problem, Problem::MoveFailed);
}

TEST(Renamer, ACycleWhoseLastStepFailsIsPutBackWhole) {
    FakeFileOps ops;
    FileList list = OnDisk(ops, {{"a", "b"}, {"b", "c"}, {"c", "a"}});
    ops.failMoveTo.insert(kDir + "a");
    const RenameSummary s = RenameRows(list, ops);
    // c could not reach a: b gives back c's name, a gives back b's, and all are as they were.
    EXPECT_EQ(s.renamed, 0u);
    EXPECT_EQ(s.failed, 3u);
    EXPECT_EQ(Tags(ops), (std::map<std::string, char>{{"a", 'a'}, {"b", 'b'}, {"c", 'c'}}));
    EXPECT_EQ(list.Rows()[0].fileName, "a");
}

TEST(Renamer, TemporaryNamesAvoidEveryNameThatIsThere) {
    FakeFileOps ops;
    ops.Add(kDir + "~kivu0.tmp");
    FileList list = OnDisk(ops, {{"a", "b"}, {"b", "a"}});
    RenameRows(list, ops);
    EXPECT_EQ(ops.files.size(), 3u);
    for (const auto& [from, to] : ops.moves) EXPECT_NE(to, kDir + "~kivu0.tmp");
}
