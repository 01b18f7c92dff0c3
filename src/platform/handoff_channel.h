#pragma once
// The messaging between the programs of the tester family: every program keeps a hidden
// window, found by its class and title, that receives small window messages with two integer
// parameters. The message carries no data; paths travel through the settings store.

#include <cstdint>
#include <functional>
#include <string>

namespace kvx::platform {

/// A hidden window of a program of the family, as other programs look it up.
struct WindowAddress {
    std::string windowClass;
    std::string title;
};

/// One window message: its number and both parameters.
struct WindowMessage {
    std::uint32_t number = 0;
    std::int64_t first = 0;
    std::int64_t second = 0;
    friend bool operator==(const WindowMessage&, const WindowMessage&) = default;
};

class HandoffChannel {
public:
    virtual ~HandoffChannel() = default;
    /// Creates this program's own hidden window; every message it receives is handed to
    /// `onMessage` on the thread that created it. False when the window could not be created.
    virtual bool openOwnWindow(const WindowAddress& own, std::function<void(const WindowMessage&)> onMessage) = 0;
    /// True when a top-level window of that class and title exists now.
    virtual bool findWindow(const WindowAddress& peer) = 0;
    /// Posts a message to that window without waiting for it to be handled; false when there
    /// is no such window or the message could not be queued.
    virtual bool postMessage(const WindowAddress& peer, const WindowMessage& message) = 0;
};

}  // namespace kvx::platform
