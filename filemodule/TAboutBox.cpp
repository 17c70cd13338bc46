// About box of the file module.
#include "filemodule/TAboutBox.h"
#include "win/Application.h"
#include "win/Controls.h"

namespace filemodule {

namespace {

HFONT makeFont(const mw::Application& app, const char* face, int points, bool bold, bool italic) {
    return mw::createFont({.face = face,
                           .pixels = mw::pointsToPixels(points, app.dpi()),
                           .bold = bold,
                           .italic = italic,
                           .pitchAndFamily = DEFAULT_PITCH});
}

} // namespace

TAboutBox::TAboutBox(const mw::Context& context)
    : BasicDialog(context.application(),
                  {"TAboutBox", "About Murkwell File", 344, 206, true, "&OK", 8, 172, 328, 28}) {
    titleFont_.reset(makeFont(app(), "Times New Roman", 26, true, true));
    boldFont_.reset(makeFont(app(), "MS Sans Serif", 8, true, false));
    // Raised inside, lowered outside.
    HWND panel = mw::createPanel(app(), handle(),
                                 {.id = IdPanel1,
                                  .x = 8,
                                  .y = 8,
                                  .width = 328,
                                  .height = 156,
                                  .style = WS_DLGFRAME,
                                  .exStyle = WS_EX_STATICEDGE});
    struct Line {
        int id;
        const char* text;
        int y, height;
        HFONT font;
    };
    for (const Line& line : {
             Line{IdProductName, "Murkwell File", 6, 44, titleFont_.get()},
             Line{IdVersion, "Version 2.20", 52, 16, boldFont_.get()},
             Line{IdCopyright, "Written by the Murkwell developers", 72, 16, nullptr},
             Line{IdComments, "PGP File Encryption Applet", 94, 16, boldFont_.get()},
             Line{IdNotice, "Free to copy and pass on, with no warranty of any kind", 118, 16, nullptr},
         }) {
        mw::createControl(app(), panel,
                          {.className = "STATIC",
                           .text = line.text,
                           .id = line.id,
                           .x = 4,
                           .y = line.y,
                           .width = 314,
                           .height = line.height,
                           .style = SS_CENTER | SS_NOPREFIX,
                           .font = line.font});
    }
}

TAboutBox::~TAboutBox() {
    // The labels use the fonts: the window goes first.
    destroyHandle();
}

HBRUSH TAboutBox::onControlColor(UINT kind, HDC dc, HWND control) {
    if (kind != WM_CTLCOLORSTATIC) return nullptr;
    const int id = GetDlgCtrlID(control);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, id == IdProductName ? RGB(0, 0, 128) : id == IdNotice ? RGB(128, 0, 0) : RGB(0, 0, 0));
    return GetSysColorBrush(COLOR_BTNFACE);
}

} // namespace filemodule
