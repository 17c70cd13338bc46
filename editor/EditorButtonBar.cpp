// Button bar of the editor window.
#include "editor/EditorButtonBar.h"
#include "editor/EditorCommands.h"
#include "win/Glyphs.h"

namespace editor {

const std::vector<BarButton>& barButtons() {
    namespace g = mw::glyphs;
    static const std::vector<BarButton> buttons = {
        {"BitBtn1", "Encrypt", CmdBitBtn1Click, g::Encrypt, false},
        {"BitBtn2", "Decrypt", CmdBitBtn2Click, g::Decrypt, false},
        {"BitBtn3", "Sign", CmdBitBtn3Click, g::Sign, true},
        {"BitBtn4", "Sign & Encrypt", CmdBitBtn4Click, g::SignEncrypt, false},
        {"BitBtn5", "Encrypt IDEA", CmdBitBtn5Click, g::EncryptIdea, false},
        {"BitBtn6", "Paste & Decrypt", CmdBitBtn6Click, g::PasteDecrypt, false},
        {"BitBtn7", "Paste Message", CmdPasgeMessage1Click, g::PasteMessage, false},
        {"BitBtn8", "Cut Message", CmdCutMessage1Click, g::CutMessage, false},
        {"BitBtn9", "Copy Message", CmdCopyMessage1Click, g::CopyMessage, false},
        {"BitBtn10", "Clear", CmdBitBtn10Click, g::Clear, true},
        {"ButBtn11", "Quote", CmdBitBtn11Click, g::Quote, false},
        {"BitBtn12", "Exit", CmdBitBtn12Click, g::Exit, false},
    };
    return buttons;
}

std::vector<std::unique_ptr<mw::TIEButton>> buildButtonBar(mw::Application& app, HWND panel) {
    return mw::buildButtonBar(app, panel, barButtons(),
                              {.left = 4,
                               .top = 12,
                               .width = 115,
                               .height = 25,
                               .stepX = 0,
                               .stepY = 28,
                               .layout = mw::blCaptionRight,
                               .margin = 6,
                               .font = {.name = "MS Sans Serif", .size = 8, .color = mw::colors::clNavy}});
}

} // namespace editor
