// What the editor keeps between runs: only the placement of windows it showed, and no record
// of the toolkit's own outside the family's registry keys.

#include <QDialog>
#include <QFileDialog>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/ui/application_setup.h"
#include "platform/ui/placement_store.h"

using kvx::platform::PlacementStore;

TEST(PlacementStore, OnlyAWindowShownInThisRunHasItsPlacementStored) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("KVX_Edit.ini");
    {  // an earlier run left the package dialog at (40, 50)
        PlacementStore store(ini);
        QDialog package;
        store.track(&package, "TFVCCGRD");
        package.show();
        package.move(40, 50);
        package.hide();
    }
    {
        PlacementStore store(ini);
        QDialog main, package, prompt;
        store.track(&main, "TBF");
        store.track(&package, "TFVCCGRD");
        store.track(&prompt, "TRename");
        main.show();
        main.move(60, 70);
        prompt.close();  // closing a window that was never shown stores nothing either
        store.saveAll();
    }
    const QStringList stored = QSettings(ini, QSettings::IniFormat).childGroups();
    EXPECT_TRUE(stored.contains("TBF"));
    EXPECT_FALSE(stored.contains("TRename"));
    PlacementStore store(ini);
    QDialog package;
    store.track(&package, "TFVCCGRD");
    package.show();
    EXPECT_EQ(package.pos(), QPoint(40, 50)) << "the placement of the earlier run stays";
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
