#include "words/word_csv.h"

#include <istream>
#include <ostream>

#include "words/data_table.h"

namespace kvx::words {

namespace {

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::string lineError(std::int64_t line, const std::string& what) {
    return "Строка " + std::to_string(line) + ": " + what;
}

/// A tact number 1..tactCount, or nullopt.
std::optional<int> tactNumber(std::string_view text, int tactCount) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (v < 1 || v > tactCount) return std::nullopt;
    return v;
}

}  // namespace

WordLabels::WordLabels(const std::vector<model::DataWord>& words) : words_(words) {
    for (size_t i = 0; i < words.size(); ++i) byName_[words[i].wordName].push_back(static_cast<int>(i));
    labels_.reserve(words.size());
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& name = words[i].wordName;
        labels_.push_back(byName_[name].size() > 1 ? name + "=" + std::to_string(i + 1) : name);
    }
}

WordLabels::Found WordLabels::find(std::string_view label) const {
    Found found;
    const std::string text(label);
    if (const auto it = byName_.find(text); it != byName_.end()) {
        const std::vector<int>& same = it->second;
        if (same.size() == 1) {
            found.word = same.front();
            return found;
        }
        std::string numbers;
        for (int i : same) numbers += (numbers.empty() ? "" : ", ") + std::to_string(i + 1);
        found.error = "Слов Данных с именем \"" + text + "\" несколько (" + numbers + "), укажите номер: \"" +
                      labels_[static_cast<size_t>(same.front())] + "\"";
        return found;
    }
    const size_t eq = label.rfind('=');
    const std::string_view name = eq == std::string_view::npos ? label : label.substr(0, eq);
    const std::string_view digits = eq == std::string_view::npos ? std::string_view{} : label.substr(eq + 1);
    size_t number = 0;
    bool isNumber = !digits.empty() && digits.size() <= 9;
    for (char c : digits) {
        if (c < '0' || c > '9') isNumber = false;
        else number = number * 10 + static_cast<size_t>(c - '0');
    }
    if (isNumber && number >= 1 && number <= words_.size()) {
        const std::string& actual = words_[number - 1].wordName;
        if (actual == name) {
            found.word = static_cast<int>(number - 1);
            return found;
        }
        found.error = "Слово Данных " + std::to_string(number) + " называется \"" + actual + "\", а не \"" +
                      std::string(name) + "\"";
        return found;
    }
    found.error = "нет Слова Данных \"" + text + "\"";
    found.unknown = true;
    return found;
}

std::string csvField(std::string_view text) {
    const bool quote = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                       (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.back() == ' ' ||
                                          text.back() == '\t'));
    if (!quote) return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::optional<std::vector<std::string>> splitCsvLine(std::string_view line) {
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;     // inside quotes
    bool wasQuoted = false;  // this field was quoted: its blanks are kept
    size_t i = 0;
    auto finish = [&] {
        fields.push_back(wasQuoted ? field : std::string(trimBlanks(field)));
        field.clear();
        wasQuoted = false;
    };
    while (i < line.size()) {
        const char c = line[i++];
        if (quoted) {
            if (c == '"') {
                if (i < line.size() && line[i] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == ',') {
            finish();
        } else if (c == '"' && trimBlanks(field).empty()) {
            field.clear();
            quoted = wasQuoted = true;
        } else {
            field += c;
        }
    }
    if (quoted) return std::nullopt;
    finish();
    return fields;
}

void writeTableCsv(std::ostream& out, const model::TestDocument& doc, int wordIndex) {
    const auto& words = doc.dataWords();
    const bool one = wordIndex >= 0 && static_cast<size_t>(wordIndex) < words.size();
    const int first = one ? wordIndex : 0;
    const int last = one ? wordIndex : static_cast<int>(words.size()) - 1;
    const WordLabels labels(words);
    std::vector<std::string> names;
    for (size_t w = 0; w < words.size(); ++w) names.push_back(csvField(labels.label(static_cast<int>(w))));
    out << kTableCsvHeader << '\n';
    std::string line;
    for (int tact = 1; tact <= doc.tactCount(); ++tact) {
        for (int w = first; w <= last; ++w) {
            line = std::to_string(tact);
            line += ',';
            line += names[static_cast<size_t>(w)];
            line += ',';
            line += csvField(wordValueText(doc, w, tact));
            line += '\n';
            out << line;
        }
    }
}

ValuesCsv readValuesCsv(std::istream& in, const model::TestDocument& doc) {
    ValuesCsv result;
    const auto& words = doc.dataWords();
    const WordLabels labels(words);

    std::string raw;
    std::int64_t number = 0;
    while (std::getline(in, raw)) {
        ++number;
        std::string_view line = raw;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (number == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);  // a spreadsheet's BOM
        if (trimBlanks(line).empty()) continue;
        const auto fields = splitCsvLine(line);
        if (!fields) {
            result.error = lineError(number, "кавычка не закрыта");
            return result;
        }
        if (number == 1 && fields->size() == 3 && (*fields)[0] == "№" && (*fields)[1] == "Слово Данных" &&
            (*fields)[2] == "Данные")
            continue;
        if (fields->size() != 3) {
            result.error = lineError(number, "ожидается три поля: такт, имя Слова Данных, значение");
            return result;
        }
        const auto tact = tactNumber((*fields)[0], doc.tactCount());
        if (!tact) {
            result.error = lineError(number, "такт \"" + (*fields)[0] + "\" вне теста (такты 1.." +
                                                 std::to_string(doc.tactCount()) + ")");
            return result;
        }
        const WordLabels::Found word = labels.find((*fields)[1]);
        if (word.word < 0) {
            result.error = lineError(number, word.error);
            return result;
        }
        const std::string& value = (*fields)[2];
        if (value == kUndefinedValue) {
            ++result.skippedUndefined;
            continue;
        }
        const int radix = words[static_cast<size_t>(word.word)].radix;
        const std::string digits = keepRadixDigits(value, radix);
        if (digits.empty()) {
            result.error = lineError(number, "в значении \"" + value + "\" нет цифр системы счисления слова");
            return result;
        }
        result.assignments.push_back({*tact, word.word, parseWordText(digits, radix).value_or(0)});
    }
    return result;
}

void applyAssignments(model::TestDocument& doc, const std::vector<WordAssignment>& assignments) {
    for (const WordAssignment& a : assignments) setWordValue(doc, a.word, a.tact, a.value);
}

}  // namespace kvx::words
