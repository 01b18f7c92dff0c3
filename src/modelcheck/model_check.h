#pragma once
// Proving a test on a chip's model with Icarus Verilog: the model is compiled to learn its
// ports, the map binds them to the rows of the test, the testbench and its vectors are
// written, compiled with the model and simulated, and the sampled outputs are compared
// with the expected levels.

#include <optional>
#include <string>
#include <vector>

#include "exchange/vcd_import.h"
#include "model/test_document.h"
#include "modelcheck/model_ports.h"
#include "modelcheck/port_map.h"
#include "modelcheck/testbench.h"

namespace kvx::modelcheck {

inline constexpr const char* kCompiler = "iverilog";
inline constexpr const char* kSimulator = "vvp";
/// What to do when the simulator is not installed.
inline constexpr const char* kNoSimulator =
    "Не найден симулятор Icarus Verilog (программы iverilog и vvp): установите его (в Debian и Ubuntu — пакет "
    "iverilog, для Windows — установщик с сайта bleyer.org/icarus) и повторите проверку";

struct CheckOptions {
    std::vector<std::string> models;  ///< Verilog files of the model
    std::string top;                  ///< top module; empty: the only one of the files
    bool autoMap = true;              ///< find the map from the names
    std::vector<exchange::MapEntry> map;  ///< the map when !autoMap
    int samplePercent = 100;
    std::string vcdPath;              ///< keep the simulation trace here (empty: no trace)
    int timeLimitSeconds = 600;       ///< the simulation is stopped after this time (0: never)
    std::string workFolder;           ///< where the files go; empty: a temporary folder, removed afterwards
};

/// Seconds spent in each step.
struct CheckTimes {
    double prepare = 0;   ///< compiling the model alone, the map, the testbench and its vectors
    double compile = 0;   ///< compiling the testbench with the model
    double simulate = 0;
    double compare = 0;
};

struct CheckOutcome {
    bool refused = true;           ///< the files, the map or the simulator refused; see error
    std::string error;             ///< Russian message (with the simulator's own one)
    std::vector<std::string> notes;
    Comparison comparison;
    CheckTimes times;
    /// 0: every comparison matched; 1: mismatches; 2: refused.
    int exitStatus() const { return refused ? 2 : comparison.mismatches.empty() ? 0 : 1; }
};

/// The files of the model as the compiler reads them: nullopt with the message when they do not compile.
std::optional<ModelInterface> compileModelInterface(const std::vector<std::string>& models, const std::string& top,
                                                    const std::string& folder, std::string& error);

/// The bindings of the options' map (or the automatic one) on the model.
std::optional<std::vector<BitBinding>> bindingsFor(const model::TestDocument& doc, const ModelInterface& model,
                                                   const CheckOptions& options, std::string& error,
                                                   std::vector<std::string>* notes);

/// The whole check of the current test.
CheckOutcome checkModel(const model::TestDocument& doc, const CheckOptions& options);

}  // namespace kvx::modelcheck
