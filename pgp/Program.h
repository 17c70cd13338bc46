// One run of pgp.exe: the parsed command carried out through the engine.
#pragma once
#include "pgp/Console.h"
#include "pgp/Engine.h"
#include "pgp/core/ExitStatus.h"
#include "pgp/core/Keys.h"
#include "pgp/core/Options.h"
#include <optional>

namespace pgp {

class Program {
public:
    // `passPhrase`: from -z, PGPPASS or PGPPASSFD, when one was given.
    Program(Command command, std::optional<SecretWideText> passPhrase, Console& console,
            std::wstring engineFolder, std::wstring home);
    ExitStatus run();
    // One line saying what a run that succeeded did, for the program that started the job.
    const std::string& summary() const { return summary_; }

private:
    // The key commands, in KeyCommands.cpp.
    ExitStatus keyView();
    ExitStatus keyGenerate();
    ExitStatus keyAdd();
    ExitStatus keyExtract();
    ExitStatus keyRemove();
    ExitStatus keySign();
    ExitStatus keyEdit();
    ExitStatus keyDisable();
    // `pgp KEYFILE`: the keys in a file shown, and added after a yes, as PGP 2.6 offered.
    ExitStatus offerKeyFile(const std::wstring& file);
    // The keys of `file` added; then, when the user has a signing key, those no trusted signature
    // certifies are offered for certifying.
    ExitStatus addKeys(const std::wstring& file);
    // Certifies `target` with `signer`; `ask`: show the key and ask PGP 2.6's solemn question first.
    ExitStatus certify(const Key& target, const Key& signer, bool ask);
    ExitStatus editOwnKey(const Key& key);
    ExitStatus editTrust(const Key& key);
    // The one key a user ID names among all keys, listed with their certifications.
    std::optional<Key> oneKey(const std::wstring& userId, KeyUse use, ExitStatus& failure);
    bool hasSecretKey(const Key& key);
    // An engine run that needs the secret key's pass phrase: asked for (once per run of pgp.exe,
    // kept in `keyPass_`), and asked again after a wrong one unless in batch mode. Nothing when no
    // pass phrase could be had; the caller says why.
    std::optional<EngineResult> withPassPhrase(EngineRun run, const Key& key);
    std::wstring unlockPrompt(const Key& key) const;
    // After a key command's engine run: Ok, or `status` with `failure` and the engine's lines said.
    ExitStatus judged(const EngineResult& r, const std::wstring& failure, ExitStatus status);
    // A line asked for, or nothing in batch mode or without a console.
    std::optional<std::wstring> askLine(const std::wstring& prompt);

    ExitStatus protect();
    ExitStatus decrypt();
    // A detached signature in `signature`, checked against the file given after it or the one
    // named like it.
    ExitStatus checkDetached(const std::wstring& signature);
    // -d: the signature of the message just decrypted to `plainName`, written beside it; `head`
    // holds the message's first bytes.
    ExitStatus keepSignature(const std::wstring& input, const std::string& head, const mw::SecretString* pass,
                             bool withoutIntegrityCheck, const std::wstring& plainName,
                             const EngineReport& report);
    // -m: the plaintext on the console instead of a file; `status` is the decryption's.
    ExitStatus show(const std::string& plaintext, ExitStatus status);
    // Batch mode and no pass phrase where the engine needed one: said in words, status 4.
    ExitStatus passPhraseNeeded(const std::wstring& what);
    // A line of the usual success report, left out with +verbose=0.
    void inform(std::wstring_view line);

    // `signatures`: public keys with the certifications on their user IDs.
    std::optional<std::vector<Key>> listKeys(bool secret, bool signatures = false);
    // The keys that may match any of `userIds`: the engine narrows the listing where its own
    // matching (ASCII case ignored, any part) finds at least what ours does, so a ring of
    // thousands of keys is not listed whole for one recipient.
    std::optional<std::vector<Key>> candidateKeys(const std::vector<std::wstring>& userIds, bool secret,
                                                  bool signatures = false);
    // The secret key that signs: the one -u names, else the first that can sign; or nothing, the
    // refusal said and its status in `failure`.
    std::optional<Key> signingKey(ExitStatus& failure);
    // The one key a user ID names, or a refusal already said (and the status to end with).
    const Key* chooseKey(const std::vector<Key>& keys, const std::wstring& userId, KeyUse use,
                         ExitStatus& failure);
    // The pass phrase given on the command line or in the environment, else asked (unless batch).
    std::optional<mw::SecretString> passPhraseFor(const std::wstring& prompt, bool twice);
    // Whether a question may be asked: not in batch mode (each place says so), nor with -f when
    // there is no console (said here, once, and marked in `unanswered_`).
    bool mayAsk();
    // Output may be written (Ok): it is none of the engine's own files, and it does not exist or
    // the user agrees to replace it. Otherwise the status to end with, the reason already said.
    ExitStatus mayWrite(const std::wstring& path);
    bool isEngineFile(const std::wstring& path) const;
    ExitStatus engineMissing();
    // How the console shows a user ID, and a key's user ID as it is shown (marked when it cannot
    // be shown as it is).
    ShownForm shownForm() const;
    std::string shownId(const Key& key) const;
    // After a failure PGP's words cannot explain: the engine's own lines, minus its console noise.
    void engineSays(const EngineResult& result);

    Command c_;
    std::optional<SecretWideText> given_;
    bool givenUsed_ = false;
    bool unanswered_ = false; // a question was needed and there was no console to ask it
    Console& con_;
    Engine engine_;
    std::wstring home_;
    std::string summary_;
    std::optional<mw::SecretString> keyPass_; // the secret key's, once asked by a key command
};

} // namespace pgp
