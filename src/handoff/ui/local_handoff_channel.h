#pragma once
// The hand-off channel where there are no window messages: every hidden window is a local
// socket of the current user named after the window's title, in a folder only that user can
// enter. A message is one frame (see handoff/message_frame.h) on a connection of its own.
// The receiving side never waits for a peer: slow, oversized or malformed connections are
// dropped, and only a bounded number of connections is kept open at a time.

#include <QObject>
#include <QString>

#include "platform/handoff_channel.h"

class QLocalServer;
class QLocalSocket;

namespace kvx::handoff::ui {

class LocalHandoffChannel : public QObject, public platform::HandoffChannel {
    Q_OBJECT
public:
    /// Connections kept open at once; more are closed at once.
    static constexpr int kMaxOpenConnections = 16;
    /// A connection that has not delivered its frame by then is closed.
    static constexpr int kFrameTimeoutMs = 1000;

    /// `folder` holds the sockets; empty: the per-user runtime folder.
    explicit LocalHandoffChannel(const QString& folder = {}, QObject* parent = nullptr);
    ~LocalHandoffChannel() override;

    bool openOwnWindow(const platform::WindowAddress& own,
                       std::function<void(const platform::WindowMessage&)> onMessage) override;
    bool findWindow(const platform::WindowAddress& peer) override;
    bool postMessage(const platform::WindowAddress& peer, const platform::WindowMessage& message) override;

    /// The socket of a window.
    QString socketPath(const platform::WindowAddress& window) const;
    /// Connections open now (for tests of the limits).
    int openConnections() const { return open_; }

private:
    void acceptConnections();
    void readFrame(QLocalSocket* socket);
    void drop(QLocalSocket* socket);

    QString folder_;
    QLocalServer* server_ = nullptr;
    std::function<void(const platform::WindowMessage&)> onMessage_;
    int open_ = 0;
};

}  // namespace kvx::handoff::ui
