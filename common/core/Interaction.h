// The one place through which the programs talk to the user modally: message and question boxes
// and the common dialogs. Tests replace it with scripted answers.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace mw {

class Printer;

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
    bool several = false;    // more than one file may be chosen (openFiles)
};

// A font as the font dialog offers and returns it.
struct FontChoice {
    std::string name;
    int sizePoints = 8;
    std::uint32_t color = 0; // 0x00BBGGRR
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool operator==(const FontChoice&) const = default;
};

class Interaction {
public:
    virtual ~Interaction() = default;
    virtual void message(const std::string& caption, const std::string& text, BoxIcon icon) = 0;
    // Yes/No question; true for Yes.
    virtual bool question(const std::string& caption, const std::string& text, BoxIcon icon) = 0;
    // Text typed into an input box preset with `preset`; nullopt when cancelled.
    virtual std::optional<std::string> input(const std::string& title, const std::string& prompt,
                                             const std::string& preset) = 0;
    // Chosen path; nullopt when cancelled.
    virtual std::optional<std::string> openFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> saveFile(const FileDialogRequest& request) = 0;
    // The files chosen in one open dialog; empty when it was cancelled.
    virtual std::vector<std::string> openFiles(const FileDialogRequest& request) {
        auto one = openFile(request);
        return one ? std::vector<std::string>{*one} : std::vector<std::string>{};
    }
    // Screen fonts with effects; `onApply` runs for each press of the dialog's Apply button.
    virtual std::optional<FontChoice> chooseFont(const FontChoice& initial,
                                                 const std::function<void(const FontChoice&)>& onApply) = 0;
    // Basic colours only: the custom-colour part stays closed.
    virtual std::optional<std::uint32_t> chooseColor(std::uint32_t initial) = 0;
    // The print dialog; the chosen printer, or null when cancelled or when there is no printer
    // (the dialog has told the user then).
    virtual std::unique_ptr<Printer> choosePrinter() = 0;
};

} // namespace mw
