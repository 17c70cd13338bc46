// PGP 2.6's option grammar: the programs' own lines, letters in any order, and every refusal.
#include "pgp/core/Options.h"
#include <gtest/gtest.h>
#include <algorithm>

using namespace pgp;

namespace {

Command parse(std::initializer_list<const wchar_t*> args) {
    std::vector<Argument> v;
    for (const wchar_t* a : args)
        v.emplace_back(a);
    return parseCommandLine(v);
}

} // namespace

TEST(PgpOptions, TheProgramsLinesGiveTheirActions) {
    struct Case {
        std::initializer_list<const wchar_t*> args;
        Action action;
        bool sign, armor, text, wipe, detached, preserveName;
    };
    const Case cases[] = {
        {{L"-eat", L"murkwell.tmp", L"Alice", L"Bob"},
         Action::Encrypt,
         false,
         true,
         true,
         false,
         false,
         false},
        {{L"-eatw", L"murkwell.tmp", L"Alice"}, Action::Encrypt, false, true, true, true, false, false},
        {{L"-sta", L"murkwell.tmp", L"-u", L"Carol"}, Action::Sign, true, true, true, false, false, false},
        {{L"-staw", L"murkwell.tmp", L"-u", L"Carol"}, Action::Sign, true, true, true, true, false, false},
        {{L"-east", L"murkwell.tmp", L"Alice", L"-u", L"Carol"},
         Action::Encrypt,
         true,
         true,
         true,
         false,
         false,
         false},
        {{L"-eastw", L"murkwell.tmp", L"Alice", L"-u", L"Carol"},
         Action::Encrypt,
         true,
         true,
         true,
         true,
         false,
         false},
        {{L"-ca", L"murkwell.tmp"}, Action::Conventional, false, true, false, false, false, false},
        {{L"-caw", L"murkwell.tmp"}, Action::Conventional, false, true, false, true, false, false},
        {{L"murkwell.tmp", L"-o", L"murkwell.txt"},
         Action::Decrypt,
         false,
         false,
         false,
         false,
         false,
         false},
        {{L"-z", L"pass word", L"murkwell.tmp", L"-o", L"murkwell.txt"},
         Action::Decrypt,
         false,
         false,
         false,
         false,
         false,
         false},
        {{L"-ea", L"C:\\X~1.DOC", L"Alice"}, Action::Encrypt, false, true, false, false, false, false},
        {{L"-p", L"C:\\X~1.ASC"}, Action::Decrypt, false, false, false, false, false, true},
        {{L"-sbta", L"C:\\X~1.DOC", L"-u", L"Carol"}, Action::Sign, true, true, true, false, true, false},
        // A detached signature and the file it signs.
        {{L"C:\\X~1.ASC", L"C:\\X~1.DOC"}, Action::Decrypt, false, false, false, false, false, false},
        {{L"-tea", L"x.txt", L"Alice"}, Action::Encrypt, false, true, true, false, false, false},
        {{L"-kv", L"*", L"C:\\pgp\\pubring.pgp"}, Action::KeyView, false, false, false, false, false, false},
    };
    for (const auto& c : cases) {
        Command cmd = parse(c.args);
        SCOPED_TRACE(testing::Message() << *c.args.begin() << L" " << *(c.args.begin() + 1));
        EXPECT_EQ(cmd.error, L"");
        EXPECT_EQ(cmd.action, c.action);
        EXPECT_EQ(cmd.sign, c.sign);
        EXPECT_EQ(cmd.armor, c.armor);
        EXPECT_EQ(cmd.text, c.text);
        EXPECT_EQ(cmd.wipe, c.wipe);
        EXPECT_EQ(cmd.detached, c.detached);
        EXPECT_EQ(cmd.preserveName, c.preserveName);
    }
}

TEST(PgpOptions, ArgumentsAndOperandsKeepTheirOrderAndText) {
    Command c = parse({L"-east", L"murkwell.tmp", L"Alice <a@x>", L"Bj\u00f6rn", L"-u", L"Carol \"C\"", L"-o",
                       L"out file.asc", L"-z", L""});
    EXPECT_EQ(c.error, L"");
    EXPECT_EQ(c.operands, (std::vector<std::wstring>{L"murkwell.tmp", L"Alice <a@x>", L"Bj\u00f6rn"}));
    EXPECT_EQ(c.signer, L"Carol \"C\"");
    EXPECT_EQ(c.output, L"out file.asc");
    ASSERT_TRUE(c.passPhrase);
    EXPECT_EQ(std::wstring(*c.passPhrase), L"");
    // Two argument letters in one group take the next arguments in their order.
    Command d = parse({L"-zu", L"secret", L"Carol", L"-sta", L"f.txt"});
    EXPECT_EQ(std::wstring(*d.passPhrase), L"secret");
    EXPECT_EQ(d.signer, L"Carol");
    EXPECT_EQ(d.operands, std::vector<std::wstring>{L"f.txt"});
}

TEST(PgpOptions, KeyCommandsAndBatchMode) {
    struct Case {
        std::initializer_list<const wchar_t*> args;
        Action action;
        bool armor, fingerprints, batch;
    };
    const Case cases[] = {
        {{L"-kg"}, Action::KeyGenerate, false, false, false},
        {{L"-ka", L"keys.asc"}, Action::KeyAdd, false, false, false},
        {{L"+batchmode", L"-ka", L"keys.asc", L"pubring.pgp"}, Action::KeyAdd, false, false, true},
        {{L"-kx", L"Alice", L"alice.pgp"}, Action::KeyExtract, false, false, false},
        {{L"-kxa", L"Alice", L"alice.asc"}, Action::KeyExtract, true, false, false},
        {{L"-kr", L"Alice", L"+BatchMode"}, Action::KeyRemove, false, false, true},
        {{L"-kv"}, Action::KeyView, false, false, false},
        {{L"-kvc", L"Alice"}, Action::KeyView, false, true, false},
        {{L"-kvv", L"Alice"}, Action::KeyView, false, false, false},
        {{L"-kc"}, Action::KeyCheck, false, false, false},
        {{L"-ks", L"Bob", L"-u", L"Alice"}, Action::KeySign, false, false, false},
        {{L"-ke", L"Bob"}, Action::KeyEdit, false, false, false},
        {{L"+batchmode", L"-kd", L"Bob"}, Action::KeyDisable, false, false, true},
        // The user ID and the file name of -kx are asked for when missing.
        {{L"-kx"}, Action::KeyExtract, false, false, false},
        {{L"-kxa", L"Alice"}, Action::KeyExtract, true, false, false},
        {{L"-kx", L"Alice", L"alice", L"secring.pgp"}, Action::KeyExtract, false, false, false},
        {{L"-h"}, Action::Usage, false, false, false},
        {{}, Action::Usage, false, false, false},
    };
    for (const auto& c : cases) {
        Command cmd = parse(c.args);
        EXPECT_EQ(cmd.error, L"");
        EXPECT_EQ(cmd.action, c.action);
        EXPECT_EQ(cmd.armor, c.armor);
        EXPECT_EQ(cmd.fingerprints, c.fingerprints);
        EXPECT_EQ(cmd.batchMode, c.batch);
        const bool listsSignatures = std::any_of(c.args.begin(), c.args.end(), [](const wchar_t* a) {
            return std::wstring(a) == L"-kvv" || std::wstring(a) == L"-kc";
        });
        EXPECT_EQ(cmd.signatures, listsSignatures);
    }
}

TEST(PgpOptions, RefusalsNameWhatIsWrong) {
    struct Case {
        std::initializer_list<const wchar_t*> args;
        const wchar_t* error;
    };
    const Case cases[] = {
        {{L"-eaq", L"f.txt", L"Alice"}, L"unknown option -q"},
        {{L"-de", L"f.txt", L"Alice"},
         L"-d keeps the signature of a message decrypted to a file; it takes no -f or -m"},
        {{L"-df"}, L"-d keeps the signature of a message decrypted to a file; it takes no -f or -m"},
        {{L"-kq"}, L"unknown option -kq"},
        {{L"+verbose=3", L"f.txt"}, L"unknown option +verbose=3"},
        {{L"+pubring=c:\\x.pgp", L"f.txt"}, L"unknown option +pubring=c:\\x.pgp"},
        {{L"-m", L"-p", L"f.asc"},
         L"-m shows a decrypted message and writes nothing; it takes no -f, -p or -o"},
        {{L"-em", L"f.txt", L"Alice"},
         L"-m shows a decrypted message and writes nothing; it takes no -f, -p or -o"},
        {{L"-sta", L"f.txt", L"-u"}, L"-u needs an argument"},
        {{L"f.txt", L"-o"}, L"-o needs an argument"},
        {{L"-z"}, L"-z needs an argument"},
        {{L"-ce", L"f.txt", L"Alice"}, L"-c cannot be combined with -e, -s or -k"},
        {{L"-kv", L"-e", L"f.txt"}, L"-k cannot be combined with -e or -s"},
        {{L"-eb", L"f.txt", L"Alice"}, L"-b needs -s and cannot be combined with -e"},
        {{L"-pe", L"f.txt", L"Alice"}, L"-p applies only to decryption"},
        {{L"-w", L"f.txt"}, L"-w applies only to encryption and signing"},
        {{L"-eat"}, L"no input file given"},
        {{L"a.sig", L"a.txt", L"b.txt"}, L"unexpected argument b.txt"},
        {{L"-f", L"a.txt"}, L"unexpected argument a.txt"},
        {{L"-ka"}, L"-ka needs the file of keys to add"},
        {{L"-ks"}, L"-ks needs the user ID of the key to certify"},
        {{L"-ke", L"Bob", L"ring", L"more"}, L"unexpected argument more"},
        {{L"-kd"}, L"-kd needs the user ID of the key to revoke or disable"},
        {{L"-kvvv"}, L"unknown option -kvvv"},
        {{L"-kr"}, L"-kr needs the user ID of the key to remove"},
        {{L"-p", L"a.asc", L"-o", L"b"}, L"-p and -o both name the output"},
    };
    for (const auto& c : cases) {
        Command cmd = parse(c.args);
        EXPECT_EQ(cmd.error, c.error);
    }
}

// config.txt as PGP 2.6 users wrote it; the command line wins, letters only add, and what a file
// may not set is named with its line.
TEST(PgpOptions, ConfigSettingsYieldToTheCommandLine) {
    std::vector<std::wstring> problems;
    const Settings config =
        parseConfig(L"# mine\r\nArmor = on\r\nTextMode=on\r\nMyName = \"Carol # home\"  # me\r\n"
                    L"verbose=2\r\n\r\npubring = c:\\evil\\pubring.pgp\r\nforce=maybe\r\n",
                    problems);
    EXPECT_EQ(problems,
              (std::vector<std::wstring>{L"line 7: 'pubring' is not used by this pgp.exe; ignored",
                                         L"line 8: the value of 'force=maybe' is not on or off; ignored"}));
    struct Case {
        std::initializer_list<const wchar_t*> args;
        bool armor, text, batch, force;
        const wchar_t* signer;
        int verbose;
    };
    const Case cases[] = {
        {{L"-es", L"f.txt", L"Bob"}, true, true, false, false, L"Carol # home", 2},
        {{L"-es", L"f.txt", L"Bob", L"+armor=off", L"+BatchMode", L"+force", L"+verbose=0"},
         false,
         true,
         true,
         true,
         L"Carol # home",
         0},
        {{L"-esa", L"f.txt", L"Bob", L"-u", L"Dave", L"+armor=off"}, true, true, false, false, L"Dave", 2},
        {{L"-kv", L"+textmode=on"}, false, false, false, false, L"Carol # home", 2},
    };
    for (const auto& c : cases) {
        Command cmd = parse(c.args);
        applyConfig(cmd, config);
        SCOPED_TRACE(testing::Message() << *c.args.begin());
        EXPECT_EQ(cmd.error, L"");
        EXPECT_EQ(cmd.armor, c.armor);
        EXPECT_EQ(cmd.text, c.text);
        EXPECT_EQ(cmd.batchMode, c.batch);
        EXPECT_EQ(cmd.force, c.force);
        EXPECT_EQ(cmd.signer, std::wstring(c.signer));
        EXPECT_EQ(cmd.verbose, c.verbose);
    }
}

// The settings for programs that drive pgp.exe come from their command line only: a config.txt
// holding them must not change what the key dialogs read or what -kg makes.
TEST(PgpOptions, ColonsAndExpireComeFromTheCommandLineOnly) {
    std::vector<std::wstring> problems;
    const Settings config = parseConfig(L"colons=on\r\nexpire=30\r\n", problems);
    Command fromFile = parse({L"-kv"});
    applyConfig(fromFile, config);
    EXPECT_FALSE(fromFile.settings.colons);
    Command fromFileKg = parse({L"-kg"});
    applyConfig(fromFileKg, config);
    EXPECT_FALSE(fromFileKg.settings.expireDays);

    EXPECT_EQ(parse({L"-kv", L"+colons"}).settings.colons, true);
    EXPECT_EQ(parse({L"-kg", L"+expire=730"}).settings.expireDays, 730);
    for (const wchar_t* wrong : {L"+expire=", L"+expire=2y", L"+expire=99999"})
        EXPECT_NE(parse({L"-kg", wrong}).error, L"") << wrong;
}
