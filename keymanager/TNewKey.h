// The new-key box: name, e-mail address and comment (the user ID is made of them), the key type
// and when it expires. The pass phrase is asked for after it, in the pass-phrase box.
#pragma once
#include "keymanager/core/KeyJobs.h"
#include "win/Window.h"
#include <optional>
#include <string>

namespace keymanager {

struct NewKeyRequest {
    std::string userId; // UTF-8: "Name (comment) <e-mail>"
    NewKeyKind kind = NewKeyKind::Modern;
    int expireDays = 0; // 0: never
};

// The user ID made of the three fields as PGP users write it; empty parts are left out.
std::string makeUserId(const std::string& name, const std::string& email, const std::string& comment);

class TNewKey : public mw::Form {
public:
    enum : int {
        IdNameLabel = 801,
        IdName,
        IdEmailLabel,
        IdEmail,
        IdCommentLabel,
        IdComment,
        IdKindLabel,
        IdKind,
        IdExpiryLabel,
        IdExpiry,
        IdOk,
        IdCancel
    };
    explicit TNewKey(mw::Application& application);
    // What was asked for; nullopt when the box was cancelled.
    std::optional<NewKeyRequest> ask();

protected:
    bool onCommand(int id, int code, HWND control) override;
    void FormShow() override;

private:
    std::optional<NewKeyRequest> result_;
};

} // namespace keymanager
