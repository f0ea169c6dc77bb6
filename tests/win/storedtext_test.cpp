// The stored forms of the list files and the language file, through the
// configuration store and the language lookups as the program uses them. The
// files are the prefix's own and are put back afterwards.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "common/kivulanguage.h"
#include "common/handles.h"
#include "common/reg.h"
#include "common/storedtext.h"
#include "common/text.h"
#include "config/konfigstore.h"
#include "config/konfigunit.h"
#include "tests/win/support/winsupport.h"

using namespace testsupport;
using kivu::FtpEntry;
using kivu::ProgramEntry;

namespace {

std::string FileBytes(const std::string& path) { return kivu::ReadListFile(path).value_or("<missing>"); }

// Writes bytes as they are (an empty content too).
void PutBytes(const std::string& path, const std::string& bytes) {
    const kivu::UniqueFile file(CreateFileW(kivu::Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file) << path;
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

// The profile functions keep a file between calls: forget it.
void FlushProfileCache() { WritePrivateProfileStringW(nullptr, nullptr, nullptr, L"kivulanguage.ini"); }

std::string LanguagePath() { return kivu::ListFilePath(kivu::kLanguageFile); }

// The language file's text in our encoding, whatever its form.
std::string LanguageText() { return kivu::LanguageFileText(FileBytes(LanguagePath())); }

class StoredFiles : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* f : {kivu::kFoldersFile, kivu::kProgramsFile, kivu::kFtpFile, kivu::kLanguageFile}) {
            paths_.push_back(kivu::ListFilePath(f));
            saved_.push_back(kivu::ReadListFile(paths_.back()));
        }
        for (size_t i = 0; i < 3; ++i) DeleteFileW(kivu::Widen(paths_[i]).c_str());
        FlushProfileCache();
        kivu::ClearLangCache();
    }
    void TearDown() override {
        form.reset();
        for (size_t i = 0; i < paths_.size(); ++i) {
            if (saved_[i]) PutBytes(paths_[i], *saved_[i]);
            else DeleteFileW(kivu::Widen(paths_[i]).c_str());
        }
        FlushProfileCache();
        kivu::ClearLangCache();
        kivu::DeleteRegKey(HKEY_CURRENT_USER, kivu::kMenuKey);
    }
    std::string Folders() const { return FileBytes(paths_[0]); }
    std::string Programs() const { return FileBytes(paths_[1]); }
    std::string Ftp() const { return FileBytes(paths_[2]); }

    std::vector<std::string> paths_;  // folders, programs, FTP sites, language
    std::vector<std::optional<std::string>> saved_;
    std::unique_ptr<kivu::Tkonfigdialog> form;
};

const std::string kBom = "\xEF\xBB\xBF";

}  // namespace

TEST_F(StoredFiles, ListsWithNamesBeyondTheCodePageAreWrittenAsUtf8WithItsMarkAndReadBackEqual) {
    const std::vector<std::string> folders = {"C:\\Καλημέρα", "-", "", "D:\\写真_旅行\\party🎉"};
    const std::vector<ProgramEntry> programs = {{"写真 viewer", "C:\\写真_旅行\\view.exe %d", "C:\\写真_旅行\\"},
                                                kivu::kProgramSeparator,
                                                {"Grüße", "c:\\g.exe", "c:\\"}};
    const std::vector<FtpEntry> sites = {{"Καλημέρα 🎉", "ftp://ftp.example.com/写真"}};
    kivu::SaveFolders(folders);
    kivu::SavePrograms(programs);
    kivu::SaveFtpSites(sites);
    // The line formats are those of the single-byte files, in UTF-8 after the mark.
    EXPECT_EQ(Folders(), kBom + "C:\\Καλημέρα\r\n-\r\n\r\nD:\\写真_旅行\\party🎉\r\n");
    EXPECT_EQ(Programs(), kBom + "写真 viewer|C:\\写真_旅行\\view.exe %d|C:\\写真_旅行\\\r\n-|-|-\r\n"
                                 "Grüße|c:\\g.exe|c:\\\r\n");
    EXPECT_EQ(Ftp(), kBom + "Καλημέρα 🎉|ftp://ftp.example.com/写真\r\n");
    EXPECT_EQ(kivu::LoadFolders(), folders);
    EXPECT_EQ(kivu::LoadPrograms(), programs);
    EXPECT_EQ(kivu::LoadFtpSites(), sites);
    // Saved again unchanged, the files stay as they are.
    const std::string before = Programs();
    kivu::SavePrograms(kivu::LoadPrograms());
    EXPECT_EQ(Programs(), before);
}

TEST_F(StoredFiles, ListsOfTheCodePageAreWrittenByteForByteAsBefore) {
    // The stored examples of the single-byte files, read and written again.
    PutBytes(paths_[1], "NOTEPAD|c:\\windows\\notepad.exe %d|c:\\windows\\\r\ncalc\r\nA|b|c|d\r\n");
    PutBytes(paths_[2], "Site|a|b\r\n\r\n");
    PutBytes(paths_[0], "c:\\a\r\n\r\nc:\\b\r\n");
    const auto programs = kivu::LoadPrograms();
    ASSERT_EQ(programs.size(), 3u);
    EXPECT_EQ(programs[0], (ProgramEntry{"NOTEPAD", "c:\\windows\\notepad.exe %d", "c:\\windows\\"}));
    kivu::SavePrograms(programs);
    kivu::SaveFtpSites(kivu::LoadFtpSites());
    kivu::SaveFolders(kivu::LoadFolders());
    EXPECT_EQ(Programs(), "NOTEPAD|c:\\windows\\notepad.exe %d|c:\\windows\\\r\ncalc||\r\nA|b|c|d\r\n");
    EXPECT_EQ(Ftp(), "Site|a|b\r\n");
    EXPECT_EQ(Folders(), "c:\\a\r\n\r\nc:\\b\r\n");

    // Letters beyond ASCII that the code page holds go in as its single bytes.
    if (GetACP() != 1252) GTEST_SKIP() << "the system's code page is " << GetACP();
    kivu::SavePrograms({{"Grüße", "c:\\Bücher\\€uro.exe %d", "c:\\Bücher\\"}});
    EXPECT_EQ(Programs(), "Gr\xFC\xDF" "e|c:\\B\xFC" "cher\\\x80uro.exe %d|c:\\B\xFC" "cher\\\r\n");
    kivu::SaveFtpSites({{"Café", "ftp://caf\xC3\xA9.example"}});
    EXPECT_EQ(Ftp(), "Caf\xE9|ftp://caf\xE9.example\r\n");
}

TEST_F(StoredFiles, AnOldWindows1252ListLoadsRightAndIsWrittenBackInItsBytes) {
    if (GetACP() != 1252) GTEST_SKIP() << "the system's code page is " << GetACP();
    const std::string old = "M\xFCller|c:\\B\xFC" "cher\\\x80uro.exe|c:\\B\xFC" "cher\\\r\n";
    PutBytes(paths_[1], old);
    PutBytes(paths_[0], "c:\\gr\xFC\xDF" "e\r\n");
    EXPECT_EQ(kivu::LoadPrograms(), (std::vector<ProgramEntry>{{"Müller", "c:\\Bücher\\€uro.exe", "c:\\Bücher\\"}}));
    EXPECT_EQ(kivu::LoadFolders(), std::vector<std::string>{"c:\\grüße"});
    kivu::SavePrograms(kivu::LoadPrograms());
    EXPECT_EQ(Programs(), old);
    // A letter the code page only resembles is no fit: "ő" must not become "o".
    kivu::SaveFolders({"c:\\grüße", "c:\\Erdős"});
    EXPECT_EQ(Folders(), kBom + "c:\\grüße\r\nc:\\Erdős\r\n");
    kivu::SaveFolders({"c:\\grüße"});
    EXPECT_EQ(Folders(), "c:\\gr\xFC\xDF" "e\r\n");
}

// A run under another code page names it, so a missing locale cannot pass
// for that run by skipping what needs it.
TEST(StoredFilesRun, TheSystemsCodePageIsTheOneThisRunAsksFor) {
    const char* wanted = std::getenv("KIVU_EXPECT_ACP");
    if (!wanted) GTEST_SKIP() << "no code page asked for";
    EXPECT_EQ(std::to_string(GetACP()), wanted);
}

TEST_F(StoredFiles, UnderTheJapaneseCodePageListsAreItsDoubleBytesWhoseSecondByteCanBeABar) {
    if (GetACP() != 932) GTEST_SKIP() << "the system's code page is " << GetACP();
    // "ポ" is 83 7C and "表" 95 5C in code page 932: a second byte that is "|" or "\"
    // belongs to its character.
    const std::string old = "\x83\x7C|c:\\\x95\x5C\\\x8E\xCA\x90\x5E.exe|c:\\\r\n";
    PutBytes(paths_[1], old);
    EXPECT_EQ(kivu::LoadPrograms(), (std::vector<ProgramEntry>{{"ポ", "c:\\表\\写真.exe", "c:\\"}}));
    kivu::SavePrograms(kivu::LoadPrograms());
    EXPECT_EQ(Programs(), old);
    // What the code page does not hold goes to UTF-8.
    kivu::SaveFolders({"c:\\写真", "c:\\Grüße"});
    EXPECT_EQ(Folders(), kBom + "c:\\写真\r\nc:\\Grüße\r\n");
}

TEST_F(StoredFiles, TheShippedLanguageFileIsUtf16AndGivesTheGermanTexts) {
    ASSERT_EQ(kivu::FormOf(FileBytes(LanguagePath())), kivu::StoredForm::Utf16LeBom);
    EXPECT_EQ(kivu::AvailableLanguages(), (std::vector<std::string>{"English", "German"}));
    kivu::SetCurrentLanguage("German");
    kivu::ClearLangCache();
    EXPECT_EQ(kivu::CurrentLanguageSetting(), "German");
    EXPECT_EQ(kivu::GetLangString(10311), "KIVU Menüeinträge");
    EXPECT_EQ(kivu::GetLangString(14), "Eingabeaufforderung hier öffnen");
    // Choosing a language keeps the form.
    FlushProfileCache();
    EXPECT_EQ(kivu::FormOf(FileBytes(LanguagePath())), kivu::StoredForm::Utf16LeBom);

    // The configuration window shows them.
    form = std::make_unique<kivu::Tkonfigdialog>(std::vector<std::string>{"kivuutil", "0"});
    form->Create();
    form->Show();
    PumpMessages();
    EXPECT_EQ(form->Caption(), "KIVU - Menueinträge Konfiguration");
    EXPECT_EQ(form->PageControl1.PageCaption(5), "Über KIVU");
    ASSERT_GE(form->CheckListBox1.Count(), 4);
    EXPECT_EQ(form->CheckListBox1.ItemText(3), "Eingabeaufforderung hier öffnen [14]");
}

TEST_F(StoredFiles, ACopiedBackEnglishTextKeepsTheFilesFormAndAnOldSingleByteFileStillLoads) {
    ASSERT_EQ(kivu::FormOf(FileBytes(LanguagePath())), kivu::StoredForm::Utf16LeBom);
    // An English text that no single-byte code page holds whole, and German without it.
    ASSERT_TRUE(WritePrivateProfileStringW(L"English", L"99901", L"Καλημέρα 写真 🎉", L"kivulanguage.ini"));
    kivu::SetCurrentLanguage("German");
    FlushProfileCache();
    kivu::ClearLangCache();
    EXPECT_EQ(kivu::GetLangString(99901), "Καλημέρα 写真 🎉");
    FlushProfileCache();
    EXPECT_EQ(kivu::FormOf(FileBytes(LanguagePath())), kivu::StoredForm::Utf16LeBom);
    const std::string text = LanguageText();
    const size_t german = text.find("[German]");
    ASSERT_NE(german, std::string::npos);
    EXPECT_NE(text.find("99901=Καλημέρα 写真 🎉\r\n", german), std::string::npos);
    // The shipped texts around it are whole.
    EXPECT_NE(text.find("10311=KIVU Menüeinträge\r\n", german), std::string::npos);

    // A file as older versions shipped it: single bytes of the code page,
    // which it keeps, and which the configuration window shows right.
    if (GetACP() != 1252) GTEST_SKIP() << "the system's code page is " << GetACP();
    kivu::ClearLangCache();
    PutBytes(LanguagePath(),
             "[Language]\r\nCurrent=German\r\n[Available]\r\nEnglish=\r\nGerman=\r\n"
             "[English]\r\nver=1\r\n10311=KIVU menu entries\r\n99901=Gr\xFC\xDF" "e\r\n"
             "[German]\r\nver=1\r\n10300=KIVU - Men\xFC" "eintr\xE4ge\r\n10311=KIVU Men\xFC" "eintr\xE4ge\r\n"
             "14=Eingabeaufforderung hier \xF6" "ffnen\r\n");
    FlushProfileCache();
    EXPECT_EQ(kivu::GetLangString(10311), "KIVU Menüeinträge");
    EXPECT_EQ(kivu::GetLangString(99901), "Grüße");  // copied back in the file's single bytes
    FlushProfileCache();
    const std::string bytes = FileBytes(LanguagePath());
    EXPECT_EQ(kivu::FormOf(bytes), kivu::StoredForm::SingleByte);
    EXPECT_NE(bytes.find("[German]\r\nver=1\r\n10300=KIVU - Men\xFC" "eintr\xE4ge\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("99901=Gr\xFC\xDF" "e\r\n", bytes.find("[German]")), std::string::npos);

    kivu::ClearLangCache();
    form = std::make_unique<kivu::Tkonfigdialog>(std::vector<std::string>{"kivuutil", "0"});
    form->Create();
    form->Show();
    PumpMessages();
    EXPECT_EQ(form->Caption(), "KIVU - Menüeinträge");
    EXPECT_EQ(form->PageControl1.PageCaption(0), "KIVU Menüeinträge");
    ASSERT_GE(form->CheckListBox1.Count(), 1);
    EXPECT_EQ(form->CheckListBox1.ItemText(0), "Eingabeaufforderung hier öffnen [14]");
}
