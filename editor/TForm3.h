// Author's public key window.
#pragma once
#include "win/BasicDialog.h"

namespace editor {

class TForm3 : public mw::BasicDialog {
public:
    TForm3();
};

} // namespace editor
