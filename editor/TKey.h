// Stored-pass-phrase dialog.
#pragma once
#include "BasicDialog.h"

namespace editor {

class TKey : public mw::BasicDialog {
public:
    TKey();
};

} // namespace editor
