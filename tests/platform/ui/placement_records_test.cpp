// What the editor keeps between runs: the placement of the windows it showed, and no record
// of the toolkit's own outside the family's registry keys.

#include <QDialog>
#include <QFileDialog>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/ui/application_setup.h"
#include "platform/ui/placement_store.h"

TEST(PlacementStore, OnlyAWindowShownInThisRunHasItsPlacementStored) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("KVX_Edit.ini");
    {
        kvx::platform::PlacementStore store(ini);
        QDialog main, prompt;
        store.track(&main, "TBF");
        store.track(&prompt, "TRename");
        main.show();
        prompt.close();  // closing a window that was never shown stores nothing either
        store.saveAll();
    }
    const QStringList stored = QSettings(ini, QSettings::IniFormat).childGroups();
    EXPECT_EQ(stored, QStringList{"TBF"});
}

#ifdef _WIN32
TEST(ToolkitRecords, TheFileDialogWritesNoRegistryKeyOfTheToolkit) {
    QSettings software("HKEY_CURRENT_USER\\Software", QSettings::NativeFormat);
    software.remove("QtProject");
    software.sync();
    kvx::app::keepToolkitRecordsOutOfTheRegistry();
    { QFileDialog dialog; }  // remembers its folders when it goes
    software.sync();
    EXPECT_FALSE(software.childGroups().contains("QtProject"));
}
#endif
