// About box of the file module.
#pragma once
#include "win/BasicDialog.h"

namespace filemodule {

class TAboutBox : public mw::BasicDialog {
public:
    TAboutBox();
};

} // namespace filemodule
