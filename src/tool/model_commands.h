#pragma once
// kvxtool's commands that prove a test on a chip's Verilog model:
//   check-model TEST.kvx MODEL.v [MORE.v...] [--top MODULE] [--map FILE|auto] [--sample P] [--vcd TRACE.vcd]
//   export-testbench TEST.kvx [MODEL.v...] [--top MODULE] [--map FILE|auto] [--sample P] -o DIR

namespace kvx::tool {

/// Usage lines of the commands for kvxtool's help text.
extern const char* const kModelUsage;

/// argv as kvxtool's main got it (argv[1] is the command). check-model: 0 when the model
/// gives every expected level, 1 on mismatches, 2 when the files, the map or the simulator
/// refuse; export-testbench: 0 or 2. -1 when argv[1] is neither command.
int runModelCommand(int argc, char** argv);

}  // namespace kvx::tool
