// "kvxtool new" with a package: the test the package dialog gives, and its refusals.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "params/package.h"
#include "storage/test_file.h"
#include "run_command.h"

namespace {

std::string tempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("kvx_new_" + std::to_string(::getpid()) + "_" + name)).string();
}

int runTool(const std::string& args) {
    return kvx::testing::runCommand(std::string("\"") + KVX_TOOL_PATH + "\" new " + args + " 2>" +
                                    kvx::testing::kNullDevice);
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

TEST(ToolNew, PackagesAsTheDialogAppliesThem) {
    using kvx::model::PackageType;
    const std::vector<std::pair<std::string, kvx::params::PackageChoice>> cases = {
        {"--package DIP16", {PackageType::DIP, 16, 16, 8}},
        {"--package soic28 --vcc 1 --gnd 2", {PackageType::SOIC, 28, 1, 2}},
        {"--package DIP40 --gnd 3", {PackageType::DIP, 40, 40, 3}},
        {"--vcc 7 --package SOIC8", {PackageType::SOIC, 8, 7, 4}},
    };
    const std::string out = tempPath("out.kvx");
    for (const auto& [args, choice] : cases) {
        ASSERT_EQ(runTool("\"" + out + "\" " + args), 0) << args;
        kvx::model::TestDocument expected;
        expected.clearDocument();
        kvx::params::applyPackage(expected, choice);
        EXPECT_EQ(readAll(out), kvx::storage::writeTestFileBytes(expected)) << args;
    }
    // Without a package: the cleared 8-pin test.
    ASSERT_EQ(runTool("\"" + out + "\""), 0);
    kvx::model::TestDocument cleared;
    cleared.clearDocument();
    EXPECT_EQ(readAll(out), kvx::storage::writeTestFileBytes(cleared));
    std::filesystem::remove(out);
}

TEST(ToolNew, BadOptionsExitWithTwo) {
    const std::string out = "\"" + tempPath("bad.kvx") + "\"";
    for (const std::string& args : std::vector<std::string>{out + " --package DIP17", out + " --package DIP16 --vcc 8 --gnd 8",
                                   out + " --package DIP16 --vcc 17", out + " --package DIP16 --gnd 0",
                                   out + " --package DIP8 --vcc x", out + " --vcc 3", out + " --package",
                                   out + " --colour red", std::string("--package DIP16"), out + " " + out}) {
        EXPECT_EQ(runTool(args), 2) << args;
    }
    EXPECT_FALSE(std::filesystem::exists(tempPath("bad.kvx")));
}
