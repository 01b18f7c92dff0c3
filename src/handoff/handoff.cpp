#include "handoff/handoff.h"

#include "handoff/protocol.h"

namespace kvx::handoff {

TesterHandoff sendFileToTester(const std::string& path, const std::string& dirKvx, HandoffServices services) {
    const auto fail = [&] {
        services.prompter.error(kTransferFailed);
        return TesterHandoff::Failed;
    };
    if (const std::string reason = services.channel.unavailableReason(); !reason.empty()) {
        services.prompter.error(reason);
        return TesterHandoff::Failed;
    }
    bool found = services.channel.findWindow(testerWindow());
    if (!found) {
        if (!services.settings.setIntValue(kTesterKey, kTesterStartFlag, 0)) return fail();
        // The folder is stored with its closing separator: the name follows it directly.
        if (!services.shell.startProgram(dirKvx + kTesterProgram)) return fail();
        services.shell.sleepMilliseconds(kTesterStartWaitMs);
        found = services.channel.findWindow(testerWindow());
    }
    // The tester reads "FileName" when it handles the message, so it is written first, and
    // written even when no window turned up: the tester may look at it when it comes up.
    if (!services.settings.setValue(kFileNameKey, kFileNameValue, path)) return fail();
    if (found && services.channel.postMessage(testerWindow(), openFileMessage(kOpenInTesterMessage)))
        return TesterHandoff::Posted;
    return TesterHandoff::NoTesterWindow;
}

std::optional<TesterHandoff> openInTester(const std::function<bool()>& save,
                                          const std::function<std::string()>& fileName,
                                          const std::string& dirKvx, HandoffServices services,
                                          const std::function<void(const std::string&)>& showStatus) {
    // A save that did not happen would hand the tester an older file than the one on screen.
    if (!save()) return std::nullopt;
    const std::string path = fileName();
    if (path.empty()) return std::nullopt;
    const TesterHandoff result = sendFileToTester(path, dirKvx, services);
    if (result == TesterHandoff::NoTesterWindow && showStatus) showStatus(kTesterDidNotAnswer);
    return result;
}

EditorHandoff sendFileToEditor(const std::string& path, platform::HandoffChannel& channel,
                               platform::SettingsStore& settings) {
    if (!channel.unavailableReason().empty()) return EditorHandoff::Unavailable;
    // Without an editor "FileName" keeps the last hand-off of the family.
    if (!channel.findWindow(editorWindow())) return EditorHandoff::NoEditor;
    if (!settings.setValue(kFileNameKey, kFileNameValue, path)) return EditorHandoff::Failed;
    return channel.postMessage(editorWindow(), openFileMessage(kOpenInEditorMessage)) ? EditorHandoff::Delivered
                                                                                      : EditorHandoff::NotTaken;
}

namespace {

/// "FileName" as stored now (another program has just written it); empty when the key or the
/// value is missing.
std::string readFileName(const platform::SettingsStore& settings) {
    return settings.value(kFileNameKey, kFileNameValue);
}

}  // namespace

void EditorMailbox::attach(const platform::SettingsStore& settings, platform::Prompter& prompter, Opener open) {
    if (!settings_) settings_ = &settings;
    prompter_ = &prompter;
    open_ = std::move(open);
    if (!waiting_.empty()) startOpening();
}

bool EditorMailbox::receive(const platform::WindowMessage& message) {
    if (message.number != kOpenInEditorMessage || message.first != kHandoffMark) return false;
    if (waiting_.size() >= kMaxWaiting) return false;
    // "FileName" names this request now; the next request may overwrite it before this one
    // is opened.
    waiting_.push_back(settings_ ? std::optional<std::string>(readFileName(*settings_)) : std::nullopt);
    if (open_) startOpening();
    return true;
}

void EditorMailbox::startOpening() {
    if (wake_) wake_();
    else openWaiting();
}

void EditorMailbox::openWaiting() {
    // A request that arrives while one is being opened joins the queue that this loop empties.
    if (opening_ || !open_) return;
    opening_ = true;
    struct Done {
        EditorMailbox& box;
        ~Done() {
            box.opening_ = false;
            // An open that failed leaves the rest for the next turn of the event loop.
            if (!box.waiting_.empty() && box.wake_) box.wake_();
        }
    } done{*this};
    while (!waiting_.empty()) {
        const std::optional<std::string> entry = std::move(waiting_.front());
        waiting_.pop_front();
        const std::string path = entry ? *entry : readFileName(*settings_);
        if (path.empty()) prompter_->error(kOpenMessageFailed);
        open_(path);
    }
}

}  // namespace kvx::handoff
