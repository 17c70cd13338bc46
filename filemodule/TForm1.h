// The file module's browser window "Murkwell File - File Encryption Module": button bar, drive
// box and directory pane, file pane, status line, menus and shortcuts.
#pragma once
#include "filemodule/core/FileBrowser.h"
#include "filemodule/core/Housekeeping.h"
#include "win/TIEButton.h"
#include "win/Win32Util.h"
#include "filemodule/FileModuleCommands.h"
#include "win/MainForm.h"
#include <memory>
#include <string>
#include <vector>

namespace filemodule {

class FileModuleApp;

class TForm1 : public mw::MainForm {
public:
    enum : int {
        IdPanel1 = 10, // button bar
        IdPanel2,      // status line
        IdPanel3,      // left pane
        IdPanel4,      // drive box holder
        IdDriveComboBox1,
        IdDirectory,
        IdFileListBox1
    };

    explicit TForm1(FileModuleApp& app);
    ~TForm1() override;

    HWND fileList() const { return item(IdFileListBox1); }
    HWND directoryList() const;
    HWND driveBox() const;
    HWND statusPanel() const { return item(IdPanel2); }
    HWND buttonPanel() const { return item(IdPanel1); }
    HMENU popupMenu() const { return popup_.get(); }
    const std::vector<std::unique_ptr<mw::TIEButton>>& buttons() const { return buttons_; }

    // The file pane as the operations use it: selection index (-1 for none), the selected file's
    // full path (empty for none), the shown directory, and a re-read from disk (`Update`). Paths
    // and names are UTF-8.
    int selectedIndex() const;
    std::string FileName() const;
    const std::string& shownDirectory() const { return directory_; }
    std::string statusText() const;
    // The selected file (empty for none) and the shown directory as the ANSI calls, PGP's batch
    // lines and the tools name them. False, after telling the user why, when one has no such name.
    bool systemPaths(std::string& file, std::string& directory);
    // Re-reads the file pane; `select` (a name in it) is selected, as after a job.
    void updateFileList(const std::string& select = {});
    // The files the pane lists now, with their write times.
    std::vector<mw::FileStamp> listedFiles() const;
    // Moves the directory pane to `path`: the file pane re-reads it, then DirectoryChange runs.
    // Throws IoError, leaving everything as it was, when the directory cannot be entered.
    void changeDirectory(const std::string& path);

    void FileListBox1Change();
    void DirectoryChange();
    void DirectoryDblClick();
    void DriveComboBox1Change();
    void FileListBox1DblClick() { RunFile1Click(); }

    // One handler per command of filemodule/FileModuleCommands.h: SpeedButton1Click, N3Click, ...
    MW_FILE_MODULE_COMMANDS(MW_COMMAND_DECLARATION)
    // Whether the browser shows the setup dialog's PGP directory.
    bool showsPgpDirectory() const;
    // The status line: the selected file's name, or what the last job came to.
    void setStatus(const std::string& text);

protected:
    HWND initialFocus() const override { return fileList(); }
    void FormShow() override;
    bool onCommand(int id, int code, HWND control) override;
    LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool onMeasureItem(MEASUREITEMSTRUCT& item) override;
    bool onDrawItem(const DRAWITEMSTRUCT& item) override;
    // Enter in the directory pane opens the entry, as a double click does.
    bool previewKey(const MSG& msg) override;
    void dpiChanged() override;

private:
    void makeStatusFont();
    void createMenus();
    void createControls();
    // The drive box and the tree in the left pane, and the file pane.
    void createPanes();
    void fillDirectoryPane();
    void selectCurrentDrive();
    void drawItem(const DRAWITEMSTRUCT& item);
    // systemPaths for the housekeeping, which names the files itself.
    bool namesReachable();
    // A housekeeping command on the selected file, once its names are reachable.
    void housekeep(void (mw::Housekeeping::*command)());
    void scorchSelected();
    void drawStatus(const DRAWITEMSTRUCT& item);
    void showPopup(LPARAM screenPoint);

    FileModuleApp& app_;
    mw::UniqueMenu popup_;
    std::string directory_;                   // shown directory, as the system reports it
    std::vector<std::string> directoryPaths_; // full path of each entry of the directory pane
    mw::UniqueFont paneFont_;                 // the system font of the three panes
    mw::UniqueFont statusFont_;
    std::vector<std::unique_ptr<mw::TIEButton>> buttons_; // IEButton1 ... IEButton6, left to right
};

} // namespace filemodule
