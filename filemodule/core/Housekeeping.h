// The file module's housekeeping on the selected file or the shown directory: delete, rename,
// Scorch (the wipe tool as a job of its own), run, Notepad, a command prompt and refresh. The
// window hands over what it shows through BrowserLink; everything else goes through Platform.
#pragma once
#include "core/Interaction.h"
#include "core/Platform.h"
#include <functional>
#include <stdexcept>
#include <string>

namespace mw {

// A failed rename that the error box reports ("Cannot move file x", ...).
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the housekeeping needs of the browser window, read at the moment of use.
struct BrowserLink {
    std::function<std::string()> selectedFile;   // full path of the selected entry; "" when none
    std::function<std::string()> shownDirectory; // as the platform reports it (no trailing "\")
    std::function<std::string()> pgpDirectory;   // the setup dialog's, ending with "\"
    std::function<void()> reread;                // re-reads the file pane: no entry selected after
    // The window's job fields: `LockFile`, `BatchFile`, `ToolShortName` and `ShortName`.
    std::function<void(const std::string& lockFile, const std::string& batchFile)> setJobFiles;
    std::function<void(const std::string& toolShortName)> setToolShortName;
    std::function<void(const std::string& shortName)> setShortName;
};

// A typed name made into a full path: relative to `base` (a directory without a trailing "\"),
// with "/" read as "\" and "." and ".." resolved. "\x" keeps the drive of `base`.
std::string expandPath(const std::string& typed, const std::string& base);

class Housekeeping {
public:
    Housekeeping(Platform& platform, Interaction& interaction, BrowserLink link);

    void deleteFile();      // N3Click
    void renameFile();      // RenameFile1Click; throws FileError
    void scorchFile();      // ScorchTheFile1Click; throws IoError when its files cannot be written
    void runFile();         // RunFile1Click
    void loadIntoNotepad(); // LoadIntoNotepad1Click
    void dosPromptHere();   // DOSPromptHere1Click
    void refresh();         // Refresh1Click

private:
    // The selected file's full path, or "" after telling the user to select one.
    std::string guardedSelection();
    void tell(const std::string& text);
    bool ask(const std::string& text);
    void open(const std::string& file, const std::string& parameters);
    // The short form for a batch line: "" when there is none or it is longer than DOS allows.
    std::string dosShortPath(const std::string& path);
    // Copies when the move was refused; the copy is verified before the pane is re-read.
    void copyInstead(const std::string& from, const std::string& to, bool replace);

    Platform& platform_;
    Interaction& interaction_;
    BrowserLink link_;
};

} // namespace mw
