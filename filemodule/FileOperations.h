// The file module's six PGP operations on the selected file: Encrypt, Decrypt, Sign, Sign
// Detached, Sign Encrypt and Encrypt IDEA, each a job of the runner with the window's values.
#pragma once
#include "core/CommandLines.h"

namespace filemodule {

class FileModuleApp;

// Runs the operation from the selection guard to the clean-up.
void runPgpOperation(FileModuleApp& app, mw::FileOperation operation);

} // namespace filemodule
