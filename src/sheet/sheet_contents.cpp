#include "sheet/sheet_contents.h"

#include "algorithms/algorithm_form.h"
#include "diagram/diagram_view.h"
#include "params/package.h"
#include "params/test_parameters_form.h"
#include "words/word_editor.h"
#include "words/word_values.h"

namespace kvx::sheet {

using model::TestDocument;

namespace {

std::string pinLabel(const TestDocument& doc, int row) {
    const int pin = diagram::pinOfRow(row);
    if (pin < 1 || pin > doc.pinCount()) return "?" + std::to_string(row);
    const std::string& name = doc.pin(pin).pinName;
    return std::to_string(pin) + (name.empty() ? std::string() : " - " + name);
}

std::string wordName(const TestDocument& doc, int index) {
    const auto& words = doc.dataWords();
    return index >= 0 && index < static_cast<int>(words.size()) ? words[static_cast<size_t>(index)].wordName
                                                                : std::string("—");
}

std::string address(const TestDocument& doc, std::uint64_t value) {
    return value == model::kNoAddress ? std::string() : words::formatInRadix(value, algorithms::addressRadix(doc));
}

void ramMode(std::vector<Field>& out, const TestDocument& doc, const char* mode, int start, int addressTact,
             int addressTacts, int dataTact, int dataTacts, int addressWord, int dataWord) {
    const std::string m = std::string(mode) + ": ";
    out.push_back({m + "Начальный Такт", std::to_string(start)});
    out.push_back({m + "Слово Адреса", wordName(doc, addressWord)});
    out.push_back({m + "Такт Адреса", std::to_string(addressTact)});
    out.push_back({m + "Тактов Адреса", std::to_string(addressTacts)});
    out.push_back({m + "Слово Данных", wordName(doc, dataWord)});
    out.push_back({m + "Такт Данных", std::to_string(dataTact)});
    out.push_back({m + "Тактов Данных", std::to_string(dataTacts)});
}

}  // namespace

SheetContents sheetContents(const TestDocument& doc, const std::string& date, int firstTact, int lastTact) {
    SheetContents c;
    c.title = doc.testName();
    const int test = doc.currentTest();

    std::string package = params::packageName(doc.package());
    if (const auto supply = params::supplyPins(doc))
        package += ", VCC " + std::to_string(supply->first) + ", GND " + std::to_string(supply->second);
    const model::TestParameters& p = doc.testParameters();
    c.algorithmName = diagram::algorithmStatusText(doc);
    c.fields = {
        {"Файл теста", doc.fileName().empty() ? std::string("не сохранён") : doc.fileName()},
        {"Корпус", package},
        {"Алгоритм", c.algorithmName},
        {"Число тактов", std::to_string(doc.tactCount()) +
                             (firstTact == 1 && lastTact == doc.tactCount()
                                  ? std::string()
                                  : " (на листе такты " + std::to_string(firstTact) + "-" +
                                        std::to_string(lastTact) + ")")},
        {"Длительность такта", std::to_string(p.effectiveTactDuration()) + " мкс"},
        {"Логическая единица не менее", params::voltsText(p.levelHighCode) + " В"},
        {"Логический ноль не более", params::voltsText(p.levelLowCode) + " В"},
        {"Файл описания микросхемы", doc.descriptionFile()},
        {"Дата", date},
    };

    c.pins.header = {"№", "Тип", "Имя", "Функция"};
    for (int pin = 1; pin <= doc.pinCount(); ++pin) {
        const model::Pin& info = doc.pin(pin);
        std::string formula;
        if (model::isFunctionType(info.pinType)) {
            formula = doc.pinFunction(test, pin);
        } else if (info.pinType == model::PinType::InOut &&
                   model::isFunctionType(doc.pin(pin + model::kPinRows).pinType)) {
            // The output row of an I/O pin may be computed on its own.
            formula = doc.pin(pin + model::kPinRows).pinType + ": " + doc.pinFunction(test, pin + model::kPinRows);
        }
        c.pins.rows.push_back({info.numberLabel.empty() ? std::to_string(pin) : info.numberLabel, info.pinType,
                               info.pinName, formula});
    }

    c.words.header = {"Слово Данных", "Тип контакта", "Система счисления", "Контакты (от младшего бита)"};
    for (const model::DataWord& w : doc.dataWords()) {
        std::string members;
        for (int row : w.members()) members += (members.empty() ? "" : ", ") + pinLabel(doc, row);
        c.words.rows.push_back({w.wordName, words::kDirectionItems[w.effectiveDirection()],
                                words::kRadixItems[words::radixItem(w.radix)], members});
    }

    const auto& a = doc.algorithms();
    switch (doc.activeAlgorithm()) {
    case 1: {
        const auto& s = a[1];
        c.algorithm = {{"Начальный Такт", std::to_string(s.startTact)},
                       {"Конечный Такт", std::to_string(s.endTact)},
                       {"Всего циклов", std::to_string(s.cycleCount)}};
        break;
    }
    case 2: {
        const auto& s = a[2];
        c.algorithm = {{"Слово Адреса", wordName(doc, s.addressWord)},
                       {"Слово Данных", wordName(doc, s.dataWord)},
                       {"Начальный Адрес", address(doc, s.startAddress)},
                       {"Конечный Адрес", address(doc, s.endAddress)},
                       {"Начальный Такт", std::to_string(s.romStartTact)},
                       {"Такт Адреса", std::to_string(s.addressTact)},
                       {"Тактов Адреса", std::to_string(s.addressTactCount)},
                       {"Такт Данных", std::to_string(s.dataTact)},
                       {"Файл Данных", s.dataFileName}};
        break;
    }
    case 3: {
        const auto& s = a[3];
        c.algorithm = {{"Начальный Адрес", address(doc, s.startAddress)},
                       {"Конечный Адрес", address(doc, s.endAddress)}};
        ramMode(c.algorithm, doc, "Режим Записи", s.writeStartTact, s.writeAddressTact, s.writeAddressTactCount,
                s.writeDataTact, s.writeDataTactCount, s.writeAddressWord, s.writeDataWord);
        ramMode(c.algorithm, doc, "Режим Чтения", s.startTact, s.addressTact, s.addressTactCount, s.dataTact,
                s.dataTactCount, s.addressWord, s.dataWord);
        break;
    }
    default:
        c.algorithm = {{"", "Стандартный алгоритм тестирования: все изменения в тест вносятся пользователем."}};
        break;
    }
    return c;
}

}  // namespace kvx::sheet
