// A cancelled word editor leaves no step in the main window's history.
#include <QAbstractEventDispatcher>
#include <QAction>
#include <QEventLoop>
#include <QListWidget>
#include <QPushButton>

#include "../../app/ui/tbf_fixture.h"
#include "app/ui/document_history.h"
#include "app/ui/edit_commands.h"
#include "words/ui/editor_word.h"

using kvx::testing::TbfFixture;

TEST_F(TbfFixture, ACancelledWordEditorLeavesNoStepAndApplyLeavesOne) {
    const auto idle = [] {  // the program waits for input once
        QEventLoop loop;
        QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &loop,
                         &QEventLoop::quit);
        loop.exec();
    };
    const auto ctrlKey = [&](Qt::Key key) {
        tbf().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&tbf()));
        tbf().diagramArea()->canvas()->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(tbf().diagramArea()->canvas(), key, Qt::ControlModifier);
    };
    showNewTest();
    kvx::words::ui::TEditorWord& e = *tbf().wordEditor();
    const auto members = [this] { return doc().dataWords().at(0).members(); };
    for (const char* close : {"Отмена", "Escape", "close box", "Применить"}) {
        SCOPED_TRACE(close);
        const bool kept = std::string(close) == "Применить";
        doc().dataWords().assign(1, {});
        for (int pin : {1, 2}) doc().dataWords()[0].addMember(pin);
        e.documentReplaced();
        tbf().history().restart();
        tbf().actions().dataWords->trigger();
        e.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&e));
        idle();  // the activation takes the backup
        const QPoint at = e.wordPins()->visualItemRect(e.wordPins()->item(1)).center();  // member 2 out
        QTest::mouseClick(e.wordPins()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(e.wordPins()->viewport(), Qt::LeftButton, {}, at);
        idle();
        if (close[0] == 'E') QTest::keyClick(&e, Qt::Key_Escape);
        else if (close[0] == 'c') e.close();
        else QTest::mouseClick(kept ? e.applyButton() : e.cancelButton(), Qt::LeftButton);
        idle();
        EXPECT_EQ(members(), (kept ? std::vector<int>{1} : std::vector<int>{1, 2}));
        EXPECT_EQ(tbf().editCommands().actions().undo->isEnabled(), kept) << "a step only for what was kept";
        ctrlKey(Qt::Key_Z);
        EXPECT_EQ(members(), (std::vector<int>{1, 2})) << "Ctrl+Z never brings back what was cancelled";
        EXPECT_EQ(tbf().editCommands().actions().redo->isEnabled(), kept);
    }
}
