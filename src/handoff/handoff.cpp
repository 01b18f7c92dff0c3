#include "handoff/handoff.h"

#include "handoff/protocol.h"

namespace kvx::handoff {

TesterHandoff sendFileToTester(const std::string& path, const std::string& dirKvx, HandoffServices services) {
    const auto fail = [&] {
        services.prompter.error(kTransferFailed);
        return TesterHandoff::Failed;
    };
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
    // Without an editor "FileName" keeps the last hand-off of the family.
    if (!channel.findWindow(editorWindow())) return EditorHandoff::NoEditor;
    if (!settings.setValue(kFileNameKey, kFileNameValue, path)) return EditorHandoff::Failed;
    return channel.postMessage(editorWindow(), openFileMessage(kOpenInEditorMessage)) ? EditorHandoff::Delivered
                                                                                      : EditorHandoff::NoEditor;
}

void EditorMailbox::attach(const platform::SettingsStore& settings, platform::Prompter& prompter, Opener open) {
    settings_ = &settings;
    prompter_ = &prompter;
    open_ = std::move(open);
    if (pending_ && open_) deliver();
}

void EditorMailbox::receive(const platform::WindowMessage& message) {
    if (message.number != kOpenInEditorMessage || message.first != kHandoffMark) return;
    if (opening_) return;  // the user is still answering the previous one
    pending_ = true;
    if (open_) deliver();
}

void EditorMailbox::deliver() {
    pending_ = false;
    opening_ = true;
    std::string path;
    if (settings_->keyExists(kFileNameKey)) path = settings_->value(kFileNameKey, kFileNameValue);
    if (path.empty()) prompter_->error(kOpenMessageFailed);
    try {
        open_(path);
    } catch (...) {
        opening_ = false;
        throw;
    }
    opening_ = false;
}

}  // namespace kvx::handoff
