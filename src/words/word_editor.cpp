#include "words/word_editor.h"

#include <algorithm>

#include "model/text.h"

namespace kvx::words {

namespace text = model::text;

int radixItem(int radix) {
    for (int i = 0; i < 4; ++i)
        if (kRadixValues[i] == radix) return i;
    return 2;
}

bool pinQualifies(std::string_view pinType, int direction) {
    switch (direction) {
    case 0: return pinType == model::PinType::Input;
    case 1: return pinType == model::PinType::Output;
    case 2: return text::first(pinType) == model::PinType::Input && text::length(pinType) > 1;
    default: return false;
    }
}

std::optional<int> directionOfType(std::string_view pinType) {
    for (int direction = 0; direction <= 2; ++direction)
        if (pinQualifies(pinType, direction)) return direction;
    return std::nullopt;
}

TypedMembers parseTypedMembers(std::string_view text, int pinCount) {
    TypedMembers out;
    const auto refuse = [&out](std::string message) {
        out.pins.clear();
        out.error = std::move(message);
        return out;
    };
    const std::string example = "выводы пишутся номерами от младшего разряда: 14-11 или 11,12,13,14";
    size_t i = 0;
    const auto blanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    };
    // A pin number: at most three digits, so that nothing overflows.
    const auto number = [&]() -> std::optional<int> {
        const size_t start = i;
        int n = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') n = n * 10 + (text[i++] - '0');
        if (i == start || i - start > 3) {
            i = start;
            return std::nullopt;
        }
        return n;
    };
    // The word that could not be read, or the whole text when it ended too early.
    const auto unreadable = [&] {
        size_t to = i;
        while (to < text.size() && text[to] != ',' && text[to] != ' ') ++to;
        const std::string_view word = to > i ? text.substr(i, to - i) : text;
        return "Не понимаю «" + std::string(word) + "»: " + example;
    };
    blanks();
    while (i < text.size()) {
        const auto first = number();
        if (!first) return refuse(unreadable());
        int last = *first;
        blanks();
        if (i < text.size() && text[i] == '-') {
            ++i;
            blanks();
            const auto to = number();
            if (!to) return refuse(unreadable());
            last = *to;
            blanks();
        }
        for (int pin : {*first, last})
            if (pin < 1 || pin > pinCount)
                return refuse("Нет вывода " + std::to_string(pin) + ": в корпусе " + std::to_string(pinCount) +
                              " выводов");
        const int step = last >= *first ? 1 : -1;
        for (int pin = *first;; pin += step) {
            out.pins.push_back(pin);
            if (pin == last) break;
        }
        if (i < text.size() && (text[i] == ',' || text[i] == ';')) {
            ++i;
            blanks();
            if (i == text.size()) return refuse(unreadable());
        } else if (i < text.size() && !(text[i] >= '0' && text[i] <= '9')) {
            return refuse(unreadable());
        }
    }
    return out;
}

std::vector<int> offeredPins(const model::TestDocument& doc, const model::DataWord& word) {
    std::vector<int> out;
    const int direction = word.effectiveDirection();
    for (int pin = 1; pin <= doc.pinCount(); ++pin) {
        if (std::find(word.memberRows.begin(), word.memberRows.end(), pin) != word.memberRows.end()) continue;
        if (pinQualifies(doc.pin(pin).pinType, direction)) out.push_back(pin);
    }
    return out;
}

std::string pinLine(const model::TestDocument& doc, int pin) {
    const std::string name = pin >= 0 && pin <= model::kMaxRow ? doc.pin(pin).pinName : std::string();
    return std::to_string(pin) + " - " + name;
}

std::optional<int> pinOfLine(std::string_view line) {
    int pin = 0;
    size_t digits = 0;
    for (size_t i = 0; i < text::length(line) && digits < 3; ++i) {
        const std::string_view c = text::mid(line, i, 1);
        if (c == " ") break;
        if (c.size() != 1 || c[0] < '0' || c[0] > '9') break;
        pin = pin * 10 + (c[0] - '0');
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    return pin;
}

bool removeMember(model::DataWord& word, int row) {
    auto& slots = word.memberRows;
    const auto it = std::find(slots.begin(), slots.end(), row);
    if (row == 0 || it == slots.end()) return false;
    std::move(it + 1, slots.end(), it);
    slots.back() = 0;
    return true;
}

int memberTypeCode(const model::TestDocument& doc, const model::DataWord& word) {
    bool in = false, out = false, io = false;
    for (int row : word.memberRows) {
        if (row <= 0 || row > model::kMaxRow) continue;
        const std::string& type = doc.pin(row).pinType;
        in = in || type == model::PinType::Input;
        out = out || type == model::PinType::Output;
        io = io || type == model::PinType::InOut;
    }
    if (in && out && io) return 5;
    if (out && io) return 4;
    if (in && io) return 3;
    if (in && out) return 2;
    if (io) return 7;
    if (out) return 6;
    if (in) return 8;
    return 0;
}

std::vector<std::string> checkDataWords(const model::TestDocument& doc) {
    static const char* const kDirections[3] = {" I ", " O ", " I/O "};
    std::vector<std::string> messages;
    for (const model::DataWord& word : doc.dataWords()) {
        const int direction = word.effectiveDirection();
        const int code = memberTypeCode(doc, word);
        if (code == 0) continue;  // nothing to compare with the direction
        if ((direction == 0 && code == 8) || (direction == 1 && code == 6) || (direction == 2 && code == 7)) continue;
        // The tails are shown exactly so, with their Latin and Cyrillic letters ("О" is U+041E).
        const char* tail = "";
        switch (code) {
        case 8: tail = "I)"; break;
        case 6: tail = "0)"; break;
        case 7: tail = "I/O)"; break;
        case 2: tail = "I,\u041E)"; break;
        case 3: tail = "I,I/\u041E)"; break;
        case 4: tail = "O,I/\u041E)"; break;
        case 5: tail = "I,\u041E,I/O)"; break;
        }
        messages.push_back("Слово данных " + word.wordName + kDirections[direction] +
                           "Содержит разные по типу контакты (" + tail);
    }
    return messages;
}

bool validWordName(std::string_view name) {
    for (size_t i = 0; i < name.size(); i += std::max<size_t>(1, text::charBytes(name, i))) {
        const char32_t cp = text::codePointAt(name, i);
        if (cp == U'=' || cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp < 0xA0) || cp == 0x2028 || cp == 0x2029)
            return false;
    }
    return true;
}

// ---- the editor ---------------------------------------------------------------------------

model::DataWord* WordEditor::selectedWord() {
    auto& list = doc_.dataWords();
    if (selected_ < 0 || static_cast<size_t>(selected_) >= list.size()) return nullptr;
    return &list[static_cast<size_t>(selected_)];
}

const model::DataWord* WordEditor::selectedWord() const {
    return const_cast<WordEditor*>(this)->selectedWord();
}

void WordEditor::select(int index) {
    if (index < 0 || index >= model::kMaxDataWords || static_cast<size_t>(index) >= doc_.dataWords().size()) {
        selected_ = -1;
        return;
    }
    selected_ = index;
    model::DataWord& word = doc_.dataWords()[static_cast<size_t>(index)];
    backup_ = word;
    if (word.direction < 0 || word.direction > 2) word.direction = 0;
}

std::vector<int> WordEditor::offered() const {
    const model::DataWord* word = selectedWord();
    if (!word) return {};
    if (!directionOpen()) return offeredPins(doc_, *word);
    std::vector<int> out;
    for (int pin = 1; pin <= doc_.pinCount(); ++pin)
        if (directionOfType(doc_.pin(pin).pinType)) out.push_back(pin);
    return out;
}

bool WordEditor::directionOpen() const {
    const model::DataWord* word = selectedWord();
    return word && selected_ == openWord_ && word->memberCount() == 0;
}

std::vector<int> WordEditor::members() const {
    const model::DataWord* word = selectedWord();
    return word ? word->members() : std::vector<int>{};
}

MoveInResult WordEditor::moveIn(int pin) {
    model::DataWord* word = selectedWord();
    if (!word || pin < 1) return MoveInResult::Nothing;
    const bool first = directionOpen();
    if (!word->addMember(pin)) return MoveInResult::Full;
    if (first && pin <= model::kMaxRow)
        if (const auto direction = directionOfType(doc_.pin(pin).pinType)) word->direction = *direction;
    openWord_ = -1;
    changed();
    return MoveInResult::Added;
}

std::string WordEditor::addTyped(const std::vector<int>& pins) {
    const model::DataWord* word = selectedWord();
    if (!word || pins.empty()) return {};
    std::optional<int> direction;
    if (!directionOpen()) direction = word->effectiveDirection();
    const auto typeText = [this](int pin) { return doc_.pin(pin).pinType; };
    for (size_t k = 0; k < pins.size(); ++k) {
        const int pin = pins[k];
        const std::string number = std::to_string(pin);
        if (pin < 1 || pin > doc_.pinCount()) return "Нет вывода " + number;
        if (std::find(pins.begin(), pins.begin() + static_cast<std::ptrdiff_t>(k), pin) != pins.begin() + static_cast<std::ptrdiff_t>(k))
            return "Вывод " + number + " указан дважды";
        if (std::find(word->memberRows.begin(), word->memberRows.end(), pin) != word->memberRows.end())
            return "Вывод " + number + " уже входит в слово " + word->wordName;
        const auto own = directionOfType(typeText(pin));
        if (!own) return "Вывод " + number + " типа " + typeText(pin) + " не может входить в Слово Данных";
        if (!direction) direction = own;
        if (*own != *direction)
            return "Вывод " + number + " типа " + typeText(pin) + " не подходит слову " + word->wordName + " типа " +
                   kDirectionItems[*direction];
    }
    if (word->memberCount() + static_cast<int>(pins.size()) > model::kWordSlots) return kCannotAddPin;
    for (int pin : pins) moveIn(pin);
    return {};
}

bool WordEditor::moveAllIn() {
    bool allJoined = true;
    for (int pin : offered())
        if (moveIn(pin) == MoveInResult::Full) allJoined = false;
    return allJoined;
}

bool WordEditor::moveOut(int pin) {
    model::DataWord* word = selectedWord();
    if (!word || !removeMember(*word, pin)) return false;
    changed();
    return true;
}

void WordEditor::clearMembers() {
    if (model::DataWord* word = selectedWord()) {
        word->clearMembers();
        changed();
    }
}

void WordEditor::setRadixItem(int item) {
    model::DataWord* word = selectedWord();
    if (!word || item < 0 || item > 3) return;
    word->radix = kRadixValues[item];
    changed();
}

void WordEditor::setDirectionItem(int item) {
    model::DataWord* word = selectedWord();
    if (!word || item < 0 || item > 2) return;
    if (selected_ == openWord_) openWord_ = -1;  // the user chose it
    word->direction = item;
    changed();
    select(selected_);
}

bool WordEditor::canAdd() const { return doc_.dataWords().size() < static_cast<size_t>(model::kMaxDataWords); }

bool WordEditor::add(const std::string& name, int direction) {
    selected_ = -1;
    if (name.empty() || !validWordName(name) || !canAdd()) return false;
    model::DataWord word;
    word.wordName = name;
    word.code = 0;
    word.radix = 16;
    word.linkToTestFile = true;
    word.direction = direction >= 0 && direction <= 2 ? direction : 0;
    doc_.dataWords().push_back(word);
    changed();
    select(static_cast<int>(doc_.dataWords().size()) - 1);
    openWord_ = selected_;
    return true;
}

bool WordEditor::rename(const std::string& name) {
    model::DataWord* word = selectedWord();
    if (!word || name.empty() || !validWordName(name)) return false;
    word->wordName = name;
    changed();
    return true;
}

bool WordEditor::remove() {
    if (!selectedWord()) return false;
    auto& list = doc_.dataWords();
    const int k = selected_;
    list.erase(list.begin() + k);
    changed();
    if (openWord_ == k) openWord_ = -1;
    else if (openWord_ > k) --openWord_;
    select(k - 1);
    return true;
}

void WordEditor::restoreBackup() {
    model::DataWord* word = selectedWord();
    if (word && backup_) {
        *word = *backup_;
        changed();
    }
}

void WordEditor::cancel() { restoreBackup(); }

std::vector<std::string> WordEditor::close() {
    std::vector<std::string> messages = checkDataWords(doc_);
    if (!applying_) restoreBackup();
    applying_ = false;
    return messages;
}

void WordEditor::listReplaced() {
    backup_.reset();
    openWord_ = -1;
    select(doc_.dataWords().empty() ? -1 : 0);
}

}  // namespace kvx::words
