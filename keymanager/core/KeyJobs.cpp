// The key manager's pgp.exe lines and answers.
#include "keymanager/core/KeyJobs.h"
#include "core/CommandLines.h"
#include <cctype>

namespace keymanager {

namespace {

const char* const kYes = "y\r\n";
const char* const kNo = "n\r\n";

// pgp.exe and its arguments, the lock's deletion after it.
KeyAction job(const JobPlaces& p, const std::string& arguments) {
    KeyAction a;
    a.lines = {mw::batchPath(p.pgpExe, "pgp.exe") + " " + arguments, mw::deleteLine(p.lockFile)};
    return a;
}

std::string keyName(const std::string& keyId) {
    for (char c : keyId)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            throw mw::UnsafeValue("A key ID holds more than hex digits.");
    return "0x" + keyId;
}

void answer(mw::SecretString& answers, std::string_view text) {
    answers += text;
    answers += "\r\n";
}

} // namespace

KeyAction listingAction(const JobPlaces& p, const std::string& listing, const std::string& keyId) {
    const std::string target = " > " + mw::batchPath(listing, "the key listing");
    return keyId.empty() ? job(p, "-kv +colons" + target) : job(p, "-kvv +colons " + keyName(keyId) + target);
}

KeyAction generateAction(const JobPlaces& p, NewKeyKind kind, const std::string& userId, int expireDays,
                         const mw::SecretString& passPhrase) {
    KeyAction a = job(p, "-kg +expire=" + std::to_string(expireDays));
    answer(a.answers, std::to_string(static_cast<int>(kind)));
    answer(a.answers, userId);
    answer(a.answers, passPhrase);
    answer(a.answers, passPhrase);
    return a;
}

KeyAction addAction(const JobPlaces& p, const std::string& file) {
    // No answers: each offer to certify reads the pipe's end, a "no".
    return job(p, "-ka " + mw::batchPath(file, "the key file"));
}

KeyAction exportKeysAction(const JobPlaces& p, const std::vector<std::string>& keyIds,
                           const std::vector<std::string>& files) {
    KeyAction a;
    for (std::size_t i = 0; i < keyIds.size() && i < files.size(); ++i)
        a.lines.push_back(mw::batchPath(p.pgpExe, "pgp.exe") + " -kxa +force " + keyName(keyIds[i]) + " " +
                          mw::batchPath(files[i], "the export file"));
    a.lines.push_back(mw::deleteLine(p.lockFile));
    return a;
}

KeyAction exportSecretAction(const JobPlaces& p, const std::string& keyId, const std::string& file,
                             const mw::SecretString& passPhrase) {
    KeyAction a = job(p, "-kxa +force " + keyName(keyId) + " " + mw::batchPath(file, "the export file") +
                             " secring.skr");
    answer(a.answers, passPhrase);
    return a;
}

KeyAction certifyAction(const JobPlaces& p, const std::string& keyId, const std::string& signerKeyId,
                        const mw::SecretString& passPhrase) {
    KeyAction a = job(p, "-ks " + keyName(keyId) + " -u " + keyName(signerKeyId));
    a.answers = kYes;
    answer(a.answers, passPhrase);
    return a;
}

KeyAction trustAction(const JobPlaces& p, const std::string& keyId, int trust) {
    KeyAction a = job(p, "-ke " + keyName(keyId));
    answer(a.answers, std::to_string(trust));
    return a;
}

KeyAction disableAction(const JobPlaces& p, const std::string& keyId) {
    KeyAction a = job(p, "-kd " + keyName(keyId));
    a.answers = kYes;
    return a;
}

KeyAction revokeAction(const JobPlaces& p, const std::string& keyId, const mw::SecretString& passPhrase) {
    KeyAction a = job(p, "-kd " + keyName(keyId));
    a.answers = kYes;
    answer(a.answers, passPhrase);
    return a;
}

KeyAction changePassPhraseAction(const JobPlaces& p, const std::string& keyId, const mw::SecretString& old,
                                 const mw::SecretString& fresh) {
    KeyAction a = job(p, "-ke " + keyName(keyId));
    a.answers = kNo; // no new user ID
    a.answers += kYes;
    answer(a.answers, old);
    answer(a.answers, fresh);
    answer(a.answers, fresh);
    return a;
}

KeyAction addUserIdAction(const JobPlaces& p, const std::string& keyId, const std::string& userId,
                          const mw::SecretString& passPhrase) {
    KeyAction a = job(p, "-ke " + keyName(keyId));
    a.answers = kYes;
    answer(a.answers, userId);
    answer(a.answers, passPhrase);
    a.answers += kNo; // not the primary one
    a.answers += kNo; // the pass phrase stays
    return a;
}

KeyAction removeAction(const JobPlaces& p, const pgp::Key& key) {
    KeyAction a = job(p, "-kr " + keyName(key.keyId));
    if (!pgp::removableUserIds(key).empty()) a.answers = kYes; // the whole key
    a.answers += kYes;
    if (key.secret) a.answers += kYes;
    return a;
}

KeyAction removeUserIdAction(const JobPlaces& p, const pgp::Key& key, std::size_t index,
                             const mw::SecretString& passPhrase) {
    KeyAction a = job(p, "-kr " + keyName(key.keyId));
    a.answers = kNo; // not the whole key
    for (std::size_t i = 0; i < index; ++i)
        a.answers += kNo;
    a.answers += kYes;
    if (key.secret) answer(a.answers, passPhrase);
    return a;
}

KeyAction expiryAction(const JobPlaces& p, const std::string& keyId, int days,
                       const mw::SecretString& passPhrase) {
    KeyAction a = job(p, "-ke " + keyName(keyId) + " +expire=" + std::to_string(days));
    answer(a.answers, passPhrase);
    return a;
}

} // namespace keymanager
