#pragma once
// kvxtool's exchange commands:
//   export-vcd IN -o OUT.vcd
//   import-vcd IN.kvx TRACES.vcd --map MAP -o OUT.kvx [--tact DURATION] [--offset PERCENT]
//   export-wavejson IN -o OUT.json

namespace kvx::tool {

/// Usage lines of the commands for kvxtool's help text.
extern const char* const kExchangeUsage;

/// argv as kvxtool's main got it (argv[1] is the command). Returns 0 on success, 1 when the
/// test file's load showed messages (the command still ran), 2 on bad arguments, an unreadable
/// file, a refused import or a file that could not be written (a one-line reason on stderr).
/// -1 when argv[1] is none of these commands.
int runExchangeCommand(int argc, char** argv);

}  // namespace kvx::tool
