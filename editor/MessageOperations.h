// The six message operations: each a job of the runner with the editor's values, its dialogs,
// the text saved as input and PGP's output picked up into the text.
#pragma once
#include "core/CommandLines.h"
#include "core/SecretText.h"
#include <functional>
#include <optional>
#include <string>

namespace editor {

class EditorApp;

// The stored pass phrase as Decrypt needs it.
struct StoredPassPhrase {
    std::function<bool()> empty;
    std::function<void()> ask;                              // the dialog in which the user enters it
    std::function<std::optional<mw::SecretString>()> value; // nullopt: it cannot be passed on
};

class MessageOperations {
public:
    MessageOperations(EditorApp& app, StoredPassPhrase passPhrase);

    void encrypt() { run(mw::EditorOperation::Encrypt); }
    void decrypt() { run(mw::EditorOperation::Decrypt); }
    void sign() { run(mw::EditorOperation::Sign); }
    void signAndEncrypt() { run(mw::EditorOperation::SignEncrypt); }
    void encryptIdea() { run(mw::EditorOperation::EncryptIdea); }
    // Paste Message, then Decrypt.
    void pasteAndDecrypt();

    void run(mw::EditorOperation operation);

private:
    EditorApp& app_;
    StoredPassPhrase passPhrase_;
};

} // namespace editor
