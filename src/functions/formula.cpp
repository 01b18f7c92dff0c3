#include "functions/formula.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "model/text.h"

namespace kvx::functions {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

/// Pin reference at `pos` (a 'C'): two digits exactly when the character two places after the
/// C is a digit, otherwise one. False when no digit follows the C.
bool pinReference(std::string_view f, size_t pos, int& pin, size_t& length) {
    if (pos + 1 >= f.size() || !isDigit(f[pos + 1])) return false;
    if (pos + 2 < f.size() && isDigit(f[pos + 2])) {
        pin = (f[pos + 1] - '0') * 10 + (f[pos + 2] - '0');
        length = 3;
    } else {
        pin = f[pos + 1] - '0';
        length = 2;
    }
    return true;
}

bool pinInRange(int pin) { return pin >= 1 && pin <= model::kMaxPins; }

}  // namespace

bool myoperator(char c) { return c == '|' || c == '*' || c == '&' || c == 'X'; }

bool correct(std::string& text) {
    std::string n;
    n.reserve(text.size());
    for (size_t i = 0; i < text.size(); i += model::text::charBytes(text, i)) {
        const char32_t c = model::text::codePointAt(text, i);
        if (c == U' ') continue;
        // Latin small c, Cyrillic small es and capital Es all stand for a pin reference.
        if (c == U'c' || c == U'\u0441' || c == U'\u0421') {
            n += 'C';
            continue;
        }
        n.append(text, i, model::text::charBytes(text, i));
    }
    text = n;

    bool ok = true;
    int open = 0;
    int close = 0;
    for (size_t i = 0; i < n.size(); ++i) {
        const char c = n[i];
        const bool last = i + 1 == n.size();
        const char next = last ? '\0' : n[i + 1];
        const char prev = i == 0 ? '\0' : n[i - 1];
        if (!(c == 'C' || myoperator(c) || isDigit(c) || c == '(' || c == ')' || c == '!')) ok = false;
        if (c == '(') {
            ++open;
            if (!(next == '0' || next == '1' || next == 'C' || next == '(' || next == '!')) ok = false;
        } else if (c == ')') {
            ++close;
            if (close > open) ok = false;
            if (!(isDigit(prev) || prev == ')')) ok = false;
            if (!last && !(myoperator(next) || next == ')')) ok = false;
        } else if (c == 'C') {
            if (!isDigit(next)) ok = false;
            if (i > 0 && !(myoperator(prev) || prev == '(')) ok = false;
        } else if (c == '!') {
            if (next != '(') ok = false;
        }
    }
    if (open != close) ok = false;
    return ok;
}

int Dejstvie(std::string_view chain) {
    int result = (!chain.empty() && chain[0] == '1') ? 1 : 0;
    int reg = 0;
    for (size_t k = 1; k <= chain.size() / 2; ++k) {
        // An even chain has no operand after its last operator: the register keeps its value.
        if (2 * k < chain.size()) {
            if (chain[2 * k] == '1') reg = 1;
            else if (chain[2 * k] == '0') reg = 0;
        }
        switch (chain[2 * k - 1]) {
        case '|': result = std::max(result, reg); break;
        case '&':
        case '*': result = result * reg; break;
        case 'X': result = (result + reg) % 2; break;
        default: break;
        }
    }
    return result;
}

void Skobki(std::string& working) {
    const size_t close = working.find(')');
    if (close == std::string::npos) {
        working.assign(1, static_cast<char>('0' + Dejstvie(working)));
        return;
    }
    const size_t open = close == 0 ? std::string::npos : working.rfind('(', close - 1);
    if (open == std::string::npos) {
        working.erase(close, 1);  // a ")" without "(": dropped so that the reduction ends
        return;
    }
    const std::string inner = working.substr(open + 1, close - open - 1);
    if (open > 0 && working[open - 1] == '!') {
        working.replace(open - 1, close - open + 2, 1, static_cast<char>('0' + Dejstvie(inner + "X1")));
    } else {
        working.replace(open, close - open + 1, 1, static_cast<char>('0' + Dejstvie(inner)));
    }
}

model::CellLevel Formula(const model::TestDocument& doc, int tact, const std::string& normalized) {
    std::array<model::CellLevel, model::kMaxPins + 1> snapshot{};
    for (int p = 1; p <= model::kMaxPins; ++p)
        snapshot[static_cast<size_t>(p)] = doc.getCell(doc.currentTest(), p, tact);

    std::string working;
    working.reserve(normalized.size());
    for (size_t i = 0; i < normalized.size();) {
        if (normalized[i] != 'C') {
            working += normalized[i++];
            continue;
        }
        int pin = 0;
        size_t length = 0;
        if (!pinReference(normalized, i, pin, length) || !pinInRange(pin)) return model::kInactive;
        const model::CellLevel v = snapshot[static_cast<size_t>(pin)];
        if (v > 1) return model::kInactive;
        working += static_cast<char>('0' + v);
        i += length;
    }
    while (working.size() > 1) Skobki(working);
    if (working.size() == 1 && (working[0] == '0' || working[0] == '1'))
        return static_cast<model::CellLevel>(working[0] - '0');
    return model::kInactive;  // nothing left, or a character that is no level (2..9, an operator)
}

// ---- compiled evaluator -------------------------------------------------------

namespace {

using Op = CompiledFormula::Op;
using Instruction = CompiledFormula::Instruction;
constexpr std::uint32_t kZero = 0;
constexpr std::uint32_t kOne = 1;

/// One character of the working string during compilation: either a level, known only as a node
/// of the program, or a character that stays as it is.
struct Element {
    bool isValue;
    char ch;
    std::uint32_t node;
};

/// Builds the program with constant folding; node numbers are slots (0, 1, pins, instructions).
class Builder {
public:
    explicit Builder(std::uint32_t firstInstructionSlot) : base_(firstInstructionSlot) {}

    std::uint32_t orOf(std::uint32_t a, std::uint32_t b) {
        if (a == kOne || b == kOne) return kOne;
        if (a == kZero || a == b) return b;
        if (b == kZero) return a;
        return emit(Op::Or, a, b);
    }
    std::uint32_t andOf(std::uint32_t a, std::uint32_t b) {
        if (a == kZero || b == kZero) return kZero;
        if (a == kOne || a == b) return b;
        if (b == kOne) return a;
        return emit(Op::And, a, b);
    }
    std::uint32_t xorOf(std::uint32_t a, std::uint32_t b) {
        if (a == b) return kZero;
        if (a == kZero) return b;
        if (b == kZero) return a;
        if (a == kOne) return notOf(b);
        if (b == kOne) return notOf(a);
        return emit(Op::Xor, a, b);
    }
    std::uint32_t notOf(std::uint32_t a) {
        if (a == kZero) return kOne;
        if (a == kOne) return kZero;
        if (a >= base_ && code_[a - base_].op == Op::Not) return code_[a - base_].a;
        return emit(Op::Not, a, a);
    }

    /// The chain evaluation on elements, reading the same fixed positions as Dejstvie.
    std::uint32_t chain(const Element* e, size_t n) {
        std::uint32_t result = (n > 0 && e[0].isValue) ? e[0].node : kZero;
        std::uint32_t reg = kZero;
        for (size_t k = 1; k <= n / 2; ++k) {
            if (2 * k < n && e[2 * k].isValue) reg = e[2 * k].node;
            const Element& op = e[2 * k - 1];
            if (op.isValue) continue;  // a level in an operator position changes nothing
            switch (op.ch) {
            case '|': result = orOf(result, reg); break;
            case '&':
            case '*': result = andOf(result, reg); break;
            case 'X': result = xorOf(result, reg); break;
            default: break;
            }
        }
        return result;
    }

    /// Keeps only the instructions that `result` depends on; returns the renumbered result slot.
    std::uint32_t prune(std::uint32_t result, std::vector<Instruction>& out) const {
        std::vector<char> used(code_.size(), 0);
        if (result >= base_) used[result - base_] = 1;
        for (size_t i = code_.size(); i-- > 0;) {
            if (!used[i]) continue;
            for (std::uint32_t s : {code_[i].a, code_[i].b})
                if (s >= base_) used[s - base_] = 1;
        }
        std::vector<std::uint32_t> renumber(code_.size(), 0);
        auto map = [&](std::uint32_t s) { return s >= base_ ? renumber[s - base_] : s; };
        for (size_t i = 0; i < code_.size(); ++i) {
            if (!used[i]) continue;
            renumber[i] = base_ + static_cast<std::uint32_t>(out.size());
            out.push_back({code_[i].op, map(code_[i].a), map(code_[i].b)});
        }
        return map(result);
    }

private:
    std::uint32_t emit(Op op, std::uint32_t a, std::uint32_t b) {
        code_.push_back({op, a, b});
        return base_ + static_cast<std::uint32_t>(code_.size() - 1);
    }

    std::uint32_t base_;
    std::vector<Instruction> code_;
};

/// Byte i of the result is bit i of the argument.
constexpr std::array<std::uint64_t, 256> makeSpread() {
    std::array<std::uint64_t, 256> t{};
    for (unsigned b = 0; b < 256; ++b)
        for (unsigned i = 0; i < 8; ++i)
            if (b & (1u << i)) t[b] |= std::uint64_t{1} << (8 * i);
    return t;
}
constexpr std::array<std::uint64_t, 256> kSpread = makeSpread();
constexpr std::uint64_t kByteLowBits = 0x0101010101010101ULL;

/// Bit 0 of each byte of x (only those bits set) gathered into bits 0..7.
std::uint64_t packLowBits(std::uint64_t x) { return (x * 0x0102040810204080ULL) >> 56; }

/// Levels of 64 consecutive tacts as two masks: level 1, and any level other than 0 or 1.
void gather64(const model::CellLevel* src, std::uint64_t& high, std::uint64_t& bad) {
    high = 0;
    bad = 0;
    for (unsigned j = 0; j < 8; ++j) {
        if constexpr (std::endian::native == std::endian::little) {
            std::uint64_t x;
            std::memcpy(&x, src + 8 * j, 8);
            std::uint64_t z = x & ~kByteLowBits;  // bits 1..7 of each byte
            z |= z >> 4;
            z |= z >> 2;
            z |= z >> 1;  // bit 0 of a byte now tells whether any of its bits 1..7 was set
            const std::uint64_t badBytes = z & kByteLowBits;
            const std::uint64_t highBytes = x & kByteLowBits & ~badBytes;
            high |= packLowBits(highBytes) << (8 * j);
            bad |= packLowBits(badBytes) << (8 * j);
        } else {
            for (unsigned i = 0; i < 8; ++i) {
                const model::CellLevel v = src[8 * j + i];
                if (v > 1) bad |= std::uint64_t{1} << (8 * j + i);
                else if (v == 1) high |= std::uint64_t{1} << (8 * j + i);
            }
        }
    }
}

/// Levels of 64 tacts from the masks: the value where valid, 2 elsewhere.
void scatter64(std::uint64_t value, std::uint64_t valid, model::CellLevel* dst) {
    for (unsigned j = 0; j < 8; ++j) {
        const unsigned v = static_cast<unsigned>((value & valid) >> (8 * j)) & 0xFFu;
        const unsigned inactive = static_cast<unsigned>(~valid >> (8 * j)) & 0xFFu;
        if constexpr (std::endian::native == std::endian::little) {
            const std::uint64_t bytes = kSpread[v] | (kSpread[inactive] << 1);
            std::memcpy(dst + 8 * j, &bytes, 8);
        } else {
            for (unsigned i = 0; i < 8; ++i)
                dst[8 * j + i] = (inactive >> i) & 1u ? model::kInactive : static_cast<model::CellLevel>((v >> i) & 1u);
        }
    }
}

}  // namespace

CompiledFormula CompiledFormula::compile(const std::string& normalized) {
    CompiledFormula c;
    // Pins first, so that the slot of every pin is known before the program is built.
    for (size_t i = 0; i < normalized.size();) {
        if (normalized[i] != 'C') {
            ++i;
            continue;
        }
        int pin = 0;
        size_t length = 0;
        if (!pinReference(normalized, i, pin, length) || !pinInRange(pin)) {
            // The substitution stops with 2 at this reference whatever the levels are.
            c.alwaysInactive_ = true;
            c.pins_.clear();
            return c;
        }
        if (std::find(c.pins_.begin(), c.pins_.end(), pin) == c.pins_.end()) c.pins_.push_back(pin);
        i += length;
    }
    const auto pinSlot = [&](int pin) {
        return 2 + static_cast<std::uint32_t>(std::find(c.pins_.begin(), c.pins_.end(), pin) - c.pins_.begin());
    };
    const auto base = 2 + static_cast<std::uint32_t>(c.pins_.size());
    Builder b(base);

    std::vector<Element> input;
    input.reserve(normalized.size());
    for (size_t i = 0; i < normalized.size();) {
        const char ch = normalized[i];
        if (ch == 'C') {
            int pin = 0;
            size_t length = 0;
            pinReference(normalized, i, pin, length);
            input.push_back({true, '0', pinSlot(pin)});
            i += length;
        } else {
            if (ch == '0' || ch == '1') input.push_back({true, ch, ch == '1' ? kOne : kZero});
            else input.push_back({false, ch, 0});
            ++i;
        }
    }

    // The reduction always takes the first ")" and the nearest "(" before it, so one scan from the
    // left with a stack of open brackets performs the same steps in the same order. The literal
    // loop runs only while the working string is longer than one character; `remaining` mirrors that.
    std::vector<Element> out;
    std::vector<size_t> opens;
    out.reserve(input.size());
    size_t i = 0;
    for (; i < input.size(); ++i) {
        const Element& e = input[i];
        if (e.isValue || e.ch != ')') {
            if (!e.isValue && e.ch == '(') opens.push_back(out.size());
            out.push_back(e);
            continue;
        }
        if (out.size() + (input.size() - i) <= 1) break;  // the working string is one character
        if (opens.empty()) continue;                       // a ")" without "(" is dropped
        const size_t open = opens.back();
        opens.pop_back();
        const bool negate = open > 0 && !out[open - 1].isValue && out[open - 1].ch == '!';
        std::uint32_t node;
        if (negate) {
            std::vector<Element> chain(out.begin() + static_cast<std::ptrdiff_t>(open) + 1, out.end());
            chain.push_back({false, 'X', 0});
            chain.push_back({true, '1', kOne});
            node = b.chain(chain.data(), chain.size());
        } else {
            node = b.chain(out.data() + open + 1, out.size() - open - 1);
        }
        out.resize(negate ? open - 1 : open);
        out.push_back({true, '0', node});
    }
    out.insert(out.end(), input.begin() + static_cast<std::ptrdiff_t>(i), input.end());
    if (out.size() > 1) {  // no ")" left: the whole string is one chain
        const std::uint32_t node = b.chain(out.data(), out.size());
        out.assign(1, {true, '0', node});
    }
    if (out.size() != 1 || !out[0].isValue) {
        c.alwaysInactive_ = true;
        c.pins_.clear();
        return c;
    }
    c.result_ = b.prune(out[0].node, c.program_);
    return c;
}

std::uint64_t CompiledFormula::run(std::vector<std::uint64_t>& slots) const {
    std::uint64_t* s = slots.data();
    std::uint64_t* next = s + 2 + pins_.size();
    for (const Instruction& in : program_) {
        switch (in.op) {
        case Op::Or: *next = s[in.a] | s[in.b]; break;
        case Op::And: *next = s[in.a] & s[in.b]; break;
        case Op::Xor: *next = s[in.a] ^ s[in.b]; break;
        case Op::Not: *next = ~s[in.a]; break;
        }
        ++next;
    }
    return s[result_];
}

model::CellLevel CompiledFormula::evaluate(const model::TestDocument& doc, int test, int tact) const {
    if (alwaysInactive_) return model::kInactive;
    std::vector<std::uint64_t> slots(2 + pins_.size() + program_.size());
    slots[0] = 0;
    slots[1] = ~std::uint64_t{0};
    for (size_t k = 0; k < pins_.size(); ++k) {
        const model::CellLevel v = doc.getCell(test, pins_[k], tact);
        if (v > 1) return model::kInactive;
        slots[2 + k] = v ? ~std::uint64_t{0} : 0;
    }
    return static_cast<model::CellLevel>(run(slots) & 1u);
}

void CompiledFormula::evaluateRow(const model::TestDocument& doc, int test, model::CellLevel* out) const {
    const int tacts = doc.tactCount();
    if (alwaysInactive_) {
        std::fill(out + 1, out + tacts + 1, model::kInactive);
        return;
    }
    std::vector<const model::CellLevel*> rows;
    rows.reserve(pins_.size());
    for (int p : pins_) rows.push_back(doc.rowData(test, p));
    std::vector<std::uint64_t> slots(2 + pins_.size() + program_.size());
    slots[0] = 0;
    slots[1] = ~std::uint64_t{0};
    alignas(8) model::CellLevel block[64];
    for (int t = 1; t <= tacts; t += 64) {
        const auto count = static_cast<size_t>(std::min(64, tacts - t + 1));
        std::uint64_t valid = ~std::uint64_t{0};
        for (size_t k = 0; k < rows.size(); ++k) {
            const model::CellLevel* src = rows[k] + t;
            if (count < 64) {  // the last, short block: pad with valid levels
                std::memset(block, 0, sizeof block);
                std::memcpy(block, src, count);
                src = block;
            }
            std::uint64_t high = 0;
            std::uint64_t bad = 0;
            gather64(src, high, bad);
            slots[2 + k] = high;
            valid &= ~bad;
        }
        const std::uint64_t value = run(slots);
        // Every input of these tacts has been read: now the block may be written, also into a
        // row that the formula references.
        scatter64(value, valid, block);
        std::memcpy(out + t, block, count);
    }
}

ApplyResult applyFormula(model::TestDocument& doc, int row, std::string text) {
    ApplyResult r;
    const int test = doc.currentTest();
    if (!text.empty()) {
        r.valid = correct(text);
        if (r.valid && row >= 1 && row <= model::kMaxRow)
            CompiledFormula::compile(text).evaluateRow(doc, test, doc.mutableRowData(test, row));
    }
    r.normalized = text;
    doc.setPinFunction(test, row, text);
    return r;
}

std::vector<int> RecalculateFunctionPins(model::TestDocument& doc) {
    std::vector<int> rows;
    const int test = doc.currentTest();
    const int tacts = doc.tactCount();
    std::vector<model::CellLevel> levels(static_cast<size_t>(tacts) + 1);
    for (int k = 1; k <= doc.displayRowCount(); ++k) {
        const int row = doc.signalRow(test, k);
        if (row < 1 || row > model::kMaxRow) continue;
        const std::string& type = doc.pin(row).pinType;
        if (type != model::PinType::Function && type != model::PinType::IoFunction) continue;
        std::string formula = doc.pinFunction(test, row);
        if (formula.empty() || !correct(formula)) continue;
        CompiledFormula::compile(formula).evaluateRow(doc, test, levels.data());
        const model::CellLevel* current = doc.rowData(test, row);
        if (!std::equal(levels.begin() + 1, levels.end(), current + 1))
            std::copy(levels.begin() + 1, levels.end(), doc.mutableRowData(test, row) + 1);
        rows.push_back(row);
    }
    return rows;
}

}  // namespace kvx::functions
