#include "modelcheck/port_map.h"

#include <algorithm>
#include <map>
#include <set>

#include "exchange/exchange_signals.h"

namespace kvx::modelcheck {

using exchange::MapEntry;
using exchange::MapTarget;
using model::TestDocument;

namespace {

std::string place(const MapEntry& e) {
    return e.line > 0 ? "Строка " + std::to_string(e.line) + " карты: " : std::string();
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

/// "d[2]" for one bit of a vector port (its declared index), the name for a one-bit port.
std::string bitName(const ModelPort& p, int bit) {
    if (p.width == 1) return p.name;
    const int index = p.msb >= p.lsb ? p.lsb + bit : p.lsb - bit;
    return p.name + "[" + std::to_string(index) + "]";
}

bool hasLevels(const TestDocument& doc, int row) {
    const model::CellLevel* cells = doc.rowData(doc.currentTest(), row);
    return std::any_of(cells + 1, cells + doc.tactCount() + 1, [](model::CellLevel c) { return c != model::kInactive; });
}

/// A pin number "p12" or "pin12" (any case); 0 when the name is not one.
int numberedPin(const std::string& lname) {
    std::string digits;
    if (lname.rfind("pin", 0) == 0) digits = lname.substr(3);
    else if (lname.rfind("p", 0) == 0) digits = lname.substr(1);
    if (digits.empty() || digits.size() > 2 || digits[0] == '0' ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    return std::stoi(digits);
}

}  // namespace

std::string rowName(const TestDocument& doc, int row) {
    const int pin = row > model::kPinRows ? row - model::kPinRows : row;
    const std::string& name = doc.pin(pin).pinName;
    return (row > model::kPinRows ? "выход вывода " : "вывод ") + std::to_string(pin) +
           (name.empty() ? std::string() : " (" + name + ")");
}

std::optional<std::vector<BitBinding>> bindPorts(const TestDocument& doc, const std::vector<ModelPort>& ports,
                                                 const std::vector<MapEntry>& map, std::string& error,
                                                 std::vector<std::string>* notes) {
    std::map<std::string, int> byName;
    for (std::size_t i = 0; i < ports.size(); ++i) byName.emplace(ports[i].name, static_cast<int>(i));
    std::vector<BitBinding> out;
    std::map<std::pair<int, int>, int> taken;  // (port, bit) -> map line

    for (const MapEntry& e : map) {
        const std::string where = place(e);
        // The port, or one bit of it: "d[2]".
        int port = -1;
        std::vector<int> bits;
        if (auto it = byName.find(e.signal); it != byName.end()) {
            port = it->second;
            for (int b = 0; b < ports[static_cast<std::size_t>(port)].width; ++b) bits.push_back(b);
        } else if (const auto open = e.signal.rfind('['); open != std::string::npos && open > 0 && e.signal.back() == ']') {
            const std::string digits = e.signal.substr(open + 1, e.signal.size() - open - 2);
            const bool number = !digits.empty() && digits.size() < 9 &&
                                std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
            if (auto p = byName.find(e.signal.substr(0, open)); number && p != byName.end()) {
                port = p->second;
                const int bit = portBit(ports[static_cast<std::size_t>(port)], std::stoi(digits));
                if (bit < 0) {
                    error = where + "у порта «" + p->first + "» нет разряда " + digits;
                    return std::nullopt;
                }
                bits.push_back(bit);
            }
        }
        if (port < 0) {
            error = where + "в модели нет порта «" + e.signal + "»";
            return std::nullopt;
        }
        const ModelPort& p = ports[static_cast<std::size_t>(port)];

        // The pins the bits go to, least significant bit first; a row above 50 is an output row.
        std::vector<int> rows;
        const int n = e.target.number;
        if (e.target.kind == MapTarget::Kind::Word) {
            if (n < 1 || n > static_cast<int>(doc.dataWords().size())) {
                error = where + "в тесте нет слова данных " + std::to_string(n);
                return std::nullopt;
            }
            rows = doc.dataWords()[static_cast<std::size_t>(n - 1)].members();
        } else {
            // A pin's number, never the internal number of an output row.
            if (n < 1 || n > doc.pinCount()) {
                error = where + "в корпусе нет вывода " + std::to_string(n);
                return std::nullopt;
            }
            rows.push_back(e.target.kind == MapTarget::Kind::Output ? n + model::kPinRows : n);
        }
        if (rows.size() != bits.size()) {
            error = where + "порт «" + e.signal + "» шириной " + std::to_string(bits.size()) + " разр. нельзя назначить " +
                    (e.target.kind == MapTarget::Kind::Word
                         ? "слову " + std::to_string(n) + " из " + std::to_string(rows.size()) + " разр."
                         : "одному выводу");
            return std::nullopt;
        }
        for (std::size_t i = 0; i < bits.size(); ++i) {
            const bool output = rows[i] > model::kPinRows;
            const int pin = output ? rows[i] - model::kPinRows : rows[i];
            const std::string portText = "порт «" + bitName(p, bits[i]) + "»";
            if (pin < 1 || pin > doc.pinCount()) {
                error = where + "в корпусе нет вывода " + std::to_string(pin);
                return std::nullopt;
            }
            const std::string& type = doc.pin(pin).pinType;
            const std::string pinText = rowName(doc, pin);
            BitBinding b{port, bits[i], 0, 0, -1};
            const bool drives = p.direction != PortDirection::Output;   // the model takes levels
            const bool answers = p.direction != PortDirection::Input;   // the model gives levels
            if (output && type != model::PinType::InOut) {
                error = where + pinText + " не двунаправленный: у него нет выхода";
                return std::nullopt;
            }
            if (type == model::PinType::Supply || type == model::PinType::Ground) {
                if (!drives) {
                    error = where + portText + " — выход модели, а " + pinText + " — питание (" + type + ")";
                    return std::nullopt;
                }
                b.constant = type == model::PinType::Supply ? 1 : 0;
            } else if (type == model::PinType::NotConnected) {
                // Stays unconnected.
            } else if (output) {
                if (!answers) {
                    error = where + portText + " — вход модели, а " + rowName(doc, rows[i]) + " проверяется";
                    return std::nullopt;
                }
                b.compareRow = rows[i];
            } else if (type == model::PinType::InOut) {
                if (drives) b.driveRow = pin;
                if (answers) b.compareRow = pin + model::kPinRows;
            } else if (exchange::isExpectedRow(doc, pin)) {
                if (!answers) {
                    error = where + portText + " — вход модели, а " + pinText + " — выход";
                    return std::nullopt;
                }
                b.compareRow = pin;
            } else {
                if (!drives) {
                    error = where + portText + " — выход модели, а " + pinText + " — вход";
                    return std::nullopt;
                }
                b.driveRow = pin;
            }
            const auto [it, inserted] = taken.emplace(std::pair{port, bits[i]}, e.line);
            if (!inserted) {
                error = where + portText + " уже назначен" +
                        (it->second > 0 ? " (строка " + std::to_string(it->second) + " карты)" : std::string());
                return std::nullopt;
            }
            out.push_back(b);
        }
    }

    // What the map leaves out: inputs of the model would float, rows of the test go unused.
    std::string inputs, outputs, rowsLeft;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        const ModelPort& p = ports[i];
        std::vector<int> free;
        for (int b = 0; b < p.width; ++b)
            if (!taken.count({static_cast<int>(i), b})) free.push_back(b);
        if (free.empty()) continue;
        std::string names;
        if (static_cast<int>(free.size()) == p.width) {
            names = p.name;
        } else {
            for (int b : free) names += (names.empty() ? "" : ", ") + bitName(p, b);
        }
        std::string& list = p.direction == PortDirection::Output ? outputs : inputs;
        list += (list.empty() ? "" : ", ") + names;
    }
    std::set<int> driven, compared;
    for (const BitBinding& b : out) {
        driven.insert(b.driveRow);
        compared.insert(b.compareRow);
    }
    for (const exchange::RowSignal& r : exchange::rowSignals(doc)) {
        const bool used = r.expected ? compared.count(r.row) > 0 : driven.count(r.row) > 0;
        if (used || !hasLevels(doc, r.row)) continue;
        rowsLeft += (rowsLeft.empty() ? "" : ", ") + rowName(doc, r.row);
    }
    if (!inputs.empty() || !rowsLeft.empty()) {
        error.clear();
        if (!inputs.empty()) error = "Не назначены входы модели: " + inputs;
        if (!rowsLeft.empty()) error += (error.empty() ? "" : "\n") + std::string("Не назначены строки теста: ") + rowsLeft;
        return std::nullopt;
    }
    if (notes && !outputs.empty()) notes->push_back("Не сравниваются выходы модели: " + outputs);
    return out;
}

std::vector<MapEntry> autoMap(const TestDocument& doc, const std::vector<ModelPort>& ports) {
    std::vector<MapEntry> out;
    for (const ModelPort& p : ports) {
        const std::string name = lower(p.name);
        std::set<int> pins;
        for (int n = 1; n <= doc.pinCount(); ++n) {
            const std::string& type = doc.pin(n).pinType;
            if (!doc.pin(n).pinName.empty() && lower(doc.pin(n).pinName) == name) pins.insert(n);
            if ((name == "vcc" && type == model::PinType::Supply) || (name == "gnd" && type == model::PinType::Ground))
                pins.insert(n);
        }
        if (const int n = numberedPin(name); n >= 1 && n <= doc.pinCount()) pins.insert(n);
        std::vector<int> words;
        const auto& list = doc.dataWords();
        for (std::size_t w = 0; w < list.size(); ++w)
            if (!list[w].wordName.empty() && lower(list[w].wordName) == name && list[w].memberCount() == p.width)
                words.push_back(static_cast<int>(w) + 1);
        if (p.width == 1 && pins.size() == 1)
            out.push_back({p.name, {MapTarget::Kind::Pin, *pins.begin()}, 0});
        else if ((p.width > 1 || pins.empty()) && words.size() == 1)
            out.push_back({p.name, {MapTarget::Kind::Word, words.front()}, 0});
    }
    return out;
}

}  // namespace kvx::modelcheck
