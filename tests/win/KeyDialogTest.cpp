// The key dialogs of both programs under Wine: the listing job run by cmd.exe with the pgp double,
// and the dialogs driven through the modal hook.
#include "editor/EditorApp.h"
#include "filemodule/FileModuleApp.h"
#include "editor/EditorCommands.h"
#include "core/KeyChoice.h"
#include "core/KeyListing.h"
#include "win/TPubKey.h"
#include "win/TSecKey.h"
#include "WinTestSupport.h"
#include "editor/TForm1.h"
#include "filemodule/TForm1.h"
#include <algorithm>
#include <random>

using namespace mwtest;
using mw::TPubKey;
using mw::TSecKey;
using Lines = std::vector<std::string>;

namespace {

// The system's collation for texts of another ANSI code page, as the programs use it for theirs.
class CodePageCollation : public mw::Win32Platform {
public:
    explicit CodePageCollation(unsigned codePage)
        : Win32Platform(mw::Application::instance()), keys_(codePage) {}
    void appendSortKey(const std::string& text, std::string& keys) override { keys_.append(text, keys); }

private:
    mw::SortKeys keys_;
};

std::string pgpDouble() {
    return doublesDirectory() + "pgp.exe";
}

int indexOf(HWND list, const std::string& text) {
    Lines entries = listEntries(list);
    auto it = std::find(entries.begin(), entries.end(), text);
    return it == entries.end() ? -1 : static_cast<int>(it - entries.begin());
}

void select(HWND list, int index) {
    SendMessageA(list, LB_SETCURSEL, index, 0);
}
void click(HWND button) {
    SendMessageA(button, BM_CLICK, 0, 0);
}

class KeyDialogs : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        record();
    }

    // A PGP directory with the double as pgp.exe and both rings; one user ID per ring line.
    std::string preparePgpDir(const std::string& d, const Lines& publicIds, const Lines& secretIds) {
        makeDirectory(d);
        EXPECT_TRUE(CopyFileA(pgpDouble().c_str(), (d + "pgp.exe").c_str(), FALSE)) << pgpDouble();
        writeRing(d + "pubring.pgp", publicIds);
        writeRing(d + "secring.pgp", secretIds);
        return d;
    }
    void writeRing(const std::string& path, const Lines& ids) {
        std::string text;
        for (const auto& id : ids)
            text += id + "\r\n";
        writeFileBytes(path, text);
    }
    std::string pgpDir() { return dir / "pgp\\"; }
    // Names the PGP directory `d` (the fixture's by default).
    void writeSettings(const std::string& iniName, std::string d = {}) {
        if (d.empty()) d = pgpDir();
        std::string ini = d + "pgp.exe\r\n" + d + "\r\n" + d + "pubring.pgp\r\n" + d + "secring.pgp\r\n";
        if (iniName == "Murkwell.ini")
            ini += "0\r\n0\r\n640\r\n450\r\nright\r\nnostore\r\nCourier New\r\n8\r\n0\r\n-2147483643\r\n";
        writeFileBytes(dir / iniName, ini);
    }
    // Runs `drive` on the visible dialog. A dialog still open at the wait limit after `drive`
    // began is closed so the test cannot hang, and that counts as a failure. The limit starts only
    // once the dialog runs its modal loop: a close during FormShow, while the listing job runs
    // (seconds through cmd.exe on a loaded machine), would cut the listing short and leave the
    // dialog's showing without ever calling `drive`.
    void show(mw::Form& form, std::function<void(mw::Form&)> drive) {
        static mw::Form* watched;
        watched = &form;
        UINT_PTR timer = 0;
        onModal = [&timer, drive](mw::Form& f) {
            timer = SetTimer(nullptr, 0, kWaitLimitMs, [](HWND, UINT, UINT_PTR, DWORD) {
                if (watched && watched->isShowingModal()) {
                    ADD_FAILURE() << className(watched->handle()) << " stayed open";
                    watched->close();
                }
            });
            drive(f);
        };
        form.showModal();
        if (timer) KillTimer(nullptr, timer);
        watched = nullptr;
    }
    std::vector<std::string> boxTexts() const {
        std::vector<std::string> texts;
        for (const auto& b : interaction.shown)
            texts.push_back(b.text);
        return texts;
    }
};

// The text of `id` as a list box keeps it: UTF-16 from the ANSI code page.
std::wstring wideForm(const std::string& id) {
    std::wstring wide(id.size(), L'\0');
    wide.resize(static_cast<std::size_t>(MultiByteToWideChar(
        CP_ACP, 0, id.data(), static_cast<int>(id.size()), wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

// The entries of another process's list box as screen readers and automation read them: the
// length, then the text in UTF-16 into a buffer of that length with guard characters after it. A
// read that fails or writes past that length fails the test.
std::vector<std::wstring> readFromAnotherProcess(HWND list) {
    constexpr wchar_t kGuard = 0xFDFD;
    constexpr std::size_t kGuards = 64;
    auto ask = [list](UINT msg, WPARAM index, LPARAM buffer) {
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutW(list, msg, index, buffer, SMTO_ABORTIFHUNG, kWaitLimitMs, &answer))
            return LRESULT{-9};
        return static_cast<LRESULT>(answer);
    };
    std::vector<std::wstring> entries;
    const LRESULT count = ask(LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const auto index = static_cast<WPARAM>(i);
        const LRESULT length = ask(LB_GETTEXTLEN, index, 0);
        if (length < 0) {
            ADD_FAILURE() << "the length of entry " << i << ": " << length;
            return entries;
        }
        std::wstring buffer(static_cast<std::size_t>(length) + 1 + kGuards, kGuard);
        const LRESULT got = ask(LB_GETTEXT, index, reinterpret_cast<LPARAM>(buffer.data()));
        if (got < 0) {
            ADD_FAILURE() << "the text of entry " << i << ": " << got;
            return entries;
        }
        EXPECT_EQ(buffer.find_first_not_of(kGuard, static_cast<std::size_t>(length) + 1), std::wstring::npos)
            << "entry " << i << " was written past its length";
        entries.emplace_back(buffer.c_str());
    }
    return entries;
}

const Lines kPublic = {"Bob <bob@x>", "alice <a@x>", "Carol", "Adam", "Eve \"x\" & del <e@x>", "Bob <bob@x>"};
const Lines kPublicSorted = {"Adam",        "alice <a@x>", "Bob <bob@x>",
                             "Bob <bob@x>", "Carol",       "Eve \"x\" & del <e@x>"};

} // namespace

TEST_F(KeyDialogs, EditorDefaultSettingsWriteTheTwoBatchLinesAndLeaveTheListing) {
    // No settings file: the setup dialog's defaults point at c:\pgp\.
    const std::string d = preparePgpDir("c:\\pgp\\", {"Alice <a@x>"}, {"Sam Signer"});
    writeFileBytes(d + "Murkwell.USR", "stale listing, never to be parsed\r\n");
    {
        editor::EditorApp app(mw::Application::instance());
        Lines seen;
        show(app.pubKey(), [&](mw::Form&) {
            seen = listEntries(app.pubKey().listBox1());
            app.pubKey().Button1Click();
        });
        EXPECT_EQ(seen, Lines{"Alice <a@x>"});
        EXPECT_EQ(readFileBytes(d + "Murkwell.bat"),
                  "c:\\pgp\\pgp.exe -kv \"*\" c:\\pgp\\pubring.pgp > c:\\pgp\\murkwell.usr\r\n"
                  "DEL c:\\pgp\\Murkwell.lck\r\n");
        // Left for the operation's clean-up.
        EXPECT_NE(readFileBytes(d + "murkwell.usr").find("Alice <a@x>"), std::string::npos);

        show(app.secKey(), [&](mw::Form&) {
            seen = listEntries(app.secKey().listBox1());
            app.secKey().Button1Click();
        });
        EXPECT_EQ(seen, Lines{"Sam Signer"});
        EXPECT_EQ(readFileBytes(d + "Murkwell.bat"), "c:\\pgp\\pgp.exe -kv \"*\" c:\\pgp\\secring.pgp > "
                                                     "murkwell.usr\r\nDEL c:\\pgp\\Murkwell.lck\r\n");
        EXPECT_TRUE(exists(d + "murkwell.usr"));
        EXPECT_FALSE(exists(d + "Murkwell.lck"));
        ASSERT_EQ(recorder->launches.size(), 2u);
        for (const auto& l : recorder->launches) {
            EXPECT_EQ(l.file, "c:\\pgp\\Murkwell.bat");
            EXPECT_EQ(l.parameters, "");
            EXPECT_EQ(l.directory, "c:\\pgp\\");
            EXPECT_EQ(l.mode, mw::ShowMode::Hidden);
        }
        EXPECT_EQ(app.form1().job.Signer, "\"Sam Signer\"");
        // The stale listing went first, before the lock and the launch.
        EXPECT_LT(recorder->step("delete c:\\pgp\\Murkwell.USR"),
                  recorder->step("create c:\\pgp\\Murkwell.lck"));
        EXPECT_LT(recorder->step("create c:\\pgp\\Murkwell.lck"),
                  recorder->step("launch c:\\pgp\\Murkwell.bat"));
        EXPECT_TRUE(interaction.shown.empty()) << boxTexts().front();
    }
    removeTree("c:\\pgp\\");
}

TEST_F(KeyDialogs, FileModuleDefaultsWriteTheLockFirstAndDeleteTheListing) {
    standProgramAs("bramlet.exe");
    const std::string d = preparePgpDir("c:\\pgp\\", {"Alice <a@x>", "+Alice at work"}, {"Sam Signer"});
    writeFileBytes(d + "BRAMLET.USR", "stale listing, never to be parsed\r\n");
    {
        filemodule::FileModuleApp app(mw::Application::instance());
        // What the calling operation sets before it shows a dialog.
        app.form1().job.PGPExe = d + "pgp.exe";
        app.form1().job.BatchFile = d + "bramlet.bat";
        app.form1().job.LockFile = d + "bramlet.lck";
        Lines seen;
        show(app.pubKey(), [&](mw::Form&) {
            seen = listEntries(app.pubKey().listBox1());
            app.pubKey().Button1Click();
        });
        EXPECT_EQ(seen, (Lines{"Alice <a@x>", "Alice at work"}));
        EXPECT_EQ(
            readFileBytes(d + "bramlet.bat"),
            "c:\\pgp\\pgp.exe -kv \"*\" c:\\pgp\\pubring.pgp > bramlet.usr\r\nDEL c:\\pgp\\bramlet.lck\r\n");
        EXPECT_FALSE(exists(d + "bramlet.usr"));
        EXPECT_LT(recorder->step("create c:\\pgp\\bramlet.lck"),
                  recorder->step("delete c:\\pgp\\bramlet.usr"));
        EXPECT_LT(recorder->step("delete c:\\pgp\\bramlet.usr"),
                  recorder->step("launch c:\\pgp\\bramlet.bat"));

        show(app.secKey(), [&](mw::Form&) { app.secKey().Button1Click(); });
        EXPECT_EQ(
            readFileBytes(d + "bramlet.bat"),
            "c:\\pgp\\pgp.exe -kv \"*\" c:\\pgp\\secring.pgp > bramlet.usr\r\nDEL c:\\pgp\\bramlet.lck\r\n");
        EXPECT_FALSE(exists(d + "bramlet.usr"));
        EXPECT_FALSE(exists(d + "bramlet.lck"));
        EXPECT_EQ(app.form1().job.Signer, "Sam Signer");
        ASSERT_EQ(recorder->launches.size(), 2u);
        for (const auto& l : recorder->launches) {
            EXPECT_EQ(l.directory, "c:\\pgp\\");
            EXPECT_EQ(l.mode, mw::ShowMode::Hidden);
        }
        EXPECT_TRUE(interaction.shown.empty());
    }
    removeTree("c:\\pgp\\");
}

TEST_F(KeyDialogs, AddRemoveAndOkBuildTheRecipientStringAcrossShowings) {
    preparePgpDir(pgpDir(), kPublic, {});
    writeSettings("Murkwell.ini");
    editor::EditorApp app(mw::Application::instance());
    TPubKey& pub = app.pubKey();
    Lines available, afterAdds, afterRemoves;
    std::size_t boxesWhenFull = 99;
    show(pub, [&](mw::Form&) {
        available = listEntries(pub.listBox1());
        click(pub.item(TPubKey::IdSpeedButton1)); // nothing selected: nothing happens
        select(pub.listBox1(), 0);
        click(pub.item(TPubKey::IdSpeedButton1));
        select(pub.listBox1(), 2);
        click(pub.item(TPubKey::IdSpeedButton1));
        click(pub.item(TPubKey::IdSpeedButton1)); // the same entry again
        select(pub.listBox1(), 4);
        click(pub.item(TPubKey::IdSpeedButton1)); // a fourth: ignored without a word
        boxesWhenFull = interaction.shown.size();
        afterAdds = listEntries(pub.listBox2());
        select(pub.listBox2(), 0);
        click(pub.item(TPubKey::IdSpeedButton2));
        doubleClickEntry(pub.listBox2(), 1);
        click(pub.item(TPubKey::IdSpeedButton2)); // nothing selected any more
        doubleClickEntry(pub.listBox1(), indexOf(pub.listBox1(), "Carol"));
        afterRemoves = listEntries(pub.listBox2());
        click(pub.item(TPubKey::IdButton1));
    });
    EXPECT_EQ(available, kPublicSorted);
    EXPECT_EQ(boxesWhenFull, 0u);
    EXPECT_EQ(afterAdds, (Lines{"\"Adam\"", "\"Bob <bob@x>\"", "\"Bob <bob@x>\""}));
    EXPECT_EQ(afterRemoves, (Lines{"\"Bob <bob@x>\"", "\"Carol\""}));
    EXPECT_EQ(app.form1().job.Recipients, "\"Bob <bob@x>\" \"Carol\" ");
    EXPECT_EQ(SendMessageA(pub.listBox1(), LB_GETCOUNT, 0, 0), 0) << "OK empties Available Keys";

    // A new key in the ring: listed afresh, while the choice stays.
    writeRing(pgpDir() + "pubring.pgp", {"Dave", "carol"});
    Lines keptChoice;
    show(pub, [&](mw::Form&) {
        available = listEntries(pub.listBox1());
        keptChoice = listEntries(pub.listBox2());
        doubleClickEntry(pub.listBox2(), 0);
        doubleClickEntry(pub.listBox2(), 0);
        click(pub.item(TPubKey::IdButton1));
    });
    EXPECT_EQ(available, (Lines{"carol", "Dave"}));
    EXPECT_EQ(keptChoice, (Lines{"\"Bob <bob@x>\"", "\"Carol\""}));
    EXPECT_EQ(app.form1().job.Recipients, "");
    EXPECT_TRUE(interaction.shown.empty());
}

// Real key presses: Enter on a highlighted key adds it, Enter elsewhere is OK; Escape, Alt+F4 and
// the close box cancel, leaving the fields as they were.
TEST_F(KeyDialogs, KeysAloneAddChooseAndCancelInBothDialogs) {
    preparePgpDir(pgpDir(), {"Bob", "Alice"}, {"Sam"});
    writeSettings("Murkwell.ini");
    editor::EditorApp app(mw::Application::instance());
    app.form1().job.Recipients = "\"Before\" ";
    app.form1().job.Signer = "\"Before\"";
    TPubKey& pub = app.pubKey();
    TSecKey& sec = app.secKey();
    Lines afterEnter;
    bool openAfterEnter = false;
    show(pub, [&](mw::Form& f) {
        pressKeys(f.handle(), pub.listBox1(), {VK_HOME});
        pressKeys(f.handle(), pub.listBox1(), {VK_RETURN});
        afterEnter = listEntries(pub.listBox2());
        openAfterEnter = pub.isShowingModal();
        pressKeys(f.handle(), pub.listBox1(), {VK_ESCAPE});
    });
    EXPECT_EQ(afterEnter, Lines{"\"Alice\""});
    EXPECT_TRUE(openAfterEnter);
    EXPECT_FALSE(pub.chosen());
    EXPECT_EQ(app.form1().job.Recipients, "\"Before\" ");

    using Close = std::function<void(mw::Form&, HWND list)>;
    const Close altF4 = [](mw::Form& f, HWND list) { pressKeys(f.handle(), list, {VK_MENU, VK_F4}); };
    const Close closeBox = [](mw::Form& f, HWND) { SendMessageA(f.handle(), WM_SYSCOMMAND, SC_CLOSE, 0); };
    for (const Close& cancel : {altF4, closeBox}) {
        show(pub, [&](mw::Form& f) { cancel(f, pub.listBox1()); });
        EXPECT_FALSE(pub.chosen());
        show(sec, [&](mw::Form& f) { cancel(f, sec.listBox1()); });
        EXPECT_FALSE(sec.chosen());
    }
    EXPECT_EQ(app.form1().job.Recipients, "\"Before\" ");
    EXPECT_EQ(app.form1().job.Signer, "\"Before\"");

    // Enter from "Keys To Use" and from the signer's list is OK.
    show(pub, [&](mw::Form& f) { pressKeys(f.handle(), pub.listBox2(), {VK_RETURN}); });
    EXPECT_TRUE(pub.chosen());
    EXPECT_EQ(app.form1().job.Recipients, "\"Alice\" ");
    show(sec, [&](mw::Form& f) { pressKeys(f.handle(), sec.listBox1(), {VK_RETURN}); });
    EXPECT_TRUE(sec.chosen());
    EXPECT_EQ(app.form1().job.Signer, "\"Sam\"");
    EXPECT_TRUE(interaction.shown.empty());
}

TEST_F(KeyDialogs, UserIdsThatCannotBePassedToPgpAreShownButRefusedInBothPrograms) {
    const std::string hostile = "Eve \"x\" & del <e@x>";
    // PGP would read an ID beginning with "-" as options and one beginning with "+" as a setting.
    // The double lists a ring line "+X" as a further ID "X" of the key above.
    preparePgpDir(pgpDir(), {hostile, "Tab\there", "50% Off <p@x>", "-w", "++batchmode"},
                  {hostile, "Zed", "-w", "++batchmode"});
    for (const char* exe : {"Murkwell.exe", "bramlet.exe"}) {
        SCOPED_TRACE(exe);
        const bool editorProgram = std::string(exe) == "Murkwell.exe";
        standProgramAs(exe);
        writeSettings(editorProgram ? "Murkwell.ini" : "bramlet.ini");
        interaction.shown.clear();
        std::unique_ptr<editor::EditorApp> ed;
        std::unique_ptr<filemodule::FileModuleApp> fm;
        if (editorProgram) {
            ed = std::make_unique<editor::EditorApp>(mw::Application::instance());
        } else {
            fm = std::make_unique<filemodule::FileModuleApp>(mw::Application::instance());
            fm->form1().job.PGPExe = pgpDir() + "pgp.exe";
            fm->form1().job.BatchFile = pgpDir() + "bramlet.bat";
            fm->form1().job.LockFile = pgpDir() + "bramlet.lck";
        }
        TPubKey& pub = ed ? ed->pubKey() : fm->pubKey();
        TSecKey& sec = ed ? ed->secKey() : fm->secKey();
        std::string& recipients = ed ? ed->form1().job.Recipients : fm->form1().job.Recipients;
        std::string& signer = ed ? ed->form1().job.Signer : fm->form1().job.Signer;
        signer = "before";

        Lines available;
        show(pub, [&](mw::Form&) {
            available = listEntries(pub.listBox1());
            select(pub.listBox1(), indexOf(pub.listBox1(), hostile));
            click(pub.item(TPubKey::IdSpeedButton1));
            doubleClickEntry(pub.listBox1(), indexOf(pub.listBox1(), "Tab\there"));
            doubleClickEntry(pub.listBox1(), indexOf(pub.listBox1(), "50% Off <p@x>"));
            select(pub.listBox1(), indexOf(pub.listBox1(), "-w"));
            click(pub.item(TPubKey::IdSpeedButton1));
            doubleClickEntry(pub.listBox1(), indexOf(pub.listBox1(), "+batchmode"));
            click(pub.item(TPubKey::IdButton1));
        });
        EXPECT_EQ(available, (Lines{"+batchmode", "50% Off <p@x>", hostile, "Tab\there", "-w"}));
        EXPECT_EQ(recipients, "\"50% Off <p@x>\" ");

        bool stayedOpen = false;
        show(sec, [&](mw::Form& f) {
            select(sec.listBox1(), indexOf(sec.listBox1(), hostile));
            click(sec.button1());
            doubleClickEntry(sec.listBox1(), indexOf(sec.listBox1(), hostile));
            select(sec.listBox1(), indexOf(sec.listBox1(), "-w"));
            click(sec.button1());
            doubleClickEntry(sec.listBox1(), indexOf(sec.listBox1(), "+batchmode"));
            stayedOpen = f.isShowingModal();
            SendMessageA(f.handle(), WM_CLOSE, 0, 0);
        });
        EXPECT_TRUE(stayedOpen) << "a refused signer leaves the choice open";
        EXPECT_EQ(signer, "before");

        ASSERT_EQ(interaction.shown.size(), 8u) << "four refusals in each dialog";
        for (const auto& box : interaction.shown) {
            EXPECT_EQ(box.text, mw::kUnsafeUserIdMessage);
            EXPECT_EQ(box.caption, editorProgram ? "Information" : "Murkwell File Encryption Applet");
            EXPECT_EQ(box.icon, editorProgram ? mw::BoxIcon::Information : mw::BoxIcon::None);
        }
    }
}

TEST_F(KeyDialogs, SecretKeyDialogPreselectsTheFirstAndKeepsSignerUnlessOk) {
    preparePgpDir(pgpDir(), {}, {"zed", "Bob", "alice"});
    writeSettings("Murkwell.ini");
    editor::EditorApp app(mw::Application::instance());
    TSecKey& sec = app.secKey();
    int preselected = -1;
    Lines available;
    show(sec, [&](mw::Form&) {
        preselected = static_cast<int>(SendMessageA(sec.listBox1(), LB_GETCURSEL, 0, 0));
        available = listEntries(sec.listBox1());
        click(sec.button1());
    });
    EXPECT_EQ(preselected, 0);
    EXPECT_EQ(available, (Lines{"alice", "Bob", "zed"}));
    EXPECT_EQ(app.form1().job.Signer, "\"alice\"");

    show(sec, [&](mw::Form& f) {
        select(sec.listBox1(), 2);
        SendMessageA(f.handle(), WM_CLOSE, 0, 0); // the close box
    });
    EXPECT_EQ(app.form1().job.Signer, "\"alice\"");

    show(sec, [&](mw::Form&) { doubleClickEntry(sec.listBox1(), 1); });
    EXPECT_EQ(app.form1().job.Signer, "\"Bob\"");

    EXPECT_FALSE(sec.offeredFirstKey());

    // An empty ring: the offer of a first key (declined) instead of an empty dialog, which is
    // never shown and leaves the signer alone.
    writeRing(pgpDir() + "secring.pgp", {});
    interaction.answers = {false};
    modalShown.clear();
    show(sec, [&](mw::Form&) { click(sec.button1()); });
    EXPECT_EQ(modalShown, Lines{});
    EXPECT_TRUE(sec.offeredFirstKey());
    EXPECT_FALSE(IsWindowVisible(sec.handle()));
    EXPECT_EQ(app.form1().job.Signer, "\"Bob\"");
    ASSERT_EQ(interaction.shown.size(), 1u);
    EXPECT_EQ(interaction.shown[0].caption, "No Keys");
    EXPECT_TRUE(interaction.answers.empty());
}

TEST_F(KeyDialogs, ListingThatCannotBeOpenedShowsTheErrorThenAnEmptyDialog) {
    preparePgpDir(pgpDir(), {"Alice"}, {});
    writeSettings("Murkwell.ini");
    // A directory where the listing should be: the redirection fails and the file cannot be read.
    makeDirectory(pgpDir() + "murkwell.usr");
    editor::EditorApp app(mw::Application::instance());
    int entries = -1;
    std::size_t boxesWhenVisible = 0;
    show(app.pubKey(), [&](mw::Form&) {
        entries = static_cast<int>(SendMessageA(app.pubKey().listBox1(), LB_GETCOUNT, 0, 0));
        boxesWhenVisible = interaction.shown.size();
        click(app.pubKey().item(TPubKey::IdButton1));
    });
    EXPECT_EQ(modalShown, Lines{"TPubKey"});
    EXPECT_EQ(entries, 0);
    ASSERT_EQ(boxesWhenVisible, 1u) << "the error comes before the dialog";
    EXPECT_EQ(interaction.shown[0].icon, mw::BoxIcon::Error);
    EXPECT_NE(interaction.shown[0].text.find("murkwell.usr"), std::string::npos) << interaction.shown[0].text;
    EXPECT_FALSE(exists(pgpDir() + "Murkwell.lck"));
    RemoveDirectoryA((pgpDir() + "murkwell.usr").c_str());
}

TEST_F(KeyDialogs, ListingFilesWithAnyLineEndsAndLongLinesReadWhole) {
    const std::string pad(30, ' ');
    const std::string longId(1 << 20, 'L');
    writeFileBytes(dir / "murkwell.usr", "h1\r\nh2\nh3\r\n" + pad + "crlf\r\n" + pad + "lf\n" + pad + longId +
                                             "\n" + pad + "no end");
    mw::KeyListingSources s;
    s.pgpDir = dir.path();
    auto ids =
        mw::readKeyListing(*recorder, mw::planKeyListing(mw::KeyProgram::Editor, mw::KeyRing::Public, s));
    // Compared without printing: a failure would otherwise dump the megabyte.
    EXPECT_TRUE(ids == (Lines{"crlf", "lf", longId, "no end"})) << ids.size() << " entries";
}

TEST_F(KeyDialogs, FormsHaveTheirCaptionsFramesAndLayout) {
    editor::EditorApp app(mw::Application::instance());
    auto& a = app.context().application();
    auto clientRect = [](HWND form, HWND control) {
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    auto expectAt = [&](HWND form, HWND control, int x, int y, int w, int h) {
        RECT r = clientRect(form, control);
        EXPECT_EQ(r.left, a.scale(x));
        EXPECT_EQ(r.top, a.scale(y));
        EXPECT_EQ(r.right - r.left, a.scale(w));
        EXPECT_EQ(r.bottom - r.top, a.scale(h));
    };
    TPubKey& pub = app.pubKey();
    RECT rc;
    GetClientRect(pub.handle(), &rc);
    EXPECT_EQ(rc.right, a.scale(572));
    EXPECT_EQ(rc.bottom, a.scale(373));
    EXPECT_TRUE(GetWindowLongA(pub.handle(), GWL_STYLE) & WS_SYSMENU) << "the close box";
    EXPECT_EQ(mw::windowText(pub.item(TPubKey::IdLabel1)),
              "Select up to 3 public keys to use to encrypt this file.");
    EXPECT_EQ(mw::windowText(pub.item(TPubKey::IdLabel2)), "Available Keys");
    EXPECT_EQ(mw::windowText(pub.item(TPubKey::IdLabel3)), "Keys To Use");
    EXPECT_EQ(mw::windowText(pub.item(TPubKey::IdSpeedButton1)), "&Add >>");
    EXPECT_EQ(mw::windowText(pub.item(TPubKey::IdSpeedButton2)), "<< &Remove");
    EXPECT_EQ(mw::windowText(pub.item(TPubKey::IdButton1)), "&OK");
    expectAt(pub.handle(), pub.listBox1(), 4, 52, 240, 270);
    expectAt(pub.handle(), pub.listBox2(), 330, 52, 240, 270);
    expectAt(pub.handle(), pub.item(TPubKey::IdSpeedButton1), 248, 100, 77, 32);
    expectAt(pub.handle(), pub.item(TPubKey::IdSpeedButton2), 248, 152, 77, 32);
    expectAt(pub.handle(), pub.item(TPubKey::IdButton1), 140, 332, 297, 37);
    EXPECT_FALSE(GetWindowLongA(pub.listBox1(), GWL_STYLE) & LBS_SORT)
        << "sorted by the dialog, see KeyListing";

    TSecKey& sec = app.secKey();
    GetClientRect(sec.handle(), &rc);
    EXPECT_EQ(rc.right, a.scale(426));
    EXPECT_EQ(rc.bottom, a.scale(273));
    EXPECT_TRUE(GetWindowLongA(sec.handle(), GWL_STYLE) & WS_SYSMENU) << "the close box";
    EXPECT_EQ(mw::windowText(sec.item(TSecKey::IdLabel1)),
              "Select the Secret Key you wish to use to sign this file.");
    EXPECT_EQ(mw::windowText(sec.button1()), "&OK");
    expectAt(sec.handle(), sec.panel1(), 0, 228, 426, 45);
    expectAt(sec.handle(), sec.button1(), 0, 228, 426, 45);
    expectAt(sec.handle(), sec.listBox1(), 0, 29, 426, 199);

    for (HWND form : {pub.handle(), sec.handle()}) {
        RECT w;
        GetWindowRect(form, &w);
        EXPECT_NEAR((w.left + w.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
        EXPECT_NEAR((w.top + w.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
    }
}

TEST(KeyOrder, CyrillicGreekAndLatinRingsSortInTheSystemsCollation) {
    const struct {
        const char* name;
        unsigned codePage;
        Lines expected;
    } rings[] = {
        // Alla, boris, Yeva, yozhik, Zhanna, Yakov <y@x.ru>: Yo sorts with Ye, after Yeva.
        {"Windows-1251",
         1251,
         {"alice", "Zed", "\xc0\xeb\xeb\xe0", "\xe1\xee\xf0\xe8\xf1", "\xc5\xe2\xe0", "\xb8\xe6\xe8\xea",
          "\xc6\xe0\xed\xed\xe0", "\xdf\xea\xee\xe2 <y@x.ru>"}},
        // alpha (accented), Beta, gamma, Delta, Omega.
        {"Windows-1253",
         1253,
         {"Bob", "\xdc\xeb\xf6\xe1", "\xc2\xde\xf4\xe1", "\xe3\xdc\xec\xec\xe1", "\xc4\xdd\xeb\xf4\xe1",
          "\xd9\xec\xdd\xe3\xe1"}},
        // Accents after the plain letter, S with caron among the s's, upper case first in a tie.
        {"Windows-1252",
         1252,
         {" leading blank", "0day", "Adam", "adam", "alice", "ALICE2", "Bob", "bob <b@x>", "Bobby", "Emile",
          "\xc9mile", "\xe9mile Z", "J\xf6rg", "Jorgen", "Sam", "\x8aimon", "Tom", "zed"}},
    };
    std::mt19937 rng(1251);
    for (const auto& ring : rings) {
        SCOPED_TRACE(ring.name);
        CodePageCollation collation(ring.codePage);
        for (int i = 0; i < 5; ++i) {
            Lines ids = ring.expected;
            std::shuffle(ids.begin(), ids.end(), rng);
            mw::sortUserIds(ids, collation);
            EXPECT_EQ(ids, ring.expected);
        }
    }
}

TEST_F(KeyDialogs, ListingIsOrderedByTheSystemsCollationForTheAnsiCodePage) {
    // Hyphens weigh less than letters, as in the system's sorted list box: a hostile "-w" stands
    // among the w's, where byte order would put it first.
    const std::string pad(30, ' ');
    writeFileBytes(dir / "murkwell.usr", "h1\r\nh2\r\nh3\r\n" + pad + "wendy\r\n" + pad + "cop\r\n" + pad +
                                             "co-op\r\n" + pad + "-w\r\n" + pad + "Coop\r\n" + pad +
                                             "ac\r\n" + pad + "a-b\r\n" + pad + "ab\r\n");
    mw::KeyListingSources s;
    s.pgpDir = dir.path();
    auto ids =
        mw::readKeyListing(*recorder, mw::planKeyListing(mw::KeyProgram::Editor, mw::KeyRing::Public, s));
    EXPECT_EQ(ids, (Lines{"ab", "a-b", "ac", "Coop", "co-op", "cop", "-w", "wendy"}));
}

TEST_F(KeyDialogs, UserIdListDrawsTypesAndAnswersLikeAListBox) {
    preparePgpDir(pgpDir(), {"carol", "Bob <bob@x>", "Cecil", "alice <a@x>", "Carl"}, {});
    writeSettings("Murkwell.ini");
    editor::EditorApp app(mw::Application::instance());
    TPubKey& pub = app.pubKey();
    Lines available;
    std::vector<int> afterKeys;
    std::vector<LRESULT> found;
    int highlighted = 0, plainRowLit = 0, plainRowInk = 0, rowPixels = 0;
    show(pub, [&](mw::Form&) {
        HWND list = pub.listBox1();
        available = listEntries(list);
        EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0),
                  SendMessageA(pub.listBox2(), LB_GETITEMHEIGHT, 0, 0))
            << "entries as high as in the list with strings beside it";
        auto cursel = [&] { return static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0)); };
        for (char typed : {'c', 'C', 'c', 'c', 'z', 'B'}) {
            SendMessageA(list, WM_CHAR, static_cast<WPARAM>(typed), 1);
            afterKeys.push_back(cursel());
        }
        SendMessageA(list, WM_KEYDOWN, VK_END, 1);
        afterKeys.push_back(cursel());
        SendMessageA(list, WM_KEYDOWN, VK_UP, 1);
        afterKeys.push_back(cursel());
        auto query = [&](UINT msg, int after, const char* text) {
            return SendMessageA(list, msg, static_cast<WPARAM>(after), reinterpret_cast<LPARAM>(text));
        };
        found = {query(LB_FINDSTRING, -1, "BOB"),      query(LB_FINDSTRINGEXACT, -1, "CAROL"),
                 query(LB_FINDSTRINGEXACT, -1, "Car"), query(LB_FINDSTRING, 3, "ca"),
                 query(LB_FINDSTRING, -1, "x"),        query(LB_SELECTSTRING, 0, "alice")};
        EXPECT_EQ(cursel(), 0) << "LB_SELECTSTRING selects";

        // The selected row in the highlight colour, the others on the window colour with ink.
        SendMessageA(list, LB_SETCURSEL, 1, 0);
        UpdateWindow(list);
        HDC dc = GetDC(list);
        RECT r{};
        for (int row : {1, 2}) {
            SendMessageA(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
            for (int y = r.top + 1; y < r.bottom - 1; ++y)
                for (int x = r.left + 2; x < r.right - 2; ++x) {
                    const COLORREF c = GetPixel(dc, x, y);
                    if (row == 1) {
                        ++rowPixels;
                        highlighted += c == GetSysColor(COLOR_HIGHLIGHT);
                    } else {
                        plainRowLit += c == GetSysColor(COLOR_WINDOW);
                        plainRowInk += c != GetSysColor(COLOR_WINDOW);
                    }
                }
        }
        ReleaseDC(list, dc);
        click(pub.item(TPubKey::IdButton1));
    });
    EXPECT_EQ(available, (Lines{"alice <a@x>", "Bob <bob@x>", "Carl", "carol", "Cecil"}));
    EXPECT_EQ(afterKeys, (std::vector<int>{2, 3, 4, 2, 2, 1, 4, 3}));
    EXPECT_EQ(found, (std::vector<LRESULT>{1, 3, LB_ERR, 2, LB_ERR, 0}));
    EXPECT_GT(highlighted, rowPixels / 2) << "selected row";
    EXPECT_GT(plainRowLit, plainRowInk) << "unselected row";
    EXPECT_GT(plainRowInk, 20) << "the text is drawn";
}

// Screen readers and automation read the list from their own process, and the system sizes the
// buffer of such a read by the list box's styles: a list that kept its strings to itself had a long
// user ID written past that buffer, and the editor ended.
TEST_F(KeyDialogs, AnotherProcessReadsEveryUserIdWholeAndTheEditorLivesOn) {
    const std::string longId = "Long " + std::string(1989, 'x') + " <l@x>";
    ASSERT_EQ(longId.size(), 2000u);
    const struct {
        const char* dialog;
        int command, list;
        Lines ring; // in the order listed
    } dialogs[] = {
        {"TPubKey",
         editor::CmdBitBtn1Click,
         TPubKey::IdListBox1,
         {"50% Off <p@x>", "alice <a@x>", "Bob <bob@x>", longId, "Ren\xe9 <r@x>"}},
        {"TSecKey", editor::CmdBitBtn3Click, TSecKey::IdListBox1, {"alice <a@x>", longId, "Sam Signer"}},
    };
    standBuiltProgram("editor\\Murkwell.exe", exePath);
    for (const auto& d : dialogs) {
        SCOPED_TRACE(d.dialog);
        // A directory of its own: the editor is ended with its job half done.
        const std::string pgp = dir / (std::string(d.dialog) + "\\");
        preparePgpDir(pgp, d.ring, d.ring);
        writeSettings("Murkwell.ini", pgp);
        RunningProgram editor(exePath, "", dir.path());
        ASSERT_TRUE(editor.window);
        PostMessageA(editor.window, WM_COMMAND, MAKEWPARAM(d.command, 0), 0);
        HWND dialog = nullptr;
        ASSERT_TRUE(waitFor(std::string("the dialog ") + d.dialog,
                            [&] { return (dialog = editor.visibleWindow(d.dialog)) != nullptr; }));
        const std::vector<std::wstring> read = readFromAnotherProcess(GetDlgItem(dialog, d.list));
        EXPECT_TRUE(editor.running()) << "the editor ended";
        EXPECT_TRUE(IsWindowVisible(dialog));
        ASSERT_EQ(read.size(), d.ring.size());
        for (std::size_t i = 0; i < read.size(); ++i)
            EXPECT_TRUE(read[i] == wideForm(d.ring[i]))
                << "entry " << i << " read as " << read[i].size() << " characters";
    }
}

// LB_GETTEXT has no size: a caller gives room for the length the list reports. Reads in both
// character sets, the long ID passing through the system's conversion, stay within it.
// What a screen reader reads of both main windows from its own process: every button's caption,
// the file module's three panes and its status line, in any script.
TEST_F(KeyDialogs, AnotherProcessReadsTheButtonsAndPanesOfBothMainWindows) {
    auto text = [](HWND h) {
        wchar_t buffer[512] = L"";
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(h, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG,
                            kWaitLimitMs, &ignored);
        return std::wstring(buffer);
    };
    auto captions = [&](HWND bar) {
        std::vector<std::wstring> all;
        for (HWND b = GetWindow(bar, GW_CHILD); b; b = GetWindow(b, GW_HWNDNEXT))
            all.push_back(text(b));
        return all;
    };
    preparePgpDir(pgpDir(), {"Alice"}, {"Alice"});
    writeSettings("Murkwell.ini");
    writeSettings("bramlet.ini");
    standBuiltProgram("editor\\Murkwell.exe", exePath);
    {
        RunningProgram editor(exePath, "", dir.path());
        ASSERT_TRUE(editor.window);
        EXPECT_EQ(captions(GetDlgItem(editor.window, editor::TForm1::IdPanel2)),
                  (std::vector<std::wstring>{L"Encrypt", L"Decrypt", L"Sign", L"Sign & Encrypt",
                                             L"Encrypt IDEA", L"Paste & Decrypt", L"Paste Message",
                                             L"Cut Message", L"Copy Message", L"Clear", L"Quote", L"Exit"}));
    }
    const std::string files = dir / "files\\";
    makeDirectory(files);
    writeFileBytes(files + "plain.txt", "x");
    ASSERT_TRUE(
        CreateDirectoryW(mw::widePath(files + "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82").c_str(), nullptr));
    standBuiltProgram("filemodule\\bramlet.exe", dir / "bramlet.exe");
    RunningProgram browser(dir / "bramlet.exe", "", files);
    ASSERT_TRUE(browser.window);
    HWND fileList = GetDlgItem(browser.window, filemodule::TForm1::IdFileListBox1);
    clickEntry(fileList, 0); // the status line names the selection
    EXPECT_EQ(readFromAnotherProcess(fileList), std::vector<std::wstring>{L"plain.txt"});
    HWND left = GetDlgItem(browser.window, filemodule::TForm1::IdPanel3);
    const std::vector<std::wstring> tree =
        readFromAnotherProcess(GetDlgItem(left, filemodule::TForm1::IdDirectory));
    EXPECT_EQ(tree.empty() ? L"" : tree.back(), L"\x041E\x0442\x0447\x0451\x0442") << "folders in any script";
    HWND drives =
        GetDlgItem(GetDlgItem(left, filemodule::TForm1::IdPanel4), filemodule::TForm1::IdDriveComboBox1);
    EXPECT_EQ(text(drives), L"c:");
    EXPECT_NE(text(GetDlgItem(browser.window, filemodule::TForm1::IdPanel2)).find(L"plain.txt"),
              std::wstring::npos);
    EXPECT_EQ(captions(GetDlgItem(browser.window, filemodule::TForm1::IdPanel1)),
              (std::vector<std::wstring>{L"Encrypt", L"Decrypt", L"Sign", L"Sign Detached", L"Sign Encrypt",
                                         L"Encrypt IDEA", L"Exit"}));
}

TEST_F(KeyDialogs, ReadsInThisProcessStayWithinTheLengthTheListGives) {
    const std::string longId = std::string(1994, 'y') + " <y@x>";
    const Lines ids = {"alice <a@x>", longId, "J\xf6rg"};
    const mw::Context context(mw::editorProfile(), mw::Application::instance());
    TPubKey dialog(context, mw::KeyDialogLink{});
    dialog.availableKeys().assign(ids);
    HWND list = dialog.listBox1();
    constexpr std::size_t kGuards = 64;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        SCOPED_TRACE(i);
        const auto index = static_cast<WPARAM>(i);
        const LRESULT narrow = SendMessageA(list, LB_GETTEXTLEN, index, 0);
        ASSERT_GE(narrow, 0);
        std::string a(static_cast<std::size_t>(narrow) + 1 + kGuards, '\xfd');
        EXPECT_EQ(SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(a.data())), narrow);
        EXPECT_EQ(a.find_first_not_of('\xfd', static_cast<std::size_t>(narrow) + 1), std::string::npos);
        EXPECT_TRUE(std::string(a.c_str()) == ids[i]);

        const LRESULT wideLength = SendMessageW(list, LB_GETTEXTLEN, index, 0);
        ASSERT_GE(wideLength, 0);
        std::wstring w(static_cast<std::size_t>(wideLength) + 1 + kGuards, L'\xfdfd');
        EXPECT_EQ(SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(w.data())), wideLength);
        EXPECT_EQ(w.find_first_not_of(L'\xfdfd', static_cast<std::size_t>(wideLength) + 1),
                  std::wstring::npos);
        EXPECT_TRUE(std::wstring(w.c_str()) == wideForm(ids[i]));
    }
}

// A big ring shows its first page at once and the rest while messages run, in order.
TEST_F(KeyDialogs, ABigListFillsInTheBackgroundInOrder) {
    Lines big;
    for (int i = 0; i < 12345; ++i)
        big.push_back("user " + std::to_string(100000 + i) + " <u@x>");
    const mw::Context context(mw::editorProfile(), mw::Application::instance());
    TPubKey dialog(context, mw::KeyDialogLink{});
    HWND list = dialog.listBox1();
    auto count = [&] { return static_cast<std::size_t>(SendMessageA(list, LB_GETCOUNT, 0, 0)); };

    dialog.availableKeys().assign(big);
    EXPECT_GT(count(), 50u);
    EXPECT_LT(count(), big.size());
    ASSERT_TRUE(waitFor("the whole list", [&] { return count() == big.size(); }));
    for (std::size_t i : {std::size_t{0}, std::size_t{999}, std::size_t{1000}, big.size() - 1}) {
        char text[64] = {};
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        EXPECT_EQ(std::string(text), big[i]);
    }
    SendMessageA(list, LB_SETCURSEL, 12000, 0);
    ASSERT_TRUE(dialog.availableKeys().selected());
    EXPECT_EQ(*dialog.availableKeys().selected(), big[12000]);
}
