// Start-up of the key manager: title, main window, setup dialog.
#include "keymanager/KeyManagerApp.h"
#include "core/ProgramProfile.h"
#include "keymanager/TForm1.h"
#include "win/Application.h"
#include "win/TPGPSetup.h"

namespace keymanager {

KeyManagerApp::KeyManagerApp(mw::Application& application) : context_(mw::keyManagerProfile(), application) {
    application.setTitle(context_.profile().title);
    form1_ = std::make_unique<TForm1>(*this);
    setup_ = std::make_unique<mw::TPGPSetup>(context_);
}

KeyManagerApp::~KeyManagerApp() {
    setup_.reset();
    form1_.reset();
    context_.application().setMainWindow(nullptr);
}

int KeyManagerApp::run() {
    form1_->showMain();
    // Without pgp.exe there is nothing to list yet: the window says where to set it, instead of
    // opening boxes before it has been seen.
    if (context_.platform().fileExists(setup_->pgpExe()))
        form1_->refreshKeys();
    else
        form1_->setStatus("pgp.exe is not where PGP Setup says it is: choose Keys, PGP Setup to set it.");
    return context_.application().run();
}

} // namespace keymanager
