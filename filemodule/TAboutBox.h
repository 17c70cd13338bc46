// About box of the file module: name, version and notices on a bevelled panel, and OK.
#pragma once
#include "win/BasicDialog.h"
#include "win/Context.h"
#include "win/Win32Util.h"

namespace filemodule {

class TAboutBox : public mw::BasicDialog {
public:
    enum : int { IdPanel1 = 100, IdProductName, IdVersion, IdCopyright, IdComments, IdNotice };
    explicit TAboutBox(const mw::Context& context);
    ~TAboutBox() override;

protected:
    HBRUSH onControlColor(UINT kind, HDC dc, HWND control) override;

private:
    mw::UniqueFont titleFont_, boldFont_;
};

} // namespace filemodule
