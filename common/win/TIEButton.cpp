// Painting and pointer handling of the image button.
#include "win/TIEButton.h"
#include "win/Application.h"
#include "win/Glyphs.h"
#include "core/SettingsFile.h"
#include <windowsx.h>

namespace mw {

namespace {

constexpr const char* kClassName = "TIEButton";

COLORREF resolve(std::int32_t color) {
    return resolveColor(color, [](int index) { return static_cast<std::uint32_t>(GetSysColor(index)); });
}

// DIB pixels are 0x00RRGGBB; COLORREF is 0x00BBGGRR.
std::uint32_t toPixel(COLORREF c) {
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

// The colour a child inherits from its parent: the parent class's background.
std::int32_t parentColor(HWND parent) {
    if (!parent) return colors::clWindow;
    auto brush = static_cast<LONG_PTR>(GetClassLongPtrA(parent, GCLP_HBRBACKGROUND));
    if (brush > 0 && brush <= COLOR_MENUBAR + 1) return static_cast<std::int32_t>(0x80000000u | (brush - 1));
    LOGBRUSH lb{};
    if (brush && GetObjectA(reinterpret_cast<HBRUSH>(brush), sizeof lb, &lb) && lb.lbStyle == BS_SOLID)
        return static_cast<std::int32_t>(lb.lbColor);
    return colors::clBtnFace;
}

void fillSolid(HDC dc, const RECT& r, COLORREF c) {
    UniqueBrush brush(CreateSolidBrush(c));
    FillRect(dc, &r, brush.get());
}

} // namespace

TIEButton::TIEButton(Application& app, HWND parent, int id) : dpi_(app.dpi()), color_(parentColor(parent)) {
    model_.setDpi(dpi_);
    registerClass(kClassName, nullptr, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
    createHandle(kClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0,
                 app.scale(ImageButtonModel::kInitialSize), app.scale(ImageButtonModel::kInitialSize), parent,
                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

TIEButton::~TIEButton() = default;

RECT TIEButton::clientRect() const {
    RECT r{};
    GetClientRect(handle(), &r);
    return r;
}

void TIEButton::repaint() {
    if (handle()) InvalidateRect(handle(), nullptr, FALSE);
}

void TIEButton::setBorderWidth(int value) {
    if (model_.setBorderWidth(value)) repaint();
}

void TIEButton::setButtonLayout(TButtonLayout value) {
    if (model_.setButtonLayout(value)) repaint();
}

void TIEButton::setCaption(const std::string& value) {
    // The window text is the caption; WM_SETTEXT keeps the two together and repaints.
    SetWindowTextA(handle(), value.c_str());
}

void TIEButton::setGlyph(HBITMAP bitmap) {
    glyph_.clear();
    model_.setGlyphSize(0, 0);
    BITMAP bm{};
    if (!bitmap || !GetObjectA(bitmap, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = bm.bmWidth;
    bi.bmiHeader.biHeight = -bm.bmHeight; // top row first
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<size_t>(bm.bmWidth) * static_cast<size_t>(bm.bmHeight));
    WindowDC screen(nullptr);
    int rows = GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(bm.bmHeight), pixels.data(), &bi,
                         DIB_RGB_COLORS);
    if (rows != bm.bmHeight) return;
    for (auto& p : pixels)
        p &= 0x00FFFFFFu;
    glyph_ = std::move(pixels);
    model_.setGlyphSize(bm.bmWidth, bm.bmHeight);
}

bool TIEButton::loadGlyph(const char* resourceName) {
    glyphName_ = resourceName;
    UniqueBitmap bitmap(glyphs::loadForDpi(resourceName, dpi_));
    setGlyph(bitmap.get());
    return static_cast<bool>(bitmap);
}

void TIEButton::setMargin(int value) {
    designMargin_ = value;
    if (model_.setMargin(MulDiv(value, dpi_, 96))) repaint();
}

void TIEButton::setNumGlyphs(int value) {
    if (model_.setNumGlyphs(value)) repaint();
}

void TIEButton::setTransparentColor(std::int32_t value) {
    if (model_.setTransparentColor(value)) repaint();
}

void TIEButton::setColor(std::int32_t value) {
    if (value == color_) return;
    color_ = value;
    repaint();
}

void TIEButton::setFont(const ButtonFont& value) {
    font_ = value;
    hfont_.reset();
    repaint();
}

void TIEButton::setEnabled(bool value) {
    if (model_.setEnabled(value)) repaint();
}

void TIEButton::setVisible(bool value) {
    ShowWindow(handle(), value ? SW_SHOWNA : SW_HIDE);
}

void TIEButton::setBounds(int x, int y, int width, int height) {
    auto scale = [this](int v) { return MulDiv(v, dpi_, 96); };
    SetWindowPos(handle(), nullptr, scale(x), scale(y), scale(x + width) - scale(x),
                 scale(y + height) - scale(y), SWP_NOZORDER | SWP_NOACTIVATE);
}

void TIEButton::drawFrame(HDC dc, ButtonFrame frame) {
    COLORREF top, bottom;
    switch (frame) {
    case ButtonFrame::Raised:
        top = GetSysColor(COLOR_BTNHIGHLIGHT);
        bottom = GetSysColor(COLOR_BTNSHADOW);
        break;
    case ButtonFrame::Sunken:
        top = GetSysColor(COLOR_BTNSHADOW);
        bottom = GetSysColor(COLOR_BTNHIGHLIGHT);
        break;
    case ButtonFrame::Flat:
        top = bottom = resolve(color_);
        break;
    case ButtonFrame::None:
    default:
        return;
    }
    const RECT client = clientRect();
    // Each ring: top and left edges in the top colour, right and bottom edges (with the corners
    // at top right and bottom left) in the bottom colour.
    for (const IntRect& r : model_.frameRings(client.right, client.bottom)) {
        fillSolid(dc, {r.left, r.top, r.right - 1, r.top + 1}, top);
        fillSolid(dc, {r.left, r.top, r.left + 1, r.bottom - 1}, top);
        fillSolid(dc, {r.right - 1, r.top, r.right, r.bottom}, bottom);
        fillSolid(dc, {r.left, r.bottom - 1, r.right, r.bottom}, bottom);
    }
}

void TIEButton::drawFrameNow(ButtonFrame frame) {
    if (frame == ButtonFrame::None) return;
    WindowDC dc(handle());
    if (dc.get()) drawFrame(dc.get(), frame);
}

void TIEButton::drawGlyph(HDC dc, const IntRect& dest) {
    const IntRect src = model_.sourceRect();
    const int sw = src.right - src.left, sh = src.bottom - src.top;
    const int gw = model_.glyphWidth();
    if (sw <= 0 || sh <= 0 || glyph_.empty()) return;
    const std::uint32_t transparent = toPixel(resolve(model_.transparentColor()));
    const std::uint32_t background = toPixel(resolve(color_));
    std::vector<std::uint32_t> cell(static_cast<size_t>(sw) * static_cast<size_t>(sh));
    for (int y = 0; y < sh; ++y) {
        for (int x = 0; x < sw; ++x) {
            std::uint32_t p =
                glyph_[static_cast<size_t>(src.top + y) * gw + static_cast<size_t>(src.left + x)];
            cell[static_cast<size_t>(y) * sw + static_cast<size_t>(x)] = p == transparent ? background : p;
        }
    }
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = sw;
    bi.bmiHeader.biHeight = -sh;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, 0, 0, sw, sh,
                  cell.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
}

void TIEButton::drawCaption(HDC dc, int width, int height) {
    if (!hfont_) {
        // Unsmoothed, so that the caption keeps exactly the colours it is drawn in, as the
        // embossed disabled look needs.
        hfont_.reset(createFont({.face = font_.name,
                                 .pixels = pointsToPixels(font_.size, dpi_),
                                 .bold = font_.bold,
                                 .italic = font_.italic,
                                 .underline = font_.underline,
                                 .strikeOut = font_.strikeOut,
                                 .pitchAndFamily = DEFAULT_PITCH | FF_DONTCARE,
                                 .quality = NONANTIALIASED_QUALITY}));
    }
    ScopedSelect font(dc, hfont_.get());
    SetBkMode(dc, TRANSPARENT);
    const std::string& text = model_.caption();
    SIZE extent{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    const IntPoint at = model_.captionOrigin(width, height, extent.cx, extent.cy);
    if (text.empty()) return;
    // TextOut draws "&" as itself: these captions have no access keys.
    if (model_.enabled()) {
        SetTextColor(dc, resolve(font_.color));
        TextOutA(dc, at.x, at.y, text.c_str(), static_cast<int>(text.size()));
    } else {
        SetTextColor(dc, RGB(255, 255, 255));
        TextOutA(dc, at.x + 1, at.y + 1, text.c_str(), static_cast<int>(text.size()));
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        TextOutA(dc, at.x, at.y, text.c_str(), static_cast<int>(text.size()));
    }
}

void TIEButton::paint(HDC dc) {
    const RECT client = clientRect();
    const int width = client.right, height = client.bottom;
    {
        UniqueBrush brush(CreateSolidBrush(resolve(color_)));
        UniquePen pen(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE)));
        ScopedSelect selectBrush(dc, brush.get());
        ScopedSelect selectPen(dc, pen.get());
        Rectangle(dc, 0, 0, width, height);
    }
    const IntRect dest = model_.glyphRect(width, height);
    drawFrame(dc, model_.paintFrame());
    drawGlyph(dc, dest);
    drawCaption(dc, width, height);
}

void TIEButton::pointerEnter() {
    if (!tracking_) {
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, handle(), 0};
        tracking_ = TrackMouseEvent(&tme) != FALSE;
    }
    PointerReaction r = model_.pointerEnter();
    if (r.repaint) repaint();
    drawFrameNow(r.frameNow);
}

void TIEButton::pointerLeave() {
    PointerReaction r = model_.pointerLeave();
    if (r.repaint) repaint();
    drawFrameNow(r.frameNow);
}

void TIEButton::onMouseMove(WPARAM keys, POINT pt) {
    // While a button is held the window has the capture and keeps seeing the pointer outside it,
    // so the hot flag follows the pointer's position, not just the leave notification.
    const RECT client = clientRect();
    const bool inside = PtInRect(&client, pt) != FALSE;
    if (inside && !model_.hot()) pointerEnter();
    if (!inside && model_.hot()) pointerLeave();
    if (OnMouseMove) OnMouseMove(keys, pt);
}

void TIEButton::onButtonDown(int button, WPARAM keys, POINT pt, bool doubleClick) {
    if (!model_.enabled()) return; // a disabled button takes no clicks
    drawFrameNow(model_.frameOnButtonDown());
    SetCapture(handle());
    if (button == VK_LBUTTON) leftPressed_ = !doubleClick;
    if (OnMouseDown) OnMouseDown(button, keys, pt);
    if (doubleClick && button == VK_LBUTTON && OnDblClick) OnDblClick();
}

void TIEButton::onButtonUp(int button, WPARAM keys, POINT pt) {
    const RECT client = clientRect();
    const bool click = button == VK_LBUTTON && leftPressed_ && PtInRect(&client, pt);
    if (button == VK_LBUTTON) leftPressed_ = false;
    if (GetCapture() == handle() && !(keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) ReleaseCapture();
    if (!model_.enabled()) return;
    drawFrameNow(model_.frameOnButtonUp());
    if (OnMouseUp) OnMouseUp(button, keys, pt);
    if (!click) return;
    // Last, because the handler may close the window that owns this button.
    const HWND self = handle();
    const HWND parent = GetParent(self);
    const int id = GetDlgCtrlID(self);
    if (OnClick) OnClick();
    if (IsWindow(self) && parent)
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(self));
}

LRESULT TIEButton::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (msg) {
    case WM_MW_DPICHANGED:
        // Its place and size come from the form; the picture, margin and caption font are its own.
        dpi_ = static_cast<int>(wParam);
        model_.setDpi(dpi_);
        hfont_.reset();
        if (!glyphName_.empty()) loadGlyph(std::string(glyphName_).c_str());
        setMargin(designMargin_);
        repaint();
        return 0;
    case WM_PRINTCLIENT:
        paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1; // the paint covers every pixel
    case WM_SETTEXT: {
        LRESULT r = defaultProc(msg, wParam, lParam);
        model_.setCaption(lParam ? reinterpret_cast<const char*>(lParam) : "");
        repaint();
        return r;
    }
    case WM_ENABLE:
        setEnabled(wParam != FALSE);
        return 0;
    case WM_MOUSEMOVE:
        onMouseMove(wParam, pt);
        return 0;
    case WM_MOUSELEAVE:
        tracking_ = false;
        if (GetCapture() != handle() && model_.hot()) pointerLeave();
        return 0;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != handle()) leftPressed_ = false;
        return 0;
    default:
        if (mouseButton(msg, wParam, pt)) return 0;
        break;
    }
    return Window::handleMessage(msg, wParam, lParam);
}

bool TIEButton::mouseButton(UINT msg, WPARAM keys, POINT pt) {
    // The three buttons' downs, double clicks and ups.
    static constexpr struct {
        UINT down, doubleClick, up;
        int button;
    } kButtons[] = {{WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONUP, VK_LBUTTON},
                    {WM_RBUTTONDOWN, WM_RBUTTONDBLCLK, WM_RBUTTONUP, VK_RBUTTON},
                    {WM_MBUTTONDOWN, WM_MBUTTONDBLCLK, WM_MBUTTONUP, VK_MBUTTON}};
    for (const auto& b : kButtons) {
        if (msg == b.down || msg == b.doubleClick) {
            onButtonDown(b.button, keys, pt, msg == b.doubleClick);
            return true;
        }
        if (msg == b.up) {
            onButtonUp(b.button, keys, pt);
            return true;
        }
    }
    return false;
}

} // namespace mw
