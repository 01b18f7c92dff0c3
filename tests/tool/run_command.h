// Runs a command line through the system's shell and gives the program's exit status.
#pragma once

#include <cstdlib>
#include <string>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace kvx::testing {

#ifdef _WIN32
inline constexpr const char* kNullDevice = "NUL";
// The shell drops the first and the last quote of its command line: one more pair keeps the
// quotes around a path.
inline int runCommand(const std::string& command) { return std::system(("\"" + command + "\"").c_str()); }
#else
inline constexpr const char* kNullDevice = "/dev/null";
inline int runCommand(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

}  // namespace kvx::testing
