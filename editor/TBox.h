// "About Murkwell": the product picture, name, version, our notice and PGP's credit on black.
#pragma once
#include "win/GlyphButton.h"
#include "win/Win32Util.h"
#include "win/Window.h"
#include "win/Context.h"
#include <memory>

namespace editor {

class TBox : public mw::Form {
public:
    enum : int { IdOKButton = IDOK };
    explicit TBox(const mw::Context& context);
    ~TBox() override;

    void OKButtonClick();

protected:
    void FormShow() override { centreOnScreen(); }
    bool onCommand(int id, int code, HWND control) override;
    LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void paint(HDC dc);

    std::unique_ptr<mw::GlyphButton> okButton_;
    mw::UniqueBitmap picture_;
    mw::UniqueFont productFont_;
    mw::UniqueFont smallBoldFont_;
};

} // namespace editor
