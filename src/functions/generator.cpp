#include "functions/generator.h"

#include <algorithm>

namespace kvx::functions {

using model::CellLevel;

Pattern builtinPattern(PulseVariant variant) {
    switch (variant) {
    case PulseVariant::One: return {1, 0, 1, 0, 1, 0, 1, 0};
    case PulseVariant::Two: return {1, 1, 0, 0, 1, 1, 0, 0};
    case PulseVariant::Three: return {0, 0, 1, 0, 0, 1};
    case PulseVariant::Own: break;
    }
    return {};
}

Pattern ownPattern(int duration, int pause, bool inverted) {
    duration = std::clamp(duration, kMinPulseLength, kMaxPulseLength);
    pause = std::clamp(pause, kMinPulseLength, kMaxPulseLength);
    const CellLevel pulse = inverted ? model::kLow : model::kHigh;
    const CellLevel rest = inverted ? model::kHigh : model::kLow;
    Pattern p(static_cast<size_t>(duration), pulse);
    p.insert(p.end(), static_cast<size_t>(pause), rest);
    return p;
}

Pattern repeatPattern(const Pattern& pattern, int count) {
    Pattern out;
    if (pattern.empty() || count <= 0) return out;
    out.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) out.push_back(pattern[static_cast<size_t>(i) % pattern.size()]);
    return out;
}

CellLevel nextSequenceLevel(CellLevel level) {
    switch (level) {
    case model::kLow: return model::kHigh;
    case model::kHigh: return model::kInactive;
    default: return model::kLow;
    }
}

int sequenceCellAt(int x, int cellWidth, int length) {
    if (x < 0 || cellWidth <= 0 || length <= 0) return -1;
    const int index = x / cellWidth;
    return index < length ? index : -1;
}

void Sequence::setLength(int n) { length = std::clamp(n, 1, kMaxSequenceLength); }

bool Sequence::cycle(int index) {
    if (index < 0 || index >= length || index >= kMaxSequenceLength) return false;
    auto& level = levels[static_cast<size_t>(index)];
    level = nextSequenceLevel(level);
    return true;
}

Pattern Sequence::pattern() const {
    const int n = std::clamp(length, 1, kMaxSequenceLength);
    return Pattern(levels.begin(), levels.begin() + n);
}

bool canGenerate(const model::TestDocument& doc, int row) {
    if (row > model::kPinRows) return row <= model::kMaxRow && row - model::kPinRows <= doc.pinCount();
    if (row < 1 || row > doc.pinCount()) return false;
    const std::string& type = doc.pin(row).pinType;
    return type == model::PinType::Input || type == model::PinType::Output || type == model::PinType::InOut;
}

bool fillRow(model::TestDocument& doc, int row, int firstTact, int lastTact, const Pattern& pattern) {
    if (!canGenerate(doc, row) || pattern.empty() || pattern.size() > static_cast<size_t>(kMaxPatternLength))
        return false;
    if (std::any_of(pattern.begin(), pattern.end(), [](CellLevel v) { return v > model::kInactive; }))
        return false;
    const int tacts = doc.tactCount();
    if (tacts < 1) return false;
    lastTact = std::clamp(lastTact, 1, tacts);
    firstTact = std::max(firstTact, 1);
    if (lastTact < firstTact) firstTact = lastTact;
    const int test = doc.currentTest();
    const auto n = static_cast<long long>(pattern.size());
    for (int t = firstTact; t <= lastTact; ++t)
        doc.setCell(test, row, t, pattern[static_cast<size_t>((t - firstTact) % n)]);
    return true;
}

}  // namespace kvx::functions
