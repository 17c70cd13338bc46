// Builders of the batch lines for PGP and the wipe tool, with cmd.exe's quoting rules.
#include "core/CommandLines.h"
#include "core/ProgramProfile.h"

namespace mw {

namespace {

// Outside double quotes cmd.exe splits or redirects at these; inside them they are plain text.
bool needsQuotes(const std::string& token) {
    return token.find_first_of(" \t&|<>^(),;=") != std::string::npos;
}

void refuseUnquotable(std::string_view text, const std::string& what) {
    for (unsigned char c : text) {
        if (c == '"') throw UnsafeValue(what + " cannot be passed to PGP: it contains a double quote (\").");
        if (c < 0x20 || c == 0x7f)
            throw UnsafeValue(what + " cannot be passed to PGP: it contains a control character.");
    }
}

// Appends the text in double quotes, each "%" doubled, in place: no temporary copy of it is made,
// since it may be the pass phrase. Inside quotes, a C runtime reads backslashes before a quote as
// escapes: 2n of them give n.
template <class S> void appendQuoted(S& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        out += c;
        if (c == '%') out += '%';
    }
    std::size_t trailing = 0;
    while (trailing < text.size() && text[text.size() - 1 - trailing] == '\\')
        ++trailing;
    out.append(trailing, '\\');
    out += '"';
}

std::string quote(const std::string& text) {
    std::string out;
    appendQuoted(out, text);
    return out;
}

std::string describeUserId(const std::string& id) {
    return "The user ID \"" + id + "\"";
}

// A user ID as a quoted token. PGP takes its options and its configuration settings
// ("+pubring=...", "+batchmode") anywhere on its command line, quoted or not, so one beginning
// with "-" would act as an option and one beginning with "+" would change its configuration.
std::string userIdToken(const std::string& id) {
    if (!id.empty() && id.front() == '-')
        throw UnsafeValue(describeUserId(id) + " cannot be passed to PGP: it begins with \"-\", which PGP "
                                               "would read as an option.");
    if (!id.empty() && id.front() == '+')
        throw UnsafeValue(describeUserId(id) + " cannot be passed to PGP: it begins with \"+\", which PGP "
                                               "would read as a setting of its configuration.");
    return batchQuoted(id, describeUserId(id));
}

} // namespace

std::string batchEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '%') out += '%';
    }
    return out;
}

std::string batchPath(const std::string& path, const std::string& what) {
    refuseUnquotable(path, what);
    return needsQuotes(path) ? quote(path) : batchEscape(path);
}

std::string batchQuoted(const std::string& text, const std::string& what) {
    refuseUnquotable(text, what);
    return quote(text);
}

std::vector<std::string> splitRecipients(const std::string& recipients) {
    std::vector<std::string> ids;
    std::size_t pos = 0;
    while (pos < recipients.size()) {
        std::size_t close = recipients[pos] == '"' ? recipients.find('"', pos + 1) : std::string::npos;
        bool wellFormed =
            close != std::string::npos && (close + 1 == recipients.size() || recipients[close + 1] == ' ');
        if (!wellFormed)
            throw UnsafeValue("The recipients " + recipients +
                              " cannot be passed to PGP: a user ID contains a double quote (\").");
        ids.push_back(recipients.substr(pos + 1, close - pos - 1));
        pos = close + 2;
    }
    return ids;
}

std::string batchRecipients(const std::string& recipients) {
    std::string out;
    for (const auto& id : splitRecipients(recipients))
        out += userIdToken(id) + " ";
    return out;
}

namespace {

std::string signerToken(const std::string& signer) {
    std::string id = signer;
    if (id.size() >= 2 && id.front() == '"' && id.back() == '"') id = id.substr(1, id.size() - 2);
    return userIdToken(id);
}

} // namespace

SecretString editorPgpLine(EditorOperation op, const EditorLineValues& v, bool wipeToolPresent,
                           const ProgramProfile& profile) {
    // cmd.exe echoes every line it runs into the console window; "@" keeps a line that carries the
    // stored pass phrase off the screen. Lines without one keep their echo.
    const bool carriesPassPhrase = op == EditorOperation::Decrypt && v.passPhraseOn;
    SecretString line(carriesPassPhrase ? "@" : "");
    line += batchPath(v.pgpExe, "The path of pgp.exe");
    const std::string w = wipeToolPresent ? "" : "w";
    // The temporaries are bare names: the batch runs in PGP's directory.
    const std::string input = " " + batchPath(profile.inputName, "The input file");
    auto signer = [&] { return v.signer.empty() ? std::string() : signerToken(v.signer); };
    switch (op) {
    case EditorOperation::Encrypt:
        line += " -eat" + w + input + " " + batchRecipients(v.recipients);
        break;
    case EditorOperation::Sign:
        // An editor signer that was never chosen is empty: the line then ends with "-u ".
        line += " -sta" + w + input + " -u " + signer();
        break;
    case EditorOperation::SignEncrypt:
        line += " -east" + w + input + " " + batchRecipients(v.recipients) + " -u " + signer();
        break;
    case EditorOperation::EncryptIdea:
        line += " -ca" + w + input;
        break;
    case EditorOperation::Decrypt:
        if (carriesPassPhrase) {
            refuseUnquotable(v.passPhrase, "The pass phrase");
            line += " -z ";
            appendQuoted(line, v.passPhrase);
        }
        line += input + " -o " + batchPath(profile.plainName, "The output file");
        break;
    }
    return line;
}

std::string fileModulePgpLine(FileOperation op, const FileLineValues& v) {
    std::string exe = batchPath(v.pgpExe, "The path of pgp.exe");
    std::string file = batchPath(v.shortName, "The file name " + v.shortName);
    auto signer = [&] { return userIdToken(v.signer); };
    switch (op) {
    case FileOperation::Encrypt:
        return exe + " -ea " + file + " " + batchRecipients(v.recipients);
    case FileOperation::Decrypt:
        return exe + " -p " + file;
    case FileOperation::Sign:
        return exe + " -sta " + file + " -u " + signer();
    case FileOperation::SignDetached:
        return exe + " -sbta " + file + " -u " + signer();
    case FileOperation::SignEncrypt:
        return exe + " -east " + file + " " + batchRecipients(v.recipients) + " -u " + signer();
    case FileOperation::EncryptIdea:
        return exe + " -ca " + file;
    }
    return {};
}

std::string keyListingLine(const std::string& pgpExe, const std::string& keyRing, const std::string& target) {
    return batchPath(pgpExe, "The path of pgp.exe") + " -kv \"*\" " +
           batchPath(keyRing, "The key ring path") + " > " + batchPath(target, "The listing file");
}

std::string scorchLine(const std::string& toolShortPath, const std::string& fileShortPath) {
    return batchPath(toolShortPath, "The path of the wipe tool") + " " +
           batchPath("[" + fileShortPath + "]", "The file name " + fileShortPath) + " /two /silent";
}

std::string deleteLine(const std::string& lockFile) {
    return "DEL " + batchPath(lockFile, "The lock file path");
}

std::string wipeParameters(const std::string& path) {
    return "[" + path + "] /two /silent";
}

} // namespace mw
