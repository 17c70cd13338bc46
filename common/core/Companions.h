// The editor's companion programs and help files: which file each menu command opens, from which
// directory and how it is shown. Launches are not waited for and their failures stay silent.
#pragma once
#include <string>

namespace mw {

class Interaction;
class Platform;
struct ProgramProfile;
enum class ShowMode : int;

// The program's help: its help file beside it when that exists and opens (Windows 10 and later
// open no WinHelp file), else the HTML help beside it; when neither opens, a box with the reason.
void openHelp(Platform& platform, Interaction& interaction, const ProgramProfile& profile,
              const std::string& directory, ShowMode mode);

class Companions {
public:
    // The own directory is that of the running executable; `pgpDirectory` ends with a backslash.
    Companions(Platform& platform, Interaction& interaction, const ProgramProfile& profile,
               std::string pgpDirectory);

    void keyManagement();       // the key manager
    void encryptDecryptFiles(); // the file module
    void overlayer();           // the embedding editor, when it is installed
    void murkwellDocs();        // our help (openHelp)
    void pgpDocs();             // the first of PGP's documents that exists
    // A key ring that lists no key at all: says so and offers to make a key pair, with the key
    // manager when it is beside the program, else with `pgpExe -kg` in a console in PGP's directory.
    void offerFirstKey(bool secretRing, const std::string& pgpExe);

private:
    // A program that cannot be started is named with the reason, and `instead` after it.
    void open(const std::string& file, const std::string& directory, ShowMode mode,
              const std::string& instead = {});

    Platform& platform_;
    Interaction& interaction_;
    const ProgramProfile& profile_;
    std::string own_;
    std::string pgp_;
};

} // namespace mw
