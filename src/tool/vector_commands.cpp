#include "tool/vector_commands.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "storage/file_path.h"
#include "storage/file_replace.h"
#include "storage/same_file.h"
#include "storage/test_file.h"
#include "vectors/vectors.h"
#ifdef KVX_WITH_UI
#include "vectors/ui/vector_database.h"
#endif

namespace kvx::tool {

const char* const kVectorUsage =
    "  kvxtool vectors DB.xml [--filter TEXT]\n"
    "                             list the chips of a vector database (XML) or of a vector or\n"
    "                             JEDEC file: names, pins, vectors, tab-separated; --filter\n"
    "                             keeps the chips one of whose names contains TEXT\n"
    "  kvxtool import-vectors SOURCE [--chip NAME] [--soic] -o OUT.kvx\n"
    "  kvxtool import-vectors DB.xml --all [--soic] -o DIR/\n"
    "                             make the test of a chip's vectors (one character per pin and\n"
    "                             step: 0 1 C K L H Z X N F G V); SOURCE is a database (--chip\n"
    "                             names the chip), a vector file or a JEDEC file; --all writes\n"
    "                             one test per chip into DIR, named after its first name\n"
    "  kvxtool export-vectors TEST.kvx -o OUT.txt|OUT.xml|OUT.jed [--name NAME]\n"
    "                             write the test one vector per tact: a vector file, a database\n"
    "                             entry (appended to OUT.xml when it exists) or JEDEC vectors\n"
    "                             Exit status of the three: 0 when everything was carried over,\n"
    "                             1 when the output was written and standard error lists what\n"
    "                             was not, 2 when nothing was written\n";

namespace {

int fail(const std::string& message) {
    std::cerr << "kvxtool: " << message << "\n";
    return 2;
}

void note(const std::vector<std::string>& notes, const std::string& prefix = {}) {
    for (const auto& n : notes) std::cerr << "kvxtool: " << prefix << n << "\n";
}

struct Arguments {
    std::vector<std::string> files;
    std::map<std::string, std::string> options;
    std::string error;
};

Arguments parse(int argc, char** argv, const std::vector<std::string>& valued, const std::vector<std::string>& flags) {
    Arguments a;
    auto known = [](const std::vector<std::string>& list, const std::string& s) {
        return std::find(list.begin(), list.end(), s) != list.end();
    };
    for (int i = 2; i < argc; ++i) {
        const std::string s = argv[i];
        if (known(flags, s)) {
            a.options[s] = "1";
        } else if (known(valued, s)) {
            if (i + 1 >= argc) {
                a.error = "после " + s + " нужно значение";
                return a;
            }
            a.options[s] = argv[++i];
        } else if (s.size() > 1 && s[0] == '-') {
            a.error = "непонятный параметр " + s;
            return a;
        } else {
            a.files.push_back(s);
        }
    }
    return a;
}

std::string extension(const std::string& path) {
    std::string e = storage::utf8FromPath(storage::pathFromUtf8(path).extension());
    for (char& c : e)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return e;
}

int exportVectors(int argc, char** argv) {
    const Arguments a = parse(argc, argv, {"-o", "--name"}, {});
    if (!a.error.empty()) return fail(a.error);
    if (a.files.size() != 1 || !a.options.count("-o"))
        return fail("использование: kvxtool export-vectors TEST.kvx -o OUT.txt|OUT.xml|OUT.jed [--name NAME]");
    const std::string& in = a.files[0];
    const std::string& out = a.options.at("-o");
    if (const std::string refused = storage::refuseOverwrite(out, {{in, "файл теста"}}); !refused.empty())
        return fail(refused);
    model::TestDocument doc;
    const auto r = storage::loadTestFile(doc, in);
    if (r.status == storage::LoadStatus::Unreadable) return fail(r.reason);
    note(r.messages);
    const std::string name = a.options.count("--name") ? a.options.at("--name") : doc.testName();
    const auto exported = vectors::exportChip(doc, name);
    std::string text;
    const std::string ext = extension(out);
    if (ext == ".jed") {
        text = vectors::jedecText(exported.chip);
    } else if (ext == ".xml") {
        std::error_code ec;
        std::optional<std::string> existing;
        std::string error;
        if (std::filesystem::exists(storage::pathFromUtf8(out), ec)) {
            existing = vectors::readSourceFile(out, error);
            if (!existing) return fail(error);
#ifdef KVX_WITH_UI
            if (!vectors::ui::parseDatabase(*existing, error)) return fail("Файл " + out + ": " + error);
#endif
        }
        const auto db = vectors::databaseText(exported.chip, existing ? &*existing : nullptr, error);
        if (!db) return fail("Файл " + out + ": " + error);
        text = *db;
    } else {
        text = vectors::vectorFileText(exported.chip);
    }
    const auto written = storage::replaceFile(out, text);
    if (!written) return fail(storage::withReason("Не удалось записать файл " + out, written));
    note(exported.notes);
    return exported.notes.empty() && r.messages.empty() ? 0 : 1;
}

/// Every chip of a source; databases need the build with Qt.
std::optional<std::vector<vectors::Chip>> readChips(const std::string& path, std::string& error) {
#ifdef KVX_WITH_UI
    return vectors::ui::readSource(path, error);
#else
    const auto text = vectors::readSourceFile(path, error);
    if (!text) return std::nullopt;
    if (vectors::looksLikeDatabase(*text)) {
        error = "Файл " + path + ": базы векторов (XML) читает сборка с редактором (Qt 6)";
        return std::nullopt;
    }
    auto chip = vectors::readChipFile(*text, path, error);
    if (!chip) {
        error = "Файл " + path + ": " + error;
        return std::nullopt;
    }
    return std::vector<vectors::Chip>{std::move(*chip)};
#endif
}

int listVectors(int argc, char** argv) {
    const Arguments a = parse(argc, argv, {"--filter"}, {});
    if (!a.error.empty()) return fail(a.error);
    if (a.files.size() != 1) return fail("использование: kvxtool vectors DB.xml [--filter TEXT]");
    std::string error;
    const auto chips = readChips(a.files[0], error);
    if (!chips) return fail(error);
    const std::string filter = a.options.count("--filter") ? a.options.at("--filter") : "";
    int refused = 0;
    for (const auto& chip : *chips) {
        if (!chip.matches(filter)) continue;
        std::cout << chip.allNames() << '\t' << chip.pins << '\t' << chip.vectorCount() << '\n';
        if (!chip.error.empty()) {
            std::cerr << "kvxtool: " << chip.allNames() << ": " << chip.error << "\n";
            ++refused;
        }
    }
    return refused ? 1 : 0;
}

/// Writes the test of one chip; the exit status of that chip alone.
int writeChip(const vectors::Chip& chip, bool soic, const std::string& out, const std::string& source,
              const std::string& prefix) {
    if (const std::string refused = storage::refuseOverwrite(out, {{source, "файл векторов"}}); !refused.empty())
        return fail(refused);
    model::TestDocument doc;
    const auto outcome = vectors::importChip(doc, chip, soic);
    if (!outcome.ok) return fail(prefix + outcome.error);
    const auto saved = storage::saveTestFile(doc, out);
    if (!saved.ok) return fail(saved.error);
    note(outcome.notes, prefix);
    return outcome.notes.empty() ? 0 : 1;
}

int importVectors(int argc, char** argv) {
    const Arguments a = parse(argc, argv, {"-o", "--chip"}, {"--soic", "--all"});
    if (!a.error.empty()) return fail(a.error);
    if (a.files.size() != 1 || !a.options.count("-o") || (a.options.count("--all") && a.options.count("--chip")))
        return fail("использование: kvxtool import-vectors SOURCE [--chip NAME] [--soic] -o OUT.kvx | --all -o DIR/");
    const std::string& source = a.files[0];
    const std::string& out = a.options.at("-o");
    const bool soic = a.options.count("--soic") > 0;
    std::string error;
    const auto chips = readChips(source, error);
    if (!chips) return fail(error);
    if (a.options.count("--all")) {
        const auto dir = storage::pathFromUtf8(out);
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        if (!std::filesystem::is_directory(dir, ec)) return fail("Не удалось создать папку " + out);
        std::vector<std::string> taken;
        int status = 0, written = 0;
        for (const auto& chip : *chips) {
            const std::string file = storage::utf8FromPath(dir / storage::pathFromUtf8(
                vectors::safeFileName(chip.names.front(), taken) + ".kvx"));
            const int s = writeChip(chip, soic, file, source, chip.allNames() + ": ");
            if (s != 2) ++written;
            status = std::max(status, s == 2 ? 1 : s);
        }
        return written ? status : 2;
    }
    const vectors::Chip* chip = nullptr;
    if (a.options.count("--chip")) {
        chip = vectors::findChip(*chips, a.options.at("--chip"));
        if (!chip) return fail("Файл " + source + ": микросхемы " + a.options.at("--chip") + " в нём нет");
    } else if (chips->size() == 1) {
        chip = &chips->front();
    } else {
        return fail("Файл " + source + ": в базе " + std::to_string(chips->size()) +
                    " микросхем: назовите одну (--chip NAME) или возьмите все (--all)");
    }
    return writeChip(*chip, soic, out, source, "");
}

}  // namespace

int runVectorCommand(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "export-vectors") return exportVectors(argc, argv);
    if (command == "vectors") return listVectors(argc, argv);
    if (command == "import-vectors") return importVectors(argc, argv);
    return -1;
}

}  // namespace kvx::tool
