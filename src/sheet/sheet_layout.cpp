#include "sheet/sheet_layout.h"

#include <algorithm>
#include <charconv>

#include "diagram/diagram_view.h"

namespace kvx::sheet {

Millimetres paperSize(const PageFormat& format) {
    Millimetres m = format.paper == Paper::A3 ? Millimetres{297, 420} : Millimetres{210, 297};
    if (format.landscape) std::swap(m.width, m.height);
    return m;
}

int sheetPixels(double mm) { return mm <= 0 ? 0 : static_cast<int>(mm * kSheetDpi / 25.4); }

std::optional<Paper> parsePaper(std::string_view text) {
    if (text == "A4" || text == "a4") return Paper::A4;
    if (text == "A3" || text == "a3") return Paper::A3;
    return std::nullopt;
}

namespace {

std::optional<int> parseTact(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    if (s.empty() || s.size() > 9) return std::nullopt;
    int v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return v;
}

int ceilDiv(long long a, long long b) { return static_cast<int>((a + b - 1) / b); }

}  // namespace

RangeParse parseTactRange(std::string_view text, int tactCount) {
    RangeParse r;
    const auto dash = text.find('-');
    const auto first = parseTact(text.substr(0, dash));
    const auto last = dash == std::string_view::npos ? first : parseTact(text.substr(dash + 1));
    if (!first || !last) {
        r.error = "такты заданы неверно: \"" + std::string(text) + "\" (нужно A-B, например 1-200)";
        return r;
    }
    if (*first < 1 || *last < *first || *last > tactCount) {
        r.error = "такты " + std::string(text) + " вне теста: в нём такты 1-" + std::to_string(tactCount);
        return r;
    }
    r.range = TactRange{*first, *last};
    return r;
}

DiagramPages::DiagramPages(int contentWidth, int contentHeight, int rowTotal, TactRange tacts, int cellWidth,
                           int rowHeight)
    : tacts_(tacts), rowTotal_(std::max(0, rowTotal)) {
    const int w = std::max(1, cellWidth);
    const int h = std::max(1, rowHeight);
    // A band is the header strip, then the canvas: the pin column, its tacts and the closing
    // grid line. A page too small for one tact or row still gets one.
    tactsPerBand_ = std::max(1, (contentWidth - diagram::kFirstCellX - 1) / w);
    const int rowsFit = std::max(1, (contentHeight - diagram::kHeaderHeight - 1) / h);
    rowsPerBand_ = std::max(1, std::min(rowTotal_, rowsFit));
    rowGroups_ = std::max(1, ceilDiv(rowTotal_, rowsPerBand_));
    tactBands_ = tacts_.count() == 0 ? 0 : ceilDiv(tacts_.count(), tactsPerBand_);
    bandHeight_ = diagram::kHeaderHeight + rowsPerBand_ * h + 1;
    bandsPerPage_ = std::max(1, (contentHeight + kBandGap) / (bandHeight_ + kBandGap));
}

DiagramBand DiagramPages::band(long long index) const {
    DiagramBand b;
    const int across = static_cast<int>(index / rowGroups_);
    const int down = static_cast<int>(index % rowGroups_);
    b.firstTact = tacts_.first + across * tactsPerBand_;
    b.lastTact = std::min(tacts_.last, b.firstTact + tactsPerBand_ - 1);
    b.firstRow = 1 + down * rowsPerBand_;
    b.lastRow = std::min(rowTotal_, b.firstRow + rowsPerBand_ - 1);
    return b;
}

int DiagramPages::tactsWithin(long long pages) const {
    const long long across = std::max(0LL, pages) * bandsPerPage_ / rowGroups_;
    return static_cast<int>(std::min<long long>(tacts_.count(), across * tactsPerBand_));
}

std::string pagesText(long long n) {
    const long long lastTwo = n % 100;
    const long long last = n % 10;
    const char* word = "страниц";
    if (lastTwo < 11 || lastTwo > 14) {
        if (last == 1) word = "страница";
        else if (last >= 2 && last <= 4) word = "страницы";
    }
    return std::to_string(n) + " " + word;
}

std::string pageLabel(long long page, long long total) {
    return "Лист " + std::to_string(page) + " из " + std::to_string(total);
}

}  // namespace kvx::sheet
