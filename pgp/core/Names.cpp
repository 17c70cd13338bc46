// Output naming.
#include "pgp/core/Names.h"
#include <array>

namespace pgp {

namespace {

std::wstring upper(std::wstring_view text) {
    std::wstring out(text);
    for (wchar_t& c : out)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
    return out;
}

bool isDeviceName(std::wstring_view name) {
    // The device is named by what precedes the first dot, blanks at its end ignored.
    std::wstring base = upper(name.substr(0, name.find(L'.')));
    while (!base.empty() && base.back() == L' ')
        base.pop_back();
    static const std::array<const wchar_t*, 7> fixed = {L"CON",    L"PRN",     L"AUX",   L"NUL",
                                                        L"CONIN$", L"CONOUT$", L"CLOCK$"};
    for (const wchar_t* device : fixed)
        if (base == device) return true;
    if (base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0)) {
        wchar_t digit = base[3];
        // Windows also takes the superscript digits 1, 2 and 3.
        return (digit >= L'0' && digit <= L'9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    }
    return false;
}

bool isBidiControl(wchar_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

std::wstring lower(std::wstring_view text) {
    std::wstring out(text);
    for (wchar_t& c : out)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
    return out;
}

// The name as the file system takes it: up to a stream suffix, without trailing dots and blanks.
std::wstring fileSystemName(std::wstring_view bare) {
    std::wstring name = lower(bare.substr(0, bare.find(L':')));
    while (!name.empty() && (name.back() == L'.' || name.back() == L' '))
        name.pop_back();
    return name;
}

} // namespace

std::wstring bareName(std::wstring_view path) {
    auto cut = path.find_last_of(L"\\/:");
    return std::wstring(cut == std::wstring_view::npos ? path : path.substr(cut + 1));
}

static std::wstring withoutExtension(const std::wstring& name) {
    auto dot = name.find_last_of(L'.');
    return dot == std::wstring::npos || dot == 0 ? name : name.substr(0, dot);
}

std::wstring protectedOutputName(std::wstring_view input, bool armor, bool detached) {
    return withoutExtension(bareName(input)) + (armor ? L".asc" : detached ? L".sig" : L".pgp");
}

std::wstring plainOutputName(std::wstring_view input) {
    std::wstring name = bareName(input);
    std::wstring stem = withoutExtension(name);
    return stem == name ? std::wstring() : stem;
}

std::wstring signedFileFor(std::wstring_view signature, const std::vector<std::wstring>& namesInFolder) {
    const std::wstring own = lower(bareName(signature)), stem = withoutExtension(own);
    if (stem == own) return {};
    std::vector<std::wstring> others, signatures;
    for (const std::wstring& name : namesInFolder) {
        const std::wstring n = lower(name);
        if (n == stem) return name;
        if (n == own || n.size() <= stem.size() + 1 || n.compare(0, stem.size(), stem) != 0 ||
            n[stem.size()] != L'.')
            continue;
        const std::wstring extension = n.substr(n.find_last_of(L'.'));
        const bool signatureLike =
            extension == L".asc" || extension == L".sig" || extension == L".pgp" || extension == L".gpg";
        (signatureLike ? signatures : others).push_back(name);
    }
    if (others.size() == 1) return others[0];
    if (others.empty() && signatures.size() == 1) return signatures[0];
    return {};
}

std::wstring safeStoredName(std::wstring_view stored) {
    std::wstring name = bareName(stored);
    while (!name.empty() && (name.back() == L'.' || name.back() == L' '))
        name.pop_back();
    if (name.empty()) return {};
    for (wchar_t c : name)
        if (c < 0x20 || c == 0x7F || isBidiControl(c) ||
            std::wstring_view(L"<>\"|?*").find(c) != std::wstring_view::npos)
            return {};
    if (isDeviceName(name)) return {};
    return name;
}

bool isEngineFileName(std::wstring_view bare) {
    const std::wstring name = fileSystemName(bare);
    // config.txt is pgp.exe's own: a message that wrote it could switch on +force or +batchmode.
    static const std::array<const wchar_t*, 17> exact = {
        L"config.txt",    L"gpg.conf",     L"gpg-agent.conf", L"common.conf", L"dirmngr.conf", L"gpgsm.conf",
        L"scdaemon.conf", L"gpgconf.conf", L"pubring.kbx",    L"pubring.gpg", L"secring.gpg",  L"trustdb.gpg",
        L"pubring.pgp",   L"secring.pgp",  L"sshcontrol",     L"random_seed", L"tofu.db"};
    for (const wchar_t* n : exact)
        if (name == n) return true;
    // Versioned option files ("gpg.conf-2.2"), backups and locks of the rings, the agent's sockets.
    for (const wchar_t* prefix :
         {L"gpg.conf-", L"gpg-agent.conf-", L"pubring.kbx", L"pubring.gpg", L"secring.gpg", L"trustdb.gpg",
          L"s.gpg-agent", L"s.dirmngr", L"s.scdaemon", L"s.keyboxd", L".#lk"})
        if (name.rfind(prefix, 0) == 0) return true;
    return isEngineFolderName(name);
}

bool isEngineFolderName(std::wstring_view bare) {
    const std::wstring name = fileSystemName(bare);
    for (const wchar_t* folder : {L"private-keys-v1.d", L"openpgp-revocs.d", L"crls.d", L"public-keys.d"})
        if (name == folder) return true;
    return false;
}

} // namespace pgp
