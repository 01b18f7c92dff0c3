#include "modelcheck/process.h"

#include <fstream>
#include <sstream>
#include <string>

#include "modelcheck/process_platform.h"
#include "storage/file_path.h"

namespace kvx::modelcheck {

namespace {

/// Lock-free, so that a signal handler may set it.
std::atomic<int> stoppedBySignal{0};

long long nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

/// POSIX shell quoting: the argument between single quotes, an inner quote as '\''.
std::string quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace

double RunControl::elapsedSeconds() const {
    const long long started = startedNs_.load();
    return started < 0 ? 0.0 : static_cast<double>(nowNs() - started) / 1e9;
}

void RunControl::programStarted() {
    startedNs_.store(nowNs());
    running_.fetch_add(1);
}

void stopAllRuns(int signal) { stoppedBySignal.store(signal == 0 ? -1 : signal); }

int runsStoppedBySignal() { return stoppedBySignal.load(); }

namespace platform {

bool stopRequested(const RunControl* control) {
    return stoppedBySignal.load() != 0 || (control && control->cancelled());
}

}  // namespace platform

std::string commandLine(const std::vector<std::string>& arguments) {
    std::string line;
    for (const auto& a : arguments) {
        if (!line.empty()) line += ' ';
        line += quoted(a);
    }
    return line;
}

ProgramRun runProgram(const std::vector<std::string>& arguments, const std::string& logPath,
                      const RunOptions& options) {
    ProgramRun run;
    if (arguments.empty() || platform::stopRequested(options.control)) {
        run.cancelled = !arguments.empty();
        run.started = false;
        return run;
    }
    const auto began = std::chrono::steady_clock::now();
    if (options.control) options.control->programStarted();
    run = platform::spawnAndWait(arguments, logPath, options);
    if (options.control) options.control->programEnded();
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    if (run.timedOut) run.exitCode = kTimedOut;
    std::ifstream in(storage::pathFromUtf8(logPath), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    run.output += text.str();
    return run;
}

ProgramRun runProgram(const std::vector<std::string>& arguments, const std::string& logPath,
                      int timeLimitSeconds) {
    RunOptions options;
    options.timeLimitSeconds = timeLimitSeconds;
    return runProgram(arguments, logPath, options);
}

}  // namespace kvx::modelcheck
