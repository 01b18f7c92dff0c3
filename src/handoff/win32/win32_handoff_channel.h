#pragma once
// The hand-off channel of Windows: a hidden top-level window registered with the given class
// and title (so that FindWindowA finds it), and FindWindowA / PostMessageA towards the
// windows of the other programs. The program's message loop dispatches the window's
// messages; the toolkit's loop does that without extra work.
#ifdef _WIN32

#include "platform/handoff_channel.h"

namespace kvx::handoff::win32 {

class Win32HandoffChannel : public platform::HandoffChannel {
public:
    Win32HandoffChannel() = default;
    ~Win32HandoffChannel() override;
    Win32HandoffChannel(const Win32HandoffChannel&) = delete;
    Win32HandoffChannel& operator=(const Win32HandoffChannel&) = delete;

    /// Registers the window class and creates the hidden window, never shown.
    bool openOwnWindow(const platform::WindowAddress& own,
                       std::function<void(const platform::WindowMessage&)> onMessage) override;
    bool findWindow(const platform::WindowAddress& peer) override;
    bool postMessage(const platform::WindowAddress& peer, const platform::WindowMessage& message) override;

    /// The window's handle (an HWND), null before openOwnWindow.
    void* window() const { return window_; }

    /// Passes a message the window received to the handler given to openOwnWindow.
    void deliver(const platform::WindowMessage& message) const {
        if (onMessage_) onMessage_(message);
    }

private:
    void* window_ = nullptr;
    std::string className_;
    std::function<void(const platform::WindowMessage&)> onMessage_;
};

}  // namespace kvx::handoff::win32

#endif
