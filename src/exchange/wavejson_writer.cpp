#include "exchange/wavejson_writer.h"

#include <cstdio>

#include "exchange/exchange_signals.h"
#include "storage/file_replace.h"
#include "words/word_values.h"

namespace kvx::exchange {

using model::TestDocument;

namespace {

std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

/// Lane label: pin number and name as the pin column shows them.
std::string laneName(const TestDocument& doc, int row) {
    const int pin = row > model::kPinRows ? row - model::kPinRows : row;
    std::string name = std::to_string(pin);
    if (!doc.pin(pin).pinName.empty()) name += " " + doc.pin(pin).pinName;
    if (row > model::kPinRows) name += " (выход)";
    return name;
}

std::string rowWave(const TestDocument& doc, int row, bool expected) {
    const model::CellLevel* cells = doc.rowData(doc.currentTest(), row);
    std::string wave;
    wave.reserve(static_cast<std::size_t>(doc.tactCount()));
    for (int t = 1; t <= doc.tactCount(); ++t) {
        if (t > 1 && cells[t] == cells[t - 1]) {
            wave += '.';
            continue;
        }
        wave += cells[t] == model::kLow ? '0' : cells[t] == model::kHigh ? '1' : expected ? 'x' : 'z';
    }
    return wave;
}

std::string lane(const std::string& name, const std::string& wave) {
    return "{\"name\": " + quoted(name) + ", \"wave\": " + quoted(wave) + "}";
}

}  // namespace

std::string writeWaveJson(const TestDocument& doc) {
    std::string out = "{\"signal\": [\n";
    bool firstLane = true;
    auto add = [&](const std::string& item) {
        out += firstLane ? "  " : ",\n  ";
        out += item;
        firstLane = false;
    };
    for (const RowSignal& r : rowSignals(doc)) add(lane(laneName(doc, r.row), rowWave(doc, r.row, r.expected)));
    for (const WordSignal& w : wordSignals(doc)) {
        const model::DataWord& word = doc.dataWords()[static_cast<std::size_t>(w.word)];
        std::string wave, data;
        std::optional<std::string> previous;
        bool started = false;
        for (int t = 1; t <= doc.tactCount(); ++t) {
            const auto bits = words::wordBits(doc, w.word, t);
            if (started && bits == previous) {
                wave += '.';
                continue;
            }
            started = true;
            previous = bits;
            if (!bits) {
                wave += 'x';
                continue;
            }
            wave += '=';
            if (!data.empty()) data += ", ";
            data += quoted(words::wordValueText(doc, w.word, t));
        }
        std::string group = "[" + quoted(word.wordName.empty() ? w.name : word.wordName) + ",\n    " +
                            "{\"name\": " + quoted(w.name) + ", \"wave\": " + quoted(wave) + ", \"data\": [" + data + "]}";
        for (std::size_t b = w.rows.size(); b-- > 0;) {
            const int row = w.rows[b];
            if (row < 1 || row > model::kMaxRow) continue;
            group += ",\n    " + lane("[" + std::to_string(b) + "] " + laneName(doc, row), rowWave(doc, row, isExpectedRow(doc, row)));
        }
        add(group + "\n  ]");
    }
    out += "\n],\n\"head\": {\"text\": " + quoted(doc.testName()) + ", \"tick\": 1},\n";
    out += "\"config\": {\"hscale\": 1}\n}\n";
    return out;
}

std::string saveWaveJson(const TestDocument& doc, const std::string& path) {
    if (!storage::replaceFile(path, writeWaveJson(doc))) return "Не удалось записать файл " + path;
    return {};
}

}  // namespace kvx::exchange
