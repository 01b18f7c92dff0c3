// Entry point of the editor's widget tests: one QApplication for the whole run, then GoogleTest.
// Tests run on the offscreen platform unless QT_QPA_PLATFORM says otherwise, QSettings /
// QStandardPaths are redirected to test locations so that no real user settings are touched,
// and the interface is Russian as in the program (standard buttons "Да", "Нет", "Отмена").

#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include "app/ui/application_setup.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setOrganizationName("KVX_Tests");
    QApplication::setApplicationName("KVX_Edit_Tests");
    kvx::app::installRussianInterface(app);
    kvx::app::initResources();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
