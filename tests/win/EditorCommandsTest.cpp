// The editor's commands as a user meets them: every item of the menu bar and of the text's popup
// menu, every shortcut and every button, with its caption as written here, and the handler it
// starts, recognised by what that handler visibly does. Menu items are chosen through their own
// ids, the popup through a real context menu driven by the keyboard, shortcuts through real key
// presses and buttons through mouse clicks.
#include "core/PathUtil.h"
#include "win/TPubKey.h"
#include "win/TSecKey.h"
#include "EditorFixture.h"
#include <algorithm>
#include <map>

using namespace mwtest;

namespace {

// What each handler does when started on the text "abc def" with "abc" selected, "CLIP" on the
// clipboard, no lock, no wipe tool, no recipient chosen and the key dialogs confirmed with OK (the
// signer's preselects its first key). Jobs show their batch file's first line with PGP's directory
// left out.
const std::map<std::string, std::string> kEffectOf = {
    {"OpenFromFile1Click", "open dialog \"Open\""},
    {"Savetofile1Click", "save dialog \"&Save\""},
    {"Print1Click", "print dialog"},
    {"BitBtn1Click", "shows TPubKey; runs pgp.exe -kv \"*\" pubring.pgp > murkwell.usr; "
                     "runs pgp.exe -eatw murkwell.tmp "},
    {"BitBtn2Click", "runs pgp.exe murkwell.tmp -o murkwell.txt"},
    {"BitBtn3Click", "shows TSecKey; runs pgp.exe -kv \"*\" secring.pgp > murkwell.usr; "
                     "runs pgp.exe -staw murkwell.tmp -u \"Alice\""},
    {"BitBtn4Click",
     "shows TPubKey; shows TSecKey; runs pgp.exe -kv \"*\" pubring.pgp > murkwell.usr; "
     "runs pgp.exe -kv \"*\" secring.pgp > murkwell.usr; runs pgp.exe -eastw murkwell.tmp  -u \"Alice\""},
    {"BitBtn5Click", "runs pgp.exe -caw murkwell.tmp"},
    {"BitBtn6Click", "runs pgp.exe murkwell.tmp -o murkwell.txt; text \"CLIP\"; selection 4-4"},
    {"Exit1Click", "closes"},
    {"BitBtn12Click", "closes"},
    {"Cut1Click", "text \" def\"; selection 0-0; clipboard \"abc\""},
    {"Copy1Click", "clipboard \"abc\""},
    {"Paste1Click", "text \"CLIP def\"; selection 4-4"},
    {"SelectAll1Click", "selection 0-7"},
    {"CutMessage1Click", "text \"\"; selection 0-0; clipboard \"abc def\""},
    {"CopyMessage1Click", "selection 0-7; clipboard \"abc def\""},
    {"PasgeMessage1Click", "text \"CLIP\"; selection 4-4"},
    {"AtuoAddTextSignature1Click", "shows TForm2"},
    {"EditorFont1Click", "font dialog"},
    {"EditorBackgroundColor1Click", "colour dialog"},
    {"KeyManagement1Click", "starts wendal.exe"},
    {"EncryptDecryptFiles1Click", "starts bramlet.exe"},
    {"Overlayer1Click", "starts tarnow.exe"},
    {"StoredPassphrase1Click", "shows TKey"},
    {"ClearStoredPassPhrase1Click", "box \"The Stored Pass Phrase has been cleared.\""},
    {"PGPSetup1Click", "shows TPGPSetup"},
    {"MurkwellDocs1Click", "starts Murkwell.html"},
    {"PGPDocs1Click", "starts PGPw.hlp"},
    {"AuthorsPublicKey1Click", "shows TForm3"},
    {"About1Click", "shows TBox"},
    {"BitBtn10Click", "text \"\"; selection 0-0"},
    {"BitBtn11Click",
     "text \"\r\n\r\n\r\n-------- REPLY, Original message follows --------\r\nabc def\r\n\r\n"
     "-------- REPLY, End of original message --------\r\n\"; selection 2-2"},
};

// One menu item: caption, shortcut text (empty: none) and handler; a null caption is a separator.
struct Item {
    const char* caption;
    const char* shortcut;
    const char* handler;
};
const Item kSeparator{nullptr, "", ""};

struct Menu {
    const char* caption;
    std::vector<Item> items; // none: the menu-bar item acts itself, through `handler`
    const char* handler;
};

const std::vector<Menu> kMenuBar = {
    {"&File",
     {{"&Open From File", "Ctrl+O", "OpenFromFile1Click"},
      {"&Save To File", "Ctrl+S", "Savetofile1Click"},
      kSeparator,
      {"&Print", "Ctrl+P", "Print1Click"},
      kSeparator,
      {"&Encrypt Message", "Ctrl+E", "BitBtn1Click"},
      {"Encrypt &IDEA", "Ctrl+I", "BitBtn5Click"},
      {"&Decrypt Message", "Ctrl+D", "BitBtn2Click"},
      {"Paste && Decrypt", "Ctrl+T", "BitBtn6Click"},
      kSeparator,
      {"E&xit", "Ctrl+F4", "Exit1Click"}},
     ""},
    {"&Edit",
     {{"&Cut", "Ctrl+X", "Cut1Click"},
      {"C&opy", "Ctrl+C", "Copy1Click"},
      {"&Paste", "Ctrl+V", "Paste1Click"},
      kSeparator,
      {"Cu&t Message", "", "CutMessage1Click"},
      {"Cop&y Message", "", "CopyMessage1Click"},
      {"Paste &Message", "", "PasgeMessage1Click"},
      kSeparator,
      {"&Select All", "Ctrl+A", "SelectAll1Click"},
      kSeparator,
      {"Auto-Add Text Signature", "", "AtuoAddTextSignature1Click"},
      kSeparator,
      {"Editor Font", "", "EditorFont1Click"},
      {"Editor Background Color", "", "EditorBackgroundColor1Click"}},
     ""},
    {"P&GP",
     {{"&Key Management", "Ctrl+K", "KeyManagement1Click"},
      {"&Encrypt/Decrypt Files", "Ctrl+F", "EncryptDecryptFiles1Click"},
      {"Overlayer", "", "Overlayer1Click"},
      kSeparator,
      {"Stored Pass phrase", "", "StoredPassphrase1Click"},
      {"Clear Stored Pass Phrase", "Ctrl+Del", "ClearStoredPassPhrase1Click"}},
     ""},
    {"PGP Se&tup", {}, "PGPSetup1Click"},
    {"&Help",
     {{"&Murkwell Docs", "F1", "MurkwellDocs1Click"},
      {"PGP Docs", "", "PGPDocs1Click"},
      kSeparator,
      {"Authors Public Key", "", "AuthorsPublicKey1Click"},
      kSeparator,
      {"&About", "Shift+F1", "About1Click"}},
     ""},
};

const std::vector<Item> kPopup = {
    {"Open", "", "OpenFromFile1Click"},
    {"Save", "", "Savetofile1Click"},
    {"Print", "", "Print1Click"},
    kSeparator,
    {"Encrypt", "", "BitBtn1Click"},
    {"Encrypt IDEA", "", "BitBtn5Click"},
    kSeparator,
    {"Decrypt", "", "BitBtn2Click"},
    {"Paste/Decrypt", "", "BitBtn6Click"},
    kSeparator,
    {"Sign", "", "BitBtn3Click"},
    {"Sign/Encrypt", "", "BitBtn4Click"},
    kSeparator,
    {"Cut", "", "Cut1Click"},
    {"Cut Message", "", "CutMessage1Click"},
    kSeparator,
    {"Copy", "", "Copy1Click"},
    {"Copy Message", "", "CopyMessage1Click"},
    kSeparator,
    {"Paste", "", "Paste1Click"},
    {"Paste Message", "", "PasgeMessage1Click"},
};

// The button bar, top to bottom: caption and handler.
const std::vector<std::pair<const char*, const char*>> kButtons = {
    {"Encrypt", "BitBtn1Click"},
    {"Decrypt", "BitBtn2Click"},
    {"Sign", "BitBtn3Click"},
    {"Sign & Encrypt", "BitBtn4Click"},
    {"Encrypt IDEA", "BitBtn5Click"},
    {"Paste & Decrypt", "BitBtn6Click"},
    {"Paste Message", "PasgeMessage1Click"},
    {"Cut Message", "CutMessage1Click"},
    {"Copy Message", "CopyMessage1Click"},
    {"Clear", "BitBtn10Click"},
    {"Quote", "BitBtn11Click"},
    {"Exit", "BitBtn12Click"},
};

// The keys of a shortcut text such as "Ctrl+F4" or "Shift+F1", modifiers first.
std::vector<BYTE> keysOf(const std::string& shortcut) {
    std::vector<BYTE> keys;
    std::size_t from = 0;
    while (from <= shortcut.size()) {
        std::size_t plus = shortcut.find('+', from);
        const std::string part =
            shortcut.substr(from, plus == std::string::npos ? std::string::npos : plus - from);
        if (part == "Ctrl")
            keys.push_back(VK_CONTROL);
        else if (part == "Shift")
            keys.push_back(VK_SHIFT);
        else if (part == "Del")
            keys.push_back(VK_DELETE);
        else if (part.size() > 1 && part[0] == 'F')
            keys.push_back(static_cast<BYTE>(VK_F1 + std::stoi(part.substr(1)) - 1));
        else if (part.size() == 1)
            keys.push_back(static_cast<BYTE>(part[0]));
        else
            ADD_FAILURE() << "unknown key " << part;
        if (plus == std::string::npos) break;
        from = plus + 1;
    }
    return keys;
}

std::string quoted(const std::string& s) {
    return "\"" + s + "\"";
}

std::string firstLine(const std::string& text) {
    return text.substr(0, text.find("\r\n"));
}

class EditorCommands : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        writeSettings();
        writeFileBytes(dir / "tarnow.exe", "stand-in");
        writeFileBytes(dir / "PGPw.hlp", "stand-in");
        // Nothing is started: a job ends at once as PGP would have it.
        auto& r = record();
        r.starts = Starts::Nothing;
        r.reportsSuccess = true;
        // A key listing of one key (an empty ring would offer to make one).
        r.atLaunch = [](const RecordingPlatform::Launch& l) {
            const std::string line = firstLine(l.batchBytes);
            const auto redirect = line.find(" > ");
            if (!l.batch() || redirect == std::string::npos) return;
            std::string target = line.substr(redirect + 3);
            if (target.find('\\') == std::string::npos) target = l.directory + "\\" + target;
            writeFileBytes(target, "\r\n\r\n\r\npub  1024/0DDC8B5D 1995/04/02 Alice\r\n");
        };
        start();
    }
    // A job's line without the PGP directory, which differs from run to run.
    std::string withoutPgpDir(std::string line) {
        for (std::size_t at; (at = line.find(pgpDir())) != std::string::npos;)
            line.erase(at, pgpDir().size());
        return line;
    }
    HWND memo() { return form().memo(); }

    // The same starting point for every command; every dialog it may open is answered with Cancel.
    void prepare() {
        SetForegroundWindow(form().handle());
        mw::setWindowText(memo(), "abc def");
        SendMessageA(memo(), EM_SETSEL, 0, 3);
        SetFocus(memo());
        setClipboardText("CLIP");
        form().job.ShiftFlag = false;
        interaction.shown.clear();
        interaction.openRequests.clear();
        interaction.openResults = {std::nullopt};
        interaction.saveRequests.clear();
        interaction.saveResults = {std::nullopt};
        interaction.printDialogs = 0;
        interaction.printers.clear();
        interaction.printers.push_back(nullptr);
        interaction.fontInitials.clear();
        interaction.fontResults = {std::nullopt};
        interaction.colorInitials.clear();
        interaction.colorResults = {std::nullopt};
        modalShown.clear();
        // The key dialogs' OK with nothing chosen, so that their operation runs its job; the other
        // dialogs closed.
        onModal = [](mw::Form& f) {
            if (auto* pub = dynamic_cast<mw::TPubKey*>(&f)) return pub->Button1Click();
            if (auto* sec = dynamic_cast<mw::TSecKey*>(&f)) return sec->Button1Click();
            f.close();
        };
        recorder->launches.clear();
        terminated = false;
    }

    // What happened since prepare(), in the words of kEffectOf.
    std::string effect() {
        std::vector<std::string> parts;
        for (const auto& r : interaction.openRequests)
            parts.push_back("open dialog " + quoted(r.title));
        for (const auto& r : interaction.saveRequests)
            parts.push_back("save dialog " + quoted(r.title));
        for (int i = 0; i < interaction.printDialogs; ++i)
            parts.push_back("print dialog");
        for (std::size_t i = 0; i < interaction.fontInitials.size(); ++i)
            parts.push_back("font dialog");
        for (std::size_t i = 0; i < interaction.colorInitials.size(); ++i)
            parts.push_back("colour dialog");
        for (const auto& box : interaction.shown)
            parts.push_back("box " + quoted(box.text));
        for (const auto& form : modalShown)
            parts.push_back("shows " + form);
        for (const auto& job : recorder->batchLaunches())
            parts.push_back("runs " + withoutPgpDir(firstLine(job.batchBytes)));
        for (const auto& program : recorder->programLaunches())
            parts.push_back("starts " + mw::fileNameOf(program.file));
        const std::string text = mw::windowText(memo());
        if (text != "abc def") parts.push_back("text " + quoted(text));
        const auto [start, end] = selection(memo());
        if (start != 0 || end != 3)
            parts.push_back("selection " + std::to_string(start) + "-" + std::to_string(end));
        const std::string clip = clipboardText();
        if (clip != "CLIP") parts.push_back("clipboard " + quoted(clip));
        if (terminated) parts.push_back("closes");
        std::string joined;
        for (const auto& p : parts)
            joined += (joined.empty() ? "" : "; ") + p;
        return joined;
    }

    static std::string expectedEffect(const std::string& handler) {
        auto at = kEffectOf.find(handler);
        return at == kEffectOf.end() ? "<no effect known for " + handler + ">" : at->second;
    }

    void choose(int id) {
        SendMessageA(form().handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
        handlePendingMessages();
    }
};

std::string menuString(HMENU menu, int position) {
    char text[128] = {};
    GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
    return text;
}

bool isSeparator(HMENU menu, int position) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info);
    return (info.fType & MFT_SEPARATOR) != 0;
}

} // namespace

TEST_F(EditorCommands, EveryMenuBarItemCarriesItsCaptionAndShortcutAndReachesItsHandler) {
    HMENU bar = GetMenu(form().handle());
    ASSERT_EQ(GetMenuItemCount(bar), static_cast<int>(kMenuBar.size()));
    for (std::size_t m = 0; m < kMenuBar.size(); ++m) {
        const Menu& menu = kMenuBar[m];
        SCOPED_TRACE(menu.caption);
        EXPECT_EQ(menuString(bar, static_cast<int>(m)), menu.caption);
        HMENU sub = GetSubMenu(bar, static_cast<int>(m));
        if (menu.items.empty()) {
            EXPECT_EQ(sub, nullptr) << "acts when clicked";
            prepare();
            choose(static_cast<int>(GetMenuItemID(bar, static_cast<int>(m))));
            EXPECT_EQ(effect(), expectedEffect(menu.handler));
            continue;
        }
        ASSERT_NE(sub, nullptr);
        ASSERT_EQ(GetMenuItemCount(sub), static_cast<int>(menu.items.size()));
        for (std::size_t i = 0; i < menu.items.size(); ++i) {
            const Item& item = menu.items[i];
            const int at = static_cast<int>(i);
            if (!item.caption) {
                EXPECT_TRUE(isSeparator(sub, at)) << "position " << i;
                continue;
            }
            SCOPED_TRACE(item.caption);
            const std::string shortcut = item.shortcut;
            EXPECT_EQ(menuString(sub, at), item.caption + (shortcut.empty() ? "" : "\t" + shortcut));
            EXPECT_EQ(GetMenuState(sub, static_cast<UINT>(at), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED),
                      0u);
            prepare();
            choose(static_cast<int>(GetMenuItemID(sub, at)));
            EXPECT_EQ(effect(), expectedEffect(item.handler));
        }
    }
}

TEST_F(EditorCommands, EveryShortcutKeyReachesTheHandlerOfItsMenuItem) {
    int shortcuts = 0;
    for (const Menu& menu : kMenuBar) {
        for (const Item& item : menu.items) {
            if (!item.caption || !*item.shortcut) continue;
            SCOPED_TRACE(std::string(item.caption) + " " + item.shortcut);
            ++shortcuts;
            prepare();
            const std::vector<BYTE> keys = keysOf(item.shortcut);
            pressKeys(form().handle(), memo(), keys);
            EXPECT_EQ(effect(), expectedEffect(item.handler));
        }
    }
    EXPECT_EQ(shortcuts, 17);
}

TEST_F(EditorCommands, EveryPopupItemOfTheTextCarriesItsCaptionAndReachesItsHandler) {
    HMENU popup = form().popupMenu();
    ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(kPopup.size()));
    int downs = 0;
    for (std::size_t i = 0; i < kPopup.size(); ++i) {
        const Item& item = kPopup[i];
        const int at = static_cast<int>(i);
        if (!item.caption) {
            EXPECT_TRUE(isSeparator(popup, at)) << "position " << i;
            continue;
        }
        SCOPED_TRACE(item.caption);
        EXPECT_EQ(menuString(popup, at), item.caption);
        ++downs;
        // The context menu of the text, as the menu key opens it, then Down to the item and Enter.
        prepare();
        PostMessageA(memo(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(memo()), MAKELPARAM(-1, -1));
        std::vector<BYTE> keys(static_cast<std::size_t>(downs), VK_DOWN);
        keys.push_back(VK_RETURN);
        typeKeys(keys);
        EXPECT_EQ(effect(), expectedEffect(item.handler));
    }
}

TEST_F(EditorCommands, EveryButtonOfTheBarCarriesItsCaptionInOrderAndReachesItsHandler) {
    std::vector<HWND> buttons;
    EnumChildWindows(
        form().panel2(),
        [](HWND h, LPARAM p) {
            if (className(h) == "TIEButton") reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&buttons));
    std::sort(buttons.begin(), buttons.end(), [](HWND a, HWND b) {
        RECT ra, rb;
        GetWindowRect(a, &ra);
        GetWindowRect(b, &rb);
        return ra.top < rb.top;
    });
    ASSERT_EQ(buttons.size(), kButtons.size());
    for (std::size_t i = 0; i < kButtons.size(); ++i) {
        const auto& [caption, handler] = kButtons[i];
        SCOPED_TRACE(caption);
        EXPECT_EQ(mw::windowText(buttons[i]), caption);
        prepare();
        clickButton(buttons[i]);
        handlePendingMessages();
        EXPECT_EQ(effect(), expectedEffect(handler));
    }
}
