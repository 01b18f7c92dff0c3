#pragma once
// A Prompter double for the formula and generator widget tests: records every message box
// and answers from a script.

#include <deque>
#include <string>
#include <vector>

#include "platform/prompter.h"

namespace kvx::functions::ui::testing {

class ScriptedPrompter : public platform::Prompter {
public:
    struct Call {
        std::string text;
        platform::Icon icon;
        platform::Buttons buttons;
    };

    std::vector<Call> calls;
    std::deque<platform::Answer> answers;  ///< consumed in order; Ok / No when empty

    platform::Answer ask(const std::string& text, platform::Icon icon, platform::Buttons buttons) override {
        calls.push_back({text, icon, buttons});
        if (!answers.empty()) {
            const platform::Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == platform::Buttons::Ok ? platform::Answer::Ok : platform::Answer::No;
    }
    std::optional<std::string> openFileName(const std::string&) override { return std::nullopt; }
    std::optional<std::string> saveFileName(const std::string&) override { return std::nullopt; }
    std::optional<std::uint32_t> chooseColour(std::uint32_t) override { return std::nullopt; }
};

}  // namespace kvx::functions::ui::testing
