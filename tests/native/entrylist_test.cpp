// The list operations of the configuration dialog on lists in memory: the
// selection rules at the ends, the derived entries, the refused texts.
#include "config/entrylist.h"

#include <gtest/gtest.h>

using namespace kivu;

namespace {

FolderList Abc(int selected) {
    FolderList list({"A", "B", "C"});
    list.Select(selected);
    return list;
}

ProgramList Programs(std::vector<ProgramEntry> entries, int selected) {
    ProgramList list(std::move(entries));
    list.Select(selected);
    return list;
}

}  // namespace

TEST(EntryList, MoveUpSwapsWithThePreviousAndTheSelectionKeepsItsIndex) {
    FolderList list = Abc(1);
    list.MoveUp();
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"B", "A", "C"}));
    EXPECT_EQ(list.Selected(), 1);
    list.MoveUp();
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"A", "B", "C"}));
}

TEST(EntryList, MovesAtTheEndsOrWithoutASelectionChangeNothing) {
    for (int selected : {0, FolderList::kNone}) {
        FolderList list = Abc(selected);
        list.MoveUp();
        EXPECT_EQ(list.Entries(), (std::vector<std::string>{"A", "B", "C"}));
    }
    for (int selected : {2, FolderList::kNone}) {
        FolderList list = Abc(selected);
        list.MoveDown();
        EXPECT_EQ(list.Entries(), (std::vector<std::string>{"A", "B", "C"}));
        list.DeleteSelected();
        EXPECT_EQ(list.Count(), selected == 2 ? 2 : 3);
    }
    FolderList one({"A"});
    one.SelectFirst();
    one.MoveDown();
    one.MoveUp();
    EXPECT_EQ(one.Entries(), std::vector<std::string>{"A"});
    FolderList list = Abc(1);
    list.MoveDown();
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"A", "C", "B"}));
    EXPECT_EQ(list.Selected(), 1);
}

TEST(EntryList, DeleteSelectsTheSuccessorOrTheNewLast) {
    FolderList list = Abc(0);
    list.DeleteSelected();
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"B", "C"}));
    EXPECT_EQ(list.Selected(), 0);
    list = Abc(2);
    list.DeleteSelected();
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(list.Selected(), 1);
    FolderList one({"A"});
    one.SelectFirst();
    one.DeleteSelected();
    EXPECT_TRUE(one.Empty());
    EXPECT_EQ(one.Selected(), FolderList::kNone);
    one.DeleteSelected();  // nothing left: no effect
    EXPECT_TRUE(one.Empty());
}

TEST(EntryList, SeparatorsAreAppendedAndHandledLikeEntries) {
    FolderList folders = Abc(0);
    folders.AddSeparator();
    EXPECT_EQ(folders.Entries().back(), "-");
    EXPECT_EQ(folders.Selected(), 0);
    folders.Select(3);
    folders.MoveUp();
    EXPECT_EQ(folders.Entries(), (std::vector<std::string>{"A", "B", "-", "C"}));
    folders.DeleteSelected();
    EXPECT_EQ(folders.Entries(), (std::vector<std::string>{"A", "B", "-"}));
    ProgramList programs;
    programs.AddSeparator();
    FtpList sites;
    sites.AddSeparator();
    EXPECT_EQ(programs.Entries(), std::vector<ProgramEntry>{kProgramSeparator});
    EXPECT_EQ(sites.Sites(), std::vector<FtpEntry>{kFtpSeparator});
    EXPECT_EQ(programs.Selected(), ProgramList::kNone);
    sites.ClearAll();
    EXPECT_TRUE(sites.Empty());
    EXPECT_EQ(sites.Selected(), FtpList::kNone);
}

TEST(EntryList, SelectingOutsideTheListSelectsNothing) {
    FolderList list = Abc(5);
    EXPECT_EQ(list.Selected(), FolderList::kNone);
    FolderList empty;
    empty.SelectFirst();
    EXPECT_EQ(empty.Selected(), FolderList::kNone);
}

TEST(FolderList, AddedFoldersAreLowerCaseInAsciiOnly) {
    FolderList list;
    EXPECT_TRUE(list.AddFolder("C:\\Programme\\\xC4RGER"));  // Ä stays
    EXPECT_EQ(list.Entries(), std::vector<std::string>{"c:\\programme\\\xC4rger"});
    EXPECT_EQ(list.Selected(), FolderList::kNone);
    EXPECT_FALSE(list.AddFolder("c:\\a\r\nb"));
    EXPECT_EQ(list.Count(), 1);
}

TEST(FolderList, StandardFoldersAreExpandedInOrderAndFailuresSkipped) {
    FolderList list;
    std::vector<std::string> asked;
    list.AddStandardFolders([&](const std::string& text) -> std::optional<std::string> {
        asked.push_back(text);
        if (text == "%userprofile%") return text;  // not defined: stays as written
        if (text == "%windir%") return std::string("C:\\WINDOWS");
        return std::nullopt;  // the expansion failed
    });
    EXPECT_EQ(asked, (std::vector<std::string>{"%userprofile%", "%windir%", "%temp%"}));
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"%userprofile%", "c:\\windows"}));
    list.AddStandardFolders([](const std::string&) { return std::optional<std::string>("X"); });
    EXPECT_EQ(list.Count(), 5);  // no duplicate check
}

TEST(ProgramList, AddProgramDerivesNamePathAndDirectory) {
    ProgramList list;
    EXPECT_EQ(list.AddProgram("c:\\tools\\my.app.exe"), "c:\\tools\\");
    EXPECT_EQ(list.AddProgram("c:\\tools\\editor"), "c:\\tools\\");
    EXPECT_EQ(list.AddProgram("d:.hidden"), "d:");
    EXPECT_EQ(list.Entries(), (std::vector<ProgramEntry>{{"MY", "c:\\tools\\my.app.exe", "c:\\tools\\"},
                                                          {"EDITOR", "c:\\tools\\editor", "c:\\tools\\"},
                                                          {"", "d:.hidden", "d:"}}));
    EXPECT_EQ(list.Selected(), ProgramList::kNone);
    // An empty name is written but the next load drops it.
    EXPECT_EQ(ParsePrograms(FormatPrograms(list.Entries())).size(), 2u);
}

TEST(ProgramList, ABarInANameOrPathIsRefusedSoTheFieldsCannotShift) {
    ProgramList list = Programs({{"A", "c:\\a.exe", "c:\\"}}, 0);
    EXPECT_FALSE(list.AddProgram("c:\\odd|dir\\x.exe"));
    EXPECT_FALSE(list.RenameEntry(0, "New|Name"));
    EXPECT_FALSE(list.ReplacePath("c:\\a|b.exe"));
    EXPECT_TRUE(list.SetWorkingDirectory("c:\\odd|dir"));  // the last field takes bars
    EXPECT_EQ(list.Entries(), (std::vector<ProgramEntry>{{"A", "c:\\a.exe", "c:\\odd|dir\\"}}));
    EXPECT_EQ(ParsePrograms(FormatPrograms(list.Entries())), list.Entries());
    FtpList sites(std::vector<FtpEntry>{{"S", "x"}});
    EXPECT_FALSE(sites.RenameEntry(0, "a|b"));
    EXPECT_TRUE(sites.RenameEntry(0, ""));
    EXPECT_EQ(sites[0].Name, "");
    EXPECT_FALSE(sites.RenameEntry(1, "x"));
}

TEST(ProgramList, WorkingDirectoryStartsWithoutTheBackslashAndStoresItBack) {
    ProgramList list = Programs({{"A", "a", "c:\\tools\\"}, {"B", "b", ""}}, 0);
    EXPECT_EQ(list.WorkingDirectoryStart(), "c:\\tools");
    EXPECT_TRUE(list.SetWorkingDirectory("d:\\"));
    EXPECT_EQ(list[0].Directory, "d:\\");
    EXPECT_TRUE(list.SetWorkingDirectory("d:\\work"));
    EXPECT_EQ(list[0].Directory, "d:\\work\\");
    list.Select(1);
    EXPECT_EQ(list.WorkingDirectoryStart(), "");
}

TEST(ProgramList, WithoutASelectionTheFirstEntryIsTheTarget) {
    ProgramList list = Programs({{"A", "a %d", "x\\"}, {"B", "b", "y\\"}}, ProgramList::kNone);
    EXPECT_EQ(list.WorkingDirectoryStart(), "x");
    EXPECT_EQ(list.Selected(), 0);
    list.Select(ProgramList::kNone);
    EXPECT_EQ(list.ReplacePathStart(), "a %d");  // proposed with its marker
    EXPECT_EQ(list.Selected(), 0);
    ProgramList empty;
    EXPECT_EQ(empty.WorkingDirectoryStart(), std::nullopt);
    EXPECT_EQ(empty.ReplacePathStart(), std::nullopt);
    EXPECT_FALSE(empty.SetWorkingDirectory("c:\\"));
    EXPECT_FALSE(empty.ReplacePath("c:\\x"));
    EXPECT_TRUE(empty.Empty());
}

TEST(ProgramList, ReplacePathChangesOnlyThePath) {
    ProgramList list = Programs({{"A", "a", "x\\"}, {"B", "b", "y\\"}}, 1);
    EXPECT_TRUE(list.ReplacePath("c:\\new name.exe %d"));
    EXPECT_EQ(list[1], (ProgramEntry{"B", "c:\\new name.exe %d", "y\\"}));
    EXPECT_EQ(list[0], (ProgramEntry{"A", "a", "x\\"}));
}

TEST(ProgramList, TogglePassFileTwiceRestoresThePathAndCutsWhatFollowsTheMarker) {
    ProgramList list = Programs({{"A", "c:\\a.exe", ""}, {"B", "c:\\b.exe %d -x", ""}}, 0);
    EXPECT_FALSE(list.PassFileTicked());
    list.TogglePassFile();
    EXPECT_EQ(list[0].Path, "c:\\a.exe %d");
    EXPECT_TRUE(list.PassFileTicked());
    list.TogglePassFile();
    EXPECT_EQ(list[0].Path, "c:\\a.exe");
    list.Select(1);
    EXPECT_TRUE(list.PassFileTicked());
    list.TogglePassFile();
    EXPECT_EQ(list[1].Path, "c:\\b.exe");
    list.Select(ProgramList::kNone);
    EXPECT_FALSE(list.PassFileTicked());
    list.TogglePassFile();
    EXPECT_EQ(list[0].Path, "c:\\a.exe");
}

TEST(ProgramList, RenameTakesTheTypedTextUnchanged) {
    ProgramList list = Programs({{"A", "a", ""}}, 0);
    EXPECT_TRUE(list.RenameEntry(0, " Mein Editor "));
    EXPECT_EQ(list[0].Name, " Mein Editor ");
    EXPECT_TRUE(list.RenameEntry(0, ""));
    EXPECT_EQ(ParsePrograms(FormatPrograms(list.Entries())), std::vector<ProgramEntry>{});
}

TEST(FtpList, ATypedSiteIsAppendedUnlessAFieldCannotHoldIt) {
    FtpList sites(std::vector<FtpEntry>{{"Old", "ftp.old"}});
    sites.Select(0);
    EXPECT_TRUE(sites.AddSite({"New site", "ftp://ftp.example.com/pub"}));
    EXPECT_EQ(sites.Selected(), 0);
    // The address is the line's last field: a bar in it reads back the same.
    EXPECT_TRUE(sites.AddSite({"Bar", "ftp.example.com/a|b"}));
    EXPECT_EQ(CheckFtpSite({"A|B", "ftp.a"}), FtpSiteFault::Name);
    EXPECT_EQ(CheckFtpSite({"", "ftp.a"}), FtpSiteFault::Name);  // the next load would drop it
    EXPECT_EQ(CheckFtpSite({"A\rB", "ftp.a"}), FtpSiteFault::Name);
    EXPECT_EQ(CheckFtpSite({"A", ""}), FtpSiteFault::Address);
    EXPECT_EQ(CheckFtpSite({"A", "ftp.a\rnext"}), FtpSiteFault::Address);
    EXPECT_EQ(CheckFtpSite({"A", "x\x1Ay"}), FtpSiteFault::Address);
    EXPECT_EQ(CheckFtpSite({"A", "ftp.a"}), FtpSiteFault::None);
    for (const FtpEntry& refused : std::vector<FtpEntry>{
             {"A|B", "ftp.a"}, {"", "ftp.a"}, {"A", ""}, {"A\rB", "ftp.a"}, {"A", "ftp.a\rnext"}, {"A", "x\x1Ay"}})
        EXPECT_FALSE(sites.AddSite(refused)) << refused.Name << " / " << refused.Address;
    const std::vector<FtpEntry> expected{
        {"Old", "ftp.old"}, {"New site", "ftp://ftp.example.com/pub"}, {"Bar", "ftp.example.com/a|b"}};
    EXPECT_EQ(sites.Sites(), expected);
    EXPECT_EQ(ParseFtpSites(FormatFtpSites(sites.Sites())), expected);
}

TEST(FtpList, ASeparatorAddedHereKeepsItsMarkWhereverItsRowMoves) {
    FtpList sites(std::vector<FtpEntry>{{"A", "a"}, kFtpSeparator});
    sites.AddSeparator();
    ASSERT_EQ(sites.Count(), 3);
    EXPECT_FALSE(sites[1].addedSeparator);  // loaded
    EXPECT_TRUE(sites[2].addedSeparator);
    sites.Select(2);
    sites.MoveUp();
    sites.Select(1);
    sites.MoveUp();
    EXPECT_TRUE(sites[0].addedSeparator);
    EXPECT_FALSE(sites[1].addedSeparator);
    EXPECT_FALSE(sites[2].addedSeparator);
    EXPECT_EQ(sites.Sites(), (std::vector<FtpEntry>{kFtpSeparator, {"A", "a"}, kFtpSeparator}));
    sites.Select(0);
    sites.DeleteSelected();
    for (int i = 0; i < sites.Count(); ++i) EXPECT_FALSE(sites[i].addedSeparator) << i;
}

TEST(CaseConversion, OnlyAsciiLetters) {
    EXPECT_EQ(AsciiLower("AbZ\xC4\xD6\xDC@[`{"), "abz\xC4\xD6\xDC@[`{");
    EXPECT_EQ(AsciiUpper("azA\xE4\xF6\xFC"), "AZA\xE4\xF6\xFC");
}
