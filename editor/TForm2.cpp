// Signature dialog window and its text.
#include "editor/TForm2.h"
#include "win/Controls.h"
#include "win/Win32Platform.h"
#include "win/Win32Util.h"

namespace editor {

TForm2::TForm2() : BasicDialog({"TForm2", "Signature", 565, 182, false, "&Save", 330, 147, 227, 30}) {
    mw::createControl(handle(), {.className = "EDIT",
                                 .id = IdMemo1,
                                 .x = 0,
                                 .y = 0,
                                 .width = 565,
                                 .height = 143,
                                 .style = WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL |
                                          ES_WANTRETURN | WS_VSCROLL | WS_HSCROLL,
                                 .exStyle = WS_EX_CLIENTEDGE});
}

std::vector<std::string> TForm2::lines() const {
    return mw::splitLines(mw::windowText(item(IdMemo1)));
}

void TForm2::setLines(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) text += "\r\n";
        text += lines[i];
    }
    mw::setWindowText(item(IdMemo1), text);
}

} // namespace editor
