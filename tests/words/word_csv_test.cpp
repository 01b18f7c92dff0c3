#include "words/word_csv.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include "../tool/run_command.h"

#include "../storage/random_documents.h"
#include "../storage/test_support.h"
#include "functions/formula.h"
#include "storage/test_file.h"
#include "words/data_table.h"

using kvx::model::DataWord;
using kvx::model::TestDocument;
namespace w = kvx::words;

namespace {

/// 8 pins: 1 I, 2 I, 3 I, 4 O, 5 O=F(c) with C1&C2; words "A, B" (hex, 1 2 3) and "D" (binary, 4).
TestDocument sample() {
    TestDocument doc;
    doc.clearDocument();
    doc.setTactCount(4);
    doc.setPinType(4, "O");
    doc.setPinType(5, "O=F(c)");
    doc.setPinFunction(0, 5, "C1&C2");
    DataWord a;
    a.wordName = "A, B";
    for (int r : {1, 2, 3}) a.addMember(r);
    DataWord d;
    d.wordName = "D";
    d.radix = 2;
    d.addMember(4);
    doc.dataWords() = {a, d};
    return doc;
}

/// The sample with a third word that shares the name "D" (binary, member 6).
TestDocument twins() {
    TestDocument doc = sample();
    DataWord d2;
    d2.wordName = "D";
    d2.radix = 2;
    d2.addMember(6);
    doc.dataWords().push_back(d2);
    return doc;
}

std::string tableOf(const TestDocument& doc, int word = -1) {
    std::ostringstream out;
    w::writeTableCsv(out, doc, word);
    return out.str();
}

w::ValuesCsv read(const std::string& text, const TestDocument& doc) {
    std::istringstream in(text);
    return w::readValuesCsv(in, doc);
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

constexpr const char* kNull = kvx::testing::kNullDevice;
int run(const std::string& command) { return kvx::testing::runCommand(command); }

}  // namespace

TEST(WordCsv, FieldsAndLines) {
    struct Case { const char* text; const char* field; };
    for (const Case& c : {Case{"A", "A"}, Case{"A, B", "\"A, B\""}, Case{"say \"hi\"", "\"say \"\"hi\"\"\""},
                          Case{" x", "\" x\""}, Case{"Данные", "Данные"}, Case{"", ""}}) {
        EXPECT_EQ(w::csvField(c.text), c.field);
        const auto back = w::splitCsvLine(std::string("1,") + c.field + ",2");
        ASSERT_TRUE(back.has_value()) << c.field;
        EXPECT_EQ(*back, (std::vector<std::string>{"1", c.text, "2"}));
    }
    EXPECT_EQ(*w::splitCsvLine(" 7 , A ,1F"), (std::vector<std::string>{"7", "A", "1F"}));
    EXPECT_EQ(*w::splitCsvLine(",,"), (std::vector<std::string>{"", "", ""}));
    EXPECT_FALSE(w::splitCsvLine("1,\"A,2").has_value());
}

TEST(WordCsv, TheTableAsTheTableShowsIt) {
    TestDocument doc = sample();
    w::setWordValue(doc, 0, 2, 5);
    w::setWordValue(doc, 1, 2, 1);
    const std::string csv = tableOf(doc);
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "№,Слово Данных,Данные");
    w::DataTable table(doc);
    for (std::int64_t l = 1; l <= table.lineCount(); ++l) {
        ASSERT_TRUE(std::getline(lines, line));
        EXPECT_EQ(*w::splitCsvLine(line),
                  (std::vector<std::string>{table.cellText(l, 0), table.cellText(l, 1), table.cellText(l, 2)}));
    }
    EXPECT_FALSE(std::getline(lines, line));
    EXPECT_NE(csv.find("\n2,\"A, B\",5\n2,D,1\n"), std::string::npos);
    EXPECT_EQ(tableOf(doc, 1), "№,Слово Данных,Данные\n1,D,Неопеделено\n2,D,1\n3,D,Неопеделено\n4,D,Неопеделено\n");
}

TEST(WordCsv, BadLinesAreReportedWithTheirNumber) {
    const TestDocument doc = sample();
    const TestDocument twin = twins();
    struct Case { std::string text; std::string error; bool twins = false; };
    const Case cases[] = {
        {"1,D,1\n9,D,1\n", "Строка 2: такт \"9\" вне теста (такты 1..4)"},
        {"0,D,1\n", "Строка 1: такт \"0\" вне теста (такты 1..4)"},
        {"x,D,1\n", "Строка 1: такт \"x\" вне теста (такты 1..4)"},
        {"99999999999999,D,1\n", "Строка 1: такт \"99999999999999\" вне теста (такты 1..4)"},
        {"1,E,1\n", "Строка 1: нет Слова Данных \"E\""},
        {"1,A,1\n", "Строка 1: нет Слова Данных \"A\""},
        {"\n\n1,D,2\n", "Строка 3: в значении \"2\" нет цифр системы счисления слова"},
        {"1,D\n", "Строка 1: ожидается три поля: такт, имя Слова Данных, значение"},
        {"1,D,1,2\n", "Строка 1: ожидается три поля: такт, имя Слова Данных, значение"},
        {"1,\"D,1\n", "Строка 1: кавычка не закрыта"},
        {"№,Слово Данных,Данные\n№,Слово Данных,Данные\n", "Строка 2: такт \"№\" вне теста (такты 1..4)"},
        {"1,D=2,1\n2,D,1\n", "Строка 2: Слов Данных с именем \"D\" несколько (2, 3), укажите номер: \"D=2\"", true},
        {"1,D=3,1\n1,D=1,1\n", "Строка 2: Слово Данных 1 называется \"A, B\", а не \"D\"", true},
        {"1,D=4,1\n", "Строка 1: нет Слова Данных \"D=4\"", true},
        {"1,D=x,1\n", "Строка 1: нет Слова Данных \"D=x\"", true},
        {"1,D=,1\n", "Строка 1: нет Слова Данных \"D=\"", true},
    };
    for (const Case& c : cases) {
        const auto r = read(c.text, c.twins ? twin : doc);
        ASSERT_TRUE(r.error.has_value()) << c.text;
        EXPECT_EQ(*r.error, c.error);
    }
    const auto good = read("\xEF\xBB\xBF№,Слово Данных,Данные\r\n1,\"A, B\",0x7\r\n\r\n4,D,Неопеделено\r\n2,D,1", doc);
    ASSERT_FALSE(good.error.has_value()) << *good.error;
    ASSERT_EQ(good.assignments.size(), 2u);
    EXPECT_EQ(good.assignments[0].value, 7u) << "cleaned as the table cleans: 0x7 is 07";
    EXPECT_EQ(good.assignments[1].word, 1);
    EXPECT_EQ(good.skippedUndefined, 1);
    // A repeated name is addressed by its word's number; a unique name may be as well.
    const auto numbered = read("1,D=3,1\n1,\"A, B=1\",7\n1,D=2,0\n", twin);
    ASSERT_FALSE(numbered.error.has_value()) << *numbered.error;
    ASSERT_EQ(numbered.assignments.size(), 3u);
    EXPECT_EQ(numbered.assignments[0].word, 2);
    EXPECT_EQ(numbered.assignments[1].word, 0);
    EXPECT_EQ(numbered.assignments[2].word, 1);
}

TEST(WordCsv, RepeatedNamesAreNumbered) {
    TestDocument doc = twins();
    w::setWordValue(doc, 1, 2, 1);
    w::setWordValue(doc, 2, 2, 0);
    EXPECT_EQ(tableOf(doc, 2), "№,Слово Данных,Данные\n1,D=3,Неопеделено\n2,D=3,0\n3,D=3,Неопеделено\n4,D=3,Неопеделено\n");
    EXPECT_NE(tableOf(doc).find("\n2,\"A, B\",Неопеделено\n2,D=2,1\n2,D=3,0\n"), std::string::npos)
        << "a unique name stays as it is";
    w::DataTable table(doc);
    EXPECT_EQ(table.cellText(6, 1), "D") << "the window shows the name itself";
}

// A table printed by kvxtool reads back through set-words without changing the file: words of one
// name, Cyrillic names, names with commas, quotes and blanks, undefined values, words sharing pins.
TEST(WordCsv, APrintedTableReadsBackUnchanged) {
    kvx::testing::TempDir dir;
    const std::string tool = KVX_TOOL_PATH;
    const std::vector<std::string> names = {"A", "Адрес", "D, 0", "say \"hi\"", " Ж ", "", "№,\"", "Слово Данных"};
    std::mt19937 rng(20240517);
    for (int i = 0; i < 16; ++i) {
        TestDocument doc = kvx::testing::randomDocument(rng);
        // Words over the rows the file keeps levels of, mostly defined, so that most words have values.
        std::vector<int> levelRows;
        for (int row = 1; row <= kvx::model::kMaxRow; ++row) {
            const std::string& type = doc.pin(row).pinType;
            const bool pin = row <= doc.pinCount() || (row > kvx::model::kPinRows && row - kvx::model::kPinRows <= doc.pinCount() &&
                                                       doc.pin(row - kvx::model::kPinRows).pinType == "I/O");
            if (!pin || type.empty() || kvx::model::isFixedType(type) || kvx::model::isFunctionType(type)) continue;
            levelRows.push_back(row);
            for (int t = 1; t <= doc.tactCount(); ++t)
                doc.setCell(0, row, t, static_cast<kvx::model::CellLevel>(rng() % 16 == 0 ? 2 : rng() % 2));
        }
        auto& words = doc.dataWords();
        words.resize(std::max<size_t>(words.size(), 3));
        for (DataWord& word : words) {
            word.wordName = names[rng() % names.size()];
            word.radix = words[0].radix;
            word.memberRows.fill(0);
            for (size_t m = rng() % 6; m > 0 && !levelRows.empty(); --m) word.addMember(levelRows[rng() % levelRows.size()]);
        }
        words[1].wordName = words[0].wordName;
        const std::string in = dir.file("in.kvx");
        ASSERT_TRUE(kvx::storage::saveTestFile(doc, in).ok);
        const std::string table = dir.file("table.csv"), out = dir.file("out.kvx");
        ASSERT_EQ(run(tool + " table " + in + " > " + table), 0) << i;
        ASSERT_EQ(run(tool + " set-words " + in + " " + table + " -o " + out), 0) << i << "\n" << slurp(table);
        EXPECT_TRUE(slurp(out) == slurp(in)) << "document " << i << ", table:\n" << slurp(table).substr(0, 2000);
        if (::testing::Test::HasFailure()) break;
    }
}

TEST(WordCsv, RoundTripThroughKvxtool) {
    kvx::testing::TempDir dir;
    TestDocument doc = sample();
    doc.setPinName(1, "Вх");
    ASSERT_TRUE(kvx::storage::saveTestFile(doc, dir.file("in.kvx")).ok);
    const std::string tool = KVX_TOOL_PATH;

    // Values typed as a script would write them: the first word over all tacts, D at tact 3.
    std::ofstream(dir.file("values.csv")) << "№,Слово Данных,Данные\n1,\"A, B\",7\n2,\"A, B\",1\n3,\"A, B\",12\n"
                                             "4,\"A, B\",3\n3,D,1\n";
    ASSERT_EQ(run(tool + " set-words " + dir.file("in.kvx") + " " + dir.file("values.csv") + " -o " +
                  dir.file("out.kvx")),
              0);
    ASSERT_EQ(run(tool + " table " + dir.file("out.kvx") + " > " + dir.file("table.csv")), 0);

    // The same values committed in memory (in the word's radix: hexadecimal 12 is 18, stored as
    // 18 mod 8 = 2), function rows recomputed: the same table and file.
    TestDocument expected = sample();
    expected.setPinName(1, "Вх");
    for (auto [tact, word, value] : {std::tuple{1, 0, 7}, {2, 0, 1}, {3, 0, 0x12}, {4, 0, 3}, {3, 1, 1}})
        w::setWordValue(expected, word, tact, static_cast<w::WordValue>(value));
    kvx::functions::RecalculateFunctionPins(expected);
    EXPECT_EQ(slurp(dir.file("table.csv")), tableOf(expected));
    EXPECT_EQ(expected.getCell(0, 5, 1), 1) << "C1&C2 follows the new levels";
    EXPECT_EQ(expected.getCell(0, 5, 3), 0);
    TestDocument written;
    ASSERT_EQ(kvx::storage::loadTestFile(written, dir.file("out.kvx")).status, kvx::storage::LoadStatus::Loaded);
    EXPECT_EQ(tableOf(written), tableOf(expected));
    for (int t = 1; t <= 4; ++t) EXPECT_EQ(written.getCell(0, 5, t), expected.getCell(0, 5, t)) << t;

    // The table fed back in changes nothing, "Неопеделено" lines included.
    ASSERT_EQ(run(tool + " set-words " + dir.file("out.kvx") + " " + dir.file("table.csv") + " -o " +
                  dir.file("again.kvx")),
              0);
    EXPECT_EQ(slurp(dir.file("again.kvx")), slurp(dir.file("out.kvx")));
    ASSERT_EQ(run(tool + " table " + dir.file("out.kvx") + " --word D > " + dir.file("d.csv")), 0);
    EXPECT_EQ(slurp(dir.file("d.csv")), tableOf(expected, 1));

    // A bad line: exit status 1 and no file.
    std::ofstream(dir.file("bad.csv")) << "1,D,1\n2,NOPE,1\n";
    EXPECT_EQ(run(tool + " set-words " + dir.file("in.kvx") + " " + dir.file("bad.csv") + " -o " +
                  dir.file("bad.kvx") + " 2>" + kNull),
              1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("bad.kvx")));
    EXPECT_EQ(run(tool + " table " + dir.file("in.kvx") + " --word NOPE > " + kNull + " 2>&1"), 1);

    // A name two words share: refused with the line named, nothing written; the same for --word.
    TestDocument twin = twins();
    for (int t = 1; t <= 4; ++t) w::setWordValue(twin, 2, t, static_cast<w::WordValue>(t % 2));
    ASSERT_TRUE(kvx::storage::saveTestFile(twin, dir.file("twins.kvx")).ok);
    std::ofstream(dir.file("twins.csv")) << "1,\"A, B\",1\n2,D,1\n";
    EXPECT_EQ(run(tool + " set-words " + dir.file("twins.kvx") + " " + dir.file("twins.csv") + " -o " +
                  dir.file("bad.kvx") + " 2>" + dir.file("err.txt")),
              1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("bad.kvx")));
    EXPECT_NE(slurp(dir.file("err.txt")).find("Строка 2: Слов Данных с именем \"D\" несколько"), std::string::npos)
        << slurp(dir.file("err.txt"));
    EXPECT_EQ(run(tool + " table " + dir.file("twins.kvx") + " --word D > " + kNull + " 2>&1"), 1);
    ASSERT_EQ(run(tool + " table " + dir.file("twins.kvx") + " --word D=3 > " + dir.file("d3.csv")), 0);
    EXPECT_EQ(slurp(dir.file("d3.csv")), tableOf(twin, 2));
    ASSERT_EQ(run(tool + " set-words " + dir.file("twins.kvx") + " " + dir.file("d3.csv") + " -o " +
                  dir.file("d3.kvx")),
              0);
    EXPECT_EQ(slurp(dir.file("d3.kvx")), slurp(dir.file("twins.kvx")));
    EXPECT_EQ(run(tool + " table " + dir.file("missing.kvx") + " > " + kNull + " 2>&1"), 2);
}
