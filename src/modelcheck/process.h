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

/// Runs program arguments[0] with the other arguments (UTF-8, passed as they are, without any
/// interpretation by the shell) and waits for it; its output goes through the file `logPath`.
ProgramRun runProgram(const std::vector<std::string>& arguments, const std::string& logPath);

/// The command line runProgram gives the shell (shown in messages and tests).
std::string commandLine(const std::vector<std::string>& arguments);

}  // namespace kvx::modelcheck
