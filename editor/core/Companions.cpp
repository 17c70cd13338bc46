// Launches of the editor's companion programs and PGP's documents.
#include "editor/core/Companions.h"
#include "core/Interaction.h"
#include "core/PathUtil.h"
#include "core/Platform.h"
#include "core/ProgramProfile.h"

using namespace mw;

namespace editor {

Companions::Companions(Platform& platform, Interaction& interaction, const ProgramProfile& profile,
                       std::string pgpDirectory)
    : platform_(platform), interaction_(interaction), profile_(profile),
      own_(directoryOf(platform.executablePath())), pgp_(std::move(pgpDirectory)) {}

void Companions::open(const std::string& file, const std::string& directory, ShowMode mode,
                      const std::string& instead) {
    // Nobody waits for these programs: the handle the launch may give back is released at once.
    LaunchResult launched = platform_.launch(file, "", directory, mode);
    if (launched.process) platform_.closeProcess(launched.process);
    if (!launched.started)
        interaction_.message(profile_.title, file + " could not be started: " + launched.error + instead,
                             BoxIcon::Error);
}

void Companions::keyManagement() {
    open(own_ + "wendal.exe", pgp_, ShowMode::Normal,
         "\n\nWithout the key manager, PGP manages the keys in a console window opened in PGP's "
         "directory: pgp -kg makes your key pair, pgp -ka FILE adds a friend's key, pgp -kv lists the "
         "keys.");
}

void Companions::encryptDecryptFiles() {
    open(own_ + fileModuleProfile().executableName, pgp_, ShowMode::Normal);
}

void Companions::overlayer() {
    const std::string program = own_ + "tarnow.exe";
    if (platform_.fileExists(program)) {
        open(program, pgp_, ShowMode::Show);
        return;
    }
    interaction_.message("Information",
                         "The Murkwell Overlayer is not included with the Message Editor unless you purchase "
                         "Murkwell Pro.  If purchased or installed separately the two programs will "
                         "iter-operate as long as they are installed in the same directory.",
                         BoxIcon::Information);
}

void Companions::pgpDocs() {
    const std::string candidates[] = {own_ + "PGPw.hlp", pgp_ + "PGPw.hlp", pgp_ + "doc\\pgpdoc1.txt",
                                      pgp_ + "pgpdoc1.txt"};
    for (const auto& candidate : candidates) {
        if (platform_.fileExists(candidate)) {
            open(candidate, own_, ShowMode::Normal);
            return;
        }
    }
}

} // namespace editor
