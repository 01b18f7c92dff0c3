#include "sheet/sheet_layout.h"

#include <algorithm>
#include <charconv>

#include "model/text.h"

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

std::string tactOrderError(TactRange range) {
    if (range.first <= range.last) return {};
    return "Начальный такт " + std::to_string(range.first) + " больше конечного " + std::to_string(range.last) +
           ": задайте такты по порядку";
}

std::string tooManyPagesError(long long pages, TactRange range, int fitTacts, const std::string& option) {
    return "лист теста занял бы " + pagesText(pages) + ", больше " + std::to_string(kMaxSheetPages) +
           "; задайте такты, например " + option + std::to_string(range.first) + "-" +
           std::to_string(range.first + std::max(1, fitTacts) - 1);
}

DiagramPages::DiagramPages(int contentWidth, int contentHeight, int rowTotal, TactRange tacts,
                           const BandGeometry& geometry)
    : tacts_(tacts), rowTotal_(std::max(0, rowTotal)) {
    const int w = std::max(1, geometry.cellWidth);
    const int h = std::max(1, geometry.rowHeight);
    const int header = std::max(0, geometry.headerHeight);
    // A band is the header strip, then the canvas: the pin column, its tacts and the closing
    // grid line. Its rows fit below the legend, so that every band fits every page. A page
    // too small for one tact or row still gets one.
    tactsPerBand_ = std::max(1, (contentWidth - geometry.firstCellX - 1) / w);
    const int belowLegend = contentHeight - std::max(0, geometry.legendHeight);
    const int rowsFit = std::max(1, (belowLegend - header - 1) / h);
    rowGroups_ = std::max(1, ceilDiv(rowTotal_, rowsFit));
    // The rows are shared out evenly: 23 + 23 rather than 32 + 14.
    rowsPerBand_ = std::max(1, ceilDiv(rowTotal_, rowGroups_));
    rowGroups_ = std::max(1, ceilDiv(rowTotal_, rowsPerBand_));
    tactBands_ = tacts_.count() == 0 ? 0 : ceilDiv(tacts_.count(), tactsPerBand_);
    bandHeight_ = header + rowsPerBand_ * h + 1;
    bandsPerPage_ = std::max(1, (contentHeight + kBandGap) / (bandHeight_ + kBandGap));
    bandsOnFirst_ = std::max(1, (belowLegend + kBandGap) / (bandHeight_ + kBandGap));
}

long long DiagramPages::count() const {
    const long long bands = bandCount();
    if (bands == 0) return 0;
    if (bands <= bandsOnFirst_) return 1;
    return 1 + (bands - bandsOnFirst_ + bandsPerPage_ - 1) / bandsPerPage_;
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

std::pair<long long, long long> DiagramPages::bandsOf(long long page) const {
    const long long first = page <= 0 ? 0 : bandsOnFirst_ + (page - 1) * bandsPerPage_;
    const long long last = first + (page <= 0 ? bandsOnFirst_ : bandsPerPage_);
    return {std::min(first, bandCount()), std::min(last, bandCount())};
}

TactRange DiagramPages::tactsOf(long long page) const {
    const auto [first, last] = bandsOf(page);
    if (first >= last) return {1, 0};
    return {band(first).firstTact, band(last - 1).lastTact};
}

int DiagramPages::tactsWithin(long long pages) const {
    const long long bands = pages <= 0 ? 0 : bandsOnFirst_ + (pages - 1) * bandsPerPage_;
    const long long across = bands / rowGroups_;
    return static_cast<int>(std::min<long long>(tacts_.count(), across * tactsPerBand_));
}

std::vector<SheetRulerLabel> sheetRulerLabels(const DiagramBand& band, int cellWidth, int charWidth,
                                              int tactMicroseconds) {
    std::vector<SheetRulerLabel> out;
    if (band.lastTact < band.firstTact) return out;
    const int w = std::max(1, cellWidth);
    const int cw = std::max(1, charWidth);
    const int bandWidth = (band.lastTact - band.firstTact + 1) * w;
    auto text = [&](int tact) {
        if (tactMicroseconds <= 0) return std::to_string(tact);
        return std::to_string(static_cast<long long>(tact - 1) * tactMicroseconds) + " мкс";
    };
    auto width = [&](const std::string& t) { return static_cast<int>(model::text::length(t)) * cw; };
    // The step: the first of 10, 20, 50, 100, 200 ... whose labels (the widest is the last
    // one) leave a character free between them.
    const int widest = width(text(band.lastTact)) + cw;
    long long step = kHeavyGridStep;
    for (long long decade = kHeavyGridStep; step * w < widest && decade < 1'000'000'000LL; decade *= 10) {
        for (const int m : {1, 2, 5}) {
            step = decade * m;
            if (step * w >= widest) break;
        }
    }
    const int pad = 1;  // the text starts a pixel right of the grid line
    int freeFrom = 0;   // where the previous label ended, with a character's gap
    auto add = [&](int tact) {
        std::string t = text(tact);
        const int x = (tact - band.firstTact) * w + pad;
        const int right = x + width(t);
        if (x < freeFrom || right > bandWidth) return;
        freeFrom = right + cw;
        out.push_back({tact, x, std::move(t)});
    };
    add(band.firstTact);
    // Tacts 1 + k * step: those right of the heavier lines.
    long long t = ((band.firstTact - 1) / step + 1) * step + 1;
    for (; t <= band.lastTact; t += step) add(static_cast<int>(t));
    return out;
}

std::string tactsHeading(TactRange range) {
    if (range.first == range.last) return "Такт " + std::to_string(range.first);
    return "Такты " + std::to_string(range.first) + "–" + std::to_string(range.last);
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
