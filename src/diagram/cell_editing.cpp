#include "diagram/cell_editing.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string_view>

#include "model/text.h"

namespace kvx::diagram {

using model::CellLevel;
using model::TestDocument;
namespace T = model::PinType;

bool isEditableRow(const TestDocument& doc, int row) {
    if (row < 1 || row > model::kMaxRow) return false;
    if (row > model::kPinRows) return true;
    const std::string& type = doc.pin(row).pinType;
    return type == T::Input || type == T::Output || type == T::InOut;
}

bool acceptsContextLevel(const TestDocument& doc, int row) {
    if (row < 1 || row > model::kMaxRow) return false;
    const std::string& type = doc.pin(row).pinType;
    if (row > model::kPinRows) return type == T::IoOutput;
    return type == T::Input || type == T::Output || type == T::InOut;
}

CellLevel nextLevel(CellLevel level) {
    switch (level) {
        case model::kInactive: return model::kLow;
        case model::kLow: return model::kHigh;
        default: return model::kInactive;
    }
}

void storeLevel(TestDocument& doc, int row, int tact, CellLevel level) {
    if (tact < 1) return;
    if (tact == doc.tactCount() + 1 && !doc.setTactCount(tact)) return;
    doc.setCell(doc.currentTest(), row, tact, level);
}

bool fillRow(TestDocument& doc, int row, int fromTact, CellLevel level) {
    if (!isEditableRow(doc, row)) return false;
    const int from = std::max(1, fromTact);
    const int last = doc.tactCount();
    if (from > last) return true;
    CellLevel* cells = doc.mutableRowData(doc.currentTest(), row);
    std::fill(cells + from, cells + last + 1, level);
    return true;
}

void swapDisplayRows(TestDocument& doc, int a, int b) {
    const int test = doc.currentTest();
    const model::SignalEntry ea = doc.signalEntry(test, a);
    const model::SignalEntry eb = doc.signalEntry(test, b);
    doc.setSignalEntry(test, a, eb);
    doc.setSignalEntry(test, b, ea);
}

bool insertTactAt(TestDocument& doc, int c) {
    if (c < 1) return false;
    if (c > doc.tactCount()) return doc.setTactCount(doc.tactCount() + 1);
    return doc.insertTact(c);
}

bool deleteTactAt(TestDocument& doc, int c) {
    if (c < 1 || doc.tactCount() <= 1) return false;
    if (c <= doc.tactCount()) return doc.deleteTact(c);
    // Nothing moves; the count drops by one as it would after deleting the last tact, and
    // the length of the drawn diagram stays what it was.
    const int base = doc.baseTactCount();
    if (!doc.setTactCount(doc.tactCount() - 1)) return false;
    doc.setBaseTactCount(base);
    return true;
}

namespace {

std::optional<int> toInt(const std::string& s) {
    // A whole number with an optional sign and blanks around it.
    size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ') ++b;
    while (e > b && s[e - 1] == ' ') --e;
    if (b == e) return std::nullopt;
    size_t i = b;
    bool negative = false;
    if (s[i] == '+' || s[i] == '-') {
        negative = s[i] == '-';
        ++i;
    }
    if (i == e) return std::nullopt;
    long long v = 0;
    for (; i < e; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return std::nullopt;
        v = v * 10 + (s[i] - '0');
        if (v > 2147483647LL) return std::nullopt;
    }
    return static_cast<int>(negative ? -v : v);
}

}  // namespace

std::optional<int> tactFieldValue(const std::string& text) {
    if (auto v = toInt(text)) return v;
    if (text.empty()) return std::nullopt;
    const std::string_view all(text);
    return toInt(std::string(all.substr(0, all.size() - model::text::last(all).size())));
}

TactFieldOutcome setTactCountFromText(TestDocument& doc, const std::string& text) {
    if (text.empty()) return TactFieldOutcome::Empty;
    const auto v = tactFieldValue(text);
    if (!v) return TactFieldOutcome::Restore;
    return doc.setTactCount(*v) ? TactFieldOutcome::Changed : TactFieldOutcome::Unchanged;
}

}  // namespace kvx::diagram
