// A fixed-frame dialog of a registered class with one closing button: the shape shared by the
// editor's smaller dialogs.
#pragma once
#include "win/Window.h"
#include <string>

namespace mw {

struct BasicDialogLayout {
    const char* className;
    std::string caption;
    int clientWidth;
    int clientHeight;
    bool closeBox;          // standard close box in the title bar
    std::string buttonText; // the closing button
    int buttonX, buttonY, buttonWidth, buttonHeight;
};

class BasicDialog : public Form {
public:
    enum : int { IdCloseButton = 1 };
    BasicDialog(Application& application, const BasicDialogLayout& layout);

protected:
    bool onCommand(int id, int code, HWND control) override;
    void FormShow() override { centreOnScreen(); }
};

} // namespace mw
