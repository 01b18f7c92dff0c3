#include "algorithms/expansion.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <vector>

namespace kvx::algorithms {

namespace {

using model::CellLevel;
using model::TestDocument;

// Tact counts are planned in 128 bits: 2^64 addresses times a drawn cycle still fits.
__extension__ using Wide = __int128;

constexpr int kCyclicRows = 96;  // rows 97..100 keep their levels in the cyclic copies

std::int64_t saturated(Wide v) {
    constexpr Wide top = std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(std::min(v, top));
}

/// Member rows of a word that setCell would write (empty slots and foreign numbers dropped);
/// an unknown word index gives none.
std::vector<int> memberRows(const TestDocument& doc, int wordIndex) {
    std::vector<int> rows;
    if (wordIndex < 0 || static_cast<size_t>(wordIndex) >= doc.dataWords().size()) return rows;
    for (int r : doc.dataWords()[static_cast<size_t>(wordIndex)].members())
        rows.push_back(r >= 0 && r <= model::kMaxRow ? r : -1);  // -1 keeps the bit position, writes nothing
    return rows;
}

int bitCount(const TestDocument& doc, int wordIndex) {
    if (wordIndex < 0 || static_cast<size_t>(wordIndex) >= doc.dataWords().size()) return 0;
    return doc.dataWords()[static_cast<size_t>(wordIndex)].memberCount();
}

CellLevel bitOf(WordValue v, size_t k) { return static_cast<CellLevel>(k < 64 ? (v >> k) & 1u : 0u); }

/// Direct access to the rows of the current test once the diagram has its final length.
class Rows {
public:
    explicit Rows(TestDocument& doc) {
        for (int r = 0; r <= model::kMaxRow; ++r)
            rows_[static_cast<size_t>(r)] = doc.mutableRowData(doc.currentTest(), r);
    }
    CellLevel* operator[](int row) const { return rows_[static_cast<size_t>(row)]; }

    /// setWordValue over `count` tacts from `first` on (tacts below 1 are skipped).
    void writeWord(const std::vector<int>& members, std::int64_t first, std::int64_t count, WordValue value) const {
        if (first < 1) {
            count -= 1 - first;
            first = 1;
        }
        if (count <= 0) return;
        for (size_t k = 0; k < members.size(); ++k)
            if (members[k] >= 0)
                std::memset(rows_[static_cast<size_t>(members[k])] + first, bitOf(value, k), static_cast<size_t>(count));
    }

private:
    std::array<CellLevel*, model::kRowSlots> rows_{};
};

/// Gives the diagram the planned length; false when that is beyond the largest tact count or
/// the storage cannot grow (the document has shown "Error DiagrSize" then).
bool growTo(TestDocument& doc, std::int64_t tacts) {
    if (tacts > model::kMaxTactCount) {
        doc.raiseError(model::kDiagrSizeError);
        return false;
    }
    if (tacts == doc.tactCount()) return true;
    return doc.setTactCount(static_cast<int>(tacts));
}

struct CyclicPlan {
    int start = 0, end = 0, cycles = 0;
    Wide lastTact = 0;  ///< T = E + P·(C − 1)
};

CyclicPlan cyclicPlan(int start, int end, Wide cycles) {
    CyclicPlan p;
    p.start = start;
    p.end = end;
    p.cycles = static_cast<int>(std::min<Wide>(cycles, std::numeric_limits<int>::max()));
    const Wide period = Wide{end} - start + 1;
    p.lastTact = Wide{end} + period * (cycles - 1);
    return p;
}

/// Step 2 of the cyclic expansion on storage that is long enough: every copy of S..E is the
/// same, so the filled part is doubled instead of copying tact by tact.
void copyCycles(TestDocument& doc, const CyclicPlan& p) {
    const std::int64_t period = std::int64_t{p.end} - p.start + 1;
    if (period < 1 || p.cycles <= 1) return;
    const Rows rows(doc);
    const auto total = static_cast<size_t>(period * p.cycles);
    for (int r = 1; r <= kCyclicRows; ++r) {
        CellLevel* base = rows[r] + p.start;
        for (size_t filled = static_cast<size_t>(period); filled < total;) {
            const size_t n = std::min(filled, total - filled);
            std::memcpy(base + filled, base, n);
            filled += n;
        }
    }
}

// ---- RAM ---------------------------------------------------------------------------------

struct RamCycle {
    std::int64_t out;  ///< first output tact
    WordValue address;
    WordValue data;
    bool write;
};

/// The two drawn cycles: read-first, the read cycle is tacts 1..writeAddressTact − 1 and the
/// write cycle the rest; write-first (write start tact before the read start tact R), the write
/// cycle is the tacts before R and the read cycle R..L.
struct RamShape {
    std::int64_t drawn = 0;        ///< L
    std::int64_t readFrom = 1;     ///< first tact of the drawn read cycle
    std::int64_t readLength = 0;
    std::int64_t writeFrom = 1;    ///< first tact of the drawn write cycle
    std::int64_t writeLength = 0;
    int n = 0, m = 0;
    WordValue first = 0, last = 0;
    Wide addresses() const { return Wide{last} - first + 1; }
};

/// The cycles of the ten phases, in order, with their output tacts.
std::vector<RamCycle> ramCycles(const RamShape& s) {
    std::vector<RamCycle> out;
    std::int64_t next = s.drawn + 1;
    auto W = [&](WordValue a, WordValue d) {
        out.push_back({next, a, d, true});
        next += s.writeLength;
    };
    auto R = [&](WordValue a, WordValue d) {
        out.push_back({next, a, d, false});
        next += s.readLength;
    };
    const int n = s.n, m = s.m;
    const WordValue M = allOnes(n + 1);
    for (int j = 0; j <= n; ++j) W(walkingAddress(j), 0);
    for (int j = 0; j <= n; ++j) R(walkingAddress(j), 0);
    for (int j = 0; j < n; ++j) {
        W(walkingAddress(j), M);
        for (int i = 0; i <= n; ++i) R(walkingAddress(i), i == j ? M : 0);
        W(walkingAddress(j), 0);
    }
    for (int j = 0; j <= n; ++j) W(M - walkingAddress(j), 0);
    for (int j = 0; j < n; ++j) R(M - walkingAddress(j), 0);
    for (int j = 0; j <= n; ++j) {
        W(M - walkingAddress(j), M);
        for (int i = 0; i <= n; ++i) R(M - walkingAddress(i), i == j ? M : 0);
        W(M - walkingAddress(j), 0);
    }
    for (int j = 0; j <= m; ++j) {
        W(0, walkingAddress(j));
        R(0, walkingAddress(j));
    }
    for (int j = 0; j <= m; ++j) {
        W(0, M - walkingAddress(j));
        R(0, M - walkingAddress(j));
    }
    for (const WordValue pattern : {ramPattern1(m), ramPattern2(m)}) {
        for (WordValue a = s.first;; ++a) {
            W(a, pattern);
            if (a == s.last) break;
        }
        for (WordValue a = s.first;; ++a) {
            R(a, pattern);
            if (a == s.last) break;
        }
    }
    return out;
}

/// Where the words of one cycle kind go, relative to the cycle's first output tact.
struct WordPlacement {
    std::vector<int> address, data;
    std::int64_t addressFrom = 0, addressCount = 0;  ///< offsets inside the cycle
    std::int64_t dataAt = -1;                       ///< offset, or -1 when outside the cycle
};

WordPlacement placement(const TestDocument& doc, int addressWord, int dataWord, std::int64_t first,
                        std::int64_t last, std::int64_t addressTact, std::int64_t addressTacts, std::int64_t dataTact) {
    WordPlacement p;
    p.address = memberRows(doc, addressWord);
    p.data = memberRows(doc, dataWord);
    const std::int64_t from = std::max(first, addressTact);
    const std::int64_t to = std::min(last, addressTact + addressTacts - 1);
    p.addressFrom = from - first;
    p.addressCount = std::max<std::int64_t>(0, to - from + 1);
    if (dataTact >= first && dataTact <= last) p.dataAt = dataTact - first;
    return p;
}

}  // namespace

// ---- shared operations -------------------------------------------------------------------

void CopyTact(TestDocument& doc, int from, int to) {
    const int test = doc.currentTest();
    for (int r = 1; r <= model::kMaxRow; ++r) doc.setCell(test, r, to, doc.getCell(test, r, from));
}

WordValue walkingAddress(int j) {
    if (j <= 0 || j > 64) return 0;
    return WordValue{1} << (j - 1);
}

WordValue allOnes(int bits) {
    if (bits <= 0) return 0;
    if (bits >= 64) return ~WordValue{0};
    return (WordValue{1} << bits) - 1;
}

WordValue ramPattern1(int m) {
    WordValue v = 1;
    for (int q = 0; q <= m; ++q)
        if (q % 2 == 0 && q + 1 < 64) v += WordValue{1} << (q + 1);
    return v;
}

WordValue ramPattern2(int m) {
    WordValue v = 0;
    for (int q = 1; q <= m; ++q)
        if (q % 2 == 1 && q < 64) v += WordValue{1} << q;
    return v;
}

std::uint64_t ramGeneratedTacts(std::int64_t rl, std::int64_t wl, int n, int m, std::uint64_t addresses) {
    const Wide R = rl, Wl = wl, N = n, L = Wide{rl} + wl;
    const Wide g = (N + 1) * L + N * (2 * Wl + (N + 1) * R) + (N + 1) * Wl + N * R +
                   (N + 1) * (2 * Wl + (N + 1) * R) + 2 * (Wide{m} + 1) * L + 2 * Wide{addresses} * L;
    constexpr Wide top = std::numeric_limits<std::uint64_t>::max();
    return g < 0 ? 0 : static_cast<std::uint64_t>(std::min(g, top));
}

// ---- cyclic ------------------------------------------------------------------------------

std::int64_t cyclicFinalTactCount(const TestDocument& doc) {
    const auto& a = doc.algorithms()[static_cast<size_t>(model::Algorithm::Cyclic)];
    if (a.startTact < 1 || a.cycleCount < 1) return -1;
    const CyclicPlan p = cyclicPlan(a.startTact, a.endTact, a.cycleCount);
    return saturated(std::max<Wide>(doc.tactCount(), p.lastTact));
}

bool ExpandCyclic(TestDocument& doc) {
    const std::int64_t final = cyclicFinalTactCount(doc);
    if (final < 0 || !growTo(doc, final)) return false;
    const auto& a = doc.algorithms()[static_cast<size_t>(model::Algorithm::Cyclic)];
    copyCycles(doc, cyclicPlan(a.startTact, a.endTact, a.cycleCount));
    return true;
}

// ---- ROM ---------------------------------------------------------------------------------

namespace {

struct RomPlan {
    CyclicPlan cycle;
    Wide addresses = 0;
    Wide firstAddressTact = 0;  ///< (S − 1) + TA
    Wide lastTact = 0;          ///< (S − 1) + TA + N·L − 1
    std::int64_t final = -1;
};

RomPlan romPlan(const TestDocument& doc) {
    RomPlan p;
    const auto& a = doc.algorithms()[static_cast<size_t>(model::Algorithm::Rom)];
    const int L = doc.baseTactCount();
    if (L < 1 || a.romStartTact < 1 || a.startAddress > a.endAddress) return p;
    p.addresses = Wide{a.endAddress} - a.startAddress + 1;
    p.cycle = cyclicPlan(a.romStartTact, L, p.addresses);
    p.firstAddressTact = Wide{a.romStartTact} - 1 + a.addressTact;
    p.lastTact = p.firstAddressTact + p.addresses * L - 1;
    p.final = saturated(std::max({Wide{doc.tactCount()}, p.cycle.lastTact, p.lastTact}));
    return p;
}

}  // namespace

std::int64_t romFinalTactCount(const TestDocument& doc) { return romPlan(doc).final; }

bool ExpandRom(TestDocument& doc) {
    const RomPlan p = romPlan(doc);
    if (p.final < 0 || !growTo(doc, p.final)) return false;
    const auto& rom = doc.algorithms()[static_cast<size_t>(model::Algorithm::Rom)];
    auto& cyc = doc.algorithm(model::Algorithm::Cyclic);
    cyc.startTact = p.cycle.start;
    cyc.endTact = p.cycle.end;
    cyc.cycleCount = p.cycle.cycles;  // fits: the addresses fit the diagram
    copyCycles(doc, p.cycle);

    const Rows rows(doc);
    const std::vector<int> word = memberRows(doc, rom.addressWord);
    const std::int64_t L = p.cycle.end;  // the drawn length, taken before the diagram grew
    const auto first = static_cast<std::int64_t>(p.firstAddressTact);
    WordValue address = rom.startAddress;
    for (std::int64_t i = 0; i < static_cast<std::int64_t>(p.addresses); ++i, ++address)
        rows.writeWord(word, first + i * L, L, address);
    return true;
}

// ---- RAM ---------------------------------------------------------------------------------

namespace {

struct RamPlan {
    RamShape shape;
    std::int64_t final = -1;
};

RamPlan ramPlan(const TestDocument& doc) {
    RamPlan p;
    const auto& a = doc.algorithms()[static_cast<size_t>(model::Algorithm::Ram)];
    RamShape& s = p.shape;
    s.drawn = doc.baseTactCount();
    if (s.drawn < 1 || a.startAddress > a.endAddress) return p;
    if (a.writeStartTact < a.startTact) {
        s.writeLength = std::clamp<std::int64_t>(std::int64_t{a.startTact} - 1, 0, s.drawn);
        s.readFrom = s.writeLength + 1;
        s.readLength = s.drawn - s.writeLength;
    } else {
        const std::int64_t rl = std::int64_t{a.writeAddressTact} - 1;
        if (rl < 0) return p;
        // A read part longer than the drawn diagram leaves no write part; the count then
        // follows the cycles as they are really generated.
        s.readLength = rl;
        s.writeFrom = rl + 1;
        s.writeLength = std::max<std::int64_t>(0, s.drawn - rl);
    }
    s.n = bitCount(doc, a.addressWord);
    s.m = bitCount(doc, a.dataWord);
    s.first = a.startAddress;
    s.last = a.endAddress;
    const std::uint64_t addresses = a.endAddress - a.startAddress == ~std::uint64_t{0}
                                        ? ~std::uint64_t{0}
                                        : a.endAddress - a.startAddress + 1;
    const std::uint64_t g = ramGeneratedTacts(s.readLength, s.writeLength, s.n, s.m, addresses);
    p.final = saturated(Wide{s.drawn} + g);
    return p;
}

}  // namespace

std::int64_t ramFinalTactCount(const TestDocument& doc) { return ramPlan(doc).final; }

bool ExpandRam(TestDocument& doc) {
    const RamPlan p = ramPlan(doc);
    if (p.final < 0 || !growTo(doc, p.final)) return false;
    const RamShape& s = p.shape;
    const auto& a = doc.algorithms()[static_cast<size_t>(model::Algorithm::Ram)];
    const std::int64_t L = s.drawn;
    const WordPlacement writing =
        placement(doc, a.writeAddressWord, a.writeDataWord, s.writeFrom, s.writeFrom + s.writeLength - 1,
                  a.writeAddressTact, a.writeAddressTactCount, a.writeDataTact);
    const WordPlacement reading = placement(doc, a.addressWord, a.dataWord, s.readFrom, s.readFrom + s.readLength - 1,
                                            a.addressTact, a.addressTactCount, a.dataTact);
    const std::vector<RamCycle> cycles = ramCycles(s);
    const Rows rows(doc);
    auto from = [&](const RamCycle& c) { return c.write ? s.writeFrom : s.readFrom; };
    auto length = [&](const RamCycle& c) { return c.write ? s.writeLength : s.readLength; };

    if (s.readFrom + s.readLength - 1 <= L) {
        // The drawn cycles lie before the first output tact and are never overwritten: every row
        // is copied cycle by cycle (or filled at once when it is level over the drawn tacts), then
        // the words of each cycle are written over the copies.
        const auto generated = static_cast<size_t>(p.final - L);
        for (int r = 1; r <= model::kMaxRow; ++r) {
            CellLevel* row = rows[r];
            if (std::all_of(row + 1, row + L + 1, [&](CellLevel v) { return v == row[1]; })) {
                std::memset(row + L + 1, row[1], generated);
                continue;
            }
            for (const RamCycle& c : cycles) std::memcpy(row + c.out, row + from(c), static_cast<size_t>(length(c)));
        }
        for (const RamCycle& c : cycles) {
            const WordPlacement& w = c.write ? writing : reading;
            if (length(c) == 0) continue;
            rows.writeWord(w.address, c.out + w.addressFrom, w.addressCount, c.address);
            if (w.dataAt >= 0) rows.writeWord(w.data, c.out + w.dataAt, 1, c.data);
        }
        return true;
    }

    // The read part reaches into the output tacts: copy tact by tact in the order of the cycles.
    for (const RamCycle& c : cycles) {
        const WordPlacement& w = c.write ? writing : reading;
        for (std::int64_t k = 0; k < length(c); ++k) {
            const std::int64_t out = c.out + k;
            for (int r = 1; r <= model::kMaxRow; ++r) rows[r][out] = rows[r][from(c) + k];
            if (k >= w.addressFrom && k < w.addressFrom + w.addressCount) rows.writeWord(w.address, out, 1, c.address);
            if (k == w.dataAt) rows.writeWord(w.data, out, 1, c.data);
        }
    }
    return true;
}

}  // namespace kvx::algorithms
