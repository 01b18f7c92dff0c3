#pragma once
// Running another program (the simulator) as a separate process and waiting for it, with its
// output kept in a file. The program is started directly (no shell), in a folder of its own
// when asked, and is stopped with every process it started when it runs past its time limit
// or when the run is cancelled, from another thread or by a termination signal.

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

namespace kvx::modelcheck {

/// What a finished program left.
struct ProgramRun {
    int exitCode = -1;       ///< the program's exit status; -1 when it did not end normally
    std::string output;      ///< what it wrote to standard output and standard error
    bool timedOut = false;   ///< stopped after its time limit (exitCode is then kTimedOut)
    bool cancelled = false;  ///< stopped because the run was cancelled
    bool started = true;     ///< false: the program could not be started (not found)
    double seconds = 0;      ///< how long it ran
};

/// True when `program` is found on the search path (on Windows also with ".exe").
bool programAvailable(const std::string& program);

/// Exit status of a program stopped because it ran past its time limit.
inline constexpr int kTimedOut = 124;

/// Cancels runs from any thread and tells how long the current run has lasted. One control
/// may serve several runs, also at once (the runs of a grading); a cancelled control stops
/// every run that uses it, and every later one at once, until reset().
class RunControl {
public:
    void cancel() { cancelled_.store(true); }
    bool cancelled() const { return cancelled_.load(); }
    void reset() { cancelled_.store(false); }
    /// Seconds since the last program using this control started; 0 before the first.
    double elapsedSeconds() const;
    /// True while a program using this control runs.
    bool running() const { return running_.load() > 0; }

    /// Kept by runProgram.
    void programStarted();
    void programEnded() { running_.fetch_sub(1); }

private:
    std::atomic<bool> cancelled_{false};
    std::atomic<int> running_{0};
    std::atomic<long long> startedNs_{-1};
};

struct RunOptions {
    int timeLimitSeconds = 0;    ///< the program is stopped after this time (0: never)
    std::string workFolder;      ///< the program runs in this folder (empty: the current one)
    RunControl* control = nullptr;
};

/// Runs program arguments[0] (looked up on the search path) with the other arguments (UTF-8,
/// passed as they are) and waits for it; its output goes through the file `logPath`, its input
/// is empty. A run past the time limit ends with timedOut and kTimedOut; a cancelled run, or a
/// run while stopAllRuns() holds, ends with cancelled. The program and all it started are stopped.
ProgramRun runProgram(const std::vector<std::string>& arguments, const std::string& logPath,
                      const RunOptions& options);
ProgramRun runProgram(const std::vector<std::string>& arguments, const std::string& logPath,
                      int timeLimitSeconds = 0);

/// Cancels every run of this process, now and later (safe in a signal handler).
void stopAllRuns(int signal = 0);
/// The signal given to stopAllRuns (0: none; -1: stopped without a signal number).
int runsStoppedBySignal();
/// SIGINT and SIGTERM (Ctrl+C and the closing of the console on Windows) call stopAllRuns,
/// so that the simulator stops and the work folders are removed before the program ends.
void stopRunsOnTerminationSignals();

/// The command line of the arguments as a POSIX shell would read it (shown in messages and tests).
std::string commandLine(const std::vector<std::string>& arguments);

}  // namespace kvx::modelcheck
