#pragma once
// Other programs for the tests of the local hand-off channel: one that posts through the
// channel while this one's event loop runs, sockets of programs that are not the user's
// editor or tester (a listener that notes every byte it is sent, placed where a squatter
// could put it or listening as another user, and a plain client connection), and the
// environment that decides where the channel's folder lies.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "handoff/ui/local_handoff_channel.h"

namespace kvx::testing {

/// Runs the event loop until `done` or the time is up.
inline bool waitFor(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

/// Another program posting to `window` through a channel on `folder` (empty: the user's
/// private folder), while this one's event loop runs; true when the message was taken.
inline bool postFromAnotherProgram(const QString& folder, const platform::WindowAddress& window,
                                   const platform::WindowMessage& message) {
    auto result = std::async(std::launch::async, [&] {
        return handoff::ui::LocalHandoffChannel(folder).postMessage(window, message);
    });
    waitFor([&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 30000);
    return result.get();
}

/// Sets environment variables for a while and restores them afterwards.
class Environment {
public:
    Environment() = default;
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;
    void set(const char* name, const QByteArray& value) {
        remember(name);
        qputenv(name, value);
    }
    void unset(const char* name) {
        remember(name);
        qunsetenv(name);
    }
    ~Environment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) qputenv(it->first, *it->second);
            else qunsetenv(it->first);
        }
    }

private:
    void remember(const char* name) {
        saved_.emplace_back(name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
    }
    std::vector<std::pair<const char*, std::optional<QByteArray>>> saved_;
};

/// A raw client socket connected to `path`; -1 when the connection was refused.
inline int connectTo(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    path.copy(addr.sun_path, sizeof addr.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

/// A program listening at `path` that counts the connections and bytes it gets and answers
/// nothing. With `asUser` it listens as that user (which needs root): the system then names
/// that user as the peer of every connection.
class StrangerSocket {
public:
    explicit StrangerSocket(const std::string& path, int asUser = -1) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        path.copy(addr.sun_path, sizeof addr.sun_path - 1);
        ::unlink(path.c_str());
        listening_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        // The peer credentials of a listening socket are those of its listen() call.
        if (asUser >= 0 && ::seteuid(static_cast<uid_t>(asUser)) != 0) listening_ = false;
        listening_ = ::listen(fd_, 64) == 0 && listening_;
        if (asUser >= 0 && ::seteuid(0) != 0) listening_ = false;
        thread_ = std::thread([this] { serve(); });
    }
    ~StrangerSocket() {
        stop_ = true;
        thread_.join();
        ::close(fd_);
    }
    StrangerSocket(const StrangerSocket&) = delete;
    StrangerSocket& operator=(const StrangerSocket&) = delete;

    bool listening() const { return listening_; }
    int connections() const { return connections_; }
    int bytes() const { return bytes_; }

private:
    void serve() {
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            const int c = ::accept(fd_, nullptr, nullptr);
            if (c < 0) continue;
            ++connections_;
            pollfd q{c, POLLIN, 0};
            while (::poll(&q, 1, 300) > 0) {
                char buf[256];
                const ssize_t n = ::recv(c, buf, sizeof buf, 0);
                if (n <= 0) break;
                bytes_ += static_cast<int>(n);
            }
            ::close(c);
        }
    }

    int fd_ = -1;
    bool listening_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::atomic<int> bytes_{0};
    std::thread thread_;
};

}  // namespace kvx::testing
