// Listing job, list filling and the refusal box of both key dialogs.
#include "win/KeyDialogs.h"
#include "win/Application.h"
#include "core/Interaction.h"
#include "core/KeyChoice.h"

namespace mw {

std::vector<std::string> listUserIds(const KeyDialogLink& link, KeyRing ring) {
    auto& app = Application::instance();
    return listKeyRing(app.platform(), app.interaction(), link.program, ring,
                       link.sources ? link.sources() : KeyListingSources{});
}

void fillList(HWND listBox, const std::vector<std::string>& entries) {
    SendMessageA(listBox, WM_SETREDRAW, FALSE, 0);
    SendMessageA(listBox, LB_RESETCONTENT, 0, 0);
    std::size_t bytes = 0;
    for (const auto& e : entries)
        bytes += e.size() + 1;
    SendMessageA(listBox, LB_INITSTORAGE, entries.size(), static_cast<LPARAM>(bytes));
    for (const auto& e : entries)
        SendMessageA(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.c_str()));
    SendMessageA(listBox, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(listBox, nullptr, TRUE);
}

int selectedIndex(HWND listBox) {
    LRESULT i = SendMessageA(listBox, LB_GETCURSEL, 0, 0);
    return i == LB_ERR ? -1 : static_cast<int>(i);
}

void refuseUserId(KeyProgram program) {
    const ProgramProfile& profile = profileOf(program);
    Application::instance().interaction().message(profile.boxCaption, kUnsafeUserIdMessage, profile.boxIcon);
}

} // namespace mw
