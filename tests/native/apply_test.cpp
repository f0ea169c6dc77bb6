#include "fileprops/apply.h"

#include <gtest/gtest.h>

#include "tests/native/fake_fileops.h"

using namespace kivu;
using testsupport::FakeFileOps;

namespace {

std::string Texts(int n) { return "<" + std::to_string(n) + ">"; }

const std::string kDir = "c:\\d\\";

// A list (top to bottom) of files that exist in ops.
FileList ListOf(FakeFileOps& ops, std::initializer_list<const char*> topToBottom) {
    FileList list(Texts);
    for (auto it = std::rbegin(topToBottom); it != std::rend(topToBottom); ++it) {
        if (!ops.files.count(kDir + *it)) ops.Add(kDir + *it);
        list.AddPath(kDir + *it);
    }
    return list;
}

std::string Marks(const FileList& list) {
    std::string s;
    for (const Row& r : list.Rows()) s += r.mark;
    return s;
}

ApplyInput Names(std::string pattern) {
    ApplyInput in;
    in.preview.pattern = std::move(pattern);
    return in;
}

ApplyInput Stamps(bool creation, bool lastAccess, bool lastWrite, int day = 1) {
    ApplyInput in;
    in.stamps = StampBoxes{creation, lastAccess, lastWrite};
    CalTime& t = in.preview.target;
    t.year = 2001, t.month = 2, t.day = uint16_t(day), t.hour = 14, t.minute = 3, t.second = 9;
    return in;
}

const FileStamps kOld{FakeFileOps::Stamp(1999, 1, 1), FakeFileOps::Stamp(1999, 1, 2), FakeFileOps::Stamp(1999, 1, 3)};
// 01.02.2001 14:03:09 local is 13:03:09 UTC in the fake.
const FileStamp kTarget = FakeFileOps::Stamp(2001, 2, 1, 13, 3, 9);

}  // namespace

TEST(ApplyNames, RenamesEveryRowInDisplayOrderAndTheRowsTakeTheirNewNames) {
    FakeFileOps ops;
    FileList list = ListOf(ops, {"a.txt", "b.txt", "c.txt"});
    EXPECT_TRUE(ApplyChanges(list, Names("[Name]_[N:3:1][Ext]"), ops));
    EXPECT_EQ(Marks(list), "+++");
    EXPECT_EQ(list.ErrorLine(), "3 <10270>");
    EXPECT_TRUE(ops.beeps.empty());
    for (const char* f : {"a_  1.txt", "b_  2.txt", "c_  3.txt"}) EXPECT_TRUE(ops.files.count(kDir + f)) << f;
    EXPECT_EQ(ops.files.size(), 3u);
    // The rows now name the files as they are, and the new values shown are
    // what a second apply does.
    EXPECT_EQ(list.Rows()[0].fileName, "a_  1.txt");
    EXPECT_EQ(list.Rows()[0].current, "a_  1.txt");
    EXPECT_EQ(list.Rows()[2].newValue, "c_  3_  3.txt");
    EXPECT_TRUE(ApplyChanges(list, Names("[Name]_[N:3:1][Ext]"), ops));
    EXPECT_TRUE(ops.files.count(kDir + "c_  3_  3.txt"));
}

TEST(ApplyNames, RowsThatWouldCollideAreSkippedAndNothingIsOverwritten) {
    FakeFileOps ops;
    FileList list = ListOf(ops, {"a.txt", "b.txt", "c.txt"});
    ops.files[kDir + "b.txt"].attributes = 0x7;  // to tell b.txt from the others
    EXPECT_FALSE(ApplyChanges(list, Names("b[Ext]"), ops));
    EXPECT_EQ(list.Rows()[0].mark, kMarkConflict);
    EXPECT_EQ(list.Rows()[1].mark, kMarkPreview);  // b.txt keeps its name
    EXPECT_EQ(list.Rows()[2].mark, kMarkConflict);
    EXPECT_EQ(list.Rows()[0].problem, Problem::Duplicate);
    EXPECT_EQ(list.ErrorLine(), "0 <10270>, 2 <10271>: a.txt (<10268>), c.txt (<10268>)");
    EXPECT_EQ(ops.beeps, std::vector<unsigned>{kBeepError});
    EXPECT_TRUE(ops.moves.empty());
    EXPECT_EQ(ops.files[kDir + "b.txt"].attributes, 0x7u);
    EXPECT_TRUE(ops.files.count(kDir + "a.txt"));
}

TEST(ApplyNames, SameNameForThreeFilesRenamesTheFirstAndReportsTheOthers) {
    FakeFileOps ops;
    FileList list = ListOf(ops, {"x.txt", "y.txt", "z.txt"});
    EXPECT_FALSE(ApplyChanges(list, Names("same[Ext]"), ops));
    EXPECT_EQ(Marks(list), "+××");
    EXPECT_TRUE(ops.files.count(kDir + "same.txt"));
    EXPECT_TRUE(ops.files.count(kDir + "y.txt"));
    EXPECT_TRUE(ops.files.count(kDir + "z.txt"));
    EXPECT_EQ(list.ErrorLine(), "1 <10270>, 2 <10271>: y.txt (<10268>), z.txt (<10268>)");
    EXPECT_EQ(list.ConflictCount(), 2u);
}

TEST(ApplyNames, AFileThatCameSinceThePreviewIsNotOverwritten) {
    FakeFileOps ops;
    FileList list = ListOf(ops, {"a.txt"});
    ASSERT_TRUE(Preview(list, Names("new.txt").preview));
    EXPECT_EQ(list.ConflictCount(), 0u);
    ops.Add(kDir + "new.txt");
    EXPECT_FALSE(ApplyChanges(list, Names("new.txt"), ops));
    EXPECT_EQ(list.Rows()[0].problem, Problem::Exists);
    EXPECT_TRUE(ops.moves.empty());
}

TEST(ApplyNames, ARenameTheSystemRefusesIsMarkedAndSummed) {
    FakeFileOps ops;
    FileList list = ListOf(ops, {"a.txt", "b.txt"});
    ops.failMoveTo.insert(kDir + "b_2.txt");
    EXPECT_FALSE(ApplyChanges(list, Names("[Name]_[N:1:1][Ext]"), ops));
    EXPECT_EQ(Marks(list), "+!");
    EXPECT_EQ(list.Rows()[1].problem, Problem::MoveFailed);
    EXPECT_EQ(list.ErrorLine(), "1 <10270>, 1 <10271>: b.txt (<10250>)");
    EXPECT_EQ(ops.beeps, std::vector<unsigned>{kBeepError});
}

TEST(ApplyNames, EmptyPatternDoesNothing) {
    FakeFileOps ops;
    FileList list = ListOf(ops, {"a.txt"});
    list.SetErrorLine("x");
    EXPECT_TRUE(ApplyChanges(list, Names(""), ops));
    EXPECT_TRUE(ops.moves.empty());
    EXPECT_TRUE(ops.beeps.empty());
    EXPECT_EQ(list.ErrorLine(), "");
}

TEST(ApplyNames, PreviewMessagesAreNotShownAfterwards) {
    FakeFileOps ops;
    FileList list = ListOf(ops, {"abc.txt"});
    EXPECT_TRUE(ApplyChanges(list, Names("[Name(x,2)]"), ops));
    EXPECT_EQ(list.ErrorLine(), "1 <10270>");  // the summary, not text 10256
    EXPECT_TRUE(ops.files.count(kDir + "a"));
}

TEST(ApplyNames, APatternThatStopsThePreviewRenamesNothing) {
    FakeFileOps ops;
    FileList list = ListOf(ops, {"a.txt", "b.txt"});
    ASSERT_TRUE(Preview(list, Names("old_[Name][Ext]").preview));
    // The values of the earlier preview must not be carried out.
    EXPECT_FALSE(ApplyChanges(list, Names("[Name(2)]"), ops));
    EXPECT_TRUE(ops.moves.empty());
    EXPECT_EQ(list.ErrorLine(), "<10255>");
    EXPECT_EQ(ops.beeps, std::vector<unsigned>{kBeepError});
}

TEST(ApplyStamps, OnlyTheCheckedStampChanges) {
    struct Case {
        bool c, a, w;
    } cases[] = {{false, true, false}, {true, false, false}, {false, false, true}, {true, true, true}};
    for (const Case& k : cases) {
        FakeFileOps ops;
        FileList list = ListOf(ops, {"a", "b"});
        for (auto& [path, f] : ops.files) f.stamps = kOld;
        list.DoChange(Mode::Date, {}, {}, "", ops);
        EXPECT_TRUE(ApplyChanges(list, Stamps(k.c, k.a, k.w), ops));
        EXPECT_EQ(Marks(list), "++");
        EXPECT_EQ(list.ErrorLine(), "");
        EXPECT_TRUE(ops.beeps.empty());
        for (const auto& [path, f] : ops.files) {
            EXPECT_EQ(f.stamps.creation, k.c ? kTarget : kOld.creation) << path;
            EXPECT_EQ(f.stamps.lastAccess, k.a ? kTarget : kOld.lastAccess) << path;
            EXPECT_EQ(f.stamps.lastWrite, k.w ? kTarget : kOld.lastWrite) << path;
        }
        // One write per file, naming only the checked stamps.
        ASSERT_EQ(ops.setCalls.size(), 2u);
        for (const auto& call : ops.setCalls) {
            EXPECT_EQ(call.creation, k.c);
            EXPECT_EQ(call.lastAccess, k.a);
            EXPECT_EQ(call.lastWrite, k.w);
        }
        EXPECT_EQ(ops.OpenCount(), 0u);
    }
}

TEST(ApplyStamps, AnImpossibleDateFailsEachCheckedStampAndGoesOn) {
    FakeFileOps ops;
    FileList list = ListOf(ops, {"a", "b"});
    for (auto& [path, f] : ops.files) f.stamps = kOld;
    list.DoChange(Mode::Date, {}, {}, "", ops);
    EXPECT_FALSE(ApplyChanges(list, Stamps(true, true, true, 31), ops));  // 31.02.2001
    EXPECT_EQ(list.ErrorLine(), "<10253> 3x");
    EXPECT_EQ(Marks(list), "--");
    EXPECT_EQ(ops.beeps, std::vector<unsigned>{kBeepError});
    for (const auto& [path, f] : ops.files) {
        EXPECT_EQ(f.stamps.creation, kOld.creation);
        EXPECT_EQ(f.stamps.lastAccess, kOld.lastAccess);
        EXPECT_EQ(f.stamps.lastWrite, kOld.lastWrite);
    }
    EXPECT_EQ(ops.OpenCount(), 0u);

    ops.beeps.clear();
    EXPECT_FALSE(ApplyChanges(list, Stamps(true, false, true, 30), ops));
    EXPECT_EQ(list.ErrorLine(), "<10253> 2x");
    EXPECT_EQ(ops.beeps.size(), 1u);
}

TEST(ApplyStamps, OpenReadAndWriteFailuresMarkTheirRowAndTheRunGoesOn) {
    FakeFileOps ops;
    FileList list = ListOf(ops, {"open", "read", "write", "ok"});
    for (auto& [path, f] : ops.files) f.stamps = kOld;
    list.DoChange(Mode::Date, {}, {}, "", ops);
    ops.files[kDir + "open"].heldOpen = true;
    ops.failGetStamps.insert(kDir + "read");
    ops.failSetStamps.insert(kDir + "write");
    EXPECT_FALSE(ApplyChanges(list, Stamps(false, true, false), ops));
    EXPECT_EQ(Marks(list), "---+");
    EXPECT_EQ(list.ErrorLine(), "<10254>");  // the last failure's text
    EXPECT_EQ(ops.beeps, std::vector<unsigned>{kBeepError});
    EXPECT_EQ(ops.files[kDir + "ok"].stamps.lastAccess, kTarget);
    EXPECT_EQ(ops.files[kDir + "read"].stamps.lastAccess, kOld.lastAccess);
    ASSERT_EQ(ops.setCalls.size(), 2u);  // nothing is written to the file whose stamps can't be read
    EXPECT_EQ(ops.OpenCount(), 0u);
    EXPECT_EQ(ops.badCloses, 0);

    ops.failSetStamps.clear();
    ops.files[kDir + "open"].heldOpen = false;
    ops.beeps.clear();
    EXPECT_FALSE(ApplyChanges(list, Stamps(false, true, false), ops));
    EXPECT_EQ(Marks(list), "+-++");
    EXPECT_EQ(list.ErrorLine(), "<10252>");
    ops.files[kDir + "ok"].heldOpen = true;
    EXPECT_FALSE(ApplyChanges(list, Stamps(false, true, false), ops));
    EXPECT_EQ(list.ErrorLine(), "<10251>");
}

TEST(ApplyStamps, NoBoxCheckedWritesNothing) {
    FakeFileOps ops;
    FileList list = ListOf(ops, {"a"});
    ops.files[kDir + "a"].stamps = kOld;
    list.DoChange(Mode::Date, {}, {}, "", ops);
    EXPECT_TRUE(ApplyChanges(list, Stamps(false, false, false), ops));
    EXPECT_EQ(Marks(list), "+");
    EXPECT_TRUE(ops.setCalls.empty());
}

TEST(ReadDateModeValue, ReadsByPosition) {
    CalTime t;
    ASSERT_TRUE(ReadDateModeValue("07.03.1999 09.05.01", t));
    EXPECT_EQ(t.day, 7);
    EXPECT_EQ(t.month, 3);
    EXPECT_EQ(t.year, 1999);
    EXPECT_EQ(t.hour, 9);
    EXPECT_EQ(t.minute, 5);
    EXPECT_EQ(t.second, 1);
    EXPECT_EQ(t.dayOfWeek, 0);
    EXPECT_EQ(t.milliseconds, 0);
    for (const char* bad : {"", " ", "07.03.1999", "07.03.1999 09.05.", "07.03.1999 09.05.x1", "-1.03.1999 09.05.01"})
        EXPECT_FALSE(ReadDateModeValue(bad, t)) << bad;
}

TEST(ApplyAttributes, SetsExactlyTheNamedBits) {
    FakeFileOps ops;
    FileList list = ListOf(ops, {"a", "b", "c"});
    for (auto& [path, f] : ops.files) f.attributes = kAttrSystem | kAttrArchive;
    list.DoChange(Mode::Attribute, {}, {}, "", ops);
    ApplyInput in;
    in.preview.attributes = "RH";
    EXPECT_TRUE(ApplyChanges(list, in, ops));
    EXPECT_EQ(Marks(list), "+++");
    for (const auto& [path, f] : ops.files) EXPECT_EQ(f.attributes, kAttrReadOnly | kAttrHidden) << path;

    in.preview.attributes = "";
    EXPECT_TRUE(ApplyChanges(list, in, ops));
    for (const auto& [path, f] : ops.files) EXPECT_EQ(f.attributes, 0u) << path;

    in.preview.attributes = "HASR";
    ops.failSetAttributes.insert(kDir + "b");
    list.SetErrorLine("kept?");
    EXPECT_FALSE(ApplyChanges(list, in, ops));
    EXPECT_EQ(Marks(list), "+-+");
    EXPECT_EQ(list.ErrorLine(), "<10276>: b");  // a "-" alone is easily missed
    EXPECT_EQ(ops.beeps, std::vector<unsigned>{kBeepError});
    EXPECT_EQ(ops.files[kDir + "a"].attributes, kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive);
    EXPECT_EQ(ops.files[kDir + "b"].attributes, 0u);
}

TEST(ApplyAttributes, EveryFileLeftAsItWasIsNamedAfterTheFirstThree) {
    FakeFileOps ops;
    FileList list = ListOf(ops, {"a", "b", "c", "d", "e"});
    list.DoChange(Mode::Attribute, {}, {}, "", ops);
    for (const char* f : {"a", "c", "d", "e"}) ops.failSetAttributes.insert(kDir + f);
    ApplyInput in;
    in.preview.attributes = "R";
    EXPECT_FALSE(ApplyChanges(list, in, ops));
    EXPECT_EQ(Marks(list), "-+---");
    EXPECT_EQ(list.ErrorLine(), "<10276>: a, c, d, ...");
    ops.failSetAttributes = {kDir + "e"};
    EXPECT_FALSE(ApplyChanges(list, in, ops));
    EXPECT_EQ(list.ErrorLine(), "<10276>: e");
    ops.failSetAttributes.clear();
    EXPECT_TRUE(ApplyChanges(list, in, ops));
    EXPECT_EQ(list.ErrorLine(), "");
}
