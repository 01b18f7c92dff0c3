#include "handoff/ui/editor_handoff_window.h"

#include <QMetaObject>

#include "handoff/protocol.h"
#ifdef _WIN32
#include "handoff/win32/win32_handoff_channel.h"
#else
#include "handoff/ui/local_handoff_channel.h"
#endif

namespace kvx::handoff::ui {

std::unique_ptr<platform::HandoffChannel> makeSystemChannel() {
#ifdef _WIN32
    return std::make_unique<win32::Win32HandoffChannel>();
#else
    return std::make_unique<LocalHandoffChannel>();
#endif
}

EditorHandoffWindow::EditorHandoffWindow(const platform::SettingsStore* settings)
    : EditorHandoffWindow(makeSystemChannel(), settings) {}

EditorHandoffWindow::EditorHandoffWindow(std::unique_ptr<platform::HandoffChannel> channel,
                                         const platform::SettingsStore* settings)
    : mailbox_(settings), channel_(std::move(channel)) {
    // A request is taken at once and opened after the channel has answered its sender: the
    // opening may ask the user about unsaved changes.
    mailbox_.setWake([this] {
        QMetaObject::invokeMethod(&context_, [this] { mailbox_.openWaiting(); }, Qt::QueuedConnection);
    });
    receiving_ = channel_->openOwnWindow(editorWindow(),
                                         [this](const platform::WindowMessage& m) { return mailbox_.receive(m); });
}

EditorHandoffWindow::~EditorHandoffWindow() = default;

}  // namespace kvx::handoff::ui
