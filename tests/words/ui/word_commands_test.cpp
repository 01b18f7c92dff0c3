// The main window's data word commands: "&Слова данных..." and "Таблица...".
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "../../app/ui/tbf_fixture.h"
#include "words/ui/data_table_dialog.h"
#include "words/ui/data_table_grid.h"
#include "words/ui/editor_word.h"

namespace kvx::testing {
namespace {

class WordCommands : public TbfFixture {
protected:
    const app::MainActions& A() { return tbf().actions(); }
    QAction* contextItem() {
        for (QAction* a : tbf().diagramArea()->contextServiceMenu()->actions())
            if (a->text() == "&Слова данных") return a;
        return nullptr;
    }
};

TEST_F(WordCommands, NothingHappensWithoutATest) {
    tbf().show();
    EXPECT_TRUE(doc().saved());
    A().dataWords->trigger();
    A().table->trigger();
    EXPECT_FALSE(tbf().wordEditor()->isVisible());
    EXPECT_TRUE(prompter.questions.empty());
    EXPECT_TRUE(doc().saved());
    EXPECT_EQ(A().dataWords->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_W));
    EXPECT_EQ(A().table->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));
}

TEST_F(WordCommands, TheEditorOpensAndMarksTheTestChanged) {
    tbf().show();
    tbf().newFile();
    doc().setSaved(true);
    ASSERT_NE(contextItem(), nullptr);
    EXPECT_TRUE(contextItem()->isEnabled());
    for (QAction* command : {A().dataWords, contextItem()}) {
        tbf().wordEditor()->hide();
        doc().setSaved(true);
        command->trigger();
        EXPECT_TRUE(tbf().wordEditor()->isVisible());
        EXPECT_FALSE(tbf().wordEditor()->isModal());
        EXPECT_FALSE(doc().saved());
    }
    A().table->trigger();  // no words yet
    EXPECT_EQ(prompter.errors(), std::vector<std::string>{"Таблица данных пуста"});
}

TEST_F(WordCommands, AnOpenedTestSelectsItsFirstWord) {
    tbf().show();
    tbf().wordEditor()->show();
    ASSERT_EQ(tbf().loadFile(KVX_SOURCE_DIR "/examples/counter16.kvx"), app::LoadOutcome::Loaded);
    EXPECT_EQ(tbf().wordEditor()->wordList()->count(), 2);
    EXPECT_EQ(tbf().wordEditor()->wordList()->currentText(), "DATA");
    EXPECT_EQ(tbf().wordEditor()->editor().selected(), 0);
}

TEST_F(WordCommands, ACommitRecomputesTheFunctionRows) {
    tbf().show();
    tbf().newFile();
    doc().setPinType(3, "O=F(c)");
    doc().setPinFunction(0, 3, "C1&C2");
    model::DataWord word;
    word.wordName = "AB";
    word.addMember(1);
    word.addMember(2);
    doc().dataWords() = {word};
    bool shown = false;
    QTimer::singleShot(0, [&shown] {
        auto* table = qobject_cast<words::ui::TFTable*>(QApplication::activeModalWidget());
        ASSERT_NE(table, nullptr);
        shown = true;
        table->grid()->setCurrentLine(4, 2);
        QTest::keyClicks(table->grid()->viewport(), "3");
        for (QLineEdit* e : table->grid()->viewport()->findChildren<QLineEdit*>())
            if (e->isVisible()) QTest::keyClick(e, Qt::Key_Up);  // commits
        QTest::keyClick(table->grid()->viewport(), Qt::Key_Escape);
    });
    A().table->trigger();
    EXPECT_TRUE(shown);
    EXPECT_EQ(doc().getCell(0, 1, 4), 1);
    EXPECT_EQ(doc().getCell(0, 2, 4), 1);
    EXPECT_EQ(doc().getCell(0, 3, 4), 1) << "C1&C2 follows the commit";
    EXPECT_EQ(doc().getCell(0, 3, 5), 2);
}

}  // namespace
}  // namespace kvx::testing
