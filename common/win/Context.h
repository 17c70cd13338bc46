// What the windows of one program reach outside themselves, handed to each at construction
// rather than looked up: the program's profile and the process-wide application (the seams to
// the system and to the user, the message pump, the scale, the error box and the test hooks).
#pragma once
#include "core/ProgramProfile.h"
#include "win/Application.h"
#include <string>

namespace mw {

class Context {
public:
    Context(const ProgramProfile& profile, Application& application) : profile_(profile), app_(application) {}

    const ProgramProfile& profile() const { return profile_; }
    Application& application() const { return app_; }
    Platform& platform() const { return app_.platform(); }
    Interaction& interaction() const { return app_.interaction(); }

    // A user message in the program's own kind of box.
    void tell(const std::string& text) const {
        app_.interaction().message(profile_.boxCaption, text, profile_.boxIcon);
    }

private:
    const ProgramProfile& profile_;
    Application& app_;
};

} // namespace mw
