// Test vectors in and out: the readers' refusals with their line and character, the test a
// chip's vectors make (pin types, clocked vectors, supply pins), the vectors a test gives, and
// through kvxtool the example chips proved on their models and byte-identical round trips.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../storage/test_support.h"
#include "../tool/run_command.h"
#include "modelcheck/process.h"
#include "storage/test_file.h"
#include "vectors/vectors.h"

using namespace kvx;
using vectors::Chip;

namespace {

const std::string kExamples = std::string(KVX_SOURCE_DIR) + "/examples/";

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string q(const std::string& s) { return "\"" + s + "\""; }

int tool(const std::string& args, const kvx::testing::TempDir& dir) {
    return kvx::testing::runCommand(q(KVX_TOOL_PATH) + " " + args + " 2>" + q(dir.file("stderr")) + " >" +
                                    q(dir.file("stdout")));
}

Chip chipOf(const std::string& text) {
    std::string error;
    auto chip = vectors::readVectorFile(text, "t", error);
    EXPECT_TRUE(chip) << error;
    return chip.value_or(Chip{});
}

/// Levels of a row as text: 0, 1 and '.' for inactive.
std::string row(const model::TestDocument& doc, int r) {
    std::string s;
    for (int t = 1; t <= doc.tactCount(); ++t) s += "01."[doc.getCell(0, r, t)];
    return s;
}

/// The driven and the compared level of a pin at a tact (a driven I/O pin compares nothing).
std::pair<int, int> levels(const model::TestDocument& doc, int p, int t) {
    const std::string& type = doc.pin(p).pinType;
    if (model::isFixedType(type)) return {2, 2};
    if (type == model::PinType::Input) return {doc.getCell(0, p, t), 2};
    if (type != model::PinType::InOut) return {2, doc.getCell(0, p, t)};
    const int driven = doc.getCell(0, p, t);
    return {driven, driven != 2 ? 2 : doc.getCell(0, p + model::kPinRows, t)};
}

}  // namespace

TEST(Vectors, BadInputIsRefusedWithItsLineAndCharacter) {
    struct Case {
        bool jedec;
        std::string text, message;
    } cases[] = {
        {false, "# c\n0 1 L\n0 1\n", "строка 3: в векторе 2 символов, а в первом векторе 3"},
        {false, "0 1 L\n01Q\n", "строка 2, символ 3: неизвестный символ «Q»"},
        {false, "0 1 L\n0ж\n", "строка 2, символ 2: неизвестный символ «ж»"},
        {false, "# only comments\n\n; here\n", "в файле нет ни одного вектора"},
        {true, "\x02head*\nQP3*\nV0001 01L*\nV0002 0P1*\x03", "строка 4, символ 8: неизвестный символ «P»"},
        {true, "\x02head*\nQP4*\nV0001 01L*\x03", "строка 3: в векторе 3 символов, а выводов (QP) 4"},
        {true, "\x02head*\nQPx*\x03", "строка 2: число выводов «QPx» не читается"},
        {true, "\x02head*\nQP4*\nF0*\x03", "в файле JEDEC нет векторов"},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto chip = c.jedec ? vectors::readJedec(c.text, "t", error) : vectors::readVectorFile(c.text, "t", error);
        EXPECT_FALSE(chip) << c.text;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.text << " -> " << error;
    }
}

TEST(Vectors, ChipsTheTestCannotTakeLeaveTheDocumentUntouched) {
    struct Case {
        std::string text, message;
    } cases[] = {
        {"0 1 L 0 1 L 0\n", "7 выводов: такого корпуса нет"},
        {"0 1 L 0 1 L 0 1\n", "в векторах нет вывода V, и свободного вывода для него тоже нет"},
        {"0 1 L X 0 1 L G\n0 1 L V 0 1 L G\n", "в векторах нет вывода V, и свободного"},  // pin 4 is refused
    };
    for (const auto& c : cases) {
        model::TestDocument doc;
        doc.setTestName("old");
        const auto outcome = vectors::importChip(doc, chipOf(c.text), false);
        EXPECT_FALSE(outcome.ok);
        EXPECT_NE(outcome.error.find(c.message), std::string::npos) << outcome.error;
        EXPECT_EQ(doc.testName(), "old");
    }
}

TEST(Vectors, PinTypesComeFromUsageAndAClockedVectorIsThreeTacts) {
    // Pins: 1 clock, 2 inverted clock, 3 I/O, 4 GND, 5 output with a Z, 6 NC, 7 V twice, 8 V.
    model::TestDocument doc;
    const auto outcome = vectors::importChip(doc, chipOf("C K 1 G L X V V\n0 1 H G Z N V V\n1 0 L G H F V V\n"), true);
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(doc.package().packageType, model::PackageType::SOIC);
    const char* types[] = {"I", "I", "I/O", "GND", "O", "NC", "NC", "VCC"};
    for (int p = 1; p <= 8; ++p) EXPECT_EQ(doc.pin(p).pinType, types[p - 1]) << p;
    EXPECT_EQ(doc.tactCount(), 5);
    EXPECT_EQ(row(doc, 1), "01001");   // C: low, high, low; then the driven levels
    EXPECT_EQ(row(doc, 2), "10110");
    EXPECT_EQ(row(doc, 3), "111..");   // driven where driven ...
    EXPECT_EQ(row(doc, 53), "...10");  // ... expected on its output row
    EXPECT_EQ(row(doc, 5), "..0.1");   // compared in tact 3 of a clocked vector only; Z inactive
    EXPECT_EQ(doc.signalRow(0, 4), 53);
    EXPECT_EQ(doc.testName(), "t");
    EXPECT_FALSE(doc.saved());
    ASSERT_EQ(outcome.notes.size(), 2u);
    EXPECT_NE(outcome.notes[0].find("VCC — вывод 8, выводы 7 — NC"), std::string::npos) << outcome.notes[0];
    EXPECT_NE(outcome.notes[1].find("Выводы (число ожиданий): 5 (1)"), std::string::npos);

    // A pin that is now supply, now signal is refused: NC, listed with the vector that mixes.
    const auto mixed = vectors::importChip(doc, chipOf("0 1 L G X 1 L V\n0 1 L X X 1 L V\n"), false);
    ASSERT_TRUE(mixed.ok) << mixed.error;
    EXPECT_EQ(doc.pin(5).pinType, "GND");  // the free pin, not the refused one
    EXPECT_EQ(doc.pin(4).pinType, "NC");
    ASSERT_FALSE(mixed.notes.empty());
    EXPECT_EQ(mixed.notes[0], "Вывод 4 не перенесён (NC): в векторах он то питание или земля (G, V), то сигнал; строка 2");
}

TEST(Vectors, ExportWritesEveryTactAndReportsAnIoPinBothDrivenAndCompared) {
    model::TestDocument doc;
    ASSERT_TRUE(vectors::importChip(doc, chipOf("1 0 L H G X 0 V\n0 H X H G X 1 V\n"), false).ok);
    doc.setCell(0, 52, 1, model::kHigh);  // pin 2 is I/O: tact 1 now drives and compares it
    const auto out = vectors::exportChip(doc, "T&1");
    EXPECT_EQ(vectors::vectorFileText(out.chip), "# T&1\n10LHGX0V\n0HXHGX1V\n");
    ASSERT_EQ(out.notes.size(), 1u);
    EXPECT_NE(out.notes[0].find("Вывод 2: в 1 тактах (первый — такт 1)"), std::string::npos);
    std::string error;
    const std::string db = vectors::databaseText(out.chip, nullptr, error).value();
    EXPECT_NE(db.find("<ic name=\"T&amp;1\" pins=\"8\">\n    <vector id=\"00\"> 1 0 L H G X 0 V </vector>"), std::string::npos);
    EXPECT_FALSE(vectors::databaseText(out.chip, &error, error)) << "not a database";
    const std::string jed = vectors::jedecText(out.chip);
    EXPECT_EQ(jed.substr(0, jed.size() - 5), "\x02T&1*\nQP8*\nV0001 10LHGX0V*\nV0002 0HXHGX1V*\n\x03");
    const auto back = vectors::readJedec(jed, "x", error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->cells, out.chip.cells);
}

TEST(Vectors, EveryExampleTestExportsToVectorsThatImportToItsLevels) {
    for (const char* name : {"74hc00.kvx", "74hc161.kvx", "74hc595.kvx", "counter16.kvx"}) {
        model::TestDocument original, imported;
        ASSERT_NE(storage::loadTestFile(original, kExamples + name).status, storage::LoadStatus::Unreadable);
        const auto out = vectors::exportChip(original, name);
        std::string error;
        const auto chip = vectors::readVectorFile(vectors::vectorFileText(out.chip), name, error);
        ASSERT_TRUE(chip) << error;
        ASSERT_TRUE(vectors::importChip(imported, *chip, false).ok) << name;
        ASSERT_EQ(imported.tactCount(), original.tactCount());
        for (int p = 1; p <= original.pinCount(); ++p)
            for (int t = 1; t <= original.tactCount(); ++t)
                ASSERT_EQ(levels(imported, p, t), levels(original, p, t)) << name << " pin " << p << " tact " << t;
    }
}

TEST(Vectors, FileNamesAreSafeAndUnique) {
    std::vector<std::string> taken;
    for (const auto& [chip, file] : std::vector<std::pair<std::string, std::string>>{
             {"74LS00", "74LS00"}, {"74ls00", "74ls00_2"}, {"4066/4016@DIP", "4066_4016_DIP"}, {"../x", "_._x"},
             {"CON", "CON_"}, {"", "chip"}, {"К155ЛА3", "_155__3"}})
        EXPECT_EQ(vectors::safeFileName(chip, taken), file);
}

TEST(VectorsTool, ExampleVectorsImportAndProveTrueOnTheShippedModels) {
#ifdef _WIN32
    GTEST_SKIP() << "Icarus Verilog is run on Linux";
#endif
    ASSERT_TRUE(modelcheck::programAvailable("iverilog")) << "scripts/setup installs the package iverilog";
    kvx::testing::TempDir dir;
    for (const auto& [chip, imported] : {std::pair{"74hc00", 0}, {"74hc161", 0}, {"74hc595", 1}}) {
        const std::string kvx = dir.file(std::string(chip) + ".kvx");
        ASSERT_EQ(tool("import-vectors " + q(kExamples + chip + ".vec") + " -o " + q(kvx), dir), imported) << chip;
        ASSERT_EQ(tool("check-model " + q(kvx) + " " + q(kExamples + chip + ".v") + " --map " +
                           q(kExamples + chip + "-vec.map"), dir), 0)
            << chip << readAll(dir.file("stdout")) << readAll(dir.file("stderr"));
        EXPECT_NE(readAll(dir.file("stdout")).find("Совпало"), std::string::npos);
#ifdef KVX_TOOL_READS_DATABASES
        const auto formats = {".vec", ".jed", ".xml"};
#else
        const auto formats = {".vec", ".jed"};
#endif
        for (const char* ext : formats) {  // export -> import -> export gives the same bytes
            const std::string a = dir.file(std::string("a/") + chip + ext), b = dir.file(std::string("b/") + chip + ext);
            std::filesystem::create_directories(dir.path / "a");
            std::filesystem::create_directories(dir.path / "b");
            ASSERT_EQ(tool("export-vectors " + q(kvx) + " -o " + q(a), dir), 0) << ext;
            ASSERT_LE(tool("import-vectors " + q(a) + " -o " + q(dir.file("again.kvx")), dir), 1) << readAll(dir.file("stderr"));
            ASSERT_EQ(tool("export-vectors " + q(dir.file("again.kvx")) + " -o " + q(b), dir), 0);
            EXPECT_EQ(readAll(a), readAll(b)) << chip << ext;
        }
    }
}

TEST(VectorsTool, NothingIsWrittenForBadInput) {
    kvx::testing::TempDir dir;
    std::ofstream(dir.file("bad.vec")) << "0 1 L\n0 1\n";
    std::ofstream(dir.file("big.vec")).put('0');
    std::filesystem::resize_file(dir.path / "big.vec", 200ull << 20);
    struct Case {
        std::string args, message;
    } cases[] = {
        {"import-vectors " + q(dir.file("bad.vec")) + " -o " + q(dir.file("o.kvx")), "bad.vec: строка 2: в векторе 2"},
        {"import-vectors " + q(dir.file("big.vec")) + " -o " + q(dir.file("o.kvx")), "слишком велик (200 МБ)"},
        {"import-vectors " + q(kExamples + "74hc00.vec") + " --chip 7400 -o " + q(dir.file("o.kvx")), "микросхемы 7400 в нём нет"},
        {"export-vectors " + q(kExamples + "74hc00.kvx") + " -o " + q(kExamples + "74hc00.kvx"), "файл теста"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tool(c.args, dir), 2) << c.args;
        EXPECT_NE(readAll(dir.file("stderr")).find(c.message), std::string::npos) << readAll(dir.file("stderr"));
        EXPECT_FALSE(std::filesystem::exists(dir.path / "o.kvx"));
    }
}

TEST(VectorsTool, ADatabaseIsListedAndEveryChipWrittenUnderASafeUniqueName) {
#if defined(_WIN32) || !defined(KVX_TOOL_READS_DATABASES)
    GTEST_SKIP() << "the database reader is in the build with Qt";
#endif
    kvx::testing::TempDir dir;
    std::ofstream(dir.file("db.xml")) << "<logicic><database><manufacturer name=\"m\">\n"
                                         "<ic name=\"74LS00,7400\" pins=\"8\"><vector>0 1 H G 0 1 L V</vector></ic>\n"
                                         "<ic name=\"74ls00\" pins=\"8\"><vector>0 1 H G 0 1 L V</vector></ic>\n"
                                         "<ic name=\"../4066/4016\" pins=\"8\"><vector>0 1 Z G 0 1 L V</vector></ic>\n"
                                         "<ic name=\"empty\" pins=\"8\"></ic>\n</manufacturer></database></logicic>\n";
    EXPECT_EQ(tool("vectors " + q(dir.file("db.xml")) + " --filter ls0", dir), 0);
    EXPECT_EQ(readAll(dir.file("stdout")), "74LS00,7400\t8\t1\n74ls00\t8\t1\n");
    EXPECT_EQ(tool("import-vectors " + q(dir.file("db.xml")) + " --all -o " + q(dir.file("out/")), dir), 1);
    const std::string err = readAll(dir.file("stderr"));
    EXPECT_NE(err.find("../4066/4016: Ожидания Z"), std::string::npos) << err;
    EXPECT_NE(err.find("empty: строка 5: у микросхемы empty нет векторов"), std::string::npos) << err;
    for (const char* name : {"74LS00.kvx", "74ls00_2.kvx", "_._4066_4016.kvx"})
        EXPECT_TRUE(std::filesystem::exists(dir.path / "out" / name)) << name;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path / "out"), {}), 3);
    EXPECT_EQ(tool("import-vectors " + q(dir.file("db.xml")) + " --chip 7400 -o " + q(dir.file("one.kvx")), dir), 0);
    EXPECT_EQ(tool("import-vectors " + q(dir.file("db.xml")) + " -o " + q(dir.file("one.kvx")), dir), 2);
}
