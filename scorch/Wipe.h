// The order of a wipe, over an interface to the file, so it can be tested without a disk.
#pragma once
#include "scorch/ScorchCommand.h"
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace scorch {

// What a step ended with: Wiped (the step's success) or a failure with the system's reason.
struct Outcome {
    Status status = Status::Wiped;
    std::wstring reason;
    bool nameTaken = false; // a rename found the new name in use; another name may do
    explicit operator bool() const { return status == Status::Wiped; }
};

// The file being wiped, as the wipe needs it. Stream 0 is the main data; the others are its
// named streams, where the file system has them.
class WipeTarget {
public:
    virtual ~WipeTarget() = default;
    // Opens the file and each of its streams so that nobody else can open them; fills in the
    // size of each stream. A failure here leaves the file exactly as it was.
    virtual Outcome open(std::vector<std::uint64_t>& streamSizes) = 0;
    virtual Outcome write(std::size_t stream, std::uint64_t offset, std::span<const unsigned char> bytes) = 0;
    // Makes the stream's written bytes reach the device.
    virtual Outcome flush(std::size_t stream) = 0;
    virtual Outcome truncate(std::size_t stream) = 0;
    // Called after every stream is truncated, before the renaming.
    virtual void closeNamedStreams() = 0;
    // The file's name in its directory, without the directory.
    virtual std::wstring name() const = 0;
    // Gives the open file another name in the same directory; never replaces a file.
    virtual Outcome rename(const std::wstring& newName) = 0;
    // Removes the file; afterwards nothing of it is open.
    virtual Outcome remove() = 0;
    // Closes whatever is still open, leaving the file where it is.
    virtual void close() = 0;
};

// A fast generator for the random pass and the random name (xoshiro256**), seeded by the
// system's random source. Unpredictable enough that the bytes written reveal nothing.
class Random {
public:
    explicit Random(const std::array<std::uint64_t, 4>& seed);
    std::uint64_t next();
    void fill(std::span<unsigned char> bytes);

private:
    std::array<std::uint64_t, 4> s_;
};

// The byte of the second pass.
inline constexpr unsigned char kPatternByte = 0xAA;
// Bytes written per call.
inline constexpr std::size_t kChunkSize = 1 << 20;

// A name of `length` characters from A-Z and 0-9, different from `avoid` in any case.
std::wstring randomName(std::size_t length, Random& random, const std::wstring& avoid);

// Overwrites every stream with `passes` passes (random, then the pattern), flushing each
// stream after each pass; truncates every stream; renames the file to a random name of the
// same length; removes it. A failure while opening leaves the file untouched. A failure during
// the passes truncates what it can, so the file never looks intact, and leaves it under its
// name. A failure to remove gives the file its name back, so the caller sees it is still there.
Outcome wipe(WipeTarget& target, int passes, Random& random);

} // namespace scorch
