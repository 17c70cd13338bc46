// What every program of the family starts the same way: its help, and the making of a first key
// pair when a key ring is empty. Launches are not waited for; a failed one is said with the reason.
#pragma once
#include <string>

namespace mw {

class Interaction;
class Platform;
struct ProgramProfile;

// The program's help: its help file beside it when that exists and opens (Windows 10 and later
// open no WinHelp file), else the HTML help beside it; when neither opens, a box with the reason.
// The profile says from which directory and how it is shown.
void openHelp(Platform& platform, Interaction& interaction, const ProgramProfile& profile);

// A key ring that lists no key at all: says so and offers to make a key pair, with the key
// manager when it is beside the program, else with `pgpExe -kg` in a console in PGP's directory
// (`pgpDirectory` ends with a backslash).
void offerFirstKey(Platform& platform, Interaction& interaction, const ProgramProfile& profile,
                   const std::string& pgpDirectory, bool secretRing, const std::string& pgpExe);

} // namespace mw
