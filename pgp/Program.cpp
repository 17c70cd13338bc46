// pgp.exe's operations: each finds its keys, asks what PGP 2.6 asks, lets the engine do the
// cryptography and reports in PGP's words.
#include "pgp/Program.h"
#include "pgp/core/EngineCalls.h"
#include "pgp/core/Names.h"
#include "pgp/core/TextCheck.h"
#include "scorch/Win32Wipe.h"

namespace pgp {

using Handle = mw::UniqueHandle;

namespace {

bool isFile(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring directoryOf(const std::wstring& path) {
    auto cut = path.find_last_of(L"\\/:");
    if (cut == std::wstring::npos) return L".";
    return path.substr(0, cut + 1);
}

// Text the engine takes in its (ANSI) argument vector without change.
bool fitsAnsi(const std::wstring& text) {
    if (text.empty()) return true;
    BOOL lost = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                                nullptr, 0, nullptr, &lost);
    return n > 0 && !lost;
}

// A path the system asks a buffer for, grown until it fits; empty when the call fails.
template <class Call> std::wstring askedPath(Call call) {
    std::wstring out(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = call(out.data(), static_cast<DWORD>(out.size()));
        if (n == 0) return {};
        if (n < out.size()) {
            out.resize(n);
            return out;
        }
        out.resize(n);
    }
}

std::wstring fullPath(const std::wstring& path) {
    std::wstring full =
        askedPath([&](wchar_t* b, DWORD n) { return GetFullPathNameW(path.c_str(), n, b, nullptr); });
    return full.empty() ? path : full;
}

// The long form of a full path, so that a short alias is seen for the name it stands for; for
// a file that does not exist yet, the long form of its folder.
std::wstring longForm(const std::wstring& full) {
    std::wstring whole = askedPath([&](wchar_t* b, DWORD n) { return GetLongPathNameW(full.c_str(), b, n); });
    if (!whole.empty()) return whole;
    const std::size_t cut = full.find_last_of(L'\\');
    if (cut == std::wstring::npos) return full;
    const std::wstring folder = full.substr(0, cut);
    std::wstring longFolder =
        askedPath([&](wchar_t* b, DWORD n) { return GetLongPathNameW(folder.c_str(), b, n); });
    return (longFolder.empty() ? folder : longFolder) + full.substr(cut);
}

bool setDeletePending(HANDLE file, bool pending) {
    FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(pending)};
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

// A file written under a temporary name beside its destination, renamed only when complete;
// otherwise wiped (it may hold part of a plaintext). Until then the system deletes it with the
// last handle to it, so a pgp.exe that is ended mid-way leaves none of it behind.
class OutputFile {
public:
    explicit OutputFile(const std::wstring& destination) {
        wchar_t name[MAX_PATH + 1];
        if (GetTempFileNameW(directoryOf(destination).c_str(), L"pgp", 0, name)) {
            temp_ = name;
            file_ = Handle(CreateFileW(name, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
            if (file_) setDeletePending(file_.get(), true);
        }
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile() {
        if (temp_.empty()) return;
        // Kept long enough to be overwritten; gone unwiped only if the system will not keep it.
        const bool kept = file_ && setDeletePending(file_.get(), false);
        file_.reset();
        if (!kept) return;
        scorch::wipeFile(temp_, 1);
        DeleteFileW(temp_.c_str());
    }
    HANDLE handle() const { return file_.get(); }
    bool commit(const std::wstring& path) {
        if (!setDeletePending(file_.get(), false)) return false;
        if (!scorch::renameOpenFile(file_.get(), fullPath(path), true)) {
            setDeletePending(file_.get(), true);
            return false;
        }
        file_.reset();
        temp_.clear();
        return true;
    }

private:
    std::wstring temp_;
    Handle file_;
};

Handle openInput(const std::wstring& path) {
    return Handle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

// The literal data's name: UTF-8 as the OpenPGP standard asks, else as an older program wrote
// it, in this system's code page.
std::wstring storedNameText(const std::string& bytes) {
    if (bytes.empty()) return {};
    for (UINT codePage : {static_cast<UINT>(CP_UTF8), static_cast<UINT>(CP_ACP)}) {
        DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
        int n =
            MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        if (n <= 0) continue;
        std::wstring out(static_cast<std::size_t>(n), L'\0');
        MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
        return out;
    }
    return {};
}

std::wstring withoutExtensionOf(const std::wstring& name) {
    const auto dot = name.find_last_of(L'.');
    return dot == std::wstring::npos || dot == 0 ? name : name.substr(0, dot);
}

std::wstring quoted(const std::wstring& text) {
    return L"'" + text + L"'";
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
        status = keyView();
        break;
    case Action::KeyGenerate:
        status = keyGenerate();
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

std::optional<std::vector<Key>> Program::listKeys(bool secret) {
    std::vector<std::wstring> arguments = listArguments(secret);
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

std::optional<std::vector<Key>> Program::candidateKeys(const std::vector<std::wstring>& userIds,
                                                       bool secret) {
    std::vector<std::wstring> arguments = listArguments(secret);
    arguments.push_back(L"--");
    for (const auto& id : userIds) {
        // A user ID as marked in a listing names its key by key ID.
        if (id.size() >= 13 && id.compare(0, 3, L"[0x") == 0 && id.compare(11, 2, L"] ") == 0) {
            arguments.push_back(L"0x" + id.substr(3, 8));
            continue;
        }
        // Beyond ASCII our case folding finds more than the engine's: list everything.
        for (wchar_t ch : id)
            if (ch >= 0x80 || ch < 0x20) return listKeys(secret);
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

ExitStatus Program::keyView() {
    const std::wstring pattern = c_.operands.empty() ? L"*" : c_.operands[0];
    const std::wstring ring = c_.operands.size() > 1 ? c_.operands[1] : std::wstring();
    std::wstring ringName = ring;
    const std::wstring bare = bareName(ring);
    const bool secret =
        _wcsicmp(bare.c_str(), L"secring.pgp") == 0 || _wcsicmp(bare.c_str(), L"secring.skr") == 0;
    std::optional<std::vector<Key>> keys;
    if (!secret && !ring.empty() && isFile(ring) && _wcsicmp(bare.c_str(), L"pubring.kbx") != 0 &&
        _wcsicmp(bare.c_str(), L"pubring.gpg") != 0) {
        // A key-ring file of its own: list what it holds, without adding it anywhere.
        Handle in = openInput(ring);
        EngineResult r = engine_.run(
            {.arguments = {L"--with-colons", L"--fixed-list-mode", L"--with-fingerprint", L"--show-keys"},
             .input = in.get()});
        if (!r.started) return engineMissing();
        keys = parseColonListing(r.captured);
    } else {
        keys = listKeys(secret);
        if (ring.empty()) ringName = home_;
    }
    if (!keys) return engineMissing();
    std::wstring text;
    for (const std::string& line :
         formatKeyListing(*keys, toUtf8(pattern), toUtf8(ringName), c_.fingerprints, shownForm()))
        text += fromUtf8(line) + L"\r\n";
    con_.out(text);
    return ExitStatus::Ok;
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
    con_.say(L"You need a user ID for your public key.  The desired form is your name, followed by your\r\n"
             L"E-mail address in angle brackets, like:  Jane Doe <jane@example.org>");
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
    mw::SecretString parameters = keyParameters(toUtf8(userId), kind, *pass);
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
    const std::wstring& file = c_.operands[0];
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
    return ExitStatus::Ok;
}

ExitStatus Program::keyExtract() {
    const std::wstring& userId = c_.operands[0];
    const std::wstring file = c_.output ? *c_.output : c_.operands[1];
    auto keys = candidateKeys({userId}, false);
    if (!keys) return engineMissing();
    ExitStatus failure = ExitStatus::Ok;
    const Key* key = chooseKey(*keys, userId, KeyUse::Any, failure);
    if (!key) return failure;
    if (ExitStatus refused = mayWrite(file); refused != ExitStatus::Ok) return refused;
    OutputFile out(file);
    if (!out.handle()) {
        con_.say(L"Cannot write " + quoted(file) + L".");
        return ExitStatus::InvalidFile;
    }
    EngineResult r =
        engine_.run({.arguments = exportArguments(key->fingerprint, c_.armor), .output = out.handle()});
    if (!r.started) return engineMissing();
    if (r.failed() || !out.commit(file)) {
        con_.say(L"Key extraction failed.");
        engineSays(r);
        return ExitStatus::KeyExtractFailed;
    }
    con_.say(L"Key extracted to file " + quoted(file) + L".");
    return ExitStatus::Ok;
}

ExitStatus Program::keyRemove() {
    const std::wstring& userId = c_.operands[0];
    auto keys = candidateKeys({userId}, false);
    auto secrets = candidateKeys({userId}, true);
    if (!keys || !secrets) return engineMissing();
    ExitStatus failure = ExitStatus::Ok;
    const Key* key = chooseKey(*keys, userId, KeyUse::Any, failure);
    if (!key) return failure;
    bool hasSecret = false;
    for (const Key& s : *secrets)
        hasSecret = hasSecret || s.fingerprint == key->fingerprint;
    con_.sayUtf8("Key for user ID: " + shownId(*key));
    if (c_.batchMode) {
        con_.say(L"Removing a key needs your answer; nothing removed in batch mode.");
        return ExitStatus::NeedsAnswer;
    }
    if (!mayAsk()) return ExitStatus::NeedsAnswer;
    if (!con_.confirm(hasSecret ? L"This key has a secret part; both parts will be removed.\r\n"
                                  L"Are you sure you want this key removed (y/N)? "
                                : L"Are you sure you want this key removed (y/N)? ")) {
        con_.say(L"Nothing removed.");
        return ExitStatus::Interrupted;
    }
    EngineResult r =
        engine_.run({.arguments = deleteArguments(key->fingerprint, hasSecret), .needsAgent = hasSecret});
    if (!r.started) return engineMissing();
    if (r.failed()) {
        con_.say(L"Key removal failed.");
        engineSays(r);
        return ExitStatus::KeyRemoveFailed;
    }
    con_.say(L"Key removed from the key ring.");
    return ExitStatus::Ok;
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
    if (!input.empty() && fitsAnsi(bareName(input))) p.storedName = bareName(input);
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
                  : (c_.filter ? std::wstring() : protectedOutputName(input, c_.armor, c_.detached));
    if (ExitStatus refused = c_.filter ? ExitStatus::Ok : mayWrite(outName); refused != ExitStatus::Ok)
        return refused;
    std::optional<mw::SecretString> pass;
    std::wstring signerName;
    std::string signedAs;
    if (sign) {
        auto secrets = c_.signer && !c_.signer->empty() ? candidateKeys({*c_.signer}, true) : listKeys(true);
        if (!secrets) return engineMissing();
        const Key* signer = nullptr;
        ExitStatus failure = ExitStatus::Ok;
        if (c_.signer && !c_.signer->empty()) {
            signer = chooseKey(*secrets, *c_.signer, KeyUse::Sign, failure);
            if (!signer) return failure;
        } else {
            for (const Key& k : *secrets)
                if (!signer && k.secret && k.canSign()) signer = &k;
            if (!signer) {
                con_.say(L"No secret key for signing in the key ring.");
                return ExitStatus::NoSuchKey;
            }
        }
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
    std::wstring outName = c_.output ? *c_.output : c_.filter ? std::wstring() : plainOutputName(input);
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
            std::wstring stored = rep.storedName ? storedNameText(*rep.storedName) : std::wstring();
            std::wstring safe = safeStoredName(stored);
            if (safe.empty()) {
                if (!stored.empty())
                    con_.sayUtf8("The name in the message, '" + escapedText(toUtf8(stored)) +
                                 "', is not used.");
                safe = plainOutputName(input);
                if (safe.empty()) safe = bareName(input) + L".out";
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
        return v.status;
    }
}

ExitStatus Program::show(const std::string& plaintext, ExitStatus status) {
    if (!isTextData(plaintext)) {
        con_.say(L"The plaintext is not text; it is not shown.  Decrypt it to a file instead.");
        return ExitStatus::InvalidFile;
    }
    // Today's senders write UTF-8; text that is not is from an older program, in a code page.
    const int utf8 = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, plaintext.data(),
                                         static_cast<int>(plaintext.size()), nullptr, 0);
    std::wstring text;
    if (utf8 > 0 || plaintext.empty()) {
        text = fromUtf8(plaintext);
    } else {
        text.resize(plaintext.size());
        text.resize(static_cast<std::size_t>(
            std::max(0, MultiByteToWideChar(CP_ACP, 0, plaintext.data(), static_cast<int>(plaintext.size()),
                                            text.data(), static_cast<int>(text.size())))));
    }
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

} // namespace pgp
