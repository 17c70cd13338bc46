// The file module window's housekeeping commands: the portable algorithms run over this window's
// panes, the setup dialog's PGP directory and the job fields.
#pragma once
#include "filemodule/core/Housekeeping.h"

namespace filemodule {

class FileModuleApp;
class TForm1;

mw::Housekeeping housekeepingOf(TForm1& form, FileModuleApp& app);

} // namespace filemodule
