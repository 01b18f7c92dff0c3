#pragma once
// Running another program (the simulator) as a separate process and waiting for it, with its
// output kept in a file. Small and portable: the system's shell on POSIX, the command
// processor on Windows.

#include <string>
#include <vector>

namespace kvx::modelcheck {

/// What a finished program left.
struct ProgramRun {
    int exitCode = -1;     ///< the program's exit status; -1 when it did not end normally
    std::string output;    ///< what it wrote to standard output and standard error
};

/// True when `program` is found on the search path.
bool programAvailable(const std::string& program);

/// Exit status of a program stopped because it ran past its time limit.
inline constexpr int kTimedOut = 124;

/// Runs program arguments[0] with the other arguments (UTF-8, passed as they are, without any
/// interpretation by the shell) and waits for it; its output goes through the file `logPath`.
/// With `timeLimitSeconds` above 0 the program is stopped after that time and the run ends with
/// kTimedOut (on POSIX, where the system's `timeout` is at hand; elsewhere there is no limit).
ProgramRun runProgram(const std::vector<std::string>& arguments, const std::string& logPath,
                      int timeLimitSeconds = 0);

/// The command line runProgram gives the shell (shown in messages and tests).
std::string commandLine(const std::vector<std::string>& arguments);

}  // namespace kvx::modelcheck
