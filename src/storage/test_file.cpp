#include "storage/test_file.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string_view>
#include <system_error>

#include "functions/formula.h"
#include "storage/codepage.h"
#include "words/word_values.h"

namespace kvx::storage {

namespace PinType = model::PinType;
using model::TestDocument;

namespace {

constexpr std::array<char, 3> kLevelChars = {'_', '-', '*'};

const char* packagePrefix(model::PackageType t) { return t == model::PackageType::SOIC ? "SOIC" : "DIP"; }

/// Collects the lines of a file: keys and user texts converted, everything ended by CR LF.
class LineWriter {
public:
    void text(std::string_view utf8) { raw(toFileText(utf8)); }
    void keyValue(std::string_view key, std::string_view utf8Value) {
        out_ += toFileText(key);
        out_ += toFileText(utf8Value);
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
        prefix = (!p.pinType.empty() && p.pinType[0] == 'I') ? "i" : "o";
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
    auto address = [&](std::string_view key, int value) { w.keyValue(key, words::formatInRadix(value, radix)); };
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

SaveResult saveTestFile(TestDocument& doc, const std::string& path) {
    SaveResult result;
    const std::string failure = "Не удалось сохранить файл " + path;
    if (path.empty()) {
        result.error = failure;
        return result;
    }
    const std::string bytes = writeTestFileBytes(doc);
    namespace fs = std::filesystem;
    std::random_device rd;
    const fs::path target = fs::u8path(path);
    fs::path temp = target;
    temp += ".~" + std::to_string(rd() % 1000000) + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (out) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (out) out.flush();
        if (!out) {
            std::error_code ec;
            out.close();
            fs::remove(temp, ec);
            result.error = failure;
            return result;
        }
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        result.error = failure;
        return result;
    }
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

class Reader {
public:
    Reader(TestDocument& doc, const std::string& bytes, LoadResult& result)
        : doc_(doc), result_(result) {
        splitLines(bytes);
    }

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
    void splitLines(const std::string& bytes) {
        size_t start = 0;
        while (start < bytes.size()) {
            size_t end = bytes.find('\n', start);
            const size_t stop = end == std::string::npos ? bytes.size() : end;
            size_t len = stop - start;
            if (len > 0 && bytes[start + len - 1] == '\r') --len;
            lines_.emplace_back(bytes.data() + start, len);
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
    void readLevels(int test, int row, std::string_view levels);
    void readAlgorithm(size_t& line, int addressRadix);

    TestDocument& doc_;
    LoadResult& result_;
    std::vector<std::string_view> lines_;
    bool errorShown_ = false;
};

void Reader::readLevels(int test, int row, std::string_view levels) {
    // Fast path: the line fits the tact count, so no cell write can change it.
    if (static_cast<long long>(levels.size()) <= doc_.tactCount()) {
        model::CellLevel* cells = doc_.mutableRowData(test, row);
        for (size_t i = 0; i < levels.size(); ++i) {
            switch (levels[i]) {
            case '_': cells[i + 1] = model::kLow; break;
            case '-': cells[i + 1] = model::kHigh; break;
            case '*': cells[i + 1] = model::kInactive; break;
            default: break;  // not a level: the cell keeps its level
            }
        }
        return;
    }
    for (size_t i = 0; i < levels.size(); ++i) {
        model::CellLevel v;
        switch (levels[i]) {
        case '_': v = model::kLow; break;
        case '-': v = model::kHigh; break;
        case '*': v = model::kInactive; break;
        default: continue;
        }
        const auto tact = static_cast<long long>(i) + 1;
        if (tact > model::kMaxTactCount) return;  // the storage cannot hold it; reported once below
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
    auto address = [&](int& field) {
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
    if (auto v = number(value(line++), "LoadColT")) {
        if (*v >= 1 && *v <= model::kMaxTests) testCount = *v;
        else fail("LoadColT");  // more tests than a document holds: keep one
    }
    doc_.setTestCount(testCount);

    int wordCount = 0;
    int radix = 16;
    int memberCount = 0;
    for (int t = 0; t < testCount; ++t) {
        std::string name = value(line++);
        name = name.size() >= 2 ? name.substr(1, name.size() - 2) : std::string();
        doc_.setTestName(name);

        doc_.dataWords().clear();
        if (auto v = number(value(line++), "LoadWordName")) {
            if (*v >= 0 && *v <= model::kMaxDataWords) wordCount = *v;
            else fail("LoadWordName");
        }
        if (wordCount >= 1) {
            if (auto v = number(value(line++), "LoadWordSys")) {
                if (*v == 2 || *v == 8 || *v == 10 || *v == 16) radix = *v;
                else fail("LoadWordSys");
            }
            for (int i = 0; i < wordCount; ++i) {
                const std::string_view wordLine = raw(line++);
                model::DataWord word;
                word.wordName = fromFileText(nameOf(wordLine));
                word.radix = radix;
                const std::string wordValue = fromFileText(valueOf(wordLine));
                const auto bar = wordValue.find('|');
                const std::string countText = wordValue.substr(0, bar);
                const std::string directionText = bar == std::string::npos ? std::string() : wordValue.substr(bar + 1);
                if (auto v = number(countText, "LoadWordColCont")) {
                    if (*v >= 0 && *v <= model::kWordSlots) memberCount = *v;
                    else fail("LoadWordColCont");
                }
                if (auto d = parseInteger(directionText)) word.direction = *d;
                else word.direction = errorShown() ? 0 : 1;
                word.clearMembers();
                for (int m = 0; m < memberCount; ++m) {
                    int row = 0;
                    if (auto v = number(raw(line), "LoadWordCont")) {
                        if (*v >= 0 && *v <= model::kMaxRow) row = *v;
                        else fail("LoadWordCont");
                    }
                    ++line;
                    if (row != 0) word.addMember(row);
                }
                doc_.dataWords().push_back(word);
            }
        }

        if (auto v = number(value(line++), "LoadS")) doc_.setTactCount(*v);

        int signalCount = 0;
        if (auto v = number(value(line++), "LoadKolLeg")) {
            if (*v >= 0 && *v <= model::kMaxRow) signalCount = *v;
            else fail("LoadKolLeg");
        }
        for (int k = 1; k <= signalCount; ++k) {
            const std::string_view signalLine = raw(line++);
            const std::string signalName = fromFileText(nameOf(signalLine));
            const char prefix = signalName.empty() ? '\0' : signalName[0];
            int pinNumber = 0;
            if (auto v = number(signalName.empty() ? std::string_view{} : std::string_view(signalName).substr(1), "LoadCont")) {
                if (*v >= 0 && *v <= model::kMaxRow) pinNumber = *v;
                else fail("LoadCont");
            }
            model::SignalEntry entry{pinNumber, model::RowKind::Pin};
            int row = pinNumber;
            if (prefix == 'o' && pinNumber <= model::kPinRows && doc_.pin(pinNumber).pinType == PinType::InOut) {
                row = pinNumber + model::kPinRows;
                doc_.setPinType(row, PinType::IoOutput);
                entry.kind = model::RowKind::Output;
            }
            doc_.setSignalEntry(t, k, entry);
            doc_.setPinName(row, fromFileText(valueOf(signalLine)));

            const std::string_view levelLine = raw(line++);
            if (!levelLine.empty() && levelLine.front() == 'F') {
                doc_.setPinFunction(t, row, fromFileText(valueOf(levelLine)));
                doc_.setPinType(row, row <= model::kPinRows ? PinType::Function : PinType::IoFunction);
            } else {
                readLevels(t, row, levelLine);
            }
        }

        readAlgorithm(line, wordCount >= 1 ? radix : 10);
    }

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

LoadResult loadTestFileBytes(TestDocument& doc, const std::string& bytes, const std::string& path) {
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

    Reader reader(doc, bytes, result);
    reader.run(path);
    return result;
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
    const fs::path p = fs::u8path(path);
    if (path.empty() || !fs::is_regular_file(p, ec)) return refuse("Не удалось открыть файл " + path);
    const auto size = fs::file_size(p, ec);
    if (ec) return refuse("Не удалось открыть файл " + path);
    if (size > kMaxFileBytes)
        return refuse("Файл " + path + " слишком велик для файла теста (больше " +
                      std::to_string(kMaxFileBytes / (1024 * 1024)) + " МБ)");
    std::ifstream in(p, std::ios::binary);
    if (!in) return refuse("Не удалось открыть файл " + path);
    std::string bytes(static_cast<size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    if (static_cast<size_t>(in.gcount()) != size) return refuse("Не удалось прочитать файл " + path);

    size_t lines = 0;
    size_t longest = 0;
    size_t start = 0;
    while (start <= bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        longest = std::max(longest, end - start);
        ++lines;
        start = end + 1;
    }
    if (lines > kMaxLines)
        return refuse("Файл " + path + " содержит больше " + std::to_string(kMaxLines) +
                      " строк и не может быть файлом теста");
    if (longest > kMaxLineLength)
        return refuse("Файл " + path + " содержит строку длиннее " + std::to_string(kMaxLineLength) +
                      " символов и не может быть файлом теста");
    return loadTestFileBytes(doc, bytes, path);
}

}  // namespace kvx::storage
