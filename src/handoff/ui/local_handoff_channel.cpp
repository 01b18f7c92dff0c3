#include "handoff/ui/local_handoff_channel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>
#include <algorithm>
#include <utility>
#include <vector>

#include "handoff/message_frame.h"

#ifdef Q_OS_UNIX
#include <cerrno>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace kvx::handoff::ui {

namespace {

/// Connecting to a listening local socket is immediate; a peer that is not listening fails at once.
constexpr int kConnectTimeoutMs = 1000;
constexpr int kWriteTimeoutMs = 1000;
/// How long a program that starts waits for another one that is choosing its socket just then.
constexpr int kClaimWaitMs = 3000;
/// A socket path holds at most 107 bytes: the folder leaves room for a title of up to 36
/// characters with its program number, and for the listening side's temporary name.
constexpr qsizetype kLongestSocketName = 40;
constexpr qsizetype kLongestSocketPath = 107;

#ifdef Q_OS_UNIX
/// A folder (not a link) of this user that nobody else may enter, short enough for sockets.
bool isPrivateFolder(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    if (path.isEmpty() || !QDir::isAbsolutePath(path) || native.size() + 1 + kLongestSocketName > kLongestSocketPath)
        return false;
    struct stat st {};
    return ::lstat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 07777) == 0700;
}

/// The folder when it is private; a missing one is created so. One that exists and is not
/// private (someone else's, open to others, a link) is left as it is and refused.
bool makePrivateFolder(const QString& path) {
    if (isPrivateFolder(path)) return true;
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) == 0) ::chmod(native.constData(), 0700);  // the umask may have taken bits
    return isPrivateFolder(path);
}

QString userName() {
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name && *pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return QString::number(::geteuid());
}

/// True when the program at the other end of a local connection runs as this user.
bool sameUser(qintptr descriptor) {
    const int fd = static_cast<int>(descriptor);
#ifdef Q_OS_LINUX
    ucred cred{};
    socklen_t len = sizeof cred;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && cred.uid == ::geteuid();
#else
    uid_t uid = 0;
    gid_t gid = 0;
    return ::getpeereid(fd, &uid, &gid) == 0 && uid == ::geteuid();
#endif
}

/// True while the sender of a frame still waits on its connection with nothing more to say.
bool senderWaits(QLocalSocket* socket) {
    char c = 0;
    const ssize_t r = ::recv(static_cast<int>(socket->socketDescriptor()), &c, 1, MSG_PEEK | MSG_DONTWAIT);
    return r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
}
#else
// Windows has its own channel (handoff/win32); there this one refuses to work.
bool isPrivateFolder(const QString&) { return false; }
bool makePrivateFolder(const QString&) { return false; }
QString userName() { return {}; }
bool sameUser(qintptr) { return false; }
bool senderWaits(QLocalSocket*) { return false; }
#endif

QString refusal(const QStringList& tried) {
    return QStringLiteral("Передача файлов между программами тестера отключена: нет папки, доступной только "
                          "вам (проверены: %1)")
        .arg(tried.join(QStringLiteral(", ")));
}

/// A connection to `path` whose listening program runs as this user; false, with nothing
/// sent, otherwise.
bool connectToOwn(QLocalSocket& socket, const QString& path) {
    socket.connectToServer(path);
    if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
    if (sameUser(socket.socketDescriptor())) return true;
    socket.abort();
    return false;
}

/// The number of the program whose socket is `name` (1 for the title itself), 0 for other names.
int programNumber(const QString& name, const QString& title) {
    if (name == title) return 1;
    if (!name.startsWith(title + '.')) return 0;
    const QString digits = name.mid(title.size() + 1);
    bool ok = false;
    const int n = digits.toInt(&ok);
    return ok && n >= 2 && n <= LocalHandoffChannel::kMaxPrograms && digits == QString::number(n) ? n : 0;
}

}  // namespace

LocalHandoffChannel::Folder LocalHandoffChannel::privateFolder() {
    QStringList tried;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        if (isPrivateFolder(runtime)) return {runtime, {}};
        tried << runtime;
    }
    // Where the toolkit's own programs go without a runtime folder; in a folder that anyone
    // may write, it is only used when it is this user's alone.
    const QString temporary = QDir::tempPath() + QStringLiteral("/runtime-") + userName();
    if (makePrivateFolder(temporary)) return {temporary, {}};
    tried << temporary;
    const QString home = QDir::homePath();
    if (!home.isEmpty() && home != QStringLiteral("/")) {
        const QString cache = home + QStringLiteral("/.cache");
        QDir().mkpath(cache);
        const QString own = cache + QStringLiteral("/kvx-runtime");
        if (makePrivateFolder(own)) return {own, {}};
        tried << own;
    }
    return {{}, refusal(tried)};
}

LocalHandoffChannel::LocalHandoffChannel(const QString& folder, QObject* parent) : QObject(parent) {
    if (folder.isEmpty()) {
        Folder f = privateFolder();
        folder_ = std::move(f.path);
        refusal_ = std::move(f.refusal);
    } else if (isPrivateFolder(folder)) {
        folder_ = folder;
    } else {
        refusal_ = refusal({folder});
    }
}

LocalHandoffChannel::~LocalHandoffChannel() = default;

QString LocalHandoffChannel::socketPath(const platform::WindowAddress& window, int n) const {
    const QString title = QString::fromStdString(window.title);
    return QDir(folder_).filePath(n <= 1 ? title : title + '.' + QString::number(n));
}

QString LocalHandoffChannel::ownSocketPath() const { return server_ ? server_->fullServerName() : QString(); }

QStringList LocalHandoffChannel::socketsOf(const platform::WindowAddress& window) const {
    // The folder is checked every time: it may have been changed since the channel was made.
    if (folder_.isEmpty() || !isPrivateFolder(folder_)) return {};
    const QString title = QString::fromStdString(window.title);
    const QDir dir(folder_);
    std::vector<std::pair<int, QString>> found;
    for (const QString& name : dir.entryList({title, title + QStringLiteral(".*")},
                                             QDir::System | QDir::Files | QDir::Hidden))
        if (const int n = programNumber(name, title)) found.emplace_back(n, dir.filePath(name));
    std::sort(found.begin(), found.end());
    QStringList paths;
    for (auto& f : found) paths << std::move(f.second);
    return paths;
}

bool LocalHandoffChannel::openOwnWindow(const platform::WindowAddress& own, Receiver onMessage) {
    if (server_ || folder_.isEmpty() || !isPrivateFolder(folder_)) return false;
    // Two programs that start together choose their sockets one after the other.
    QLockFile claim(QDir(folder_).filePath(QString::fromStdString(own.title) + QStringLiteral(".lock")));
    claim.tryLock(kClaimWaitMs);
    for (int n = 1; n <= kMaxPrograms; ++n) {
        const QString path = socketPath(own, n);
        // A socket that answers belongs to a program that runs (whoever it is), and is left
        // to it; one left by a program that ended is replaced.
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(kConnectTimeoutMs)) {
            probe.abort();
            continue;
        }
        if (probe.error() != QLocalSocket::ServerNotFoundError && probe.error() != QLocalSocket::ConnectionRefusedError)
            continue;
        QLocalServer::removeServer(path);
        auto* server = new QLocalServer(this);
        server->setSocketOptions(QLocalServer::UserAccessOption);
        if (!server->listen(path)) {
            delete server;
            continue;
        }
        server_ = server;
        onMessage_ = std::move(onMessage);
        connect(server_, &QLocalServer::newConnection, this, &LocalHandoffChannel::acceptConnections);
        return true;
    }
    return false;
}

void LocalHandoffChannel::acceptConnections() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (!sameUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // The connection open longest without a frame makes room: idle ones never keep out
        // a sender that has something to say.
        if (static_cast<int>(open_.size()) >= kMaxOpenConnections) drop(open_.front());
        open_.push_back(socket);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrame(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { drop(socket); });
        QTimer::singleShot(kFrameTimeoutMs, socket, [this, socket] { drop(socket); });
        if (socket->bytesAvailable() > 0) readFrame(socket);
    }
}

void LocalHandoffChannel::readFrame(QLocalSocket* socket) {
    if (socket->bytesAvailable() < static_cast<qint64>(kFrameSize)) return;  // the rest may still come
    // Exactly one frame per connection; a longer stream is not one of ours.
    const QByteArray bytes = socket->read(static_cast<qint64>(kFrameSize) + 1);
    const auto message = decodeFrame(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    // A sender that gave up waiting is told nothing, and its message is not taken.
    if (message && senderWaits(socket)) {
        const bool taken = onMessage_ && onMessage_(*message);
        const auto reply = encodeReply(taken);
        socket->write(reply.data(), static_cast<qint64>(reply.size()));
        socket->flush();
    }
    drop(socket);
}

void LocalHandoffChannel::drop(QLocalSocket* socket) {
    const auto it = std::find(open_.begin(), open_.end(), socket);
    if (it == open_.end()) return;
    open_.erase(it);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

bool LocalHandoffChannel::findWindow(const platform::WindowAddress& peer) {
    for (const QString& path : socketsOf(peer)) {
        QLocalSocket probe;
        if (!connectToOwn(probe, path)) continue;
        probe.abort();
        return true;
    }
    return false;
}

bool LocalHandoffChannel::postMessage(const platform::WindowAddress& peer, const platform::WindowMessage& message) {
    const auto frame = encodeFrame(message);
    // The first program of the window that takes the message gets it.
    for (const QString& path : socketsOf(peer)) {
        QLocalSocket socket;
        if (!connectToOwn(socket, path)) continue;
        if (socket.write(frame.data(), static_cast<qint64>(frame.size())) != static_cast<qint64>(frame.size()))
            continue;
        if (socket.bytesToWrite() > 0 && !socket.waitForBytesWritten(kWriteTimeoutMs)) continue;
        QByteArray reply;
        QElapsedTimer waited;
        waited.start();
        while (reply.size() < static_cast<qsizetype>(kReplySize)) {
            if (socket.bytesAvailable() == 0) {
                const qint64 left = kReplyTimeoutMs - waited.elapsed();
                if (left <= 0 || !socket.waitForReadyRead(static_cast<int>(left))) break;
            }
            reply += socket.read(static_cast<qint64>(kReplySize) - reply.size());
        }
        socket.abort();
        if (decodeReply(std::string_view(reply.constData(), static_cast<size_t>(reply.size()))) == true) return true;
    }
    return false;
}

}  // namespace kvx::handoff::ui
