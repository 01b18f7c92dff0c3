#pragma once
// The one test that the editor has open: package, pins, timing diagram, data words,
// formulas, algorithm settings and test parameters, with the cell and tact-count rules
// that every other subsystem relies on.

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kvx::model {

inline constexpr int kMaxRow = 100;          ///< rows 0..100; row 0 is never used
inline constexpr int kRowSlots = kMaxRow + 1;
inline constexpr int kPinRows = 50;          ///< pin rows 1..50; output row of pin n is n + 50
inline constexpr int kMaxPins = 40;
inline constexpr int kMaxTests = 10;
inline constexpr int kMaxDataWords = 51;
inline constexpr int kWordSlots = 99;
inline constexpr int kNewTactCount = 26;
/// Largest tact count the cell storage is grown to; beyond it "Error DiagrSize" is raised.
inline constexpr int kMaxTactCount = 1'000'000;
inline constexpr std::array<int, 9> kPinCounts = {8, 14, 16, 18, 20, 24, 28, 32, 40};

/// Level of one cell: 0, 1 or 2 (inactive). No other value is stored.
using CellLevel = std::uint8_t;
inline constexpr CellLevel kLow = 0;
inline constexpr CellLevel kHigh = 1;
inline constexpr CellLevel kInactive = 2;

inline constexpr const char* kNewTestName = "Основной Тест";
inline constexpr const char* kNewTitle = "KVX - Новый тест     Редактор";
inline constexpr const char* kDiagrSizeError = "Error DiagrSize";

enum class PackageType { DIP, SOIC };

struct Package {
    PackageType packageType = PackageType::DIP;
    int pinCount = 8;
};

/// Pin type texts; types are compared as text everywhere.
namespace PinType {
inline constexpr const char* Input = "I";
inline constexpr const char* Output = "O";
inline constexpr const char* InOut = "I/O";
inline constexpr const char* Function = "O=F(c)";
inline constexpr const char* NotConnected = "NC";
inline constexpr const char* Supply = "VCC";
inline constexpr const char* Ground = "GND";
inline constexpr const char* IoOutput = "O/i";
inline constexpr const char* IoFunction = "O/i=F(c)";
}  // namespace PinType

/// A type of four or more characters marks a row computed from its formula.
bool isFunctionType(const std::string& pinType);
/// "NC", "VCC" and "GND" rows are not signals.
bool isFixedType(const std::string& pinType);

struct Pin {
    std::string numberLabel;
    std::string pinType = PinType::Input;
    std::string pinName;
};

enum class RowKind : std::uint8_t { None = 0, Pin = 1, Output = 2 };

/// One display position: pin number and whether the pin row or its output row is shown.
struct SignalEntry {
    int pin = 0;
    RowKind kind = RowKind::None;
    bool operator==(const SignalEntry&) const = default;
};

struct DataWord {
    std::string wordName;
    std::array<int, kWordSlots> memberRows{};  ///< row numbers in bit order; 0 = empty slot
    int code = 0;                              ///< 0 direct, 1 inverse
    int radix = 16;                            ///< 2, 8, 10 or 16
    bool linkToTestFile = true;
    int direction = 0;                         ///< 0 I, 1 O, 2 I/O; use effectiveDirection()

    /// Number of non-empty slots.
    int memberCount() const;
    /// Non-empty slots in order.
    std::vector<int> members() const;
    /// Appends a row to the first empty slot; false when all slots are taken.
    bool addMember(int row);
    void clearMembers();
    /// A stored direction above 2 is taken as 0.
    int effectiveDirection() const { return (direction < 0 || direction > 2) ? 0 : direction; }
    bool operator==(const DataWord&) const = default;
};

struct TestParameters {
    int tactDuration = 2;   ///< 1..8; any other value is used as 2
    int levelHighCode = 102;
    int levelLowCode = 41;

    /// Duration as written and used: outside 1..8 it is 2.
    int effectiveTactDuration() const { return (tactDuration < 1 || tactDuration > 8) ? 2 : tactDuration; }
    /// Code of a voltage: whole part of (volts + 0.01) * 51.2.
    static int voltsToCode(double volts);
    static double codeToVolts(int code) { return code * 5.0 / 256.0; }
    void resetToDefaults() { *this = TestParameters{}; }
    bool operator==(const TestParameters&) const = default;
};

/// The address of an algorithm that has none (the reset's -1, as a 64-bit word value).
inline constexpr std::uint64_t kNoAddress = ~std::uint64_t{0};

enum class Algorithm { Standard = 0, Cyclic = 1, Rom = 2, Ram = 3 };

struct AlgorithmSettings {
    int active = 0;
    int cycleCount = 0;
    int romStartTact = 0;
    int startTact = 0;
    int writeStartTact = 0;
    int endTact = 0;
    int dataWord = 0;
    int dataTact = 0;
    int dataTactCount = 0;
    int writeDataWord = 0;
    int writeDataTact = 0;
    int writeDataTactCount = 0;
    std::string dataFileName;
    int addressWord = 0;
    int addressTact = 0;
    int addressTactCount = 0;
    std::uint64_t startAddress = 0;  ///< a value of the address word; the reset's "none" is kNoAddress
    std::uint64_t endAddress = 0;
    int writeAddressWord = 0;
    int writeAddressTact = 0;
    int writeAddressTactCount = 0;
    int ramReserved1 = 0;  ///< set to 1 by the reset of the RAM record; nothing reads it
    int ramReserved2 = 0;
    bool operator==(const AlgorithmSettings&) const = default;
};

/// What the document tells the window about: the GUI subscribes, the core only raises.
struct DocumentEvents {
    std::function<void(const std::string&)> titleChanged;
    std::function<void(int)> tactCountChanged;       ///< the tact-count field shows the value
    std::function<void(const std::string&)> testNameChanged;
    std::function<void()> cleared;                   ///< view reset, formula panel hidden and emptied, diagram shown
    std::function<void(const std::string&)> error;   ///< an error message box ("Error DiagrSize")
};

class ChangeLog;

class TestDocument {
public:
    TestDocument();

    // ---- cells -------------------------------------------------------------
    /// Stored level; 2 when tact is beyond tactCount or outside the rows/tests.
    CellLevel getCell(int test, int row, int tact) const;
    /// Stores a level. At tactCount + 1 nothing happens; beyond it the tact count is raised first.
    void setCell(int test, int row, int tact, CellLevel level);
    /// Row of one test as a contiguous span of tacts 1..tactCount (index 0 is tact 0).
    const CellLevel* rowData(int test, int row) const;
    /// Writable row storage for bulk operations of the editing commands; clears `saved`.
    CellLevel* mutableRowData(int test, int row);
    /// The same for a caller that writes only tacts first..first+count-1 (all within the tact
    /// count): an attached change log keeps only those.
    CellLevel* mutableRowSpan(int test, int row, int first, int count);

    // ---- tacts -------------------------------------------------------------
    int tactCount() const { return tactCount_; }
    int tactHighWater() const { return tactHighWater_; }
    void setTactHighWater(int value) { tactHighWater_ = value; }
    int baseTactCount() const { return baseTactCount_; }
    void setBaseTactCount(int value) {
        keepCounts();
        baseTactCount_ = value;
    }
    /// Changes the number of tacts; false when n <= 0, n is the current count, or storage fails.
    bool setTactCount(int n);
    /// The same, for a caller that writes every new tact of `overwritten` rows of the current
    /// test itself right away (the file reader): those rows are not set to inactive first.
    bool setTactCount(int n, const std::bitset<kRowSlots>& overwritten);
    /// Inserts a tact at c in the current test: tacts c.. move right, tact c keeps its level.
    bool insertTact(int c);
    /// Deletes tact c of the current test; does nothing when only one tact is left.
    bool deleteTact(int c);

    // ---- tests -------------------------------------------------------------
    int testCount() const { return testCount_; }
    int currentTest() const { return currentTest_; }
    void setCurrentTest(int test);
    /// Sets the number of tests read from a file (1..10); storage is allocated for them.
    bool setTestCount(int count);
    /// Appends a test while testCount <= 9; its signal rows inactive, formulas empty, name empty.
    bool addTest();
    /// Deletes the current test; later tests move one place down.
    bool deleteCurrentTest();

    // ---- pins and signal order --------------------------------------------
    const Package& package() const { return package_; }
    void setPackage(const Package& p);
    int pinCount() const { return package_.pinCount; }
    const Pin& pin(int row) const { return pins_.at(static_cast<size_t>(row)); }
    void setPinType(int row, const std::string& type);
    void setPinName(int row, const std::string& name);
    /// Number of pins 1..pinCount whose type is "I/O".
    int ioPinCount() const;
    /// Number of pins 1..pinCount whose type is "NC", "VCC" or "GND".
    int fixedPinCount() const;
    /// Pins plus output rows: the number of display positions.
    int displayRowCount() const { return pinCount() + ioPinCount(); }

    SignalEntry signalEntry(int test, int position) const;
    void setSignalEntry(int test, int position, SignalEntry e);
    /// Row at display position k (1-based): pin number, + 50 for an output row.
    int signalRow(int test, int k) const;
    /// Moves the entry at display position from to position to (others shift).
    void moveSignalEntry(int test, int from, int to);

    const std::string& pinFunction(int test, int row) const;
    void setPinFunction(int test, int row, const std::string& formula);

    // ---- document data -----------------------------------------------------
    const std::string& fileName() const { return fileName_; }
    void setFileName(const std::string& f) { fileName_ = f; }
    bool saved() const { return saved_; }
    void setSaved(bool s) { saved_ = s; }
    void markChanged() { saved_ = false; }
    const std::string& testName() const { return testName_; }
    void setTestName(const std::string& name);
    const std::string& descriptionFile() const { return descriptionFile_; }
    void setDescriptionFile(const std::string& f);
    const std::string& title() const { return title_; }
    void setTitle(const std::string& t);

    /// Writable word list; an attached change log keeps the list as it was first.
    std::vector<DataWord>& dataWords() {
        keepWords();
        return dataWords_;
    }
    const std::vector<DataWord>& dataWords() const { return dataWords_; }

    std::array<AlgorithmSettings, 4>& algorithms() {
        keepAlgorithms();
        return algorithms_;
    }
    const std::array<AlgorithmSettings, 4>& algorithms() const { return algorithms_; }
    AlgorithmSettings& algorithm(Algorithm a) { return algorithms()[static_cast<size_t>(a)]; }
    /// Highest index whose `active` is 1; 0 when none is.
    int activeAlgorithm() const;
    void resetAlgorithms();

    TestParameters& testParameters() {
        keepParameters();
        return parameters_;
    }
    const TestParameters& testParameters() const { return parameters_; }

    /// Resets to a new test; the data words and the test parameters are kept.
    void clearDocument();

    /// While a log is attached, every change is kept in it (see ChangeLog); nullptr detaches.
    void setChangeLog(ChangeLog* log) { log_ = log; }
    ChangeLog* changeLog() const { return log_; }

    DocumentEvents& events() { return events_; }
    /// Raises an error message through the events (or keeps it when nobody listens).
    void raiseError(const std::string& message);

private:
    friend class ChangeLog;
    // Keeping values in the attached change log before they change.
    void keepCell(int test, int row, int tact);
    void keepRun(int test, int row, int first, int count);
    void keepRow(int test, int row);
    void keepPin(int row);
    void keepOrder(int test);
    void keepFunction(int test, int row);
    void keepTestName();
    void keepDescriptionFile();
    void keepPackage();
    void keepWords();
    void keepAlgorithms();
    void keepParameters();
    void keepCounts();
    void keepShift(bool inserted, int tact);

    bool ensureCapacity(int tacts);
    size_t stride() const { return static_cast<size_t>(capacity_) + 1; }
    std::vector<CellLevel>& testCells(int test) { return cells_[static_cast<size_t>(test)]; }

    std::string fileName_;
    bool saved_ = true;
    std::string testName_ = kNewTestName;
    std::string descriptionFile_;
    std::string title_ = kNewTitle;
    Package package_;
    std::array<Pin, kRowSlots> pins_;
    int testCount_ = 1;
    int currentTest_ = 0;
    int tactCount_ = 0;
    int tactHighWater_ = 0;
    int baseTactCount_ = 0;
    int capacity_ = 0;  ///< tacts held per row (>= tactHighWater)
    /// Per existing test: rows 0..100, each `stride()` cells (tact 0 .. capacity).
    std::vector<std::vector<CellLevel>> cells_;
    std::array<std::array<SignalEntry, kRowSlots>, kMaxTests> signalOrder_{};
    std::array<std::array<std::string, kRowSlots>, kMaxTests> pinFunction_{};
    std::vector<DataWord> dataWords_;
    std::array<AlgorithmSettings, 4> algorithms_{};
    TestParameters parameters_;
    DocumentEvents events_;
    ChangeLog* log_ = nullptr;
};

}  // namespace kvx::model
