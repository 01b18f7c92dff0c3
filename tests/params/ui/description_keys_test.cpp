// Ctrl+B, Ctrl+I and Ctrl+U in the comment of "Описание Теста" act before the next key.
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>

#include "../../platform/recording_shell.h"
#include "../../platform/scripted_prompter.h"
#include "params/ui/description_dialog.h"

TEST(DescriptionKeys, CtrlBIUApplyFromTheCaretAtOnce) {
    for (const Qt::Key key : {Qt::Key_B, Qt::Key_I, Qt::Key_U}) {
        kvx::model::TestDocument doc;
        kvx::testing::ScriptedPrompter prompter;
        kvx::testing::RecordingShell shell;
        kvx::params::ui::TfmTestInfo dialog(doc, prompter, shell, {});
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        dialog.commentField()->setFocus();
        for (const char* typed : {"a ", "on", " off"}) {  // as fast as keys come: no event between them
            if (typed[0] != 'a') QTest::keyClick(dialog.commentField(), key, Qt::ControlModifier);
            QTest::keyClicks(dialog.commentField(), typed);
        }
        std::string formatted;
        const kvx::params::RichText comment = dialog.comment();
        for (const auto& run : comment.paragraphs.at(0).runs)
            if ((key == Qt::Key_B ? run.format.bold : key == Qt::Key_I ? run.format.italic : run.format.underline))
                formatted += run.text;
        EXPECT_EQ(formatted, "on") << key;
        EXPECT_TRUE(dialog.commentField()->hasFocus()) << "the keyboard stays in the comment";
    }
}
