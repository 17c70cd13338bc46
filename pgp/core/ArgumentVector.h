// The engine's command line, built so that its C runtime (the rules of CommandLineToArgvW) gives
// back exactly the arguments we meant: blanks, quotes and backslashes included.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace pgp {

// One argument: unchanged when it needs nothing (no blank, quote or wildcard); otherwise in double quotes,
// each quote preceded by a backslash, and the backslashes before a quote (or the closing quote) doubled.
std::wstring quoteArgument(std::wstring_view argument);

// The program path (in quotes, as it cannot hold one) and the quoted arguments, blank-separated.
std::wstring buildCommandLine(std::wstring_view program, const std::vector<std::wstring>& arguments);

// The reverse: a command line split by the rules of the system's own parser (CommandLineToArgvW),
// quotes doubled inside quotes included. pgp.exe reads its own arguments with it, which spares
// every run the loading of the shell's libraries.
std::vector<std::wstring> splitCommandLine(std::wstring_view line);

} // namespace pgp
