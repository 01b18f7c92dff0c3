#include <gtest/gtest.h>

#include "storage/codepage.h"

using namespace kvx::storage;

TEST(Codepage, LettersAndNumeroSignMapToDosBytes) {
    EXPECT_EQ(toFileText("АЯ"), "\x80\x9F");
    EXPECT_EQ(toFileText("ап"), "\xA0\xAF");
    EXPECT_EQ(toFileText("ря"), "\xE0\xEF");
    EXPECT_EQ(toFileText("№"), "\xFC");
    EXPECT_EQ(fromFileText("\x80\x9F\xA0\xAF\xE0\xEF\xFC"), "АЯапря№");
    EXPECT_EQ(toFileText("D0 =_-*"), "D0 =_-*");
}

TEST(Codepage, CharactersOutsideTheTable) {
    // Ё and ё keep their Windows-1251 bytes; read back, they are other letters.
    EXPECT_EQ(toFileText("Ё"), "\xA8");
    EXPECT_EQ(toFileText("ё"), "\xB8");
    EXPECT_EQ(fromFileText(toFileText("Ё")), "и");
    // A character Windows-1251 holds but the table does not keeps its byte (« is 0xAB).
    EXPECT_EQ(toFileText("«"), "\xAB");
    // A character Windows-1251 cannot hold at all is written as '?'.
    EXPECT_EQ(toFileText("中"), "?");
    EXPECT_EQ(toFileText("a\xFF" "b"), "a?b") << "broken UTF-8 must not pass through";
    EXPECT_EQ(toFileText("\xD0"), "?");
    EXPECT_EQ(cp1251ToUtf8(utf8ToCp1251("€…—")), "€…—");
}
