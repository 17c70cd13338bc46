// Menus built from tables: one entry a line, the shortcut shown after a tab.
#pragma once
#include <windows.h>
#include <initializer_list>
#include <span>
#include <utility>

namespace mw {

struct MenuEntry {
    const char* caption; // null for a separator
    const char* shortcut;
    int command;
};

HMENU buildPopup(std::initializer_list<MenuEntry> entries);

// A window's command table: every menu item, popup item, button and shortcut of one command id
// calls the same handler.
template <class Owner> using CommandTable = std::span<const std::pair<int, void (Owner::*)()>>;

// Calls the handler the table holds for `id`; false when it holds none.
template <class Owner> bool runCommand(Owner& owner, CommandTable<Owner> table, int id) {
    for (const auto& [command, handler] : table) {
        if (command == id) {
            (owner.*handler)();
            return true;
        }
    }
    return false;
}

} // namespace mw
