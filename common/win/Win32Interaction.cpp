// Message boxes and the open dialog through user32 and comdlg32.
#include "win/Win32Interaction.h"
#include "win/Application.h"
#include "win/ControlViews.h"
#include "win/InputBox.h"
#include "win/Win32Util.h"
#include "win/Win32Printer.h"
#include "win/Window.h"
#include <commdlg.h>
#include <dlgs.h>
#include <string>
#include <windows.h>

namespace mw {

namespace {

UINT iconFlags(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::Information:
        return MB_ICONINFORMATION;
    case BoxIcon::Error:
        return MB_ICONERROR;
    case BoxIcon::Warning:
        return MB_ICONWARNING;
    case BoxIcon::Question:
        return MB_ICONQUESTION;
    case BoxIcon::None:
        break;
    }
    return 0;
}

// Its presence alone makes the dialog the old style, as the setup dialog asks for.
UINT_PTR CALLBACK oldStyleHook(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

// A Yes/No message box ignores Escape and greys its close box. The question box answers No to
// both: while it is open, a hook on this thread takes the box's window as it is activated and
// turns Cancel (Escape) and closing into No.
struct QuestionBox {
    HHOOK hook = nullptr;
    HWND box = nullptr;
};
thread_local QuestionBox* t_question = nullptr;

LRESULT questionBoxMessage(void*, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const bool cancel = (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || msg == WM_CLOSE ||
                        (msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE);
    if (cancel) {
        EndDialog(hwnd, IDNO);
        return 0;
    }
    return callNextProc(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK questionHook(int code, WPARAM wParam, LPARAM lParam) {
    QuestionBox* q = t_question;
    if (code == HCBT_ACTIVATE && q && !q->box) {
        HWND hwnd = reinterpret_cast<HWND>(wParam);
        char name[16] = {};
        GetClassNameA(hwnd, name, sizeof name);
        if (std::string(name) == "#32770") {
            q->box = hwnd;
            installSubclass(hwnd, &questionBoxMessage, nullptr);
            EnableMenuItem(GetSystemMenu(hwnd, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_ENABLED);
        }
    }
    return CallNextHookEx(q ? q->hook : nullptr, code, wParam, lParam);
}

// The hook of one question, for as long as its box is open.
class QuestionScope {
public:
    QuestionScope() : outer_(t_question) {
        t_question = &box_;
        box_.hook = SetWindowsHookExA(WH_CBT, questionHook, nullptr, GetCurrentThreadId());
    }
    ~QuestionScope() {
        if (box_.hook) UnhookWindowsHookEx(box_.hook);
        t_question = outer_;
    }
    QuestionScope(const QuestionScope&) = delete;
    QuestionScope& operator=(const QuestionScope&) = delete;

private:
    QuestionBox box_;
    QuestionBox* outer_;
};

} // namespace

HWND Win32Interaction::ownerWindow() const {
    HWND active = GetActiveWindow();
    return active ? active : app_.mainWindow();
}

void Win32Interaction::message(const std::string& caption, const std::string& text, BoxIcon icon) {
    MessageBoxA(ownerWindow(), text.c_str(), caption.c_str(), MB_OK | iconFlags(icon));
}

bool Win32Interaction::question(const std::string& caption, const std::string& text, BoxIcon icon) {
    return yesNoBox(caption, text, icon) == IDYES;
}

int Win32Interaction::yesNoBox(const std::string& caption, const std::string& text, BoxIcon icon) {
    QuestionScope scope;
    return MessageBoxA(ownerWindow(), text.c_str(), caption.c_str(),
                       MB_YESNO | MB_DEFBUTTON1 | iconFlags(icon));
}

namespace {

// The open and save dialogs share everything but the call.
std::optional<std::string> runFileDialog(HWND owner, const FileDialogRequest& request, bool save) {
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
    ofn.hwndOwner = owner;
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
    if (request.several) ofn.Flags |= OFN_ALLOWMULTISELECT;
    if (request.oldStyle) {
        ofn.Flags |= OFN_ENABLEHOOK;
        ofn.lpfnHook = oldStyleHook;
    } else {
        ofn.Flags |= OFN_EXPLORER;
    }
    if (!(save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn))) return std::nullopt;
    if (request.several) return std::string(file.data(), file.find(std::string(2, '\0')) + 1);
    std::string chosen(file.c_str());
    if (request.shortNames) {
        // Newer systems ignore the short-names flag; convert the answer ourselves.
        std::string shortName = shortPathName(chosen);
        if (!shortName.empty()) chosen = shortName;
    }
    return chosen;
}

constexpr int kApplyButton = psh3; // the font dialog's Apply
const char* const kApplyProp = "MurkwellFontApply";

FontChoice choiceFrom(const LOGFONTA& lf, COLORREF color, int pointSize) {
    FontChoice c;
    c.name = lf.lfFaceName;
    c.sizePoints = pointSize;
    c.color = color;
    c.bold = lf.lfWeight >= FW_BOLD;
    c.italic = lf.lfItalic != 0;
    c.underline = lf.lfUnderline != 0;
    c.strikeOut = lf.lfStrikeOut != 0;
    return c;
}

int pointsFromHeight(LONG height) {
    return MulDiv(height < 0 ? -height : height, 72, screenDpi());
}

// What the font dialog's hook reaches: the caller's Apply and the application whose error box shows
// what it throws.
struct FontApply {
    const std::function<void(const FontChoice&)>& onApply;
    Application& app;
};

// Hands every press of Apply to the caller with the font the dialog shows at that moment.
UINT_PTR CALLBACK fontHook(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        auto* cf = reinterpret_cast<CHOOSEFONTA*>(lParam);
        SetPropA(dlg, kApplyProp, reinterpret_cast<HANDLE>(cf->lCustData));
    } else if (msg == WM_COMMAND && LOWORD(wParam) == kApplyButton) {
        auto* apply = reinterpret_cast<const FontApply*>(GetPropA(dlg, kApplyProp));
        if (apply && apply->onApply) {
            LOGFONTA lf{};
            SendMessageA(dlg, WM_CHOOSEFONT_GETLOGFONT, 0, reinterpret_cast<LPARAM>(&lf));
            // The colour box of the dialog holds the chosen colour as its item data.
            COLORREF color = 0;
            if (HWND colorBox = GetDlgItem(dlg, cmb4)) {
                const ComboBox colors(colorBox);
                if (const int chosen = colors.selected(); chosen >= 0)
                    color = static_cast<COLORREF>(colors.data(chosen));
            }
            apply->app.runHandler(
                [&] { apply->onApply(choiceFrom(lf, color, pointsFromHeight(lf.lfHeight))); });
        }
        return 1;
    } else if (msg == WM_DESTROY) {
        RemovePropA(dlg, kApplyProp);
    }
    return 0;
}

} // namespace

std::optional<std::string> Win32Interaction::input(const std::string& title, const std::string& prompt,
                                                   const std::string& preset) {
    InputBox box(app_, title, prompt, preset);
    return box.ask();
}

std::optional<std::string> Win32Interaction::openFile(const FileDialogRequest& request) {
    return runFileDialog(ownerWindow(), request, false);
}

std::vector<std::string> Win32Interaction::openFiles(const FileDialogRequest& request) {
    FileDialogRequest several = request;
    several.several = true;
    auto chosen = runFileDialog(ownerWindow(), several, false);
    std::vector<std::string> files;
    if (!chosen) return files;
    // One file: its path. Several: the directory, then each name, every part ended by a null.
    std::vector<std::string> parts;
    for (std::size_t start = 0; start < chosen->size();) {
        const std::size_t end = chosen->find('\0', start);
        if (end == start || end == std::string::npos) break;
        parts.push_back(chosen->substr(start, end - start));
        start = end + 1;
    }
    if (parts.size() == 1) return parts;
    for (std::size_t i = 1; i < parts.size(); ++i)
        files.push_back(parts[0] + (parts[0].ends_with('\\') ? "" : "\\") + parts[i]);
    return files;
}

std::optional<std::string> Win32Interaction::saveFile(const FileDialogRequest& request) {
    return runFileDialog(ownerWindow(), request, true);
}

std::optional<FontChoice>
Win32Interaction::chooseFont(const FontChoice& initial,
                             const std::function<void(const FontChoice&)>& onApply) {
    const int dpi = screenDpi();
    LOGFONTA lf{};
    lstrcpynA(lf.lfFaceName, initial.name.c_str(), LF_FACESIZE);
    lf.lfHeight = -MulDiv(initial.sizePoints, dpi, 72);
    lf.lfWeight = initial.bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = initial.italic;
    lf.lfUnderline = initial.underline;
    lf.lfStrikeOut = initial.strikeOut;
    lf.lfCharSet = DEFAULT_CHARSET;
    CHOOSEFONTA cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = ownerWindow();
    cf.lpLogFont = &lf;
    cf.rgbColors = initial.color;
    cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT | CF_APPLY | CF_ENABLEHOOK;
    cf.lpfnHook = fontHook;
    const FontApply apply{onApply, app_};
    cf.lCustData = reinterpret_cast<LPARAM>(&apply);
    if (!ChooseFontA(&cf)) return std::nullopt;
    return choiceFrom(lf, cf.rgbColors, cf.iPointSize / 10);
}

std::optional<std::uint32_t> Win32Interaction::chooseColor(std::uint32_t initial) {
    static COLORREF custom[16] = {};
    CHOOSECOLORA cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = ownerWindow();
    cc.rgbResult = initial;
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT | CC_PREVENTFULLOPEN;
    if (!ChooseColorA(&cc)) return std::nullopt;
    return cc.rgbResult;
}

std::unique_ptr<Printer> Win32Interaction::choosePrinter() {
    PRINTDLGA pd{};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = ownerWindow();
    pd.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS | PD_USEDEVMODECOPIESANDCOLLATE;
    // Without a printer the dialog reports that itself and returns as if cancelled.
    const BOOL chosen = PrintDlgA(&pd);
    if (pd.hDevMode) GlobalFree(pd.hDevMode);
    if (pd.hDevNames) GlobalFree(pd.hDevNames);
    if (!chosen || !pd.hDC) {
        if (pd.hDC) DeleteDC(pd.hDC);
        return nullptr;
    }
    return std::make_unique<Win32Printer>(pd.hDC);
}

} // namespace mw
