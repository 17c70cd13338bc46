// The key dialogs of both programs against a real ring: listed by our pgp.exe through cmd.exe, the
// engine holding the keys, in the ANSI code page this program runs under (1252 by default, 1251
// with a Russian locale), where one ID always has letters the code page lacks and is listed
// marked; what the program then encrypts is for exactly the keys chosen, as Linux gpg reads the
// message.
#include "editor/EditorApp.h"
#include "editor/EditorCommands.h"
#include "editor/TForm1.h"
#include "filemodule/FileModuleApp.h"
#include "filemodule/FileModuleCommands.h"
#include "filemodule/TForm1.h"
#include "win/TPubKey.h"
#include "win/TSecKey.h"
#include "RealEngine.h"
#include "WinTestSupport.h"
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>

using namespace mwtest;
using Lines = std::vector<std::string>;
using mw::TPubKey;
using mw::TSecKey;

namespace {

// The ring, in UTF-8 as the engine keeps user IDs.
struct RingKey {
    std::string name, email;
    bool choose;         // taken into "Keys To Use"
    std::string lacking; // how it is shown where the code page lacks its letters, after its key ID
    std::string userId() const { return email.empty() ? name : name + " <" + email + ">"; }
};
const RingKey kRing[] = {
    {"Alice Plain", "", true, ""},
    // Holds the first as a part: only "an exact user ID wins" makes the first one's choice work.
    {"Alice Plainfield", "", false, ""},
    {"Ren\xc3\xa9 Dupont", "rene@x.invalid", true, "Ren? Dupont <rene@x.invalid>"},
    {"\xd0\x91\xd0\xbe\xd1\x80\xd0\xb8\xd1\x81 \xd0\x9f\xd0\xb5\xd1\x82\xd1\x80\xd0\xbe\xd0\xb2",
     "boris@x.invalid", true, "????? ?????? <boris@x.invalid>"},
};

// The entry that shows a user ID the code page lacks: "[0x" key ID "] " and its shown form.
bool isMarkedAs(const std::string& entry, const std::string& lacking) {
    return entry.size() == 13 + lacking.size() && entry.compare(0, 3, "[0x") == 0 &&
           entry.compare(11, 2, "] ") == 0 && entry.compare(13, std::string::npos, lacking) == 0;
}

// The user ID as this process's ANSI code page holds it, when both that and the console's code
// page (through which the listing passes) hold every character.
std::optional<std::string> ansiForm(const std::string& utf8) {
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                                nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    std::string out;
    for (UINT codePage : {static_cast<UINT>(CP_OEMCP), static_cast<UINT>(CP_ACP)}) {
        BOOL lost = FALSE;
        int m =
            WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), n, nullptr, 0, nullptr, &lost);
        if (m <= 0 || lost) return std::nullopt;
        out.assign(static_cast<std::size_t>(m), '\0');
        WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), n, out.data(), m, nullptr, nullptr);
    }
    return out;
}

class KeyRingDialogs : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        char cwd[MAX_PATH];
        startDirectory.assign(cwd, GetCurrentDirectoryA(sizeof cwd, cwd));
        if (!RealEngine::built())
            GTEST_SKIP() << "no engine in " << engineDirectory() << ": run scripts/build-engine.sh";
        engine = std::make_unique<RealEngine>(dir.path());
        engine->installPrograms();
        ASSERT_FALSE(HasFatalFailure());
        installWipeTool(dir.path());
        ASSERT_FALSE(HasFatalFailure());
        pgpDir = engine->pgpDir;
        std::string parameters;
        for (const RingKey& k : kRing) {
            parameters += "Key-Type: eddsa\nKey-Curve: ed25519\nKey-Usage: sign\nSubkey-Type: ecdh\n"
                          "Subkey-Curve: cv25519\nSubkey-Usage: encrypt\nName-Real: " +
                          k.name + "\n";
            if (!k.email.empty()) parameters += "Name-Email: " + k.email + "\n";
            parameters += "Expire-Date: 0\n%no-protection\n%commit\n";
        }
        writeFileBytes(dir / "keygen.txt", parameters);
        ASSERT_EQ(0, runWithInput(engine->engineCall("--generate-key \"" + dir / "keygen.txt\""), ""));
        ASSERT_EQ(
            0, runWithInput(engine->engineCall("--armor --output \"" + dir / "public.asc\" --export"), ""));
        engine->endAgent();
        // The file module runs PGP in the directory it shows; PGP finds its keys through PGPPATH.
        SetEnvironmentVariableA("PGPPATH", engine->home.c_str());
        int lacked = 0;
        for (const RingKey& k : kRing) {
            auto ansi = ansiForm(k.userId());
            if (ansi)
                shown.push_back(*ansi);
            else
                ++lacked;
            if (k.choose) chosen.push_back(k);
        }
        ASSERT_EQ(lacked, 1) << "each code page under test lacks the letters of one of the IDs";
    }
    void TearDown() override {
        editorApp.reset();
        fileApp.reset();
        SetCurrentDirectoryA(startDirectory.c_str());
        SetEnvironmentVariableA("PGPPATH", nullptr);
        engine.reset();
        waitFor("the programs started from the test's directory to end",
                [&] { return !processRunsFrom(dir.path()); });
        ProgramFixture::TearDown();
    }
    // Answers the public-key dialog with the chosen IDs and the secret-key one with its first entry,
    // noting what each listed.
    void answerDialogs(TPubKey& pub, TSecKey& sec) {
        onModal = [this, &pub, &sec](mw::Form& f) {
            if (&f == &pub) {
                listedPublic = listEntries(pub.listBox1());
                for (const RingKey& k : chosen) {
                    // As listed: intact, or marked.
                    std::string entry = ansiForm(k.userId()).value_or("");
                    for (const std::string& listed : listedPublic)
                        if (entry.empty() && isMarkedAs(listed, k.lacking)) entry = listed;
                    LRESULT at = SendMessageA(pub.listBox1(), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                              reinterpret_cast<LPARAM>(entry.c_str()));
                    SendMessageA(pub.listBox1(), LB_SETCURSEL, static_cast<WPARAM>(at), 0);
                    pub.SpeedButton1Click();
                }
                pub.Button1Click();
            } else if (&f == &sec) {
                listedSecret = listEntries(sec.listBox1());
                sec.Button1Click();
            } else {
                f.close();
            }
        };
    }
    // Both listings hold every key once, each ID the code page can show exactly as it is, the
    // other marked.
    void expectListings() {
        for (const Lines* listed : {&listedPublic, &listedSecret}) {
            EXPECT_EQ(listed->size(), std::size(kRing));
            for (const std::string& id : shown)
                EXPECT_EQ(std::count(listed->begin(), listed->end(), id), 1)
                    << id << " is not in " << ::testing::PrintToString(*listed);
            for (const RingKey& k : kRing)
                if (!ansiForm(k.userId()))
                    EXPECT_EQ(std::count_if(listed->begin(), listed->end(),
                                            [&](const std::string& e) { return isMarkedAs(e, k.lacking); }),
                              1)
                        << k.lacking << " is not marked in " << ::testing::PrintToString(*listed);
        }
    }
    // The user IDs of the keys `message` is encrypted to, read by Linux gpg from the message's
    // packets and the exported public keys.
    Lines recipientsOf(const std::string& message) {
        writeFileBytes(dir / "message.asc", message);
        EXPECT_TRUE(runLinuxGpg(
            dir.path(), {},
            "gpg --batch --import public.asc 2>import.log\n"
            "gpg --batch --with-colons --list-keys >keys.txt 2>/dev/null\n"
            "gpg --batch --list-only --list-packets message.asc >packets.txt 2>&1\n"
            "awk -F: 'NR == FNR { if ($1 == \"pub\") u = \"\"; else if ($1 == \"uid\" && u == \"\") u = $10;"
            " else if ($1 == \"sub\") owner[$5] = u; next }"
            " /:pubkey enc packet:/ { n = split($0, w, \" \"); id = w[n];"
            " print (id in owner) ? owner[id] : \"unknown key \" id }' keys.txt packets.txt "
            ">recipients.txt"));
        Lines ids = mw::splitLines(readFileBytes(dir / "recipients.txt"));
        std::erase(ids, std::string());
        std::sort(ids.begin(), ids.end());
        return ids;
    }
    Lines expectedRecipients() {
        Lines ids;
        for (const RingKey& k : chosen)
            ids.push_back(k.userId());
        std::sort(ids.begin(), ids.end());
        return ids;
    }

    std::unique_ptr<RealEngine> engine;
    std::string pgpDir, startDirectory;
    Lines shown, listedPublic, listedSecret;
    std::vector<RingKey> chosen;
    std::unique_ptr<editor::EditorApp> editorApp;
    std::unique_ptr<filemodule::FileModuleApp> fileApp;
};

} // namespace

TEST_F(KeyRingDialogs, EditorListsTheRingAndEncryptsToExactlyTheChosenKeys) {
    writeFileBytes(dir / "Murkwell.ini", engine->bin + "pgp.exe\r\n" + pgpDir + "\r\n" + pgpDir +
                                             "pubring.pgp\r\n" + pgpDir +
                                             "secring.pgp\r\n0\r\n0\r\n640\r\n450\r\nright\r\nnostore\r\n"
                                             "Courier New\r\n8\r\n0\r\n-2147483643\r\n");
    editorApp = std::make_unique<editor::EditorApp>(mw::Application::instance());
    editorApp->form1().showMain();
    answerDialogs(editorApp->pubKey(), editorApp->secKey());
    editorApp->secKey().showModal();
    mw::setWindowText(editorApp->form1().memo(), "For the chosen few.\r\n");
    SendMessageA(editorApp->form1().handle(), WM_COMMAND, MAKEWPARAM(editor::CmdBitBtn1Click, 0), 0);
    const std::string encrypted = mw::windowText(editorApp->form1().memo());
    ASSERT_EQ(0u, encrypted.find("-----BEGIN PGP MESSAGE-----\r\n")) << encrypted;
    expectListings();
    EXPECT_EQ(recipientsOf(encrypted), expectedRecipients()) << readFileBytes(dir / "packets.txt");
}

TEST_F(KeyRingDialogs, FileModuleListsTheRingAndEncryptsToExactlyTheChosenKeys) {
    standProgramAs("bramlet.exe");
    writeFileBytes(dir / "bramlet.ini", engine->bin + "pgp.exe\r\n" + pgpDir + "\r\n" + pgpDir +
                                            "pubring.pgp\r\n" + pgpDir + "secring.pgp\r\n");
    const std::string data = dir / "data\\";
    makeDirectory(data);
    writeFileBytes(data + "note.txt", "For the chosen few.\r\n");
    SetCurrentDirectoryA(data.c_str());
    fileApp = std::make_unique<filemodule::FileModuleApp>(mw::Application::instance());
    auto& form = fileApp->form1();
    form.showMain();
    answerDialogs(fileApp->pubKey(), fileApp->secKey());
    // The signer dialog lists the secret ring; its listing job needs the paths an operation sets.
    form.job.PGPExe = engine->bin + "pgp.exe";
    form.job.BatchFile = pgpDir + "bramlet.bat";
    form.job.LockFile = pgpDir + "bramlet.lck";
    fileApp->secKey().showModal();
    clickEntry(form.fileList(),
               static_cast<int>(SendMessageA(form.fileList(), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>("note.txt"))));
    ASSERT_EQ(form.FileName(), data + "note.txt");
    SendMessageA(form.handle(), WM_COMMAND, filemodule::CmdSpeedButton1Click, 0);
    ASSERT_TRUE(waitFor("the encrypted file", [&] { return exists(data + "note.asc"); }));
    expectListings();
    EXPECT_EQ(recipientsOf(readFileBytes(data + "note.asc")), expectedRecipients())
        << readFileBytes(dir / "packets.txt");
}
