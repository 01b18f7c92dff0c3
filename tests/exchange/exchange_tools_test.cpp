// The exchange formats checked with the tools engineers use them with: GTKWave's vcd2fst and
// fst2vcd, Icarus Verilog, and the WaveDrom renderer. scripts/setup installs them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "../storage/random_documents.h"
#include "../storage/test_support.h"
#include "exchange/exchange_signals.h"
#include "exchange/vcd_import.h"
#include "exchange/vcd_writer.h"
#include "exchange/wavejson_writer.h"
#include "storage/test_file.h"

using namespace kvx;
using namespace kvx::exchange;
using model::TestDocument;

namespace {

bool haveCommand(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

/// Runs a shell command; its output goes to `log`.
int run(const std::string& command, const std::string& log) {
    return std::system((command + " >'" + log + "' 2>&1").c_str());
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

#define REQUIRE_TOOL(name, package)                                                                 \
    if (!haveCommand(name)) FAIL() << name << " is missing: scripts/setup installs the package " package

/// The documents the format checks run on: the sample test and random ones.
std::vector<TestDocument> documents(int randomCount) {
    std::vector<TestDocument> docs(1);
    EXPECT_EQ(storage::loadTestFile(docs[0], std::string(KVX_SOURCE_DIR) + "/examples/counter16.kvx").status,
              storage::LoadStatus::Loaded);
    std::mt19937 rng(1313);
    for (int i = 0; i < randomCount; ++i) docs.push_back(kvx::testing::randomDocument(rng));
    return docs;
}

void expectSameSignalLevels(const TestDocument& a, const TestDocument& b) {
    ASSERT_EQ(a.tactCount(), b.tactCount());
    for (const RowSignal& r : rowSignals(a)) {
        if (model::isFunctionType(a.pin(r.row).pinType)) continue;
        for (int t = 1; t <= a.tactCount(); ++t)
            ASSERT_EQ(a.getCell(0, r.row, t), b.getCell(0, r.row, t)) << r.name << " tact " << t;
    }
}

}  // namespace

TEST(ExchangeTools, Vcd2fstTakesEveryExportAndFst2vcdGivesBackTheSameLevels) {
#ifdef _WIN32
    GTEST_SKIP() << "GTKWave's tools are checked on Linux";
#endif
    REQUIRE_TOOL("vcd2fst", "gtkwave");
    REQUIRE_TOOL("fst2vcd", "gtkwave");
    kvx::testing::TempDir dir;
    int i = 0;
    for (const TestDocument& doc : documents(12)) {
        SCOPED_TRACE(i);
        const std::string vcd = dir.file(std::to_string(i) + ".vcd"), fst = dir.file(std::to_string(i) + ".fst"),
                          back = dir.file(std::to_string(i) + "-back.vcd"), log = dir.file("log");
        ++i;
        ASSERT_EQ(saveVcd(doc, vcd, defaultVcdOptions()), "");
        ASSERT_EQ(run("vcd2fst '" + vcd + "' '" + fst + "'", log), 0) << readAll(log);
        ASSERT_EQ(run("fst2vcd '" + fst + "' -o '" + back + "'", log), 0) << readAll(log);
        std::string error;
        const auto header = readVcdHeader(back, error);
        ASSERT_TRUE(header) << error;
        TestDocument imported = doc;
        const auto r = importVcdFile(imported, back, suggestMap(imported, *header), {});
        ASSERT_TRUE(r.ok) << r.error;
        expectSameSignalLevels(doc, imported);
    }
}

TEST(ExchangeTools, ACounterSimulatedByIcarusVerilogImportsIntoItsLevels) {
#ifdef _WIN32
    GTEST_SKIP() << "Icarus Verilog is run on Linux";
#endif
    REQUIRE_TOOL("iverilog", "iverilog");
    REQUIRE_TOOL("vvp", "iverilog");
    kvx::testing::TempDir dir;
    const std::string log = dir.file("log");
    ASSERT_EQ(run("cd '" + dir.path.string() + "' && iverilog -o counter.vvp '" KVX_SOURCE_DIR
                  "/tests/exchange/counter_tb.v' && vvp -n counter.vvp",
                  log),
              0)
        << readAll(log);

    // DIP16: clock, reset and enable drive pins 1..3; the counter's outputs are pins 4..7 (word 1)
    // and the carry pin 8.
    TestDocument doc;
    doc.setPackage({model::PackageType::DIP, 16});
    for (int p = 4; p <= 8; ++p) doc.setPinType(p, model::PinType::Output);
    model::DataWord q;
    q.wordName = "Q";
    for (int p = 4; p <= 7; ++p) q.addMember(p);
    doc.dataWords() = {q};
    std::string error;
    const auto map = parseMap("tb.clk pin 1\nrst pin 2\ntb.en pin 3\ntb.q word 1\ntb.dut.co pin 8\n", error);
    ASSERT_TRUE(map) << error;
    const auto r = importVcdFile(doc, dir.file("counter.vcd"), *map, {});  // tact: 2 us, the test's duration
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(doc.tactCount(), 50);  // $finish at 100 us

    // What the counter does, sampled just before each tact ends (at 2k us): the clock rises at
    // 2, 6, 10 ... us, reset holds the count at 0 until 4 us, every later rising edge counts.
    for (int k = 1; k <= 50; ++k) {
        SCOPED_TRACE(k);
        const int at = 2 * k;
        EXPECT_EQ(doc.getCell(0, 1, k), (k - 1) % 2);
        EXPECT_EQ(doc.getCell(0, 2, k), at <= 4 ? 1 : 0);
        EXPECT_EQ(doc.getCell(0, 3, k), at <= 4 ? 0 : 1);
        int count = 0;
        for (int edge = 6; edge < at; edge += 4) ++count;
        for (int bit = 0; bit < 4; ++bit)
            EXPECT_EQ(doc.getCell(0, 4 + bit, k), at <= 2 ? model::kInactive : (count % 16 >> bit) & 1) << bit;
        EXPECT_EQ(doc.getCell(0, 8, k), at > 4 && count % 16 == 15 ? 1 : 0);
    }

    // The names of the simulation are not unique: the short one of the counter's output is refused.
    TestDocument again;
    const auto ambiguous = parseMap("q pin 4\n", error);
    const auto refused = importVcdFile(again, dir.file("counter.vcd"), *ambiguous, {});
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.error.find("имя «q» носят несколько сигналов"), std::string::npos) << refused.error;
}

TEST(ExchangeTools, WavedromRendersEveryExportedWaveJson) {
#ifdef _WIN32
    GTEST_SKIP() << "the WaveDrom renderer is run on Linux";
#endif
    std::string cli;
    if (const char* env = std::getenv("KVX_WAVEDROM_CLI")) cli = env;
    if (cli.empty()) cli = KVX_WAVEDROM_CLI;
    if (!std::filesystem::exists(cli)) {
        if (!haveCommand("npm")) GTEST_SKIP() << "npm is not available, so wavedrom-cli cannot be installed";
        FAIL() << "wavedrom-cli is missing at " << cli << ": scripts/install-wavedrom installs it";
    }
    kvx::testing::TempDir dir;
    int i = 0;
    for (TestDocument doc : documents(4)) {
        SCOPED_TRACE(i);
        if (doc.tactCount() > 120) doc.setTactCount(120);  // the renderer is slow on very long lanes
        const std::string json = dir.file(std::to_string(i) + ".json"), svg = dir.file(std::to_string(i) + ".svg"),
                          log = dir.file("log");
        ++i;
        ASSERT_EQ(saveWaveJson(doc, json), "");
        ASSERT_EQ(run("'" + cli + "' -i '" + json + "' -s '" + svg + "'", log), 0) << readAll(log);
        const std::string picture = readAll(svg);
        EXPECT_NE(picture.find("<svg"), std::string::npos);
        EXPECT_EQ(readAll(log).find("rror"), std::string::npos) << readAll(log);
    }
}
