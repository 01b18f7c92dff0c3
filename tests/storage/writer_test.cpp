#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "storage/test_file.h"
#include "test_support.h"

using namespace kvx;
using namespace kvx::model;
using kvx::testing::fileLines;

namespace {

std::vector<std::string> newTestLines() {
    std::vector<std::string> l = {"Тип корпуса=DIP8"};
    for (int n = 1; n <= 8; ++n) l.push_back(std::to_string(n) + "=I");
    l.insert(l.end(), {"Число Тестов=1", "Тест0=\"Основной Тест\"", "Слов Данных=0", "Число Тактов=26",
                       "Число сигналов управления=8"});
    for (int n = 1; n <= 8; ++n) {
        l.push_back("i" + std::to_string(n) + "=");
        l.push_back(std::string(26, '*'));
    }
    l.insert(l.end(), {"АлгоритмТестирования=0", "Конец Файла", "Дополнительные парметры:( uhul, gen)",
                       std::to_string(102 * 256 + 41), "2", "Файл описания:", ""});
    return l;
}

std::vector<std::string> linesOf(const TestDocument& doc) { return fileLines(storage::writeTestFileBytes(doc)); }

}  // namespace

TEST(Writer, NewTestIsThe37LineFileByteForByte) {
    TestDocument doc;
    const auto expected = newTestLines();
    ASSERT_EQ(expected.size(), 37u);
    EXPECT_EQ(storage::writeTestFileBytes(doc), kvx::testing::fileBytes(expected));
}

TEST(Writer, PinTypesSignalRecordsAndFormulas) {
    TestDocument doc;
    doc.setPinType(3, PinType::InOut);
    doc.setPinName(3, "D0");
    doc.setSignalEntry(0, 4, {3, RowKind::Output});
    for (int k = 5; k <= 9; ++k) doc.setSignalEntry(0, k, {k - 1, RowKind::Pin});
    doc.setPinType(53, PinType::IoOutput);
    doc.setPinType(7, PinType::Function);
    doc.setPinName(7, "Q");
    doc.setPinFunction(0, 7, "C1&C2");
    doc.setPinType(4, PinType::NotConnected);
    doc.setPinType(8, PinType::Supply);
    doc.setPinType(1, PinType::Ground);
    doc.setCell(0, 3, 1, kLow);
    doc.setCell(0, 3, 2, kHigh);
    const auto l = linesOf(doc);
    EXPECT_EQ(l[3], "3=I/O");
    EXPECT_EQ(l[7], "7=O") << "a function pin is stored as an output";
    EXPECT_EQ(l[1], "1=GND");
    EXPECT_EQ(l[4], "4=NC");
    EXPECT_EQ(l[13], "Число сигналов управления=6") << "8 pins + 1 output row - NC, VCC, GND";
    std::vector<std::string> records;
    for (size_t i = 14; i < 14 + 12; i += 2) records.push_back(l[i]);
    EXPECT_EQ(records, (std::vector<std::string>{"i2=", "i3=D0", "o3=D0", "i5=", "i6=", "o7=Q"}));
    EXPECT_EQ(l[17].substr(0, 3), "_-*");
    EXPECT_EQ(l[25], "F=C1&C2") << "a function row carries its formula instead of levels";
    EXPECT_EQ(l[26], "АлгоритмТестирования=0");
}

TEST(Writer, DataWordsAndTheirRadix) {
    TestDocument doc;
    doc.package();
    DataWord a;
    a.wordName = "NAME";
    a.radix = 2;
    a.direction = 1;
    for (int r : {5, 6, 7}) a.addMember(r);
    DataWord b;
    b.wordName = "ADR";
    b.radix = 16;
    for (int r : {1, 2, 3, 4, 5, 6, 7, 8}) b.addMember(r);
    doc.dataWords() = {a, b};
    const auto l = linesOf(doc);
    EXPECT_EQ(l[11], "Слов Данных=2");
    EXPECT_EQ(l[12], "СистемаСчисления=2") << "only the first word's radix is stored";
    EXPECT_EQ(std::vector<std::string>(l.begin() + 13, l.begin() + 17),
              (std::vector<std::string>{"NAME=3|1", "5", "6", "7"}));
    EXPECT_EQ(l[17], "ADR=8|0");
}

TEST(Writer, RomAddressesInTheRadixOfTheFirstWord) {
    struct Case { int radix; std::uint64_t value; const char* text; };
    const Case cases[] = {{16, 255, "FF"}, {2, 255, "11111111"}, {8, 255, "377"}, {8, 8, "10"},
                          {2, 8, "1000"}, {10, 255, "255"}, {16, 0, "0"}, {2, 0, "0"}, {8, 0, "0"},
                          {16, UINT64_MAX, "FFFFFFFFFFFFFFFF"}, {10, UINT64_MAX, "18446744073709551615"}};
    for (const Case& c : cases) {
        TestDocument doc;
        DataWord w;
        w.wordName = "A";
        w.radix = c.radix;
        w.addMember(1);
        doc.dataWords() = {w};
        auto& rom = doc.algorithm(Algorithm::Rom);
        rom.active = 1;
        rom.startAddress = c.value;
        rom.endAddress = 0;
        const auto l = linesOf(doc);
        auto it = std::find(l.begin(), l.end(), "АлгоритмТестирования=2");
        ASSERT_NE(it, l.end());
        EXPECT_EQ(*(it + 5), std::string("НачальныйАдрес=") + c.text) << c.radix << " " << c.value;
        EXPECT_EQ(*(it + 6), "КонечныйАдрес=0");
        EXPECT_EQ(*(it + 2), "Адрес=1") << "word indexes are written 1-based";
    }
}

TEST(Writer, RamSectionKeysAndOrder) {
    TestDocument doc;
    doc.algorithm(Algorithm::Cyclic).active = 1;
    doc.algorithm(Algorithm::Ram).active = 1;  // the highest active index is written
    doc.algorithm(Algorithm::Ram).writeAddressWord = 4;
    doc.algorithm(Algorithm::Ram).writeDataWord = 6;
    doc.algorithm(Algorithm::Ram).dataTactCount = 9;
    const auto l = linesOf(doc);
    auto it = std::find(l.begin(), l.end(), "АлгоритмТестирования=3");
    ASSERT_NE(it, l.end());
    const std::vector<std::string> section(it + 1, it + 17);
    EXPECT_EQ(section[5], "СловоДанныхЗаписи=5");
    EXPECT_EQ(section[11], "СловоДанныхЗаписи=7");
    EXPECT_EQ(section[14], "ТактovДанныхЧтения=9");
    EXPECT_EQ(section[15], "ТактovДанныхЗаписи=1");
    EXPECT_EQ(*(it + 17), "Конец Файла");
}

TEST(Writer, ParametersAndOddTexts) {
    TestDocument doc;
    doc.testParameters().tactDuration = 9;
    doc.testParameters().levelHighCode = 200;
    doc.testParameters().levelLowCode = 10;
    doc.setPinName(2, "Ёж");
    doc.setDescriptionFile("C:\\Тесты\\опис.doc");
    const auto bytes = storage::writeTestFileBytes(doc);
    const auto l = fileLines(bytes);
    EXPECT_EQ(l[l.size() - 4], std::to_string(200 * 256 + 10));
    EXPECT_EQ(l[l.size() - 3], "2") << "a duration outside 1..8 is written as 2";
    EXPECT_EQ(l.back(), "C:\\Тесты\\опис.doc");
    EXPECT_NE(bytes.find("i2=\x85\xA6"), std::string::npos) << "Ё is stored as Е, ж becomes 0xA6";
}

TEST(Writer, SaveReplacesTheFileOnlyWhenEverythingWasWritten) {
    kvx::testing::TempDir dir;
    TestDocument doc;
    const std::string path = dir.file("a.kvx");
    auto r = storage::saveTestFile(doc, path);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(doc.fileName(), path);
    EXPECT_EQ(doc.title(), "KVX - " + path);
    EXPECT_TRUE(doc.saved());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1) << "no temporary file is left";

    // A folder that does not exist: an error naming the path, saved stays false.
    doc.setCell(0, 1, 1, kHigh);
    const std::string missing = dir.file("none/b.kvx");
    r = storage::saveTestFile(doc, missing);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find(missing), std::string::npos);
    EXPECT_FALSE(doc.saved());
    EXPECT_EQ(doc.fileName(), path);

#ifndef _WIN32
    // POSIX access rights (Windows folders have none of these).
    // A read-only folder: the file, which may be written, is written in place.
    if (::getuid() != 0) {
        std::filesystem::permissions(dir.path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        r = storage::saveTestFile(doc, path);
        EXPECT_TRUE(r.ok) << r.error;
        std::filesystem::permissions(dir.path, std::filesystem::perms::owner_all);
        std::ifstream in(path, std::ios::binary);
        const std::string now((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(now, storage::writeTestFileBytes(doc));
    }
    // A replaced file keeps its access rights.
    namespace fs = std::filesystem;
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(storage::saveTestFile(doc, path).ok);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif

    // A target that is a folder cannot be replaced.
    std::filesystem::create_directories(dir.file("folder.kvx"));
    EXPECT_FALSE(storage::saveTestFile(doc, dir.file("folder.kvx")).ok);
}
