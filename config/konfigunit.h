// The configuration window of mode 0: which built-in entries the context
// menu shows, the user's folder, FTP and program lists, the menu options,
// the language, and the about page.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "config/entrylist.h"
#include "config/konfigrules.h"
#include "controls/ALed.h"
#include "ui/form.h"
#include "ui/lists.h"
#include "ui/memo.h"
#include "ui/pages.h"
#include "ui/splitter.h"

namespace kivu {

class Tdownloadform;

class Tkonfigdialog : public ui::Form {
public:
    // The arguments of this program (element 0 is the program).
    Tkonfigdialog();
    explicit Tkonfigdialog(std::vector<std::string> args);
    ~Tkonfigdialog() override;

    ui::StatusBar StatusBar1;
    ui::PageControl PageControl1;
    ui::Panel TabSheet1, TabSheet2, TabSheet6, TabSheet3, TabSheet4, TabSheet5;
    ui::CheckListBox CheckListBox1;
    ui::ListBox ListBox1;    // folders
    ui::ListView ListView2;  // FTP sites
    ui::ListView ListView1;  // programs
    ui::Panel Panel1;
    ui::Splitter Splitter1;
    ui::Panel Panel2;
    ui::CheckBox CheckBox1, CheckBox2, CheckBox3, CheckBox4, CheckBox5;
    ui::Label Label1;
    TALed ALed1;
    ui::ComboBox ComboBox1;
    ui::Button Button2;
    ui::Button Button3;
    ui::Memo RichEdit1;
    ui::PopupMenu PopupMenu1;  // folder list
    ui::PopupMenu PopupMenu2;  // program list
    ui::PopupMenu PopupMenu4;  // FTP site list

    const std::string& MenuStatus() const { return menuStatus_; }
    const FolderList& Folders() const { return folders_; }
    const ProgramList& Programs() const { return programs_; }
    const FtpList& FtpSites() const { return ftpSites_; }
    // The program chooser's file type filter (set with the captions).
    const std::string& ProgramFilter() const { return programFilter_; }
    // Where the folder and program choosers start, once set.
    const std::string& ChooserFolder() const { return chooserFolder_; }
    bool StartActionPending() const { return startActionPending_; }
    // The command that the start action asked for.
    StartAction::Command StartCommand() const { return startCommand_; }

    void CheckListBox1ClickCheck(int index);
    void CheckBox1Click();
    void CheckBox2Click();
    void CheckBox3Click();
    void CheckBox4Click();
    void CheckBox5Click();
    void ComboBox1Change();
    void Button2Click();
    void Button3Click();
    bool PageControl1Changing();
    void RichEdit1MouseUp();
    // The start action of the command line, once, at the first idle turn.
    void StartAction();

protected:
    void CreateControls() override;
    void FormCreate() override;
    bool FormCloseQuery() override;
    void FormResize() override;
    void FormConstrain(MINMAXINFO& limits) override;

private:
    void ApplyCaptions();
    void ApplyMenuTabs();
    void BuildCheckList();
    void ShowLanguageState();
    void ShowFolders();
    void ShowPrograms();
    void ShowFtpSites();
    void SaveLists();

    std::vector<std::string> args_;
    std::string menuStatus_;
    FolderList folders_;
    ProgramList programs_;
    FtpList ftpSites_;
    // A list is saved at the close only if it was loaded: a start-up that
    // failed before must not overwrite or delete the files.
    bool foldersLoaded_ = false, programsLoaded_ = false, ftpSitesLoaded_ = false;
    std::string programFilter_;
    std::string chooserFolder_;
    bool startActionPending_ = false;
    StartAction::Command startCommand_ = StartAction::Command::None;
    // The live-update window last opened; a check that still runs keeps its own alive.
    std::shared_ptr<Tdownloadform> liveUpdate_;
};

// Mode 0: the window as the main form.
void StartKonfigdialog(bool showMainForm);

}  // namespace kivu
