// The algorithms dialog driven headless: its pages and fixed texts, the "Состояние:" rule, the
// address fields, the buttons and their stop rules, and the main window's command, which never
// changes the length of the drawn test.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "../../app/ui/tbf_fixture.h"
#include "algorithms/ui/algorithm_dialog.h"
#include "app/ui/document_history.h"

namespace kvx::algorithms::ui {
namespace {

using model::Algorithm;

class AlgorithmDialog : public ::testing::Test {
protected:
    void SetUp() override {
        model::DataWord a, b;
        a.wordName = "ADR";
        for (int r : {1, 2, 3, 4}) a.addMember(r);
        b.wordName = "DAT";
        for (int r : {5, 6}) b.addMember(r);
        doc.dataWords() = {a, b};
    }
    std::unique_ptr<TFAlgoritm> open(int selected) {
        return std::make_unique<TFAlgoritm>(doc, prompter, selected);
    }
    model::TestDocument doc;
    testing::ScriptedPrompter prompter;
};

TEST_F(AlgorithmDialog, PagesControlsAndFixedTexts) {
    doc.setSaved(true);
    auto dlg = open(3);
    EXPECT_EQ(dlg->windowTitle(), "Алгоритмы тестирования");
    EXPECT_FALSE(doc.saved());
    EXPECT_EQ(dlg->pages()->currentIndex(), TFAlgoritm::RamPage);
    const QStringList tabs = {"Стандартный", "Циклический", "Тест ПЗУ", "Тест ОЗУ"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(dlg->pages()->tabText(i), tabs[i]);
        EXPECT_EQ(dlg->stateList(i)->currentText(), i == 3 ? "Активен" : "Неактивен");
    }
    EXPECT_EQ(dlg->ramModes()->tabText(0), "Режим Записи");
    EXPECT_EQ(dlg->ramModes()->tabText(1), "Режим Чтения");
    EXPECT_EQ(dlg->fixedText(0)->toPlainText(), "     Стандартный алгоритм тестирования \nпредназаначен для небольших "
                                                "тестов; все \nизменения в тест вносятся пользователем.");
    EXPECT_EQ(dlg->fixedText(1)->toPlainText(),
              "Алгоритм задает циклический повтор указанной \nобласти временной диаграммы.");
    EXPECT_TRUE(dlg->fixedText(2)->toPlainText().endsWith("одной ячейки памяти и \nзадает вышеуказанные параметры"));
    for (int m : {0, 1})
        EXPECT_EQ(dlg->ramMode(m).fixedText->toPlainText(),
                  "Алгоритм предназначен для тестирования \nмикросхем ОЗУ. При задании алгоритма \nпользователь рисует "
                  "временную диаграмму чтения \nи записи одной ячейки памяти и задает \nвышеуказанные параметры");
    EXPECT_EQ(dlg->cyclicEnd()->maximum(), 65000);
    EXPECT_EQ(dlg->romDataTact()->maximum(), 65000);
    EXPECT_EQ(dlg->ramMode(0).dataTactCount->maximum(), 1000);
    EXPECT_EQ(dlg->romAddressWord()->count(), 2);
    EXPECT_EQ(dlg->romAddressWord()->itemText(1), "DAT");
    EXPECT_TRUE(dlg->allPinsButton()->isChecked());
    EXPECT_FALSE(dlg->showResultBox()->isVisibleTo(dlg.get()));
    EXPECT_FALSE(dlg->showResultBox()->isChecked());
    EXPECT_TRUE(dlg->okButton()->isDefault());
    EXPECT_EQ(dlg->cancelButton()->text(), "Отмена");
}

TEST_F(AlgorithmDialog, StateListsKeepOneActive) {
    auto dlg = open(0);
    std::vector<int> selected;
    QObject::connect(dlg.get(), &TFAlgoritm::algorithmSelected, [&](int n) { selected.push_back(n); });
    dlg->stateList(2)->setCurrentIndex(1);
    EXPECT_EQ(doc.activeAlgorithm(), 2);
    EXPECT_EQ(doc.algorithms()[0].active, 0);
    EXPECT_EQ(dlg->stateList(0)->currentText(), "Неактивен");
    dlg->stateList(2)->setCurrentIndex(0);  // "Неактивен" keeps the flag
    EXPECT_EQ(doc.algorithms()[2].active, 1);
    EXPECT_EQ(selected, std::vector<int>{2});
}

TEST_F(AlgorithmDialog, AddressFieldsAreCleanedAndBounded) {
    auto dlg = open(2);
    dlg->romStartAddress()->clear();
    QTest::keyClicks(dlg->romStartAddress(), "1G2");
    EXPECT_EQ(dlg->romStartAddress()->text(), "12");
    QTest::keyClicks(dlg->romEndAddress(), "G");  // "1G" leaves 1
    EXPECT_EQ(dlg->romEndAddress()->text(), "1");
    dlg->romAddressWord()->setCurrentIndex(1);        // 2 members: up to 3
    dlg->romEndAddress()->setText("20");
    EXPECT_EQ(dlg->romEndAddress()->text(), "3");
    dlg->romAddressWord()->setCurrentIndex(0);
    dlg->romEndAddress()->setText("20");
    EXPECT_EQ(dlg->romEndAddress()->text(), "F");
    dlg->ramStartAddress()->setText("9");
    QTest::mouseClick(dlg->ramStartStep(0), Qt::LeftButton);
    EXPECT_EQ(dlg->ramStartAddress()->text(), "A");
    QTest::mouseClick(dlg->ramEndStep(1), Qt::LeftButton);
    EXPECT_EQ(dlg->ramEndAddress()->text(), "0");
}

TEST_F(AlgorithmDialog, ButtonsStoreAndStop) {
    {  // "OK" with a refused page stays open; "Отмена" stores an accepted change and closes.
        auto dlg = open(1);
        dlg->show();
        dlg->cyclicStart()->setValue(6);
        dlg->cyclicEnd()->setValue(5);
        QTest::mouseClick(dlg->okButton(), Qt::LeftButton);
        ASSERT_EQ(prompter.questions.size(), 1u);
        EXPECT_EQ(prompter.questions[0].text, "Начальный Такт не может быть больше Конечного");
        EXPECT_EQ(prompter.questions[0].icon, platform::Icon::Error);
        EXPECT_TRUE(dlg->isVisible());
        dlg->cyclicEnd()->setValue(9);
        QTest::mouseClick(dlg->cancelButton(), Qt::LeftButton);
        EXPECT_FALSE(dlg->isVisible());
        EXPECT_EQ(doc.algorithms()[1].endTact, 9);
    }
    {  // A warning after "Отмена" still closes the dialog.
        auto dlg = open(3);
        dlg->show();
        dlg->ramMode(0).startTact->setValue(1);
        dlg->ramMode(1).startTact->setValue(10);
        dlg->ramMode(0).addressTact->setValue(8);
        dlg->ramMode(0).addressTactCount->setValue(3);
        QTest::keyClick(dlg.get(), Qt::Key_Escape);
        EXPECT_EQ(prompter.questions.back().text,
                  "Данные цикла записи выходят за рамки, указанные пользователем: с 1 до 10 такты");
        EXPECT_EQ(prompter.questions.back().icon, platform::Icon::Warning);
        EXPECT_FALSE(dlg->isVisible());
    }
}

TEST_F(AlgorithmDialog, DataFileAndExpansionWithTheHiddenOption) {
    auto dlg = open(2);
    prompter.pickFile(std::string("/data/rom.bin"));
    QTest::mouseClick(dlg->browseButton(), Qt::LeftButton);
    EXPECT_EQ(dlg->romDataFile()->text(), "/data/rom.bin");
    EXPECT_EQ(prompter.dialogs.back().kind, testing::ScriptedPrompter::Dialog::OpenWithFilter);
    prompter.pickFile(std::nullopt);
    QTest::mouseClick(dlg->browseButton(), Qt::LeftButton);
    EXPECT_EQ(dlg->romDataFile()->text(), "/data/rom.bin");

    doc.setTactCount(4);
    dlg->romStartAddress()->setText("2");
    dlg->romEndAddress()->setText("4");
    dlg->showResultBox()->setChecked(true);
    dlg->BitBtn1Click();
    EXPECT_TRUE(dlg->diagramChanged());
    EXPECT_EQ(doc.tactCount(), 12);
    EXPECT_EQ(words::wordValue(doc, 0, 12), 4u);
    EXPECT_EQ(doc.algorithms()[2].dataFileName, "/data/rom.bin");
}

class AlgorithmCommand : public testing::TbfFixture {};

TEST_F(AlgorithmCommand, SelectionReachesTheStatusBarAndTheFile) {
    tbf().newFile();
    ASSERT_TRUE(tbf().actions().algorithm->isEnabled());
    QTimer::singleShot(0, [this] {
        auto* dlg = tbf().findChild<TFAlgoritm*>();
        ASSERT_NE(dlg, nullptr);
        dlg->stateList(3)->setCurrentIndex(1);
        dlg->ramMode(1).startTact->setValue(1);
        dlg->ramMode(0).startTact->setValue(5);
        dlg->ramMode(0).addressTact->setValue(5);
        dlg->ramMode(0).dataTact->setValue(6);
        dlg->okButton()->click();
    });
    tbf().actions().algorithm->trigger();
    EXPECT_EQ(tbf().statusText(2), "Алгоритм ОЗУ");
    EXPECT_EQ(tbf().algorithmList()->currentIndex(), 3);
    const std::string file = path("ram.kvx");
    prompter.pickFile(file);
    ASSERT_EQ(tbf().save(), app::SaveOutcome::Saved);
    model::TestDocument back;
    storage::loadTestFile(back, file);
    EXPECT_EQ(back.activeAlgorithm(), 3);
    EXPECT_EQ(back.algorithms()[3].writeStartTact, 5);
    EXPECT_EQ(back.algorithms()[3].writeDataTact, 6);
}

TEST_F(AlgorithmCommand, NoButtonChangesTheLengthOfTheDrawnTest) {
    // The dialog has been used once; then the user changes the tact count, and the next "OK",
    // "Отмена" or Escape of the cyclic or ROM page leaves the test as it is.
    auto diagram = [this] { return tbf().diagramArea(); };
    struct Edit {
        const char* name;
        std::function<void()> apply;
    };
    const Edit edits[] = {
        {"three tacts deleted", [&] { for (int k = 0; k < 3; ++k) diagram()->deleteTact(); }},
        {"two tacts inserted", [&] { for (int k = 0; k < 2; ++k) diagram()->insertTact(); }},
        {"count raised in the field", [&] { diagram()->setTactCountFromField("40"); }},
        {"count lowered in the field", [&] { diagram()->setTactCountFromField("12"); }},
        {"deletion undone and redone", [&] {
             diagram()->deleteTact();
             tbf().history().commit();
             tbf().history().undo();
             tbf().history().redo();
         }},
    };
    enum class Close { Ok, Cancel, Escape };
    auto runDialog = [this](Close close) {
        QTimer::singleShot(0, [this, close] {
            auto* dlg = tbf().findChild<TFAlgoritm*>();
            ASSERT_NE(dlg, nullptr);
            if (close == Close::Ok) dlg->okButton()->click();
            else if (close == Close::Cancel) dlg->cancelButton()->click();
            else QTest::keyClick(dlg, Qt::Key_Escape);
        });
        tbf().actions().algorithm->trigger();
    };
    auto diagramCells = [this] {
        std::vector<int> cells{doc().tactCount()};
        for (int r = 1; r <= 100; ++r)
            for (int t = 1; t <= doc().tactCount(); ++t) cells.push_back(doc().getCell(0, r, t));
        return cells;
    };
    for (const int page : {1, 2})
        for (const Edit& edit : edits)
            for (const Close close : {Close::Ok, Close::Cancel, Close::Escape}) {
                const std::string what = std::string(edit.name) + ", page " + std::to_string(page) + ", close " +
                                         std::to_string(static_cast<int>(close));
                doc().setSaved(true);
                ASSERT_TRUE(tbf().newFile()) << what;
                tbf().algorithmList()->setCurrentIndex(page);
                for (int r = 1; r <= 8; ++r)
                    for (int t = 1; t <= doc().tactCount(); ++t)
                        doc().setCell(0, r, t, static_cast<model::CellLevel>((r * t + t / 3) % 3));
                runDialog(Close::Ok);
                edit.apply();
                const std::vector<int> drawn = diagramCells();
                runDialog(close);
                EXPECT_EQ(diagramCells(), drawn) << what;
                EXPECT_EQ(tbf().tactCountField()->value(), doc().tactCount()) << what;
                EXPECT_EQ(doc().activeAlgorithm(), page) << what;
            }
}

}  // namespace
}  // namespace kvx::algorithms::ui
