// The editor stood in a temporary directory, with a PGP directory beside it: what the Wine tests of
// its main window share.
#pragma once
#include "editor/EditorApp.h"
#include "editor/TForm1.h"
#include "WinTestSupport.h"
#include <memory>

namespace mwtest {

class EditorFixture : public ProgramFixture {
protected:
    void TearDown() override {
        app.reset();
        ProgramFixture::TearDown();
    }
    std::string pgpDir() { return dir / "pgp\\"; }
    std::string iniPath() { return dir / "Murkwell.ini"; }
    // A pgp.exe where the settings say, so that the setup dialog stays closed.
    void writeSettings() { writeEditorSettings(exePath, pgpDir()); }
    // Makes the editor's windows from the settings as they are, after the earlier ones are gone.
    editor::EditorApp& make() {
        app.reset();
        app = std::make_unique<editor::EditorApp>(mw::Application::instance());
        return *app;
    }
    // The same, with the main window shown as at start-up.
    editor::TForm1& start() {
        make().form1().showMain();
        return app->form1();
    }
    editor::TForm1& form() { return app->form1(); }

    std::unique_ptr<editor::EditorApp> app;
};

} // namespace mwtest
