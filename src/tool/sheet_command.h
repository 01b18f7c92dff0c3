#pragma once
// "kvxtool sheet TEST.kvx -o OUT.pdf [--tacts A-B] [--page A4|A3] [--landscape]": the test
// sheet as the editor prints it, written as a PDF file.

namespace kvx::tool {

inline constexpr const char* kSheetUsage =
    "  kvxtool sheet IN -o OUT.pdf [--tacts A-B] [--page A4|A3] [--landscape]\n"
    "                             write the test sheet of IN as PDF, as \"Печать...\" prints it:\n"
    "                             the test's fields, pins, data words, algorithm and comment,\n"
    "                             then the diagram of tacts A-B (all by default) page after page;\n"
    "                             a sheet of more than 1000 pages is refused (give --tacts), and\n"
    "                             so is OUT when it is IN or IN's comment file; exit status 2\n"
    "                             and nothing written on any refusal; 1 when the load showed\n"
    "                             messages (on standard error; the sheet is written)\n";

/// argv as kvxtool's main got it (argv[1] is "sheet"). Returns 0 when the PDF was written, 1
/// when it was written of a test whose load showed messages, 2 on bad arguments, an
/// unreadable test, a sheet too long, an output that is an input, or a file that could not
/// be written.
int runSheet(int argc, char** argv);

}  // namespace kvx::tool
