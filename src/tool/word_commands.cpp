#include "tool/word_commands.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "functions/formula.h"
#include "model/test_document.h"
#include "storage/test_file.h"
#include "tool/output_guard.h"
#include "words/word_csv.h"

namespace kvx::tool {

namespace {

constexpr const char* kTableUsage = "usage: kvxtool table IN [--word NAME]\n";
constexpr const char* kSetWordsUsage = "usage: kvxtool set-words IN VALUES.csv -o OUT\n";

/// Loads IN; 2 when it cannot be read, 1 when the load showed messages (printed), else 0.
int load(model::TestDocument& doc, const std::string& path) {
    const auto r = storage::loadTestFile(doc, path);
    if (r.status == storage::LoadStatus::Unreadable) {
        std::cerr << "kvxtool: " << r.reason << "\n";
        return 2;
    }
    for (const auto& m : r.messages) std::cerr << "kvxtool: " << path << ": " << m << "\n";
    return r.messages.empty() ? 0 : 1;
}

}  // namespace

int runTable(int argc, char** argv) {
    std::string in;
    std::string word;
    bool wordGiven = false;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--word" && i + 1 < argc) {
            word = argv[++i];
            wordGiven = true;
        } else if (in.empty() && a.rfind("--", 0) != 0) {
            in = a;
        } else {
            std::cerr << kTableUsage;
            return 2;
        }
    }
    if (in.empty()) {
        std::cerr << kTableUsage;
        return 2;
    }
    model::TestDocument doc;
    const int status = load(doc, in);
    if (status == 2) return 2;
    int index = -1;
    if (wordGiven) {
        // The word as a line of the table names it: a name of one word, or name=number.
        const words::WordLabels::Found found = words::WordLabels(doc.dataWords()).find(word);
        if (found.word < 0) {
            if (found.unknown) std::cerr << "kvxtool: в тесте нет Слова Данных \"" << word << "\"\n";
            else std::cerr << "kvxtool: " << found.error << "\n";
            return 1;
        }
        index = found.word;
    }
    std::ios::sync_with_stdio(false);
    words::writeTableCsv(std::cout, doc, index);
    std::cout.flush();
    return status;
}

int runSetWords(int argc, char** argv) {
    if (argc != 6 || std::string(argv[4]) != "-o") {
        std::cerr << kSetWordsUsage;
        return 2;
    }
    const std::string in = argv[2];
    const std::string values = argv[3];
    const std::string out = argv[5];
    if (outputRefused(out, in, {{values, "файл значений"}})) return 2;
    model::TestDocument doc;
    const int status = load(doc, in);
    if (status == 2) return 2;

    std::ifstream csv(std::filesystem::u8path(values), std::ios::binary);
    if (!csv) {
        std::cerr << "kvxtool: не удалось открыть файл " << values << "\n";
        return 2;
    }
    const words::ValuesCsv parsed = words::readValuesCsv(csv, doc);
    if (parsed.error) {
        std::cerr << "kvxtool: " << values << ": " << *parsed.error << "\n";
        return 1;
    }
    words::applyAssignments(doc, parsed.assignments);
    functions::RecalculateFunctionPins(doc);
    const auto saved = storage::saveTestFile(doc, out);
    if (!saved.ok) {
        std::cerr << "kvxtool: " << saved.error << "\n";
        return 2;
    }
    return status;
}

}  // namespace kvx::tool
