// The local-socket channel: messages with both parameters reach the owner, which answers
// whether it took them; the sockets lie only in a folder of the user's own and talk only to
// the user's own programs; every program of a window listens, so that a message reaches one
// while any runs; idle connections never keep a message out, and a flood of garbage
// connections neither blocks the event loop nor delivers anything.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <functional>
#include <future>
#include <optional>
#include <memory>
#include <string>
#include <pwd.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "handoff/message_frame.h"
#include "handoff/protocol.h"
#include "handoff/ui/local_handoff_channel.h"
#include "local_programs.h"

namespace kvx::handoff::ui {
namespace {

using testing::connectTo;
using testing::Environment;
using testing::postFromAnotherProgram;
using testing::StrangerSocket;
using testing::waitFor;

constexpr int kNobody = 65534;

class LocalChannel : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    /// Opens `c` as an editor whose messages land in `into`; it takes only hand-offs.
    static bool openEditor(LocalHandoffChannel& c, std::vector<platform::WindowMessage>& into) {
        return c.openOwnWindow(editorWindow(), [&into](const platform::WindowMessage& m) {
            into.push_back(m);
            return m.first == kHandoffMark;
        });
    }
    bool openEditor(LocalHandoffChannel& c) { return openEditor(c, received); }
    bool post(const platform::WindowMessage& m, const platform::WindowAddress& to = editorWindow()) {
        return postFromAnotherProgram(dir.path(), to, m);
    }
    QTemporaryDir dir;
    std::vector<platform::WindowMessage> received;
};

TEST_F(LocalChannel, DeliversTheNumberAndBothParametersToTheWindowNamedByItsTitleAndAnswers) {
    LocalHandoffChannel editor(dir.path());
    ASSERT_TRUE(openEditor(editor));
    EXPECT_EQ(QFileInfo(editor.socketPath(editorWindow())).fileName(), "KVX_Edit_MessageForm_NoFileMapping");
    LocalHandoffChannel other(dir.path());
    EXPECT_TRUE(other.findWindow(editorWindow()));
    EXPECT_FALSE(other.findWindow(testerWindow()));
    EXPECT_FALSE(post({1101, 777, 0}, testerWindow()));
    EXPECT_TRUE(post({1100, 777, -3}));
    // Delivered, but not taken: the sender learns it.
    EXPECT_FALSE(post({1100, 776, 0}));
    ASSERT_TRUE(waitFor([&] { return received.size() == 2; }));
    EXPECT_EQ(received[0], (platform::WindowMessage{1100, 777, -3}));
    EXPECT_EQ(received[1], (platform::WindowMessage{1100, 776, 0}));
    // Looking for a window is a connection without a frame: it delivers nothing.
    waitFor([] { return false; }, 200);
    EXPECT_EQ(received.size(), 2u);
}

TEST_F(LocalChannel, EveryEditorListensOnASocketOfTheUsersOwnAndAMessageReachesOneWhileAnyRuns) {
    std::vector<platform::WindowMessage> gotA, gotB, gotC;
    auto a = std::make_unique<LocalHandoffChannel>(dir.path());
    ASSERT_TRUE(openEditor(*a, gotA));
    auto b = std::make_unique<LocalHandoffChannel>(dir.path());
    ASSERT_TRUE(openEditor(*b, gotB));
    for (const QString& socket : {a->ownSocketPath(), b->ownSocketPath()}) {
        struct stat st {};
        ASSERT_EQ(::stat(socket.toLocal8Bit().constData(), &st), 0) << socket.toStdString();
        EXPECT_TRUE(S_ISSOCK(st.st_mode));
        EXPECT_EQ(st.st_mode & 077, 0u) << std::oct << st.st_mode;
        EXPECT_EQ(st.st_uid, ::geteuid());
    }
    EXPECT_NE(a->ownSocketPath(), b->ownSocketPath());

    // The first editor gets the messages while it runs; then the one that is left.
    EXPECT_TRUE(post({1100, 777, 1}));
    EXPECT_EQ(gotA.size(), 1u);
    a.reset();
    EXPECT_TRUE(LocalHandoffChannel(dir.path()).findWindow(editorWindow()));
    EXPECT_TRUE(post({1100, 777, 2}));
    ASSERT_EQ(gotB.size(), 1u);
    EXPECT_EQ(gotB[0].first, 777);
    // An editor that starts now takes a free socket and is reached as well.
    auto c = std::make_unique<LocalHandoffChannel>(dir.path());
    ASSERT_TRUE(openEditor(*c, gotC));
    EXPECT_TRUE(post({1100, 777, 3}));
    EXPECT_EQ(gotB.size() + gotC.size(), 2u);
    // An editor that does not take a message leaves it to the next one.
    b.reset();
    LocalHandoffChannel refusing(dir.path());
    ASSERT_TRUE(refusing.openOwnWindow(editorWindow(), [](const platform::WindowMessage&) { return false; }));
    gotC.clear();
    EXPECT_TRUE(post({1100, 777, 4}));
    EXPECT_EQ(gotC.size(), 1u);
    c.reset();
    EXPECT_FALSE(post({1100, 777, 5}));
}

TEST_F(LocalChannel, ASocketLeftByAProgramThatEndedIsReplaced) {
    LocalHandoffChannel editor(dir.path());
    const std::string path = editor.socketPath(editorWindow()).toStdString();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    path.copy(addr.sun_path, sizeof addr.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);  // the file stays, nobody listens
    EXPECT_FALSE(editor.findWindow(editorWindow()));
    ASSERT_TRUE(openEditor(editor));
    EXPECT_EQ(editor.ownSocketPath().toStdString(), path);
    EXPECT_TRUE(post({1100, 777, 0}));
    EXPECT_EQ(received.size(), 1u);
}

TEST_F(LocalChannel, IdleConnectionsNeverKeepAMessageOut) {
    LocalHandoffChannel editor(dir.path());
    ASSERT_TRUE(openEditor(editor));
    // One program holds more connections than the channel keeps open, and says nothing.
    std::vector<int> idle;
    const std::string socket = editor.socketPath(editorWindow()).toStdString();
    for (int i = 0; i < 2 * LocalHandoffChannel::kMaxOpenConnections; ++i) idle.push_back(connectTo(socket));
    waitFor([] { return false; }, 100);
    for (int round = 0; round < 3; ++round) EXPECT_TRUE(post({1100, 777, round})) << round;
    EXPECT_EQ(received.size(), 3u);
    for (int fd : idle) ::close(fd);
    // Idle connections are closed after a short time.
    for (int i = 0; i < LocalHandoffChannel::kMaxOpenConnections; ++i) idle[i] = connectTo(socket);
    EXPECT_TRUE(waitFor([&] { return editor.openConnections() == LocalHandoffChannel::kMaxOpenConnections; }, 3000));
    EXPECT_TRUE(waitFor([&] { return editor.openConnections() == 0; }, 2 * LocalHandoffChannel::kFrameTimeoutMs + 2000));
    for (int i = 0; i < LocalHandoffChannel::kMaxOpenConnections; ++i) ::close(idle[i]);
}

TEST_F(LocalChannel, TenThousandGarbageConnectionsLeaveTheLoopResponsiveAndDeliverNothing) {
    LocalHandoffChannel editor(dir.path());
    ASSERT_TRUE(openEditor(editor));
    const std::string path = editor.socketPath(editorWindow()).toStdString();
    const auto good = encodeFrame({1100, 777, 0});
    std::string wrongMagic(good.begin(), good.end());
    wrongMagic[3] = 'N';
    const std::vector<std::string> garbage = {
        "", "x", std::string(good.begin(), good.end() - 1), std::string(good.begin(), good.end()) + "!",
        wrongMagic, std::string(4096, 'A'), std::string(kFrameSize, '\0')};

    std::atomic<int> sent{0};
    std::atomic<bool> finished{false};
    std::thread flood([&] {
        // Peers that connect and then say nothing, more than the channel keeps open.
        std::vector<int> idle;
        for (int i = 0; i < 2 * LocalHandoffChannel::kMaxOpenConnections; ++i) {
            const int fd = connectTo(path);
            if (fd >= 0) idle.push_back(fd);
        }
        for (int i = 0; i < 10000; ++i) {
            int fd = -1;
            for (int tries = 0; fd < 0 && tries < 2000; ++tries) {
                fd = connectTo(path);
                if (fd < 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            if (fd < 0) break;
            const std::string& g = garbage[static_cast<size_t>(i) % garbage.size()];
            if (!g.empty()) (void)::send(fd, g.data(), g.size(), MSG_NOSIGNAL);
            ::close(fd);
            ++sent;
        }
        for (int fd : idle) ::close(fd);
        finished = true;
    });

    QElapsedTimer sinceTick;
    sinceTick.start();
    qint64 longestGap = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.restart());
    });
    tick.start(10);
    const bool done = waitFor([&] { return finished.load(); }, 120000);
    flood.join();
    ASSERT_TRUE(done);
    EXPECT_EQ(sent.load(), 10000);
    EXPECT_LT(longestGap, 500) << "the event loop stood still";
    waitFor([&] { return editor.openConnections() == 0; }, 3000);
    EXPECT_EQ(editor.openConnections(), 0);
    EXPECT_TRUE(received.empty());
    // The channel still works afterwards.
    EXPECT_TRUE(post({1100, 777, 0}));
    EXPECT_EQ(received.size(), 1u);
}

TEST_F(LocalChannel, SocketsLieOnlyInAFolderOfTheUsersOwn) {
    const QString tmp = dir.filePath("tmp"), home = dir.filePath("home"), user = dir.filePath("user");
    // Where the toolkit's programs go without a runtime folder, as the channel names it.
    const QString runtimeInTmp = tmp + "/runtime-" + QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);
    const QString inHome = home + "/.cache/kvx-runtime";
    const auto mk = [](const QString& p, mode_t mode) {
        QDir().mkpath(p);
        ::chmod(QFile::encodeName(p).constData(), mode);
    };
    const auto link = [](const QString& target, const QString& at) {
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(at).constData()), 0);
    };
    struct Case {
        const char* name;
        bool runtimeSet;                // XDG_RUNTIME_DIR names `user`
        std::function<void()> prepare;  // makes the folders of the case
        QString expected;               // the folder chosen; empty: none
    };
    const std::vector<Case> cases = {
        {"RuntimeFolder", true, [&] { mk(user, 0700); }, user},
        {"RuntimeFolderOpenToOthers", true, [&] { mk(user, 0755); }, runtimeInTmp},
        {"RuntimeFolderALink", true, [&] { mk(home, 0700), link(home, user); }, runtimeInTmp},
        {"NoRuntimeFolder", false, [] {}, runtimeInTmp},
        {"TmpFolderOpenToOthers", false, [&] { mk(runtimeInTmp, 0777); }, inHome},
        {"TmpFolderALink", false, [&] { mk(home + "/x", 0700), link(home + "/x", runtimeInTmp); }, inHome},
        {"TmpFolderOfAnotherUser", false, [&] {
             // Without root the folder is at least not the user's alone.
             mk(runtimeInTmp, ::geteuid() == 0 ? 0700 : 0770);
             if (::geteuid() == 0) ASSERT_EQ(::chown(QFile::encodeName(runtimeInTmp).constData(), kNobody, kNobody), 0);
         }, inHome},
        {"NothingOfTheUsersOwn", false, [&] {
             mk(runtimeInTmp, 0777);
             QFile file(home);  // a home that is a file holds no folder
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
         }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const QString& p : {tmp, home, user}) {
            QFile::remove(p);
            QDir(p).removeRecursively();
        }
        QDir().mkpath(tmp);
        Environment env;
        env.set("TMPDIR", QFile::encodeName(tmp));
        env.set("HOME", QFile::encodeName(home));
        if (c.runtimeSet) env.set("XDG_RUNTIME_DIR", QFile::encodeName(user));
        else env.unset("XDG_RUNTIME_DIR");
        c.prepare();
        // A program of someone else listening where the socket landed when the runtime
        // folder was refused.
        StrangerSocket squatter((tmp + "/KVX_Edit_MessageForm_NoFileMapping").toStdString());

        LocalHandoffChannel editor;
        std::vector<platform::WindowMessage> got;
        EXPECT_EQ(openEditor(editor, got), !c.expected.isEmpty());
        if (!c.expected.isEmpty()) {
            EXPECT_EQ(QFileInfo(editor.ownSocketPath()).path(), c.expected);
            struct stat st {};
            ASSERT_EQ(::lstat(QFile::encodeName(c.expected).constData(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0700u);
            EXPECT_EQ(st.st_uid, ::geteuid());
            EXPECT_TRUE(editor.unavailableReason().empty());
            EXPECT_TRUE(postFromAnotherProgram({}, editorWindow(), {1100, 777, 0}));
            EXPECT_EQ(got.size(), 1u);
        } else {
            EXPECT_EQ(QString::fromStdString(editor.unavailableReason()),
                      "Передача файлов между программами тестера отключена: нет папки, доступной только вам "
                      "(проверены: " + runtimeInTmp + ", " + inHome + ")");
            EXPECT_FALSE(LocalHandoffChannel().findWindow(editorWindow()));
            EXPECT_FALSE(postFromAnotherProgram({}, editorWindow(), {1100, 777, 0}));
        }
        EXPECT_EQ(squatter.connections(), 0);
        EXPECT_EQ(squatter.bytes(), 0);
    }
    // A folder given to the channel is held to the same rule.
    const QString open = dir.filePath("open");
    mk(open, 0755);
    LocalHandoffChannel given(open);
    EXPECT_FALSE(given.openOwnWindow(editorWindow(), [](const platform::WindowMessage&) { return true; }));
    EXPECT_FALSE(given.findWindow(editorWindow()));
    EXPECT_NE(given.unavailableReason(), "");
}

TEST_F(LocalChannel, AProgramOfAnotherUserIsNeverSentAnything) {
    if (::geteuid() != 0) GTEST_SKIP() << "a socket of another user needs root to be made";
    for (const auto& window : {editorWindow(), testerWindow()}) {
        SCOPED_TRACE(window.title);
        LocalHandoffChannel channel(dir.path());
        StrangerSocket stranger(channel.socketPath(window).toStdString(), kNobody);
        ASSERT_TRUE(stranger.listening());
        EXPECT_FALSE(channel.findWindow(window));
        EXPECT_FALSE(post({window.title == editorWindow().title ? 1100u : 1101u, 777, 0}, window));
        waitFor([] { return false; }, 400);
        EXPECT_GE(stranger.connections(), 1);  // it was reached, and told nothing
        EXPECT_EQ(stranger.bytes(), 0);
    }
}

}  // namespace
}  // namespace kvx::handoff::ui
