// The stored-pass-phrase dialog: the warning, the masked field and the overwrite on clearing.
#include "editor/TKey.h"
#include "core/CodePages.h"
#include "win/ControlViews.h"
#include "win/Application.h"
#include "win/Controls.h"
#include <string>
#include <vector>

namespace editor {

namespace {

// Longer than any command line that could carry the phrase.
constexpr std::size_t kPassPhraseLimit = 255;
constexpr int kWidth = 452, kHeight = 308, kTopBand = 45, kBottomBand = 97;
constexpr COLORREF kMaroon = RGB(128, 0, 0), kYellow = RGB(255, 255, 0), kRed = RGB(255, 0, 0);

// Fifteen lines, blanks at either end kept as they are.
const char* const kWarning[] = {
    "   Use of this feature is NOT recommended.  It has been added at ",
    "the request of many users.  This option will cause Murkwell to ",
    "write your Pass-Phrase to the disk in a batch file.  Even though",
    "this file is later deleted it may be recoverable in a disk analysys!",
    "Also since it is stored in memory your pass phrase would be",
    "vulnerable to someone if they scan your memory and/or swap file.",
    "Another concern are virus programs written to look for your Pass",
    "Phrase in memory.  Use this option at your own risk!",
    "",
    "Using this option can also cause the command line length to ",
    "exceed 128 characters, the normal limit for DOS and Windows.  ",
    "If PGP Complains because the command line seems to have ",
    "gotten jumbled this is what happend.  The addition of your Pass",
    "Phrase has exceeded the limit of the Operating System, in this ",
    "case you must disable this option. ",
};

HFONT makeFont(const mw::Application& app, const char* face, int pixels, bool bold, bool italic) {
    return mw::createFont({.face = face,
                           .pixels = app.scale(pixels),
                           .bold = bold,
                           .italic = italic,
                           .pitchAndFamily = DEFAULT_PITCH | FF_DONTCARE});
}

} // namespace

// No close box: the frame offers no way to close the dialog.
TKey::TKey(const mw::Context& context)
    : BasicDialog(context.application(), {.className = "TKey",
                                          .caption = "Store Pass Phrase",
                                          .clientWidth = kWidth,
                                          .clientHeight = kHeight,
                                          .closeBox = false,
                                          .buttonText = "OK",
                                          .buttonX = 148,
                                          .buttonY = kHeight - kBottomBand + 54,
                                          .buttonWidth = 153,
                                          .buttonHeight = 33,
                                          .style = WS_CLIPCHILDREN}),
      context_(context) {
    warningFont_.reset(makeFont(app(), "Times New Roman", 32, true, true));
    memoFont_.reset(makeFont(app(), "System", 13, true, false));
    maroon_.reset(CreateSolidBrush(kMaroon));

    std::string warning;
    for (std::size_t i = 0; i < std::size(kWarning); ++i)
        warning += (i ? "\r\n" : "") + std::string(kWarning[i]);
    addControl({.className = "EDIT",
                .text = warning,
                .id = IdMemo1,
                .x = 0,
                .y = kTopBand,
                .width = kWidth,
                .height = kHeight - kTopBand - kBottomBand,
                .style = ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL,
                .font = memoFont_.get()});
    const int band = kHeight - kBottomBand;
    addControl({.text = "Pass Phrase", .id = IdLabel1, .x = 16, .y = band + 8, .width = 80, .height = 13});
    addControl({.className = "EDIT",
                .id = IdEdit1,
                .x = 16,
                .y = band + 26,
                .width = 421,
                .height = 21,
                .style = WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD,
                .exStyle = WS_EX_CLIENTEDGE});
    mw::Edit(edit1()).setPasswordChar(L'*');
    // The control's text and undo storage only grow, moving to a larger block and leaving the old
    // one behind unwritten. Sized once for the longest phrase, they never move, and clearing can
    // overwrite every place a character of the phrase was kept.
    mw::Edit(edit1()).setLimit(kPassPhraseLimit);
    overwriteField();
    // Only the button ends a showing; Escape in the text must not close it either.
    escapeDoesNothing_ = true;
}

TKey::~TKey() {
    if (edit1()) clearPassPhrase();
    destroyHandle();
}

std::optional<mw::SecretString> TKey::passPhrase() const {
    const mw::SecretWide wide = mw::Edit(edit1()).secretText();
    // A character the ANSI code page lacks would reach PGP as a look-alike or "?": another
    // pass phrase. The caller refuses it instead.
    auto& platform = context_.platform();
    return mw::encodeSecret(platform, wide, platform.ansiCodePage());
}

bool TKey::passPhraseEmpty() const {
    return GetWindowTextLengthW(edit1()) == 0;
}

void TKey::overwriteField() {
    mw::Edit(edit1()).wipe(kPassPhraseLimit);
}

void TKey::clearPassPhrase() {
    overwriteField();
}

void TKey::FormShow() {
    centreOnScreen();
    SetFocus(edit1());
}

void TKey::onPaint(HDC dc) {
    auto& app = this->app();
    RECT top{0, 0, app.scale(kWidth), app.scale(kTopBand)};
    DrawEdge(dc, &top, BDR_SUNKENOUTER, BF_RECT);
    {
        mw::ScopedSelect font(dc, warningFont_.get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, kRed);
        DrawTextA(dc, "Security Warning!", -1, &top, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    RECT bottom{0, app.scale(kHeight - kBottomBand), app.scale(kWidth), app.scale(kHeight)};
    DrawEdge(dc, &bottom, BDR_SUNKENOUTER, BF_RECT);
}

HBRUSH TKey::onControlColor(UINT kind, HDC dc, HWND control) {
    // The read-only warning asks with WM_CTLCOLORSTATIC.
    if (kind == WM_CTLCOLORSTATIC && control == memo1())
        return mw::colourControl(dc, kYellow, kMaroon, maroon_.get());
    return nullptr;
}

} // namespace editor
