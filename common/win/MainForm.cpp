// The main windows' shared behaviour: showing, key preview, shortcuts, closing and help.
#include "win/MainForm.h"
#include "core/Launches.h"
#include "core/Platform.h"
#include "win/Application.h"
#include <vector>

namespace mw {

MainForm::MainForm(const Context& context, std::function<std::string()> pgpDirectory)
    : Form(context.application()), context_(context), pgpDirectory_(std::move(pgpDirectory)) {}

void MainForm::showMain() {
    ShowWindow(handle(), SW_SHOW);
    UpdateWindow(handle());
    if (HWND first = initialFocus()) SetFocus(first);
    app().runHandler([this] { FormShow(); });
}

void MainForm::openHelp() {
    mw::openHelp(context_.platform(), context_.interaction(), context_.profile());
}

void MainForm::setShortcuts(std::span<const ACCEL> keys) {
    std::vector<ACCEL> table(keys.begin(), keys.end());
    shortcuts_.reset(CreateAcceleratorTableW(table.data(), static_cast<int>(table.size())));
}

bool MainForm::preTranslateMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
        FormKeyDown(msg.wParam);
        if (previewKey(msg)) return true;
    }
    if (shortcuts_.get() && TranslateAcceleratorW(handle(), shortcuts_.get(), &msg)) return true;
    return Form::preTranslateMessage(msg);
}

void MainForm::FormClose() {
    job.PGPDir = pgpDirectory_();
    for (const std::string& name : context_.profile().leftoversAtClose)
        deleteIfExists(context_.platform(), job.PGPDir + name);
    closing();
    if (app().terminate) app().terminate();
}

} // namespace mw
