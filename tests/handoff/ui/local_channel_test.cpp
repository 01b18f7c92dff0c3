// The local-socket channel: messages with both parameters reach the owner, the socket is the
// user's own, a stale socket is replaced and a live one left alone, and a flood of garbage
// connections neither blocks the event loop nor delivers anything.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "handoff/message_frame.h"
#include "handoff/protocol.h"
#include "handoff/ui/local_handoff_channel.h"

namespace kvx::handoff::ui {
namespace {

/// Runs the event loop until `done` or the time is up.
bool waitFor(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

/// A raw client socket connected to `path`; -1 when the connection was refused.
int connectTo(const std::string& path) {
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

class LocalChannel : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    bool openEditor(LocalHandoffChannel& c) {
        return c.openOwnWindow(editorWindow(), [this](const platform::WindowMessage& m) { received.push_back(m); });
    }
    QTemporaryDir dir;
    std::vector<platform::WindowMessage> received;
};

TEST_F(LocalChannel, DeliversTheNumberAndBothParametersToTheWindowNamedByItsTitle) {
    LocalHandoffChannel editor(dir.path());
    ASSERT_TRUE(openEditor(editor));
    EXPECT_EQ(QFileInfo(editor.socketPath(editorWindow())).fileName(), "KVX_Edit_MessageForm_NoFileMapping");
    LocalHandoffChannel other(dir.path());
    EXPECT_TRUE(other.findWindow(editorWindow()));
    EXPECT_FALSE(other.findWindow(testerWindow()));
    EXPECT_FALSE(other.postMessage(testerWindow(), {1101, 777, 0}));
    ASSERT_TRUE(other.postMessage(editorWindow(), {1100, 777, -3}));
    ASSERT_TRUE(other.postMessage(editorWindow(), {1100, 776, 0}));
    ASSERT_TRUE(waitFor([&] { return received.size() == 2; }));
    EXPECT_EQ(received[0], (platform::WindowMessage{1100, 777, -3}));
    EXPECT_EQ(received[1], (platform::WindowMessage{1100, 776, 0}));
    // Looking for a window is a connection without a frame: it delivers nothing.
    waitFor([] { return false; }, 200);
    EXPECT_EQ(received.size(), 2u);
}

TEST_F(LocalChannel, TheSocketIsTheUsersOwnAndALiveOneIsNotTakenOver) {
    LocalHandoffChannel editor(dir.path());
    ASSERT_TRUE(openEditor(editor));
    struct stat st {};
    ASSERT_EQ(::stat(editor.socketPath(editorWindow()).toLocal8Bit().constData(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 077, 0u) << std::oct << st.st_mode;
    EXPECT_EQ(st.st_uid, ::getuid());
    LocalHandoffChannel second(dir.path());
    EXPECT_FALSE(openEditor(second));
    EXPECT_TRUE(second.postMessage(editorWindow(), {1100, 777, 0}));
    EXPECT_TRUE(waitFor([&] { return received.size() == 1; }));
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
    EXPECT_TRUE(LocalHandoffChannel(dir.path()).postMessage(editorWindow(), {1100, 777, 0}));
    EXPECT_TRUE(waitFor([&] { return received.size() == 1; }));
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
    ASSERT_TRUE(LocalHandoffChannel(dir.path()).postMessage(editorWindow(), {1100, 777, 0}));
    EXPECT_TRUE(waitFor([&] { return received.size() == 1; }));
}

}  // namespace
}  // namespace kvx::handoff::ui
