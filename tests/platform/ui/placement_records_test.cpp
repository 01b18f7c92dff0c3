// Kept between runs: the placement of shown windows; no registry key of the toolkit's own.

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
    kvx::platform::PlacementStore store(ini);
    QDialog main, prompt;
    store.track(&main, "TBF");
    store.track(&prompt, "TRename");
    main.show();
    prompt.close();  // closing a window that was never shown stores nothing either
    store.saveAll();
    EXPECT_EQ(QSettings(ini, QSettings::IniFormat).childGroups(), QStringList{"TBF"});
}
