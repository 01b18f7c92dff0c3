#pragma once
// A hand-off channel for tests: which peer windows exist is scripted, posted messages are
// recorded, and the own window's handler can be called as if a message had arrived.

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/handoff_channel.h"

namespace kvx::testing {

class FakeChannel : public platform::HandoffChannel {
public:
    struct Post {
        std::string title;
        platform::WindowMessage message;
    };

    bool openOwnWindow(const platform::WindowAddress& own, Receiver onMessage) override {
        ownTitle = own.title;
        handler = std::move(onMessage);
        return true;
    }
    bool findWindow(const platform::WindowAddress& peer) override {
        ++lookups;
        return present(peer);
    }
    bool postMessage(const platform::WindowAddress& peer, const platform::WindowMessage& message) override {
        if (!present(peer)) return false;
        if (onPost) onPost();
        posts.push_back({peer.title, message});
        return !refusing;
    }
    std::string unavailableReason() const override { return unavailable; }
    /// A message arriving at the own window; true when the program took it.
    bool arrive(const platform::WindowMessage& m) const { return handler && handler(m); }

    /// Titles of the windows that exist; `appears` may add one later (after a start).
    std::set<std::string> windows;
    std::function<bool(const platform::WindowAddress&)> appears;
    /// Called when a message is posted, before it is recorded.
    std::function<void()> onPost;
    std::vector<Post> posts;
    /// The programs of the windows do not take what is posted to them.
    bool refusing = false;
    /// Non-empty: the channel cannot work (this is why).
    std::string unavailable;
    int lookups = 0;
    std::string ownTitle;
    Receiver handler;

private:
    bool present(const platform::WindowAddress& peer) const {
        return windows.count(peer.title) > 0 || (appears && appears(peer));
    }
};

}  // namespace kvx::testing
