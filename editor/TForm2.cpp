// Signature dialog window, its text and its three buttons.
#include "editor/TForm2.h"
#include "core/Errors.h"
#include "core/PathUtil.h"
#include "core/Platform.h"
#include "core/ProgramProfile.h"
#include "editor/TextTools.h"
#include "win/ControlViews.h"
#include "win/Application.h"
#include "win/Controls.h"
#include "win/Win32Platform.h"

namespace editor {

namespace {

constexpr COLORREF kNavy = RGB(0, 0, 128);

std::string signatureDirectory(const mw::Context& context) {
    return mw::directoryOf(context.platform().executablePath());
}

} // namespace

TForm2::TForm2(const mw::Context& context)
    : BasicDialog(context.application(),
                  {"TForm2", "Signature", 565, 182, false, "&Save", 330, 147, 227, 30}),
      context_(context) {
    auto& app = context.application();
    memoFont_.reset(mw::createFont({.face = "Courier New",
                                    .pixels = mw::pointsToPixels(8, app.dpi()),
                                    .pitchAndFamily = FIXED_PITCH | FF_MODERN}));
    addControl({.className = "EDIT",
                .id = IdMemo1,
                .x = 0,
                .y = 0,
                .width = 565,
                .height = 143,
                .style = WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN |
                         WS_VSCROLL | WS_HSCROLL,
                .exStyle = WS_EX_CLIENTEDGE,
                .font = memoFont_.get(),
                .unicode = true});
    mw::Edit(memo1()).setLimit(kMemoCapacity);
    // Tab goes from the signature to "&Save" first.
    SetWindowPos(item(IdBitBtn1), memo1(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // Escape would lose what was typed: the dialog closes only through "&Save".
    escapeDoesNothing_ = true;
    addControl({.className = "BUTTON",
                .text = "&Get from File",
                .id = IdBitBtn2,
                .x = 8,
                .y = 147,
                .width = 150,
                .height = 30,
                .style = WS_TABSTOP | BS_PUSHBUTTON});
    addControl({.className = "BUTTON",
                .text = "&Paste",
                .id = IdBitBtn3,
                .x = 166,
                .y = 147,
                .width = 150,
                .height = 30,
                .style = WS_TABSTOP | BS_PUSHBUTTON});
}

std::vector<std::string> TForm2::lines() const {
    return mw::splitLines(mw::unicodeText(memo1()));
}

void TForm2::setLines(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) text += "\r\n";
        text += lines[i];
    }
    mw::setUnicodeText(memo1(), text);
}

void TForm2::BitBtn1Click() {
    const std::string path = signatureDirectory(context_) + context_.profile().signatureName;
    try {
        context_.platform().writeWholeFile(path, mw::unicodeText(memo1()));
    } catch (const mw::IoError& e) {
        // The dialog has no other way out: it closes, and the operations keep using the text.
        std::string reason = e.reason();
        if (!reason.empty() && reason.back() != '.') reason += '.';
        reportError(context_, "Cannot create file " + path + ": " + reason +
                                  " The signature is kept until the editor closes.");
    }
    close();
}

void TForm2::BitBtn2Click() {
    mw::FileDialogRequest request;
    request.title = "Open Signature File";
    request.filters = {{"All Files", "*.*"}};
    request.initialDirectory = signatureDirectory(context_); // each time, not where the user went last
    request.hideReadOnly = true;
    request.pathMustExist = true;
    request.fileMustExist = true;
    auto chosen = context_.interaction().openFile(request);
    if (!chosen) return;
    std::optional<std::string> text;
    try {
        text = readTextForMemo(context_.platform(), *chosen);
    } catch (const mw::IoError&) {
        reportError(context_, "Cannot open file " + *chosen);
        return;
    }
    if (!text) {
        reportError(context_, kTextTooLarge);
        return;
    }
    mw::setUnicodeText(memo1(), *text);
}

void TForm2::BitBtn3Click() {
    mw::Edit(memo1()).paste();
}

bool TForm2::onCommand(int id, int code, HWND) {
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IdBitBtn1:
        BitBtn1Click();
        return true;
    case IdBitBtn2:
        BitBtn2Click();
        return true;
    case IdBitBtn3:
        BitBtn3Click();
        return true;
    default:
        return false;
    }
}

HBRUSH TForm2::onControlColor(UINT kind, HDC dc, HWND control) {
    if (kind != WM_CTLCOLOREDIT || control != memo1()) return nullptr;
    HBRUSH brush = defaultControlColor(kind, dc, control);
    SetTextColor(dc, kNavy);
    return brush;
}

} // namespace editor
