#include "exchange/vcd_import.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

#include "exchange/exchange_signals.h"
#include "functions/formula.h"

namespace kvx::exchange {

using model::CellLevel;
using model::TestDocument;

namespace {

using Wide = unsigned __int128;

std::string mapPlace(int line) { return line > 0 ? "Строка " + std::to_string(line) + " карты: " : std::string(); }

std::string targetText(const MapTarget& t) {
    switch (t.kind) {
    case MapTarget::Kind::Pin: return "контакт " + std::to_string(t.number);
    case MapTarget::Kind::Output: return "выход контакта " + std::to_string(t.number);
    case MapTarget::Kind::Word: return "слово " + std::to_string(t.number);
    }
    return {};
}

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

CellLevel levelOf(char c) {
    switch (c) {
    case '0': case 'l': case 'L': return model::kLow;
    case '1': case 'h': case 'H': return model::kHigh;
    default: return model::kInactive;
    }
}

/// Bit `pos` (0 = least significant) of a VCD value that may be shorter than its width.
char bitAt(std::string_view value, int pos) {
    const auto n = static_cast<int>(value.size());
    if (pos < n) return value[static_cast<std::size_t>(n - 1 - pos)];
    const char lead = value.empty() ? 'x' : value[0];
    return (lead == '0' || lead == '1') ? '0' : lead;
}

/// Names a search looks for, with the lengths they have, so that the names of the other
/// variables of a large file need not be made at all.
class NameSet {
public:
    void add(std::string name) {
        if (name.size() >= lengths_.size()) lengths_.resize(name.size() + 1, false);
        lengths_[name.size()] = true;
        names_.insert(std::move(name));
    }
    bool mayHaveLength(std::size_t n) const { return n < lengths_.size() && lengths_[n]; }
    bool contains(const std::string& name) const { return names_.count(name) > 0; }

private:
    std::vector<bool> lengths_;
    std::unordered_set<std::string> names_;
};

/// Length of VcdVariable::shortName() and fullName(), without making them.
std::size_t shortNameLength(const VcdVariable& v) {
    const bool bit = v.hasRange && v.msb == v.lsb && v.width == 1;
    return v.reference.size() + (bit ? std::to_string(v.msb).size() + 2 : 0);
}
std::size_t fullNameLength(const VcdVariable& v) {
    return (v.scope.empty() ? 0 : v.scope.size() + 1) + shortNameLength(v);
}

/// Receives the value section and keeps, per target row, the level of every tact.
class ImportSink : public VcdSink {
public:
    ImportSink(const TestDocument& doc, const std::vector<MapEntry>& map, const ImportOptions& options)
        : doc_(doc), map_(map), options_(options) {}

    struct Slot {
        int row = 0;
        CellLevel current = model::kInactive;  // VCD values start unknown
        int from = 1;                          // first tact not yet filled
        std::vector<CellLevel> levels;         // index = tact
    };
    struct Tap {
        int pos;   // bit of the value, 0 = least significant
        int slot;
    };

    bool header(const VcdHeader& h) override {
        scaleFs_ = h.timescaleFs;
        tactFs_ = options_.tactFs ? options_.tactFs
                                  : static_cast<std::uint64_t>(doc_.testParameters().effectiveTactDuration()) *
                                        1'000'000'000ull;
        const int pct = std::clamp(options_.offsetPercent, 0, 100);
        atEnd_ = pct == 100;
        offsetFs_ = static_cast<std::uint64_t>(static_cast<Wide>(tactFs_) * static_cast<unsigned>(pct) / 100);
        taps_.assign(static_cast<std::size_t>(h.idCount), {});
        return resolve(h);
    }

    bool time(std::uint64_t t) override {
        const Wide at = static_cast<Wide>(t) * scaleFs_;
        // Most time stamps fall into the tact after the last one: no division needed.
        if (at >= nextFrom_ && at < nextUntil_) {
            endFs_ = at;
            firstTact_ = nextTact_;
            stepBounds();
            return true;
        }
        const Wide tacts = (at + tactFs_ - 1) / tactFs_;
        if (tacts > static_cast<Wide>(options_.maxTacts)) return stop(model::kDiagrSizeError);
        endFs_ = at;
        // First tact whose sample sees a change made at this time.
        Wide first;
        if (atEnd_)
            first = at < offsetFs_ ? 1 : (at - offsetFs_) / tactFs_ + 2;
        else
            first = at <= offsetFs_ ? 1 : (at - offsetFs_ + tactFs_ - 1) / tactFs_ + 1;
        firstTact_ = static_cast<int>(std::min<Wide>(first, static_cast<Wide>(options_.maxTacts) + 1));
        stepBounds();
        return true;
    }

    /// The times at which a change is first seen by tact firstTact_ + 1: from the sample point
    /// of firstTact_ (exclusive at the end of a tact, inclusive elsewhere) to the next one.
    void stepBounds() {
        const Wide sample = static_cast<Wide>(firstTact_ - 1) * tactFs_ + offsetFs_;
        nextTact_ = firstTact_ + 1;
        if (nextTact_ > options_.maxTacts + 1) {
            nextFrom_ = nextUntil_ = 0;  // past the limit: always the full computation
            return;
        }
        nextFrom_ = atEnd_ ? sample : sample + 1;
        nextUntil_ = nextFrom_ + tactFs_;
        // Within the length limit: the test for the limit itself is not needed there.
        const Wide limit = static_cast<Wide>(options_.maxTacts) * tactFs_;
        if (nextUntil_ > limit + 1) nextUntil_ = limit + 1;
    }

    void change(int id, std::string_view value) override {
        for (const Tap& tap : taps_[static_cast<std::size_t>(id)]) {
            Slot& s = slots_[static_cast<std::size_t>(tap.slot)];
            const CellLevel level = levelOf(bitAt(value, tap.pos));
            if (firstTact_ > s.from) {
                fill(s, firstTact_);
                s.from = firstTact_;
            }
            s.current = level;
        }
    }

    std::string message() const override { return message_; }

    /// Tact count of the file; fills every row up to it.
    int finish() {
        const Wide tacts = (endFs_ + tactFs_ - 1) / tactFs_;
        const int n = std::max(1, static_cast<int>(std::min<Wide>(tacts, static_cast<Wide>(options_.maxTacts))));
        for (Slot& s : slots_) {
            if (s.from <= n) fill(s, n + 1);
            s.levels.resize(static_cast<std::size_t>(n) + 1);
        }
        return n;
    }
    bool failed() const { return !message_.empty(); }
    const std::vector<Slot>& slots() const { return slots_; }

private:
    static void fill(Slot& s, int until) {
        const auto size = static_cast<std::size_t>(until);
        // Grown in steps; finish() cuts the rows to the tact count.
        if (s.levels.size() < size) s.levels.resize(std::max({size, s.levels.size() * 2, std::size_t{1024}}), model::kInactive);
        CellLevel* cells = s.levels.data();
        if (until - s.from <= 8) {
            // Most levels last a tact or two: a call of the library's fill costs more than that.
            for (int t = s.from; t < until; ++t) cells[t] = s.current;
        } else {
            std::fill(cells + s.from, cells + until, s.current);
        }
    }

    bool stop(const std::string& message) {
        message_ = message;
        return false;
    }

    /// Finds every mapped signal and checks its target; one slot per target row.
    bool resolve(const VcdHeader& h) {
        // Only the names the map can look up are kept: a file may declare a million signals.
        NameSet wanted;
        for (const MapEntry& e : map_) {
            wanted.add(e.signal);
            if (const auto open = e.signal.rfind('['); open != std::string::npos && open > 0) wanted.add(e.signal.substr(0, open));
        }
        std::map<std::string, int> full;   // name -> variable, -2 when ambiguous
        std::map<std::string, int> brief;
        for (std::size_t i = 0; i < h.variables.size(); ++i) {
            const auto& v = h.variables[i];
            for (auto* names : {&full, &brief}) {
                const bool isFull = names == &full;
                if (!wanted.mayHaveLength(isFull ? fullNameLength(v) : shortNameLength(v))) continue;
                std::string key = isFull ? v.fullName() : v.shortName();
                if (!wanted.contains(key)) continue;
                auto [it, inserted] = names->emplace(std::move(key), static_cast<int>(i));
                // Two names for one identifier code are one signal (a port seen in two scopes).
                if (!inserted && (it->second < 0 || h.variables[static_cast<std::size_t>(it->second)].id != v.id))
                    it->second = -2;
            }
        }
        auto lookup = [&](const std::string& name) -> int {
            if (auto it = full.find(name); it != full.end()) return it->second;
            if (auto it = brief.find(name); it != brief.end()) return it->second;
            return -1;
        };
        std::map<int, int> rowLine;  // row -> map line, to find a row mapped twice
        for (const MapEntry& e : map_) {
            const std::string where = mapPlace(e.line);
            int var = lookup(e.signal);
            int bit = -1;
            if (var == -1 && !e.signal.empty() && e.signal.back() == ']') {
                // One bit of a vector: "cnt[2]", "cnt[-1]" in a range below zero.
                const auto open = e.signal.rfind('[');
                std::string digits = open == std::string::npos ? "" : e.signal.substr(open + 1, e.signal.size() - open - 2);
                const bool negative = !digits.empty() && digits[0] == '-';
                if (negative) digits.erase(0, 1);
                bool number = !digits.empty() && digits.size() < 10 &&
                              std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
                if (number && open > 0) {
                    const long long index = negative ? -std::stoll(digits) : std::stoll(digits);
                    var = lookup(e.signal.substr(0, open));
                    if (var >= 0) {
                        const auto& v = h.variables[static_cast<std::size_t>(var)];
                        const long long b = !v.hasRange ? index : v.msb >= v.lsb ? index - v.lsb : v.lsb - index;
                        bit = b < 0 || b >= v.width ? -1 : static_cast<int>(b);
                        if (bit < 0)
                            return stop(where + "в сигнале «" + v.fullName() + "» нет разряда " + std::to_string(index));
                    }
                }
            }
            if (var == -2) return stop(where + "имя «" + e.signal + "» носят несколько сигналов файла VCD; укажите полное имя");
            if (var < 0) return stop(where + "сигнала «" + e.signal + "» нет в файле VCD");
            const VcdVariable& v = h.variables[static_cast<std::size_t>(var)];
            if (v.type == "real" || v.type == "realtime" || v.type == "string")
                return stop(where + "сигнал «" + v.fullName() + "» не логический (" + v.type + ")");
            const int width = bit >= 0 ? 1 : v.width;

            std::vector<int> rows;  // target rows, least significant bit first
            const int n = e.target.number;
            switch (e.target.kind) {
            case MapTarget::Kind::Pin:
            case MapTarget::Kind::Output: {
                if (n < 1 || n > doc_.pinCount())
                    return stop(where + "в корпусе нет контакта " + std::to_string(n));
                const std::string& type = doc_.pin(n).pinType;
                if (model::isFixedType(type))
                    return stop(where + "контакт " + std::to_string(n) + " (" + type + ") не сигнал");
                const bool output = e.target.kind == MapTarget::Kind::Output;
                if (output && type != model::PinType::InOut)
                    return stop(where + "контакт " + std::to_string(n) + " не двунаправленный: у него нет выхода");
                const int row = output ? n + model::kPinRows : n;
                if (model::isFunctionType(doc_.pin(row).pinType))
                    return stop(where + targetText(e.target) + " вычисляется по формуле");
                if (width != 1)
                    return stop(where + "сигнал «" + e.signal + "» шириной " + std::to_string(width) +
                                " разрядов нельзя назначить одной строке (" + targetText(e.target) + ")");
                rows.push_back(row);
                break;
            }
            case MapTarget::Kind::Word: {
                if (n < 1 || n > static_cast<int>(doc_.dataWords().size()))
                    return stop(where + "в тесте нет слова данных " + std::to_string(n));
                rows = doc_.dataWords()[static_cast<std::size_t>(n - 1)].members();
                if (static_cast<int>(rows.size()) != width)
                    return stop(where + "ширина сигнала «" + e.signal + "» (" + std::to_string(width) +
                                ") не совпадает с числом разрядов слова " + std::to_string(n) + " (" +
                                std::to_string(rows.size()) + ")");
                break;
            }
            }
            for (std::size_t b = 0; b < rows.size(); ++b) {
                const int row = rows[b];
                if (row < 1 || row > model::kMaxRow)
                    return stop(where + "разряд " + std::to_string(b) + " слова " + std::to_string(n) + " без строки");
                const auto [it, inserted] = rowLine.emplace(row, e.line);
                if (!inserted)
                    return stop(where + "строка " + std::to_string(row) + " уже получает другой сигнал" +
                                (it->second > 0 ? " (строка " + std::to_string(it->second) + " карты)" : ""));
                slots_.push_back(Slot{row, model::kInactive, 1, {}});
                taps_[static_cast<std::size_t>(v.id)].push_back(
                    {bit >= 0 ? bit : static_cast<int>(b), static_cast<int>(slots_.size() - 1)});
            }
        }
        return true;
    }

    const TestDocument& doc_;
    const std::vector<MapEntry>& map_;
    ImportOptions options_;
    std::uint64_t scaleFs_ = 1;
    std::uint64_t tactFs_ = 1;
    std::uint64_t offsetFs_ = 0;
    bool atEnd_ = true;
    Wide endFs_ = 0;
    int firstTact_ = 1;
    int nextTact_ = 2;
    Wide nextFrom_ = 0, nextUntil_ = 0;
    std::vector<Slot> slots_;
    std::vector<std::vector<Tap>> taps_;
    std::string message_;
};

ImportResult finishImport(TestDocument& doc, VcdReader& reader, ImportSink& sink) {
    ImportResult result;
    const bool read = reader.finish();
    if (sink.failed()) {
        result.error = sink.message();
        return result;
    }
    if (!read) {
        result.error = reader.error();
        return result;
    }
    const int n = sink.finish();
    if (n != doc.tactCount() && !doc.setTactCount(n)) {
        result.error = model::kDiagrSizeError;  // the document has shown it through its events
        result.errorShown = true;
        return result;
    }
    const int test = doc.currentTest();
    for (const auto& s : sink.slots()) {
        model::CellLevel* cells = doc.mutableRowData(test, s.row);
        std::copy(s.levels.begin() + 1, s.levels.begin() + n + 1, cells + 1);
    }
    functions::RecalculateFunctionPins(doc);
    doc.markChanged();
    result.ok = true;
    result.tactCount = n;
    result.rowsWritten = static_cast<int>(sink.slots().size());
    return result;
}

std::string unreadable(const std::string& path) { return "Не удалось прочитать файл " + path; }

std::filesystem::path fsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace

std::optional<std::vector<MapEntry>> parseMap(const std::string& text, std::string& error) {
    std::vector<MapEntry> out;
    // A text editor's UTF-8 byte order mark is no part of the first line.
    std::istringstream in(text.rfind("\xEF\xBB\xBF", 0) == 0 ? text.substr(3) : text);
    int lineNo = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNo;
        if (const auto hash = line.find('#'); hash != std::string::npos) line.resize(hash);
        const auto w = words(line);
        if (w.empty()) continue;
        const std::string where = mapPlace(lineNo);
        if (w.size() != 3) {
            error = where + "нужны имя сигнала, вид строки (pin, out или word) и номер";
            return std::nullopt;
        }
        MapEntry e;
        e.signal = w[0];
        e.line = lineNo;
        if (w[1] == "pin") e.target.kind = MapTarget::Kind::Pin;
        else if (w[1] == "out") e.target.kind = MapTarget::Kind::Output;
        else if (w[1] == "word") e.target.kind = MapTarget::Kind::Word;
        else {
            error = where + "неизвестный вид строки «" + w[1] + "» (нужен pin, out или word)";
            return std::nullopt;
        }
        const std::string& n = w[2];
        if (n.empty() || n.size() > 3 || !std::all_of(n.begin(), n.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            error = where + "неверный номер «" + n + "»";
            return std::nullopt;
        }
        e.target.number = std::stoi(n);
        out.push_back(std::move(e));
    }
    return out;
}

std::string formatMap(const std::vector<MapEntry>& entries) {
    std::string out;
    for (const auto& e : entries) {
        const char* kind = e.target.kind == MapTarget::Kind::Pin ? "pin" : e.target.kind == MapTarget::Kind::Output ? "out" : "word";
        out += e.signal + " " + kind + " " + std::to_string(e.target.number) + "\n";
    }
    return out;
}

std::optional<std::uint64_t> parseDuration(const std::string& text) {
    std::string s;
    for (char c : text)
        if (c != ' ' && c != '\t') s += c;
    std::size_t i = 0;
    std::uint64_t whole = 0, fraction = 0, scale = 1;
    bool digits = false;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, digits = true) {
        if (whole > 1'000'000'000ull) return std::nullopt;
        whole = whole * 10 + static_cast<std::uint64_t>(s[i] - '0');
    }
    if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
        for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, digits = true) {
            if (scale >= 1'000'000'000ull) continue;  // finer than the units can say
            fraction = fraction * 10 + static_cast<std::uint64_t>(s[i] - '0');
            scale *= 10;
        }
    }
    if (!digits) return std::nullopt;
    const std::string unit = s.substr(i);
    static const std::vector<std::pair<std::string, std::uint64_t>> units = {
        {"s", 1'000'000'000'000'000ull}, {"с", 1'000'000'000'000'000ull}, {"ms", 1'000'000'000'000ull},
        {"мс", 1'000'000'000'000ull},    {"us", 1'000'000'000ull},         {"мкс", 1'000'000'000ull},
        {"", 1'000'000'000ull},          {"ns", 1'000'000ull},             {"нс", 1'000'000ull},
        {"ps", 1'000ull},                {"пс", 1'000ull},                 {"fs", 1ull},
        {"фс", 1ull}};
    for (const auto& [name, fs] : units) {
        if (unit != name) continue;
        const Wide value = static_cast<Wide>(whole) * fs + static_cast<Wide>(fraction) * fs / scale;
        if (value == 0 || value > static_cast<Wide>(UINT64_MAX / 2)) return std::nullopt;
        return static_cast<std::uint64_t>(value);
    }
    return std::nullopt;
}

std::optional<VcdHeader> readVcdHeader(const std::string& path, std::string& error) {
    std::ifstream in(fsPath(path), std::ios::binary);
    if (!in) {
        error = unreadable(path);
        return std::nullopt;
    }
    VcdReader reader(nullptr);
    std::string chunk(1u << 16, '\0');
    while (!reader.stopped()) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0) break;
        if (!reader.feed(std::string_view(chunk.data(), got)) && !reader.stopped()) break;
    }
    if (!reader.stopped() && !reader.finish()) {
        error = reader.error().empty() ? unreadable(path) : reader.error();
        return std::nullopt;
    }
    return reader.takeHeader();
}

std::vector<MapEntry> suggestMap(const TestDocument& doc, const VcdHeader& header) {
    std::vector<MapEntry> out;
    // The variables of each name a row or a word could have, found in one pass over the file's.
    NameSet names;
    for (const RowSignal& r : rowSignals(doc)) {
        names.add(r.name);
        if (r.row <= model::kPinRows) names.add(doc.pin(r.row).pinName);
    }
    for (const WordSignal& w : wordSignals(doc)) {
        names.add(w.name);
        names.add(doc.dataWords()[static_cast<std::size_t>(w.word)].wordName);
    }
    std::unordered_map<std::string, std::vector<const VcdVariable*>> named;
    for (const auto& v : header.variables) {
        if (v.type == "real" || !names.mayHaveLength(shortNameLength(v))) continue;
        std::string name = v.shortName();
        if (names.contains(name)) named[std::move(name)].push_back(&v);
    }
    auto find = [&](const std::vector<std::string>& candidates, int width) -> const VcdVariable* {
        for (const auto& name : candidates) {
            if (name.empty()) continue;
            if (const auto it = named.find(name); it != named.end())
                for (const VcdVariable* v : it->second)
                    if (v->width == width) return v;
        }
        return nullptr;
    };
    std::vector<bool> taken(model::kRowSlots, false);
    for (const RowSignal& r : rowSignals(doc)) {
        if (model::isFunctionType(doc.pin(r.row).pinType)) continue;
        const int pin = r.row > model::kPinRows ? r.row - model::kPinRows : r.row;
        std::vector<std::string> names = {r.name};
        if (r.row <= model::kPinRows) names.push_back(doc.pin(pin).pinName);
        if (const VcdVariable* v = find(names, 1)) {
            out.push_back({v->fullName(),
                           {r.row > model::kPinRows ? MapTarget::Kind::Output : MapTarget::Kind::Pin, pin}, 0});
            taken[static_cast<std::size_t>(r.row)] = true;
        }
    }
    // A word whose rows already get signals of their own would write them twice.
    for (const WordSignal& w : wordSignals(doc)) {
        std::vector<bool> rows = taken;
        bool free = true;
        for (int row : w.rows) {
            free = free && row >= 1 && row <= model::kMaxRow && !rows[static_cast<std::size_t>(row)];
            if (free) rows[static_cast<std::size_t>(row)] = true;
        }
        if (!free) continue;
        const auto& name = doc.dataWords()[static_cast<std::size_t>(w.word)].wordName;
        if (const VcdVariable* v = find({w.name, name}, static_cast<int>(w.rows.size()))) {
            out.push_back({v->fullName(), {MapTarget::Kind::Word, w.word + 1}, 0});
            for (int row : w.rows) taken[static_cast<std::size_t>(row)] = true;
        }
    }
    return out;
}

ImportResult importVcdBytes(TestDocument& doc, std::string_view bytes, const std::vector<MapEntry>& map,
                            const ImportOptions& options) {
    ImportSink sink(doc, map, options);
    VcdReader reader(&sink);
    reader.feed(bytes);
    return finishImport(doc, reader, sink);
}

ImportResult importVcdFile(TestDocument& doc, const std::string& path, const std::vector<MapEntry>& map,
                           const ImportOptions& options) {
    std::ifstream in(fsPath(path), std::ios::binary);
    if (!in) return {false, unreadable(path)};
    ImportSink sink(doc, map, options);
    VcdReader reader(&sink);
    std::string chunk(1u << 20, '\0');
    for (;;) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0) break;
        if (!reader.feed(std::string_view(chunk.data(), got))) break;
    }
    if (in.bad()) return {false, unreadable(path)};
    return finishImport(doc, reader, sink);
}

}  // namespace kvx::exchange
