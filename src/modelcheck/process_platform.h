#pragma once
// The part of the process runner that differs between POSIX and Windows
// (process_posix.cpp, process_win32.cpp).

#include <string>
#include <vector>

#include "modelcheck/process.h"

namespace kvx::modelcheck::platform {

/// Starts the program, waits for it and stops its whole tree past the time limit or when a stop
/// is requested. The output stays in the log file (read by the caller); `output` gets only a
/// message of the runner itself, e.g. when the program could not be started.
ProgramRun spawnAndWait(const std::vector<std::string>& arguments, const std::string& logPath,
                        const RunOptions& options);

/// True when the control was cancelled or stopAllRuns was called.
bool stopRequested(const RunControl* control);

/// The time between two looks at a running program: short first, so that quick runs end
/// quickly, then longer so that a long run costs nothing.
inline int pollMilliseconds(int looks) { return looks < 20 ? 1 : looks < 60 ? 5 : 20; }

}  // namespace kvx::modelcheck::platform
