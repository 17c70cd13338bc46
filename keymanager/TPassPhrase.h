// The key manager's pass-phrase box: a prompt, the pass phrase (typed twice for a new one), OK and
// Cancel. What was typed is read into wiped storage and the fields are overwritten when it closes.
#pragma once
#include "core/SecretText.h"
#include "win/Context.h"
#include "win/Window.h"
#include <optional>
#include <string>

namespace keymanager {

class TPassPhrase : public mw::Form {
public:
    enum : int { IdPrompt = 601, IdFirst, IdAgainLabel, IdAgain, IdOk, IdCancel };
    // Longest pass phrase the fields take.
    static constexpr std::size_t kLimit = 255;

    TPassPhrase(const mw::Context& context, const std::string& prompt, bool twice);
    ~TPassPhrase() override;
    // Shows the box until a pass phrase is given that pgp.exe can be handed (in the console's code
    // page, without a line break; both the same when typed twice), or the box is cancelled.
    std::optional<mw::SecretString> ask();

protected:
    bool onCommand(int id, int code, HWND control) override;
    void FormShow() override;

private:
    // The pass phrase as pgp.exe reads it, or nullopt after saying why it cannot be taken.
    std::optional<mw::SecretString> taken();
    void wipeFields();

    const mw::Context& context_;
    bool twice_;
    std::optional<mw::SecretString> result_;
};

} // namespace keymanager
