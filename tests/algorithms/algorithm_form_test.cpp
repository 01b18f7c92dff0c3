// The handler of "OK"/"Отмена" and the address field rules, without widgets.

#include <gtest/gtest.h>

#include <functional>

#include "algorithms/algorithm_form.h"

namespace kvx::algorithms {
namespace {

using model::Algorithm;
using platform::Icon;

model::TestDocument documentWithWords() {
    model::TestDocument d;
    model::DataWord a, b;
    a.wordName = "ADR";
    for (int r : {1, 2, 3, 4}) a.addMember(r);
    b.wordName = "DAT";
    for (int r : {5, 6}) b.addMember(r);
    d.dataWords() = {a, b};
    return d;
}

TEST(AlgorithmHandler, ValidationCases) {
    struct Case {
        const char* name;
        int block;
        std::function<void(AlgorithmForm&)> edit;
        std::string message;  // empty: accepted
        Icon icon;
        std::function<bool(const model::TestDocument&)> stored;
    };
    auto cyc = [](const model::TestDocument& d) { return d.algorithms()[1]; };
    auto rom = [](const model::TestDocument& d) { return d.algorithms()[2]; };
    auto ram = [](const model::TestDocument& d) { return d.algorithms()[3]; };
    const Case cases[] = {
        {"cyclic 5..5", 1, [](AlgorithmForm& f) { f.cyclicStart = "5", f.cyclicEnd = "5", f.cyclicCount = "3"; }, "",
         Icon::None, [&](auto& d) { return cyc(d).startTact == 5 && cyc(d).endTact == 5 && cyc(d).cycleCount == 3; }},
        {"cyclic 6..5", 1, [](AlgorithmForm& f) { f.cyclicStart = "6", f.cyclicEnd = "5"; },
         "Начальный Такт не может быть больше Конечного", Icon::Error,
         [&](auto& d) { return cyc(d).startTact == 1 && cyc(d).endTact == 1; }},
        {"cyclic end not a number", 1, [](AlgorithmForm& f) { f.cyclicEnd = "1x"; },
         "Поле \"Конечный Такт\" (страница \"Циклический\"): \"1x\" не является числом от 1 до 65000.", Icon::Error,
         [&](auto& d) { return cyc(d).endTact == 1; }},
        {"ROM start = end address", 2, [](AlgorithmForm& f) { f.romStartAddress = "A", f.romEndAddress = "A"; }, "",
         Icon::None, [&](auto& d) { return rom(d).startAddress == 10 && rom(d).endAddress == 10; }},
        {"ROM end below start", 2,
         [](AlgorithmForm& f) { f.romStartAddress = "B", f.romEndAddress = "A", f.romAddressTact = "7"; },
         "Начальный Адрес не может быть больше конечного", Icon::Error,
         [&](auto& d) { return rom(d).addressTact == 7 && rom(d).startAddress == 0; }},
        {"ROM address tacts not a number", 2, [](AlgorithmForm& f) { f.romAddressTactCount = ""; },
         "Поле \"Тактов Адреса\" (страница \"Тест ПЗУ\") не заполнено: нужно число от 1 до 65000.", Icon::Error,
         [&](auto& d) { return rom(d).addressTact == 0; }},  // none of the three stored
        {"ROM empty start address", 2, [](AlgorithmForm& f) { f.romStartAddress = ""; },
         "Поле \"Начальный Адрес\" (страница \"Тест ПЗУ\") не заполнено: нужен адрес.", Icon::Error,
         [&](auto&) { return true; }},
        {"RAM equal starts before range checks", 3,
         [](AlgorithmForm& f) { f.ramRead.addressTact = "900", f.ramWrite.startTact = "1", f.ramRead.startTact = "1"; },
         "Недопустимо начинать цикл записи и цикл чтения с одинакового такта.", Icon::Error,
         [&](auto& d) { return ram(d).addressTact == 900; }},
        {"RAM write first beyond R", 3,
         [](AlgorithmForm& f) {
             f.ramWrite.startTact = "1", f.ramRead.startTact = "10", f.ramWrite.addressTact = "8",
             f.ramWrite.addressTactCount = "3";
         },
         "Данные цикла записи выходят за рамки, указанные пользователем: с 1 до 10 такты", Icon::Warning,
         [&](auto& d) { return ram(d).writeAddressTactCount == 3; }},
        {"RAM read first beyond W", 3,
         [](AlgorithmForm& f) {
             f.ramRead.startTact = "1", f.ramWrite.startTact = "10", f.ramRead.dataTact = "9",
             f.ramRead.dataTactCount = "2", f.ramWrite.addressTact = "10", f.ramWrite.dataTact = "10";
         },
         "Данные цикла чтения выходят за рамки, указанные пользователем: с 1 до 10 такты", Icon::Warning,
         [&](auto& d) { return ram(d).dataTactCount == 2; }},
        {"RAM tact beyond its field", 3, [](AlgorithmForm& f) { f.ramRead.dataTact = "1001"; },
         "Поле \"Такт Данных\" (страница \"Тест ОЗУ\", \"Режим Чтения\"): \"1001\" не является числом от 1 до 1000.",
         Icon::Error, [&](auto& d) { return ram(d).dataTact == 1; }},
        {"RAM accepted", 3,
         [](AlgorithmForm& f) {
             f.ramRead.startTact = "1", f.ramWrite.startTact = "4", f.ramWrite.addressTact = "4",
             f.ramWrite.dataTact = "5", f.ramRead.dataWord = 1, f.ramStartAddress = "3", f.ramEndAddress = "F";
         },
         "", Icon::None,
         [&](auto& d) { return ram(d).writeStartTact == 4 && ram(d).dataWord == 1 && ram(d).endAddress == 15; }},
    };
    for (const Case& c : cases) {
        model::TestDocument d = documentWithWords();
        AlgorithmForm f = openForm(d, c.block);
        c.edit(f);
        const int tacts = d.tactCount();
        const HandlerResult r = runHandler(d, f, false);
        EXPECT_EQ(r.stopped, !c.message.empty()) << c.name;
        EXPECT_EQ(r.message, c.message) << c.name;
        if (r.stopped) {
            EXPECT_EQ(r.icon, c.icon) << c.name;
        }
        EXPECT_TRUE(c.stored(d)) << c.name;
        EXPECT_EQ(d.tactCount(), tacts) << c.name;
        EXPECT_FALSE(r.expanded) << c.name;
        EXPECT_EQ(d.activeAlgorithm(), c.block) << c.name;
    }
}

TEST(AlgorithmHandler, OpeningActivatesTheSelectionAndTheRomTestKeepsTheTactCount) {
    model::TestDocument d = documentWithWords();
    d.algorithm(Algorithm::Ram).active = 1;
    d.algorithm(Algorithm::Rom).romStartTact = 70000;  // beyond the field: shown as 65000
    d.setSaved(true);
    AlgorithmForm f = openForm(d, 2);
    EXPECT_FALSE(d.saved());
    EXPECT_EQ(d.activeAlgorithm(), 2);
    EXPECT_EQ(f.activeList, (std::array<bool, 4>{false, false, true, false}));
    EXPECT_EQ(f.romStartTact, "65000");
    EXPECT_EQ(f.romEndAddress, "1");
    activateAlgorithm(d, f, 1);
    EXPECT_EQ(d.activeAlgorithm(), 1);
    EXPECT_EQ(d.algorithms()[2].active, 0);
    f.activeList = {false, false, true, false};
    d.setTactCount(40);  // baseTactCount 40
    d.setBaseTactCount(30);
    EXPECT_FALSE(runHandler(d, f, false).stopped);
    EXPECT_EQ(d.tactCount(), 40);
}

TEST(AddressFields, CleaningBoundsAndSteps) {
    EXPECT_EQ(cleanAddressText("1G2", 16), "12");
    EXPECT_EQ(cleanAddressText("fA-9Ж", 16), "fA9");
    EXPECT_EQ(cleanAddressText("7890", 8), "70");
    EXPECT_EQ(cleanAddressText("1021", 2), "101");
    EXPECT_EQ(cleanAddressText("12a3", 10), "123");
    const model::TestDocument d = documentWithWords();
    EXPECT_EQ(largestAddress(d, 0), 15u);
    EXPECT_EQ(boundedEndAddress("20", 16, largestAddress(d, 0)), "F");
    EXPECT_EQ(boundedEndAddress("F", 16, 15), std::nullopt);
    EXPECT_EQ(boundedEndAddress("FFFF", 16, largestAddress(d, 7)), std::nullopt);  // no word, no limit
    EXPECT_EQ(stepAddress("FF", 16, +1), "100");
    EXPECT_EQ(stepAddress("10", 2, -1), "1");
    EXPECT_EQ(stepAddress("0", 8, -1), "0");
    EXPECT_EQ(stepAddress("", 10, +1), "1");
    EXPECT_EQ(addressRadix(model::TestDocument{}), 10);
}

}  // namespace
}  // namespace kvx::algorithms
