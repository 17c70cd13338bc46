// The order of a wipe's steps and what each failure leaves, over a file held in memory.
#include "scorch/Wipe.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <map>
#include <set>

using namespace scorch;

namespace {

// A file of streams in memory that logs each step and fails the steps it is told to.
class FakeTarget : public WipeTarget {
public:
    std::vector<std::vector<unsigned char>> streams;
    std::wstring currentName = L"murkwell.tmp";
    std::vector<std::string> log;
    // Step name ("open", "write", "flush", "truncate", "rename", "remove") -> the calls of it
    // that fail, counted from 1.
    std::map<std::string, std::set<int>> failAt;
    int takenRenames = 0; // the first renames find their name in use
    std::map<std::string, int> calls;
    // Stream contents as they stood at each flush.
    std::vector<std::vector<unsigned char>> flushed;
    std::vector<std::wstring> renamedTo;
    bool open_ = false;

    Outcome step(const std::string& name) {
        int n = ++calls[name];
        log.push_back(name);
        if (failAt[name].count(n)) return {Status::IoError, L"the device is not ready"};
        return {};
    }
    Outcome open(std::vector<std::uint64_t>& sizes) override {
        if (auto o = step("open"); !o) return {Status::InUse, L"in use"};
        open_ = true;
        for (auto& s : streams)
            sizes.push_back(s.size());
        return {};
    }
    Outcome write(std::size_t stream, std::uint64_t offset, std::span<const unsigned char> bytes) override {
        EXPECT_TRUE(open_);
        if (auto o = step("write"); !o) return o;
        auto& s = streams.at(stream);
        EXPECT_LE(offset + bytes.size(), s.size()) << "a write past the end";
        std::copy(bytes.begin(), bytes.end(), s.begin() + static_cast<std::ptrdiff_t>(offset));
        return {};
    }
    Outcome flush(std::size_t stream) override {
        if (auto o = step("flush"); !o) return o;
        flushed.push_back(streams.at(stream));
        return {};
    }
    Outcome truncate(std::size_t stream) override {
        if (auto o = step("truncate"); !o) return o;
        streams.at(stream).clear();
        return {};
    }
    void closeNamedStreams() override { log.push_back("closeNamedStreams"); }
    std::wstring name() const override { return currentName; }
    Outcome rename(const std::wstring& newName) override {
        renamedTo.push_back(newName);
        if (auto o = step("rename"); !o) return o;
        if (takenRenames > 0) {
            --takenRenames;
            Outcome taken{Status::IoError, L"exists"};
            taken.nameTaken = true;
            return taken;
        }
        currentName = newName;
        return {};
    }
    Outcome remove() override {
        if (auto o = step("remove"); !o) return o;
        open_ = false;
        streams.clear();
        return {};
    }
    void close() override {
        log.push_back("close");
        open_ = false;
    }
};

std::vector<unsigned char> bytes(std::size_t n, unsigned char value) {
    return std::vector<unsigned char>(n, value);
}

Random seeded(std::uint64_t s) {
    return Random({s, s * 3 + 1, s * 7 + 2, s * 11 + 3});
}

// The log without its writes, which depend on the sizes.
std::vector<std::string> withoutWrites(const std::vector<std::string>& log) {
    std::vector<std::string> out;
    std::copy_if(log.begin(), log.end(), std::back_inserter(out), [](auto& s) { return s != "write"; });
    return out;
}

bool allEqual(const std::vector<unsigned char>& v, unsigned char b) {
    return std::all_of(v.begin(), v.end(), [b](unsigned char c) { return c == b; });
}

// The random pass: no run of 64 equal bytes and no original byte pattern left.
bool looksRandom(const std::vector<unsigned char>& v) {
    std::set<unsigned char> seen(v.begin(), v.end());
    return v.size() < 64 || seen.size() > 200;
}

} // namespace

TEST(Wipe, TwoPassesRandomThenPatternEachFlushedThenTruncateRenameRemove) {
    FakeTarget t;
    const std::size_t big = 3 * (1u << 20) + 5; // several chunks and a partial one
    t.streams = {bytes(big, 'p'), bytes(100, 's')};
    Random r = seeded(1);
    Outcome o = wipe(t, 2, r);
    EXPECT_TRUE(o);
    EXPECT_EQ(o.status, Status::Wiped);
    EXPECT_EQ(withoutWrites(t.log),
              (std::vector<std::string>{"open", "flush", "flush", "flush", "flush", "truncate", "truncate",
                                        "closeNamedStreams", "rename", "remove"}));
    // Pass 1, main data then the named stream, then pass 2.
    ASSERT_EQ(t.flushed.size(), 4u);
    EXPECT_EQ(t.flushed[0].size(), big);
    EXPECT_TRUE(looksRandom(t.flushed[0]));
    // About one byte in 256 is a 'p' by chance.
    EXPECT_LT(std::count(t.flushed[0].begin(), t.flushed[0].end(), 'p'), static_cast<long>(big / 128));
    EXPECT_EQ(t.flushed[1].size(), 100u);
    EXPECT_TRUE(std::count(t.flushed[1].begin(), t.flushed[1].end(), 's') < 10);
    EXPECT_TRUE(allEqual(t.flushed[2], 0xAA));
    EXPECT_EQ(t.flushed[2].size(), big);
    EXPECT_TRUE(allEqual(t.flushed[3], 0xAA));
    EXPECT_EQ(t.calls["write"], 2 * (4 + 1));
    // Same length, from the name alphabet.
    ASSERT_EQ(t.renamedTo.size(), 1u);
    EXPECT_EQ(t.renamedTo[0].size(), std::wstring(L"murkwell.tmp").size());
    EXPECT_EQ(t.renamedTo[0].find_first_not_of(L"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"), std::wstring::npos);
    EXPECT_TRUE(t.streams.empty());
}

TEST(Wipe, OnePassIsRandomOnly) {
    FakeTarget t;
    t.streams = {bytes(4096, 0)};
    Random r = seeded(2);
    EXPECT_TRUE(wipe(t, 1, r));
    ASSERT_EQ(t.flushed.size(), 1u);
    EXPECT_TRUE(looksRandom(t.flushed[0]));
    EXPECT_FALSE(allEqual(t.flushed[0], 0xAA));
    EXPECT_EQ(withoutWrites(t.log), (std::vector<std::string>{"open", "flush", "truncate",
                                                              "closeNamedStreams", "rename", "remove"}));
}

TEST(Wipe, EveryByteIsWrittenWhateverTheSize) {
    for (std::size_t size :
         {std::size_t{0}, std::size_t{1}, std::size_t{4096}, kChunkSize - 1, kChunkSize, kChunkSize + 1}) {
        FakeTarget t;
        t.streams = {bytes(size, 0xAB)};
        Random r = seeded(size + 7);
        EXPECT_TRUE(wipe(t, 2, r)) << size;
        ASSERT_EQ(t.flushed.size(), 2u) << size;
        EXPECT_EQ(t.flushed[1], bytes(size, 0xAA)) << size;
        EXPECT_EQ(t.calls["write"], static_cast<int>(2 * ((size + kChunkSize - 1) / kChunkSize))) << size;
    }
}

TEST(Wipe, TheRandomPassDiffersFromRunToRun) {
    FakeTarget a, b;
    a.streams = b.streams = {bytes(256, 0)};
    Random ra = seeded(10), rb = seeded(11);
    wipe(a, 1, ra);
    wipe(b, 1, rb);
    EXPECT_NE(a.flushed[0], b.flushed[0]);
}

TEST(Wipe, AFailedOpenTouchesNothing) {
    FakeTarget t;
    t.streams = {bytes(10, 'x')};
    t.failAt["open"] = {1};
    Random r = seeded(3);
    Outcome o = wipe(t, 2, r);
    EXPECT_EQ(o.status, Status::InUse);
    EXPECT_EQ(o.reason, L"in use");
    EXPECT_EQ(t.log, std::vector<std::string>{"open"});
    EXPECT_EQ(t.streams[0], bytes(10, 'x'));
}

TEST(Wipe, AFailureDuringThePassesTruncatesAndKeepsTheName) {
    for (const char* failing : {"write", "flush"}) {
        FakeTarget t;
        t.streams = {bytes(2 * kChunkSize, 'x'), bytes(10, 'y')};
        t.failAt[failing] = {1};
        Random r = seeded(4);
        Outcome o = wipe(t, 2, r);
        EXPECT_EQ(o.status, Status::IoError) << failing;
        EXPECT_EQ(o.reason, L"the device is not ready") << failing;
        // Never looks intact: both streams emptied; never renamed, never removed.
        EXPECT_TRUE(t.streams[0].empty()) << failing;
        EXPECT_TRUE(t.streams[1].empty()) << failing;
        EXPECT_EQ(t.calls["rename"], 0) << failing;
        EXPECT_EQ(t.calls["remove"], 0) << failing;
        EXPECT_EQ(t.currentName, L"murkwell.tmp");
        EXPECT_EQ(t.log.back(), "close") << failing;
    }
}

TEST(Wipe, AFailedTruncationEndsTheWipeUnderTheOriginalName) {
    FakeTarget t;
    t.streams = {bytes(10, 'x')};
    t.failAt["truncate"] = {1};
    Random r = seeded(5);
    Outcome o = wipe(t, 2, r);
    EXPECT_EQ(o.status, Status::IoError);
    EXPECT_EQ(t.streams[0], bytes(10, 0xAA)); // overwritten all the same
    EXPECT_EQ(t.calls["rename"], 0);
    EXPECT_EQ(t.calls["remove"], 0);
    EXPECT_EQ(t.log.back(), "close");
}

TEST(Wipe, ATakenNameIsReplacedByAnotherRandomName) {
    FakeTarget t;
    t.streams = {bytes(10, 'x')};
    t.takenRenames = 2;
    Random r = seeded(6);
    EXPECT_TRUE(wipe(t, 1, r));
    ASSERT_EQ(t.renamedTo.size(), 3u);
    EXPECT_NE(t.renamedTo[0], t.renamedTo[1]);
    EXPECT_NE(t.renamedTo[1], t.renamedTo[2]);
    EXPECT_EQ(t.calls["remove"], 1);
}

TEST(Wipe, ARenameThatFailsStillRemovesTheFile) {
    FakeTarget t;
    t.streams = {bytes(10, 'x')};
    t.failAt["rename"] = {1};
    Random r = seeded(7);
    EXPECT_TRUE(wipe(t, 1, r));
    EXPECT_EQ(t.calls["rename"], 1); // not retried: the name was not the problem
    EXPECT_EQ(t.calls["remove"], 1);
}

TEST(Wipe, AFailedRemovalGivesTheFileItsNameBack) {
    FakeTarget t;
    t.streams = {bytes(10, 'x')};
    t.failAt["remove"] = {1};
    Random r = seeded(8);
    Outcome o = wipe(t, 2, r);
    EXPECT_EQ(o.status, Status::IoError);
    ASSERT_EQ(t.renamedTo.size(), 2u);
    EXPECT_EQ(t.renamedTo[1], L"murkwell.tmp");
    EXPECT_EQ(t.currentName, L"murkwell.tmp");
    EXPECT_TRUE(t.streams[0].empty());
    EXPECT_EQ(t.log.back(), "close");
}

TEST(Wipe, RandomNamesKeepTheLengthAndNeverRepeatTheOldName) {
    Random r = seeded(9);
    for (int i = 0; i < 2000; ++i) {
        std::wstring n = randomName(1, r, L"a");
        ASSERT_EQ(n.size(), 1u);
        ASSERT_NE(n, L"A");
    }
    EXPECT_EQ(randomName(300, r, L"x").size(), 300u);
    EXPECT_NE(randomName(12, r, L""), randomName(12, r, L""));
}
