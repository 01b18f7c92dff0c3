#include "modelcheck/model_check.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "modelcheck/process.h"
#include "params/comment_file.h"
#include "storage/file_path.h"
#include "storage/file_replace.h"
#include "storage/same_file.h"

namespace kvx::modelcheck {

using model::TestDocument;

namespace {

std::filesystem::path fsPath(const std::string& utf8) { return storage::pathFromUtf8(utf8); }

std::string utf8(const std::filesystem::path& p) { return storage::utf8FromPath(p); }

bool ascii(const std::string& s) {
    for (unsigned char c : s)
        if (c >= 0x80 || c < 0x20) return false;
    return true;
}

/// The runner's options of a step in the work folder.
RunOptions inFolder(const std::filesystem::path& dir, int timeLimitSeconds, RunControl* control) {
    RunOptions o;
    o.workFolder = utf8(dir);
    o.timeLimitSeconds = timeLimitSeconds;
    o.control = control;
    return o;
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

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

WorkFolder::WorkFolder(const std::string& given) {
    std::error_code ec;
    if (!given.empty()) {
        path = fsPath(given);
    } else {
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path(ec);
        for (int attempt = 0; attempt < 100; ++attempt) {
            path = base / ("kvx-model-" + std::to_string(random()));
            if (std::filesystem::create_directory(path, ec)) break;
        }
        temporary = true;
    }
    std::filesystem::create_directories(path, ec);
}

WorkFolder::~WorkFolder() {
    std::error_code ec;
    if (temporary) std::filesystem::remove_all(path, ec);
}

std::string ModelCopies::restoreNames(std::string message) const {
    for (std::size_t i = 0; i < names.size(); ++i)
        for (std::size_t at = 0; (at = message.find(names[i], at)) != std::string::npos; at += originals[i].size())
            message.replace(at, names[i].size(), originals[i]);
    return message;
}

std::optional<ModelCopies> copyModels(const std::vector<std::string>& models, const std::string& folder,
                                      std::string& error) {
    ModelCopies copies;
    std::error_code ec;
    for (std::size_t i = 0; i < models.size(); ++i) {
        const std::string name = "model" + std::to_string(i + 1) + ".v";
        const auto target = fsPath(folder) / name;
        std::filesystem::copy_file(fsPath(models[i]), target, std::filesystem::copy_options::overwrite_existing, ec);
        if (ec) {
            error = "Не удалось прочитать файл модели " + models[i];
            return std::nullopt;
        }
        copies.names.push_back(name);
        copies.originals.push_back(models[i]);
        // `include names a file beside the model or in the current folder, as it would without the copies.
        const std::string dir = utf8(std::filesystem::absolute(fsPath(models[i]), ec).parent_path());
        if (!ec && ascii(dir) &&
            std::find(copies.includes.begin(), copies.includes.end(), dir) == copies.includes.end())
            copies.includes.push_back(dir);
    }
    const std::string here = utf8(std::filesystem::current_path(ec));
    if (!ec && ascii(here) && std::find(copies.includes.begin(), copies.includes.end(), here) == copies.includes.end())
        copies.includes.push_back(here);
    return copies;
}

namespace {

/// The compiler's arguments for the copies, its output and further files.
std::vector<std::string> compilerArguments(const ModelCopies& copies, const std::string& output,
                                           const std::vector<std::string>& first) {
    std::vector<std::string> args = {kCompiler, "-o", output};
    for (const auto& dir : copies.includes) args.push_back("-I" + dir);
    args.insert(args.end(), first.begin(), first.end());
    args.insert(args.end(), copies.names.begin(), copies.names.end());
    return args;
}

}  // namespace

std::optional<ModelInterface> compileModelInterface(const std::vector<std::string>& models, const std::string& top,
                                                    const std::string& folder, std::string& error,
                                                    RunControl* control) {
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
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const auto copies = copyModels(models, folder, error);
    if (!copies) return std::nullopt;
    const ProgramRun run = runProgram(compilerArguments(*copies, "model.vvp", {}), utf8(dir / "compile.log"),
                                      inFolder(dir, 0, control));
    if (run.cancelled) {
        error = kCheckCancelled;
        return std::nullopt;
    }
    if (run.exitCode != 0) {
        error = "Модель не компилируется:\n" + copies->restoreNames(trimmed(run.output));
        return std::nullopt;
    }
    return readModelInterface(readText(dir / "model.vvp"), top, error);
}

std::optional<std::vector<BitBinding>> bindingsFor(const TestDocument& doc, const ModelInterface& model,
                                                   const CheckOptions& options, std::string& error,
                                                   std::vector<std::string>* notes) {
    return bindPorts(doc, model.ports, options.autoMap ? autoMap(doc, model.ports) : options.map, error, notes);
}

namespace {

/// The trace is refused when it would replace a model file, the test or its comment.
std::string refusedTrace(const TestDocument& doc, const CheckOptions& options) {
    if (options.vcdPath.empty()) return {};
    std::vector<storage::GuardedFile> guarded;
    for (const auto& m : options.models) guarded.push_back({m, "файл модели"});
    if (!doc.fileName().empty()) {
        guarded.push_back({doc.fileName(), "файл теста"});
        guarded.push_back({params::commentFilePath(doc.fileName()), "файл комментария к тесту"});
    }
    return storage::refuseOverwrite(options.vcdPath, guarded);
}

}  // namespace

std::optional<CompiledCheck> compileCheck(const TestDocument& doc, const CheckOptions& options,
                                         const std::filesystem::path& dir, bool faults, CheckOutcome& out) {
    auto started = std::chrono::steady_clock::now();
    auto model = compileModelInterface(options.models, options.top, utf8(dir), out.error, options.control);
    if (!model) {
        out.cancelled = out.error == kCheckCancelled;
        return std::nullopt;
    }
    auto bindings = bindingsFor(doc, *model, options, out.error, &out.notes);
    if (!bindings) return std::nullopt;
    CompiledCheck c{std::move(*model), std::move(*bindings), {}, {}};
    c.bench = makeTestbench(doc, c.model, c.bindings, options.samplePercent, faults);
    if (out.error = writeTestbench(c.bench, utf8(dir)); !out.error.empty()) return std::nullopt;
    auto copies = copyModels(options.models, utf8(dir), out.error);
    if (!copies) return std::nullopt;
    c.copies = std::move(*copies);
    out.times.prepare = seconds(started);

    started = std::chrono::steady_clock::now();
    const ProgramRun run =
        runProgram(compilerArguments(c.copies, "check.vvp", {"-s", kTestbenchModule, kTestbenchFile}),
                   utf8(dir / "compile.log"), inFolder(dir, 0, options.control));
    if (run.cancelled) {
        out.cancelled = true;
        out.error = kCheckCancelled;
        return std::nullopt;
    }
    if (run.exitCode != 0) {
        out.error = "Модель не компилируется с испытательным модулем:\n" + c.copies.restoreNames(trimmed(run.output));
        return std::nullopt;
    }
    out.times.compile = seconds(started);
    return c;
}

SimulationRun simulateCheck(const CompiledCheck& check, const std::filesystem::path& dir, const CheckOptions& options,
                            const std::vector<std::string>& plusargs, const std::string& tag) {
    SimulationRun sim;
    const std::string resultName = tag.empty() ? std::string(kResultFile) : "result-" + tag + ".txt";
    const auto result = dir / resultName;
    std::error_code ec;
    std::filesystem::remove(result, ec);
    std::vector<std::string> args = {kSimulator, "-n", "check.vvp", std::string("+vectors=") + kVectorFile,
                                     "+result=" + resultName};
    args.insert(args.end(), plusargs.begin(), plusargs.end());
    const std::string log = tag.empty() ? std::string("simulate.log") : "simulate-" + tag + ".log";
    const ProgramRun run = runProgram(args, utf8(dir / log), inFolder(dir, options.timeLimitSeconds, options.control));
    sim.seconds = run.seconds;
    if (run.cancelled) {
        sim.cancelled = true;
        sim.error = kCheckCancelled;
    } else if (run.timedOut) {
        sim.timedOut = true;
        sim.error = "Симуляция не закончилась за " + std::to_string(options.timeLimitSeconds) +
                    " с и остановлена: модель, видимо, зациклилась (или задайте больше времени, --time-limit)";
    } else if (run.exitCode != 0) {
        sim.error = "Симуляция завершилась с ошибкой:\n" + check.copies.restoreNames(trimmed(run.output));
    } else {
        sim.result = readText(result);
        sim.log = check.copies.restoreNames(trimmed(run.output));
    }
    if (!tag.empty()) {
        std::filesystem::remove(result, ec);
        std::filesystem::remove(dir / log, ec);
    }
    return sim;
}

CheckOutcome checkModel(const TestDocument& doc, const CheckOptions& options) {
    CheckOutcome out;
    if (out.error = refusedTrace(doc, options); !out.error.empty()) return out;
    const WorkFolder work(options.workFolder);
    const auto& dir = work.path;
    const auto check = compileCheck(doc, options, dir, false, out);
    if (!check) return out;

    const char* const trace = "trace.vcd";
    std::error_code ec;
    std::filesystem::remove(dir / trace, ec);
    std::vector<std::string> plusargs;
    if (!options.vcdPath.empty()) plusargs.push_back(std::string("+vcd=") + trace);
    const SimulationRun sim = simulateCheck(*check, dir, options, plusargs, "");
    out.times.simulate = sim.seconds;
    if (!sim.error.empty()) {
        out.cancelled = sim.cancelled;
        out.error = sim.error;
        return out;
    }

    const auto started = std::chrono::steady_clock::now();
    out.comparison = compareResult(doc, check->bench, sim.result);
    out.times.compare = seconds(started);
    if (!out.comparison.ok) {
        out.error = out.comparison.error + (sim.log.empty() ? std::string() : ":\n" + sim.log);
        return out;
    }
    if (!options.vcdPath.empty()) {
        const auto saved = storage::replaceFile(options.vcdPath, readText(dir / trace));
        if (!saved) {
            out.error = storage::withReason("Не удалось записать трассу " + options.vcdPath, saved);
            return out;
        }
    }
    out.refused = false;
    return out;
}

}  // namespace kvx::modelcheck
