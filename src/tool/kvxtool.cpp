// kvxtool: the editor's reader and writer on the command line, for scripts and for
// checking test libraries.

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "model/test_document.h"
#include "storage/test_file.h"
#include "tool/exchange_commands.h"
#include "tool/expand_command.h"
#include "tool/json_dump.h"
#include "tool/model_commands.h"
#include "tool/new_command.h"
#include "tool/output_guard.h"
#include "tool/word_commands.h"
#include "tool/open_in_editor_command.h"
#include "tool/sheet_command.h"
#include "tool/utf8_arguments.h"
#include "tool/console_output.h"
#include "tool/vector_commands.h"
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif
#ifdef KVX_WITH_UI
#include "tool/render_command.h"
#endif

namespace {

const char* kUsage =
    "kvxtool - test files of the KVX test editor from the command line\n"
    "\n"
    "Usage:\n"
    "  kvxtool new OUT [--package DIP16|SOIC28|... [--vcc N] [--gnd N]]\n"
    "                             write the test that \"New file\" gives (8 pins, 26 tacts,\n"
    "                             default test parameters) to OUT; with --package, the test\n"
    "                             that the package dialog then gives (VCC N and GND N/2\n"
    "                             unless given); bad options: exit status 2\n"
    "  kvxtool resave IN OUT      load IN as the editor does and write it with the editor's writer\n"
    "  kvxtool dump IN            load IN and print it as one JSON object (UTF-8): fileName,\n"
    "                             testName, testCount, tactCount, package, pins, rows (display\n"
    "                             order of the current test with levels 0/1/2 per tact),\n"
    "                             dataWords, activeAlgorithm, algorithms, testParameters,\n"
    "                             descriptionFile and messages (what the load would show)\n"
    "  kvxtool render IN -o OUT.png|OUT.svg [--width W] [--height H] [--words] [--time]\n"
    "                             draw the diagram of IN as the editor draws it; --words adds a\n"
    "                             lane per data word, --time labels the ruler in microseconds\n"
    "%s"
    "  kvxtool table IN [--word NAME]\n"
    "                             print the data table of IN as CSV (UTF-8): the header line\n"
    "                             \"№,Слово Данных,Данные\", then one line per tact and data word\n"
    "                             (or only the word NAME), values as the table shows them; a\n"
    "                             name that several words share is written NAME=NUMBER, the\n"
    "                             word's place in the word list counted from 1 (D=2)\n"
    "  kvxtool set-words IN VALUES.csv -o OUT\n"
    "                             write the values of VALUES.csv (lines \"tact,word name,value\",\n"
    "                             the header line allowed) into the data words of IN as the\n"
    "                             table does, recompute the function rows and save to OUT; a\n"
    "                             value \"Неопеделено\" changes nothing. A name that several words\n"
    "                             share must be given as NAME=NUMBER. A bad line is reported\n"
    "                             with its number, exit status 1, and nothing is written\n"
    "  kvxtool open-in-editor FILE\n"
    "                             have the running editor open FILE (as another program of the\n"
    "                             tester family does); exit status 0 when the editor took the\n"
    "                             request, 3 when no editor runs, 4 when no running editor\n"
    "                             took it, 2 when it could not be made\n"
    "  kvxtool expand IN -o OUT   load IN, expand its cyclic, ROM or RAM algorithm into the\n"
    "                             diagram as the algorithms dialog does with \"Показать результат\"\n"
    "                             on (the drawn diagram is the whole test) and write OUT; the\n"
    "                             standard algorithm leaves the test as it is; refused\n"
    "                             settings: exit status 2, nothing written; values the\n"
    "                             reader could not read: written, exit status 1\n"
    "%s"
    "%m"
    "%v"
    "  kvxtool --help             this text\n"
    "\n"
    "Exit status of dump, resave, table and set-words: 0 when the load showed no message, 1\n"
    "when it showed one (the document is still dumped or written), 2 when the file could not\n"
    "be read at all or OUT could not be written (with a one-line reason on standard error).\n";

/// The help text with the sheet and exchange commands in their place.
std::string usage() {
    std::string u = kUsage;
    u.replace(u.find("%s"), 2, kvx::tool::kSheetUsage);
    u.replace(u.find("%s"), 2, kvx::tool::kExchangeUsage);
    u.replace(u.find("%m"), 2, kvx::tool::kModelUsage);
    u.replace(u.find("%v"), 2, kvx::tool::kVectorUsage);
    return u;
}

int loadStatus(const kvx::storage::LoadResult& r) {
    if (r.status == kvx::storage::LoadStatus::Unreadable) {
        std::cerr << "kvxtool: " << r.reason << "\n";
        return 2;
    }
    return r.messages.empty() ? 0 : 1;
}

int save(kvx::model::TestDocument& doc, const std::string& out) {
    const auto saved = kvx::storage::saveTestFile(doc, out);
    if (!saved.ok) {
        std::cerr << "kvxtool: " << saved.error << "\n";
        return 2;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    kvx::tool::Utf8Arguments arguments(argc, argv);
    argc = arguments.argc();
    argv = arguments.argv();
#ifdef _WIN32
    // What goes to standard output (tables, dumps) has the same bytes on every system.
    _setmode(_fileno(stdout), _O_BINARY);
    // A tool for scripts: no system box waits for a click (missing files, crashes).
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
#endif
    kvx::tool::useConsoleText();
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        (argc < 2 ? std::cerr : std::cout) << usage();
        return argc < 2 ? 2 : 0;
    }
    const std::string command = argv[1];
    kvx::model::TestDocument doc;
    if (command == "new") return kvx::tool::runNew({argv + 2, argv + argc});
    if (command == "resave" && argc == 4) {
        if (kvx::tool::outputRefused(argv[3], argv[2])) return 2;
        const auto r = kvx::storage::loadTestFile(doc, argv[2]);
        const int status = loadStatus(r);
        if (status == 2) return 2;
        if (save(doc, argv[3]) != 0) return 2;
        return status;
    }
    if (command == "dump" && argc == 3) {
        const auto r = kvx::storage::loadTestFile(doc, argv[2]);
        const int status = loadStatus(r);
        if (status == 2) return 2;
        std::cout << kvx::tool::dumpJson(doc, r.messages) << "\n";
        return status;
    }
    if (command == "table") return kvx::tool::runTable(argc, argv);
    if (command == "set-words") return kvx::tool::runSetWords(argc, argv);
    if (command == "open-in-editor" && argc == 3) {
        auto tools = kvx::tool::systemHandoffTools();
        if (!tools.channel) {
            std::cerr << "kvxtool: open-in-editor needs the build with the editor (Qt 6) or Windows\n";
            return 2;
        }
        return kvx::tool::runOpenInEditor(argv[2], *tools.channel, *tools.settings);
    }
    if (command == "expand") return kvx::tool::runExpand(argc, argv);
    if (command == "render") {
#ifdef KVX_WITH_UI
        return kvx::tool::runRender(argc, argv);
#else
        std::cerr << "kvxtool: render needs the build with the editor (Qt 6)\n";
        return 2;
#endif
    }
    if (command == "sheet") {
#ifdef KVX_WITH_UI
        return kvx::tool::runSheet(argc, argv);
#else
        std::cerr << "kvxtool: sheet needs the build with the editor (Qt 6)\n";
        return 2;
#endif
    }
    if (const int exchanged = kvx::tool::runExchangeCommand(argc, argv); exchanged >= 0) return exchanged;
    if (const int checked = kvx::tool::runModelCommand(argc, argv); checked >= 0) return checked;
    if (const int vectors = kvx::tool::runVectorCommand(argc, argv); vectors >= 0) return vectors;
    std::cerr << usage();
    return 2;
}
