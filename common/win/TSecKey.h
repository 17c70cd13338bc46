// Secret-key selection dialog "SecKey": the key to sign with, from the secret key ring's listing,
// handed back as the signer string.
#pragma once
#include "win/KeyDialogs.h"
#include "win/Context.h"
#include "win/Window.h"
#include <string>
#include <vector>

namespace mw {

class TSecKey : public Form {
public:
    enum : int { IdButton1 = 301, IdLabel1, IdListBox1, IdPanel1 };
    TSecKey(const Context& context, KeyDialogLink link);

    HWND listBox1() const { return item(IdListBox1); }
    HWND panel1() const { return item(IdPanel1); }
    HWND button1() const { return GetDlgItem(panel1(), IdButton1); }

    void Button1Click(); // OK
    // Its last showing found an empty ring and offered a first key: it closed at once, choosing
    // nothing, and the operation that showed it goes no further.
    bool offeredFirstKey() const { return offeredFirstKey_; }
    // Its last showing ended with OK; the close box, Escape and the offer of a first key cancel.
    bool chosen() const { return chosen_; }

protected:
    void FormShow() override;
    void FormClose() override;
    bool onCommand(int id, int code, HWND control) override;
    bool onDrawItem(const DRAWITEMSTRUCT& item) override { return available_.drawItem(item); }

private:
    const Context& context_;
    KeyDialogLink link_;
    bool offeredFirstKey_ = false;
    bool chosen_ = false;
    UserIdList available_; // ListBox1 and its entries, unaltered, in list order
};

} // namespace mw
