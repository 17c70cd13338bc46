// "About Murkwell": the product picture, name, version, our notice and PGP's credit on black.
#pragma once
#include "win/BasicDialog.h"
#include "win/Win32Util.h"
#include "win/Context.h"

namespace editor {

class TBox : public mw::BasicDialog {
public:
    enum : int { IdOKButton = IdCloseButton };
    explicit TBox(const mw::Context& context);
    ~TBox() override;

    void OKButtonClick();

protected:
    void onPaint(HDC dc) override;

private:
    mw::UniqueBitmap picture_;
    mw::UniqueFont productFont_;
    mw::UniqueFont smallBoldFont_;
};

} // namespace editor
