// KVX_Edit: the test editor. Start-up runs in a fixed order: the toolkit, the hand-off
// receiver (so that other programs can reach the editor as early as possible), the splash
// window, then the main window and the windows that live for the whole run, each with its
// placement restored.

#include <QDialog>
#include <QFileInfo>
#include <QObject>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>
#include <exception>

#include "platform/prompter.h"
#include "app/ui/application_setup.h"
#include "app/ui/command_line.h"
#include "app/ui/kvx_application.h"
#include "platform/ui/placement_store.h"
#include "platform/ui/qt_prompter.h"
#include "platform/ui/qt_settings_store.h"
#include "platform/ui/qt_shell.h"
#include "app/ui/splash_form.h"
#include "app/ui/tbf.h"
#include "diagram/ui/diagram_widget.h"
#include "functions/ui/formula_dialog.h"
#include "functions/ui/generator_dialog.h"
#include "params/ui/package_dialog.h"
#include "params/ui/parameters_dialog.h"
#include "words/ui/editor_word.h"
#include "words/ui/rename_dialog.h"
#include "handoff/handoff.h"
#include "handoff/ui/editor_handoff_window.h"
#ifdef _WIN32
#include "handoff/win32/win32_shell.h"
#endif

int main(int argc, char** argv) {
    using namespace kvx::app;
    namespace platform = kvx::platform;

    // 1. The toolkit, in Russian.
    KvxApplication app(argc, argv);
    setApplicationNames();
    installRussianInterface(app);
    initResources();

    try {
        platform::QtSettingsStore settings;
        // A test file opened from the desktop while an editor runs goes to that editor, as the
        // other programs of the family hand files over, and this one ends at once; when no
        // editor takes it, this one starts and opens it itself.
        if (const QStringList files = commandLineFiles(QCoreApplication::arguments()); files.size() == 1) {
            const auto channel = kvx::handoff::ui::makeSystemChannel();
            if (kvx::handoff::sendFileToEditor(files.front().toStdString(), *channel, settings) ==
                kvx::handoff::EditorHandoff::Delivered)
                return 0;
        }
        // 2. The hidden hand-off window, through which other programs pass files to the editor.
        kvx::handoff::ui::EditorHandoffWindow handoffWindow(&settings);

        // 3. The splash window, painted at once; the main window closes it when first activated.
        QPointer<TSplashForm> splash = new TSplashForm;
        splash->showAndPaint();

        // 4. The program title is the caption of every message box (see Prompter).

        // 5. The windows, each with its placement restored; the main window first.
        platform::QtPrompter prompter;
#ifdef _WIN32
        // Help files open with the shell's verb, folder and window state, as the system offers them.
        kvx::handoff::win32::Win32Shell shell;
#else
        platform::QtShell shell;
#endif
        const QFileInfo program(QCoreApplication::applicationFilePath());
        const ProgramLocation location{QCoreApplication::applicationDirPath().toStdString(),
                                       program.completeBaseName().toStdString()};
        platform::PlacementStore placement(platform::PlacementStore::defaultPath(QCoreApplication::applicationDirPath(),
                                                             program.completeBaseName()));
        TBF mainWindow(ShellServices{prompter, settings, shell, location});
        prompter.setParent(&mainWindow);
        placement.track(&mainWindow, QStringLiteral("TBF"));
        placement.track(mainWindow.formulaDialog(), QStringLiteral("Tfm_Funct"));
        placement.track(mainWindow.generatorDialog(), QStringLiteral("Tfm_zapinit"));
        placement.track(mainWindow.packageDialog(), QStringLiteral("TFVCCGRD"));
        placement.track(mainWindow.parametersDialog(), QStringLiteral("TfmParam"));
        placement.track(mainWindow.wordEditor(), QStringLiteral("TEditorWord"));
        placement.track(mainWindow.namePrompt(), QStringLiteral("TRename"));
        // Windows created for each use keep their placement in the same file.
        QObject::connect(mainWindow.diagramArea(), &kvx::diagram::DiagramWidget::coloursDialogCreated, &placement,
                         [&placement](QDialog* dialog) { placement.track(dialog, QStringLiteral("TFColors")); });
        QObject::connect(&mainWindow, &TBF::descriptionDialogCreated, &placement,
                         [&placement](QDialog* dialog) { placement.track(dialog, QStringLiteral("TfmTestInfo")); });
        mainWindow.setSplash(splash);
        // The hand-off: files passed by other programs open as a recent-files item does;
        // "Открыть в тестере" hands files out through the same channel.
        handoffWindow.mailbox().attach(settings, prompter, [&mainWindow](const std::string& path) {
            mainWindow.openPassedFile(QString::fromStdString(path));
        });
        mainWindow.setHandoffChannel(&handoffWindow.channel());
        // Without a folder of the user's own the hand-off is off; the status bar says why.
        if (const std::string reason = handoffWindow.channel().unavailableReason(); !reason.empty())
            mainWindow.statusBar()->showMessage(QString::fromStdString(reason), 30000);
        QObject::connect(&app, &QCoreApplication::aboutToQuit, &placement, [&placement] { placement.saveAll(); });

        mainWindow.show();
        mainWindow.activateWindow();
        // Once the loop runs: the files named on the command line; when none of them opened, the
        // first test begins with its package.
        QTimer::singleShot(0, &mainWindow, [&mainWindow] {
            openCommandLineFiles(mainWindow, QCoreApplication::arguments());
            mainWindow.choosePackageAtStartUp();
        });

        // 6. The message loop; a failure inside a command is shown and the loop goes on.
        const int code = KvxApplication::exec();
        delete splash.data();
        return code;
    } catch (const std::exception& e) {
        KvxApplication::showFailure(QString::fromUtf8(e.what()));
    } catch (...) {
        KvxApplication::showFailure(QStringLiteral("Неизвестная ошибка"));
    }
    return 1;
}
