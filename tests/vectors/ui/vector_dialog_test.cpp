// The vector database reader, the import dialog (filter, preview, package) and the two menu
// commands of the main window: a new unsaved test with its own history, the notes of what
// could not be carried over, and a database entry appended to a database.
#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>
#include <QUndoStack>

#include "../../app/ui/tbf_fixture.h"
#include "app/ui/document_history.h"
#include "vectors/ui/vector_commands.h"
#include "vectors/ui/vector_database.h"
#include "vectors/ui/vector_import_dialog.h"

using namespace kvx;
using vectors::ui::VectorImportDialog;

namespace {

const char* kDatabase =
    "<?xml version=\"1.0\"?>\n<logicic><database type=\"LOGIC\"><manufacturer name=\"m\">\n"
    "<ic name=\"7400, 7437,74132\" type=\"5\" voltage=\"5V\" pins=\"14\">\n"
    "<vector id=\"00\"> 0 0 H 0 0 H G H 0 0 H 0 0 V </vector>\n"
    "<vector id=\"01\"> 1 1 L 1 1 L G L 1 1 L 1 1 V </vector></ic>\n"
    "<ic name=\"74161,74LS161@SOIC\" pins=\"16\"><vector> 0 C 0 0 0 0 0 G 1 0 L L L L Z V </vector></ic>\n"
    "<ic name=\"40161\" pins=\"16\"><vector> 0 C 0 0 0 0 0 G 1 0 L L L L L V </vector></ic>\n"
    "<ic name=\"4000\" pins=\"14\"></ic>\n"
    "<ic name=\"4001\" pins=\"14\">\n<vector> 0 0 H 0 0 H G H 0 0 H 0 0 </vector></ic>\n"
    "</manufacturer></database></logicic>\n";

class VectorUi : public kvx::testing::TbfFixture {};

}  // namespace

TEST(VectorDatabase, ReadsEveryChipAndRefusesBrokenFilesWithTheirLine) {
    std::string error;
    const auto chips = vectors::ui::parseDatabase(kDatabase, error);
    ASSERT_TRUE(chips) << error;
    ASSERT_EQ(chips->size(), 5u);
    EXPECT_EQ((*chips)[0].names, (std::vector<std::string>{"7400", "7437", "74132"}));
    EXPECT_EQ((*chips)[0].vectorCount(), 2);
    EXPECT_EQ((*chips)[1].names[1], "74LS161@SOIC");
    EXPECT_EQ((*chips)[3].error, "строка 8: у микросхемы 4000 нет векторов");
    EXPECT_EQ((*chips)[4].error, "строка 10: в векторе 13 символов, а у микросхемы pins=14");
    for (const auto& [text, message] : std::vector<std::pair<std::string, std::string>>{
             {"<logicic><database>\n<ic name=\"a\"><vector>0</vector>\n</database>", "строка 3, символ 11: файл XML испорчен"},
             {"<logicic><database/></logicic>", "в базе нет ни одной микросхемы"},
             {"<x><ic name=\"a\" pins=\"8\">\n<vector> 0 1 Q</vector></ic></x>", ""}}) {
        const auto parsed = vectors::ui::parseDatabase(text, error);
        if (message.empty()) {
            ASSERT_TRUE(parsed);
            EXPECT_EQ(parsed->front().error.rfind("строка 2, символ 14: неизвестный символ «Q»", 0), 0u) << parsed->front().error;
        } else {
            EXPECT_FALSE(parsed);
            EXPECT_NE(error.find(message), std::string::npos) << error;
        }
    }
}

TEST_F(VectorUi, TheFilterFindsAnyNameAndThePreviewShowsTheChosenPackage) {
    writeBytes(path("db.xml"), kDatabase);
    VectorImportDialog dialog(prompter, folder());
    ASSERT_TRUE(dialog.openSource(path("db.xml")));
    dialog.setFilter("161");
    EXPECT_EQ(dialog.shownChips(), (std::vector<std::string>{"74161,74LS161@SOIC", "40161"}));
    dialog.setFilter("ls161@");
    EXPECT_EQ(dialog.shownChips(), (std::vector<std::string>{"74161,74LS161@SOIC"}));
    dialog.setSoic(true);
    ASSERT_TRUE(dialog.okButton()->isEnabled());
    EXPECT_EQ(dialog.preview().package().packageType, model::PackageType::SOIC);
    EXPECT_EQ(dialog.preview().tactCount(), 3);
    ASSERT_TRUE(dialog.selectChip("4000"));
    EXPECT_FALSE(dialog.okButton()->isEnabled());  // no vectors
    writeBytes(path("broken.xml"), "<logicic>");
    EXPECT_FALSE(dialog.openSource(path("broken.xml")));
    EXPECT_EQ(dialog.sourcePath(), path("db.xml"));
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_NE(prompter.questions[0].text.find("broken.xml: строка 1, символ 9: файл XML обрывается"), std::string::npos)
        << prompter.questions[0].text;
}

TEST_F(VectorUi, ImportMakesANewUnsavedTestAndListsWhatWasNotCarriedOver) {
    writeBytes(path("db.xml"), kDatabase);
    showChangedTest();
    auto* commands = tbf().findChild<vectors::ui::VectorCommands*>();
    ASSERT_TRUE(commands);
    commands->setDialogRunner([&](VectorImportDialog& d) {
        d.openSource(path("db.xml"));
        d.setFilter("161");
        return d.selectChip("74LS161@SOIC");
    });
    prompter.answer(platform::Answer::No);  // do not save the changed test
    tbf().findChild<QAction*>("importVectors")->trigger();
    EXPECT_EQ(doc().testName(), "74161");
    EXPECT_EQ(doc().pinCount(), 16);
    EXPECT_EQ(doc().tactCount(), 3);
    EXPECT_FALSE(doc().saved());
    EXPECT_TRUE(doc().fileName().empty());
    EXPECT_FALSE(tbf().history().stack().canUndo());
    ASSERT_EQ(prompter.questions.size(), 2u);
    EXPECT_EQ(prompter.questions[1].text, "Перенесено не всё:\nОжидания Z (высокий импеданс) не сравниваются: у "
                                          "тестера нет такого уровня. Выводы (число ожиданий): 15 (1)");
    EXPECT_EQ(settings.value(vectors::ui::kVectorSettingsKey, vectors::ui::kLastSourceName), path("db.xml"));

    // Export: a new database, then the same test appended to it.
    for (const auto answer : {platform::Answer::Yes, platform::Answer::Yes}) {
        prompter.pickFile(path("out.xml"));
        if (QFile::exists(QString::fromStdString(path("out.xml")))) prompter.answer(answer);
        tbf().findChild<QAction*>("exportVectors")->trigger();
    }
    std::string error;
    const auto chips = vectors::ui::parseDatabase(readAll(path("out.xml")), error);
    ASSERT_TRUE(chips) << error;
    ASSERT_EQ(chips->size(), 2u);
    EXPECT_EQ(chips->at(1).names.front(), "74161");
    EXPECT_EQ(chips->at(1).cells, "0000000G10XXXXXV0100000G10XXXXXV0000000G10LLLLXV");
}
