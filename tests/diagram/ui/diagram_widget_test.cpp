// The diagram area driven like a user does: mouse clicks, double clicks, keys, drags, the
// context menu, pin editors, tact commands, scroll bars, zoom and the colours dialog.

#include <gtest/gtest.h>

#include <QApplication>
#include <QAction>
#include <QComboBox>
#include <QInputDialog>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QAbstractItemView>
#include <QWindow>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include "../../platform/scripted_prompter.h"
#include "diagram/cell_editing.h"
#include "diagram/ui/colours_dialog.h"
#include "diagram/ui/diagram_widget.h"

namespace kvx::diagram {
namespace {

using model::TestDocument;

class DiagramWidgetTest : public ::testing::Test {
protected:
    void SetUp() override { open(8, 26); }

    /// A fresh widget over a document of `pins` "I" pins and `tacts` tacts.
    void open(int pins, int tacts, QSize size = {1000, 600}) {
        widget.reset();
        doc.clearDocument();
        doc.setPackage({model::PackageType::DIP, pins});
        if (tacts != doc.tactCount()) doc.setTactCount(tacts);
        doc.setTactHighWater(tacts);
        doc.setSaved(true);
        widget = std::make_unique<DiagramWidget>(doc, prompter);
        widget->resize(size);
        widget->show();
        widget->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(widget.get()));
        widget->resetForNewTest();
    }

    QWidget* canvas() { return widget->canvas(); }
    const DiagramView& view() { return widget->view(); }
    /// Middle of screen column c, screen row k.
    QPoint cell(int c, int k) {
        const auto& v = view();
        return {kPinColumnRight + (c - 1) * v.cellWidth + v.cellWidth / 2, (k - 1) * v.rowHeight + v.rowHeight / 2};
    }
    QPoint pinCell(int x, int k) { return {x, (k - 1) * view().rowHeight + view().rowHeight / 2}; }
    void click(QPoint p) { QTest::mouseClick(canvas(), Qt::LeftButton, {}, p); }
    void doubleClick(QPoint p) {
        QTest::mouseClick(canvas(), Qt::LeftButton, {}, p);
        QTest::mouseDClick(canvas(), Qt::LeftButton, {}, p);
        QTest::mouseRelease(canvas(), Qt::LeftButton, {}, p);
    }
    void key(Qt::Key k, Qt::KeyboardModifiers m = {}) { QTest::keyClick(canvas(), k, m); }
    int level(int row, int tact) { return doc.getCell(0, row, tact); }
    std::vector<int> displayRows() {
        std::vector<int> out;
        for (int k = 1; k <= doc.pinCount() + doc.ioPinCount(); ++k) out.push_back(doc.signalRow(0, k));
        return out;
    }
    /// Chooses item `index` in the open type selector as the user does.
    void chooseType(int index) {
        ASSERT_TRUE(widget->typeSelector()->isVisible());
        widget->typeSelector()->setCurrentIndex(index);
        emit widget->typeSelector()->activated(index);
    }

    TestDocument doc;
    testing::ScriptedPrompter prompter;
    std::unique_ptr<DiagramWidget> widget;
};

// ---- selection and levels --------------------------------------------------

TEST_F(DiagramWidgetTest, ClickSelectsTheCellUnderThePress) {
    QSignalSpy rowSpy(widget.get(), &DiagramWidget::currentRowChanged);
    click(cell(5, 3));
    EXPECT_EQ(view().currentColumn, 5);
    EXPECT_EQ(view().currentScreenRow, 3);
    EXPECT_EQ(view().currentRow, 3);
    EXPECT_FALSE(rowSpy.isEmpty());
    EXPECT_EQ(rowSpy.last().at(0).toInt(), 3);
    // A click into the number column selects the first visible tact.
    click(pinCell(20, 2));
    EXPECT_EQ(view().currentColumn, 1);
    EXPECT_EQ(view().currentRow, 2);
    // Below the last row nothing changes.
    click(cell(7, 12));
    EXPECT_EQ(view().currentColumn, 1);
    EXPECT_EQ(view().currentScreenRow, 2);
    EXPECT_TRUE(doc.saved());
}

TEST_F(DiagramWidgetTest, DoubleClickCyclesTheLevel) {
    QSignalSpy edits(widget.get(), &DiagramWidget::documentEdited);
    doubleClick(cell(3, 1));
    EXPECT_EQ(level(1, 3), 0);
    doubleClick(cell(3, 1));
    EXPECT_EQ(level(1, 3), 1);
    doubleClick(cell(3, 1));
    EXPECT_EQ(level(1, 3), 2);
    EXPECT_EQ(edits.count(), 3);
    EXPECT_FALSE(doc.saved());
    for (int t = 1; t <= 26; ++t) {
        if (t != 3) {
            EXPECT_EQ(level(1, t), 2) << t;
        }
    }
}

TEST_F(DiagramWidgetTest, DoubleClickLeavesComputedAndFixedRows) {
    doc.setPinType(2, "O=F(c)");
    doc.setPinType(3, "NC");
    doc.setPinType(4, "VCC");
    doc.setPinType(5, "GND");
    widget->refresh();
    for (int k = 2; k <= 5; ++k) {
        doubleClick(cell(4, k));
        EXPECT_EQ(level(k, 4), 2) << k;
    }
}

TEST_F(DiagramWidgetTest, DoubleClickWhereNoRowIsSelectedChangesNothing) {
    click(cell(3, 2));
    // Below the last row, and the second press of the pair lands there too.
    doubleClick(cell(3, 12));
    EXPECT_EQ(level(2, 3), 2);
    EXPECT_EQ(view().currentScreenRow, 2);
    EXPECT_TRUE(doc.saved());
    // On a row the same double click works.
    doubleClick(cell(3, 2));
    EXPECT_EQ(level(2, 3), 0);
}

TEST_F(DiagramWidgetTest, DoubleClickBehindTheLastTactLengthensTheTest) {
    open(8, 16);
    QSignalSpy shown(widget.get(), &DiagramWidget::tactCountShown);
    doubleClick(cell(20, 1));
    EXPECT_EQ(doc.tactCount(), 20);
    EXPECT_EQ(level(1, 20), 0);
    EXPECT_EQ(level(1, 18), 2);
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.last().at(0).toInt(), 20);
}

TEST_F(DiagramWidgetTest, TypingOnTheLastTactAppendsATact) {
    open(8, 16);
    QSignalSpy shown(widget.get(), &DiagramWidget::tactCountShown);
    click(cell(16, 1));
    key(Qt::Key_1);
    EXPECT_EQ(level(1, 16), 1);
    EXPECT_EQ(doc.tactCount(), 17);
    EXPECT_EQ(view().currentTact(), 17);
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.last().at(0).toInt(), 17);
    // The arrow alone never appends.
    key(Qt::Key_Right);
    EXPECT_EQ(doc.tactCount(), 17);
    EXPECT_EQ(view().currentTact(), 17);
    // Levels by every key of the table, each moving on.
    click(cell(1, 2));
    key(Qt::Key_0);
    key(Qt::Key_1, Qt::KeypadModifier);
    key(Qt::Key_Delete);
    key(Qt::Key_Insert);
    key(Qt::Key_End);
    key(Qt::Key_2, Qt::KeypadModifier);
    EXPECT_EQ((std::vector<int>{level(2, 1), level(2, 2), level(2, 3), level(2, 4), level(2, 5), level(2, 6)}),
              (std::vector<int>{0, 1, 2, 0, 1, 2}));
    EXPECT_EQ(view().currentTact(), 7);
}

TEST_F(DiagramWidgetTest, LevelKeysOnComputedRowsDoNothing) {
    doc.setPinType(3, "O=F(c)");
    widget->refresh();
    click(cell(2, 3));
    key(Qt::Key_1);
    EXPECT_EQ(level(3, 2), 2);
    EXPECT_EQ(view().currentColumn, 2);
}

TEST_F(DiagramWidgetTest, FunctionRowsFollowAKeyEdit) {
    doc.setPinType(3, "O=F(c)");
    doc.setPinFunction(0, 3, "C1");
    widget->refresh();
    click(cell(4, 1));
    key(Qt::Key_1);
    key(Qt::Key_0);
    EXPECT_EQ(level(3, 4), 1);
    EXPECT_EQ(level(3, 5), 0);
    EXPECT_EQ(level(3, 6), 2);
}

TEST_F(DiagramWidgetTest, ArrowKeysMoveAndStopAtTheEdges) {
    click(cell(1, 1));
    key(Qt::Key_Left);
    key(Qt::Key_Up);
    EXPECT_EQ(view().currentColumn, 1);
    EXPECT_EQ(view().currentScreenRow, 1);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    key(Qt::Key_Right);
    EXPECT_EQ(view().currentScreenRow, 3);
    EXPECT_EQ(view().currentRow, 3);
    EXPECT_EQ(view().currentColumn, 2);
    for (int i = 0; i < 10; ++i) key(Qt::Key_Down);
    EXPECT_EQ(view().currentScreenRow, 8);
    EXPECT_TRUE(doc.saved());
}

TEST_F(DiagramWidgetTest, ZoomKeys) {
    click(cell(1, 1));
    key(Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(view().cellWidth, 23);
    EXPECT_EQ(view().rowHeight, 23);
    key(Qt::Key_Equal);
    EXPECT_EQ(view().cellWidth, 25);
    key(Qt::Key_Minus);
    key(Qt::Key_Minus, Qt::KeypadModifier);
    key(Qt::Key_Minus);
    EXPECT_EQ(view().cellWidth, 19);
    EXPECT_EQ(view().rowHeight, 19);
    key(Qt::Key_N);
    EXPECT_EQ(view().cellWidth, 21);
    key(Qt::Key_Minus);
    key(Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_EQ(view().cellWidth, 21);
    EXPECT_EQ(view().rowHeight, 21);
    // The same key in the Russian layout.
    key(Qt::Key_Minus);
    QKeyEvent te(QEvent::KeyPress, 0x0422, Qt::NoModifier, QString::fromUtf8("т"));
    QApplication::sendEvent(canvas(), &te);
    EXPECT_EQ(view().cellWidth, 21);
    // The main-block asterisk is no zoom key.
    key(Qt::Key_Minus);
    key(Qt::Key_Asterisk);
    EXPECT_EQ(view().cellWidth, 19);
}

TEST_F(DiagramWidgetTest, ZoomSlotsWalkTheWholeRange) {
    for (int i = 0; i < 20; ++i) widget->zoomOut();
    EXPECT_EQ(view().cellWidth, 3);
    EXPECT_EQ(view().rowHeight, 14);
    widget->zoomIn();
    EXPECT_EQ(view().cellWidth, 5);
    EXPECT_EQ(view().rowHeight, 14);
    for (int i = 0; i < 30; ++i) widget->zoomIn();
    EXPECT_EQ(view().cellWidth, 46);
    EXPECT_EQ(view().rowHeight, 46);
    widget->zoomStandard();
    EXPECT_EQ(view().cellWidth, 21);
    EXPECT_EQ(view().rowHeight, 21);
}

TEST_F(DiagramWidgetTest, CtrlHomeAndCtrlEndGoToTheEndsOfTheRowAndFitShowsEveryTact) {
    open(8, 300);
    click(cell(5, 3));
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(view().currentTact(), 300);
    EXPECT_EQ(view().currentScreenRow, 3);
    EXPECT_GT(view().tactOffset, 0) << "the view scrolled to the last tact";
    EXPECT_LE(view().currentColumn * view().cellWidth + kPinColumnRight, widget->canvasWidth());
    EXPECT_EQ(level(3, 300), 2) << "Ctrl+End types no level";
    key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(view().currentTact(), 1);
    EXPECT_EQ(view().tactOffset, 0);
    // Shift with them stretches a block to the end of the row.
    key(Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(widget->block().firstTact, 1);
    EXPECT_EQ(widget->block().lastTact, 300);
    key(Qt::Key_Escape);
    // Home alone changes nothing, End alone still types 1 and moves on.
    key(Qt::Key_Home);
    EXPECT_EQ(view().currentTact(), 300);
    key(Qt::Key_Home, Qt::ControlModifier);
    key(Qt::Key_End);
    EXPECT_EQ(level(3, 1), 1);
    EXPECT_EQ(view().currentTact(), 2);
    EXPECT_EQ(doc.tactCount(), 300);

    // "По размеру окна": the widest step that needs no horizontal bar.
    for (int tacts : {26, 200, 5000}) {
        open(8, tacts);
        widget->zoomToFit();
        if (tacts == 5000) {
            EXPECT_EQ(view().cellWidth, 3) << "nothing fits: the narrowest step";
            continue;
        }
        EXPECT_TRUE(widget->horizontalScrollBar()->isHidden()) << tacts;
        EXPECT_EQ(view().tactOffset, 0);
        widget->zoomIn();
        EXPECT_FALSE(widget->horizontalScrollBar()->isHidden()) << tacts << ": one step wider no longer fits";
    }
}

TEST_F(DiagramWidgetTest, EnterAndTabInTheNameEditorGoOnToTheNextPinsName) {
    // DIP14 in a low window: the rows below the visible ones scroll into view.
    open(14, 8, {1000, 200});
    doc.setPinType(7, "GND");
    doc.setPinType(14, "VCC");
    doc.setPinType(3, "I/O");
    doc.setPinType(53, "O/i");
    for (int k = 15; k > 4; --k) doc.setSignalEntry(0, k, doc.signalEntry(0, k - 1));
    doc.setSignalEntry(0, 4, {3, model::RowKind::Output});
    widget->refresh();
    ASSERT_FALSE(widget->verticalScrollBar()->isHidden());
    QLineEdit* ed = widget->nameEditor();
    click(pinCell(130, 1));
    ASSERT_TRUE(ed->hasFocus());
    // One name and one key per pin; the output row of pin 3 and the supply pins are passed.
    const std::vector<int> named = {1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13};
    for (size_t i = 0; i < named.size(); ++i) {
        ASSERT_TRUE(ed->isVisible()) << named[i];
        ASSERT_TRUE(ed->hasFocus()) << named[i];
        EXPECT_EQ(view().currentRow, named[i]);
        EXPECT_EQ(ed->geometry().top(), (view().currentScreenRow - 1) * view().rowHeight) << "over its row";
        QTest::keyClicks(ed, QString("P%1").arg(named[i]));
        QTest::keyClick(ed, i % 2 ? Qt::Key_Return : Qt::Key_Tab);
    }
    for (int pin : named) EXPECT_EQ(doc.pin(pin).pinName, "P" + std::to_string(pin));
    EXPECT_EQ(doc.pin(7).pinName, "");
    EXPECT_EQ(doc.pin(14).pinName, "");
    EXPECT_FALSE(ed->isVisible()) << "past the last pin the editor closes";
    EXPECT_TRUE(canvas()->hasFocus());

    // Shift+Tab goes back, Escape stops; the first pin has no previous one.
    widget->verticalScrollBar()->setValue(1);
    click(pinCell(130, 5));
    ASSERT_EQ(view().currentRow, 4);
    QTest::keyClick(ed, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(view().currentRow, 3) << "the output row is passed backwards too";
    EXPECT_EQ(ed->text(), "P3");
    QTest::keyClick(ed, Qt::Key_Escape);
    EXPECT_FALSE(ed->isVisible());
    EXPECT_EQ(doc.pin(3).pinName, "P3");
    click(pinCell(130, 1));
    QTest::keyClick(ed, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_FALSE(ed->isVisible());
}

// ---- fills and the context menu --------------------------------------------

TEST_F(DiagramWidgetTest, FillsStartAtTheCurrentTact) {
    open(8, 16);
    for (int t = 1; t <= 16; ++t) doc.setCell(0, 1, t, 1);
    click(cell(5, 1));
    widget->fillLow();
    for (int t = 1; t <= 4; ++t) EXPECT_EQ(level(1, t), 1) << t;
    for (int t = 5; t <= 16; ++t) EXPECT_EQ(level(1, t), 0) << t;
    click(cell(15, 1));
    widget->fillHigh();
    EXPECT_EQ(level(1, 14), 0);
    EXPECT_EQ(level(1, 15), 1);
    EXPECT_EQ(level(1, 16), 1);
    widget->fillInactive();
    EXPECT_EQ(level(1, 15), 2);
    EXPECT_EQ(doc.tactCount(), 16);
}

TEST_F(DiagramWidgetTest, ContextMenuEnablingAndLevels) {
    doc.setPinType(3, "I/O");
    doc.setPinType(53, "O/i");
    doc.setPinType(5, "I/O");
    doc.setPinType(55, "O/i=F(c)");
    for (int k = 10; k > 4; --k) doc.setSignalEntry(0, k, doc.signalEntry(0, k - 1));
    doc.setSignalEntry(0, 4, {3, model::RowKind::Output});
    for (int k = 10; k > 7; --k) doc.setSignalEntry(0, k, doc.signalEntry(0, k - 1));
    doc.setSignalEntry(0, 7, {5, model::RowKind::Output});
    widget->refresh();
    ASSERT_EQ(displayRows(), (std::vector<int>{1, 2, 3, 53, 4, 5, 55, 6, 7, 8}));

    EXPECT_FALSE(widget->contextHighAction()->isEnabled());
    EXPECT_FALSE(widget->contextTactMenu()->isEnabled());
    QTest::mousePress(canvas(), Qt::RightButton, {}, cell(6, 2));
    QTest::mouseRelease(canvas(), Qt::RightButton, {}, cell(6, 2));
    EXPECT_EQ(view().currentTact(), 6);
    EXPECT_EQ(view().currentRow, 2);
    EXPECT_TRUE(widget->contextHighAction()->isEnabled());
    EXPECT_TRUE(widget->contextTactMenu()->isEnabled());
    EXPECT_TRUE(widget->contextFillMenu()->isEnabled());
    EXPECT_TRUE(widget->contextServiceMenu()->isEnabled());
    // Commands of other windows stay disabled until someone carries them out.
    const auto fillItems = widget->contextFillMenu()->actions();
    EXPECT_FALSE(fillItems.last()->isEnabled());
    widget->contextHighAction()->trigger();
    EXPECT_EQ(level(2, 6), 1);
    EXPECT_EQ(view().currentTact(), 6);  // the cursor stays

    // The plain output row takes the menu's levels, the computed one does not.
    QTest::mousePress(canvas(), Qt::RightButton, {}, cell(6, 4));
    widget->contextLowAction()->trigger();
    EXPECT_EQ(level(53, 6), 0);
    QTest::mousePress(canvas(), Qt::RightButton, {}, cell(6, 7));
    widget->contextLowAction()->trigger();
    EXPECT_EQ(level(55, 6), 2);

    QObject::connect(widget.get(), &DiagramWidget::generatorRequested, [] {});
    QTest::mousePress(canvas(), Qt::RightButton, {}, cell(6, 1));
    EXPECT_TRUE(fillItems.last()->isEnabled());
    widget->disableContextMenuItems();
    EXPECT_FALSE(widget->contextHighAction()->isEnabled());
    EXPECT_FALSE(widget->contextFillMenu()->isEnabled());
}

// ---- drag ------------------------------------------------------------------

TEST_F(DiagramWidgetTest, DragInTheNumberColumnReordersRows) {
    for (int t = 1; t <= 26; ++t) doc.setCell(0, 3, t, 1);
    QTest::mousePress(canvas(), Qt::LeftButton, {}, pinCell(20, 3));
    QTest::mouseMove(canvas(), pinCell(20, 4));
    QTest::mouseMove(canvas(), pinCell(20, 5));
    QTest::mouseRelease(canvas(), Qt::LeftButton, {}, pinCell(20, 5));
    EXPECT_EQ(displayRows(), (std::vector<int>{1, 2, 4, 5, 3, 6, 7, 8}));
    EXPECT_EQ(level(doc.signalRow(0, 5), 10), 1);
    EXPECT_FALSE(doc.saved());
}

TEST_F(DiagramWidgetTest, APlainDragOverTheCellsSelectsABlockFromThePressedCell) {
    const auto span = [this] {
        const CellRange b = widget->block();
        return std::vector<int>{b.firstPosition, b.lastPosition, b.firstTact, b.lastTact};
    };
    QTest::mousePress(canvas(), Qt::LeftButton, {}, cell(5, 6));
    QTest::mouseMove(canvas(), cell(4, 5));
    QTest::mouseMove(canvas(), cell(2, 3));
    QTest::mouseRelease(canvas(), Qt::LeftButton, {}, cell(2, 3));
    EXPECT_EQ(span(), (std::vector<int>{3, 6, 2, 5}));
    EXPECT_EQ(view().currentColumn, 5) << "the pressed cell is the current one";
    EXPECT_EQ(view().currentScreenRow, 6);
    EXPECT_EQ(displayRows(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8})) << "no row moved";
    click(cell(1, 1));
    EXPECT_TRUE(widget->block().empty()) << "a click without a drag selects one cell";
}

TEST_F(DiagramWidgetTest, FastDragStillMovesOnePositionAtATime) {
    QTest::mousePress(canvas(), Qt::LeftButton, {}, pinCell(20, 3));
    QTest::mouseMove(canvas(), pinCell(20, 6));
    QTest::mouseRelease(canvas(), Qt::LeftButton, {}, pinCell(20, 6));
    EXPECT_EQ(displayRows(), (std::vector<int>{1, 2, 4, 5, 6, 3, 7, 8}));
    // Moving outside the rows does nothing.
    QTest::mousePress(canvas(), Qt::LeftButton, {}, pinCell(20, 1));
    QTest::mouseMove(canvas(), pinCell(20, 15));
    QTest::mouseRelease(canvas(), Qt::LeftButton, {}, pinCell(20, 15));
    EXPECT_EQ(displayRows(), (std::vector<int>{1, 2, 4, 5, 6, 3, 7, 8}));
    // A press in the number column below the last row drags nothing into the list.
    QTest::mousePress(canvas(), Qt::LeftButton, {}, pinCell(20, 11));
    QTest::mouseMove(canvas(), pinCell(20, 8));
    QTest::mouseMove(canvas(), pinCell(20, 7));
    QTest::mouseRelease(canvas(), Qt::LeftButton, {}, pinCell(20, 7));
    EXPECT_EQ(displayRows(), (std::vector<int>{1, 2, 4, 5, 6, 3, 7, 8}));
    // A press right of the number column drags nothing.
    QTest::mousePress(canvas(), Qt::LeftButton, {}, cell(3, 1));
    QTest::mouseMove(canvas(), cell(3, 4));
    QTest::mouseRelease(canvas(), Qt::LeftButton, {}, cell(3, 4));
    EXPECT_EQ(displayRows(), (std::vector<int>{1, 2, 4, 5, 6, 3, 7, 8}));
}

// ---- tacts -----------------------------------------------------------------

TEST_F(DiagramWidgetTest, TactFieldSequences) {
    open(8, 16);
    for (int t = 1; t <= 16; ++t) doc.setCell(0, 1, t, 1);
    widget->setTactCountFromField("8");
    EXPECT_EQ(doc.tactCount(), 8);
    widget->setTactCountFromField("16");
    EXPECT_EQ(doc.tactCount(), 16);
    for (int t = 9; t <= 16; ++t) EXPECT_EQ(level(1, t), 1) << t;

    widget->setTactCountFromField("8");
    widget->leaveTactField();
    widget->setTactCountFromField("16");
    for (int t = 9; t <= 16; ++t) EXPECT_EQ(level(1, t), 2) << t;

    widget->setTactCountFromField("20");
    EXPECT_EQ(doc.tactCount(), 20);
    for (int t = 17; t <= 20; ++t) EXPECT_EQ(level(1, t), 2) << t;

    QSignalSpy shown(widget.get(), &DiagramWidget::tactCountShown);
    widget->setTactCountFromField("12-");
    EXPECT_EQ(doc.tactCount(), 12);
    widget->setTactCountFromField("-");
    EXPECT_EQ(doc.tactCount(), 12);
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.last().at(0).toInt(), 12);
    widget->setTactCountFromField("");
    EXPECT_EQ(doc.tactCount(), 12);
}

TEST_F(DiagramWidgetTest, TactFieldUpdatesTheHorizontalBar) {
    widget->setTactCountFromField("200");
    ASSERT_FALSE(widget->horizontalScrollBar()->isHidden());
    EXPECT_EQ(widget->horizontalScrollBar()->maximum(), 200 - (widget->canvasWidth() - 160) / 21 + 1);
    widget->setTactCountFromField("16");
    EXPECT_TRUE(widget->horizontalScrollBar()->isHidden());
    EXPECT_EQ(view().tactOffset, 0);
}

TEST_F(DiagramWidgetTest, InsertAndDeleteMoveOutputRowsAlong) {
    open(8, 16);
    doc.setPinType(2, "I/O");
    doc.setPinType(52, "O/i");
    for (int t = 1; t <= 16; ++t) {
        doc.setCell(0, 1, t, t % 2 == 0 ? 1 : 0);
        doc.setCell(0, 52, t, t == 5 ? 0 : 1);
    }
    click(cell(5, 1));
    QSignalSpy shown(widget.get(), &DiagramWidget::tactCountShown);
    widget->insertTact();
    EXPECT_EQ(doc.tactCount(), 17);
    EXPECT_EQ(shown.last().at(0).toInt(), 17);
    EXPECT_EQ(level(1, 5), 0);
    EXPECT_EQ(level(1, 6), 0);
    EXPECT_EQ(level(1, 7), 1);
    EXPECT_EQ(level(52, 5), 0);
    EXPECT_EQ(level(52, 6), 0);
    EXPECT_EQ(level(52, 7), 1);
    EXPECT_EQ(view().currentTact(), 5);
    widget->deleteTact();
    widget->deleteTact();
    EXPECT_EQ(doc.tactCount(), 15);
    EXPECT_EQ(level(1, 5), 1);
    EXPECT_EQ(level(52, 5), 1);
    EXPECT_EQ(shown.last().at(0).toInt(), 15);
}

TEST_F(DiagramWidgetTest, CommandsDoNothingWhileTheDiagramIsHidden) {
    click(cell(5, 1));
    widget->hide();
    widget->fillHigh();
    widget->insertTact();
    widget->setTactCountFromField("40");
    EXPECT_EQ(level(1, 5), 2);
    EXPECT_EQ(doc.tactCount(), 26);
    EXPECT_TRUE(doc.saved());
}

// ---- pin editors -----------------------------------------------------------

TEST_F(DiagramWidgetTest, TypeSelectorOverTheTypeCell) {
    click(pinCell(60, 3));
    QComboBox* sel = widget->typeSelector();
    ASSERT_TRUE(sel->isVisible());
    EXPECT_EQ(sel->geometry(), QRect(41, 42, 57, 21));
    EXPECT_EQ(sel->currentIndex(), 0);
    EXPECT_EQ(view().currentColumn, 1);
    chooseType(2);  // I/O
    EXPECT_FALSE(sel->isVisible());
    EXPECT_EQ(doc.pin(3).pinType, "I/O");
    EXPECT_EQ(doc.pin(53).pinType, "O/i");
    EXPECT_EQ(displayRows(), (std::vector<int>{1, 2, 3, 53, 4, 5, 6, 7, 8}));
    EXPECT_FALSE(doc.saved());
    // Back to "I" removes the output row again.
    click(pinCell(60, 3));
    EXPECT_EQ(sel->currentIndex(), 2);
    chooseType(0);
    EXPECT_EQ(displayRows(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    // A key hides an open selector.
    click(pinCell(60, 2));
    EXPECT_TRUE(sel->isVisible());
    key(Qt::Key_Down);
    EXPECT_FALSE(sel->isVisible());
}

TEST_F(DiagramWidgetTest, OneClickOpensTheTypeListAndTheKeyboardChooses) {
    // Clicks and keys arrive at the window as the user's do: a key goes to the open list, or
    // to the diagram when no list is open.
    enum class Choose { Keys, MouseOnItem };
    struct Case {
        const char* what;
        std::vector<Qt::Key> keys;
        Choose how;
        std::optional<platform::Answer> answer;  ///< to the "NC" question
        std::string type;                        ///< pin 3 afterwards
        int levelAtTact1;                        ///< row 3 afterwards (tact 1 was 0)
    };
    const std::vector<Case> cases = {
        {"B chooses I/O, the next pin's list ends", {Qt::Key_B, Qt::Key_Escape}, Choose::Keys, {}, "I/O", 0},
        {"Down, Up and Enter keep the type", {Qt::Key_Down, Qt::Key_Up, Qt::Key_Enter, Qt::Key_Escape}, Choose::Keys, {}, "I", 0},
        {"a type's letter", {Qt::Key_O, Qt::Key_Escape}, Choose::Keys, {}, "O", 0},
        {"NC by its letter, answered No", {Qt::Key_N, Qt::Key_Escape}, Choose::Keys, platform::Answer::No, "I", 0},
        {"NC by its letter, answered Yes", {Qt::Key_N, Qt::Key_Escape}, Choose::Keys, platform::Answer::Yes, "NC", 2},
        {"Escape closes the list, the next key is the diagram's", {Qt::Key_Escape, Qt::Key_1}, Choose::Keys, {}, "I", 1},
        {"a click on an item", {}, Choose::MouseOnItem, {}, "O=F(c)", 0},
    };
    // A button that an earlier test pressed and never let go would still be down for the window.
    if (QTestPrivate::qtestMouseButtons & Qt::RightButton) QTest::mouseRelease(canvas(), Qt::RightButton);
    for (const Case& c : cases) {
        open(8, 26);
        doc.setCell(0, 3, 1, model::kLow);
        QWindow* window = widget->windowHandle();
        ASSERT_NE(window, nullptr);
        QComboBox* sel = widget->typeSelector();
        QTest::mouseClick(window, Qt::LeftButton, {}, canvas()->mapTo(widget.get(), pinCell(60, 3)));
        ASSERT_TRUE(sel->isVisible()) << c.what;
        EXPECT_EQ(sel->geometry(), QRect(41, 2 * view().rowHeight, 57, view().rowHeight)) << c.what;
        EXPECT_TRUE(sel->view()->isVisible()) << c.what << ": the list is open after one click";
        if (c.answer) prompter.answer(*c.answer);
        for (Qt::Key k : c.keys) {
            QTest::keyClick(window, k);
            QApplication::processEvents();  // the next pin's list opens once the key is handled
        }
        if (c.how == Choose::MouseOnItem && sel->view()->isVisible()) {
            QWidget* list = sel->view()->viewport();
            const QPoint item = sel->view()->visualRect(sel->model()->index(3, 0)).center();
            QTest::mouseMove(list, item);
            QTest::mouseClick(list, Qt::LeftButton, {}, item, 300);
        }
        EXPECT_EQ(doc.pin(3).pinType, c.type) << c.what;
        EXPECT_EQ(level(3, 1), c.levelAtTact1) << c.what;
        EXPECT_EQ(doc.pin(53).pinType == "O/i", c.type == "I/O") << c.what;
        EXPECT_EQ(prompter.questions.size(), c.answer ? 1u : 0u) << c.what;
        EXPECT_FALSE(sel->view()->isVisible()) << c.what;
        EXPECT_FALSE(sel->isVisible()) << c.what;
        EXPECT_EQ(QApplication::focusWidget(), canvas()) << c.what << ": the next key is the diagram's";
        EXPECT_TRUE(prompter.scriptUsed()) << c.what;
        prompter.questions.clear();
    }
    // A row dragged by the left edge of its type cell moves, and no list opens at the release.
    open(8, 26);
    QWindow* window = widget->windowHandle();
    const auto at = [this](int k) { return canvas()->mapTo(widget.get(), pinCell(45, k)); };
    QTest::mousePress(window, Qt::LeftButton, {}, at(3));
    QTest::mouseMove(window, at(4));
    QTest::mouseMove(window, at(5));
    QTest::mouseRelease(window, Qt::LeftButton, {}, at(5));
    EXPECT_EQ(displayRows(), (std::vector<int>{1, 2, 4, 5, 3, 6, 7, 8}));
    EXPECT_FALSE(widget->typeSelector()->view()->isVisible());
}

TEST_F(DiagramWidgetTest, NoSelectorOnSupplyPins) {
    doc.setPinType(4, "VCC");
    widget->refresh();
    click(pinCell(60, 4));
    EXPECT_FALSE(widget->typeSelector()->isVisible());
    EXPECT_EQ(view().currentRow, 4);
}

TEST_F(DiagramWidgetTest, NotConnectedAsksAndClearsFromTheFirstVisibleTact) {
    for (int t = 1; t <= 26; ++t) doc.setCell(0, 2, t, 1);
    click(pinCell(60, 2));
    prompter.answer(platform::Answer::No);
    chooseType(4);
    EXPECT_EQ(doc.pin(2).pinType, "I");
    EXPECT_EQ(level(2, 1), 1);
    EXPECT_EQ(widget->typeSelector()->currentIndex(), 0);
    prompter.answer(platform::Answer::Yes);
    chooseType(4);
    EXPECT_EQ(doc.pin(2).pinType, "NC");
    for (int t = 1; t <= 26; ++t) EXPECT_EQ(level(2, t), 2) << t;
    ASSERT_EQ(prompter.questions.size(), 2u);
    EXPECT_EQ(prompter.questions[0].icon, platform::Icon::Question);
    EXPECT_EQ(prompter.questions[0].buttons, platform::Buttons::YesNo);
    EXPECT_TRUE(prompter.scriptUsed());
}

TEST_F(DiagramWidgetTest, OutputRowTypeChoices) {
    click(pinCell(60, 5));
    chooseType(2);
    ASSERT_EQ(doc.signalRow(0, 6), 55);
    click(pinCell(60, 6));
    EXPECT_EQ(widget->typeSelector()->currentIndex(), 2);
    QSignalSpy rowSpy(widget.get(), &DiagramWidget::currentRowChanged);
    chooseType(3);
    EXPECT_EQ(doc.pin(55).pinType, "O/i=F(c)");
    EXPECT_EQ(doc.pin(5).pinType, "I/O");
    EXPECT_FALSE(rowSpy.isEmpty());  // the formula bar follows the new type
    click(pinCell(60, 6));
    EXPECT_EQ(widget->typeSelector()->currentIndex(), 3);
    // "I/O" is the pin's type already: the row stays computed and the selector shows it.
    chooseType(2);
    EXPECT_EQ(doc.pin(55).pinType, "O/i=F(c)");
    EXPECT_EQ(widget->typeSelector()->currentIndex(), 3);
    EXPECT_EQ(displayRows().size(), 9u);
    chooseType(1);
    EXPECT_EQ(doc.pin(5).pinType, "O");
    EXPECT_EQ(displayRows().size(), 8u);
    EXPECT_EQ(view().currentRow, doc.signalRow(0, view().currentScreenRow));
}

TEST_F(DiagramWidgetTest, NameEditorTakesSevenCharacters) {
    click(pinCell(130, 2));
    QLineEdit* ed = widget->nameEditor();
    ASSERT_TRUE(ed->isVisible());
    EXPECT_EQ(ed->geometry(), QRect(97, 21, 65, 21));
    EXPECT_TRUE(ed->hasFocus());
    QTest::keyClicks(ed, "ABCDEFGHIJ");
    EXPECT_EQ(doc.pin(2).pinName, "ABCDEFG");
    click(cell(3, 1));
    EXPECT_FALSE(ed->isVisible());
    click(pinCell(130, 2));
    EXPECT_EQ(ed->text(), "ABCDEFG");
    // Supply and ground pins keep no name in the file: their name cell opens no editor.
    doc.setPinType(4, "VCC");
    doc.setPinType(5, "GND");
    for (int pin : {4, 5}) {
        click(pinCell(130, pin));
        EXPECT_FALSE(ed->isVisible()) << pin;
        QTest::keyClicks(widget->canvas(), "AB");
        EXPECT_EQ(doc.pin(pin).pinName, "") << pin;
    }
}

// ---- scrolling -------------------------------------------------------------

TEST_F(DiagramWidgetTest, ScrollBarRanges) {
    EXPECT_TRUE(widget->horizontalScrollBar()->isHidden());
    EXPECT_TRUE(widget->verticalScrollBar()->isHidden());
    open(40, 200, {900, 400});
    QScrollBar* h = widget->horizontalScrollBar();
    QScrollBar* v = widget->verticalScrollBar();
    ASSERT_FALSE(h->isHidden());
    ASSERT_FALSE(v->isHidden());
    EXPECT_EQ(h->minimum(), 1);
    EXPECT_EQ(h->maximum(), 200 - (widget->canvasWidth() - 160) / 21 + 1);
    EXPECT_EQ(v->maximum(), 42 - widget->areaHeight() / 21);
    EXPECT_EQ(h->pageStep(), 10);
    EXPECT_EQ(v->pageStep(), 15);
    // A block step moves the view by a page: 15 rows down (clamped at the end), 10 tacts right.
    v->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(view().rowOffset, std::min(15, v->maximum() - 1));
    h->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(view().tactOffset, 10);
    h->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(view().tactOffset, 0);
    // A wider window lowers the maximum, and a position above it with it.
    h->setValue(h->maximum());
    widget->resize(1200, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(h->maximum(), 200 - (widget->canvasWidth() - 160) / 21 + 1);
    EXPECT_EQ(view().tactOffset, h->maximum() - 1);
}

TEST_F(DiagramWidgetTest, ScrolledPictureShowsTheRowsAndTactsBehindTheOffsets) {
    open(40, 200, {900, 400});
    doc.setCell(0, 2, 11, 1);  // pin 2, tact 11
    widget->verticalScrollBar()->setValue(2);
    widget->horizontalScrollBar()->setValue(11);
    ASSERT_EQ(view().rowOffset, 1);
    ASSERT_EQ(view().tactOffset, 10);
    const QImage img = canvas()->grab().toImage();
    // Top band, first column: level 1 of pin 2 in the input colour, 4 pixels below the top.
    const QPoint mid = cell(1, 1);
    EXPECT_EQ(img.pixel(mid.x(), 4) | 0xFF000000u, 0xFF800080u);
    EXPECT_EQ(img.pixel(cell(2, 1).x(), 10) | 0xFF000000u, 0xFFA0A0A4u);
}

TEST_F(DiagramWidgetTest, VerticalScrollKeepsTheScreenRow) {
    open(40, 26, {900, 400});
    click(cell(2, 3));
    widget->verticalScrollBar()->setValue(2);
    EXPECT_EQ(view().rowOffset, 1);
    EXPECT_EQ(view().currentScreenRow, 3);
    EXPECT_EQ(view().currentRow, 4);
    // Moving down at the bottom of the area scrolls.
    const int fit = widget->areaHeight() / 21;
    click(cell(2, fit));
    const int before = view().rowOffset;
    key(Qt::Key_Down);
    EXPECT_EQ(view().rowOffset, before + 1);
    EXPECT_EQ(view().currentScreenRow, fit);
    EXPECT_EQ(view().currentRow, before + 1 + fit);
    // Up at the top scrolls back.
    click(cell(2, 1));
    key(Qt::Key_Up);
    EXPECT_EQ(view().rowOffset, before);
    EXPECT_EQ(view().currentScreenRow, 1);
}

TEST_F(DiagramWidgetTest, HorizontalScrollShiftsTheCurrentTact) {
    open(8, 300);
    click(cell(4, 1));
    widget->horizontalScrollBar()->setValue(11);
    EXPECT_EQ(view().tactOffset, 10);
    EXPECT_EQ(view().currentColumn, 4);
    EXPECT_EQ(view().currentTact(), 14);
    // Left at the left edge scrolls and keeps the tact.
    click(cell(1, 1));
    key(Qt::Key_Left);
    EXPECT_EQ(view().tactOffset, 9);
    EXPECT_EQ(view().currentColumn, 2);
    EXPECT_EQ(view().currentTact(), 11);
    // Right at the right edge scrolls.
    const int cols = (widget->canvasWidth() - 160) / 21;
    click(cell(cols, 1));
    key(Qt::Key_Right);
    EXPECT_EQ(view().tactOffset, 10);
    EXPECT_EQ(view().currentColumn, cols);
}

TEST_F(DiagramWidgetTest, RowsFromFiftyOnAreReachedOnlyByKeys) {
    open(40, 26, {900, 400});
    for (int p = 1; p <= 40; ++p) {
        doc.setPinType(p, "I/O");
        doc.setPinType(p + 50, "O/i");
    }
    for (int p = 1; p <= 40; ++p) {
        doc.setSignalEntry(0, 2 * p - 1, {p, model::RowKind::Pin});
        doc.setSignalEntry(0, 2 * p, {p, model::RowKind::Output});
    }
    widget->refresh();
    ASSERT_EQ(doc.ioPinCount(), 40);
    widget->verticalScrollBar()->setValue(46);  // rows 46.. at the top
    ASSERT_EQ(view().rowOffset, 45);
    click(cell(3, 4));  // position 49
    EXPECT_EQ(view().currentScreenRow, 4);
    click(cell(5, 5));  // position 50: ignored
    EXPECT_EQ(view().currentScreenRow, 4);
    EXPECT_EQ(view().currentColumn, 3);
    key(Qt::Key_Down);
    EXPECT_EQ(view().rowOffset + view().currentScreenRow, 50);
    EXPECT_EQ(view().currentRow, doc.signalRow(0, 50));
}

// ---- resets, status and colours -------------------------------------------

TEST_F(DiagramWidgetTest, ResetsAndStatus) {
    QSignalSpy status(widget.get(), &DiagramWidget::statusChanged);
    doc.setPackage({model::PackageType::SOIC, 14});
    doc.setTestName("Проба");
    widget->refresh();
    ASSERT_FALSE(status.isEmpty());
    EXPECT_EQ(status.last().at(0).toString(), QString("Тип корпуса = SOIC14"));
    EXPECT_EQ(status.last().at(1).toString(), QString("Стандартный Алгоритм"));
    EXPECT_EQ(status.last().at(2).toString(), QString("Проба"));
    click(cell(6, 4));
    widget->resetForOpenedTest();
    EXPECT_EQ(view().currentColumn, 1);
    EXPECT_EQ(view().currentScreenRow, 1);
    EXPECT_EQ(view().currentRow, 1);
    EXPECT_EQ(view().tactOffset, 0);
    EXPECT_EQ(view().rowOffset, 0);
}

// The word lanes are view state: they lengthen the canvas and the vertical range, yet the last
// signal row stays reachable as the current row; a double click on a lane makes its tact current
// and asks for the data table without touching a level.
TEST_F(DiagramWidgetTest, WordLanesScrollWithTheRowsAndOpenTheTable) {
    open(40, 200, {1000, 400});
    for (int i = 0; i < 51; ++i) {
        model::DataWord w;
        w.wordName = "W" + std::to_string(i);
        w.addMember(1 + i % 40);
        doc.dataWords().push_back(w);
    }
    doc.setSaved(true);
    const int rowsHeight = widget->canvasHeight();
    const int rowsMaximum = widget->verticalScrollBar()->maximum();
    widget->wordLanesAction()->setChecked(true);
    EXPECT_TRUE(view().wordLanes);
    EXPECT_EQ(widget->canvasHeight(), rowsHeight + 51 * view().rowHeight);
    EXPECT_GT(widget->verticalScrollBar()->maximum(), rowsMaximum);
    EXPECT_LE(widget->verticalScrollBar()->maximum(), 40);
    widget->verticalScrollBar()->setValue(widget->verticalScrollBar()->maximum());
    EXPECT_EQ(view().currentRow, doc.signalRow(0, view().rowOffset + view().currentScreenRow));
    EXPECT_GE(view().currentRow, 1);

    QSignalSpy table(widget.get(), &DiagramWidget::dataTableRequested);
    const int laneY = widget->firstLaneTop() + 2 * view().rowHeight + 5;
    ASSERT_LT(laneY, widget->areaHeight());
    const QPoint onLane(kPinColumnRight + 6 * view().cellWidth + 3, laneY);
    QTest::mouseDClick(canvas(), Qt::LeftButton, {}, onLane);
    EXPECT_EQ(table.count(), 1);
    EXPECT_EQ(table.at(0).at(0).toInt(), 2) << "the word of the lane";
    EXPECT_EQ(view().currentTact(), view().tactOffset + 7);
    EXPECT_TRUE(doc.saved());

    widget->wordLanesAction()->setChecked(false);
    EXPECT_EQ(widget->verticalScrollBar()->maximum(), rowsMaximum);
    QTest::mouseDClick(canvas(), Qt::LeftButton, {}, onLane);
    EXPECT_EQ(table.count(), 1);  // no lanes, no table
}

// "Перейти к такту...": the tact becomes current and visible, the status bar follows; a bad
// number is refused with a message and the dialog comes back with the text kept.
TEST_F(DiagramWidgetTest, GoToTactAndTheTactStatus) {
    open(8, 200);
    doc.testParameters().tactDuration = 4;
    QSignalSpy status(widget.get(), &DiagramWidget::tactStatusChanged);
    struct Case {
        int tact;
        bool moved;
        const char* text;
    };
    const Case cases[] = {{17, true, "Такт 17, 64 мкс"}, {200, true, "Такт 200, 796 мкс"}, {150, true, "Такт 150, 596 мкс"},
                          {3, true, "Такт 3, 8 мкс"},    {0, false, "Такт 3, 8 мкс"},     {201, false, "Такт 3, 8 мкс"}};
    for (const Case& c : cases) {
        EXPECT_EQ(widget->goToTact(c.tact), c.moved) << c.tact;
        EXPECT_EQ(widget->tactStatus(), QString::fromUtf8(c.text));
        EXPECT_GE(view().currentColumn, 1);
        EXPECT_LE(view().currentColumn, (widget->canvasWidth() - kPinColumnRight) / view().cellWidth);
        if (c.moved) {
            EXPECT_EQ(view().currentTact(), c.tact);
            ASSERT_GT(status.count(), 0);
            EXPECT_EQ(status.last().at(0).toString(), QString::fromUtf8(c.text));
        }
    }
    key(Qt::Key_Right);
    EXPECT_EQ(status.last().at(0).toString(), QStringLiteral("Такт 4, 12 мкс"));

    QString secondText;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        d->setTextValue(QStringLiteral("12а"));
        d->accept();
        QTimer::singleShot(0, [&] {
            auto* again = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(again, nullptr);
            secondText = again->textValue();
            again->setTextValue(QStringLiteral("120"));
            again->accept();
        });
    });
    widget->goToTactAction()->trigger();
    EXPECT_EQ(secondText, QStringLiteral("12а"));
    ASSERT_EQ(prompter.errors().size(), 1u);
    EXPECT_EQ(prompter.errors()[0], "\"12а\" не номер такта. Введите номер такта от 1 до 200");
    EXPECT_EQ(view().currentTact(), 120);
    EXPECT_EQ(widget->goToTactAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G));
}

TEST_F(DiagramWidgetTest, BitColumnWidensForLongTactNumbers) {
    EXPECT_EQ(widget->bitColumnWidth(), 30);
    EXPECT_EQ(widget->bitPanelWidth(), 34);
    open(8, 2000000 / 2);
    widget->horizontalScrollBar()->setValue(widget->horizontalScrollBar()->maximum());
    click(cell(3, 1));
    EXPECT_GT(view().currentTact(), 999000);
    EXPECT_GT(widget->bitColumnWidth(), 30);
    EXPECT_EQ(widget->bitPanelWidth(), widget->bitColumnWidth() + 4);
}

TEST(TFColorsTest, SwatchesOkAndCancel) {
    testing::ScriptedPrompter prompter;
    DiagramView view;
    {
        TFColors dialog(view, prompter);
        EXPECT_EQ(dialog.windowTitle(), QString("Цвета ячеек"));
        EXPECT_EQ(dialog.size(), QSize(267, 136));
        EXPECT_EQ(dialog.swatchColour(4), 0xFFFFFFu);
        prompter.pickColour(0x123456);
        dialog.swatch(4)->click();
        EXPECT_EQ(dialog.swatchColour(4), 0x123456u);
        prompter.pickColour(std::nullopt);  // cancelled chooser keeps the swatch
        dialog.swatch(0)->click();
        EXPECT_EQ(dialog.swatchColour(0), 0x800080u);
        ASSERT_EQ(prompter.dialogs.size(), 2u);
        EXPECT_EQ(prompter.dialogs[0].directory, std::to_string(0xFFFFFF));
        dialog.applyTo(view);
    }
    EXPECT_EQ(view.backgroundColour, 0x123456u);
    EXPECT_EQ(view.inputColour, 0x800080u);
}

TEST_F(DiagramWidgetTest, ColoursReachTheViewOnlyOnOk) {
    QSignalSpy created(widget.get(), &DiagramWidget::coloursDialogCreated);
    prompter.pickColour(0x00FF00);
    QTimer::singleShot(0, [] {
        auto* d = qobject_cast<TFColors*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        d->swatch(4)->click();
        d->cancelButton()->click();
    });
    widget->chooseColours();
    EXPECT_EQ(view().backgroundColour, 0xFFFFFFu);
    ASSERT_EQ(created.count(), 1);  // the placement store sees every new dialog
    prompter.pickColour(0x00FF00);
    QTimer::singleShot(0, [] {
        auto* d = qobject_cast<TFColors*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        d->swatch(4)->click();
        d->okButton()->click();
    });
    widget->chooseColours();
    EXPECT_EQ(view().backgroundColour, 0x00FF00u);
    // The empty part of the area follows at the next re-layout.
    EXPECT_EQ(widget->panelColour(), 0xFFFFFFu);
    widget->zoomStandard();
    EXPECT_EQ(widget->panelColour(), 0x00FF00u);
}

// A value typed into a word lane over a stretch selected by a click and Shift+click or by a
// drag: only the digits of the word's number system count, the value goes in modulo 2^n, a
// member whose row takes no levels by hand keeps its levels and is named.
TEST_F(DiagramWidgetTest, AValueTypedIntoAWordLaneFillsItsStretch) {
    struct Case {
        int radix;
        std::vector<Qt::Key> keys;
        int value;  // of members 1, 2, (4), 3 afterwards
        bool drag;
    };
    const std::vector<Case> cases = {{16, {Qt::Key_1, Qt::Key_F}, 15, false},
                                     {8, {Qt::Key_1, Qt::Key_9, Qt::Key_5}, 015, true},
                                     {10, {Qt::Key_6, Qt::Key_Backspace, Qt::Key_1, Qt::Key_2}, 12, false}};
    for (const Case& c : cases) {
        open(8, 26);
        doc.setPinType(4, model::PinType::NotConnected);
        model::DataWord w{"Q"};
        w.radix = c.radix;
        for (int pin : {1, 2, 4, 3}) w.addMember(pin);
        doc.dataWords() = {w};  // a cleared test keeps the words of the one before
        widget->wordLanesAction()->setChecked(true);
        QSignalSpy notes(widget.get(), &DiagramWidget::noteShown);
        const int y = widget->firstLaneTop() + 5;
        if (c.drag) {
            QTest::mousePress(canvas(), Qt::LeftButton, {}, QPoint(cell(3, 1).x(), y));
            QTest::mouseMove(canvas(), QPoint(cell(6, 1).x(), y));
            QTest::mouseRelease(canvas(), Qt::LeftButton, {}, QPoint(cell(6, 1).x(), y));
        } else {
            click(QPoint(cell(6, 1).x(), y));
            QTest::mouseClick(canvas(), Qt::LeftButton, Qt::ShiftModifier, QPoint(cell(3, 1).x(), y));
        }
        EXPECT_EQ(widget->laneSelection(), (DiagramWidget::LaneSelection{0, 3, 6}));
        for (Qt::Key k : c.keys) key(k);
        key(Qt::Key_Return);
        for (int t = 1; t <= 8; ++t) {
            const bool in = t >= 3 && t <= 6;
            EXPECT_EQ(std::vector<int>({level(1, t), level(2, t), level(3, t), level(4, t)}),
                      std::vector<int>({in ? c.value & 1 : 2, in ? c.value >> 1 & 1 : 2, in ? c.value >> 3 & 1 : 2, 2}))
                << c.radix << ", tact " << t;
        }
        EXPECT_EQ(notes.last().at(0).toString(), QStringLiteral("Не записан вывод 4: его уровни не задаются вручную"));
    }
}

// In the open type list a type's letter or Enter chooses and the list moves on to the next
// pin, Tab and Down move on without a choice, Shift+Tab and Up go back; output rows and supply
// pins are passed over, Escape ends.
TEST_F(DiagramWidgetTest, PinTypesByKeyboardInTheOpenList) {
    doc.setPinType(5, model::PinType::Supply);
    widget->refresh();
    QWindow* window = widget->windowHandle();
    QTest::mouseClick(window, Qt::LeftButton, {}, canvas()->mapTo(widget.get(), pinCell(60, 1)));
    prompter.answer(platform::Answer::Yes);  // NC for pin 6
    const std::vector<std::tuple<Qt::Key, Qt::KeyboardModifiers, int>> steps = {
        {Qt::Key_O, {}, 2},  {Qt::Key_B, {}, 3}, {Qt::Key_Tab, {}, 4}, {Qt::Key_Up, {}, 3}, {Qt::Key_Tab, Qt::ShiftModifier, 2},
        {Qt::Key_Down, {}, 3}, {Qt::Key_F, {}, 4}, {Qt::Key_Return, {}, 6}, {Qt::Key_N, {}, 7}, {Qt::Key_Escape, {}, 0}};
    for (const auto& [k, modifiers, pin] : steps) {
        QTest::keyClick(window, k, modifiers);
        QApplication::processEvents();
        EXPECT_EQ(widget->typeSelector()->view()->isVisible() ? view().currentRow : 0, pin) << k;
    }
    const char* types[] = {"O", "I/O", "O=F(c)", "I", "VCC", "NC", "I", "I"};
    for (int p = 1; p <= 8; ++p) EXPECT_EQ(doc.pin(p).pinType, types[p - 1]) << p;
}

}  // namespace
}  // namespace kvx::diagram
