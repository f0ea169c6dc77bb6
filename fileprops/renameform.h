// The properties dialog: the files the handler sends, the three kinds of
// change with their inputs, a live preview and applying.
#pragma once
#include <functional>
#include <memory>
#include <optional>

#include "fileprops/apply.h"
#include "fileprops/filelist.h"
#include "fileprops/placement.h"
#include "fileprops/winfileops.h"
#include "fileprops/winjournal.h"
#include "ui/form.h"

namespace kivu {

class Tnumber;

// The list of the properties dialog: it also tells when the selected row changes.
class RowListView : public ui::ListView {
public:
    std::function<void()> onSelect;
    // The tip of a row, with LVS_EX_INFOTIP; empty: none.
    std::function<std::string(int row)> onInfoTip;
    LRESULT HandleNotify(NMHDR* hdr) override;
};

class Trenamedialog : public ui::Form {
public:
    Trenamedialog();
    ~Trenamedialog() override;

    ui::StatusBar StatusBar1;
    ui::Panel Panel1;
    ui::Panel Panel2;
    RowListView ListView1;
    ui::Label Label2;
    ui::CheckBox CheckBox1;
    ui::Edit Edit1;
    ui::CheckBox CheckBox2;
    ui::Label Label3;
    ui::Label Label4;
    ui::DateTimePicker DateTimePicker1;
    ui::DateTimePicker DateTimePicker2;
    ui::CheckBox RadioButton1;
    ui::CheckBox RadioButton3;
    ui::CheckBox RadioButton2;
    ui::Button Button3;
    ui::CheckBox CheckBox3;
    ui::Edit Edit2;
    ui::Button Button1;
    ui::Button Button5;
    ui::Button Button4;
    ui::Button Button2;
    ui::Button Button6;  // Undo of the last rename
    ui::PopupMenu PopupMenu1;

    const FileList& List() const { return list_; }

    // Event handlers, named as designed.
    void Button1Click();  // preview
    void Button2Click();  // apply
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void CheckBox1Click();
    void CheckBox2Click();
    void CheckBox3Click();
    void RadioButton1Click();
    void Edit1Change();
    void Edit1KeyPress(wchar_t& key);
    void Edit1KeyDown(WORD& key);
    void Edit2KeyPress(wchar_t& key);
    void Name1Click(ui::MenuItem& item);
    void ListView1ColumnClick(int column);
    void ListView1KeyDown(WORD& key);
    // Opens the placeholder menu at the pattern field's caret (Ctrl+Space).
    void ShowPlaceholderMenu();

protected:
    void CreateControls() override;
    void FormCreate() override;
    void FormClose() override;
    bool FormShortCut(WORD key) override;
    void FormResize() override;
    void FormConstrain(MINMAXINFO& limits) override;
    bool FormMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void IdleStep();
    // Preview over the rows as they are now, then shows them.
    void Refresh();
    // Lists the folder again when the rows' folder is not the one last listed.
    void LookAtFolder(bool always);
    void ShowConflicts();
    // Height of the window with this many list rows visible, from one measure of the list.
    int HeightForRows(int rows);
    void PlaceWindow();
    void UpdateUndoButton();
    void FileArrived(const std::string& path);
    void ShowRows();
    void ModeClick(ui::CheckBox& box);
    void DoChange();
    void UpdateApplyButton();
    PreviewInput CurrentInput();
    Mode CheckedMode() const;
    StampBoxes CheckedStamps() const;
    void ShowListState();

    FileList list_;
    WinFileOps ops_;
    WinJournal journal_;
    bool firstIdle_ = true;
    Tnumber* numberDialog_ = nullptr;  // open number dialog, if any
    ui::Timer arrivals_;               // coalesces the list refresh while files arrive
    std::string listedFolder_;         // the folder whose names the conflict check knows
    bool lastApplyOk_ = true;
};

// Mode 1: the dialog as the main form.
void StartRenamedialog(bool showMainForm);

}  // namespace kivu
