#include "model/test_document.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>

#include "model/change_log.h"
#include "model/text.h"

namespace kvx::model {

bool isFunctionType(const std::string& pinType) { return text::length(pinType) >= 4; }

bool isFixedType(const std::string& pinType) {
    return pinType == PinType::NotConnected || pinType == PinType::Supply || pinType == PinType::Ground;
}

int DataWord::memberCount() const {
    return static_cast<int>(std::count_if(memberRows.begin(), memberRows.end(), [](int r) { return r != 0; }));
}

std::vector<int> DataWord::members() const {
    std::vector<int> out;
    for (int r : memberRows)
        if (r != 0) out.push_back(r);
    return out;
}

bool DataWord::addMember(int row) {
    for (int& slot : memberRows) {
        if (slot == 0) {
            slot = row;
            return true;
        }
    }
    return false;
}

void DataWord::clearMembers() {
    memberRows.fill(0);
    code = 0;
}

int TestParameters::voltsToCode(double volts) {
    return static_cast<int>(std::floor((volts + 0.01) * 51.2));
}

TestDocument::TestDocument() {
    for (int r = 0; r < kRowSlots; ++r) pins_[static_cast<size_t>(r)].numberLabel = std::to_string(r);
    clearDocument();
}

// ---- cells -------------------------------------------------------------------

CellLevel TestDocument::getCell(int test, int row, int tact) const {
    if (test < 0 || test >= testCount_ || row < 0 || row > kMaxRow || tact < 0 || tact > tactCount_)
        return kInactive;
    return cells_[static_cast<size_t>(test)][static_cast<size_t>(row) * stride() + static_cast<size_t>(tact)];
}

void TestDocument::setCell(int test, int row, int tact, CellLevel level) {
    if (test < 0 || test >= testCount_ || row < 0 || row > kMaxRow || tact < 0 || level > kInactive) return;
    if (tact == tactCount_ + 1) return;  // the tact just behind the last one is never written
    if (tact > tactCount_ + 1) {
        if (!setTactCount(tact)) return;
    }
    keepCell(test, row, tact);
    testCells(test)[static_cast<size_t>(row) * stride() + static_cast<size_t>(tact)] = level;
    saved_ = false;
}

const CellLevel* TestDocument::rowData(int test, int row) const {
    return cells_.at(static_cast<size_t>(test)).data() + static_cast<size_t>(row) * stride();
}

CellLevel* TestDocument::mutableRowData(int test, int row) {
    keepRow(test, row);
    saved_ = false;
    return cells_.at(static_cast<size_t>(test)).data() + static_cast<size_t>(row) * stride();
}

CellLevel* TestDocument::mutableRowSpan(int test, int row, int first, int count) {
    keepRun(test, row, first, count);
    saved_ = false;
    return cells_.at(static_cast<size_t>(test)).data() + static_cast<size_t>(row) * stride();
}

// ---- tacts -------------------------------------------------------------------

bool TestDocument::ensureCapacity(int tacts) {
    if (tacts <= capacity_) return true;
    if (tacts > kMaxTactCount) return false;
    // Grow geometrically so that a level line that raises the count tact by tact stays linear.
    const int newCapacity = std::min(kMaxTactCount, std::max(tacts, capacity_ + capacity_ / 2));
    const size_t newStride = static_cast<size_t>(newCapacity) + 1;
    try {
        std::vector<std::vector<CellLevel>> grown(cells_.size());
        for (size_t t = 0; t < cells_.size(); ++t) {
            grown[t].assign(newStride * kRowSlots, kInactive);
            for (size_t r = 0; r < kRowSlots; ++r)
                std::copy_n(cells_[t].begin() + static_cast<std::ptrdiff_t>(r * stride()), stride(),
                            grown[t].begin() + static_cast<std::ptrdiff_t>(r * newStride));
        }
        cells_ = std::move(grown);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    capacity_ = newCapacity;
    return true;
}

bool TestDocument::setTactCount(int n) { return setTactCount(n, std::bitset<kRowSlots>{}); }

bool TestDocument::setTactCount(int n, const std::bitset<kRowSlots>& overwritten) {
    if (n <= 0 || n == tactCount_) return false;
    if (!ensureCapacity(n)) {
        // The old tact count is kept: cells beyond the storage could not be written.
        raiseError(kDiagrSizeError);
        return false;
    }
    keepCounts();
    if (n > tactCount_ && n > tactHighWater_) {
        // Tacts beyond the high-water mark are set inactive; an undo can bring them back into
        // view, so what they held is kept.
        const int from = std::max(tactCount_, tactHighWater_) + 1;
        for (int t = 0; t < testCount_; ++t)
            for (int r = 0; r < kRowSlots; ++r) keepRun(t, r, from, n - from + 1);
    }
    baseTactCount_ = n;
    saved_ = false;
    const int old = tactCount_;
    tactCount_ = n;
    if (n > old && n > tactHighWater_) {
        const int from = std::max(old, tactHighWater_) + 1;
        for (size_t t = 0; t < cells_.size(); ++t) {
            auto& test = cells_[t];
            const bool current = t == static_cast<size_t>(currentTest_);
            for (size_t r = 0; r < kRowSlots; ++r) {
                if (current && overwritten.test(r)) continue;
                std::fill(test.begin() + static_cast<std::ptrdiff_t>(r * stride() + static_cast<size_t>(from)),
                          test.begin() + static_cast<std::ptrdiff_t>(r * stride() + static_cast<size_t>(n) + 1),
                          kInactive);
            }
        }
    }
    tactHighWater_ = std::max(tactHighWater_, n);
    if (events_.tactCountChanged) events_.tactCountChanged(n);
    return true;
}

bool TestDocument::insertTact(int c) {
    if (c < 1 || c > tactCount_) return false;
    if (!ensureCapacity(tactCount_ + 1)) {
        raiseError(kDiagrSizeError);
        return false;
    }
    keepShift(true, c);
    ChangeLog* const log = log_;
    log_ = nullptr;  // the shift is kept as a whole
    const bool grown = setTactCount(tactCount_ + 1);
    log_ = log;
    if (!grown) return false;
    auto& cells = testCells(currentTest_);
    for (size_t r = 1; r < kRowSlots; ++r) {
        auto rowBegin = cells.begin() + static_cast<std::ptrdiff_t>(r * stride());
        std::copy_backward(rowBegin + c, rowBegin + tactCount_, rowBegin + tactCount_ + 1);
    }
    return true;
}

bool TestDocument::deleteTact(int c) {
    if (tactCount_ <= 1 || c < 1 || c > tactCount_) return false;
    keepShift(false, c);
    auto& cells = testCells(currentTest_);
    for (size_t r = 1; r < kRowSlots; ++r) {
        auto rowBegin = cells.begin() + static_cast<std::ptrdiff_t>(r * stride());
        std::copy(rowBegin + c + 1, rowBegin + tactCount_ + 1, rowBegin + c);
        rowBegin[tactCount_] = kInactive;  // the tact after the last reads as inactive
    }
    --tactCount_;
    saved_ = false;
    if (events_.tactCountChanged) events_.tactCountChanged(tactCount_);
    return true;
}

// ---- tests -------------------------------------------------------------------

void TestDocument::setCurrentTest(int test) {
    if (test >= 0 && test < testCount_) currentTest_ = test;
}

bool TestDocument::setTestCount(int count) {
    if (count < 1 || count > kMaxTests) return false;
    try {
        // Storage exists only for the tests that exist; a new test starts inactive.
        if (static_cast<size_t>(count) < cells_.size()) cells_.resize(static_cast<size_t>(count));
        while (cells_.size() < static_cast<size_t>(count)) cells_.emplace_back(stride() * kRowSlots, kInactive);
    } catch (const std::bad_alloc&) {
        raiseError(kDiagrSizeError);
        return false;
    }
    testCount_ = count;
    if (currentTest_ >= testCount_) currentTest_ = 0;
    return true;
}

bool TestDocument::addTest() {
    if (testCount_ > 9) return false;
    const int t = testCount_;
    if (!setTestCount(testCount_ + 1)) return false;
    for (auto& f : pinFunction_[static_cast<size_t>(t)]) f.clear();
    signalOrder_[static_cast<size_t>(t)] = signalOrder_[static_cast<size_t>(currentTest_)];
    testName_.clear();
    if (events_.testNameChanged) events_.testNameChanged(testName_);
    saved_ = false;
    return true;
}

bool TestDocument::deleteCurrentTest() {
    if (testCount_ <= 1) return false;
    const auto t = static_cast<size_t>(currentTest_);
    cells_.erase(cells_.begin() + static_cast<std::ptrdiff_t>(t));
    for (size_t k = t; k + 1 < static_cast<size_t>(kMaxTests); ++k) {
        pinFunction_[k] = pinFunction_[k + 1];
        signalOrder_[k] = signalOrder_[k + 1];
    }
    --testCount_;
    if (currentTest_ >= testCount_) currentTest_ = testCount_ - 1;
    saved_ = false;
    return true;
}

// ---- pins and order ----------------------------------------------------------

void TestDocument::setPackage(const Package& p) {
    keepPackage();
    package_ = p;
    saved_ = false;
}

void TestDocument::setPinType(int row, const std::string& type) {
    if (row < 0 || row > kMaxRow) return;
    keepPin(row);
    pins_[static_cast<size_t>(row)].pinType = type;
    saved_ = false;
}

void TestDocument::setPinName(int row, const std::string& name) {
    if (row < 0 || row > kMaxRow) return;
    keepPin(row);
    pins_[static_cast<size_t>(row)].pinName = name;
    saved_ = false;
}

int TestDocument::ioPinCount() const {
    int n = 0;
    for (int p = 1; p <= pinCount(); ++p)
        if (pins_[static_cast<size_t>(p)].pinType == PinType::InOut) ++n;
    return n;
}

int TestDocument::fixedPinCount() const {
    int n = 0;
    for (int p = 1; p <= pinCount(); ++p)
        if (isFixedType(pins_[static_cast<size_t>(p)].pinType)) ++n;
    return n;
}

SignalEntry TestDocument::signalEntry(int test, int position) const {
    if (test < 0 || test >= kMaxTests || position < 0 || position > kMaxRow) return {};
    return signalOrder_[static_cast<size_t>(test)][static_cast<size_t>(position)];
}

void TestDocument::setSignalEntry(int test, int position, SignalEntry e) {
    if (test < 0 || test >= kMaxTests || position < 0 || position > kMaxRow) return;
    keepOrder(test);
    signalOrder_[static_cast<size_t>(test)][static_cast<size_t>(position)] = e;
    saved_ = false;
}

int TestDocument::signalRow(int test, int k) const {
    const SignalEntry e = signalEntry(test, k);
    return e.kind == RowKind::Output ? e.pin + kPinRows : e.pin;
}

void TestDocument::moveSignalEntry(int test, int from, int to) {
    if (test < 0 || test >= kMaxTests || from < 1 || to < 1 || from > kMaxRow || to > kMaxRow || from == to) return;
    keepOrder(test);
    auto& order = signalOrder_[static_cast<size_t>(test)];
    const SignalEntry moved = order[static_cast<size_t>(from)];
    if (from < to) {
        for (int k = from; k < to; ++k) order[static_cast<size_t>(k)] = order[static_cast<size_t>(k + 1)];
    } else {
        for (int k = from; k > to; --k) order[static_cast<size_t>(k)] = order[static_cast<size_t>(k - 1)];
    }
    order[static_cast<size_t>(to)] = moved;
    saved_ = false;
}

const std::string& TestDocument::pinFunction(int test, int row) const {
    static const std::string empty;
    if (test < 0 || test >= kMaxTests || row < 0 || row > kMaxRow) return empty;
    return pinFunction_[static_cast<size_t>(test)][static_cast<size_t>(row)];
}

void TestDocument::setPinFunction(int test, int row, const std::string& formula) {
    if (test < 0 || test >= kMaxTests || row < 0 || row > kMaxRow) return;
    keepFunction(test, row);
    pinFunction_[static_cast<size_t>(test)][static_cast<size_t>(row)] = formula;
    saved_ = false;
}

// ---- document data -----------------------------------------------------------

void TestDocument::setTestName(const std::string& name) {
    keepTestName();
    testName_ = name;
    saved_ = false;
    if (events_.testNameChanged) events_.testNameChanged(testName_);
}

void TestDocument::setDescriptionFile(const std::string& f) {
    keepDescriptionFile();
    descriptionFile_ = f;
}

void TestDocument::setTitle(const std::string& t) {
    title_ = t;
    if (events_.titleChanged) events_.titleChanged(title_);
}

int TestDocument::activeAlgorithm() const {
    for (int a = 3; a >= 0; --a)
        if (algorithms_[static_cast<size_t>(a)].active == 1) return a;
    return 0;
}

void TestDocument::resetAlgorithms() {
    keepAlgorithms();
    auto& std_ = algorithms_[0];
    auto& cyc = algorithms_[1];
    auto& rom = algorithms_[2];
    auto& ram = algorithms_[3];
    auto common = [](AlgorithmSettings& a, int active, int cycles, int start, int word, std::uint64_t startAddr,
                     std::uint64_t endAddr) {
        a.active = active;
        a.cycleCount = cycles;
        a.romStartTact = 1;
        a.startTact = start;
        a.endTact = start;
        a.dataWord = word;
        a.dataFileName.clear();
        a.addressWord = word;
        a.startAddress = startAddr;
        a.endAddress = endAddr;
    };
    common(std_, 1, -1, -1, -1, kNoAddress, kNoAddress);
    common(cyc, 0, 1, 1, -1, kNoAddress, kNoAddress);
    common(rom, 0, -1, -1, 0, 0, 1);
    const std::string ramFile = ram.dataFileName;  // the reset leaves the RAM file name alone
    common(ram, 0, 1, 1, 0, 0, 1);
    ram.dataFileName = ramFile;
    ram.writeStartTact = 1;
    ram.dataTact = 1;
    ram.dataTactCount = 1;
    ram.writeDataWord = 0;
    ram.writeDataTact = 1;
    ram.writeDataTactCount = 1;
    ram.addressTact = 1;
    ram.addressTactCount = 1;
    ram.writeAddressWord = 0;
    ram.writeAddressTact = 1;
    ram.writeAddressTactCount = 1;
    ram.ramReserved1 = 1;
    ram.ramReserved2 = 1;
}

void TestDocument::clearDocument() {
    descriptionFile_.clear();
    fileName_.clear();
    package_.pinCount = 8;
    tactHighWater_ = 0;
    setTitle(kNewTitle);
    currentTest_ = 0;
    testName_ = kNewTestName;
    if (events_.testNameChanged) events_.testNameChanged(testName_);
    // A one-test document keeps storage for one test only.
    cells_.resize(1);
    if (cells_[0].size() != stride() * kRowSlots) cells_[0].assign(stride() * kRowSlots, kInactive);
    testCount_ = 1;
    tactCount_ = 0;
    setTactCount(kNewTactCount);
    tactHighWater_ = kNewTactCount;
    for (int r = 0; r < kRowSlots; ++r) pins_[static_cast<size_t>(r)].numberLabel = std::to_string(r);
    resetAlgorithms();
    for (auto& order : signalOrder_) {
        order.fill(SignalEntry{});
        for (int k = 1; k <= kPinRows; ++k) order[static_cast<size_t>(k)] = {k, RowKind::Pin};
    }
    // Only the 26 tacts (and the one behind them) need clearing: growing beyond the high-water
    // mark sets every new tact to inactive, and nothing reads beyond the tact count.
    const size_t cleared = std::min(stride(), static_cast<size_t>(kNewTactCount) + 2);
    for (size_t r = 0; r < kRowSlots; ++r)
        std::fill_n(cells_[0].begin() + static_cast<std::ptrdiff_t>(r * stride()), cleared, kInactive);
    for (auto& test : pinFunction_)
        for (auto& f : test) f.clear();
    for (int r = 0; r < kMaxRow; ++r) {
        pins_[static_cast<size_t>(r)].pinType = PinType::Input;
        pins_[static_cast<size_t>(r)].pinName.clear();
    }
    saved_ = true;
    if (events_.cleared) events_.cleared();
}

void TestDocument::raiseError(const std::string& message) {
    if (events_.error) events_.error(message);
}

}  // namespace kvx::model
