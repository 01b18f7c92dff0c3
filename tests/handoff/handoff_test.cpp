// The hand-off in both directions, on scripted doubles: what is written to the settings
// store, in which order, what is started and posted, and which messages open a file.

#include <gtest/gtest.h>

#include "../platform/memory_settings_store.h"
#include "../platform/recording_shell.h"
#include "../platform/scripted_prompter.h"
#include "fake_channel.h"
#include "handoff/handoff.h"
#include "handoff/message_frame.h"
#include "handoff/protocol.h"

namespace kvx::handoff {
namespace {

using testing::FakeChannel;
using testing::MemorySettingsStore;
using testing::RecordingShell;
using testing::ScriptedPrompter;

const std::string kPath = "/tests/счётчик.kvx";
const std::string kDirKvx = "C:\\KVX\\";

/// Records the writes of "FileName" and of the start flag in the order they happen, and can
/// refuse one of them.
class OrderedSettings : public MemorySettingsStore {
public:
    bool setValue(const std::string& key, const std::string& name, const std::string& v) override {
        order.push_back(name);
        if (name == refuse) return false;
        return MemorySettingsStore::setValue(key, name, v);
    }
    bool setIntValue(const std::string& key, const std::string& name, int v) override {
        order.push_back(name + "=" + std::to_string(v));
        if (name == refuse) return false;
        return MemorySettingsStore::setValue(key, name, std::to_string(v));
    }
    std::vector<std::string> order;
    std::string refuse;
};

struct TesterCase {
    const char* name;
    bool running;         // the tester's window exists from the start
    bool appears;         // it appears once the tester was started
    bool startSucceeds;
    std::string refuse;   // the settings value whose write fails
    TesterHandoff expected;
    std::vector<std::string> order;  // writes in order
    bool started;
    int posts;
    bool errorShown;
    bool refusing = false;         // the tester's window does not take the message
    std::string unavailable = {};  // the channel cannot work: this is why
};

class SendToTester : public ::testing::TestWithParam<TesterCase> {};

TEST_P(SendToTester, WritesStartsWaitsAndPostsInOrder) {
    const TesterCase& c = GetParam();
    FakeChannel channel;
    OrderedSettings settings;
    RecordingShell shell;
    ScriptedPrompter prompter;
    if (c.running) channel.windows.insert(kTesterWindowTitle);
    channel.appears = [&](const platform::WindowAddress& w) {
        return c.appears && w.title == kTesterWindowTitle && !shell.started.empty();
    };
    shell.startSucceeds = c.startSucceeds;
    settings.refuse = c.refuse;
    channel.refusing = c.refusing;
    channel.unavailable = c.unavailable;
    // The tester reads the path when it handles the message: it must be there before the post.
    channel.onPost = [&] { EXPECT_EQ(settings.value("Software\\KVX_Main", "FileName"), kPath); };

    EXPECT_EQ(sendFileToTester(kPath, kDirKvx, {channel, settings, shell, prompter}), c.expected);

    EXPECT_EQ(settings.order, c.order);
    if (c.started) {
        EXPECT_EQ(shell.started, std::vector<std::string>{kDirKvx + kTesterProgram});
        EXPECT_EQ(shell.slept, c.startSucceeds ? std::vector<int>{2000} : std::vector<int>{});
    } else {
        EXPECT_TRUE(shell.started.empty());
        EXPECT_TRUE(shell.slept.empty());
    }
    ASSERT_EQ(static_cast<int>(channel.posts.size()), c.posts);
    if (!c.unavailable.empty()) EXPECT_EQ(channel.lookups, 0);
    if (c.posts == 1) {
        EXPECT_EQ(channel.posts[0].title, kTesterWindowTitle);
        EXPECT_EQ(channel.posts[0].message, (platform::WindowMessage{1101, 777, 0}));
    }
    const std::vector<std::string> errors = !c.unavailable.empty() ? std::vector<std::string>{c.unavailable}
                                            : c.errorShown         ? std::vector<std::string>{"Ошибка передачи данных"}
                                                                   : std::vector<std::string>{};
    EXPECT_EQ(prompter.errors(), errors);
    if (c.expected != TesterHandoff::Failed) {
        EXPECT_EQ(settings.value("Software\\KVX_Main", "FileName"), kPath);
    }
    if (!c.running && c.refuse != "TestCanalOnStart" && c.unavailable.empty()) {
        EXPECT_EQ(settings.value("Software\\KVX_Tester\\historylist", "TestCanalOnStart"), "0");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SendToTester,
    ::testing::Values(
        TesterCase{"Running", true, false, true, "", TesterHandoff::Posted, {"FileName"}, false, 1, false},
        TesterCase{"StartedAndAppears", false, true, true, "", TesterHandoff::Posted,
                   {"TestCanalOnStart=0", "FileName"}, true, 1, false},
        TesterCase{"NeverAppears", false, false, true, "", TesterHandoff::NoTesterWindow,
                   {"TestCanalOnStart=0", "FileName"}, true, 0, false},
        TesterCase{"StartFails", false, true, false, "", TesterHandoff::Failed, {"TestCanalOnStart=0"}, true, 0,
                   true},
        TesterCase{"FlagRefused", false, true, true, "TestCanalOnStart", TesterHandoff::Failed,
                   {"TestCanalOnStart=0"}, false, 0, true},
        TesterCase{"FileNameRefused", true, false, true, "FileName", TesterHandoff::Failed, {"FileName"}, false, 0,
                   true},
        TesterCase{"RunningButNotTaking", true, false, true, "", TesterHandoff::NoTesterWindow, {"FileName"}, false, 1,
                   false, true},
        TesterCase{"ChannelUnavailable", true, false, true, "", TesterHandoff::Failed, {}, false, 0, false, false,
                   "Передача файлов между программами тестера отключена"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OpenInTester, EndsWithoutHandOffUnlessTheFileWasSaved) {
    struct Case {
        bool saved;
        std::string fileName;
        bool handsOff;
    };
    for (const Case& c : {Case{false, "", false}, Case{false, kPath, false}, Case{true, "", false},
                          Case{true, kPath, true}}) {
        FakeChannel channel;
        channel.windows.insert(kTesterWindowTitle);
        MemorySettingsStore settings;
        RecordingShell shell;
        ScriptedPrompter prompter;
        int saves = 0;
        const auto result = openInTester([&] { return ++saves, c.saved; }, [&] { return c.fileName; }, kDirKvx,
                                         {channel, settings, shell, prompter}, nullptr);
        EXPECT_EQ(saves, 1);
        EXPECT_EQ(result.has_value(), c.handsOff) << c.saved << " " << c.fileName;
        EXPECT_EQ(channel.posts.size(), c.handsOff ? 1u : 0u);
        EXPECT_EQ(settings.has("Software\\KVX_Main", "FileName"), c.handsOff);
    }
}

TEST(SendToEditor, WritesTheNameOnlyForARunningEditorAndTellsWhetherItTookTheRequest) {
    struct Case {
        bool editorRuns;
        bool refuse;       // the settings store refuses the write
        bool notTaking;    // the editor does not take the request
        bool unavailable;  // the channel cannot work here
        EditorHandoff expected;
    };
    for (const Case& c : {Case{false, false, false, false, EditorHandoff::NoEditor},
                          Case{true, false, false, false, EditorHandoff::Delivered},
                          Case{true, true, false, false, EditorHandoff::Failed},
                          Case{true, false, true, false, EditorHandoff::NotTaken},
                          Case{true, false, false, true, EditorHandoff::Unavailable}}) {
        FakeChannel channel;
        if (c.editorRuns) channel.windows.insert(kEditorWindowTitle);
        channel.refusing = c.notTaking;
        if (c.unavailable) channel.unavailable = "нет папки";
        MemorySettingsStore settings;
        settings.values[{"Software\\KVX_Main", "FileName"}] = "earlier.kvx";
        settings.failWrites = c.refuse;
        EXPECT_EQ(sendFileToEditor(kPath, channel, settings), c.expected);
        const bool posted = c.expected == EditorHandoff::Delivered || c.expected == EditorHandoff::NotTaken;
        EXPECT_EQ(settings.value("Software\\KVX_Main", "FileName"), posted ? kPath : "earlier.kvx");
        if (posted) {
            ASSERT_EQ(channel.posts.size(), 1u);
            EXPECT_EQ(channel.posts[0].title, kEditorWindowTitle);
            EXPECT_EQ(channel.posts[0].message, (platform::WindowMessage{1100, 777, 0}));
        } else {
            EXPECT_TRUE(channel.posts.empty());
        }
    }
}

struct MailboxCase {
    platform::WindowMessage message;
    bool fileNameStored;
    bool taken;
    std::vector<std::string> opened;
    bool errorShown;
};

TEST(EditorMailbox, OpensOnlyHandOffMessagesAndReportsAMissingFileName) {
    const std::vector<MailboxCase> cases = {
        {{1100, 777, 0}, true, true, {kPath}, false},
        {{1100, 777, 5}, true, true, {kPath}, false},  // the second parameter is not looked at
        {{1100, 776, 0}, true, false, {}, false},
        {{1100, 0, 777}, true, false, {}, false},
        {{1101, 777, 0}, true, false, {}, false},
        {{1099, 777, 0}, true, false, {}, false},
        {{1100, 777, 0}, false, true, {""}, true},
    };
    for (const auto& c : cases) {
        MemorySettingsStore settings;
        if (c.fileNameStored) settings.values[{"Software\\KVX_Main", "FileName"}] = kPath;
        ScriptedPrompter prompter;
        std::vector<std::string> opened;
        EditorMailbox mailbox;
        mailbox.attach(settings, prompter, [&](const std::string& p) { opened.push_back(p); });
        EXPECT_EQ(mailbox.receive(c.message), c.taken);
        EXPECT_EQ(opened, c.opened) << c.message.number << " " << c.message.first;
        EXPECT_EQ(prompter.errors(), c.errorShown ? std::vector<std::string>{"Ошибка сообщения открытия файла"}
                                                  : std::vector<std::string>{});
    }
}

TEST(EditorMailbox, TakesEveryRequestWithItsFileNameAndOpensThemInTurn) {
    MemorySettingsStore settings;
    ScriptedPrompter prompter;
    const auto handOff = [&](EditorMailbox& mailbox, const std::string& path) {
        settings.values[{"Software\\KVX_Main", "FileName"}] = path;
        return mailbox.receive({1100, 777, 0});
    };

    // Requests that come while one is being opened (its save question is up) wait for it,
    // each with the name it came with.
    EditorMailbox mailbox;
    std::vector<std::string> opened;
    int depth = 0;
    mailbox.attach(settings, prompter, [&](const std::string& p) {
        EXPECT_EQ(++depth, 1) << "opened inside another open";
        opened.push_back(p);
        if (p == "a.kvx") {
            EXPECT_TRUE(handOff(mailbox, "b.kvx"));
            EXPECT_TRUE(handOff(mailbox, "c.kvx"));
        }
        --depth;
    });
    EXPECT_TRUE(handOff(mailbox, "a.kvx"));
    EXPECT_EQ(opened, (std::vector<std::string>{"a.kvx", "b.kvx", "c.kvx"}));

    // Before the main window exists, requests wait for it, each with its own name.
    EditorMailbox early(&settings);
    std::vector<std::string> openedEarly;
    EXPECT_TRUE(handOff(early, "d.kvx"));
    EXPECT_TRUE(handOff(early, "e.kvx"));
    int wakes = 0;
    early.setWake([&] { ++wakes; });
    early.attach(settings, prompter, [&](const std::string& p) { openedEarly.push_back(p); });
    // With an event loop, requests are opened from it, never from inside receive().
    EXPECT_TRUE(openedEarly.empty());
    EXPECT_EQ(wakes, 1);
    early.openWaiting();
    EXPECT_EQ(openedEarly, (std::vector<std::string>{"d.kvx", "e.kvx"}));

    // A flood is taken only up to what the mailbox keeps waiting.
    for (std::size_t i = 0; i < EditorMailbox::kMaxWaiting; ++i) EXPECT_TRUE(handOff(early, "f.kvx"));
    EXPECT_FALSE(handOff(early, "g.kvx"));
    early.openWaiting();
    EXPECT_EQ(openedEarly.size(), 2 + EditorMailbox::kMaxWaiting);
    EXPECT_EQ(openedEarly.back(), "f.kvx");
    EXPECT_TRUE(prompter.errors().empty());
}

TEST(MessageFrame, CarriesTheNumberAndBothParametersAndRefusesEverythingElse) {
    const platform::WindowMessage m{1100, 777, -5};
    const auto frame = encodeFrame(m);
    const std::string bytes(frame.begin(), frame.end());
    EXPECT_EQ(decodeFrame(bytes), m);
    EXPECT_EQ(decodeFrame(std::string(encodeFrame({1101, 777, 0}).data(), kFrameSize)),
              (platform::WindowMessage{1101, 777, 0}));
    std::string wrongMagic = bytes;
    wrongMagic[0] = 'X';
    for (const std::string& bad : {std::string(), bytes.substr(0, kFrameSize - 1), bytes + "x", wrongMagic,
                                   std::string(kFrameSize, '\0'), std::string("1100 777 0")})
        EXPECT_FALSE(decodeFrame(bad).has_value()) << bad.size();
    // The answer: taken or not, and nothing else.
    for (const bool taken : {true, false}) {
        const auto reply = encodeReply(taken);
        EXPECT_EQ(decodeReply(std::string_view(reply.data(), reply.size())), taken);
    }
    const auto reply = encodeReply(true);
    const std::string replyBytes(reply.begin(), reply.end());
    for (const std::string& bad : {std::string(), replyBytes.substr(0, kReplySize - 1), replyBytes + "x",
                                   std::string("KVXA\2"), bytes.substr(0, kReplySize)})
        EXPECT_FALSE(decodeReply(bad).has_value()) << bad.size();
}

}  // namespace
}  // namespace kvx::handoff
