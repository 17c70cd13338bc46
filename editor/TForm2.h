// Signature dialog "Signature": holds the text signature appended to encrypted and signed messages.
#pragma once
#include "win/BasicDialog.h"
#include <string>
#include <vector>

namespace editor {

class TForm2 : public mw::BasicDialog {
public:
    enum : int { IdMemo1 = 401 };
    TForm2();
    std::vector<std::string> lines() const;
    void setLines(const std::vector<std::string>& lines);
};

} // namespace editor
