// The real Interaction: Windows message boxes and common dialogs.
#pragma once
#include "Interaction.h"

namespace mw {

class Win32Interaction : public Interaction {
public:
    void message(const std::string& caption, const std::string& text, BoxIcon icon) override;
    bool question(const std::string& caption, const std::string& text, BoxIcon icon) override;
    std::optional<std::string> openFile(const FileDialogRequest& request) override;
};

} // namespace mw
