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

// pgp.exe keeps its keys in the directory PGPPATH names, or else in its working directory, which
// for these jobs is the shown one: without PGPPATH a job would look for keys among the user's
// files (and leave an empty key ring there). PGP's directory from the setup stands in then. A
// PGPPATH the module was started with is the user's choice and stays.
void lendPgpPath(const std::string& pgpDir) {
    static const bool usersOwn = GetEnvironmentVariableA("PGPPATH", nullptr, 0) > 0;
    if (usersOwn) return;
    std::string home = pgpDir;
    while (home.size() > 3 && home.back() == '\\')
        home.pop_back();
    SetEnvironmentVariableA("PGPPATH", home.c_str());
}

} // namespace

void runPgpOperation(FileModuleApp& app, mw::FileOperation operation) {
    const mw::Context& context = app.context();
    TForm1& form = app.form1();
    if (form.selectedIndex() < 0) {
        context.tell("You must select a file first!");
        return;
    }
    std::string file, directory;
    if (!form.systemPaths(file, directory)) return;
    mw::FileJob job;
    job.operation = operation;
    job.pgpExe = app.setup().pgpExe();
    job.pgpDir = app.setup().pgpDir();
    lendPgpPath(job.pgpDir);
    job.selectedFile = file;
    job.workingDirectory = directory;
    job.shift = form.job.ShiftFlag;
    // The key dialogs' own listing jobs read these fields, so they are set before any dialog.
    job.setPaths = [&form](const mw::JobPaths& paths) { form.job.takePaths(paths); };
    job.showSetup = [&app] { app.setup().showModal(); };
    // A dialog closed without OK (or one that offered a first key instead) ends the operation.
    job.promptsBeforeLock = [&app, operation] {
        if (needsRecipients(operation)) app.pubKey().showModal();
        if (needsSigner(operation) && (!needsRecipients(operation) || app.pubKey().chosen()))
            app.secKey().showModal();
    };
    job.abandoned = [&app, operation] {
        return (needsRecipients(operation) && !app.pubKey().chosen()) ||
               (needsSigner(operation) && !app.secKey().chosen());
    };
    job.values = [&form] { return mw::FileJobValues{form.job.Recipients, form.job.Signer}; };
    job.setShortName = [&form](const std::string& shortName) { form.job.ShortName = shortName; };
    // When the job ends the pane shows what it wrote, selected.
    const std::vector<mw::FileStamp> before = form.listedFiles();
    job.refresh = [&form, &before] { form.updateFileList(mw::jobOutput(before, form.listedFiles())); };
    job.announce = [&form](const std::string& text) { form.setStatus(text); };
    mw::JobRunner runner(context.platform(), context.interaction());
    runner.runFileOperation(job);
    // PGP's console had the foreground; the keys go on working in the browser.
    mw::takeActivationBack(form.handle());
}

} // namespace filemodule
