// The outputs written from the model and the fault coverage, on the example chips with Icarus
// Verilog: a filled test passes its check whatever its inputs, the grading names exactly the
// faults a test lets through, and the model settings of a test are kept under its path.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "../platform/memory_settings_store.h"
#include "../storage/test_support.h"
#include "../tool/run_command.h"
#include "exchange/exchange_signals.h"
#include "modelcheck/fault_grading.h"
#include "modelcheck/fill_from_model.h"
#include "modelcheck/model_settings.h"
#include "modelcheck/process.h"
#include "storage/test_file.h"

using namespace kvx;
using model::TestDocument;

namespace {

const std::string kExamples = std::string(KVX_SOURCE_DIR) + "/examples/";

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string q(const std::string& s) { return "'" + s + "'"; }

}  // namespace

TEST(ModelFill, AFilledTestPassesItsModelWhateverItsInputsAndTheIoOutputFollowsWhoDrivesThePin) {
#ifdef _WIN32
    GTEST_SKIP() << "Icarus Verilog is run on Linux";
#endif
    ASSERT_TRUE(modelcheck::programAvailable("iverilog") && modelcheck::programAvailable("vvp"));
    struct Case {
        std::string test, model, map;
    };
    const std::vector<Case> cases = {
        {"74hc00.kvx", "74hc00.v", ""}, {"74hc161.kvx", "74hc161.v", ""}, {"74hc595.kvx", "74hc595.v", "74hc595.map"}};
    std::mt19937 random(29);
    for (const Case& c : cases) {
        for (int round = 0; round < 2; ++round) {
            SCOPED_TRACE(c.test + " " + std::to_string(round));
            TestDocument doc;
            ASSERT_EQ(storage::loadTestFile(doc, kExamples + c.test).status, storage::LoadStatus::Loaded);
            // Random inputs, the outputs wiped: the fill writes them all again.
            for (const auto& r : exchange::rowSignals(doc))
                for (int t = 1; t <= doc.tactCount(); ++t)
                    doc.setCell(0, r.row, t, r.expected ? model::kInactive : static_cast<model::CellLevel>(random() % 2));
            modelcheck::ModelSettings settings;
            settings.models = {kExamples + c.model};
            if (!c.map.empty()) settings.mapText = readAll(kExamples + c.map);
            std::string error;
            const auto options = modelcheck::checkOptions(settings, error);
            ASSERT_TRUE(options) << error;
            const auto fill = modelcheck::fillFromModel(doc, *options);
            ASSERT_FALSE(fill.refused) << fill.error;
            EXPECT_GT(fill.filled, 0);
            EXPECT_EQ(fill.message(),
                      "Заполнено " + std::to_string(fill.filled) + " уровней, изменено " + std::to_string(fill.changed));
            modelcheck::applyFill(doc, fill);
            const auto check = modelcheck::checkModel(doc, *options);
            ASSERT_FALSE(check.refused) << check.error;
            EXPECT_TRUE(check.comparison.mismatches.empty());
            EXPECT_EQ(check.comparison.compared, fill.filled);
        }
    }

    // The command: a range of tacts, and the refusals.
    kvx::testing::TempDir dir;
    TestDocument drawn;
    ASSERT_EQ(storage::loadTestFile(drawn, kExamples + "74hc00.kvx").status, storage::LoadStatus::Loaded);
    for (int row : {3, 6, 8, 11})
        for (int t = 1; t <= drawn.tactCount(); ++t) drawn.setCell(0, row, t, model::kInactive);
    ASSERT_TRUE(storage::saveTestFile(drawn, dir.file("drawn.kvx")).ok);
    const std::string hc00 = q(kExamples + "74hc00.v"), out = dir.file("filled.kvx");
    struct Run {
        std::string arguments;
        int status;
        std::string said;  // standard output, or the start of the message
    };
    const std::vector<Run> runs = {
        {"--tacts 2-3 -o " + q(out), 0, "Заполнено 8 уровней, изменено 8\n"},
        {"-o " + q(out), 0, "Заполнено 32 уровней, изменено 32\n"},
        {"--tacts 3-2 -o " + q(out), 2, "kvxtool: диапазон тактов «3-2» должен быть вида A-B"},
        {"--tacts 1-10 -o " + q(out), 2, "kvxtool: в тесте 9 тактов: диапазон 1-10 выходит за его конец\n"},
        {"-o " + hc00, 2, "kvxtool: Файл "},
    };
    for (const Run& r : runs) {
        SCOPED_TRACE(r.arguments);
        const int status = kvx::testing::runCommand(q(KVX_TOOL_PATH) + " fill-from-model " + q(dir.file("drawn.kvx")) +
                                                    " " + hc00 + " " + r.arguments + " >" + q(dir.file("out")) + " 2>" +
                                                    q(dir.file("err")));
        EXPECT_EQ(status, r.status);
        EXPECT_EQ(readAll(dir.file(r.status ? "err" : "out")).rfind(r.said, 0), 0u) << readAll(dir.file("err"));
    }
    EXPECT_EQ(readAll(kExamples + "74hc00.v").substr(0, 12), "// 74HC00: q");

    // An I/O pin: the output row is filled only where the test leaves the pin to the chip.
    std::ofstream(dir.file("io.v")) << "module io(input A, input EN, inout D);\n"
                                       "  assign D = EN ? ~A : 1'bz;\nendmodule\n";
    TestDocument doc;
    doc.setPackage({model::PackageType::DIP, 8});
    const std::vector<std::pair<std::string, std::string>> pins = {
        {"I", "A"}, {"I", "EN"}, {"I/O", "D"}, {"GND", ""}, {"NC", ""}, {"NC", ""}, {"NC", ""}, {"VCC", ""}};
    for (int n = 1; n <= 8; ++n) {
        doc.setPinType(n, pins[static_cast<std::size_t>(n - 1)].first);
        doc.setPinName(n, pins[static_cast<std::size_t>(n - 1)].second);
    }
    doc.setSignalEntry(0, 4, {3, model::RowKind::Output});
    doc.setTactCount(4);
    const std::vector<std::pair<int, std::string>> rows = {{1, "0101"}, {2, "1100"}, {3, "**1*"}, {53, "1111"}};
    for (const auto& [row, levels] : rows)
        for (int t = 1; t <= 4; ++t)
            doc.setCell(0, row, t, levels[static_cast<std::size_t>(t - 1)] == '*' ? 2 : levels[static_cast<std::size_t>(t - 1)] - '0');
    modelcheck::CheckOptions options;
    options.models = {dir.file("io.v")};
    const auto fill = modelcheck::fillFromModel(doc, options);
    ASSERT_FALSE(fill.refused) << fill.error;
    modelcheck::applyFill(doc, fill);
    std::string got;
    for (int t = 1; t <= 4; ++t) got += "01*"[doc.getCell(0, 53, t)];
    EXPECT_EQ(got, "10**");  // tact 3: the test drives D; tact 4: nobody does (z)
    EXPECT_EQ(fill.message(), "Заполнено 2 уровней, изменено 3");
}

TEST(ModelGrade, TheGradingNamesExactlyTheFaultsATestLetsThrough) {
#ifdef _WIN32
    GTEST_SKIP() << "Icarus Verilog is run on Linux";
#endif
    ASSERT_TRUE(modelcheck::programAvailable("iverilog") && modelcheck::programAvailable("vvp"));
    kvx::testing::TempDir dir;
    TestDocument wrong;
    ASSERT_EQ(storage::loadTestFile(wrong, kExamples + "74hc00.kvx").status, storage::LoadStatus::Loaded);
    wrong.setCell(0, 11, 4, 1 - wrong.getCell(0, 11, 4));
    wrong.setCell(0, 3, 4, model::kInactive);
    wrong.setCell(0, 3, 8, model::kInactive);  // Y1 now never expects 0
    ASSERT_TRUE(storage::saveTestFile(wrong, dir.file("wrong.kvx")).ok);
    struct Case {
        std::string arguments;
        int status;
        std::string out;
    };
    const std::string hc00 = q(kExamples + "74hc00.v");
    const std::vector<Case> cases = {
        {q(kExamples + "74hc00.kvx") + " " + hc00, 0, "Обнаружено 24 из 24 неисправностей (100 %)\n"},
        {q(kExamples + "74hc00-weak.kvx") + " " + hc00 + " --jobs 3", 1,
         "Обнаружено 16 из 24 неисправностей (66 %)\n"
         "Вывод 1 (A1): константа 1 не обнаруживается\nВывод 2 (B1): константа 1 не обнаруживается\n"
         "Вывод 4 (A2): константа 1 не обнаруживается\nВывод 5 (B2): константа 1 не обнаруживается\n"
         "Вывод 9 (A3): константа 1 не обнаруживается\nВывод 10 (B3): константа 1 не обнаруживается\n"
         "Вывод 12 (A4): константа 1 не обнаруживается\nВывод 13 (B4): константа 1 не обнаруживается\n"},
        {q(kExamples + "74hc161.kvx") + " " + q(kExamples + "74hc161.v") + " --jobs 1", 0,
         "Обнаружено 28 из 28 неисправностей (100 %)\n"},
        {q(kExamples + "74hc595.kvx") + " " + q(kExamples + "74hc595.v") + " --map " + q(kExamples + "74hc595.map"), 1,
         "Обнаружено 27 из 28 неисправностей (96 %)\nВывод 13 (nOE): константа 0 не обнаруживается\n"},
        {q(dir.file("wrong.kvx")) + " " + hc00, 2, ""},
        {q(dir.file("wrong.kvx")), 1,
         "Вывод 3 (Y1): константа 1 не обнаруживается (строка не ожидает 0)\n"
         "Неисправности входов без модели не оцениваются: укажите файлы модели\n"},
        {q(kExamples + "74hc00.kvx") + " " + hc00 + " --jobs 0", 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const int status = kvx::testing::runCommand(q(KVX_TOOL_PATH) + " grade " + c.arguments + " >" +
                                                    q(dir.file("out")) + " 2>" + q(dir.file("err")));
        EXPECT_EQ(status, c.status) << readAll(dir.file("err"));
        EXPECT_EQ(readAll(dir.file("out")), c.out);
    }
    EXPECT_NE(readAll(dir.file("err")).find("«0»"), std::string::npos);
    // The first mismatches of a test that fails on the good model.
    const int status = kvx::testing::runCommand(q(KVX_TOOL_PATH) + " grade " + q(dir.file("wrong.kvx")) + " " + hc00 +
                                                " 2>" + q(dir.file("err")));
    EXPECT_EQ(status, 2);
    EXPECT_EQ(readAll(dir.file("err")),
              "kvxtool: Тест не проходит на исправной модели, неисправности не оцениваются:\n"
              "Такт 4, вывод 11 (Y4): ожидалось 0, модель дала 1\nСовпало 29 из 30 сравнений\n");
}

TEST(ModelSettings, TheModelOfATestIsKeptUnderItsPathAndMovesWithIt) {
    kvx::testing::MemorySettingsStore store;
    modelcheck::ModelSettings s;
    s.models = {"/м/one.v", "/м/two.v"};
    s.top = "chip";
    s.mapText = "A pin 1\n# B —\n";
    s.samplePercent = 40;
    EXPECT_FALSE(modelcheck::saveModelSettings(store, "", s));
    EXPECT_EQ(modelcheck::loadModelSettings(store, "/t/a.kvx"), modelcheck::ModelSettings{});
    ASSERT_TRUE(modelcheck::saveModelSettings(store, "/t/a.kvx", s));
    EXPECT_EQ(modelcheck::loadModelSettings(store, "/t/a.kvx"), s);
    EXPECT_EQ(modelcheck::loadModelSettings(store, "/t/b.kvx"), modelcheck::ModelSettings{});
    ASSERT_TRUE(modelcheck::copyModelSettings(store, "/t/a.kvx", "/t/b.kvx"));
    EXPECT_EQ(modelcheck::loadModelSettings(store, "/t/b.kvx"), s);
    std::string error;
    const auto options = modelcheck::checkOptions(s, error);
    ASSERT_TRUE(options) << error;
    EXPECT_FALSE(options->autoMap);
    ASSERT_EQ(options->map.size(), 1u);
    EXPECT_EQ(options->samplePercent, 40);
    s.mapText = "A pin\n";
    EXPECT_FALSE(modelcheck::checkOptions(s, error));
    s.mapText = "\n";
    EXPECT_TRUE(modelcheck::checkOptions(s, error)->autoMap);
}
