// Code page conversion over the platform's two calls.
#include "core/CodePages.h"
#include <climits>

namespace mw {

CodePageFlags codePageFlags(unsigned /*codePage*/) {
    return {};
}

namespace {

template <class Wide>
bool decode(Platform& p, unsigned codePage, std::string_view bytes, Wide& wide) {
    const bool strict = codePageFlags(codePage).strictDecode;
    const int length = p.toUtf16(codePage, strict, bytes, nullptr, 0);
    if (length <= 0) return false;
    wide.resize(static_cast<std::size_t>(length));
    return p.toUtf16(codePage, strict, bytes, wide.data(), length) == length;
}

template <class Bytes>
bool encode(Platform& p, unsigned codePage, std::u16string_view wide, Bytes& bytes) {
    const CodePageFlags flags = codePageFlags(codePage);
    bool usedDefault = false;
    bool* report = flags.reportDefault ? &usedDefault : nullptr;
    const int length = p.fromUtf16(codePage, flags.noBestFit, wide, nullptr, 0, report);
    if (length <= 0 || usedDefault) return false;
    bytes.resize(static_cast<std::size_t>(length));
    return p.fromUtf16(codePage, flags.noBestFit, wide, bytes.data(), length, report) == length && !usedDefault;
}

template <class Bytes, class Wide>
std::optional<Bytes> convert(Platform& p, std::string_view text, unsigned from, unsigned to) {
    if (text.empty()) return Bytes();
    if (from == to) return Bytes(text); // the console reads exactly the bytes we write
    if (text.size() > INT_MAX) return std::nullopt;
    Wide wide;
    if (!decode(p, from, text, wide)) return std::nullopt;
    Bytes out;
    if (!encode(p, to, std::u16string_view(wide.data(), wide.size()), out)) return std::nullopt;
    return out;
}

} // namespace

std::optional<std::string> recode(Platform& platform, std::string_view text, unsigned from, unsigned to) {
    return convert<std::string, std::u16string>(platform, text, from, to);
}

std::optional<SecretString> recodeSecret(Platform& platform, std::string_view text, unsigned from,
                                         unsigned to) {
    return convert<SecretString, SecretWide>(platform, text, from, to);
}

// cmd.exe reads a batch file in the console's code page; our texts are in the ANSI one.
std::optional<SecretString> Platform::toConsoleCodePage(std::string_view text) {
    return recodeSecret(*this, text, ansiCodePage(), consoleCodePage());
}

std::optional<std::string> Platform::fromConsoleCodePage(std::string_view text) {
    return recode(*this, text, consoleCodePage(), ansiCodePage());
}

} // namespace mw
