// Proving tests on Verilog models with Icarus Verilog (scripts/setup installs it): the chips of
// examples/ on their models, a flipped expected level caught at its tact and pin, the sample
// point, I/O pins and every refusal with its Russian message.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../storage/test_support.h"
#include "../tool/run_command.h"
#include "modelcheck/model_check.h"
#include "modelcheck/process.h"
#include "storage/test_file.h"

using namespace kvx;
using model::TestDocument;

namespace {

const std::string kSource = KVX_SOURCE_DIR;
const std::string kExamples = kSource + "/examples/";

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string q(const std::string& s) { return "'" + s + "'"; }

struct ToolRun {
    int status;
    std::string out, err;
};

/// kvxtool with these arguments (already quoted), optionally with another search path.
ToolRun tool(const kvx::testing::TempDir& dir, const std::string& arguments, const std::string& path = "") {
    const std::string out = dir.file("stdout"), err = dir.file("stderr");
    const std::string env = path.empty() ? "" : "PATH=" + q(path) + " ";
    const int status = kvx::testing::runCommand(env + q(KVX_TOOL_PATH) + " " + arguments + " >" + q(out) + " 2>" + q(err));
    return {status, readAll(out), readAll(err)};
}

#define REQUIRE_SIMULATOR()                                                            \
    if (!modelcheck::programAvailable("iverilog") || !modelcheck::programAvailable("vvp")) \
    FAIL() << "iverilog is missing: scripts/setup installs the package iverilog"

}  // namespace

TEST(ModelCheck, ExamplesMatchTheirModelsAndEveryChangedLevelIsCaughtAtItsTactAndPin) {
#ifdef _WIN32
    GTEST_SKIP() << "Icarus Verilog is run on Linux";
#endif
    REQUIRE_SIMULATOR();
    struct Case {
        std::string test, models;
        long long comparisons;
        int tact, pin;                // the expected level flipped in a copy
        std::string line;             // what the check says about it
        std::vector<int> wholeRows;   // rows flipped over every tact in a second copy
        std::string more;             // the count line after the first 100 mismatches
    };
    const std::vector<Case> cases = {
        {"74hc00.kvx", "74hc00.v", 32, 4, 11, "Такт 4, вывод 11 (Y4): ожидалось 0, модель дала 1", {}, ""},
        {"74hc161.kvx", "74hc161.v", 370, 20, 12, "Такт 20, вывод 12 (Q2): ожидалось 0, модель дала 1",
         {11, 12, 13, 14}, "Ещё расхождений: 196"},
        {"74hc595.kvx", "74hc595.v --map " + q(kExamples + "74hc595.map"), 449, 19, 9,
         "Такт 19, вывод 9 (QHS): ожидалось 0, модель дала 1", {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.test);
        kvx::testing::TempDir dir;
        const std::string models = c.models.find(' ') == std::string::npos
                                       ? q(kExamples + c.models)
                                       : q(kExamples + c.models.substr(0, c.models.find(' '))) + c.models.substr(c.models.find(' '));
        const std::string total = " из " + std::to_string(c.comparisons) + " сравнений\n";
        ToolRun r = tool(dir, "check-model " + q(kExamples + c.test) + " " + models);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "Совпало " + std::to_string(c.comparisons) + total);

        TestDocument doc;
        ASSERT_EQ(storage::loadTestFile(doc, kExamples + c.test).status, storage::LoadStatus::Loaded);
        TestDocument flipped = doc;
        flipped.setCell(0, c.pin, c.tact, 1 - doc.getCell(0, c.pin, c.tact));
        ASSERT_TRUE(storage::saveTestFile(flipped, dir.file("flipped.kvx")).ok);
        r = tool(dir, "check-model " + q(dir.file("flipped.kvx")) + " " + models);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_EQ(r.out, c.line + "\nСовпало " + std::to_string(c.comparisons - 1) + total);

        if (c.wholeRows.empty()) continue;
        TestDocument wrong = doc;
        long long flippedCells = 0;
        for (int row : c.wholeRows)
            for (int t = 1; t <= doc.tactCount(); ++t)
                if (const auto level = doc.getCell(0, row, t); level != model::kInactive) {
                    wrong.setCell(0, row, t, 1 - level);
                    ++flippedCells;
                }
        ASSERT_TRUE(storage::saveTestFile(wrong, dir.file("wrong.kvx")).ok);
        r = tool(dir, "check-model " + q(dir.file("wrong.kvx")) + " " + models);
        EXPECT_EQ(r.status, 1) << r.err;
        std::vector<std::string> lines;
        std::istringstream in(r.out);
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        ASSERT_EQ(lines.size(), 102u);
        EXPECT_EQ(lines[0], "Такт 1, вывод 11 (Q3): ожидалось 1, модель дала 0");
        EXPECT_EQ(lines[100], c.more);
        EXPECT_EQ(lines[101] + "\n", "Совпало " + std::to_string(c.comparisons - flippedCells) + total);
    }
}

TEST(ModelCheck, OutputsAreSampledAtTheChosenPointAndIoPinsAreDrivenOnlyWhereTheTestDrivesThem) {
#ifdef _WIN32
    GTEST_SKIP() << "Icarus Verilog is run on Linux";
#endif
    REQUIRE_SIMULATOR();
    kvx::testing::TempDir dir;
    // Y follows A 700 ns late while EN is high, else the level the test drives onto the I/O pin D;
    // with EN high the model drives D itself (the inverse of A).
    const std::string model = dir.file("io.v");
    writeText(model,
              "module io(input A, input EN, inout D, output Y);\n"
              "  assign #700 Y = EN ? A : D;\n"
              "  assign D = EN ? ~A : 1'bz;\n"
              "endmodule\n");
    TestDocument doc;
    doc.setPackage({model::PackageType::DIP, 8});
    const std::vector<std::pair<std::string, std::string>> pins = {
        {"I", "A"}, {"I", "EN"}, {"I/O", "D"}, {"GND", ""}, {"O", "Y"}, {"NC", ""}, {"NC", ""}, {"VCC", ""}};
    for (int n = 1; n <= 8; ++n) {
        doc.setPinType(n, pins[static_cast<std::size_t>(n - 1)].first);
        doc.setPinName(n, pins[static_cast<std::size_t>(n - 1)].second);
    }
    doc.setSignalEntry(0, 4, {3, model::RowKind::Output});
    for (int k = 5; k <= 9; ++k) doc.setSignalEntry(0, k, {k - 1, model::RowKind::Pin});
    doc.setTactCount(5);
    // Tacts:            1  2  3  4  5
    const std::vector<std::pair<int, std::string>> rows = {
        {1, "01011"},   // A
        {2, "11001"},   // EN
        {3, "**10*"},   // D driven by the test (inactive while the model drives it)
        {53, "10**0"},  // D expected from the model
        {5, "01101"},   // Y
    };
    for (const auto& [row, levels] : rows)
        for (int t = 1; t <= 5; ++t)
            doc.setCell(0, row, t, levels[static_cast<std::size_t>(t - 1)] == '*' ? 2 : levels[static_cast<std::size_t>(t - 1)] - '0');

    struct Case {
        int sample;
        std::vector<std::string> report;
    };
    const std::vector<Case> cases = {
        {100, {"Совпало 8 из 8 сравнений"}},
        {50, {"Совпало 8 из 8 сравнений"}},
        // 20 % = 400 ns: Y still shows the level of the tact before (x before the first one).
        {20,
         {"Такт 1, вывод 5 (Y): ожидалось 0, модель дала x", "Такт 2, вывод 5 (Y): ожидалось 1, модель дала 0",
          "Такт 4, вывод 5 (Y): ожидалось 0, модель дала 1", "Такт 5, вывод 5 (Y): ожидалось 1, модель дала 0",
          "Совпало 4 из 8 сравнений"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sample);
        modelcheck::CheckOptions options;
        options.models = {model};
        options.samplePercent = c.sample;
        options.vcdPath = dir.file("trace.vcd");
        const auto outcome = modelcheck::checkModel(doc, options);
        ASSERT_FALSE(outcome.refused) << outcome.error;
        EXPECT_EQ(modelcheck::reportLines(doc, outcome.comparison), c.report);
        EXPECT_EQ(outcome.exitStatus(), c.report.size() == 1 ? 0 : 1);
        EXPECT_NE(readAll(dir.file("trace.vcd")).find("$enddefinitions"), std::string::npos);
    }
}

TEST(ModelCheck, RefusedModelsMapsAndAMissingSimulatorSayWhatIsWrong) {
#ifdef _WIN32
    GTEST_SKIP() << "Icarus Verilog is run on Linux";
#endif
    REQUIRE_SIMULATOR();
    kvx::testing::TempDir dir;
    writeText(dir.file("broken.v"), "module hc00(input A1, output Y1;\nendmodule\n");
    writeText(dir.file("two.v"), "module a(input x); endmodule\nmodule b(input y); endmodule\n");
    // A model that never lets the simulated time go on.
    std::string looping = readAll(kExamples + "74hc00.v");
    looping.replace(looping.rfind("endmodule"), 9, "reg spin = 0;\n    always @(spin) spin <= ~spin;\nendmodule");
    writeText(dir.file("looping.v"), looping);
    const std::string map = readAll(kExamples + "74hc595.map");
    writeText(dir.file("missing.map"), map.substr(0, map.find("QH_serial")) + "QH_ser  pin 9\n");
    writeText(dir.file("reversed.map"), map.substr(0, map.find("QH_serial")) + "QH_serial pin 14\n");
    writeText(dir.file("pin52.map"), map.substr(0, map.find("QH_serial")) + "QH_serial pin 52\n");
    const std::string hc00 = q(kExamples + "74hc00.kvx"), hc595 = q(kExamples + "74hc595.kvx");
    struct Case {
        std::string arguments, path;
        std::vector<std::string> said;  // parts of the message, in order
    };
    const std::vector<Case> cases = {
        {"check-model " + hc00 + " " + q(dir.file("broken.v")), "",
         {"kvxtool: Модель не компилируется:\n", "broken.v:2: syntax error"}},
        {"check-model " + hc595 + " " + q(kExamples + "74hc595.v") + " --map " + q(dir.file("missing.map")), "",
         {"kvxtool: Строка 8 карты: в модели нет порта «QH_ser»\n"}},
        {"check-model " + hc595 + " " + q(kExamples + "74hc595.v") + " --map " + q(dir.file("reversed.map")), "",
         {"kvxtool: Строка 8 карты: порт «QH_serial» — выход модели, а вывод 14 (SER) — вход\n"}},
        {"check-model " + hc00 + " " + q(kExamples + "74hc161.v"), "",
         {"kvxtool: Не назначены входы модели: nMR, CP, CEP, CET, nPE, D\n",
          "Не назначены строки теста: вывод 1 (A1), вывод 2 (B1), вывод 3 (Y1)"}},
        {"check-model " + hc00 + " " + q(dir.file("two.v")), "",
         {"kvxtool: В файлах модели несколько модулей верхнего уровня (a, b): укажите нужный (--top)\n"}},
        {"check-model " + hc00 + " " + q(kExamples + "74hc00.v") + " --top nand", "",
         {"kvxtool: В файлах модели нет модуля верхнего уровня «nand» (есть: hc00)\n"}},
        {"check-model " + hc00 + " " + q(dir.file("absent.v")), "", {"kvxtool: Нет файла модели "}},
        {"check-model " + hc00 + " " + q(kExamples + "74hc00.v"), dir.file("empty-path"),
         {std::string("kvxtool: ") + modelcheck::kNoSimulator + "\n"}},
        {"check-model " + hc00 + " " + q(dir.file("looping.v")) + " --time-limit 2", "",
         {"kvxtool: Симуляция не закончилась за 2 с и остановлена: модель, видимо, зациклилась"}},
        {"check-model " + hc00 + " " + q(kExamples + "74hc00.v") + " --time-limit 0", "",
         {"kvxtool: время симуляции «0» должно быть целым числом секунд от 1 до 999999\n"}},
        {"check-model " + hc595 + " " + q(kExamples + "74hc595.v") + " --map " + q(dir.file("pin52.map")), "",
         {"kvxtool: Строка 8 карты: в корпусе нет вывода 52\n"}},
        {"check-model " + hc00 + " " + q(kExamples + "74hc00.v") + " --sample 101", "",
         {"kvxtool: момент сравнения «101» должен быть от 0 до 100 процентов такта\n"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const ToolRun r = tool(dir, c.arguments, c.path);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        std::size_t at = 0;
        for (const auto& part : c.said) {
            const auto found = r.err.find(part, at);
            ASSERT_NE(found, std::string::npos) << part << "\n--- in ---\n" << r.err;
            at = found + part.size();
        }
    }
}

TEST(ModelCheck, AnExportedTestbenchRunsInTheSimulatorOnItsOwn) {
#ifdef _WIN32
    GTEST_SKIP() << "Icarus Verilog is run on Linux";
#endif
    REQUIRE_SIMULATOR();
    kvx::testing::TempDir dir;
    // Without a model the ports are named after the pins: the 74HC00 model has just those ports.
    const std::string out = dir.file("bench");
    ToolRun r = tool(dir, "export-testbench " + q(kExamples + "74hc00.kvx") + " --top hc00 -o " + q(out));
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(kvx::testing::runCommand("cd " + q(out) + " && iverilog -o sim.vvp -s kvx_testbench testbench.v " +
                                       q(kExamples + "74hc00.v") + " >log 2>&1 && vvp -n sim.vvp >>log 2>&1"),
              0)
        << readAll(out + "/log");
    // Y4 Y3 Y2 Y1 (bit 0 at the right) of the 74HC00 test's tacts 1..9; the last tact leaves the inputs open.
    EXPECT_EQ(readAll(out + "/result.txt"),
              "0111\n1011\n1101\n1110\n0111\n1011\n1101\n1110\nxxxx\n");
}

TEST(ModelCheck, NoOutputReplacesAFileTheCommandReadsByAnyName) {
#ifdef _WIN32
    GTEST_SKIP() << "links and Icarus Verilog are tried on Linux";
#endif
    kvx::testing::TempDir dir;
    namespace fs = std::filesystem;
    const std::string t = dir.file("t.kvx"), m = dir.file("m.v"), map = dir.file("m.map"), comment = dir.file("t.txt");
    fs::copy_file(kExamples + "74hc595.kvx", t);
    fs::copy_file(kExamples + "74hc595.v", m);
    fs::copy_file(kExamples + "74hc595.map", map);
    writeText(comment, "{\\rtf1 комментарий}");
    writeText(dir.file("values.csv"), "1,Q,5\n");
    fs::create_directories(dir.path / "sub");
    fs::create_directories(dir.path / "bench");
    fs::create_symlink(t, dir.path / "link.kvx");
    fs::create_hard_link(map, dir.path / "hard.map");
    fs::copy_file(kExamples + "74hc595.v", dir.path / "bench" / "testbench.v");
    const std::string models = q(t) + " " + q(m) + " --map " + q(map);
    struct Case {
        std::string arguments;
        std::string file;  // the input the output would replace
    };
    const std::vector<Case> cases = {
        {"check-model " + models + " --vcd " + q(m), m},
        {"check-model " + models + " --vcd " + q(dir.file("sub/../t.kvx")), t},
        {"check-model " + models + " --vcd " + q(dir.file("link.kvx")), t},
        {"check-model " + models + " --vcd " + q(dir.file("hard.map")), map},
        {"check-model " + models + " --vcd " + q(comment), comment},
        {"export-testbench " + q(t) + " " + q(dir.file("bench/testbench.v")) + " -o " + q(dir.file("sub/../bench")),
         dir.file("bench/testbench.v")},
        {"export-vcd " + q(t) + " -o " + q(dir.file("link.kvx")), t},
        {"export-wavejson " + q(t) + " -o " + q(comment), comment},
        {"import-vcd " + q(t) + " " + q(m) + " --map " + q(map) + " -o " + q(dir.file("hard.map")), map},
        {"expand " + q(t) + " -o " + q(t), t},
        {"set-words " + q(t) + " " + q(dir.file("values.csv")) + " -o " + q(dir.file("values.csv")),
         dir.file("values.csv")},
        {"resave " + q(t) + " " + q(dir.file("sub/../t.txt")), comment},
        {"render " + q(t) + " -o " + q(comment), comment},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const std::string before = readAll(c.file);
        const ToolRun r = tool(dir, c.arguments);
        EXPECT_EQ(r.status, 2);
        if (r.err.find("needs the build with the editor") != std::string::npos) continue;
        EXPECT_NE(r.err.find(" не записан: это "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(fs::path(c.file).filename().string()), std::string::npos) << r.err;
        EXPECT_EQ(readAll(c.file), before);
    }
}

TEST(ModelCheck, CyrillicFoldersAndTraceNamesReachTheSimulatorOnlyAsNamesItTakes) {
#ifdef _WIN32
    GTEST_SKIP() << "Icarus Verilog is run on Linux";
#endif
    REQUIRE_SIMULATOR();
    kvx::testing::TempDir dir;
    const std::string temp = dir.file("временная папка"), trace = dir.file("трасса.vcd");
    std::filesystem::create_directories(temp);
    std::filesystem::copy_file(kExamples + "74hc00.v", dir.file("модель И-НЕ.v"));
    const int status = kvx::testing::runCommand("cd " + q(dir.path.string()) + " && TMPDIR=" + q(temp) + " " +
                                                q(KVX_TOOL_PATH) + " check-model " + q(kExamples + "74hc00.kvx") + " " +
                                                q("модель И-НЕ.v") + " --vcd трасса.vcd >out 2>err");
    EXPECT_EQ(status, 0) << readAll(dir.file("err"));
    EXPECT_EQ(readAll(dir.file("out")), "Совпало 32 из 32 сравнений\n");
    EXPECT_NE(readAll(trace).find("$enddefinitions"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("dump.vcd")));
    EXPECT_TRUE(std::filesystem::is_empty(temp));  // the work folder is gone
    // The simulator's messages name the user's file, not its copy.
    writeText(dir.file("сломанная.v"), "module hc00(input A1, output Y1;\nendmodule\n");
    const ToolRun r = tool(dir, "check-model " + q(kExamples + "74hc00.kvx") + " " + q(dir.file("сломанная.v")));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("сломанная.v:2: syntax error"), std::string::npos) << r.err;
}

TEST(ModelCheck, ATerminatedCheckStopsTheSimulatorAndRemovesItsWorkFolder) {
#ifdef _WIN32
    GTEST_SKIP() << "signals are sent on Linux";
#endif
    REQUIRE_SIMULATOR();
    kvx::testing::TempDir dir;
    const std::string temp = dir.file("tmp");
    std::filesystem::create_directories(temp);
    std::string looping = readAll(kExamples + "74hc00.v");
    looping.replace(looping.rfind("endmodule"), 9, "reg spin = 0;\n    always @(spin) spin <= ~spin;\nendmodule");
    writeText(dir.file("looping.v"), looping);
    const auto started = std::chrono::steady_clock::now();
    const int status = kvx::testing::runCommand(
        "TMPDIR=" + q(temp) + " " + q(KVX_TOOL_PATH) + " check-model " + q(kExamples + "74hc00.kvx") + " " +
        q(dir.file("looping.v")) + " 2>" + q(dir.file("err")) + " & pid=$!; sleep 3; kill -TERM $pid; wait $pid");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(status, 128 + 15);
    EXPECT_LT(seconds, 6.0);
    EXPECT_NE(readAll(dir.file("err")).find("Проверка прервана"), std::string::npos) << readAll(dir.file("err"));
    EXPECT_TRUE(std::filesystem::is_empty(temp));
    // No process is left working in the folder.
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::error_code ec;
        const auto cwd = std::filesystem::read_symlink(entry.path() / "cwd", ec);
        if (!ec) {
            EXPECT_EQ(cwd.string().rfind(temp, 0), std::string::npos) << entry.path();
        }
    }
}
