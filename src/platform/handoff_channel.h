#pragma once
// The messaging between the programs of the tester family: every program keeps a hidden
// window, found by its class and title, that receives small window messages with two integer
// parameters. The message carries no data; paths travel through the settings store. The
// receiving program says whether it took a message, where the system can carry that back.

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
    /// What a program does with a message its hidden window received: true when it took it.
    /// Called on the thread that created the window; it must return at once (a request that
    /// needs the user is kept and handled later).
    using Receiver = std::function<bool(const WindowMessage&)>;

    virtual ~HandoffChannel() = default;
    /// Creates this program's own hidden window; every message it receives is handed to
    /// `onMessage`. False when the window could not be created.
    virtual bool openOwnWindow(const WindowAddress& own, Receiver onMessage) = 0;
    /// True when a top-level window of that class and title exists now.
    virtual bool findWindow(const WindowAddress& peer) = 0;
    /// Posts a message to that window without waiting for it to be handled; true when the
    /// receiving program took it. Where the system carries no answer back (window messages),
    /// a message queued for the window counts as taken. False when there is no such window,
    /// or none took it.
    virtual bool postMessage(const WindowAddress& peer, const WindowMessage& message) = 0;
    /// Why this channel cannot work at all on this system (a Russian text for the user);
    /// empty when it can.
    virtual std::string unavailableReason() const { return {}; }
};

}  // namespace kvx::platform
