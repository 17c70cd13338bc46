// The key manager's window "Murkwell Keys - Key Manager": tool buttons and the filter box, the
// keys of PGP's directory in a virtual report list, the selected key's details, a status line,
// the menus, the list's context menu and the shortcuts. Key files dropped on it are added.
#pragma once
#include "keymanager/KeyManagerCommands.h"
#include "keymanager/core/KeyTable.h"
#include "win/MainForm.h"
#include <memory>
#include <shellapi.h>
#include <optional>
#include <string>

namespace keymanager {

class KeyManagerApp;
class KeyActions;

class TForm1 : public mw::MainForm {
public:
    enum : int {
        IdFilterLabel = 10,
        IdFilter,
        IdKeyList,
        IdDetails,
        IdStatus,
        IdFirstTool, // the tool buttons follow in order
    };

    explicit TForm1(KeyManagerApp& app);
    ~TForm1() override;

    HWND keyList() const { return item(IdKeyList); }
    HWND filterBox() const { return item(IdFilter); }
    HWND detailsPane() const { return item(IdDetails); }
    HMENU contextMenu() const { return popup_.get(); }
    const KeyTable& table() const { return table_; }
    KeyActions& actions() { return *actions_; }

    // Lists the keys again (a job); `select` (a fingerprint) is selected and shown when listed.
    void refreshKeys(const std::string& select = {});
    // The keys as a listing gave them.
    void showKeys(std::vector<pgp::Key> keys, const std::string& select = {});
    // The key in focus among the selected ones, or the first selected; null when none is.
    const pgp::Key* selectedKey() const;
    // Every selected key, in list order.
    std::vector<const pgp::Key*> selectedKeys() const;
    void selectKey(const std::string& fingerprint);
    // The filter box's text, applied as it is typed.
    void applyFilter();
    void focusFilter();
    void setStatus(const std::string& text);
    std::string statusText() const;

    // One handler per command of keymanager/KeyManagerCommands.h.
    MW_KEY_MANAGER_COMMANDS(MW_COMMAND_DECLARATION)

protected:
    HWND initialFocus() const override { return keyList(); }
    bool onCommand(int id, int code, HWND control) override;
    LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Delete and Enter in the list: remove, and the key's certifications.
    bool previewKey(const MSG& msg) override;
    void dpiChanged() override { layout(); }

private:
    void createMenus();
    void createControls();
    // The window no bigger than the screen's work area.
    void fitWorkArea();
    void layout();
    LRESULT onNotify(const NMHDR& header);
    void showDetails();
    void sortBy(int column);
    void showContextMenu(LPARAM screenPoint);
    void dropFiles(HDROP drop);

    KeyManagerApp& app_;
    KeyTable table_;
    std::unique_ptr<KeyActions> actions_;
    mw::UniqueMenu popup_;
    std::wstring cellText_; // the text handed to the list for the cell it asked for
};

} // namespace keymanager
