#pragma once
// Import of signal traces from a VCD file into the current test: each mapped signal is sampled
// once per tact at a chosen point of the tact, 0/1 become levels, x/z (and the other unknown
// states) become inactive, a vector goes bit by bit onto a data word's member rows. The tact
// count follows the length of the file. Any error leaves the document as it was.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "exchange/vcd_reader.h"
#include "model/test_document.h"

namespace kvx::exchange {

/// Where one mapped signal goes.
struct MapTarget {
    enum class Kind { Pin, Output, Word };
    Kind kind = Kind::Pin;
    int number = 0;  ///< pin number (Pin, Output) or 1-based word number (Word)
    bool operator==(const MapTarget&) const = default;
};

/// One line of a map: a VCD signal ("tb.cnt", "cnt", "tb.cnt[2]" for one bit) and its target.
struct MapEntry {
    std::string signal;
    MapTarget target;
    int line = 0;  ///< line of the map text (0 when the entry was made in the dialog)
};

/// Parses a map text: one "SIGNAL pin N", "SIGNAL out N" or "SIGNAL word K" per line,
/// '#' starts a comment. Nullopt with a Russian message naming the line on an error.
std::optional<std::vector<MapEntry>> parseMap(const std::string& text, std::string& error);
/// The map text of entries (one line each).
std::string formatMap(const std::vector<MapEntry>& entries);

struct ImportOptions {
    /// Length of one tact in femtoseconds; 0: the test's tact duration in microseconds.
    std::uint64_t tactFs = 0;
    /// Point of the tact at which signals are sampled, in percent of the tact: 100 (the end of
    /// the tact, the value just before the next tact begins) down to 0 (its start).
    int offsetPercent = 100;
    /// Largest tact count accepted; a longer file is refused with "Error DiagrSize".
    int maxTacts = model::kMaxTactCount;
};

struct ImportResult {
    bool ok = false;
    std::string error;  ///< Russian message when !ok
    bool errorShown = false;  ///< the document already raised the message through its events
    int tactCount = 0;  ///< tacts of the imported file
    int rowsWritten = 0;
};

/// A duration such as "2us", "500 ns", "2 мкс" in femtoseconds; nullopt when not understood.
std::optional<std::uint64_t> parseDuration(const std::string& text);

/// The declarations of a VCD file (its value section is not read); nullopt with a message.
std::optional<VcdHeader> readVcdHeader(const std::string& path, std::string& error);

/// A map found from the names: a signal named as the exporter names a row or a word
/// ("P5_CLK", "W1_ADDR"), or named like a pin or a word, goes to that row or word.
std::vector<MapEntry> suggestMap(const model::TestDocument& doc, const VcdHeader& header);

/// The import itself from bytes already in memory (tests, the fuzzer) or from a file.
ImportResult importVcdBytes(model::TestDocument& doc, std::string_view bytes, const std::vector<MapEntry>& map,
                            const ImportOptions& options);
ImportResult importVcdFile(model::TestDocument& doc, const std::string& path, const std::vector<MapEntry>& map,
                           const ImportOptions& options);

}  // namespace kvx::exchange
