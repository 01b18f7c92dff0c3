#pragma once
// The hand-off channel of Windows: a hidden top-level window registered with the given class
// and title (so that FindWindowA finds it), and FindWindowA / PostMessageA towards the
// windows of the other programs. The program's message loop dispatches the window's
// messages; the toolkit's loop does that without extra work. Requests of other programs to
// close, destroy or rename the window are ignored: it lives until its program ends.
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
    bool openOwnWindow(const platform::WindowAddress& own, Receiver onMessage) override;
    bool findWindow(const platform::WindowAddress& peer) override;
    bool postMessage(const platform::WindowAddress& peer, const platform::WindowMessage& message) override;

    /// The window's handle (an HWND), null before openOwnWindow.
    void* window() const { return window_; }

    /// Passes a message the window received to the handler given to openOwnWindow; true
    /// when the program took it.
    bool deliver(const platform::WindowMessage& message) const { return onMessage_ && onMessage_(message); }

private:
    void* window_ = nullptr;
    std::string className_;
    Receiver onMessage_;
};

}  // namespace kvx::handoff::win32

#endif
