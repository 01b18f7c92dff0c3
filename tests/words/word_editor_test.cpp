#include "words/word_editor.h"

#include <gtest/gtest.h>

#include <tuple>
#include <string>
#include <vector>

using kvx::model::DataWord;
using kvx::model::TestDocument;
namespace w = kvx::words;

namespace {

/// DIP16 with every pin type: 1 I, 2 O, 3 I/O, 4 O=F(c), 5 NC, 6 I, 7 O, 8 GND, 9 I/O whose output
/// row 59 is O/i=F(c), 10..15 I, 16 VCC.
TestDocument package() {
    TestDocument doc;
    doc.setPackage({kvx::model::PackageType::DIP, 16});
    const char* types[] = {"", "I", "O", "I/O", "O=F(c)", "NC", "I", "O", "GND", "I/O", "I", "I", "I", "I", "I", "I", "VCC"};
    for (int p = 1; p <= 16; ++p) doc.setPinType(p, types[p]);
    doc.setPinType(59, "O/i=F(c)");
    doc.setPinName(5, "A0");
    doc.setPinName(12, "Сч");
    return doc;
}

int addWord(TestDocument& doc, const std::string& name, int direction, std::vector<int> members = {}) {
    DataWord word;
    word.wordName = name;
    word.direction = direction;
    for (int m : members) word.addMember(m);
    doc.dataWords().push_back(word);
    return static_cast<int>(doc.dataWords().size()) - 1;
}

}  // namespace

TEST(WordEditorRules, OfferRulePerDirection) {
    struct Case { const char* type; bool i, o, io; };
    const Case cases[] = {{"I", true, false, false},        {"O", false, true, false},
                          {"I/O", false, false, true},      {"O=F(c)", false, false, false},
                          {"O/i=F(c)", false, false, false}, {"NC", false, false, false},
                          {"VCC", false, false, false},     {"GND", false, false, false},
                          {"O/i", false, false, false},     {"", false, false, false},
                          {"Iж", false, false, true}};  // two characters, one of them Cyrillic
    for (const Case& c : cases) {
        EXPECT_EQ(w::pinQualifies(c.type, 0), c.i) << c.type;
        EXPECT_EQ(w::pinQualifies(c.type, 1), c.o) << c.type;
        EXPECT_EQ(w::pinQualifies(c.type, 2), c.io) << c.type;
    }
    TestDocument doc = package();
    DataWord word;
    word.addMember(6);
    for (auto [direction, expected] : std::vector<std::pair<int, std::vector<int>>>{
             {0, {1, 10, 11, 12, 13, 14, 15}}, {1, {2, 7}}, {2, {3, 9}}, {3, {1, 10, 11, 12, 13, 14, 15}}}) {
        word.direction = direction;
        EXPECT_EQ(w::offeredPins(doc, word), expected) << "direction " << direction << "; members are never offered";
    }
}

TEST(WordEditorRules, PinLinesAndTheirNumbers) {
    TestDocument doc = package();
    EXPECT_EQ(w::pinLine(doc, 5), "5 - A0");
    EXPECT_EQ(w::pinLine(doc, 12), "12 - Сч");
    EXPECT_EQ(w::pinLine(doc, 3), "3 - ");
    struct Case { const char* line; std::optional<int> pin; };
    const Case cases[] = {{"5 - A0", 5}, {"12 - Сч", 12}, {"40 - 7", 40}, {"7", 7}, {"100 - x", 100},
                          {"", std::nullopt}, {" 5 - A", std::nullopt}, {"Ж - 1", std::nullopt}, {"3x", 3}};
    for (const Case& c : cases) EXPECT_EQ(w::pinOfLine(c.line), c.pin) << c.line;
}

TEST(WordEditorRules, MemberOrder) {
    struct Step { char op; int pin; };
    struct Case { int direction; std::vector<int> start; std::vector<Step> steps; std::vector<int> members; };
    const Case cases[] = {
        {0, {}, {{'>', 7}, {'>', 3}, {'>', 5}}, {7, 3, 5}},   // 7 is the least significant bit
        {0, {}, {{'A', 0}}, {1, 6, 10, 11, 12, 13, 14, 15}},      // ">>": ascending
        {0, {14}, {{'A', 0}}, {14, 1, 6, 10, 11, 12, 13, 15}},    // after the existing members
        {0, {7, 3, 5}, {{'<', 3}}, {7, 5}},                    // the others keep their order
        {0, {7, 3, 5}, {{'<', 9}}, {7, 3, 5}},                 // not a member
        {0, {7, 3, 5}, {{'C', 0}, {'>', 2}}, {2}},             // "<<" then ">"
        {2, {}, {{'A', 0}, {'<', 3}, {'A', 0}}, {9, 3}},
    };
    for (const Case& c : cases) {
        TestDocument doc = package();
        w::WordEditor editor(doc);
        addWord(doc, "W", c.direction, c.start);
        editor.select(0);
        for (const Step& s : c.steps) {
            switch (s.op) {
            case '>': EXPECT_EQ(editor.moveIn(s.pin), w::MoveInResult::Added); break;
            case 'A': EXPECT_TRUE(editor.moveAllIn()); break;
            case '<': editor.moveOut(s.pin); break;
            case 'C': editor.clearMembers(); break;
            }
        }
        EXPECT_EQ(editor.members(), c.members);
        EXPECT_EQ(doc.dataWords()[0].memberCount(), static_cast<int>(c.members.size()));
    }
}

TEST(WordEditorRules, AFullWordTakesNoMorePins) {
    TestDocument doc = package();
    w::WordEditor editor(doc);
    std::vector<int> rows;
    for (int i = 0; i < kvx::model::kWordSlots; ++i) rows.push_back(51 + i % 50);  // a file may fill every slot
    addWord(doc, "FULL", 0, rows);
    editor.select(0);
    EXPECT_EQ(editor.moveIn(1), w::MoveInResult::Full);
    EXPECT_FALSE(editor.moveAllIn());
    EXPECT_EQ(doc.dataWords()[0].memberCount(), kvx::model::kWordSlots);
    editor.deselect();
    EXPECT_EQ(editor.moveIn(1), w::MoveInResult::Nothing);
}

TEST(WordEditorRules, BackupOfTheSelectedWord) {
    enum class Edit { Radix, Direction, Members, MembersThenReselect, Rename, Nothing };
    struct Case { Edit edit; bool cancel; bool restored; };
    const Case cases[] = {
        {Edit::Radix, true, true},    {Edit::Direction, true, false}, {Edit::Members, true, true},
        {Edit::MembersThenReselect, true, false}, {Edit::Rename, true, true}, {Edit::Radix, false, false},
    };
    for (const Case& c : cases) {
        TestDocument doc = package();
        w::WordEditor editor(doc);
        addWord(doc, "A", 0, {1});
        addWord(doc, "B", 0, {6});
        editor.select(1);
        const DataWord before = doc.dataWords()[1];
        switch (c.edit) {
        case Edit::Radix: editor.setRadixItem(0); break;
        case Edit::Direction: editor.setDirectionItem(2); break;
        case Edit::Members: editor.moveIn(11); break;
        case Edit::MembersThenReselect: editor.moveIn(11), editor.select(editor.selected()); break;  // activation
        case Edit::Rename: EXPECT_TRUE(editor.rename("BB")); break;
        case Edit::Nothing: break;
        }
        const DataWord edited = doc.dataWords()[1];
        if (c.cancel) editor.cancel();
        else editor.apply();
        editor.close();
        EXPECT_EQ(doc.dataWords()[1], c.restored ? before : edited) << static_cast<int>(c.edit);
        EXPECT_FALSE(editor.applying());
    }
}

TEST(WordEditorRules, CloseWithoutApplyRestoresOnlyTheSelectedWord) {
    TestDocument doc = package();
    w::WordEditor editor(doc);
    EXPECT_FALSE(editor.backup().has_value());
    EXPECT_TRUE(editor.close().empty()) << "nothing to restore before the first selection";
    addWord(doc, "A", 0, {1});
    addWord(doc, "B", 0, {6});
    editor.select(0);
    editor.setRadixItem(1);  // word A, then B is selected: A keeps its change
    editor.select(1);
    editor.setRadixItem(0);
    editor.close();  // the close box
    EXPECT_EQ(doc.dataWords()[0].radix, 8);
    EXPECT_EQ(doc.dataWords()[1].radix, 16);
}

TEST(WordEditorRules, AddingRenamingDeleting) {
    TestDocument doc = package();
    w::WordEditor editor(doc);
    ASSERT_TRUE(editor.add("ADR", 1));
    const DataWord& added = doc.dataWords()[0];
    EXPECT_EQ(added.wordName, "ADR");
    EXPECT_EQ(added.radix, 16);
    EXPECT_EQ(added.code, 0);
    EXPECT_TRUE(added.linkToTestFile);
    EXPECT_EQ(added.direction, 1);
    EXPECT_EQ(editor.selected(), 0);
    EXPECT_EQ(editor.backup(), added);

    EXPECT_FALSE(editor.add("", 0)) << "an empty name drops the prepared word";
    EXPECT_FALSE(editor.add("A=B", 0)) << "'=' ends the name in the file";
    EXPECT_FALSE(editor.add("A\nB", 0));
    EXPECT_EQ(doc.dataWords().size(), 1u);
    EXPECT_EQ(editor.selected(), -1);
    EXPECT_FALSE(editor.rename("X")) << "no word selected";

    editor.select(0);
    EXPECT_FALSE(editor.rename(""));
    EXPECT_TRUE(editor.rename("ADR"));  // names need not differ
    ASSERT_TRUE(editor.add("ADR", 0));
    ASSERT_TRUE(editor.add("Данные", 2));
    EXPECT_TRUE(w::validWordName("Данные 1"));

    // Deleting the first of three: the others move forward with their settings.
    doc.dataWords()[1].radix = 2;
    doc.dataWords()[2].addMember(3);
    editor.select(0);
    ASSERT_TRUE(editor.remove());
    ASSERT_EQ(doc.dataWords().size(), 2u);
    EXPECT_EQ(doc.dataWords()[0].radix, 2);
    EXPECT_EQ(doc.dataWords()[1].wordName, "Данные");
    EXPECT_EQ(doc.dataWords()[1].members(), std::vector<int>{3});
    EXPECT_EQ(editor.selected(), -1);
    editor.select(1);
    ASSERT_TRUE(editor.remove());
    EXPECT_EQ(editor.selected(), 0) << "the word before is selected";
}

TEST(WordEditorRules, At51WordsNoWordIsAdded) {
    TestDocument doc = package();
    w::WordEditor editor(doc);
    for (int i = 0; i < kvx::model::kMaxDataWords; ++i) ASSERT_TRUE(editor.add("W" + std::to_string(i), 0));
    EXPECT_FALSE(editor.canAdd());
    EXPECT_FALSE(editor.add("W51", 0));
    EXPECT_EQ(doc.dataWords().size(), 51u);
    editor.select(50);
    EXPECT_EQ(editor.selected(), 50);
    doc.dataWords().push_back(DataWord{});  // a list grown past the limit by other means
    editor.select(51);
    EXPECT_EQ(editor.selected(), -1) << "words beyond index 50 cannot be selected";
}

TEST(WordCheck, MessagesPerTypeCode) {
    // Pins: 1 I, 2 O, 3 I/O (package()). The tails mix Latin and Cyrillic letters.
    struct Case { std::vector<int> members; int code; const char* tail[3]; };
    const Case cases[] = {
        {{1}, 8, {nullptr, "I)", "I)"}},
        {{2}, 6, {"0)", nullptr, "0)"}},
        {{3}, 7, {"I/O)", "I/O)", nullptr}},
        {{1, 2}, 2, {"I,\u041E)", "I,\u041E)", "I,\u041E)"}},
        {{1, 3}, 3, {"I,I/\u041E)", "I,I/\u041E)", "I,I/\u041E)"}},
        {{2, 3}, 4, {"O,I/\u041E)", "O,I/\u041E)", "O,I/\u041E)"}},
        {{1, 2, 3, 4, 5}, 5, {"I,\u041E,I/O)", "I,\u041E,I/O)", "I,\u041E,I/O)"}},
        {{4, 5, 8, 16, 59}, 0, {nullptr, nullptr, nullptr}},
    };
    const char* directionTexts[3] = {" I ", " O ", " I/O "};
    for (const Case& c : cases) {
        for (int direction = 0; direction < 3; ++direction) {
            TestDocument doc = package();
            addWord(doc, "DB", direction, c.members);
            EXPECT_EQ(w::memberTypeCode(doc, doc.dataWords()[0]), c.code);
            const auto messages = w::checkDataWords(doc);
            if (!c.tail[direction]) {
                EXPECT_TRUE(messages.empty()) << c.code << " " << direction;
                continue;
            }
            ASSERT_EQ(messages.size(), 1u) << c.code << " " << direction;
            EXPECT_EQ(messages[0], std::string("Слово данных DB") + directionTexts[direction] +
                                       "Содержит разные по типу контакты (" + c.tail[direction]);
        }
    }
    TestDocument doc = package();
    addWord(doc, "DB", 1, {2, 1});
    EXPECT_EQ(w::checkDataWords(doc), std::vector<std::string>{"Слово данных DB O Содержит разные по типу контакты (I,О)"});
}

TEST(WordCheck, AWordWithoutSignalMembersDoesNotEndTheCheck) {
    TestDocument doc = package();
    addWord(doc, "EMPTY", 0);
    addWord(doc, "FN", 0, {4});
    addWord(doc, "MIX", 0, {1, 2});
    addWord(doc, "OK", 1, {2, 7});
    addWord(doc, "ODD", 7, {3});  // a stored direction above 2 is I
    EXPECT_EQ(w::checkDataWords(doc),
              (std::vector<std::string>{"Слово данных MIX I Содержит разные по типу контакты (I,О)",
                                        "Слово данных ODD I Содержит разные по типу контакты (I/O)"}));
}

TEST(WordEditorRules, AFileListSelectsItsFirstWord) {
    TestDocument doc = package();
    w::WordEditor editor(doc);
    addWord(doc, "A", 5, {1});
    editor.listReplaced();
    EXPECT_EQ(editor.selected(), 0);
    EXPECT_EQ(doc.dataWords()[0].direction, 0) << "selecting shows a direction above 2 as I";
    EXPECT_EQ(editor.backup()->direction, 5) << "the backup is taken first";
    doc.dataWords().clear();
    editor.listReplaced();
    EXPECT_EQ(editor.selected(), -1);
}

TEST(WordEditorRules, MembersTypedAsPinsAndANewWordTakesItsTypeFromItsFirstMember) {
    const char* unreadable = "»: выводы пишутся номерами от младшего разряда: 14-11 или 11,12,13,14";
    const std::vector<std::tuple<const char*, std::vector<int>, std::string>> typed = {
        {"14-11", {14, 13, 12, 11}, ""}, {" 11 - 13 , 15 16", {11, 12, 13, 15, 16}, ""},
        {"17", {}, "Нет вывода 17: в корпусе 16 выводов"}, {"11,", {}, std::string("Не понимаю «11,") + unreadable},
        {"1-9999", {}, std::string("Не понимаю «9999") + unreadable}};
    for (const auto& [text, pins, error] : typed) {
        EXPECT_EQ(w::parseTypedMembers(text, 16).pins, pins) << text;
        EXPECT_EQ(w::parseTypedMembers(text, 16).error, error) << text;
    }
    const std::vector<std::tuple<std::vector<int>, int, std::string>> cases = {
        {{7, 2}, 1, ""}, {{9, 3}, 2, ""}, {{7, 1}, 0, "Вывод 1 типа I не подходит слову W типа O-Выходные"},
        {{4}, 0, "Вывод 4 типа O=F(c) не может входить в Слово Данных"}, {{10, 11, 10}, 0, "Вывод 10 указан дважды"}};
    for (const auto& [pins, direction, error] : cases) {
        TestDocument doc = package();
        w::WordEditor editor(doc);
        ASSERT_TRUE(editor.add("W", 0));  // "Тип контакта" showed I
        EXPECT_EQ(editor.offered(), (std::vector<int>{1, 2, 3, 6, 7, 9, 10, 11, 12, 13, 14, 15}));
        EXPECT_EQ(editor.addTyped(pins), error);
        EXPECT_EQ(doc.dataWords()[0].members(), error.empty() ? pins : std::vector<int>{}) << error;
        EXPECT_EQ(doc.dataWords()[0].direction, direction) << error;
        EXPECT_EQ(editor.directionOpen(), !error.empty());
    }
}
