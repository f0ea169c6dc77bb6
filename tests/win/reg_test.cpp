// The registry value helpers against the real (Wine) registry. Each test
// works below HKCU\Software\KivuTest\<test name> and removes it afterwards;
// results are checked with the raw API, not with the helpers themselves.
#include "common/reg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/errors.h"
#include "common/text.h"

namespace {

using kivu::RegistryError;

// Data of one raw value.
struct RawValue {
    bool exists = false;
    DWORD type = 0;
    std::vector<BYTE> data;
};

bool KeyExists(const std::string& path) {
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
}

void SetRaw(const std::wstring& path, const std::wstring& name, DWORD type, const void* data, DWORD size) {
    HKEY h;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(h, name.c_str(), 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(h);
}

RawValue GetRaw(const std::wstring& path, const std::wstring& name) {
    RawValue v;
    HKEY h;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return v;
    DWORD size = 0;
    if (RegQueryValueExW(h, name.c_str(), nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS) {
        v.data.resize(size);
        v.exists = RegQueryValueExW(h, name.c_str(), nullptr, &v.type, size ? v.data.data() : nullptr, &size) ==
                   ERROR_SUCCESS;
        v.data.resize(size);
    }
    RegCloseKey(h);
    return v;
}

std::wstring Wide(const std::string& s) { return kivu::Widen(s); }

template <class Fn>
std::string ErrorText(Fn fn) {
    try {
        fn();
    } catch (const RegistryError& e) {
        return e.what();
    }
    return "(no error)";
}

class RegTest : public ::testing::Test {
protected:
    void SetUp() override {
        base_ = std::string("Software\\KivuTest\\") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str()); }

    std::string Path(const std::string& sub) const { return sub.empty() ? base_ : base_ + "\\" + sub; }
    std::wstring WPath(const std::string& sub) const { return Wide(Path(sub)); }

    std::string base_;
};

TEST_F(RegTest, WriteCreatesEveryLevelAndStoresZeroTerminatedString) {
    kivu::WriteRegString(HKEY_CURRENT_USER, Path("a\\b\\c\\d"), "Pfad", "c:\\tools\\x.exe");
    const RawValue v = GetRaw(WPath("a\\b\\c\\d"), L"Pfad");
    ASSERT_TRUE(v.exists);
    EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ));
    const std::wstring expected = L"c:\\tools\\x.exe";
    ASSERT_EQ(v.data.size(), (expected.size() + 1) * sizeof(wchar_t));
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(v.data.data()), expected.size() + 1),
              std::wstring(expected.c_str(), expected.size() + 1));
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path("a\\b\\c\\d"), "Pfad", "-"), "c:\\tools\\x.exe");
}

TEST_F(RegTest, WriteReplacesValueOfAnotherType) {
    const DWORD seven = 7;
    SetRaw(WPath(""), L"Tage", REG_DWORD, &seven, sizeof seven);
    kivu::WriteRegString(HKEY_CURRENT_USER, Path(""), "Tage", "7");
    EXPECT_EQ(GetRaw(WPath(""), L"Tage").type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path(""), "Tage", "-"), "7");
}

TEST_F(RegTest, ReadGivesDefaultOnlyForMissingKeyOrValue) {
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path("missing"), "Pfad", "-"), "-");
    kivu::WriteRegString(HKEY_CURRENT_USER, Path(""), "Leer", "");
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path(""), "Fehlt", "-"), "-");
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path(""), "Leer", "-"), "");
    // No data at all is the empty text as well, whatever the type.
    SetRaw(WPath(""), L"Null", REG_SZ, nullptr, 0);
    SetRaw(WPath(""), L"NullBin", REG_BINARY, nullptr, 0);
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path(""), "Null", "-"), "");
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path(""), "NullBin", "-"), "");

    std::string out = "old";
    kivu::ReadRegString(HKEY_CURRENT_USER, Path("missing"), "x", "def", out);
    EXPECT_EQ(out, "def");
    kivu::ReadRegString(HKEY_CURRENT_USER, Path(""), "Leer", "def", out);
    EXPECT_EQ(out, "");
}

TEST_F(RegTest, ReadStopsAtFirstZeroAndDoesNotExpand) {
    const wchar_t inner[] = L"abc\0def";
    SetRaw(WPath(""), L"Inner", REG_SZ, inner, sizeof inner);
    const wchar_t expand[] = L"%windir%\\kivu";
    SetRaw(WPath(""), L"Expand", REG_EXPAND_SZ, expand, sizeof expand);
    const wchar_t open[] = {L'x', L'y'};  // stored without a terminating zero
    SetRaw(WPath(""), L"Open", REG_SZ, open, sizeof open);
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path(""), "Inner", "-"), "abc");
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path(""), "Expand", "-"), "%windir%\\kivu");
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path(""), "Open", "-"), "xy");
}

TEST_F(RegTest, LongStringsRoundTripWhole) {
    std::string text;
    for (int i = 0; text.size() < 70000; ++i) text += std::to_string(i) + ";";
    kivu::WriteRegString(HKEY_CURRENT_USER, Path(""), "Lang", text);
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path(""), "Lang", "-"), text);
    // Letters of any script come back as they went in, stored as UTF-16.
    const std::string german = "Schlüssel · Größe Καλημέρα 写真 🎉";
    kivu::WriteRegString(HKEY_CURRENT_USER, Path("Menü"), "Änderung", german);
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path("Menü"), "Änderung", "-"), german);
    const std::wstring wide = L"Schlüssel · Größe Καλημέρα 写真 🎉";
    const RawValue stored = GetRaw(WPath("Menü"), L"Änderung");
    ASSERT_EQ(stored.data.size(), (wide.size() + 1) * sizeof(wchar_t));
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(stored.data.data()), wide.size()), wide);

    // The same from a key held open for reading only, as the handler holds its key.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, Path("").c_str(), 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
    EXPECT_EQ(kivu::ReadRegStringFrom(key, "Lang", "-"), text);
    EXPECT_EQ(kivu::ReadRegStringFrom(key, "missing", "-"), "-");
    RegCloseKey(key);
}

TEST_F(RegTest, OtherTypesRaiseTheTypeError) {
    const DWORD one = 1;
    SetRaw(WPath(""), L"Zahl", REG_DWORD, &one, sizeof one);
    const BYTE bin[] = {1, 2, 3};
    SetRaw(WPath(""), L"Bin", REG_BINARY, bin, sizeof bin);
    const wchar_t multi[] = L"a\0b\0";
    SetRaw(WPath(""), L"Multi", REG_MULTI_SZ, multi, sizeof multi);
    EXPECT_EQ(ErrorText([&] { kivu::ReadRegString(HKEY_CURRENT_USER, Path(""), "Zahl", "-"); }),
              "Ungültiger Datentyp für 'Zahl'");
    EXPECT_EQ(ErrorText([&] { kivu::ReadRegString(HKEY_CURRENT_USER, Path(""), "Bin", "-"); }),
              "Ungültiger Datentyp für 'Bin'");
    EXPECT_EQ(ErrorText([&] { kivu::ReadRegString(HKEY_CURRENT_USER, Path(""), "Multi", "-"); }),
              "Ungültiger Datentyp für 'Multi'");
}

TEST_F(RegTest, WriteFailuresRaiseWithKeyPathOrValueName) {
    const HKEY bogus = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234));
    EXPECT_EQ(ErrorText([&] { kivu::WriteRegString(bogus, "software\\kivu\\menu", "status", "1"); }),
              "Erzeugung von Schlüssel software\\kivu\\menu misslungen");
    // Value names are limited to 16383 characters.
    const std::string tooLong(20000, 'n');
    EXPECT_EQ(ErrorText([&] { kivu::WriteRegString(HKEY_CURRENT_USER, Path(""), tooLong, "1"); }),
              "Konnte Daten für '" + tooLong + "' nicht setzen");
}

TEST_F(RegTest, LeadingAndTrailingBackslashNameTheSameKey) {
    const std::string leading = std::string(1, '\\').append(Path("k"));
    kivu::WriteRegString(HKEY_CURRENT_USER, leading + "\\", "v", "1");
    EXPECT_EQ(GetRaw(WPath("k"), L"v").exists, true);
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path("k") + "\\", "v", "-"), "1");
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, leading, "v", "-"), "1");
    kivu::WriteRegString(HKEY_CURRENT_USER, Path("k\\sub"), "v", "2");
    std::vector<std::string> names;
    kivu::ReadRegKeyNames(HKEY_CURRENT_USER, leading + "\\", names);
    EXPECT_EQ(names, std::vector<std::string>{"sub"});
    kivu::DeleteRegValue(HKEY_CURRENT_USER, Path("k") + "\\", "v");
    EXPECT_FALSE(GetRaw(WPath("k"), L"v").exists);
    kivu::DeleteRegKey(HKEY_CURRENT_USER, Path("k") + "\\");
    EXPECT_FALSE(KeyExists(Path("k")));
}

TEST_F(RegTest, NamesCompareCaseInsensitively) {
    kivu::WriteRegString(HKEY_CURRENT_USER, Path("software\\kivu\\menu"), "ZeigeBitmap", "1");
    kivu::WriteRegString(HKEY_CURRENT_USER, Path("Software\\KIVU\\Starter"), "Copyright", "x");
    std::vector<std::string> names;
    kivu::ReadRegKeyNames(HKEY_CURRENT_USER, Path("SOFTWARE\\Kivu"), names);
    EXPECT_EQ(names, (std::vector<std::string>{"menu", "Starter"}));
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path("SOFTWARE\\KIVU\\MENU"), "zeigebitmap", "-"), "1");
}

TEST_F(RegTest, UnnamedDefaultValue) {
    kivu::WriteRegString(HKEY_CURRENT_USER, Path("folder\\shell"), "", "explore");
    const RawValue v = GetRaw(WPath("folder\\shell"), L"");
    ASSERT_TRUE(v.exists);
    EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path("folder\\shell"), "", "open"), "explore");
    kivu::DeleteRegValue(HKEY_CURRENT_USER, Path("folder\\shell"), "");
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path("folder\\shell"), "", "open"), "open");
}

TEST_F(RegTest, KeyNamesAreDirectSubkeysSortedAndTheListIsReplaced) {
    for (const char* name : {"zeta", "Alpha", "beta", "Müller"})
        kivu::WriteRegString(HKEY_CURRENT_USER, Path(std::string("list\\") + name), "v", "1");
    kivu::WriteRegString(HKEY_CURRENT_USER, Path("list\\beta\\deep"), "v", "1");
    std::vector<std::string> names{"stale"};
    kivu::ReadRegKeyNames(HKEY_CURRENT_USER, Path("list"), names);
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "Müller", "zeta"}));
    kivu::ReadRegKeyNames(HKEY_CURRENT_USER, Path("missing"), names);
    EXPECT_TRUE(names.empty());
}

TEST_F(RegTest, DeleteValueLeavesKeyAndOtherValues) {
    kivu::WriteRegString(HKEY_CURRENT_USER, Path(""), "a", "1");
    kivu::WriteRegString(HKEY_CURRENT_USER, Path(""), "b", "2");
    kivu::DeleteRegValue(HKEY_CURRENT_USER, Path(""), "a");
    kivu::DeleteRegValue(HKEY_CURRENT_USER, Path(""), "a");
    kivu::DeleteRegValue(HKEY_CURRENT_USER, Path("missing"), "a");
    EXPECT_FALSE(GetRaw(WPath(""), L"a").exists);
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path(""), "b", "-"), "2");
    EXPECT_FALSE(KeyExists(Path("missing")));
}

TEST_F(RegTest, DeleteKeyRemovesWholeSubtreeAndIsHarmlessTwice) {
    kivu::WriteRegString(HKEY_CURRENT_USER, Path("kivu"), "top", "1");
    for (const char* sub : {"kivu\\menu", "kivu\\Starter\\A\\deep\\deeper", "kivu\\Starter\\B", "kivu\\Starter\\C"})
        kivu::WriteRegString(HKEY_CURRENT_USER, Path(sub), "v", "1");
    // A name outside the ANSI code page must not keep the tree alive.
    SetRaw(WPath("kivu\\Starter\\") + L"\x0416\x0436", L"v", REG_SZ, L"x", 4);
    kivu::WriteRegString(HKEY_CURRENT_USER, Path("sibling"), "v", "1");

    kivu::DeleteRegKey(HKEY_CURRENT_USER, Path("kivu") + "\\");
    EXPECT_FALSE(KeyExists(Path("kivu")));
    EXPECT_TRUE(KeyExists(Path("sibling")));
    kivu::DeleteRegKey(HKEY_CURRENT_USER, Path("kivu"));
    kivu::DeleteRegKey(HKEY_CURRENT_USER, Path("kivu\\Starter\\"));
    EXPECT_TRUE(KeyExists(Path("sibling")));
}

TEST_F(RegTest, EmptyKeysGoUpwardsUntilOneHoldsSomething) {
    const auto create = [](const std::string& path) {
        HKEY key = nullptr;
        if (RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &key) == ERROR_SUCCESS) RegCloseKey(key);
    };
    create(Path("a\\b\\c\\d"));  // no value anywhere
    kivu::WriteRegString(HKEY_CURRENT_USER, Path("a\\x"), "", "");      // an empty default value still counts
    kivu::DeleteEmptyRegKeys(HKEY_CURRENT_USER, Path("a\\b\\c\\d"), 10);
    EXPECT_FALSE(KeyExists(Path("a\\b")));
    EXPECT_TRUE(KeyExists(Path("a\\x")));
    EXPECT_TRUE(KeyExists(Path("a")));  // it still has x

    create(Path("p\\q\\r"));
    kivu::DeleteEmptyRegKeys(HKEY_CURRENT_USER, Path("p\\q\\r"), 2);
    EXPECT_FALSE(KeyExists(Path("p\\q")));
    EXPECT_TRUE(KeyExists(Path("p")));  // beyond the levels asked for
    kivu::WriteRegString(HKEY_CURRENT_USER, Path("v"), "n", "1");
    kivu::DeleteEmptyRegKeys(HKEY_CURRENT_USER, Path("v"), 1);
    EXPECT_TRUE(KeyExists(Path("v")));
    kivu::DeleteEmptyRegKeys(HKEY_CURRENT_USER, Path("missing"), 3);  // no error
}

TEST_F(RegTest, EmptyPathNeverDeletesOrMovesTheRoot) {
    kivu::WriteRegString(HKEY_CURRENT_USER, Path("child"), "v", "1");
    HKEY root;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, base_.c_str(), 0, KEY_ALL_ACCESS, &root), ERROR_SUCCESS);
    kivu::DeleteRegKey(root, "");
    kivu::DeleteRegKey(root, "\\");
    kivu::MoveRegKey(root, "", "moved");
    kivu::MoveRegKey(root, "\\", "moved");
    RegCloseKey(root);
    EXPECT_TRUE(KeyExists(Path("child")));
    EXPECT_FALSE(KeyExists(Path("moved")));
}

TEST_F(RegTest, MoveKeepsEveryValueAndSubkeyExactly) {
    struct Sample {
        std::wstring key, name;
        DWORD type;
        std::vector<BYTE> data;
    };
    std::vector<BYTE> big(300000);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<BYTE>(i * 7 + 3);
    const auto bytes = [](const void* p, size_t n) {
        const BYTE* b = static_cast<const BYTE*>(p);
        return std::vector<BYTE>(b, b + n);
    };
    const DWORD dword = 0xDEADBEEF;
    const ULONGLONG qword = 0x0123456789ABCDEFull;
    const wchar_t multi[] = L"eins\0zwei\0";
    const wchar_t expand[] = L"%userprofile%\\x";
    const wchar_t cyrillic[] = L"\x0416\x0443\x043A";  // not in Windows-1252
    const wchar_t odd[] = L"ab";
    const std::wstring longName(1000, L'n');
    const std::vector<Sample> samples = {
        {L"", L"", REG_SZ, bytes(L"default", 16)},
        {L"", L"Bin", REG_BINARY, big},
        {L"", L"Dword", REG_DWORD, bytes(&dword, sizeof dword)},
        {L"", L"Qword", REG_QWORD, bytes(&qword, sizeof qword)},
        {L"", L"Multi", REG_MULTI_SZ, bytes(multi, sizeof multi)},
        {L"", L"Expand", REG_EXPAND_SZ, bytes(expand, sizeof expand)},
        {L"", L"None", REG_NONE, {}},
        {L"", L"Odd", REG_SZ, bytes(odd, 3)},  // half a character: copied as stored
        {L"", longName, REG_SZ, bytes(L"n", 4)},
        {L"sub", L"Text", REG_SZ, bytes(cyrillic, sizeof cyrillic)},
        {std::wstring(L"sub\\") + cyrillic, cyrillic, REG_BINARY, bytes("\x01\x00\x02", 3)},
        {L"sub\\a\\b\\c", L"Deep", REG_DWORD, bytes(&dword, sizeof dword)},
        {L"empty", L"", REG_SZ, bytes(L"", 2)},
    };
    const auto under = [&](const std::string& top, const std::wstring& key) {
        return key.empty() ? WPath(top) : WPath(top) + L"\\" + key;
    };
    for (const auto& s : samples)
        SetRaw(under("old", s.key), s.name, s.type, s.data.empty() ? nullptr : s.data.data(),
               static_cast<DWORD>(s.data.size()));

    kivu::MoveRegKey(HKEY_CURRENT_USER, Path("old"), Path("x\\new"));

    EXPECT_FALSE(KeyExists(Path("old")));
    for (const auto& s : samples) {
        const RawValue v = GetRaw(under("x\\new", s.key), s.name);
        ASSERT_TRUE(v.exists) << s.key.size() << "/" << s.name.size();
        EXPECT_EQ(v.type, s.type);
        EXPECT_TRUE(v.data == s.data) << "value of type " << s.type << " changed";
    }
    std::vector<std::string> names;
    kivu::ReadRegKeyNames(HKEY_CURRENT_USER, Path("x\\new\\sub\\a"), names);
    EXPECT_EQ(names, std::vector<std::string>{"b"});
}

TEST_F(RegTest, MoveDoesNothingWhenOldIsMissingOrNewExists) {
    kivu::MoveRegKey(HKEY_CURRENT_USER, Path("missing"), Path("new"));
    EXPECT_FALSE(KeyExists(Path("new")));

    kivu::WriteRegString(HKEY_CURRENT_USER, Path("A"), "v", "a");
    kivu::WriteRegString(HKEY_CURRENT_USER, Path("A\\child"), "v", "ac");
    kivu::WriteRegString(HKEY_CURRENT_USER, Path("B"), "v", "b");
    kivu::MoveRegKey(HKEY_CURRENT_USER, Path("A"), Path("b") + "\\");
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path("A"), "v", "-"), "a");
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path("A\\child"), "v", "-"), "ac");
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path("B"), "v", "-"), "b");
    EXPECT_FALSE(KeyExists(Path("B\\child")));

    // Onto itself in other letters, or onto its own parent.
    kivu::MoveRegKey(HKEY_CURRENT_USER, Path("A"), Path("a"));
    kivu::MoveRegKey(HKEY_CURRENT_USER, Path("A\\child"), Path("A"));
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path("A\\child"), "v", "-"), "ac");
}

TEST_F(RegTest, MoveIntoItsOwnSubtreeIsRefusedAndKeepsData) {
    kivu::WriteRegString(HKEY_CURRENT_USER, Path("Starter\\Foo"), "Pfad", "foo.exe");
    kivu::WriteRegString(HKEY_CURRENT_USER, Path("Starter\\Foo\\Bar"), "Pfad", "bar.exe");
    // An entry renamed to "Foo\Baz" would lie inside the entry itself.
    kivu::MoveRegKey(HKEY_CURRENT_USER, Path("Starter\\Foo"), Path("Starter\\Foo\\Baz"));
    kivu::MoveRegKey(HKEY_CURRENT_USER, Path("Starter\\Foo"), Path("STARTER\\foo\\Bar\\x\\"));
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path("Starter\\Foo"), "Pfad", "-"), "foo.exe");
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path("Starter\\Foo\\Bar"), "Pfad", "-"), "bar.exe");
    EXPECT_FALSE(KeyExists(Path("Starter\\Foo\\Baz")));
    EXPECT_FALSE(KeyExists(Path("Starter\\Foo\\Bar\\x")));
    // A sibling whose name merely starts alike is no subtree.
    kivu::MoveRegKey(HKEY_CURRENT_USER, Path("Starter\\Foo"), Path("Starter\\Foobar"));
    EXPECT_FALSE(KeyExists(Path("Starter\\Foo")));
    EXPECT_EQ(kivu::ReadRegString(HKEY_CURRENT_USER, Path("Starter\\Foobar\\Bar"), "Pfad", "-"), "bar.exe");
}

}  // namespace
