// The message operations over the job runner.
#include "editor/MessageOperations.h"
#include "core/JobRunner.h"
#include "editor/EditorApp.h"
#include "editor/TForm1.h"
#include "editor/TForm2.h"
#include "editor/TextTools.h"
#include "win/Application.h"
#include "win/TPGPSetup.h"
#include "win/TPubKey.h"
#include "win/TSecKey.h"

namespace editor {

MessageOperations::MessageOperations(EditorApp& app, StoredPassPhrase passPhrase)
    : app_(app), passPhrase_(std::move(passPhrase)) {}

void MessageOperations::pasteAndDecrypt() {
    app_.form1().tools().pasteMessage();
    decrypt();
}

void MessageOperations::run(mw::EditorOperation operation) {
    using Op = mw::EditorOperation;
    const mw::Context& context = app_.context();
    TForm1& form = app_.form1();
    mw::TPGPSetup& setup = app_.setup();
    const bool decrypt = operation == Op::Decrypt;

    mw::EditorJob job;
    job.operation = operation;
    job.pgpExe = setup.pgpExe();
    job.pgpDir = setup.pgpDir();
    job.setPaths = [&form](const mw::JobPaths& p) { form.job.takePaths(p); };
    job.showSetup = [&setup] { setup.showModal(); };
    // A dialog closed without OK (or one that offered a first key instead) ends the operation:
    // no job, nothing more said. Sign & Encrypt asks for the signer only after the recipients.
    const bool recipients = operation == Op::Encrypt || operation == Op::SignEncrypt;
    const bool signer = operation == Op::Sign || operation == Op::SignEncrypt;
    job.promptsBeforeLock = [this, recipients, signer] {
        if (recipients) app_.pubKey().showModal();
        if (signer && (!recipients || app_.pubKey().chosen())) app_.secKey().showModal();
    };
    job.abandoned = [this, recipients, signer] {
        return (recipients && !app_.pubKey().chosen()) || (signer && !app_.secKey().chosen());
    };
    job.promptsAfterLock = [this, &setup, decrypt] {
        if (decrypt && setup.storePassPhrase() && passPhrase_.empty()) passPhrase_.ask();
    };
    job.values = [this, &form, &setup, decrypt] {
        mw::EditorJobValues v;
        v.recipients = form.job.Recipients;
        v.signer = form.job.Signer;
        // Only Decrypt hands PGP the stored pass phrase; for the others PGP asks in its console.
        v.passPhraseOn = decrypt && setup.storePassPhrase();
        if (v.passPhraseOn) {
            auto phrase = passPhrase_.value();
            if (!phrase)
                throw mw::UnsafeValue(
                    "The pass phrase cannot be passed to PGP: it contains a character that "
                    "Windows' code page cannot hold, so PGP would be given another pass phrase.");
            v.passPhrase = std::move(*phrase);
        }
        v.shift = form.job.ShiftFlag;
        return v;
    };
    job.saveInput = [&form](const std::string& input) { form.tools().saveText(input); };
    job.pickUp = [this, &form, decrypt](const std::string& output) {
        form.tools().loadText(output, decrypt ? std::vector<std::string>{} : app_.signature().lines());
    };
    job.announce = [&form](const std::string& text) { form.showOutcome(text); };
    mw::JobRunner(context.platform(), context.interaction()).runEditorOperation(job);
    // PGP's console had the foreground; typing goes on in the message.
    mw::takeActivationBack(form.handle());
}

} // namespace editor
