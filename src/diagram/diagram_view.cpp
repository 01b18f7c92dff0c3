#include "diagram/diagram_view.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <string>

namespace kvx::diagram {

using model::TestDocument;

void zoomIn(DiagramView& v) {
    v.cellWidth = v.cellWidth < 45 ? v.cellWidth + 2 : 46;
    if (v.cellWidth >= 15) v.rowHeight = v.rowHeight < 45 ? v.rowHeight + 2 : 46;
}

void zoomOut(DiagramView& v) {
    v.rowHeight = v.rowHeight > 15 ? v.rowHeight - 2 : 14;
    if (v.cellWidth > 15)
        v.cellWidth -= 2;
    else if (v.cellWidth > 3)
        v.cellWidth -= 1;
}

void zoomStandard(DiagramView& v) {
    v.cellWidth = kStandardSize;
    v.rowHeight = kStandardSize;
}

void zoomToFit(DiagramView& v, int tactCount, const std::function<int(int rowHeight)>& canvasWidth) {
    DiagramView step = v;
    step.cellWidth = 46;
    step.rowHeight = 46;
    while (step.cellWidth > 3 && horizontalRange(tactCount, step.cellWidth, canvasWidth(step.rowHeight)).shown)
        zoomOut(step);
    v.cellWidth = step.cellWidth;
    v.rowHeight = step.rowHeight;
}

LevelGeometry levelGeometry(const DiagramView& v) {
    const int h = v.rowHeight;
    LevelGeometry g{};
    g.highOffset = h / 4 - 1;
    g.lowOffset = h / 4 + h / 2 + 2;
    g.inactiveOffset = h / 2;
    g.penWidth = std::max(1, h / 6 + v.lineThickness);
    g.edgeWidth = std::max(1, g.penWidth - 1);
    return g;
}

int displayRowTotal(const TestDocument& doc) { return doc.pinCount() + doc.ioPinCount(); }

int lastPaintedRow(int total, int rowOffset, int canvasHeight, int rowHeight, bool verticalBarShown) {
    if (rowHeight <= 0) return total;
    if (verticalBarShown && canvasHeight / rowHeight < total - rowOffset)
        return rowOffset + canvasHeight / rowHeight + 1;
    return total;
}

int lastPaintedTact(int tactCount, int tactOffset, int canvasWidth, int cellWidth, bool horizontalBarShown) {
    if (cellWidth <= 0) return tactCount;
    if (horizontalBarShown && (canvasWidth - kPinColumnRight) / cellWidth <= tactCount - tactOffset)
        return tactOffset + (canvasWidth + cellWidth - kPinColumnRight) / cellWidth;
    return tactCount;
}

Rgb lineColour(const TestDocument& doc, int row, const DiagramView& v) {
    const std::string& type = doc.pin(pinOfRow(row)).pinType;
    namespace T = model::PinType;
    if (type == T::Input) return v.inputColour;
    if (type == T::Output) return v.outputColour;
    if (type == T::InOut) return row > model::kPinRows ? v.outputColour : v.inputColour;
    if (type == T::NotConnected) return v.ncColour;
    if (type == T::Supply) return v.vccColour;
    if (type == T::Ground) return v.gndColour;
    if (type == T::Function) return v.functionColour;
    // A type the pin list does not offer (a damaged file) is drawn like an input.
    return v.inputColour;
}

bool typeShownInRed(const TestDocument& doc, int row) {
    return model::isFunctionType(doc.pin(row).pinType) && doc.pinFunction(doc.currentTest(), row).empty();
}

const char* bitText(model::CellLevel level) {
    return level == model::kLow ? "0" : level == model::kHigh ? "1" : "x";
}

std::vector<RulerLabel> rulerLabels(int tactOffset, int tactCount, int cellWidth, int stripWidth,
                                    int tactMicroseconds, int digitWidth) {
    std::vector<RulerLabel> out;
    const int w = cellWidth;
    const int h = w / 2;
    const long long shift = static_cast<long long>(tactOffset) * w;
    // With the width of a digit known, only every k-th label is written, k the smallest step
    // at which the widest label of the test and a gap fit between two labels; a label that
    // would still touch the one before it (where the label widths change) is left out too.
    int every = 1;
    const int gap = digitWidth > 0 ? std::max(2, digitWidth / 2) : 0;
    if (digitWidth > 0 && w > 0) {
        const long long last = tactCount >= 100 ? tactCount : tactCount / 4 * 4;
        const long long widest = tactMicroseconds > 0 ? std::max(0LL, last - 1) * tactMicroseconds : last;
        const long long need = static_cast<long long>(std::to_string(widest).size()) * digitWidth + gap;
        every = static_cast<int>(std::max(1LL, (need + 4LL * w - 1) / (4LL * w)));
    }
    long long previousRight = std::numeric_limits<long long>::min();
    for (int i = tactOffset / 4 + 1; i <= tactCount / 4; ++i) {
        if (i % every != 0) continue;
        const int b = 4 * i;
        int label = b;
        int offset = 4;
        if (b >= 10 && b <= 99) offset = 7;
        if (b >= 100) {
            label = b + 1;
            offset = b < 1000 ? 12 : b < 10000 ? 17 : b < 100000 ? 20 : b < 1000000 ? 24 : 28;
        }
        std::string text = std::to_string(label);
        if (tactMicroseconds > 0) {
            // A time is wider than the tact number: it keeps its right end where a number of
            // as many digits would end.
            text = std::to_string(static_cast<long long>(label - 1) * tactMicroseconds);
            static constexpr int kOffsets[] = {4, 4, 7, 12, 17, 20, 24, 28, 32, 36, 40, 44};
            offset = kOffsets[std::min<size_t>(text.size(), std::size(kOffsets) - 1)];
        }
        const long long x = static_cast<long long>(label) * w - h - shift - offset;
        if (x >= stripWidth) break;  // the labels only grow to the right from here on
        if (digitWidth > 0) {
            if (x < previousRight + gap) continue;
            previousRight = x + static_cast<long long>(text.size()) * digitWidth;
        }
        out.push_back({static_cast<int>(x), std::move(text)});
    }
    return out;
}

ScrollRange verticalRange(int total, int rowHeight, int areaHeight) {
    if (rowHeight <= 0 || areaHeight >= total * rowHeight) return {};
    return {true, total + 2 - areaHeight / rowHeight};
}

ScrollRange horizontalRange(int tactCount, int cellWidth, int canvasWidth) {
    if (cellWidth <= 0) return {};
    if (static_cast<long long>(canvasWidth) >= static_cast<long long>(tactCount + 2) * cellWidth + kPinColumnRight)
        return {};
    const int m = tactCount - (canvasWidth - kPinColumnRight) / cellWidth + 1;
    if (m <= 0) return {};
    return {true, m};
}

ScrollRange horizontalRangeForTactField(int tactCount, int cellWidth, int canvasWidth) {
    if (cellWidth <= 0) return {};
    if (static_cast<long long>(tactCount) * cellWidth + kPinColumnRight <= canvasWidth) return {};
    const int m = tactCount - (canvasWidth - kPinColumnRight) / cellWidth + 1;
    if (m <= 0) return {};
    return {true, m};
}

std::string packageStatusText(const TestDocument& doc) {
    const char* type = doc.package().packageType == model::PackageType::SOIC ? "SOIC" : "DIP";
    return std::string("Тип корпуса = ") + type + std::to_string(doc.pinCount());
}

std::string algorithmStatusText(const TestDocument& doc) {
    static const char* const names[] = {"Стандартный Алгоритм", "Циклический Алгоритм", "Алгоритм ПЗУ",
                                        "Алгоритм ОЗУ"};
    const int a = doc.activeAlgorithm();
    return names[(a >= 0 && a <= 3) ? a : 0];
}

std::string tactStatusText(const TestDocument& doc, int tact) {
    const long long start = static_cast<long long>(tact - 1) * doc.testParameters().effectiveTactDuration();
    return "Такт " + std::to_string(tact) + ", " + std::to_string(start) + " мкс";
}

TactInput parseTactInput(const std::string& text, int tactCount) {
    const size_t b = text.find_first_not_of(" \t");
    const size_t e = text.find_last_not_of(" \t");
    const std::string digits = b == std::string::npos ? std::string() : text.substr(b, e - b + 1);
    const std::string range = "Введите номер такта от 1 до " + std::to_string(tactCount);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos)
        return {0, "\"" + text + "\" не номер такта. " + range};
    // Leading zeros are allowed; more digits than any tact count has are out of range.
    const size_t first = std::min(digits.find_first_not_of('0'), digits.size());
    const std::string significant = digits.substr(first);
    if (significant.empty() || significant.size() > 9 || std::stoi(significant) > tactCount)
        return {0, "В тесте нет такта " + digits + ". " + range};
    return {std::stoi(significant), {}};
}

int scrolledRowTotal(const TestDocument& doc, const DiagramView& v) {
    return displayRowTotal(doc) + (v.wordLanes ? static_cast<int>(doc.dataWords().size()) : 0);
}

}  // namespace kvx::diagram
