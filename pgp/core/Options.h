// PGP 2.6's command line: option letters combined after one "-" in any order, "+batchmode",
// operands in between. Parsed from the wide argument vector, so no character is lost.
#pragma once
#include "core/SecretText.h"
#include <optional>
#include <string>
#include <vector>

namespace pgp {

// An argument as it came in; it may be the pass phrase after -z, so its storage is wiped.
using Argument = mw::BasicSecretString<wchar_t>;

enum class Action {
    Usage,        // -h, or nothing to do
    Decrypt,      // an input file and no operation letter: decrypt or verify
    Encrypt,      // -e, optionally with -s
    Sign,         // -s without -e
    Conventional, // -c
    KeyView,      // -kv, -kvc, -kvv
    KeyCheck,     // -kc: the signatures on keys, checked
    KeyGenerate,  // -kg
    KeyAdd,       // -ka
    KeyExtract,   // -kx, -kxa
    KeyRemove,    // -kr
    KeySign,      // -ks: certify another's key
    KeyEdit,      // -ke: own user ID or pass phrase; another's trust
    KeyDisable,   // -kd: revoke one's own key; disable or enable another's
};

// The settings PGP 2.6 users kept in config.txt in PGP's directory; "+name=value" on the command
// line sets them for one run and wins over the file. Unset: the file's value, else the default.
struct Settings {
    std::optional<bool> armor, textMode, batchMode, force;
    // -kv in the engine's own listing, for programs that read keys; taken from the command line
    // only, so that config.txt never changes what the key dialogs read.
    std::optional<bool> colons;
    // -kg: the new key expires this many days after today (0 never); command line only too.
    std::optional<int> expireDays;
    std::optional<std::wstring> myName; // the signing key when -u names none
    std::optional<int> verbose;         // 0 only problems, 1 the usual lines, 2 the engine's too
};

// "name=value", "name = value" or a bare "name" (on), names in any case; on/off, yes/no, true/false,
// 1/0 for switches. Returns the complaint, or empty when `s` took it.
std::wstring applySetting(std::wstring_view text, Settings& s);

// config.txt: a setting per line, "#" starting a comment, a value in quotes kept as it is. Lines
// that set nothing this program uses are listed in `problems` ("line 3: ...") and skipped:
// settings that would move the key rings or the engine's files stay out of reach of a file.
Settings parseConfig(std::wstring_view text, std::vector<std::wstring>& problems);

struct Command {
    Action action = Action::Usage;
    bool sign = false;          // -s (also with -e)
    bool armor = false;         // -a, and -kxa
    bool text = false;          // -t
    bool wipe = false;          // -w
    bool detached = false;      // -b
    bool preserveName = false;  // -p
    bool filter = false;        // -f
    bool fingerprints = false;  // -kvc
    bool signatures = false;    // -kvv (and -kc)
    bool batchMode = false;     // +batchmode
    bool force = false;         // +force: replace an existing output without asking
    bool showOnly = false;      // -m: the plaintext on screen, no file written
    bool keepSignature = false; // -d: a signed message's signature kept as a file of its own
    int verbose = 1;
    Settings settings;                  // the "+" options as given
    std::optional<Argument> passPhrase; // -z
    std::optional<std::wstring> signer; // -u
    std::optional<std::wstring> output; // -o
    // Input file, recipients, user IDs, rings, in order; for Decrypt, maybe the signed file.
    std::vector<std::wstring> operands;
    std::wstring error; // one line naming what is wrong; empty when usable
};

// The arguments after the program's name. Letters may combine in any order ("-eatw", "-tae");
// -z, -u and -o each take the next argument, in the order the letters stand. An unknown letter,
// a missing argument, a conflicting combination or the wrong number of operands fills `error`.
Command parseCommandLine(const std::vector<Argument>& arguments);

// Takes the settings of config.txt where the command line set none.
void applyConfig(Command& c, const Settings& config);

// The line shown after `error`.
inline constexpr const wchar_t* kUsageHint = L"For a usage summary, type:  pgp -h";

// What -h prints.
std::wstring usageText();

} // namespace pgp
