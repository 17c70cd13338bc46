// Signature dialog "Signature": holds the text signature appended to encrypted and signed messages.
#pragma once
#include "win/BasicDialog.h"
#include "win/Context.h"
#include "win/Win32Util.h"
#include <string>
#include <vector>

namespace editor {

class TForm2 : public mw::BasicDialog {
public:
    // BitBtn1 "&Save" is the dialog's closing button.
    enum : int { IdBitBtn1 = IdCloseButton, IdMemo1 = 401, IdBitBtn2, IdBitBtn3 };
    explicit TForm2(const mw::Context& context);
    std::vector<std::string> lines() const;
    void setLines(const std::vector<std::string>& lines);
    HWND memo1() const { return item(IdMemo1); }

    // "&Save": the text unchanged into "Murkwell.sig" beside the program, then close.
    void BitBtn1Click();
    // "&Get from File": the text replaced by a chosen file's content; nothing written yet.
    void BitBtn2Click();
    // "&Paste": the clipboard's text at the caret.
    void BitBtn3Click();

protected:
    // Typing starts in the signature, not on "&Save".
    HWND initialFocus() const override { return memo1(); }
    bool onCommand(int id, int code, HWND control) override;
    HBRUSH onControlColor(UINT kind, HDC dc, HWND control) override;

private:
    const mw::Context& context_;
    mw::UniqueFont memoFont_;
};

} // namespace editor
