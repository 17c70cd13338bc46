// The real Interaction: Windows message boxes and common dialogs.
#pragma once
#include "core/Interaction.h"
#include <windows.h>

namespace mw {

class Application;

class Win32Interaction : public Interaction {
public:
    // The boxes and dialogs belong to the active window, or else to the application's main window.
    explicit Win32Interaction(Application& application) : app_(application) {}

    void message(const std::string& caption, const std::string& text, BoxIcon icon) override;
    bool question(const std::string& caption, const std::string& text, BoxIcon icon) override;
    // The question box as the system answers it: IDYES, or IDNO for No, Escape and the close box.
    int yesNoBox(const std::string& caption, const std::string& text, BoxIcon icon);
    std::optional<std::string> input(const std::string& title, const std::string& prompt,
                                     const std::string& preset) override;
    std::optional<std::string> openFile(const FileDialogRequest& request) override;
    std::optional<std::string> saveFile(const FileDialogRequest& request) override;
    std::vector<std::string> openFiles(const FileDialogRequest& request) override;
    std::optional<FontChoice> chooseFont(const FontChoice& initial,
                                         const std::function<void(const FontChoice&)>& onApply) override;
    std::optional<std::uint32_t> chooseColor(std::uint32_t initial) override;
    std::unique_ptr<Printer> choosePrinter() override;

private:
    HWND ownerWindow() const;
    Application& app_;
};

} // namespace mw
