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

EditorApp::EditorApp() {
    auto& app = mw::Application::instance();
    app.setProfile(mw::editorProfile());
    // The main window comes first: closing it ends the program.
    form1_ = std::make_unique<TForm1>(*this);
    mw::TPGPSetup::EditorLink link;
    link.moveButtonBar = [this](bool left) { form1_->dockButtonBar(left); };
    link.windowValues = [this] { return form1_->windowValues(); };
    setup_ = std::make_unique<mw::TPGPSetup>(mw::editorProfile(), link);
    // The key dialogs read the setup dialog at every showing and hand their choice to the main window.
    auto keySources = [this] {
        return mw::KeyListingSources{setup_->pgpExe(),     setup_->pgpDir(),    {}, {},
                                     setup_->publicRing(), setup_->secretRing()};
    };
    secKey_ = std::make_unique<mw::TSecKey>(mw::KeyDialogLink{
        mw::KeyProgram::Editor, keySources, [this](const std::string& s) { form1_->Signer = s; }});
    pubKey_ = std::make_unique<mw::TPubKey>(mw::KeyDialogLink{
        mw::KeyProgram::Editor, keySources, [this](const std::string& s) { form1_->Recipients = s; }});
    form2_ = std::make_unique<TForm2>();
    form3_ = std::make_unique<TForm3>();
    key_ = std::make_unique<TKey>();
    box_ = std::make_unique<TBox>();
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
    mw::Application::instance().setMainWindow(nullptr);
}

mw::Companions EditorApp::companions() {
    auto& app = mw::Application::instance();
    return mw::Companions(app.platform(), app.interaction(), app.profile(), setup_->pgpDir());
}

int EditorApp::run() {
    form1_->showMain();
    return mw::Application::instance().run();
}

} // namespace editor
