#include "storage/test_file.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <new>
#include <random>
#include <string_view>
#include <system_error>

#include "functions/formula.h"
#include "model/text.h"
#include "storage/codepage.h"
#include "storage/file_path.h"
#include "storage/file_replace.h"
#include "words/word_values.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kvx::storage {

namespace PinType = model::PinType;
using model::TestDocument;

namespace {

constexpr std::array<char, 3> kLevelChars = {'_', '-', '*'};

const char* packagePrefix(model::PackageType t) { return t == model::PackageType::SOIC ? "SOIC" : "DIP"; }

/// Collects the lines of a file: keys and user texts converted (a character the file cannot
/// carry as its stand-in), everything ended by CR LF.
class LineWriter {
public:
    void text(std::string_view utf8) { raw(toFileText(storableText(utf8))); }
    void keyValue(std::string_view key, std::string_view utf8Value) {
        out_ += toFileText(storableText(key));  // a word name is the key of its line
        out_ += toFileText(storableText(utf8Value));
        out_ += "\r\n";
    }
    void keyNumber(std::string_view key, long long n) { keyValue(key, std::to_string(n)); }
    void raw(std::string_view bytes) {
        out_ += bytes;
        out_ += "\r\n";
    }
    std::string& buffer() { return out_; }

private:
    std::string out_;
};

/// Signal records of one test: the row of every display position that is a signal.
std::vector<int> signalRowsOf(const TestDocument& doc, int test) {
    std::vector<int> rows;
    const int positions = doc.pinCount() + doc.ioPinCount();
    for (int k = 1; k <= positions && k <= model::kMaxRow; ++k) {
        const int r = doc.signalRow(test, k);
        if (r < 0 || r > model::kMaxRow) continue;
        if (model::isFixedType(doc.pin(r).pinType)) continue;
        rows.push_back(r);
    }
    return rows;
}

void writeSignalRecord(LineWriter& w, const TestDocument& doc, int test, int r) {
    const model::Pin& p = doc.pin(r);
    std::string prefix;
    int number = r;
    if (r > model::kPinRows) {
        prefix = "o";
        number = r - model::kPinRows;
    } else {
        prefix = model::text::first(p.pinType) == "I" ? "i" : "o";
    }
    // Both rows of an I/O pin carry the pin's one name.
    w.keyValue(prefix + std::to_string(number) + "=", doc.pin(number).pinName);
    if (model::isFunctionType(p.pinType)) {
        w.keyValue("F=", doc.pinFunction(test, r));
        return;
    }
    std::string& out = w.buffer();
    const int tacts = doc.tactCount();
    const model::CellLevel* cells = doc.rowData(test, r);
    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(tacts));
    for (int t = 1; t <= tacts; ++t) {
        const model::CellLevel v = cells[t];
        out[start + static_cast<size_t>(t) - 1] = kLevelChars[v <= 2 ? v : 2];
    }
    out += "\r\n";
}

void writeAlgorithm(LineWriter& w, const TestDocument& doc) {
    const int a = doc.activeAlgorithm();
    w.keyNumber("АлгоритмТестирования=", a);
    const model::AlgorithmSettings& s = doc.algorithms()[static_cast<size_t>(a)];
    const int radix = doc.dataWords().empty() ? 10 : doc.dataWords().front().radix;
    auto address = [&](std::string_view key, std::uint64_t value) { w.keyValue(key, words::formatInRadix(value, radix)); };
    auto word = [&](std::string_view key, int index) { w.keyNumber(key, static_cast<long long>(index) + 1); };
    switch (a) {
    case 1:
        w.keyNumber("ВсегоЦиклов=", s.cycleCount);
        w.keyNumber("НачальныйТакт=", s.startTact);
        w.keyNumber("КонечныйТакт=", s.endTact);
        break;
    case 2:
        w.keyNumber("НачальныйТакт=", s.startTact);
        word("Адрес=", s.addressWord);
        w.keyNumber("ТактАдреса=", s.addressTact);
        w.keyNumber("ТактовАдреса=", s.addressTactCount);
        address("НачальныйАдрес=", s.startAddress);
        address("КонечныйАдрес=", s.endAddress);
        word("Данные=", s.dataWord);
        w.keyNumber("ТактДанных=", s.dataTact);
        w.keyValue("ИмяФайлаДанных=", s.dataFileName);
        break;
    case 3:
        address("НачальныйАдрес=", s.startAddress);
        address("КонечныйАдрес=", s.endAddress);
        w.keyNumber("НачальныйТактЧтения=", s.startTact);
        w.keyNumber("НачальныйТактЗаписи=", s.writeStartTact);
        word("СловоАдреса=", s.addressWord);
        word("СловоДанныхЗаписи=", s.writeAddressWord);
        w.keyNumber("ТактАдресаЧтения=", s.addressTact);
        w.keyNumber("ТактовАдресаЧтения=", s.addressTactCount);
        w.keyNumber("ТактАдресаЗаписи=", s.writeAddressTact);
        w.keyNumber("ТактовАдресаЗаписи=", s.writeAddressTactCount);
        word("СловоДанных=", s.dataWord);
        word("СловоДанныхЗаписи=", s.writeDataWord);
        w.keyNumber("ТактДанныхЧтения=", s.dataTact);
        w.keyNumber("ТактДанныхЗаписи=", s.writeDataTact);
        w.keyNumber("ТактovДанныхЧтения=", s.dataTactCount);
        w.keyNumber("ТактovДанныхЗаписи=", s.writeDataTactCount);
        break;
    default:
        break;
    }
}

}  // namespace

std::string writeTestFileBytes(const TestDocument& doc) {
    LineWriter w;
    const int pinCount = doc.pinCount();
    w.buffer().reserve(static_cast<size_t>(doc.testCount()) * static_cast<size_t>(pinCount + doc.ioPinCount()) *
                           (static_cast<size_t>(doc.tactCount()) + 16) + 4096);
    w.keyValue("Тип корпуса=", std::string(packagePrefix(doc.package().packageType)) + std::to_string(pinCount));
    for (int n = 1; n <= pinCount; ++n) {
        const std::string& type = doc.pin(n).pinType;
        w.keyValue(std::to_string(n) + "=", type == PinType::Function ? PinType::Output : type);
    }
    w.keyNumber("Число Тестов=", doc.testCount());
    const auto& wordList = doc.dataWords();
    for (int t = 0; t < doc.testCount(); ++t) {
        w.keyValue("Тест" + std::to_string(t) + "=", "\"" + doc.testName() + "\"");
        w.keyNumber("Слов Данных=", static_cast<long long>(wordList.size()));
        if (!wordList.empty()) w.keyNumber("СистемаСчисления=", wordList.front().radix);
        for (const model::DataWord& word : wordList) {
            std::vector<int> members;
            for (int slot = 0; slot < pinCount && slot < model::kWordSlots; ++slot)
                if (word.memberRows[static_cast<size_t>(slot)] != 0) members.push_back(word.memberRows[static_cast<size_t>(slot)]);
            w.keyValue(word.wordName + "=",
                       std::to_string(members.size()) + "|" + std::to_string(word.direction));
            for (int m : members) w.raw(std::to_string(m));
        }
        w.keyNumber("Число Тактов=", doc.tactCount());
        // The count always matches the records that follow, even when the display order is inconsistent.
        const std::vector<int> rows = signalRowsOf(doc, t);
        w.keyNumber("Число сигналов управления=", static_cast<long long>(rows.size()));
        for (int r : rows) writeSignalRecord(w, doc, t, r);
    }
    writeAlgorithm(w, doc);
    w.text("Конец Файла");
    w.text("Дополнительные парметры:( uhul, gen)");
    const auto& p = doc.testParameters();
    w.raw(std::to_string(static_cast<long long>(p.levelHighCode) * 256 + p.levelLowCode));
    w.raw(std::to_string(p.effectiveTactDuration()));
    w.text("Файл описания:");
    w.text(doc.descriptionFile());
    return std::move(w.buffer());
}

std::vector<StoredOtherwise> textsStoredOtherwise(const TestDocument& doc) {
    std::vector<StoredOtherwise> out;
    auto check = [&out](StoredOtherwise::Field field, int index, int test, const std::string& text) {
        std::string stored = storableText(text);
        if (stored != text) out.push_back({field, index, test, text, std::move(stored)});
    };
    using Field = StoredOtherwise::Field;
    check(Field::TestName, 0, 0, doc.testName());
    for (size_t i = 0; i < doc.dataWords().size(); ++i)
        check(Field::WordName, static_cast<int>(i), 0, doc.dataWords()[i].wordName);
    // The names and formulas of the signal records, each pin's name once.
    std::bitset<model::kRowSlots> named;
    for (int t = 0; t < doc.testCount(); ++t) {
        for (int r : signalRowsOf(doc, t)) {
            const int pin = r > model::kPinRows ? r - model::kPinRows : r;
            if (!named.test(static_cast<size_t>(pin))) check(Field::PinName, pin, 0, doc.pin(pin).pinName);
            named.set(static_cast<size_t>(pin));
            if (model::isFunctionType(doc.pin(r).pinType)) check(Field::Formula, r, t, doc.pinFunction(t, r));
        }
    }
    if (doc.activeAlgorithm() == static_cast<int>(model::Algorithm::Rom))
        check(Field::DataFileName, 0, 0, doc.algorithms()[static_cast<size_t>(model::Algorithm::Rom)].dataFileName);
    check(Field::DescriptionFile, 0, 0, doc.descriptionFile());
    return out;
}

std::string storedOtherwiseNotice(const std::vector<StoredOtherwise>& changes) {
    if (changes.empty()) return {};
    // Each replaced character once, in the order of its first appearance.
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const StoredOtherwise& c : changes) {
        for (size_t i = 0; i < c.text.size();) {
            const size_t n = std::max<size_t>(1, model::text::charBytes(c.text, i));
            const std::string ch = c.text.substr(i, n);
            const std::string stand = storableText(ch);
            if (stand != ch && std::find_if(pairs.begin(), pairs.end(), [&](const auto& p) { return p.first == ch; }) ==
                                   pairs.end())
                pairs.emplace_back(ch, stand);
            i += n;
        }
    }
    std::string signs;
    for (const auto& [ch, stand] : pairs) signs += (signs.empty() ? "" : ", ") + ("«" + ch + "» как «" + stand + "»");
    std::string places;
    for (const StoredOtherwise& c : changes) {
        std::string place;
        switch (c.field) {
        case StoredOtherwise::Field::TestName: place = "название теста"; break;
        case StoredOtherwise::Field::WordName: place = "имя слова данных " + std::to_string(c.index + 1); break;
        case StoredOtherwise::Field::PinName: place = "имя вывода " + std::to_string(c.index); break;
        case StoredOtherwise::Field::Formula:
            place = c.index > model::kPinRows ? "формула выхода вывода " + std::to_string(c.index - model::kPinRows)
                                              : "формула вывода " + std::to_string(c.index);
            break;
        case StoredOtherwise::Field::DataFileName: place = "имя файла данных алгоритма"; break;
        case StoredOtherwise::Field::DescriptionFile: place = "файл описания микросхемы"; break;
        }
        if (places.find(place) == std::string::npos) places += (places.empty() ? "" : ", ") + place;
    }
    return "Кодировка файла теста не передаёт некоторые знаки, и они записаны так: " + signs +
           ".\nИзменено: " + places + ".";
}

SaveResult saveTestFile(TestDocument& doc, const std::string& path) {
    SaveResult result;
    const std::string failure = "Не удалось сохранить файл " + path;
    if (path.empty()) {
        result.error = failure;
        return result;
    }
    const std::vector<StoredOtherwise> changes = textsStoredOtherwise(doc);
    const ReplaceResult written = replaceFile(path, writeTestFileBytes(doc));
    if (!written) {
        result.error = withReason(failure, written);
        return result;
    }
    // The test shows what its file holds, and the user is told once what changed.
    for (const StoredOtherwise& c : changes) {
        using Field = StoredOtherwise::Field;
        switch (c.field) {
        case Field::TestName: doc.setTestName(c.stored); break;
        case Field::WordName: doc.dataWords()[static_cast<size_t>(c.index)].wordName = c.stored; break;
        case Field::PinName: doc.setPinName(c.index, c.stored); break;
        case Field::Formula: doc.setPinFunction(c.test, c.index, c.stored); break;
        case Field::DataFileName: doc.algorithm(model::Algorithm::Rom).dataFileName = c.stored; break;
        case Field::DescriptionFile: doc.setDescriptionFile(c.stored); break;
        }
    }
    result.notice = storedOtherwiseNotice(changes);
    doc.setFileName(path);
    doc.setSaved(true);
    doc.setTitle("KVX - " + path);
    result.ok = true;
    return result;
}

// ---- reader ------------------------------------------------------------------

namespace {

std::string_view trimSpaces(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

/// A decimal integer with an optional sign; surrounding blanks are allowed.
std::optional<int> parseInteger(std::string_view s) {
    s = trimSpaces(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return std::nullopt;
    int value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

/// The lines of a file without their LF or CR LF ends; `longest` gets the longest line's length.
std::vector<std::string_view> splitLines(std::string_view bytes, size_t& longest) {
    std::vector<std::string_view> lines;
    longest = 0;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find('\n', start);
        const size_t stop = end == std::string_view::npos ? bytes.size() : end;
        size_t len = stop - start;
        if (len > 0 && bytes[start + len - 1] == '\r') --len;
        longest = std::max(longest, len);
        lines.emplace_back(bytes.data() + start, len);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return lines;
}

class Reader {
public:
    Reader(TestDocument& doc, std::vector<std::string_view> lines, LoadResult& result)
        : doc_(doc), result_(result), lines_(std::move(lines)) {}

    /// Raw bytes of line n (1-based); lines beyond the end are empty.
    std::string_view raw(size_t n) const {
        return (n >= 1 && n <= lines_.size()) ? lines_[n - 1] : std::string_view{};
    }
    std::string text(size_t n) const { return fromFileText(raw(n)); }
    static std::string_view valueOf(std::string_view line) {
        const auto eq = line.find('=');
        return eq == std::string_view::npos ? std::string_view{} : line.substr(eq + 1);
    }
    static std::string_view nameOf(std::string_view line) {
        const auto eq = line.find('=');
        return eq == std::string_view::npos ? std::string_view{} : line.substr(0, eq);
    }
    std::string value(size_t n) const { return fromFileText(valueOf(raw(n))); }

    /// Parses a number of line n's value; on failure reports the section once and returns nullopt.
    std::optional<int> number(std::string_view text, const char* section) {
        auto v = parseInteger(text);
        if (!v) fail(section);
        return v;
    }
    void fail(const char* section) {
        if (errorShown_) return;
        errorShown_ = true;
        result_.messages.push_back(std::string("Ошибка чтения файла ") + section);
    }
    bool errorShown() const { return errorShown_; }

    void run(const std::string& path);

private:
    /// `fresh`: the row was not cleared for the new tacts, so a character that is not a level
    /// gives the inactive level the cell would have held.
    void readLevels(int test, int row, std::string_view levels, bool fresh);
    void readAlgorithm(size_t& line, int addressRadix);
    void skipTestBlock(size_t& line);
    /// True once `line` lies behind the last line of the file: everything from there reads empty.
    bool pastEnd(size_t line) const { return line > lines_.size(); }

    TestDocument& doc_;
    LoadResult& result_;
    std::vector<std::string_view> lines_;
    bool errorShown_ = false;
};

/// Level of a level character; 0xFF for a character that is not a level.
constexpr std::array<std::uint8_t, 256> kLevelOfChar = [] {
    std::array<std::uint8_t, 256> table{};
    table.fill(0xFF);
    table[static_cast<unsigned char>('_')] = model::kLow;
    table[static_cast<unsigned char>('-')] = model::kHigh;
    table[static_cast<unsigned char>('*')] = model::kInactive;
    return table;
}();

/// Decodes level characters into cells[0..n); a character that is not a level leaves its cell,
/// or makes it inactive when `othersInactive` is set.
void decodeLevels(const char* chars, size_t n, model::CellLevel* cells, bool othersInactive = false) {
    size_t i = 0;
#if defined(__SSE2__)
    // Sixteen characters at a time while all of them are levels (the normal case).
    const __m128i low = _mm_set1_epi8('_'), high = _mm_set1_epi8('-'), inactive = _mm_set1_epi8('*');
    const __m128i one = _mm_set1_epi8(1), two = _mm_set1_epi8(2);
    for (; i + 16 <= n; i += 16) {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chars + i));
        const __m128i isHigh = _mm_cmpeq_epi8(c, high);
        const __m128i isInactive = _mm_cmpeq_epi8(c, inactive);
        const __m128i isLevel = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(c, low), isHigh), isInactive);
        if (_mm_movemask_epi8(isLevel) != 0xFFFF) {
            for (size_t j = i; j < i + 16; ++j) {
                const std::uint8_t v = kLevelOfChar[static_cast<unsigned char>(chars[j])];
                if (v != 0xFF) cells[j] = v;
                else if (othersInactive) cells[j] = model::kInactive;
            }
            continue;
        }
        const __m128i v = _mm_or_si128(_mm_and_si128(isHigh, one), _mm_and_si128(isInactive, two));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(cells + i), v);
    }
#endif
    for (; i < n; ++i) {
        const std::uint8_t v = kLevelOfChar[static_cast<unsigned char>(chars[i])];
        if (v != 0xFF) cells[i] = v;
        else if (othersInactive) cells[i] = model::kInactive;
    }
}

void Reader::readLevels(int test, int row, std::string_view levels, bool fresh) {
    if (row < 0 || row > model::kMaxRow) return;
    if (fresh) {
        // Every cell up to the tact count is written here; before the load all of them were inactive.
        const auto tacts = static_cast<size_t>(doc_.tactCount());
        decodeLevels(levels.data(), std::min(levels.size(), tacts), doc_.mutableRowData(test, row) + 1, true);
        if (levels.size() > tacts) readLevels(test, row, levels, false);
        return;
    }
    // Fast path: the line fits the tact count, so no cell write can change it.
    if (static_cast<long long>(levels.size()) <= doc_.tactCount()) {
        decodeLevels(levels.data(), levels.size(), doc_.mutableRowData(test, row) + 1);
        return;
    }
    for (size_t i = 0; i < levels.size(); ++i) {
        const model::CellLevel v = kLevelOfChar[static_cast<unsigned char>(levels[i])];
        if (v == 0xFF) continue;  // not a level
        const auto tact = static_cast<long long>(i) + 1;
        if (tact > model::kMaxTactCount) {
            // The storage cannot hold it: reported once per load, the rest of the file is read.
            doc_.raiseError(model::kDiagrSizeError);
            return;
        }
        if (tact >= doc_.tactCount() + 2 && !doc_.setTactCount(static_cast<int>(tact))) return;
        doc_.setCell(test, row, static_cast<int>(tact), v);
    }
}

void Reader::readAlgorithm(size_t& line, int addressRadix) {
    auto& algos = doc_.algorithms();
    algos[0].active = 0;
    const std::string algoValue = value(line++);
    int a = 0;
    if (!trimSpaces(algoValue).empty()) {
        auto v = number(algoValue, "LoadAlgot");
        a = v.value_or(0);
    }
    if (a == 0) {
        algos[0].active = 1;
        return;
    }
    if (a < 1 || a > 3) return;  // an unknown algorithm activates none and has no section
    model::AlgorithmSettings& s = algos[static_cast<size_t>(a)];
    s.active = 1;
    auto integer = [&](int& field) {
        if (auto v = number(value(line++), "LoadAlgData")) field = *v;
    };
    auto word = [&](int& field) {
        if (auto v = number(value(line++), "LoadAlgData")) field = *v == std::numeric_limits<int>::min() ? *v : *v - 1;
    };
    auto address = [&](std::uint64_t& field) {
        auto v = words::parseInRadix(trimSpaces(value(line++)), addressRadix);
        if (!v) fail("LoadA");
        field = v.value_or(0);
    };
    switch (a) {
    case 1:
        integer(s.cycleCount);
        integer(s.startTact);
        integer(s.endTact);
        break;
    case 2:
        integer(s.startTact);
        word(s.addressWord);
        integer(s.addressTact);
        integer(s.addressTactCount);
        address(s.startAddress);
        address(s.endAddress);
        word(s.dataWord);
        integer(s.dataTact);
        s.dataFileName = value(line++);
        break;
    case 3:
        address(s.startAddress);
        address(s.endAddress);
        integer(s.startTact);
        integer(s.writeStartTact);
        word(s.addressWord);
        word(s.writeAddressWord);
        integer(s.addressTact);
        integer(s.addressTactCount);
        integer(s.writeAddressTact);
        integer(s.writeAddressTactCount);
        word(s.dataWord);
        word(s.writeDataWord);
        integer(s.dataTact);
        integer(s.writeDataTact);
        integer(s.dataTactCount);
        integer(s.writeDataTactCount);
        break;
    default:
        break;
    }
}

void Reader::skipTestBlock(size_t& line) {
    auto count = [&](std::string_view text) { return std::max(0, parseInteger(text).value_or(0)); };
    ++line;  // name
    const int words = count(value(line++));
    if (words >= 1) {
        ++line;  // radix
        for (int i = 0; i < words && !pastEnd(line); ++i) {
            const std::string wordValue = fromFileText(valueOf(raw(line++)));
            line += static_cast<size_t>(count(std::string_view(wordValue).substr(0, wordValue.find('|'))));
        }
    }
    ++line;  // tact count
    line += 2 * static_cast<size_t>(count(value(line++)));
    const int a = parseInteger(value(line++)).value_or(0);
    line += a == 1 ? 3 : a == 2 ? 9 : a == 3 ? 16 : 0;
}

void Reader::run(const std::string& path) {
    doc_.testParameters().resetToDefaults();
    doc_.clearDocument();
    doc_.setFileName(path);
    doc_.setTitle("KVX - " + path);

    // Package.
    const std::string package = value(1);
    bool matched = false;
    for (const char* prefix : {"DIP", "SOIC"}) {
        for (int count : model::kPinCounts) {
            if (package == std::string(prefix) + std::to_string(count)) {
                doc_.setPackage({std::string(prefix) == "SOIC" ? model::PackageType::SOIC : model::PackageType::DIP, count});
                matched = true;
            }
        }
    }
    if (!matched) {
        // The cleared test must not stay bound to the file: saving it would overwrite the user's test.
        doc_.setFileName("");
        doc_.setSaved(true);
        result_.messages.push_back("Ошибка Загрузки №001");
        result_.status = LoadStatus::PackageRejected;
        return;
    }
    const int pinCount = doc_.pinCount();
    doc_.dataWords().clear();

    for (int n = 1; n <= pinCount; ++n) doc_.setPinType(n, value(static_cast<size_t>(n) + 1));
    const int ioPins = doc_.ioPinCount();
    const int fixedPins = doc_.fixedPinCount();

    size_t line = static_cast<size_t>(pinCount) + 2;
    int testCount = 1;
    int declaredTests = 1;
    if (auto v = number(value(line++), "LoadColT")) {
        if (*v >= 1 && *v <= model::kMaxTests) {
            testCount = declaredTests = *v;
        } else if (*v > model::kMaxTests) {
            // The tests a document cannot hold are read past, so that the trailer stays in place.
            testCount = model::kMaxTests;
            declaredTests = *v;
            fail("LoadColT");
        } else {
            fail("LoadColT");
        }
    }
    doc_.setTestCount(testCount);

    int wordCount = 0;
    int radix = 16;
    int memberCount = 0;
    for (int t = 0; t < testCount; ++t) {
        std::string name = value(line++);
        doc_.setTestName(std::string(model::text::dropFirstAndLast(name)));

        doc_.dataWords().clear();
        if (auto v = number(value(line++), "LoadWordName")) {
            // A negative count announces no lines; beyond 51 words the rest are read past.
            wordCount = std::max(0, *v);
            if (wordCount > model::kMaxDataWords) fail("LoadWordName");
        }
        if (wordCount >= 1) {
            if (auto v = number(value(line++), "LoadWordSys")) {
                if (*v == 2 || *v == 8 || *v == 10 || *v == 16) radix = *v;
                else fail("LoadWordSys");
            }
            for (int i = 0; i < wordCount && !pastEnd(line); ++i) {
                const std::string_view wordLine = raw(line++);
                model::DataWord word;
                word.wordName = fromFileText(nameOf(wordLine));
                word.radix = radix;
                const std::string wordValue = fromFileText(valueOf(wordLine));
                const auto bar = wordValue.find('|');
                const std::string countText = wordValue.substr(0, bar);
                const std::string directionText = bar == std::string::npos ? std::string() : wordValue.substr(bar + 1);
                if (auto v = number(countText, "LoadWordColCont")) {
                    memberCount = std::max(0, *v);
                    if (memberCount > model::kWordSlots) fail("LoadWordColCont");
                }
                if (auto d = parseInteger(directionText)) word.direction = *d;
                else word.direction = errorShown() ? 0 : 1;
                word.clearMembers();
                for (int m = 0; m < memberCount; ++m) {
                    if (pastEnd(line)) {  // the rest are empty lines: unreadable, nothing to add
                        fail("LoadWordCont");
                        break;
                    }
                    int row = 0;
                    if (auto v = number(raw(line), "LoadWordCont")) {
                        if (*v >= 0 && *v <= model::kMaxRow) row = *v;
                        else fail("LoadWordCont");
                    }
                    ++line;
                    if (row != 0) word.addMember(row);  // beyond the 99 slots the member is dropped
                }
                if (static_cast<int>(doc_.dataWords().size()) < model::kMaxDataWords) doc_.dataWords().push_back(word);
            }
        }

        const std::optional<int> tacts = number(value(line++), "LoadS");
        // Level lines are applied after the records are read, so that the rows they fill
        // completely need not be cleared when the tact count grows.
        std::vector<std::pair<int, std::string_view>> levelLines;

        int signalCount = 0;
        size_t recordsPast = 0;  // records beyond the display positions of a test, read past
        if (auto v = number(value(line++), "LoadKolLeg")) {
            signalCount = std::max(0, *v);
            if (signalCount > model::kMaxRow) {
                fail("LoadKolLeg");
                recordsPast = static_cast<size_t>(signalCount - model::kMaxRow);
                signalCount = model::kMaxRow;
            }
        }
        for (int k = 1; k <= signalCount; ++k) {
            const std::string_view signalLine = raw(line++);
            const std::string signalName = fromFileText(nameOf(signalLine));
            // The prefix is the first character, whatever its width; the pin number follows it.
            const std::string_view prefix = model::text::first(signalName);
            int pinNumber = 0;
            if (auto v = number(model::text::dropFirst(signalName), "LoadCont")) {
                if (*v >= 0 && *v <= model::kMaxRow) pinNumber = *v;
                else fail("LoadCont");
            }
            model::SignalEntry entry{pinNumber, model::RowKind::Pin};
            int row = pinNumber;
            if (prefix == "o" && pinNumber <= model::kPinRows && doc_.pin(pinNumber).pinType == PinType::InOut) {
                row = pinNumber + model::kPinRows;
                doc_.setPinType(row, PinType::IoOutput);
                entry.kind = model::RowKind::Output;
            }
            doc_.setSignalEntry(t, k, entry);
            doc_.setPinName(row, fromFileText(valueOf(signalLine)));

            const std::string_view levelLine = raw(line++);
            if (model::text::first(levelLine) == "F") {
                doc_.setPinFunction(t, row, fromFileText(valueOf(levelLine)));
                doc_.setPinType(row, row <= model::kPinRows ? PinType::Function : PinType::IoFunction);
            } else {
                levelLines.emplace_back(row, levelLine);
            }
        }
        line += 2 * recordsPast;
        if (tacts) {
            std::bitset<model::kRowSlots> written, overwritten;
            for (const auto& [row, levels] : levelLines) {
                if (row < 0 || row > model::kMaxRow) continue;
                const auto r = static_cast<size_t>(row);
                // A row named twice keeps what its first line left where the second has no level.
                if (written.test(r)) overwritten.reset(r);
                else if (static_cast<long long>(levels.size()) >= *tacts) overwritten.set(r);
                written.set(r);
            }
            if (testCount == 1) doc_.setTactCount(*tacts, overwritten);
            else doc_.setTactCount(*tacts);
            if (testCount != 1 || doc_.tactCount() != *tacts) overwritten.reset();
            for (const auto& [row, levels] : levelLines) readLevels(t, row, levels, overwritten.test(static_cast<size_t>(row)));
        } else {
            for (const auto& [row, levels] : levelLines) readLevels(t, row, levels, false);
        }

        readAlgorithm(line, wordCount >= 1 ? radix : 10);
    }
    for (int t = testCount; t < declaredTests && !pastEnd(line); ++t) skipTestBlock(line);

    // Trailer: two headers are found by their text, in the orders that files carry them.
    size_t e = line;
    auto contains = [&](size_t n, std::string_view what) { return text(n).find(what) != std::string::npos; };
    auto readParameters = [&](size_t first) {
        auto& p = doc_.testParameters();
        if (auto uhul = number(raw(first), "LoadUhul")) {
            p.levelHighCode = *uhul / 256;
            p.levelLowCode = *uhul % 256;
        }
        if (auto gen = number(raw(first + 1), "LoadGen")) p.tactDuration = (*gen >= 1 && *gen <= 8) ? *gen : 2;
    };
    // The parameter header and the description header are probed twice, in this order.
    for (int probe = 0; probe < 2; ++probe) {
        if (contains(e + 1, "uhul, gen")) {
            readParameters(e + 2);
            e += 4;
        } else {
            e += 1;
        }
        if (contains(e, "описания")) {
            doc_.setDescriptionFile(text(e + 1));
            e += 2;
        }
    }
    if (contains(e + 1, "описания")) doc_.setDescriptionFile(text(e + 2));

    // The rows that are not signals follow the signal rows, inactive.
    for (int t = 0; t < testCount; ++t) {
        int position = pinCount + ioPins - fixedPins + 1;
        for (int n = 1; n <= pinCount; ++n) {
            if (!model::isFixedType(doc_.pin(n).pinType)) continue;
            if (position >= 1 && position <= model::kMaxRow) doc_.setSignalEntry(t, position, {n, model::RowKind::Pin});
            ++position;
            model::CellLevel* cells = doc_.mutableRowData(t, n);
            std::fill(cells + 1, cells + doc_.tactCount() + 1, model::kInactive);
        }
    }

    functions::RecalculateFunctionPins(doc_);
    doc_.setSaved(true);
    doc_.setTitle("KVX - " + doc_.fileName());
}

}  // namespace

namespace {

LoadResult loadLines(TestDocument& doc, std::vector<std::string_view> lines, const std::string& path) {
    LoadResult result;
    // A storage failure during the load is one more message of the load, shown once.
    auto previous = doc.events().error;
    doc.events().error = [&result](const std::string& message) {
        for (const auto& m : result.messages)
            if (m == message) return;
        result.messages.push_back(message);
    };
    struct Restore {
        TestDocument& d;
        std::function<void(const std::string&)> handler;
        ~Restore() { d.events().error = std::move(handler); }
    } restore{doc, std::move(previous)};

    Reader reader(doc, std::move(lines), result);
    reader.run(path);
    return result;
}

}  // namespace

LoadResult loadTestFileBytes(TestDocument& doc, const std::string& bytes, const std::string& path) {
    size_t longest = 0;
    return loadLines(doc, splitLines(bytes, longest), path);
}

LoadResult loadTestFile(TestDocument& doc, const std::string& path) {
    LoadResult result;
    auto refuse = [&](const std::string& reason) {
        result.status = LoadStatus::Unreadable;
        result.reason = reason;
        result.messages.push_back(reason);
        return result;
    };
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path p = pathFromUtf8(path);
    if (path.empty() || !fs::is_regular_file(p, ec)) return refuse("Не удалось открыть файл " + path);
    const auto size = fs::file_size(p, ec);
    if (ec) return refuse("Не удалось открыть файл " + path);
    if (size > kMaxFileBytes)
        return refuse("Файл " + path + " слишком велик для файла теста (больше " +
                      std::to_string(kMaxFileBytes / (1024 * 1024)) + " МБ)");
    std::ifstream in(p, std::ios::binary);
    if (!in) return refuse("Не удалось открыть файл " + path);
    // Filled by the read at once, so the buffer is not cleared first.
    const auto length = static_cast<size_t>(size);
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[length == 0 ? 1 : length]);
    if (!buffer) return refuse("Недостаточно памяти для чтения файла " + path);
    in.read(buffer.get(), static_cast<std::streamsize>(length));
    if (static_cast<size_t>(in.gcount()) != length) return refuse("Не удалось прочитать файл " + path);

    // The caps are checked before the open test is touched.
    size_t longest = 0;
    std::vector<std::string_view> lines = splitLines(std::string_view(buffer.get(), length), longest);
    if (lines.size() > kMaxLines)
        return refuse("Файл " + path + " содержит больше " + std::to_string(kMaxLines) +
                      " строк и не может быть файлом теста");
    if (longest > kMaxLineLength)
        return refuse("Файл " + path + " содержит строку длиннее " + std::to_string(kMaxLineLength) +
                      " символов и не может быть файлом теста");
    return loadLines(doc, std::move(lines), path);
}

}  // namespace kvx::storage
