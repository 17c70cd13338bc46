// Listing parser, user-ID order and the per-program values of the key listing job.
#include "core/KeyListing.h"
#include <algorithm>

namespace mw {

namespace {
constexpr std::size_t kHeaderLines = 3;
constexpr std::size_t kUserIdColumn = 30; // zero-based start of the user ID
constexpr std::size_t kMarkColumn = 31;   // zero-based column 32: "*" marks a non-user-ID line
constexpr std::size_t kShortestUserIdLine = 32;

// Primary sort key of a byte: letters without case, and the accented letters of the ANSI code
// page (in which PGP's DOS listings reach us) with their base letter, so "\xc9mile" sorts
// among the e's rather than after "z".
struct SortKeys {
    unsigned char primary[256];
    constexpr SortKeys() : primary() {
        for (int c = 0; c < 256; ++c)
            primary[c] = static_cast<unsigned char>(c);
        for (int c = 'A'; c <= 'Z'; ++c)
            primary[c] = static_cast<unsigned char>(c + 32);
        const char* base = "aaaaaaaceeeeiiiidnooooo*ouuuuyts"  // 0xC0-0xDF (0xD7 is the multiplication sign)
                           "aaaaaaaceeeeiiiidnooooo/ouuuuyty"; // 0xE0-0xFF (0xF7 is the division sign)
        for (int i = 0; i < 64; ++i)
            if (base[i] != '*' && base[i] != '/') primary[0xC0 + i] = static_cast<unsigned char>(base[i]);
    }
};
constexpr SortKeys kSortKeys;

// Lexicographic comparison of the two texts mapped through `key`: negative, zero or positive.
template <typename Key> int compareBy(const std::string& a, const std::string& b, Key key) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int x = key(static_cast<unsigned char>(a[i]));
        const int y = key(static_cast<unsigned char>(b[i]));
        if (x != y) return x - y;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

unsigned char lowerAscii(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}
} // namespace

std::vector<std::string> parseKeyListing(const std::vector<std::string>& lines) {
    std::vector<std::string> userIds;
    for (std::size_t i = kHeaderLines; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.size() < kShortestUserIdLine || line[kMarkColumn] == '*') continue;
        userIds.emplace_back(line, kUserIdColumn);
    }
    return userIds;
}

bool userIdLess(const std::string& a, const std::string& b) {
    // Letters first, then accents, then case, so that equal keys still come in a fixed order.
    if (int c = compareBy(a, b, [](unsigned char x) { return kSortKeys.primary[x]; })) return c < 0;
    if (int c = compareBy(a, b, lowerAscii)) return c < 0;
    return a < b;
}

void sortUserIds(std::vector<std::string>& userIds) {
    std::sort(userIds.begin(), userIds.end(), userIdLess);
}

KeyListingPlan planKeyListing(KeyProgram program, KeyRing ring, const KeyListingSources& s) {
    const ProgramProfile& profile = profileOf(program);
    KeyListingPlan plan;
    KeyListingJob& job = plan.job;
    job.program = program;
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
    std::vector<std::string> userIds = parseKeyListing(platform.readLines(plan.listingFile));
    // PGP lists in the console's code page; the batch writer converts back, so an accented user
    // ID reaches PGP as it came. One without a form in our code page is kept as listed.
    for (auto& id : userIds)
        if (auto converted = platform.fromConsoleCodePage(id)) id = *converted;
    if (plan.deleteListingAfter) deleteIfExists(platform, plan.listingFile);
    sortUserIds(userIds);
    return userIds;
}

std::vector<std::string> listKeyRing(Platform& platform, Interaction& interaction, KeyProgram program,
                                     KeyRing ring, const KeyListingSources& sources) {
    const KeyListingPlan plan = planKeyListing(program, ring, sources);
    JobRunner runner(platform, interaction);
    if (runner.runKeyListing(plan.job) != JobEnd::Finished) return {};
    return readKeyListing(platform, plan);
}

} // namespace mw
