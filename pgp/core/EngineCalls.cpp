// The engine's command lines.
#include "pgp/core/EngineCalls.h"

namespace pgp {

namespace {

std::wstring widened(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

} // namespace

std::vector<std::wstring> baseArguments(const std::wstring& home, std::uint64_t statusHandle,
                                        std::uint64_t passPhraseHandle) {
    // --no-options: an option file in the home (a message's output may land there) would be
    // obeyed, for example to encrypt every message to one more key as well.
    std::vector<std::wstring> a{L"--homedir",
                                home,
                                L"--no-options",
                                L"--batch",
                                L"--no-tty",
                                L"--no-greeting",
                                L"--no-permission-warning",
                                L"--no-autostart",
                                L"--pinentry-mode",
                                L"loopback",
                                L"--status-fd",
                                std::to_wstring(statusHandle),
                                L"--display-charset",
                                L"utf-8",
                                L"--no-auto-key-retrieve",
                                L"--auto-key-locate",
                                L"local",
                                L"--keyserver-options",
                                L"no-auto-key-retrieve"};
    if (passPhraseHandle) {
        a.push_back(L"--passphrase-fd");
        a.push_back(std::to_wstring(passPhraseHandle));
    }
    return a;
}

std::optional<std::wstring> engineQuery(const std::wstring& id) {
    if (id.size() >= 13 && id.compare(0, 3, L"[0x") == 0 && id.compare(11, 2, L"] ") == 0)
        return L"0x" + id.substr(3, 8);
    for (wchar_t ch : id)
        if (ch >= 0x80 || ch < 0x20) return std::nullopt;
    const bool keyId = id.size() > 2 && id[0] == L'0' && (id[1] == L'x' || id[1] == L'X');
    return keyId ? id : L"*" + id;
}

std::vector<std::wstring> listArguments(bool secret, bool keygrips) {
    std::vector<std::wstring> a{L"--with-colons", L"--fixed-list-mode", L"--with-fingerprint"};
    if (keygrips) a.push_back(L"--with-keygrip");
    a.push_back(secret ? L"--list-secret-keys" : L"--list-keys");
    return a;
}

std::vector<std::wstring> protectArguments(const Protection& p) {
    std::vector<std::wstring> a;
    if (p.armor) a.push_back(L"--armor");
    if (p.text) a.push_back(L"--textmode");
    if (!p.signer.empty()) {
        a.push_back(L"--local-user");
        a.push_back(widened(p.signer) + L"!"); // "!": exactly this key, not a subkey of the engine's choice
    }
    if (p.encrypt) {
        // The user has already confirmed every key that no trusted signature certifies.
        a.push_back(L"--trust-model");
        a.push_back(L"always");
        for (const auto& r : p.recipients) {
            a.push_back(L"--recipient");
            a.push_back(widened(r));
        }
    }
    if (!p.storedName.empty() && !(p.sign && p.detached)) {
        a.push_back(L"--set-filename");
        a.push_back(p.storedName);
    }
    if (p.conventional) {
        a.push_back(L"--symmetric");
    } else if (p.encrypt) {
        a.push_back(L"--encrypt");
        if (p.sign) a.push_back(L"--sign");
    } else if (p.detached) {
        a.push_back(L"--detach-sign");
    } else if (p.armor && p.text) {
        a.push_back(L"--clearsign");
    } else {
        a.push_back(L"--sign");
    }
    return a;
}

std::vector<std::wstring> decryptArguments(bool withoutIntegrityCheck) {
    if (withoutIntegrityCheck) return {L"--ignore-mdc-error", L"--decrypt"};
    return {L"--decrypt"};
}

std::vector<std::wstring> verifyDetachedArguments(std::uint64_t signedData) {
    return {L"--enable-special-filenames", L"--verify", L"-", L"-&" + std::to_wstring(signedData)};
}

std::vector<std::wstring> importArguments() {
    return {L"--import"};
}

std::vector<std::wstring> exportArguments(const std::string& fingerprint, bool armor) {
    std::vector<std::wstring> a;
    if (armor) a.push_back(L"--armor");
    a.push_back(L"--export");
    a.push_back(widened(fingerprint));
    return a;
}

std::vector<std::wstring> deleteArguments(const std::string& fingerprint, bool secret) {
    // The engine asks nothing in batch mode once --yes is given; pgp.exe has asked already.
    return {L"--yes", secret ? L"--delete-secret-and-public-key" : L"--delete-keys", widened(fingerprint)};
}

std::vector<std::wstring> generateArguments() {
    return {L"--generate-key"};
}

std::vector<std::wstring> showKeysArguments() {
    return {L"--with-colons", L"--fixed-list-mode", L"--with-fingerprint", L"--show-keys"};
}

std::vector<std::wstring> listSignatureArguments(bool check) {
    return {L"--with-colons", L"--fixed-list-mode", L"--with-fingerprint",
            check ? L"--check-signatures" : L"--list-signatures"};
}

std::vector<std::wstring> exportSecretArguments(const std::string& fingerprint, bool armor) {
    std::vector<std::wstring> a;
    if (armor) a.push_back(L"--armor");
    a.push_back(L"--export-secret-keys");
    a.push_back(widened(fingerprint));
    return a;
}

std::vector<std::wstring> certifyArguments(const std::string& target, const std::string& signer) {
    return {L"--local-user", widened(signer), L"--quick-sign-key", widened(target)};
}

std::vector<std::wstring> ownerTrustArguments() {
    return {L"--import-ownertrust"};
}

mw::SecretString ownerTrustLine(const std::string& fingerprint, int value) {
    mw::SecretString line(fingerprint);
    line += (":" + std::to_string(value) + ":\n").c_str();
    return line;
}

std::vector<std::wstring> addUserIdArguments(const std::string& fingerprint, const std::wstring& userId) {
    return {L"--quick-add-uid", widened(fingerprint), userId};
}

std::vector<std::wstring> primaryUserIdArguments(const std::string& fingerprint, const std::wstring& userId) {
    return {L"--quick-set-primary-uid", widened(fingerprint), userId};
}

std::vector<std::wstring> changePassPhraseArguments(const std::string& fingerprint) {
    // Without a pass phrase of its own the engine asks for each one on the command channel: first
    // the old, then the new one (once for the key and all its subkeys).
    return {L"--command-fd", L"0", L"--passwd", widened(fingerprint)};
}

mw::SecretString passPhraseChange(std::string_view oldPassPhrase, std::string_view newPassPhrase) {
    mw::SecretString text;
    text.append(oldPassPhrase.data(), oldPassPhrase.size());
    text += '\n';
    text.append(newPassPhrase.data(), newPassPhrase.size());
    text += '\n';
    return text;
}

std::vector<std::wstring> setExpiryArguments(const std::string& fingerprint, int days,
                                             const std::vector<std::string>& subkeys) {
    std::vector<std::wstring> a{L"--quick-set-expire", widened(fingerprint),
                                days == 0 ? L"never" : std::to_wstring(days) + L"d"};
    for (const std::string& subkey : subkeys)
        a.push_back(widened(subkey));
    return a;
}

std::vector<std::wstring> removeUserIdArguments(const std::string& fingerprint, int position, bool own) {
    return {L"--command-fd",
            L"0",
            L"--edit-key",
            widened(fingerprint),
            L"uid",
            std::to_wstring(position),
            own ? L"revuid" : L"deluid",
            L"save"};
}

mw::SecretString removeUserIdAnswers(bool own) {
    // Revoke it (y), reason 4 "user ID is no longer valid", an empty description, confirm (y);
    // delete it (y).
    return mw::SecretString(own ? "y\n4\n\ny\n" : "y\n");
}

std::vector<std::wstring> disableArguments(const std::string& fingerprint, bool disable) {
    return {L"--edit-key", widened(fingerprint), disable ? L"disable" : L"enable", L"save"};
}

std::vector<std::wstring> revocationArguments(const std::string& fingerprint) {
    // The engine makes revocations only when it may ask; its questions come on the command channel.
    return {L"--no-batch", L"--command-fd", L"0", L"--armor", L"--gen-revoke", widened(fingerprint)};
}

mw::SecretString revocationAnswers() {
    // Create it (y), reason 1 "key has been compromised" (PGP 2.6 made compromise certificates),
    // an empty description, confirm (y).
    return mw::SecretString("y\n1\n\ny\n");
}

mw::SecretString keyParameters(const std::string& userId, KeyKind kind, std::string_view passPhrase,
                               int expireDays) {
    mw::SecretString p;
    switch (kind) {
    case KeyKind::Curve25519:
        p += "Key-Type: eddsa\nKey-Curve: ed25519\nKey-Usage: sign,cert\n"
             "Subkey-Type: ecdh\nSubkey-Curve: cv25519\nSubkey-Usage: encrypt\n";
        break;
    case KeyKind::Rsa3072:
    case KeyKind::Rsa4096: {
        const char* bits = kind == KeyKind::Rsa3072 ? "3072" : "4096";
        p += "Key-Type: RSA\nKey-Length: ";
        p += bits;
        p += "\nKey-Usage: sign,cert\nSubkey-Type: RSA\nSubkey-Length: ";
        p += bits;
        p += "\nSubkey-Usage: encrypt\n";
        break;
    }
    }
    // The whole user ID as the name gives exactly the text typed, as PGP 2.6 took it.
    p += "Name-Real: ";
    p += userId;
    p += "\nExpire-Date: ";
    p += expireDays > 0 ? std::to_string(expireDays) + "d" : "0";
    p += "\n";
    if (passPhrase.empty()) {
        p += "%no-protection\n";
    } else {
        p += "Passphrase: ";
        p += passPhrase;
        p += "\n";
    }
    p += "%commit\n";
    return p;
}

} // namespace pgp
