#pragma once
// A Prompter double for the formula and generator widget tests: records every message box
// and answers from a script.

#include <deque>
#include <string>
#include <vector>

#include "app/prompter.h"

namespace kvx::functions::ui::testing {

class ScriptedPrompter : public app::Prompter {
public:
    struct Call {
        std::string text;
        app::Icon icon;
        app::Buttons buttons;
    };

    std::vector<Call> calls;
    std::deque<app::Answer> answers;  ///< consumed in order; Ok / No when empty

    app::Answer ask(const std::string& text, app::Icon icon, app::Buttons buttons) override {
        calls.push_back({text, icon, buttons});
        if (!answers.empty()) {
            const app::Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == app::Buttons::Ok ? app::Answer::Ok : app::Answer::No;
    }
    std::optional<std::string> openFileName(const std::string&) override { return std::nullopt; }
    std::optional<std::string> saveFileName(const std::string&) override { return std::nullopt; }
    std::optional<std::uint32_t> chooseColour(std::uint32_t) override { return std::nullopt; }
};

}  // namespace kvx::functions::ui::testing
