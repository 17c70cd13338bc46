// The batch lines for PGP and the wipe tool: the documented examples byte for byte, and quoting
// that keeps hostile user IDs, pass phrases and file names from reaching cmd.exe as commands.
#include "core/CommandLines.h"
#include "core/ProgramProfile.h"
#include <functional>
#include <gtest/gtest.h>

using namespace mw;

namespace {
const std::string kPgp = "c:\\pgp\\pgp.exe";
const std::string kShort = "C:\\MYDOCU~1\\QUARTE~1.DOC";

EditorLineValues editorValues() {
    EditorLineValues v;
    v.pgpExe = kPgp;
    v.recipients = "\"Alice\" \"Bob\" ";
    v.signer = "\"Carol\"";
    return v;
}
} // namespace

TEST(EditorPgpLine, EveryOperationInBothOptionForms) {
    auto v = editorValues();
    EXPECT_EQ(editorPgpLine(EditorOperation::Encrypt, v, true, editorProfile()),
              "c:\\pgp\\pgp.exe -eat murkwell.tmp \"Alice\" \"Bob\" ");
    EXPECT_EQ(editorPgpLine(EditorOperation::Encrypt, v, false, editorProfile()),
              "c:\\pgp\\pgp.exe -eatw murkwell.tmp \"Alice\" \"Bob\" ");
    EXPECT_EQ(editorPgpLine(EditorOperation::Sign, v, true, editorProfile()),
              "c:\\pgp\\pgp.exe -sta murkwell.tmp -u \"Carol\"");
    EXPECT_EQ(editorPgpLine(EditorOperation::Sign, v, false, editorProfile()),
              "c:\\pgp\\pgp.exe -staw murkwell.tmp -u \"Carol\"");
    EXPECT_EQ(editorPgpLine(EditorOperation::SignEncrypt, v, true, editorProfile()),
              "c:\\pgp\\pgp.exe -east murkwell.tmp \"Alice\" \"Bob\"  -u \"Carol\"");
    EXPECT_EQ(editorPgpLine(EditorOperation::SignEncrypt, v, false, editorProfile()),
              "c:\\pgp\\pgp.exe -eastw murkwell.tmp \"Alice\" \"Bob\"  -u \"Carol\"");
    EXPECT_EQ(editorPgpLine(EditorOperation::EncryptIdea, v, true, editorProfile()),
              "c:\\pgp\\pgp.exe -ca murkwell.tmp");
    EXPECT_EQ(editorPgpLine(EditorOperation::EncryptIdea, v, false, editorProfile()),
              "c:\\pgp\\pgp.exe -caw murkwell.tmp");
    // Decrypt has one form, with the pass phrase only when storing is on.
    EXPECT_EQ(editorPgpLine(EditorOperation::Decrypt, v, true, editorProfile()),
              "c:\\pgp\\pgp.exe murkwell.tmp -o murkwell.txt");
    EXPECT_EQ(editorPgpLine(EditorOperation::Decrypt, v, false, editorProfile()),
              "c:\\pgp\\pgp.exe murkwell.tmp -o murkwell.txt");
    v.passPhrase = "open sesame";
    EXPECT_EQ(editorPgpLine(EditorOperation::Decrypt, v, true, editorProfile()),
              "c:\\pgp\\pgp.exe murkwell.tmp -o murkwell.txt");
    v.passPhraseOn = true;
    EXPECT_EQ(editorPgpLine(EditorOperation::Decrypt, v, true, editorProfile()),
              "@c:\\pgp\\pgp.exe -z \"open sesame\" murkwell.tmp -o murkwell.txt");
    v.passPhrase.clear();
    EXPECT_EQ(editorPgpLine(EditorOperation::Decrypt, v, true, editorProfile()),
              "@c:\\pgp\\pgp.exe -z \"\" murkwell.tmp -o murkwell.txt");
}

// cmd.exe echoes every line it runs into the console window, in view of anyone at the screen; only
// "@" at the start of a line keeps it off. The line with the stored pass phrase gets it, every
// other line keeps its echo and its bytes.
TEST(EditorPgpLine, OnlyTheLineCarryingThePassPhraseIsKeptOutOfTheConsole) {
    const std::string phrase = "open sesame";
    int carrying = 0;
    for (auto op : {EditorOperation::Encrypt, EditorOperation::Decrypt, EditorOperation::Sign,
                    EditorOperation::SignEncrypt, EditorOperation::EncryptIdea})
        for (bool storing : {false, true})
            for (bool wipeTool : {false, true}) {
                SCOPED_TRACE(::testing::Message() << "operation " << static_cast<int>(op) << ", storing "
                                                  << storing << ", wipe tool " << wipeTool);
                auto v = editorValues();
                v.passPhraseOn = storing;
                v.passPhrase = phrase;
                const std::string line(editorPgpLine(op, v, wipeTool, editorProfile()));
                const bool carries = line.find(phrase) != std::string::npos;
                carrying += carries;
                EXPECT_EQ(line.rfind(carries ? "@" + kPgp + " " : kPgp + " ", 0), 0u) << line;
            }
    EXPECT_EQ(carrying, 2) << "Decrypt with storing on, with and without the wipe tool";

    auto v = editorValues();
    v.pgpExe = "c:\\my pgp\\pgp.exe";
    v.passPhraseOn = true;
    v.passPhrase = phrase;
    EXPECT_EQ(editorPgpLine(EditorOperation::Decrypt, v, true, editorProfile()),
              "@\"c:\\my pgp\\pgp.exe\" -z \"open sesame\" murkwell.tmp -o murkwell.txt");
}

TEST(EditorPgpLine, NothingChosenYet) {
    EditorLineValues v;
    v.pgpExe = kPgp;
    EXPECT_EQ(editorPgpLine(EditorOperation::Encrypt, v, true, editorProfile()),
              "c:\\pgp\\pgp.exe -eat murkwell.tmp ");
    EXPECT_EQ(editorPgpLine(EditorOperation::Sign, v, true, editorProfile()),
              "c:\\pgp\\pgp.exe -sta murkwell.tmp -u ");
}

TEST(FileModulePgpLine, WorkedExamplesAndEveryOperation) {
    FileLineValues v{kPgp, kShort, "\"Alice\" \"Bob\" ", "Carol"};
    // Two blanks stand before -u: the recipient string's own and the one of " -u ".
    EXPECT_EQ(fileModulePgpLine(FileOperation::SignEncrypt, v),
              "c:\\pgp\\pgp.exe -east C:\\MYDOCU~1\\QUARTE~1.DOC \"Alice\" \"Bob\"  -u \"Carol\"");
    EXPECT_EQ(fileModulePgpLine(FileOperation::Encrypt, v),
              "c:\\pgp\\pgp.exe -ea C:\\MYDOCU~1\\QUARTE~1.DOC \"Alice\" \"Bob\" ");
    EXPECT_EQ(fileModulePgpLine(FileOperation::Decrypt, v), "c:\\pgp\\pgp.exe -p C:\\MYDOCU~1\\QUARTE~1.DOC");
    EXPECT_EQ(fileModulePgpLine(FileOperation::Sign, v),
              "c:\\pgp\\pgp.exe -sta C:\\MYDOCU~1\\QUARTE~1.DOC -u \"Carol\"");
    EXPECT_EQ(fileModulePgpLine(FileOperation::SignDetached, v),
              "c:\\pgp\\pgp.exe -sbta C:\\MYDOCU~1\\QUARTE~1.DOC -u \"Carol\"");
    EXPECT_EQ(fileModulePgpLine(FileOperation::EncryptIdea, v),
              "c:\\pgp\\pgp.exe -ca C:\\MYDOCU~1\\QUARTE~1.DOC");
    v.signer.clear();
    EXPECT_EQ(fileModulePgpLine(FileOperation::Sign, v),
              "c:\\pgp\\pgp.exe -sta C:\\MYDOCU~1\\QUARTE~1.DOC -u \"\"");
}

TEST(KeyListingAndWipeLines, DocumentedExamples) {
    EXPECT_EQ(keyListingLine(kPgp, "c:\\pgp\\pubring.pgp", "c:\\pgp\\murkwell.usr"),
              "c:\\pgp\\pgp.exe -kv \"*\" c:\\pgp\\pubring.pgp > c:\\pgp\\murkwell.usr");
    EXPECT_EQ(keyListingLine(kPgp, "c:\\pgp\\secring.pgp", "murkwell.usr"),
              "c:\\pgp\\pgp.exe -kv \"*\" c:\\pgp\\secring.pgp > murkwell.usr");
    EXPECT_EQ(deleteLine("c:\\pgp\\Murkwell.lck"), "DEL c:\\pgp\\Murkwell.lck");
    EXPECT_EQ(scorchLine("C:\\MURK~1\\SCORCH.COM", kShort),
              "C:\\MURK~1\\SCORCH.COM [C:\\MYDOCU~1\\QUARTE~1.DOC] /two /silent");
    EXPECT_EQ(wipeParameters("c:\\pgp\\murkwell.tmp"), "[c:\\pgp\\murkwell.tmp] /two /silent");
    // The launch parameter never passes through cmd.exe: nothing is doubled or quoted.
    EXPECT_EQ(wipeParameters("c:\\50% off\\a&b.txt"), "[c:\\50% off\\a&b.txt] /two /silent");
}

TEST(BatchQuoting, PathsWithBlanksOrCmdSpecialsAreQuotedAndPercentDoubled) {
    EXPECT_EQ(batchPath("c:\\pgp\\pgp.exe", "x"), "c:\\pgp\\pgp.exe");
    EXPECT_EQ(batchPath("c:\\100%\\pgp.exe", "x"), "c:\\100%%\\pgp.exe");
    for (char c : std::string(" &|<>^(),;=")) {
        std::string path = std::string("c:\\a") + c + "b\\f";
        EXPECT_EQ(batchPath(path, "x"), "\"" + path + "\"") << c;
    }
    EXPECT_EQ(batchPath("c:\\a b\\%PATH%.txt", "x"), "\"c:\\a b\\%%PATH%%.txt\"");
    EXPECT_EQ(deleteLine("c:\\my pgp\\Murkwell.lck"), "DEL \"c:\\my pgp\\Murkwell.lck\"");
    EXPECT_EQ(scorchLine("C:\\TOOLS\\SCORCH.COM", "C:\\X\\A&B_~PNJ.TXT"),
              "C:\\TOOLS\\SCORCH.COM \"[C:\\X\\A&B_~PNJ.TXT]\" /two /silent");
    EXPECT_EQ(keyListingLine("c:\\pgp 2\\pgp.exe", "c:\\pgp 2\\pub(1).pgp", "murkwell.usr"),
              "\"c:\\pgp 2\\pgp.exe\" -kv \"*\" \"c:\\pgp 2\\pub(1).pgp\" > murkwell.usr");
}

TEST(BatchQuoting, UserIdsAndPassPhrasesKeepHostileTextInsideQuotes) {
    EXPECT_EQ(batchRecipients("\"a & del *\" \"100% <sure>\" "), "\"a & del *\" \"100%% <sure>\" ");
    EXPECT_EQ(batchQuoted("p%PATH%^|", "The pass phrase"), "\"p%%PATH%%^|\"");
    // A runtime reads \" as an escaped quote, so a trailing backslash is doubled.
    EXPECT_EQ(batchQuoted("ends\\", "x"), "\"ends\\\\\"");
    EXPECT_EQ(batchQuoted("a\\b", "x"), "\"a\\b\"");
    FileLineValues v{kPgp, "C:\\X\\Q(1)~2.TXT", "", "Eve & Co %USERNAME%"};
    EXPECT_EQ(fileModulePgpLine(FileOperation::Sign, v),
              "c:\\pgp\\pgp.exe -sta \"C:\\X\\Q(1)~2.TXT\" -u \"Eve & Co %%USERNAME%%\"");
}

TEST(BatchQuoting, RefusesWhatNoQuotingCanCarryAndSaysWhichValue) {
    auto message = [](auto&& f) {
        try {
            f();
        } catch (const UnsafeValue& e) {
            return std::string(e.what());
        }
        return std::string("<accepted>");
    };
    EXPECT_EQ(message([] { batchQuoted("a\"b", "The pass phrase"); }),
              "The pass phrase cannot be passed to PGP: it contains a double quote (\").");
    EXPECT_EQ(message([] { batchQuoted("line\r\nDEL x", "The pass phrase"); }),
              "The pass phrase cannot be passed to PGP: it contains a control character.");
    FileLineValues v{kPgp, kShort, "", "Mallory\" & calc & \""};
    EXPECT_EQ(
        message([&] { fileModulePgpLine(FileOperation::Sign, v); }),
        "The user ID \"Mallory\" & calc & \"\" cannot be passed to PGP: it contains a double quote (\").");
    // A quote inside a recipient leaves text outside the quotes: the string is refused whole.
    EXPECT_NE(message([] { batchRecipients("\"Mallory\" & calc & \"\" "); }), "<accepted>");
    EXPECT_NE(message([] { batchRecipients("\"unterminated "); }), "<accepted>");
    EXPECT_NE(message([] { batchRecipients("bare "); }), "<accepted>");
    EXPECT_EQ(message([] { batchRecipients(""); }), "<accepted>");
    EXPECT_NE(message([] { batchPath("c:\\pgp\\pg\tp.exe", "The path of pgp.exe"); }), "<accepted>");
}

TEST(SplitRecipients, GivesTheUserIdsInOrder) {
    EXPECT_EQ(splitRecipients("\"A\" \"B b\" \"A\" "), (std::vector<std::string>{"A", "B b", "A"}));
    EXPECT_EQ(splitRecipients("\"\" "), (std::vector<std::string>{""}));
    EXPECT_TRUE(splitRecipients("").empty());
}

namespace {
std::string refusal(const std::function<void()>& f) {
    try {
        f();
    } catch (const UnsafeValue& e) {
        return e.what();
    }
    return "<accepted>";
}
} // namespace

TEST(BatchQuoting, UserIdsBeginningWithADashAreRefusedAsRecipientsAndSigner) {
    const std::string option =
        "The user ID \"-o c:\\x\" cannot be passed to PGP: it begins with \"-\", which "
        "PGP would read as an option.";
    EditorLineValues v = editorValues();
    v.recipients = "\"Alice\" \"-o c:\\x\" ";
    EXPECT_EQ(refusal([&] { editorPgpLine(EditorOperation::Encrypt, v, true, editorProfile()); }), option);
    EXPECT_EQ(refusal([&] { editorPgpLine(EditorOperation::SignEncrypt, v, false, editorProfile()); }),
              option);
    v = editorValues();
    v.signer = "\"-w\"";
    EXPECT_EQ(refusal([&] { editorPgpLine(EditorOperation::Sign, v, true, editorProfile()); }),
              "The user ID \"-w\" cannot be passed to PGP: it begins with \"-\", which PGP would read as an "
              "option.");
    FileLineValues f{kPgp, kShort, "\"-o c:\\x\" ", "Carol"};
    EXPECT_EQ(refusal([&] { fileModulePgpLine(FileOperation::Encrypt, f); }), option);
    f = {kPgp, kShort, "\"Alice\" ", "-o c:\\x"};
    EXPECT_EQ(refusal([&] { fileModulePgpLine(FileOperation::SignDetached, f); }), option);
    // A dash further in is ordinary text.
    f = {kPgp, kShort, "\"Anne-Marie\" ", "Jean-Paul -w"};
    EXPECT_EQ(fileModulePgpLine(FileOperation::SignEncrypt, f),
              "c:\\pgp\\pgp.exe -east C:\\MYDOCU~1\\QUARTE~1.DOC \"Anne-Marie\"  -u \"Jean-Paul -w\"");
}

TEST(BatchQuoting, UserIdsBeginningWithAPlusAreRefusedAsRecipientsAndSignerInBothPrograms) {
    // PGP would take them as settings of its configuration, quoted or not.
    const std::string ring = "The user ID \"+pubring=c:\\evil.pgp\" cannot be passed to PGP: it begins with "
                             "\"+\", which PGP would read as a setting of its configuration.";
    const std::string batch = "The user ID \"+batchmode\" cannot be passed to PGP: it begins with \"+\", "
                              "which PGP would read as a setting of its configuration.";
    EditorLineValues recipient = editorValues(), signer = editorValues();
    recipient.recipients = "\"Alice\" \"+pubring=c:\\evil.pgp\" ";
    signer.signer = "\"+batchmode\"";
    struct Case {
        std::function<void()> build;
        std::string expected;
    };
    const Case cases[] = {
        {[&] { editorPgpLine(EditorOperation::Encrypt, recipient, true, editorProfile()); }, ring},
        {[&] { editorPgpLine(EditorOperation::SignEncrypt, recipient, false, editorProfile()); }, ring},
        {[&] { editorPgpLine(EditorOperation::Sign, signer, true, editorProfile()); }, batch},
        {[&] { editorPgpLine(EditorOperation::SignEncrypt, signer, true, editorProfile()); }, batch},
        {[&] {
             fileModulePgpLine(FileOperation::Encrypt, {kPgp, kShort, recipient.recipients, "Carol"});
         },
         ring},
        {[&] {
             fileModulePgpLine(FileOperation::SignEncrypt, {kPgp, kShort, "\"Bob\" ", "+batchmode"});
         },
         batch},
        {[&] {
             fileModulePgpLine(FileOperation::Sign, {kPgp, kShort, "", "+batchmode"});
         },
         batch},
        {[&] {
             fileModulePgpLine(FileOperation::SignDetached, {kPgp, kShort, "", "+batchmode"});
         },
         batch},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(refusal(cases[i].build), cases[i].expected) << "case " << i;
    // A plus further in, or after a blank, is ordinary text: PGP looks only at the first character.
    FileLineValues f{kPgp, kShort, "\"C++ Club\" \" +x\" ", "Ann+Bob"};
    EXPECT_EQ(fileModulePgpLine(FileOperation::SignEncrypt, f),
              "c:\\pgp\\pgp.exe -east C:\\MYDOCU~1\\QUARTE~1.DOC \"C++ Club\" \" +x\"  -u \"Ann+Bob\"");
}

TEST(BatchQuoting, DelCharacterIsRefusedInPassPhrasePathAndUserId) {
    const std::string del(1, '\x7f');
    EditorLineValues v = editorValues();
    v.passPhraseOn = true;
    v.passPhrase = "pass" + del + "word";
    EXPECT_EQ(refusal([&] { editorPgpLine(EditorOperation::Decrypt, v, true, editorProfile()); }),
              "The pass phrase cannot be passed to PGP: it contains a control character.");
    v = editorValues();
    v.pgpExe = "c:\\pg" + del + "p\\pgp.exe";
    EXPECT_EQ(refusal([&] { editorPgpLine(EditorOperation::EncryptIdea, v, true, editorProfile()); }),
              "The path of pgp.exe cannot be passed to PGP: it contains a control character.");
    v = editorValues();
    v.recipients = "\"Al" + del + "ice\" ";
    EXPECT_EQ(refusal([&] { editorPgpLine(EditorOperation::Encrypt, v, true, editorProfile()); }),
              "The user ID \"Al" + del + "ice\" cannot be passed to PGP: it contains a control character.");
    EXPECT_EQ(refusal([&] { keyListingLine(kPgp, "c:\\pgp\\pub" + del + ".pgp", "x.usr"); }),
              "The key ring path cannot be passed to PGP: it contains a control character.");
}
