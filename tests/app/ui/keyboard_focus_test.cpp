// Where the keyboard goes in the real main window: level keys reach the diagram after its
// in-place editors close and after a test is created or opened, never the tact count field
// unless the user put the focus there; the field forgets hidden tacts only when the user
// leaves it for another control.
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>
#include <functional>

#include "diagram/diagram_view.h"
#include "tbf_fixture.h"

namespace kvx::testing {
namespace {

class KeyboardFocus : public TbfFixture {
public:
    void SetUp() override {
        TbfFixture::SetUp();
        tbf().resize(1000, 420);
        tbf().show();
        tbf().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&tbf()));
    }
    diagram::DiagramWidget& area() { return *tbf().diagramArea(); }
    model::TestDocument& document() { return doc(); }
    /// Opens a 40-pin test of 200 tacts, so that the diagram scrolls vertically.
    void open200TactTest() {
        model::TestDocument source;
        source.clearDocument();
        source.setPackage({model::PackageType::DIP, 40});
        source.setTactCount(200);
        const std::string file = path("long.kvx");
        ASSERT_TRUE(storage::saveTestFile(source, file).ok);
        ASSERT_EQ(tbf().openPassedFile(QString::fromStdString(file)), app::LoadOutcome::Loaded);
        QApplication::processEvents();
    }
    /// A left click into the pin column of screen row k at x.
    void clickPinColumn(int x, int k) {
        const int h = area().view().rowHeight;
        QTest::mouseClick(area().canvas(), Qt::LeftButton, {}, QPoint(x, (k - 1) * h + h / 2));
    }
    /// A key as the keyboard sends it: to the main window, where an open list takes it, else
    /// whatever holds the window's focus. (The offscreen platform makes a list's window active
    /// once it is shown, even after it has closed, which a window manager does not.)
    void pressKey(Qt::Key key) {
        QWindow* window = tbf().windowHandle();
        ASSERT_NE(window, nullptr);
        QTest::keyClick(window, key);
    }
    void typeIntoTactField(const QString& text) {
        QSpinBox* field = tbf().tactCountField();
        field->setFocus(Qt::TabFocusReason);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
    }
};

TEST_F(KeyboardFocus, ALevelKeyAfterAnInPlaceEditorClosesReachesTheDiagram) {
    struct Case {
        const char* what;
        std::function<void(KeyboardFocus&)> closeEditor;
    };
    const std::vector<Case> cases = {
        {"a pin type chosen in the selector",
         [](KeyboardFocus& f) {
             f.clickPinColumn(60, 2);
             QComboBox* selector = f.area().typeSelector();
             ASSERT_TRUE(selector->isVisible());
             f.pressKey(Qt::Key_O);  // "O", and the list opens on the next pin
             QApplication::processEvents();
             f.pressKey(Qt::Key_Escape);
             EXPECT_EQ(f.document().pin(2).pinType, "O");
             EXPECT_FALSE(selector->isVisible());
         }},
        {"the name editor hidden by the mouse wheel",
         [](KeyboardFocus& f) {
             f.clickPinColumn(120, 2);
             ASSERT_TRUE(f.area().nameEditor()->hasFocus());
             ASSERT_FALSE(f.area().verticalScrollBar()->isHidden());
             QWheelEvent wheel(QPointF(300, 20), f.area().canvas()->mapToGlobal(QPointF(300, 20)), {}, {0, -120},
                               Qt::NoButton, {}, Qt::NoScrollPhase, false);
             QApplication::sendEvent(f.area().canvas(), &wheel);
             EXPECT_FALSE(f.area().nameEditor()->isVisible());
         }},
        {"the name editor closed by the next click on a cell", [](KeyboardFocus& f) {
             f.clickPinColumn(120, 2);
             ASSERT_TRUE(f.area().nameEditor()->hasFocus());
             f.clickPinColumn(diagram::kPinColumnRight + 2, 2);
         }}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        document().setSaved(true);  // the previous case left a change
        open200TactTest();
        c.closeEditor(*this);
        QApplication::processEvents();
        const int row = area().view().currentRow;
        const int tact = area().view().currentTact();
        pressKey(Qt::Key_1);
        EXPECT_EQ(doc().tactCount(), 200);
        EXPECT_EQ(tbf().tactCountField()->value(), 200);
        EXPECT_EQ(doc().getCell(0, row, tact), model::kHigh) << "the key set the level of the current cell";
    }
}

TEST_F(KeyboardFocus, TheFirstKeyOfANewTestGoesToTheDiagram) {
    tbf().newFile();  // the package dialog comes and goes
    tbf().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&tbf()));
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), area().canvas(), 1000);
    pressKey(Qt::Key_1);
    EXPECT_EQ(doc().tactCount(), 26);
    EXPECT_EQ(doc().getCell(0, 1, 1), model::kHigh);
}

TEST_F(KeyboardFocus, TheFieldForgetsHiddenTactsOnlyWhenTheUserLeavesItForAnotherControl) {
    tbf().newFile();
    doc().setTactCount(16);
    for (int t = 1; t <= 16; ++t) doc().setCell(0, 1, t, model::kHigh);

    typeIntoTactField("8");
    ASSERT_EQ(doc().tactCount(), 8);
    // A menu opens and closes, another window becomes active and the main window again.
    QMenu* file = tbf().menuBar()->findChildren<QMenu*>().value(0);
    ASSERT_NE(file, nullptr);
    file->popup(tbf().mapToGlobal(QPoint(10, 10)));
    QApplication::processEvents();
    file->hide();
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    tbf().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&tbf()));
    typeIntoTactField("16");
    EXPECT_EQ(doc().getCell(0, 1, 12), model::kHigh) << "the field was never left";

    typeIntoTactField("8");
    QTest::mouseClick(area().canvas(), Qt::LeftButton, {}, QPoint(diagram::kPinColumnRight + 2, 5));
    EXPECT_EQ(doc().tactHighWater(), 8);
    typeIntoTactField("16");
    EXPECT_EQ(doc().getCell(0, 1, 12), model::kInactive) << "left at 8, the tacts after it start inactive";

    typeIntoTactField("0");
    EXPECT_EQ(doc().tactCount(), 16);
    QTest::mouseClick(area().canvas(), Qt::LeftButton, {}, QPoint(diagram::kPinColumnRight + 2, 5));
    EXPECT_EQ(doc().tactCount(), 1) << "a typed 0 becomes 1 when the field is left";
    EXPECT_EQ(tbf().tactCountField()->value(), 1);
    EXPECT_EQ(doc().tactHighWater(), 1);
}

}  // namespace
}  // namespace kvx::testing
