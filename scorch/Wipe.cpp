// The steps of a wipe, in their order, and what each failure leaves behind.
#include "scorch/Wipe.h"
#include <algorithm>
#include <cstring>

namespace scorch {

Random::Random(const std::array<std::uint64_t, 4>& seed) : s_(seed) {
    // An all-zero state would stay zero.
    if (std::all_of(s_.begin(), s_.end(), [](std::uint64_t v) { return v == 0; }))
        s_[0] = 0x9E3779B97F4A7C15u;
}

std::uint64_t Random::next() {
    auto rotl = [](std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); };
    const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
    const std::uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = rotl(s_[3], 45);
    return result;
}

void Random::fill(std::span<unsigned char> bytes) {
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t v = next();
        std::memcpy(bytes.data() + i, &v, 8);
    }
    if (i < bytes.size()) {
        std::uint64_t v = next();
        std::memcpy(bytes.data() + i, &v, bytes.size() - i);
    }
}

std::wstring randomName(std::size_t length, Random& random, const std::wstring& avoid) {
    static constexpr wchar_t alphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    auto upper = [](std::wstring s) {
        for (auto& c : s)
            if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        return s;
    };
    const std::wstring avoidUpper = upper(avoid);
    std::wstring name;
    do {
        name.clear();
        for (std::size_t i = 0; i < length; ++i)
            name += alphabet[random.next() % 36];
    } while (name == avoidUpper);
    return name;
}

namespace {

// The passes over every stream; the first failure ends them.
Outcome overwrite(WipeTarget& target, const std::vector<std::uint64_t>& sizes, int passes, Random& random) {
    std::vector<unsigned char> buffer(kChunkSize);
    for (int pass = 0; pass < passes; ++pass) {
        if (pass > 0) std::fill(buffer.begin(), buffer.end(), kPatternByte);
        for (std::size_t s = 0; s < sizes.size(); ++s) {
            for (std::uint64_t offset = 0; offset < sizes[s]; offset += kChunkSize) {
                std::size_t n =
                    static_cast<std::size_t>(std::min<std::uint64_t>(kChunkSize, sizes[s] - offset));
                std::span<unsigned char> chunk(buffer.data(), n);
                if (pass == 0) random.fill(chunk);
                if (auto o = target.write(s, offset, chunk); !o) return o;
            }
            if (auto o = target.flush(s); !o) return o;
        }
    }
    return {};
}

} // namespace

Outcome wipe(WipeTarget& target, int passes, Random& random) {
    std::vector<std::uint64_t> sizes;
    if (auto o = target.open(sizes); !o) return o;

    if (auto o = overwrite(target, sizes, passes, random); !o) {
        for (std::size_t s = 0; s < sizes.size(); ++s)
            target.truncate(s);
        target.close();
        return o;
    }
    for (std::size_t s = 0; s < sizes.size(); ++s) {
        if (auto o = target.truncate(s); !o) {
            target.close();
            return o;
        }
    }
    target.closeNamedStreams();

    // The old name should not stay readable in the directory; if no new name can be had, the
    // removal still goes ahead under the old one.
    const std::wstring original = target.name();
    bool renamed = false;
    for (int attempt = 0; attempt < 16 && !renamed; ++attempt) {
        Outcome r = target.rename(randomName(original.size(), random, original));
        renamed = static_cast<bool>(r);
        if (!r && !r.nameTaken) break;
    }
    if (auto o = target.remove(); !o) {
        if (renamed) target.rename(original);
        target.close();
        return o;
    }
    return {};
}

} // namespace scorch
