// pgp.exe's key commands (-kv, -kvv, -kc, -kg, -ka, -kx, -kr, -ks, -ke, -kd, and a file of keys
// given to decrypt): PGP 2.6's questions and words, the engine's key ring.
#include "pgp/Files.h"
#include "pgp/Program.h"
#include "pgp/core/EngineCalls.h"
#include "pgp/core/KeyDecisions.h"
#include "pgp/core/Names.h"

namespace pgp {

using Handle = mw::UniqueHandle;

namespace {

bool hasControlCharacter(const std::wstring& text) {
    for (wchar_t ch : text)
        if (ch < 0x20 || ch == 0x7F) return true;
    return false;
}

bool isAscii(const std::wstring& text) {
    for (wchar_t ch : text)
        if (ch >= 0x80) return false;
    return true;
}

} // namespace

std::optional<std::wstring> Program::askLine(const std::wstring& prompt) {
    if (!mayAsk()) return std::nullopt;
    return con_.readLine(prompt);
}

std::optional<Key> Program::oneKey(const std::wstring& userId, KeyUse use, ExitStatus& failure) {
    auto keys = candidateKeys({userId}, false, true);
    if (!keys) {
        failure = engineMissing();
        return std::nullopt;
    }
    const Key* key = chooseKey(*keys, userId, use, failure);
    return key ? std::optional<Key>(*key) : std::nullopt;
}

bool Program::hasSecretKey(const Key& key) {
    auto secrets = candidateKeys({L"0x" + fromUtf8(key.fingerprint)}, true);
    if (!secrets) return false;
    for (const Key& s : *secrets)
        if (s.secret && s.fingerprint == key.fingerprint) return true;
    return false;
}

ExitStatus Program::judged(const EngineResult& r, const std::wstring& failure, ExitStatus status) {
    if (!r.started) return engineMissing();
    if (!r.failed()) return ExitStatus::Ok;
    con_.say(failure);
    engineSays(r);
    return status;
}

std::wstring Program::unlockPrompt(const Key& key) const {
    return L"You need a pass phrase to unlock your secret key.\r\nKey for user ID \"" +
           fromUtf8(shownId(key)) + L"\"";
}

std::optional<EngineResult> Program::withPassPhrase(EngineRun run, const Key& key) {
    const std::wstring prompt = unlockPrompt(key);
    if (!keyPass_) keyPass_ = passPhraseFor(prompt, false);
    for (int attempt = 0; keyPass_; ++attempt) {
        run.passPhrase = &*keyPass_;
        run.needsAgent = true;
        EngineResult r = engine_.run(run);
        if (!r.started || !r.report.badPassPhrase) return r;
        con_.say(L"Error:  Bad pass phrase.");
        keyPass_.reset();
        if (c_.batchMode || attempt >= 2) return r;
        keyPass_ = passPhraseFor(prompt, false);
    }
    con_.say(L"No pass phrase given; the secret key cannot be used.");
    return std::nullopt;
}

bool Program::ringExists() const {
    std::wstring ring = home_;
    if (!ring.empty() && ring.back() != L'\\') ring += L'\\';
    return isFile(ring + L"pubring.kbx");
}

ExitStatus Program::ringNotListed(const EngineResult& result) {
    con_.say(L"The key ring could not be listed.");
    engineSays(result);
    return ExitStatus::KeyViewFailed;
}

ExitStatus Program::keyListingForPrograms(const std::wstring& pattern) {
    std::vector<std::wstring> arguments =
        c_.signatures ? listSignatureArguments(false) : listArguments(false);
    if (pattern != L"*") {
        arguments.push_back(L"--");
        arguments.push_back(pattern);
    }
    EngineResult r = engine_.run({.arguments = arguments, .listing = true});
    if (!r.started) return engineMissing();
    // A home without a key ring lists nothing and is no error.
    if (r.exitCode != 0 && pattern == L"*" && ringExists()) return ringNotListed(r);
    auto secrets = listKeys(true);
    if (!secrets) return engineMissing();
    std::string text = r.exitCode != 0 && pattern == L"*" ? std::string() : std::move(r.captured);
    for (const Key& key : *secrets)
        text += "sec:u::::::::::::::\r\nfpr:::::::::" + key.fingerprint + ":\r\n";
    con_.outUtf8(text);
    return ExitStatus::Ok;
}

ExitStatus Program::keyView() {
    const std::wstring pattern = c_.operands.empty() ? L"*" : c_.operands[0];
    const std::wstring ring = c_.operands.size() > 1 ? c_.operands[1] : std::wstring();
    if (c_.action == Action::KeyView && ring.empty() && c_.settings.colons.value_or(false))
        return keyListingForPrograms(pattern);
    const bool check = c_.action == Action::KeyCheck;
    std::wstring ringName = ring;
    const std::wstring bare = bareName(ring);
    const bool secret = isSecretRingName(bare);
    std::optional<std::vector<Key>> keys;
    if (!secret && !ring.empty() && isFile(ring) && _wcsicmp(bare.c_str(), L"pubring.kbx") != 0 &&
        _wcsicmp(bare.c_str(), L"pubring.gpg") != 0) {
        // A key-ring file of its own: list what it holds, without adding it anywhere.
        Handle in = openInput(ring);
        EngineResult r = engine_.run({.arguments = showKeysArguments(), .input = in.get(), .listing = true});
        if (!r.started) return engineMissing();
        keys = parseColonListing(r.captured);
    } else if (check && !secret) {
        EngineResult r = engine_.run({.arguments = listSignatureArguments(true), .listing = true});
        if (!r.started) return engineMissing();
        keys = parseColonListing(r.captured);
        if (ring.empty()) ringName = home_;
    } else {
        EngineResult failure;
        keys = listKeys(secret, c_.signatures, &failure);
        if (keys && failure.exitCode != 0 && !secret && ringExists()) return ringNotListed(failure);
        if (ring.empty()) ringName = home_;
    }
    if (!keys) return engineMissing();
    std::wstring text;
    for (const std::string& line : formatKeyListing(*keys, toUtf8(pattern), toUtf8(ringName), c_.fingerprints,
                                                    shownForm(), c_.signatures))
        text += fromUtf8(line) + L"\r\n";
    con_.out(text);
    if (!check) return ExitStatus::Ok;
    int bad = 0;
    for (const Key& key : *keys)
        for (const UserId& id : key.userIds)
            for (const Signature& sig : id.signatures)
                bad += sig.check == '-' ? 1 : 0;
    if (bad == 0) return ExitStatus::Ok;
    con_.say(L"WARNING: " + std::to_wstring(bad) + L" bad signature(s) found; they certify nothing.");
    return ExitStatus::KeyCheckFailed;
}
ExitStatus Program::keyGenerate() {
    if (c_.batchMode) {
        con_.say(L"Key generation needs answers; it cannot run in batch mode.");
        return ExitStatus::NeedsAnswer;
    }
    if (!mayAsk()) return ExitStatus::NeedsAnswer;
    con_.say(L"Pick your key type:\r\n   1)  ed25519 for signing, cv25519 for encryption (recommended)\r\n"
             L"   2)  RSA, 3072 bits\r\n   3)  RSA, 4096 bits");
    std::wstring choice = con_.readLine(L"Choose 1, 2 or 3: ");
    KeyKind kind = choice == L"2"   ? KeyKind::Rsa3072
                   : choice == L"3" ? KeyKind::Rsa4096
                                    : KeyKind::Curve25519;
    con_.say(L"You need a user ID for your public key: your name, then your e-mail address in\r\n"
             L"angle brackets, like:  Jane Doe <jane@example.org>");
    std::wstring userId = con_.readLine(L"Enter a user ID for your public key: ");
    if (userId.empty()) {
        con_.say(L"No user ID given; no key generated.");
        return ExitStatus::KeyGenerationFailed;
    }
    for (wchar_t ch : userId)
        if (ch < 0x20 || ch == 0x7F) {
            con_.say(L"A user ID may not hold control characters.");
            return ExitStatus::KeyGenerationFailed;
        }
    auto pass = passPhraseFor(L"You need a pass phrase to protect your secret key.", true);
    if (!pass) return ExitStatus::KeyGenerationFailed;
    if (pass->find_first_of("\r\n") != std::string::npos) {
        con_.say(L"A pass phrase may not hold a line break.");
        return ExitStatus::KeyGenerationFailed;
    }
    mw::SecretString parameters =
        keyParameters(toUtf8(userId), kind, *pass, c_.settings.expireDays.value_or(0));
    con_.say(L"Key generation takes a moment...");
    // The engine asks for the new pass phrase again to bind the subkey: it comes through the pipe.
    EngineResult r = engine_.run({.arguments = generateArguments(),
                                  .inputText = &parameters,
                                  .passPhrase = &*pass,
                                  .needsAgent = true});
    if (!r.started) return engineMissing();
    if (r.failed() || !r.report.keyCreated) {
        con_.say(L"Key generation failed.");
        engineSays(r);
        return ExitStatus::KeyGenerationFailed;
    }
    con_.say(L"Key generation completed: key fingerprint " + fromUtf8(r.report.createdFingerprint) + L".");
    return ExitStatus::Ok;
}

ExitStatus Program::keyAdd() {
    return addKeys(c_.operands[0]);
}

ExitStatus Program::addKeys(const std::wstring& file) {
    if (!isFile(file)) {
        con_.say(L"Key file " + quoted(file) + L" does not exist.");
        return ExitStatus::FileNotFound;
    }
    Handle in = openInput(file);
    EngineResult r = engine_.run({.arguments = importArguments(), .input = in.get(), .needsAgent = true});
    if (!r.started) return engineMissing();
    const EngineReport& rep = r.report;
    for (const auto& problem : rep.importProblems)
        con_.sayUtf8(problem);
    if (rep.skippedVersion3)
        con_.say(std::to_wstring(rep.skippedVersion3) +
                 L" key(s) skipped: PGP 2 (version 3) keys, which the engine does not accept.");
    if (rep.notImported) con_.say(std::to_wstring(rep.notImported) + L" key(s) skipped: not readable.");
    con_.say(L"Keys added: " + std::to_wstring(rep.importedKeys) + L"; already present: " +
             std::to_wstring(rep.unchangedKeys) + L"; secret keys read: " +
             std::to_wstring(rep.secretKeysRead) + L".");
    if (rep.importedKeys + rep.unchangedKeys + rep.secretKeysRead == 0) {
        con_.say(L"No keys added from " + quoted(file) + L".");
        return ExitStatus::KeyAddFailed;
    }
    // A key nobody trusted certifies is used only after a question, and never in batch mode: so
    // PGP 2.6 offered to certify new keys at once (not in batch mode, where nothing is asked).
    if (c_.batchMode || rep.importedFingerprints.empty()) return ExitStatus::Ok;
    std::vector<std::wstring> ids;
    for (const std::string& fpr : rep.importedFingerprints)
        ids.push_back(L"0x" + fromUtf8(fpr));
    // Named one by one while the engine's command line holds them, else the whole ring listed.
    auto keys = ids.size() <= 400 ? candidateKeys(ids, false) : listKeys(false);
    if (!keys) return engineMissing();
    const std::vector<const Key*> offered = keysToCertify(*keys, rep.importedFingerprints);
    if (offered.empty()) return ExitStatus::Ok;
    // Only a user with a key that signs is asked; signingKey() would tell the others they have none.
    auto secrets = listKeys(true);
    bool canCertify = false;
    if (secrets)
        for (const Key& k : *secrets)
            canCertify = canCertify || (k.secret && k.canSign());
    if (!canCertify || !mayAsk()) return ExitStatus::Ok;
    if (!con_.confirm(L"\r\nOne or more of the new keys are not fully certified.\r\n"
                      L"Do you want to certify any of these keys yourself (y/N)? "))
        return ExitStatus::Ok;
    ExitStatus failure = ExitStatus::Ok;
    std::optional<Key> signer = signingKey(failure);
    if (!signer) return failure;
    for (const Key* key : offered) {
        con_.say(L"");
        for (const std::string& line : keyDetails(*key, shownForm()))
            con_.sayUtf8(line);
        if (!con_.confirm(L"Do you want to certify this key yourself (y/N)? ")) continue;
        if (ExitStatus s = certify(*key, *signer, false); s != ExitStatus::Ok) return s;
    }
    return ExitStatus::Ok;
}

ExitStatus Program::offerKeyFile(const std::wstring& file) {
    Handle in = openInput(file);
    EngineResult r = engine_.run({.arguments = showKeysArguments(), .input = in.get()});
    if (!r.started) return engineMissing();
    const std::vector<Key> keys = parseColonListing(r.captured);
    if (keys.empty()) {
        // PGP 2's own keys (version 3) look like keys but the engine reads none of them.
        con_.say(
            L"File " + quoted(file) +
            L" contains key(s), but none the engine can read: PGP 2 keys of version 3 are not accepted.");
        return ExitStatus::KeyAddFailed;
    }
    con_.say(L"File contains key(s).  Contents follow...");
    std::wstring text;
    for (const std::string& line : formatKeyListing(keys, "*", toUtf8(file), false, shownForm()))
        text += fromUtf8(line) + L"\r\n";
    con_.out(text);
    if (c_.batchMode) {
        con_.say(L"Keys not added in batch mode; add them with:  pgp -ka " + file);
        return ExitStatus::NeedsAnswer;
    }
    if (!mayAsk()) return ExitStatus::NeedsAnswer;
    if (!con_.confirm(L"Do you want to add this keyfile to keyring " + quoted(home_) + L" (y/N)? ")) {
        con_.say(L"Keys not added.");
        return ExitStatus::Interrupted;
    }
    return addKeys(file);
}

ExitStatus Program::certify(const Key& target, const Key& signer, bool ask) {
    if (target.signedBy(signer.keyId)) {
        con_.sayUtf8("Key is already signed by user '" + shownId(signer) + "'.");
        return ExitStatus::KeySignatureFailed;
    }
    if (ask) {
        for (const std::string& line : keyDetails(target, shownForm()))
            con_.sayUtf8(line);
        if (c_.batchMode) {
            con_.say(L"Certifying a key needs your answer; not certified in batch mode.");
            return ExitStatus::NeedsAnswer;
        }
        if (!mayAsk()) return ExitStatus::NeedsAnswer;
        if (!con_.confirm(L"\r\nREAD CAREFULLY:  Based on your own direct first-hand knowledge, are\r\n"
                          L"you absolutely certain that you are prepared to solemnly certify that\r\n"
                          L"the above public key actually belongs to the user specified by the\r\n"
                          L"above user ID (y/N)? ")) {
            con_.say(L"Key not certified.");
            return ExitStatus::Interrupted;
        }
    }
    auto r = withPassPhrase({.arguments = certifyArguments(target.fingerprint, signer.fingerprint)}, signer);
    if (!r) return c_.batchMode || unanswered_ ? ExitStatus::NeedsAnswer : ExitStatus::KeySignatureFailed;
    if (ExitStatus s = judged(*r, L"Key signature certificate failed.", ExitStatus::KeySignatureFailed);
        s != ExitStatus::Ok)
        return s;
    con_.say(L"Key signature certificate added.");
    return ExitStatus::Ok;
}

ExitStatus Program::keySign() {
    ExitStatus failure = ExitStatus::Ok;
    con_.say(L"Looking for key for user " + quoted(c_.operands[0]) + L":");
    std::optional<Key> target = oneKey(c_.operands[0], KeyUse::Any, failure);
    if (!target) return failure;
    if (target->unusable() != Key::Unusable::No) {
        con_.sayUtf8("Key for user ID \"" + shownId(*target) +
                     "\" is revoked, expired or disabled; it is not certified.");
        return ExitStatus::KeySignatureFailed;
    }
    std::optional<Key> signer = signingKey(failure);
    if (!signer) return failure;
    return certify(*target, *signer, true);
}

std::wstring Program::extractFileName() {
    std::wstring file = c_.output ? *c_.output : c_.operands.size() > 1 ? c_.operands[1] : std::wstring();
    if (file.empty()) {
        auto asked = c_.batchMode ? std::nullopt : askLine(L"Extract the above key into which file? ");
        if (!asked || asked->empty()) return {};
        file = *asked;
    }
    return keyFileName(file, c_.armor);
}

ExitStatus Program::keyExtract() {
    const bool batch = c_.batchMode;
    std::wstring userId = c_.operands.empty() ? std::wstring() : c_.operands[0];
    if (userId.empty()) {
        con_.say(L"A user ID is required to select the key you want to extract.");
        auto asked = batch ? std::nullopt : askLine(L"Enter the key's user ID: ");
        if (!asked || asked->empty()) {
            con_.say(L"No user ID given; nothing extracted.");
            return batch || unanswered_ ? ExitStatus::NeedsAnswer : ExitStatus::NoSuchKey;
        }
        userId = *asked;
    }
    const std::wstring ring = c_.operands.size() > 2 ? c_.operands[2] : std::wstring();
    const bool secret = isSecretRingName(bareName(ring));
    auto keys = candidateKeys({userId}, secret);
    if (!keys) return engineMissing();
    ExitStatus failure = ExitStatus::Ok;
    const Key* key = chooseKey(*keys, userId, secret ? KeyUse::Secret : KeyUse::Any, failure);
    if (!key) return failure;
    con_.say(L"Extracting from key ring: " + quoted(ring.empty() ? home_ : ring) + L", userid \"" + userId +
             L"\".");
    for (const std::string& line : keyDetails(*key, shownForm()))
        con_.sayUtf8(line);
    const std::wstring file = extractFileName();
    if (file.empty()) {
        con_.say(L"No file name given; nothing extracted.");
        return batch || unanswered_ ? ExitStatus::NeedsAnswer : ExitStatus::KeyExtractFailed;
    }
    if (ExitStatus refused = mayWrite(file); refused != ExitStatus::Ok) return refused;
    if (secret)
        con_.say(L"This writes your SECRET key, protected by its pass phrase, to " + quoted(file) +
                 L": whoever has that file and learns the pass phrase can sign and decrypt as you.  Keep it "
                 L"safe.");
    OutputFile out(file);
    if (!out.handle()) return cannotWrite(file);
    std::optional<EngineResult> r;
    if (secret) {
        // The engine asks for the pass phrase to hand the key out.
        r = withPassPhrase(
            {.arguments = exportSecretArguments(key->fingerprint, c_.armor), .output = out.handle()}, *key);
        if (!r) return batch || unanswered_ ? ExitStatus::NeedsAnswer : ExitStatus::KeyExtractFailed;
    } else {
        r = engine_.run({.arguments = exportArguments(key->fingerprint, c_.armor), .output = out.handle()});
    }
    if (!r->started) return engineMissing();
    if (r->failed() || r->report.badPassPhrase || !out.commit(file)) {
        con_.say(L"Key extraction failed.");
        engineSays(*r);
        return ExitStatus::KeyExtractFailed;
    }
    con_.say(std::wstring(secret ? L"Secret key" : L"Key") + L" extracted to file " + quoted(file) + L".");
    return ExitStatus::Ok;
}

ExitStatus Program::keyRemove() {
    const std::wstring& userId = c_.operands[0];
    auto keys = candidateKeys({userId}, false);
    if (!keys) return engineMissing();
    ExitStatus failure = ExitStatus::Ok;
    const Key* key = chooseKey(*keys, userId, KeyUse::Any, failure);
    if (!key) return failure;
    const bool hasSecret = hasSecretKey(*key);
    for (const std::string& line : keyDetails(*key, shownForm()))
        con_.sayUtf8(line);
    if (c_.batchMode) {
        con_.say(L"Removing a key needs your answer; nothing removed in batch mode.");
        return ExitStatus::NeedsAnswer;
    }
    if (!mayAsk()) return ExitStatus::NeedsAnswer;
    if (!removableUserIds(*key).empty() &&
        !con_.confirm(L"\r\nKey has more than one user ID.\r\nDo you want to remove the whole key (y/N)? "))
        return removeUserId(*key, hasSecret);
    if (!con_.confirm(L"Are you sure you want this key removed (y/N)? ")) {
        con_.say(L"Nothing removed.");
        return ExitStatus::Interrupted;
    }
    // The engine keeps no secret key without its public key: both go, or neither.
    if (hasSecret && !con_.confirm(L"Key or user ID is also present in secret keyring.\r\n"
                                   L"Do you also want to remove it from the secret keyring (y/N)? ")) {
        con_.say(L"Nothing removed: the engine cannot keep a secret key without its public key.");
        return ExitStatus::Interrupted;
    }
    EngineResult r =
        engine_.run({.arguments = deleteArguments(key->fingerprint, hasSecret), .needsAgent = hasSecret});
    if (ExitStatus s = judged(r, L"Key removal failed.", ExitStatus::KeyRemoveFailed); s != ExitStatus::Ok)
        return s;
    con_.say(hasSecret ? L"Key removed from the public and the secret key ring."
                       : L"Key removed from the key ring.");
    return ExitStatus::Ok;
}

ExitStatus Program::removeUserId(const Key& key, bool own) {
    for (const UserId* id : removableUserIds(key)) {
        if (!con_.confirm(L"Remove \"" + fromUtf8(shownUserId(key, id->text, shownForm())) + L"\" (y/N)? "))
            continue;
        mw::SecretString answers = removeUserIdAnswers(own);
        const EngineRun run{.arguments = removeUserIdArguments(key.fingerprint, id->position, own),
                            .inputText = &answers};
        std::optional<EngineResult> r = own ? withPassPhrase(run, key) : engine_.run(run);
        if (!r) return unanswered_ ? ExitStatus::NeedsAnswer : ExitStatus::KeyRemoveFailed;
        if (ExitStatus s = judged(*r, L"The user ID could not be removed.", ExitStatus::KeyRemoveFailed);
            s != ExitStatus::Ok)
            return s;
        con_.say(own ? L"User ID revoked: send your key to those who have it, so that they learn it."
                     : L"User ID removed from key ring.");
        return ExitStatus::Ok;
    }
    con_.say(L"Nothing removed.");
    return ExitStatus::Interrupted;
}

ExitStatus Program::changeExpiry(const Key& key, int days) {
    if (!hasSecretKey(key)) {
        con_.say(L"Only the owner of a key can change when it expires: there is no secret key for it.");
        return ExitStatus::KeyEditFailed;
    }
    // The primary key first, then every subkey not revoked, named by fingerprint.
    std::vector<std::string> subkeys;
    for (const Subkey& sub : key.subkeys)
        if (sub.validity != 'r' && !sub.fingerprint.empty()) subkeys.push_back(sub.fingerprint);
    for (bool ofSubkeys : {false, true}) {
        if (ofSubkeys && subkeys.empty()) break;
        auto r =
            withPassPhrase({.arguments = setExpiryArguments(
                                key.fingerprint, days, ofSubkeys ? subkeys : std::vector<std::string>{})},
                           key);
        if (!r) return unanswered_ ? ExitStatus::NeedsAnswer : ExitStatus::KeyEditFailed;
        if (ExitStatus s = judged(*r, L"The expiry could not be changed.", ExitStatus::KeyEditFailed);
            s != ExitStatus::Ok)
            return s;
    }
    con_.say(days == 0 ? L"The key no longer expires."
                       : L"The key expires " + std::to_wstring(days) + L" days from today.");
    return ExitStatus::Ok;
}

ExitStatus Program::keyEdit() {
    ExitStatus failure = ExitStatus::Ok;
    std::optional<Key> key = oneKey(c_.operands[0], KeyUse::Any, failure);
    if (!key) return failure;
    // Only the pass phrase is asked for, so batch mode with PGPPASS does it too.
    if (c_.settings.expireDays) return changeExpiry(*key, *c_.settings.expireDays);
    const bool own = hasSecretKey(*key);
    if (own)
        con_.say(L"Editing userid \"" + c_.operands[0] + L"\" in key ring: " + quoted(home_) + L".");
    else
        con_.say(L"No secret key available.  Editing public key trust parameter.");
    for (const std::string& line : keyDetails(*key, shownForm()))
        con_.sayUtf8(line);
    if (c_.batchMode) {
        con_.say(L"Editing a key needs your answers; nothing changed in batch mode.");
        return ExitStatus::NeedsAnswer;
    }
    if (!mayAsk()) return ExitStatus::NeedsAnswer;
    return own ? editOwnKey(*key) : editTrust(*key);
}

ExitStatus Program::editOwnKey(const Key& key) {
    con_.sayUtf8("Current user ID: " + shownId(key));
    bool changed = false;
    if (con_.confirm(L"Do you want to add a new user ID (y/N)? ")) {
        const std::wstring userId = con_.readLine(L"Enter the new user ID: ");
        // The engine takes a new user ID only on its command line, read as UTF-8 from an ANSI
        // argument vector: only ASCII survives that unchanged.
        if (userId.empty() || hasControlCharacter(userId) || !isAscii(userId)) {
            con_.say(userId.empty()
                         ? L"No user ID given; none added."
                         : L"A user ID added with -ke must be plain ASCII without control characters; "
                           L"none added.");
            return ExitStatus::KeyEditFailed;
        }
        auto r = withPassPhrase({.arguments = addUserIdArguments(key.fingerprint, userId)}, key);
        if (!r) return unanswered_ ? ExitStatus::NeedsAnswer : ExitStatus::KeyEditFailed;
        if (ExitStatus s = judged(*r, L"The user ID could not be added.", ExitStatus::KeyEditFailed);
            s != ExitStatus::Ok)
            return s;
        changed = true;
        if (con_.confirm(L"Make this user ID the primary user ID for this key (y/N)? ")) {
            r = withPassPhrase({.arguments = primaryUserIdArguments(key.fingerprint, userId)}, key);
            if (!r || !r->started || r->failed()) {
                con_.say(L"The user ID was added, but could not be made the primary one.");
                if (r) engineSays(*r);
                return ExitStatus::KeyEditFailed;
            }
        }
    }
    if (con_.confirm(L"Do you want to change your pass phrase (y/N)? ")) {
        if (!keyPass_) keyPass_ = passPhraseFor(unlockPrompt(key), false);
        if (!keyPass_) return unanswered_ ? ExitStatus::NeedsAnswer : ExitStatus::KeyEditFailed;
        auto fresh = passPhraseFor(L"Enter the new pass phrase for your secret key.", true);
        if (!fresh) return unanswered_ ? ExitStatus::NeedsAnswer : ExitStatus::KeyEditFailed;
        if (fresh->find_first_of("\r\n") != std::string::npos ||
            keyPass_->find_first_of("\r\n") != std::string::npos) {
            con_.say(L"A pass phrase may not hold a line break.");
            return ExitStatus::KeyEditFailed;
        }
        mw::SecretString answers = passPhraseChange(*keyPass_, *fresh);
        EngineResult r = engine_.run({.arguments = changePassPhraseArguments(key.fingerprint),
                                      .inputText = &answers,
                                      .needsAgent = true});
        if (!r.started) return engineMissing();
        if (!r.report.passPhraseChanged) {
            con_.say(r.report.badPassPhrase ? L"Error:  Bad pass phrase.  Pass phrase not changed."
                                            : L"Pass phrase not changed.");
            if (!r.report.badPassPhrase) engineSays(r);
            return ExitStatus::KeyEditFailed;
        }
        con_.say(L"Pass phrase changed.");
        changed = true;
    }
    con_.say(changed ? L"Secret key ring updated." : L"Nothing changed.");
    return ExitStatus::Ok;
}

ExitStatus Program::editTrust(const Key& key) {
    con_.sayUtf8("Current trust for this key's owner is: " + ownerTrustName(key.ownerTrust));
    con_.sayUtf8("\r\nMake a determination in your own mind whether this key actually\r\n"
                 "belongs to the person whom you think it belongs to, based on available\r\n"
                 "evidence.  If you think it does, then based on your estimate of\r\n"
                 "that person's integrity and competence in key management, answer\r\n"
                 "the following question:\r\n\r\n"
                 "Would you trust \"" +
                 shownId(key) +
                 "\"\r\nto act as an introducer and certify other people's public keys to you?");
    std::optional<int> value;
    while (!value) {
        const std::wstring answer = con_.readLine(L"(1=I don't know. 2=No. 3=Usually. 4=Yes, always.) ? ");
        if (answer.empty()) {
            con_.say(L"Trust not changed.");
            return ExitStatus::Interrupted;
        }
        value = ownerTrustForAnswer(answer);
    }
    mw::SecretString line = ownerTrustLine(key.fingerprint, *value);
    EngineResult r = engine_.run({.arguments = ownerTrustArguments(), .inputText = &line});
    if (ExitStatus s = judged(r, L"Trust not changed.", ExitStatus::KeyEditFailed); s != ExitStatus::Ok)
        return s;
    con_.say(L"Public key ring updated.");
    return ExitStatus::Ok;
}

ExitStatus Program::keyDisable() {
    ExitStatus failure = ExitStatus::Ok;
    std::optional<Key> key = oneKey(c_.operands[0], KeyUse::Any, failure);
    if (!key) return failure;
    const bool own = hasSecretKey(*key);
    for (const std::string& line : keyDetails(*key, shownForm()))
        con_.sayUtf8(line);
    if (own && key->unusable() == Key::Unusable::Revoked) {
        con_.say(L"This key has already been revoked.");
        return ExitStatus::KeyEditFailed;
    }
    const bool disable = !key->disabled();
    if (c_.batchMode) {
        con_.say(L"Revoking or disabling a key needs your answer; nothing changed in batch mode.");
        return ExitStatus::NeedsAnswer;
    }
    if (!mayAsk()) return ExitStatus::NeedsAnswer;
    return own ? revokeOwnKey(*key) : switchKey(*key, disable);
}

ExitStatus Program::switchKey(const Key& key, bool disable) {
    if (!disable) con_.say(L"Key is already disabled.");
    if (!con_.confirm(disable ? L"Disable this key (y/N)? "
                              : L"Do you want to enable this key again (y/N)? ")) {
        con_.say(L"Nothing changed.");
        return ExitStatus::Interrupted;
    }
    EngineResult r = engine_.run({.arguments = disableArguments(key.fingerprint, disable)});
    if (ExitStatus s = judged(r, L"The key could not be changed.", ExitStatus::KeyEditFailed);
        s != ExitStatus::Ok)
        return s;
    con_.say(disable ? L"Key disabled: it is not used until you enable it again with -kd." : L"Key enabled.");
    return ExitStatus::Ok;
}

ExitStatus Program::revokeOwnKey(const Key& key) {
    if (!con_.confirm(L"Do you want to permanently revoke your public key\r\n"
                      L"by issuing a secret key compromise certificate\r\nfor \"" +
                      fromUtf8(shownId(key)) + L"\" (y/N)? ")) {
        con_.say(L"Nothing changed.");
        return ExitStatus::Interrupted;
    }
    mw::SecretString answers = revocationAnswers();
    auto made =
        withPassPhrase({.arguments = revocationArguments(key.fingerprint), .inputText = &answers}, key);
    if (!made) return unanswered_ ? ExitStatus::NeedsAnswer : ExitStatus::KeyEditFailed;
    if (!made->started) return engineMissing();
    if (made->failed() || made->captured.find("-----BEGIN PGP") == std::string::npos) {
        con_.say(L"The revocation certificate could not be made.");
        engineSays(*made);
        return ExitStatus::KeyEditFailed;
    }
    // Applied to the key ring at once, as PGP 2.6 did; -kx then hands the revoked key to others.
    mw::SecretString certificate(made->captured.c_str());
    EngineResult applied = engine_.run({.arguments = importArguments(), .inputText = &certificate});
    if (ExitStatus s = judged(applied, L"The revocation certificate was made but could not be applied.",
                              ExitStatus::KeyEditFailed);
        s != ExitStatus::Ok)
        return s;
    con_.say(
        L"Key compromise certificate created.\r\nYour key is revoked in your key ring.  Send the revoked "
        L"key to those who have it:  pgp -kxa " +
        c_.operands[0] + L" FILE");
    return ExitStatus::Ok;
}

} // namespace pgp
