#include "modelcheck/fill_from_model.h"

#include <algorithm>
#include <chrono>

namespace kvx::modelcheck {

using model::TestDocument;

std::string FillOutcome::message() const {
    return "Заполнено " + std::to_string(filled) + " уровней, изменено " + std::to_string(changed);
}

FillOutcome fillFromModel(const TestDocument& doc, const CheckOptions& options, int first, int last) {
    FillOutcome fill;
    CheckOutcome out;
    const WorkFolder work(options.workFolder);
    const auto check = compileCheck(doc, options, work.path, false, out);
    fill.notes = out.notes;
    fill.times = out.times;
    if (!check) {
        fill.error = out.error;
        fill.cancelled = out.cancelled;
        return fill;
    }
    const SimulationRun sim = simulateCheck(*check, work.path, options, {}, "");
    fill.times.simulate = sim.seconds;
    if (!sim.error.empty()) {
        fill.error = sim.error;
        fill.cancelled = sim.cancelled;
        return fill;
    }
    const auto started = std::chrono::steady_clock::now();
    const int tacts = doc.tactCount();
    if (first < 1 || last < 1) first = 1, last = tacts;
    last = std::min(last, tacts);
    const std::string& result = sim.result;
    const auto& rows = check->bench.compareRows;
    const std::size_t width = std::max<std::size_t>(1, rows.size());
    const int test = doc.currentTest();
    // Line t of the result (tact t), when it is whole.
    std::vector<std::size_t> lineStart;
    for (std::size_t at = 0; at < result.size() && static_cast<int>(lineStart.size()) < tacts;) {
        lineStart.push_back(at);
        const auto end = result.find('\n', at);
        if (end == std::string::npos) break;
        at = end + 1;
    }
    if (static_cast<int>(lineStart.size()) < last) {
        fill.error = "Симуляция не дошла до конца теста: нет результата такта " + std::to_string(lineStart.size() + 1) +
                     " из " + std::to_string(tacts);
        return fill;
    }
    for (std::size_t j = 0; j < rows.size(); ++j) {
        const int row = rows[j];
        if (model::isFunctionType(doc.pin(row).pinType)) continue;  // computed from its formula
        const bool ioOutput = row > model::kPinRows;
        const model::CellLevel* pinCells = ioOutput ? doc.rowData(test, row - model::kPinRows) : nullptr;
        const model::CellLevel* cells = doc.rowData(test, row);
        for (int t = first; t <= last; ++t) {
            const std::size_t at = lineStart[static_cast<std::size_t>(t - 1)] + width - 1 - j;
            if (at >= result.size()) {
                fill.error = "Симуляция не дошла до конца теста: нет результата такта " + std::to_string(t);
                return fill;
            }
            const char got = result[at];
            model::CellLevel level = got == '0' ? model::kLow : got == '1' ? model::kHigh : model::kInactive;
            if (ioOutput && pinCells[t] != model::kInactive) level = model::kInactive;  // the test drives the pin
            if (level != model::kInactive) ++fill.filled;
            if (level != cells[t]) ++fill.changed;
            fill.cells.push_back({row, t, level});
        }
    }
    fill.times.compare = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    fill.refused = false;
    return fill;
}

void applyFill(TestDocument& doc, const FillOutcome& fill) {
    const int test = doc.currentTest();
    for (const CellChange& c : fill.cells)
        if (doc.getCell(test, c.row, c.tact) != c.level) doc.setCell(test, c.row, c.tact, c.level);
}

}  // namespace kvx::modelcheck
