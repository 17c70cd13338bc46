// Button bars from tables.
#include "win/ButtonBar.h"

namespace mw {

std::vector<std::unique_ptr<TIEButton>>
buildButtonBar(Application& app, HWND panel, const std::vector<BarButton>& buttons, const BarStyle& style) {
    std::vector<std::unique_ptr<TIEButton>> bar;
    int n = 0;
    for (const auto& b : buttons) {
        auto button = std::make_unique<TIEButton>(app, panel, b.command);
        button->Name = b.name;
        button->setBounds(style.left + style.stepX * n, style.top + style.stepY * n, style.width,
                          style.height);
        button->setButtonLayout(style.layout);
        button->setMargin(style.margin);
        button->setFont(style.font);
        button->setTransparentColor(b.purpleGlyph ? colors::clPurple : colors::clOlive);
        button->loadGlyph(b.glyph);
        button->setCaption(b.caption);
        bar.push_back(std::move(button));
        ++n;
    }
    return bar;
}

} // namespace mw
