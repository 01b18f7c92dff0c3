#include "words/word_csv.h"

#include <istream>
#include <ostream>
#include <unordered_map>

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
    std::vector<std::string> names;
    for (const model::DataWord& w : words) names.push_back(csvField(w.wordName));
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
    std::unordered_map<std::string, int> wordByName;
    const auto& words = doc.dataWords();
    for (size_t i = words.size(); i-- > 0;) wordByName[words[i].wordName] = static_cast<int>(i);  // the first wins

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
        const auto word = wordByName.find((*fields)[1]);
        if (word == wordByName.end()) {
            result.error = lineError(number, "нет Слова Данных \"" + (*fields)[1] + "\"");
            return result;
        }
        const std::string& value = (*fields)[2];
        if (value == kUndefinedValue) {
            ++result.skippedUndefined;
            continue;
        }
        const int radix = words[static_cast<size_t>(word->second)].radix;
        const std::string digits = keepRadixDigits(value, radix);
        if (digits.empty()) {
            result.error = lineError(number, "в значении \"" + value + "\" нет цифр системы счисления слова");
            return result;
        }
        result.assignments.push_back({*tact, word->second, parseWordText(digits, radix).value_or(0)});
    }
    return result;
}

void applyAssignments(model::TestDocument& doc, const std::vector<WordAssignment>& assignments) {
    for (const WordAssignment& a : assignments) setWordValue(doc, a.word, a.tact, a.value);
}

}  // namespace kvx::words
