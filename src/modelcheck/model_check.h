#pragma once
// Proving a test on a chip's model with Icarus Verilog: the model is compiled to learn its
// ports, the map binds them to the rows of the test, the testbench and its vectors are
// written, compiled with the model and simulated, and the sampled outputs are compared
// with the expected levels.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "exchange/vcd_import.h"
#include "model/test_document.h"
#include "modelcheck/model_ports.h"
#include "modelcheck/port_map.h"
#include "modelcheck/process.h"
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
    RunControl* control = nullptr;    ///< cancels the check from another thread, tells the elapsed time
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
    bool cancelled = false;        ///< refused because the check was cancelled
    /// 0: every comparison matched; 1: mismatches; 2: refused.
    int exitStatus() const { return refused ? 2 : comparison.mismatches.empty() ? 0 : 1; }
};

/// A work folder: the given one, or a new folder under the system's temporary folder that is
/// removed with the object.
struct WorkFolder {
    std::filesystem::path path;
    bool temporary = false;
    explicit WorkFolder(const std::string& given = {});
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
};

/// Message of a check that was cancelled.
inline constexpr const char* kCheckCancelled = "Проверка прервана";

/// The files of the model as the compiler reads them: nullopt with the message when they do not compile.
/// The compiler runs in `folder` (its files stay there) on copies of the model files with ASCII names.
std::optional<ModelInterface> compileModelInterface(const std::vector<std::string>& models, const std::string& top,
                                                    const std::string& folder, std::string& error,
                                                    RunControl* control = nullptr);

/// The model files copied into a work folder under names every simulator takes ("model1.v"),
/// so that neither a Cyrillic folder nor a Cyrillic file name reaches the simulator.
struct ModelCopies {
    std::vector<std::string> names;      ///< relative to the work folder, in the order of the files
    std::vector<std::string> includes;   ///< "-I" folders for `include of the originals' folders
    std::vector<std::string> originals;
    /// The simulator's message with the copies named by their original paths.
    std::string restoreNames(std::string message) const;
};
/// Copies the files into `folder`; nullopt with a Russian message when a file cannot be read.
std::optional<ModelCopies> copyModels(const std::vector<std::string>& models, const std::string& folder,
                                      std::string& error);

/// The bindings of the options' map (or the automatic one) on the model.
std::optional<std::vector<BitBinding>> bindingsFor(const model::TestDocument& doc, const ModelInterface& model,
                                                   const CheckOptions& options, std::string& error,
                                                   std::vector<std::string>* notes);

/// A testbench compiled with the model in a work folder ("check.vvp"), ready to be simulated
/// once (the check, the fill) or once per fault (the grading).
struct CompiledCheck {
    ModelInterface model;
    std::vector<BitBinding> bindings;
    Testbench bench;
    ModelCopies copies;
};
/// The model's ports, the bindings, the testbench (with its faults when asked) compiled in
/// `dir`; nullopt with out.error (out.cancelled, out.notes, out.times.prepare and compile kept).
std::optional<CompiledCheck> compileCheck(const model::TestDocument& doc, const CheckOptions& options,
                                         const std::filesystem::path& dir, bool faults, CheckOutcome& out);

/// One simulation of a compiled check.
struct SimulationRun {
    std::string error;     ///< Russian message when it did not run to its end
    bool cancelled = false;
    bool timedOut = false; ///< stopped after the options' time limit
    std::string result;    ///< what the testbench wrote, one line per tact
    std::string log;       ///< the simulator's own messages
    double seconds = 0;
};
/// Simulates the compiled check with further plusargs within the options' time limit. A
/// non-empty `tag` keeps the run's files apart from parallel runs and removes them afterwards.
SimulationRun simulateCheck(const CompiledCheck& check, const std::filesystem::path& dir, const CheckOptions& options,
                            const std::vector<std::string>& plusargs, const std::string& tag);

/// The whole check of the current test.
CheckOutcome checkModel(const model::TestDocument& doc, const CheckOptions& options);

}  // namespace kvx::modelcheck
