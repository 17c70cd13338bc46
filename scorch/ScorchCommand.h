// The wipe tool's command line and exit statuses: portable, so both can be tested natively.
#pragma once
#include <string>
#include <string_view>

namespace scorch {

// The process exit status. The values are what callers see; keep them stable.
enum class Status : int {
    Wiped = 0,
    Usage = 1,
    NotFound = 2,
    Directory = 3,
    ReadOnly = 4,
    InUse = 5,
    IoError = 6,
    AccessDenied = 7,
    Link = 8, // a symbolic link, a junction or another reparse point: neither it nor its target is touched
};

struct Command {
    std::wstring path;       // the text between the brackets, unchanged
    int passes = 1;          // 2 with /two
    bool silent = false;     // /silent: no output at all
    bool help = false;       // /? : show the usage, wipe nothing
    std::wstring usageError; // empty when the line is well formed
};

// The command line after the program's own name, as the callers write it:
//   [C:\dir\file name.tmp] /two /silent
// The path runs from the first "[" to the last "]", so it may hold blanks, "[" and "]".
// Outside the brackets only the options /two, /silent and /? (any case) may stand, each
// separated by blanks; anything else, or a missing, empty or unbalanced bracket, is a usage
// error. /silent counts even on a malformed line, so a hidden caller is never shown text.
Command parseArguments(std::wstring_view tail);

// What follows the program's own name in a full command line: the name ends at its closing
// double quote when it starts with one, else at the first blank or tab.
std::wstring_view argumentsOf(std::wstring_view commandLine);

// The lines shown for /? and after a usage error.
std::wstring usageText();

} // namespace scorch
