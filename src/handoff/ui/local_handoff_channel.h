#pragma once
// The hand-off channel where there are no window messages: every hidden window is a local
// socket named after the window's title, in a folder that belongs to the current user alone
// (mode 0700). Several programs of one kind may run: the first listens on "<title>", the
// others on "<title>.2", "<title>.3", …; a message goes to the first of them that takes it,
// so that while any of them runs, a message reaches one. A message is one frame (see
// handoff/message_frame.h) on a connection of its own, answered with whether it was taken.
// Both sides check that the program at the other end is the user's own before anything is
// sent or handled. The receiving side never waits for a peer: slow, oversized or malformed
// connections are dropped, and a connection that has said nothing makes room for a new one.

#include <QObject>
#include <QString>
#include <QStringList>
#include <deque>

#include "platform/handoff_channel.h"

class QLocalServer;
class QLocalSocket;

namespace kvx::handoff::ui {

class LocalHandoffChannel : public QObject, public platform::HandoffChannel {
    Q_OBJECT
public:
    /// Connections kept open at once; a new one closes the oldest.
    static constexpr int kMaxOpenConnections = 16;
    /// A connection that has not delivered its frame by then is closed.
    static constexpr int kFrameTimeoutMs = 1000;
    /// How long a sender waits for the answer to its frame.
    static constexpr int kReplyTimeoutMs = 5000;
    /// Programs of one kind that can listen at once.
    static constexpr int kMaxPrograms = 32;

    /// The folder for the sockets, and why there is none.
    struct Folder {
        QString path;     ///< empty when no folder is the user's alone
        QString refusal;  ///< the Russian text for the user when `path` is empty
    };
    /// The user's private folder: $XDG_RUNTIME_DIR, else <temporary folder>/runtime-<user>,
    /// else ~/.cache/kvx-runtime, the first that is a folder of the user with mode 0700 (the
    /// last two are created so when missing).
    static Folder privateFolder();

    /// `folder` holds the sockets (it must be the user's alone); empty: privateFolder().
    explicit LocalHandoffChannel(const QString& folder = {}, QObject* parent = nullptr);
    ~LocalHandoffChannel() override;

    bool openOwnWindow(const platform::WindowAddress& own, Receiver onMessage) override;
    bool findWindow(const platform::WindowAddress& peer) override;
    bool postMessage(const platform::WindowAddress& peer, const platform::WindowMessage& message) override;
    std::string unavailableReason() const override { return refusal_.toStdString(); }

    /// The socket of the `n`-th program (from 1) of a window.
    QString socketPath(const platform::WindowAddress& window, int n = 1) const;
    /// The socket this program listens on; empty before openOwnWindow.
    QString ownSocketPath() const;
    /// Connections open now (for tests of the limits).
    int openConnections() const { return static_cast<int>(open_.size()); }

private:
    /// The sockets of a window that exist now, first program first.
    QStringList socketsOf(const platform::WindowAddress& window) const;
    void acceptConnections();
    void readFrame(QLocalSocket* socket);
    void drop(QLocalSocket* socket);

    QString folder_;
    QString refusal_;
    QLocalServer* server_ = nullptr;
    Receiver onMessage_;
    std::deque<QLocalSocket*> open_;  ///< oldest first
};

}  // namespace kvx::handoff::ui
