// The test sheet's arithmetic: how a diagram is cut into bands and pages, the tact range
// typed on the command line, the page texts, and what the first page says about a test.
#include "sheet/sheet_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sheet/sheet_contents.h"

namespace kvx::sheet {
namespace {

// A4 portrait with 10 mm margins is 718 x 1047 sheet pixels; 1023 of them lie below the head
// line. A band is the 161-pixel pin column, 12 pixels per tact and a closing line: 46 tacts.
TEST(SheetLayout, TheDiagramIsCutIntoBandsAndPagesThatHoldEveryTactAndRowOnce) {
    struct Case {
        const char* what;
        int width, height, rows;
        TactRange tacts;
        int rowHeight, header, legend;
        int tactsPerBand, rowGroups, rowsPerBand, bandsOnFirst, bandsPerPage;
        long long pages;
    };
    const Case cases[] = {
        {"DIP16 with 2 I/O pins, 200 tacts: two bands a page", 718, 1023, 18, {1, 200}, 21, 20, 0, 46, 1, 18, 2, 2, 3},
        {"one tact", 718, 1023, 18, {1, 1}, 21, 20, 0, 46, 1, 18, 2, 2, 1},
        {"exactly one band", 718, 1023, 18, {1, 46}, 21, 20, 0, 46, 1, 18, 2, 2, 1},
        {"one tact more than a page", 718, 1023, 18, {101, 193}, 21, 20, 0, 46, 1, 18, 2, 2, 2},
        {"DIP40, 10000 tacts: one band a page", 718, 1023, 40, {1, 10000}, 21, 20, 0, 46, 1, 40, 1, 1, 218},
        {"DIP40 with 40 output rows: two groups of 40 rows", 718, 1023, 80, {1, 100}, 21, 20, 0, 46, 2, 40, 1, 1, 6},
        {"A4 landscape, 8 pins", 1047, 694, 8, {1, 1000}, 21, 20, 0, 73, 1, 8, 3, 3, 5},
        {"a page too small for a tact or a row still holds one", 100, 10, 3, {1, 2}, 21, 20, 0, 1, 3, 1, 1, 1, 6},
        // At the sheet's own scale, with the legend above the first page's bands.
        {"DIP40 with 6 I/O pins, A4 landscape: one band of all rows", 1047, 694, 46, {1, 200}, 14, 18, 24, 73, 1, 46, 1, 1, 3},
        {"46 rows on a page for 31: 23 + 23, not 31 + 15", 718, 460, 46, {1, 46}, 14, 18, 0, 46, 2, 23, 1, 1, 2},
        {"8 pins, A4 portrait: one band fewer below the legend", 718, 1023, 8, {1, 644}, 14, 18, 24, 46, 1, 8, 6, 7, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const BandGeometry g{161, kSheetCellWidth, c.rowHeight, c.header, c.legend};
        const DiagramPages pages(c.width, c.height, c.rows, c.tacts, g);
        EXPECT_EQ(pages.tactsPerBand(), c.tactsPerBand);
        EXPECT_EQ(pages.rowGroups(), c.rowGroups);
        EXPECT_EQ(pages.rowsPerBand(), c.rowsPerBand);
        EXPECT_EQ(pages.bandsOnFirstPage(), c.bandsOnFirst);
        EXPECT_EQ(pages.bandsPerPage(), c.bandsPerPage);
        EXPECT_EQ(pages.count(), c.pages);
        // Every tact of the range and every row lies in exactly one band, in order; no row
        // group is much smaller than the others.
        std::vector<int> seen(static_cast<size_t>(c.tacts.last + 1) * (c.rows + 1), 0);
        for (long long b = 0; b < pages.bandCount(); ++b) {
            const DiagramBand band = pages.band(b);
            ASSERT_LE(band.lastTact - band.firstTact + 1, c.tactsPerBand);
            EXPECT_GE(band.lastRow - band.firstRow + 1, pages.rowsPerBand() - pages.rowGroups() + 1);
            for (int t = band.firstTact; t <= band.lastTact; ++t)
                for (int r = band.firstRow; r <= band.lastRow; ++r) ++seen[static_cast<size_t>(t) * (c.rows + 1) + r];
        }
        for (int t = c.tacts.first; t <= c.tacts.last; ++t)
            for (int r = 1; r <= c.rows; ++r) ASSERT_EQ(seen[static_cast<size_t>(t) * (c.rows + 1) + r], 1) << t << "," << r;
        // The pages take the bands in order, each some; the first page's fit below the legend.
        long long next = 0;
        for (long long page = 0; page < pages.count(); next = pages.bandsOf(page++).second) {
            const auto [first, last] = pages.bandsOf(page);
            EXPECT_TRUE(first == next && last > first) << page;
            EXPECT_EQ(pages.tactsOf(page), (TactRange{pages.band(first).firstTact, pages.band(last - 1).lastTact}));
        }
        EXPECT_EQ(next, pages.bandCount());
        EXPECT_LE(pages.bandsOnFirstPage() * pages.bandHeight(), std::max(c.height - c.legend, pages.bandHeight()));
        // The tacts that fit into a number of pages take no more pages than that.
        for (long long n : {1LL, 2LL, 50LL}) {
            const int fit = pages.tactsWithin(n);
            if (fit > 0) {
                EXPECT_LE(DiagramPages(c.width, c.height, c.rows, {c.tacts.first, c.tacts.first + fit - 1}, g).count(), n);
            }
        }
    }
}

// Labels 6 pixels a character over 12-pixel tacts: a band's first tact, then 11, 21 ...
TEST(SheetLayout, TheRulerLabelsEveryBandsFirstTactAndNeverCutsALabelOrNamesAMissingTact) {
    const struct { const char* what; DiagramBand band; int microseconds; const char* labels; } cases[] = {
        {"the first band", {1, 46}, 0, "1|11|21|31|41|"},
        {"the last band of a 200-tact test ends at 200", {185, 200}, 0, "185|191|"},
        {"a label that would run past the band's end is left out", {1201, 1242}, 0, "1201|1211|1221|1231|"},
        {"the label after the first one keeps its distance", {1209, 1250}, 0, "1209|1221|1231|1241|"},
        {"times carry their unit", {1, 46}, 2, "0 мкс|20 мкс|40 мкс|60 мкс|80 мкс|"},
        {"a wide time is left out at the band's end", {99001, 99046}, 1000, "99000000 мкс|99010000 мкс|99020000 мкс|99030000 мкс|"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string got;
        for (const SheetRulerLabel& l : sheetRulerLabels(c.band, 12, 6, c.microseconds)) {
            got += l.text + "|";
            EXPECT_EQ(l.x, (l.tact - c.band.firstTact) * 12 + 1);
        }
        EXPECT_EQ(got, c.labels);
    }
    EXPECT_EQ(tactsHeading({1201, 1400}), "Такты 1201–1400");
    EXPECT_EQ(tactsHeading({7, 7}), "Такт 7");
}

TEST(SheetLayout, PaperTactRangesAndPageTexts) {
    EXPECT_EQ(parsePaper("Letter"), std::nullopt);

    struct Range {
        const char* text;
        std::optional<TactRange> range;
        const char* error;
    };
    const Range ranges[] = {
        {"1-200", TactRange{1, 200}, ""},
        {"7", TactRange{7, 7}, ""},
        {" 3 - 9 ", TactRange{3, 9}, ""},
        {"0-5", std::nullopt, "такты 0-5 вне теста: в нём такты 1-200"},
        {"9-3", std::nullopt, "такты 9-3 вне теста: в нём такты 1-200"},
        {"1-201", std::nullopt, "такты 1-201 вне теста: в нём такты 1-200"},
        {"1-2x", std::nullopt, "такты заданы неверно: \"1-2x\" (нужно A-B, например 1-200)"},
        {"", std::nullopt, "такты заданы неверно: \"\" (нужно A-B, например 1-200)"},
        {"-5", std::nullopt, "такты заданы неверно: \"-5\" (нужно A-B, например 1-200)"},
        {"99999999999-1", std::nullopt, "такты заданы неверно: \"99999999999-1\" (нужно A-B, например 1-200)"},
    };
    for (const Range& r : ranges) {
        SCOPED_TRACE(r.text);
        const RangeParse p = parseTactRange(r.text, 200);
        EXPECT_EQ(p.range, r.range);
        EXPECT_EQ(p.error, r.error);
    }

    const std::pair<long long, const char*> words[] = {{1, "1 страница"},    {3, "3 страницы"},
                                                       {5, "5 страниц"},     {11, "11 страниц"},
                                                       {12, "12 страниц"},   {21, "21 страница"},
                                                       {104, "104 страницы"}, {111, "111 страниц"},
                                                       {1000, "1000 страниц"}};
    for (const auto& [n, text] : words) EXPECT_EQ(pagesText(n), text);
    EXPECT_EQ(pageLabel(2, 7), "Лист 2 из 7");
    EXPECT_EQ(tactOrderError({300, 231}), "Начальный такт 300 больше конечного 231: задайте такты по порядку");
}

model::TestDocument documentWithEverything() {
    model::TestDocument doc;
    doc.setPackage({model::PackageType::SOIC, 8});
    const char* types[] = {"", "I", "I/O", "O=F(c)", "GND", "O", "NC", "I", "VCC"};
    for (int p = 1; p <= 8; ++p) doc.setPinType(p, types[p]);
    doc.setPinType(52, "O/i=F(c)");
    doc.setPinFunction(0, 3, "1&7");
    doc.setPinFunction(0, 52, "!1");
    doc.setPinName(1, "A0");
    doc.setPinName(7, "A1");
    doc.setPinName(2, "Д");
    doc.setTestName("Проба");
    doc.testParameters() = {3, 128, 20};
    model::DataWord address;
    address.wordName = "ADDR";
    address.radix = 16;
    address.addMember(7);  // the first member is the lowest bit
    address.addMember(1);
    model::DataWord data;
    data.wordName = "DATA";
    data.direction = 2;
    data.radix = 2;
    data.addMember(2);
    doc.dataWords() = {address, data};
    return doc;
}

std::string valueOf(const std::vector<Field>& fields, const std::string& label) {
    const auto it = std::find_if(fields.begin(), fields.end(), [&](const Field& f) { return f.label == label; });
    return it == fields.end() ? "<none>" : it->value;
}

TEST(SheetContents, TheFirstPageNamesPinsWordsParametersAndTheActiveAlgorithmsSettings) {
    model::TestDocument doc = documentWithEverything();
    SheetContents c = sheetContents(doc, "01.02.2025", 1, doc.tactCount());
    EXPECT_EQ(c.title, "Проба");
    EXPECT_EQ(valueOf(c.fields, "Корпус"), "SOIC8, VCC 8, GND 4");
    EXPECT_EQ(valueOf(c.fields, "Длительность такта"), "3 мкс");
    EXPECT_EQ(valueOf(c.fields, "Логическая единица не менее"), "2,50 В");
    EXPECT_EQ(valueOf(c.fields, "Логический ноль не более"), "0,39 В");
    EXPECT_EQ(valueOf(c.fields, "Число тактов"), "26");
    EXPECT_EQ(valueOf(c.fields, "Дата"), "01.02.2025");
    EXPECT_EQ(valueOf(sheetContents(doc, "", 5, 9).fields, "Число тактов"), "26 (на листе такты 5-9)");
    ASSERT_EQ(c.pins.rows.size(), 8u);
    EXPECT_EQ(c.pins.rows[0], (std::vector<std::string>{"1", "I", "A0", ""}));
    EXPECT_EQ(c.pins.rows[1], (std::vector<std::string>{"2", "I/O", "Д", "O/i=F(c): !1"}));
    EXPECT_EQ(c.pins.rows[2], (std::vector<std::string>{"3", "O=F(c)", "", "1&7"}));
    ASSERT_EQ(c.words.rows.size(), 2u);
    EXPECT_EQ(c.words.rows[0], (std::vector<std::string>{"ADDR", "I-Входные", "Шестнадцатиричная", "7 - A1, 1 - A0"}));
    EXPECT_EQ(c.words.rows[1], (std::vector<std::string>{"DATA", "I/O-Двунаправленные", "Двоичная", "2 - Д"}));
    EXPECT_EQ(c.algorithmName, "Стандартный Алгоритм");

    struct Algorithm {
        int block;
        const char* name;
        std::vector<Field> expected;  ///< fields that must be there with these values
    };
    const Algorithm algorithms[] = {
        {1, "Циклический Алгоритм", {{"Начальный Такт", "3"}, {"Конечный Такт", "9"}, {"Всего циклов", "4"}}},
        {2, "Алгоритм ПЗУ",
         {{"Слово Адреса", "ADDR"}, {"Слово Данных", "DATA"}, {"Начальный Адрес", "1F"}, {"Конечный Адрес", "FF"},
          {"Начальный Такт", "2"}, {"Файл Данных", "rom.bin"}}},
        {3, "Алгоритм ОЗУ",
         {{"Начальный Адрес", "1F"}, {"Режим Записи: Начальный Такт", "11"}, {"Режим Записи: Слово Данных", "DATA"},
          {"Режим Чтения: Начальный Такт", "3"}, {"Режим Чтения: Слово Адреса", "—"}}},
    };
    for (const Algorithm& a : algorithms) {
        SCOPED_TRACE(a.name);
        for (auto& s : doc.algorithms()) s = {};
        model::AlgorithmSettings& s = doc.algorithms()[static_cast<size_t>(a.block)];
        s.active = 1;
        s.startTact = 3;
        s.endTact = 9;
        s.cycleCount = 4;
        s.addressWord = a.block == 3 ? 7 : 0;  // a word that does not exist
        s.dataWord = 1;
        s.writeDataWord = 1;
        s.startAddress = 0x1F;
        s.endAddress = 0xFF;
        s.romStartTact = 2;
        s.writeStartTact = 11;
        s.dataFileName = "rom.bin";
        c = sheetContents(doc, "", 1, doc.tactCount());
        EXPECT_EQ(c.algorithmName, a.name);
        for (const Field& f : a.expected) EXPECT_EQ(valueOf(c.algorithm, f.label), f.value) << f.label;
    }
}

}  // namespace
}  // namespace kvx::sheet
