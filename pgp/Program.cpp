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

} // namespace

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

class Program::EarlyEncryption {
public:
    EarlyEncryption(Engine& engine, std::vector<std::wstring> arguments) : engine_(engine) {
        run_.arguments = std::move(arguments);
    }
    EarlyEncryption(const EarlyEncryption&) = delete;
    EarlyEncryption& operator=(const EarlyEncryption&) = delete;
    ~EarlyEncryption() { release(); }

    // The engine ended, then its files closed: an output not taken is wiped, and the input is free
    // for -w.
    void release() {
        if (thread_) SetEvent(cancel_.get());
        join();
        files.in.reset();
        files.out.reset();
    }

    // Once `files` are open.
    bool start() {
        cancel_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!cancel_) return false;
        run_.input = files.in.get();
        run_.output = files.out->handle();
        run_.cancel = cancel_.get();
        thread_.reset(CreateThread(
            nullptr, 0,
            [](void* self) -> DWORD {
                auto* e = static_cast<EarlyEncryption*>(self);
                e->result_ = e->engine_.run(e->run_);
                return 0;
            },
            this, 0, nullptr));
        return static_cast<bool>(thread_);
    }
    // Its result, once the engine has ended.
    const EngineResult& result() {
        join();
        return result_;
    }
    // It encrypted the whole input to exactly these keys.
    bool chose(const std::vector<std::string>& fingerprints) {
        const EngineResult& r = result();
        return !r.failed() && !r.outputFailed && r.report.selectedExactly(fingerprints);
    }

    RunFiles files;

private:
    void join() {
        if (!thread_) return;
        WaitForSingleObject(thread_.get(), INFINITE);
        thread_.reset();
    }

    Engine& engine_;
    EngineRun run_;
    EngineResult result_;
    Handle cancel_, thread_;
};

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

std::optional<std::vector<Key>> Program::listKeys(bool secret, bool signatures, EngineResult* failure,
                                                  bool keygrips) {
    std::vector<std::wstring> arguments =
        signatures && !secret ? listSignatureArguments(false) : listArguments(secret, keygrips);
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
    EngineResult r = engine_.run({.arguments = arguments, .needsAgent = secret, .listing = true});
    if (!r.started) return std::nullopt;
    if (failure && r.exitCode != 0) {
        failure->exitCode = r.exitCode;
        failure->errors = r.errors;
    }
    // A home without any key ring yet lists nothing and is no error.
    if (r.exitCode != 0 && r.captured.empty()) return std::vector<Key>{};
    return parseColonListing(r.captured);
}

std::optional<std::vector<Key>> Program::candidateKeys(const std::vector<std::wstring>& userIds, bool secret,
                                                       bool signatures, bool keygrips) {
    std::vector<std::wstring> arguments =
        signatures && !secret ? listSignatureArguments(false) : listArguments(secret, keygrips);
    arguments.push_back(L"--");
    for (const auto& id : userIds) {
        auto query = engineQuery(id);
        // The engine cannot narrow it: list everything.
        if (!query) return listKeys(secret, signatures, nullptr, keygrips);
        arguments.push_back(std::move(*query));
    }
    EngineResult r = engine_.run({.arguments = arguments, .needsAgent = secret});
    if (!r.started) return std::nullopt;
    return parseColonListing(r.captured);
}

std::optional<std::vector<Key>> Program::secretCandidates(const std::wstring& userId) {
    engine_.startAgentMeanwhile();
    auto keys = candidateKeys({userId}, false, false, true);
    auto grips = engine_.secretKeygrips();
    if (!keys) return std::nullopt;
    // Another agent serving the home names no keys to us: the engine's own way then.
    if (!grips) return candidateKeys({userId}, true);
    return keysWithSecrets(std::move(*keys), *grips);
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
        if (first.empty() && con_.inputEnded()) return std::nullopt;
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
    auto secrets = named ? secretCandidates(*c_.signer) : listKeys(true);
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

ExitStatus Program::cannotWrite(const std::wstring& name) {
    con_.say(L"Cannot write " + quoted(name) + L".");
    return ExitStatus::InvalidFile;
}

ExitStatus Program::openRunFiles(const std::wstring& input, const std::wstring* outName, RunFiles& files) {
    if (c_.filter) return ExitStatus::Ok;
    files.in = openInput(input);
    if (!files.in) {
        con_.say(L"Cannot read " + quoted(input) + L".");
        return ExitStatus::InvalidFile;
    }
    if (!outName) return ExitStatus::Ok;
    // The name may be known only afterwards (-p); the temporary then lies in the working directory.
    files.out.emplace(outName->empty() ? std::wstring(L"x") : *outName);
    return files.out->handle() ? ExitStatus::Ok : cannotWrite(*outName);
}

EngineResult Program::runOver(RunFiles& files, FilterInput* filterIn, std::vector<std::wstring> arguments,
                              const mw::SecretString* pass, bool needsAgent) {
    return engine_.run({.arguments = std::move(arguments),
                        .input = filterIn ? filterIn->handle() : files.in.get(),
                        .inputText = filterIn ? filterIn->text() : nullptr,
                        .output = filterIn    ? GetStdHandle(STD_OUTPUT_HANDLE)
                                  : files.out ? files.out->handle()
                                              : nullptr,
                        .passPhrase = pass,
                        .needsAgent = needsAgent});
}

ExitStatus Program::protectOperands(ProtectJob& job, std::vector<std::wstring>& recipients) {
    if (c_.filter) {
        recipients = c_.operands;
        return ExitStatus::Ok;
    }
    job.input = c_.operands[0];
    recipients.assign(c_.operands.begin() + 1, c_.operands.end());
    if (!isFile(job.input)) {
        con_.say(L"File " + quoted(job.input) + L" does not exist.");
        return ExitStatus::FileNotFound;
    }
    return ExitStatus::Ok;
}

ExitStatus Program::chooseRecipients(std::vector<std::wstring> recipients, Protection& p) {
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
            con_.sayUtf8("WARNING:  Because this public key is not certified with a trusted signature, it is "
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
    return ExitStatus::Ok;
}

ExitStatus Program::choosePassPhrase(ProtectJob& job) {
    if (job.p.sign) {
        ExitStatus failure = ExitStatus::Ok;
        std::optional<Key> signer = signingKey(failure);
        if (!signer) return failure;
        job.p.signer = signer->fingerprint;
        job.signerName = fromUtf8(shownId(*signer));
        job.signedAs =
            "\"" + shownId(*signer) + "\" [0x" +
            (signer->keyId.size() > 8 ? signer->keyId.substr(signer->keyId.size() - 8) : signer->keyId) + "]";
        job.pass = passPhraseFor(L"You need a pass phrase to unlock your secret key.\r\nKey for user ID \"" +
                                     job.signerName + L"\"",
                                 false);
        if (!job.pass && unanswered_) return ExitStatus::NeedsAnswer;
    } else if (job.p.conventional) {
        job.pass = passPhraseFor(L"You need a pass phrase to encrypt the file.", true);
        if (!job.pass) {
            if (c_.batchMode) return passPhraseNeeded(L"to encrypt with a pass phrase");
            con_.say(L"No pass phrase given; nothing encrypted.");
            return unanswered_ ? ExitStatus::NeedsAnswer : ExitStatus::ConventionalFailed;
        }
    }
    return ExitStatus::Ok;
}

ExitStatus Program::runProtection(ProtectJob& job, FilterInput* filterIn, EarlyEncryption* early) {
    const Protection& p = job.p;
    if (early && !early->chose(p.recipients)) {
        early->release();
        early = nullptr;
    }
    for (int attempt = 0;; ++attempt) {
        const bool taken = early && attempt == 0;
        RunFiles own;
        RunFiles& files = taken ? early->files : own;
        EngineResult r;
        if (taken) {
            r = early->result();
        } else {
            if (ExitStatus refused = openRunFiles(job.input, &job.outName, files); refused != ExitStatus::Ok)
                return refused;
            r = runOver(files, filterIn, protectArguments(p), job.pass ? &*job.pass : nullptr,
                        p.sign || p.conventional);
        }
        if (!r.started) return engineMissing();
        if (c_.verbose >= 2) engineSays(r);
        if (r.outputFailed) {
            con_.say(L"Cannot write to standard output; the output is incomplete.");
            return ExitStatus::InvalidFile;
        }
        if (r.failed() && !job.pass && c_.batchMode &&
            (r.report.missingPassPhrase || r.report.neededPassPhrase))
            return passPhraseNeeded(L"to unlock the secret key of \"" + job.signerName + L"\"");
        Verdict v = judgeProtection(r.report, r.failed(), p.sign, p.encrypt, p.conventional);
        if (v.status == ExitStatus::Ok)
            return files.out && !files.out->commit(job.outName) ? cannotWrite(job.outName) : ExitStatus::Ok;
        for (const auto& line : v.lines)
            con_.sayUtf8(line);
        if (v.showEngineLines) engineSays(r);
        // PGP 2.6 asks again after a wrong pass phrase.
        if (!(p.sign && r.report.badPassPhrase) || c_.batchMode || attempt >= 2) return v.status;
        job.pass = passPhraseFor(L"Key for user ID \"" + job.signerName + L"\"", false);
        if (!job.pass) return v.status;
    }
}

void Program::reportProtection(const ProtectJob& job) {
    const Protection& p = job.p;
    if (p.encrypt)
        summary_ = "Encrypted for " + std::to_string(p.recipients.size()) +
                   (p.recipients.size() == 1 ? " key" : " keys") +
                   (p.sign ? " and signed as " + job.signedAs : "") + ".";
    else if (p.sign)
        summary_ = std::string(c_.detached                               ? "Detached signature made as "
                               : (c_.armor && p.text && !p.conventional) ? "Clear-signed as "
                                                                         : "Signed as ") +
                   job.signedAs + ".";
    else
        summary_ = "Encrypted with a pass phrase.";
    if (c_.filter) return;
    const wchar_t* what = c_.detached                                    ? L"Signature file: "
                          : (p.sign && !p.encrypt && c_.armor && p.text) ? L"Clear signature file: "
                          : c_.armor                                     ? L"Transport armor file: "
                                                                         : L"Ciphertext file: ";
    inform(what + job.outName);
    if (!c_.wipe) return;
    scorch::Outcome wiped = scorch::wipeFile(job.input, 1);
    if (wiped)
        con_.say(L"File " + quoted(job.input) + L" wiped and deleted.");
    else
        con_.say(L"Could not wipe " + quoted(job.input) + L": " + wiped.reason);
}

std::unique_ptr<Program::EarlyEncryption>
Program::encryptMeanwhile(const ProtectJob& job, const std::vector<std::wstring>& recipients) {
    // Signing needs the signer and a pass phrase first; standard input can be read only once.
    if (!job.p.encrypt || job.p.sign || c_.filter || recipients.empty()) return nullptr;
    Protection guess = job.p;
    for (const auto& who : recipients) {
        auto query = engineQuery(who);
        if (!query) return nullptr;
        guess.recipients.push_back(toUtf8(*query));
    }
    auto early = std::make_unique<EarlyEncryption>(engine_, protectArguments(guess));
    early->files.in = openInput(job.input);
    if (!early->files.in) return nullptr;
    early->files.out.emplace(job.outName);
    if (!early->files.out->handle() || !early->start()) return nullptr;
    return early;
}

ExitStatus Program::protect() {
    ProtectJob job;
    Protection& p = job.p;
    p.encrypt = c_.action == Action::Encrypt;
    p.conventional = c_.action == Action::Conventional;
    p.sign = c_.sign;
    p.armor = c_.armor;
    p.text = c_.text;
    p.detached = c_.detached;
    std::vector<std::wstring> recipients;
    if (ExitStatus refused = protectOperands(job, recipients); refused != ExitStatus::Ok) return refused;
    // A file handed over by its short alias (as the file module does) is named by its long name,
    // in the message and in the output's name: the engine takes its arguments as UTF-8.
    const std::wstring named = job.input.empty() ? std::wstring() : listedName(job.input);
    p.storedName = named;
    std::optional<FilterInput> filterIn;
    if (c_.filter) filterIn.emplace();
    // The engine's text mode rewrites line ends: a binary file stays binary, whatever -t says.
    if (p.text) {
        Handle scan = c_.filter ? Handle() : openInput(job.input);
        if (c_.filter ? !filterIn->isText() : (scan && !restIsText(scan.get()))) {
            p.text = false;
            con_.say(c_.filter ? std::wstring(L"Note: standard input is not a text file; treated as binary.")
                               : L"Note: " + quoted(job.input) + L" is not a text file; treated as binary.");
        }
    }
    job.outName = c_.output
                      ? *c_.output
                      : (c_.filter ? std::wstring() : protectedOutputName(named, c_.armor, c_.detached));
    // The engine starts encrypting while the recipients' keys are listed: two starts of the engine
    // at once instead of one after the other.
    std::unique_ptr<EarlyEncryption> early = encryptMeanwhile(job, recipients);
    if (p.encrypt)
        if (ExitStatus refused = chooseRecipients(std::move(recipients), p); refused != ExitStatus::Ok)
            return refused;
    if (ExitStatus refused = c_.filter ? ExitStatus::Ok : mayWrite(job.outName); refused != ExitStatus::Ok)
        return refused;
    if (ExitStatus refused = choosePassPhrase(job); refused != ExitStatus::Ok) return refused;
    const ExitStatus failed = runProtection(job, filterIn ? &*filterIn : nullptr, early.get());
    // Its files closed: -w wipes the input next.
    early.reset();
    if (failed != ExitStatus::Ok) return failed;
    reportProtection(job);
    return ExitStatus::Ok;
}

ExitStatus Program::damaged() {
    con_.say(L"Error: decryption failed; the message is damaged or was altered.");
    return ExitStatus::DecryptionFailed;
}

ExitStatus Program::cannotNameOutput(const std::wstring& input) {
    con_.say(L"Cannot name the output of " + quoted(input) + L": it has no extension.  Give one with -o.");
    return ExitStatus::InvalidFile;
}

std::string Program::messageHead(const std::wstring& input) {
    std::string head(4096, '\0');
    DWORD n = 0;
    Handle in = openInput(input);
    if (in && ReadFile(in.get(), head.data(), static_cast<DWORD>(head.size()), &n, nullptr))
        head.resize(n);
    else
        head.clear();
    return head;
}

bool Program::passPhraseWouldHelp(const EngineResult& r, bool havePass, int attempt) const {
    const EngineReport& rep = r.report;
    return r.failed() && !rep.decryptionOkay && !c_.batchMode && attempt < 3 &&
           ((rep.neededPassPhrase && !havePass) || rep.badPassPhrase || rep.missingPassPhrase);
}

bool Program::askPassPhraseAgain(const EngineReport& rep, std::optional<mw::SecretString>& pass) {
    if (pass) con_.say(rep.badPassPhrase ? L"Error:  Bad pass phrase." : L"Error: no pass phrase given.");
    std::wstring why = rep.symmetric ? L"You need a pass phrase to decrypt this file."
                                     : L"You need a pass phrase to unlock your secret key.";
    if (!rep.symmetric && !rep.passPhraseHint.empty())
        why += L"\r\nKey for user ID \"" +
               fromUtf8(shownUserId(rep.passPhraseHintKeyId, rep.passPhraseHint, shownForm())) + L"\"";
    pass = passPhraseFor(why, false);
    return pass.has_value();
}

std::wstring Program::preservedName(const EngineReport& report, const std::wstring& input) {
    std::wstring stored = report.storedName ? textOfBytes(*report.storedName) : std::wstring();
    std::wstring safe = safeStoredName(stored);
    if (!safe.empty()) return safe;
    if (!stored.empty())
        con_.sayUtf8("The name in the message, '" + escapedText(toUtf8(stored)) + "', is not used.");
    safe = plainOutputName(listedName(input));
    return safe.empty() ? listedName(input) + L".out" : safe;
}

ExitStatus Program::decrypt() {
    const std::wstring input = c_.filter ? std::wstring() : c_.operands[0];
    if (!c_.filter && !isFile(input)) {
        con_.say(L"File " + quoted(input) + L" does not exist.");
        return ExitStatus::FileNotFound;
    }
    // The message's first bytes: a file of keys is no message (PGP 2.6 offered to add them), and -d
    // tells a clear-signed text by them.
    const std::string head = c_.filter ? std::string() : messageHead(input);
    if (!c_.filter && looksLikeKeyFile(head)) return offerKeyFile(input);
    std::wstring outName = c_.output   ? *c_.output
                           : c_.filter ? std::wstring()
                                       : plainOutputName(listedName(input));
    if (!c_.filter && outName.empty() && !c_.preserveName) return cannotNameOutput(input);
    std::optional<mw::SecretString> pass;
    if (given_) pass = passPhraseFor(L"", false);
    std::optional<FilterInput> filterIn;
    if (c_.filter) filterIn.emplace();
    bool withoutIntegrityCheck = false;
    for (int attempt = 0;; ++attempt) {
        // With -m the plaintext stays in memory, for the screen only.
        RunFiles files;
        if (ExitStatus refused = openRunFiles(input, c_.showOnly ? nullptr : &outName, files);
            refused != ExitStatus::Ok)
            return refused;
        EngineResult r = runOver(files, filterIn ? &*filterIn : nullptr,
                                 decryptArguments(withoutIntegrityCheck), pass ? &*pass : nullptr, true);
        if (!r.started) return engineMissing();
        if (c_.verbose >= 2) engineSays(r);
        const EngineReport& rep = r.report;
        if (r.failed() && !rep.decryptionOkay && !pass && c_.batchMode &&
            (rep.neededPassPhrase || rep.missingPassPhrase))
            return passPhraseNeeded(rep.symmetric ? L"to decrypt this message"
                                                  : L"to unlock the secret key this message is encrypted to");
        // Asked for a pass phrase we did not have, or had wrong: ask the user, as PGP 2.6 does.
        if (passPhraseWouldHelp(r, pass.has_value(), attempt)) {
            if (askPassPhraseAgain(rep, pass)) continue;
            if (unanswered_) return ExitStatus::NeedsAnswer;
        }
        // Messages of PGP 2's time carry no integrity check, and the engine refuses every such
        // message. Read again, allowing it, only one whose cipher is of that time; the verdict
        // warns. A modern cipher without the check is refused: only a forger makes that.
        if (!withoutIntegrityCheck && rep.refusedForNoIntegrity() && rep.legacyCipher()) {
            withoutIntegrityCheck = true;
            continue;
        }
        // Changed between the two readings: the allowance must not pass a failed check.
        if (withoutIntegrityCheck && rep.integrityProtected) return damaged();
        // A signature and no data: a detached signature, which the engine checked against nothing.
        if (rep.detachedSignature()) {
            if (!c_.filter) return checkDetached(input);
            con_.say(
                L"Standard input holds a detached signature; check it with:  pgp SIGNATUREFILE SIGNEDFILE");
            return ExitStatus::InvalidFile;
        }
        return deliverPlaintext(r, files, input, head, outName, pass ? &*pass : nullptr,
                                withoutIntegrityCheck);
    }
}

ExitStatus Program::deliverPlaintext(const EngineResult& r, RunFiles& files, const std::wstring& input,
                                     const std::string& head, std::wstring outName,
                                     const mw::SecretString* pass, bool withoutIntegrityCheck) {
    const EngineReport& rep = r.report;
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
    if (c_.preserveName) outName = preservedName(rep, input);
    if (ExitStatus refused = mayWrite(outName); refused != ExitStatus::Ok) return refused;
    if (!files.out->commit(outName)) return cannotWrite(outName);
    inform(L"Plaintext filename: " + outName);
    if (c_.keepSignature)
        if (ExitStatus kept = keepSignature(input, head, pass, withoutIntegrityCheck, outName, rep);
            kept != ExitStatus::Ok)
            return kept;
    return v.status;
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

std::wstring Program::signedFileOf(const std::wstring& signature) {
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
        const std::wstring signedFile = (folder == L"." ? std::wstring() : folder) + bare;
        con_.say(L"Text is assumed to be in file " + quoted(signedFile) + L".");
        return signedFile;
    }
    return mayAsk() ? con_.readLine(L"Please enter filename of material that signature applies to: ")
                    : std::wstring();
}

ExitStatus Program::checkDetached(const std::wstring& signature) {
    const std::wstring signedFile = c_.operands.size() > 1 ? c_.operands[1] : signedFileOf(signature);
    if (c_.operands.size() <= 1 && signedFile.empty()) {
        con_.say(L"No file to check the signature against; give it after the signature:  pgp " + signature +
                 L" SIGNEDFILE");
        return unanswered_ ? ExitStatus::NeedsAnswer : ExitStatus::FileNotFound;
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
