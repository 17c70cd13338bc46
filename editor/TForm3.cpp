// Author's public key window.
#include "editor/TForm3.h"

namespace editor {

TForm3::TForm3()
    : BasicDialog({"TForm3", "Use this key when contacting the author...", 490, 209, false, "&Close", 248,
                   169, 209, 37}) {}

} // namespace editor
