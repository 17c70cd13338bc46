// Menus built from tables: one entry a line, the shortcut shown after a tab.
#pragma once
#include <windows.h>
#include <initializer_list>

namespace mw {

struct MenuEntry {
    const char* caption; // null for a separator
    const char* shortcut;
    int command;
};

HMENU buildPopup(std::initializer_list<MenuEntry> entries);

} // namespace mw
