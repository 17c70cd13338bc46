// The editor's companion programs and documents: which file each PGP and Help menu command opens,
// from which directory and how it is shown. Launches are not waited for; a program that cannot be
// started is named with the reason.
#pragma once
#include <string>

namespace mw {
class Interaction;
class Platform;
struct ProgramProfile;
enum class ShowMode : int;
} // namespace mw

namespace editor {

class Companions {
public:
    // The own directory is that of the running executable; `pgpDirectory` ends with a backslash.
    Companions(mw::Platform& platform, mw::Interaction& interaction, const mw::ProgramProfile& profile,
               std::string pgpDirectory);

    void keyManagement();       // the key manager
    void encryptDecryptFiles(); // the file module
    void overlayer();           // the embedding editor, when it is installed
    void pgpDocs();             // the first of PGP's documents that exists

private:
    // A program that cannot be started is named with the reason, and `instead` after it.
    void open(const std::string& file, const std::string& directory, mw::ShowMode mode,
              const std::string& instead = {});

    mw::Platform& platform_;
    mw::Interaction& interaction_;
    const mw::ProgramProfile& profile_;
    std::string own_;
    std::string pgp_;
};

} // namespace editor
