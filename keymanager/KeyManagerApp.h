// The key manager program: its main window and the setup dialog that keeps PGP's paths.
#pragma once
#include "win/Context.h"
#include <memory>

namespace mw {
class TPGPSetup;
} // namespace mw

namespace keymanager {

class TForm1;

class KeyManagerApp {
public:
    explicit KeyManagerApp(mw::Application& application);
    ~KeyManagerApp();
    // Shows the window, lists the keys and runs the program.
    int run();

    TForm1& form1() { return *form1_; }
    mw::TPGPSetup& setup() { return *setup_; }
    const mw::Context& context() const { return context_; }

private:
    mw::Context context_;
    std::unique_ptr<TForm1> form1_;
    std::unique_ptr<mw::TPGPSetup> setup_;
};

} // namespace keymanager
