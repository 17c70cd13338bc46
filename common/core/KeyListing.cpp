// Listing parser, user-ID order and the per-program values of the key listing job.
#include "core/KeyListing.h"
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <thread>

namespace mw {

namespace {
constexpr std::size_t kHeaderLines = 3;
constexpr std::size_t kUserIdColumn = 30; // zero-based start of the user ID
constexpr std::size_t kMarkColumn = 31;   // zero-based column 32: "*" marks a non-user-ID line
constexpr std::size_t kShortestUserIdLine = 32;
constexpr int kListingAttempts = 2;

unsigned char lowerAscii(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}

// The fixed order of IDs whose collation keys are equal: ASCII letters folded, then plain bytes.
bool tieLess(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = lowerAscii(static_cast<unsigned char>(a[i]));
        const unsigned char y = lowerAscii(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

void takeUserId(std::string_view line, std::vector<std::string>& userIds) {
    if (line.size() < kShortestUserIdLine || line[kMarkColumn] == '*') return;
    userIds.emplace_back(line.substr(kUserIdColumn));
}

// The listing's bytes as they come, block by block: CR LF or LF ends a line, and a last line
// without an end still counts.
class ListingParser {
public:
    void feed(std::string_view block) {
        std::size_t start = 0;
        while (start < block.size()) {
            const std::size_t nl = block.find('\n', start);
            if (nl == std::string_view::npos) {
                partial_.append(block.substr(start));
                return;
            }
            if (partial_.empty()) {
                line(block.substr(start, nl - start));
            } else {
                partial_.append(block.substr(start, nl - start));
                line(partial_);
                partial_.clear();
            }
            start = nl + 1;
        }
    }
    std::vector<std::string> finish() {
        if (!partial_.empty()) line(partial_);
        partial_.clear();
        return std::move(userIds_);
    }

private:
    void line(std::string_view text) {
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        if (lines_++ >= kHeaderLines) takeUserId(text, userIds_);
    }

    std::string partial_; // a line that a block boundary cut
    std::size_t lines_ = 0;
    std::vector<std::string> userIds_;
};

bool isAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// One ID's collation key: a range of the shared key buffer.
struct Keyed {
    std::size_t offset;
    std::uint32_t length;
    std::uint32_t index; // of the ID
};

// Multikey quicksort over the keys' bytes: IDs of a key ring share long beginnings ("alice ...",
// "Bob Smith <bob.smith"), which a comparison sort would compare again and again.
class KeySorter {
public:
    KeySorter(const std::string& keys, const std::vector<std::string>& texts)
        : keys_(reinterpret_cast<const unsigned char*>(keys.data())), texts_(texts) {}

    void sort(Keyed* first, std::size_t count, std::size_t depth) {
        while (count > 1) {
            if (count < kSmallGroup) {
                std::sort(first, first + count,
                          [&](const Keyed& a, const Keyed& b) { return less(a, b, depth); });
                return;
            }
            // Three ways on the byte at `depth`; each round takes one byte value out of the
            // outer groups, so the rounds at one depth are at most 257.
            const int pivot = byteAt(first[count / 2], depth);
            std::size_t lt = 0, i = 0, gt = count;
            while (i < gt) {
                const int c = byteAt(first[i], depth);
                if (c < pivot)
                    std::swap(first[lt++], first[i++]);
                else if (c > pivot)
                    std::swap(first[i], first[--gt]);
                else
                    ++i;
            }
            Group groups[3] = {
                {first, lt, depth}, {first + lt, gt - lt, depth + 1}, {first + gt, count - gt, depth}};
            if (pivot < 0) { // keys that ended here are equal
                std::sort(groups[1].first, groups[1].first + groups[1].count,
                          [&](const Keyed& a, const Keyed& b) {
                              return tieLess(texts_[a.index], texts_[b.index]);
                          });
                groups[1].count = 0;
            }
            // Recursion only into the smaller groups keeps the stack within log2 of the count.
            std::size_t largest = 0;
            for (std::size_t g = 1; g < 3; ++g)
                if (groups[g].count > groups[largest].count) largest = g;
            for (std::size_t g = 0; g < 3; ++g)
                if (g != largest) sort(groups[g].first, groups[g].count, groups[g].depth);
            first = groups[largest].first;
            count = groups[largest].count;
            depth = groups[largest].depth;
        }
    }

private:
    static constexpr std::size_t kSmallGroup = 12;
    struct Group {
        Keyed* first;
        std::size_t count;
        std::size_t depth;
    };
    int byteAt(const Keyed& e, std::size_t depth) const {
        return depth < e.length ? keys_[e.offset + depth] : -1;
    }
    // Keys of one group agree in their first `depth` bytes.
    bool less(const Keyed& a, const Keyed& b, std::size_t depth) const {
        const std::size_t na = a.length - depth, nb = b.length - depth;
        if (int c = std::memcmp(keys_ + a.offset + depth, keys_ + b.offset + depth, std::min(na, nb)))
            return c < 0;
        if (na != nb) return na < nb;
        return tieLess(texts_[a.index], texts_[b.index]);
    }

    const unsigned char* keys_;
    const std::vector<std::string>& texts_;
};
} // namespace

std::vector<std::string> parseKeyListing(const std::vector<std::string>& lines) {
    std::vector<std::string> userIds;
    for (std::size_t i = kHeaderLines; i < lines.size(); ++i)
        takeUserId(lines[i], userIds);
    return userIds;
}

std::vector<std::string> parseKeyListing(std::string_view bytes) {
    ListingParser parser;
    parser.feed(bytes);
    return parser.finish();
}

bool userIdLess(const std::string& a, const std::string& b, Platform& platform) {
    std::string ka, kb;
    platform.appendSortKey(a, ka);
    platform.appendSortKey(b, kb);
    if (int c = ka.compare(kb)) return c < 0;
    return tieLess(a, b);
}

namespace {
// The keys of userIds[from, to) appended to `keys`; each entry's offset is within `keys`.
void makeSortKeys(const std::vector<std::string>& userIds, std::size_t from, std::size_t to,
                  Platform& platform, std::string& keys, Keyed* keyed) {
    std::size_t bytes = 0;
    for (std::size_t i = from; i < to; ++i)
        bytes += userIds[i].size();
    keys.reserve(2 * bytes + 8 * (to - from)); // what the system's keys of Latin text take
    for (std::size_t i = from; i < to; ++i) {
        const std::size_t offset = keys.size();
        platform.appendSortKey(userIds[i], keys);
        keyed[i] = {offset, static_cast<std::uint32_t>(keys.size() - offset), static_cast<std::uint32_t>(i)};
    }
}
} // namespace

void sortUserIds(std::vector<std::string>& userIds, Platform& platform) {
    std::vector<Keyed> keyed(userIds.size());
    std::string keys;
    // Making the keys is most of the work. A big ring has them made in slices on two cores where
    // the platform's collation allows calls from two threads; slices even out a slower thread.
    constexpr std::size_t kSlice = 8192;
    if (userIds.size() < 2 * kSlice || !platform.sortKeysFromAnyThread()) {
        makeSortKeys(userIds, 0, userIds.size(), platform, keys, keyed.data());
    } else {
        const std::size_t slices = (userIds.size() + kSlice - 1) / kSlice;
        std::vector<std::string> sliceKeys(slices);
        std::atomic<std::size_t> next{0};
        auto work = [&] {
            for (std::size_t s; (s = next++) < slices;)
                makeSortKeys(userIds, s * kSlice, std::min(userIds.size(), (s + 1) * kSlice), platform,
                             sliceKeys[s], keyed.data());
        };
        std::thread second;
        try {
            second = std::thread(work);
        } catch (const std::system_error&) {
            // No second thread: this one makes every slice.
        }
        work();
        if (second.joinable()) second.join();
        std::size_t bytes = 0;
        for (const auto& k : sliceKeys)
            bytes += k.size();
        keys.reserve(bytes);
        for (std::size_t s = 0; s < slices; ++s) {
            for (std::size_t i = s * kSlice; i < std::min(userIds.size(), (s + 1) * kSlice); ++i)
                keyed[i].offset += keys.size();
            keys += sliceKeys[s];
            std::string().swap(sliceKeys[s]);
        }
    }
    KeySorter(keys, userIds).sort(keyed.data(), keyed.size(), 0);
    // Into place cycle by cycle, without a second vector of IDs; a placed entry points at itself.
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        if (keyed[i].index == i) continue;
        std::string first = std::move(userIds[i]);
        std::size_t to = i;
        for (std::size_t from = keyed[to].index; from != i; from = keyed[to].index) {
            userIds[to] = std::move(userIds[from]);
            keyed[to].index = static_cast<std::uint32_t>(to);
            to = from;
        }
        userIds[to] = std::move(first);
        keyed[to].index = static_cast<std::uint32_t>(to);
    }
}

KeyListingPlan planKeyListing(KeyProgram program, KeyRing ring, const KeyListingSources& s) {
    const ProgramProfile& profile = profileOf(program);
    KeyListingPlan plan{KeyListingJob(program)};
    KeyListingJob& job = plan.job;
    job.pgpExe = s.pgpExe;
    job.pgpDir = s.pgpDir;
    job.keyRing = ring == KeyRing::Public ? s.publicRing : s.secretRing;
    job.batchFile = profile.listingPathsFromCaller ? s.batchFile : s.pgpDir + profile.batchName;
    job.lockFile = profile.listingPathsFromCaller ? s.lockFile : s.pgpDir + profile.lockName;
    const bool bare = profile.listingTargetAlwaysBare || ring == KeyRing::Secret;
    job.listingTarget = bare ? profile.listingName : s.pgpDir + profile.listingName;
    job.staleListing = s.pgpDir + profile.staleListingName;
    plan.listingFile = s.pgpDir + profile.listingName;
    plan.deleteListingAfter = profile.deleteListingAfter;
    return plan;
}

std::vector<std::string> readKeyListing(Platform& platform, const KeyListingPlan& plan) {
    // Parsed as the blocks come: a key ring of many thousand keys lists megabytes.
    ListingParser parser;
    platform.readInBlocks(plan.listingFile, [&](std::string_view block) { parser.feed(block); });
    std::vector<std::string> userIds = parser.finish();
    // PGP lists in the console's code page; the batch writer converts back, so an accented user
    // ID reaches PGP as it came. One without a form in our code page is kept as listed. ASCII
    // reads the same in every code page a console can have.
    for (auto& id : userIds)
        if (!isAscii(id))
            if (auto converted = platform.fromConsoleCodePage(id)) id = *converted;
    if (plan.deleteListingAfter) deleteIfExists(platform, plan.listingFile);
    sortUserIds(userIds, platform);
    return userIds;
}

std::vector<std::string> listKeyRing(Platform& platform, Interaction& interaction, KeyProgram program,
                                     KeyRing ring, const KeyListingSources& sources, bool* finished) {
    const KeyListingPlan plan = planKeyListing(program, ring, sources);
    JobRunner runner(platform, interaction);
    if (finished) *finished = false;
    // PGP lists its header even for a ring without keys: a listing with nothing in it is a PGP
    // that never ran, which must not read as a ring without keys. Under Wine a program started
    // from a batch file is now and then refused ("Can't recognize ..."), so one more job is run.
    for (int attempt = 1;; ++attempt) {
        if (runner.runKeyListing(plan.job) != JobEnd::Finished) return {};
        const std::optional<std::uint64_t> size = platform.fileSize(plan.listingFile);
        if (size && *size > 0) break;
        if (attempt == kListingAttempts) {
            deleteIfExists(platform, plan.listingFile);
            interaction.message(profileOf(program).boxCaption,
                                "PGP wrote no key listing into \"" + plan.listingFile +
                                    "\": it may not have started. Check the path of PGP in the setup.",
                                BoxIcon::Error);
            return {};
        }
    }
    std::vector<std::string> ids = readKeyListing(platform, plan);
    if (finished) *finished = true;
    return ids;
}

} // namespace mw
