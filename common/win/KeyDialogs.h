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

// The key listing of one showing with the program's seams (see listKeyRing). A ring that was
// listed and holds no key gets the offer of a first key; `offeredFirstKey` says whether it did.
std::vector<std::string> listUserIds(const Context& context, const KeyDialogLink& link, KeyRing ring,
                                     bool* offeredFirstKey = nullptr);

// The list of a key ring's user IDs: a list box that keeps every ID as its string, so that other
// processes (screen readers, automation) read them whole, and owner-drawn from the IDs kept here.
// The list box itself answers the text queries, the searches and a typed initial: no procedure of
// ours stands in front of it, since the system's conversion between an ANSI procedure and a
// Unicode caller breaks on long texts under Wine.
class UserIdList {
public:
    UserIdList() = default;
    ~UserIdList();
    UserIdList(const UserIdList&) = delete;
    UserIdList& operator=(const UserIdList&) = delete;

    // Creates the list box (the style gets the bits of an owner-drawn list with strings); the
    // parent passes its WM_DRAWITEM on to drawItem(). Throws SystemError as createControl does.
    void create(Application& app, HWND parent, ControlParams params);
    HWND handle() const { return hwnd_; }

    // Shows these IDs in this order, nothing selected: the first page at once, the rest while the
    // message loop runs (a big ring would otherwise hold the dialog back). Throws SystemError, the
    // list emptied, when the list box cannot take them; a later refusal is shown the same way.
    void assign(std::vector<std::string> ids);
    const std::vector<std::string>& entries() const { return ids_; }
    // The selected ID, or null.
    const std::string* selected() const;

    // Draws one entry as the system draws a list box's text; false for another control's item.
    bool drawItem(const DRAWITEMSTRUCT& item) const;

private:
    // Adds up to `most` more IDs to the list box.
    void fill(std::size_t most);
    static void CALLBACK fillLater(HWND hwnd, UINT, UINT_PTR id, DWORD);
    UINT_PTR fillTimerId() const { return reinterpret_cast<UINT_PTR>(this); }

    HWND hwnd_ = nullptr;
    std::vector<std::string> ids_;
    std::size_t filled_ = 0; // the first entries of ids_ the list box holds
};

// Index of the selected entry, or -1.
int selectedIndex(HWND listBox);

// Tells the user why a user ID was not taken, in the program's own kind of box.
void refuseUserId(const Context& context);

} // namespace mw
