// Reading and writing the settings files line by line, as both programs store them.
#include "core/SettingsFile.h"
#include "core/PathUtil.h"
#include "core/Platform.h"
#include "core/TextConvert.h"

namespace mw {

std::string settingsPathFor(const std::string& executablePath) {
    return changeExtension(executablePath, ".ini");
}

const std::string& SettingsLines::line(int number) const {
    static const std::string empty;
    if (number < 1 || static_cast<std::size_t>(number) > lines_.size()) return empty;
    return lines_[static_cast<std::size_t>(number) - 1];
}

SettingsLines readSettings(Platform& platform, const std::string& path) {
    return SettingsLines(platform.readLines(path));
}

SetupValues setupValuesFrom(const SettingsLines& lines, bool editorVariant) {
    SetupValues v;
    v.pgpExe = lines.line(1);
    v.pgpDir = lines.line(2);
    v.publicRing = lines.line(3);
    v.secretRing = lines.line(4);
    if (editorVariant) {
        v.barLeft = lines.line(9) == "left";
        v.storePassPhrase = lines.line(10) == "store";
    }
    return v;
}

void applyEditorWindowLines(const SettingsLines& lines, EditorWindowSink& sink) {
    sink.setTop(parseInteger(lines.line(5)));
    sink.setLeft(parseInteger(lines.line(6)));
    sink.setWidth(parseInteger(lines.line(7)));
    sink.setHeight(parseInteger(lines.line(8)));
    sink.setBarLeft(lines.line(9) == "left");
    const std::string& font = lines.line(11);
    sink.setFontName(font.size() > kMaxFontNameLength ? font.substr(0, kMaxFontNameLength) : font);
    sink.setFontSize(parseInteger(lines.line(12)));
    sink.setFontColor(parseInteger(lines.line(13)));
    sink.setBackgroundColor(parseInteger(lines.line(14)));
}

std::vector<std::string> fileModuleSettingsLines(const SetupValues& setup) {
    return {setup.pgpExe, setup.pgpDir, setup.publicRing, setup.secretRing};
}

std::vector<std::string> editorSettingsLines(const SetupValues& setup, const EditorWindowValues& window) {
    auto lines = fileModuleSettingsLines(setup);
    lines.push_back(formatInteger(window.top));
    lines.push_back(formatInteger(window.left));
    lines.push_back(formatInteger(window.width));
    lines.push_back(formatInteger(window.height));
    lines.push_back(setup.barLeft ? "left" : "right");
    lines.push_back(setup.storePassPhrase ? "store" : "nostore");
    lines.push_back(window.fontName);
    lines.push_back(formatInteger(window.fontSize));
    lines.push_back(formatInteger(window.fontColor));
    lines.push_back(formatInteger(window.backgroundColor));
    return lines;
}

bool isSystemColor(std::int32_t value) {
    return (static_cast<std::uint32_t>(value) & 0x80000000u) != 0;
}

std::uint32_t resolveColor(std::int32_t value, const std::function<std::uint32_t(int)>& systemColor) {
    auto bits = static_cast<std::uint32_t>(value);
    if (isSystemColor(value)) return systemColor(static_cast<int>(bits & 0xFFu));
    return bits & 0x00FFFFFFu;
}

} // namespace mw
