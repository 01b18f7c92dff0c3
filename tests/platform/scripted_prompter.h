#pragma once
// A Prompter for tests: every message box and file dialog is answered from a script, and
// every question is recorded with its text, icon and buttons. An unscripted prompt fails
// the running test and answers Cancel / nothing.

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/prompter.h"

namespace kvx::testing {

class ScriptedPrompter : public platform::Prompter {
public:
    struct Question {
        std::string text;
        platform::Icon icon;
        platform::Buttons buttons;
    };
    enum class Dialog { Open, Save, Colour, OpenWithFilter, OpenOther, SaveOther };
    struct DialogCall {
        Dialog kind;
        std::string directory;
        std::string filter;      ///< the filter asked for (dialogs for other files)
        int selectedFilter = 0;  ///< OpenWithFilter: the entry chosen at first
    };

    /// The next message box gets this answer.
    void answer(platform::Answer a) { answers_.push_back(a); }
    /// The next open or save dialog (with the test filter or another) returns this path
    /// (nullopt: the user cancels).
    void pickFile(std::optional<std::string> path) { files_.push_back(std::move(path)); }
    /// The next dialog that takes several files returns these.
    void pickFiles(const std::vector<std::string>& paths) {
        std::string lines;
        for (const auto& p : paths) lines += p + "\n";
        files_.push_back(lines);
    }
    /// The next colour chooser returns this colour (nullopt: cancelled).
    void pickColour(std::optional<std::uint32_t> colour) { colours_.push_back(colour); }

    platform::Answer ask(const std::string& text, platform::Icon icon, platform::Buttons buttons) override {
        questions.push_back({text, icon, buttons});
        if (buttons == platform::Buttons::Ok) {
            if (!answers_.empty() && answers_.front() == platform::Answer::Ok) answers_.pop_front();
            return platform::Answer::Ok;  // an OK box needs no script
        }
        if (answers_.empty()) {
            ADD_FAILURE() << "unscripted question: " << text;
            return platform::Answer::Cancel;
        }
        const auto a = answers_.front();
        answers_.pop_front();
        return a;
    }
    std::optional<std::string> openFileName(const std::string& directory) override {
        dialogs.push_back({Dialog::Open, directory, {}, 0});
        return nextFile();
    }
    std::optional<std::string> saveFileName(const std::string& directory) override {
        dialogs.push_back({Dialog::Save, directory, {}, 0});
        return nextFile();
    }
    std::optional<std::string> openFileWithFilter(const std::string& directory, const std::string& filter,
                                                  int selectedFilter) override {
        dialogs.push_back({Dialog::OpenWithFilter, directory, filter, selectedFilter});
        return nextFile();
    }
    std::optional<std::string> openOtherFileName(const std::string& directory, const std::string& filter) override {
        dialogs.push_back({Dialog::OpenOther, directory, filter, 0});
        return nextFile();
    }
    std::vector<std::string> openOtherFileNames(const std::string& directory, const std::string& filter) override {
        dialogs.push_back({Dialog::OpenOther, directory, filter, 0});
        std::vector<std::string> out;
        std::istringstream picked(nextFile().value_or(""));
        for (std::string f; std::getline(picked, f);) out.push_back(f);
        return out;
    }
    std::optional<std::string> saveOtherFileName(const std::string& directory, const std::string& filter,
                                                 const std::string&) override {
        dialogs.push_back({Dialog::SaveOther, directory, filter, 0});
        return nextFile();
    }
    std::optional<std::uint32_t> chooseColour(std::uint32_t initial) override {
        dialogs.push_back({Dialog::Colour, std::to_string(initial), {}, 0});
        if (colours_.empty()) {
            ADD_FAILURE() << "unscripted colour chooser";
            return std::nullopt;
        }
        auto c = colours_.front();
        colours_.pop_front();
        return c;
    }

    /// Texts of the error boxes shown, in order.
    std::vector<std::string> errors() const {
        std::vector<std::string> out;
        for (const auto& q : questions)
            if (q.icon == platform::Icon::Error) out.push_back(q.text);
        return out;
    }
    /// True when every scripted answer was used.
    bool scriptUsed() const { return answers_.empty() && files_.empty() && colours_.empty(); }

    std::vector<Question> questions;
    std::vector<DialogCall> dialogs;

private:
    std::optional<std::string> nextFile() {
        if (files_.empty()) {
            ADD_FAILURE() << "unscripted file dialog";
            return std::nullopt;
        }
        auto f = files_.front();
        files_.pop_front();
        return f;
    }

    std::deque<platform::Answer> answers_;
    std::deque<std::optional<std::string>> files_;
    std::deque<std::optional<std::uint32_t>> colours_;
};

}  // namespace kvx::testing
