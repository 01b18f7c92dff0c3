// The history of the main window and the blocks of cells: every command is one step that undo
// takes back exactly and redo brings again, whatever the pace of the input; the test is saved
// again when undo reaches the saved state; every open window shows the test as undo and redo
// leave it; blocks travel through the clipboard as their text.
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QImage>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <functional>

#include "app/ui/document_history.h"
#include "app/ui/edit_commands.h"
#include "diagram/pin_editing.h"
#include "functions/formula.h"
#include "functions/ui/formula_band.h"
#include "functions/ui/formula_dialog.h"
#include "functions/ui/generator_dialog.h"
#include "tbf_fixture.h"
#include "words/ui/editor_word.h"
#include "words/ui/rename_dialog.h"
#include "words/word_editor.h"

namespace kvx::testing {
namespace {

class History : public TbfFixture {
public:
    void SetUp() override {
        TbfFixture::SetUp();
        showNewTest();
        doc().setTactCount(26);
        for (int t = 1; t <= 26; ++t) doc().setCell(0, 1, t, t % 2 ? model::kHigh : model::kLow);
        doc().setSaved(true);
        history().restart();
        activateMainWindow();
    }
    void activateMainWindow() {
        tbf().activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == &tbf(); }));
    }
    /// The main window becomes the active one with the diagram holding the keyboard, as a click
    /// on the current cell makes it, and gets `key`.
    void keyToMainWindow(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
        activateMainWindow();
        if (!area().canvas()->hasFocus()) area().canvas()->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(area().canvas(), key, modifiers);
    }
    /// The program waits for input once, as it does between two events the user sends slowly.
    /// The loop ends when it has nothing left to do and is about to sleep (or, at the latest,
    /// after two seconds).
    static void idle() {
        QEventLoop loop;
        QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &loop,
                         &QEventLoop::quit);
        QTimer::singleShot(2000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    app::TBF& mainWindow() { return tbf(); }
    void click(int c, int k) { clickCell(c, k); }
    ScriptedPrompter& scripted() { return prompter; }
    app::DocumentHistory& history() { return tbf().history(); }
    diagram::DiagramWidget& area() { return *tbf().diagramArea(); }
    model::TestDocument& document() { return doc(); }
    const app::EditActions& E() { return tbf().editCommands().actions(); }
    std::string snapshot() { return storage::writeTestFileBytes(doc()); }
};

TEST_F(History, EveryCommandIsOneStepThatUndoTakesBackAndRedoBringsAgain) {
    struct Case {
        const char* what;
        std::function<void(History&)> act;
    };
    const std::vector<Case> cases = {
        {"levels typed into one row",
         [](History& h) {
             h.click(3, 2);
             for (Qt::Key k : {Qt::Key_1, Qt::Key_0, Qt::Key_1}) QTest::keyClick(h.area().canvas(), k);
         }},
        {"a fill", [](History& h) {
             h.click(5, 1);
             h.mainWindow().actions().fillLow->trigger();
         }},
        {"a tact inserted", [](History& h) {
             h.click(4, 1);
             h.mainWindow().actions().insertTact->trigger();
         }},
        {"a tact deleted", [](History& h) {
             h.click(2, 1);
             h.mainWindow().actions().deleteTact->trigger();
         }},
        {"a pin becomes I/O", [](History& h) {
             diagram::changePinType(h.document(), 3, model::PinType::InOut, 1, h.scripted());
         }},
        {"a block pasted with inserted tacts", [](History& h) {
             QGuiApplication::clipboard()->setText("10\n01\n");
             h.click(6, 1);
             h.E().pasteInsert->trigger();
         }},
        {"the tact count", [](History& h) { h.document().setTactCount(40); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string before = snapshot();
        history().restart();
        doc().setSaved(true);
        c.act(*this);
        history().commit();
        const std::string after = snapshot();
        ASSERT_NE(after, before);
        EXPECT_EQ(history().stack().count(), 1) << "one step";
        EXPECT_FALSE(doc().saved());
        E().undo->trigger();
        EXPECT_EQ(snapshot(), before);
        EXPECT_TRUE(doc().saved()) << "undo back to the saved state";
        E().redo->trigger();
        EXPECT_EQ(snapshot(), after);
        EXPECT_FALSE(doc().saved());
        E().undo->trigger();
    }
}

TEST_F(History, EachDragTypedRunAndDialogOkIsOneStepWhateverThePaceOfTheInput) {
    using Pace = std::function<void()>;
    struct Case {
        const char* what;
        int steps;
        std::function<void(History&, const Pace&)> input;
    };
    const auto keys = [](History& h, const Pace& pace, std::initializer_list<Qt::Key> typed) {
        for (Qt::Key k : typed) {
            QTest::keyClick(h.area().canvas(), k);
            pace();
        }
    };
    const std::vector<Case> cases = {
        {"a row dragged in the number column from position 3 to 7", 1,
         [](History& h, const Pace& pace) {
             QWidget* canvas = h.area().canvas();
             const int rh = h.area().view().rowHeight;
             const auto at = [rh](int k) { return QPoint(20, (k - 1) * rh + rh / 2); };
             QTest::mousePress(canvas, Qt::LeftButton, {}, at(3));
             for (int k = 4; k <= 7; ++k) {
                 pace();
                 QTest::mouseMove(canvas, at(k));
             }
             pace();
             QTest::mouseRelease(canvas, Qt::LeftButton, {}, at(7));
         }},
        {"levels typed into one row", 1,
         [keys](History& h, const Pace& pace) {
             h.click(3, 2);
             pace();
             keys(h, pace, {Qt::Key_1, Qt::Key_0, Qt::Key_1, Qt::Key_1});
         }},
        {"1 Down Down 1 Up Up 0: three runs, the arrows between them", 3,
         [keys](History& h, const Pace& pace) {
             h.click(2, 2);
             pace();
             keys(h, pace, {Qt::Key_1, Qt::Key_Down, Qt::Key_Down, Qt::Key_1, Qt::Key_Up, Qt::Key_Up, Qt::Key_0});
         }},
        {"five levels in one row, each after its own click", 5,
         [keys](History& h, const Pace& pace) {
             for (int t : {5, 10, 15, 20, 25}) {
                 h.click(t, 2);
                 pace();
                 keys(h, pace, {Qt::Key_1});
             }
         }},
        {"a tact count typed into its field", 1,
         [](History& h, const Pace& pace) {
             QSpinBox* field = h.mainWindow().tactCountField();
             QTest::mouseClick(field, Qt::LeftButton);
             pace();
             QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
             pace();
             for (char c : {'4', '0'}) {
                 QTest::keyClick(field, c);
                 pace();
             }
             ASSERT_EQ(h.document().tactCount(), 40);
         }},
        {"a level, then the generator's OK", 2,
         [keys](History& h, const Pace& pace) {
             h.click(4, 3);
             pace();
             keys(h, pace, {Qt::Key_1});
             QTest::keyClick(h.area().canvas(), Qt::Key_G, Qt::ControlModifier);
             pace();
             QTest::mouseClick(h.mainWindow().generatorDialog()->okButton(), Qt::LeftButton);
             pace();
         }},
    };
    for (const Case& c : cases) {
        std::string atOnce;
        for (const bool slowly : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (slowly ? ", sent slowly" : ", sent at once"));
            history().restart();
            const std::string before = snapshot();
            c.input(*this, slowly ? Pace(&History::idle) : Pace([] {}));
            idle();
            const std::string after = snapshot();
            ASSERT_NE(after, before);
            if (slowly) {
                EXPECT_EQ(after, atOnce) << "the pace changes nothing in the test";
            }
            atOnce = after;
            int undos = 0;
            for (; undos < 10 && E().undo->isEnabled(); ++undos) keyToMainWindow(Qt::Key_Z);
            EXPECT_EQ(undos, c.steps) << "Ctrl+Z presses back to the start";
            EXPECT_EQ(snapshot(), before);
            int redos = 0;
            for (; redos < 10 && E().redo->isEnabled(); ++redos) keyToMainWindow(Qt::Key_Y);
            EXPECT_EQ(redos, c.steps);
            EXPECT_EQ(snapshot(), after);
            for (int i = 0; i < 10 && E().undo->isEnabled(); ++i) E().undo->trigger();  // the next pace starts alike
            ASSERT_EQ(snapshot(), before);
        }
    }
}

TEST_F(History, EveryOpenWindowShowsTheTestAsUndoAndRedoLeaveIt) {
    // What a window shows, and what it should show of the document as it is.
    struct Shown {
        QString shows, expected;
    };
    struct Case {
        const char* what;
        std::function<void(History&)> edit;  ///< the edit, made with the mouse and the keyboard
        int steps;                           ///< its steps
        std::function<void(History&)> open;  ///< the window opened over the edit
        std::function<Shown(History&)> shown;
        std::function<void(History&)> apply;  ///< the window's own command; empty: none
    };
    const auto lines = [](const QListWidget* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
        return out.join(',');
    };
    const std::vector<Case> cases = {
        {"the F= band and the formula dialog",
         [](History& h) {
             h.document().setPinType(2, model::PinType::Function);
             h.document().setPinFunction(0, 2, "C1");
             functions::RecalculateFunctionPins(h.document());
             h.area().refresh();
             h.click(1, 2);
             h.history().restart();
             QLineEdit* field = h.mainWindow().formulaBand()->field();
             field->setFocus(Qt::MouseFocusReason);
             QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
             QTest::keyClicks(field, "C1|C3");
             QTest::mouseClick(h.mainWindow().formulaBand()->applyButton(), Qt::LeftButton);
             ASSERT_EQ(h.document().pinFunction(0, 2), "C1|C3");
         },
         1, [](History& h) { h.keyToMainWindow(Qt::Key_F); },
         [](History& h) {
             const auto* band = h.mainWindow().formulaBand();
             const auto* dialog = h.mainWindow().formulaDialog();
             const int row = band->currentRow();
             const QString stored = QString::fromStdString(h.document().pinFunction(0, row));
             return Shown{band->text() + " " + dialog->formulaText() + " " + dialog->pinTypeText(),
                          stored + " " + stored + " Тип              " +
                              QString::fromStdString(h.document().pin(row).pinType)};
         },
         [](History& h) { QTest::mouseClick(h.mainWindow().formulaBand()->applyButton(), Qt::LeftButton); }},
        {"the data word editor",
         [](History& h) {
             h.keyToMainWindow(Qt::Key_W);
             words::ui::TEditorWord* editor = h.mainWindow().wordEditor();
             ASSERT_TRUE(editor->isVisible());
             words::ui::TRename* prompt = h.mainWindow().namePrompt();
             QTimer::singleShot(0, prompt, [prompt] {
                 prompt->field()->insert("ADDR");
                 QTest::mouseClick(prompt->okButton(), Qt::LeftButton);
             });
             QTest::mouseClick(editor->addButton(), Qt::LeftButton);
             ASSERT_EQ(h.document().dataWords().size(), 1u);
             QListWidget* all = editor->allPins();
             ASSERT_GT(all->count(), 0);
             QTest::mouseClick(all->viewport(), Qt::LeftButton, {}, all->visualItemRect(all->item(0)).center());
             QTest::mouseClick(editor->addPinButton(), Qt::LeftButton);
             ASSERT_EQ(editor->wordPins()->count(), 1);
         },
         2, [](History&) {},
         [lines](History& h) {
             const words::ui::TEditorWord* editor = h.mainWindow().wordEditor();
             QStringList names, members, offered;
             for (const model::DataWord& w : h.document().dataWords()) names << QString::fromStdString(w.wordName);
             const int shownWord = editor->wordList()->currentIndex();
             if (shownWord >= 0 && shownWord < static_cast<int>(h.document().dataWords().size())) {
                 const model::DataWord& w = h.document().dataWords()[static_cast<size_t>(shownWord)];
                 for (int pin : w.memberRows)
                     if (pin > 0) members << QString::fromStdString(words::pinLine(h.document(), pin));
                 for (int pin : words::offeredPins(h.document(), w))
                     offered << QString::fromStdString(words::pinLine(h.document(), pin));
             }
             QStringList listed;
             for (int i = 0; i < editor->wordList()->count(); ++i) listed << editor->wordList()->itemText(i);
             const bool chosen = names.isEmpty() == (shownWord < 0);
             return Shown{listed.join(',') + " | " + lines(editor->wordPins()) + " | " + lines(editor->allPins()) +
                              (chosen ? "" : " | no word shown"),
                          names.join(',') + " | " + members.join(',') + " | " + offered.join(',')};
         },
         [](History& h) { QTest::mouseClick(h.mainWindow().wordEditor()->applyButton(), Qt::LeftButton); }},
        {"the pulse generator",
         [](History& h) {
             const int rh = h.area().view().rowHeight;
             QTest::mouseClick(h.area().canvas(), Qt::LeftButton, {}, QPoint(60, rh / 2));
             QComboBox* selector = h.area().typeSelector();
             ASSERT_TRUE(selector->isVisible());
             selector->setFocus(Qt::MouseFocusReason);
             QTest::keyClick(selector, Qt::Key_Down);
             ASSERT_EQ(h.document().pin(1).pinType, "O");
             h.click(26, 1);
             QTest::keyClick(h.area().canvas(), Qt::Key_1);
             ASSERT_EQ(h.document().tactCount(), 27);
         },
         2,
         [](History& h) {
             h.click(4, 1);
             h.keyToMainWindow(Qt::Key_G);
             ASSERT_TRUE(h.mainWindow().generatorDialog()->isVisible());
         },
         [](History& h) {
             const auto* g = h.mainWindow().generatorDialog();
             const int row = g->targetRow();
             return Shown{g->targetField()->text() + " " + g->typeLabel()->text() + " " +
                              QString::number(g->pulseTo()->maximum()),
                          QString::number(row) + " " + QString::fromStdString(h.document().pin(row).pinType) + " " +
                              QString::number(h.document().tactCount())};
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        history().restart();
        c.edit(*this);
        idle();
        const std::string edited = snapshot();
        c.open(*this);
        idle();
        const Shown atFirst = c.shown(*this);
        ASSERT_EQ(atFirst.shows.toStdString(), atFirst.expected.toStdString());
        for (int i = 0; i < c.steps; ++i) keyToMainWindow(Qt::Key_Z);
        ASSERT_NE(snapshot(), edited);
        const Shown undone = c.shown(*this);
        EXPECT_NE(undone.expected, atFirst.expected);
        EXPECT_EQ(undone.shows.toStdString(), undone.expected.toStdString()) << "after undo";
        for (int i = 0; i < c.steps; ++i) keyToMainWindow(Qt::Key_Y);
        EXPECT_EQ(snapshot(), edited);
        const Shown redone = c.shown(*this);
        EXPECT_EQ(redone.shows.toStdString(), redone.expected.toStdString()) << "after redo";
        for (int i = 0; i < c.steps; ++i) keyToMainWindow(Qt::Key_Z);
        const std::string undoneTest = snapshot();
        if (c.apply) {
            c.apply(*this);
            EXPECT_EQ(snapshot(), undoneTest) << "the window's own command stores nothing undone";
        }
    }
}

TEST_F(History, OpeningAFileStartsANewHistoryAndSavingMarksTheCleanState) {
    doc().setCell(0, 2, 2, model::kHigh);
    history().commit();
    ASSERT_TRUE(E().undo->isEnabled());
    const std::string file = path("h.kvx");
    prompter.pickFile(file);
    ASSERT_EQ(tbf().save(), app::SaveOutcome::Saved);
    doc().setCell(0, 2, 3, model::kHigh);
    history().commit();
    E().undo->trigger();
    EXPECT_TRUE(doc().saved()) << "back at the saved state";
    E().undo->trigger();
    EXPECT_FALSE(doc().saved()) << "before the saved state";
    prompter.answer(platform::Answer::No);  // the unsaved change is dropped
    ASSERT_EQ(tbf().openPassedFile(QString::fromStdString(file)), app::LoadOutcome::Loaded);
    EXPECT_EQ(history().stack().count(), 0);
    EXPECT_FALSE(E().undo->isEnabled());
}

TEST_F(History, ALevelKeyOrCommandFillsTheSelectedBlockAndCtrlZTakesItBack) {
    // Row 1 alternates 1 0 1 0 ..., row 2 follows it by its formula, row 3 is inactive.
    doc().setPinType(2, model::PinType::Function);
    doc().setPinFunction(0, 2, "C1");
    functions::RecalculateFunctionPins(doc());
    doc().setSaved(true);
    history().restart();
    const auto at = [this](int c, int k) {
        const auto& v = area().view();
        return QPoint(diagram::kPinColumnRight + (c - 1) * v.cellWidth + v.cellWidth / 2,
                      (k - 1) * v.rowHeight + v.rowHeight / 2);
    };
    struct Case {
        const char* what;
        std::function<void(History&)> selectAndFill;  ///< selects rows 1..3, tacts 2..5
        model::CellLevel level;
    };
    const std::vector<Case> cases = {
        {"Shift+arrows, then 0", [](History& h) {
             h.click(2, 1);
             for (int i = 0; i < 3; ++i) QTest::keyClick(h.area().canvas(), Qt::Key_Right, Qt::ShiftModifier);
             for (int i = 0; i < 2; ++i) QTest::keyClick(h.area().canvas(), Qt::Key_Down, Qt::ShiftModifier);
             QTest::keyClick(h.area().canvas(), Qt::Key_0);
         }, model::kLow},
        {"a drag, then End", [&at](History& h) {
             QTest::mousePress(h.area().canvas(), Qt::LeftButton, {}, at(2, 1));
             QTest::mouseMove(h.area().canvas(), at(4, 2));
             QTest::mouseMove(h.area().canvas(), at(5, 3));
             QTest::mouseRelease(h.area().canvas(), Qt::LeftButton, {}, at(5, 3));
             QTest::keyClick(h.area().canvas(), Qt::Key_End);
         }, model::kHigh},
        {"Shift and a click, then Delete", [&at](History& h) {
             h.click(5, 3);
             QTest::mouseClick(h.area().canvas(), Qt::LeftButton, Qt::ShiftModifier, at(2, 1));
             QTest::keyClick(h.area().canvas(), Qt::Key_Delete);
         }, model::kInactive},
        {"a drag, then \"Строка в 0\"", [&at](History& h) {
             QTest::mousePress(h.area().canvas(), Qt::LeftButton, {}, at(5, 3));
             QTest::mouseMove(h.area().canvas(), at(2, 1));
             QTest::mouseRelease(h.area().canvas(), Qt::LeftButton, {}, at(2, 1));
             h.mainWindow().actions().fillLow->trigger();
         }, model::kLow},
        {"a drag, then the context menu's 1 at a cell of the block", [&at](History& h) {
             QTest::mousePress(h.area().canvas(), Qt::LeftButton, {}, at(2, 1));
             QTest::mouseMove(h.area().canvas(), at(5, 3));
             QTest::mouseRelease(h.area().canvas(), Qt::LeftButton, {}, at(5, 3));
             QTest::mousePress(h.area().canvas(), Qt::RightButton, {}, at(3, 2));
             QTest::mouseRelease(h.area().canvas(), Qt::RightButton, {}, at(3, 2));
             h.area().contextHighAction()->trigger();
         }, model::kHigh},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string before = snapshot();
        activateMainWindow();
        c.selectAndFill(*this);
        const diagram::CellRange block = area().block();
        EXPECT_EQ(std::vector<int>({block.firstPosition, block.lastPosition, block.firstTact, block.lastTact}),
                  std::vector<int>({1, 3, 2, 5}))
            << "the block stays selected";
        for (int t = 1; t <= 26; ++t) {
            const bool inside = t >= 2 && t <= 5;
            const model::CellLevel old = t % 2 ? model::kHigh : model::kLow;
            EXPECT_EQ(doc().getCell(0, 1, t), inside ? c.level : old) << "row 1, tact " << t;
            EXPECT_EQ(doc().getCell(0, 2, t), doc().getCell(0, 1, t)) << "the formula row follows, tact " << t;
            EXPECT_EQ(doc().getCell(0, 3, t), inside ? c.level : model::kInactive) << "row 3, tact " << t;
        }
        EXPECT_EQ(doc().tactCount(), 26);
        keyToMainWindow(Qt::Key_Z);
        EXPECT_EQ(snapshot(), before) << "one Ctrl+Z takes the whole fill back";
        EXPECT_TRUE(doc().saved());
        area().canvas()->setFocus(Qt::MouseFocusReason);
    }
    // Without a block the keys keep their meaning: one cell, and the cursor moves on.
    click(2, 3);
    QTest::keyClick(area().canvas(), Qt::Key_1);
    EXPECT_EQ(doc().getCell(0, 3, 2), model::kHigh);
    EXPECT_EQ(doc().getCell(0, 3, 3), model::kInactive);
    EXPECT_EQ(area().view().currentTact(), 3);

    // Names typed one after another with Tab between them are a step each.
    QTest::mouseClick(area().canvas(), Qt::LeftButton, {}, QPoint(130, area().view().rowHeight / 2));
    QLineEdit* names = area().nameEditor();
    ASSERT_TRUE(names->hasFocus());
    QTest::keyClicks(names, "AB");
    QTest::keyClick(names, Qt::Key_Tab);
    QTest::keyClicks(names, "CD");
    keyToMainWindow(Qt::Key_Z);
    EXPECT_EQ(doc().pin(1).pinName, "AB");
    EXPECT_EQ(doc().pin(2).pinName, "");
}

TEST_F(History, BlocksAreCopiedAsTextAndPastedOverEditableRowsOnly) {
    doc().setPinType(2, model::PinType::Function);
    doc().setPinFunction(0, 2, "C1");
    functions::RecalculateFunctionPins(doc());
    clickCell(1, 1);
    for (int i = 0; i < 3; ++i) QTest::keyClick(area().canvas(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(area().canvas(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(area().block().rows(), 2);
    EXPECT_EQ(area().block().tacts(), 4);
    E().copy->trigger();
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(mime->hasFormat(diagram::DiagramWidget::kBlockMimeType));
    EXPECT_EQ(mime->text().toStdString(), "1010\n1010\n") << "row 2 follows its formula C1";

    QGuiApplication::clipboard()->setText("0000\n0000\n0000\n");
    clickCell(24, 1);
    E().paste->trigger();
    EXPECT_EQ(doc().tactCount(), 27) << "the block reaches beyond the last tact";
    EXPECT_EQ(doc().getCell(0, 1, 27), model::kLow);
    EXPECT_EQ(doc().getCell(0, 3, 25), model::kLow);
    EXPECT_EQ(doc().getCell(0, 2, 25), doc().getCell(0, 1, 25)) << "the formula row is computed, not pasted";

    E().cut->trigger();
    EXPECT_EQ(doc().getCell(0, 1, 24), model::kInactive) << "the pasted block is cut";
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString().substr(0, 4), "0000");

    QGuiApplication::clipboard()->setText("not levels");
    const std::string before = snapshot();
    E().paste->trigger();
    EXPECT_EQ(snapshot(), before) << "a text that is not a block changes nothing";
    EXPECT_EQ(tbf().statusBar()->currentMessage().toStdString(),
              "В буфере обмена нет блока уровней: вставлять нечего");
}

// After "Новый файл", "Открыть" or an undo that shortened the test, no block is left and the
// current cell lies inside the test: "Строка в 1" fills one row, a level key lands in the test.
TEST_F(History, NoBlockAndNoCurrentCellOutsideTheTestAfterItChanged) {
    const std::string file = writeTest("other.kvx", "A");
    const std::vector<std::pair<std::function<void(History&)>, std::function<void(History&)>>> cases = {
        {[](History& h) { h.mainWindow().newFile(); }, nullptr},
        {[&file](History& h) { h.mainWindow().openPassedFile(QString::fromStdString(file)); }, nullptr},
        {[](History& h) { QGuiApplication::clipboard()->setText("1111111111\n"), h.click(26, 1), h.E().paste->trigger(); },
         [](History& h) { h.keyToMainWindow(Qt::Key_Z); }},
        {[](History& h) { h.mainWindow().tactCountField()->setValue(40); }, [](History& h) { h.keyToMainWindow(Qt::Key_Z); }},
    };
    for (const auto& [change, undo] : cases) {
        history().markSaved();
        doc().setSaved(true);
        click(2, 1);
        if (!undo) QTest::keyClick(area().canvas(), Qt::Key_Down, Qt::ShiftModifier);
        change(*this);
        if (undo) {
            ASSERT_TRUE(area().goToTact(doc().tactCount()));
            idle();
            undo(*this);
        }
        ASSERT_EQ(doc().tactCount(), 26);
        EXPECT_TRUE(area().block().empty());
        EXPECT_LE(area().view().currentTact(), 26);
        mainWindow().actions().fillHigh->trigger();
        EXPECT_EQ(doc().getCell(0, 2, 2), model::kInactive) << "only the current row is filled";
    }
}

// A name typed with capital letters (Shift before each) is one step.
TEST_F(History, APinNameTypedWithCapitalsIsOneStep) {
    QTest::mouseClick(area().canvas(), Qt::LeftButton, {}, QPoint(130, area().view().rowHeight / 2));
    for (Qt::Key k : {Qt::Key_M, Qt::Key_R}) QTest::keyClick(area().nameEditor(), k, Qt::ShiftModifier);
    QTest::keyClick(area().nameEditor(), Qt::Key_1);
    ASSERT_EQ(doc().pin(1).pinName.size(), 3u);
    keyToMainWindow(Qt::Key_Z);
    EXPECT_EQ(doc().pin(1).pinName, "");
}

// What the screen shows follows a change in "Слова Данных" (the lane) and of the tact duration.
TEST_F(History, TheDiagramFollowsTheWordEditorAndTheParameters) {
    model::DataWord w{"Q"};
    for (int pin = 1; pin <= 4; ++pin) {
        w.addMember(pin);
        for (int t = 1; t <= 26; ++t) doc().setCell(0, pin, t, pin % 2 ? model::kLow : model::kHigh);  // 10
    }
    doc().dataWords() = {w};
    area().wordLanesAction()->setChecked(true);
    mainWindow().wordEditor()->documentReplaced();
    mainWindow().actions().dataWords->trigger();
    const auto lane = [this] {
        idle();
        QApplication::processEvents();
        const QPoint at = area().canvas()->mapTo(&mainWindow(), QPoint(diagram::kFirstCellX, area().firstLaneTop()));
        return mainWindow().screen()->grabWindow(mainWindow().winId(), at.x(), at.y(), 26 * 21, 21).toImage();
    };
    const QImage hex = lane();
    mainWindow().wordEditor()->ComboBoxRadixChange(0);
    EXPECT_NE(lane(), hex) << "the lane shows 1010 instead of A";
    mainWindow().wordEditor()->hide();
    ASSERT_TRUE(area().goToTact(5));
    mainWindow().setModalRunner([this](QDialog&) { return doc().testParameters().tactDuration = 8; });
    mainWindow().runParametersDialog();
    EXPECT_EQ(mainWindow().findChild<QLabel*>("tactStatusPanel")->text(), QStringLiteral("Такт 5, 32 мкс"));
}

// Every shortcut the guide gives a menu command («Команда» (<kbd>Ctrl+X</kbd>), also with
// "меню «...»" between them, or a table line) is one of that command's shortcuts.
TEST_F(History, TheGuideNamesTheShortcutsOfTheMenus) {
    QFile guide(QStringLiteral(KVX_SOURCE_DIR "/resources/help/KVX_Edit_guide.html"));
    ASSERT_TRUE(guide.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(guide.readAll());
    const QRegularExpression named(QStringLiteral("(?:«([^»]+)»(?:\\s+меню\\s+«[^»]+»)?\\s+\\(|<td>([^<]+)</td><td>)"
                                                  "<kbd>([^<]*\\+[^<]*)</kbd>"));
    int checked = 0;
    for (auto it = named.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        const QString command = m.captured(1) + m.captured(2);
        const QKeySequence key(m.captured(3), QKeySequence::PortableText);
        bool menu = false, found = false;
        for (QAction* a : mainWindow().findChildren<QAction*>())
            if (QString(a->text()).remove('&') == command) {
                menu = true;
                found = found || a->shortcuts().contains(key);
            }
        if (menu) ++checked;
        EXPECT_TRUE(found || !menu) << command.toStdString() << ": " << m.captured(3).toStdString();
    }
    EXPECT_GE(checked, 10);
}

}  // namespace
}  // namespace kvx::testing
