// Stored-pass-phrase dialog.
#pragma once
#include "win/BasicDialog.h"

namespace editor {

class TKey : public mw::BasicDialog {
public:
    TKey();
};

} // namespace editor
