// About box of the editor.
#include "editor/TBox.h"

namespace editor {

TBox::TBox() : BasicDialog({"TBox", "About Murkwell", 367, 247, false, "OK", 8, 210, 350, 27}) {}

} // namespace editor
