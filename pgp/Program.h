// One run of pgp.exe: the parsed command carried out through the engine.
#pragma once
#include "pgp/Console.h"
#include "pgp/Engine.h"
#include "pgp/Files.h"
#include "pgp/core/EngineCalls.h"
#include "pgp/core/ExitStatus.h"
#include "pgp/core/Keys.h"
#include "pgp/core/Options.h"
#include <memory>
#include <optional>

namespace pgp {

class FilterInput;

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
    // -kv +colons: the engine's listing of the public keys, then a "sec" and "fpr" line for each
    // key whose secret part is here; readers merge the two by fingerprint.
    ExitStatus keyListingForPrograms(const std::wstring& pattern);
    ExitStatus keyGenerate();
    ExitStatus keyAdd();
    ExitStatus keyExtract();
    // The file -kx writes (-o's, the operand's, else asked for) with a key file's extension; empty
    // when none was given.
    std::wstring extractFileName();
    ExitStatus keyRemove();
    ExitStatus keySign();
    ExitStatus keyEdit();
    ExitStatus keyDisable();
    // -kd on another's key: disabled, or enabled again, after a yes.
    ExitStatus switchKey(const Key& key, bool disable);
    // -kd on one's own key: a revocation certificate made and applied, after a yes.
    ExitStatus revokeOwnKey(const Key& key);
    // `pgp KEYFILE`: the keys in a file shown, and added after a yes, as PGP 2.6 offered.
    ExitStatus offerKeyFile(const std::wstring& file);
    // The keys of `file` added; then, when the user has a signing key, those no trusted signature
    // certifies are offered for certifying.
    ExitStatus addKeys(const std::wstring& file);
    // Certifies `target` with `signer`; `ask`: show the key and ask PGP 2.6's solemn question first.
    ExitStatus certify(const Key& target, const Key& signer, bool ask);
    ExitStatus editOwnKey(const Key& key);
    ExitStatus editTrust(const Key& key);
    // -ke +expire=DAYS: one's own key and its subkeys expire then.
    ExitStatus changeExpiry(const Key& key, int days);
    // -kr on a key with more than one user ID: "no" to the whole key offers each user ID in turn.
    ExitStatus removeUserId(const Key& key, bool own);
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

    // What -e, -s and -c work out before the engine runs.
    struct ProtectJob {
        Protection p;                         // the engine's arguments
        std::wstring input, outName;          // both empty with -f
        std::optional<mw::SecretString> pass; // the secret key's, or the conventional one
        std::wstring signerName;              // the signer's user ID as the console shows it
        std::string signedAs;                 // "\"user ID\" [0x12345678]", for the summary
    };
    // The files of one engine run: the command's input opened afresh and its output in a
    // temporary that takes the output's name only after a success; neither with -f, no output with -m.
    struct RunFiles {
        mw::UniqueHandle in;
        std::optional<OutputFile> out;
    };

    // An encryption that runs while the recipients' keys are listed, the engine matching their
    // names itself. It serves only when the engine chose exactly the keys the listing then
    // chooses; otherwise it is ended and its output wiped.
    class EarlyEncryption;

    ExitStatus protect();
    // The early encryption of a file to the recipients named on the command line; nothing when
    // it cannot be had (then the one engine run comes after the listing, as always).
    std::unique_ptr<EarlyEncryption> encryptMeanwhile(const ProtectJob& job,
                                                      const std::vector<std::wstring>& recipients);
    // The operands: the input file (which must exist) and the recipients named after it.
    ExitStatus protectOperands(ProtectJob& job, std::vector<std::wstring>& recipients);
    // The key of each recipient (asked for when none is named), each confirmed when no trusted
    // signature certifies it.
    ExitStatus chooseRecipients(std::vector<std::wstring> recipients, Protection& p);
    // The signing key and its pass phrase, or the conventional pass phrase.
    ExitStatus choosePassPhrase(ProtectJob& job);
    // The engine's run, asked again after a wrong pass phrase as PGP 2.6 does; the early
    // encryption's run instead, when it chose the keys chosen.
    ExitStatus runProtection(ProtectJob& job, FilterInput* filterIn, EarlyEncryption* early);
    void reportProtection(const ProtectJob& job);

    ExitStatus decrypt();
    // "Cannot name the output": a file without an extension and no -o or -p.
    ExitStatus cannotNameOutput(const std::wstring& input);
    ExitStatus damaged();
    // The message's first bytes, read for what they tell before the engine runs.
    std::string messageHead(const std::wstring& input);
    // After a run that decrypted or checked the message: the verdict said, the plaintext written
    // (or shown), the signature kept with -d.
    ExitStatus deliverPlaintext(const EngineResult& r, RunFiles& files, const std::wstring& input,
                                const std::string& head, std::wstring outName, const mw::SecretString* pass,
                                bool withoutIntegrityCheck);
    // -p: the output named after the name kept in the message, when that name is safe.
    std::wstring preservedName(const EngineReport& report, const std::wstring& input);
    // After a failed run: whether a pass phrase asked of the user (again) may help it.
    bool passPhraseWouldHelp(const EngineResult& r, bool havePass, int attempt) const;
    // Asks for it, saying first why the one given failed; true when one was given.
    bool askPassPhraseAgain(const EngineReport& report, std::optional<mw::SecretString>& pass);

    // Opens the files of a run over `input`, and the output's temporary when `outName` is given;
    // nothing with -f. Ok, or the status to end with, the refusal said, when one cannot be opened.
    ExitStatus openRunFiles(const std::wstring& input, const std::wstring* outName, RunFiles& files);
    // The engine run over those files, or over standard input and output with -f.
    EngineResult runOver(RunFiles& files, FilterInput* filterIn, std::vector<std::wstring> arguments,
                         const mw::SecretString* pass, bool needsAgent);
    // "Cannot write NAME." and the status it ends with.
    ExitStatus cannotWrite(const std::wstring& name);
    // A detached signature in `signature`, checked against the file given after it or the one
    // named like it.
    ExitStatus checkDetached(const std::wstring& signature);
    // The file a detached signature signs when none is given: the one named like it, else asked
    // for; empty when there is none.
    std::wstring signedFileOf(const std::wstring& signature);
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

    // `signatures`: public keys with the certifications on their user IDs. A listing the engine
    // ended with an error leaves its result in `failure`, when given.
    std::optional<std::vector<Key>> listKeys(bool secret, bool signatures = false,
                                             EngineResult* failure = nullptr, bool keygrips = false);
    // The home's public ring is there, yet the engine could not list it: said, status 15, so that
    // a ring that failed never reads as a ring without keys.
    bool ringExists() const;
    ExitStatus ringNotListed(const EngineResult& result);
    // The keys that may match any of `userIds`: the engine narrows the listing where its own
    // matching (ASCII case ignored, any part) finds at least what ours does, so a ring of
    // thousands of keys is not listed whole for one recipient.
    std::optional<std::vector<Key>> candidateKeys(const std::vector<std::wstring>& userIds, bool secret,
                                                  bool signatures = false, bool keygrips = false);
    // The keys with a secret part that may match `userId`. The public listing runs while the
    // agent starts, which then names the keys it holds: the engine's own secret listing would
    // wait for the agent first, then ask it about every key in turn.
    std::optional<std::vector<Key>> secretCandidates(const std::wstring& userId);
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
