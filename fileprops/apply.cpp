#include "fileprops/apply.h"

#include <optional>

#include "common/convert.h"
#include "fileprops/renamer.h"

namespace kivu {

namespace {

// Writes a step of date or attribute mode to the journal before it is taken;
// false: the step must not be taken. No journal: nothing to write.
class ChangeJournal {
public:
    ChangeJournal(JournalStore* store, const std::string& folder) : store_(store), folder_(folder) {}
    ~ChangeJournal() {
        if (open_) store_->End();
    }
    bool Write(const JournalStep& step) {
        if (!store_) return true;
        if (!open_) open_ = store_->Begin(JournalHead(folder_));
        return open_ && store_->Append(JournalLine(step));
    }

private:
    JournalStore* store_;
    const std::string& folder_;
    bool open_ = false;
};

void ApplyStamps(FileList& list, const StampBoxes& boxes, FileOps& ops, JournalStore* store, bool& ok) {
    ChangeJournal journal(store, list.Folder());
    const std::string& folder = list.Folder();
    for (Row& r : list.Rows()) {
        r.mark = kMarkApplied;
        OpenFile file(ops, ops.OpenForStampWrite(folder + r.fileName));
        if (!file.IsOpen()) {
            r.mark = kMarkFailed;
            list.SetErrorLine(list.Text(kTextCannotOpen));
            ok = false;
            continue;
        }
        FileStamps old;
        if (!ops.GetStamps(file.Get(), old)) {
            r.mark = kMarkFailed;
            list.SetErrorLine(list.Text(kTextCannotReadStamps));
            ok = false;
            continue;
        }

        // Only the checked stamps are converted and written; the others are
        // left to the file system as they are, so no local-time round trip
        // can shift them.
        CalTime time;
        const bool readable = ReadDateModeValue(r.newValue, time);
        int failures = 0;
        auto convert = [&](bool checked, std::optional<FileStamp>& out) {
            if (!checked) return;
            FileStamp local = 0, utc = 0;
            if (readable && ops.FromCalendar(time, local) && ops.ToUtc(local, utc)) out = utc;
            else ++failures;  // this stamp keeps its old value
        };
        std::optional<FileStamp> creation, lastWrite, lastAccess;
        convert(boxes.creation, creation);
        convert(boxes.lastWrite, lastWrite);
        convert(boxes.lastAccess, lastAccess);
        if (failures > 0) {
            list.SetErrorLine(list.Text(kTextCannotConvertTime) + " " + IntToStr(failures) + "x");
            r.mark = kMarkFailed;
            ok = false;
        }

        if (creation || lastAccess || lastWrite) {
            JournalStep step;
            step.from = r.fileName;
            step.kind = StepKind::Stamps;
            step.which = (creation ? kStampCreation : 0) | (lastAccess ? kStampLastAccess : 0) |
                         (lastWrite ? kStampLastWrite : 0);
            step.creation = old.creation;
            step.lastAccess = old.lastAccess;
            step.lastWrite = old.lastWrite;
            step.newLastWrite = lastWrite ? *lastWrite : old.lastWrite;
            if (!journal.Write(step)) {
                r.mark = kMarkFailed;
                list.SetErrorLine(list.Text(kTextCannotWriteStamps));
                ok = false;
                continue;
            }
            auto ptr = [](const std::optional<FileStamp>& s) { return s ? &*s : nullptr; };
            if (!ops.SetStamps(file.Get(), ptr(creation), ptr(lastAccess), ptr(lastWrite))) {
                r.mark = kMarkFailed;
                list.SetErrorLine(list.Text(kTextCannotWriteStamps));
                ok = false;
            }
        }
    }
}

void ApplyAttributes(FileList& list, FileOps& ops, JournalStore* store, bool& ok) {
    const std::string& folder = list.Folder();
    ChangeJournal journal(store, folder);
    // The files left as they were are named in the error line: a "-" alone is easily missed.
    constexpr size_t kListed = 3;
    std::string failed;
    size_t failures = 0;
    for (Row& r : list.Rows()) {
        const std::string& v = r.newValue;
        uint32_t bits = 0;
        if (v.find('R') != std::string::npos) bits |= kAttrReadOnly;
        if (v.find('S') != std::string::npos) bits |= kAttrSystem;
        if (v.find('A') != std::string::npos) bits |= kAttrArchive;
        if (v.find('H') != std::string::npos) bits |= kAttrHidden;
        JournalStep step;
        step.from = r.fileName;
        step.kind = StepKind::Attributes;
        step.newAttributes = bits;
        const bool written = !store || (DescribeFile(ops, folder + r.fileName, step) && journal.Write(step));
        if (written && ops.SetAttributes(folder + r.fileName, bits)) {
            r.mark = kMarkApplied;
        } else {
            r.mark = kMarkFailed;
            ok = false;
            if (failures++ < kListed) failed += (failed.empty() ? ": " : ", ") + r.fileName;
        }
    }
    if (failures > kListed) failed += ", ...";
    if (failures > 0) list.SetErrorLine(list.Text(kTextCannotSetAttributes) + failed);
}

}  // namespace

bool ReadDateModeValue(std::string_view value, CalTime& time) {
    // 1-based position and length of day, month, year, hour, minute, second.
    static constexpr size_t kFields[6][2] = {{1, 2}, {4, 2}, {7, 4}, {12, 2}, {15, 2}, {18, 2}};
    uint16_t v[6];
    for (int i = 0; i < 6; ++i) {
        const size_t at = kFields[i][0] - 1;
        if (at >= value.size()) return false;
        const auto n = TryStrToInt(value.substr(at, kFields[i][1]));
        if (!n || *n < 0 || *n > 0xFFFF) return false;
        v[i] = static_cast<uint16_t>(*n);
    }
    time = CalTime{};
    time.day = v[0];
    time.month = v[1];
    time.year = v[2];
    time.hour = v[3];
    time.minute = v[4];
    time.second = v[5];
    return true;
}

bool ApplyChanges(FileList& list, const ApplyInput& input, FileOps& ops, JournalStore* journal) {
    list.SetErrorLine({});
    // The folder as it is now: a file that came or went since the last look
    // turns into a conflict here instead of a failed or overwriting rename.
    if (list.CurrentMode() == Mode::Name) list.SetFolderNames(ListFolderNames(ops, list.Folder()));
    const bool previewed = Preview(list, input.preview);
    list.SetErrorLine({});  // the preview's own messages are not shown after an apply

    bool ok = true;
    switch (list.CurrentMode()) {
        case Mode::Name: {
            if (input.preview.pattern.empty()) return true;
            if (!previewed) {
                list.SetErrorLine(list.Text(kTextPieceWithoutComma));
                ok = false;
                break;
            }
            const RenameSummary summary = RenameRows(list, ops, journal);
            // The new values shown afterwards are what a second apply would do;
            // the marks keep this run's outcome.
            std::vector<std::pair<Mark, Problem>> outcome;
            outcome.reserve(list.Rows().size());
            for (const Row& r : list.Rows()) outcome.emplace_back(r.mark, r.problem);
            list.SetFolderNames(ListFolderNames(ops, list.Folder()));
            Preview(list, input.preview);
            for (size_t i = 0; i < outcome.size(); ++i) {
                Row& r = list.Rows()[i];
                if (outcome[i].first == kMarkApplied || outcome[i].first == kMarkRenameFailed) {
                    r.mark = outcome[i].first;
                    r.problem = outcome[i].second;
                }
            }
            list.SetErrorLine(SummaryLine(list, summary));
            ok = summary.failed == 0;
            break;
        }
        case Mode::Date:
            ApplyStamps(list, input.stamps, ops, journal, ok);
            break;
        case Mode::Attribute:
            ApplyAttributes(list, ops, journal, ok);
            break;
    }
    if (!ok) ops.Beep(kBeepError);
    return ok;
}

}  // namespace kivu
