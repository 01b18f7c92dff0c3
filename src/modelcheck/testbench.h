#pragma once
// The testbench that runs a test on a chip's model, its vector file and the comparison of
// what the model gave with the expected levels. The testbench reads the vectors from a
// memory file in one small loop, so its size does not grow with the test.

#include <string>
#include <vector>

#include "model/test_document.h"
#include "modelcheck/model_ports.h"
#include "modelcheck/port_map.h"

namespace kvx::modelcheck {

inline constexpr const char* kTestbenchModule = "kvx_testbench";
inline constexpr const char* kTestbenchFile = "testbench.v";
inline constexpr const char* kVectorFile = "vectors.mem";
inline constexpr const char* kResultFile = "result.txt";

struct Testbench {
    std::string verilog;   ///< the testbench module
    std::string vectors;   ///< one line per tact for $readmemb: the driven levels, z where inactive
    std::vector<int> compareRows;  ///< row of each column of the result, column 0 at the right end
};

/// A pin fault the testbench can hold: one bit of a port stuck at a level on the chip's side
/// of a signal pin (the model's input as the model sees it, its output as the chip drives it).
struct FaultSite {
    int binding = 0;  ///< index in the bindings
    int pin = 0;      ///< the signal pin
    int level = 0;    ///< 0 or 1
    bool operator==(const FaultSite&) const = default;
};

/// Every fault of the bindings, stuck at 0 and stuck at 1 for each bit bound to a signal pin,
/// in binding order; fault N of the testbench (the plusarg "+fault=N") is element N-1.
std::vector<FaultSite> faultSites(const std::vector<BitBinding>& bindings);

/// The testbench of the current test on the model `top` with these bindings. Every tact drives
/// its levels at its start and samples the outputs at `samplePercent` of the tact (100: just
/// before the next tact begins); a tact lasts the test's tact duration. With `faults`, the
/// plusarg "+fault=N" holds fault N of faultSites (none without it) with force.
Testbench makeTestbench(const model::TestDocument& doc, const ModelInterface& model,
                        const std::vector<BitBinding>& bindings, int samplePercent, bool faults = false);

/// Writes the testbench and its vector file into `folder`; a Russian message on failure.
std::string writeTestbench(const Testbench& bench, const std::string& folder);

struct Mismatch {
    int tact = 0;
    int row = 0;
    char expected = '0';
    char got = '0';  ///< '0', '1', 'x' or 'z'
    bool operator==(const Mismatch&) const = default;
};

struct Comparison {
    bool ok = false;       ///< the result could be read
    std::string error;     ///< Russian message when !ok
    long long compared = 0;
    long long matched = 0;
    std::vector<Mismatch> mismatches;  ///< in tact order, then in column order
};

/// Compares the result the testbench wrote (one line per tact) with the expected levels;
/// an inactive expected level is not compared.
Comparison compareResult(const model::TestDocument& doc, const Testbench& bench, const std::string& result);

/// "Такт 17, вывод 12 (Q2): ожидалось 1, модель дала 0".
std::string mismatchLine(const model::TestDocument& doc, const Mismatch& m);

/// The report: the first `shown` mismatch lines, the count of the others, then
/// "Совпало N из M сравнений"; one line each.
std::vector<std::string> reportLines(const model::TestDocument& doc, const Comparison& c, std::size_t shown = 100);

}  // namespace kvx::modelcheck
