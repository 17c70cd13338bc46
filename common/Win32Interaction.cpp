// Message boxes and the open dialog through user32 and comdlg32.
#include "Win32Interaction.h"
#include "Application.h"
#include <commdlg.h>
#include <windows.h>

namespace mw {

namespace {

UINT iconFlags(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::Information: return MB_ICONINFORMATION;
    case BoxIcon::Error: return MB_ICONERROR;
    case BoxIcon::Warning: return MB_ICONWARNING;
    case BoxIcon::Question: return MB_ICONQUESTION;
    case BoxIcon::None: break;
    }
    return 0;
}

HWND ownerWindow() {
    HWND active = GetActiveWindow();
    return active ? active : Application::instance().mainWindow();
}

// Its presence alone makes the dialog the old style, as the setup dialog asks for.
UINT_PTR CALLBACK oldStyleHook(HWND, UINT, WPARAM, LPARAM) { return 0; }

} // namespace

void Win32Interaction::message(const std::string& caption, const std::string& text, BoxIcon icon) {
    MessageBoxA(ownerWindow(), text.c_str(), caption.c_str(), MB_OK | iconFlags(icon));
}

bool Win32Interaction::question(const std::string& caption, const std::string& text, BoxIcon icon) {
    return MessageBoxA(ownerWindow(), text.c_str(), caption.c_str(), MB_YESNO | MB_DEFBUTTON1 | iconFlags(icon)) ==
           IDYES;
}

std::optional<std::string> Win32Interaction::openFile(const FileDialogRequest& request) {
    std::string filter;
    for (const auto& [name, pattern] : request.filters) {
        filter += name;
        filter.push_back('\0');
        filter += pattern;
        filter.push_back('\0');
    }
    filter.push_back('\0');
    std::string file(32768, '\0');
    file.replace(0, request.fileName.size(), request.fileName);

    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = ownerWindow();
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = request.initialDirectory.empty() ? nullptr : request.initialDirectory.c_str();
    ofn.lpstrTitle = request.title.empty() ? nullptr : request.title.c_str();
    ofn.lpstrDefExt = request.defaultExtension.empty() ? nullptr : request.defaultExtension.c_str();
    if (request.pathMustExist) ofn.Flags |= OFN_PATHMUSTEXIST;
    if (request.fileMustExist) ofn.Flags |= OFN_FILEMUSTEXIST;
    if (request.hideReadOnly) ofn.Flags |= OFN_HIDEREADONLY;
    if (request.overwritePrompt) ofn.Flags |= OFN_OVERWRITEPROMPT;
    if (request.shortNames) ofn.Flags |= OFN_NOLONGNAMES;
    if (request.oldStyle) {
        ofn.Flags |= OFN_ENABLEHOOK;
        ofn.lpfnHook = oldStyleHook;
    } else {
        ofn.Flags |= OFN_EXPLORER;
    }
    if (!GetOpenFileNameA(&ofn)) return std::nullopt;
    std::string chosen(file.c_str());
    if (request.shortNames) {
        // Newer systems ignore the short-names flag; convert the answer ourselves.
        char shortName[MAX_PATH * 2];
        DWORD n = GetShortPathNameA(chosen.c_str(), shortName, sizeof shortName);
        if (n > 0 && n < sizeof shortName) chosen.assign(shortName, n);
    }
    return chosen;
}

} // namespace mw
