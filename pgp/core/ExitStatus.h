// The exit statuses of pgp.exe: PGP 2.6's own numbers, so scripts written for it keep working.
#pragma once

namespace pgp {

enum class ExitStatus : int {
    Ok = 0,
    InvalidFile = 1,   // malformed input, or an output that may not be written
    FileNotFound = 2,  // the input file does not exist
    EngineMissing = 3, // the engine beside pgp.exe is missing or would not start
    NeedsAnswer = 4,   // +batchmode, and the work needed a question answered
    BadArgument = 5,   // unknown option, missing argument, wrong operands
    Interrupted = 6,   // the user declined a question (overwrite, uncertified key, removal)
    KeyGenerationFailed = 10,
    NoSuchKey = 11, // no usable key matches, or more than one does
    KeyAddFailed = 12,
    KeyExtractFailed = 13,
    KeyEditFailed = 14, // -ke, -kd
    KeyViewFailed = 15,
    KeyRemoveFailed = 16,
    KeyCheckFailed = 17,     // -kc found a bad signature
    KeySignatureFailed = 18, // -ks
    SigningFailed = 20,
    EncryptionFailed = 21,   // to public keys
    ConventionalFailed = 22, // with a pass phrase
    BadSignature = 30,
    DecryptionFailed = 32,
};

} // namespace pgp
