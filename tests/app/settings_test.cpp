#include <gtest/gtest.h>

#include "app/settings.h"
#include "../platform/memory_settings_store.h"

using namespace kvx::app;
using kvx::testing::MemorySettingsStore;

TEST(StartupSettings, FirstStartCreatesBothKeysWithEmptyValues) {
    MemorySettingsStore store;
    const auto s = readStartupSettings(store);
    for (const char* name : {"Hist1", "Hist2", "Hist3", "Hist4", "PathRSQ1", "PathRSQ2", "PathRSQ3", "PathRSQ4",
                             "PathProgram", "Path"}) {
        EXPECT_TRUE(store.has(kHistoryKey, name)) << name;
        EXPECT_EQ(store.value(kHistoryKey, name), "") << name;
    }
    for (const char* name : {"Dir_KVX", "Dir_Tests", "Dir_PDF"}) {
        EXPECT_TRUE(store.has(kMainKey, name)) << name;
        EXPECT_EQ(store.value(kMainKey, name), "");
    }
    EXPECT_EQ(store.values.size(), 13u);
    for (const auto& h : s.history) EXPECT_EQ(h, "");
    EXPECT_EQ(s.dirTests, "");
}

TEST(StartupSettings, ExistingKeysAreReadAndNotRefilled) {
    MemorySettingsStore store;
    store.setValue(kHistoryKey, "Hist1", "/t/one.kvx");
    store.setValue(kHistoryKey, "Hist3", "/t/three.kvx");
    store.setValue(kMainKey, "Dir_Tests", "/tests");
    store.setValue(kMainKey, "Dir_KVX", "/kvx/");
    store.writes = 0;
    const auto s = readStartupSettings(store);
    EXPECT_EQ(store.writes, 0);  // both keys exist: nothing is created
    EXPECT_FALSE(store.has(kHistoryKey, "PathRSQ1"));
    EXPECT_EQ(s.history[0], "/t/one.kvx");
    EXPECT_EQ(s.history[1], "");
    EXPECT_EQ(s.history[2], "/t/three.kvx");
    EXPECT_EQ(s.dirTests, "/tests");
    EXPECT_EQ(s.dirKvx, "/kvx/");
    EXPECT_EQ(s.dirPdf, "");
}

TEST(StartupSettings, OnlyTheMissingKeyIsCreated) {
    MemorySettingsStore store;
    store.setValue(kMainKey, "Dir_PDF", "/pdf");
    readStartupSettings(store);
    EXPECT_TRUE(store.has(kHistoryKey, "Path"));
    EXPECT_FALSE(store.has(kMainKey, "Dir_KVX"));
    EXPECT_EQ(store.value(kMainKey, "Dir_PDF"), "/pdf");
}

TEST(StartupSettings, AStoreThatRefusesWritesStillGivesEmptyTexts) {
    MemorySettingsStore store;
    store.failWrites = true;
    const auto s = readStartupSettings(store);
    EXPECT_EQ(s.history[0], "");
    EXPECT_EQ(s.dirKvx, "");
    RecentFiles r;
    r.moveToTop("/a.kvx");
    EXPECT_FALSE(writeRecentFiles(store, r));
}

TEST(StartupSettings, RecentFilesAreWrittenInOrderAndReadBack) {
    MemorySettingsStore store;
    RecentFiles r;
    for (const char* p : {"/1.kvx", "/2.kvx", "/3.kvx", "/4.kvx", "/5.kvx"}) r.moveToTop(p);
    ASSERT_TRUE(writeRecentFiles(store, r));
    EXPECT_EQ(store.value(kHistoryKey, "Hist1"), "/5.kvx");
    EXPECT_EQ(store.value(kHistoryKey, "Hist4"), "/2.kvx");
    const auto s = readStartupSettings(store);
    EXPECT_EQ(s.history[0], "/5.kvx");
    EXPECT_EQ(s.history[3], "/2.kvx");
}
