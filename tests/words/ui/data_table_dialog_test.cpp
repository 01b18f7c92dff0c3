// The data table, driven headless: lines, the current line, typing and commits, the filter
// list, keys, and a table of 5.1 million lines.
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "../../platform/scripted_prompter.h"
#include "words/ui/data_table_dialog.h"
#include "words/ui/data_table_grid.h"

namespace kvx::words::ui {
namespace {

/// The value editor open in a grid (closed editors linger until they are deleted).
QLineEdit* openEditor(TableGrid* grid) {
    for (QLineEdit* e : grid->viewport()->findChildren<QLineEdit*>())
        if (e->isVisible()) return e;
    return nullptr;
}

/// DIP40, `tacts` tacts, all rows 0; word i has members 8i+1..8i+8 (wrapping at 40), hexadecimal.
model::TestDocument makeDoc(int tacts, int words) {
    model::TestDocument doc;
    doc.setPackage({model::PackageType::DIP, 40});
    doc.setTactCount(tacts);
    for (int r = 1; r <= 40; ++r) std::fill_n(doc.mutableRowData(0, r) + 1, tacts, model::kLow);
    for (int i = 0; i < words; ++i) {
        model::DataWord w;
        w.wordName = "W" + std::to_string(i);
        for (int k = 0; k < 8; ++k) w.addMember(1 + (8 * i + k) % 40);
        doc.dataWords().push_back(w);
    }
    return doc;
}

class DataTableWindow : public ::testing::Test {
protected:
    void open(int tacts, int words, int currentTact) {
        doc = makeDoc(tacts, words);
        table = std::make_unique<TFTable>(doc, currentTact);
        table->show();
        QApplication::processEvents();
    }
    /// One word of `members` members (pins 1..members, all at 0) in the given radix.
    void openWord(int radix, int members) {
        doc = makeDoc(10, 1);
        model::DataWord& w = doc.dataWords()[0];
        w.radix = radix;
        w.memberRows.fill(0);
        for (int r = 1; r <= members; ++r) w.addMember(r);
        table = std::make_unique<TFTable>(doc, 1);
        table->show();
        QApplication::processEvents();
    }
    TableGrid& grid() { return *table->grid(); }
    QString cell(std::int64_t line, int column) {
        grid().setCurrentLine(line, column);
        return grid().currentIndex().data().toString();
    }
    /// Types into the value cell of `line` and leaves it with `key`.
    void type(std::int64_t line, const QString& text, Qt::Key key) {
        grid().setCurrentLine(line, 2);
        QTest::keyClicks(grid().viewport(), text.left(1));  // the first key opens the editor
        QLineEdit* editor = openEditor(&grid());
        ASSERT_NE(editor, nullptr);
        QTest::keyClicks(editor, text.mid(1));
        QTest::keyClick(editor, key);
        QApplication::processEvents();  // Return commits through the event loop
    }
    std::string bits(int word, int tact) {
        std::string s;
        for (int r : doc.dataWords()[static_cast<size_t>(word)].members())
            s += static_cast<char>('0' + doc.getCell(0, r, tact));
        return s;
    }

    model::TestDocument doc;
    std::unique_ptr<TFTable> table;
};

TEST_F(DataTableWindow, OpensAtTheCurrentTact) {
    open(10, 2, 7);
    EXPECT_EQ(table->windowTitle(), "Таблица данных");
    EXPECT_EQ(grid().currentLine(), 14);
    EXPECT_EQ(grid().currentIndex().data().toString(), "00");
    QHeaderView* header = grid().horizontalHeader();
    EXPECT_EQ(table->model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "№");
    EXPECT_EQ(table->model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Слово Данных");
    EXPECT_EQ(table->model()->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "Данные");
    EXPECT_EQ(header->sectionSize(0), 30);
    EXPECT_EQ(cell(3, 0), "2");
    EXPECT_EQ(cell(4, 1), "W1");
    EXPECT_EQ(cell(5, 0), "3");
    for (int tact : {0, 11}) {
        open(10, 2, tact);
        EXPECT_EQ(grid().currentLine(), 1) << "no line for tact " << tact;
    }
}

TEST_F(DataTableWindow, TypedValuesLandInTheDiagram) {
    open(10, 2, 1);
    QSignalSpy written(table.get(), &TFTable::valueWritten);
    type(lineOf(5, 0, 2, true), "1F", Qt::Key_Down);
    EXPECT_EQ(bits(0, 5), "11111000") << "first member first";
    ASSERT_EQ(written.count(), 1);
    EXPECT_EQ(written[0][0].toInt(), 5);
    EXPECT_EQ(grid().currentLine(), lineOf(5, 1, 2, true)) << "Down moved on";
    EXPECT_TRUE(grid().editorOpen()) << "editing mode goes on";
    ASSERT_NE(openEditor(&grid()), nullptr);
    QTest::keyClick(openEditor(&grid()), Qt::Key_Left);  // nothing typed: nothing written
    EXPECT_EQ(written.count(), 1);
    EXPECT_FALSE(grid().editorOpen());
    EXPECT_FALSE(grid().editingMode());

    type(lineOf(6, 1, 2, true), "xyz", Qt::Key_Up);  // no digit: nothing reaches the cell
    EXPECT_EQ(bits(1, 6), "00000000");
    EXPECT_EQ(cell(lineOf(6, 1, 2, true), 2), "00");
    EXPECT_EQ(written.count(), 1);
    grid().setCurrentLine(lineOf(6, 1, 2, true), 2);
    QTest::keyClick(grid().viewport(), Qt::Key_F2);
    ASSERT_NE(openEditor(&grid()), nullptr);
    openEditor(&grid())->selectAll();
    QTest::keyClick(openEditor(&grid()), Qt::Key_Backspace);  // an emptied cell writes nothing
    QTest::keyClick(openEditor(&grid()), Qt::Key_Up);
    EXPECT_EQ(bits(1, 6), "00000000");
    EXPECT_EQ(cell(lineOf(6, 1, 2, true), 2), "Неопеделено");
    EXPECT_EQ(written.count(), 1);

    type(lineOf(2, 1, 2, true), "0FF", Qt::Key_Right);  // 255 > 128: canonical at once
    EXPECT_EQ(cell(lineOf(2, 1, 2, true), 2), "FF");
    EXPECT_EQ(bits(1, 2), "11111111");
    EXPECT_EQ(cell(lineOf(2, 0, 2, true), 2), "00") << "other words keep their values";
}

TEST_F(DataTableWindow, OnlyTheWordsDigitsReachTheValue) {
    // Keys typed into the value cell of tact 5; '^' stands for Home, '|' for Ctrl+V of "7x7".
    struct Case {
        int radix;
        int members;
        const char* keys;
        const char* shown;  // the editor's text before the commit
        const char* bits;   // member rows at tact 5 after Return, first member first
    };
    const Case cases[] = {
        {8, 6, "179", "17", "111100"},       // 15, not 1*64+7*8+9
        {2, 2, "12x9", "1", "10"},
        {2, 5, "1021x1", "1011", "11010"},
        {2, 1, "3x1", "1", "1"},
        {10, 4, "1a5", "15", "1111"},
        {10, 8, "2x5 5", "255", "11111111"},
        {10, 8, "15^x2", "215", "11101011"},  // the cursor keeps its place among the digits
        {10, 8, "1|", "177", "10001101"},     // pasted text keeps its digits
        {10, 8, "15^|3", "77315", "11000000"}, // ... and the cursor stays after them: 77315 mod 256 = 3
        {16, 8, "1gF", "1F", "11111000"},
        {16, 4, " f", "F", "1111"},
        {8, 3, "89", "0", "000"},             // no digit: the cell keeps its value, nothing is written
    };
    QApplication::clipboard()->setText("7x7");
    for (const Case& c : cases) {
        openWord(c.radix, c.members);
        grid().setCurrentLine(5, 2);
        const QString keys = QString::fromUtf8(c.keys);
        QTest::keyClicks(grid().viewport(), keys.left(1));  // the first key opens the editor
        QLineEdit* editor = openEditor(&grid());
        ASSERT_NE(editor, nullptr) << c.keys;
        for (const QChar k : keys.mid(1)) {
            if (k == '^') QTest::keyClick(editor, Qt::Key_Home);
            else if (k == '|') QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
            else QTest::keyClicks(editor, QString(k));
        }
        EXPECT_EQ(editor->text().toStdString(), c.shown) << c.radix << " " << c.keys;
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents();
        EXPECT_EQ(bits(0, 5), c.bits) << c.radix << " " << c.keys;
        EXPECT_EQ(cell(5, 2).toStdString(), c.shown) << c.radix << " " << c.keys;
    }
}

TEST_F(DataTableWindow, FilterListOverTheHeader) {
    open(3, 2, 2);
    QHeaderView* header = grid().horizontalHeader();
    QListWidget* list = table->filterList();
    EXPECT_FALSE(list->isVisible());
    QTest::mousePress(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    ASSERT_TRUE(list->isVisible());
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "все");
    EXPECT_EQ(list->item(2)->text(), "W1");
    EXPECT_EQ(list->height(), QFontMetrics(list->font()).boundingRect("WWW").height() * 3 + 6);
    EXPECT_EQ(list->width(), header->sectionSize(1));

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(table->table().lineCount(), 3) << "one line per tact";
    EXPECT_EQ(cell(2, 1), "W1");
    table->chooseFilter(0);
    EXPECT_EQ(table->table().lineCount(), 6);

    table->showFilterList();
    QTest::mouseClick(grid().viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(list->isVisible()) << "a press elsewhere hides it";
}

TEST_F(DataTableWindow, EscapeClosesAndAnEmptyTableIsNotShown) {
    kvx::testing::ScriptedPrompter prompter;
    model::TestDocument empty = makeDoc(10, 0);
    EXPECT_FALSE(TFTable::run(empty, prompter, 1, nullptr, {}));
    EXPECT_EQ(prompter.errors(), std::vector<std::string>{"Таблица данных пуста"});

    model::TestDocument two = makeDoc(4, 2);
    int commits = 0;
    QTimer::singleShot(0, [] {
        auto* t = qobject_cast<TFTable*>(QApplication::activeModalWidget());
        ASSERT_NE(t, nullptr);
        t->grid()->setCurrentLine(3, 2);
        QTest::keyClicks(t->grid()->viewport(), "7");
        ASSERT_NE(openEditor(t->grid()), nullptr);
        QTest::keyClick(openEditor(t->grid()), Qt::Key_Return);
        QApplication::processEvents();  // the closed editor goes
        QTest::keyClicks(t->grid()->viewport(), "5");  // typed, not committed: Escape drops it
        ASSERT_NE(openEditor(t->grid()), nullptr);
        QTest::keyClick(openEditor(t->grid()), Qt::Key_Escape);
    });
    EXPECT_TRUE(TFTable::run(two, prompter, 1, nullptr, [&commits] { ++commits; }));
    EXPECT_EQ(commits, 1);
    EXPECT_EQ(two.getCell(0, 1, 2), 1);
    EXPECT_EQ(two.getCell(0, 3, 2), 1);
    EXPECT_EQ(two.getCell(0, 4, 2), 0);
}

TEST_F(DataTableWindow, MillionsOfLinesAreAWindowOfRows) {
    open(100000, 51, 100000);
    const std::int64_t lines = 100000LL * 51;
    EXPECT_EQ(table->table().lineCount(), lines);
    EXPECT_EQ(grid().currentLine(), lines);
    EXPECT_LT(table->model()->rowCount(), 200) << "only the visible lines are rows";
    EXPECT_EQ(grid().currentIndex().data().toString(), "00");
    EXPECT_EQ(table->model()->index(grid().currentIndex().row(), 1).data().toString(), "W50");
    EXPECT_EQ(table->scrollBar()->maximum(), lines - grid().pageLines());

    QTest::keyClick(grid().viewport(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid().currentLine(), 1);
    EXPECT_EQ(table->scrollBar()->value(), 0);
    QTest::keyClick(grid().viewport(), Qt::Key_PageDown);
    EXPECT_EQ(grid().currentLine(), 1 + grid().pageLines());
    table->scrollBar()->setValue(2'550'000);
    EXPECT_EQ(table->model()->firstLine(), 2'550'001);
    EXPECT_EQ(table->model()->index(0, 0).data().toString(), "50001");
    EXPECT_EQ(table->model()->index(0, 1).data().toString(), "W0");
    QTest::keyClick(grid().viewport(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(grid().viewport(), Qt::Key_PageDown);
    EXPECT_EQ(grid().currentLine(), lines) << "stops at the last line";
    QTest::keyClick(grid().viewport(), Qt::Key_Up);
    EXPECT_EQ(grid().currentLine(), lines - 1);

    type(lines - 1, "A5", Qt::Key_Return);
    EXPECT_EQ(bits(49, 100000), "10100101");
    EXPECT_EQ(cell(lines - 1, 1), "W49");
}

}  // namespace
}  // namespace kvx::words::ui
