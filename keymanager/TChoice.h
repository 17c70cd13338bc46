// A box that asks for one of a few answers: a prompt, a radio button per answer, OK and Cancel.
#pragma once
#include "win/Window.h"
#include <optional>
#include <string>
#include <vector>

namespace keymanager {

class TChoice : public mw::Form {
public:
    enum : int { IdPrompt = 701, IdOk, IdCancel, IdFirstOption };
    TChoice(mw::Application& application, const std::string& caption, const std::string& prompt,
            const std::vector<std::string>& options, int preset);
    // The chosen answer's index; nullopt when the box was cancelled or closed.
    std::optional<int> ask();

protected:
    bool onCommand(int id, int code, HWND control) override;
    void FormShow() override;

private:
    int count_;
    int preset_;
    std::optional<int> result_;
};

} // namespace keymanager
