// PGP 2.6's option grammar.
#include "pgp/core/Options.h"

namespace pgp {

namespace {

std::wstring lowered(std::wstring_view text) {
    std::wstring out;
    for (wchar_t c : text)
        out += (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    return out;
}

std::wstring trimmed(std::wstring_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == L' ' || text[b] == L'\t'))
        ++b;
    while (e > b && (text[e - 1] == L' ' || text[e - 1] == L'\t' || text[e - 1] == L'\r'))
        --e;
    return std::wstring(text.substr(b, e - b));
}

std::optional<bool> switchValue(const std::wstring& value) {
    if (value.empty() || value == L"on" || value == L"yes" || value == L"true" || value == L"1") return true;
    if (value == L"off" || value == L"no" || value == L"false" || value == L"0") return false;
    return std::nullopt;
}

// What PGP 2.6's config.txt could also set, taken by it but not by this program.
bool isOtherPgpSetting(const std::wstring& name) {
    static const wchar_t* const names[] = {L"pubring",
                                           L"secring",
                                           L"randseed",
                                           L"tmp",
                                           L"pager",
                                           L"language",
                                           L"charset",
                                           L"compress",
                                           L"keepbinary",
                                           L"interactive",
                                           L"clearsig",
                                           L"showpass",
                                           L"tzfix",
                                           L"encrypttoself",
                                           L"bakring",
                                           L"comment",
                                           L"completes_needed",
                                           L"marginals_needed",
                                           L"cert_depth",
                                           L"armorlines",
                                           L"pkcs_compat",
                                           L"legal_kludge",
                                           L"nomanual"};
    for (const wchar_t* n : names)
        if (name == n) return true;
    return false;
}

// The key-management group after "-k": which action, and whether its extra letter is allowed.
bool parseKeyGroup(std::wstring_view letters, Command& c) {
    if (letters == L"v") {
        c.action = Action::KeyView;
    } else if (letters == L"vv") {
        c.action = Action::KeyView;
        c.signatures = true;
    } else if (letters == L"c") {
        c.action = Action::KeyCheck;
        c.signatures = true;
    } else if (letters == L"s") {
        c.action = Action::KeySign;
    } else if (letters == L"e") {
        c.action = Action::KeyEdit;
    } else if (letters == L"d") {
        c.action = Action::KeyDisable;
    } else if (letters == L"vc") {
        c.action = Action::KeyView;
        c.fingerprints = true;
    } else if (letters == L"g") {
        c.action = Action::KeyGenerate;
    } else if (letters == L"a") {
        c.action = Action::KeyAdd;
    } else if (letters == L"x") {
        c.action = Action::KeyExtract;
    } else if (letters == L"xa" || letters == L"ax") {
        c.action = Action::KeyExtract;
        c.armor = true;
    } else if (letters == L"r") {
        c.action = Action::KeyRemove;
    } else {
        return false;
    }
    return true;
}

// Checks the operands against the action; returns the complaint or nothing.
std::wstring operandError(const Command& c) {
    const auto n = c.operands.size();
    switch (c.action) {
    case Action::Usage:
        return {};
    case Action::Decrypt:
        // A second operand: the file a detached signature signs.
        if (n == 0 && !c.filter) return L"no input file given";
        if (c.filter && n > 0) return L"unexpected argument " + c.operands.back();
        if (n > 2) return L"unexpected argument " + c.operands.back();
        return {};
    case Action::Encrypt:
    case Action::Sign:
    case Action::Conventional:
        if (n == 0 && !c.filter) return L"no input file given";
        if (c.action != Action::Encrypt && n > (c.filter ? 0u : 1u))
            return L"unexpected argument " + c.operands.back();
        return {};
    case Action::KeyView:
    case Action::KeyCheck:
        return n > 2 ? L"unexpected argument " + c.operands.back() : std::wstring();
    case Action::KeyGenerate:
        return n > 0 ? L"unexpected argument " + c.operands.back() : std::wstring();
    case Action::KeyAdd:
        if (n == 0) return L"-ka needs the file of keys to add";
        return n > 2 ? L"unexpected argument " + c.operands.back() : std::wstring();
    case Action::KeyExtract:
        // A missing user ID or file name is asked for.
        return n > 3 ? L"unexpected argument " + c.operands.back() : std::wstring();
    case Action::KeyRemove:
        if (n == 0) return L"-kr needs the user ID of the key to remove";
        return n > 2 ? L"unexpected argument " + c.operands.back() : std::wstring();
    case Action::KeySign:
        if (n == 0) return L"-ks needs the user ID of the key to certify";
        return n > 2 ? L"unexpected argument " + c.operands.back() : std::wstring();
    case Action::KeyEdit:
        if (n == 0) return L"-ke needs the user ID of the key to edit";
        return n > 2 ? L"unexpected argument " + c.operands.back() : std::wstring();
    case Action::KeyDisable:
        if (n == 0) return L"-kd needs the user ID of the key to revoke or disable";
        return n > 2 ? L"unexpected argument " + c.operands.back() : std::wstring();
    }
    return {};
}

} // namespace

std::wstring applySetting(std::wstring_view text, Settings& s) {
    const std::size_t equals = text.find(L'=');
    const std::wstring name = lowered(trimmed(text.substr(0, equals)));
    std::wstring raw = equals == std::wstring_view::npos ? std::wstring() : trimmed(text.substr(equals + 1));
    if (raw.size() >= 2 && raw.front() == L'"' && raw.back() == L'"') raw = raw.substr(1, raw.size() - 2);
    const std::wstring value = lowered(raw);
    const std::wstring given = std::wstring(L"'") + std::wstring(text) + L"'";
    std::optional<bool>* flag = name == L"armor"       ? &s.armor
                                : name == L"textmode"  ? &s.textMode
                                : name == L"batchmode" ? &s.batchMode
                                : name == L"force"     ? &s.force
                                : name == L"colons"    ? &s.colons
                                                       : nullptr;
    if (flag) {
        auto on = switchValue(value);
        if (!on) return L"the value of " + given + L" is not on or off";
        *flag = *on;
        return {};
    }
    if (name == L"myname") {
        if (raw.empty()) return L"myname needs a user ID";
        s.myName = raw;
        return {};
    }
    if (name == L"expire") {
        int days = 0;
        for (wchar_t ch : value) {
            if (ch < L'0' || ch > L'9' || days > 36500)
                return L"the value of " + given + L" is not a number of days";
            days = days * 10 + (ch - L'0');
        }
        if (value.empty() || days > 36500) return L"the value of " + given + L" is not a number of days";
        s.expireDays = days;
        return {};
    }
    if (name == L"verbose") {
        if (value != L"0" && value != L"1" && value != L"2")
            return L"the value of " + given + L" is not 0, 1 or 2";
        s.verbose = value[0] - L'0';
        return {};
    }
    if (isOtherPgpSetting(name)) return L"'" + name + L"' is not used by this pgp.exe";
    return L"unknown setting " + given;
}

Settings parseConfig(std::wstring_view text, std::vector<std::wstring>& problems) {
    Settings s;
    std::size_t start = 0, number = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring_view::npos) end = text.size();
        std::wstring_view line = text.substr(start, end - start);
        ++number;
        start = end + 1;
        // A "#" inside quotes belongs to the value.
        bool inQuotes = false;
        std::size_t cut = line.size();
        for (std::size_t i = 0; i < line.size() && cut == line.size(); ++i) {
            if (line[i] == L'"')
                inQuotes = !inQuotes;
            else if (line[i] == L'#' && !inQuotes)
                cut = i;
        }
        const std::wstring content = trimmed(line.substr(0, cut));
        if (content.empty()) continue;
        if (std::wstring why = applySetting(content, s); !why.empty())
            problems.push_back(L"line " + std::to_wstring(number) + L": " + why + L"; ignored");
    }
    return s;
}

void applyConfig(Command& c, const Settings& config) {
    auto take = [](auto& mine, const auto& theirs) {
        if (!mine && theirs) mine = theirs;
    };
    Settings& s = c.settings;
    take(s.armor, config.armor);
    take(s.textMode, config.textMode);
    take(s.batchMode, config.batchMode);
    take(s.force, config.force);
    take(s.myName, config.myName);
    take(s.verbose, config.verbose);
    // Switches only add to what the letters asked for; key listings have no output to armour.
    const bool writes = c.action != Action::KeyView && c.action != Action::KeyRemove &&
                        c.action != Action::KeyAdd && c.action != Action::Usage;
    if (s.armor.value_or(false) && writes && c.action != Action::Decrypt) c.armor = true;
    if (s.textMode.value_or(false) &&
        (c.action == Action::Encrypt || c.action == Action::Sign || c.action == Action::Conventional))
        c.text = true;
    c.batchMode = s.batchMode.value_or(false);
    c.force = s.force.value_or(false);
    c.verbose = s.verbose.value_or(1);
    if (!c.signer && s.myName) c.signer = *s.myName;
}

namespace {

// The letters of a command line that choose the operation, apart from the settings they switch on.
struct Operation {
    bool encrypt = false, conventional = false, help = false, keyGroup = false;
};

// Letters that only switch something on.
struct Switch {
    wchar_t letter;
    bool Command::*member;
};
constexpr Switch kSwitches[] = {
    {L's', &Command::sign},   {L'a', &Command::armor},    {L't', &Command::text},
    {L'w', &Command::wipe},   {L'b', &Command::detached}, {L'p', &Command::preserveName},
    {L'f', &Command::filter}, {L'm', &Command::showOnly}, {L'd', &Command::keepSignature},
};

void failWith(Command& c, std::wstring message) {
    if (c.error.empty()) c.error = std::move(message);
}

// One letter of a group such as "-eat"; -z, -u and -o take the next argument, `i` moves past it.
void takeLetter(wchar_t letter, const std::vector<Argument>& arguments, std::size_t& i, Command& c,
                Operation& op) {
    for (const Switch& s : kSwitches)
        if (s.letter == letter) {
            c.*s.member = true;
            return;
        }
    switch (letter) {
    case L'e':
        op.encrypt = true;
        return;
    case L'c':
        op.conventional = true;
        return;
    case L'h':
        op.help = true;
        return;
    case L'z':
    case L'u':
    case L'o':
        break;
    default:
        return failWith(c, std::wstring(L"unknown option -") + letter);
    }
    if (i + 1 >= arguments.size()) return failWith(c, std::wstring(L"-") + letter + L" needs an argument");
    const Argument& value = arguments[++i];
    if (letter == L'z')
        c.passPhrase = value;
    else if (letter == L'u')
        c.signer = std::wstring(value);
    else
        c.output = std::wstring(value);
}

// The operation the letters chose; false (the error set) when they chose more than one.
bool chooseAction(Command& c, const Operation& op) {
    const int operations = (op.encrypt || c.sign ? 1 : 0) + (op.conventional ? 1 : 0) + (op.keyGroup ? 1 : 0);
    if (op.help) {
        c.action = Action::Usage;
        return false;
    }
    if (operations > 1) {
        failWith(c, op.conventional ? L"-c cannot be combined with -e, -s or -k"
                                    : L"-k cannot be combined with -e or -s");
        return false;
    }
    if (op.keyGroup) return true;
    if (op.encrypt)
        c.action = Action::Encrypt;
    else if (c.sign)
        c.action = Action::Sign;
    else if (op.conventional)
        c.action = Action::Conventional;
    else if (!c.operands.empty() || c.filter)
        c.action = Action::Decrypt;
    return true;
}

// The letters that apply only to some operations, or exclude one another.
void checkCombinations(Command& c) {
    if (c.detached && c.action != Action::Sign) failWith(c, L"-b needs -s and cannot be combined with -e");
    if (c.preserveName && c.action != Action::Decrypt) failWith(c, L"-p applies only to decryption");
    if (c.wipe && c.action != Action::Encrypt && c.action != Action::Sign && c.action != Action::Conventional)
        failWith(c, L"-w applies only to encryption and signing");
    if (c.wipe && c.filter) failWith(c, L"-w cannot wipe standard input");
    if (c.preserveName && c.output) failWith(c, L"-p and -o both name the output");
    if (c.showOnly && (c.action != Action::Decrypt || c.filter || c.preserveName || c.output))
        failWith(c, L"-m shows a decrypted message and writes nothing; it takes no -f, -p or -o");
    if (c.keepSignature && (c.action != Action::Decrypt || c.filter || c.showOnly))
        failWith(c, L"-d keeps the signature of a message decrypted to a file; it takes no -f or -m");
}

} // namespace

Command parseCommandLine(const std::vector<Argument>& arguments) {
    Command c;
    Operation op;
    for (std::size_t i = 0; i < arguments.size() && c.error.empty(); ++i) {
        std::wstring_view arg(arguments[i]);
        if (arg.size() > 1 && arg[0] == L'+') {
            if (!applySetting(arg.substr(1), c.settings).empty())
                failWith(c, L"unknown option " + std::wstring(arg));
            continue;
        }
        if (arg.size() < 2 || arg[0] != L'-') {
            c.operands.emplace_back(arg);
            continue;
        }
        std::wstring_view letters = arg.substr(1);
        if (letters[0] == L'k') {
            if (op.keyGroup || !parseKeyGroup(letters.substr(1), c))
                failWith(c, L"unknown option " + std::wstring(arg));
            op.keyGroup = true;
            continue;
        }
        for (std::size_t at = 0; at < letters.size() && c.error.empty(); ++at)
            takeLetter(letters[at], arguments, i, c, op);
    }
    if (!c.error.empty() || !chooseAction(c, op)) return c;
    checkCombinations(c);
    if (c.error.empty()) failWith(c, operandError(c));
    if (c.error.empty()) applyConfig(c, {});
    return c;
}

std::wstring usageText() {
    return L"Usage summary:\r\n"
           L"To encrypt a file with recipients' public keys:  pgp -e textfile her_userid [other userids]\r\n"
           L"To sign a file with your secret key:            pgp -s textfile [-u your_userid]\r\n"
           L"To make a clear signature of a text file:       pgp -sta textfile [-u your_userid]\r\n"
           L"To make a detached signature:                   pgp -sb textfile [-u your_userid]\r\n"
           L"To sign and then encrypt a file:                pgp -es textfile her_userid [-u your_userid]\r\n"
           L"To encrypt with a pass phrase only:             pgp -c textfile\r\n"
           L"To decrypt or check a signature:                pgp ciphertextfile [-o plaintextfile]\r\n"
           L"To check a detached signature:                  pgp signaturefile [signedfile]\r\n"
           L"  -p keeps the file name stored in the message (a bare name in this directory)\r\n"
           L"  -d also keeps the message's signature in a file of its own (its name ending .sig)\r\n"
           L"Options: -a armoured output, -t text, -w wipe the input afterwards, -o output file,\r\n"
           L"         -u signing user ID, -z \"pass phrase\", -f filter (standard input to output),\r\n"
           L"         -m show the decrypted plaintext on screen and write no file\r\n"
           L"         +batchmode never asks a question (and refuses where one would be needed),\r\n"
           L"         +force replaces an existing output without asking, +armor=on, +textmode=on,\r\n"
           L"         +myname=userid, +verbose=0|1|2; also kept in config.txt in PGP's directory\r\n"
           L"Key management:\r\n"
           L"  pgp -kg                        generate your own key pair\r\n"
           L"  pgp -ka keyfile [keyring]      add the keys in keyfile\r\n"
           L"  pgp -kx[a] userid keyfile      extract a public key (armoured with -kxa);\r\n"
           L"                                 add secring.pgp to extract your secret key\r\n"
           L"  pgp -kr userid                 remove a key or one of its user IDs (asks first)\r\n"
           L"  pgp -kv[c] [userid] [keyring]  list keys (with fingerprints: -kvc)\r\n"
           L"  pgp -kvv [userid]              list keys with the signatures on them\r\n"
           L"  pgp -kc [userid]               check the signatures on keys\r\n"
           L"  pgp -ks userid [-u your_userid] certify (sign) another's key\r\n"
           L"  pgp -ke userid                 edit your user ID or pass phrase; another's trust\r\n"
           L"  pgp -ke userid +expire=DAYS    your key expires DAYS from today (0: never)\r\n"
           L"  pgp -kd userid                 revoke your key; disable (or enable) another's\r\n"
           L"Keys live in the directory PGPPATH names, or in the working directory.\r\n";
}

} // namespace pgp
