// A stand-in stored for a character the file cannot carry reads back, shows in the test, is told once.
#include <gtest/gtest.h>

#include "storage/codepage.h"
#include "storage/test_file.h"
#include "test_support.h"

using namespace kvx;

TEST(StoredText, ASaveStoresECapitalYoAsEAndSaysSoOnce) {
    for (int b = 0x20; b <= 0xFF; ++b) {
        const std::string c = storage::storableText(storage::cp1251ToUtf8(std::string(1, static_cast<char>(b))));
        EXPECT_EQ(storage::fromFileText(storage::toFileText(c)), c) << b;
    }
    EXPECT_EQ(storage::storableText("ЁёЖ№«Q»—…\u00A0€中"), "ЕёЖ№\"Q»-... ??");
    kvx::testing::TempDir dir;
    using Doc = model::TestDocument;
    using Text = std::string& (*)(Doc&);
    const std::string notice = "Кодировка файла теста не передаёт некоторые знаки, и они записаны так: «Ё» как «Е».\n"
                               "Изменено: ";
    const std::vector<std::pair<std::string, Text>> places = {
        {"имя слова данных 1, имя вывода 3.", [](Doc& d) -> std::string& { return d.dataWords().at(0).wordName; }},
        {"имя вывода 3, имя файла данных алгоритма.",
         [](Doc& d) -> std::string& { return d.algorithm(model::Algorithm::Rom).dataFileName; }},
    };
    for (const auto& [place, text] : places) {
        Doc doc;
        doc.dataWords().resize(1);
        doc.algorithm(model::Algorithm::Rom).active = 1;
        text(doc) = "ЁЛКА ёж";
        doc.setPinName(3, "Ёж");
        EXPECT_EQ(storage::saveTestFile(doc, dir.file("t.kvx")).notice, notice + place);
        EXPECT_EQ(text(doc), "ЕЛКА ёж") << "the test shows what its file holds";
        Doc back;
        ASSERT_EQ(storage::loadTestFile(back, dir.file("t.kvx")).status, storage::LoadStatus::Loaded);
        EXPECT_EQ(text(back), "ЕЛКА ёж") << place;
        EXPECT_EQ(storage::saveTestFile(doc, dir.file("t.kvx")).notice, "") << "said once";
    }
}
