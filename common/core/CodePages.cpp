// Code page conversion over the platform's two calls.
#include "core/CodePages.h"
#include <climits>

namespace mw {

CodePageFlags codePageFlags(unsigned codePage) {
    // The system takes no flag at all for UTF-7, the Symbol code page, the ISO-2022 and HZ
    // encodings and ISCII. UTF-8 and GB18030 may be decoded strictly, but take no best-fit flag
    // and no default-character report.
    const bool noFlags = codePage == 65000 || codePage == 42 || (codePage >= 50220 && codePage <= 50229) ||
                         codePage == 52936 || (codePage >= 57002 && codePage <= 57011);
    if (noFlags) return {false, false, false};
    if (codePage == 65001 || codePage == 54936) return {true, false, false};
    return {};
}

namespace {

template <class Wide> bool decode(Platform& p, unsigned codePage, std::string_view bytes, Wide& wide) {
    const bool strict = codePageFlags(codePage).strictDecode;
    const int length = p.toUtf16(codePage, strict, bytes, nullptr, 0);
    if (length <= 0) return false;
    wide.resize(static_cast<std::size_t>(length));
    return p.toUtf16(codePage, strict, bytes, wide.data(), length) == length;
}

template <class Bytes> bool encode(Platform& p, unsigned codePage, std::u16string_view wide, Bytes& bytes) {
    const CodePageFlags flags = codePageFlags(codePage);
    bool usedDefault = false;
    bool* report = flags.reportDefault ? &usedDefault : nullptr;
    const int length = p.fromUtf16(codePage, flags.noBestFit, wide, nullptr, 0, report);
    if (length <= 0 || usedDefault) return false;
    bytes.resize(static_cast<std::size_t>(length));
    return p.fromUtf16(codePage, flags.noBestFit, wide, bytes.data(), length, report) == length &&
           !usedDefault;
}

// Code pages in which the bytes 0x00-0x7F are ASCII and nothing else: the single- and double-byte
// code pages of Windows and DOS, ISO 8859, KOI8 and UTF-8. Not UTF-7, ISO-2022, HZ or EBCDIC.
bool asciiAsItself(unsigned cp) {
    return (cp >= 437 && cp <= 874) || cp == 932 || cp == 936 || cp == 949 || cp == 950 ||
           (cp >= 1250 && cp <= 1258) || cp == 20866 || cp == 21866 || (cp >= 28591 && cp <= 28605) ||
           cp == 65001;
}

bool isAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

template <class Bytes, class Wide>
std::optional<Bytes> convert(Platform& p, std::string_view text, unsigned from, unsigned to) {
    if (text.empty()) return Bytes();
    if (text.size() > INT_MAX) return std::nullopt;
    // The console reads exactly the bytes we write; and most text (paths, options, the user IDs
    // of most key rings) is ASCII, which needs no call.
    if (from == to || (asciiAsItself(from) && asciiAsItself(to) && isAscii(text))) return Bytes(text);
    Wide wide;
    if (!decode(p, from, text, wide)) return std::nullopt;
    Bytes out;
    if (!encode(p, to, std::u16string_view(wide.data(), wide.size()), out)) return std::nullopt;
    // Where a code page takes no flags, a look-alike or "?" may have stood in for a character, and
    // bytes that are no text may have been read as something: only the text coming back unchanged
    // shows that nothing was lost.
    Wide backWide;
    Bytes back;
    if (!decode(p, to, std::string_view(out.data(), out.size()), backWide) ||
        !encode(p, from, std::u16string_view(backWide.data(), backWide.size()), back) ||
        std::string_view(back.data(), back.size()) != text)
        return std::nullopt;
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

std::optional<SecretString> encodeSecret(Platform& platform, std::u16string_view wide, unsigned to) {
    SecretString out;
    if (wide.empty()) return out;
    if (wide.size() > INT_MAX || !encode(platform, to, wide, out)) return std::nullopt;
    // As in convert: where the code page takes no flags, only the way back shows a loss.
    SecretWide back;
    if (!decode(platform, to, std::string_view(out.data(), out.size()), back) ||
        std::u16string_view(back.data(), back.size()) != wide)
        return std::nullopt;
    return out;
}

// cmd.exe reads a batch file in the console's code page; our texts are in the ANSI one.
std::optional<SecretString> Platform::toConsoleCodePage(std::string_view text) {
    return recodeSecret(*this, text, ansiCodePage(), consoleCodePage());
}

std::optional<std::string> Platform::fromConsoleCodePage(std::string_view text) {
    return recode(*this, text, consoleCodePage(), ansiCodePage());
}

} // namespace mw
