// Interaction for tests: records every box and answers from a script.
#pragma once
#include "Interaction.h"
#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

namespace mwtest {

struct ShownBox {
    std::string caption;
    std::string text;
    mw::BoxIcon icon;
    bool isQuestion;
};

class ScriptedInteraction : public mw::Interaction {
public:
    std::vector<ShownBox> shown;
    std::deque<bool> answers;                           // for question()
    std::deque<std::optional<std::string>> openResults; // for openFile()
    std::vector<mw::FileDialogRequest> openRequests;

    void message(const std::string& caption, const std::string& text, mw::BoxIcon icon) override {
        shown.push_back({caption, text, icon, false});
    }
    bool question(const std::string& caption, const std::string& text, mw::BoxIcon icon) override {
        shown.push_back({caption, text, icon, true});
        if (answers.empty()) throw std::logic_error("unexpected question: " + text);
        bool a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<std::string> openFile(const mw::FileDialogRequest& request) override {
        openRequests.push_back(request);
        if (openResults.empty()) throw std::logic_error("unexpected file dialog: " + request.title);
        auto r = openResults.front();
        openResults.pop_front();
        return r;
    }
};

} // namespace mwtest
