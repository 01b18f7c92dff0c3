#include "exchange/vcd_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>

namespace kvx::exchange {

namespace {

/// Character classes of the tokenizer, looked up once per byte.
enum : unsigned char { kSpace = 1, kValue = 2 };
constexpr std::array<unsigned char, 256> kClasses = [] {
    std::array<unsigned char, 256> c{};
    for (unsigned char s : {' ', '\n', '\t', '\r', '\v', '\f'}) c[s] = kSpace;
    for (unsigned char v : {'0', '1', 'x', 'X', 'z', 'Z', 'u', 'U', 'w', 'W', '-', 'l', 'L', 'h', 'H'}) c[v] = kValue;
    return c;
}();

bool isSpace(char c) { return kClasses[static_cast<unsigned char>(c)] == kSpace; }
bool isValueChar(char c) { return kClasses[static_cast<unsigned char>(c)] == kValue; }

/// A token for a message: cut, and without bytes that would garble it.
std::string shown(std::string_view t) {
    std::string s(t.substr(0, 40));
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    if (t.size() > 40) s += "...";
    return s;
}

bool parseUnsigned(std::string_view t, std::uint64_t& out) {
    if (t.empty() || t.size() > 20) return false;
    std::uint64_t v = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return false;
        const std::uint64_t d = static_cast<std::uint64_t>(c - '0');
        if (v > (UINT64_MAX - d) / 10) return false;
        v = v * 10 + d;
    }
    out = v;
    return true;
}

bool parseInt(std::string_view t, int& out) {
    bool negative = false;
    if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
        negative = t[0] == '-';
        t.remove_prefix(1);
    }
    std::uint64_t v = 0;
    if (!parseUnsigned(t, v) || v > 0x7fffffff) return false;
    out = negative ? -static_cast<int>(v) : static_cast<int>(v);
    return true;
}

/// "[7:0]" or "[3]" into msb and lsb.
bool parseRange(std::string_view r, int& msb, int& lsb) {
    if (r.size() < 3 || r.front() != '[' || r.back() != ']') return false;
    r = r.substr(1, r.size() - 2);
    const auto colon = r.find(':');
    if (colon == std::string_view::npos) {
        if (!parseInt(r, msb)) return false;
        lsb = msb;
        return true;
    }
    return parseInt(r.substr(0, colon), msb) && parseInt(r.substr(colon + 1), lsb);
}

}  // namespace

std::uint64_t parseTimescale(std::string_view text) {
    std::string s;
    for (char c : text)
        if (!isSpace(c)) s += c;
    std::size_t digits = 0;
    while (digits < s.size() && s[digits] >= '0' && s[digits] <= '9') ++digits;
    const std::string number = s.substr(0, digits), unit = s.substr(digits);
    std::uint64_t factor = 0;
    if (number == "1") factor = 1;
    else if (number == "10") factor = 10;
    else if (number == "100") factor = 100;
    else return 0;
    static const std::array<std::pair<const char*, std::uint64_t>, 6> units = {{{"s", 1'000'000'000'000'000ull},
                                                                                {"ms", 1'000'000'000'000ull},
                                                                                {"us", 1'000'000'000ull},
                                                                                {"ns", 1'000'000ull},
                                                                                {"ps", 1'000ull},
                                                                                {"fs", 1ull}}};
    for (const auto& [name, fs] : units)
        if (unit == name) return factor * fs;
    return 0;
}

std::string VcdVariable::shortName() const {
    if (hasRange && msb == lsb && width == 1) return reference + "[" + std::to_string(msb) + "]";
    return reference;
}

std::string VcdVariable::fullName() const { return scope.empty() ? shortName() : scope + "." + shortName(); }

// ---- identifier codes ----------------------------------------------------------------------

/// Identifier code -> index. Codes of one character (the usual case) are found in an array,
/// codes of up to eight in an open-addressing table on their packed bytes, longer ones in a map.
class VcdReader::IdTable {
public:
    IdTable() { single_.fill(-1); }

    int find(std::string_view id) const {
        if (id.size() == 1) return single_[static_cast<unsigned char>(id[0])];
        if (id.size() <= 8) {
            if (slots_.empty()) return -1;
            const std::uint64_t key = pack(id);
            for (std::size_t i = hash(key);; i = (i + 1) & (slots_.size() - 1)) {
                if (slots_[i].key == 0) return -1;
                if (slots_[i].key == key) return slots_[i].value;
            }
        }
        const auto it = long_.find(std::string(id));
        return it == long_.end() ? -1 : it->second;
    }
    /// Index of the code, added when new.
    int add(std::string_view id) {
        if (id.size() == 1) {
            int& slot = single_[static_cast<unsigned char>(id[0])];
            if (slot < 0) slot = count_++;
            return slot;
        }
        if (id.size() <= 8) {
            // One probe finds the code or the free slot it goes into.
            if ((used_ + 1) * 2 > slots_.size()) grow();
            const std::uint64_t key = pack(id);
            std::size_t i = hash(key);
            for (; slots_[i].key != 0; i = (i + 1) & (slots_.size() - 1))
                if (slots_[i].key == key) return slots_[i].value;
            slots_[i] = {key, count_};
            ++used_;
            return count_++;
        }
        const auto [it, inserted] = long_.emplace(std::string(id), count_);
        if (inserted) ++count_;
        return it->second;
    }
    int count() const { return count_; }

private:
    struct Slot {
        std::uint64_t key = 0;
        int value = -1;
    };
    static std::uint64_t pack(std::string_view id) {
        std::uint64_t k = 0;
        std::memcpy(&k, id.data(), id.size());
        return k;
    }
    std::size_t hash(std::uint64_t k) const {
        return static_cast<std::size_t>((k * 0x9E3779B97F4A7C15ull) >> 20) & (slots_.size() - 1);
    }
    void insert(std::uint64_t key, int value) {
        std::size_t i = hash(key);
        while (slots_[i].key != 0) i = (i + 1) & (slots_.size() - 1);
        slots_[i] = {key, value};
        ++used_;
    }
    void grow() {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
        used_ = 0;
        for (const Slot& s : old)
            if (s.key != 0) insert(s.key, s.value);
    }

    std::array<int, 256> single_{};
    std::vector<Slot> slots_;
    std::size_t used_ = 0;
    std::unordered_map<std::string, int> long_;
    int count_ = 0;
};

// ---- reader --------------------------------------------------------------------------------

VcdReader::VcdReader(VcdSink* sink) : sink_(sink), ids_(std::make_unique<IdTable>()) {}
VcdReader::~VcdReader() = default;

bool VcdReader::fail(const std::string& what) { return fail(tokenLine_, what); }

bool VcdReader::fail(int line, const std::string& what) {
    if (error_.empty()) error_ = "Ошибка в файле VCD, строка " + std::to_string(line) + ": " + what;
    return false;
}

bool VcdReader::feed(std::string_view bytes) {
    if (!error_.empty() || stopped_) return false;
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    if (!pending_.empty()) {
        // Complete the token cut at the end of the last chunk.
        const char* q = p;
        while (q < end && !isSpace(*q)) ++q;
        pending_.append(p, static_cast<std::size_t>(q - p));
        if (pending_.size() > kMaxVcdToken) return fail("слишком длинная запись");
        if (q == end) return true;
        const std::string t = std::move(pending_);
        pending_.clear();
        if (!token(t)) return false;
        p = q;
    }
    while (p < end) {
        while (p < end && isSpace(*p)) {
            if (*p == '\n') ++line_;
            ++p;
        }
        if (p == end) break;
        const char* q = p;
        while (q < end && !isSpace(*q)) ++q;
        tokenLine_ = line_;
        if (q == end) {
            pending_.assign(p, static_cast<std::size_t>(q - p));
            if (pending_.size() > kMaxVcdToken) return fail("слишком длинная запись");
            return true;
        }
        // Most of a value section is scalar changes ("1!"): they go to the sink directly.
        if (headerDone_ && !awaitingId_ && !inBodyCommand_ && isValueChar(*p) && q - p >= 2) {
            const int id = ids_->find(std::string_view(p + 1, static_cast<std::size_t>(q - p - 1)));
            if (id >= 0) {
                sink_->change(id, std::string_view(p, 1));
                p = q;
                continue;
            }
        }
        if (!token(std::string_view(p, static_cast<std::size_t>(q - p)))) return false;
        p = q;
    }
    return true;
}

bool VcdReader::finish() {
    if (!error_.empty()) return false;
    if (stopped_) return true;
    if (!pending_.empty()) {
        const std::string t = std::move(pending_);
        pending_.clear();
        if (!token(t)) return false;
        if (stopped_) return true;
    }
    if (!command_.empty()) return fail(commandLine_, "после " + command_ + " нет $end");
    if (inBodyCommand_) return fail(commandLine_, "после $comment нет $end");
    if (awaitingId_) return fail(vectorLine_, "после значения нет идентификатора сигнала");
    if (!headerDone_) return fail(line_, "нет $enddefinitions: файл кончился в описании сигналов");
    return true;
}

bool VcdReader::token(std::string_view t) {
    return headerDone_ ? bodyToken(t) : headerToken(t);
}

bool VcdReader::headerToken(std::string_view t) {
    if (command_.empty()) {
        if (t.empty() || t[0] != '$') return fail("непонятная запись «" + shown(t) + "» в описании сигналов");
        if (t == "$end") return fail("$end без начала раздела");
        command_ = std::string(t);
        commandLine_ = tokenLine_;
        args_.clear();
        argBytes_ = 0;
        return true;
    }
    if (t == "$end") return endCommand();
    if (command_ == "$comment") return true;  // nothing of a comment is kept
    // Identifier codes may begin with '$'; a keyword of the declarations means a missing $end.
    static const std::array<std::string_view, 7> keywords = {"$var",     "$scope",   "$upscope", "$enddefinitions",
                                                             "$timescale", "$comment", "$version"};
    if (!t.empty() && t[0] == '$' && command_ != "$date" && command_ != "$version" &&
        std::find(keywords.begin(), keywords.end(), t) != keywords.end())
        return fail("в разделе " + command_ + " нет $end перед " + shown(t));
    argBytes_ += t.size();
    if (argBytes_ > kMaxVcdToken) return fail(commandLine_, "раздел " + command_ + " слишком длинный");
    args_.emplace_back(t);
    return true;
}

bool VcdReader::endCommand() {
    const std::string command = std::move(command_);
    command_.clear();
    tokenLine_ = commandLine_;
    auto joined = [this] {
        std::string s;
        for (const auto& a : args_) s += (s.empty() ? "" : " ") + a;
        return s;
    };
    if (command == "$date") {
        header_.date = joined();
    } else if (command == "$version") {
        header_.version = joined();
    } else if (command == "$timescale") {
        header_.timescaleFs = parseTimescale(joined());
        if (header_.timescaleFs == 0) return fail("неверная единица времени $timescale «" + shown(joined()) + "»");
    } else if (command == "$scope") {
        if (args_.size() != 2) return fail("в $scope нужны вид и имя области");
        scopes_.push_back(args_[1]);
        scopePath_ += (scopePath_.empty() ? "" : ".") + args_[1];
    } else if (command == "$upscope") {
        if (scopes_.empty()) return fail("$upscope без $scope");
        scopes_.pop_back();
        scopePath_.clear();
        for (const auto& scope : scopes_) scopePath_ += (scopePath_.empty() ? "" : ".") + scope;
    } else if (command == "$var") {
        if (args_.size() < 4) return fail("в $var нужны тип, ширина, идентификатор и имя");
        VcdVariable v;
        v.type = args_[0];
        int width = 0;
        if (!parseInt(args_[1], width) || width < 1 || width > kMaxVcdWidth)
            return fail("неверная ширина сигнала «" + shown(args_[1]) + "»");
        v.width = width;
        v.reference = args_[3];
        std::string range;
        for (std::size_t i = 4; i < args_.size(); ++i) range += args_[i];
        if (range.empty()) {
            // A range written against the name: "data[7:0]".
            const auto bracket = v.reference.find('[');
            if (bracket != std::string::npos && bracket > 0 && v.reference.back() == ']') {
                range = v.reference.substr(bracket);
                v.reference.resize(bracket);
            }
        }
        if (!range.empty()) {
            if (!parseRange(range, v.msb, v.lsb)) return fail("неверный диапазон разрядов «" + shown(range) + "»");
            v.hasRange = true;
        }
        if (header_.variables.size() >= kMaxVcdVariables) return fail("слишком много сигналов");
        v.id = ids_->add(args_[2]);
        header_.idCount = ids_->count();
        v.scope = scopePath_;
        v.line = commandLine_;
        header_.variables.push_back(std::move(v));
    } else if (command == "$enddefinitions") {
        headerDone_ = true;
        if (!sink_) {
            stopped_ = true;
            return false;
        }
        if (!sink_->header(header_)) return fail(sink_->message());
    }
    // Other sections ($comment and those of other tools) are skipped.
    return true;
}

bool VcdReader::bodyToken(std::string_view t) {
    if (awaitingId_) {
        awaitingId_ = false;
        const int id = ids_->find(t);
        if (id < 0) return fail("неизвестный идентификатор сигнала «" + shown(t) + "»");
        if (!ignoreValue_) sink_->change(id, vectorValue_);
        return true;
    }
    if (inBodyCommand_) {
        if (t == "$end") inBodyCommand_ = false;
        return true;
    }
    const char c = t[0];
    if (isValueChar(c)) {
        if (t.size() < 2) return fail("после значения «" + shown(t) + "» нет идентификатора сигнала");
        const int id = ids_->find(t.substr(1));
        if (id < 0) return fail("неизвестный идентификатор сигнала «" + shown(t.substr(1)) + "»");
        sink_->change(id, t.substr(0, 1));
        return true;
    }
    switch (c) {
    case '#': {
        std::uint64_t v = 0;
        if (!parseUnsigned(t.substr(1), v)) return fail("неверная отметка времени «" + shown(t) + "»");
        if (timeSeen_ && v < time_) return fail("время " + std::to_string(v) + " меньше предыдущего");
        time_ = v;
        timeSeen_ = true;
        if (!sink_->time(v)) return fail(sink_->message());
        return true;
    }
    case 'b':
    case 'B':
        if (t.size() < 2) return fail("пустое значение вектора");
        for (char bit : t.substr(1))
            if (!isValueChar(bit)) return fail("неверное значение вектора «" + shown(t) + "»");
        vectorValue_.assign(t.substr(1));
        vectorLine_ = tokenLine_;
        awaitingId_ = true;
        ignoreValue_ = false;
        return true;
    case 'r':
    case 'R':
    case 's':
    case 'S':
        vectorLine_ = tokenLine_;
        awaitingId_ = true;
        ignoreValue_ = true;  // real and string values do not become levels
        return true;
    case '$':
        if (t == "$comment") {
            inBodyCommand_ = true;
            commandLine_ = tokenLine_;
        } else if (t != "$dumpvars" && t != "$dumpall" && t != "$dumpon" && t != "$dumpoff" && t != "$end") {
            return fail("непонятная запись «" + shown(t) + "»");
        }
        return true;
    default:
        return fail("непонятная запись «" + shown(t) + "»");
    }
}

}  // namespace kvx::exchange
