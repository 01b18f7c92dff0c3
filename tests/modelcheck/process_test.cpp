// The process runner on the simulator's stand-in: exit status and output, a work folder with a
// Cyrillic name, the time limit and a cancellation that end the program with what it started.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "../storage/test_support.h"
#include "modelcheck/process.h"
#include "storage/file_path.h"

using namespace kvx;
using modelcheck::ProgramRun;

namespace {

std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::uintmax_t sizeOf(const std::filesystem::path& path) {
    std::error_code ec;
    const auto n = std::filesystem::file_size(path, ec);
    return ec ? 0 : n;
}

}  // namespace

TEST(ProcessRunner, RunsInItsFolderAndStopsThePlainTheLateAndTheCancelledWithWhatTheyStarted) {
    kvx::testing::TempDir dir;
    const auto folder = dir.path / storage::pathFromUtf8("папка моделей");
    std::filesystem::create_directories(folder);
    const std::string work = storage::utf8FromPath(folder);
    const std::string beat = storage::utf8FromPath(folder / "beat.txt");
    enum class Stop { None, Limit, Cancel };
    struct Case {
        std::vector<std::string> arguments;
        Stop stop;
        int exitCode;
        std::string output;  // "" : not compared
    };
    const std::vector<Case> cases = {
        {{"echo", "3", "a b", "трасса.vcd", "\"q\"\\"}, Stop::None, 3,
         "cwd=папка моделей\narg=a b\narg=трасса.vcd\narg=\"q\"\\\ndone\n"},
        {{"trace", "trace.vcd"}, Stop::None, 0, ""},
        {{"loop"}, Stop::Limit, modelcheck::kTimedOut, ""},
        {{"spawn", beat}, Stop::Limit, modelcheck::kTimedOut, ""},
        {{"spawn", beat}, Stop::Cancel, -2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.front() + " " + std::to_string(static_cast<int>(c.stop)));
        std::vector<std::string> arguments = {KVX_STAND_IN_SIMULATOR};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        modelcheck::RunControl control;
        modelcheck::RunOptions options;
        options.workFolder = work;
        options.control = &control;
        options.timeLimitSeconds = c.stop == Stop::Limit ? 1 : 0;
        double seenElapsed = 0;
        std::thread canceller;
        if (c.stop == Stop::Cancel)
            canceller = std::thread([&control, &seenElapsed] {
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
                seenElapsed = control.running() ? control.elapsedSeconds() : -1;
                control.cancel();
            });
        const ProgramRun run = modelcheck::runProgram(arguments, storage::utf8FromPath(folder / "run.log"), options);
        if (canceller.joinable()) canceller.join();
        EXPECT_TRUE(run.started);
        EXPECT_EQ(run.timedOut, c.stop == Stop::Limit);
        EXPECT_EQ(run.cancelled, c.stop == Stop::Cancel);
        if (c.exitCode != -2) {
            EXPECT_EQ(run.exitCode, c.exitCode);
        }
        if (!c.output.empty()) {
            EXPECT_EQ(run.output, c.output);
        }
        if (c.stop == Stop::Limit) {
            EXPECT_LT(run.seconds, 3.0);
        }
        if (c.stop == Stop::Cancel) {
            EXPECT_GT(seenElapsed, 0.3);
            EXPECT_LT(run.seconds, 2.0);
        }
        if (c.arguments.front() == "trace")
            EXPECT_NE(readAll(folder / "trace.vcd").find("$enddefinitions"), std::string::npos);
        if (c.arguments.front() == "spawn") {
            // The process the program started is gone too: its file stops growing.
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const auto before = sizeOf(folder / "beat.txt");
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            EXPECT_GT(before, 0u);
            EXPECT_EQ(sizeOf(folder / "beat.txt"), before);
            std::filesystem::remove(folder / "beat.txt");
        }
    }
    // A missing program and a control cancelled before the run: nothing is started.
    EXPECT_FALSE(modelcheck::runProgram({storage::utf8FromPath(dir.path / "absent-program")}, dir.file("log")).started);
    modelcheck::RunControl cancelled;
    cancelled.cancel();
    modelcheck::RunOptions options;
    options.control = &cancelled;
    const ProgramRun run = modelcheck::runProgram({KVX_STAND_IN_SIMULATOR, "loop"}, dir.file("log"), options);
    EXPECT_TRUE(run.cancelled);
    EXPECT_FALSE(run.started);
}
