#pragma once
// Every message box and file dialog of the program goes through a Prompter, so that
// commands can be run with a scripted double in tests. Captions are always the program title.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kvx::platform {

inline constexpr const char* kApplicationTitle = "Редактор KVX";
/// Filter of the test file dialogs and their default extension.
inline constexpr const char* kTestFileFilter = "AllTest|*.kvx;*.rsq|KVX|*.kvx|RSQ|*.rsq";
inline constexpr const char* kTestFileExtension = "kvx";

enum class Icon { None, Error, Warning, Question, Information };
enum class Buttons { Ok, YesNo, YesNoCancel };
enum class Answer { Ok, Yes, No, Cancel };

class Prompter {
public:
    virtual ~Prompter() = default;
    /// A modal message box with the program title as caption.
    virtual Answer ask(const std::string& text, Icon icon, Buttons buttons) = 0;
    /// Shorthand for an error box with OK.
    void error(const std::string& text) { ask(text, Icon::Error, Buttons::Ok); }
    /// The open-file dialog with the test-file filter; nullopt when cancelled.
    virtual std::optional<std::string> openFileName(const std::string& directory) = 0;
    /// The save-file dialog with the test-file filter and default extension; nullopt when cancelled.
    /// It does not ask about replacing: the save command asks that itself.
    virtual std::optional<std::string> saveFileName(const std::string& directory) = 0;
    /// The system colour chooser; 24-bit RGB, nullopt when cancelled.
    virtual std::optional<std::uint32_t> chooseColour(std::uint32_t initial) = 0;
    /// An open-file dialog for any kind of file: `filter` is "description|patterns|...", the
    /// entry `selectedFilter` (0-based) is chosen at first; nullopt when cancelled. Doubles of
    /// commands that never choose such a file need not provide it.
    virtual std::optional<std::string> openFileWithFilter(const std::string& directory, const std::string& filter,
                                                          int selectedFilter = 0) {
        (void)directory;
        (void)filter;
        (void)selectedFilter;
        return std::nullopt;
    }
    /// Open and save dialogs for files of other tools (VCD, pictures): `filter` is written like
    /// kTestFileFilter; the save dialog adds `extension` to a name without one and does not ask
    /// about replacing. nullopt when cancelled (also where a Prompter offers no such dialogs).
    virtual std::optional<std::string> openOtherFileName(const std::string& directory, const std::string& filter) {
        (void)directory, (void)filter;
        return std::nullopt;
    }
    /// The open dialog for other files where several may be chosen; empty when cancelled.
    /// Where a Prompter offers no such dialog, one file is chosen.
    virtual std::vector<std::string> openOtherFileNames(const std::string& directory, const std::string& filter) {
        if (auto one = openOtherFileName(directory, filter); one && !one->empty()) return {*one};
        return {};
    }
    virtual std::optional<std::string> saveOtherFileName(const std::string& directory, const std::string& filter,
                                                         const std::string& extension) {
        (void)directory, (void)filter, (void)extension;
        return std::nullopt;
    }
};

}  // namespace kvx::platform
