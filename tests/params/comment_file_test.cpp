// The comment file beside a test file: its name, writing it in place of the old one, reading
// RTF and plain text; and the character limit of the one-line name fields.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "params/comment_file.h"

using namespace kvx::params;
namespace fs = std::filesystem;

TEST(CommentFile, NameRuleLooksAtTheFileNameOnly) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"C:\\t\\chip.kvx", "C:\\t\\chip.txt"},      {"/data/v1.2/chip", "/data/v1.2/chiptxt"},
        {"/data/v1.2/chip.kvx", "/data/v1.2/chip.txt"}, {"chip.rsq", "chip.txt"},
        {"/t/тест.квх", "/t/тест.txt"},              {"/t/a.b.kvx", "/t/a.b.txt"},
        {"/t/chip.ab", "/t/chip.abtxt"},             {"/t/chip.kvxx", "/t/chip.ktxt"},
        {"D:\\v1.0\\x", "D:\\v1.0\\xtxt"},           {"/t/.kvx", "/t/.txt"}};
    for (const auto& [test, comment] : cases) EXPECT_EQ(commentFilePath(test), comment) << test;
}

TEST(CommentFile, LimitedEdits) {
    struct Case {
        std::string before, after;
        std::size_t limit;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"abc", "abcd", 4, "abcd"},      {"abcd", "abcde", 4, "abcd"},   {"abcd", "abXcd", 4, "abcd"},
        {"ab", "abXYZ", 4, "abXY"},      {"ab", "aXYZb", 4, "aXYb"},     {"", "ЖЖЖЖЖЖ", 4, "ЖЖЖЖ"},
        {"ЖЖЖ", "ЖЖЖЖ", 4, "ЖЖЖЖ"},     {"ЖЖЖЖ", "ЖЖЖЖЁ", 4, "ЖЖЖЖ"},  {"ЖЖ", "ЖЁЁЁЖ", 4, "ЖЁЁЖ"},
        {"abcdef", "abcdefg", 4, "abcdef"}, {"abcdef", "abcde", 4, "abcde"}};
    for (const auto& c : cases)
        EXPECT_EQ(limitEdit(c.before, c.after, c.limit), c.expected) << c.before << " -> " << c.after;
}

class CommentFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("kvx_comment_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    static void write(const std::string& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }
    static std::string read(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path dir;
};

TEST_F(CommentFiles, WrittenThroughALinkAndReadBack) {
    RichText t;
    t.paragraphs.push_back({{{"Счётчик ", {}}, {"важно", {true, false, false, 24, 0xFF0000u, "Arial"}}}, Alignment::Left});
    fs::create_directory(dir / "real");
    write(path("real/chip.txt"), "old");
    std::error_code linkError;
    fs::create_symlink(dir / "real/chip.txt", dir / "chip.txt", linkError);
    if (linkError) GTEST_SKIP() << "symbolic links cannot be created here: " << linkError.message();
    ASSERT_EQ(writeCommentFile(path("chip.txt"), t), "");
    EXPECT_TRUE(fs::is_symlink(dir / "chip.txt"));
    EXPECT_EQ(read(path("real/chip.txt")).substr(0, 5), "{\\rtf");
    const CommentRead back = readCommentFile(path("chip.txt"));
    EXPECT_TRUE(back.exists);
    EXPECT_EQ(back.error, "");
    EXPECT_EQ(back.text, normalized(t));
    EXPECT_FALSE(readCommentFile(path("none.txt")).exists);
}

TEST_F(CommentFiles, FailedWriteKeepsWhatIsThere) {
    // A folder where the comment file should be cannot be replaced, not even by root.
    fs::create_directory(dir / "chip.txt");
    write(path("chip.txt/keep"), "old");
    RichText t;
    t.paragraphs.push_back({{{"new", {}}}, Alignment::Left});
    const std::string message = writeCommentFile(path("chip.txt"), t);
    EXPECT_NE(message.find("Не удалось записать файл комментария"), std::string::npos) << message;
    EXPECT_EQ(read(path("chip.txt/keep")), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "no temporary file is left";
}

TEST_F(CommentFiles, TextThatIsNotRtf) {
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"Windows-1251", "\xd1\xf7\xb8\xf2\r\n2", {"Счёт", "2"}},
        {"UTF-8", "Счёт\nдва\n", {"Счёт", "два", ""}},
        {"UTF-8 with its mark", "\xEF\xBB\xBFЖ", {"Ж"}},
        {"UTF-16 with its mark", std::string("\xFF\xFE\x16\x04\x0A\x00" "a\x00", 8), {"Ж", "a"}},
        {"control characters dropped", std::string("a\0b\tc", 5), {"ab\tc"}},
        {"almost RTF", "{\\rt x}", {"{\\rt x}"}},
    };
    for (const auto& c : cases) {
        write(path("plain.txt"), c.bytes);
        const RichText t = readCommentFile(path("plain.txt")).text;
        std::vector<std::string> lines;
        for (const auto& p : t.paragraphs) {
            std::string line;
            for (const auto& r : p.runs) {
                EXPECT_EQ(r.format, CharFormat{}) << c.what;
                line += r.text;
            }
            lines.push_back(line);
        }
        EXPECT_EQ(lines, c.lines) << c.what;
    }
}
