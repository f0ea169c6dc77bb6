#include "fileprops/filelist.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace kivu {

namespace {

// Caption numbers of columns 0-2 by mode.
constexpr int kCaptions[3][3] = {
    {10213, 10214, 10215},  // name
    {10216, 10217, 10218},  // date
    {10257, 10258, 10259},  // attribute
};

std::string Pad2(unsigned value) {
    std::string s = std::to_string(value);
    if (value < 10) s.insert(0, 1, '0');
    return s;
}

std::string Pad4(unsigned value) {
    std::string s = std::to_string(value);
    if (s.size() < 4) s.insert(0, 4 - s.size(), '0');
    return s;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Case-blind over A-Z, both cut to the shorter length, then ordinal.
int CompareNames(const std::string& a, const std::string& b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(LowerAscii(a[i]));
        const auto cb = static_cast<unsigned char>(LowerAscii(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return 0;
}

// Splits text at sep into exactly three runs of 1-4 decimal digits.
bool ReadThreeNumbers(std::string_view text, char sep, int (&out)[3]) {
    size_t pos = 0;
    for (int part = 0; part < 3; ++part) {
        const size_t start = pos;
        int value = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 4) {
            value = value * 10 + (text[pos] - '0');
            ++pos;
        }
        if (pos == start) return false;
        out[part] = value;
        if (part < 2) {
            if (pos >= text.size() || text[pos] != sep) return false;
            ++pos;
        }
    }
    return pos == text.size();
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return (m == 2 && IsLeapYear(y)) ? 29 : kDays[m - 1];
}

// Days since 1 March of year 0 for a valid civil date.
int64_t DayNumber(int y, int m, int d) {
    if (m <= 2) --y;
    const int64_t era = y / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy;
}

// "dd.MM.yyyy" as a day number.
std::optional<int64_t> ReadDate(std::string_view text) {
    int v[3];
    if (!ReadThreeNumbers(text, '.', v)) return std::nullopt;
    const int day = v[0], month = v[1], year = v[2];
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return std::nullopt;
    return DayNumber(year, month, day);
}

// "hh:mm:ss" as seconds of the day.
std::optional<int> ReadTime(std::string_view text) {
    int v[3];
    if (!ReadThreeNumbers(text, ':', v)) return std::nullopt;
    if (v[0] > 23 || v[1] > 59 || v[2] > 59) return std::nullopt;
    return v[0] * 3600 + v[1] * 60 + v[2];
}

// Characters from..from+count-1 (0-based) of text, cut at its end.
std::string_view Slice(std::string_view text, size_t from, size_t count) {
    if (from >= text.size()) return {};
    return text.substr(from, count);
}

std::string AttributeLetters(uint32_t bits) {
    std::string s;
    if (bits & kAttrReadOnly) s += 'R';
    if (bits & kAttrSystem) s += 'S';
    if (bits & kAttrArchive) s += 'A';
    if (bits & kAttrHidden) s += 'H';
    return s;
}

}  // namespace

Stamp ShownStamp(const StampBoxes& boxes) {
    if (boxes.lastWrite) return Stamp::LastWrite;
    if (boxes.lastAccess) return Stamp::LastAccess;
    return Stamp::Creation;
}

std::string FormatMoment(const CalTime& t) {
    std::string s = Pad2(t.day) + "." + Pad2(t.month) + "." + Pad4(t.year);
    if (t.hour != 0 || t.minute != 0 || t.second != 0)
        s += " " + Pad2(t.hour) + ":" + Pad2(t.minute) + ":" + Pad2(t.second);
    return s;
}

FileList::FileList(TextLookup texts) : texts_(std::move(texts)) { SetModeCaptions(); }

void FileList::SetModeCaptions() {
    const int m = static_cast<int>(mode_);
    for (int c = 0; c < 3; ++c) baseCaptions_[c] = texts_(kCaptions[m][c]);
    sortColumn_ = -1;
}

std::string FileList::Caption(int column) const {
    if (column < 0 || column > 2) return {};
    std::string s = baseCaptions_[column];
    if (column == sortColumn_) s += ascending_ ? " +" : " -";
    return s;
}

std::string FileList::CellText(int row, int column) const {
    if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return {};
    const Row& r = rows_[static_cast<size_t>(row)];
    switch (column) {
        case 0: return r.fileName;
        case 1: return r.current;
        case 2: return r.newValue;
        case 3: return std::string(r.mark);
        default: return {};
    }
}

std::string FileList::ProblemOf(int row) const {
    if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return {};
    const Problem p = rows_[static_cast<size_t>(row)].problem;
    return p == Problem::None ? std::string() : texts_(ProblemText(p));
}

void FileList::AddPath(std::string_view path) {
    const size_t cut = path.find_last_of("\\:");
    const size_t nameStart = cut == std::string_view::npos ? 0 : cut + 1;
    Row row;
    row.fileName = std::string(path.substr(nameStart));
    row.current = row.fileName;
    rows_.push_front(std::move(row));
    folder_ = std::string(path.substr(0, nameStart));
}

FillOutcome FileList::DoChange(Mode mode, const StampBoxes& boxes, const CalTime& target,
                               std::string_view attributeText, FileOps& ops) {
    FillOutcome outcome;
    errorLine_.clear();
    conflicts_ = 0;
    for (Row& r : rows_) {
        r.current = r.newValue = " ";
        r.mark = kMarkNone;
        r.problem = Problem::None;
    }
    mode_ = mode;
    SetModeCaptions();

    switch (mode) {
        case Mode::Name:
            for (Row& r : rows_) r.current = r.newValue = r.fileName;
            break;

        case Mode::Date: {
            outcome.checkCreationAgain = !boxes.creation && !boxes.lastAccess && !boxes.lastWrite;
            const Stamp shown = ShownStamp(boxes);
            const std::string moment = FormatMoment(target);
            for (Row& r : rows_) {
                OpenFile file(ops, ops.OpenForStampRead(folder_ + r.fileName));
                if (!file.IsOpen()) {
                    errorLine_ = texts_(kTextCannotOpen);
                    return outcome;
                }
                FileStamps stamps;
                if (!ops.GetStamps(file.Get(), stamps)) {
                    errorLine_ = texts_(kTextCannotReadStamps);
                    return outcome;
                }
                file.Close();
                // Only the shown stamp is used, so only it is converted; a failed
                // conversion to local time is reported like a failed calendar one.
                const FileStamp utc = shown == Stamp::Creation     ? stamps.creation
                                      : shown == Stamp::LastAccess ? stamps.lastAccess
                                                                   : stamps.lastWrite;
                FileStamp local = 0;
                CalTime t;
                if (!ops.ToLocal(utc, local) || !ops.ToCalendar(local, t)) {
                    errorLine_ = texts_(kTextCannotConvertTime);
                    return outcome;
                }
                r.current = Pad2(t.day) + "." + Pad2(t.month) + "." + std::to_string(t.year) + " " + Pad2(t.hour) +
                            ":" + Pad2(t.minute) + ":" + Pad2(t.second);
                r.newValue = moment;
            }
            break;
        }

        case Mode::Attribute:
            for (Row& r : rows_) {
                const uint32_t bits = ops.GetAttributes(folder_ + r.fileName);
                if (bits == kInvalidAttributes) {
                    errorLine_ = texts_(kTextCannotOpen);
                    return outcome;
                }
                r.current = AttributeLetters(bits);
                r.newValue = std::string(attributeText);
            }
            break;
    }
    return outcome;
}

bool FileList::ColumnClick(int column, FileOps& ops) {
    const bool sortable = column == 0 || (column == 1 && mode_ == Mode::Date);
    if (!sortable) return false;
    // The same column toggles; another column (or the first sort) starts ascending.
    ascending_ = !(sortColumn_ == column && ascending_);
    sortColumn_ = column;
    Sort(ops);
    return true;
}

int FileList::Compare(const Row& a, const Row& b, FileOps& ops) const {
    if (sortColumn_ == 0) {
        const int r = CompareNames(a.fileName, b.fileName);
        return ascending_ ? r : -r;
    }
    if (sortColumn_ != 1) return 0;

    const auto dateA = ReadDate(Slice(a.current, 0, 10));
    const auto dateB = ReadDate(Slice(b.current, 0, 10));
    if (!dateA || !dateB) {
        ops.Beep(kBeepDefault);
        return 0;
    }
    const int64_t days = *dateA - *dateB;
    if (days != 0) return static_cast<int>(days * (ascending_ ? 10 : -10));
    const auto timeA = ReadTime(Slice(a.current, 11, 8));
    const auto timeB = ReadTime(Slice(b.current, 11, 8));
    if (!timeA || !timeB) {
        ops.Beep(kBeepDefault);
        return 0;
    }
    // Fractions of a day times 1 000 000: one second gives about 12.
    const double r = std::round((*timeA - *timeB) * 1000000.0 / 86400.0);
    return static_cast<int>(ascending_ ? r : -r);
}

void FileList::Sort(FileOps& ops) {
    // A bottom-up merge sort: it only ever compares rows inside the list, so a
    // comparison that is not a strict order (prefix-equal names, unreadable
    // dates) can't make it run off the ends.
    const size_t n = rows_.size();
    RowList buffer(n);
    for (size_t width = 1; width < n; width *= 2) {
        for (size_t lo = 0; lo < n; lo += 2 * width) {
            const size_t mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
            size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi)
                buffer[k++] = std::move(Compare(rows_[i], rows_[j], ops) > 0 ? rows_[j++] : rows_[i++]);
            while (i < mid) buffer[k++] = std::move(rows_[i++]);
            while (j < hi) buffer[k++] = std::move(rows_[j++]);
        }
        rows_.swap(buffer);
    }
}

bool FileList::KeyDown(unsigned key, int selected) {
    if (key != kKeyDelete || selected < 0 || static_cast<size_t>(selected) >= rows_.size()) return false;
    rows_.erase(rows_.begin() + selected);
    return true;
}

}  // namespace kivu
