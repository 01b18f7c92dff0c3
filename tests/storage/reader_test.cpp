#include <gtest/gtest.h>

#include <fstream>

#include "storage/test_file.h"
#include "test_support.h"

using namespace kvx;
using namespace kvx::model;
using kvx::testing::loadLines;

namespace {

/// A small DIP8 file; `body` replaces the signal part after the tact count line.
std::vector<std::string> dip8(const std::vector<std::string>& pinTypes, const std::vector<std::string>& signals,
                              const std::vector<std::string>& tail = {"АлгоритмТестирования=0", "Конец Файла"}) {
    std::vector<std::string> l = {"Тип корпуса=DIP8"};
    for (size_t n = 0; n < 8; ++n) l.push_back(std::to_string(n + 1) + "=" + (n < pinTypes.size() ? pinTypes[n] : "I"));
    l.insert(l.end(), {"Число Тестов=1", "Тест0=\"T\"", "Слов Данных=0", "Число Тактов=6",
                       "Число сигналов управления=" + std::to_string(signals.size() / 2)});
    l.insert(l.end(), signals.begin(), signals.end());
    l.insert(l.end(), tail.begin(), tail.end());
    return l;
}

std::string levelsOf(const TestDocument& doc, int row) {
    std::string s;
    for (int t = 1; t <= doc.tactCount(); ++t) s += static_cast<char>('0' + doc.getCell(0, row, t));
    return s;
}

}  // namespace

TEST(Reader, PackageLine) {
    TestDocument doc;
    auto r = loadLines(doc, {"Тип корпуса=SOIC28"});
    EXPECT_EQ(doc.pinCount(), 28);
    EXPECT_EQ(doc.package().packageType, PackageType::SOIC);
    EXPECT_EQ(r.status, storage::LoadStatus::Loaded);

    doc.setCell(0, 1, 1, kHigh);
    r = loadLines(doc, {"Тип корпуса=DIP22", "1=O"}, "/data/user.kvx");
    EXPECT_EQ(r.status, storage::LoadStatus::PackageRejected);
    EXPECT_EQ(r.messages, std::vector<std::string>{"Ошибка Загрузки №001"});
    EXPECT_EQ(doc.pinCount(), 8);
    EXPECT_EQ(doc.getCell(0, 1, 1), kInactive);
    EXPECT_EQ(doc.title(), "KVX - /data/user.kvx");
    EXPECT_EQ(doc.fileName(), "") << "a later save must not overwrite the rejected file";
}

TEST(Reader, SignalRecordsLevelsAndFormulas) {
    TestDocument doc;
    auto r = loadLines(doc, dip8({"I", "I", "I/O", "O", "NC", "O", "GND", "VCC"},
                                 {"i1=A", "_-*_-x", "i2=B", "-_--__", "i3=D0", "______", "o3=D0", "------",
                                  "o4=Q", "-_-_-_", "o6=F", "F=C1&C2"}));
    EXPECT_TRUE(r.messages.empty()) << r.messages.front();
    EXPECT_EQ(doc.ioPinCount(), 1);
    EXPECT_EQ(levelsOf(doc, 1), "012012") << "a character that is not a level leaves the cell";
    EXPECT_EQ(doc.pin(53).pinType, "O/i");
    EXPECT_EQ(levelsOf(doc, 53), "111111");
    EXPECT_EQ(doc.pin(53).pinName, "D0");
    EXPECT_EQ(doc.signalRow(0, 4), 53);
    EXPECT_EQ(levelsOf(doc, 4), "101010") << "o-prefix on an output pin fills its own row";
    EXPECT_EQ(doc.pin(6).pinType, "O=F(c)");
    EXPECT_EQ(doc.pinFunction(0, 6), "C1&C2");
    EXPECT_EQ(levelsOf(doc, 6), "002002") << "function rows are computed after the load; pin 1 is inactive at 3 and 6";
    // NC, GND and VCC follow the signal rows, inactive.
    EXPECT_EQ(doc.signalRow(0, 7), 5);
    EXPECT_EQ(doc.signalRow(0, 8), 7);
    EXPECT_EQ(doc.signalRow(0, 9), 8);
    EXPECT_EQ(levelsOf(doc, 5), "222222");
    EXPECT_TRUE(doc.saved());
    EXPECT_EQ(doc.testName(), "T");
}

TEST(Reader, LevelLineLongerThanTheTactCount) {
    TestDocument doc;
    loadLines(doc, dip8({}, {"i1=", "-------_"}));
    // Position 7 is tact count + 1 and is dropped; position 8 raises the count to 8.
    EXPECT_EQ(doc.tactCount(), 8);
    EXPECT_EQ(levelsOf(doc, 1), "11111120");
}

TEST(Reader, OnlyTheFirstUnreadableNumberIsReported) {
    TestDocument doc;
    auto l = dip8({}, {"iX=", "___", "i2=", "---"});
    l[9] = "Число Тестов=один";
    auto r = loadLines(doc, l);
    EXPECT_EQ(r.messages, std::vector<std::string>{"Ошибка чтения файла LoadColT"});
    EXPECT_EQ(doc.testCount(), 1);
    EXPECT_EQ(levelsOf(doc, 2), "111222") << "the load goes on";

    l = dip8({}, {"iX=", "___"});
    r = loadLines(doc, l);
    EXPECT_EQ(r.messages, std::vector<std::string>{"Ошибка чтения файла LoadCont"});
    EXPECT_EQ(levelsOf(doc, 0), "000222") << "an unreadable signal number gives row 0";

    l = dip8({}, {});
    l[12] = "Число Тактов=";
    r = loadLines(doc, l);
    EXPECT_EQ(r.messages, std::vector<std::string>{"Ошибка чтения файла LoadS"});
    EXPECT_EQ(doc.tactCount(), 26);
}

TEST(Reader, DataWords) {
    TestDocument doc;
    std::vector<std::string> l = {"Тип корпуса=DIP8"};
    for (int n = 1; n <= 8; ++n) l.push_back(std::to_string(n) + "=I");
    l.insert(l.end(), {"Число Тестов=1", "Тест0=\"T\"", "Слов Данных=3", "СистемаСчисления=8", "ADR=2|1", "3",
                       "4", "DAT=1|x", "5", "Z=0|7", "Число Тактов=4", "Число сигналов управления=0",
                       "АлгоритмТестирования=0"});
    auto r = loadLines(doc, l);
    EXPECT_TRUE(r.messages.empty());
    ASSERT_EQ(doc.dataWords().size(), 3u);
    EXPECT_EQ(doc.dataWords()[0].wordName, "ADR");
    EXPECT_EQ(doc.dataWords()[0].members(), (std::vector<int>{3, 4}));
    EXPECT_EQ(doc.dataWords()[0].direction, 1);
    EXPECT_EQ(doc.dataWords()[1].direction, 1) << "an unreadable direction gives 1";
    EXPECT_EQ(doc.dataWords()[2].effectiveDirection(), 0);
    for (const auto& w : doc.dataWords()) EXPECT_EQ(w.radix, 8);
    EXPECT_EQ(doc.tactCount(), 4);

    // A member count that cannot be read does not run past the buffer, and no count beyond
    // the slots of a word is believed.
    l[13] = "ADR=99999999|1";
    r = loadLines(doc, l);
    EXPECT_EQ(r.messages.front(), "Ошибка чтения файла LoadWordColCont");
}

TEST(Reader, Algorithms) {
    TestDocument doc;
    auto r = loadLines(doc, dip8({}, {}, {"АлгоритмТестирования=7", "Конец Файла"}));
    EXPECT_TRUE(r.messages.empty());
    for (const auto& a : doc.algorithms()) EXPECT_EQ(a.active, 0);
    EXPECT_EQ(doc.activeAlgorithm(), 0);

    r = loadLines(doc, dip8({}, {}, {"АлгоритмТестирования=1", "ВсегоЦиклов=5", "НачальныйТакт=2",
                                     "КонечныйТакт=x", "Конец Файла"}));
    EXPECT_EQ(r.messages, std::vector<std::string>{"Ошибка чтения файла LoadAlgData"});
    EXPECT_EQ(doc.activeAlgorithm(), 1);
    EXPECT_EQ(doc.algorithm(Algorithm::Cyclic).cycleCount, 5);
    EXPECT_EQ(doc.algorithm(Algorithm::Cyclic).startTact, 2);
    EXPECT_EQ(doc.algorithm(Algorithm::Cyclic).endTact, 1) << "an unreadable field keeps its value";

    // Without words addresses are decimal.
    r = loadLines(doc, dip8({}, {}, {"АлгоритмТестирования=2", "НачальныйТакт=3", "Адрес=2", "ТактАдреса=4",
                                     "ТактовАдреса=5", "НачальныйАдрес=12", "КонечныйАдрес=1F", "Данные=1",
                                     "ТактДанных=6", "ИмяФайлаДанных=rom.bin", "Конец Файла"}));
    EXPECT_EQ(r.messages, std::vector<std::string>{"Ошибка чтения файла LoadA"});
    const auto& rom = doc.algorithm(Algorithm::Rom);
    EXPECT_EQ(rom.startTact, 3);
    EXPECT_EQ(rom.addressWord, 1);
    EXPECT_EQ(rom.startAddress, 12u);
    EXPECT_EQ(rom.endAddress, 0u);
    EXPECT_EQ(rom.dataWord, 0);
    EXPECT_EQ(rom.dataFileName, "rom.bin");
}

TEST(Reader, TrailerProbes) {
    TestDocument doc;
    const std::vector<std::string> head = {"АлгоритмТестирования=0", "Конец Файла"};
    auto withTail = [&](std::vector<std::string> tail) {
        tail.insert(tail.begin(), head.begin(), head.end());
        return dip8({}, {}, tail);
    };
    auto r = loadLines(doc, withTail({"Дополнительные парметры:( uhul, gen)", "25641", "5", "Файл описания:", "d.doc"}));
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(doc.testParameters().levelHighCode, 100);
    EXPECT_EQ(doc.testParameters().levelLowCode, 41);
    EXPECT_EQ(doc.testParameters().tactDuration, 5);
    EXPECT_EQ(doc.descriptionFile(), "d.doc");

    // Description first: probe 3 then looks at the uhul line, not the header.
    r = loadLines(doc, withTail({"Файл описания:", "d.doc", "Дополнительные парметры:( uhul, gen)", "25641", "5"}));
    EXPECT_EQ(doc.descriptionFile(), "d.doc");
    EXPECT_EQ(doc.testParameters(), TestParameters{});
    // With one more line between them, the parameters are found.
    r = loadLines(doc, withTail({"Файл описания:", "d.doc", "", "Дополнительные парметры:( uhul, gen)", "25641", "9"}));
    EXPECT_EQ(doc.testParameters().levelHighCode, 100);
    EXPECT_EQ(doc.testParameters().tactDuration, 2) << "a duration outside 1..8 becomes 2";

    // A uhul line that is not a number is reported and the load still finishes.
    r = loadLines(doc, dip8({"O=F(c)"}, {"o1=", "F=1"},
                            {"АлгоритмТестирования=0", "Конец Файла", "Дополнительные парметры:( uhul, gen)", "abc",
                             "3", "Файл описания:", "x"}));
    EXPECT_EQ(r.messages, std::vector<std::string>{"Ошибка чтения файла LoadUhul"});
    EXPECT_EQ(doc.testParameters().levelHighCode, 102);
    EXPECT_EQ(doc.testParameters().tactDuration, 3);
    EXPECT_EQ(doc.descriptionFile(), "x");
    EXPECT_EQ(levelsOf(doc, 1), "111111") << "function rows are still computed";
    EXPECT_TRUE(doc.saved());
}

TEST(Reader, UnreadableFilesLeaveTheDocumentAlone) {
    kvx::testing::TempDir dir;
    TestDocument doc;
    doc.setCell(0, 1, 1, kHigh);
    auto r = storage::loadTestFile(doc, dir.file("missing.kvx"));
    EXPECT_EQ(r.status, storage::LoadStatus::Unreadable);
    EXPECT_FALSE(r.reason.empty());
    EXPECT_EQ(doc.getCell(0, 1, 1), kHigh);
    r = storage::loadTestFile(doc, dir.path.string());
    EXPECT_EQ(r.status, storage::LoadStatus::Unreadable);

    // A line beyond the reader's cap is refused with a message, not read.
    {
        std::ofstream out(dir.file("long.kvx"), std::ios::binary);
        out << "Тип корпуса=DIP8\r\n" << std::string(storage::kMaxLineLength + 10, '-') << "\r\n";
    }
    r = storage::loadTestFile(doc, dir.file("long.kvx"));
    EXPECT_EQ(r.status, storage::LoadStatus::Unreadable);
    EXPECT_EQ(doc.getCell(0, 1, 1), kHigh);
}

TEST(Reader, ReadsWhatTheWriterWritesBeyondTheOldLimits) {
    // 51 words of 40 members and 120,000 tacts: more than 1000 lines and longer than 99,999 characters.
    kvx::testing::TempDir dir;
    TestDocument doc;
    doc.setPackage({PackageType::DIP, 40});
    for (int w = 0; w < kMaxDataWords; ++w) {
        DataWord word;
        word.wordName = "W" + std::to_string(w);
        for (int r = 1; r <= 40; ++r) word.addMember(r);
        doc.dataWords().push_back(word);
    }
    doc.setTactCount(120000);
    doc.setCell(0, 40, 120000, kLow);
    ASSERT_TRUE(storage::saveTestFile(doc, dir.file("big.kvx")).ok);
    TestDocument back;
    const auto r = storage::loadTestFile(back, dir.file("big.kvx"));
    EXPECT_EQ(r.status, storage::LoadStatus::Loaded);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(back.tactCount(), 120000);
    EXPECT_EQ(back.dataWords().size(), 51u);
    EXPECT_EQ(back.getCell(0, 40, 120000), kLow);
}

TEST(Reader, LevelsOfALongTestNeverShowWhatAnEarlierLoadLeft) {
    // A first load fills every row with 1 over 300 tacts.
    auto file = [](const std::string& row1, const std::string& row1Again, int records) {
        std::vector<std::string> l = {"Тип корпуса=DIP8"};
        for (int n = 1; n <= 8; ++n) l.push_back(std::to_string(n) + "=I");
        l.insert(l.end(), {"Число Тестов=1", "Тест0=\"T\"", "Слов Данных=0", "Число Тактов=300",
                           "Число сигналов управления=" + std::to_string(records)});
        l.insert(l.end(), {"i1=", row1});
        if (records >= 2) l.insert(l.end(), {"i1=", row1Again});
        for (int k = 3; k <= records; ++k) l.insert(l.end(), {"i" + std::to_string(k - 1) + "=", std::string(300, '-')});
        l.insert(l.end(), {"АлгоритмТестирования=0", "Конец Файла"});
        return l;
    };
    TestDocument doc;
    auto r = loadLines(doc, file(std::string(300, '-'), std::string(300, '-'), 9));
    ASSERT_EQ(doc.tactCount(), 300);
    ASSERT_EQ(doc.getCell(0, 7, 250), kHigh);

    // Characters that are not levels over the whole line: the cells stay inactive.
    r = loadLines(doc, file(std::string(150, '_') + std::string(150, 'x'), "", 1));
    EXPECT_EQ(doc.getCell(0, 1, 150), kLow);
    EXPECT_EQ(doc.getCell(0, 1, 151), kInactive);
    EXPECT_EQ(doc.getCell(0, 1, 300), kInactive);
    for (int row = 2; row <= 100; ++row) ASSERT_EQ(doc.getCell(0, row, 200), kInactive) << "row " << row;

    // A row named twice: the second line's non-levels keep what the first line set.
    r = loadLines(doc, file(std::string(300, '-'), std::string(100, '_') + std::string(200, '?'), 2));
    EXPECT_EQ(doc.getCell(0, 1, 100), kLow);
    EXPECT_EQ(doc.getCell(0, 1, 101), kHigh);
    EXPECT_EQ(doc.getCell(0, 1, 300), kHigh);

    // A line longer than the count still grows the test tact by tact.
    r = loadLines(doc, file(std::string(320, '_'), "", 1));
    EXPECT_EQ(doc.tactCount(), 320);
    EXPECT_EQ(doc.getCell(0, 1, 320), kLow);
    EXPECT_EQ(doc.getCell(0, 2, 310), kInactive);
}
