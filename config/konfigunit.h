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
#include "controls/BrowseFolder.h"
#include "ui/filedialog.h"
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
    TBrowseFolder BrowseFolder1{this};
    ui::FileDialog OpenDialog1{ui::FileDialog::Kind::Open};

    const std::string& MenuStatus() const { return menuStatus_; }
    const FolderList& Folders() const { return folders_; }
    const ProgramList& Programs() const { return programs_; }
    const FtpList& FtpSites() const { return ftpSites_; }
    bool StartActionPending() const { return startActionPending_; }

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
    // Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PgDn and Ctrl+PgUp turn the pages.
    bool FormShortCut(WORD key) override;
    void RichEdit1MouseUp();
    // The start action of the command line, once, at the first idle turn.
    void StartAction();

    // The list pages' menu commands.
    void Hinzufgen1Click();
    void Seperatorhinzufgen1Click();
    void Nachobenverschieben1Click();
    void Nachuntenverschieben1Click();
    void Eintraglschen1Click();
    void Dateilschen1Click();
    void Hinzufgen2Click();
    void Arbeitsverzeichnisfestlegen1Click();
    void MarkierteDateibergeben1Click();
    // "Add FTP site", beyond the designed menu: a small dialog asks name and address.
    void FTPSeitehinzufgen1Click();
    // The items that PopupMenu2 and PopupMenu4 share act on the active page's list.
    void Seperatorhinzufgen2Click();
    void Nachobenverschieben2Click();
    void Nachuntenverschieben2Click();
    void Entfernen1Click();
    void ProgrammeDateilschen1Click();
    void PopupMenu2Popup();
    void ListBox1KeyDown(WORD& key);
    void ListView1KeyDown(WORD& key);
    void ListView2KeyDown(WORD& key);
    void ListView1DblClick();
    bool ListView1Edited(int row, const std::string& text);
    bool ListView2Edited(int row, const std::string& text);

protected:
    void CreateControls() override;
    void FormCreate() override;
    bool FormCloseQuery() override;
    void FormResize() override;
    void FormConstrain(MINMAXINFO& limits) override;

private:
    // The pages other than the menu entries get their controls when first shown.
    void CreateFolderPage();
    void CreateFtpPage();
    void CreateProgramPage();
    void CreateOptionsPage();
    void CreateAboutPage();
    void LayOut();
    void ApplyCaptions();
    void ApplyListCaptions();
    void ApplyMenuTabs();
    void BuildCheckList();
    void ShowLanguageState();
    void ShowFolders();
    void ShowPrograms();
    void ShowFtpSites();
    void SaveLists();
    // The controls' selections into the lists before a command.
    void TakeSelections();
    // The list that the shared commands act on: programs on page 3, else FTP sites.
    bool ProgramsActive() const;
    template <class Op> void OnActiveList(Op op);
    template <class Op> void OnFolders(Op op);
    void PopupAtCorner(ui::PopupMenu& menu);
    // The folder chooser's title: text 10301 up to its first backslash.
    std::string BrowseTitle() const;

    std::vector<std::string> args_;
    std::string menuStatus_;
    FolderList folders_;
    ProgramList programs_;
    FtpList ftpSites_;
    // A list is saved at the close only if it was loaded: a start-up that
    // failed before must not overwrite or delete the files.
    bool foldersLoaded_ = false, programsLoaded_ = false, ftpSitesLoaded_ = false;
    bool startActionPending_ = false;
    // The options as read at the start and changed since (the boxes show them).
    struct Options {
        bool exSubMenu = false, bitmap = false, shortcut = false, windowCheck = false, doublePane = false;
    } options_;
    // The live-update window last opened; a check that still runs keeps its own alive.
    std::shared_ptr<Tdownloadform> liveUpdate_;
};

// Mode 0: the window as the main form.
void StartKonfigdialog(bool showMainForm);

}  // namespace kivu
