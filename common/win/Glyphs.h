// Resource names of the button glyphs that scripts/make-glyphs.py draws into common/glyphs.
#pragma once
#include <windows.h>
#include <string>

namespace mw::glyphs {

// The resource of a glyph drawn for the screen's scale: "_150" and "_200" hold cells of one and a
// half and twice the size, for 144 and 192 DPI and above.
inline std::string forDpi(const char* name, int dpi) {
    return std::string(name) + (dpi >= 192 ? "_200" : dpi >= 144 ? "_150" : "");
}

// The glyph drawn for `dpi`, else the 100% one where the program has none; null when neither is
// there. `percent` gets the scale it was drawn for.
inline HBITMAP loadForDpi(const char* name, int dpi, int* percent = nullptr) {
    auto load = [](const std::string& resource) {
        return static_cast<HBITMAP>(
            LoadImageA(GetModuleHandleA(nullptr), resource.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    };
    HBITMAP bitmap = load(forDpi(name, dpi));
    if (percent) *percent = bitmap ? (dpi >= 192 ? 200 : dpi >= 144 ? 150 : 100) : 100;
    return bitmap ? bitmap : load(name);
}

// Cells of 16 x 16 at 100%, hot image first; Exit has cells of 18 x 18.
constexpr const char* Encrypt = "GLYPH_ENCRYPT";
constexpr const char* Decrypt = "GLYPH_DECRYPT";
constexpr const char* Sign = "GLYPH_SIGN"; // purple background
constexpr const char* SignEncrypt = "GLYPH_SIGN_ENCRYPT";
constexpr const char* EncryptIdea = "GLYPH_ENCRYPT_IDEA";
constexpr const char* PasteDecrypt = "GLYPH_PASTE_DECRYPT";
constexpr const char* PasteMessage = "GLYPH_PASTE_MESSAGE";
constexpr const char* CutMessage = "GLYPH_CUT_MESSAGE";
constexpr const char* CopyMessage = "GLYPH_COPY_MESSAGE";
constexpr const char* Clear = "GLYPH_CLEAR"; // purple background
constexpr const char* Quote = "GLYPH_QUOTE";
constexpr const char* Exit = "GLYPH_EXIT";
constexpr const char* SignDetached = "GLYPH_SIGN_DETACHED"; // purple background
constexpr const char* Ok = "GLYPH_OK";

} // namespace mw::glyphs
