// Recipient and signer strings and the rule that keeps unquotable user IDs off the command line.
#include "core/KeyChoice.h"

namespace mw {

const char* const kUnsafeUserIdMessage =
    "This user ID contains a double quote or a control character, begins with \"-\" or \"+\" or is too "
    "long, "
    "so it cannot be passed to PGP safely. Choose another user ID of the same key, or change this one "
    "with PGP.";

bool canPassUserId(const std::string& userId) {
    // PGP reads an argument beginning with "-" as options and one beginning with "+" as a setting
    // of its configuration, even inside quotes.
    if (!userId.empty() && (userId.front() == '-' || userId.front() == '+')) return false;
    if (userId.size() > kMaxUserIdLength) return false;
    for (char ch : userId) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c < 0x20 || c == 0x7F) return false;
    }
    return true;
}

std::string quotedUserId(const std::string& userId) {
    return "\"" + userId + "\"";
}

AddOutcome addKeyToUse(std::vector<std::string>& keysToUse, const std::string& userId) {
    if (keysToUse.size() >= kMaxKeysToUse) return AddOutcome::Full;
    if (!canPassUserId(userId)) return AddOutcome::Refused;
    keysToUse.push_back(quotedUserId(userId));
    return AddOutcome::Added;
}

std::string recipientString(const std::vector<std::string>& keysToUse) {
    std::string text;
    for (const auto& entry : keysToUse) {
        text += entry;
        text += ' ';
    }
    return text;
}

std::string signerString(KeyProgram program, const std::string& userId) {
    return profileOf(program).signerQuoted ? quotedUserId(userId) : userId;
}

std::optional<std::string> chooseSigner(KeyProgram program, const std::string& userId) {
    if (!canPassUserId(userId)) return std::nullopt;
    return signerString(program, userId);
}

} // namespace mw
