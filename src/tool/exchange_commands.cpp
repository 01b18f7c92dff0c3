#include "tool/exchange_commands.h"

#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "exchange/vcd_import.h"
#include "exchange/vcd_writer.h"
#include "exchange/wavejson_writer.h"
#include "tool/output_guard.h"
#include "storage/test_file.h"

namespace kvx::tool {

const char* const kExchangeUsage =
    "  kvxtool export-vcd IN -o OUT.vcd\n"
    "                             the current test of IN as a VCD file: one variable per signal\n"
    "                             row, data words as vectors, one tact = the tact duration in us\n"
    "  kvxtool import-vcd IN.kvx TRACES.vcd --map MAP -o OUT.kvx [--tact T] [--offset P]\n"
    "                             sample the VCD signals named in MAP once per tact into IN and\n"
    "                             write OUT; MAP lines are \"SIGNAL pin N\", \"SIGNAL out N\" (output\n"
    "                             row of I/O pin N) or \"SIGNAL word K\" (data word K, 1-based);\n"
    "                             MAP \"auto\" maps the signals named as export-vcd names them.\n"
    "                             T: tact length in the VCD (\"2us\", \"500ns\"; default: the\n"
    "                             test's tact duration in us); P: sample point in percent of\n"
    "                             the tact (default 100: the end of the tact)\n"
    "  kvxtool export-wavejson IN -o OUT.json\n"
    "                             the current test of IN as WaveJSON for the WaveDrom renderer\n";

namespace {

int fail(const std::string& message) {
    std::cerr << "kvxtool: " << message << "\n";
    return 2;
}

/// Loads a test; 0 clean, 1 with messages, 2 unreadable.
int load(model::TestDocument& doc, const std::string& path) {
    const auto r = storage::loadTestFile(doc, path);
    if (r.status == storage::LoadStatus::Unreadable) return fail(r.reason);
    for (const auto& m : r.messages) std::cerr << "kvxtool: " << m << "\n";
    return r.messages.empty() ? 0 : 1;
}

struct Arguments {
    std::vector<std::string> files;
    std::map<std::string, std::string> options;
    std::string error;
};

Arguments parse(int argc, char** argv, const std::vector<std::string>& known) {
    Arguments a;
    for (int i = 2; i < argc; ++i) {
        const std::string s = argv[i];
        if (s.size() > 1 && s[0] == '-') {
            bool ok = false;
            for (const auto& k : known) ok = ok || k == s;
            if (!ok || i + 1 >= argc) {
                a.error = ok ? "после " + s + " нужно значение" : "непонятный параметр " + s;
                return a;
            }
            a.options[s] = argv[++i];
        } else {
            a.files.push_back(s);
        }
    }
    return a;
}

int exportCommand(int argc, char** argv, bool vcd) {
    const Arguments a = parse(argc, argv, {"-o"});
    if (!a.error.empty()) return fail(a.error);
    if (a.files.size() != 1 || !a.options.count("-o"))
        return fail(std::string("использование: kvxtool ") + argv[1] + " IN -o OUT");
    const std::string& out = a.options.at("-o");
    if (outputRefused(out, a.files[0])) return 2;
    model::TestDocument doc;
    const int status = load(doc, a.files[0]);
    if (status == 2) return 2;
    const std::string error = vcd ? exchange::saveVcd(doc, out, exchange::defaultVcdOptions())
                                  : exchange::saveWaveJson(doc, out);
    if (!error.empty()) return fail(error);
    return status;
}

int importCommand(int argc, char** argv) {
    const Arguments a = parse(argc, argv, {"-o", "--map", "--tact", "--offset"});
    if (!a.error.empty()) return fail(a.error);
    if (a.files.size() != 2 || !a.options.count("-o") || !a.options.count("--map"))
        return fail("использование: kvxtool import-vcd IN.kvx TRACES.vcd --map MAP -o OUT.kvx");
    exchange::ImportOptions options;
    if (auto it = a.options.find("--tact"); it != a.options.end()) {
        const auto fs = exchange::parseDuration(it->second);
        if (!fs) return fail("неверная длительность такта «" + it->second + "»");
        options.tactFs = *fs;
    }
    if (auto it = a.options.find("--offset"); it != a.options.end()) {
        const std::string& p = it->second;
        if (p.empty() || p.size() > 3 || p.find_first_not_of("0123456789") != std::string::npos || std::stoi(p) > 100)
            return fail("момент выборки «" + p + "» должен быть от 0 до 100 процентов такта");
        options.offsetPercent = std::stoi(p);
    }
    if (outputRefused(a.options.at("-o"), a.files[0],
                      {{a.files[1], "файл трассы"}, {a.options.at("--map"), "файл карты"}}))
        return 2;
    model::TestDocument doc;
    const int status = load(doc, a.files[0]);
    if (status == 2) return 2;

    std::vector<exchange::MapEntry> map;
    const std::string& mapPath = a.options.at("--map");
    if (mapPath == "auto") {
        std::string error;
        const auto header = exchange::readVcdHeader(a.files[1], error);
        if (!header) return fail(error);
        map = exchange::suggestMap(doc, *header);
    } else {
        std::ifstream in(mapPath, std::ios::binary);
        if (!in) return fail("Не удалось прочитать файл " + mapPath);
        std::stringstream text;
        text << in.rdbuf();
        std::string error;
        auto parsed = exchange::parseMap(text.str(), error);
        if (!parsed) return fail(mapPath + ": " + error);
        map = std::move(*parsed);
    }
    if (map.empty()) return fail("в карте нет ни одного сигнала");
    doc.events().error = [](const std::string& m) { std::cerr << "kvxtool: " << m << "\n"; };
    const auto result = exchange::importVcdFile(doc, a.files[1], map, options);
    if (!result.ok) return result.errorShown ? 2 : fail(result.error);
    const auto saved = storage::saveTestFile(doc, a.options.at("-o"));
    if (!saved.ok) return fail(saved.error);
    return status;
}

}  // namespace

int runExchangeCommand(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "export-vcd") return exportCommand(argc, argv, true);
    if (command == "export-wavejson") return exportCommand(argc, argv, false);
    if (command == "import-vcd") return importCommand(argc, argv);
    return -1;
}

}  // namespace kvx::tool
