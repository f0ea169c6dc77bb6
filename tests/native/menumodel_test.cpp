// The context menu's model: which commands the stored configuration shows,
// the submenus of the three lists, the language file as the handler reads
// it, access keys, selection patterns and the command lines for kivuutil.
#include "shellext/menumodel.h"

#include <gtest/gtest.h>

#include "link/handlerlink.h"

using namespace kivumenu;
using Kind = MenuItem::Kind;

namespace {

std::map<int, std::string> ShippedTexts() {
    return {{11, "Copy path"},   {12, "Copy name"},    {13, "Copy short path"}, {14, "Command prompt here"},
            {15, "Change to folder"}, {16, "Run program"}, {17, "FTP sites"}, {18, "Rename / properties"},
            {19, "Select files"}, {20, "New folder"}, {21, "Show / hide hidden files"},
            {22, "Create file list"}, {23, "Open Explorer here"}, {24, "Program starter"},
            {96, "Configure KIVU menu"}, {97, "Live update"}};
}

MenuInput Input() {
    MenuInput in;
    in.texts = ShippedTexts();
    in.settings.accessKeys = false;
    in.folders = {"c:\\work", "-", "d:\\data"};
    in.programs = {{"Notepad", "c:\\windows\\notepad.exe %d", "c:\\windows\\"}};
    in.ftpSites = {{"Archive", "ftp.example.org"}};
    return in;
}

std::vector<std::string> Texts(const std::vector<MenuItem>& items) {
    std::vector<std::string> out;
    for (const auto& i : items) out.push_back(i.kind == Kind::Separator ? "-" : i.text);
    return out;
}

}  // namespace

TEST(MenuModel, ShowsEveryKnownCommandWithATextAndASetFlagInRisingOrder) {
    MenuInput in = Input();
    kivu::SetMenuFlag(in.settings.status, 12, false);
    kivu::SetMenuFlag(in.settings.status, 96, false);
    in.texts.erase(21);
    in.texts[30] = "Not a command of this handler";
    in.texts[13] = "";
    const MenuModel m = BuildMenu(in, 1000);
    EXPECT_EQ(Texts(m.items),
              (std::vector<std::string>{"Copy path", "Command prompt here", "Change to folder", "Run program",
                                        "FTP sites", "Rename / properties", "Select files", "New folder",
                                        "Create file list", "Open Explorer here", "Program starter", "Live update"}));
    // Offsets run 0.. through the items and their submenus, in menu order.
    std::vector<std::string> verbs;
    for (const auto& a : m.actions) verbs.push_back(a.verb);
    EXPECT_EQ(verbs, (std::vector<std::string>{"kivu.copypath", "kivu.prompt", "kivu.folder.0", "kivu.folder.2",
                                               "kivu.program.0", "kivu.ftp.0", "kivu.rename", "kivu.select",
                                               "kivu.newfolder", "kivu.filelist", "kivu.explorer", "kivu.starter",
                                               "kivu.update"}));
    EXPECT_EQ(m.items[0].offset, 0);
    EXPECT_EQ(m.items[2].kind, Kind::Popup);
    EXPECT_EQ(m.items[2].children[2].offset, 3);
    EXPECT_EQ(m.items[5].offset, 6);
    EXPECT_EQ(m.OffsetOfVerb("KIVU.Rename"), 6);
    EXPECT_EQ(m.OffsetOfVerb("kivu.folder.1"), std::nullopt);  // the separator has no verb
    EXPECT_EQ(m.actions[3].help, "d:\\data");
}

TEST(MenuModel, SubMenuOptionPutsEverythingUnderOneItemThatCarriesTheBitmap) {
    MenuInput in = Input();
    in.settings.subMenu = true;
    MenuModel m = BuildMenu(in, 1000);
    ASSERT_EQ(m.items.size(), 1u);
    EXPECT_EQ(m.items[0].kind, Kind::Popup);
    EXPECT_EQ(m.items[0].text, kSubMenuTitle);
    EXPECT_TRUE(m.items[0].bitmap);
    EXPECT_EQ(m.items[0].children.size(), 16u);
    EXPECT_FALSE(m.items[0].children[0].bitmap);

    in.settings.subMenu = false;
    m = BuildMenu(in, 1000);
    for (const auto& i : m.items) EXPECT_TRUE(i.bitmap) << i.text;
    in.settings.bitmap = false;
    m = BuildMenu(in, 1000);
    for (const auto& i : m.items) EXPECT_FALSE(i.bitmap) << i.text;

    in.settings.status = std::string(100, '0');
    EXPECT_TRUE(BuildMenu(in, 1000).items.empty());  // no empty submenu either
}

TEST(MenuModel, ListSeparatorsStandOnlyBetweenEntriesAndBrokenEntriesAreLeftOut) {
    MenuInput in = Input();
    in.folders = {"-", "-", "c:\\a", "", "-", "-", "c:\\b & c", "-"};
    in.programs = {{"-", "-", "-"}, {"calc", "", ""}, {"Edit", "edit.exe", ""}, {"-", "-", "-"}};
    in.ftpSites = {};
    const MenuModel m = BuildMenu(in, 1000);
    EXPECT_EQ(Texts(m.items[4].children), (std::vector<std::string>{"c:\\a", "-", "c:\\b && c"}));
    EXPECT_EQ(m.actions[5].index, 6);  // the entry's place in its file
    EXPECT_EQ(Texts(m.items[5].children), (std::vector<std::string>{"Edit"}));
    // An empty list leaves its command greyed out.
    EXPECT_EQ(m.items[6].kind, Kind::Command);
    EXPECT_EQ(m.items[6].text, "FTP sites");
    EXPECT_EQ(m.items[6].offset, -1);
}

TEST(MenuModel, HugeListsAndLongNamesAreBounded) {
    MenuInput in = Input();
    in.folders.assign(5000, std::string(5000, 'x'));
    const MenuModel m = BuildMenu(in, 1000);
    ASSERT_EQ(m.items[4].children.size(), kMaxListItems);
    EXPECT_EQ(m.items[4].children[0].text.size(), kMaxItemText);
    // The host's id range bounds everything.
    const MenuModel tight = BuildMenu(in, 5);
    EXPECT_EQ(tight.actions.size(), 5u);
    EXPECT_EQ(BuildMenu(in, 0).items.size(), 0u);
}

TEST(MenuModel, LongEntriesAreCutBetweenCharacters) {
    MenuInput in = Input();
    std::string greek, emoji;
    for (int i = 0; i < 150; ++i) greek += "Ωα";
    for (int i = 0; i < 250; ++i) emoji += "🎉";
    in.folders = {greek, emoji};
    const MenuModel m = BuildMenu(in, 1000);
    ASSERT_EQ(m.items[4].children.size(), 2u);
    EXPECT_EQ(m.items[4].children[0].text, greek.substr(0, 2 * kMaxItemText));
    EXPECT_EQ(m.items[4].children[1].text, emoji.substr(0, 4 * kMaxItemText));
    const Action& help = m.actions[static_cast<size_t>(m.items[4].children[1].offset)];
    EXPECT_EQ(help.help, emoji.substr(0, 4 * kMaxItemText));
    EXPECT_EQ(LiteralMenuText("写真&旅行"), "写真&&旅行");
}

TEST(MenuModel, AccessKeysTakeWholeLettersOfEveryScript) {
    std::string used;
    EXPECT_EQ(WithAccessKey("Αντιγραφή", used), "&Αντιγραφή");
    EXPECT_EQ(WithAccessKey("Βοήθεια", used), "&Βοήθεια");
    EXPECT_EQ(WithAccessKey("αποθήκευση", used), "α&ποθήκευση");  // Α is taken in either case
    EXPECT_EQ(WithAccessKey("&Ωμέγα", used), "&Ωμέγα");
    EXPECT_EQ(WithAccessKey("ωx", used), "ω&x");
    used.clear();
    EXPECT_EQ(WithAccessKey("Копировать", used), "&Копировать");
    EXPECT_EQ(WithAccessKey("копия", used), "к&опия");
    // Symbols, emoji and marks are no keys.
    EXPECT_EQ(WithAccessKey("→ 🎉 Ordner", used), "→ 🎉 &Ordner");
    EXPECT_EQ(WithAccessKey("写真", used), "&写真");

    MenuInput in = Input();
    in.settings.accessKeys = true;
    in.texts[11] = "Διαδρομή";
    in.texts[12] = "Δίσκος";
    const MenuModel m = BuildMenu(in, 1000);
    EXPECT_EQ(m.items[0].text, "&Διαδρομή");
    EXPECT_EQ(m.items[1].text, "Δ&ίσκος");
}

TEST(MenuModel, AccessKeysAreUniquePerLevelOrRemoved) {
    std::string used;
    EXPECT_EQ(WithAccessKey("Copy path", used), "&Copy path");
    EXPECT_EQ(WithAccessKey("Copy name", used), "C&opy name");
    EXPECT_EQ(WithAccessKey("Co&nfigure", used), "Co&nfigure");  // keeps its own
    EXPECT_EQ(WithAccessKey("Con", used), "Con");               // no letter left
    EXPECT_EQ(WithAccessKey("Rock && roll", used), "&Rock && roll");
    EXPECT_EQ(WithoutAccessKey("&Rock && ro&ll"), "Rock & roll");

    MenuInput in = Input();
    in.settings.accessKeys = true;
    const MenuModel m = BuildMenu(in, 1000);
    EXPECT_EQ(m.items[0].text, "&Copy path");
    EXPECT_EQ(m.items[3].text, "Co&mmand prompt here");
    EXPECT_EQ(m.actions[0].help, "Copy path");
}

TEST(MenuTexts, CurrentLanguageWithEnglishFillingTheGapsReadLikeTheProfileFunctions) {
    const std::string ini =
        "[Language]\r\nCurrent = german\r\n\r\n[English]\r\n11=Copy path\r\n12=Copy name\r\n20=New folder\r\n"
        "[GERMAN]\r\n11 = \"  Pfad kopieren \"\r\n12=\r\n13='Kurz'\r\n11=second copy\r\n99=out of range\r\n";
    const auto texts = ParseMenuTexts(ini);
    EXPECT_EQ(texts.at(11), "  Pfad kopieren ");
    EXPECT_EQ(texts.at(12), "Copy name");  // empty counts as missing
    EXPECT_EQ(texts.at(13), "Kurz");
    EXPECT_EQ(texts.at(20), "New folder");
    EXPECT_EQ(texts.count(99), 0u);

    EXPECT_EQ(ParseMenuTexts("[English]\n11=Copy path\n").at(11), "Copy path");  // no Current
    EXPECT_EQ(ParseMenuTexts("[Language]\nCurrent=\n[English]\n11=A\n").at(11), "A");
    EXPECT_EQ(ParseMenuTexts("[English]\n11=" + std::string(3000, 'a')).at(11).size(), 2047u);
    // The cut counts UTF-16 units, as the profile functions do, and never splits a character.
    EXPECT_EQ(ParseMenuTexts("[English]\n11=" + std::string(2046, 'a') + "αβ").at(11), std::string(2046, 'a') + "α");
    EXPECT_EQ(ParseMenuTexts("[English]\n11=" + std::string(2046, 'a') + "🎉").at(11), std::string(2046, 'a'));
    EXPECT_EQ(ParseMenuTexts(std::string("[English]\n\0 11=A\n", 17)).at(11), "Copy path");
}

TEST(MenuTexts, TheShippedEnglishTextsStandInForAMissingOrDamagedFile) {
    // No file, garbage, a file naming a language it lacks and no English:
    // every command keeps its shipped text, so configure and update stay.
    for (const std::string& ini : {std::string(), std::string("\x01\xFF garbage\0[[[=\r\n", 17),
                                  std::string("[Language]\r\nCurrent=Klingon\r\n[Available]\r\nKlingon=\r\n")}) {
        SCOPED_TRACE(ini);
        EXPECT_EQ(ParseMenuTexts(ini), ShippedTexts());
        MenuInput in = Input();
        in.texts = ParseMenuTexts(ini);
        const MenuModel m = BuildMenu(in, 1000);
        ASSERT_EQ(m.items.size(), ShippedTexts().size());
        EXPECT_EQ(m.items[m.items.size() - 2].text, "Configure KIVU menu");
        EXPECT_EQ(m.items.back().text, "Live update");
        EXPECT_TRUE(m.OffsetOfVerb("kivu.configure"));
        EXPECT_TRUE(m.OffsetOfVerb("kivu.update"));
    }
    // A file with some texts keeps them; the shipped ones fill only the gaps.
    const auto texts = ParseMenuTexts("[Language]\r\nCurrent=German\r\n[German]\r\n96=Konfigurieren\r\n");
    EXPECT_EQ(texts.at(96), "Konfigurieren");
    EXPECT_EQ(texts.at(97), "Live update");
    EXPECT_EQ(texts.size(), ShippedTexts().size());
}

TEST(SelectionPattern, WildcardAlternativesWithoutCase) {
    EXPECT_TRUE(MatchesPattern("Report.TXT", "*.txt"));
    EXPECT_TRUE(MatchesPattern("a.doc", "*.txt; *.doc"));
    EXPECT_TRUE(MatchesPattern("ab", "a?"));
    EXPECT_FALSE(MatchesPattern("abc", "a?"));
    EXPECT_TRUE(MatchesPattern("x.txt", "\x01*.txt"));
    EXPECT_TRUE(MatchesPattern("anything", "*"));
    EXPECT_FALSE(MatchesPattern("a.txt", ""));
    EXPECT_FALSE(MatchesPattern("a.txt", ";"));
    EXPECT_TRUE(MatchesPattern("aaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*b"));
    EXPECT_FALSE(MatchesPattern(std::string(2000, 'a'), "*a*a*a*a*a*a*b"));
}

TEST(SelectionPattern, WildcardsTakeWholeCharactersAndLettersOfEveryScriptMatchWithoutCase) {
    EXPECT_TRUE(MatchesPattern("写真_旅行.jpg", "??_??.jpg"));
    EXPECT_FALSE(MatchesPattern("写真_旅行.jpg", "?_??.jpg"));
    EXPECT_TRUE(MatchesPattern("写真_旅行.jpg", "*旅?.JPG"));
    EXPECT_TRUE(MatchesPattern("party🎉.txt", "party?.txt"));
    EXPECT_TRUE(MatchesPattern("ΚΑΛΗΜΈΡΑ.TXT", "καλημέρα.*"));
    EXPECT_TRUE(MatchesPattern("Привет.doc", "*.txt;ПРИВЕТ*"));
    EXPECT_FALSE(MatchesPattern("Καλημέρα.txt", "Καλημερα.txt"));
    EXPECT_TRUE(MatchesPattern("ab写", "*?"));
    EXPECT_FALSE(MatchesPattern("写", "??"));
}

TEST(KivuutilCommandLine, ArgumentsSurviveItsSplitterAndTheSelectionReplacesTheMarker) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"101", "c:\\pro gram\\x.exe a", "", "c:\\dir\\"},
             {"101", "\"C:\\Program Files\\x.exe\" \"D:\\My Docs\\a b.txt\" D:\\c.txt", "D:\\My Docs"},
             {"101", "say \"hi\"", "\"", "\"\"", "a\"b", "x\tz"}}) {
        auto split = kivu::SplitCommandLine("kivuutil.exe " + KivuutilArguments(args));
        split.erase(split.begin());
        EXPECT_EQ(split, args);
    }
    EXPECT_EQ(KivuutilArguments({"1"}), "1");  // plain arguments as they were
    EXPECT_EQ(KivuutilArguments({"101", "a b", ""}), "101 \"a b\" \"\"");

    EXPECT_EQ(CommandLinePath("C:\\Program Files\\x.exe"), "\"C:\\Program Files\\x.exe\"");
    EXPECT_EQ(CommandLinePath("C:\\x.exe"), "C:\\x.exe");
    EXPECT_EQ(CommandLinePath("\"C:\\a b\\x.exe\" -q"), "\"C:\\a b\\x.exe\" -q");  // quoted by its writer

    EXPECT_EQ(ProgramCommandLine("c:\\w\\notepad.exe %d", {"C:\\A.TXT", "C:\\B~1.TXT"}),
              "c:\\w\\notepad.exe C:\\A.TXT C:\\B~1.TXT");
    EXPECT_EQ(ProgramCommandLine("c:\\w\\calc.exe", {"C:\\A.TXT"}), "c:\\w\\calc.exe");
    EXPECT_EQ(ProgramCommandLine("c:\\w\\x.exe %d", {}), "c:\\w\\x.exe");
    EXPECT_EQ(JoinLines({"a", "b"}), "a\r\nb");
}
