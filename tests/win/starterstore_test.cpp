// The starter's entry store against the real (Wine) registry; results are
// read back with the raw API.
#include "starter/starterstore.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "common/errors.h"
#include "tests/win/support/starter.h"

using kivu::StarterStore;
using namespace testsupport;

namespace {

const std::string kStore = "Software\\KIVU\\Starter";

bool KeyExists(const std::string& path) {
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
}

class Store : public ::testing::Test {
protected:
    void SetUp() override { ClearStore(); }
    void TearDown() override { ClearStore(); }
    StarterStore store{"C:\\Program Files\\KIVU\\kivuutil.exe"};
};

using Names = std::vector<std::string>;

}  // namespace

TEST_F(Store, ListsEntriesOnlyWhenTheMarkerIsThere) {
    SetEntryValue("beta", "Pfad", "b.exe");
    SetEntryValue("Alpha", "Pfad", "a.exe");
    EXPECT_EQ(store.List(), Names{});
    SetEntryValue("", "Copyright", "anything");
    EXPECT_EQ(store.List(), (Names{"Alpha", "beta"}));  // sorted without regard to case
}

TEST_F(Store, LoadValuesReadsEachValueOnItsOwn) {
    SetEntryValue("Mail", "Pfad", "C:\\mail.exe");
    SetEntryValue("Mail", "Tage", "abc");
    const DWORD number = 5;
    RegSetKeyValueA(HKEY_CURRENT_USER, (kStore + "\\Mail").c_str(), "Parameter", REG_DWORD, &number, sizeof number);
    EXPECT_THROW(store.Load("Mail"), kivu::RuntimeError);
    const kivu::EntryValues v = store.LoadValues("Mail");
    EXPECT_EQ(v.path, "C:\\mail.exe");
    EXPECT_EQ(v.days, "abc");
    EXPECT_EQ(v.parameters, std::nullopt);  // no string: not read
    EXPECT_EQ(v.window, "0");               // missing: the default
    const kivu::EntryValues none = store.LoadValues("Nobody");
    EXPECT_EQ(none.path, "");
    EXPECT_EQ(none.days, "7");
    EXPECT_EQ(none.parameters, "");
    EXPECT_EQ(none.window, "0");
}

TEST_F(Store, SaveWritesMarkerAutostartAndTheFields) {
    store.Save("Backup", "C:\\tools\\backup.exe", "14", "/all");
    EXPECT_TRUE(EntryValue("", "Copyright").has_value());
    EXPECT_NE(*EntryValue("", "Copyright"), "-");
    // No quotes around the path, even with a blank in it.
    EXPECT_EQ(Autostart(), "C:\\Program Files\\KIVU\\kivuutil.exe 3 start");
    EXPECT_EQ(EntryValue("Backup", "Pfad"), "C:\\tools\\backup.exe");
    EXPECT_EQ(EntryValue("Backup", "Tage"), "14");
    EXPECT_EQ(EntryValue("Backup", "Parameter"), "/all");
    EXPECT_EQ(EntryValue("Backup", "Datum"), std::nullopt);
    EXPECT_EQ(store.List(), Names{"Backup"});

    const kivu::StarterEntry e = store.Load("backup");
    EXPECT_EQ(e.path, "C:\\tools\\backup.exe");
    EXPECT_EQ(e.days, "14");
    EXPECT_EQ(e.parameters, "/all");
    EXPECT_EQ(e.window, "0");
    EXPECT_EQ(e.date, "0");
}

TEST_F(Store, EmptiedFieldsKeepWhatIsStored) {
    store.Save("Backup", "C:\\tools\\backup.exe", "14", "/all");
    store.Save("Backup", "C:\\tools\\other.exe", "", "");
    EXPECT_EQ(EntryValue("Backup", "Pfad"), "C:\\tools\\other.exe");
    EXPECT_EQ(EntryValue("Backup", "Tage"), "14");
    EXPECT_EQ(EntryValue("Backup", "Parameter"), "/all");
    // The days text goes in as typed.
    store.Save("Backup", "C:\\tools\\other.exe", "150", "");
    EXPECT_EQ(EntryValue("Backup", "Tage"), "150");
}

TEST_F(Store, NothingIsSavedWithoutPathOrNameOrAsNoname) {
    store.Save("Noname", "C:\\a.exe", "7", "x");
    store.Save("", "C:\\a.exe", "7", "x");
    store.Save("Backup", "", "7", "x");
    store.Save("a\\b", "C:\\a.exe", "7", "x");
    EXPECT_FALSE(StoreExists());
    EXPECT_EQ(Autostart(), std::nullopt);
    // The comparison with "Noname" heeds case; the key is the same one.
    store.Save("noname", "C:\\a.exe", "7", "x");
    EXPECT_EQ(EntryValue("Noname", "Pfad"), "C:\\a.exe");
    EXPECT_EQ(store.List(), Names{"noname"});
}

TEST_F(Store, RenameMovesTheEntryButNeverOntoAnother) {
    store.Save("Backup", "C:\\b.exe", "14", "/all");
    store.Save("Cleanup", "C:\\c.exe", "3", "");
    store.SetWindowMode("Backup", "2");
    store.RecordStart("Backup", 60000);

    store.Rename("Backup", "Cleanup");
    EXPECT_EQ(EntryValue("Backup", "Pfad"), "C:\\b.exe");
    EXPECT_EQ(EntryValue("Cleanup", "Pfad"), "C:\\c.exe");

    store.Rename("Backup", "Sicherung");
    EXPECT_FALSE(KeyExists(kStore + "\\Backup"));
    EXPECT_EQ(EntryValue("Sicherung", "Pfad"), "C:\\b.exe");
    EXPECT_EQ(EntryValue("Sicherung", "Fenster"), "2");
    EXPECT_EQ(EntryValue("Sicherung", "Datum"), "60000");

    store.Rename("Missing", "Other");
    EXPECT_FALSE(KeyExists(kStore + "\\Other"));
    // A typed backslash would move the entry into another one.
    store.Rename("Sicherung", "Cleanup\\Sicherung");
    EXPECT_EQ(EntryValue("Sicherung", "Pfad"), "C:\\b.exe");
    EXPECT_FALSE(KeyExists(kStore + "\\Cleanup\\Sicherung"));
    EXPECT_EQ(store.List(), (Names{"Cleanup", "Sicherung"}));
}

TEST_F(Store, DeletingTheLastEntryAndTheStoreRemovesTheAutostart) {
    store.Save("Backup", "C:\\b.exe", "14", "");
    store.Save("Cleanup", "C:\\c.exe", "3", "");
    store.Delete("");  // an empty name would name the store itself
    EXPECT_EQ(store.List(), (Names{"Backup", "Cleanup"}));
    store.Delete("backup");
    EXPECT_EQ(store.List(), Names{"Cleanup"});
    store.Delete("Cleanup");
    store.DeleteStore();
    EXPECT_FALSE(StoreExists());
    EXPECT_EQ(Autostart(), std::nullopt);
    EXPECT_EQ(store.List(), Names{});
}

TEST_F(Store, NewEntryCheckLooksForAStartDateOfNoname) {
    EXPECT_FALSE(store.NonameExists());
    store.SetWindowMode("Noname", "2");  // a key without a start date does not count
    EXPECT_FALSE(store.NonameExists());
    store.RecordStart("Noname", -5);
    EXPECT_EQ(EntryValue("Noname", "Datum"), "-5");
    EXPECT_TRUE(store.NonameExists());
}

TEST_F(Store, AutostartRunsThisProgramWithThreeStart) {
    StarterStore running;
    const std::string command = running.AutostartCommand();
    const std::string suffix = "starterstore_tests.exe 3 start";
    ASSERT_GE(command.size(), suffix.size());
    EXPECT_EQ(command.substr(command.size() - suffix.size()), suffix);
    EXPECT_EQ(command.find('"'), std::string::npos);
}
