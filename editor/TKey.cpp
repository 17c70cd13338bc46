// Stored-pass-phrase dialog.
#include "editor/TKey.h"

namespace editor {

TKey::TKey() : BasicDialog({"TKey", "Store Pass Phrase", 452, 308, false, "OK", 148, 265, 153, 33}) {}

} // namespace editor
