#include "modelcheck/model_check.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "modelcheck/process.h"

namespace kvx::modelcheck {

using model::TestDocument;

namespace {

std::filesystem::path fsPath(const std::string& utf8) { return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())); }

std::string utf8(const std::filesystem::path& p) {
    const auto s = p.u8string();
    return std::string(s.begin(), s.end());
}

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

/// The simulator's message without trailing blank lines.
std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s;
}

bool simulatorMissing(std::string& error) {
    if (programAvailable(kCompiler) && programAvailable(kSimulator)) return false;
    error = kNoSimulator;
    return true;
}

/// A folder of its own under the system's temporary folder, removed with the object unless kept.
struct WorkFolder {
    std::filesystem::path path;
    bool temporary = false;
    explicit WorkFolder(const std::string& given) {
        std::error_code ec;
        if (!given.empty()) {
            path = fsPath(given);
        } else {
            std::random_device random;
            path = std::filesystem::temp_directory_path(ec) / ("kvx-model-" + std::to_string(random()));
            temporary = true;
        }
        std::filesystem::create_directories(path, ec);
    }
    ~WorkFolder() {
        std::error_code ec;
        if (temporary) std::filesystem::remove_all(path, ec);
    }
};

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

std::optional<ModelInterface> compileModelInterface(const std::vector<std::string>& models, const std::string& top,
                                                    const std::string& folder, std::string& error) {
    if (models.empty()) {
        error = "Не указаны файлы модели";
        return std::nullopt;
    }
    for (const auto& m : models) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(fsPath(m), ec)) {
            error = "Нет файла модели " + m;
            return std::nullopt;
        }
    }
    if (simulatorMissing(error)) return std::nullopt;
    const auto dir = fsPath(folder);
    std::vector<std::string> args = {kCompiler, "-o", utf8(dir / "model.vvp")};
    args.insert(args.end(), models.begin(), models.end());
    const ProgramRun run = runProgram(args, utf8(dir / "compile.log"));
    if (run.exitCode != 0) {
        error = "Модель не компилируется:\n" + trimmed(run.output);
        return std::nullopt;
    }
    return readModelInterface(readText(dir / "model.vvp"), top, error);
}

std::optional<std::vector<BitBinding>> bindingsFor(const TestDocument& doc, const ModelInterface& model,
                                                   const CheckOptions& options, std::string& error,
                                                   std::vector<std::string>* notes) {
    return bindPorts(doc, model.ports, options.autoMap ? autoMap(doc, model.ports) : options.map, error, notes);
}

CheckOutcome checkModel(const TestDocument& doc, const CheckOptions& options) {
    CheckOutcome out;
    const WorkFolder work(options.workFolder);
    const auto& dir = work.path;
    auto started = std::chrono::steady_clock::now();

    const auto model = compileModelInterface(options.models, options.top, utf8(dir), out.error);
    if (!model) return out;
    const auto bindings = bindingsFor(doc, *model, options, out.error, &out.notes);
    if (!bindings) return out;
    const Testbench bench = makeTestbench(doc, *model, *bindings, options.samplePercent);
    if (out.error = writeTestbench(bench, utf8(dir)); !out.error.empty()) return out;
    out.times.prepare = seconds(started);

    started = std::chrono::steady_clock::now();
    std::vector<std::string> args = {kCompiler, "-o", utf8(dir / "check.vvp"), "-s", kTestbenchModule,
                                     utf8(dir / kTestbenchFile)};
    args.insert(args.end(), options.models.begin(), options.models.end());
    ProgramRun run = runProgram(args, utf8(dir / "compile.log"));
    if (run.exitCode != 0) {
        out.error = "Модель не компилируется с испытательным модулем:\n" + trimmed(run.output);
        return out;
    }
    out.times.compile = seconds(started);

    started = std::chrono::steady_clock::now();
    const auto result = dir / kResultFile;
    std::error_code ec;
    std::filesystem::remove(result, ec);
    args = {kSimulator, "-n", utf8(dir / "check.vvp"), "+vectors=" + utf8(dir / kVectorFile),
            "+result=" + utf8(result)};
    if (!options.vcdPath.empty()) args.push_back("+vcd=" + options.vcdPath);
    run = runProgram(args, utf8(dir / "simulate.log"), options.timeLimitSeconds);
    out.times.simulate = seconds(started);
    if (options.timeLimitSeconds > 0 && run.exitCode == kTimedOut) {
        out.error = "Симуляция не закончилась за " + std::to_string(options.timeLimitSeconds) +
                    " с и остановлена: модель, видимо, зациклилась (или задайте больше времени, --time-limit)";
        return out;
    }
    if (run.exitCode != 0) {
        out.error = "Симуляция завершилась с ошибкой:\n" + trimmed(run.output);
        return out;
    }

    started = std::chrono::steady_clock::now();
    out.comparison = compareResult(doc, bench, readText(result));
    out.times.compare = seconds(started);
    if (!out.comparison.ok) {
        const std::string log = trimmed(run.output);
        out.error = out.comparison.error + (log.empty() ? std::string() : ":\n" + log);
        return out;
    }
    out.refused = false;
    return out;
}

}  // namespace kvx::modelcheck
