// Start-up of the file module: title, then its five windows in order.
#include "filemodule/FileModuleApp.h"
#include "win/Application.h"
#include "filemodule/TAboutBox.h"
#include "filemodule/TForm1.h"
#include "core/ProgramProfile.h"
#include "win/TPGPSetup.h"
#include "win/TPubKey.h"
#include "win/TSecKey.h"

namespace filemodule {

FileModuleApp::FileModuleApp(mw::Application& application) : context_(mw::fileModuleProfile(), application) {
    application.setTitle(context_.profile().title);
    form1_ = std::make_unique<TForm1>(*this);
    about_ = std::make_unique<TAboutBox>(context_);
    setup_ = std::make_unique<mw::TPGPSetup>(context_);
    // Started in PGP's directory: listed again now that it is known, without the engine's files.
    if (form1_->showsPgpDirectory()) form1_->updateFileList();
    // The calling operation has set the main window's paths; the rest comes from the setup dialog.
    auto keySources = [this] {
        const mw::JobState& job = form1_->job;
        return mw::KeyListingSources{job.PGPExe,   setup_->pgpDir(),     job.BatchFile,
                                     job.LockFile, setup_->publicRing(), setup_->secretRing()};
    };
    pubKey_ = std::make_unique<mw::TPubKey>(
        context_,
        mw::KeyDialogLink{keySources, [this](const std::string& s) { form1_->job.Recipients = s; }});
    secKey_ = std::make_unique<mw::TSecKey>(
        context_, mw::KeyDialogLink{keySources, [this](const std::string& s) { form1_->job.Signer = s; }});
}

FileModuleApp::~FileModuleApp() {
    secKey_.reset();
    pubKey_.reset();
    setup_.reset();
    about_.reset();
    form1_.reset();
    context_.application().setMainWindow(nullptr);
}

int FileModuleApp::run() {
    form1_->showMain();
    return context_.application().run();
}

} // namespace filemodule
