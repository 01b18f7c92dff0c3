#include "tool/model_commands.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "exchange/exchange_signals.h"
#include "modelcheck/fault_grading.h"
#include "modelcheck/fill_from_model.h"
#include "modelcheck/model_check.h"
#include "storage/file_path.h"
#include "storage/test_file.h"
#include "tool/output_guard.h"

namespace kvx::tool {

const char* const kModelUsage =
    "  kvxtool check-model TEST.kvx MODEL.v [MORE.v...] [--top MODULE] [--map MAP|auto]\n"
    "                             [--sample P] [--vcd TRACE.vcd] [--time-limit S]\n"
    "                             run the test on a Verilog model of the chip with Icarus Verilog:\n"
    "                             each tact drives the input rows (z where inactive), the outputs\n"
    "                             are compared at P percent of the tact (default 100: just before\n"
    "                             the next tact). MAP lines are \"PORT pin N\", \"PORT out N\" or\n"
    "                             \"PORT word K\" as for import-vcd; auto (the default) maps ports\n"
    "                             named like pins, p<N>, pin<N>, VCC, GND and data words. One line\n"
    "                             per mismatch (the first 100), then \"Совпало N из M сравнений\";\n"
    "                             exit status 0: all match, 1: mismatches, 2: refused files or map,\n"
    "                             or a simulation that ran past S seconds (default 600)\n"
    "  kvxtool export-testbench TEST.kvx [MODEL.v...] [--top MODULE] [--map MAP|auto] [--sample P]\n"
    "                             -o DIR\n"
    "                             write the testbench (testbench.v) and its vectors (vectors.mem)\n"
    "                             for other simulators; without MODEL.v the model's ports are\n"
    "                             named after the pins (p<N> for a pin without a usable name) and\n"
    "                             the module is MODULE (default chip)\n"
    "  kvxtool fill-from-model TEST.kvx MODEL.v [MORE.v...] [--top MODULE] [--map MAP|auto]\n"
    "                             [--sample P] [--tacts A-B] [--time-limit S] -o OUT.kvx\n"
    "                             write the model's levels into the compared rows (O pins, output\n"
    "                             rows of I/O pins where the test does not drive the pin) of tacts\n"
    "                             A..B (default all): 0 and 1 as levels, x and z as inactive; says\n"
    "                             \"Заполнено N уровней, изменено M\"; exit status 2: refused\n"
    "  kvxtool grade TEST.kvx [MODEL.v...] [--top MODULE] [--map MAP|auto] [--sample P]\n"
    "                             [--jobs N] [--time-limit S] [--verbose]\n"
    "                             fault coverage: each signal pin the map connects stuck at 0 and\n"
    "                             at 1 inside the chip, one simulation per fault (N at a time,\n"
    "                             default the number of cores); prints \"Обнаружено K из M\n"
    "                             неисправностей (P %)\" and each fault the test does not detect\n"
    "                             (--verbose: the first tact of each detected one). Exit status 0:\n"
    "                             all detected, 1: some not, 2: refused or the test fails on the\n"
    "                             model. Without MODEL.v: the output faults the expected levels\n"
    "                             alone rule out\n";

namespace {

using modelcheck::ModelInterface;
using modelcheck::ModelPort;
using modelcheck::PortDirection;

int fail(const std::string& message) {
    std::cerr << "kvxtool: " << message << "\n";
    return 2;
}

std::filesystem::path fsPath(const std::string& utf8) { return storage::pathFromUtf8(utf8); }

struct Arguments {
    std::vector<std::string> files;
    std::map<std::string, std::string> options;
    std::string error;
};

Arguments parse(int argc, char** argv, const std::set<std::string>& known) {
    Arguments a;
    for (int i = 2; i < argc; ++i) {
        const std::string s = argv[i];
        if (s.size() > 1 && s[0] == '-') {
            if (!known.count(s) || i + 1 >= argc) {
                a.error = known.count(s) ? "после " + s + " нужно значение" : "непонятный параметр " + s;
                return a;
            }
            a.options[s] = argv[++i];
        } else {
            a.files.push_back(s);
        }
    }
    return a;
}

/// The options shared by both commands; an empty text, or the reason they are refused.
std::string readOptions(const Arguments& a, modelcheck::CheckOptions& o) {
    o.models.assign(a.files.begin() + 1, a.files.end());
    if (auto it = a.options.find("--top"); it != a.options.end()) o.top = it->second;
    if (auto it = a.options.find("--sample"); it != a.options.end()) {
        const std::string& p = it->second;
        if (p.empty() || p.size() > 3 || p.find_first_not_of("0123456789") != std::string::npos || std::stoi(p) > 100)
            return "момент сравнения «" + p + "» должен быть от 0 до 100 процентов такта";
        o.samplePercent = std::stoi(p);
    }
    if (auto it = a.options.find("--map"); it != a.options.end() && it->second != "auto") {
        std::ifstream in(fsPath(it->second), std::ios::binary);
        if (!in) return "Не удалось прочитать файл " + it->second;
        std::stringstream text;
        text << in.rdbuf();
        std::string error;
        auto parsed = exchange::parseMap(text.str(), error);
        if (!parsed) return it->second + ": " + error;
        if (parsed->empty()) return it->second + ": в карте нет ни одного порта";
        o.autoMap = false;
        o.map = std::move(*parsed);
    }
    return {};
}

/// The files a model command reads, besides the test: its models and its map.
std::vector<storage::GuardedFile> modelInputs(const Arguments& a) {
    std::vector<storage::GuardedFile> out;
    for (std::size_t i = 1; i < a.files.size(); ++i) out.push_back({a.files[i], "файл модели"});
    if (auto it = a.options.find("--map"); it != a.options.end() && it->second != "auto")
        out.push_back({it->second, "файл карты"});
    return out;
}

/// The end of a command that a termination signal stopped: the status a shell expects.
int stoppedStatus() {
    const int signal = modelcheck::runsStoppedBySignal();
    return signal > 0 ? 128 + signal : 2;
}

/// Loads the test; load messages are shown and the command goes on. False when unreadable.
bool load(model::TestDocument& doc, const std::string& path) {
    const auto r = storage::loadTestFile(doc, path);
    if (r.status == storage::LoadStatus::Unreadable) {
        fail(r.reason);
        return false;
    }
    for (const auto& m : r.messages) std::cerr << "kvxtool: " << m << "\n";
    return true;
}

bool plainName(const std::string& s) {
    if (s.empty() || (s[0] >= '0' && s[0] <= '9')) return false;
    for (char c : s)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) return false;
    return true;
}

/// The ports a model of the test would have when none is given: one per signal pin.
ModelInterface portsOfTest(const model::TestDocument& doc, const std::string& top) {
    ModelInterface m;
    m.top = top.empty() ? "chip" : top;
    std::map<std::string, int> uses;  // case-insensitive: the automatic map must find each name once
    auto lower = [](std::string s) {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return s;
    };
    for (int n = 1; n <= doc.pinCount(); ++n) {
        ++uses[lower(doc.pin(n).pinName)];
        ++uses[lower(doc.pin(n).pinType)];  // a supply pin is called by its type when it is the only one
    }
    for (int n = 1; n <= doc.pinCount(); ++n) {
        const auto& pin = doc.pin(n);
        if (pin.pinType == model::PinType::NotConnected) continue;
        ModelPort p;
        const bool named = plainName(pin.pinName) && uses[lower(pin.pinName)] == 1;
        const bool supply = pin.pinType == model::PinType::Supply || pin.pinType == model::PinType::Ground;
        p.name = named                                                ? pin.pinName
                 : supply && pin.pinName.empty() && uses[lower(pin.pinType)] == 1 ? pin.pinType
                                                                                  : "p" + std::to_string(n);
        p.direction = pin.pinType == model::PinType::InOut ? PortDirection::InOut
                      : exchange::isExpectedRow(doc, n) ? PortDirection::Output
                                                        : PortDirection::Input;
        m.ports.push_back(p);
    }
    m.roots = {m.top};
    return m;
}

int exportTestbench(int argc, char** argv) {
    const Arguments a = parse(argc, argv, {"-o", "--top", "--map", "--sample"});
    if (!a.error.empty()) return fail(a.error);
    if (a.files.empty() || !a.options.count("-o"))
        return fail("использование: kvxtool export-testbench TEST.kvx [MODEL.v...] -o DIR");
    modelcheck::CheckOptions options;
    if (const std::string e = readOptions(a, options); !e.empty()) return fail(e);
    model::TestDocument doc;
    if (!load(doc, a.files[0])) return 2;
    const std::string dir = a.options.at("-o");
    for (const char* name : {modelcheck::kTestbenchFile, modelcheck::kVectorFile})
        if (outputRefused(storage::utf8FromPath(fsPath(dir) / name), a.files[0], modelInputs(a))) return 2;
    std::error_code ec;
    std::string error;
    std::optional<ModelInterface> model;
    if (options.models.empty()) {
        model = portsOfTest(doc, options.top);
    } else {
        modelcheck::stopRunsOnTerminationSignals();
        const modelcheck::WorkFolder work;
        model = modelcheck::compileModelInterface(options.models, options.top, storage::utf8FromPath(work.path), error);
        if (modelcheck::runsStoppedBySignal()) return stoppedStatus();
        if (!model) return fail(error);
    }
    std::filesystem::create_directories(fsPath(dir), ec);
    std::vector<std::string> notes;
    const auto bindings = modelcheck::bindingsFor(doc, *model, options, error, &notes);
    if (!bindings) return fail(error);
    for (const auto& n : notes) std::cerr << "kvxtool: " << n << "\n";
    error = modelcheck::writeTestbench(modelcheck::makeTestbench(doc, *model, *bindings, options.samplePercent), dir);
    if (!error.empty()) return fail(error);
    return 0;
}

/// --time-limit S into the options; an empty text or the reason it is refused.
std::string readTimeLimit(const Arguments& a, modelcheck::CheckOptions& options) {
    if (auto it = a.options.find("--time-limit"); it != a.options.end()) {
        const std::string& s = it->second;
        if (s.empty() || s.size() > 6 || s.find_first_not_of("0123456789") != std::string::npos || std::stoi(s) < 1)
            return "время симуляции «" + s + "» должно быть целым числом секунд от 1 до 999999";
        options.timeLimitSeconds = std::stoi(s);
    }
    return {};
}

int checkModel(int argc, char** argv) {
    const Arguments a = parse(argc, argv, {"--top", "--map", "--sample", "--vcd", "--time-limit"});
    if (!a.error.empty()) return fail(a.error);
    if (a.files.size() < 2)
        return fail("использование: kvxtool check-model TEST.kvx MODEL.v [MORE.v...] [--top MODULE] [--map MAP|auto] "
                    "[--sample P] [--vcd TRACE.vcd] [--time-limit S]");
    modelcheck::CheckOptions options;
    if (const std::string e = readOptions(a, options); !e.empty()) return fail(e);
    if (auto it = a.options.find("--vcd"); it != a.options.end()) options.vcdPath = it->second;
    if (const std::string e = readTimeLimit(a, options); !e.empty()) return fail(e);
    if (!options.vcdPath.empty() && outputRefused(options.vcdPath, a.files[0], modelInputs(a))) return 2;
    model::TestDocument doc;
    if (!load(doc, a.files[0])) return 2;
    modelcheck::stopRunsOnTerminationSignals();
    const auto outcome = modelcheck::checkModel(doc, options);
    if (outcome.cancelled) {
        std::cerr << "kvxtool: " << outcome.error << "\n";
        return stoppedStatus();
    }
    for (const auto& n : outcome.notes) std::cerr << "kvxtool: " << n << "\n";
    if (outcome.refused) return fail(outcome.error);
    for (const auto& line : modelcheck::reportLines(doc, outcome.comparison)) std::cout << line << "\n";
    return outcome.exitStatus();
}

/// "A-B" of --tacts: 1 <= A <= B; false when it is not that.
bool readTacts(const std::string& text, int& first, int& last) {
    const auto dash = text.find('-');
    if (dash == std::string::npos || dash == 0 || dash + 1 >= text.size() || text.size() > 13) return false;
    const std::string a = text.substr(0, dash), b = text.substr(dash + 1);
    if (a.find_first_not_of("0123456789") != std::string::npos || b.find_first_not_of("0123456789") != std::string::npos)
        return false;
    first = std::stoi(a);
    last = std::stoi(b);
    return first >= 1 && first <= last;
}

int fillFromModel(int argc, char** argv) {
    const Arguments a = parse(argc, argv, {"-o", "--top", "--map", "--sample", "--tacts", "--time-limit"});
    if (!a.error.empty()) return fail(a.error);
    if (a.files.size() < 2 || !a.options.count("-o"))
        return fail("использование: kvxtool fill-from-model TEST.kvx MODEL.v [MORE.v...] [--top MODULE] "
                    "[--map MAP|auto] [--sample P] [--tacts A-B] -o OUT.kvx");
    modelcheck::CheckOptions options;
    if (const std::string e = readOptions(a, options); !e.empty()) return fail(e);
    if (const std::string e = readTimeLimit(a, options); !e.empty()) return fail(e);
    int first = 0, last = 0;
    if (auto it = a.options.find("--tacts"); it != a.options.end() && !readTacts(it->second, first, last))
        return fail("диапазон тактов «" + it->second + "» должен быть вида A-B, 1 <= A <= B");
    const std::string& out = a.options.at("-o");
    if (outputRefused(out, a.files[0], modelInputs(a))) return 2;
    model::TestDocument doc;
    if (!load(doc, a.files[0])) return 2;
    if (last > doc.tactCount())
        return fail("в тесте " + std::to_string(doc.tactCount()) + " тактов: диапазон " + a.options.at("--tacts") +
                    " выходит за его конец");
    modelcheck::stopRunsOnTerminationSignals();
    const auto fill = modelcheck::fillFromModel(doc, options, first, last);
    if (fill.cancelled) {
        std::cerr << "kvxtool: " << fill.error << "\n";
        return stoppedStatus();
    }
    for (const auto& n : fill.notes) std::cerr << "kvxtool: " << n << "\n";
    if (fill.refused) return fail(fill.error);
    modelcheck::applyFill(doc, fill);
    const auto saved = storage::saveTestFile(doc, out);
    if (!saved.ok) return fail(saved.error);
    std::cout << fill.message() << "\n";
    return 0;
}

int grade(int argc, char** argv) {
    std::vector<char*> rest;  // --verbose takes no value
    bool verbose = false;
    for (int i = 0; i < argc; ++i) {
        if (i >= 2 && std::string(argv[i]) == "--verbose") verbose = true;
        else rest.push_back(argv[i]);
    }
    const Arguments a =
        parse(static_cast<int>(rest.size()), rest.data(), {"--top", "--map", "--sample", "--jobs", "--time-limit"});
    if (!a.error.empty()) return fail(a.error);
    if (a.files.empty())
        return fail("использование: kvxtool grade TEST.kvx [MODEL.v...] [--top MODULE] [--map MAP|auto] [--sample P] "
                    "[--jobs N] [--time-limit S] [--verbose]");
    modelcheck::GradeOptions options;
    if (const std::string e = readOptions(a, options.check); !e.empty()) return fail(e);
    if (const std::string e = readTimeLimit(a, options.check); !e.empty()) return fail(e);
    if (auto it = a.options.find("--jobs"); it != a.options.end()) {
        const std::string& s = it->second;
        if (s.empty() || s.size() > 3 || s.find_first_not_of("0123456789") != std::string::npos || std::stoi(s) < 1)
            return fail("число параллельных симуляций «" + s + "» должно быть от 1 до 999");
        options.jobs = std::stoi(s);
    }
    model::TestDocument doc;
    if (!load(doc, a.files[0])) return 2;
    if (options.check.models.empty()) {
        const auto unseen = modelcheck::faultsWithoutModel(doc);
        for (const auto& line : modelcheck::withoutModelReport(doc, unseen)) std::cout << line << "\n";
        return unseen.empty() ? 0 : 1;
    }
    modelcheck::stopRunsOnTerminationSignals();
    const auto graded = modelcheck::gradeTest(doc, options);
    if (graded.cancelled) {
        std::cerr << "kvxtool: " << graded.error << "\n";
        return stoppedStatus();
    }
    for (const auto& n : graded.notes) std::cerr << "kvxtool: " << n << "\n";
    if (graded.refused) return fail(graded.error);
    for (const auto& line : modelcheck::gradeReport(doc, graded, verbose)) std::cout << line << "\n";
    return graded.exitStatus();
}

}  // namespace

int runModelCommand(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "check-model") return checkModel(argc, argv);
    if (command == "export-testbench") return exportTestbench(argc, argv);
    if (command == "fill-from-model") return fillFromModel(argc, argv);
    if (command == "grade") return grade(argc, argv);
    return -1;
}

}  // namespace kvx::tool
