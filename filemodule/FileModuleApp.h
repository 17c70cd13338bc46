// The file module program: its windows, created once in start-up order.
#pragma once
#include "win/Context.h"
#include <memory>

namespace mw {
class TPGPSetup;
class TPubKey;
class TSecKey;
} // namespace mw

namespace filemodule {

class TForm1;
class TAboutBox;

class FileModuleApp {
public:
    // Sets the application title and creates every window, each given the file module's context.
    explicit FileModuleApp(mw::Application& application);
    ~FileModuleApp();
    int run();

    TForm1& form1() { return *form1_; }
    TAboutBox& about() { return *about_; }
    mw::TPGPSetup& setup() { return *setup_; }
    // Null while the main window is made, before the setup dialog exists.
    const mw::TPGPSetup* setupIfMade() const { return setup_.get(); }
    mw::TPubKey& pubKey() { return *pubKey_; }
    mw::TSecKey& secKey() { return *secKey_; }
    const mw::Context& context() const { return context_; }

private:
    mw::Context context_;
    std::unique_ptr<TForm1> form1_;
    std::unique_ptr<TAboutBox> about_;
    std::unique_ptr<mw::TPGPSetup> setup_;
    std::unique_ptr<mw::TPubKey> pubKey_;
    std::unique_ptr<mw::TSecKey> secKey_;
};

} // namespace filemodule
