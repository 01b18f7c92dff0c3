// Replacing a file keeps symbolic links: the file a link names is replaced, the link stays.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

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
