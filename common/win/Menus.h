// Menus built from tables (one entry a line, the shortcut shown after a tab), and the windows' command
// tables.
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

// A window's commands are one table, a macro of rows `Row(Handler, action)`: the name of the
// handler, whose command id is Cmd + that name, and the statement it runs inside the window. The
// ids, the handler methods and onCommand's dispatch are all made from it, so they cannot drift
// apart. Every menu item, popup item, button and shortcut of one id calls the same handler.
#define MW_COMMAND_ID(Handler, action) Cmd##Handler,
#define MW_COMMAND_DECLARATION(Handler, action) void Handler();
#define MW_COMMAND_CASE(Handler, action)                                                                     \
    case Cmd##Handler:                                                                                       \
        Handler();                                                                                           \
        return true;
