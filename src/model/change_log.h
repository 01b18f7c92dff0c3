#pragma once
// What one user action changed in a document, kept as the values it replaced, so that the
// action can be undone and redone. Only what the action touched is kept: single cells, runs
// of a row (run-length coded), one pin, one display order, the word list..., never a copy of
// the whole document. The document fills the log while one is attached to it.
//
// Undoing swaps every kept value with the document's current one, last change first; redoing
// swaps them back, first change first. A value is kept once per action (the first time it is
// touched), so what stands in the log is always the state before the action.

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "model/test_document.h"

namespace kvx::model {

class ChangeLog {
public:
    ChangeLog() = default;
    ChangeLog(ChangeLog&&) noexcept = default;
    ChangeLog& operator=(ChangeLog&&) noexcept = default;

    /// True when the action changed nothing: no entry, or every kept value equals the
    /// document's current one (an action that only looked at a field).
    bool changesNothing(const TestDocument& doc) const;
    bool empty() const { return entries_.empty(); }
    /// Memory the log holds, in bytes (approximate, for the size limit of the history).
    std::size_t bytes() const;

    void undo(TestDocument& doc);
    void redo(TestDocument& doc);

    /// The action is over: the bookkeeping of what was kept is dropped, only the values stay.
    void seal() { kept_.reset(); }

    /// Appends a later action's changes (a run of typed levels that becomes one step).
    void append(ChangeLog&& later);

    /// A tag that lets consecutive actions of the same kind merge (0: never merges).
    int mergeKey() const { return mergeKey_; }
    void setMergeKey(int key) { mergeKey_ = key; }

private:
    friend class TestDocument;

    struct Counts {
        int tactCount = 0, tactHighWater = 0, baseTactCount = 0;
    };
    struct CellEntry {
        int test, row, tact;
        CellLevel level;
    };
    /// Tacts first..first+count-1 of one row, run-length coded as (level, run) byte pairs
    /// with runs of at most 255.
    struct RunEntry {
        int test, row, first, count;
        std::vector<std::uint8_t> runs;
    };
    struct PinEntry {
        int row;
        Pin pin;
    };
    struct OrderEntry {
        int test;
        std::vector<SignalEntry> order;  ///< display positions 0..100
    };
    struct FunctionEntry {
        int test, row;
        std::string formula;
    };
    enum class Text { TestName, DescriptionFile };
    struct TextEntry {
        Text which;
        std::string text;
    };
    /// A tact inserted or deleted at `tact` of one test: the counts before it and the column
    /// of levels it overwrote (the hidden tact behind the last for an insertion, the deleted
    /// tact for a deletion).
    struct ShiftEntry {
        bool inserted;
        bool applied;  ///< the document shows the shift (it was recorded, or redone)
        int test, tact;
        Counts counts;
        std::vector<CellLevel> column;  ///< rows 0..100
    };
    struct AlgorithmsEntry {
        std::unique_ptr<std::array<AlgorithmSettings, 4>> settings;
    };
    using Entry = std::variant<CellEntry, RunEntry, PinEntry, OrderEntry, FunctionEntry, TextEntry, Package,
                               std::vector<DataWord>, AlgorithmsEntry, TestParameters, Counts,
                               ShiftEntry>;

    static std::vector<std::uint8_t> encodeRuns(const CellLevel* cells, int count);
    static void decodeRuns(const std::vector<std::uint8_t>& runs, CellLevel* cells);

    void swap(TestDocument& doc, Entry& e);
    bool sameAsDocument(const TestDocument& doc, const Entry& e) const;

    /// What was kept already in this action: each value is kept only the first time.
    struct Kept {
        std::array<std::bitset<kRowSlots>, kMaxTests> rows{};
        std::array<std::bitset<kRowSlots>, kMaxTests> functions{};
        std::bitset<kRowSlots> pins;
        std::bitset<kMaxTests> orders;
        bool package = false, words = false, algorithms = false, parameters = false, counts = false;
        bool testName = false, descriptionFile = false;
    };

    /// What this action kept so far; dropped by seal() once the action is over.
    Kept& kept();

    std::vector<Entry> entries_;
    std::unique_ptr<Kept> kept_;
    int mergeKey_ = 0;
};

}  // namespace kvx::model
