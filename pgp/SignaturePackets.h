// The signature packets of an OpenPGP message, taken out as a detached signature: what -d keeps.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace pgp {

// Reads a message's packets from bytes as they come (a message may be as big as its plaintext),
// looking into compressed packets, and keeps every signature packet whole. Nothing else of the
// message (the literal data above all) is kept.
class SignaturePackets {
public:
    SignaturePackets();
    ~SignaturePackets();
    SignaturePackets(const SignaturePackets&) = delete;
    SignaturePackets& operator=(const SignaturePackets&) = delete;

    void feed(const char* data, std::size_t size);
    // The end of the bytes. False, with `problem` said, when the message could not be read whole.
    bool finish();
    // The signature packets in the order they came: a detached signature the engine reads.
    const std::string& signatures() const { return signatures_; }
    const std::wstring& problem() const { return problem_; }

private:
    class Layer;
    std::string signatures_;
    std::wstring problem_;
    std::unique_ptr<Layer> top_;
};

} // namespace pgp
