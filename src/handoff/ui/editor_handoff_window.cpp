#include "handoff/ui/editor_handoff_window.h"

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

EditorHandoffWindow::EditorHandoffWindow() : EditorHandoffWindow(makeSystemChannel()) {}

EditorHandoffWindow::EditorHandoffWindow(std::unique_ptr<platform::HandoffChannel> channel)
    : channel_(std::move(channel)) {
    receiving_ = channel_->openOwnWindow(editorWindow(),
                                         [this](const platform::WindowMessage& m) { mailbox_.receive(m); });
}

EditorHandoffWindow::~EditorHandoffWindow() = default;

}  // namespace kvx::handoff::ui
