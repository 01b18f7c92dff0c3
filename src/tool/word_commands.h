#pragma once
// kvxtool's data word commands: "table" prints the data table as CSV, "set-words" writes word
// values from a CSV file into a test.

namespace kvx::tool {

/// kvxtool table IN [--word NAME or NAME=NUMBER]
int runTable(int argc, char** argv);
/// kvxtool set-words IN VALUES.csv -o OUT
int runSetWords(int argc, char** argv);

}  // namespace kvx::tool
