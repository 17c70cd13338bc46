// The editor's main window "Murkwell <version> - Encryption Editor": the message text, the button
// bar, the menus and the status bar.
#pragma once
#include "core/Interaction.h"
#include "core/SettingsFile.h"
#include "win/TIEButton.h"
#include "win/Win32Util.h"
#include "editor/EditorCommands.h"
#include "win/MainForm.h"
#include <memory>
#include <string>
#include <vector>

namespace editor {

class EditorApp;
class TextTools;
class MessageOperations;

class TForm1 : public mw::MainForm, private mw::EditorWindowSink {
public:
    enum : int { IdMemo1 = 10, IdPanel2 = 11, IdStatusBar1 = 12 };

    explicit TForm1(EditorApp& app);
    ~TForm1() override;

    HWND memo() const { return item(IdMemo1); }
    HWND panel2() const { return item(IdPanel2); }
    HWND statusBar() const { return item(IdStatusBar1); }
    // What the last job came to, in the status bar until the next one.
    void showOutcome(const std::string& text);
    HMENU popupMenu() const { return popup_.get(); }

    // Current geometry and text appearance, as the settings file stores them.
    mw::EditorWindowValues windowValues() const;
    bool barLeft() const { return barLeft_; }
    void dockButtonBar(bool left);

    // One handler per command of editor/EditorCommands.h: OpenFromFile1Click, BitBtn1Click, ...
    MW_EDITOR_COMMANDS(MW_COMMAND_DECLARATION)

    TextTools& tools() { return *tools_; }
    // The text's font as the font dialog shows it; setting it applies it at once.
    mw::FontChoice memoFont() const;
    void setMemoFont(const mw::FontChoice& font);

protected:
    // Memo1 is the window's only editable control.
    HWND initialFocus() const override { return memo(); }
    void FormShow() override;
    // The settings file is written and the stored pass phrase overwritten before the process ends.
    void closing() override;
    bool onCommand(int id, int code, HWND control) override;
    LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    HBRUSH onControlColor(UINT kind, HDC dc, HWND control) override;
    void dpiChanged() override;

private:
    void FormCreate();
    void createMenus();
    // The message's context menu and the shortcut keys.
    void createPopupAndKeys();
    void createControls();
    void layout();
    void applyMemoFont();
    void setGeometry(int left, int top, int width, int height);
    void clearStoredPassPhrase();

    // EditorWindowSink: the settings file's values as FormCreate applies them.
    void setTop(std::int32_t v) override;
    void setLeft(std::int32_t v) override;
    void setWidth(std::int32_t v) override;
    void setHeight(std::int32_t v) override;
    void setBarLeft(bool left) override { dockButtonBar(left); }
    void setFontName(const std::string& name) override;
    void setFontSize(std::int32_t points) override;
    void setFontColor(std::int32_t color) override;
    void setBackgroundColor(std::int32_t color) override;

    EditorApp& app_;
    mw::UniqueMenu popup_;
    bool barLeft_ = false;
    std::string fontName_ = "Courier New";
    std::int32_t fontSize_ = 8;
    std::int32_t fontColor_ = mw::colors::clBlack;
    bool fontBold_ = false, fontItalic_ = false, fontUnderline_ = false, fontStrikeOut_ = false;
    std::int32_t backgroundColor_ = mw::colors::clWindow;
    mw::UniqueFont memoFont_;
    mw::UniqueBrush memoBrush_;
    std::vector<std::unique_ptr<mw::TIEButton>> buttons_; // BitBtn1 ... BitBtn12, top to bottom
    std::unique_ptr<TextTools> tools_;
    std::unique_ptr<MessageOperations> operations_;
};

} // namespace editor
