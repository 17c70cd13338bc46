// Setup dialog of both programs; the file module's copy lacks the bar side and pass-phrase parts.
#include "win/TPGPSetup.h"
#include "win/Application.h"
#include "win/Context.h"
#include "win/Controls.h"
#include "core/Interaction.h"
#include "core/PathUtil.h"
#include "core/ProgramProfile.h"
#include "core/Platform.h"
#include "win/Win32Util.h"

namespace mw {

namespace {
std::string lowered(std::string text) {
    if (!text.empty()) CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}
} // namespace

TPGPSetup::TPGPSetup(const Context& context, EditorLink link)
    : Form(context.application()), context_(context), profile_(context.profile()), link_(std::move(link)) {
    registerClass("TPGPSetup", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    const SetupParts& parts = profile_.setup;
    createHandle("TPGPSetup", profile_.setupCaption, WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME,
                 0, 0, 100, 100, app().mainWindow(), nullptr);
    setClientSize(427, parts.clientHeight);

    const DWORD pathStyle = WS_TABSTOP | ES_AUTOHSCROLL | ES_LOWERCASE;
    addControl({.className = "BUTTON",
                .text = "&Click here to find PGP",
                .id = IdButton1,
                .x = 8,
                .y = 8,
                .width = 150,
                .height = 25,
                .style = WS_TABSTOP | BS_PUSHBUTTON});
    addControl({.className = "EDIT",
                .id = IdEdit1,
                .x = 164,
                .y = 10,
                .width = 255,
                .height = 21,
                .style = pathStyle | ES_READONLY,
                .exStyle = WS_EX_CLIENTEDGE});
    addControl({.text = "Path to PGP", .x = 8, .y = 43, .width = 150, .height = 16});
    addControl({.className = "EDIT",
                .id = IdEdit2,
                .x = 164,
                .y = 40,
                .width = 255,
                .height = 21,
                .style = pathStyle | ES_READONLY,
                .exStyle = WS_EX_CLIENTEDGE});
    addControl({.text = "Path to Public Keyfile", .x = 8, .y = 73, .width = 150, .height = 16});
    addControl({.className = "EDIT",
                .id = IdEdit3,
                .x = 164,
                .y = 70,
                .width = 255,
                .height = 21,
                .style = pathStyle,
                .exStyle = WS_EX_CLIENTEDGE});
    addControl({.text = "Path to Secret KeyFile", .x = 8, .y = 103, .width = 150, .height = 16});
    addControl({.className = "EDIT",
                .id = IdEdit4,
                .x = 164,
                .y = 100,
                .width = 255,
                .height = 21,
                .style = pathStyle,
                .exStyle = WS_EX_CLIENTEDGE});
    if (parts.barAndPassPhrase) {
        addControl({.className = "BUTTON",
                    .text = " Button Bar Position ",
                    .id = IdRadioGroup1,
                    .x = 8,
                    .y = 130,
                    .width = 220,
                    .height = 44,
                    .style = BS_GROUPBOX});
        addControl({.className = "BUTTON",
                    .text = "&Left",
                    .id = IdRadioLeft,
                    .x = 20,
                    .y = 148,
                    .width = 90,
                    .height = 18,
                    .style = WS_TABSTOP | WS_GROUP | BS_RADIOBUTTON});
        addControl({.className = "BUTTON",
                    .text = "&Right",
                    .id = IdRadioRight,
                    .x = 122,
                    .y = 148,
                    .width = 90,
                    .height = 18,
                    .style = BS_RADIOBUTTON});
        addControl({.className = "BUTTON",
                    .text = " Pass Phrase Storing (Not Recommended)",
                    .id = IdCheckBox1,
                    .x = 8,
                    .y = 186,
                    .width = 260,
                    .height = 20,
                    .style = WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX});
    }
    addControl({.className = "BUTTON",
                .text = "&Save",
                .id = IdButton2,
                .x = 319,
                .y = parts.saveTop,
                .width = 100,
                .height = 28,
                .style = WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON});
    centreOnScreen();

    loadValues(SetupValues{});
    // A failure while loading is shown at once; the dialog keeps what it had loaded.
    app().runHandler([this] { FormCreate(); });
}

void TPGPSetup::loadValues(const SetupValues& v) {
    setPathField(IdEdit1, v.pgpExe);
    setPathField(IdEdit2, v.pgpDir);
    setPathField(IdEdit3, v.publicRing);
    setPathField(IdEdit4, v.secretRing);
    if (profile_.setup.barAndPassPhrase) {
        CheckRadioButton(handle(), IdRadioLeft, IdRadioRight, v.barLeft ? IdRadioLeft : IdRadioRight);
        CheckDlgButton(handle(), IdCheckBox1, v.storePassPhrase ? BST_CHECKED : BST_UNCHECKED);
    }
}

void TPGPSetup::FormCreate() {
    auto& platform = context_.platform();
    const std::string path = settingsPathFor(platform.executablePath());
    if (!platform.fileExists(path)) return;
    loadValues(setupValuesFrom(readSettings(platform, path), profile_.setup.barAndPassPhrase));
    // The file module's lock: a leftover would refuse every file-module job as busy.
    const std::string staleLock = pgpDir() + fileModuleProfile().lockName;
    deleteIfExists(platform, staleLock);
}

void TPGPSetup::setPathField(int id, const std::string& text) {
    setWindowText(item(id), lowered(text));
}

std::string TPGPSetup::pgpExe() const {
    return windowText(item(IdEdit1));
}
std::string TPGPSetup::pgpDir() const {
    return windowText(item(IdEdit2));
}
std::string TPGPSetup::publicRing() const {
    return windowText(item(IdEdit3));
}
std::string TPGPSetup::secretRing() const {
    return windowText(item(IdEdit4));
}
bool TPGPSetup::barLeft() const {
    return profile_.setup.barAndPassPhrase && IsDlgButtonChecked(handle(), IdRadioLeft) == BST_CHECKED;
}
bool TPGPSetup::storePassPhrase() const {
    return profile_.setup.barAndPassPhrase && IsDlgButtonChecked(handle(), IdCheckBox1) == BST_CHECKED;
}

SetupValues TPGPSetup::values() const {
    SetupValues v;
    v.pgpExe = pgpExe();
    v.pgpDir = pgpDir();
    v.publicRing = publicRing();
    v.secretRing = secretRing();
    v.barLeft = barLeft();
    v.storePassPhrase = storePassPhrase();
    return v;
}

void TPGPSetup::Button1Click() {
    FileDialogRequest request;
    request.title = "Find PGP.EXE Then Click Open";
    request.filters = {
        {"PGP.EXE", "pgp.exe"}, {"Executable Files (*.exe)", "*.exe"}, {"All Files (*.*)", "*.*"}};
    request.initialDirectory = "c:\\";
    request.fileName = "PGP.EXE";
    request.defaultExtension = "EXE";
    request.hideReadOnly = true;
    request.pathMustExist = true;
    request.fileMustExist = true;
    request.shortNames = true;
    request.oldStyle = true;
    auto chosen = context_.interaction().openFile(request);
    if (!chosen) return;
    setPathField(IdEdit1, *chosen);
    const std::string dir = directoryOf(pgpExe());
    setPathField(IdEdit2, dir);
    setPathField(IdEdit3, dir + "pubring.pgp");
    setPathField(IdEdit4, dir + "secring.pgp");
}

void TPGPSetup::RadioGroup1Click() {
    if (link_.moveButtonBar) link_.moveButtonBar(barLeft());
}

void TPGPSetup::Button2Click() {
    close();
}

void TPGPSetup::writeSettings() {
    auto& platform = context_.platform();
    const std::string path = settingsPathFor(platform.executablePath());
    if (profile_.setup.barAndPassPhrase) {
        EditorWindowValues window = link_.windowValues ? link_.windowValues() : EditorWindowValues{};
        platform.writeLines(path, editorSettingsLines(values(), window));
    } else {
        platform.writeLines(path, fileModuleSettingsLines(values()));
    }
}

void TPGPSetup::FormShow() {
    centreOnScreen();
}

void TPGPSetup::FormClose() {
    writeSettings();
}

bool TPGPSetup::onCommand(int id, int code, HWND) {
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IdButton1:
        Button1Click();
        return true;
    case IdButton2:
    case IDOK:
        Button2Click();
        return true;
    case IdRadioLeft:
    case IdRadioRight:
        CheckRadioButton(handle(), IdRadioLeft, IdRadioRight, id);
        RadioGroup1Click();
        return true;
    case IDCANCEL:
        close();
        return true; // Escape closes like the close box, which saves
    default:
        return false;
    }
}

} // namespace mw
