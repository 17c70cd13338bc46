// Public-key selection dialog "Available Public Keys".
#pragma once
#include "Window.h"

namespace mw {

class TPubKey : public Form {
public:
    enum : int { IdButton1 = 201 };
    TPubKey();

protected:
    bool onCommand(int id, int code, HWND control) override;
};

} // namespace mw
