// "Store Pass Phrase": the dialog whose masked field holds the pass phrase that Decrypt may use,
// in memory only, for the rest of the run.
#pragma once
#include "core/SecretText.h"
#include "win/BasicDialog.h"
#include "win/Win32Util.h"
#include "win/Context.h"
#include <optional>

namespace editor {

class TKey : public mw::BasicDialog {
public:
    // BitBtn1 carries IDOK, so Enter in the field presses it; nothing carries IDCANCEL, so Escape
    // does nothing.
    enum : int { IdBitBtn1 = IdCloseButton, IdEdit1 = 601, IdMemo1, IdLabel1 };

    explicit TKey(const mw::Context& context);
    ~TKey() override;

    // The stored pass phrase (Edit1's text) in the ANSI code page, in storage that is overwritten
    // when it is released; nullopt when a character typed has no form there.
    std::optional<mw::SecretString> passPhrase() const;
    bool passPhraseEmpty() const;
    // Empties the stored pass phrase after overwriting what the field held, its undo copy included.
    // The program's close does this too.
    void clearPassPhrase();

    HWND edit1() const { return item(IdEdit1); }
    HWND memo1() const { return item(IdMemo1); }

protected:
    HWND initialFocus() const override { return edit1(); }
    void FormShow() override;
    void onPaint(HDC dc) override;
    HBRUSH onControlColor(UINT kind, HDC dc, HWND control) override;

private:
    const mw::Context& context_;
    void overwriteField();

    mw::UniqueFont warningFont_; // the top band's caption
    mw::UniqueFont memoFont_;
    mw::UniqueBrush maroon_;
};

} // namespace editor
