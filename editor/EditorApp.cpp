// Start-up of the editor: title, then every window in its fixed order.
#include "editor/EditorApp.h"
#include "win/Application.h"
#include "editor/TBox.h"
#include "editor/TForm1.h"
#include "editor/TForm2.h"
#include "editor/TForm3.h"
#include "editor/TKey.h"
#include "core/ProgramProfile.h"
#include "win/TPGPSetup.h"
#include "win/TPubKey.h"
#include "win/TSecKey.h"

namespace editor {

EditorApp::EditorApp(mw::Application& application) : context_(mw::editorProfile(), application) {
    application.setTitle(context_.profile().title);
    // The main window comes first: closing it ends the program.
    form1_ = std::make_unique<TForm1>(*this);
    mw::TPGPSetup::EditorLink link;
    link.moveButtonBar = [this](bool left) { form1_->dockButtonBar(left); };
    link.windowValues = [this] { return form1_->windowValues(); };
    setup_ = std::make_unique<mw::TPGPSetup>(context_, link);
    // The key dialogs read the setup dialog at every showing and hand their choice to the main window.
    auto keySources = [this] {
        return mw::KeyListingSources{setup_->pgpExe(),     setup_->pgpDir(),    {}, {},
                                     setup_->publicRing(), setup_->secretRing()};
    };
    secKey_ = std::make_unique<mw::TSecKey>(
        context_, mw::KeyDialogLink{keySources, [this](const std::string& s) { form1_->job.Signer = s; }});
    pubKey_ = std::make_unique<mw::TPubKey>(
        context_,
        mw::KeyDialogLink{keySources, [this](const std::string& s) { form1_->job.Recipients = s; }});
    form2_ = std::make_unique<TForm2>(context_);
    form3_ = std::make_unique<TForm3>(context_);
    key_ = std::make_unique<TKey>(context_);
    box_ = std::make_unique<TBox>(context_);
}

EditorApp::~EditorApp() {
    box_.reset();
    key_.reset();
    form3_.reset();
    form2_.reset();
    pubKey_.reset();
    secKey_.reset();
    setup_.reset();
    form1_.reset();
    context_.application().setMainWindow(nullptr);
}

Companions EditorApp::companions() {
    return Companions(context_.platform(), context_.interaction(), context_.profile(), setup_->pgpDir());
}

int EditorApp::run() {
    form1_->showMain();
    return context_.application().run();
}

} // namespace editor
