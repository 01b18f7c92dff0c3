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
    "                             the module is MODULE (default chip)\n";

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

}  // namespace

int runModelCommand(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "check-model") return checkModel(argc, argv);
    if (command == "export-testbench") return exportTestbench(argc, argv);
    return -1;
}

}  // namespace kvx::tool
