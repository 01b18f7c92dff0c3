// "kvxtool open-in-editor" as another program of the family runs it, against an editor's
// hidden window on the real local channel: the exit status says whether an editor took the
// file, and the request goes only to the user's own editor in a folder of the user's own.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "../../handoff/ui/local_programs.h"
#include "../../platform/scripted_prompter.h"
#include "handoff/ui/editor_handoff_window.h"
#include "handoff/ui/local_handoff_channel.h"
#include "platform/ui/qt_settings_store.h"

namespace kvx::testing {
namespace {

struct ToolRun {
    int exitCode = -1;
    std::string error;
};

/// Runs kvxtool with `arguments` in the environment of this process while the event loop runs.
ToolRun runTool(const QStringList& arguments) {
    QProcess tool;
    tool.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    tool.start(QStringLiteral(KVX_TOOL_PATH), arguments);
    waitFor([&] { return tool.state() == QProcess::NotRunning; }, 30000);
    if (tool.state() != QProcess::NotRunning) {
        tool.kill();
        tool.waitForFinished();
        return {};
    }
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1,
            QString::fromUtf8(tool.readAllStandardError()).trimmed().toStdString()};
}

TEST(OpenInEditorCommand, TheExitStatusSaysWhetherTheUsersOwnEditorTookTheFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString tmp = dir.filePath("tmp"), home = dir.filePath("home"), config = dir.filePath("config");
    const QString runtimeInTmp = tmp + "/runtime-" + QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);
    const QString test = dir.filePath("Тесты/счётчик.kvx");
    QDir().mkpath(dir.filePath("Тесты"));

    enum class Editor { None, Taking, NotTaking };
    struct Case {
        const char* name;
        std::function<void()> prepare;  // the folders of the case
        Editor editor;
        int exitCode;
        std::string error;  // standard error
    };
    const auto takenByAnother = [&] {
        // The folder of the toolkit's programs in the shared temporary folder is not the
        // user's alone (someone else's where that can be made).
        QDir().mkpath(runtimeInTmp);
        const QByteArray path = QFile::encodeName(runtimeInTmp);
        if (::geteuid() == 0) ASSERT_EQ(::chown(path.constData(), 65534, 65534), 0);
        else ::chmod(path.constData(), 0777);
    };
    const std::string refusal = "kvxtool: Передача файлов между программами тестера отключена: нет папки, доступной "
                                "только вам (проверены: " +
                                (runtimeInTmp + ", " + home + "/.cache/kvx-runtime)").toStdString();
    const std::vector<Case> cases = {
        {"NoEditor", [] {}, Editor::None, 3, "kvxtool: no editor is running"},
        {"EditorTakes", [] {}, Editor::Taking, 0, ""},
        {"EditorDoesNotTake", [] {}, Editor::NotTaking, 4, "kvxtool: the running editor did not take the file"},
        {"TmpFolderTakenNoEditor", takenByAnother, Editor::None, 3, "kvxtool: no editor is running"},
        {"TmpFolderTakenEditorInHome", takenByAnother, Editor::Taking, 0, ""},
        {"NoFolderOfTheUsersOwn", [&] {
             takenByAnother();
             QFile file(home);  // a home that is a file holds no folder
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
         }, Editor::None, 2, refusal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const QString& p : {tmp, home, config}) {
            QFile::remove(p);
            QDir(p).removeRecursively();
        }
        QDir().mkpath(tmp);
        Environment env;
        env.unset("XDG_RUNTIME_DIR");
        env.set("TMPDIR", QFile::encodeName(tmp));
        env.set("HOME", QFile::encodeName(home));
        env.set("XDG_CONFIG_HOME", QFile::encodeName(config));
        c.prepare();
        // Someone else's program where the editor's socket landed when the runtime folder
        // was refused.
        StrangerSocket squatter((tmp + "/KVX_Edit_MessageForm_NoFileMapping").toStdString());

        platform::QtSettingsStore settings(config + "/KVX/user_settings.ini");
        std::unique_ptr<handoff::ui::EditorHandoffWindow> editor;
        std::vector<std::string> opened;
        ScriptedPrompter prompter;
        if (c.editor == Editor::Taking) {
            editor = std::make_unique<handoff::ui::EditorHandoffWindow>(
                std::make_unique<handoff::ui::LocalHandoffChannel>(), &settings);
            ASSERT_TRUE(editor->receiving());
            editor->mailbox().attach(settings, prompter, [&](const std::string& p) { opened.push_back(p); });
        } else if (c.editor == Editor::NotTaking) {
            editor = std::make_unique<handoff::ui::EditorHandoffWindow>(
                std::make_unique<handoff::ui::LocalHandoffChannel>(), &settings);
            // Its mailbox is full: it takes nothing more.
            for (std::size_t i = 0; i < handoff::EditorMailbox::kMaxWaiting; ++i)
                ASSERT_TRUE(editor->mailbox().receive({1100, 777, 0}));
        }

        const ToolRun run = runTool({QStringLiteral("open-in-editor"), test});
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.error, c.error);
        waitFor([&] { return !opened.empty(); }, c.editor == Editor::Taking ? 3000 : 0);
        EXPECT_EQ(opened, c.editor == Editor::Taking ? std::vector<std::string>{test.toStdString()}
                                                     : std::vector<std::string>{});
        EXPECT_EQ(squatter.connections(), 0);
        EXPECT_EQ(squatter.bytes(), 0);
    }
}

TEST(OpenInEditorCommand, AnEditorOfAnotherUserIsNeverSentAnything) {
    if (::geteuid() != 0) GTEST_SKIP() << "a socket of another user needs root to be made";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Environment env;
    env.set("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
    env.set("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
    StrangerSocket stranger(dir.filePath("KVX_Edit_MessageForm_NoFileMapping").toStdString(), 65534);
    ASSERT_TRUE(stranger.listening());
    const ToolRun run = runTool({QStringLiteral("open-in-editor"), dir.filePath("t.kvx")});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.error, "kvxtool: no editor is running");
    waitFor([] { return false; }, 400);
    EXPECT_GE(stranger.connections(), 1);
    EXPECT_EQ(stranger.bytes(), 0);
}

}  // namespace
}  // namespace kvx::testing
