#include "words/word_values.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>

using kvx::model::DataWord;
using kvx::model::TestDocument;
namespace w = kvx::words;

namespace {

int addWord(TestDocument& doc, std::initializer_list<int> rows, int radix = 16) {
    DataWord word;
    word.wordName = "W";
    word.radix = radix;
    for (int r : rows) word.addMember(r);
    doc.dataWords().push_back(word);
    return static_cast<int>(doc.dataWords().size()) - 1;
}

void setRows(TestDocument& doc, std::initializer_list<std::pair<int, int>> rowLevels, int tact) {
    for (auto [row, level] : rowLevels) doc.setCell(0, row, tact, static_cast<kvx::model::CellLevel>(level));
}

}  // namespace

// ---- reading a word --------------------------------------------------------------

TEST(WordValueRead, FirstMemberIsLeastSignificantBit) {
    TestDocument doc;
    const int word = addWord(doc, {7, 3, 5}, 10);
    setRows(doc, {{7, 1}, {3, 0}, {5, 0}}, 4);
    EXPECT_EQ(w::wordBits(doc, word, 4), "001");
    EXPECT_EQ(w::wordValueText(doc, word, 4), "1");
    setRows(doc, {{7, 0}, {3, 0}, {5, 1}}, 4);
    EXPECT_EQ(w::wordBits(doc, word, 4), "100");
    EXPECT_EQ(w::wordValueText(doc, word, 4), "4");
}

TEST(WordValueRead, EachRadixKeepsTheWordWidth) {
    TestDocument doc;
    const int word = addWord(doc, {1, 2, 3, 4, 5});
    setRows(doc, {{1, 1}, {2, 0}, {3, 0}, {4, 0}, {5, 0}}, 2);  // 00001
    auto& dw = doc.dataWords()[static_cast<size_t>(word)];
    dw.radix = 2;
    EXPECT_EQ(w::wordValueText(doc, word, 2), "00001");
    dw.radix = 8;
    EXPECT_EQ(w::wordValueText(doc, word, 2), "01");
    dw.radix = 16;
    EXPECT_EQ(w::wordValueText(doc, word, 2), "01");
    dw.radix = 10;
    EXPECT_EQ(w::wordValueText(doc, word, 2), "1");
}

TEST(WordValueRead, UndefinedCases) {
    TestDocument doc;
    const int word = addWord(doc, {1, 2, 3});
    setRows(doc, {{1, 1}, {2, 2}, {3, 0}}, 3);
    EXPECT_FALSE(w::wordBits(doc, word, 3).has_value());
    for (int radix : {2, 8, 10, 16}) {
        doc.dataWords()[static_cast<size_t>(word)].radix = radix;
        EXPECT_EQ(w::wordValueText(doc, word, 3), "Неопеделено") << radix;
    }
    // A new document is inactive everywhere; a tact beyond the diagram reads as inactive.
    setRows(doc, {{1, 1}, {2, 1}, {3, 1}}, 26);
    EXPECT_EQ(w::wordBits(doc, word, 26), "111");
    EXPECT_FALSE(w::wordBits(doc, word, 27).has_value());
    // A word without members has an empty bit text but no value.
    const int empty = addWord(doc, {});
    EXPECT_EQ(w::wordBits(doc, empty, 1), "");
    EXPECT_EQ(w::wordValueText(doc, empty, 1), "Неопеделено");
    // Indices outside the list.
    EXPECT_FALSE(w::wordBits(doc, -1, 1).has_value());
    EXPECT_EQ(w::wordValueText(doc, 99, 1), "Неопеделено");
}

TEST(WordValueRead, EmptySlotsBetweenMembersAreSkipped) {
    TestDocument doc;
    DataWord word;
    word.memberRows[0] = 4;
    word.memberRows[5] = 6;  // a hole in the slots
    word.radix = 10;
    doc.dataWords().push_back(word);
    setRows(doc, {{4, 0}, {6, 1}}, 1);
    EXPECT_EQ(w::wordBits(doc, 0, 1), "10");
    EXPECT_EQ(w::wordValueText(doc, 0, 1), "2");
}

TEST(WordValueRead, WideWordsAreShownExactly) {
    TestDocument doc;
    DataWord word;
    for (int i = 0; i < 70; ++i) word.addMember(1 + i % 40);  // rows may repeat
    word.radix = 10;
    doc.dataWords().push_back(word);
    for (int r = 1; r <= 40; ++r) doc.setCell(0, r, 1, 1);
    EXPECT_EQ(w::wordValueText(doc, 0, 1), "1180591620717411303423");  // 2^70 - 1
    doc.dataWords()[0].radix = 16;
    EXPECT_EQ(w::wordValueText(doc, 0, 1), "3" + std::string(17, 'F'));  // 18 groups
    doc.dataWords()[0].radix = 8;
    EXPECT_EQ(w::wordValueText(doc, 0, 1), "1" + std::string(23, '7'));  // 24 groups

    TestDocument doc40;
    DataWord w40;
    for (int r = 1; r <= 40; ++r) w40.addMember(r);
    w40.radix = 10;
    doc40.dataWords().push_back(w40);
    w::setWordValue(doc40, 0, 2, (1LL << 39) | 5);
    EXPECT_EQ(w::wordValueText(doc40, 0, 2), "549755813893");
    doc40.dataWords()[0].radix = 16;
    EXPECT_EQ(w::wordValueText(doc40, 0, 2), "8000000005");
}

// ---- writing a word --------------------------------------------------------------

TEST(WordValueWrite, ValueIsCutToTheWordWidth) {
    TestDocument doc;
    const int word = addWord(doc, {7, 3, 5}, 2);
    w::setWordValue(doc, word, 4, 11);  // 11 mod 8 = 3
    EXPECT_EQ(doc.getCell(0, 7, 4), 1);
    EXPECT_EQ(doc.getCell(0, 3, 4), 1);
    EXPECT_EQ(doc.getCell(0, 5, 4), 0);
    EXPECT_EQ(w::wordValueText(doc, word, 4), "011");
    EXPECT_EQ(doc.getCell(0, 7, 5), 2) << "other tacts untouched";
    w::setWordValue(doc, word, 4, 0);
    EXPECT_EQ(w::wordBits(doc, word, 4), "000");
}

TEST(WordValueWrite, FollowsTheCellRulesOfTheDocument) {
    TestDocument doc;
    const int word = addWord(doc, {1, 2});
    w::setWordValue(doc, word, 27, 3);  // the tact just behind the last one is not written
    EXPECT_EQ(doc.tactCount(), 26);
    w::setWordValue(doc, word, 40, 2);  // further out the diagram grows
    EXPECT_EQ(doc.tactCount(), 40);
    EXPECT_EQ(w::wordBits(doc, word, 40), "10");
    w::setWordValue(doc, word, 0, 3);
    w::setWordValue(doc, word, -5, 3);
    EXPECT_EQ(doc.getCell(0, 1, 0), 2);
    w::setWordValue(doc, 5, 1, 3);  // no such word
    EXPECT_EQ(doc.getCell(0, 1, 1), 2);
}

TEST(WordValueWrite, NegativeAndWideValuesUseTheBitPattern) {
    TestDocument doc;
    DataWord word;
    for (int i = 0; i < 70; ++i) word.addMember(1 + i % 40);
    word.radix = 2;
    doc.dataWords().push_back(word);
    w::setWordValue(doc, 0, 1, -1);
    EXPECT_EQ(w::wordBits(doc, 0, 1), std::string(70, '1'));
    const int small = addWord(doc, {41, 42, 43});
    w::setWordValue(doc, small, 2, -2);  // ...110
    EXPECT_EQ(w::wordBits(doc, small, 2), "110");
    w::setWordValue(doc, small, 3, LLONG_MIN);
    EXPECT_EQ(w::wordBits(doc, small, 3), "000");
}

// ---- conversions ------------------------------------------------------------------

TEST(NumberConversions, Formatting) {
    EXPECT_EQ(w::formatOctal(8), "10");
    EXPECT_EQ(w::formatOctal(15), "17");
    EXPECT_EQ(w::formatBinary(2), "10");
    EXPECT_EQ(w::formatBinary(5), "101");
    EXPECT_EQ(w::formatHex(0), "0");
    EXPECT_EQ(w::formatBinary(0), "0");
    EXPECT_EQ(w::formatHex(255), "FF");
    EXPECT_EQ(w::formatHex(INT_MAX), "7FFFFFFF");
    EXPECT_EQ(w::formatHex(-1), "FFFFFFFF");
    EXPECT_EQ(w::formatOctal(INT_MIN), "20000000000");
    EXPECT_EQ(w::formatInRadix(-5, 10), "-5");
    EXPECT_EQ(w::formatInRadix(26, 16), "1A");
    EXPECT_EQ(w::formatInRadix(26, 3), "26") << "an unknown radix is decimal";
}

TEST(NumberConversions, BitTextsToDigits) {
    EXPECT_EQ(w::binaryToHex("10100"), "14");
    EXPECT_EQ(w::binaryToOctal("10100"), "24");
    EXPECT_EQ(w::binaryToHex("00001"), "01");
    EXPECT_EQ(w::binaryToOctal("00001"), "01");
    EXPECT_EQ(w::binaryToHex(""), "");
    EXPECT_EQ(w::binaryToOctal(""), "");
    EXPECT_EQ(w::binaryToHex("1111"), "F");
    EXPECT_EQ(w::binaryToHex("11111"), "1F");
    EXPECT_EQ(w::binaryToOctal("111000"), "70");
    EXPECT_EQ(w::binaryToHex("1x21"), "9") << "characters other than 1 are 0 bits";
    EXPECT_EQ(w::binaryToDecimal(""), "0");
    EXPECT_EQ(w::binaryToDecimal("0001010"), "10");
}

TEST(NumberConversions, Parsing) {
    EXPECT_EQ(w::parseHex("ff"), 255);
    EXPECT_EQ(w::parseHex("FF"), 255);
    EXPECT_EQ(w::parseHex(""), 0);
    EXPECT_EQ(w::parseHex("g1"), 1) << "a non-hex character counts 0";
    EXPECT_EQ(w::parseHex("1 0"), 256);
    EXPECT_EQ(w::parseBinary("101"), 5);
    EXPECT_EQ(w::parseBinary(""), 0);
    EXPECT_EQ(w::parseBinary("12"), 4) << "digits are not checked against the base";
    EXPECT_EQ(w::parseOctal("19"), 17);
    EXPECT_FALSE(w::parseBinary("1a").has_value());
    EXPECT_FALSE(w::parseOctal("-1").has_value());
    EXPECT_FALSE(w::parseBinary(" 1").has_value());
}

TEST(NumberConversions, LongTextsWrapAt32Bits) {
    EXPECT_EQ(w::parseHex("FFFFFFFF"), -1);
    EXPECT_EQ(w::parseHex("100000000"), 0);
    EXPECT_EQ(w::parseHex(std::string(1000, 'F')), -1);
    EXPECT_EQ(w::parseBinary("1" + std::string(32, '0')), 0);
    EXPECT_TRUE(w::parseOctal(std::string(500, '9')).has_value());
    EXPECT_EQ(w::parseInRadix("80000000", 16), INT_MIN);
}

TEST(NumberConversions, DecimalAddressTexts) {
    EXPECT_EQ(w::parseInRadix("123", 10), 123);
    EXPECT_EQ(w::parseInRadix("-5", 10), -5);
    EXPECT_EQ(w::parseInRadix("+7", 10), 7);
    EXPECT_FALSE(w::parseInRadix("", 10).has_value());
    EXPECT_FALSE(w::parseInRadix("+", 10).has_value());
    EXPECT_FALSE(w::parseInRadix("+-5", 10).has_value());
    EXPECT_FALSE(w::parseInRadix("12a", 10).has_value());
    EXPECT_FALSE(w::parseInRadix(" 12", 10).has_value());
    EXPECT_FALSE(w::parseInRadix("99999999999", 10).has_value()) << "does not fit 32 bits";
    EXPECT_EQ(w::parseInRadix("102", 2), 6);
    EXPECT_FALSE(w::parseInRadix("1F", 8).has_value());
    EXPECT_EQ(w::parseInRadix("1f", 16), 31);
}

TEST(NumberConversions, RoundTripsAndAgreementBetweenPaths) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> any(0, INT_MAX);
    for (int i = 0; i < 2000; ++i) {
        const int v = i < 20 ? i : any(rng);
        for (int radix : {2, 8, 10, 16})
            ASSERT_EQ(w::parseInRadix(w::formatInRadix(v, radix), radix), v) << v << " radix " << radix;
        const std::string bits = w::formatBinary(v);
        ASSERT_EQ(w::binaryToHex(bits), w::formatHex(v));
        ASSERT_EQ(w::binaryToOctal(bits), w::formatOctal(v));
        ASSERT_EQ(w::binaryToDecimal(bits), std::to_string(v));
        ASSERT_EQ(w::parseBinary(bits), v);
    }
    for (int v : {-1, INT_MIN, -123456})
        for (int radix : {2, 8, 10, 16}) EXPECT_EQ(w::parseInRadix(w::formatInRadix(v, radix), radix), v);
}

TEST(NumberConversions, WordValuesRoundTripThroughTheDiagram) {
    TestDocument doc;
    const int word = addWord(doc, {2, 9, 4, 1, 30, 31, 17, 8, 5, 6, 11, 12}, 10);
    std::mt19937 rng(3);
    for (int i = 0; i < 500; ++i) {
        const int v = static_cast<int>(rng() % 4096);
        const int tact = 1 + static_cast<int>(rng() % 26);
        w::setWordValue(doc, word, tact, v);
        ASSERT_EQ(w::wordValueText(doc, word, tact), std::to_string(v));
        ASSERT_EQ(w::parseBinary(*w::wordBits(doc, word, tact)), v);
    }
}
