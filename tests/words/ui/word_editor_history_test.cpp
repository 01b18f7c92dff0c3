// The word editor in the main window's history: a cancelled editor leaves no step behind.
#include <QAbstractEventDispatcher>
#include <QAction>
#include <QEventLoop>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "../../app/ui/tbf_fixture.h"
#include "app/ui/document_history.h"
#include "app/ui/edit_commands.h"
#include "words/ui/editor_word.h"

namespace kvx::testing {
namespace {

class WordEditorHistory : public TbfFixture {
protected:
    void SetUp() override {
        TbfFixture::SetUp();
        showNewTest();
    }
    /// The program waits for input once, as it does between two events the user sends slowly.
    static void idle() {
        QEventLoop loop;
        QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &loop,
                         &QEventLoop::quit);
        QTimer::singleShot(2000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    void keyToMainWindow(Qt::Key key) {
        tbf().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&tbf()));
        QWidget* canvas = tbf().diagramArea()->canvas();
        if (!canvas->hasFocus()) canvas->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(canvas, key, Qt::ControlModifier);
        idle();
    }
    words::ui::TEditorWord& editor() { return *tbf().wordEditor(); }
    std::vector<int> members() { return doc().dataWords().at(0).members(); }
    const app::EditActions& E() { return tbf().editCommands().actions(); }
};

TEST_F(WordEditorHistory, ACancelledEditorLeavesNoStepAndApplyLeavesOne) {
    using Editor = words::ui::TEditorWord;
    struct Case {
        const char* what;
        std::function<void(Editor&)> close;
        bool kept;
    };
    const std::vector<Case> cases = {
        {"Отмена", [](Editor& e) { QTest::mouseClick(e.cancelButton(), Qt::LeftButton); }, false},
        {"Escape", [](Editor& e) { QTest::keyClick(&e, Qt::Key_Escape); }, false},
        {"the close box", [](Editor& e) { e.close(); }, false},
        {"Применить", [](Editor& e) { QTest::mouseClick(e.applyButton(), Qt::LeftButton); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        model::DataWord word;
        word.wordName = "W";
        for (int pin : {1, 2}) word.addMember(pin);
        doc().dataWords() = {word};
        editor().documentReplaced();
        tbf().history().restart();
        tbf().actions().dataWords->trigger();
        ASSERT_TRUE(editor().isVisible());
        editor().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&editor()));
        idle();  // the activation takes the backup
        // The member 2 taken out by a double click, then the editor closed.
        QListWidget* list = editor().wordPins();
        const auto found = list->findItems("2 - ", Qt::MatchStartsWith);
        ASSERT_EQ(found.size(), 1);
        const QPoint at = list->visualItemRect(found.front()).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        idle();
        ASSERT_EQ(members(), std::vector<int>{1});
        c.close(editor());
        idle();
        EXPECT_FALSE(editor().isVisible());
        EXPECT_EQ(members(), c.kept ? std::vector<int>{1} : (std::vector<int>{1, 2}));
        EXPECT_EQ(E().undo->isEnabled(), c.kept) << "a step only for what was kept";
        keyToMainWindow(Qt::Key_Z);
        EXPECT_EQ(members(), (std::vector<int>{1, 2})) << "Ctrl+Z never brings back what was cancelled";
        EXPECT_EQ(E().redo->isEnabled(), c.kept);
        keyToMainWindow(Qt::Key_Y);
        EXPECT_EQ(members(), c.kept ? std::vector<int>{1} : (std::vector<int>{1, 2}));
    }
}

}  // namespace
}  // namespace kvx::testing
