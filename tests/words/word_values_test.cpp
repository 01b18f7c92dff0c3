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
    w::setWordValue(doc40, 0, 2, (w::WordValue{1} << 39) | 5);
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

TEST(WordValueWrite, SixtyFourBitValuesAndWiderWords) {
    TestDocument doc;
    DataWord word;
    for (int i = 0; i < 70; ++i) word.addMember(1 + i % 40);  // rows repeat: members 40.. rewrite 0..
    word.radix = 2;
    doc.dataWords().push_back(word);
    w::setWordValue(doc, 0, 1, UINT64_MAX);
    // Members 64..69 (rows 25..30) get 0 and, sharing their rows with members 24..29, win.
    std::string expected(70, '1');
    for (int k = 24; k < 30; ++k) expected[69 - k] = expected[69 - (k + 40)] = '0';
    EXPECT_EQ(w::wordBits(doc, 0, 1), expected);

    const int wide = addWord(doc, {41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60,
                                   61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 77, 78, 79, 80,
                                   81, 82, 83, 84, 85, 86, 87, 88, 89, 90, 91, 92, 93, 94, 95, 96, 97, 98, 99, 100,
                                   1, 2, 3, 4});
    doc.dataWords()[static_cast<size_t>(wide)].radix = 16;
    for (const w::WordValue v : {w::WordValue{0}, w::WordValue{1} << 63, UINT64_MAX, w::WordValue{0x0123456789ABCDEF}}) {
        w::setWordValue(doc, wide, 2, v);
        EXPECT_EQ(w::wordValue(doc, wide, 2), v);
        EXPECT_EQ(w::wordValueText(doc, wide, 2), std::string(16 - w::formatHex(v).size(), '0') + w::formatHex(v));
    }
    const int small = addWord(doc, {5, 6, 7});
    w::setWordValue(doc, small, 3, UINT64_MAX - 1);  // ...110
    EXPECT_EQ(w::wordBits(doc, small, 3), "110");
    EXPECT_EQ(w::wordValue(doc, small, 3), 6u);
    EXPECT_FALSE(w::wordValue(doc, small, 4).has_value()) << "inactive rows";
    EXPECT_FALSE(w::wordValue(doc, addWord(doc, {}), 3).has_value()) << "no members";
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
    EXPECT_EQ(w::formatHex(UINT64_MAX), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(w::formatOctal(w::WordValue{1} << 63), "1000000000000000000000");
    EXPECT_EQ(w::formatDecimal(UINT64_MAX), "18446744073709551615");
    EXPECT_EQ(w::formatDecimal(0), "0");
    EXPECT_EQ(w::formatInRadix(5, 10), "5");
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
    EXPECT_EQ(w::parseHex("ff"), 255u);
    EXPECT_EQ(w::parseHex("FF"), 255u);
    EXPECT_EQ(w::parseHex(""), 0u);
    EXPECT_EQ(w::parseHex("g1"), 1u) << "a non-hex character counts 0";
    EXPECT_EQ(w::parseHex("1 0"), 256u);
    EXPECT_EQ(w::parseBinary("101"), 5u);
    EXPECT_EQ(w::parseBinary(""), 0u);
    EXPECT_EQ(w::parseBinary("12"), 4u) << "digits are not checked against the base";
    EXPECT_EQ(w::parseOctal("19"), 17u);
    EXPECT_FALSE(w::parseBinary("1a").has_value());
    EXPECT_FALSE(w::parseOctal("-1").has_value());
    EXPECT_FALSE(w::parseBinary(" 1").has_value());
}

TEST(NumberConversions, LongTextsAreCutTo64Bits) {
    struct Case { int radix; std::string text; w::WordValue value; };
    const std::string max64 = "18446744073709551615";
    const Case cases[] = {
        {16, "FFFFFFFFFFFFFFFF", UINT64_MAX},
        {16, "1" + std::string(16, '0'), 0},
        {16, "1" + std::string(15, '0') + "1", 1},
        {16, std::string(1000, 'F'), UINT64_MAX},
        {2, "1" + std::string(63, '0'), w::WordValue{1} << 63},
        {2, "1" + std::string(64, '0'), 0},
        {2, std::string(70, '1'), UINT64_MAX},
        {8, "1" + std::string(21, '7'), UINT64_MAX},
        {8, "2" + std::string(21, '0'), 0},  // 2^64
        {10, max64, UINT64_MAX},
        {10, "18446744073709551616", 0},       // 2^64 + 0
        {10, "18446744073709551621", 5},       // 2^64 + 5
        {10, "36893488147419103232", 0},       // 2^65
        {10, "100000000000000000000", 7766279631452241920u},  // 10^20 mod 2^64
    };
    for (const Case& c : cases) {
        EXPECT_EQ(w::parseInRadix(c.text, c.radix), c.value) << c.radix << " " << c.text;
        if (c.radix == 10) {
            EXPECT_EQ(w::parseDecimal(c.text), c.value) << c.text;
        }
    }
    EXPECT_TRUE(w::parseOctal(std::string(500, '9')).has_value());
}

TEST(NumberConversions, DecimalAddressTexts) {
    EXPECT_EQ(w::parseInRadix("123", 10), 123u);
    EXPECT_EQ(w::parseInRadix("+7", 10), 7u);
    EXPECT_EQ(w::parseInRadix("99999999999", 10), 99999999999u);
    for (const char* bad : {"", "+", "-5", "+-5", "12a", " 12", "1 2"})
        EXPECT_FALSE(w::parseInRadix(bad, 10).has_value()) << bad;
    EXPECT_EQ(w::parseInRadix("102", 2), 6u);
    EXPECT_FALSE(w::parseInRadix("1F", 8).has_value());
    EXPECT_EQ(w::parseInRadix("1f", 16), 31u);
    EXPECT_EQ(w::parseDecimal(""), 0u);
    EXPECT_FALSE(w::parseDecimal("+1").has_value());
}

TEST(NumberConversions, RoundTripsAndAgreementBetweenPaths) {
    std::mt19937_64 rng(7);
    for (int i = 0; i < 2000; ++i) {
        // Small values, then random values of every width up to 64 bits.
        const w::WordValue v = i < 20 ? static_cast<w::WordValue>(i) : rng() >> (i % 64);
        for (int radix : {2, 8, 10, 16})
            ASSERT_EQ(w::parseInRadix(w::formatInRadix(v, radix), radix), v) << v << " radix " << radix;
        const std::string bits = w::formatBinary(v);
        ASSERT_EQ(w::binaryToHex(bits), w::formatHex(v));
        ASSERT_EQ(w::binaryToOctal(bits), w::formatOctal(v));
        ASSERT_EQ(w::binaryToDecimal(bits), std::to_string(v));
        ASSERT_EQ(w::formatDecimal(v), std::to_string(v));
        ASSERT_EQ(w::parseBinary(bits), v);
    }
}

TEST(NumberConversions, WordValuesRoundTripThroughTheDiagram) {
    TestDocument doc;
    const int word = addWord(doc, {2, 9, 4, 1, 30, 31, 17, 8, 5, 6, 11, 12}, 10);
    std::mt19937 rng(3);
    for (int i = 0; i < 500; ++i) {
        const w::WordValue v = rng();
        const int tact = 1 + static_cast<int>(rng() % 26);
        w::setWordValue(doc, word, tact, v);
        ASSERT_EQ(w::wordValueText(doc, word, tact), std::to_string(v % 4096));
        ASSERT_EQ(w::parseBinary(*w::wordBits(doc, word, tact)), v % 4096);
        ASSERT_EQ(w::wordValue(doc, word, tact), v % 4096);
    }
}
