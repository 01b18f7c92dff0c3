// Replacing a file keeps symbolic links: the file a link names is replaced, the link stays.
// Access rights decide whether a file is replaced, written in place or left alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "../platform/ordinary_user.h"
#include "../tool/run_command.h"
#include "storage/file_replace.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

std::string contents(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

TEST(FileReplace, TheFileALinkNamesIsReplacedAndTheLinkStays) {
    kvx::testing::TempDir dir;
    const fs::path real = dir.path / "tests" / "real.kvx";
    fs::create_directories(real.parent_path());
    std::ofstream(real) << "old";
    std::error_code linkError;
    fs::create_symlink("tests/real.kvx", dir.path / "link.kvx", linkError);  // relative to the link's folder
    // Windows lets only privileged users (and Wine nobody) create symbolic links.
    if (linkError) GTEST_SKIP() << "symbolic links cannot be created here: " << linkError.message();
    fs::create_symlink(dir.path / "link.kvx", dir.path / "chain.kvx");
    fs::create_symlink("missing.kvx", dir.path / "dangling.kvx");

    struct Case {
        const char* path;
        fs::path written;
    };
    for (const Case& c : {Case{"link.kvx", real}, Case{"chain.kvx", real}, Case{"dangling.kvx", dir.path / "missing.kvx"},
                          Case{"tests/real.kvx", real}}) {
        SCOPED_TRACE(c.path);
        const fs::path given = dir.path / c.path;
        const bool wasLink = fs::is_symlink(given);
        ASSERT_TRUE(kvx::storage::replaceFile(given.string(), std::string("new ") + c.path));
        EXPECT_EQ(fs::is_symlink(given), wasLink);
        EXPECT_EQ(contents(c.written), std::string("new ") + c.path);
    }
    std::size_t leftovers = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir.path))
        if (e.path().extension() == ".tmp") ++leftovers;
    EXPECT_EQ(leftovers, 0u);
}

// A file the user may not write is never replaced; one that may be written but not replaced
// is written in place. The editor's save and "kvxtool resave" answer alike.
TEST(FileReplace, AccessRightsDecideBetweenReplacingWritingInPlaceAndRefusing) {
    using fs::perms;
    kvx::testing::TempDir dir;
    std::string tool = KVX_TOOL_PATH;
#ifndef _WIN32
    if (::geteuid() == 0) {  // the build folder need not be open to the user nobody
        fs::copy_file(tool, dir.path / "kvxtool");
        tool = (dir.path / "kvxtool").string();
    }
#endif
    kvx::model::TestDocument older, newer;
    older.clearDocument();
    older.setTestName("старый");
    newer.clearDocument();
    newer.setTestName("новый");
    newer.setCell(0, 1, 2, kvx::model::kHigh);
    const std::string before = kvx::storage::writeTestFileBytes(older);
    const std::string after = kvx::storage::writeTestFileBytes(newer);
    auto which = [&](const fs::path& p) -> std::string {
        const std::string s = contents(p);
        return s == before ? "the old test" : s == after ? "the new test" : "other bytes: " + s.substr(0, 40);
    };

    enum class Extra { None, HardLink, LinkToIt, NoFolder };
    struct Case {
        const char* what;
        std::optional<perms> file;  // none: there is no file yet
        perms folder;
        const char* reason;         // nullptr: written
        Extra extra = Extra::None;
        bool posixOnly = true;
    };
    const perms rw = perms::owner_read | perms::owner_write | perms::group_read | perms::others_read;
    const perms r = perms::owner_read | perms::group_read | perms::others_read;
    const perms rwx = perms::owner_all | perms::group_read | perms::group_exec | perms::others_read | perms::others_exec;
    const perms rx = rwx & ~perms::owner_write;
    const char* readOnly = "нет права на запись в файл";
    const std::vector<Case> cases = {
        {"a writable file", rw, rwx, nullptr, Extra::None, false},
        {"a read-only file", r, rwx, readOnly, Extra::None, false},
        {"a file without any rights", perms::none, rwx, readOnly},
        {"a write-only file", perms::owner_write, rwx, nullptr},
        {"a writable file in a read-only folder", rw, rx, nullptr},
        {"a read-only file in a read-only folder", r, rx, readOnly},
        {"a new file in a read-only folder", std::nullopt, rx, "нет права на запись в папку"},
        {"a file with a second name", rw, rwx, nullptr, Extra::HardLink},
        {"a link to a read-only file", r, rwx, readOnly, Extra::LinkToIt},
        {"a new file in a folder that does not exist", std::nullopt, rwx, "папка не существует", Extra::NoFolder, false},
    };
    kvx::testing::asOrdinaryUser(dir.path, [&] {
        const std::string in = dir.file("in.kvx");
        std::ofstream(in, std::ios::binary) << after;
        int n = 0;
        for (const Case& c : cases) {
            if (c.posixOnly && !kvx::testing::kPosixRights) continue;
            for (const bool byTool : {false, true}) {
                SCOPED_TRACE(std::string(c.what) + (byTool ? ", kvxtool resave" : ", the editor's save"));
                const fs::path folder = dir.path / ("case" + std::to_string(++n));
                fs::create_directory(folder);
                const fs::path file = folder / "t.kvx";
                fs::path given = file, other;
                if (c.file) {
                    std::ofstream(file, std::ios::binary) << before;
                    if (c.extra == Extra::HardLink) fs::create_hard_link(file, other = folder / "other.kvx");
                    if (c.extra == Extra::LinkToIt) fs::create_symlink("t.kvx", given = folder / "link.kvx");
                    fs::permissions(file, *c.file);
                }
                if (c.extra == Extra::NoFolder) given = folder / "gone" / "t.kvx";
                fs::permissions(folder, c.folder);

                const std::string expected =
                    "Не удалось сохранить файл " + given.string() + (c.reason ? std::string(": ") + c.reason : "");
                if (byTool) {
                    const std::string err = dir.file("err" + std::to_string(n) + ".txt");
                    const int status = kvx::testing::runCommand("\"" + tool + "\" resave \"" + in + "\" \"" +
                                                                given.string() + "\" 2>\"" + err + "\"");
                    EXPECT_EQ(status, c.reason ? 2 : 0);
                    std::string line = contents(err);
                    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
                    EXPECT_EQ(line, c.reason ? "kvxtool: " + expected : "");
                } else {
                    kvx::model::TestDocument doc = newer;
                    const auto saved = kvx::storage::saveTestFile(doc, given.string());
                    EXPECT_EQ(saved.ok, c.reason == nullptr);
                    if (c.reason) {
                        EXPECT_EQ(saved.error, expected);
                    }
                }

                if (c.file) {
                    // Windows keeps only the read-only attribute.
                    const perms kept = kvx::testing::kPosixRights ? perms::all : perms::owner_write;
                    EXPECT_EQ(fs::status(file).permissions() & kept, *c.file & kept) << "the rights stay";
                    fs::permissions(file, perms::owner_read | perms::owner_write);
                    EXPECT_EQ(which(file), c.reason ? "the old test" : "the new test");
                    if (!other.empty()) {
                        EXPECT_EQ(which(other), "the new test") << "the second name shows the same file";
                    }
                } else {
                    EXPECT_EQ(fs::exists(file), c.reason == nullptr);
                }
                for (const auto& e : fs::directory_iterator(folder))
                    EXPECT_NE(e.path().extension(), ".tmp") << "a temporary file is left: " << e.path();
            }
        }
    });
}
