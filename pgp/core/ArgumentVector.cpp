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
    const auto blank = [&](std::size_t k) {
        return k < line.size() && (line[k] == L' ' || line[k] == L'\t');
    };
    // The program name: to the closing quote, or to the first blank; no escapes.
    std::wstring program;
    if (i < line.size() && line[i] == L'"') {
        auto close = line.find(L'"', 1);
        program = std::wstring(
            line.substr(1, close == std::wstring_view::npos ? std::wstring_view::npos : close - 1));
        i = close == std::wstring_view::npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && !blank(i))
            program += line[i++];
    }
    out.push_back(program);
    while (blank(i))
        ++i;
    while (i < line.size()) {
        std::wstring arg;
        // Room for the whole line at once: a pass phrase is never left behind in a grown-out buffer.
        arg.reserve(line.size());
        // 1 inside quotes, 0 outside. A quote right after the closing one is a literal quote that
        // also ends the quoted part, as in the system's parser; so is every third of a longer run.
        int quotes = 0;
        std::size_t backslashes = 0;
        while (i < line.size() && !(quotes == 0 && blank(i))) {
            const wchar_t c = line[i++];
            if (c != L'"') {
                backslashes = c == L'\\' ? backslashes + 1 : 0;
                arg += c;
                continue;
            }
            // Backslashes count only before a quote: half of them stay; an odd one escapes it.
            arg.resize(arg.size() - backslashes / 2);
            if (backslashes % 2)
                arg.back() = L'"';
            else
                ++quotes;
            backslashes = 0;
            for (; i < line.size() && line[i] == L'"'; ++i)
                if (++quotes == 3) {
                    arg += L'"';
                    quotes = 0;
                }
            if (quotes == 2) quotes = 0;
        }
        out.push_back(std::move(arg));
        while (blank(i))
            ++i;
    }
    return out;
}

} // namespace pgp
