// KVX_Edit: the test editor. Start-up runs in a fixed order: the toolkit, the hand-off
// receiver (so that other programs can reach the editor as early as possible), the splash
// window, then the main window and the windows that live for the whole run, each with its
// placement restored.

#include <QDialog>
#include <QFileInfo>
#include <QObject>
#include <QPointer>
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

int main(int argc, char** argv) {
    using namespace kvx::app;
    namespace platform = kvx::platform;

    // 1. The toolkit, in Russian.
    KvxApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("KVX"));
    QCoreApplication::setApplicationName(QStringLiteral("KVX_Edit"));
    installRussianInterface(app);
    initResources();

    try {
        // 2. The receiver of files passed by other programs. It only marks its place in the
        // start-up order until the hand-off window is built; it receives nothing yet.
        QObject handoffReceiver;
        handoffReceiver.setObjectName(QStringLiteral("KVX_Edit_MessageForm_NoFileMapping"));

        // 3. The splash window, painted at once; the main window closes it when first activated.
        QPointer<TSplashForm> splash = new TSplashForm;
        splash->showAndPaint();

        // 4. The program title is the caption of every message box (see Prompter).

        // 5. The windows, each with its placement restored; the main window first.
        platform::QtPrompter prompter;
        platform::QtSettingsStore settings;
        platform::QtShell shell;
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
        // Windows created for each use keep their placement in the same file.
        QObject::connect(mainWindow.diagramArea(), &kvx::diagram::DiagramWidget::coloursDialogCreated, &placement,
                         [&placement](QDialog* dialog) { placement.track(dialog, QStringLiteral("TFColors")); });
        mainWindow.setSplash(splash);
        QObject::connect(&app, &QCoreApplication::aboutToQuit, &placement, [&placement] { placement.saveAll(); });

        mainWindow.show();
        mainWindow.activateWindow();

        // Files named on the command line, once the window is up.
        QTimer::singleShot(0, &mainWindow, [&mainWindow] {
            openCommandLineFiles(mainWindow, QCoreApplication::arguments());
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
