// What the file module's Wine tests share: the program stood in a temporary directory with its
// settings, a PGP directory and a data directory, launches noted, and the ways a user acts.
#pragma once
#include "filemodule/FileModuleApp.h"
#include "filemodule/FileModuleCommands.h"
#include "filemodule/TForm1.h"
#include "win/TPGPSetup.h"
#include "WinTestSupport.h"
#include <memory>

namespace mwtest {

using Lines = std::vector<std::string>;

// The real platform with its launches noted as "file|parameters|directory|mode". Unless `real`,
// a launch only stands in for the batch file by deleting the lock beside it.
class LaunchRecorder : public mw::Win32Platform {
public:
    using Win32Platform::Win32Platform;
    bool real = false;
    std::vector<std::string> launches;
    std::string batchAtLaunch; // bytes of the last batch file launched
    mw::LaunchResult launch(const std::string& file, const std::string& parameters,
                            const std::string& directory, mw::ShowMode mode) override {
        launches.push_back(file + "|" + parameters + "|" + directory + "|" +
                           std::to_string(static_cast<int>(mode)));
        const bool batch = file.size() > 4 && mw::toLowerAscii(file.substr(file.size() - 4)) == ".bat";
        if (batch) batchAtLaunch = readFileBytes(file);
        if (real) return Win32Platform::launch(file, parameters, directory, mode);
        if (batch) DeleteFileA((file.substr(0, file.find_last_of('\\') + 1) + "bramlet.lck").c_str());
        mw::LaunchResult started;
        started.started = true;
        return started;
    }
};

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
        recorder = std::make_unique<LaunchRecorder>(mw::Application::instance(), exePath);
        mw::Application::instance().setPlatform(recorder.get());
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

    std::unique_ptr<LaunchRecorder> recorder;
    std::unique_ptr<filemodule::FileModuleApp> app;
    std::string startDirectory;
};

} // namespace mwtest
