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
    ExitStatus keyView();
    ExitStatus keyGenerate();
    ExitStatus keyAdd();
    ExitStatus keyExtract();
    ExitStatus keyRemove();
    ExitStatus protect();
    ExitStatus decrypt();
    // A detached signature in `signature`, checked against the file given after it or the one
    // named like it.
    ExitStatus checkDetached(const std::wstring& signature);
    // -m: the plaintext on the console instead of a file; `status` is the decryption's.
    ExitStatus show(const std::string& plaintext, ExitStatus status);
    // Batch mode and no pass phrase where the engine needed one: said in words, status 4.
    ExitStatus passPhraseNeeded(const std::wstring& what);
    // A line of the usual success report, left out with +verbose=0.
    void inform(std::wstring_view line);

    std::optional<std::vector<Key>> listKeys(bool secret);
    // The keys that may match any of `userIds`: the engine narrows the listing where its own
    // matching (ASCII case ignored, any part) finds at least what ours does, so a ring of
    // thousands of keys is not listed whole for one recipient.
    std::optional<std::vector<Key>> candidateKeys(const std::vector<std::wstring>& userIds, bool secret);
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
};

} // namespace pgp
