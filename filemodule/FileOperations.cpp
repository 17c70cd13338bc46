// PGP operations of the file module: the selection guard, the key dialogs each one needs, and the
// job through the runner.
#include "filemodule/FileOperations.h"
#include "core/JobRunner.h"
#include "filemodule/FileModuleApp.h"
#include "filemodule/TForm1.h"
#include "win/Application.h"
#include "win/TPGPSetup.h"
#include "win/TPubKey.h"
#include "win/TSecKey.h"

namespace filemodule {

namespace {

bool needsRecipients(mw::FileOperation op) {
    return op == mw::FileOperation::Encrypt || op == mw::FileOperation::SignEncrypt;
}

bool needsSigner(mw::FileOperation op) {
    return op == mw::FileOperation::Sign || op == mw::FileOperation::SignDetached ||
           op == mw::FileOperation::SignEncrypt;
}

} // namespace

void runPgpOperation(FileModuleApp& app, mw::FileOperation operation) {
    auto& application = mw::Application::instance();
    TForm1& form = app.form1();
    if (form.selectedIndex() < 0) {
        application.tell("You must select a file first!");
        return;
    }
    mw::FileJob job;
    job.operation = operation;
    job.pgpExe = app.setup().pgpExe();
    job.pgpDir = app.setup().pgpDir();
    job.selectedFile = form.FileName();
    job.workingDirectory = form.shownDirectory();
    job.shift = form.ShiftFlag;
    // The key dialogs' own listing jobs read these fields, so they are set before any dialog.
    job.setPaths = [&form](const mw::JobPaths& paths) {
        form.LockFile = paths.lockFile;
        form.BatchFile = paths.batchFile;
        form.PGPExe = paths.pgpExe;
        form.PGPDir = paths.pgpDir;
    };
    job.showSetup = [&app] { app.setup().showModal(); };
    job.promptsBeforeLock = [&app, operation] {
        if (needsRecipients(operation)) app.pubKey().showModal();
        if (needsSigner(operation)) app.secKey().showModal();
    };
    job.values = [&form] { return mw::FileJobValues{form.Recipients, form.Signer}; };
    job.setShortName = [&form](const std::string& shortName) { form.ShortName = shortName; };
    job.refresh = [&form] { form.updateFileList(); };
    mw::JobRunner runner(application.platform(), application.interaction());
    runner.runFileOperation(job);
}

} // namespace filemodule
