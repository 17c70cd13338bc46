// About box of the editor.
#pragma once
#include "win/BasicDialog.h"

namespace editor {

class TBox : public mw::BasicDialog {
public:
    TBox();
};

} // namespace editor
