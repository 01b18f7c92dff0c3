// View rules of the diagram: zoom steps, level geometry, visible ranges, scroll-bar ranges,
// ruler labels, colours by pin type and status texts.

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "diagram/diagram_view.h"
#include "words/word_values.h"

namespace kvx::diagram {
namespace {

using model::TestDocument;

std::vector<std::pair<int, int>> zoomSteps(void (*step)(DiagramView&), DiagramView v, int n) {
    std::vector<std::pair<int, int>> out;
    for (int i = 0; i < n; ++i) {
        step(v);
        out.emplace_back(v.cellWidth, v.rowHeight);
    }
    return out;
}

TEST(DiagramZoom, OutFromStartWalksDownToThreeByFourteen) {
    const auto steps = zoomSteps(zoomOut, DiagramView{}, 20);
    const std::vector<std::pair<int, int>> head = {{19, 19}, {17, 17}, {15, 15}, {14, 14}, {13, 14}, {12, 14}};
    EXPECT_EQ(std::vector(steps.begin(), steps.begin() + 6), head);
    EXPECT_EQ(steps.back(), std::make_pair(3, 14));
    // 3 is the floor: one step more changes nothing.
    DiagramView v;
    v.cellWidth = 3;
    v.rowHeight = 14;
    zoomOut(v);
    EXPECT_EQ(v.cellWidth, 3);
    EXPECT_EQ(v.rowHeight, 14);
}

TEST(DiagramZoom, InGrowsRowsOnlyFromFifteenColumnsOn) {
    DiagramView v;
    v.cellWidth = 3;
    v.rowHeight = 14;
    const auto steps = zoomSteps(zoomIn, v, 7);
    const std::vector<std::pair<int, int>> expected = {{5, 14},  {7, 14},  {9, 14}, {11, 14},
                                                       {13, 14}, {15, 16}, {17, 18}};
    EXPECT_EQ(steps, expected);
    EXPECT_EQ(zoomSteps(zoomIn, DiagramView{}, 20).back(), std::make_pair(46, 46));
    DiagramView odd;  // an even width jumps from 44 to 46, an odd one reaches 45 first
    odd.cellWidth = 43;
    odd.rowHeight = 45;
    zoomIn(odd);
    EXPECT_EQ(odd.cellWidth, 45);
    EXPECT_EQ(odd.rowHeight, 46);
    zoomIn(odd);
    EXPECT_EQ(odd.cellWidth, 46);
}

TEST(DiagramZoom, StandardRestoresTwentyOne) {
    DiagramView v;
    v.cellWidth = 5;
    v.rowHeight = 14;
    zoomStandard(v);
    EXPECT_EQ(v.cellWidth, 21);
    EXPECT_EQ(v.rowHeight, 21);
}

TEST(DiagramGeometry, LevelHeightsAndPenWidths) {
    DiagramView v;
    LevelGeometry g = levelGeometry(v);
    EXPECT_EQ(g.highOffset, 4);
    EXPECT_EQ(g.lowOffset, 17);
    EXPECT_EQ(g.inactiveOffset, 10);
    EXPECT_EQ(g.penWidth, 3);
    EXPECT_EQ(g.edgeWidth, 2);
    v.rowHeight = 46;
    v.lineThickness = 2;
    g = levelGeometry(v);
    EXPECT_EQ(g.highOffset, 10);
    EXPECT_EQ(g.lowOffset, 36);
    EXPECT_EQ(g.inactiveOffset, 23);
    EXPECT_EQ(g.penWidth, 9);
    EXPECT_EQ(g.edgeWidth, 8);
    v.rowHeight = 14;
    v.lineThickness = 0;
    EXPECT_EQ(levelGeometry(v).penWidth, 2);
    EXPECT_EQ(levelGeometry(v).edgeWidth, 1);
}

TEST(DiagramGeometry, PaintedRangesFollowTheScrollBars) {
    // Without bars everything is painted.
    EXPECT_EQ(lastPaintedRow(40, 0, 200, 21, false), 40);
    EXPECT_EQ(lastPaintedTact(1000000, 0, 1000, 21, false), 1000000);
    // With bars only what fits, plus one partly visible row / tact.
    EXPECT_EQ(lastPaintedRow(40, 5, 200, 21, true), 5 + 9 + 1);
    EXPECT_EQ(lastPaintedRow(12, 5, 200, 21, true), 12);
    EXPECT_EQ(lastPaintedTact(1000000, 100, 1000, 21, true), 100 + (1000 + 21 - 160) / 21);
    EXPECT_EQ(lastPaintedTact(30, 0, 1000, 21, true), 30);
}

TEST(DiagramScrollBars, VerticalShownOnlyWhenRowsDoNotFit) {
    EXPECT_FALSE(verticalRange(16, 21, 16 * 21).shown);
    const ScrollRange r = verticalRange(40, 21, 300);
    EXPECT_TRUE(r.shown);
    EXPECT_EQ(r.maximum, 42 - 300 / 21);
}

TEST(DiagramZoom, FitTakesTheWidestStepThatShowsEveryTact) {
    // With `narrowTall`, rows taller than 20 bring a 17-pixel bar. The bar of the tacts stays
    // hidden while one column more than the tacts fits beside the pin column.
    struct Case {
        int tacts;
        int width;
        bool narrowTall;
        std::pair<int, int> step;
    };
    const std::vector<Case> cases = {
        {8, 1000, false, {46, 46}},      // the widest step already shows every tact
        {26, 970, false, {30, 30}},      // 27 columns of 30 fill the 810 pixels exactly
        {26, 969, false, {28, 28}},      // one pixel less: the next step down
        {26, 970, true, {28, 28}},       // the vertical bar of tall rows takes its room
        {100, 1000, false, {8, 14}},     // below 15 the rows stay 14 high
        {1'000'000, 1000, false, {3, 14}},  // nothing shows them all: the narrowest step
    };
    for (const Case& c : cases) {
        DiagramView v;
        v.cellWidth = 5;
        v.rowHeight = 14;
        zoomToFit(v, c.tacts, [&](int rowHeight) { return c.narrowTall && rowHeight > 20 ? c.width - 17 : c.width; });
        EXPECT_EQ(std::make_pair(v.cellWidth, v.rowHeight), c.step) << c.tacts << " tacts, width " << c.width;
    }
}

TEST(DiagramScrollBars, HorizontalRangeOfWindowAndOfTactField) {
    // A 16-tact test in a wide window: no bar.
    EXPECT_FALSE(horizontalRange(16, 21, 1200).shown);
    const ScrollRange r = horizontalRange(200, 21, 1200);
    EXPECT_TRUE(r.shown);
    EXPECT_EQ(r.maximum, 200 - (1200 - 160) / 21 + 1);
    // Just wider than the tacts: the window rule still shows a bar of one position, the
    // tact-field rule does not.
    const int width = 160 + 49 * 21 + 5;
    EXPECT_TRUE(horizontalRange(49, 21, width).shown);
    EXPECT_EQ(horizontalRange(49, 21, width).maximum, 1);
    EXPECT_FALSE(horizontalRangeForTactField(49, 21, width).shown);
    EXPECT_TRUE(horizontalRangeForTactField(60, 21, width).shown);
    EXPECT_EQ(horizontalRangeForTactField(60, 21, width).maximum, 60 - 49 + 1);
}

std::vector<std::string> labelTexts(int offset, int tacts, int width = 1 << 30) {
    std::vector<std::string> out;
    for (const auto& l : rulerLabels(offset, tacts, 21, width)) out.push_back(l.text);
    return out;
}

TEST(DiagramRuler, LabelsOfShortAndLongTests) {
    EXPECT_EQ(labelTexts(0, 10), (std::vector<std::string>{"4", "8"}));
    const auto l102 = labelTexts(0, 102);
    ASSERT_EQ(l102.size(), 25u);
    EXPECT_EQ(l102.front(), "4");
    EXPECT_EQ(l102[23], "96");
    EXPECT_EQ(l102.back(), "101");
    EXPECT_EQ(labelTexts(0, 3), std::vector<std::string>{});
    const auto l120 = labelTexts(0, 120);
    EXPECT_EQ(std::vector(l120.end() - 6, l120.end()),
              (std::vector<std::string>{"101", "105", "109", "113", "117", "121"}));
}

TEST(DiagramRuler, PositionsSitInsideTheirTactColumns) {
    const auto labels = rulerLabels(0, 2000, 21, 1 << 30);
    // 4 at 4*21 - 10 - 4, 12 at 12*21 - 10 - 7, 101 at 101*21 - 10 - 12, 1001 at ... - 17
    EXPECT_EQ(labels[0].x, 70);
    EXPECT_EQ(labels[2].x, 12 * 21 - 10 - 7);
    EXPECT_EQ(labels[24].text, "101");
    EXPECT_EQ(labels[24].x, 101 * 21 - 10 - 12);
    const auto it = std::find_if(labels.begin(), labels.end(), [](const RulerLabel& l) { return l.text == "1001"; });
    ASSERT_NE(it, labels.end());
    EXPECT_EQ(it->x, 1001 * 21 - 10 - 17);
    // After scrolling by 10 tacts the first label is 12, shifted left by 10 columns.
    const auto scrolled = rulerLabels(10, 2000, 21, 1 << 30);
    EXPECT_EQ(scrolled[0].text, "12");
    EXPECT_EQ(scrolled[0].x, 12 * 21 - 10 - 10 * 21 - 7);
}

TEST(DiagramRuler, LongTestsStopAtTheStripEdge) {
    const auto labels = rulerLabels(999000, 1000000, 21, 1800);
    ASSERT_FALSE(labels.empty());
    EXPECT_LT(labels.size(), 30u);
    for (const auto& l : labels) EXPECT_LT(l.x, 1800);
    EXPECT_EQ(labels.front().text, "999005");
}

// At every zoom step, in tact numbers and in microseconds, no label runs into the next one
// (digits 7 pixels wide, a gap of 3); the standard zoom keeps every label.
TEST(DiagramRuler, LabelsNeverRunIntoEachOther) {
    const int cases[][4] = {{3, 0, 400, 0},        {3, 0, 100000, 0}, {3, 99000, 100000, 0}, {3, 0, 400, 8},
                            {3, 50000, 100000, 8}, {5, 0, 20000, 2},  {13, 0, 1000, 8},      {9, 0, 120, 0}};
    for (const auto& c : cases) {
        const auto labels = rulerLabels(c[1], c[2], c[0], 1200, c[3], 7);
        ASSERT_GE(labels.size(), 3u);
        for (size_t i = 1; i < labels.size(); ++i)
            EXPECT_GE(labels[i].x, labels[i - 1].x + 7 * static_cast<int>(labels[i - 1].text.size()) + 3)
                << c[0] << " " << c[1] << " " << c[3] << ": " << labels[i - 1].text << " " << labels[i].text;
    }
    EXPECT_EQ(rulerLabels(0, 2000, 21, 1 << 30, 0, 7).size(), rulerLabels(0, 2000, 21, 1 << 30).size());
}

// The lane of a word shows the stretches of the visible tacts only, at every zoom step and
// scroll position: a stretch that starts or ends outside the view is cut at its edge, two
// undefined tacts with different levels are one stretch, tacts past the test are undefined.
TEST(DiagramWordLanes, StretchesOfTheVisibleTactsAtZoomSteps) {
    TestDocument doc;
    doc.setPackage({model::PackageType::DIP, 14});
    doc.setTactCount(30);
    model::DataWord word;
    word.wordName = "A";
    word.radix = 10;
    word.addMember(1);
    word.addMember(2);
    doc.dataWords().push_back(word);
    // Value 3 on tacts 1..5, undefined on 6..7, 1 on 8..20, 2 on 21..30.
    for (int t = 1; t <= 30; ++t) {
        const int value = t <= 5 ? 3 : t <= 7 ? -1 : t <= 20 ? 1 : 2;
        doc.setCell(0, 1, t, value < 0 ? (t == 6 ? model::kInactive : model::kHigh) : model::CellLevel(value & 1));
        doc.setCell(0, 2, t, value < 0 ? (t == 7 ? model::kInactive : model::kLow) : model::CellLevel(value >> 1));
    }
    const int canvasWidth = kPinColumnRight + 84;
    struct Case {
        int cellWidth, tactOffset;
        const char* expected;
    };
    const Case cases[] = {
        {21, 0, "1-5:3"},
        {21, 4, "5-5:3 6-7:? 8-9:1"},
        {19, 6, "7-7:? 8-11:1"},
        {14, 4, "5-5:3 6-7:? 8-11:1"},
        {14, 24, "25-30:2 31-31:?"},
        {7, 4, "5-5:3 6-7:? 8-17:1"},
        {3, 4, "5-5:3 6-7:? 8-20:1 21-30:2"},
        {46, 19, "20-20:1 21-21:2"},
    };
    for (const Case& c : cases) {
        const int last = lastPaintedTact(doc.tactCount(), c.tactOffset, canvasWidth, c.cellWidth, true);
        std::string got;
        for (const auto& s : words::wordStretches(doc, 0, c.tactOffset + 1, last)) {
            if (!got.empty()) got += ' ';
            got += std::to_string(s.firstTact) + "-" + std::to_string(s.lastTact) + ":" + (s.defined ? s.text : "?");
            if (!s.defined) EXPECT_EQ(s.text, words::kUndefinedValue);
        }
        EXPECT_EQ(got, c.expected) << "cell width " << c.cellWidth << ", offset " << c.tactOffset;
    }
    EXPECT_TRUE(words::wordStretches(doc, 1, 1, 30).empty());  // no such word
    doc.dataWords().push_back(model::DataWord{});               // a word without members
    ASSERT_EQ(words::wordStretches(doc, 1, 3, 9).size(), 1u);
    EXPECT_FALSE(words::wordStretches(doc, 1, 3, 9)[0].defined);
}

TEST(DiagramColours, LineColourFollowsThePinType) {
    TestDocument doc;
    doc.setPackage({model::PackageType::DIP, 8});
    const DiagramView v;
    doc.setPinType(2, "O");
    doc.setPinType(3, "I/O");
    doc.setPinType(53, "O/i");
    doc.setPinType(4, "O=F(c)");
    doc.setPinType(5, "NC");
    doc.setPinType(6, "VCC");
    doc.setPinType(7, "GND");
    EXPECT_EQ(lineColour(doc, 1, v), 0x800080u);
    EXPECT_EQ(lineColour(doc, 2, v), 0x000080u);
    EXPECT_EQ(lineColour(doc, 3, v), 0x800080u);
    EXPECT_EQ(lineColour(doc, 53, v), 0x000080u);
    EXPECT_EQ(lineColour(doc, 4, v), 0x008000u);
    DiagramView custom;
    custom.ncColour = 1;
    custom.vccColour = 2;
    custom.gndColour = 3;
    EXPECT_EQ(lineColour(doc, 5, custom), 1u);
    EXPECT_EQ(lineColour(doc, 6, custom), 2u);
    EXPECT_EQ(lineColour(doc, 7, custom), 3u);
}

TEST(DiagramColours, FunctionRowWithoutFormulaIsRed) {
    TestDocument doc;
    doc.setPinType(4, "O=F(c)");
    EXPECT_TRUE(typeShownInRed(doc, 4));
    doc.setPinFunction(0, 4, "1*2");
    EXPECT_FALSE(typeShownInRed(doc, 4));
    doc.setPinType(5, "VCC");
    doc.setPinType(6, "GND");
    EXPECT_FALSE(typeShownInRed(doc, 5));
    EXPECT_FALSE(typeShownInRed(doc, 6));
    doc.setPinType(3, "I/O");
    doc.setPinType(53, "O/i=F(c)");
    EXPECT_TRUE(typeShownInRed(doc, 53));
    EXPECT_FALSE(typeShownInRed(doc, 3));
}

// Time on the ruler and in the status bar: tact t starts at (t - 1) x the tact duration; a
// duration outside 1..8 counts as 2. The time labels keep the tacts and the columns of the
// tact numbers, their right end where a number of as many digits would end.
TEST(DiagramStatus, TactTimesOnTheRulerAndInTheStatusBar) {
    TestDocument doc;
    struct Case {
        int duration, tact;
        const char* status;
    };
    const Case cases[] = {{2, 1, "Такт 1, 0 мкс"}, {4, 17, "Такт 17, 64 мкс"}, {8, 1000000, "Такт 1000000, 7999992 мкс"},
                          {0, 17, "Такт 17, 32 мкс"}, {9, 3, "Такт 3, 4 мкс"}};
    for (const Case& c : cases) {
        doc.testParameters().tactDuration = c.duration;
        EXPECT_EQ(tactStatusText(doc, c.tact), c.status);
    }
    const auto numbers = rulerLabels(0, 120, 21, 1 << 30);
    const auto times = rulerLabels(0, 120, 21, 1 << 30, 4);
    ASSERT_EQ(times.size(), numbers.size());
    EXPECT_EQ(times[0].text, "12");    // tact 4
    EXPECT_EQ(times[0].x, numbers[0].x - 3);
    EXPECT_EQ(times[2].text, "44");    // tact 12
    EXPECT_EQ(times[2].x, numbers[2].x);
    EXPECT_EQ(times[24].text, "400");  // tact 101
    EXPECT_EQ(times[24].x, numbers[24].x);
    const auto far = rulerLabels(999000, 1000000, 21, 1800, 8);
    ASSERT_FALSE(far.empty());
    EXPECT_EQ(far.front().text, std::to_string(999004 * 8));
    for (const auto& l : far) EXPECT_LT(l.x, 1800);
}

TEST(DiagramStatus, GoToTactInput) {
    struct Case {
        const char* text;
        int tact;  // 0: refused
        const char* error;
    };
    const Case cases[] = {
        {"17", 17, ""},
        {" 0040 ", 40, ""},
        {"100", 100, ""},
        {"101", 0, "В тесте нет такта 101. Введите номер такта от 1 до 100"},
        {"0", 0, "В тесте нет такта 0. Введите номер такта от 1 до 100"},
        {"99999999999999999999", 0, "В тесте нет такта 99999999999999999999. Введите номер такта от 1 до 100"},
        {"", 0, "\"\" не номер такта. Введите номер такта от 1 до 100"},
        {"-5", 0, "\"-5\" не номер такта. Введите номер такта от 1 до 100"},
        {"1 7", 0, "\"1 7\" не номер такта. Введите номер такта от 1 до 100"},
        {"такт", 0, "\"такт\" не номер такта. Введите номер такта от 1 до 100"},
    };
    for (const Case& c : cases) {
        const TactInput r = parseTactInput(c.text, 100);
        EXPECT_EQ(r.tact, c.tact) << c.text;
        EXPECT_EQ(r.error, c.error) << c.text;
    }
}

TEST(DiagramStatus, PackageAndAlgorithmTexts) {
    TestDocument doc;
    EXPECT_EQ(packageStatusText(doc), "Тип корпуса = DIP8");
    doc.setPackage({model::PackageType::SOIC, 14});
    EXPECT_EQ(packageStatusText(doc), "Тип корпуса = SOIC14");
    EXPECT_EQ(algorithmStatusText(doc), "Стандартный Алгоритм");
    doc.algorithm(model::Algorithm::Rom).active = 1;
    EXPECT_EQ(algorithmStatusText(doc), "Алгоритм ПЗУ");
    EXPECT_STREQ(bitText(0), "0");
    EXPECT_STREQ(bitText(1), "1");
    EXPECT_STREQ(bitText(2), "x");
}

}  // namespace
}  // namespace kvx::diagram
