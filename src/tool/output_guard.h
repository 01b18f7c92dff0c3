#pragma once
// The refusal of an output that would replace a file the command reads: the test, the test's
// comment file, a model, a map, a trace, a table of values.

#include <string>
#include <vector>

#include "storage/same_file.h"

namespace kvx::tool {

/// Empty when `output` is none of the command's inputs; else the Russian message naming the
/// file. `test` (may be empty) is guarded with its comment file.
std::string refusedOutput(const std::string& output, const std::string& test,
                          std::vector<storage::GuardedFile> others = {});

/// refusedOutput, with the message on standard error: true when the output is refused.
bool outputRefused(const std::string& output, const std::string& test, std::vector<storage::GuardedFile> others = {});

}  // namespace kvx::tool
