// Button bar of the editor window.
#include "EditorButtonBar.h"
#include "Controls.h"
#include "EditorCommands.h"

namespace editor {

const std::vector<BarButton>& barButtons() {
    static const std::vector<BarButton> buttons = {
        {"BitBtn1", "Encrypt", CmdBitBtn1Click, false},
        {"BitBtn2", "Decrypt", CmdBitBtn2Click, false},
        {"BitBtn3", "Sign", CmdBitBtn3Click, true},
        {"BitBtn4", "Sign & Encrypt", CmdBitBtn4Click, false},
        {"BitBtn5", "Encrypt IDEA", CmdBitBtn5Click, false},
        {"BitBtn6", "Paste & Decrypt", CmdBitBtn6Click, false},
        {"BitBtn7", "Paste Message", CmdPasgeMessage1Click, false},
        {"BitBtn8", "Cut Message", CmdCutMessage1Click, false},
        {"BitBtn9", "Copy Message", CmdCopyMessage1Click, false},
        {"BitBtn10", "Clear", CmdBitBtn10Click, true},
        {"ButBtn11", "Quote", CmdBitBtn11Click, false},
        {"BitBtn12", "Exit", CmdBitBtn12Click, false},
    };
    return buttons;
}

void buildButtonBar(HWND panel) {
    int n = 0;
    for (const auto& b : barButtons()) {
        // A plain button shows "&&" as one ampersand.
        std::string caption;
        for (const char* p = b.caption; *p; ++p) {
            caption += *p;
            if (*p == '&') caption += '&';
        }
        mw::createControl(panel, {.className = "BUTTON", .text = caption, .id = b.command, .x = 4, .y = 12 + 28 * n,
                                  .width = 115, .height = 25, .style = BS_PUSHBUTTON});
        ++n;
    }
}

} // namespace editor
