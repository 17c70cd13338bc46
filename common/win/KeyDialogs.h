// What the two key dialogs share: the link to the program that shows them, the listing job of one
// showing, the list of user IDs and the list-box chores.
#pragma once
#include "core/KeyListing.h"
#include "win/Controls.h"
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

namespace mw {

class Context;

// How a key dialog reaches its program's windows without knowing them.
struct KeyDialogLink {
    std::function<KeyListingSources()> sources;    // read at every showing
    std::function<void(const std::string&)> store; // TPubKey: Recipients; TSecKey: Signer
};

// The key listing of one showing with the program's seams (see listKeyRing).
std::vector<std::string> listUserIds(const Context& context, const KeyDialogLink& link, KeyRing ring);

// The list of a key ring's user IDs: a list box that holds no strings of its own (owner data),
// filled by count and drawn from the sorted IDs kept here, so that a ring of 100,000 keys shows at
// once. It still answers a list box's text queries (LB_GETTEXT, LB_GETTEXTLEN, LB_FINDSTRING,
// LB_FINDSTRINGEXACT, LB_SELECTSTRING), and a typed character selects the next ID that begins
// with it, as a list box with strings does.
class UserIdList {
public:
    UserIdList() = default;
    UserIdList(const UserIdList&) = delete;
    UserIdList& operator=(const UserIdList&) = delete;
    ~UserIdList();

    // Creates the list box (the style gets the owner-data bits); the parent passes its
    // WM_DRAWITEM on to drawItem(). Throws SystemError as createControl does.
    void create(Application& app, HWND parent, ControlParams params);
    HWND handle() const { return hwnd_; }

    // Shows these IDs in this order, nothing selected.
    void assign(std::vector<std::string> ids);
    const std::vector<std::string>& entries() const { return ids_; }
    // The selected ID, or null.
    const std::string* selected() const;

    // Draws one entry as the system draws a list box's text; false for another control's item.
    bool drawItem(const DRAWITEMSTRUCT& item) const;

private:
    static LRESULT subclassMessage(void* self, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // Index of the next entry after `after` (wrapping, -1 = from the top) equal to `text`, or
    // beginning with it; -1 when none. Letters compare without regard to case.
    int find(int after, const std::string& text, bool whole) const;
    void selectAndNotify(int index);

    HWND hwnd_ = nullptr;
    std::vector<std::string> ids_;
};

// Index of the selected entry, or -1.
int selectedIndex(HWND listBox);

// Tells the user why a user ID was not taken, in the program's own kind of box.
void refuseUserId(const Context& context);

} // namespace mw
