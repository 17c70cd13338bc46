// Interaction for tests: records every box and answers from a script.
#pragma once
#include "core/Interaction.h"
#include "core/PrintLayout.h"
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
    std::deque<std::optional<std::string>> inputResults; // for input()
    std::vector<std::string> inputPrompts;               // "title|prompt|preset"
    std::deque<std::optional<std::string>> saveResults;  // for saveFile()
    std::vector<mw::FileDialogRequest> saveRequests;
    std::deque<std::optional<mw::FontChoice>> fontResults;
    std::vector<mw::FontChoice> fontInitials;
    // For each showing of the font dialog, the fonts for which Apply is pressed before it closes.
    std::deque<std::vector<mw::FontChoice>> fontApplies;
    std::deque<std::optional<std::uint32_t>> colorResults;
    std::vector<std::uint32_t> colorInitials;
    std::deque<std::unique_ptr<mw::Printer>> printers; // null: cancelled
    int printDialogs = 0;

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
    std::optional<std::string> input(const std::string& title, const std::string& prompt,
                                     const std::string& preset) override {
        inputPrompts.push_back(title + "|" + prompt + "|" + preset);
        return next(inputResults, "input box: " + title);
    }
    std::optional<std::string> saveFile(const mw::FileDialogRequest& request) override {
        saveRequests.push_back(request);
        return next(saveResults, "save dialog: " + request.title);
    }
    std::optional<mw::FontChoice>
    chooseFont(const mw::FontChoice& initial,
               const std::function<void(const mw::FontChoice&)>& onApply) override {
        fontInitials.push_back(initial);
        if (!fontApplies.empty()) {
            for (const auto& font : fontApplies.front())
                onApply(font);
            fontApplies.pop_front();
        }
        return next(fontResults, "font dialog");
    }
    std::optional<std::uint32_t> chooseColor(std::uint32_t initial) override {
        colorInitials.push_back(initial);
        return next(colorResults, "colour dialog");
    }
    std::unique_ptr<mw::Printer> choosePrinter() override {
        ++printDialogs;
        if (printers.empty()) throw std::logic_error("unexpected print dialog");
        auto p = std::move(printers.front());
        printers.pop_front();
        return p;
    }

    template <typename T> static T next(std::deque<T>& script, const std::string& what) {
        if (script.empty()) throw std::logic_error("unexpected " + what);
        T r = script.front();
        script.pop_front();
        return r;
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
