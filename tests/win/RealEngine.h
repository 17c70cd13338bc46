// The real chain for tests under Wine: our pgp.exe with the engine beside it, PGP's directory
// holding a demo key the engine made, Linux gpg as the peer that reads what the programs wrote,
// and the scan of PGP's directory for a pass phrase left behind.
#pragma once
#include "RunWithInput.h"
#include <string>
#include <vector>

namespace mwtest {

inline const char* const kDemoUser = "Murkwell Demo <demo@murkwell.invalid>";
inline const char* const kDemoPass = "murkwell demo";

// The engine folder the build made (with a trailing backslash), as Wine sees it.
std::string engineDirectory();

// The Linux path of a Windows path; empty when Wine cannot tell.
std::string unixPath(const std::string& windowsPath);

// Runs `commands` with Linux /bin/sh and waits for them to end. They start in `dir` (a Windows
// path with a trailing backslash) with GNUPGHOME a fresh home of their own, holding the keys of
// `keyFiles` (names in `dir`), and `$g` a batch gpg that reads the pass phrase from pass.txt in
// `dir`. False (with a test failure) when they could not run or never ended.
bool runLinuxGpg(const std::string& dir, const std::vector<std::string>& keyFiles,
                 const std::string& commands);

// The files under `dir` (a trailing backslash), recursively, that hold `secret` in its bytes or in
// its UTF-16 form: names relative to `dir`. A file that cannot be read is listed too, marked
// "(unreadable)": it may hold it.
std::vector<std::string> filesHolding(const std::string& dir, const std::string& secret);

// pgp.exe and the engine in `base`\bin\ and PGP's directory `base`\pgp\, which is also the
// engine's home, holding the demo key. The agent is ended at destruction. Steps that fail record
// a fatal test failure: callers check HasFatalFailure() after install().
class RealEngine {
public:
    explicit RealEngine(std::string base);
    // Programs already in place: pgp.exe in `bin` with the engine in its gnupg\, and PGP's
    // directory `pgpDir`; `base` takes the key parameters and exports. All end in a backslash.
    RealEngine(std::string base, std::string bin, std::string pgpDir);
    ~RealEngine();
    RealEngine(const RealEngine&) = delete;
    RealEngine& operator=(const RealEngine&) = delete;

    // Whether the build made the engine; tests skip without it.
    static bool built();
    // Copies the programs and makes the demo key with kDemoPass; exports it with its secret part
    // to `base`\demo-secret.asc for Linux gpg.
    void install();
    // Copies the programs and readies PGP's directory, with no key in it: for a ring of the
    // caller's own.
    void installPrograms();
    // Another key made by the engine (ed25519 signing, cv25519 encryption), its secret part
    // exported to `exportTo` when that is not empty.
    void makeKey(const std::string& name, const std::string& email, const std::string& pass,
                 const std::string& exportTo = {});
    // The public part of the key of `email`, armoured, into `path`.
    void exportPublicKey(const std::string& email, const std::string& path);
    // The programs, PGP's directory and the exported keys of `made` copied here: keys are made once
    // for a whole suite, since each generation under Wine costs seconds.
    void installCopyOf(const RealEngine& made);
    // The engine's command line on PGP's directory, reading a pass phrase from standard input.
    std::string engineCall(const std::string& rest) const;
    void endAgent() const;

    const std::string base; // a trailing backslash
    const std::string bin;  // pgp.exe and gnupg\ inside it
    const std::string pgpDir;
    const std::string home; // PGP's directory without the trailing backslash
};

// Puts the real wipe tool into `dir` (a trailing backslash), beside the program under test.
void installWipeTool(const std::string& dir);

} // namespace mwtest
