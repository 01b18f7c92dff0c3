#pragma once
// kvxtool's commands for the test vectors of programmers and IC testers:
//   vectors DB.xml [--filter TEXT]
//   import-vectors SOURCE [--chip NAME] [--soic] -o OUT.kvx | --all -o DIR/
//   export-vectors TEST.kvx -o OUT.txt|OUT.xml|OUT.jed [--name NAME]

namespace kvx::tool {

/// Usage lines of the commands for kvxtool's help text.
extern const char* const kVectorUsage;

/// argv as kvxtool's main got it (argv[1] is the command). 0 when everything was carried
/// over, 1 when something was written with notes (on standard error), 2 when nothing was
/// written. -1 when argv[1] is none of the commands.
int runVectorCommand(int argc, char** argv);

}  // namespace kvx::tool
