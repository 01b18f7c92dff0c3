// kvxtool: the editor's reader and writer on the command line, for scripts and for
// checking test libraries.

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "model/test_document.h"
#include "storage/test_file.h"
#include "tool/expand_command.h"
#include "tool/json_dump.h"
#ifdef KVX_WITH_UI
#include "tool/render_command.h"
#endif

namespace {

const char* kUsage =
    "kvxtool - test files of the KVX test editor from the command line\n"
    "\n"
    "Usage:\n"
    "  kvxtool new OUT            write the test that \"New file\" gives (8 pins, 26 tacts,\n"
    "                             default test parameters) to OUT\n"
    "  kvxtool resave IN OUT      load IN as the editor does and write it with the editor's writer\n"
    "  kvxtool dump IN            load IN and print it as one JSON object (UTF-8): fileName,\n"
    "                             testName, testCount, tactCount, package, pins, rows (display\n"
    "                             order of the current test with levels 0/1/2 per tact),\n"
    "                             dataWords, activeAlgorithm, algorithms, testParameters,\n"
    "                             descriptionFile and messages (what the load would show)\n"
    "  kvxtool render IN -o OUT.png [--width W] [--height H]\n"
    "                             draw the diagram canvas of IN as the editor draws it\n"
    "  kvxtool expand IN -o OUT   load IN, expand its cyclic, ROM or RAM algorithm into the\n"
    "                             diagram as the algorithms dialog does with \"Показать результат\"\n"
    "                             on (the drawn diagram is the whole test) and write OUT; the\n"
    "                             standard algorithm leaves the test as it is\n"
    "  kvxtool --help             this text\n"
    "\n"
    "Exit status of dump and resave: 0 when the load showed no message, 1 when it showed one\n"
    "(the document is still dumped or written), 2 when the file could not be read at all or\n"
    "OUT could not be written (with a one-line reason on standard error).\n";

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
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    const std::string command = argv[1];
    kvx::model::TestDocument doc;
    if (command == "new" && argc == 3) {
        doc.testParameters().resetToDefaults();
        doc.clearDocument();
        return save(doc, argv[2]);
    }
    if (command == "resave" && argc == 4) {
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
    if (command == "expand") return kvx::tool::runExpand(argc, argv);
    if (command == "render") {
#ifdef KVX_WITH_UI
        return kvx::tool::runRender(argc, argv);
#else
        std::cerr << "kvxtool: render needs the build with the editor (Qt 6)\n";
        return 2;
#endif
    }
    std::fputs(kUsage, stderr);
    return 2;
}
