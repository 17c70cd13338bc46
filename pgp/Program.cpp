// pgp.exe's operations: each finds its keys, asks what PGP 2.6 asks, lets the engine do the
// cryptography and reports in PGP's words.
#include "pgp/Program.h"
#include "pgp/Files.h"
#include "pgp/SignaturePackets.h"
#include "pgp/core/EngineCalls.h"
#include "pgp/core/KeyDecisions.h"
#include "pgp/core/Names.h"
#include "pgp/core/TextCheck.h"
#include "scorch/Win32Wipe.h"

namespace pgp {

using Handle = mw::UniqueHandle;

namespace {

std::wstring withoutExtensionOf(const std::wstring& name) {
    const auto dot = name.find_last_of(L'.');
    return dot == std::wstring::npos || dot == 0 ? name : name.substr(0, dot);
}

// Whether the rest of an open file may be treated as text. All of it is read: a file may begin
// as text and go on in binary (a PDF does), and a sample would miss that.
bool restIsText(HANDLE file) {
    mw::SecretString buffer(1u << 16, '\0');
    DWORD n = 0;
    while (ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr) && n > 0)
        if (!isTextData(std::string_view(buffer.data(), n))) return false;
    return true;
}

// Standard input as the data of -f, given to each run of the engine whole (a second run follows
// a pass phrase asked for). A disk file is read again from where it stood; anything else (a
// pipe, the console) can be read only once, so it is taken into memory first.
class FilterInput {
public:
    FilterInput() : in_(GetStdHandle(STD_INPUT_HANDLE)) {
        if (in_ == INVALID_HANDLE_VALUE) in_ = nullptr;
        LARGE_INTEGER here{};
        if (in_ && GetFileType(in_) == FILE_TYPE_DISK && SetFilePointerEx(in_, here, &start_, FILE_CURRENT)) {
            seekable_ = true;
            return;
        }
        mw::SecretString buffer(1u << 16, '\0');
        DWORD n = 0;
        while (in_ && ReadFile(in_, buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr) && n > 0)
            held_.append(buffer.data(), n);
    }
    // For the engine's run: the file, back where it started, or the text held.
    HANDLE handle() {
        if (!seekable_) return nullptr;
        SetFilePointerEx(in_, start_, nullptr, FILE_BEGIN);
        return in_;
    }
    const mw::SecretString* text() const { return seekable_ ? nullptr : &held_; }
    bool isText() {
        if (!seekable_) return isTextData(held_);
        HANDLE h = handle();
        const bool text = restIsText(h);
        handle();
        return text;
    }

private:
    HANDLE in_;
    bool seekable_ = false;
    LARGE_INTEGER start_{};
    mw::SecretString held_;
};

} // namespace

Program::Program(Command command, std::optional<SecretWideText> passPhrase, Console& console,
                 std::wstring engineFolder, std::wstring home)
    : c_(std::move(command)), given_(std::move(passPhrase)), con_(console),
      engine_(std::move(engineFolder), home), home_(std::move(home)) {}

ShownForm Program::shownForm() const {
    return [this](std::string_view utf8) { return con_.inCodePage(utf8); };
}

std::string Program::shownId(const Key& key) const {
    return key.userIds.empty() ? key.keyId : shownUserId(key, key.userIds[0].text, shownForm());
}

ExitStatus Program::engineMissing() {
    // A run that could not start it while its files are there says the system's reason.
    if (const DWORD error = engine_.startError(); error && engine_.present()) {
        con_.say(L"pgp: the engine could not be started: " + engine_.gpgPath() + L": " + systemReason(error));
        return ExitStatus::EngineMissing;
    }
    con_.say(L"pgp: the engine is missing: " + engine_.gpgPath());
    return ExitStatus::EngineMissing;
}

void Program::engineSays(const EngineResult& result) {
    std::size_t start = 0;
    const std::string& text = result.errors;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line.find("SetConsoleCP failed") != std::string::npos ||
            line.find("Garbled console data") != std::string::npos)
            continue;
        con_.sayUtf8("  engine: " + line);
    }
}

ExitStatus Program::passPhraseNeeded(const std::wstring& what) {
    con_.say(L"A pass phrase is needed " + what +
             L", and batch mode asks none: give it with -z, PGPPASS or PGPPASSFD.");
    return ExitStatus::NeedsAnswer;
}

void Program::inform(std::wstring_view line) {
    if (c_.verbose > 0) con_.say(line);
}

bool Program::mayAsk() {
    if (c_.batchMode) return false;
    if (con_.canAsk()) return true;
    if (!unanswered_)
        con_.say(L"pgp: no console to ask for an answer or a pass phrase: with -f standard input holds "
                 L"the data, and answers come only from the console.  Give the pass phrase with -z, "
                 L"PGPPASS or PGPPASSFD.");
    unanswered_ = true;
    return false;
}

ExitStatus Program::run() {
    if (!engine_.present()) return engineMissing();
    if (c_.filter) con_.answersFromConsoleOnly();
    ExitStatus status = ExitStatus::Ok;
    switch (c_.action) {
    case Action::Usage:
        con_.out(usageText());
        break;
    case Action::KeyView:
    case Action::KeyCheck:
        status = keyView();
        break;
    case Action::KeySign:
        status = keySign();
        break;
    case Action::KeyEdit:
        status = keyEdit();
        break;
    case Action::KeyDisable:
        status = keyDisable();
        break;
    case Action::KeyGenerate:
        status = keyGenerate();
        // Started from the programs' offer of a first key, its console would close on the result.
        con_.keepOwnWindowOpen();
        break;
    case Action::KeyAdd:
        status = keyAdd();
        break;
    case Action::KeyExtract:
        status = keyExtract();
        break;
    case Action::KeyRemove:
        status = keyRemove();
        break;
    case Action::Encrypt:
    case Action::Sign:
    case Action::Conventional:
        status = protect();
        break;
    case Action::Decrypt:
        status = decrypt();
        break;
    }
    // No pass phrase stays cached and no engine process outlives pgp.exe.
    engine_.endAgent();
    return status;
}

std::optional<std::vector<Key>> Program::listKeys(bool secret, bool signatures) {
    std::vector<std::wstring> arguments =
        signatures && !secret ? listSignatureArguments(false) : listArguments(secret);
    if (secret) {
        // Left to itself, the engine asks the agent about each key of the ring in turn, which
        // took a quarter of an hour for 10,000 keys; the agent names the keys it holds at once.
        // Beyond a few hundred the command line would grow too long: the engine's own way then.
        auto grips = engine_.secretKeygrips();
        if (grips && grips->empty()) return std::vector<Key>{};
        if (grips && grips->size() <= 400) {
            arguments.push_back(L"--");
            for (const std::string& grip : *grips)
                arguments.push_back(L"&" + fromUtf8(grip));
        }
    }
    EngineResult r = engine_.run({.arguments = arguments, .needsAgent = secret});
    if (!r.started) return std::nullopt;
    // A home without any key ring yet lists nothing and is no error.
    if (r.exitCode != 0 && r.captured.empty()) return std::vector<Key>{};
    return parseColonListing(r.captured);
}

std::optional<std::vector<Key>> Program::candidateKeys(const std::vector<std::wstring>& userIds, bool secret,
                                                       bool signatures) {
    std::vector<std::wstring> arguments =
        signatures && !secret ? listSignatureArguments(false) : listArguments(secret);
    arguments.push_back(L"--");
    for (const auto& id : userIds) {
        // A user ID as marked in a listing names its key by key ID.
        if (id.size() >= 13 && id.compare(0, 3, L"[0x") == 0 && id.compare(11, 2, L"] ") == 0) {
            arguments.push_back(L"0x" + id.substr(3, 8));
            continue;
        }
        // Beyond ASCII our case folding finds more than the engine's: list everything.
        for (wchar_t ch : id)
            if (ch >= 0x80 || ch < 0x20) return listKeys(secret, signatures);
        const bool keyId = id.size() > 2 && id[0] == L'0' && (id[1] == L'x' || id[1] == L'X');
        arguments.push_back(keyId ? id : L"*" + id);
    }
    EngineResult r = engine_.run({.arguments = arguments, .needsAgent = secret});
    if (!r.started) return std::nullopt;
    return parseColonListing(r.captured);
}

const Key* Program::chooseKey(const std::vector<Key>& keys, const std::wstring& userId, KeyUse use,
                              ExitStatus& failure) {
    KeyMatch m = findKey(keys, toUtf8(userId), use, shownForm());
    if (m.found()) return m.keys[0];
    failure = ExitStatus::NoSuchKey;
    if (m.keys.empty()) {
        con_.say(std::wstring(use == KeyUse::Sign ? L"Cannot find a secret key for signing matching "
                                                  : L"Key matching userid ") +
                 quoted(userId) +
                 (use == KeyUse::Sign ? L"." : L" not found in the key ring, or not usable."));
        return nullptr;
    }
    con_.say(L"More than one key matches " + quoted(userId) + L":");
    for (const Key* k : m.keys)
        con_.sayUtf8(describeKey(*k, shownForm()));
    con_.say(L"Give more of the user ID, or the key ID as 0x12345678.");
    return nullptr;
}

std::optional<mw::SecretString> Program::passPhraseFor(const std::wstring& prompt, bool twice) {
    if (given_ && !givenUsed_) {
        givenUsed_ = true;
        return secretToUtf8(*given_);
    }
    if (!mayAsk()) return std::nullopt;
    for (int attempt = 0; attempt < 3; ++attempt) {
        con_.say(prompt);
        SecretWideText first = con_.readHidden(L"Enter pass phrase: ");
        if (!twice) return secretToUtf8(first);
        SecretWideText again = con_.readHidden(L"Enter same pass phrase again: ");
        if (first == again) return secretToUtf8(first);
        con_.say(L"Error: Pass phrases were different.  Try again.");
    }
    return std::nullopt;
}

bool Program::isEngineFile(const std::wstring& path) const {
    const std::wstring full = longForm(fullPath(path));
    std::wstring home = longForm(fullPath(home_));
    if (!home.empty() && home.back() == L'\\') home.pop_back(); // a drive's root ends with one
    const std::size_t cut = full.find_last_of(L'\\');
    if (cut == std::wstring::npos) return false;
    if (_wcsicmp(full.substr(0, cut).c_str(), home.c_str()) == 0)
        return isEngineFileName(full.substr(cut + 1));
    // Anything in the folders of secret keys and revocations.
    if (full.size() <= home.size() + 1 || _wcsnicmp(full.c_str(), home.c_str(), home.size()) != 0 ||
        full[home.size()] != L'\\')
        return false;
    const std::wstring rest = full.substr(home.size() + 1);
    const std::size_t slash = rest.find(L'\\');
    return slash != std::wstring::npos && isEngineFolderName(rest.substr(0, slash));
}

ExitStatus Program::mayWrite(const std::wstring& path) {
    if (isEngineFile(path)) {
        con_.say(L"pgp: " + quoted(path) +
                 L" is one of the engine's own files in PGP's directory (its options, keys or trust); "
                 L"it is not written.");
        return ExitStatus::InvalidFile;
    }
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES || c_.force) return ExitStatus::Ok;
    if (c_.batchMode) {
        con_.say(L"Output file " + quoted(path) +
                 L" already exists; not replaced in batch mode (+force replaces it).");
        return ExitStatus::NeedsAnswer;
    }
    if (!mayAsk()) return ExitStatus::NeedsAnswer;
    return con_.confirm(L"Output file " + quoted(path) + L" already exists.  Overwrite (y/N)? ")
               ? ExitStatus::Ok
               : ExitStatus::Interrupted;
}

std::optional<Key> Program::signingKey(ExitStatus& failure) {
    const bool named = c_.signer && !c_.signer->empty();
    auto secrets = named ? candidateKeys({*c_.signer}, true) : listKeys(true);
    if (!secrets) {
        failure = engineMissing();
        return std::nullopt;
    }
    if (named) {
        const Key* key = chooseKey(*secrets, *c_.signer, KeyUse::Sign, failure);
        return key ? std::optional<Key>(*key) : std::nullopt;
    }
    for (const Key& k : *secrets)
        if (k.secret && k.canSign()) return k;
    con_.say(L"No secret key for signing in the key ring.");
    failure = ExitStatus::NoSuchKey;
    return std::nullopt;
}

ExitStatus Program::protect() {
    const bool encrypt = c_.action == Action::Encrypt, conventional = c_.action == Action::Conventional;
    const bool sign = c_.sign;
    std::wstring input;
    std::vector<std::wstring> recipients;
    if (!c_.filter) {
        input = c_.operands[0];
        recipients.assign(c_.operands.begin() + 1, c_.operands.end());
        if (!isFile(input)) {
            con_.say(L"File " + quoted(input) + L" does not exist.");
            return ExitStatus::FileNotFound;
        }
    } else {
        recipients = c_.operands;
    }
    Protection p;
    p.encrypt = encrypt;
    p.sign = sign;
    p.conventional = conventional;
    p.armor = c_.armor;
    p.text = c_.text;
    p.detached = c_.detached;
    // A file handed over by its short alias (as the file module does) is named by its long name,
    // in the message and in the output's name: the engine takes its arguments as UTF-8.
    const std::wstring named = input.empty() ? std::wstring() : listedName(input);
    p.storedName = named;
    std::optional<FilterInput> filterIn;
    if (c_.filter) filterIn.emplace();
    // The engine's text mode rewrites line ends: a binary file stays binary, whatever -t says.
    if (p.text) {
        Handle scan = c_.filter ? Handle() : openInput(input);
        if (c_.filter ? !filterIn->isText() : (scan && !restIsText(scan.get()))) {
            p.text = false;
            con_.say(c_.filter ? std::wstring(L"Note: standard input is not a text file; treated as binary.")
                               : L"Note: " + quoted(input) + L" is not a text file; treated as binary.");
        }
    }

    if (encrypt) {
        if (recipients.empty() && mayAsk()) {
            con_.say(L"A user ID is required to select the recipient's public key.");
            for (;;) {
                std::wstring who = con_.readLine(L"Enter the recipient's user ID (empty line ends): ");
                if (who.empty()) break;
                recipients.push_back(who);
            }
        }
        if (recipients.empty()) {
            con_.say(L"No recipient given; nothing encrypted.");
            return unanswered_ ? ExitStatus::NeedsAnswer : ExitStatus::NoSuchKey;
        }
        auto keys = candidateKeys(recipients, false);
        if (!keys) return engineMissing();
        for (const auto& who : recipients) {
            ExitStatus failure = ExitStatus::Ok;
            const Key* key = chooseKey(*keys, who, KeyUse::Encrypt, failure);
            if (!key) return failure;
            if (!key->certified()) {
                con_.sayUtf8(
                    "WARNING:  Because this public key is not certified with a trusted signature, it is "
                    "not known with high confidence that this public key actually belongs to: \"" +
                    shownId(*key) + "\".");
                if (c_.batchMode) {
                    con_.say(L"Not used in batch mode.");
                    return ExitStatus::NeedsAnswer;
                }
                if (!mayAsk()) return ExitStatus::NeedsAnswer;
                if (!con_.confirm(L"Are you sure you want to use this public key (y/N)? "))
                    return ExitStatus::Interrupted;
            }
            p.recipients.push_back(key->fingerprint);
        }
    }
    const std::wstring outName =
        c_.output ? *c_.output
                  : (c_.filter ? std::wstring() : protectedOutputName(named, c_.armor, c_.detached));
    if (ExitStatus refused = c_.filter ? ExitStatus::Ok : mayWrite(outName); refused != ExitStatus::Ok)
        return refused;
    std::optional<mw::SecretString> pass;
    std::wstring signerName;
    std::string signedAs;
    if (sign) {
        ExitStatus failure = ExitStatus::Ok;
        std::optional<Key> signer = signingKey(failure);
        if (!signer) return failure;
        p.signer = signer->fingerprint;
        signerName = fromUtf8(shownId(*signer));
        signedAs =
            "\"" + shownId(*signer) + "\" [0x" +
            (signer->keyId.size() > 8 ? signer->keyId.substr(signer->keyId.size() - 8) : signer->keyId) + "]";
        pass = passPhraseFor(L"You need a pass phrase to unlock your secret key.\r\nKey for user ID \"" +
                                 signerName + L"\"",
                             false);
        if (!pass && unanswered_) return ExitStatus::NeedsAnswer;
    } else if (conventional) {
        pass = passPhraseFor(L"You need a pass phrase to encrypt the file.", true);
        if (!pass) {
            if (c_.batchMode) return passPhraseNeeded(L"to encrypt with a pass phrase");
            con_.say(L"No pass phrase given; nothing encrypted.");
            return unanswered_ ? ExitStatus::NeedsAnswer : ExitStatus::ConventionalFailed;
        }
    }

    for (int attempt = 0;; ++attempt) {
        Handle in = c_.filter ? Handle() : openInput(input);
        if (!c_.filter && !in) {
            con_.say(L"Cannot read " + quoted(input) + L".");
            return ExitStatus::InvalidFile;
        }
        std::optional<OutputFile> out;
        if (!c_.filter) {
            out.emplace(outName);
            if (!out->handle()) {
                con_.say(L"Cannot write " + quoted(outName) + L".");
                return ExitStatus::InvalidFile;
            }
        }
        EngineResult r = engine_.run({.arguments = protectArguments(p),
                                      .input = c_.filter ? filterIn->handle() : in.get(),
                                      .inputText = c_.filter ? filterIn->text() : nullptr,
                                      .output = c_.filter ? GetStdHandle(STD_OUTPUT_HANDLE) : out->handle(),
                                      .passPhrase = pass ? &*pass : nullptr,
                                      .needsAgent = sign || conventional});
        if (!r.started) return engineMissing();
        if (c_.verbose >= 2) engineSays(r);
        if (r.outputFailed) {
            con_.say(L"Cannot write to standard output; the output is incomplete.");
            return ExitStatus::InvalidFile;
        }
        if (r.failed() && !pass && c_.batchMode && (r.report.missingPassPhrase || r.report.neededPassPhrase))
            return passPhraseNeeded(L"to unlock the secret key of \"" + signerName + L"\"");
        Verdict v = judgeProtection(r.report, r.failed(), sign, encrypt, conventional);
        if (v.status == ExitStatus::Ok) {
            if (out && !out->commit(outName)) {
                con_.say(L"Cannot write " + quoted(outName) + L".");
                return ExitStatus::InvalidFile;
            }
            break;
        }
        for (const auto& line : v.lines)
            con_.sayUtf8(line);
        if (v.lines.size() == 1 && v.lines[0].rfind("Error: ", 0) == 0 &&
            v.lines[0].find("failed") != std::string::npos)
            engineSays(r);
        // PGP 2.6 asks again after a wrong pass phrase.
        if (!(sign && r.report.badPassPhrase) || c_.batchMode || attempt >= 2) return v.status;
        pass = passPhraseFor(L"Key for user ID \"" + signerName + L"\"", false);
        if (!pass) return v.status;
    }
    if (encrypt)
        summary_ = "Encrypted for " + std::to_string(p.recipients.size()) +
                   (p.recipients.size() == 1 ? " key" : " keys") +
                   (sign ? " and signed as " + signedAs : "") + ".";
    else if (sign)
        summary_ = std::string(c_.detached                             ? "Detached signature made as "
                               : (c_.armor && p.text && !conventional) ? "Clear-signed as "
                                                                       : "Signed as ") +
                   signedAs + ".";
    else
        summary_ = "Encrypted with a pass phrase.";
    if (!c_.filter) {
        const wchar_t* what = c_.detached                                ? L"Signature file: "
                              : (sign && !encrypt && c_.armor && p.text) ? L"Clear signature file: "
                              : c_.armor                                 ? L"Transport armor file: "
                                                                         : L"Ciphertext file: ";
        inform(what + outName);
        if (c_.wipe) {
            scorch::Outcome wiped = scorch::wipeFile(input, 1);
            if (wiped)
                con_.say(L"File " + quoted(input) + L" wiped and deleted.");
            else
                con_.say(L"Could not wipe " + quoted(input) + L": " + wiped.reason);
        }
    }
    return ExitStatus::Ok;
}

ExitStatus Program::decrypt() {
    const std::wstring input = c_.filter ? std::wstring() : c_.operands[0];
    if (!c_.filter && !isFile(input)) {
        con_.say(L"File " + quoted(input) + L" does not exist.");
        return ExitStatus::FileNotFound;
    }
    // The message's first bytes: a file of keys is no message (PGP 2.6 offered to add them), and -d
    // tells a clear-signed text by them.
    std::string head;
    if (!c_.filter) {
        head.resize(4096);
        DWORD n = 0;
        Handle in = openInput(input);
        if (in && ReadFile(in.get(), head.data(), static_cast<DWORD>(head.size()), &n, nullptr))
            head.resize(n);
        else
            head.clear();
        if (looksLikeKeyFile(head)) return offerKeyFile(input);
    }
    std::wstring outName = c_.output   ? *c_.output
                           : c_.filter ? std::wstring()
                                       : plainOutputName(listedName(input));
    if (!c_.filter && outName.empty() && !c_.preserveName) {
        con_.say(L"Cannot name the output of " + quoted(input) +
                 L": it has no extension.  Give one with -o.");
        return ExitStatus::InvalidFile;
    }
    std::optional<mw::SecretString> pass;
    if (given_) pass = passPhraseFor(L"", false);
    std::optional<FilterInput> filterIn;
    if (c_.filter) filterIn.emplace();
    bool withoutIntegrityCheck = false;
    for (int attempt = 0;; ++attempt) {
        Handle in = c_.filter ? Handle() : openInput(input);
        if (!c_.filter && !in) {
            con_.say(L"Cannot read " + quoted(input) + L".");
            return ExitStatus::InvalidFile;
        }
        // The name is known only afterwards with -p; the temporary lies in the working directory.
        // With -m the plaintext stays in memory, for the screen only.
        std::optional<OutputFile> out;
        if (!c_.filter && !c_.showOnly) {
            out.emplace(outName.empty() ? std::wstring(L"x") : outName);
            if (!out->handle()) {
                con_.say(L"Cannot write " + quoted(outName) + L".");
                return ExitStatus::InvalidFile;
            }
        }
        EngineResult r = engine_.run({.arguments = decryptArguments(withoutIntegrityCheck),
                                      .input = c_.filter ? filterIn->handle() : in.get(),
                                      .inputText = c_.filter ? filterIn->text() : nullptr,
                                      .output = c_.filter     ? GetStdHandle(STD_OUTPUT_HANDLE)
                                                : c_.showOnly ? nullptr
                                                              : out->handle(),
                                      .passPhrase = pass ? &*pass : nullptr,
                                      .needsAgent = true});
        if (!r.started) return engineMissing();
        if (c_.verbose >= 2) engineSays(r);
        const EngineReport& rep = r.report;
        if (r.failed() && !rep.decryptionOkay && !pass && c_.batchMode &&
            (rep.neededPassPhrase || rep.missingPassPhrase))
            return passPhraseNeeded(rep.symmetric ? L"to decrypt this message"
                                                  : L"to unlock the secret key this message is encrypted to");
        // Asked for a pass phrase we did not have, or had wrong: ask the user, as PGP 2.6 does.
        if (r.failed() && !rep.decryptionOkay && !c_.batchMode && attempt < 3 &&
            ((rep.neededPassPhrase && !pass) || rep.badPassPhrase || rep.missingPassPhrase)) {
            if (pass)
                con_.say(rep.badPassPhrase ? L"Error:  Bad pass phrase." : L"Error: no pass phrase given.");
            std::wstring why = rep.symmetric ? L"You need a pass phrase to decrypt this file."
                                             : L"You need a pass phrase to unlock your secret key.";
            if (!rep.symmetric && !rep.passPhraseHint.empty())
                why += L"\r\nKey for user ID \"" +
                       fromUtf8(shownUserId(rep.passPhraseHintKeyId, rep.passPhraseHint, shownForm())) +
                       L"\"";
            pass = passPhraseFor(why, false);
            if (pass) continue;
            if (unanswered_) return ExitStatus::NeedsAnswer;
        }
        // Messages of PGP 2's time carry no integrity check, and the engine refuses every such
        // message. Read again, allowing it, only one whose cipher is of that time; the verdict
        // warns. A modern cipher without the check is refused: only a forger makes that.
        if (!withoutIntegrityCheck && rep.refusedForNoIntegrity() && rep.legacyCipher()) {
            withoutIntegrityCheck = true;
            continue;
        }
        if (withoutIntegrityCheck && rep.integrityProtected) {
            // Changed between the two readings: the allowance must not pass a failed check.
            con_.say(L"Error: decryption failed; the message is damaged or was altered.");
            return ExitStatus::DecryptionFailed;
        }
        // A signature and no data: a detached signature, which the engine checked against nothing.
        if (rep.detachedSignature()) {
            if (c_.filter) {
                con_.say(L"Standard input holds a detached signature; check it with:  pgp SIGNATUREFILE "
                         L"SIGNEDFILE");
                return ExitStatus::InvalidFile;
            }
            return checkDetached(input);
        }
        if (c_.operands.size() > 1)
            con_.say(L"Note: " + quoted(input) + L" is not a detached signature; " + quoted(c_.operands[1]) +
                     L" is not used.");
        Verdict v = judgeDecryption(rep, r.failed(), toUtf8(bareName(input)), shownForm());
        for (const auto& line : v.lines)
            con_.sayUtf8(line);
        if (r.outputFailed) {
            con_.say(L"Cannot write to standard output; the output is incomplete.");
            return ExitStatus::InvalidFile;
        }
        if (v.status != ExitStatus::Ok && !v.keepPlaintext) return v.status;
        summary_ = v.summary;
        if (c_.filter) return v.status;
        if (c_.showOnly) return show(r.captured, v.status);
        if (c_.preserveName) {
            std::wstring stored = rep.storedName ? textOfBytes(*rep.storedName) : std::wstring();
            std::wstring safe = safeStoredName(stored);
            if (safe.empty()) {
                if (!stored.empty())
                    con_.sayUtf8("The name in the message, '" + escapedText(toUtf8(stored)) +
                                 "', is not used.");
                safe = plainOutputName(listedName(input));
                if (safe.empty()) safe = listedName(input) + L".out";
            }
            outName = safe;
        }
        if (ExitStatus refused = mayWrite(outName); refused != ExitStatus::Ok) return refused;
        if (!out->commit(outName)) {
            con_.say(L"Cannot write " + quoted(outName) + L".");
            return ExitStatus::InvalidFile;
        }
        inform(L"Plaintext filename: " + outName);
        summary_ = v.summary;
        if (c_.keepSignature)
            if (ExitStatus kept =
                    keepSignature(input, head, pass ? &*pass : nullptr, withoutIntegrityCheck, outName, rep);
                kept != ExitStatus::Ok)
                return kept;
        return v.status;
    }
}

ExitStatus Program::show(const std::string& plaintext, ExitStatus status) {
    if (!isTextData(plaintext)) {
        con_.say(L"The plaintext is not text; it is not shown.  Decrypt it to a file instead.");
        return ExitStatus::InvalidFile;
    }
    const std::wstring text = textOfBytes(plaintext);
    con_.say(L"Plaintext message follows...\r\n------------------------------");
    con_.out(text);
    if (!text.empty() && text.back() != L'\n') con_.out(L"\r\n");
    con_.say(L"------------------------------\r\nThe plaintext was shown only; no file was written.");
    return status;
}

ExitStatus Program::checkDetached(const std::wstring& signature) {
    std::wstring signedFile;
    if (c_.operands.size() > 1) {
        signedFile = c_.operands[1];
    } else {
        con_.say(L"File " + quoted(signature) + L" has signature, but with no text.");
        std::vector<std::wstring> names;
        const std::wstring folder = directoryOf(signature);
        const std::wstring pattern =
            (folder == L"." ? std::wstring() : folder) + withoutExtensionOf(bareName(signature)) + L"*";
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(pattern.c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
            while (FindNextFileW(search, &found));
            FindClose(search);
        }
        const std::wstring bare = signedFileFor(signature, names);
        if (!bare.empty()) {
            signedFile = (folder == L"." ? std::wstring() : folder) + bare;
            con_.say(L"Text is assumed to be in file " + quoted(signedFile) + L".");
        } else if (mayAsk()) {
            signedFile = con_.readLine(L"Please enter filename of material that signature applies to: ");
        }
        if (signedFile.empty()) {
            con_.say(L"No file to check the signature against; give it after the signature:  pgp " +
                     signature + L" SIGNEDFILE");
            return unanswered_ ? ExitStatus::NeedsAnswer : ExitStatus::FileNotFound;
        }
    }
    if (!isFile(signedFile)) {
        con_.say(L"File " + quoted(signedFile) + L" does not exist.");
        return ExitStatus::FileNotFound;
    }
    // The signed data reaches the engine as an open handle it inherits, never by its name.
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    Handle data(CreateFileW(signedFile.c_str(), GENERIC_READ, FILE_SHARE_READ, &inheritable, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    Handle sig = openInput(signature);
    if (!data || !sig) {
        con_.say(L"Cannot read " + quoted(!data ? signedFile : signature) + L".");
        return ExitStatus::InvalidFile;
    }
    EngineResult r =
        engine_.run({.arguments = verifyDetachedArguments(reinterpret_cast<std::uintptr_t>(data.get())),
                     .input = sig.get(),
                     .inherited = {data.get()}});
    if (!r.started) return engineMissing();
    Verdict v = judgeDecryption(r.report, r.failed(), toUtf8(bareName(signature)), shownForm());
    for (const auto& line : v.lines)
        con_.sayUtf8(line);
    // Only the engine's word that the signature is good makes it so.
    if (v.status == ExitStatus::Ok && !r.report.goodSignature && !r.report.expiredKeySignature) {
        con_.say(L"Error: the signature could not be checked.");
        engineSays(r);
        return ExitStatus::BadSignature;
    }
    summary_ = v.summary;
    return v.status;
}

ExitStatus Program::keepSignature(const std::wstring& input, const std::string& head,
                                  const mw::SecretString* pass, bool withoutIntegrityCheck,
                                  const std::wstring& plainName, const EngineReport& report) {
    if (!report.signatureSeen) {
        con_.say(L"The message is not signed; there is no signature to keep.");
        return ExitStatus::Ok;
    }
    const std::wstring folder = directoryOf(plainName);
    std::wstring sigName =
        (folder == L"." ? std::wstring() : folder) + protectedOutputName(plainName, false, true);
    if (CompareStringOrdinal(sigName.c_str(), -1, plainName.c_str(), -1, TRUE) == CSTR_EQUAL)
        sigName += L".sig";
    auto cannot = [&](const std::wstring& why) {
        con_.say(L"The signature could not be kept: " + why + L".");
        return ExitStatus::InvalidFile;
    };

    // A clear signature covers the text without its last line end, which the plaintext has: taken
    // apart, it would not fit the file written. The message itself keeps both.
    if (!report.encryptedDataSeen && head.find("-----BEGIN PGP SIGNED MESSAGE-----") != std::string::npos) {
        con_.say(L"A clear-signed message keeps its signature with its text; keep " + quoted(input) +
                 L" itself.  No separate signature was written.");
        return ExitStatus::Ok;
    }
    std::string signature;
    {
        // The message's packets, without the armour and the encryption: the signature among them.
        Handle in = openInput(input);
        if (!in) return cannot(L"cannot read " + quoted(input));
        std::vector<std::wstring> arguments;
        if (report.encryptedDataSeen && withoutIntegrityCheck) arguments.push_back(L"--ignore-mdc-error");
        arguments.push_back(report.encryptedDataSeen ? L"--unwrap" : L"--dearmor");
        EngineResult r = engine_.run({.arguments = arguments,
                                      .input = in.get(),
                                      .passPhrase = report.encryptedDataSeen ? pass : nullptr,
                                      .needsAgent = report.encryptedDataSeen});
        if (!r.started) return engineMissing();
        SignaturePackets packets;
        packets.feed(r.captured.data(), r.captured.size());
        const bool read = !r.failed() && packets.finish();
        // What came holds the plaintext.
        SecureZeroMemory(r.captured.data(), r.captured.size());
        if (!read)
            return cannot(packets.problem().empty() ? L"the engine could not read the message again"
                                                    : packets.problem());
        signature = packets.signatures();
        if (signature.empty()) return cannot(L"no signature packet was found in the message");
    }

    if (ExitStatus refused = mayWrite(sigName); refused != ExitStatus::Ok) return refused;
    OutputFile out(sigName);
    DWORD written = 0;
    if (!out.handle() ||
        !WriteFile(out.handle(), signature.data(), static_cast<DWORD>(signature.size()), &written, nullptr) ||
        written != signature.size() || !out.commit(sigName))
        return cannot(L"cannot write " + quoted(sigName));
    con_.say(L"Signature kept in file " + quoted(sigName) + L".");
    return ExitStatus::Ok;
}

} // namespace pgp
