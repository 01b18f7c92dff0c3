#pragma once
// Both directions of the hand-off: the editor giving its file to the tester, and another
// program asking the editor to open one. The path is written to "FileName" first, then the
// receiving program's hidden window is sent a message that tells it to fetch the path.

#include <functional>
#include <optional>
#include <string>

#include "platform/handoff_channel.h"
#include "platform/prompter.h"
#include "platform/settings_store.h"
#include "platform/shell.h"

namespace kvx::handoff {

inline constexpr const char* kTransferFailed = "Ошибка передачи данных";
inline constexpr const char* kOpenMessageFailed = "Ошибка сообщения открытия файла";
/// Status bar text when the tester did not appear after it was started.
inline constexpr const char* kTesterDidNotAnswer = "Тестер не ответил: файл не передан";

/// What the hand-off works through.
struct HandoffServices {
    platform::HandoffChannel& channel;
    platform::SettingsStore& settings;
    platform::Shell& shell;
    platform::Prompter& prompter;
};

enum class TesterHandoff {
    Posted,           ///< "FileName" written and the message posted to the tester's window
    NoTesterWindow,   ///< "FileName" written, but the tester's window did not appear
    Failed,           ///< the settings store or the start of the tester failed (the error box was shown)
};

/// Hands `path` to the tester. When its window is missing the tester is started from
/// `dirKvx` + kTesterProgram (after "TestCanalOnStart" = 0) and looked for once more after
/// kTesterStartWaitMs.
TesterHandoff sendFileToTester(const std::string& path, const std::string& dirKvx, HandoffServices services);

/// "Открыть в тестере": `save` runs "&Сохранить" (true when the file was written); then the
/// test's file name, read through `fileName`, is handed to the tester. A save that did not
/// happen ends the command. `showStatus` gets kTesterDidNotAnswer when the tester stayed away.
std::optional<TesterHandoff> openInTester(const std::function<bool()>& save,
                                          const std::function<std::string()>& fileName,
                                          const std::string& dirKvx, HandoffServices services,
                                          const std::function<void(const std::string&)>& showStatus);

enum class EditorHandoff {
    Delivered,  ///< "FileName" written and the message posted to the editor's window
    NoEditor,   ///< no editor runs ("FileName" is left as it was)
    Failed,     ///< "FileName" could not be written
};

/// What another program of the family does to have the editor open `path`.
EditorHandoff sendFileToEditor(const std::string& path, platform::HandoffChannel& channel,
                               platform::SettingsStore& settings);

/// The messages of the editor's hidden window. A hand-off (kOpenInEditorMessage with
/// kHandoffMark) reads "FileName" and opens it; a missing or empty value shows
/// kOpenMessageFailed and opens the empty path. Every other message is ignored, and so is a
/// hand-off that arrives while the previous one is still being opened (its save question is
/// up). The hidden window exists before the main window does: a hand-off that arrives before
/// `attach` waits for it (the latest one only).
class EditorMailbox {
public:
    using Opener = std::function<void(const std::string& path)>;

    /// The settings store, the message boxes and the open command of the main window (run
    /// exactly as a recent-files item runs it).
    void attach(const platform::SettingsStore& settings, platform::Prompter& prompter, Opener open);
    void receive(const platform::WindowMessage& message);

private:
    void deliver();

    const platform::SettingsStore* settings_ = nullptr;
    platform::Prompter* prompter_ = nullptr;
    Opener open_;
    bool pending_ = false;
    bool opening_ = false;
};

}  // namespace kvx::handoff
