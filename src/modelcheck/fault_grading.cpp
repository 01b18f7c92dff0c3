#include "modelcheck/fault_grading.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "exchange/exchange_signals.h"

namespace kvx::modelcheck {

using model::TestDocument;

namespace {

double since(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

std::string faultName(const TestDocument& doc, const FaultSite& f) {
    return pinTitle(doc, f.pin) + ": константа " + std::to_string(f.level);
}

/// The first mismatches of the good model, as the check reports them.
constexpr std::size_t kMismatchesShown = 10;

}  // namespace

int GradeOutcome::detected() const {
    return static_cast<int>(std::count_if(faults.begin(), faults.end(), [](const GradedFault& f) { return f.detected; }));
}

int GradeOutcome::exitStatus() const {
    if (refused) return 2;
    return detected() == static_cast<int>(faults.size()) ? 0 : 1;
}

std::string pinTitle(const TestDocument& doc, int pin) {
    const std::string& name = doc.pin(pin).pinName;
    return "Вывод " + std::to_string(pin) + (name.empty() ? std::string() : " (" + name + ")");
}

GradeOutcome gradeTest(const TestDocument& doc, const GradeOptions& options) {
    GradeOutcome g;
    CheckOutcome out;
    const WorkFolder work(options.check.workFolder);
    const auto check = compileCheck(doc, options.check, work.path, true, out);
    g.notes = out.notes;
    g.times.compile = out.times.prepare + out.times.compile;
    if (!check) {
        g.error = out.error;
        g.cancelled = out.cancelled;
        return g;
    }

    // The test must pass the good model first.
    auto started = std::chrono::steady_clock::now();
    const SimulationRun good = simulateCheck(*check, work.path, options.check, {}, "good");
    if (!good.error.empty()) {
        g.error = good.error;
        g.cancelled = good.cancelled;
        return g;
    }
    const Comparison base = compareResult(doc, check->bench, good.result);
    g.times.check = since(started);
    if (!base.ok) {
        g.error = base.error;
        return g;
    }
    if (!base.mismatches.empty()) {
        g.error = "Тест не проходит на исправной модели, неисправности не оцениваются:";
        for (const auto& line : reportLines(doc, base, kMismatchesShown)) g.error += "\n" + line;
        return g;
    }

    const std::vector<FaultSite> sites = faultSites(check->bindings);
    g.faults.resize(sites.size());
    for (std::size_t i = 0; i < sites.size(); ++i) g.faults[i].site = sites[i];
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int jobs = std::clamp(options.jobs > 0 ? options.jobs : cores, 1, std::max(1, static_cast<int>(sites.size())));
    std::atomic<std::size_t> next{0};
    std::atomic<int> done{0};
    std::mutex lock;  // the first error, the progress calls, the summed times
    std::string error;
    bool cancelled = false;
    double simulated = 0, compared = 0;
    auto worker = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < sites.size();) {
            {
                const std::lock_guard<std::mutex> hold(lock);
                if (!error.empty()) return;
            }
            const std::string n = std::to_string(i + 1);
            const SimulationRun run = simulateCheck(*check, work.path, options.check, {"+fault=" + n}, "f" + n);
            const auto began = std::chrono::steady_clock::now();
            Comparison c;
            if (run.error.empty()) c = compareResult(doc, check->bench, run.result);
            const double comparing = since(began);
            const std::lock_guard<std::mutex> hold(lock);
            simulated += run.seconds;
            compared += comparing;
            if (!run.error.empty() || !c.ok) {
                if (error.empty()) {
                    cancelled = run.cancelled;
                    error = run.cancelled ? run.error : faultName(doc, sites[i]) + ": " + (run.error.empty() ? c.error : run.error);
                }
                return;
            }
            GradedFault& f = g.faults[i];
            f.detected = !c.mismatches.empty();
            if (f.detected) {
                f.firstTact = c.mismatches.front().tact;
                f.row = c.mismatches.front().row;
            }
            if (options.progress) options.progress(++done, static_cast<int>(sites.size()));
        }
    };
    started = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int t = 1; t < jobs; ++t) threads.emplace_back(worker);
    worker();
    for (auto& t : threads) t.join();
    g.times.simulate = since(started);
    g.times.simulateEach = sites.empty() ? 0 : simulated / static_cast<double>(sites.size());
    g.times.compare = compared;
    if (!error.empty()) {
        g.error = error;
        g.cancelled = cancelled;
        return g;
    }
    g.refused = false;
    return g;
}

std::vector<std::string> gradeReport(const TestDocument& doc, const GradeOutcome& g, bool verbose) {
    std::vector<std::string> lines;
    const int all = static_cast<int>(g.faults.size());
    const int found = g.detected();
    const int percent = all == 0 ? 100 : found * 100 / all;
    lines.push_back("Обнаружено " + std::to_string(found) + " из " + std::to_string(all) + " неисправностей (" +
                    std::to_string(percent) + " %)");
    for (const GradedFault& f : g.faults)
        if (!f.detected) lines.push_back(faultName(doc, f.site) + " не обнаруживается");
    if (verbose)
        for (const GradedFault& f : g.faults)
            if (f.detected)
                lines.push_back(faultName(doc, f.site) + " обнаруживается в такте " + std::to_string(f.firstTact) + " (" +
                                rowName(doc, f.row) + ")");
    return lines;
}

std::vector<UnseenFault> faultsWithoutModel(const TestDocument& doc) {
    std::vector<UnseenFault> out;
    const int test = doc.currentTest();
    for (const exchange::RowSignal& r : exchange::rowSignals(doc)) {
        if (!r.expected) continue;
        const model::CellLevel* cells = doc.rowData(test, r.row);
        bool one = false, zero = false;
        for (int t = 1; t <= doc.tactCount(); ++t) {
            one = one || cells[t] == model::kHigh;
            zero = zero || cells[t] == model::kLow;
        }
        if (!one) out.push_back({r.row, 0});
        if (!zero) out.push_back({r.row, 1});
    }
    return out;
}

std::vector<std::string> withoutModelReport(const TestDocument& doc, const std::vector<UnseenFault>& faults) {
    std::vector<std::string> lines;
    if (faults.empty()) lines.push_back("Каждый проверяемый выход ожидает и 0, и 1");
    for (const UnseenFault& f : faults) {
        const int pin = f.row > model::kPinRows ? f.row - model::kPinRows : f.row;
        lines.push_back(pinTitle(doc, pin) + (f.row > model::kPinRows ? ", выход" : "") + ": константа " +
                        std::to_string(f.level) + " не обнаруживается (строка не ожидает " + std::to_string(1 - f.level) +
                        ")");
    }
    lines.push_back("Неисправности входов без модели не оцениваются: укажите файлы модели");
    return lines;
}

}  // namespace kvx::modelcheck
