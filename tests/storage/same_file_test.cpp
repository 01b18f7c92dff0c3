// An output is refused when it would replace a file the command reads, by any name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "storage/file_path.h"
#include "storage/same_file.h"
#include "test_support.h"

namespace fs = std::filesystem;

TEST(SameFile, EveryNameOfOneFileIsTheSameFile) {
    kvx::testing::TempDir dir;
    fs::create_directories(dir.path / "sub");
    std::ofstream(dir.path / "тест.kvx") << "t";
    std::ofstream(dir.path / "other.kvx") << "o";
    std::error_code hardError, linkError;
    fs::create_hard_link(dir.path / "тест.kvx", dir.path / "hard.kvx", hardError);
    fs::create_symlink(dir.path / "тест.kvx", dir.path / "link.kvx", linkError);
    const std::string test = dir.file("тест.kvx");
    struct Case {
        std::string other;
        bool same;
        bool needs;  // false: the case needs a link the system refused
    };
    const Case cases[] = {
        {test, true, true},
        {(dir.path / "sub" / ".." / "тест.kvx").string(), true, true},
        {(dir.path / "." / "тест.kvx").string(), true, true},
        {dir.file("hard.kvx"), true, !hardError},
        {dir.file("link.kvx"), true, !linkError},
        {dir.file("other.kvx"), false, true},
        {dir.file("new.vcd"), false, true},
        {(dir.path / "sub" / ".." / "missing.kvx").string(), false, true},
        {"", false, true},
    };
    for (const Case& c : cases) {
        if (!c.needs) continue;
        SCOPED_TRACE(c.other);
        EXPECT_EQ(kvx::storage::sameFile(c.other, test), c.same);
        const std::string refusal = kvx::storage::refuseOverwrite(c.other, {{dir.file("other2.v"), "файл модели"}, {test, "файл теста"}});
        EXPECT_EQ(refusal.empty(), !c.same) << refusal;
        if (c.same) EXPECT_NE(refusal.find("файл теста"), std::string::npos) << refusal;
    }
    // Two files that are not there yet are one when their paths lead to one place.
    EXPECT_TRUE(kvx::storage::sameFile(dir.file("a.pdf"), (dir.path / "sub" / ".." / "a.pdf").string()));
}

#ifdef _WIN32
// Either separator, any case, a drive letter in lower case name one file on Windows.
TEST(SameFile, WindowsNamesOfOneFileAreTheSameFile) {
    kvx::testing::TempDir dir;
    std::ofstream(dir.path / u8"Тест.kvx") << "t";
    const std::string base = kvx::storage::utf8FromPath(dir.path.lexically_normal().make_preferred());
    std::string slashed = base, low = base;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    low[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(low[0])));
    const std::string test = base + "\\Тест.kvx";
    const struct { std::string other, of; bool same; } cases[] = {
        {slashed + "/Тест.kvx", test, true},          {base + "\\ТЕСТ.KVX", test, true},
        {slashed + "/sub/../тест.Kvx", test, true},   {base + "\\sub/..\\.\\Тест.kvx", test, true},
        {low + "\\Тест.kvx", test, true},             {base + "\\Тест2.kvx", test, false},
        {base + "\\sub\\Тест.kvx", test, false},
        {base + "\\Лист.PDF", slashed + "/sub/../лист.pdf", true},  // not there yet: the place they lead to
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.other + " / " + c.of);
        EXPECT_EQ(kvx::storage::sameFile(c.other, c.of), c.same);
        EXPECT_EQ(kvx::storage::refuseOverwrite(c.other, {{c.of, "файл теста"}}).empty(), !c.same);
    }
}
#endif
