// The editor program: its windows, created once in start-up order and kept for the whole run.
#pragma once
#include "editor/core/Companions.h"
#include "win/Context.h"
#include <memory>

namespace mw {
class TPGPSetup;
class TSecKey;
class TPubKey;
} // namespace mw

namespace editor {

class TForm1;
class TForm2;
class TForm3;
class TKey;
class TBox;

class EditorApp {
public:
    // Sets the application title and creates every window, each given the editor's context;
    // Platform and Interaction must be set on the Application before.
    explicit EditorApp(mw::Application& application);
    ~EditorApp();

    // Shows the main window (running its FormShow) and runs the message loop.
    int run();

    TForm1& form1() { return *form1_; }
    mw::TPGPSetup& setup() { return *setup_; }
    mw::TSecKey& secKey() { return *secKey_; }
    mw::TPubKey& pubKey() { return *pubKey_; }
    TForm2& signature() { return *form2_; }
    TForm3& authorKey() { return *form3_; }
    TKey& passPhrase() { return *key_; }
    TBox& about() { return *box_; }
    const mw::Context& context() const { return context_; }
    // The companion programs and help files as the settings stand now.
    Companions companions();

private:
    mw::Context context_;
    std::unique_ptr<TForm1> form1_;
    std::unique_ptr<mw::TPGPSetup> setup_;
    std::unique_ptr<mw::TSecKey> secKey_;
    std::unique_ptr<mw::TPubKey> pubKey_;
    std::unique_ptr<TForm2> form2_;
    std::unique_ptr<TForm3> form3_;
    std::unique_ptr<TKey> key_;
    std::unique_ptr<TBox> box_;
};

} // namespace editor
