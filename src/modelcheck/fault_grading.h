#pragma once
// The fault coverage of a test on its model: every signal pin the map connects stuck at 0 and
// stuck at 1 at the chip's side, one compiled testbench for all of them (the fault chosen by
// the plusarg "+fault=N"), the runs in parallel, each bounded by the time limit. A fault is
// detected when a compared level of the test differs from the faulty model's response.
// Without a model: what the expected levels alone tell about the output pins.

#include <functional>
#include <string>
#include <vector>

#include "model/test_document.h"
#include "modelcheck/model_check.h"

namespace kvx::modelcheck {

struct GradedFault {
    FaultSite site;
    bool detected = false;
    int firstTact = 0;  ///< the first tact that shows a detected fault
    int row = 0;        ///< the row that shows it first
};

struct GradeOptions {
    CheckOptions check;
    int jobs = 0;  ///< parallel simulations; 0: the number of cores
    /// Called after each fault (from the worker threads, one call at a time): faults done, all faults.
    std::function<void(int, int)> progress;
};

/// Seconds of the grading's steps: the good model's check, the compile, the fault runs.
struct GradeTimes {
    double check = 0;     ///< compiling and simulating the good model, comparing
    double compile = 0;   ///< compiling the testbench with its faults
    double simulate = 0;  ///< all fault simulations, in wall-clock time
    double simulateEach = 0;  ///< the mean simulation of one fault
    double compare = 0;   ///< all comparisons (summed over the threads)
};

struct GradeOutcome {
    bool refused = true;
    bool cancelled = false;
    std::string error;               ///< Russian message; with the check's first mismatches when it failed
    std::vector<std::string> notes;
    std::vector<GradedFault> faults;
    GradeTimes times;
    int detected() const;
    /// 0: every fault detected; 1: some not; 2: refused.
    int exitStatus() const;
};

/// Grades the current test on the model of the options.
GradeOutcome gradeTest(const model::TestDocument& doc, const GradeOptions& options);

/// "Вывод 5 (B2)".
std::string pinTitle(const model::TestDocument& doc, int pin);
/// "Обнаружено 26 из 28 неисправностей (93 %)", then a line per undetected fault ("Вывод 5
/// (B2): константа 1 не обнаруживается"), and with `verbose` a line per detected one with the
/// first tact that shows it.
std::vector<std::string> gradeReport(const model::TestDocument& doc, const GradeOutcome& g, bool verbose);

/// One output pin fault that the expected levels alone show cannot be detected.
struct UnseenFault {
    int row = 0;    ///< the compared row
    int level = 0;  ///< stuck at this level
    bool operator==(const UnseenFault&) const = default;
};
/// The faults of the compared rows that no model is needed to rule out: a row that never
/// expects 1 cannot show its pin stuck at 0, one that never expects 0 cannot show stuck at 1.
std::vector<UnseenFault> faultsWithoutModel(const model::TestDocument& doc);
/// The lines of that analysis, ending with the note that inputs need a model.
std::vector<std::string> withoutModelReport(const model::TestDocument& doc, const std::vector<UnseenFault>& faults);

}  // namespace kvx::modelcheck
