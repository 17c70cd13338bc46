// The key manager's actions: each asks what it needs in its boxes, runs its pgp.exe job through
// the job runner, tells the user in words what came of it and lists the keys again.
#pragma once
#include "core/JobOutcome.h"
#include "keymanager/core/KeyJobs.h"
#include "pgp/core/Keys.h"
#include <optional>
#include <string>
#include <vector>

namespace keymanager {

class KeyManagerApp;

class KeyActions {
public:
    explicit KeyActions(KeyManagerApp& app) : app_(app) {}

    // Lists every key into the window; `select` (a fingerprint) is selected.
    void listKeys(const std::string& select = {});
    void newKeyPair();
    void addFromFiles();
    void addFromClipboard();
    // Adds the keys of each file in turn, then says what came of it.
    void addFiles(const std::vector<std::string>& files);
    void exportToFile();
    void copyToClipboard();
    void exportSecretKey();
    void certify();
    void trustOwner();
    void disableOrEnable();
    void revoke();
    void changePassPhrase();
    void addUserId();
    void removeUserId();
    void changeExpiry();
    void remove();
    // The selected key listed again with the certifications on its user IDs, in the details pane.
    void showCertifications();

private:
    // The paths of a job from the setup dialog.
    JobPlaces places() const;
    std::string inPgpDirectory(const std::string& name) const;
    // Runs a job; its words go to the status line (good news) or a box (bad). True when pgp.exe
    // ran to its end and said it succeeded.
    bool run(const KeyAction& action, const std::string& doing);
    // The keys of a listing job into `listing`, or nullopt when it did not run.
    std::optional<std::vector<pgp::Key>> listed(const std::string& keyId);
    // The selected key, after telling the user to select one when none is; with `own`, only a key
    // whose secret key you hold.
    const pgp::Key* chosen(bool own = false);
    // One of your secret keys to certify with: the only one, or the one you pick.
    std::optional<pgp::Key> signingKey();
    std::optional<mw::SecretString> passPhrase(const std::string& prompt, bool twice = false);
    // UTF-8 text in the console's code page, as pgp.exe reads its answers; nullopt after telling the
    // user that `what` holds a character that page lacks.
    std::optional<std::string> forConsole(const std::string& utf8, const std::string& what);
    void tell(const std::string& text) const;
    bool ask(const std::string& text, bool warning = false) const;
    // The public keys of `keys`, armoured one after another; nullopt after telling why not.
    std::optional<std::string> exported(const std::vector<const pgp::Key*>& keys);
    // Offers to save the revocation certificate the engine made with the key of `fingerprint`.
    void offerRevocationCertificate(const std::string& fingerprint);
    // Offers to certify the keys just added that nobody you trust has certified.
    void offerCertification(const std::vector<std::string>& before);

    KeyManagerApp& app_;
    std::optional<mw::OutcomeNotice> last_; // what the last job came to
};

} // namespace keymanager
