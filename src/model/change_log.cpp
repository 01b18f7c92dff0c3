#include "model/change_log.h"

#include <array>
#include <optional>
#include <set>

#include <algorithm>
#include <utility>

namespace kvx::model {

namespace {

template <class... F>
struct Overload : F... {
    using F::operator()...;
};
template <class... F>
Overload(F...) -> Overload<F...>;

bool validTest(int test) { return test >= 0 && test < kMaxTests; }
bool validRow(int row) { return row >= 0 && row <= kMaxRow; }

}  // namespace

// ---- keeping values (called by the document before it changes them) ----------

void TestDocument::keepCell(int test, int row, int tact) {
    if (!log_ || log_->kept().rows[static_cast<size_t>(test)].test(static_cast<size_t>(row))) return;
    log_->entries_.emplace_back(ChangeLog::CellEntry{test, row, tact, getCell(test, row, tact)});
}

void TestDocument::keepRun(int test, int row, int first, int count) {
    if (!log_ || count <= 0 || !validTest(test) || test >= testCount_ || !validRow(row)) return;
    if (first + count - 1 > capacity_) count = capacity_ - first + 1;
    if (count <= 0) return;
    const CellLevel* cells = rowData(test, row) + first;
    log_->entries_.emplace_back(ChangeLog::RunEntry{test, row, first, count, ChangeLog::encodeRuns(cells, count)});
}

void TestDocument::keepRow(int test, int row) {
    if (!log_ || !validTest(test) || !validRow(row)) return;
    auto& kept = log_->kept().rows[static_cast<size_t>(test)];
    if (kept.test(static_cast<size_t>(row))) return;
    keepRun(test, row, 1, std::max(tactCount_, tactHighWater_));
    kept.set(static_cast<size_t>(row));
}

void TestDocument::keepPin(int row) {
    if (!log_ || log_->kept().pins.test(static_cast<size_t>(row))) return;
    log_->kept().pins.set(static_cast<size_t>(row));
    log_->entries_.emplace_back(ChangeLog::PinEntry{row, pins_[static_cast<size_t>(row)]});
}

void TestDocument::keepOrder(int test) {
    if (!log_ || log_->kept().orders.test(static_cast<size_t>(test))) return;
    log_->kept().orders.set(static_cast<size_t>(test));
    const auto& order = signalOrder_[static_cast<size_t>(test)];
    log_->entries_.emplace_back(ChangeLog::OrderEntry{test, {order.begin(), order.end()}});
}

void TestDocument::keepFunction(int test, int row) {
    if (!log_) return;
    auto& kept = log_->kept().functions[static_cast<size_t>(test)];
    if (kept.test(static_cast<size_t>(row))) return;
    kept.set(static_cast<size_t>(row));
    log_->entries_.emplace_back(
        ChangeLog::FunctionEntry{test, row, pinFunction_[static_cast<size_t>(test)][static_cast<size_t>(row)]});
}

void TestDocument::keepTestName() {
    if (!log_ || std::exchange(log_->kept().testName, true)) return;
    log_->entries_.emplace_back(ChangeLog::TextEntry{ChangeLog::Text::TestName, testName_});
}

void TestDocument::keepDescriptionFile() {
    if (!log_ || std::exchange(log_->kept().descriptionFile, true)) return;
    log_->entries_.emplace_back(ChangeLog::TextEntry{ChangeLog::Text::DescriptionFile, descriptionFile_});
}

void TestDocument::keepPackage() {
    if (!log_ || std::exchange(log_->kept().package, true)) return;
    log_->entries_.emplace_back(package_);
}

void TestDocument::keepWords() {
    if (!log_ || std::exchange(log_->kept().words, true)) return;
    log_->entries_.emplace_back(dataWords_);
}

void TestDocument::keepAlgorithms() {
    if (!log_ || std::exchange(log_->kept().algorithms, true)) return;
    log_->entries_.emplace_back(
        ChangeLog::AlgorithmsEntry{std::make_unique<std::array<AlgorithmSettings, 4>>(algorithms_)});
}

void TestDocument::keepParameters() {
    if (!log_ || std::exchange(log_->kept().parameters, true)) return;
    log_->entries_.emplace_back(parameters_);
}

void TestDocument::keepCounts() {
    if (!log_ || std::exchange(log_->kept().counts, true)) return;
    log_->entries_.emplace_back(ChangeLog::Counts{tactCount_, tactHighWater_, baseTactCount_});
}

void TestDocument::keepShift(bool inserted, int tact) {
    if (!log_) return;
    ChangeLog::ShiftEntry e{inserted, true, currentTest_, tact, {tactCount_, tactHighWater_, baseTactCount_},
                            std::vector<CellLevel>(kRowSlots)};
    const int from = inserted ? tactCount_ + 1 : tact;
    for (int r = 0; r < kRowSlots; ++r) e.column[static_cast<size_t>(r)] = rowData(currentTest_, r)[from];
    log_->entries_.emplace_back(std::move(e));
    // Later changes of this action see the shifted rows: what they touch is kept anew.
    log_->kept() = ChangeLog::Kept{};
}

// ---- the log -------------------------------------------------------------------

ChangeLog::Kept& ChangeLog::kept() {
    if (!kept_) kept_ = std::make_unique<Kept>();
    return *kept_;
}

std::vector<std::uint8_t> ChangeLog::encodeRuns(const CellLevel* cells, int count) {
    std::vector<std::uint8_t> runs;
    for (int i = 0; i < count;) {
        const CellLevel level = cells[i];
        int run = 1;
        while (i + run < count && run < 255 && cells[i + run] == level) ++run;
        runs.push_back(level);
        runs.push_back(static_cast<std::uint8_t>(run));
        i += run;
    }
    runs.shrink_to_fit();
    return runs;
}

void ChangeLog::decodeRuns(const std::vector<std::uint8_t>& runs, CellLevel* cells) {
    for (std::size_t i = 0; i + 1 < runs.size(); i += 2) cells = std::fill_n(cells, runs[i + 1], runs[i]);
}

void ChangeLog::swap(TestDocument& doc, Entry& entry) {
    std::visit(Overload{
                   [&](CellEntry& e) {
                       CellLevel& cell = doc.testCells(e.test)[static_cast<size_t>(e.row) * doc.stride() +
                                                                static_cast<size_t>(e.tact)];
                       std::swap(cell, e.level);
                   },
                   [&](RunEntry& e) {
                       CellLevel* cells = doc.testCells(e.test).data() + static_cast<size_t>(e.row) * doc.stride() +
                                          static_cast<size_t>(e.first);
                       std::vector<std::uint8_t> current = encodeRuns(cells, e.count);
                       decodeRuns(e.runs, cells);
                       e.runs = std::move(current);
                   },
                   [&](PinEntry& e) { std::swap(doc.pins_[static_cast<size_t>(e.row)], e.pin); },
                   [&](OrderEntry& e) {
                       auto& order = doc.signalOrder_[static_cast<size_t>(e.test)];
                       for (size_t k = 0; k < order.size(); ++k) std::swap(order[k], e.order[k]);
                   },
                   [&](FunctionEntry& e) {
                       std::swap(doc.pinFunction_[static_cast<size_t>(e.test)][static_cast<size_t>(e.row)], e.formula);
                   },
                   [&](TextEntry& e) {
                       std::swap(e.which == Text::TestName ? doc.testName_ : doc.descriptionFile_, e.text);
                       if (e.which == Text::TestName && doc.events_.testNameChanged)
                           doc.events_.testNameChanged(doc.testName_);
                   },
                   [&](Package& p) { std::swap(doc.package_, p); },
                   [&](std::vector<DataWord>& w) { std::swap(doc.dataWords_, w); },
                   [&](AlgorithmsEntry& a) { std::swap(doc.algorithms_, *a.settings); },
                   [&](TestParameters& p) { std::swap(doc.parameters_, p); },
                   [&](Counts& c) {
                       std::swap(doc.tactCount_, c.tactCount);
                       std::swap(doc.tactHighWater_, c.tactHighWater);
                       std::swap(doc.baseTactCount_, c.baseTactCount);
                       if (doc.events_.tactCountChanged) doc.events_.tactCountChanged(doc.tactCount_);
                   },
                   [&](ShiftEntry& e) {
                       auto& cells = doc.testCells(e.test);
                       const auto stride = doc.stride();
                       const int c = e.tact;
                       for (size_t r = 0; r < kRowSlots; ++r) {
                           CellLevel* row = cells.data() + r * stride;
                           CellLevel& kept = e.column[r];
                           // n: the tact count before the insertion or deletion.
                           if (e.inserted) {
                               const int n = e.applied ? doc.tactCount_ - 1 : doc.tactCount_;
                               if (e.applied) {
                                   std::copy(row + c + 1, row + n + 2, row + c);
                                   row[n + 1] = kept;
                               } else {
                                   kept = row[n + 1];
                                   std::copy_backward(row + c, row + n + 1, row + n + 2);
                               }
                           } else {
                               const int n = e.applied ? doc.tactCount_ + 1 : doc.tactCount_;
                               if (e.applied) {
                                   std::copy_backward(row + c, row + n, row + n + 1);
                                   row[c] = kept;
                               } else {
                                   kept = row[c];
                                   std::copy(row + c + 1, row + n + 1, row + c);
                                   row[n] = kInactive;
                               }
                           }
                       }
                       e.applied = !e.applied;
                       std::swap(doc.tactCount_, e.counts.tactCount);
                       std::swap(doc.tactHighWater_, e.counts.tactHighWater);
                       std::swap(doc.baseTactCount_, e.counts.baseTactCount);
                       if (doc.events_.tactCountChanged) doc.events_.tactCountChanged(doc.tactCount_);
                   },
               },
               entry);
}

bool ChangeLog::sameAsDocument(const TestDocument& doc, const Entry& entry) const {
    return std::visit(
        Overload{
            [&](const CellEntry& e) { return doc.rowData(e.test, e.row)[e.tact] == e.level; },
            [&](const RunEntry& e) {
                return encodeRuns(doc.rowData(e.test, e.row) + e.first, e.count) == e.runs;
            },
            [&](const PinEntry& e) {
                const Pin& p = doc.pins_[static_cast<size_t>(e.row)];
                return p.pinType == e.pin.pinType && p.pinName == e.pin.pinName && p.numberLabel == e.pin.numberLabel;
            },
            [&](const OrderEntry& e) {
                const auto& order = doc.signalOrder_[static_cast<size_t>(e.test)];
                return std::equal(order.begin(), order.end(), e.order.begin(), e.order.end());
            },
            [&](const FunctionEntry& e) { return doc.pinFunction(e.test, e.row) == e.formula; },
            [&](const TextEntry& e) {
                return (e.which == Text::TestName ? doc.testName_ : doc.descriptionFile_) == e.text;
            },
            [&](const Package& p) { return doc.package_.packageType == p.packageType && doc.package_.pinCount == p.pinCount; },
            [&](const std::vector<DataWord>& w) { return doc.dataWords_ == w; },
            [&](const AlgorithmsEntry& a) { return doc.algorithms_ == *a.settings; },
            [&](const TestParameters& p) { return doc.parameters_ == p; },
            [&](const Counts& c) {
                return doc.tactCount_ == c.tactCount && doc.tactHighWater_ == c.tactHighWater &&
                       doc.baseTactCount_ == c.baseTactCount;
            },
            [&](const ShiftEntry&) { return false; },
        },
        entry);
}

bool ChangeLog::changesNothing(const TestDocument& doc) const {
    // Undo leaves every value as its first entry kept it: a later entry of the same value (the
    // pieces of one action appended together) says nothing about the net change.
    std::set<std::array<int, 5>> seen;
    const auto target = [](const Entry& entry) -> std::optional<std::array<int, 5>> {
        const int kind = static_cast<int>(entry.index());
        return std::visit(
            Overload{
                [&](const CellEntry& e) -> std::optional<std::array<int, 5>> {
                    return std::array{kind, e.test, e.row, e.tact, 0};
                },
                [&](const RunEntry& e) -> std::optional<std::array<int, 5>> {
                    return std::array{kind, e.test, e.row, e.first, e.count};
                },
                [&](const PinEntry& e) -> std::optional<std::array<int, 5>> { return std::array{kind, e.row, 0, 0, 0}; },
                [&](const OrderEntry& e) -> std::optional<std::array<int, 5>> {
                    return std::array{kind, e.test, 0, 0, 0};
                },
                [&](const FunctionEntry& e) -> std::optional<std::array<int, 5>> {
                    return std::array{kind, e.test, e.row, 0, 0};
                },
                [&](const TextEntry& e) -> std::optional<std::array<int, 5>> {
                    return std::array{kind, static_cast<int>(e.which), 0, 0, 0};
                },
                [&](const ShiftEntry&) -> std::optional<std::array<int, 5>> { return std::nullopt; },
                [&](const auto&) -> std::optional<std::array<int, 5>> { return std::array{kind, 0, 0, 0, 0}; },
            },
            entry);
    };
    for (const Entry& e : entries_) {
        const auto key = target(e);
        if (key && !seen.insert(*key).second) continue;
        if (!sameAsDocument(doc, e)) return false;
    }
    return true;
}

std::size_t ChangeLog::bytes() const {
    std::size_t total = sizeof(*this) + entries_.capacity() * sizeof(Entry);
    for (const Entry& entry : entries_) {
        std::visit(Overload{
                       [&](const RunEntry& e) { total += e.runs.capacity(); },
                       [&](const PinEntry& e) { total += e.pin.pinName.capacity() + e.pin.pinType.capacity(); },
                       [&](const FunctionEntry& e) { total += e.formula.capacity(); },
                       [&](const TextEntry& e) { total += e.text.capacity(); },
                       [&](const std::vector<DataWord>& w) { total += w.capacity() * sizeof(DataWord); },
                       [&](const OrderEntry& e) { total += e.order.capacity() * sizeof(SignalEntry); },
                       [&](const ShiftEntry& e) { total += e.column.capacity(); },
                       [&](const AlgorithmsEntry&) { total += sizeof(std::array<AlgorithmSettings, 4>); },
                       [](const auto&) {},
                   },
                   entry);
    }
    return total;
}

void ChangeLog::undo(TestDocument& doc) {
    ChangeLog* const attached = doc.log_;
    doc.log_ = nullptr;
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) swap(doc, *it);
    doc.log_ = attached;
}

void ChangeLog::redo(TestDocument& doc) {
    ChangeLog* const attached = doc.log_;
    doc.log_ = nullptr;
    for (Entry& e : entries_) swap(doc, e);
    doc.log_ = attached;
}

void ChangeLog::append(ChangeLog&& later) {
    entries_.reserve(entries_.size() + later.entries_.size());
    for (Entry& e : later.entries_) entries_.push_back(std::move(e));
    later.entries_.clear();
    entries_.shrink_to_fit();
}

}  // namespace kvx::model
