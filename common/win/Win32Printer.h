// A printer's device context as the print layout's surface: measuring, drawing and pages.
#pragma once
#include "core/PrintLayout.h"
#include "win/Win32Util.h"

namespace mw {

class Win32Printer : public Printer {
public:
    // Takes ownership of the printer's device context.
    explicit Win32Printer(HDC dc);
    ~Win32Printer() override;
    Win32Printer(const Win32Printer&) = delete;
    Win32Printer& operator=(const Win32Printer&) = delete;

    void startDocument(const std::string& name, const FontChoice& font) override;
    void endDocument() override;
    void abortDocument() override;

    int pageWidth() override;
    int pageHeight() override;
    int averageCharWidth() override;
    int fontHeight() override;
    int textWidth(std::string_view text) override;
    int textHeight(std::string_view text) override;
    std::size_t fitCount(std::string_view text, int width) override;
    void drawText(int x, int y, std::string_view text) override;
    void newPage() override;

private:
    void prepareDC();
    SIZE extent(std::string_view text);

    HDC dc_;
    UniqueFont font_;
    COLORREF color_ = 0;
    TEXTMETRICA metrics_{};
    bool started_ = false;
};

} // namespace mw
