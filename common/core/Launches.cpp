// The help and the first key pair, started alike by every program.
#include "core/Launches.h"
#include "core/Interaction.h"
#include "core/PathUtil.h"
#include "core/Platform.h"
#include "core/ProgramProfile.h"

namespace mw {

void openHelp(Platform& platform, Interaction& interaction, const ProgramProfile& profile) {
    const std::string own = directoryOf(platform.executablePath());
    const std::string helpFile = own + profile.helpFile, html = own + profile.htmlHelpFile;
    const std::string directory = profile.helpInOwnDirectory ? own : std::string();
    LaunchResult launched;
    if (platform.fileExists(helpFile)) launched = platform.launch(helpFile, "", directory, profile.helpShow);
    if (!launched.started) {
        launched = platform.launch(html, "", directory, profile.helpShow);
        if (!launched.started)
            interaction.message(profile.title,
                                "The help could not be opened: " + html + ": " + launched.error +
                                    " Open that file with your web browser.",
                                BoxIcon::Error);
    }
    if (launched.process) platform.closeProcess(launched.process);
}

void offerFirstKey(Platform& platform, Interaction& interaction, const ProgramProfile& profile,
                   const std::string& pgpDirectory, bool secretRing, const std::string& pgpExe) {
    const std::string manager = directoryOf(platform.executablePath()) + "wendal.exe";
    const bool withManager = platform.fileExists(manager);
    std::string text = secretRing
                           ? "Your secret key ring holds no keys yet, so there is no key to sign with."
                           : "Your public key ring holds no keys yet, so there is nobody to encrypt to.";
    text += withManager ? "\n\nStart the key manager to make your own key pair?"
                        : "\n\nMake your own key pair now?  PGP opens in a console window in PGP's directory "
                          "(pgp -kg) and asks for the kind of key, your name and e-mail address, and a pass "
                          "phrase.";
    text += "  When the key is made, choose this command again; add a friend's key with pgp -ka.";
    if (!interaction.question("No Keys", text, BoxIcon::Question)) return;
    LaunchResult launched = withManager ? platform.launch(manager, "", pgpDirectory, ShowMode::Normal)
                                        : platform.launch(pgpExe, "-kg", pgpDirectory, ShowMode::Normal);
    if (launched.process) platform.closeProcess(launched.process);
    if (!launched.started)
        interaction.message(profile.title,
                            (withManager ? manager : pgpExe) + " could not be started: " + launched.error,
                            BoxIcon::Error);
}

} // namespace mw
