#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "../storage/random_documents.h"
#include "exchange/exchange_signals.h"
#include "exchange/vcd_import.h"
#include "exchange/vcd_writer.h"
#include "exchange/wavejson_writer.h"

using namespace kvx;
using namespace kvx::exchange;
using model::TestDocument;

namespace {

/// A DIP8 test: pins 1, 2 inputs, 3 output, 4 I/O, 8 GND; word 1 over rows 1 and 2.
TestDocument smallTest() {
    TestDocument doc;
    doc.setPinType(3, model::PinType::Output);
    doc.setPinType(4, model::PinType::InOut);
    doc.setPinType(54, model::PinType::IoOutput);
    doc.setPinType(8, model::PinType::Ground);
    int k = 1;
    for (auto e : std::vector<model::SignalEntry>{{1, model::RowKind::Pin}, {2, model::RowKind::Pin}, {3, model::RowKind::Pin},
                                                  {4, model::RowKind::Pin}, {4, model::RowKind::Output}, {5, model::RowKind::Pin},
                                                  {6, model::RowKind::Pin}, {7, model::RowKind::Pin}, {8, model::RowKind::Pin}})
        doc.setSignalEntry(0, k++, e);
    doc.setPinName(1, "CLK");
    model::DataWord w;
    w.wordName = "AB";
    w.addMember(1);
    w.addMember(2);
    doc.dataWords() = {w};
    doc.setSaved(true);
    return doc;
}

/// Levels of a row as "01x" text (x: inactive), tacts 1..tactCount.
std::string levels(const TestDocument& doc, int row) {
    std::string s;
    for (int t = 1; t <= doc.tactCount(); ++t) s += "01x"[doc.getCell(0, row, t)];
    return s;
}

const char* kTwoSignals =
    "$timescale 1ns $end\n"
    "$scope module top $end\n"
    "$var wire 1 ! a $end\n"
    "$var wire 2 \" bus [1:0] $end\n"
    "$upscope $end\n"
    "$enddefinitions $end\n"
    "#0\n$dumpvars\n0!\nb01 \"\n$end\n"
    "#10\n1!\n"
    "#15\n0!\nbz1 \"\n"
    "#20\n1!\n"
    "#40\n";

std::vector<MapEntry> map(const std::string& text) {
    std::string error;
    auto m = parseMap(text, error);
    EXPECT_TRUE(m) << error;
    return m ? *m : std::vector<MapEntry>{};
}

}  // namespace

TEST(VcdImport, SamplesEachTactAtTheChosenPoint) {
    // Tacts of 10 ns: [0,10) [10,20) [20,30) [30,40). "a" is 0, 1 (0 from 15 on), 1, 1.
    struct Case {
        int offset;
        const char* a;
        const char* bus0;
        const char* bus1;
    } cases[] = {
        {100, "0011", "1111", "0xxx"},  // the value just before the tact ends
        {50, "0011", "1111", "0xxx"},   // at 5, 15, 25, 35: the change at 15 counts
        {0, "0111", "1111", "00xx"},    // at 0, 10, 20, 30: changes at those times count
        {40, "0111", "1111", "00xx"},   // at 4, 14, 24, 34
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset);
        TestDocument doc = smallTest();
        ImportOptions options;
        options.tactFs = 10'000'000;
        options.offsetPercent = c.offset;
        const auto r = importVcdBytes(doc, kTwoSignals, map("top.a pin 3\nbus[0] pin 1\ntop.bus[1] out 4\n"), options);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(doc.tactCount(), 4);
        EXPECT_EQ(levels(doc, 3), c.a);
        EXPECT_EQ(levels(doc, 1), c.bus0);
        EXPECT_EQ(levels(doc, 54), c.bus1);
        EXPECT_FALSE(doc.saved());
    }
    // A vector onto a word: first member = least significant bit.
    TestDocument doc = smallTest();
    ImportOptions options;
    options.tactFs = 10'000'000;
    ASSERT_TRUE(importVcdBytes(doc, kTwoSignals, map("bus word 1\n"), options).ok);
    EXPECT_EQ(levels(doc, 1), "1111");
    EXPECT_EQ(levels(doc, 2), "0xxx");
}

TEST(VcdImport, RefusesBadFilesAndMapsWithTheLineAndChangesNothing) {
    const std::string head = "$timescale 1us $end\n$scope module m $end\n$var wire 1 ! a $end\n"
                             "$var wire 3 # v [2:0] $end\n$upscope $end\n";
    struct Case {
        std::string vcd;
        std::string map;
        std::string message;
    } cases[] = {
        {head + "$enddefinitions $end\n#0\n1?\n", "a pin 1", "строка 8: неизвестный идентификатор сигнала «?»"},
        {head + "$enddefinitions $end\n#5\n#3\n", "a pin 1", "строка 8: время 3 меньше предыдущего"},
        {head + "$enddefinitions $end\n#1x\n", "a pin 1", "строка 7: неверная отметка времени «#1x»"},
        {head + "$enddefinitions $end\n#0\nb10q #\n", "a pin 1", "строка 8: неверное значение вектора «b10q»"},
        {head + "$enddefinitions $end\n#0\nb101\n", "a pin 1", "строка 8: после значения нет идентификатора сигнала"},
        {head + "$enddefinitions $end\n#0\n?oops\n", "a pin 1", "строка 8: непонятная запись «?oops»"},
        {head, "a pin 1", "нет $enddefinitions"},
        {"$var wire 0 ! a $end\n$enddefinitions $end\n", "a pin 1", "строка 1: неверная ширина сигнала «0»"},
        {"$var wire 99999999 ! a $end\n", "a pin 1", "строка 1: неверная ширина сигнала"},
        {"$timescale 3 ns $end\n", "a pin 1", "строка 1: неверная единица времени"},
        {"$upscope $end\n", "a pin 1", "строка 1: $upscope без $scope"},
        {"$scope module m\n$var wire 1 ! a $end\n", "a pin 1", "строка 2: в разделе $scope нет $end перед $var"},
        {"$comment never ends\n", "a pin 1", "строка 1: после $comment нет $end"},
        {"#0\n", "a pin 1", "строка 1: непонятная запись «#0» в описании сигналов"},
        // The map against the file and the test.
        {head + "$enddefinitions $end\n", "\n\nb pin 1", "Строка 3 карты: сигнала «b» нет в файле VCD"},
        {head + "$enddefinitions $end\n", "v pin 1", "сигнал «v» шириной 3 разрядов нельзя назначить одной строке"},
        {head + "$enddefinitions $end\n", "v word 1", "ширина сигнала «v» (3) не совпадает с числом разрядов слова 1 (2)"},
        {head + "$enddefinitions $end\n", "v[3] pin 1", "в сигнале «m.v» нет разряда 3"},
        {head + "$enddefinitions $end\n", "v[-1] pin 1", "в сигнале «m.v» нет разряда -1"},
        {head + "$enddefinitions $end\n", "a pin 8", "контакт 8 (GND) не сигнал"},
        {head + "$enddefinitions $end\n", "a pin 9", "в корпусе нет контакта 9"},
        {head + "$enddefinitions $end\n", "a out 3", "контакт 3 не двунаправленный"},
        {head + "$enddefinitions $end\n", "a pin 6", "контакт 6 вычисляется по формуле"},
        {head + "$enddefinitions $end\n", "a pin 1\nv[2] pin 1", "Строка 2 карты: строка 1 уже получает другой сигнал (строка 1 карты)"},
        {head + "$scope module n $end\n$var wire 1 % a $end\n$upscope $end\n$enddefinitions $end\n", "a pin 1",
         "имя «a» носят несколько сигналов"},
        // A length beyond the diagram's storage is refused at once, not sampled tact by tact.
        {head + "$enddefinitions $end\n#0\n1!\n#18446744073709551615\n", "a pin 1", "Error DiagrSize"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.vcd + "|" + c.map);
        TestDocument doc = smallTest();
        doc.setPinType(6, model::PinType::Function);
        doc.setCell(0, 1, 5, model::kHigh);
        doc.setSaved(true);
        const auto r = importVcdBytes(doc, c.vcd, map(c.map), {});
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error.find(c.message), std::string::npos) << r.error;
        EXPECT_TRUE(doc.saved());
        EXPECT_EQ(doc.tactCount(), model::kNewTactCount);
        EXPECT_EQ(doc.getCell(0, 1, 5), model::kHigh);
    }
    std::string error;
    EXPECT_FALSE(parseMap("a pin 1\nb wire 2\n", error));
    EXPECT_EQ(error, "Строка 2 карты: неизвестный вид строки «wire» (нужен pin, out или word)");
    EXPECT_FALSE(parseMap("a pin\n", error));
    EXPECT_FALSE(parseMap("a pin -1\n", error));
}

TEST(VcdImport, ExportedFilesComeBackWithTheSameLevelsInAnyChunking) {
    std::mt19937 rng(1308);
    for (int i = 0; i < 60; ++i) {
        SCOPED_TRACE(i);
        const TestDocument original = kvx::testing::randomDocument(rng);
        const std::string vcd = writeVcd(original, {"date", "KVX_Edit test"});
        TestDocument back = original;
        VcdReader headerOnly(nullptr);
        headerOnly.feed(vcd);
        ASSERT_TRUE(headerOnly.headerComplete());
        const auto entries = suggestMap(back, headerOnly.header());
        const auto whole = importVcdBytes(back, vcd, entries, {});
        ASSERT_TRUE(whole.ok) << whole.error;
        EXPECT_EQ(whole.tactCount, original.tactCount());
        for (const RowSignal& r : rowSignals(original)) {
            if (model::isFunctionType(original.pin(r.row).pinType)) continue;
            ASSERT_EQ(levels(back, r.row), levels(original, r.row)) << r.name;
        }
        if (i % 6 == 0) {
            // Cuts anywhere, down to single bytes: tokens split across chunks read as whole ones.
            std::uniform_int_distribution<std::size_t> size(1, 64);
            struct Count : VcdSink {
                std::size_t changes = 0;
                bool header(const VcdHeader&) override { return true; }
                bool time(std::uint64_t) override { return true; }
                void change(int, std::string_view) override { ++changes; }
                std::string message() const override { return {}; }
            } whole1, cut;
            VcdReader a(&whole1), b(&cut);
            a.feed(vcd);
            ASSERT_TRUE(a.finish());
            for (std::size_t p = 0; p < vcd.size();) {
                const std::size_t n = std::min(size(rng), vcd.size() - p);
                ASSERT_TRUE(b.feed(std::string_view(vcd).substr(p, n))) << b.error();
                p += n;
            }
            ASSERT_TRUE(b.finish()) << b.error();
            EXPECT_EQ(cut.changes, whole1.changes);
            EXPECT_EQ(b.lastTime(), a.lastTime());
        }
    }
}

TEST(VcdExport, WritesInactiveAsZOnDrivenAndXOnComparedRows) {
    TestDocument doc = smallTest();
    doc.setTactCount(3);
    doc.testParameters().tactDuration = 5;
    const model::CellLevel l1[] = {0, 1, 2}, l3[] = {2, 2, 1}, l54[] = {1, 2, 2};
    for (int t = 1; t <= 3; ++t) {
        doc.setCell(0, 1, t, l1[t - 1]);
        doc.setCell(0, 3, t, l3[t - 1]);
        doc.setCell(0, 54, t, l54[t - 1]);
        doc.setCell(0, 2, t, model::kHigh);
    }
    const std::string vcd = writeVcd(doc, {"d", "v"});
    for (const char* part : {"$var wire 1 ! P1_CLK $end", "$var wire 1 $ P4 $end", "$var wire 1 % P4_out $end",
                             "$var wire 2 ) W1_AB [1:0] $end", "$timescale 1us $end", "\n0!\n", "\nx#\n", "\n1%\n",
                             "\nb10 )\n", "#5\n1!\nx%\nb11 )\n#10\nz!\n1#\nb1z )\n#15\n"})
        EXPECT_NE(vcd.find(part), std::string::npos) << part << "\n" << vcd;
    EXPECT_EQ(vcd.find("P8"), std::string::npos);  // GND is no signal
}

TEST(WaveJson, LanesRepeatWithDotsAndWordsShowTheirValues) {
    TestDocument doc = smallTest();
    doc.setTactCount(5);
    doc.dataWords()[0].radix = 10;
    const model::CellLevel row1[] = {1, 1, 0, 2, 1}, row2[] = {1, 1, 1, 1, 1}, row3[] = {0, 0, 1, 2, 2};
    for (int t = 1; t <= 5; ++t) {
        doc.setCell(0, 1, t, row1[t - 1]);
        doc.setCell(0, 2, t, row2[t - 1]);
        doc.setCell(0, 3, t, row3[t - 1]);
    }
    const std::string json = writeWaveJson(doc);
    for (const char* part : {"{\"name\": \"1 CLK\", \"wave\": \"1.0z1\"}", "{\"name\": \"3\", \"wave\": \"0.1x.\"}",
                             "{\"name\": \"W1_AB\", \"wave\": \"=.=x=\", \"data\": [\"3\", \"2\", \"3\"]}",
                             "\"4 (выход)\""})
        EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json;
}
