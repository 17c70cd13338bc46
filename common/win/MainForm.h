// What the main windows of the program family share: the job state the operations and the key
// dialogs use, the key preview that keeps the Shift flag, the shortcut keys, the clean-up when the
// window closes and the program's help.
#pragma once
#include "core/JobRunner.h"
#include "win/Context.h"
#include "win/Win32Util.h"
#include "win/Window.h"
#include <functional>
#include <span>
#include <string>

namespace mw {

class MainForm : public Form {
public:
    // `pgpDirectory` gives the setup dialog's PGP directory (the dialog is made after this window).
    MainForm(const Context& context, std::function<std::string()> pgpDirectory);

    JobState job;

    const Context& context() const { return context_; }
    // Shows the window, focuses its first control and runs FormShow.
    void showMain();
    // The key preview's part of the job state: set by a key-down of Shift, cleared by any other.
    void FormKeyDown(WPARAM key) { job.ShiftFlag = key == VK_SHIFT; }
    // The program's help, as its profile says.
    void openHelp();
    // Key preview: every key-down reaches FormKeyDown and previewKey before the focused control
    // sees it; then the shortcuts, then the form's own navigation.
    bool preTranslateMessage(MSG& msg) override;

protected:
    void setShortcuts(std::span<const ACCEL> keys);
    // A key the window handles itself before its controls; true when it did.
    virtual bool previewKey(const MSG& /*msg*/) { return false; }
    // Removes the profile's leftovers from PGP's directory, runs closing() and ends the process;
    // an exception from closing() is shown and keeps the window open.
    void FormClose() override;
    virtual void closing() {}

private:
    const Context& context_;
    std::function<std::string()> pgpDirectory_;
    UniqueAccelerators shortcuts_;
};

} // namespace mw
