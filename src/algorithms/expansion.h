#pragma once
// Expansion of the cyclic, ROM and RAM algorithms into the timing diagram: the user draws one
// cycle (for the memory tests one access to one memory cell) in the first tacts, and the
// expansion appends copies of it with the address and data words filled in.
//
// Every expansion works on the current test and first computes the tact count it ends with, in
// 64-bit arithmetic. A count beyond model::kMaxTactCount raises "Error DiagrSize" and nothing
// changes; otherwise the diagram is grown once and the cells are written straight into the
// rows, with the result that cell-by-cell copying through setCell and setWordValue would give.

#include <cstdint>

#include "model/test_document.h"
#include "words/word_values.h"

namespace kvx::algorithms {

using words::WordValue;

/// Rows 1..100 of tact `from` are copied into tact `to` in the current test (through setCell).
void CopyTact(model::TestDocument& doc, int from, int to);

/// Repeats tacts startTact..endTact of the cyclic block cycleCount − 1 more times right after
/// endTact (rows 1..96). False, with nothing changed, when the block has no start tact or cycle
/// (startTact or cycleCount below 1) or the tact count would pass the largest one.
bool ExpandCyclic(model::TestDocument& doc);
/// Overwrites the cyclic block with (romStartTact, baseTactCount, number of addresses), repeats
/// the drawn read cycle once per address and writes the addresses startAddress..endAddress on
/// the address word, each for baseTactCount tacts from (romStartTact − 1) + addressTact on.
bool ExpandRom(model::TestDocument& doc);
/// Appends the ten phases of the RAM test (walking addresses, their complements, walking data
/// at address 0, two alternating patterns over the address range) built from the two drawn
/// cycles. Read cycle first: the read cycle is tacts 1..writeAddressTact − 1 and the write cycle
/// the rest of the drawn diagram. Write cycle first (its start tact before the read start tact
/// R): the write cycle is tacts 1..R − 1 and the read cycle R..baseTactCount.
bool ExpandRam(model::TestDocument& doc);

// ---- the arithmetic, for the dialog, the tests and the benchmark ---------------------------

/// a(0) = 0, a(1) = 1, then each value twice the previous one (modulo 2^64).
WordValue walkingAddress(int j);
/// 2^bits − 1; all 64 bits for 64 bits and more, 0 for bits <= 0.
WordValue allOnes(int bits);
/// RAM pattern D1 for a data word of m members: 1, plus 2^(q+1) for every even q in 0..m.
WordValue ramPattern1(int m);
/// RAM pattern D2: 2^q for every odd q in 1..m.
WordValue ramPattern2(int m);

/// Number of tacts G that the ten RAM phases generate for read length rl, write length wl,
/// address width n, data width m and `addresses` addresses; saturates at UINT64_MAX.
std::uint64_t ramGeneratedTacts(std::int64_t rl, std::int64_t wl, int n, int m, std::uint64_t addresses);

/// Tact count the expansion of the document's block would end with (the present count when the
/// expansion does not change it); -1 when the block cannot be expanded (no drawn diagram, a
/// start tact below 1, an end address below the start address). Saturates at INT64_MAX.
std::int64_t cyclicFinalTactCount(const model::TestDocument& doc);
std::int64_t romFinalTactCount(const model::TestDocument& doc);
std::int64_t ramFinalTactCount(const model::TestDocument& doc);

}  // namespace kvx::algorithms
