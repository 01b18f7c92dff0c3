// "Открыть в тестере" in the main window and files handed to the editor by other programs.

#include <QStatusBar>
#include <QTemporaryDir>

#include "../../app/ui/tbf_fixture.h"
#include "../fake_channel.h"
#include "handoff/handoff.h"
#include "handoff/protocol.h"
#include "handoff/ui/editor_handoff_window.h"
#include "handoff/ui/local_handoff_channel.h"
#include "local_programs.h"

namespace kvx::testing {
namespace {

class HandOff : public TbfFixture {
protected:
    void withChannel(bool testerRuns) {
        if (testerRuns) channel.windows.insert("KVX_Test_MessageForm_NoFileMapping");
        tbf().setHandoffChannel(&channel);
    }
    void runCommand() { tbf().actions().openInTester->trigger(); }
    /// A message arrives at the editor's window; what it asks for is done from the event loop.
    static bool arrive(const FakeChannel& incoming, const platform::WindowMessage& m) {
        const bool taken = incoming.arrive(m);
        QCoreApplication::processEvents();
        return taken;
    }
    FakeChannel channel;
};

TEST_F(HandOff, TheCommandIsDisabledUntilThereIsAChannel) {
    EXPECT_FALSE(tbf().actions().openInTester->isEnabled());
    withChannel(true);
    EXPECT_TRUE(tbf().actions().openInTester->isEnabled());
    EXPECT_EQ(tbf().actions().openInTester->text(), "Открыть в тестере");
}

TEST_F(HandOff, CancellingTheFileNameOfANewTestEndsTheCommandWithoutAHandOff) {
    withChannel(true);
    tbf().newFile();
    prompter.pickFile(std::nullopt);
    runCommand();
    EXPECT_EQ(prompter.dialogs.size(), 1u);
    EXPECT_TRUE(channel.posts.empty());
    EXPECT_FALSE(settings.has("Software\\KVX_Main", "FileName"));
    EXPECT_TRUE(shell.started.empty());
    EXPECT_TRUE(prompter.scriptUsed());
}

TEST_F(HandOff, AChangedTestIsSavedAndPostedOnceToTheRunningTester) {
    const std::string file = writeTest("счётчик.kvx", "A0");
    withChannel(true);
    ASSERT_EQ(tbf().loadFile(file), app::LoadOutcome::Loaded);
    doc().setCell(0, 2, 3, model::kLow);
    runCommand();
    EXPECT_TRUE(doc().saved());
    model::TestDocument reread;
    ASSERT_EQ(storage::loadTestFile(reread, file).status, storage::LoadStatus::Loaded);
    EXPECT_EQ(reread.getCell(0, 2, 3), model::kLow);
    ASSERT_EQ(channel.posts.size(), 1u);
    EXPECT_EQ(channel.posts[0].title, "KVX_Test_MessageForm_NoFileMapping");
    EXPECT_EQ(channel.posts[0].message, (platform::WindowMessage{1101, 777, 0}));
    EXPECT_EQ(settings.value("Software\\KVX_Main", "FileName"), file);
    EXPECT_FALSE(settings.has("Software\\KVX_Tester\\historylist", "TestCanalOnStart"));
    EXPECT_TRUE(shell.started.empty());
}

TEST_F(HandOff, ATesterThatDoesNotComeUpIsStartedFromDirKvxAndNamedInTheStatusBar) {
    settings.values[{"Software\\KVX_Main", "Dir_KVX"}] = "/opt/kvx/";
    const std::string file = writeTest("t.kvx", "A0");
    withChannel(false);
    ASSERT_EQ(tbf().loadFile(file), app::LoadOutcome::Loaded);
    runCommand();
    EXPECT_EQ(shell.started, std::vector<std::string>{"/opt/kvx/KVX_Test"});
    EXPECT_EQ(shell.slept, std::vector<int>{2000});
    EXPECT_EQ(settings.value("Software\\KVX_Tester\\historylist", "TestCanalOnStart"), "0");
    EXPECT_EQ(settings.value("Software\\KVX_Main", "FileName"), file);
    EXPECT_TRUE(channel.posts.empty());
    EXPECT_TRUE(prompter.errors().empty());
    EXPECT_EQ(tbf().statusBar()->currentMessage().toStdString(), handoff::kTesterDidNotAnswer);
}

TEST_F(HandOff, AnIncomingHandOffOpensTheFileAsARecentItemDoesWithTheSaveQuestion) {
    auto owned = std::make_unique<FakeChannel>();
    FakeChannel& incoming = *owned;
    handoff::ui::EditorHandoffWindow window(std::move(owned));
    EXPECT_TRUE(window.receiving());
    EXPECT_EQ(incoming.ownTitle, "KVX_Edit_MessageForm_NoFileMapping");
    const std::string file = writeTest("passed.kvx", "PASSED");
    window.mailbox().attach(settings, prompter, [this](const std::string& p) {
        tbf().openPassedFile(QString::fromStdString(p));
    });
    showChangedTest();
    settings.values[{"Software\\KVX_Main", "FileName"}] = file;

    prompter.answer(platform::Answer::Cancel);
    EXPECT_TRUE(arrive(incoming, {1100, 777, 0}));
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(prompter.questions[0].text, "Сохранить изменение в файле?");
    EXPECT_FALSE(doc().saved());

    EXPECT_FALSE(arrive(incoming, {1100, 776, 0}));
    EXPECT_EQ(prompter.questions.size(), 1u);

    prompter.answer(platform::Answer::No);
    EXPECT_TRUE(arrive(incoming, {1100, 777, 0}));
    EXPECT_EQ(title(), "KVX - " + file);
    EXPECT_EQ(doc().pin(1).pinName, "PASSED");
    EXPECT_EQ(tbf().recentFiles().entry(0), file);
}

TEST_F(HandOff, AnIncomingHandOffWithoutFileNameReportsItAndLoadsNothing) {
    auto owned = std::make_unique<FakeChannel>();
    FakeChannel& incoming = *owned;
    handoff::ui::EditorHandoffWindow window(std::move(owned));
    window.mailbox().attach(settings, prompter, [this](const std::string& p) {
        tbf().openPassedFile(QString::fromStdString(p));
    });
    showChangedTest();
    prompter.answer(platform::Answer::No);
    EXPECT_TRUE(arrive(incoming, {1100, 777, 0}));
    EXPECT_EQ(prompter.errors(), std::vector<std::string>{"Ошибка сообщения открытия файла"});
    ASSERT_EQ(prompter.questions.size(), 2u);
    EXPECT_EQ(prompter.questions[1].text, "Сохранить изменение в файле?");
    EXPECT_FALSE(doc().saved());  // nothing was loaded
}

TEST_F(HandOff, RequestsThatComeWhileOneIsBeingOpenedAreTakenAndOpenedInTurn) {
    QTemporaryDir sockets;
    handoff::ui::EditorHandoffWindow window(std::make_unique<handoff::ui::LocalHandoffChannel>(sockets.path()));
    ASSERT_TRUE(window.receiving());
    const std::string first = writeTest("first.kvx", "FIRST"), second = writeTest("second.kvx", "SECOND");
    const auto handOff = [&](const std::string& file) {
        settings.values[{"Software\\KVX_Main", "FileName"}] = file;
        return postFromAnotherProgram(sockets.path(), handoff::editorWindow(), {1100, 777, 0});
    };
    std::vector<std::string> opened;
    bool secondTaken = false;
    window.mailbox().attach(settings, prompter, [&](const std::string& p) {
        opened.push_back(p);
        // The save question of the first file is up, and its loop runs, while another
        // program hands over the second.
        if (opened.size() == 1) {
            secondTaken = handOff(second);
            waitFor([] { return false; }, 300);  // the user reads the question
        }
        tbf().openPassedFile(QString::fromStdString(p));
    });
    showChangedTest();
    prompter.answer(platform::Answer::No);
    EXPECT_TRUE(handOff(first));
    EXPECT_TRUE(waitFor([&] { return opened.size() == 2; }));
    EXPECT_TRUE(secondTaken);
    EXPECT_EQ(opened, (std::vector<std::string>{first, second}));
    EXPECT_EQ(title(), "KVX - " + second);
    EXPECT_EQ(tbf().recentFiles().entry(1), first);
    ASSERT_EQ(prompter.questions.size(), 1u);
}

}  // namespace
}  // namespace kvx::testing
