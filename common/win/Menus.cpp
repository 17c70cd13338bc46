// Menu tables to Win32 menus.
#include "win/Menus.h"
#include <string>

namespace mw {

HMENU buildPopup(std::initializer_list<MenuEntry> entries) {
    HMENU menu = CreatePopupMenu();
    for (const auto& e : entries) {
        if (!e.caption) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        std::string text = e.caption;
        if (e.shortcut && *e.shortcut) text += std::string("\t") + e.shortcut;
        AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(e.command), text.c_str());
    }
    return menu;
}

} // namespace mw
