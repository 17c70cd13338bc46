// Launches of the editor's companion programs and help files.
#include "core/Companions.h"
#include "core/Interaction.h"
#include "core/PathUtil.h"
#include "core/Platform.h"
#include "core/ProgramProfile.h"

namespace mw {

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

void Companions::offerFirstKey(bool secretRing, const std::string& pgpExe) {
    const std::string manager = own_ + "wendal.exe";
    const bool withManager = platform_.fileExists(manager);
    std::string text = secretRing
                           ? "Your secret key ring holds no keys yet, so there is no key to sign with."
                           : "Your public key ring holds no keys yet, so there is nobody to encrypt to.";
    text += withManager ? "\n\nStart the key manager to make your own key pair?"
                        : "\n\nMake your own key pair now?  PGP opens in a console window in PGP's directory "
                          "(pgp -kg) and asks for the kind of key, your name and e-mail address, and a pass "
                          "phrase.";
    text += "  When the key is made, choose this command again; add a friend's key with pgp -ka.";
    if (!interaction_.question("No Keys", text, BoxIcon::Question)) return;
    LaunchResult launched = withManager ? platform_.launch(manager, "", pgp_, ShowMode::Normal)
                                        : platform_.launch(pgpExe, "-kg", pgp_, ShowMode::Normal);
    if (launched.process) platform_.closeProcess(launched.process);
    if (!launched.started)
        interaction_.message(profile_.title,
                             (withManager ? manager : pgpExe) + " could not be started: " + launched.error,
                             BoxIcon::Error);
}

void openHelp(Platform& platform, Interaction& interaction, const ProgramProfile& profile,
              const std::string& directory, ShowMode mode) {
    const std::string own = directoryOf(platform.executablePath());
    const std::string helpFile = own + profile.helpFile, html = own + profile.htmlHelpFile;
    LaunchResult launched;
    if (platform.fileExists(helpFile)) launched = platform.launch(helpFile, "", directory, mode);
    if (!launched.started) {
        launched = platform.launch(html, "", directory, mode);
        if (!launched.started)
            interaction.message(profile.title,
                                "The help could not be opened: " + html + ": " + launched.error +
                                    " Open that file with your web browser.",
                                BoxIcon::Error);
    }
    if (launched.process) platform.closeProcess(launched.process);
}

void Companions::murkwellDocs() {
    openHelp(platform_, interaction_, profile_, own_, ShowMode::Normal);
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

} // namespace mw
