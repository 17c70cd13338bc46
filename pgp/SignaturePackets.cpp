// OpenPGP packet framing (old and new headers, partial body lengths, the indeterminate length of
// old compressed packets) read as a stream, one layer per level of compression.
#include "pgp/SignaturePackets.h"
#include <zlib.h>
#include <algorithm>
#include <climits>

namespace pgp {

namespace {
constexpr int kSignatureTag = 2, kCompressedTag = 8;
constexpr int kDeepest = 4;                          // compression within compression stops here
constexpr std::size_t kLargestSignature = 64 * 1024; // far above any real one

// A new-format header for a body of `n` bytes; signatures never use partial lengths.
std::string signatureHeader(std::size_t n) {
    std::string h(1, static_cast<char>(0xC0 | kSignatureTag));
    if (n < 192) {
        h += static_cast<char>(n);
    } else if (n < 8384) {
        h += static_cast<char>(((n - 192) >> 8) + 192);
        h += static_cast<char>((n - 192) & 0xFF);
    } else {
        h += static_cast<char>(0xFF);
        for (int shift = 24; shift >= 0; shift -= 8)
            h += static_cast<char>((n >> shift) & 0xFF);
    }
    return h;
}
} // namespace

class SignaturePackets::Layer {
public:
    Layer(SignaturePackets& owner, int depth) : owner_(owner), depth_(depth) {}
    ~Layer() {
        if (inflating_) inflateEnd(&z_);
    }
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

    bool broken() const { return state_ == State::Broken; }

    void feed(const unsigned char* p, std::size_t n) {
        while (n > 0 && !broken()) {
            if (state_ == State::Body) {
                const std::size_t take =
                    indeterminate_ ? n : static_cast<std::size_t>(std::min<std::uint64_t>(remaining_, n));
                body(p, take);
                p += take, n -= take;
                if (!indeterminate_) {
                    remaining_ -= take;
                    if (remaining_ == 0) chunkEnded();
                }
            } else {
                header(*p++);
                --n;
            }
        }
    }

    bool finish() {
        if (broken()) return false;
        if (state_ == State::Body && indeterminate_) {
            endPacket();
        } else if (state_ != State::Header || !bytes_.empty()) {
            return fail(L"the message ends in the middle of a packet");
        }
        return !broken();
    }

private:
    enum class State { Header, Length, Body, Broken };

    bool fail(const std::wstring& why) {
        if (owner_.problem_.empty()) owner_.problem_ = why;
        state_ = State::Broken;
        return false;
    }

    void header(unsigned char c) {
        bytes_ += static_cast<char>(c);
        const auto first = static_cast<unsigned char>(bytes_[0]);
        if (state_ == State::Header) {
            if (!(first & 0x80)) {
                fail(L"it is not an OpenPGP message");
                return;
            }
            if (first & 0x40) { // new format: the length follows on its own
                tag_ = first & 0x3F;
                bytes_.clear();
                state_ = State::Length;
                started_ = false;
                return;
            }
            tag_ = (first >> 2) & 0x0F;
            const int lengthType = first & 3;
            if (lengthType == 3) {
                indeterminate_ = true;
                beginPacket();
                return;
            }
            const std::size_t octets = std::size_t{1} << lengthType;
            if (bytes_.size() < 1 + octets) return;
            std::uint64_t n = 0;
            for (std::size_t i = 1; i <= octets; ++i)
                n = n << 8 | static_cast<unsigned char>(bytes_[i]);
            indeterminate_ = partial_ = false;
            remaining_ = n;
            beginPacket();
            return;
        }
        // A new-format length: of the whole body, or of one part of it.
        std::size_t need = first < 192 ? 1 : first < 224 ? 2 : first == 255 ? 5 : 1;
        if (bytes_.size() < need) return;
        partial_ = false;
        if (first < 192) {
            remaining_ = first;
        } else if (first < 224) {
            remaining_ = ((first - 192u) << 8) + static_cast<unsigned char>(bytes_[1]) + 192u;
        } else if (first == 255) {
            remaining_ = 0;
            for (std::size_t i = 1; i < 5; ++i)
                remaining_ = remaining_ << 8 | static_cast<unsigned char>(bytes_[i]);
        } else {
            remaining_ = std::uint64_t{1} << (first & 0x1F);
            partial_ = true;
        }
        indeterminate_ = false;
        if (!started_) {
            started_ = true;
            beginPacket();
        } else {
            bytes_.clear();
            state_ = State::Body;
            if (remaining_ == 0) chunkEnded();
        }
    }

    void beginPacket() {
        bytes_.clear();
        state_ = State::Body;
        signature_.clear();
        algorithmKnown_ = false;
        if (!indeterminate_ && remaining_ == 0) chunkEnded();
    }

    void chunkEnded() {
        if (partial_) {
            state_ = State::Length;
            return;
        }
        endPacket();
    }

    void body(const unsigned char* p, std::size_t n) {
        if (tag_ == kSignatureTag) {
            if (signature_.size() + n > kLargestSignature) {
                fail(L"a signature packet is too big");
                return;
            }
            signature_.append(reinterpret_cast<const char*>(p), n);
        } else if (tag_ == kCompressedTag) {
            if (!algorithmKnown_ && n > 0) {
                if (!beginCompressed(*p)) return;
                ++p, --n;
            }
            if (n > 0) decompress(p, n);
        }
    }

    bool beginCompressed(unsigned char algorithm) {
        algorithmKnown_ = true;
        if (depth_ >= kDeepest) return fail(L"it is compressed too many times over");
        if (algorithm == 3) return fail(L"it is compressed with BZip2, which pgp.exe cannot read");
        if (algorithm > 3) return fail(L"its compression is of an unknown kind");
        inner_ = std::make_unique<Layer>(owner_, depth_ + 1);
        if (algorithm == 0) return true;
        z_ = {};
        // ZIP is a raw deflate stream; ZLIB has the zlib header and check.
        if (inflateInit2(&z_, algorithm == 1 ? -15 : 15) != Z_OK) return fail(L"there is not enough memory");
        inflating_ = true;
        zDone_ = false;
        return true;
    }

    void decompress(const unsigned char* p, std::size_t n) {
        if (!inflating_) {
            inner_->feed(p, n);
            if (inner_->broken()) state_ = State::Broken;
            return;
        }
        unsigned char out[1 << 15];
        while (n > 0 && !zDone_ && !broken()) {
            const auto step = static_cast<uInt>(std::min<std::size_t>(n, UINT_MAX));
            z_.next_in = const_cast<Bytef*>(p);
            z_.avail_in = step;
            do {
                z_.next_out = out;
                z_.avail_out = sizeof out;
                const int rc = inflate(&z_, Z_NO_FLUSH);
                if (rc == Z_STREAM_END) {
                    zDone_ = true;
                } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
                    fail(L"its compressed data is damaged");
                    return;
                }
                if (const std::size_t got = sizeof out - z_.avail_out) inner_->feed(out, got);
                if (inner_->broken()) {
                    state_ = State::Broken;
                    return;
                }
            } while (!zDone_ && (z_.avail_in > 0 || z_.avail_out == 0));
            // Whatever follows the end of the compressed stream is not read.
            p += step, n -= step;
        }
    }

    void endPacket() {
        if (tag_ == kSignatureTag) {
            owner_.signatures_ += signatureHeader(signature_.size());
            owner_.signatures_ += signature_;
            signature_.clear();
        } else if (tag_ == kCompressedTag && inner_) {
            if (inflating_) {
                if (!zDone_) {
                    fail(L"its compressed data ends too soon");
                    return;
                }
                inflateEnd(&z_);
                inflating_ = false;
            }
            if (!inner_->finish()) {
                state_ = State::Broken;
                return;
            }
            inner_.reset();
        }
        bytes_.clear();
        state_ = State::Header;
    }

    SignaturePackets& owner_;
    const int depth_;
    State state_ = State::Header;
    std::string bytes_; // of a header or a length, as they come
    int tag_ = 0;
    std::uint64_t remaining_ = 0;
    bool indeterminate_ = false, partial_ = false, started_ = false;
    std::string signature_;
    bool algorithmKnown_ = false, inflating_ = false, zDone_ = false;
    z_stream z_{};
    std::unique_ptr<Layer> inner_;
};

SignaturePackets::SignaturePackets() : top_(std::make_unique<Layer>(*this, 0)) {}
SignaturePackets::~SignaturePackets() = default;

void SignaturePackets::feed(const char* data, std::size_t size) {
    top_->feed(reinterpret_cast<const unsigned char*>(data), size);
}

bool SignaturePackets::finish() {
    return top_->finish();
}

} // namespace pgp
