// Button bar of the file module's window.
#include "filemodule/FileModuleButtonBar.h"
#include "filemodule/FileModuleCommands.h"
#include "win/Glyphs.h"

namespace filemodule {

const std::vector<mw::BarButton>& barButtons() {
    namespace g = mw::glyphs;
    static const std::vector<mw::BarButton> buttons = {
        {"IEButton1", "Encrypt", CmdSpeedButton1Click, g::Encrypt, false},
        {"IEButton2", "Decrypt", CmdSpeedButton2Click, g::Decrypt, false},
        {"IEButton3", "Sign", CmdSpeedButton3Click, g::Sign, true},
        {"IEButton7", "Sign Detached", CmdIEButton7Click, g::SignDetached, true},
        {"IEButton4", "Sign Encrypt", CmdSpeedButton4Click, g::SignEncrypt, false},
        {"IEButton5", "Encrypt IDEA", CmdSpeedButton5Click, g::EncryptIdea, false},
        {"IEButton6", "Exit", CmdIEButton6Click, g::Exit, false},
    };
    return buttons;
}

std::vector<std::unique_ptr<mw::TIEButton>> buildButtonBar(mw::Application& app, HWND panel) {
    return mw::buildButtonBar(app, panel, barButtons(),
                              {.left = 4,
                               .top = 4,
                               .width = 80,
                               .height = 40,
                               .stepX = 84,
                               .stepY = 0,
                               .layout = mw::blCaptionBottom,
                               .margin = 5,
                               .font = {.name = "MS Sans Serif", .size = 8, .color = mw::colors::clMaroon}});
}

} // namespace filemodule
