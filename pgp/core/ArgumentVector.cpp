// Quoting for the Windows C runtime's argument parser.
#include "pgp/core/ArgumentVector.h"

namespace pgp {

std::wstring quoteArgument(std::wstring_view argument) {
    // The engine's C runtime would expand an unquoted * or ? into the names of files.
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"*?") == std::wstring_view::npos)
        return std::wstring(argument);
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count only before a quote: there they must be doubled, and the quote escaped.
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    out += L'"';
    return out;
}

std::wstring buildCommandLine(std::wstring_view program, const std::vector<std::wstring>& arguments) {
    std::wstring line = L"\"" + std::wstring(program) + L"\"";
    for (const auto& argument : arguments)
        line += L" " + quoteArgument(argument);
    return line;
}

std::vector<std::wstring> splitCommandLine(std::wstring_view line) {
    std::vector<std::wstring> out;
    std::size_t i = 0;
    // The program name: to the closing quote, or to the first blank; no escapes.
    std::wstring program;
    if (i < line.size() && line[i] == L'"') {
        auto close = line.find(L'"', 1);
        program = std::wstring(
            line.substr(1, close == std::wstring_view::npos ? std::wstring_view::npos : close - 1));
        i = close == std::wstring_view::npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && line[i] != L' ' && line[i] != L'\t')
            program += line[i++];
    }
    out.push_back(program);
    for (;;) {
        while (i < line.size() && (line[i] == L' ' || line[i] == L'\t'))
            ++i;
        if (i >= line.size()) break;
        std::wstring arg;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != L' ' && line[i] != L'\t'))) {
            std::size_t backslashes = 0;
            while (i < line.size() && line[i] == L'\\') {
                ++backslashes;
                ++i;
            }
            if (i < line.size() && line[i] == L'"') {
                arg.append(backslashes / 2, L'\\');
                if (backslashes % 2) {
                    arg += L'"';
                    ++i;
                } else if (quoted && i + 1 < line.size() && line[i + 1] == L'"') {
                    arg += L'"'; // "" inside quotes is one literal quote
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg.append(backslashes, L'\\');
                if (i < line.size() && (quoted || (line[i] != L' ' && line[i] != L'\t'))) arg += line[i++];
            }
        }
        out.push_back(arg);
    }
    return out;
}

} // namespace pgp
