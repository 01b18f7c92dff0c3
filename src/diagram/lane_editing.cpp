#include "diagram/lane_editing.h"

#include <algorithm>
#include <utility>

#include "diagram/cell_editing.h"
#include "words/data_table.h"
#include "words/word_values.h"

namespace kvx::diagram {

std::string radixAdjective(int radix) {
    switch (radix) {
        case 2: return "двоичное";
        case 8: return "восьмеричное";
        case 16: return "шестнадцатеричное";
        default: return "десятичное";
    }
}

LaneWrite writeLaneValue(model::TestDocument& doc, int wordIndex, int firstTact, int lastTact, std::string_view text) {
    LaneWrite out;
    const auto& words = std::as_const(doc).dataWords();
    if (wordIndex < 0 || wordIndex >= static_cast<int>(words.size())) return out;
    const model::DataWord& word = words[static_cast<size_t>(wordIndex)];
    const std::string digits = words::keepRadixDigits(text, word.radix);
    const auto value = digits.empty() ? std::nullopt : words::parseWordText(digits, word.radix);
    if (!value) {
        out.message = "Нет цифр: значение слова " + word.wordName + " вводится как " + radixAdjective(word.radix) +
                      " число";
        return out;
    }
    const int first = std::max(1, std::min(firstTact, lastTact));
    const int last = std::min(doc.tactCount(), std::max(firstTact, lastTact));
    std::vector<int> rows;
    for (int member : word.memberRows)
        if (member != 0) rows.push_back(member);
    if (rows.empty()) {
        out.message = "У слова " + word.wordName + " нет контактов";
        return out;
    }
    std::vector<int> kept;  // rows whose levels the word's value does not set
    for (int row : rows)
        if (!isEditableRow(doc, row)) kept.push_back(row);
    if (kept.size() == rows.size()) {
        out.skippedPins = kept;
    } else {
        const int test = doc.currentTest();
        std::vector<model::CellLevel> old(kept.size());
        for (int t = first; t <= last; ++t) {
            for (size_t i = 0; i < kept.size(); ++i) old[i] = doc.getCell(test, kept[i], t);
            words::setWordValue(doc, wordIndex, t, *value);
            for (size_t i = 0; i < kept.size(); ++i)
                if (doc.getCell(test, kept[i], t) != old[i]) doc.setCell(test, kept[i], t, old[i]);
        }
        out.written = last >= first;
        out.skippedPins = kept;
    }
    if (!out.skippedPins.empty()) {
        std::string pins;
        for (int row : out.skippedPins) pins += (pins.empty() ? "" : ", ") + std::to_string(row > model::kPinRows ? row - model::kPinRows : row);
        out.message = out.skippedPins.size() == 1 ? "Не записан вывод " + pins + ": его уровни не задаются вручную"
                                                  : "Не записаны выводы " + pins + ": их уровни не задаются вручную";
    }
    return out;
}

}  // namespace kvx::diagram
