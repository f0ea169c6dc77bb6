#include "fileprops/journal.h"

#include <gtest/gtest.h>

#include "fileprops/apply.h"
#include "tests/native/fake_fileops.h"

using namespace kivu;
using testsupport::FakeFileOps;

namespace {

const std::string kDir = "c:\\d\\";

class MemoryJournal : public JournalStore {
public:
    std::string text;
    bool open = false;
    int failAppendAfter = -1;  // appends that succeed before the rest fail
    bool Begin(const std::string& t) override {
        text = t;
        return open = true;
    }
    bool Append(const std::string& t) override {
        if (!open || failAppendAfter == 0) return false;
        if (failAppendAfter > 0) --failAppendAfter;
        text += t;
        return true;
    }
    void End() override { open = false; }
    std::string Load() override { return text; }
    void Remove() override { text.clear(); }
};

std::string Texts(int n) { return "<" + std::to_string(n) + ">"; }

// Files on disk with distinct stamps and attributes, listed top to bottom.
FileList Files(FakeFileOps& ops, std::initializer_list<const char*> names) {
    FileList list(Texts);
    FileStamp t = 1000;
    for (auto it = std::rbegin(names); it != std::rend(names); ++it) {
        testsupport::FakeFile f;
        f.stamps.lastWrite = t += 7;
        f.attributes = static_cast<uint32_t>(t % 5);
        ops.Add(kDir + *it, f);
        list.AddPath(kDir + *it);
    }
    return list;
}

ApplyInput Names(const char* pattern) {
    ApplyInput in;
    in.preview.pattern = pattern;
    return in;
}

}  // namespace

TEST(JournalFormat, ReadsWhatItWrites) {
    const JournalStep a{"a.txt", "~kivu0.tmp", 132000000000000000ull, 0x21};
    const JournalStep b{"b c.txt", "\xC4rger.txt", 0, 0};
    const std::string text = JournalHead("c:\\x y\\") + JournalLine(a) + JournalLine(b);
    EXPECT_EQ(text.substr(0, 23), "KIVU rename journal 1\r\n");
    Journal j;
    ASSERT_TRUE(ReadJournal(text, j));
    EXPECT_EQ(j.folder, "c:\\x y\\");
    EXPECT_EQ(j.steps, (std::vector<JournalStep>{a, b}));
}

TEST(JournalFormat, ALineCutOffByAKillIsNoStep) {
    const std::string whole = JournalHead("c:\\d\\") + JournalLine({"a", "b", 5, 1});
    Journal j;
    ASSERT_TRUE(ReadJournal(whole + "S\ta\tb\t5", j));
    EXPECT_EQ(j.steps.size(), 1u);
    ASSERT_TRUE(ReadJournal(JournalHead("c:\\d\\"), j));
    EXPECT_TRUE(j.steps.empty());
}

TEST(JournalFormat, RefusesWhatIsNoJournal) {
    Journal j;
    EXPECT_FALSE(ReadJournal("", j));
    EXPECT_FALSE(ReadJournal("KIVU rename journal 2\r\nF\tc:\\\r\n", j));
    EXPECT_FALSE(ReadJournal("KIVU rename journal 1\r\n", j));  // no folder
    EXPECT_FALSE(ReadJournal("KIVU rename journal 1\r\nF\t\r\n", j));
    const std::string head = JournalHead("c:\\d\\");
    for (const char* bad : {"S\ta\tb\t5\r\n", "S\ta\tb\t5\t1\t2\r\n", "S\t\tb\t5\t1\r\n", "S\ta\tb\tx\t1\r\n",
                            "S\ta\tb\t5\t4294967296\r\n", "S\ta\tb\t99999999999999999999999\t1\r\n", "X\ta\tb\t1\t1\r\n",
                            "S\ta\tb\t-1\t1\r\n"})
        EXPECT_FALSE(ReadJournal(head + bad, j)) << bad;
}

TEST(Undo, TakesBackEveryStepOfAnApplyWithItsSwapsAndCycles) {
    FakeFileOps ops;
    FileList list = Files(ops, {"2.txt", "3.txt", "1.txt", "x.txt"});
    const auto before = ops.files;
    MemoryJournal journal;
    // 2->1, 3->2, 1->3 (a cycle), x.txt->4.txt
    ASSERT_TRUE(ApplyChanges(list, Names("[N:1:1][Ext]"), ops, &journal));
    ASSERT_FALSE(ops.files.count(kDir + "x.txt"));
    Journal j;
    ASSERT_TRUE(ReadJournal(journal.text, j));
    EXPECT_EQ(j.folder, kDir);
    EXPECT_EQ(j.steps.size(), 7u);  // three into temporary names, three out of them, one direct
    const UndoResult r = UndoJournal(j, ops);
    EXPECT_FALSE(r.refused);
    EXPECT_EQ(r.undone, 7u);
    EXPECT_TRUE(r.notes.empty());
    EXPECT_EQ(ops.files.size(), before.size());
    for (const auto& [path, f] : before) {
        ASSERT_TRUE(ops.files.count(path)) << path;
        EXPECT_EQ(ops.files[path].stamps.lastWrite, f.stamps.lastWrite) << path;
        EXPECT_EQ(ops.files[path].attributes, f.attributes) << path;
    }
}

TEST(Undo, AnApplyKilledHalfWayIsTakenBack) {
    FakeFileOps ops;
    FileList list = Files(ops, {"2.txt", "1.txt", "a.txt"});
    const auto before = ops.files;
    MemoryJournal journal;
    journal.failAppendAfter = 2;  // as if killed while writing the third step: two steps written, two taken
    ApplyChanges(list, Names("[N:1:1][Ext]"), ops, &journal);
    Journal j;
    ASSERT_TRUE(ReadJournal(journal.text, j));
    ASSERT_EQ(j.steps.size(), 2u);
    // And a step written but never taken (killed between the line and the move).
    j.steps.push_back({"a.txt", "3.txt", ops.files[kDir + "a.txt"].stamps.lastWrite, 0});
    const UndoResult r = UndoJournal(j, ops);
    EXPECT_FALSE(r.refused);
    EXPECT_EQ(r.undone, 2u);
    EXPECT_EQ(ops.files.size(), before.size());
    for (const auto& [path, f] : before) EXPECT_EQ(ops.files[path].stamps.lastWrite, f.stamps.lastWrite) << path;
}

TEST(Undo, IsRefusedWhenAFileChangedSince) {
    FakeFileOps ops;
    FileList list = Files(ops, {"a.txt", "b.txt"});
    MemoryJournal journal;
    ASSERT_TRUE(ApplyChanges(list, Names("n_[Name][Ext]"), ops, &journal));
    Journal j;
    ASSERT_TRUE(ReadJournal(journal.text, j));
    const auto after = ops.files;
    ops.files[kDir + "n_b.txt"].stamps.lastWrite += 1;  // written to since
    UndoResult r = UndoJournal(j, ops);
    EXPECT_TRUE(r.refused);
    EXPECT_EQ(r.undone, 0u);
    EXPECT_EQ(ops.files.size(), after.size());
    EXPECT_TRUE(ops.files.count(kDir + "n_a.txt"));  // nothing was taken back
    // An old name taken by a new file refuses as well.
    ops.files[kDir + "n_b.txt"].stamps.lastWrite -= 1;
    ops.Add(kDir + "a.txt");
    r = UndoJournal(j, ops);
    EXPECT_TRUE(r.refused);
    EXPECT_TRUE(ops.files.count(kDir + "n_a.txt"));
}

TEST(Undo, AStepThatCannotBeWrittenIsNotTaken) {
    FakeFileOps ops;
    FileList list = Files(ops, {"a.txt", "b.txt"});
    MemoryJournal journal;
    journal.failAppendAfter = 1;
    EXPECT_FALSE(ApplyChanges(list, Names("n_[Name][Ext]"), ops, &journal));
    EXPECT_EQ(ops.moves.size(), 1u);
    EXPECT_TRUE(ops.files.count(kDir + "b.txt"));
}

TEST(JournalFormat, StampAndAttributeStepsReadAsWritten) {
    JournalStep t;
    t.from = "a b.txt";
    t.kind = StepKind::Stamps;
    t.which = kStampCreation | kStampLastWrite;
    t.creation = 11, t.lastAccess = 12, t.lastWrite = 13, t.newLastWrite = 132000000000000000ull;
    JournalStep a;
    a.from = "\xC4rger.txt";
    a.kind = StepKind::Attributes;
    a.lastWrite = 77, a.attributes = 0x21, a.newAttributes = 0x3;
    const std::string text = JournalHead("c:\\d\\") + JournalLine(t) + JournalLine(a);
    EXPECT_EQ(JournalLine(t), "T\ta b.txt\t5\t11\t12\t13\t132000000000000000\r\n");
    EXPECT_EQ(JournalLine(a), "A\t\xC4rger.txt\t77\t33\t3\r\n");
    Journal j;
    ASSERT_TRUE(ReadJournal(text, j));
    EXPECT_EQ(j.steps, (std::vector<JournalStep>{t, a}));
    const std::string head = JournalHead("c:\\d\\");
    for (const char* bad : {"T\ta\t8\t1\t2\t3\t4\r\n", "T\ta\t1\t1\t2\t3\r\n", "T\t\t1\t1\t2\t3\t4\r\n",
                            "A\ta\t1\t4294967296\t0\r\n", "A\ta\t1\t2\r\n", "A\ta\tx\t1\t2\r\n"})
        EXPECT_FALSE(ReadJournal(head + bad, j)) << bad;
}

TEST(Undo, PutsBackTheStampsOfDateModeInReverseOrder) {
    FakeFileOps ops;
    FileList list = Files(ops, {"a.txt", "b.txt"});
    for (auto& [path, f] : ops.files) f.stamps.creation = 5, f.stamps.lastAccess = 6;
    const auto before = ops.files;
    list.DoChange(Mode::Date, {}, {}, "", ops);
    ApplyInput in;
    in.stamps = StampBoxes{true, false, true};
    CalTime& t = in.preview.target;
    t.year = 2001, t.month = 2, t.day = 1, t.hour = 14, t.minute = 3, t.second = 9;
    MemoryJournal journal;
    ASSERT_TRUE(ApplyChanges(list, in, ops, &journal));
    ASSERT_NE(ops.files[kDir + "a.txt"].stamps.lastWrite, before.at(kDir + "a.txt").stamps.lastWrite);
    Journal j;
    ASSERT_TRUE(ReadJournal(journal.text, j));
    ASSERT_EQ(j.steps.size(), 2u);
    ops.setCalls.clear();
    const UndoResult r = UndoJournal(j, ops);
    EXPECT_FALSE(r.refused);
    EXPECT_EQ(r.undone, 2u);
    EXPECT_TRUE(r.notes.empty());
    ASSERT_EQ(ops.setCalls.size(), 2u);
    EXPECT_EQ(ops.setCalls[0].path, kDir + "b.txt");  // the last step first
    EXPECT_FALSE(ops.setCalls[0].lastAccess);         // what the apply left alone, the undo does too
    for (const auto& [path, f] : before) {
        EXPECT_EQ(ops.files[path].stamps.creation, f.stamps.creation) << path;
        EXPECT_EQ(ops.files[path].stamps.lastWrite, f.stamps.lastWrite) << path;
    }
}

TEST(Undo, PutsBackAttributesAndReportsWhatItCouldNot) {
    FakeFileOps ops;
    FileList list = Files(ops, {"a.txt", "b.txt"});
    const auto before = ops.files;
    list.DoChange(Mode::Attribute, {}, {}, "", ops);
    ApplyInput in;
    in.preview.attributes = "RH";
    MemoryJournal journal;
    ASSERT_TRUE(ApplyChanges(list, in, ops, &journal));
    Journal j;
    ASSERT_TRUE(ReadJournal(journal.text, j));
    ops.failSetAttributes.insert(kDir + "a.txt");
    const UndoResult r = UndoJournal(j, ops);
    EXPECT_FALSE(r.refused);
    EXPECT_EQ(r.undone, 1u);
    EXPECT_EQ(r.notes, std::vector<std::string>{"a.txt"});
    EXPECT_EQ(ops.files[kDir + "b.txt"].attributes, before.at(kDir + "b.txt").attributes);
}

// A program that merely reads a file holds it open; the journal must note the
// file's state without an open of its own, or the change is refused.
TEST(Undo, AttributesOfAFileAnotherProgramHoldsOpenAreChangedJournaledAndPutBack) {
    FakeFileOps ops;
    FileList list = Files(ops, {"a.txt", "b.txt"});
    const auto before = ops.files;
    list.DoChange(Mode::Attribute, {}, {}, "", ops);
    for (auto& [path, f] : ops.files) f.heldOpen = true;
    ApplyInput in;
    in.preview.attributes = "RS";
    MemoryJournal journal;
    EXPECT_TRUE(ApplyChanges(list, in, ops, &journal)) << list.ErrorLine();
    for (const Row& r : list.Rows()) EXPECT_EQ(r.mark, kMarkApplied) << r.fileName;
    for (const auto& [path, f] : ops.files) EXPECT_EQ(f.attributes, kAttrReadOnly | kAttrSystem) << path;
    Journal j;
    ASSERT_TRUE(ReadJournal(journal.text, j));
    ASSERT_EQ(j.steps.size(), 2u);
    const UndoResult r = UndoJournal(j, ops);
    EXPECT_FALSE(r.refused);
    EXPECT_EQ(r.undone, 2u);
    for (const auto& [path, f] : before) EXPECT_EQ(ops.files[path].attributes, f.attributes) << path;
}

// Renames note each file's state the same way.
TEST(Undo, RenamesOfFilesAnotherProgramHoldsOpenAreJournaled) {
    FakeFileOps ops;
    FileList list = Files(ops, {"a.txt", "b.txt"});
    for (auto& [path, f] : ops.files) f.heldOpen = true;
    MemoryJournal journal;
    EXPECT_TRUE(ApplyChanges(list, Names("x_[Name][Ext]"), ops, &journal)) << list.ErrorLine();
    Journal j;
    ASSERT_TRUE(ReadJournal(journal.text, j));
    EXPECT_EQ(j.steps.size(), 2u);
    const UndoResult r = UndoJournal(j, ops);
    EXPECT_FALSE(r.refused);
    EXPECT_EQ(r.undone, 2u);
    EXPECT_TRUE(ops.files.count(kDir + "a.txt") && ops.files.count(kDir + "b.txt"));
}

TEST(Undo, OfStampsOrAttributesIsRefusedWhenAFileChangedSince) {
    for (const bool date : {true, false}) {
        FakeFileOps ops;
        FileList list = Files(ops, {"a.txt", "b.txt"});
        list.DoChange(date ? Mode::Date : Mode::Attribute, {}, {}, "", ops);
        ApplyInput in;
        in.stamps = StampBoxes{false, false, true};
        in.preview.target = CalTime{2001, 2, 0, 1, 14, 3, 9, 0};
        in.preview.attributes = "R";
        MemoryJournal journal;
        ASSERT_TRUE(ApplyChanges(list, in, ops, &journal));
        Journal j;
        ASSERT_TRUE(ReadJournal(journal.text, j));
        auto& b = ops.files[kDir + "b.txt"];
        if (date) b.stamps.lastWrite += 1;  // written to since
        else b.attributes = kAttrSystem;    // its attributes changed since
        const auto after = ops.files;
        const UndoResult r = UndoJournal(j, ops);
        EXPECT_TRUE(r.refused) << date;
        EXPECT_EQ(r.undone, 0u);
        EXPECT_EQ(r.notes, std::vector<std::string>{"b.txt"});
        for (const auto& [path, f] : after) {
            EXPECT_EQ(ops.files[path].attributes, f.attributes) << path;  // nothing was put back
            EXPECT_EQ(ops.files[path].stamps.lastWrite, f.stamps.lastWrite) << path;
        }
        // Only the archive bit, which the system sets as it likes, changed: undone.
        b = after.at(kDir + "b.txt");
        if (date) b.stamps.lastWrite -= 1;
        else b.attributes = kAttrReadOnly | kAttrArchive;
        EXPECT_FALSE(UndoJournal(j, ops).refused) << date;
    }
}
