// File housekeeping over Platform: the algorithms behind the file module's seven commands.
#include "filemodule/core/Housekeeping.h"
#include "core/CommandLines.h"
#include "core/JobRunner.h"
#include "core/PathUtil.h"
#include "core/ProgramProfile.h"
#include "core/TextConvert.h"
#include <vector>

namespace mw {

namespace {

// The wipe tool is ours: it comes with the package, beside the program.
const char* const kToolMissing = "SCORCH.COM must be in the same directory as bramlet.exe (";
const char* const kToolMissingEnd =
    " was not found). It comes with the Murkwell package: install the package again to get it back.";
// The wipe job's own texts for a batch that cannot start or ends early.
const JobEndTexts kWipeJobTexts{"The wipe job could not be started: ",
                                "The wipe job ended before it finished."};
const char* const kScorchQuestion =
    "Warning You are about to permanently delete this file. Scorch is a third party utility and the Author "
    "of Murkwell accepts no responsibility for the results that it's use may cause.  Be sure to read the "
    "documentation for this utility BEFORE using it. Do you want to continue?";
// A short form is read into 128 characters, and the batch line is read by DOS programs.
constexpr std::size_t kShortPathLimit = 127;

// The root of an expanded path: "c:\" or "\\server\share\".
std::size_t rootLength(const std::string& path) {
    if (path.rfind("\\\\", 0) == 0) {
        std::size_t server = path.find('\\', 2);
        if (server == std::string::npos) return path.size();
        std::size_t share = path.find('\\', server + 1);
        return share == std::string::npos ? path.size() : share + 1;
    }
    return path.size() >= 3 && path[1] == ':' ? 3 : 0;
}

} // namespace

std::string expandPath(const std::string& typed, const std::string& base) {
    std::string path = typed;
    for (char& c : path)
        if (c == '/') c = '\\';
    std::string joined;
    if (path.rfind("\\\\", 0) == 0 || (path.size() >= 3 && path[1] == ':' && path[2] == '\\'))
        joined = path;
    else if (path.size() >= 2 && path[1] == ':')
        // "d:name": relative to that drive; only the shown directory's drive has a known place.
        joined =
            (toLowerAscii(path.substr(0, 1)) == toLowerAscii(base.substr(0, 1)) ? base : path.substr(0, 2)) +
            "\\" + path.substr(2);
    else if (!path.empty() && path[0] == '\\')
        joined = base.substr(0, rootLength(base + "\\") - 1) + path;
    else
        joined = base + "\\" + path;

    const std::size_t root = rootLength(joined);
    std::vector<std::string> parts;
    std::size_t start = root;
    while (start <= joined.size()) {
        std::size_t end = joined.find('\\', start);
        if (end == std::string::npos) end = joined.size();
        std::string part = joined.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out = joined.substr(0, root);
    for (std::size_t i = 0; i < parts.size(); ++i)
        out += (i ? "\\" : "") + parts[i];
    return out;
}

Housekeeping::Housekeeping(Platform& platform, Interaction& interaction, BrowserLink link)
    : platform_(platform), interaction_(interaction), link_(std::move(link)) {}

void Housekeeping::tell(const std::string& text) {
    const ProgramProfile& profile = fileModuleProfile();
    interaction_.message(profile.boxCaption, text, profile.boxIcon);
}

bool Housekeeping::ask(const std::string& text) {
    return interaction_.question("Information", text, BoxIcon::Information);
}

std::string Housekeeping::guardedSelection() {
    std::string selected = link_.selectedFile();
    if (selected.empty()) tell("You must select a file first!");
    return selected;
}

void Housekeeping::open(const std::string& file, const std::string& parameters) {
    LaunchResult r = platform_.launch(file, parameters, link_.shownDirectory(), ShowMode::Normal);
    if (r.process) platform_.closeProcess(r.process);
}

void Housekeeping::deleteFile() {
    const std::string selected = guardedSelection();
    if (selected.empty()) return;
    if (!ask("Warning You are about to delete this file.  Continue?")) return;
    platform_.deleteFile(selected); // a refusal (read-only, in use) is silent
    link_.reread();
}

void Housekeeping::renameFile() {
    const std::string selected = guardedSelection();
    if (selected.empty()) return;
    const std::string name = fileNameOf(selected);
    auto answer = interaction_.input("Rename File", "Please enter the new filename.", name);
    if (!answer || answer->empty()) return;

    std::string target = expandPath(*answer, link_.shownDirectory());
    // Into a directory that is named: under the file's own name, by a move as much as by a copy.
    if (platform_.directoryExists(target)) target += (target.back() == '\\' ? "" : "\\") + name;
    const bool sameFile = sameFileName(target, selected); // a change of case only
    bool replace = false;
    if (!sameFile && platform_.fileExists(target)) {
        if (!ask(target + " already exists. Replace it?")) return;
        replace = true;
    }
    if (!platform_.moveFile(selected, target, replace)) {
        if (platform_.isReadOnly(selected)) throw FileError("Cannot move file " + selected);
        copyInstead(selected, target, replace);
    }
    link_.reread();
    // A move to another drive copies; a source that could not be removed after it (or a refused
    // move, which is copied instead) leaves two copies, which the user must know of.
    if (!sameFile && platform_.fileExists(selected))
        tell("The file was copied to " + target + ", but " + selected +
             " could not be removed: it is still there.");
}

void Housekeeping::copyInstead(const std::string& from, const std::string& to, bool replace) {
    switch (platform_.copyFile(from, to, replace)) {
    case Platform::CopyResult::CannotOpen:
        throw FileError("Cannot open file " + from);
    case Platform::CopyResult::CannotCreate:
        throw FileError("Cannot create file " + to);
    case Platform::CopyResult::Failed:
        deleteIfExists(platform_, to);
        throw FileError("Cannot create file " + to);
    case Platform::CopyResult::Copied:
        break;
    }
    // Only a whole copy may stand for the file: one that came out short goes again.
    auto want = platform_.fileSize(from), got = platform_.fileSize(to);
    if (!want || !got || *want != *got) {
        deleteIfExists(platform_, to);
        throw FileError("Cannot create file " + to);
    }
}

std::string Housekeeping::dosShortPath(const std::string& path) {
    std::string s = platform_.shortPath(path);
    return s.size() > kShortPathLimit ? std::string() : s;
}

void Housekeeping::scorchFile() {
    const std::string selected = guardedSelection();
    if (selected.empty()) return;
    const ProgramProfile& profile = fileModuleProfile();
    const std::string pgpDir = link_.pgpDirectory();
    const std::string lockFile = pgpDir + profile.lockName;
    const std::string batchFile = pgpDir + profile.batchName;
    if (link_.setJobFiles) link_.setJobFiles(lockFile, batchFile);

    const std::string tool = wipeToolPath(platform_.executablePath());
    const std::string toolShort = dosShortPath(tool);
    if (link_.setToolShortName) link_.setToolShortName(toolShort);
    if (toolShort.empty()) {
        tell(platform_.fileExists(tool)
                 ? "The short form of the path " + tool + " could not be obtained; the file was not wiped."
                 : kToolMissing + tool + kToolMissingEnd);
        return;
    }
    if (platform_.fileExists(lockFile)) {
        tell(profile.busy);
        return;
    }
    if (!ask(kScorchQuestion)) return;
    // Before anything is written: without its own short form the file cannot be named to the tool.
    const std::string fileShort = dosShortPath(selected);
    if (link_.setShortName) link_.setShortName(fileShort);
    if (fileShort.empty()) {
        tell("The short form of the path " + selected + " could not be obtained; the file was not wiped.");
        return;
    }
    std::vector<std::string> lines;
    try {
        lines = {scorchLine(toolShort, fileShort), deleteLine(lockFile)};
    } catch (const UnsafeValue& e) {
        tell(e.what());
        return;
    }
    JobRunner runner(platform_, interaction_);
    JobEnd end = runner.runOwnBatch(KeyProgram::FileModule, lockFile, batchFile, lines,
                                    link_.shownDirectory(), ShowMode::Hidden, kWipeJobTexts);
    if (end == JobEnd::Refused) return;
    link_.reread();
    if (end == JobEnd::NotStarted) return; // the runner said why; the tool never ran
    tell(platform_.fileExists(fileShort) ? "Scorch was unable to remove the file, please be sure the file is "
                                           "not in use by other programs or is not marked Hidden, System or "
                                           "Read-Only"
                                         : "File has been wiped.");
}

void Housekeeping::runFile() {
    const std::string selected = guardedSelection();
    if (!selected.empty()) open(selected, "");
}

void Housekeeping::loadIntoNotepad() {
    // The whole path as the parameter, unquoted: Notepad takes the rest of its command line.
    open("Notepad.Exe", link_.selectedFile());
}

void Housekeeping::dosPromptHere() {
    // 64-bit Windows has no command.com: the interpreter the system names takes its place.
    LaunchResult r = platform_.launch("command.com", "", link_.shownDirectory(), ShowMode::Normal);
    if (r.process) platform_.closeProcess(r.process);
    if (r.started) return;
    open(platform_.environmentVariable("COMSPEC").value_or("cmd.exe"), "");
}

void Housekeeping::refresh() {
    link_.reread();
}

} // namespace mw
