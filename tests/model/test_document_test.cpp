#include <gtest/gtest.h>

#include "model/test_document.h"

using namespace kvx::model;

TEST(TestDocument, ClearedDocumentIsTheNewTest) {
    TestDocument doc;
    doc.setPinType(3, PinType::InOut);
    doc.setCell(0, 3, 5, kHigh);
    doc.setTactCount(40);
    doc.dataWords().push_back(DataWord{});
    std::string title;
    int cleared = 0;
    doc.events().titleChanged = [&](const std::string& t) { title = t; };
    doc.events().cleared = [&] { ++cleared; };
    doc.clearDocument();
    EXPECT_EQ(doc.pinCount(), 8);
    EXPECT_EQ(doc.tactCount(), 26);
    EXPECT_EQ(doc.tactHighWater(), 26);
    EXPECT_EQ(doc.testName(), "Основной Тест");
    EXPECT_EQ(title, "KVX - Новый тест     Редактор");
    EXPECT_EQ(cleared, 1);
    EXPECT_TRUE(doc.saved());
    EXPECT_EQ(doc.activeAlgorithm(), 0);
    EXPECT_EQ(doc.algorithms()[0].active, 1);
    EXPECT_EQ(doc.dataWords().size(), 1u) << "a new test keeps the words of the previous one";
    for (int r = 1; r <= 8; ++r) {
        EXPECT_EQ(doc.pin(r).pinType, "I");
        for (int t = 1; t <= 26; ++t) ASSERT_EQ(doc.getCell(0, r, t), kInactive);
    }
    // Raising the count after a clear must not bring back levels of the old test.
    doc.setTactCount(40);
    for (int t = 1; t <= 40; ++t) EXPECT_EQ(doc.getCell(0, 3, t), kInactive);
    EXPECT_EQ(doc.signalRow(0, 5), 5);
    EXPECT_EQ(doc.ioPinCount(), 0);
}

TEST(TestDocument, SetCellBehindAndBeyondTheLastTact) {
    TestDocument doc;
    doc.setCell(0, 1, 27, kHigh);  // the tact just behind the last one is ignored
    EXPECT_EQ(doc.tactCount(), 26);
    EXPECT_EQ(doc.getCell(0, 1, 27), kInactive);
    EXPECT_TRUE(doc.saved());
    doc.setCell(0, 1, 28, kLow);
    EXPECT_EQ(doc.tactCount(), 28);
    EXPECT_EQ(doc.getCell(0, 1, 28), kLow);
    EXPECT_EQ(doc.getCell(0, 1, 27), kInactive);
    EXPECT_FALSE(doc.saved());
    // Out-of-range addresses are ignored and read as inactive.
    doc.setCell(0, 101, 3, kHigh);
    doc.setCell(5, 1, 3, kHigh);
    doc.setCell(0, -1, 3, kHigh);
    EXPECT_EQ(doc.getCell(0, 101, 3), kInactive);
    EXPECT_EQ(doc.getCell(3, 1, 3), kInactive);
}

TEST(TestDocument, TactCountRulesAndHighWater) {
    TestDocument doc;
    EXPECT_FALSE(doc.setTactCount(0));
    EXPECT_FALSE(doc.setTactCount(-4));
    EXPECT_FALSE(doc.setTactCount(26));
    EXPECT_TRUE(doc.saved()) << "a refused count leaves saved alone";
    int shown = 0;
    doc.events().tactCountChanged = [&](int n) { shown = n; };
    ASSERT_TRUE(doc.setTactCount(30));
    EXPECT_EQ(shown, 30);
    EXPECT_EQ(doc.baseTactCount(), 30);
    for (int t = 21; t <= 30; ++t) doc.setCell(0, 2, t, t % 2 ? kHigh : kLow);
    ASSERT_TRUE(doc.setTactCount(20));
    EXPECT_EQ(doc.getCell(0, 2, 25), kInactive) << "beyond tactCount reads as inactive";
    ASSERT_TRUE(doc.setTactCount(30));
    for (int t = 21; t <= 30; ++t) EXPECT_EQ(doc.getCell(0, 2, t), t % 2 ? kHigh : kLow);
    doc.setCell(0, 2, 31, kHigh);  // ignored: just behind the last tact
    ASSERT_TRUE(doc.setTactCount(31));
    for (int r = 1; r <= 100; ++r) EXPECT_EQ(doc.getCell(0, r, 31), kInactive);
    EXPECT_EQ(doc.tactHighWater(), 31);
}

TEST(TestDocument, StorageThatCannotGrowKeepsTheOldCount) {
    TestDocument doc;
    std::string error;
    doc.events().error = [&](const std::string& m) { error = m; };
    doc.setCell(0, 1, 5, kHigh);
    EXPECT_FALSE(doc.setTactCount(kMaxTactCount + 1));
    EXPECT_EQ(error, "Error DiagrSize");
    EXPECT_EQ(doc.tactCount(), 26);
    EXPECT_EQ(doc.getCell(0, 1, 5), kHigh);
    doc.setCell(0, 1, kMaxTactCount + 5, kHigh);  // a write that would need the storage changes nothing
    EXPECT_EQ(doc.tactCount(), 26);
}

TEST(TestDocument, InsertAndDeleteTactMoveAllRowsOfTheTest) {
    TestDocument doc;
    doc.setTactCount(16);
    doc.setTactHighWater(16);  // as after leaving the tact count field
    for (int t = 1; t <= 16; ++t) {
        doc.setCell(0, 3, t, t % 2 ? kLow : kHigh);   // 0,1,0,1,...
        doc.setCell(0, 53, t, t <= 5 ? kHigh : kLow);  // output row of pin 3
    }
    ASSERT_TRUE(doc.insertTact(5));
    EXPECT_EQ(doc.tactCount(), 17);
    const int expected[] = {0, 1, 0, 1, 0, 0, 1, 0, 1};
    for (int t = 1; t <= 9; ++t) EXPECT_EQ(doc.getCell(0, 3, t), expected[t - 1]) << t;
    EXPECT_EQ(doc.getCell(0, 53, 6), kHigh);
    EXPECT_EQ(doc.getCell(0, 53, 7), kLow);
    ASSERT_TRUE(doc.deleteTact(5));
    EXPECT_EQ(doc.tactCount(), 16);
    for (int t = 1; t <= 16; ++t) EXPECT_EQ(doc.getCell(0, 3, t), t % 2 ? kLow : kHigh) << t;
    EXPECT_EQ(doc.tactHighWater(), 17) << "deleting does not lower the high-water mark";
    doc.setTactCount(1);
    EXPECT_FALSE(doc.deleteTact(1));
    EXPECT_EQ(doc.tactCount(), 1);
}

TEST(TestDocument, TestsAreAddedAndDeleted) {
    TestDocument doc;
    doc.setCell(0, 1, 1, kHigh);
    ASSERT_TRUE(doc.addTest());
    EXPECT_EQ(doc.testCount(), 2);
    EXPECT_EQ(doc.testName(), "");
    EXPECT_EQ(doc.getCell(1, 1, 1), kInactive);
    doc.setCell(1, 1, 1, kLow);
    doc.setPinFunction(1, 2, "C1");
    for (int i = 0; i < 8; ++i) doc.addTest();
    EXPECT_EQ(doc.testCount(), 10);
    EXPECT_FALSE(doc.addTest());
    doc.setCurrentTest(0);
    ASSERT_TRUE(doc.deleteCurrentTest());
    EXPECT_EQ(doc.testCount(), 9);
    EXPECT_EQ(doc.getCell(0, 1, 1), kLow) << "later tests move one place down";
    EXPECT_EQ(doc.pinFunction(0, 2), "C1");
}

TEST(TestDocument, SmallValueRules) {
    DataWord w;
    w.direction = 3;
    EXPECT_EQ(w.effectiveDirection(), 0);
    TestParameters p;
    p.tactDuration = 0;
    EXPECT_EQ(p.effectiveTactDuration(), 2);
    p.tactDuration = 9;
    EXPECT_EQ(p.effectiveTactDuration(), 2);
    EXPECT_EQ(TestParameters::voltsToCode(2.0), 102);
    EXPECT_EQ(TestParameters::voltsToCode(0.8), 41);
    TestDocument doc;
    doc.moveSignalEntry(0, 3, 5);
    EXPECT_EQ(doc.signalRow(0, 3), 4);
    EXPECT_EQ(doc.signalRow(0, 5), 3);
    doc.moveSignalEntry(0, 5, 3);
    EXPECT_EQ(doc.signalRow(0, 3), 3);
    doc.setSignalEntry(0, 2, {7, RowKind::Output});
    EXPECT_EQ(doc.signalRow(0, 2), 57);
}
