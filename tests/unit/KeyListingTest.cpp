// The listing parser, the order of user IDs and the files of the key listing job in both programs.
#include "core/Errors.h"
#include "support/FakePlatform.h"
#include "support/ScriptedInteraction.h"
#include "core/KeyListing.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <random>
#include <set>
#include <thread>
#include <tuple>

using namespace mw;
using Lines = std::vector<std::string>;

namespace {

const Lines kHeader = {"Key ring: 'c:\\pgp\\pubring.pgp'", "Type bits/keyID    Date       User ID", ""};

Lines withHeader(const Lines& body) {
    Lines all = kHeader;
    all.insert(all.end(), body.begin(), body.end());
    return all;
}

struct ParserCase {
    const char* name;
    Lines lines;
    Lines expected;
};

} // namespace

TEST(KeyListingParser, TakesColumn31OnOfUserIdLinesOnly) {
    const std::string pad30(30, ' ');
    const ParserCase cases[] = {
        {"empty file", {}, {}},
        {"fewer lines than the header", {"pub  1024/0DDC8B5D 1995/04/02 Header Line Long Enough"}, {}},
        {"header only", kHeader, {}},
        {"header lines are never entries even when long",
         {"pub  1024/0DDC8B5D 1995/04/02 In Header One", "pub  1024/0DDC8B5D 1995/04/02 In Header Two",
          "pub  1024/0DDC8B5D 1995/04/02 In Header Three"},
         {}},
        {"31 characters", withHeader({pad30 + "x"}), {}},
        {"32 characters with * at 32", withHeader({pad30 + "x*"}), {}},
        {"32 characters give a 2-character entry", withHeader({pad30 + "ab"}), {"ab"}},
        {"* elsewhere is kept", withHeader({pad30 + "*b*", pad30 + "a**"}), {"*b*"}},
        {"a key with three user IDs",
         withHeader({"pub  1024/0DDC8B5D 1995/04/02 Alice Example <alice@example.org>",
                     "                              Alice at work <alice@work.example>",
                     "                              A. Example"}),
         {"Alice Example <alice@example.org>", "Alice at work <alice@work.example>", "A. Example"}},
        {"duplicates kept and nothing trimmed",
         withHeader({pad30 + "Bob  ", pad30 + "Bob  ", pad30 + "  Bob"}),
         {"Bob  ", "Bob  ", "  Bob"}},
        {"PGP's trailer and blank lines skipped",
         withHeader({"pub  1024/0DDC8B5D 1995/04/02 Carol", "", "1 matching key found."}),
         {"Carol"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseKeyListing(c.lines), c.expected) << c.name;
}

TEST(KeyListingParser, ListingBytesSplitAtCrLfOrLfLikeLines) {
    const std::string pad30(30, ' ');
    const std::string header =
        "Key ring: 'c:\\pgp\\pubring.pgp'\r\nType bits/keyID    Date       User ID\r\n\r\n";
    const struct {
        const char* name;
        std::string bytes;
        Lines expected;
    } cases[] = {
        {"nothing", "", {}},
        {"header without its last line end", "h1\r\nh2\r\n" + pad30 + "not an entry", {}},
        {"CR LF", header + pad30 + "Alice\r\n" + pad30 + "Bob\r\n", {"Alice", "Bob"}},
        {"LF only", "h1\nh2\nh3\n" + pad30 + "Alice\n" + pad30 + "Bob\n", {"Alice", "Bob"}},
        {"mixed, last line without an end", header + pad30 + "Alice\n" + pad30 + "Bob", {"Alice", "Bob"}},
        {"CR inside a line stays", header + pad30 + "Al\rice\r\r\n", {"Al\rice\r"}},
        {"blank line counts as a header line", "\n\n\n" + pad30 + "Carol\r\n", {"Carol"}},
        {"31 characters, * at 32, and a 2-character entry",
         header + pad30 + "x\r\n" + pad30 + "x*\r\n" + pad30 + "ab\r\n",
         {"ab"}},
        {"NUL bytes are data",
         header + std::string(30, '\0') + std::string("a\0b", 3) + "\r\n",
         {std::string("a\0b", 3)}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseKeyListing(std::string_view(c.bytes)), c.expected) << c.name;
}

TEST(KeyListingRead, LinesCutBetweenBlocksReadAsWhole) {
    const std::string pad30(30, ' ');
    KeyListingSources s;
    s.pgpDir = "c:\\pgp\\";
    auto plan = planKeyListing(KeyProgram::Editor, KeyRing::Public, s);
    // The fake joins the lines with CR LF; a lone CR stays inside its line.
    const Lines listing =
        withHeader({pad30 + "Alice <a@x>", pad30 + "x*", "", pad30 + "Bob\rby", pad30 + "Carol"});
    for (std::size_t block : {1u, 2u, 3u, 31u, 32u, 33u, 4096u}) {
        mwtest::FakePlatform fake;
        fake.blockSize = block;
        fake.put(plan.listingFile, listing);
        EXPECT_EQ(readKeyListing(fake, plan), (Lines{"Alice <a@x>", "Bob\rby", "Carol"})) << block;
    }
}

TEST(KeyListingParser, LongLinesAndBinaryBytesPassThroughWhole) {
    std::string megabyteId(1 << 20, 'k');
    megabyteId[500000] = '\0';
    const std::string garbage("\x00\xff\x1b[2J\r\x7f\"%\x80", 11);
    const std::string pad30(30, '\0');
    auto ids = parseKeyListing(withHeader({pad30 + megabyteId, pad30 + garbage, std::string(31, '\xff')}));
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_EQ(ids[0], megabyteId);
    EXPECT_EQ(ids[1], garbage);
}

// Generated listings of random lines, with column 32 often "*" and bytes of every value; run
// under the sanitizers this is where a stray index would show. Checks hold for any input.
TEST(KeyListingParser, GeneratedCorpusNeverCrashesAndKeepsEveryIdLine) {
    std::mt19937 rng(20261207);
    std::uniform_int_distribution<int> byte(0, 255), lineCount(0, 40), pick(0, 9);
    mwtest::FakePlatform fake;
    auto less = [&](const std::string& a, const std::string& b) { return userIdLess(a, b, fake); };
    for (int round = 0; round < 800; ++round) {
        Lines lines(lineCount(rng));
        std::size_t idLines = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const int kind = pick(rng);
            const std::size_t length = kind < 5 ? 28 + kind : kind == 9 ? 5000 : 40 + kind * 7;
            std::string& line = lines[i];
            for (std::size_t k = 0; k < length; ++k)
                line += static_cast<char>(byte(rng));
            if (length >= 32 && pick(rng) < 3) line[31] = '*';
            if (i >= 3 && line.size() >= 32 && line[31] != '*') ++idLines;
        }
        auto ids = parseKeyListing(lines);
        ASSERT_EQ(ids.size(), idLines) << "round " << round;
        for (const auto& id : ids)
            ASSERT_GE(id.size(), 2u);
        auto sorted = ids;
        sortUserIds(sorted, fake);
        ASSERT_TRUE(std::is_sorted(sorted.begin(), sorted.end(), less));
        ASSERT_TRUE(std::is_permutation(sorted.begin(), sorted.end(), ids.begin()));
    }
}

// Accented Latin letters need the system's collation of a Latin code page: see the Wine tests.
TEST(KeyListingOrder, AlphabeticalWithoutRegardToCaseAndIndependentOfInputOrder) {
    const Lines expected = {" leading blank", "0day",  "Adam",   "adam", "alice", "ALICE2", "BOB", "Bob",
                            "bob <b@x>",      "Bobby", "Jorgen", "zed"};
    mwtest::FakePlatform fake;
    Lines shuffled = expected;
    std::mt19937 rng(7);
    for (int i = 0; i < 20; ++i) {
        std::shuffle(shuffled.begin(), shuffled.end(), rng);
        auto ids = shuffled;
        sortUserIds(ids, fake);
        ASSERT_EQ(ids, expected);
    }
    EXPECT_FALSE(userIdLess("Same", "Same", fake));
    EXPECT_TRUE(userIdLess("bob", "bobby", fake));
    EXPECT_FALSE(userIdLess("bobby", "Bob", fake));
    EXPECT_TRUE(userIdLess("BOB", "Bob", fake) != userIdLess("Bob", "BOB", fake));
}

TEST(KeyListingPlan, ValuesOfEachProgramAndDialog) {
    KeyListingSources s;
    s.pgpExe = "c:\\pgp\\pgp.exe";
    s.pgpDir = "c:\\pgp\\";
    s.batchFile = "c:\\pgp\\bramlet.bat";
    s.lockFile = "c:\\pgp\\bramlet.lck";
    s.publicRing = "c:\\pgp\\pubring.pgp";
    s.secretRing = "c:\\pgp\\secring.pgp";

    // The editor builds its own batch and lock paths and ignores what it is given.
    auto pub = planKeyListing(KeyProgram::Editor, KeyRing::Public, s);
    EXPECT_EQ(pub.job.pgpExe, "c:\\pgp\\pgp.exe");
    EXPECT_EQ(pub.job.pgpDir, "c:\\pgp\\");
    EXPECT_EQ(pub.job.batchFile, "c:\\pgp\\Murkwell.bat");
    EXPECT_EQ(pub.job.lockFile, "c:\\pgp\\Murkwell.lck");
    EXPECT_EQ(pub.job.keyRing, "c:\\pgp\\pubring.pgp");
    EXPECT_EQ(pub.job.listingTarget, "c:\\pgp\\murkwell.usr");
    EXPECT_EQ(pub.job.staleListing, "c:\\pgp\\Murkwell.USR");
    EXPECT_EQ(pub.job.program, KeyProgram::Editor);
    EXPECT_EQ(pub.listingFile, "c:\\pgp\\murkwell.usr");
    EXPECT_FALSE(pub.deleteListingAfter);

    auto sec = planKeyListing(KeyProgram::Editor, KeyRing::Secret, s);
    EXPECT_EQ(sec.job.keyRing, "c:\\pgp\\secring.pgp");
    EXPECT_EQ(sec.job.listingTarget, "murkwell.usr");
    EXPECT_EQ(sec.job.batchFile, "c:\\pgp\\Murkwell.bat");
    EXPECT_EQ(sec.listingFile, "c:\\pgp\\murkwell.usr");

    s.batchFile = "c:\\pgp\\from-main-window.bat";
    s.lockFile = "c:\\pgp\\from-main-window.lck";
    for (KeyRing ring : {KeyRing::Public, KeyRing::Secret}) {
        auto fm = planKeyListing(KeyProgram::FileModule, ring, s);
        EXPECT_EQ(fm.job.batchFile, "c:\\pgp\\from-main-window.bat");
        EXPECT_EQ(fm.job.lockFile, "c:\\pgp\\from-main-window.lck");
        EXPECT_EQ(fm.job.keyRing, ring == KeyRing::Public ? s.publicRing : s.secretRing);
        EXPECT_EQ(fm.job.listingTarget, "bramlet.usr");
        EXPECT_EQ(fm.job.staleListing, "c:\\pgp\\bramlet.usr");
        EXPECT_EQ(fm.job.program, KeyProgram::FileModule);
        EXPECT_EQ(fm.listingFile, "c:\\pgp\\bramlet.usr");
        EXPECT_TRUE(fm.deleteListingAfter);
    }
}

TEST(KeyListingRead, UnreadableListingIsAnIoErrorAndStays) {
    KeyListingSources s{"c:\\pgp\\pgp.exe",     "c:\\pgp\\",
                        "c:\\pgp\\bramlet.bat", "c:\\pgp\\bramlet.lck",
                        "c:\\pgp\\pubring.pgp", "c:\\pgp\\secring.pgp"};
    mwtest::FakePlatform fake;
    auto plan = planKeyListing(KeyProgram::FileModule, KeyRing::Public, s);
    EXPECT_THROW(readKeyListing(fake, plan), IoError); // PGP wrote nothing
    fake.put("c:\\pgp\\bramlet.usr", kHeader);
    fake.unreadable.insert("c:\\pgp\\bramlet.usr");
    EXPECT_THROW(readKeyListing(fake, plan), IoError);
    EXPECT_TRUE(fake.has("c:\\pgp\\bramlet.usr"));
}

TEST(KeyListingRead, UserIdsComeBackFromTheConsoleCodePage) {
    // Console 437 against ANSI 1252: byte 0x82 is the ANSI 0xE9 ("é"), and 0xFE ("■") has no
    // ANSI form.
    mwtest::FakePlatform fake;
    fake.consoleCp = 437;
    KeyListingSources s{"c:\\pgp\\pgp.exe",     "c:\\pgp\\",
                        "c:\\pgp\\bramlet.bat", "c:\\pgp\\bramlet.lck",
                        "c:\\pgp\\pubring.pgp", "c:\\pgp\\secring.pgp"};
    auto plan = planKeyListing(KeyProgram::FileModule, KeyRing::Public, s);
    fake.put("c:\\pgp\\bramlet.usr", withHeader({"pub  1024/0DDC8B5D 1995/04/02 Ren\x82 <r@x.org>",
                                                 "pub  1024/0DDC8B5E 1995/04/02 odd \xFE byte"}));
    EXPECT_EQ(readKeyListing(fake, plan), (Lines{"odd \xFE byte", "Ren\xE9 <r@x.org>"}));
}

namespace {

// A showing's job run against the fake: the launched batch file "runs" by writing the listing to
// where its first line redirects and deleting the lock named on its last line.
struct KeyListingShowing : ::testing::Test {
    mwtest::FakePlatform fake;
    mwtest::ScriptedInteraction boxes;
    KeyListingSources sources{"c:\\pgp\\pgp.exe",     "c:\\pgp\\",
                              "c:\\pgp\\bramlet.bat", "c:\\pgp\\bramlet.lck",
                              "c:\\pgp\\pubring.pgp", "c:\\pgp\\secring.pgp"};
    Lines listing = withHeader({"pub  1024/0DDC8B5D 1995/04/02 bob", "pub  1024/0DDC8B5D 1995/04/02 Adam"});
    bool staleGoneAtLaunch = false;

    void SetUp() override {
        fake.put("c:\\pgp\\MURKWELL.USR", withHeader({"pub  1024/0DDC8B5D 1995/04/02 stale"}));
        fake.put("c:\\pgp\\bramlet.usr", withHeader({"pub  1024/0DDC8B5D 1995/04/02 stale"}));
        fake.onLaunch = [this](const mwtest::LaunchCall& call) {
            const Lines& batch = fake.content(call.file);
            const std::string& pgpLine = batch.front();
            std::string target = pgpLine.substr(pgpLine.find(" > ") + 3);
            if (target.find('\\') == std::string::npos) target = call.directory + target;
            staleGoneAtLaunch = !fake.has(target);
            fake.put(target, listing);
            fake.deleteFile(batch.back().substr(4));
        };
    }
    std::size_t callIndex(const std::string& call) const {
        return std::find(fake.calls.begin(), fake.calls.end(), call) - fake.calls.begin();
    }
};

} // namespace

TEST_F(KeyListingShowing, EditorDeletesStaleListingBeforeTheLockAndLeavesTheNewOne) {
    EXPECT_EQ(listKeyRing(fake, boxes, KeyProgram::Editor, KeyRing::Public, sources), (Lines{"Adam", "bob"}));
    EXPECT_TRUE(staleGoneAtLaunch);
    EXPECT_LT(callIndex("delete c:\\pgp\\Murkwell.USR"), callIndex("write c:\\pgp\\Murkwell.lck"));
    ASSERT_EQ(fake.launches.size(), 1u);
    EXPECT_EQ(fake.launches[0].mode, ShowMode::Hidden);
    EXPECT_EQ(fake.launches[0].directory, "c:\\pgp\\");
    EXPECT_EQ(fake.content("c:\\pgp\\murkwell.usr"), listing);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(KeyListingShowing, FileModuleWritesTheLockFirstAndRemovesTheListing) {
    EXPECT_EQ(listKeyRing(fake, boxes, KeyProgram::FileModule, KeyRing::Secret, sources),
              (Lines{"Adam", "bob"}));
    EXPECT_TRUE(staleGoneAtLaunch);
    EXPECT_LT(callIndex("write c:\\pgp\\bramlet.lck"), callIndex("delete c:\\pgp\\bramlet.usr"));
    EXPECT_EQ(fake.launches.at(0).mode, ShowMode::Hidden);
    EXPECT_FALSE(fake.has("c:\\pgp\\bramlet.usr"));
    EXPECT_FALSE(fake.has("c:\\pgp\\bramlet.lck"));
}

TEST_F(KeyListingShowing, JobThatDidNotFinishGivesAnEmptyListAndOnlyTheRunnersBox) {
    fake.launchFails = true;
    fake.onLaunch = nullptr;
    EXPECT_TRUE(listKeyRing(fake, boxes, KeyProgram::Editor, KeyRing::Secret, sources).empty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(fake.has("c:\\pgp\\Murkwell.lck"));
}

// A batch whose PGP never started leaves an empty (or no) listing behind: never a ring without
// keys. One more job is run; a second empty one is told.
TEST_F(KeyListingShowing, ListingLeftEmptyIsRunOnceMoreThenToldNotReadAsNoKeys) {
    struct Case {
        const char* name;
        std::vector<std::optional<Lines>> written; // by each job in turn; nullopt: no file
        Lines ids;
        bool boxed;
    };
    const Case cases[] = {
        {"empty, then listed", {Lines{}, listing}, {"Adam", "bob"}, false},
        {"missing, then listed", {std::nullopt, listing}, {"Adam", "bob"}, false},
        {"empty twice", {Lines{}, Lines{}}, {}, true},
        {"missing twice", {std::nullopt, std::nullopt}, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.shown.clear();
        fake.launches.clear();
        std::size_t job = 0;
        fake.onLaunch = [&](const mwtest::LaunchCall& call) {
            const Lines& batch = fake.content(call.file);
            if (const auto& lines = c.written.at(job++)) fake.put("c:\\pgp\\murkwell.usr", *lines);
            fake.deleteFile(batch.back().substr(4));
        };
        bool finished = true;
        EXPECT_EQ(listKeyRing(fake, boxes, KeyProgram::Editor, KeyRing::Public, sources, &finished), c.ids);
        EXPECT_EQ(finished, !c.boxed);
        EXPECT_EQ(fake.launches.size(), 2u);
        ASSERT_EQ(boxes.shown.size(), c.boxed ? 1u : 0u);
        if (c.boxed) {
            EXPECT_EQ(boxes.shown[0].text, "PGP wrote no key listing into \"c:\\pgp\\murkwell.usr\": it may "
                                           "not have started. Check the path of PGP in the setup.");
            EXPECT_FALSE(fake.has("c:\\pgp\\murkwell.usr"));
        }
    }
}

TEST_F(KeyListingShowing, Utf8ConsoleListsAndReadsBackAccentedUserIds) {
    fake.consoleCp = 65001;
    sources.publicRing = "c:\\pgp\\cl\xE9s.pgp";
    listing = withHeader({"pub  1024/0DDC8B5D 1995/04/02 Ren\xC3\xA9 <r@x.org>",
                          "pub  1024/0DDC8B5E 1995/04/02 Ann \xE2\x82\xAC"});
    EXPECT_EQ(listKeyRing(fake, boxes, KeyProgram::Editor, KeyRing::Public, sources),
              (Lines{"Ann \x80", "Ren\xE9 <r@x.org>"}));
    EXPECT_EQ(fake.launches.size(), 1u);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(KeyListingOrder, CapitalZSortsAmongTheLowerCaseZs) {
    // Byte order would put every "Z" before "a"; the order ignores case.
    Lines ids = {"zoe", "Zack", "adam", "Yvonne", "zed", "Zeta", "ZZ Top", "Bob"};
    mwtest::FakePlatform fake;
    sortUserIds(ids, fake);
    EXPECT_EQ(ids, (Lines{"adam", "Bob", "Yvonne", "Zack", "zed", "Zeta", "zoe", "ZZ Top"}));
}

TEST(KeyListingOrder, CyrillicRingFollowsThePlatformsCollation) {
    // Windows-1251 bytes: Alla, boris, Yeva, yozhik, Zhanna, Yakov.
    mwtest::FakePlatform fake;
    fake.ansiCp = 1251;
    KeyListingSources s;
    s.pgpDir = "c:\\pgp\\";
    auto plan = planKeyListing(KeyProgram::Editor, KeyRing::Public, s);
    fake.put("c:\\pgp\\murkwell.usr",
             withHeader(
                 {"pub  1024/0DDC8B5D 1995/04/02 \xdf\xea\xee\xe2 <y@x.ru>",
                  "pub  1024/0DDC8B5E 1995/04/02 \xe1\xee\xf0\xe8\xf1", "pub  1024/0DDC8B5F 1995/04/02 zed",
                  "pub  1024/0DDC8B60 1995/04/02 \xb8\xe6\xe8\xea",
                  "pub  1024/0DDC8B61 1995/04/02 \xc6\xe0\xed\xed\xe0",
                  "pub  1024/0DDC8B62 1995/04/02 \xc5\xe2\xe0",
                  "pub  1024/0DDC8B63 1995/04/02 \xc0\xeb\xeb\xe0", "pub  1024/0DDC8B64 1995/04/02 Alice"}));
    EXPECT_EQ(readKeyListing(fake, plan),
              (Lines{"Alice", "zed", "\xc0\xeb\xeb\xe0", "\xe1\xee\xf0\xe8\xf1", "\xc5\xe2\xe0",
                     "\xb8\xe6\xe8\xea", "\xc6\xe0\xed\xed\xe0", "\xdf\xea\xee\xe2 <y@x.ru>"}));
}

TEST(KeyListingOrder, IdsTheCollationHoldsEqualKeepAFixedOrder) {
    // A collation that passes over hyphens, as the system's word order does.
    struct HyphenBlind : mwtest::FakePlatform {
        void appendSortKey(const std::string& text, std::string& keys) override {
            for (char c : text)
                if (c != '-') keys += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        }
    } platform;
    const Lines expected = {"A-b", "a-b", "AB", "Ab", "ab", "ab-", "abc"};
    Lines ids = {"ab", "abc", "ab-", "AB", "a-b", "Ab", "A-b"};
    do {
        Lines sorted = ids;
        sortUserIds(sorted, platform);
        ASSERT_EQ(sorted, expected);
    } while (std::next_permutation(ids.begin(), ids.end()));
}

TEST(KeyListingOrder, EachKeyIsComputedOnceAndManyIdsSortAsPairwise) {
    // Few letters and long shared beginnings, as in a big ring: many equal keys and near misses.
    // A big ring whose platform allows it has its keys made on two threads.
    struct Counting : mwtest::FakePlatform {
        Counting() { ansiCp = 1251; }
        bool anyThread = false;
        std::atomic<int> keys{0};
        std::mutex mutex;
        std::set<std::thread::id> threads;
        void appendSortKey(const std::string& text, std::string& out) override {
            ++keys;
            {
                std::lock_guard<std::mutex> lock(mutex);
                threads.insert(std::this_thread::get_id());
            }
            FakePlatform::appendSortKey(text, out);
        }
        bool sortKeysFromAnyThread() const override { return anyThread; }
    };
    for (const auto& [count, anyThread, threads] :
         {std::tuple{5000, true, 1u}, std::tuple{40000, false, 1u}, std::tuple{40001, true, 2u}}) {
        SCOPED_TRACE(count);
        Counting platform;
        platform.anyThread = anyThread;
        std::mt19937 rng(99);
        const std::string letters = "aAbB- \xc0\xe0";
        Lines ids;
        for (int i = 0; i < count; ++i) {
            std::string id = i % 3 ? "Bob Builder <bob" : "";
            for (int k = static_cast<int>(rng() % 6); k > 0; --k)
                id += letters[rng() % letters.size()];
            ids.push_back(id);
        }
        Lines sorted = ids;
        sortUserIds(sorted, platform);
        EXPECT_EQ(platform.keys, count);
        EXPECT_EQ(platform.threads.size(), threads);
        Lines expected = ids;
        std::stable_sort(expected.begin(), expected.end(), [&](const std::string& a, const std::string& b) {
            return userIdLess(a, b, platform);
        });
        EXPECT_TRUE(sorted == expected); // expected is a permutation of ids: nothing lost or doubled
    }
}
