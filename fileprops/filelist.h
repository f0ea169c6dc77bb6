// The file list of the properties dialog without any GUI: the rows in display
// order, their common folder, the active mode, the column captions with the
// sort markers and the error line. The window shows what this holds.
#pragma once
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fileprops/conflicts.h"
#include "fileprops/fileops.h"

namespace kivu {

// Status marks of a row: the text its column shows.
using Mark = std::string_view;
constexpr Mark kMarkNone = " ";
constexpr Mark kMarkPreview = "·";
constexpr Mark kMarkApplied = "+";
constexpr Mark kMarkRenameFailed = "!";
constexpr Mark kMarkFailed = "-";
constexpr Mark kMarkConflict = "×";  // not renamed, see the problem

// Language text numbers the list writes into the error line.
constexpr int kTextRenameFailed = 10250;
constexpr int kTextCannotOpen = 10251;
constexpr int kTextCannotReadStamps = 10252;
constexpr int kTextCannotConvertTime = 10253;
constexpr int kTextCannotWriteStamps = 10254;
constexpr int kTextPieceWithoutComma = 10255;
constexpr int kTextPieceBadNumber = 10256;
constexpr int kTextConflicts = 10262;  // "conflicts", after their count in the status bar
constexpr int kTextRenamed = 10270;    // the summary of a rename: "3 renamed, 2 failed: ..."
constexpr int kTextNotRenamed = 10271;
constexpr int kTextCannotSetAttributes = 10276;  // "...: a.txt, b.txt" after an attribute change

constexpr unsigned kKeyDelete = 46;

enum class Mode { Name, Date, Attribute };

// The three stamp check boxes of date mode.
struct StampBoxes {
    bool creation = true;    // RadioButton1 "&Erstelldatum"
    bool lastAccess = true;  // RadioButton2 "Letzter &Zugriff"
    bool lastWrite = true;   // RadioButton3, last write
};

enum class Stamp { Creation, LastAccess, LastWrite };

// The stamp date mode shows: the last checked box in the order creation, last
// access, last write; creation when none is checked.
Stamp ShownStamp(const StampBoxes& boxes);

// "dd.MM.yyyy HH:mm:ss", the time part left off when it is 00:00:00.
std::string FormatMoment(const CalTime& time);

struct Row {
    std::string fileName;       // column 0: the name as it arrived, never changed
    std::string current = " ";  // column 1: what the file has now, in the mode's form
    std::string newValue = " "; // column 2: what it is to get
    Mark mark = kMarkNone;      // column 3
    Problem problem = Problem::None;  // why the name is not (or was not) changed
};

// Rows in display order. Files arrive at the top, thousands in a row: a
// deque takes each in constant time.
using RowList = std::deque<Row>;

// What DoChange asks of the window.
struct FillOutcome {
    bool checkCreationAgain = false;  // date mode with no stamp box checked: check RadioButton1 again
};

class FileList {
public:
    using TextLookup = std::function<std::string(int number)>;

    // texts: the language text of a number (the window passes GetLangString).
    explicit FileList(TextLookup texts);

    const RowList& Rows() const { return rows_; }
    RowList& Rows() { return rows_; }
    // The text a list cell shows (column 3: the mark).
    std::string CellText(int row, int column) const;

    // The folder of all rows, with its trailing "\" ("c:\temp\" before any file).
    const std::string& Folder() const { return folder_; }
    Mode CurrentMode() const { return mode_; }

    // The error line (Label2).
    const std::string& ErrorLine() const { return errorLine_; }
    void SetErrorLine(std::string text) { errorLine_ = std::move(text); }
    std::string Text(int number) const { return texts_(number); }

    // Folded names of the files in the folder, for the conflict check of the
    // preview; the window lists the folder when it changes and after an apply.
    const NameSet& FolderNames() const { return folderNames_; }
    void SetFolderNames(NameSet names) { folderNames_ = std::move(names); }
    // Rows with a problem after the last name preview.
    size_t ConflictCount() const { return conflicts_; }
    void SetConflictCount(size_t count) { conflicts_ = count; }
    // The reason a row shows for its problem, empty when it has none.
    std::string ProblemOf(int row) const;

    // Caption of column 0-2 with its sort marker; column 3 has none.
    std::string Caption(int column) const;

    // A file path arrived (the atom's text): a new row at the top, and the
    // folder becomes the path up to its last "\" or ":".
    void AddPath(std::string_view path);

    // The mode fill, run whenever the mode or the stamp boxes change. target:
    // the moment of the date pickers; attributeText: the attribute field.
    // Stops at the first row whose file can't be read, with the reason in the
    // error line; that row and all below it keep " ".
    FillOutcome DoChange(Mode mode, const StampBoxes& boxes, const CalTime& target,
                         std::string_view attributeText, FileOps& ops);

    // A click on a column header: column 0 always sorts, column 1 only in date
    // mode, the others never. Returns true when the list was sorted (the
    // captions may have changed).
    bool ColumnClick(int column, FileOps& ops);

    // ListView1Compare: negative, zero or positive by the current sort column
    // and direction; 0 when nothing is sorted. Beeps (MessageBeep(0)) when a
    // date can't be read.
    int Compare(const Row& a, const Row& b, FileOps& ops) const;

    // Sorts the rows with Compare (rows that compare equal keep their order).
    void Sort(FileOps& ops);

    // A key pressed in the list: Delete removes the selected row (-1: none).
    // Returns true when a row was removed.
    bool KeyDown(unsigned key, int selected);

private:
    void SetModeCaptions();

    TextLookup texts_;
    RowList rows_;
    std::string folder_ = "c:\\temp\\";
    std::string errorLine_;
    NameSet folderNames_;
    size_t conflicts_ = 0;
    Mode mode_ = Mode::Name;
    std::string baseCaptions_[3];
    // Sort state; the captions' " +" / " -" markers are drawn from it, so a
    // "+" or "-" inside a language text can't change the direction.
    int sortColumn_ = -1;  // -1: no marker
    bool ascending_ = true;
};

}  // namespace kivu
