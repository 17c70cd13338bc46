// Parses the wipe tool's command line.
#include "scorch/ScorchCommand.h"
#include <vector>

namespace scorch {

namespace {

bool isBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

std::wstring lower(std::wstring_view s) {
    std::wstring out(s);
    for (auto& c : out)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return out;
}

std::vector<std::wstring_view> words(std::wstring_view s) {
    std::vector<std::wstring_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && isBlank(s[i]))
            ++i;
        std::size_t start = i;
        while (i < s.size() && !isBlank(s[i]))
            ++i;
        if (i > start) out.push_back(s.substr(start, i - start));
    }
    return out;
}

// Applies the option words; returns the first word that is not an option, or empty.
std::wstring applyOptions(std::wstring_view text, Command& c) {
    std::wstring unknown;
    for (auto w : words(text)) {
        std::wstring option = lower(w);
        if (option == L"/two")
            c.passes = 2;
        else if (option == L"/silent")
            c.silent = true;
        else if (option == L"/?")
            c.help = true;
        else if (unknown.empty())
            unknown = w;
    }
    return unknown;
}

} // namespace

Command parseArguments(std::wstring_view tail) {
    Command c;
    const auto open = tail.find(L'[');
    const auto close = tail.rfind(L']');
    std::wstring unknown;
    if (open == std::wstring_view::npos || close == std::wstring_view::npos || close < open) {
        // No file: only the options can be read, and /? alone is a valid line.
        unknown = applyOptions(tail, c);
        if (open != std::wstring_view::npos || close != std::wstring_view::npos)
            c.usageError = L"the file name's brackets are unbalanced";
        else if (!unknown.empty())
            c.usageError = L"unknown option " + unknown;
        else if (!c.help)
            c.usageError = L"no file given in square brackets";
        return c;
    }
    std::wstring_view before = tail.substr(0, open), rest = tail.substr(close + 1);
    // A batch line puts the bracketed name in double quotes when it holds "&" or another character
    // cmd would act on; cmd passes the quotes on.
    if (!before.empty() && before.back() == L'"' && !rest.empty() && rest.front() == L'"') {
        before.remove_suffix(1);
        rest.remove_prefix(1);
    }
    unknown = applyOptions(before, c);
    std::wstring after = applyOptions(rest, c);
    if (unknown.empty()) unknown = after;
    c.path = std::wstring(tail.substr(open + 1, close - open - 1));
    if (!unknown.empty())
        c.usageError = L"unknown option " + unknown;
    else if (c.path.empty())
        c.usageError = L"the square brackets hold no file name";
    return c;
}

std::wstring_view argumentsOf(std::wstring_view commandLine) {
    std::size_t i = 0;
    if (!commandLine.empty() && commandLine[0] == L'"') {
        auto end = commandLine.find(L'"', 1);
        i = end == std::wstring_view::npos ? commandLine.size() : end + 1;
    } else {
        while (i < commandLine.size() && !isBlank(commandLine[i]))
            ++i;
    }
    while (i < commandLine.size() && isBlank(commandLine[i]))
        ++i;
    return commandLine.substr(i);
}

std::wstring usageText() {
    return L"Overwrites a file, then removes it: scorch [file] [/two] [/silent]\r\n"
           L"  [file]   the file, in square brackets; blanks and brackets may stand inside\r\n"
           L"  /two     two passes: random bytes, then a fixed pattern (one random pass without)\r\n"
           L"  /silent  no output\r\n"
           L"Exit status: 0 wiped, 1 usage, 2 not found, 3 a directory, 4 read-only (left alone),\r\n"
           L"5 in use, 6 input/output error, 7 access denied, 8 a link or another reparse point\r\n"
           L"(left alone, and so is its target).\r\n";
}

} // namespace scorch
