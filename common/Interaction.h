// The one place through which the programs talk to the user modally: message and question boxes
// and the common dialogs. Tests replace it with scripted answers.
#pragma once
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace mw {

enum class BoxIcon { None, Information, Error, Warning, Question };

struct FileDialogRequest {
    std::string title;
    std::vector<std::pair<std::string, std::string>> filters; // display name, pattern
    std::string initialDirectory;
    std::string fileName;
    std::string defaultExtension;
    bool pathMustExist = false;
    bool fileMustExist = false;
    bool hideReadOnly = false;
    bool overwritePrompt = false;
    bool shortNames = false; // the caller wants the 8.3 form back
    bool oldStyle = false;   // the pre-Explorer dialog
};

class Interaction {
public:
    virtual ~Interaction() = default;
    virtual void message(const std::string& caption, const std::string& text, BoxIcon icon) = 0;
    // Yes/No question; true for Yes.
    virtual bool question(const std::string& caption, const std::string& text, BoxIcon icon) = 0;
    // Chosen path; nullopt when cancelled.
    virtual std::optional<std::string> openFile(const FileDialogRequest& request) = 0;
};

} // namespace mw
