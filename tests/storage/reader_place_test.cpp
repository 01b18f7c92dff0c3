// The reader keeps its place: a count beyond what a document holds is read past line by line,
// a negative count announces no lines, and what follows is loaded where the file has it.
#include <gtest/gtest.h>

#include <functional>

#include "test_support.h"

using namespace kvx;
using namespace kvx::model;

namespace {

using Lines = std::vector<std::string>;

Lines repeat(int n, const std::function<Lines(int)>& item) {
    Lines out;
    for (int i = 0; i < n; ++i) {
        const Lines l = item(i);
        out.insert(out.end(), l.begin(), l.end());
    }
    return out;
}

/// One test block of a DIP8 file: name, the given word lines, 6 tacts, the given signal lines,
/// the standard algorithm.
Lines testBlock(int t, const Lines& words, const Lines& signals) {
    Lines l = {"Тест" + std::to_string(t) + "=\"T\""};
    l.insert(l.end(), words.begin(), words.end());
    l.push_back("Число Тактов=6");
    l.insert(l.end(), signals.begin(), signals.end());
    l.push_back("АлгоритмТестирования=0");
    return l;
}

Lines file(const std::string& testsLine, const Lines& blocks) {
    Lines l = {"Тип корпуса=DIP8"};
    for (int n = 1; n <= 8; ++n) l.push_back(std::to_string(n) + "=I");
    l.push_back(testsLine);
    l.insert(l.end(), blocks.begin(), blocks.end());
    l.insert(l.end(), {"Конец Файла", "Дополнительные парметры:( uhul, gen)", std::to_string(100 * 256 + 41), "3",
                       "Файл описания:", "d.pdf"});
    return l;
}

const Lines kNoWords = {"Слов Данных=0"};
const Lines kOneSignal = {"Число сигналов управления=1", "i1=A", "-_-_-_"};

Lines words(const std::string& countLine, int n, int members) {
    Lines l = {countLine, "СистемаСчисления=16"};
    const Lines w = repeat(n, [&](int i) {
        Lines x = {"W" + std::to_string(i) + "=" + std::to_string(members) + "|0"};
        for (int m = 0; m < members; ++m) x.push_back(std::to_string(m % 8 + 1));
        return x;
    });
    l.insert(l.end(), w.begin(), w.end());
    return l;
}

Lines signals(const std::string& countLine, int n) {
    Lines l = {countLine};
    const Lines s = repeat(n, [](int i) { return Lines{"i" + std::to_string(i % 8 + 1) + "=S", "-_-_-_"}; });
    l.insert(l.end(), s.begin(), s.end());
    return l;
}

}  // namespace

TEST(ReaderPlace, CountsBeyondTheDocumentAndNegativeCountsKeepTheRestInPlace) {
    struct Case {
        const char* what;
        Lines lines;
        std::vector<std::string> messages;
        std::function<void(const TestDocument&)> check;
        bool rowOneRead = true;  ///< the file's row 1 follows the section
    };
    const std::string longLine(static_cast<size_t>(kMaxTactCount) + 2, '-');
    const std::vector<Case> cases = {
        {"52 words", file("Число Тестов=1", testBlock(0, words("Слов Данных=52", 52, 1), kOneSignal)),
         {"Ошибка чтения файла LoadWordName"},
         [](const TestDocument& d) {
             ASSERT_EQ(d.dataWords().size(), 51u);
             EXPECT_EQ(d.dataWords()[50].wordName, "W50");
         }},
        {"a negative word count", file("Число Тестов=1", testBlock(0, {"Слов Данных=-1"}, kOneSignal)), {},
         [](const TestDocument& d) { EXPECT_TRUE(d.dataWords().empty()); }},
        {"100 members", file("Число Тестов=1", testBlock(0, words("Слов Данных=1", 1, 100), kOneSignal)),
         {"Ошибка чтения файла LoadWordColCont"},
         [](const TestDocument& d) {
             ASSERT_EQ(d.dataWords().size(), 1u);
             EXPECT_EQ(d.dataWords()[0].memberCount(), kWordSlots);
         }},
        {"a negative member count",
         file("Число Тестов=1", testBlock(0, {"Слов Данных=2", "СистемаСчисления=2", "A=-1|0", "B=1|0", "5"}, kOneSignal)),
         {},
         [](const TestDocument& d) {
             ASSERT_EQ(d.dataWords().size(), 2u);
             EXPECT_EQ(d.dataWords()[0].memberCount(), 0);
             EXPECT_EQ(d.dataWords()[1].members(), std::vector<int>{5});
         }},
        {"101 signal records",
         file("Число Тестов=1", testBlock(0, kNoWords, signals("Число сигналов управления=101", 101))),
         {"Ошибка чтения файла LoadKolLeg"}, nullptr},
        {"a negative signal count",
         file("Число Тестов=1", testBlock(0, kNoWords, {"Число сигналов управления=-1"})), {}, nullptr, false},
        {"11 tests",
         file("Число Тестов=11", repeat(11, [](int t) { return testBlock(t, words("Слов Данных=1", 1, 2), kOneSignal); })),
         {"Ошибка чтения файла LoadColT"},
         [](const TestDocument& d) { EXPECT_EQ(d.testCount(), kMaxTests); }},
        {"a level line longer than the largest tact count",
         file("Число Тестов=1", testBlock(0, kNoWords, {"Число сигналов управления=1", "i1=A", longLine})),
         {"Error DiagrSize"},
         [](const TestDocument& d) { EXPECT_EQ(d.tactCount(), kMaxTactCount); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestDocument doc;
        const auto result = kvx::testing::loadLines(doc, c.lines);
        EXPECT_EQ(result.messages, c.messages);
        if (c.check) c.check(doc);
        // What follows the section is read where the file has it.
        if (c.rowOneRead) {
            EXPECT_EQ(doc.getCell(0, 1, 1), kHigh);
        }
        EXPECT_EQ(doc.testParameters().tactDuration, 3);
        EXPECT_EQ(doc.testParameters().levelHighCode, 100);
        EXPECT_EQ(doc.descriptionFile(), "d.pdf");
    }
}

TEST(ReaderPlace, CharacterRulesCountCyrillicLettersAsOneCharacter) {
    TestDocument doc;
    // A Cyrillic prefix is one character; a two-letter Cyrillic type is no function type.
    const Lines lines = {"Тип корпуса=DIP8", "1=Вх", "2=I", "3=I", "4=I", "5=I", "6=I", "7=I", "8=I", "Число Тестов=1",
                         "Тест0=Абв", "Слов Данных=0", "Число Тактов=3", "Число сигналов управления=2", "о3=Q", "-_-",
                         "i1=Я", "--_", "АлгоритмТестирования=0", "Конец Файла"};
    const auto result = kvx::testing::loadLines(doc, lines);
    EXPECT_TRUE(result.messages.empty());
    EXPECT_EQ(doc.testName(), "б");
    EXPECT_EQ(doc.pin(3).pinName, "Q");
    EXPECT_EQ(doc.getCell(0, 3, 1), kHigh);
    EXPECT_FALSE(isFunctionType(doc.pin(1).pinType));
    const std::string bytes = storage::writeTestFileBytes(doc);
    EXPECT_NE(bytes.find(storage::toFileText("1=Вх\r\n")), std::string::npos);
    EXPECT_NE(bytes.find("--_\r\n"), std::string::npos) << "the levels of the Cyrillic-typed pin are kept";
    EXPECT_EQ(bytes.find("F="), std::string::npos);
}
