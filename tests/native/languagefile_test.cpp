// Checks the language file that ships beside the program: its form (UTF-16LE
// with a byte-order mark, CRLF, no duplicates) and that every text the dialogs look up is there in
// every language, with access keys that do not collide within a form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/storedtext.h"
#include "shellext/menumodel.h"

#ifndef KIVU_LANGUAGE_FILE
#error "KIVU_LANGUAGE_FILE must name the shipped language file"
#endif

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries;
    const std::string* Find(const std::string& key) const {
        for (const auto& [k, v] : entries)
            if (Lower(k) == Lower(key)) return &v;
        return nullptr;
    }
};

class LanguageFileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::ifstream in(KIVU_LANGUAGE_FILE, std::ios::binary);
        ASSERT_TRUE(in) << "cannot open " << KIVU_LANGUAGE_FILE;
        bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        text_ = kivu::UnicodeFileText(bytes_).value_or("");
        std::istringstream lines(text_);
        std::string line;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const std::string t = Trim(line);
            if (t.empty() || t[0] == ';') continue;
            if (t.front() == '[' && t.back() == ']') {
                sections_.push_back({t.substr(1, t.size() - 2), {}});
            } else if (const auto eq = t.find('='); eq != std::string::npos && !sections_.empty()) {
                sections_.back().entries.emplace_back(Trim(t.substr(0, eq)), Trim(t.substr(eq + 1)));
            } else {
                stray_.push_back(t);
            }
        }
    }

    static const Section* Find(const std::string& name) {
        for (const auto& s : sections_)
            if (Lower(s.name) == Lower(name)) return &s;
        return nullptr;
    }

    static std::vector<std::string> Languages() {
        std::vector<std::string> names;
        if (const Section* available = Find("Available"))
            for (const auto& entry : available->entries) names.push_back(entry.first);
        return names;
    }

    static std::string bytes_;
    static std::string text_;  // as UTF-8
    static std::vector<Section> sections_;
    static std::vector<std::string> stray_;
};

std::string LanguageFileTest::bytes_;
std::string LanguageFileTest::text_;
std::vector<Section> LanguageFileTest::sections_;
std::vector<std::string> LanguageFileTest::stray_;

// Every number that a dialog, a message or the uninstall question looks up.
std::vector<int> UsedNumbers() {
    std::vector<int> n = {10001, 10002, 97, 10501, 10502, 10503};
    for (int i = 10100; i <= 10103; ++i) n.push_back(i);
    for (int i = 10200; i <= 10218; ++i) n.push_back(i);
    for (int i = 10250; i <= 10276; ++i) n.push_back(i);
    for (int i = 10300; i <= 10321; ++i) n.push_back(i);
    for (int i : {10323, 10324, 10326, 10327, 10328}) n.push_back(i);
    for (int i = 10329; i <= 10333; ++i) n.push_back(i);  // the FTP page's add command and its dialog
    for (int i = 10401; i <= 10410; ++i) n.push_back(i);
    n.push_back(10413);
    return n;
}

TEST_F(LanguageFileTest, IsUtf16LeWithItsMarkAndCrlfLineEnds) {
    ASSERT_GE(bytes_.size(), 4u);
    EXPECT_EQ(kivu::FormOf(bytes_), kivu::StoredForm::Utf16LeBom);
    EXPECT_EQ(bytes_.size() % 2, 0u);
    for (size_t i = 2; i + 1 < bytes_.size(); i += 2)
        EXPECT_FALSE(bytes_[i] == '\0' && bytes_[i + 1] == '\0') << "NUL at byte " << i;
    for (size_t i = 0; i < text_.size(); ++i) {
        if (text_[i] == '\n') {
            EXPECT_TRUE(i > 0 && text_[i - 1] == '\r') << "bare LF at " << i;
        }
        if (text_[i] == '\r') {
            EXPECT_TRUE(i + 1 < text_.size() && text_[i + 1] == '\n') << "bare CR at " << i;
        }
    }
    // No character got lost on the way from the source (U+FFFD).
    EXPECT_EQ(text_.find("\xEF\xBF\xBD"), std::string::npos);
    ASSERT_GE(text_.size(), 2u);
    EXPECT_EQ(text_.substr(text_.size() - 2), "\r\n");
    ASSERT_NE(Find("German"), nullptr);
    const std::string* ok = Find("German")->Find("10101");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(*ok, "Übernehmen");
    const std::string* page = Find("German")->Find("10311");
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(*page, "KIVU Menüeinträge");
    EXPECT_TRUE(stray_.empty()) << stray_.front();
}

TEST_F(LanguageFileTest, NoDuplicateSectionsOrKeys) {
    std::set<std::string> sectionNames;
    for (const auto& s : sections_) {
        EXPECT_TRUE(sectionNames.insert(Lower(s.name)).second) << "section [" << s.name << "] twice";
        std::set<std::string> keys;
        for (const auto& entry : s.entries)
            EXPECT_TRUE(keys.insert(Lower(entry.first)).second) << entry.first << " twice in [" << s.name << "]";
    }
}

TEST_F(LanguageFileTest, CurrentIsEnglishAndEveryAvailableLanguageHasItsSection) {
    const Section* language = Find("Language");
    ASSERT_NE(language, nullptr);
    ASSERT_NE(language->Find("Current"), nullptr);
    EXPECT_EQ(*language->Find("Current"), "English");
    EXPECT_EQ(Languages(), (std::vector<std::string>{"English", "German"}));
    for (const auto& name : Languages()) {
        const Section* s = Find(name);
        ASSERT_NE(s, nullptr) << name;
        ASSERT_NE(s->Find("ver"), nullptr) << name;
        EXPECT_EQ(*s->Find("ver"), "1") << name;
    }
}

TEST_F(LanguageFileTest, EveryUsedNumberHasATextInEveryLanguage) {
    for (const auto& name : Languages()) {
        const Section* s = Find(name);
        ASSERT_NE(s, nullptr);
        for (int n : UsedNumbers()) {
            const std::string* text = s->Find(std::to_string(n));
            EXPECT_TRUE(text && !text->empty()) << n << " missing in [" << name << "]";
        }
        // Every other key is a menu command (11 to 98) or the version mark.
        const auto used = UsedNumbers();
        for (const auto& [key, text] : s->entries) {
            if (key == "ver") continue;
            const bool digits = !key.empty() && std::all_of(key.begin(), key.end(), [](char c) {
                return std::isdigit(static_cast<unsigned char>(c)) != 0;
            });
            ASSERT_TRUE(digits) << key << " in [" << name << "]";
            const int n = std::stoi(key);
            EXPECT_TRUE((n >= 11 && n <= 98) || std::count(used.begin(), used.end(), n) == 1)
                << key << " in [" << name << "] is not looked up by the program";
        }
    }
    // The languages carry the same numbers, so a translation never falls back.
    const Section* english = Find("English");
    for (const auto& name : Languages()) {
        const Section* s = Find(name);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->entries.size(), english->entries.size()) << name;
        for (const auto& entry : english->entries) EXPECT_NE(s->Find(entry.first), nullptr) << entry.first;
    }
}

TEST_F(LanguageFileTest, MenuTextsCarryTheirKeyHintAfterBackslashT) {
    // The folder chooser takes its title from 10301 up to the backslash.
    for (const auto& name : Languages()) {
        const Section* s = Find(name);
        ASSERT_NE(s, nullptr);
        for (int n : {10301, 10303, 10304, 10305, 10307, 10308}) {
            const std::string* text = s->Find(std::to_string(n));
            ASSERT_NE(text, nullptr);
            const auto at = text->find("\\t");
            EXPECT_TRUE(at != std::string::npos && at > 0) << n << " in [" << name << "]: " << *text;
        }
    }
}

TEST_F(LanguageFileTest, AccessKeysAreUniqueWithinAForm) {
    const std::map<std::string, std::vector<int>> forms = {
        {"properties", {10101, 10201, 10202, 10203, 10204, 10205, 10206, 10207, 10208, 10209, 10210, 10211, 10260, 10272}},
        {"starter", {10401, 10402, 10403, 10404, 10405, 10406, 10407, 10408, 10409, 10410}},
        {"selection", {10101, 10102, 10103}},
        {"configuration", {10318, 10319, 10321, 10326, 10327, 10328}},
        {"FTP site", {10330, 10331, 10332, 10333}},
    };
    for (const auto& name : Languages()) {
        const Section* s = Find(name);
        ASSERT_NE(s, nullptr);
        for (const auto& [form, numbers] : forms) {
            std::map<char, int> keys;
            for (int n : numbers) {
                const std::string* text = s->Find(std::to_string(n));
                ASSERT_NE(text, nullptr);
                const auto amp = text->find('&');
                if (amp == std::string::npos) continue;
                ASSERT_LT(amp + 1, text->size()) << n;
                EXPECT_EQ(text->find('&', amp + 1), std::string::npos) << n << " has two access keys";
                const char key = static_cast<char>(std::tolower(static_cast<unsigned char>((*text)[amp + 1])));
                const auto [it, fresh] = keys.emplace(key, n);
                EXPECT_TRUE(fresh) << form << " [" << name << "]: " << n << " and " << it->second << " share &"
                                   << key;
            }
        }
    }
}

TEST_F(LanguageFileTest, TheHandlersOwnEnglishMenuTextsAreTheShippedOnes) {
    // The handler carries these for a missing or damaged file: every menu
    // number of the English section is a command with exactly that text, and
    // every command has its text there.
    const Section* english = Find("English");
    ASSERT_NE(english, nullptr);
    std::set<int> inFile;
    for (const auto& [key, text] : english->entries) {
        if (key.empty() || key.find_first_not_of("0123456789") != std::string::npos) continue;
        const int n = std::stoi(key);
        if (n < 11 || n > 98) continue;
        inFile.insert(n);
        EXPECT_EQ(kivumenu::ShippedEnglishText(static_cast<kivumenu::Command>(n)), text) << n;
    }
    std::set<int> commands;
    for (const auto c : kivumenu::KnownCommands()) commands.insert(static_cast<int>(c));
    EXPECT_EQ(inFile, commands);
}

}  // namespace
