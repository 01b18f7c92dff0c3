// kvxtool expand on real files: the standard algorithm leaves the test as it is, a RAM test
// grows by its generated tacts, a refused setting writes nothing.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "storage/codepage.h"
#include "storage/test_file.h"

#include "run_command.h"

namespace {

using namespace kvx;
namespace fs = std::filesystem;

int tool(const std::string& args) {
    return kvx::testing::runCommand(std::string(KVX_TOOL_PATH) + " " + args + " 2>" + kvx::testing::kNullDevice);
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(KvxtoolExpand, StandardRamAndRefused) {
    const fs::path dir = fs::temp_directory_path() / "kvx-expand-test";
    fs::create_directories(dir);
    model::TestDocument d;
    d.setTactCount(8);
    model::DataWord a, b;
    for (int r : {1, 2}) a.addMember(r);
    for (int r : {3, 4}) b.addMember(r);
    d.dataWords() = {a, b};
    ASSERT_TRUE(storage::saveTestFile(d, (dir / "std.kvx").string()).ok);
    EXPECT_EQ(tool("expand " + (dir / "std.kvx").string() + " -o " + (dir / "std-x.kvx").string()), 0);
    EXPECT_EQ(slurp(dir / "std-x.kvx"), slurp(dir / "std.kvx"));

    auto& ram = d.algorithm(model::Algorithm::Ram);
    d.algorithm(model::Algorithm::Standard).active = 0;
    ram.active = 1;
    ram.writeStartTact = 5, ram.writeAddressTact = 5, ram.writeDataTact = 6, ram.dataWord = 1;
    ram.startAddress = 0, ram.endAddress = 3;
    ASSERT_TRUE(storage::saveTestFile(d, (dir / "ram.kvx").string()).ok);
    EXPECT_EQ(tool("expand " + (dir / "ram.kvx").string() + " -o " + (dir / "ram-x.kvx").string()), 0);
    model::TestDocument back;
    storage::loadTestFile(back, (dir / "ram-x.kvx").string());
    // n = 2, m = 2, read part 4, write part 4: G = 24 + 40 + 12 + 8 + 60 + 48 + 64.
    EXPECT_EQ(back.tactCount(), 8 + 256);

    ram.writeStartTact = 1;  // equal to the read start: refused
    ASSERT_TRUE(storage::saveTestFile(d, (dir / "bad.kvx").string()).ok);
    EXPECT_EQ(tool("expand " + (dir / "bad.kvx").string() + " -o " + (dir / "bad-x.kvx").string()), 2);
    EXPECT_FALSE(fs::exists(dir / "bad-x.kvx"));

    // A value the reader could not read: expanded as loaded, written, exit status 1.
    std::string text = storage::fromFileText(slurp(dir / "std.kvx"));
    const std::string count = "Число Тестов=1";
    ASSERT_NE(text.find(count), std::string::npos);
    text.replace(text.find(count), count.size(), "Число Тестов=x");
    std::ofstream(dir / "unread.kvx", std::ios::binary) << storage::toFileText(text);
    EXPECT_EQ(tool("expand " + (dir / "unread.kvx").string() + " -o " + (dir / "unread-x.kvx").string()), 1);
    EXPECT_TRUE(fs::exists(dir / "unread-x.kvx"));
    fs::remove_all(dir);
}

}  // namespace
