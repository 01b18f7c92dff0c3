#pragma once
// The editor's hidden hand-off window: created first at start-up, it lives for the whole run
// and receives the requests of other programs to open a test file.

#include <memory>

#include "handoff/handoff.h"
#include "platform/handoff_channel.h"

namespace kvx::handoff::ui {

/// The channel of this system: Win32 window messages on Windows, local sockets elsewhere.
std::unique_ptr<platform::HandoffChannel> makeSystemChannel();

class EditorHandoffWindow {
public:
    /// Creates the hidden window "KVX_Edit_MessageForm_NoFileMapping" on the system's channel.
    EditorHandoffWindow();
    /// The same on a given channel (tests).
    explicit EditorHandoffWindow(std::unique_ptr<platform::HandoffChannel> channel);
    ~EditorHandoffWindow();

    /// False when the window could not be created (another editor holds it): this editor
    /// then receives nothing, and can still hand files to the tester.
    bool receiving() const { return receiving_; }
    platform::HandoffChannel& channel() { return *channel_; }
    /// Where an incoming hand-off goes once the main window exists.
    EditorMailbox& mailbox() { return mailbox_; }

private:
    std::unique_ptr<platform::HandoffChannel> channel_;
    EditorMailbox mailbox_;
    bool receiving_ = false;
};

}  // namespace kvx::handoff::ui
