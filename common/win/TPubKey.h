// Public-key selection dialog "Available Public Keys": up to three recipients from the public
// key ring's listing, handed back as the recipient string.
#pragma once
#include "win/KeyDialogs.h"
#include "win/Context.h"
#include "win/Window.h"
#include <string>
#include <vector>

namespace mw {

class TPubKey : public Form {
public:
    enum : int {
        IdButton1 = 201,
        IdLabel1,
        IdLabel2,
        IdLabel3,
        IdListBox1,
        IdListBox2,
        IdSpeedButton1,
        IdSpeedButton2
    };
    TPubKey(const Context& context, KeyDialogLink link);

    HWND listBox1() const { return item(IdListBox1); } // "Available Keys"
    UserIdList& availableKeys() { return available_; }
    HWND listBox2() const { return item(IdListBox2); } // "Keys To Use"

    void SpeedButton1Click(); // Add
    void SpeedButton2Click(); // Remove
    void Button1Click();      // OK
    // Its last showing found an empty ring and offered a first key: it closed at once, choosing
    // nothing, and the operation that showed it goes no further.
    bool offeredFirstKey() const { return offeredFirstKey_; }
    // Its last showing ended with OK. Escape, the close box and the offer of a first key cancel:
    // the operation that showed it runs no job.
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
    UserIdList available_;               // ListBox1 and its entries, unaltered, in list order
    std::vector<std::string> keysToUse_; // ListBox2's entries; kept for the whole run
};

} // namespace mw
