// "Use this key when contacting the author...": the author's public key block, which the user may
// copy to the clipboard.
#pragma once
#include "win/GlyphButton.h"
#include "win/Win32Util.h"
#include "win/Window.h"
#include "win/Context.h"
#include <memory>

namespace editor {

class TForm3 : public mw::Form {
public:
    enum : int { IdMemo1 = 701, IdBitBtn1, IdBitBtn2 };
    explicit TForm3(const mw::Context& context);
    ~TForm3() override;

    HWND memo1() const { return item(IdMemo1); }

    void BitBtn1Click(); // Close
    void BitBtn2Click(); // Copy to Clipboard

protected:
    void FormShow() override { centreOnScreen(); }
    bool onCommand(int id, int code, HWND control) override;
    HBRUSH onControlColor(UINT kind, HDC dc, HWND control) override;
    bool onDrawItem(const DRAWITEMSTRUCT& item) override;

private:
    mw::UniqueFont memoFont_;
    std::unique_ptr<mw::GlyphButton> bitBtn1_;
    std::unique_ptr<mw::GlyphButton> bitBtn2_;
};

} // namespace editor
