#include "words/data_table.h"

#include "model/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using kvx::model::DataWord;
using kvx::model::TestDocument;
namespace w = kvx::words;

namespace {

int addWord(TestDocument& doc, const std::string& name, int radix, std::vector<int> members) {
    DataWord word;
    word.wordName = name;
    word.radix = radix;
    for (int m : members) word.addMember(m);
    doc.dataWords().push_back(word);
    return static_cast<int>(doc.dataWords().size()) - 1;
}

std::vector<int> levels(const TestDocument& doc, const std::vector<int>& rows, int tact) {
    std::vector<int> out;
    for (int r : rows) out.push_back(doc.getCell(0, r, tact));
    return out;
}

}  // namespace

TEST(DataTableLines, OrderedByTactThenWord) {
    TestDocument doc;
    doc.setTactCount(3);
    addWord(doc, "A", 16, {1});
    addWord(doc, "B", 16, {2});
    w::DataTable table(doc);
    EXPECT_EQ(table.lineCount(), 6) << "with the header, 7 lines";
    struct Case { std::int64_t line; w::TableLine expected; };
    const Case cases[] = {{1, {1, 0}}, {2, {1, 1}}, {3, {2, 0}}, {4, {2, 1}}, {5, {3, 0}}, {6, {3, 1}},
                          {0, {0, -1}}, {7, {0, -1}}};
    for (const Case& c : cases) {
        EXPECT_EQ(table.lineAt(c.line), c.expected) << c.line;
        if (c.expected.word >= 0) {
            EXPECT_EQ(w::lineOf(c.expected.tact, c.expected.word, 2, true), c.line);
        }
    }
    EXPECT_EQ(table.cellText(3, 0), "2");
    EXPECT_EQ(table.cellText(3, 1), "A");
    EXPECT_EQ(table.cellText(4, 1), "B");
    EXPECT_EQ(table.cellText(9, 1), "");

    table.setFilter(1);
    EXPECT_EQ(table.lineCount(), 3);
    EXPECT_EQ(table.lineAt(2), (w::TableLine{2, 1}));
    table.setFilter(w::DataTable::kAllWords);
    EXPECT_EQ(table.lineCount(), 6);
    table.setFilter(7);  // no such word: all of them
    EXPECT_EQ(table.filter(), w::DataTable::kAllWords);
}

TEST(DataTableLines, CurrentLineOfTheMainWindowsTact) {
    TestDocument doc;
    doc.setTactCount(10);
    addWord(doc, "A", 16, {1});
    addWord(doc, "B", 16, {2});
    w::DataTable table(doc);
    struct Case { int tact; std::int64_t line; };
    for (const Case& c : {Case{7, 14}, Case{1, 2}, Case{10, 20}, Case{0, 1}, Case{11, 1}, Case{-3, 1}})
        EXPECT_EQ(table.lineForCurrentTact(c.tact), c.line) << c.tact;
    EXPECT_EQ(table.lineForCurrentTact(7, 0), 13) << "on the line of word 0";
    table.setFilter(0);
    EXPECT_EQ(table.lineForCurrentTact(7), 7);
    doc.dataWords().clear();
    table.setFilter(w::DataTable::kAllWords);
    EXPECT_EQ(table.lineCount(), 0) << "no words: an empty table";
}

TEST(DataTableCommit, CleaningAndWriting) {
    struct Case {
        int radix;
        int members;
        const char* typed;
        const char* cell;
        std::vector<int> bits;  // member rows at the tact afterwards, first member first
    };
    const Case cases[] = {
        {16, 8, "1F", "1F", {1, 1, 1, 1, 1, 0, 0, 0}},
        {2, 3, "12x9", "1", {1, 0, 0}},
        {2, 3, "xyz", "Неопеделено", {2, 2, 2}},
        {10, 4, "300", "300", {0, 0, 1, 1}},  // 300 mod 16 = 12
        {8, 4, "79", "7", {1, 1, 1, 0}},
        {16, 4, "ff", "ff", {1, 1, 1, 1}},
        {16, 4, " 0x1g ", "01", {1, 0, 0, 0}},  // 'x', 'g' and the blanks go
        {10, 4, "Ж5ж", "5", {1, 0, 1, 0}},       // Cyrillic letters go whole
        {10, 4, "", "Неопеделено", {2, 2, 2, 2}},
        {10, 4, "18446744073709551621", "18446744073709551621", {1, 0, 1, 0}},  // 2^64 + 5: cut to 64 bits, then 4
    };
    for (const Case& c : cases) {
        TestDocument doc;
        std::vector<int> rows;
        for (int r = 1; r <= c.members; ++r) rows.push_back(r);
        addWord(doc, "W", c.radix, rows);
        w::DataTable table(doc);
        const std::int64_t line = w::lineOf(5, 0, 1, true);
        const auto commit = table.commit(line, c.typed);
        ASSERT_TRUE(commit.has_value());
        EXPECT_EQ(commit->cellText, c.cell) << c.typed;
        EXPECT_EQ(commit->written, c.bits[0] != 2) << c.typed;
        EXPECT_EQ(table.cellText(line, 2), c.cell) << "the cell keeps what the commit left";
        EXPECT_EQ(levels(doc, rows, 5), c.bits) << c.typed;
        EXPECT_EQ(levels(doc, rows, 4), std::vector<int>(rows.size(), 2)) << "other tacts untouched";
    }
}

TEST(DataTableCommit, CellsShowTheDocumentUntilCommitted) {
    TestDocument doc;
    addWord(doc, "A", 16, {1, 2});
    addWord(doc, "B", 2, {2, 3});  // shares row 2 with A
    w::DataTable table(doc);
    EXPECT_EQ(table.cellText(1, 2), "Неопеделено");
    ASSERT_TRUE(table.commit(1, "3"));
    EXPECT_EQ(table.cellText(2, 2), "Неопеделено") << "B's row 3 is still inactive";
    doc.setCell(0, 3, 1, 0);
    EXPECT_EQ(table.cellText(2, 2), "01") << "computed from the document when asked";
    table.setFilter(w::DataTable::kAllWords);
    EXPECT_EQ(table.cellText(1, 2), "3") << "a new filling reads the document again";
    EXPECT_FALSE(table.commit(99, "1").has_value());
}

TEST(DataTableTyping, OnlyDigitsStayAndLargeValuesTurnCanonical) {
    constexpr size_t kEnd = std::string::npos;  // the cursor after the last character
    struct Case {
        int radix;
        int members;
        const char* text;
        std::optional<std::string> shown;
        size_t cursor = kEnd;       // where the text was typed, in characters
        size_t shownCursor = kEnd;  // the cursor afterwards; kEnd: at the end of `shown`
    };
    const Case cases[] = {
        {16, 8, "1F", std::nullopt},   // 31 <= 128
        {16, 8, "0FF", "FF"},          // 255 > 128
        {16, 8, "ff", "FF"},
        {2, 3, "101", std::nullopt},   // 5 > 4: already canonical
        {2, 3, "0101", "101"},
        {2, 3, "11", std::nullopt},
        {2, 3, "12", "1"},             // not a binary digit: dropped at once
        {2, 3, "12x", "1"},
        {2, 2, "12x9", "1"},
        {8, 6, "179", "17"},           // not 1*64 + 7*8 + 9
        {8, 6, "77", std::nullopt, 1}, // 63 > 32, canonical already: the cursor stays
        {16, 8, "1gF", "1F"},          // not 0x10F
        {10, 4, "0009", "9"},
        {10, 4, "0008", std::nullopt},
        {10, 4, "1a5", "15"},
        {10, 1, "02", "2"},            // c is 1 for one member
        {10, 1, "01", std::nullopt},
        {10, 0, "02", "2"},
        {8, 2, "07", "7"},
        {8, 3, "9", ""},
        {10, 8, "1Ж2", "12", 2, 1},    // the cursor after Ж stays after the 1
        {10, 8, "x12", "12", 1, 0},
        {10, 8, "12 ", "12", 2, 2},
        {10, 8, "152", std::nullopt, 1},
        {10, 8, "0215", "215", 2, 3},  // 215 > 128: canonical, the cursor at the end
    };
    for (const Case& c : cases) {
        TestDocument doc;
        std::vector<int> rows;
        for (int r = 1; r <= c.members; ++r) rows.push_back(r);
        addWord(doc, "W", c.radix, rows);
        w::DataTable table(doc);
        const auto typed = table.typed(1, c.text, c.cursor == kEnd ? kvx::model::text::length(c.text) : c.cursor);
        ASSERT_EQ(typed.has_value(), c.shown.has_value()) << c.radix << " " << c.text;
        if (!typed) continue;
        EXPECT_EQ(typed->text, *c.shown) << c.radix << " " << c.text;
        EXPECT_EQ(typed->cursor, c.shownCursor == kEnd ? c.shown->size() : c.shownCursor) << c.radix << " " << c.text;
    }
    TestDocument wide;
    std::vector<int> rows;
    for (int r = 1; r <= 70; ++r) rows.push_back(1 + r % 40);
    addWord(wide, "W", 16, rows);
    EXPECT_EQ(w::DataTable(wide).typed(1, std::string(20, 'F'), 20), std::nullopt) << "no 64-bit value exceeds 2^69";
}
