// What pgp.exe takes in as it starts: its arguments and the pass phrase given with them. Every
// copy that held a pass phrase is overwritten before it is released.
#pragma once
#include "pgp/Console.h"
#include "pgp/core/Options.h"
#include <optional>
#include <string>
#include <vector>

namespace pgp {

// A variable of the environment; empty when it is not set.
std::wstring environment(const wchar_t* name);
// The arguments after the program's name, from the wide command line, and every other copy of
// the command line overwritten: it may hold the pass phrase after -z.
std::vector<Argument> takeArguments();
// The pass phrase from -z, else PGPPASS, else the first line of the descriptor PGPPASSFD names,
// as PGP 2.6 takes them. The command's copy is dropped and PGPPASS taken out of the environment,
// so no engine process started later inherits it.
std::optional<SecretWideText> takeGivenPassPhrase(Command& command);

} // namespace pgp
