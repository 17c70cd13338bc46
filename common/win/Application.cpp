// The message pump shared by the main loop, modal loops and the job wait.
#include "win/Application.h"
#include "core/Interaction.h"
#include "win/Window.h"

namespace mw {

Application& Application::instance() {
    static Application app;
    return app;
}

void Application::readScreenDpi() {
    dpi_ = screenDpi();
}

HFONT Application::dialogFont() {
    if (!dialogFont_) {
        dialogFont_.reset(createFont({.pixels = pointsToPixels(8, dpi_)}));
    }
    return dialogFont_.get();
}

void Application::showException(const std::exception& e) {
    if (interaction_) interaction_->message(title_, e.what(), BoxIcon::Error);
}

void Application::showCurrentException() {
    try {
        throw;
    } catch (const std::exception& e) {
        showException(e);
    } catch (...) {
        if (interaction_) interaction_->message(title_, "Unexpected error.", BoxIcon::Error);
    }
}

bool Application::runHandler(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (...) {
        showCurrentException();
        return false;
    }
}

void Application::dispatch(MSG& msg) {
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (Form* form = Form::fromHandle(root)) {
        if (form->preTranslateMessage(msg)) return;
    }
    // The wide calls throughout: a character typed into a window of the wide calls (the message
    // text) must not pass through the ANSI code page on its way; ANSI windows still get theirs.
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void Application::processMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit_ = true;
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        dispatch(msg);
    }
}

int Application::run() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        dispatch(msg);
    quit_ = true;
    return static_cast<int>(msg.wParam);
}

} // namespace mw
