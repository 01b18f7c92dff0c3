#include "algorithms/algorithm_form.h"

#include <algorithm>
#include <charconv>

#include "algorithms/expansion.h"
#include "functions/formula.h"
#include "model/text.h"

namespace kvx::algorithms {

namespace {

using model::Algorithm;
using model::AlgorithmSettings;
using model::TestDocument;
using words::WordValue;

constexpr size_t kQuotedLength = 20;  // longer field texts are cut in the messages

AlgorithmSettings& block(TestDocument& doc, Algorithm a) { return doc.algorithm(a); }

bool isRadixDigit(char c, int radix) {
    switch (radix) {
    case 16: return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    case 8: return c >= '0' && c <= '7';
    case 2: return c == '0' || c == '1';
    default: return c >= '0' && c <= '9';
    }
}

int knownRadix(int radix) { return (radix == 2 || radix == 8 || radix == 16) ? radix : 10; }

std::string number(int v) { return std::to_string(v); }

int clamped(int v, int max) { return std::clamp(v, 1, max); }

int wordPosition(const TestDocument& doc, int index) {
    return index >= 0 && static_cast<size_t>(index) < doc.dataWords().size() ? index : -1;
}

/// A field's text as it appears in a message: in quotes, cut after 20 characters.
std::string quoted(std::string_view text) {
    std::string out = "\"" + model::text::truncated(text, kQuotedLength);
    if (model::text::length(text) > kQuotedLength) out += "...";
    return out + "\"";
}

/// Where a field is: its label and its page (and the RAM mode).
struct FieldName {
    const char* label;
    const char* page;
    const char* mode = nullptr;
    std::string describe() const {
        std::string s = std::string("Поле \"") + label + "\" (страница \"" + page + "\"";
        if (mode) s += std::string(", \"") + mode + "\"";
        return s + ")";
    }
};

/// The whole handler stops at the first field that cannot be read.
struct Stop {
    std::string message;
    platform::Icon icon = platform::Icon::Error;
};

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

/// A number field: a decimal integer within 1..max, or the report that it is none.
int readNumber(std::string_view text, const FieldName& field, int max) {
    const std::string_view t = trimmed(text);
    const std::string range = " от 1 до " + number(max);
    if (t.empty()) throw Stop{field.describe() + " не заполнено: нужно число" + range + "."};
    std::string_view digits = t.front() == '+' ? t.substr(1) : t;
    int v = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (digits.empty() || ec != std::errc{} || end != digits.data() + digits.size() || v < 1 || v > max)
        throw Stop{field.describe() + ": " + quoted(text) + " не является числом" + range + "."};
    return v;
}

WordValue readAddress(std::string_view text, int radix, const FieldName& field) {
    if (text.empty()) throw Stop{field.describe() + " не заполнено: нужен адрес."};
    const auto v = parseAddress(text, radix);
    if (!v)
        throw Stop{field.describe() + ": " + quoted(text) + " не является адресом в системе счисления с основанием " +
                   number(knownRadix(radix)) + "."};
    return *v;
}

/// What both memory tests and the cyclic test do once their page is stored. Without
/// "Показать результат" the diagram stays as the user drew it, tact count included.
void finishBlock(TestDocument& doc, bool showResult, bool (*expand)(TestDocument&), HandlerResult& result) {
    if (doc.baseTactCount() == 0) doc.setBaseTactCount(doc.tactCount());
    if (!showResult) return;
    if (expand(doc)) {
        functions::RecalculateFunctionPins(doc);
        result.expanded = true;
    } else {
        result.expansionRefused = true;
    }
}

void handleCyclic(TestDocument& doc, const AlgorithmForm& f, bool showResult, HandlerResult& result) {
    const char* page = "Циклический";
    const int start = readNumber(f.cyclicStart, {"Начальный Такт", page}, kTactFieldMax);
    const int end = readNumber(f.cyclicEnd, {"Конечный Такт", page}, kTactFieldMax);
    const int count = readNumber(f.cyclicCount, {"Всего циклов", page}, kTactFieldMax);
    if (end < start) throw Stop{kCyclicRangeMessage};
    AlgorithmSettings& a = block(doc, Algorithm::Cyclic);
    a.cycleCount = count;
    a.endTact = end;
    a.startTact = start;
    finishBlock(doc, showResult, ExpandCyclic, result);
}

void handleRom(TestDocument& doc, const AlgorithmForm& f, bool showResult, HandlerResult& result) {
    const char* page = "Тест ПЗУ";
    const int addressTact = readNumber(f.romAddressTact, {"Такт Адреса", page}, kTactFieldMax);
    const int addressTacts = readNumber(f.romAddressTactCount, {"Тактов Адреса", page}, kTactFieldMax);
    const int dataTact = readNumber(f.romDataTact, {"Такт Данных", page}, kTactFieldMax);
    AlgorithmSettings& a = block(doc, Algorithm::Rom);
    a.addressTact = addressTact;
    a.addressTactCount = addressTacts;
    a.dataTact = dataTact;
    const int radix = addressRadix(doc);
    const WordValue first = readAddress(f.romStartAddress, radix, {"Начальный Адрес", page});
    const WordValue last = readAddress(f.romEndAddress, radix, {"Конечный Адрес", page});
    if (last < first) throw Stop{kAddressRangeMessage};
    const int startTact = readNumber(f.romStartTact, {"Начальный Такт", page}, kTactFieldMax);
    a.addressWord = f.romAddressWord;
    a.dataWord = f.romDataWord;
    a.dataFileName = f.romDataFile;
    a.startAddress = first;
    a.endAddress = last;
    a.romStartTact = startTact;
    finishBlock(doc, showResult, ExpandRom, result);
}

struct RamModeValues {
    int startTact, addressTact, addressTactCount, dataTact, dataTactCount;
};

RamModeValues readRamMode(const RamModeFields& m, const char* mode) {
    const char* page = "Тест ОЗУ";
    auto read = [&](const std::string& text, const char* label) {
        return readNumber(text, {label, page, mode}, kRamTactFieldMax);
    };
    return {read(m.startTact, "Начальный Такт"), read(m.addressTact, "Такт Адреса"),
            read(m.addressTactCount, "Тактов Адреса"), read(m.dataTact, "Такт Данных"),
            read(m.dataTactCount, "Тактов Данных")};
}

std::string cycleRangeMessage(const char* cycle, int from, int to) {
    return std::string("Данные цикла ") + cycle + " выходят за рамки, указанные пользователем: с " + number(from) +
           " до " + number(to) + " такты";
}

void handleRam(TestDocument& doc, const AlgorithmForm& f, bool showResult, HandlerResult& result) {
    const char* page = "Тест ОЗУ";
    const int radix = addressRadix(doc);
    const WordValue first = readAddress(f.ramStartAddress, radix, {"Начальный Адрес", page});
    const WordValue last = readAddress(f.ramEndAddress, radix, {"Конечный Адрес", page});
    if (last < first) throw Stop{kAddressRangeMessage};
    const RamModeValues w = readRamMode(f.ramWrite, "Режим Записи");
    const RamModeValues r = readRamMode(f.ramRead, "Режим Чтения");
    AlgorithmSettings& a = block(doc, Algorithm::Ram);
    a.startAddress = first;
    a.endAddress = last;
    a.startTact = r.startTact;
    a.writeStartTact = w.startTact;
    a.addressTact = r.addressTact;
    a.writeAddressTact = w.addressTact;
    a.addressTactCount = r.addressTactCount;
    a.writeAddressTactCount = w.addressTactCount;
    a.dataTact = r.dataTact;
    a.writeDataTact = w.dataTact;
    a.dataTactCount = r.dataTactCount;
    a.writeDataTactCount = w.dataTactCount;
    a.addressWord = f.ramRead.addressWord;
    a.dataWord = f.ramRead.dataWord;
    a.writeAddressWord = f.ramWrite.addressWord;
    a.writeDataWord = f.ramWrite.dataWord;

    const int R = r.startTact;
    const int W = w.startTact;
    if (R == W) throw Stop{kEqualStartsMessage};
    if (W < R) {
        if (w.addressTact + w.addressTactCount > R || w.dataTact + w.dataTactCount > R || w.addressTact < W ||
            w.dataTact < W)
            throw Stop{cycleRangeMessage("записи", W, R), platform::Icon::Warning};
    } else if (r.addressTact + r.addressTactCount > W || r.dataTact + r.dataTactCount > W || r.addressTact < R ||
               r.dataTact < R) {
        throw Stop{cycleRangeMessage("чтения", R, W), platform::Icon::Warning};
    }
    finishBlock(doc, showResult, ExpandRam, result);
}

}  // namespace

// ---- address fields ----------------------------------------------------------------------

int addressRadix(const TestDocument& doc) { return doc.dataWords().empty() ? 10 : doc.dataWords().front().radix; }

std::string cleanAddressText(std::string_view text, int radix) {
    std::string out;
    // Only single-byte characters can be digits; a multi-byte character goes as a whole.
    for (size_t i = 0; i < text.size();) {
        const size_t n = std::max<size_t>(1, model::text::charBytes(text, i));
        if (n == 1 && isRadixDigit(text[i], radix)) out.push_back(text[i]);
        i += n;
    }
    return out;
}

WordValue largestAddress(const TestDocument& doc, int wordIndex) {
    if (wordIndex < 0 || static_cast<size_t>(wordIndex) >= doc.dataWords().size()) return 0;
    return allOnes(doc.dataWords()[static_cast<size_t>(wordIndex)].memberCount());
}

std::optional<std::string> boundedEndAddress(std::string_view text, int radix, WordValue largest) {
    if (largest == 0) return std::nullopt;
    const auto v = parseAddress(text, radix);
    if (!v || *v <= largest) return std::nullopt;
    return words::formatInRadix(largest, radix);
}

std::optional<WordValue> parseAddress(std::string_view text, int radix) {
    if (text.empty()) return std::nullopt;
    for (char c : text)
        if (!isRadixDigit(c, radix)) return std::nullopt;
    return words::parseInRadix(text, knownRadix(radix));
}

std::string stepAddress(std::string_view text, int radix, int step) {
    WordValue v = parseAddress(cleanAddressText(text, radix), radix).value_or(0);
    if (step > 0 && v != ~WordValue{0}) ++v;
    if (step < 0 && v != 0) --v;
    return words::formatInRadix(v, radix);
}

// ---- opening and the "Состояние:" lists --------------------------------------------------

AlgorithmForm openForm(TestDocument& doc, int selected) {
    AlgorithmForm f;
    const auto& algos = doc.algorithms();
    const AlgorithmSettings& cyc = algos[1];
    const AlgorithmSettings& rom = algos[2];
    const AlgorithmSettings& ram = algos[3];
    const int radix = addressRadix(doc);
    auto address = [&](WordValue v) { return words::formatInRadix(v, radix); };
    auto tact = [](int v) { return number(clamped(v, kTactFieldMax)); };
    auto ramTact = [](int v) { return number(clamped(v, kRamTactFieldMax)); };

    f.cyclicStart = tact(cyc.startTact);
    f.cyclicEnd = tact(cyc.endTact);
    f.cyclicCount = tact(cyc.cycleCount);

    f.romAddressWord = wordPosition(doc, rom.addressWord);
    f.romDataWord = wordPosition(doc, rom.dataWord);
    f.romStartAddress = address(rom.startAddress);
    f.romEndAddress = address(rom.endAddress);
    f.romStartTact = tact(rom.romStartTact);
    f.romAddressTact = tact(rom.addressTact);
    f.romAddressTactCount = tact(rom.addressTactCount);
    f.romDataTact = tact(rom.dataTact);
    f.romDataFile = rom.dataFileName;

    f.ramStartAddress = address(ram.startAddress);
    f.ramEndAddress = address(ram.endAddress);
    f.ramWrite = {ramTact(ram.writeStartTact),     ramTact(ram.writeAddressTact),
                  ramTact(ram.writeAddressTactCount), ramTact(ram.writeDataTact),
                  ramTact(ram.writeDataTactCount), wordPosition(doc, ram.writeAddressWord),
                  wordPosition(doc, ram.writeDataWord)};
    f.ramRead = {ramTact(ram.startTact),     ramTact(ram.addressTact),   ramTact(ram.addressTactCount),
                 ramTact(ram.dataTact),      ramTact(ram.dataTactCount), wordPosition(doc, ram.addressWord),
                 wordPosition(doc, ram.dataWord)};

    for (auto& a : doc.algorithms()) a.active = 0;
    f.activeList = {};
    if (selected >= 0 && selected < 4) {
        doc.algorithms()[static_cast<size_t>(selected)].active = 1;
        f.activeList[static_cast<size_t>(selected)] = true;
    }
    doc.markChanged();
    return f;
}

void activateAlgorithm(TestDocument& doc, AlgorithmForm& form, int n) {
    if (n < 0 || n > 3) return;
    for (size_t i = 0; i < 4; ++i) {
        doc.algorithms()[i].active = i == static_cast<size_t>(n) ? 1 : 0;
        form.activeList[i] = i == static_cast<size_t>(n);
    }
}

// ---- "OK" and "Отмена" -------------------------------------------------------------------

HandlerResult runHandler(TestDocument& doc, const AlgorithmForm& form, bool showResult) {
    HandlerResult result;
    try {
        if (form.activeList[1]) handleCyclic(doc, form, showResult, result);
        if (form.activeList[2]) handleRom(doc, form, showResult, result);
        if (form.activeList[3]) handleRam(doc, form, showResult, result);
    } catch (const Stop& stop) {
        result.stopped = true;
        result.message = stop.message;
        result.icon = stop.icon;
    }
    return result;
}

}  // namespace kvx::algorithms
