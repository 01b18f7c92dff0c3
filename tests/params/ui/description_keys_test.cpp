// The format keys of the comment in "Описание Теста" act before the next key is typed.
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

#include "../../platform/recording_shell.h"
#include "../../platform/scripted_prompter.h"
#include "params/ui/description_dialog.h"

using namespace kvx;

TEST(DescriptionKeys, CtrlBIUApplyFromTheCaretAtOnce) {
    struct Case {
        Qt::Key key;
        std::function<bool(const params::CharFormat&)> has;
    };
    const std::vector<Case> cases = {
        {Qt::Key_B, [](const params::CharFormat& f) { return f.bold; }},
        {Qt::Key_I, [](const params::CharFormat& f) { return f.italic; }},
        {Qt::Key_U, [](const params::CharFormat& f) { return f.underline; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QKeySequence(c.key).toString().toStdString());
        model::TestDocument doc;
        kvx::testing::ScriptedPrompter prompter;
        kvx::testing::RecordingShell shell;
        params::ui::TfmTestInfo dialog(doc, prompter, shell, {});
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        QTextEdit* field = dialog.commentField();
        field->setFocus();
        // Typed as fast as keys come: no event is handled between them.
        QTest::keyClicks(field, "a ");
        QTest::keyClick(field, c.key, Qt::ControlModifier);
        QTest::keyClicks(field, "on");
        QTest::keyClick(field, c.key, Qt::ControlModifier);
        QTest::keyClicks(field, " off");
        const params::RichText text = dialog.comment();
        ASSERT_EQ(text.paragraphs.size(), 1u);
        std::string formatted, plain;
        for (const params::TextRun& run : text.paragraphs[0].runs) (c.has(run.format) ? formatted : plain) += run.text;
        EXPECT_EQ(formatted, "on");
        EXPECT_EQ(plain, "a  off");
        EXPECT_TRUE(field->hasFocus()) << "the keyboard stays in the comment";
    }
}
