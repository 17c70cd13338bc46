// The line-numbered settings files "Murkwell.ini" (fourteen lines) and "bramlet.ini" (four).
#pragma once
#include "core/Colors.h"
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mw {

class Platform;

// The settings path: the executable's own path with its extension replaced by ".ini".
std::string settingsPathFor(const std::string& executablePath);

// A settings file read whole; a line past the end reads as the empty text.
class SettingsLines {
public:
    SettingsLines() = default;
    explicit SettingsLines(std::vector<std::string> lines) : lines_(std::move(lines)) {}
    const std::string& line(int number) const; // 1-based
    std::size_t count() const { return lines_.size(); }

private:
    std::vector<std::string> lines_;
};

// Throws IoError when the file exists but cannot be read.
SettingsLines readSettings(Platform& platform, const std::string& path);

// What the setup dialog holds (lines 1-4, 9, 10).
struct SetupValues {
    std::string pgpExe = "c:\\pgp\\pgp.exe";
    std::string pgpDir = "c:\\pgp\\";
    std::string publicRing = "c:\\pgp\\pubring.pgp";
    std::string secretRing = "c:\\pgp\\secring.pgp";
    bool barLeft = false;
    bool storePassPhrase = false;
};

// Lines 1-4 always; lines 9 and 10 only for the editor. The comparisons with "left" and
// "store" are exact: "Left" or "STORE" count as right and nostore.
SetupValues setupValuesFrom(const SettingsLines& lines, bool editorVariant);

// What the editor's main window holds (lines 5-8, 11-14).
struct EditorWindowValues {
    std::int32_t top = 0;
    std::int32_t left = 0;
    std::int32_t width = 640;
    std::int32_t height = 450;
    std::string fontName = "Courier New";
    std::int32_t fontSize = 8;
    std::int32_t fontColor = colors::clBlack;
    std::int32_t backgroundColor = colors::clWindow;
};

constexpr std::size_t kMaxFontNameLength = 255;

// Receives the main window's values in file order, each as soon as it is converted, so that a
// conversion error leaves the earlier ones applied.
struct EditorWindowSink {
    virtual ~EditorWindowSink() = default;
    virtual void setTop(std::int32_t) = 0;
    virtual void setLeft(std::int32_t) = 0;
    virtual void setWidth(std::int32_t) = 0;
    virtual void setHeight(std::int32_t) = 0;
    virtual void setBarLeft(bool) = 0;
    virtual void setFontName(const std::string&) = 0;
    virtual void setFontSize(std::int32_t) = 0;
    virtual void setFontColor(std::int32_t) = 0;
    virtual void setBackgroundColor(std::int32_t) = 0;
};

// Applies lines 5-9 and 11-14 in order; throws ConversionError at the first line that is not a
// decimal integer, after the lines before it have been applied.
void applyEditorWindowLines(const SettingsLines& lines, EditorWindowSink& sink);

std::vector<std::string> editorSettingsLines(const SetupValues& setup, const EditorWindowValues& window);
std::vector<std::string> fileModuleSettingsLines(const SetupValues& setup);

// Colour values of lines 13 and 14: 0x00BBGGRR, or with the top bit set a system colour index.
bool isSystemColor(std::int32_t value);
// The 0x00BBGGRR colour to draw with; `systemColor` resolves a system colour index.
std::uint32_t resolveColor(std::int32_t value, const std::function<std::uint32_t(int)>& systemColor);

} // namespace mw
