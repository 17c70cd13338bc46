// The editor's and the file module's profiles: the only place their differing texts and names live.
#include "core/ProgramProfile.h"

#ifndef MW_VERSION
#error "MW_VERSION comes from the build (the project version)"
#endif

namespace mw {

const char* const kVersion = MW_VERSION;

namespace {
// The key listing writes the same lock text in both programs.
const char* const kListingLockText = "Temporary LockFile Written by Murkwell File";
} // namespace

const ProgramProfile& editorProfile() {
    static const ProgramProfile profile{
        .program = KeyProgram::Editor,
        .executableName = "Murkwell.exe",
        .title = "Murkwell",
        .mainCaption = std::string("Murkwell ") + kVersion + " - Encryption Editor",
        .setupCaption = "Murkwell Setup",
        .statusText = std::string("Murkwell ") + kVersion + " - graphical shell for PGP 2.6",
        .helpFile = "Murkwell.hlp",
        .htmlHelpFile = "Murkwell.html",
        .helpInOwnDirectory = true,
        .helpShow = ShowMode::Normal,
        .signatureName = "Murkwell.sig",
        .setup = {.barAndPassPhrase = true, .clientHeight = 216, .saveTop = 180},
        .boxCaption = "Information",
        .boxIcon = BoxIcon::Information,
        .pgpMissing = "PGP.EXE not where Setup Thinks it is, Running Setup.",
        .busy = "Lockfile is busy, only one PGP session allowed at a time.",
        .batchName = "Murkwell.bat",
        .lockName = "Murkwell.lck",
        .operationLockText = "Temporary LockFile Written by Murkwell.",
        .listingLockText = kListingLockText,
        .inputName = "murkwell.tmp",
        .plainName = "murkwell.txt",
        .armouredName = "murkwell.asc",
        .listingName = "murkwell.usr",
        .staleListingName = "Murkwell.USR",
        .outcomeName = "murkwell.out",
        // The key dialogs build their own batch and lock paths.
        .listingPathsFromCaller = false,
        .lockBeforeStaleDelete = false,
        // The public-key dialog names the directory, the secret-key one relies on the working
        // directory; both land in the same file.
        .listingTargetAlwaysBare = false,
        // The operation's clean-up removes it.
        .deleteListingAfter = false,
        .signerQuoted = true,
        .leftoversAtClose = {"Murkwell.TMP", "Murkwell.USR", "Murkwell.BAT", "Murkwell.LCK"},
    };
    return profile;
}

const ProgramProfile& fileModuleProfile() {
    static const ProgramProfile profile{
        .program = KeyProgram::FileModule,
        .executableName = "bramlet.exe",
        .title = "Murkwell File Encryption Applet",
        .mainCaption = "Murkwell File - File Encryption Module",
        .setupCaption = "PGP Setup",
        .statusText = "",
        // The editor's help file under this program's own spelling of it.
        .helpFile = "Murkwell.Hlp",
        .htmlHelpFile = "Murkwell.html",
        .helpInOwnDirectory = false,
        .helpShow = ShowMode::Show,
        .signatureName = "",
        .setup = {.barAndPassPhrase = false, .clientHeight = 157, .saveTop = 126},
        .boxCaption = "Murkwell File Encryption Applet",
        .boxIcon = BoxIcon::None,
        .pgpMissing = "PGP Doesn't Exists where setup thinks it should!, Running Setup.",
        .busy = "LockFile is busy, only one PGP session is allowed at a time.",
        .batchName = "bramlet.bat",
        .lockName = "bramlet.lck",
        .operationLockText = kListingLockText,
        .listingLockText = kListingLockText,
        .inputName = "",
        .plainName = "",
        .armouredName = "",
        .listingName = "bramlet.usr",
        .staleListingName = "bramlet.usr",
        .outcomeName = "bramlet.out",
        // The calling operation has set them on the main window.
        .listingPathsFromCaller = true,
        .lockBeforeStaleDelete = true,
        .listingTargetAlwaysBare = true,
        .deleteListingAfter = true,
        // The file module's operations add the quotes themselves.
        .signerQuoted = false,
        .leftoversAtClose = {"Bramlet.TMP", "Bramlet.USR", "Bramlet.BAT", "Bramlet.LCK", "Bramlet.ASC"},
    };
    return profile;
}

const ProgramProfile& keyManagerProfile() {
    static const ProgramProfile profile{
        .program = KeyProgram::KeyManager,
        .executableName = "wendal.exe",
        .title = "Murkwell Keys",
        .mainCaption = "Murkwell Keys - Key Manager",
        .setupCaption = "PGP Setup",
        .statusText = "",
        .helpFile = "Murkwell.hlp",
        .htmlHelpFile = "Murkwell.html",
        .helpInOwnDirectory = true,
        .helpShow = ShowMode::Normal,
        .signatureName = "",
        .setup = {.barAndPassPhrase = false, .clientHeight = 157, .saveTop = 126},
        .boxCaption = "Murkwell Keys",
        .boxIcon = BoxIcon::Information,
        .pgpMissing = "pgp.exe is not where PGP Setup says it is; PGP Setup opens so that you can set it.",
        .busy = "Another key job is still running; wait until it has ended.",
        .batchName = "wendal.bat",
        .lockName = "wendal.lck",
        .operationLockText = "Temporary lock file written by Murkwell Keys.",
        .listingLockText = "Temporary lock file written by Murkwell Keys.",
        .inputName = "",
        .plainName = "",
        .armouredName = "",
        .listingName = "wendal.lst",
        .staleListingName = "wendal.lst",
        .outcomeName = "wendal.out",
        .listingPathsFromCaller = true,
        .lockBeforeStaleDelete = true,
        .listingTargetAlwaysBare = false,
        .deleteListingAfter = true,
        .signerQuoted = false,
        .leftoversAtClose = {"wendal.lst", "wendal.bat", "wendal.lck", "wendal.out"},
    };
    return profile;
}

const ProgramProfile& profileOf(KeyProgram program) {
    switch (program) {
    case KeyProgram::Editor:
        return editorProfile();
    case KeyProgram::FileModule:
        return fileModuleProfile();
    case KeyProgram::KeyManager:
        break;
    }
    return keyManagerProfile();
}

} // namespace mw
