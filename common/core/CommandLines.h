// Every line the programs write into a batch file for PGP or the wipe tool, built so that cmd.exe
// hands the program exactly the intended text: no value can break out into a command of its own.
#pragma once
#include "core/SecretText.h"
#include <stdexcept>
#include <string>
#include <vector>

namespace mw {

struct ProgramProfile;

// A value that cannot be written into a batch line safely; the message names the value and why.
class UnsafeValue : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Text as cmd.exe must read it to pass it on unchanged: every "%" doubled.
std::string batchEscape(const std::string& text);

// A path or file token: doubled "%", and inside double quotes when it holds a blank or one of
// & | < > ^ ( ) , ; = (so "c:\pgp\pgp.exe" stays as it is). Throws UnsafeValue for a double quote
// or a control character, which no quoting can carry; `what` names the value in the message.
std::string batchPath(const std::string& path, const std::string& what);

// Always inside double quotes, for user IDs and the pass phrase; backslashes before the closing
// quote doubled, so a C runtime does not read them as escaping it. Throws UnsafeValue as above.
std::string batchQuoted(const std::string& text, const std::string& what);

// The user IDs of a recipient string ("A" "B" , each quoted and followed by one blank). Throws
// UnsafeValue when the string is not of that form (a user ID that held a double quote).
std::vector<std::string> splitRecipients(const std::string& recipients);
// The recipient string rebuilt for a batch line: the same text for ordinary user IDs.
std::string batchRecipients(const std::string& recipients);

// Editor message operations and their PGP line.
enum class EditorOperation { Encrypt, Decrypt, Sign, SignEncrypt, EncryptIdea };

struct EditorLineValues {
    std::string pgpExe;
    std::string recipients; // quoted user IDs, each followed by a blank
    std::string signer;     // the user ID in double quotes (a bare one is quoted here)
    bool passPhraseOn = false;
    SecretString passPhrase;
};

// The PGP line of an editor operation on the profile's temporaries; `wipeToolPresent` picks the
// form without "w". Decrypt's may hold the pass phrase, so the line is secret text; such a line
// begins with "@", so that the console does not echo it.
SecretString editorPgpLine(EditorOperation op, const EditorLineValues& v, bool wipeToolPresent,
                           const ProgramProfile& profile);

// File module operations and their PGP line; the file is named by its short path.
enum class FileOperation { Encrypt, Decrypt, Sign, SignDetached, SignEncrypt, EncryptIdea };

struct FileLineValues {
    std::string pgpExe;
    std::string shortName;
    std::string recipients; // quoted user IDs, each followed by a blank
    std::string signer;     // the bare user ID
};

std::string fileModulePgpLine(FileOperation op, const FileLineValues& v);

// The key listing: PGPEXE -kv "*" KEYRING > TARGET.
std::string keyListingLine(const std::string& pgpExe, const std::string& keyRing, const std::string& target);

// The Scorch batch line: TOOL [FILE] /two /silent (both short paths).
std::string scorchLine(const std::string& toolShortPath, const std::string& fileShortPath);

// The batch file's last line.
std::string deleteLine(const std::string& lockFile);

// The wipe tool's parameter text for a launch through the shell (no batch file, so no escaping).
std::string wipeParameters(const std::string& path);

} // namespace mw
