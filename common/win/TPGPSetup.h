// The setup dialog: the live store of the four PGP paths (and, in the editor, the button-bar
// side and the pass-phrase option), loaded from the settings file at creation and written back
// on every close.
#pragma once
#include "core/SettingsFile.h"
#include "win/Window.h"
#include <functional>
#include <string>

namespace mw {

class Context;
struct ProgramProfile;

class TPGPSetup : public Form {
public:
    // What the editor's dialog needs of the editor's main window.
    struct EditorLink {
        std::function<void(bool left)> moveButtonBar;     // RadioGroup1Click
        std::function<EditorWindowValues()> windowValues; // lines 5-8 and 11-14 when saving
    };

    // Control ids.
    enum : int {
        IdButton1 = 101,
        IdEdit1,
        IdEdit2,
        IdEdit3,
        IdEdit4,
        IdRadioLeft,
        IdRadioRight,
        IdCheckBox1,
        IdButton2,
        IdRadioGroup1
    };

    // The profile says which parts the dialog has beyond the four paths.
    explicit TPGPSetup(const Context& context, EditorLink link = {});

    // The fields as other windows read them at the moment of use.
    std::string pgpExe() const;     // Edit1
    std::string pgpDir() const;     // Edit2
    std::string publicRing() const; // Edit3
    std::string secretRing() const; // Edit4
    bool barLeft() const;           // RadioGroup1 item 0
    bool storePassPhrase() const;   // CheckBox1
    SetupValues values() const;

    // Sets a path field; like typing into it, the text is lowered.
    void setPathField(int id, const std::string& text);

    void Button1Click();
    void RadioGroup1Click();
    void Button2Click();

    // Writes the settings file (every close of the dialog does this).
    void writeSettings();

protected:
    // The pgp.exe path field, which the find button before it labels.
    HWND initialFocus() const override { return item(IdEdit1); }
    void FormShow() override;
    void FormClose() override;
    bool onCommand(int id, int code, HWND control) override;

private:
    void FormCreate();
    void loadValues(const SetupValues& values);
    const Context& context_;
    const ProgramProfile& profile_;
    EditorLink link_;
};

} // namespace mw
