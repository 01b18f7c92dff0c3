#pragma once
// Both directions of the hand-off: the editor giving its file to the tester, and another
// program asking the editor to open one. The path is written to "FileName" first, then the
// receiving program's hidden window is sent a message that tells it to fetch the path.

#include <cstddef>
#include <deque>
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
    NoTesterWindow,   ///< "FileName" written, but no tester window appeared or took the message
    Failed,           ///< the channel cannot work here, or the settings store or the start of the
                      ///< tester failed (the error box was shown)
};

/// Hands `path` to the tester. When its window is missing the tester is started from
/// `dirKvx` + kTesterProgram (after "TestCanalOnStart" = 0) and looked for once more after
/// kTesterStartWaitMs. A channel that cannot work on this system shows its reason instead.
TesterHandoff sendFileToTester(const std::string& path, const std::string& dirKvx, HandoffServices services);

/// "Открыть в тестере": `save` runs "&Сохранить" (true when the file was written); then the
/// test's file name, read through `fileName`, is handed to the tester. A save that did not
/// happen ends the command. `showStatus` gets kTesterDidNotAnswer when the tester stayed away.
std::optional<TesterHandoff> openInTester(const std::function<bool()>& save,
                                          const std::function<std::string()>& fileName,
                                          const std::string& dirKvx, HandoffServices services,
                                          const std::function<void(const std::string&)>& showStatus);

enum class EditorHandoff {
    Delivered,    ///< "FileName" written and a running editor took the request
    NoEditor,     ///< no editor runs ("FileName" is left as it was)
    NotTaken,     ///< "FileName" written, but no running editor took the request
    Failed,       ///< "FileName" could not be written
    Unavailable,  ///< the channel cannot work on this system (its unavailableReason says why)
};

/// What another program of the family does to have the editor open `path`.
EditorHandoff sendFileToEditor(const std::string& path, platform::HandoffChannel& channel,
                               platform::SettingsStore& settings);

/// The requests of the editor's hidden window. A hand-off (kOpenInEditorMessage with
/// kHandoffMark) is taken at once: "FileName" is read as it arrives and the request waits in
/// turn; every other message is ignored (not taken). Waiting requests are opened one after
/// the other, each as a recent-files item is opened; one that arrives while another is being
/// opened (its save question is up) waits for it. A missing or empty "FileName" shows
/// kOpenMessageFailed and opens the empty path. The hidden window exists before the main
/// window does: requests that arrive before `attach` wait for it.
class EditorMailbox {
public:
    using Opener = std::function<void(const std::string& path)>;
    /// Requests kept waiting at most; more are not taken.
    static constexpr std::size_t kMaxWaiting = 64;

    /// `settings`: where "FileName" is read as each request arrives (null: from `attach` on;
    /// a request that arrives before is read when it is opened).
    explicit EditorMailbox(const platform::SettingsStore* settings = nullptr) : settings_(settings) {}

    /// `wake` has openWaiting() run soon from the program's event loop, never from inside
    /// receive(); without it, requests are opened as they arrive.
    void setWake(std::function<void()> wake) { wake_ = std::move(wake); }
    /// The settings store, the message boxes and the open command of the main window (run
    /// exactly as a recent-files item runs it).
    void attach(const platform::SettingsStore& settings, platform::Prompter& prompter, Opener open);
    /// True when the message is a hand-off and it was taken.
    bool receive(const platform::WindowMessage& message);
    /// Opens the waiting requests in turn.
    void openWaiting();
    std::size_t waiting() const { return waiting_.size(); }

private:
    void startOpening();

    const platform::SettingsStore* settings_ = nullptr;
    platform::Prompter* prompter_ = nullptr;
    Opener open_;
    std::function<void()> wake_;
    /// The path of each request; none: "FileName" is read when it is opened.
    std::deque<std::optional<std::string>> waiting_;
    bool opening_ = false;
};

}  // namespace kvx::handoff
