// Characters that the test file cannot carry: what is stored in their place reads back as
// stored, the test shows it after the save, and the user is told once.
#include <gtest/gtest.h>

#include <functional>

#include "storage/codepage.h"
#include "storage/test_file.h"
#include "test_support.h"

using namespace kvx;

TEST(StoredText, WhatTheWriterStoresIsWhatTheReaderGivesBack) {
    // Every character of Windows-1251 and a few outside it.
    std::vector<std::string> chars;
    for (char32_t cp = 0x20; cp < 0x7F; ++cp) chars.push_back(std::string(1, static_cast<char>(cp)));
    for (int b = 0x80; b <= 0xFF; ++b) chars.push_back(storage::cp1251ToUtf8(std::string(1, static_cast<char>(b))));
    for (const char* other : {"中", "é", "😀"}) chars.push_back(other);
    for (const std::string& c : chars) {
        const std::string stored = storage::storableText(c);
        EXPECT_EQ(storage::fromFileText(storage::toFileText(stored)), stored) << c;
    }
    struct Case {
        const char* text;
        const char* stored;
    };
    for (const Case& c : {Case{"Ёлка", "Елка"}, Case{"ёж и Ж", "ёж и Ж"}, Case{"АЯапря№", "АЯапря№"},
                          Case{"«Q0»—…", "\"Q0»-..."}, Case{"a\u00A0b", "a b"}, Case{"€中", "??"}}) {
        EXPECT_EQ(storage::storableText(c.text), c.stored) << c.text;
    }
}

TEST(StoredText, ASaveStoresECapitalYoAsEAndSaysSoOnce) {
    kvx::testing::TempDir dir;
    using Doc = model::TestDocument;
    struct Case {
        const char* place;
        std::function<void(Doc&, const std::string&)> set;
        std::function<std::string(const Doc&)> get;
    };
    const std::vector<Case> cases = {
        {"название теста", [](Doc& d, const std::string& s) { d.setTestName(s); },
         [](const Doc& d) { return d.testName(); }},
        {"имя слова данных 1",
         [](Doc& d, const std::string& s) {
             model::DataWord w;
             w.wordName = s;
             w.addMember(1);
             d.dataWords().push_back(w);
         },
         [](const Doc& d) { return d.dataWords().at(0).wordName; }},
        {"имя вывода 3", [](Doc& d, const std::string& s) { d.setPinName(3, s); },
         [](const Doc& d) { return d.pin(3).pinName; }},
        {"формула вывода 2",
         [](Doc& d, const std::string& s) {
             d.setPinType(2, model::PinType::Function);
             d.setPinFunction(0, 2, s);
         },
         [](const Doc& d) { return d.pinFunction(0, 2); }},
        {"имя файла данных алгоритма",
         [](Doc& d, const std::string& s) {
             d.algorithm(model::Algorithm::Standard).active = 0;
             d.algorithm(model::Algorithm::Rom).active = 1;
             d.algorithm(model::Algorithm::Rom).dataFileName = s;
         },
         [](const Doc& d) { return d.algorithms()[2].dataFileName; }},
        {"файл описания микросхемы", [](Doc& d, const std::string& s) { d.setDescriptionFile(s); },
         [](const Doc& d) { return d.descriptionFile(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.place);
        Doc doc;
        doc.clearDocument();
        c.set(doc, "ЁЛКА ёж");
        const std::string file = dir.file("t.kvx");
        const auto first = storage::saveTestFile(doc, file);
        ASSERT_TRUE(first.ok) << first.error;
        EXPECT_EQ(c.get(doc), "ЕЛКА ёж") << "the test shows what its file holds";
        EXPECT_EQ(first.notice, std::string("Кодировка файла теста не передаёт некоторые знаки, и они записаны так: "
                                            "«Ё» как «Е».\nИзменено: ") + c.place + ".");
        Doc back;
        ASSERT_EQ(storage::loadTestFile(back, file).status, storage::LoadStatus::Loaded);
        EXPECT_EQ(c.get(back), "ЕЛКА ёж") << "read back as the tester reads it";
        const auto second = storage::saveTestFile(doc, file);
        ASSERT_TRUE(second.ok);
        EXPECT_EQ(second.notice, "") << "said once";
    }
}
