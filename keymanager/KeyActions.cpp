// The key manager's actions over pgp.exe.
#include "keymanager/KeyActions.h"
#include "core/CodePages.h"
#include "core/CommandLines.h"
#include "core/Errors.h"
#include "core/JobRunner.h"
#include "core/ProgramProfile.h"
#include "keymanager/KeyManagerApp.h"
#include "keymanager/TChoice.h"
#include "keymanager/TForm1.h"
#include "keymanager/TNewKey.h"
#include "keymanager/TPassPhrase.h"
#include "keymanager/core/KeyTable.h"
#include "win/Application.h"
#include "win/SystemText.h"
#include "win/TPGPSetup.h"
#include <algorithm>
#include <windows.h>

namespace keymanager {

namespace {

// A listing of a hundred thousand keys is some tens of megabytes.
constexpr std::uint64_t kListingLimit = 1ull << 31;
// The file a key passes through on its way to or from the clipboard; public keys only.
const char* const kClipboardFile = "wendal.asc";

std::optional<std::string> clipboardText(HWND owner) {
    if (!OpenClipboard(owner)) return std::nullopt;
    std::optional<std::string> text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT))
        if (auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = mw::fromWide(CP_UTF8, chars);
            GlobalUnlock(data);
        }
    CloseClipboard();
    return text;
}

bool putOnClipboard(HWND owner, const std::string& utf8) {
    const std::wstring text = mw::toWide(CP_UTF8, utf8);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    if (!memory) return false;
    if (auto* chars = static_cast<wchar_t*>(GlobalLock(memory))) {
        std::copy(text.c_str(), text.c_str() + text.size() + 1, chars);
        GlobalUnlock(memory);
    }
    if (!OpenClipboard(owner)) {
        GlobalFree(memory);
        return false;
    }
    EmptyClipboard();
    const bool put = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    if (!put) GlobalFree(memory);
    return put;
}

std::string quotedId(const pgp::Key& key) {
    return "\"" + (key.userIds.empty() ? "0x" + key.keyId : shownText(key.userIds.front().text)) + "\"";
}

} // namespace

JobPlaces KeyActions::places() const {
    auto& setup = app_.setup();
    return {setup.pgpExe(), setup.pgpDir(), setup.pgpDir() + app_.context().profile().lockName};
}

std::string KeyActions::inPgpDirectory(const std::string& name) const {
    return app_.setup().pgpDir() + name;
}

void KeyActions::tell(const std::string& text) const {
    app_.context().tell(text);
}

bool KeyActions::ask(const std::string& text, bool warning) const {
    return app_.context().interaction().question(app_.context().profile().boxCaption, text,
                                                 warning ? mw::BoxIcon::Warning : mw::BoxIcon::Question);
}

bool KeyActions::run(const KeyAction& action, const std::string& doing) {
    TForm1& form = app_.form1();
    const mw::JobPaths paths{places().pgpExe, places().pgpDir,
                             inPgpDirectory(app_.context().profile().batchName), places().lockFile};
    form.job.takePaths(paths);
    mw::KeyJob job{.pgpExe = paths.pgpExe,
                   .showSetup = [this] { app_.setup().showModal(); },
                   .pgpDir = paths.pgpDir,
                   .batchFile = paths.batchFile,
                   .lockFile = paths.lockFile,
                   .lines = action.lines,
                   .answers = action.answers};
    form.setStatus(doing);
    last_.reset();
    mw::JobRunner runner(app_.context().platform(), app_.context().interaction());
    mw::JobEnd end = mw::JobEnd::Refused;
    try {
        end = runner.runKeyJob(job, last_);
    } catch (const mw::IoError& e) {
        form.setStatus("");
        tell(e.what());
        return false;
    }
    form.setStatus("");
    if (end != mw::JobEnd::Finished) return false;
    if (!last_) {
        tell("pgp.exe ended without saying what came of it; it may not be this system's pgp.exe.");
        return false;
    }
    if (last_->bad) {
        app_.context().interaction().message(app_.context().profile().boxCaption, last_->text,
                                             mw::BoxIcon::Error);
        return false;
    }
    if (!last_->text.empty()) form.setStatus(last_->text);
    return true;
}

std::optional<std::vector<pgp::Key>> KeyActions::listed(const std::string& keyId) {
    const std::string listing = inPgpDirectory(app_.context().profile().listingName);
    auto& platform = app_.context().platform();
    mw::deleteIfExists(platform, listing);
    KeyAction action;
    try {
        action = listingAction(places(), listing, keyId);
    } catch (const mw::UnsafeValue& e) {
        tell(e.what());
        return std::nullopt;
    }
    const bool ran = run(action, "Listing the keys...");
    std::optional<std::vector<pgp::Key>> keys;
    try {
        if (ran && platform.fileExists(listing))
            if (auto text = platform.readWholeFile(listing, kListingLimit)) keys = mergeListing(*text);
    } catch (const mw::IoError& e) {
        tell(e.what());
    }
    mw::deleteIfExists(platform, listing);
    if (ran && !keys) tell("pgp.exe listed no keys: " + listing + " was not written.");
    return keys;
}

void KeyActions::listKeys(const std::string& select) {
    auto keys = listed({});
    if (!keys) return;
    app_.form1().showKeys(std::move(*keys), select);
}

const pgp::Key* KeyActions::chosen(bool own) {
    const pgp::Key* key = app_.form1().selectedKey();
    if (!key) {
        tell("Select a key in the list first.");
        return nullptr;
    }
    if (own && !key->secret) {
        tell("You do not hold the secret key of " + quotedId(*key) + "; only its owner can do this.");
        return nullptr;
    }
    return key;
}

std::optional<mw::SecretString> KeyActions::passPhrase(const std::string& prompt, bool twice) {
    TPassPhrase box(app_.context(), prompt, twice);
    return box.ask();
}

std::optional<std::string> KeyActions::forConsole(const std::string& utf8, const std::string& what) {
    auto& platform = app_.context().platform();
    auto text = mw::recode(platform, utf8, 65001, platform.consoleCodePage());
    if (!text)
        tell(what + " holds a character that cannot be handed to pgp.exe in this system's console code "
                    "page. Use other characters.");
    return text;
}

std::optional<pgp::Key> KeyActions::signingKey() {
    std::vector<pgp::Key> own;
    for (const pgp::Key& key : app_.form1().table().keys())
        if (key.secret && key.canSign()) own.push_back(key);
    if (own.empty()) {
        tell("You hold no secret key that can certify. Make a key pair first (Keys, New Key Pair).");
        return std::nullopt;
    }
    if (own.size() == 1) return own.front();
    std::vector<std::string> names;
    for (const pgp::Key& key : own)
        names.push_back(quotedId(key) + " 0x" + key.keyId);
    TChoice box(app_.context().application(), "Certify With", "Which of your keys certifies it?", names, 0);
    auto picked = box.ask();
    if (!picked) return std::nullopt;
    return own[static_cast<std::size_t>(*picked)];
}

void KeyActions::newKeyPair() {
    TNewKey box(app_.context().application());
    auto request = box.ask();
    if (!request) return;
    auto userId = forConsole(request->userId, "The user ID");
    if (!userId) return;
    auto pass =
        passPhrase("The pass phrase that protects your new secret key. Nobody can use your key without "
                   "it; choose one that is long and that you will remember.",
                   true);
    if (!pass) return;
    std::vector<std::string> before;
    for (const pgp::Key& key : app_.form1().table().keys())
        before.push_back(key.fingerprint);
    KeyAction action = generateAction(places(), request->kind, *userId, request->expireDays, *pass);
    pass.reset();
    const bool made = run(action, "Making your key pair; this takes a moment...");
    action.answers.clear();
    if (!made) return;
    auto keys = listed({});
    if (!keys) return;
    std::string fresh;
    for (const pgp::Key& key : *keys)
        if (key.secret && std::find(before.begin(), before.end(), key.fingerprint) == before.end())
            fresh = key.fingerprint;
    app_.form1().showKeys(std::move(*keys), fresh);
    app_.form1().setStatus("Your key pair is made.");
    if (fresh.empty()) return;
    if (ask("Your key pair is made. Save a backup of it now?\n\nThe backup holds your secret key, protected "
            "by your pass phrase. Keep it somewhere safe and away from this computer."))
        exportSecretKey();
    offerRevocationCertificate(fresh);
}

void KeyActions::offerRevocationCertificate(const std::string& fingerprint) {
    // The engine makes one with every key, in its own folder of PGP's directory.
    auto& platform = app_.context().platform();
    const std::string certificate = inPgpDirectory("openpgp-revocs.d\\" + fingerprint + ".rev");
    if (!platform.fileExists(certificate) || !ask("Save a revocation certificate for your new key "
                                                  "too?\n\nWith it you can revoke the key even when it "
                                                  "is lost or its pass phrase forgotten. Whoever has it can "
                                                  "revoke your key: keep it apart from the "
                                                  "backup, on paper or a medium of its own."))
        return;
    mw::FileDialogRequest request{
        .title = "Save the Revocation Certificate",
        .filters = {{"Revocation certificates (*.rev)", "*.rev"}, {"All files (*.*)", "*.*"}},
        .fileName = "revoke-0x" + fingerprint.substr(24) + ".rev",
        .defaultExtension = "rev",
        .hideReadOnly = true,
        .overwritePrompt = true};
    auto file = app_.context().interaction().saveFile(request);
    if (!file) return;
    if (platform.copyFile(certificate, *file, true) == mw::Platform::CopyResult::Copied)
        app_.form1().setStatus("The revocation certificate is saved in " + *file + ".");
    else
        tell("The revocation certificate could not be saved in " + *file + ": " + platform.lastErrorText());
}

void KeyActions::addFromFiles() {
    mw::FileDialogRequest request{
        .title = "Add Keys",
        .filters = {{"Key files (*.asc;*.pgp;*.gpg;*.key)", "*.asc;*.pgp;*.gpg;*.key"},
                    {"All files (*.*)", "*.*"}},
        .fileMustExist = true,
        .hideReadOnly = true};
    addFiles(app_.context().interaction().openFiles(request));
}

void KeyActions::addFiles(const std::vector<std::string>& files) {
    if (files.empty()) return;
    std::vector<std::string> before;
    for (const pgp::Key& key : app_.form1().table().keys())
        before.push_back(key.fingerprint);
    std::string said;
    for (const std::string& file : files) {
        KeyAction action;
        try {
            action = addAction(places(), file);
        } catch (const mw::UnsafeValue& e) {
            tell(e.what());
            continue;
        }
        if (run(action, "Adding the keys of " + file + "...") && last_ && !last_->text.empty())
            said += file + ": " + last_->text + "\n";
    }
    listKeys();
    if (!said.empty()) tell(said);
    offerCertification(before);
}

void KeyActions::addFromClipboard() {
    auto text = clipboardText(app_.form1().handle());
    if (!text || text->find("-----BEGIN PGP PUBLIC KEY BLOCK-----") == std::string::npos) {
        tell("The clipboard holds no public key: copy a key's text, from \"-----BEGIN PGP PUBLIC KEY "
             "BLOCK-----\" "
             "to its end, first.");
        return;
    }
    const std::string file = inPgpDirectory(kClipboardFile);
    auto& platform = app_.context().platform();
    try {
        platform.writeWholeFile(file, *text);
    } catch (const mw::IoError& e) {
        tell(e.what());
        return;
    }
    addFiles({file});
    mw::deleteIfExists(platform, file);
}

std::optional<std::string> KeyActions::exported(const std::vector<const pgp::Key*>& keys) {
    auto& platform = app_.context().platform();
    std::vector<std::string> ids, files;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        ids.push_back(keys[i]->keyId);
        files.push_back(inPgpDirectory("wendal" + std::to_string(i + 1) + ".asc"));
    }
    auto removeFiles = [&] {
        for (const std::string& file : files)
            mw::deleteIfExists(platform, file);
    };
    std::optional<std::string> text;
    try {
        removeFiles();
        if (run(exportKeysAction(places(), ids, files),
                keys.size() == 1 ? "Exporting the key..." : "Exporting the keys...")) {
            text.emplace();
            for (std::size_t i = 0; i < files.size() && text; ++i) {
                // pgp.exe says what came of its last run only: each key's file shows it was written.
                auto one =
                    platform.fileExists(files[i]) ? platform.readWholeFile(files[i], 1u << 24) : std::nullopt;
                if (one)
                    *text += *one;
                else {
                    tell("The key " + quotedId(*keys[i]) + " (0x" + keys[i]->keyId +
                         ") could not be exported.");
                    text.reset();
                }
            }
        }
    } catch (const std::exception& e) {
        tell(e.what());
        text.reset();
    }
    removeFiles();
    return text;
}

void KeyActions::exportToFile() {
    const std::vector<const pgp::Key*> keys = app_.form1().selectedKeys();
    if (keys.empty()) {
        tell("Select a key in the list first.");
        return;
    }
    mw::FileDialogRequest request{.title = keys.size() == 1 ? "Export Public Key" : "Export Public Keys",
                                  .filters = {{"Armoured keys (*.asc)", "*.asc"}, {"All files (*.*)", "*.*"}},
                                  .fileName = keys.size() == 1 ? "0x" + keys[0]->keyId.substr(8) + ".asc"
                                                               : "keys.asc",
                                  .defaultExtension = "asc",
                                  .hideReadOnly = true,
                                  .overwritePrompt = true};
    auto file = app_.context().interaction().saveFile(request);
    if (!file) return;
    auto text = exported(keys);
    if (!text) return;
    auto& platform = app_.context().platform();
    try {
        platform.writeWholeFile(*file, *text);
    } catch (const mw::IoError& e) {
        tell(e.what());
        return;
    }
    app_.form1().setStatus(keys.size() == 1
                               ? "The public key of " + quotedId(*keys[0]) + " is in " + *file + "."
                               : std::to_string(keys.size()) + " public keys are in " + *file + ".");
}

void KeyActions::copyToClipboard() {
    const std::vector<const pgp::Key*> keys = app_.form1().selectedKeys();
    if (keys.empty()) {
        tell("Select a key in the list first.");
        return;
    }
    auto text = exported(keys);
    if (!text) return;
    if (putOnClipboard(app_.form1().handle(), *text))
        app_.form1().setStatus(keys.size() == 1
                                   ? "The public key of " + quotedId(*keys[0]) + " is on the clipboard."
                                   : std::to_string(keys.size()) + " public keys are on the clipboard.");
    else
        tell("The keys could not be put on the clipboard: " + app_.context().platform().lastErrorText());
}

void KeyActions::exportSecretKey() {
    const pgp::Key* selected = chosen(true);
    if (!selected) return;
    const pgp::Key key = *selected;
    if (!ask("This writes your SECRET key " + quotedId(key) +
                 " to a file. Whoever has that file and learns your pass phrase can read your messages and "
                 "sign "
                 "as you.\n\nWrite it only to a place you alone reach, as a backup. Go on?",
             true))
        return;
    mw::FileDialogRequest request{.title = "Export Your Secret Key",
                                  .filters = {{"Armoured keys (*.asc)", "*.asc"}, {"All files (*.*)", "*.*"}},
                                  .fileName = "secret-0x" + key.keyId.substr(8) + ".asc",
                                  .defaultExtension = "asc",
                                  .hideReadOnly = true,
                                  .overwritePrompt = true};
    auto file = app_.context().interaction().saveFile(request);
    if (!file) return;
    auto pass = passPhrase("The pass phrase of your secret key " + quotedId(key) + ":");
    if (!pass) return;
    try {
        run(exportSecretAction(places(), key.keyId, *file, *pass), "Exporting your secret key...");
    } catch (const mw::UnsafeValue& e) {
        tell(e.what());
    }
}

void KeyActions::certify() {
    const pgp::Key* selected = chosen();
    if (!selected) return;
    const pgp::Key key = *selected;
    auto signer = signingKey();
    if (!signer) return;
    if (!ask("Certify that this key belongs to " + quotedId(key) +
             "?\n\nCompare its fingerprint with the one its owner gives you in person or by telephone:\n\n" +
             fingerprintGroups(key.fingerprint) + "\n\nCertify only when they are the same."))
        return;
    auto pass = passPhrase("The pass phrase of your secret key " + quotedId(*signer) + ":");
    if (!pass) return;
    if (run(certifyAction(places(), key.keyId, signer->keyId, *pass), "Certifying the key..."))
        listKeys(key.fingerprint);
}

void KeyActions::trustOwner() {
    const pgp::Key* selected = chosen();
    if (!selected) return;
    const pgp::Key key = *selected;
    if (key.secret) {
        tell("Your own key is trusted completely; there is nothing to set.");
        return;
    }
    TChoice box(app_.context().application(), "Trust Its Owner",
                "How far do you trust " + quotedId(key) +
                    " to certify other people's keys to you? Keys certified by a trusted owner become valid.",
                {"I don't know", "Not at all", "Usually", "Always"}, 0);
    auto picked = box.ask();
    if (!picked) return;
    if (run(trustAction(places(), key.keyId, *picked + 1), "Setting the trust...")) listKeys(key.fingerprint);
}

void KeyActions::disableOrEnable() {
    const pgp::Key* selected = chosen();
    if (!selected) return;
    const pgp::Key key = *selected;
    if (key.secret) {
        tell("Your own key is not disabled; revoke it if it must not be used any more.");
        return;
    }
    const bool disabled = key.disabled();
    if (!ask((disabled ? "Enable " : "Disable ") + quotedId(key) +
             (disabled ? " again?" : "? A disabled key is not used until you enable it again.")))
        return;
    if (run(disableAction(places(), key.keyId), disabled ? "Enabling the key..." : "Disabling the key..."))
        listKeys(key.fingerprint);
}

void KeyActions::revoke() {
    const pgp::Key* selected = chosen(true);
    if (!selected) return;
    const pgp::Key key = *selected;
    if (!ask("Revoke your key " + quotedId(key) +
                 " for good? Nobody can encrypt to it or trust its signatures after that, and it cannot be "
                 "undone. Send the revoked key to those who have it.",
             true))
        return;
    auto pass = passPhrase("The pass phrase of your secret key " + quotedId(key) + ":");
    if (!pass) return;
    if (run(revokeAction(places(), key.keyId, *pass), "Revoking your key...")) listKeys(key.fingerprint);
}

void KeyActions::changePassPhrase() {
    const pgp::Key* selected = chosen(true);
    if (!selected) return;
    const pgp::Key key = *selected;
    auto old = passPhrase("The pass phrase of your secret key " + quotedId(key) + " as it is now:");
    if (!old) return;
    auto fresh = passPhrase("The new pass phrase:", true);
    if (!fresh) return;
    run(changePassPhraseAction(places(), key.keyId, *old, *fresh), "Changing the pass phrase...");
}

void KeyActions::addUserId() {
    const pgp::Key* selected = chosen(true);
    if (!selected) return;
    const pgp::Key key = *selected;
    auto typed = app_.context().interaction().input("Add a User ID",
                                                    "The new user ID, as \"Name <e-mail address>\":", "");
    if (!typed || typed->empty()) return;
    if (std::any_of(typed->begin(), typed->end(),
                    [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
        tell("A user ID added to a key must be plain ASCII.");
        return;
    }
    auto pass = passPhrase("The pass phrase of your secret key " + quotedId(key) + ":");
    if (!pass) return;
    if (run(addUserIdAction(places(), key.keyId, *typed, *pass), "Adding the user ID..."))
        listKeys(key.fingerprint);
}

void KeyActions::removeUserId() {
    const pgp::Key* selected = chosen();
    if (!selected) return;
    const pgp::Key key = *selected;
    const std::vector<const pgp::UserId*> removable = pgp::removableUserIds(key);
    if (removable.empty()) {
        tell("The key " + quotedId(key) +
             " has only one user ID, and a key keeps one. Remove the key instead.");
        return;
    }
    std::vector<std::string> names;
    for (const pgp::UserId* id : removable)
        names.push_back(shownText(id->text));
    TChoice box(app_.context().application(), "Remove a User ID",
                key.secret ? "Which user ID of your key do you want to revoke? Those who get your key again "
                             "learn that it is no longer yours."
                           : "Which user ID do you want to remove from this key in your key ring?",
                names, 0);
    auto picked = box.ask();
    if (!picked) return;
    const auto index = static_cast<std::size_t>(*picked);
    mw::SecretString none;
    std::optional<mw::SecretString> pass;
    if (key.secret) {
        pass = passPhrase("The pass phrase of your secret key " + quotedId(key) + ":");
        if (!pass) return;
    }
    if (run(removeUserIdAction(places(), key, index, pass ? *pass : none), "Removing the user ID..."))
        listKeys(key.fingerprint);
}

void KeyActions::changeExpiry() {
    const pgp::Key* selected = chosen(true);
    if (!selected) return;
    const pgp::Key key = *selected;
    std::vector<std::string> names;
    for (const ExpiryChoice& e : kExpiryChoices)
        names.push_back(e.text);
    TChoice box(app_.context().application(), "Change the Expiry",
                "When should your key " + quotedId(key) +
                    " expire, counted from today? You can change it again as long as you hold the key.",
                names, 0);
    auto picked = box.ask();
    if (!picked) return;
    auto pass = passPhrase("The pass phrase of your secret key " + quotedId(key) + ":");
    if (!pass) return;
    if (run(expiryAction(places(), key.keyId, kExpiryChoices[*picked].days, *pass), "Changing the expiry..."))
        listKeys(key.fingerprint);
}

void KeyActions::remove() {
    std::vector<pgp::Key> keys;
    for (const pgp::Key* key : app_.form1().selectedKeys())
        keys.push_back(*key);
    if (keys.empty()) {
        tell("Select a key in the list first.");
        return;
    }
    // Every key by name, then every secret key again, apart: nothing goes unless both are agreed to.
    std::string names, secrets;
    std::size_t secretCount = 0;
    for (const pgp::Key& key : keys) {
        names += "\n" + quotedId(key) + " (0x" + key.keyId + ")";
        if (key.secret) {
            secrets += "\n" + quotedId(key);
            ++secretCount;
        }
    }
    const std::string question =
        keys.size() == 1
            ? "Remove the public key " + quotedId(keys[0]) + " (0x" + keys[0].keyId + ") from your key ring?"
            : "Remove these " + std::to_string(keys.size()) + " public keys from your key ring?\n" + names;
    if (!ask(question)) return;
    const std::string warning =
        std::string(secretCount == 1 ? "This is YOUR key: its SECRET key goes"
                                     : "These are YOUR keys: their SECRET keys go") +
        " too, and with it everything that was encrypted to it can no longer be read, unless you have a "
        "backup.\n\nRemove for good the secret key of:\n" +
        secrets;
    if (secretCount > 0 && !ask(warning, true)) return;
    for (const pgp::Key& key : keys)
        if (!run(removeAction(places(), key), "Removing the key " + quotedId(key) + "...")) break;
    listKeys();
}

void KeyActions::showCertifications() {
    const pgp::Key* selected = chosen();
    if (!selected) return;
    const std::string keyId = selected->keyId;
    auto keys = listed(keyId);
    if (!keys) return;
    for (const pgp::Key& key : *keys)
        if (key.keyId == keyId) {
            SetWindowTextW(app_.form1().detailsPane(), mw::toWide(CP_UTF8, detailsText(key)).c_str());
            return;
        }
}

void KeyActions::offerCertification(const std::vector<std::string>& before) {
    for (const pgp::Key& key : app_.form1().table().keys()) {
        if (key.secret || key.certified() || key.unusable() != pgp::Key::Unusable::No ||
            std::find(before.begin(), before.end(), key.fingerprint) != before.end())
            continue;
        const bool anyOwn =
            std::any_of(app_.form1().table().keys().begin(), app_.form1().table().keys().end(),
                        [](const pgp::Key& k) { return k.secret; });
        if (!anyOwn) return;
        if (!ask(
                "The new key " + quotedId(key) +
                " is not certified by anybody you trust, so it is not used for encryption without asking.\n\n"
                "Do you want to certify it yourself now?"))
            continue;
        app_.form1().selectKey(key.fingerprint);
        certify();
        return;
    }
}

} // namespace keymanager
