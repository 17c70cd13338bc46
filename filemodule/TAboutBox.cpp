// About box of the file module.
#include "filemodule/TAboutBox.h"

namespace filemodule {

TAboutBox::TAboutBox()
    : BasicDialog({"TAboutBox", "About Murkwell File", 344, 206, true, "&OK", 8, 172, 328, 28}) {}

} // namespace filemodule
