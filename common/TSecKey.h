// Secret-key selection dialog "SecKey".
#pragma once
#include "Window.h"

namespace mw {

class TSecKey : public Form {
public:
    enum : int { IdButton1 = 301 };
    TSecKey();

protected:
    bool onCommand(int id, int code, HWND control) override;
};

} // namespace mw
