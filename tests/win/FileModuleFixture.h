// What the file module's Wine tests share: the program stood in a temporary directory with its
// settings, a PGP directory and a data directory, launches recorded, and the ways a user acts.
#pragma once
#include "filemodule/FileModuleApp.h"
#include "filemodule/FileModuleCommands.h"
#include "filemodule/TForm1.h"
#include "win/TPGPSetup.h"
#include "WinTestSupport.h"
#include <memory>

namespace mwtest {

using Lines = std::vector<std::string>;

// The file module's panes hold names in any script: `text` is UTF-8.
inline int indexOf(HWND list, const std::string& text) {
    const std::wstring wide = mw::widePath(text);
    return static_cast<int>(SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(wide.c_str())));
}

// A key as it arrives from the keyboard: through the message loop and the window's key preview.
inline void postKey(HWND target, WPARAM key, bool up = false) {
    PostMessageA(target, up ? WM_KEYUP : WM_KEYDOWN, key, up ? 0xC0000001 : 1);
    mw::Application::instance().processMessages();
}

// Real key presses with the focus in the file pane.
inline void pressKeys(filemodule::TForm1& form, std::initializer_list<BYTE> keys) {
    pressKeys(form.handle(), form.fileList(), keys);
}

inline std::string currentDirectory() {
    char buffer[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
    return std::string(buffer, n);
}

class FileModule : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        standProgramAs("bramlet.exe");
        // Until a test starts them for real, a job ends at once and a program counts as started.
        record().starts = Starts::Nothing;
        startDirectory = currentDirectory();
        makeDirectory(pgpDir());
        writeFileBytes(pgpDir() + "pgp.exe", "stand-in");
        const std::string d = pgpDir();
        writeFileBytes(dir / "bramlet.ini",
                       d + "pgp.exe\r\n" + d + "\r\n" + d + "pubring.pgp\r\n" + d + "secring.pgp\r\n");
        makeDirectory(data());
    }
    void TearDown() override {
        app.reset();
        // The browser made its directory the current one; it must not keep it from being removed.
        SetCurrentDirectoryA(startDirectory.c_str());
        ProgramFixture::TearDown();
    }
    std::string pgpDir() { return dir / "pgp\\"; }
    std::string data() { return dir / "data\\"; }
    // Starts the module in `directory` and shows its window.
    filemodule::TForm1& start(const std::string& directory) {
        SetCurrentDirectoryA(directory.c_str());
        app = std::make_unique<filemodule::FileModuleApp>(mw::Application::instance());
        app->form1().showMain();
        return app->form1();
    }

    std::unique_ptr<filemodule::FileModuleApp> app;
    std::string startDirectory;
};

} // namespace mwtest
