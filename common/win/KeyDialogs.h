// What the two key dialogs share: the link to the program that shows them, the listing job of one
// showing, and the list-box chores.
#pragma once
#include "core/KeyListing.h"
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

namespace mw {

// How a key dialog reaches its program without knowing its windows.
struct KeyDialogLink {
    KeyProgram program = KeyProgram::Editor;
    std::function<KeyListingSources()> sources;    // read at every showing
    std::function<void(const std::string&)> store; // TPubKey: Recipients; TSecKey: Signer
};

// The key listing of one showing with the program's seams (see listKeyRing).
std::vector<std::string> listUserIds(const KeyDialogLink& link, KeyRing ring);

// Replaces the list's entries with these, in this order. Drawing is off meanwhile: a key ring of
// thousands of keys would otherwise take seconds.
void fillList(HWND listBox, const std::vector<std::string>& entries);

// Index of the selected entry, or -1.
int selectedIndex(HWND listBox);

// Tells the user why a user ID was not taken, in the program's own kind of box.
void refuseUserId(KeyProgram program);

} // namespace mw
