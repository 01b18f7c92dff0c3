#include "handoff/ui/local_handoff_channel.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

#include "handoff/message_frame.h"

#ifdef __linux__
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace kvx::handoff::ui {

namespace {

/// Connecting to a listening local socket is immediate; a peer that is not listening fails at once.
constexpr int kConnectTimeoutMs = 200;
constexpr int kWriteTimeoutMs = 200;
constexpr char kDropped[] = "kvxDropped";

/// Only the user who runs the editor may talk to it; the folder rights already keep others
/// out, the credentials of the peer are checked as well where the system tells them.
bool sameUser(QLocalSocket* socket) {
#ifdef __linux__
    ucred cred{};
    socklen_t len = sizeof cred;
    if (getsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0)
        return false;
    return cred.uid == getuid();
#else
    Q_UNUSED(socket);
    return true;
#endif
}

}  // namespace

LocalHandoffChannel::LocalHandoffChannel(const QString& folder, QObject* parent)
    : QObject(parent),
      folder_(folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) : folder) {}

LocalHandoffChannel::~LocalHandoffChannel() = default;

QString LocalHandoffChannel::socketPath(const platform::WindowAddress& window) const {
    return QDir(folder_).filePath(QString::fromStdString(window.title));
}

bool LocalHandoffChannel::openOwnWindow(const platform::WindowAddress& own,
                                        std::function<void(const platform::WindowMessage&)> onMessage) {
    if (server_ || folder_.isEmpty()) return false;
    const QString path = socketPath(own);
    // A socket left by a program that ended is removed; one that answers belongs to a
    // program that runs, and is left to it.
    if (findWindow(own)) return false;
    QLocalServer::removeServer(path);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(path)) {
        delete server_;
        server_ = nullptr;
        return false;
    }
    onMessage_ = std::move(onMessage);
    connect(server_, &QLocalServer::newConnection, this, &LocalHandoffChannel::acceptConnections);
    return true;
}

void LocalHandoffChannel::acceptConnections() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (open_ >= kMaxOpenConnections || !sameUser(socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++open_;
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrame(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { drop(socket); });
        QTimer::singleShot(kFrameTimeoutMs, socket, [this, socket] { drop(socket); });
        if (socket->bytesAvailable() > 0) readFrame(socket);
    }
}

void LocalHandoffChannel::readFrame(QLocalSocket* socket) {
    const qint64 available = socket->bytesAvailable();
    if (available < static_cast<qint64>(kFrameSize)) return;  // the rest may still come
    // Exactly one frame per connection; a longer stream is not one of ours.
    QByteArray bytes = socket->read(static_cast<qint64>(kFrameSize) + 1);
    drop(socket);
    const auto message = decodeFrame(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    if (!message || !onMessage_) return;
    // Handled after the socket's own signal has returned: the handler may show a modal question.
    QTimer::singleShot(0, this, [this, m = *message] {
        if (onMessage_) onMessage_(m);
    });
}

void LocalHandoffChannel::drop(QLocalSocket* socket) {
    if (socket->property(kDropped).toBool()) return;
    socket->setProperty(kDropped, true);
    --open_;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

bool LocalHandoffChannel::findWindow(const platform::WindowAddress& peer) {
    QLocalSocket probe;
    probe.connectToServer(socketPath(peer));
    const bool found = probe.waitForConnected(kConnectTimeoutMs);
    probe.abort();
    return found;
}

bool LocalHandoffChannel::postMessage(const platform::WindowAddress& peer, const platform::WindowMessage& message) {
    QLocalSocket socket;
    socket.connectToServer(socketPath(peer));
    if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
    const auto frame = encodeFrame(message);
    const bool written = socket.write(frame.data(), static_cast<qint64>(frame.size())) ==
                             static_cast<qint64>(frame.size()) &&
                         (socket.bytesToWrite() == 0 || socket.waitForBytesWritten(kWriteTimeoutMs));
    socket.disconnectFromServer();
    return written;
}

}  // namespace kvx::handoff::ui
