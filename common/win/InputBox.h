// A small modal box with a prompt, one edit field and OK / Cancel.
#pragma once
#include "win/Window.h"
#include <optional>
#include <string>

namespace mw {

class InputBox : public Form {
public:
    enum : int { IdPrompt = 501, IdEdit, IdOk, IdCancel };
    InputBox(Application& application, const std::string& title, const std::string& prompt,
             const std::string& preset);
    // Shows the box modally; the edited text on OK, nullopt on Cancel, Escape or the close box.
    std::optional<std::string> ask();

protected:
    bool onCommand(int id, int code, HWND control) override;
    void FormShow() override;

private:
    std::optional<std::string> result_;
};

} // namespace mw
