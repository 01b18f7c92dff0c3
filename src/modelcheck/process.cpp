#include "modelcheck/process.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#ifdef _WIN32
#include <process.h>
#else
#include <sys/wait.h>
#endif

namespace kvx::modelcheck {

namespace {

#ifdef _WIN32
/// cmd.exe quoting: the argument between double quotes, inner quotes doubled.
std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

int runShell(const std::string& command) {
    // The command processor drops the outer pair of quotes; the paths inside keep theirs.
    const std::string line = "\"" + command + "\"";
    const std::filesystem::path wide(std::u8string(line.begin(), line.end()));
    return _wsystem(wide.c_str());
}
const char* const kNull = "NUL";
#else
/// POSIX shell quoting: the argument between single quotes, an inner quote as '\''.
std::string quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

int runShell(const std::string& command) {
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
const char* const kNull = "/dev/null";
#endif

}  // namespace

std::string commandLine(const std::vector<std::string>& arguments) {
    std::string line;
    for (const auto& a : arguments) {
        if (!line.empty()) line += ' ';
        line += quoted(a);
    }
    return line;
}

bool programAvailable(const std::string& program) {
#ifdef _WIN32
    return runShell("where " + quoted(program) + " >" + kNull + " 2>&1") == 0;
#else
    return runShell("command -v " + quoted(program) + " >" + std::string(kNull) + " 2>&1") == 0;
#endif
}

ProgramRun runProgram(const std::vector<std::string>& arguments, const std::string& logPath,
                      int timeLimitSeconds) {
    ProgramRun run;
    std::vector<std::string> command = arguments;
#ifndef _WIN32
    // The system's timeout ends the program (and, five seconds later, kills it) with status 124.
    if (timeLimitSeconds > 0 && programAvailable("timeout"))
        command.insert(command.begin(), {"timeout", "-k", "5", std::to_string(timeLimitSeconds)});
#else
    (void)timeLimitSeconds;
#endif
    run.exitCode = runShell(commandLine(command) + " <" + kNull + " >" + quoted(logPath) + " 2>&1");
    std::ifstream in(std::filesystem::path(std::u8string(logPath.begin(), logPath.end())), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    run.output = text.str();
    return run;
}

}  // namespace kvx::modelcheck
