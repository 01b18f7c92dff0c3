#pragma once
// The editor's hidden hand-off window: created first at start-up, it lives for the whole run
// and receives the requests of other programs to open a test file.

#include <QObject>
#include <memory>

#include "handoff/handoff.h"
#include "platform/handoff_channel.h"
#include "platform/settings_store.h"

namespace kvx::handoff::ui {

/// The channel of this system: Win32 window messages on Windows, local sockets elsewhere.
std::unique_ptr<platform::HandoffChannel> makeSystemChannel();

class EditorHandoffWindow {
public:
    /// Creates the hidden window "KVX_Edit_MessageForm_NoFileMapping" on the system's channel;
    /// "FileName" is read from `settings` as each request arrives (null: from the mailbox's
    /// attach on).
    explicit EditorHandoffWindow(const platform::SettingsStore* settings = nullptr);
    /// The same on a given channel (tests).
    explicit EditorHandoffWindow(std::unique_ptr<platform::HandoffChannel> channel,
                                 const platform::SettingsStore* settings = nullptr);
    ~EditorHandoffWindow();

    /// False when the window could not be created: this editor then receives nothing, and
    /// can still hand files to the tester.
    bool receiving() const { return receiving_; }
    platform::HandoffChannel& channel() { return *channel_; }
    /// Where an incoming hand-off waits for the main window; requests are opened from the
    /// event loop, one after the other.
    EditorMailbox& mailbox() { return mailbox_; }

private:
    QObject context_;  ///< the queued openings end with the window
    EditorMailbox mailbox_;
    std::unique_ptr<platform::HandoffChannel> channel_;
    bool receiving_ = false;
};

}  // namespace kvx::handoff::ui
