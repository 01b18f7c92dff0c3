// The data word editor and its name prompt, driven headless as the user drives them.
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "../../platform/scripted_prompter.h"
#include "words/ui/editor_word.h"
#include "words/ui/rename_dialog.h"

namespace kvx::words::ui {
namespace {

QStringList lines(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

class WordEditorWindow : public ::testing::Test {
protected:
    void SetUp() override {
        doc.setPackage({model::PackageType::DIP, 8});
        const char* types[] = {"", "I", "O", "I/O", "I", "I", "O=F(c)", "I", "GND"};
        for (int p = 1; p <= 8; ++p) doc.setPinType(p, types[p]);
        doc.setPinName(5, "A0");
        dlg.show();
    }
    /// The next name prompt gets `text` and `ok` ("OK" or "Отмена"); what it showed is recorded.
    void answerPrompt(const QString& text, bool ok) {
        QTimer::singleShot(0, [this, text, ok] {
            ASSERT_TRUE(prompt.isVisible());
            shownPrompt = prompt.windowTitle();
            shownLabel = prompt.label()->text();
            shownText = prompt.field()->text();
            shownWidth = prompt.width();
            prompt.field()->clear();
            prompt.field()->insert(text);  // as typed (keyClicks knows only ASCII)
            QTest::mouseClick(ok ? prompt.okButton() : prompt.cancelButton(), Qt::LeftButton);
        });
    }
    void addWord(const QString& name) {
        answerPrompt(name, true);
        QTest::mouseClick(dlg.addButton(), Qt::LeftButton);
    }
    /// Double click on the line of `pin` in a pin list.
    void doubleClickPin(QListWidget* list, int pin) {
        const auto found = list->findItems(QString::number(pin) + " - ", Qt::MatchStartsWith);
        ASSERT_FALSE(found.isEmpty()) << pin;
        const QRect r = list->visualItemRect(found.front());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());  // the view double-clicks only a pressed line
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
    }

    model::TestDocument doc;
    kvx::testing::ScriptedPrompter prompter;
    TRename prompt;
    TEditorWord dlg{doc, prompter, prompt};
    QString shownPrompt, shownLabel, shownText;
    int shownWidth = 0;
};

TEST_F(WordEditorWindow, ControlsAndTexts) {
    EXPECT_EQ(dlg.windowTitle(), "Слова Данных");
    EXPECT_FALSE(dlg.isModal());
    QStringList labels;
    for (const QLabel* l : dlg.findChildren<QLabel*>()) labels << l->text();
    for (const char* text : {"Имя Cлова Данных", "Тип контакта", "Система счисления", "Все контакты", "Контакты слова"})
        EXPECT_TRUE(labels.contains(text)) << text;
    EXPECT_FALSE(labels.contains("Имя Слова Данных")) << "the C of the label is Latin";
    EXPECT_EQ(dlg.radixList()->currentText(), "Десятичная") << "before any word is selected";
    EXPECT_EQ(dlg.directionList()->count(), 3);
    EXPECT_EQ(dlg.directionList()->itemText(2), "I/O-Двунаправленные");
    EXPECT_EQ(dlg.radixList()->itemText(3), "Шестнадцатиричная");
    EXPECT_TRUE(dlg.applyButton()->isDefault());
    EXPECT_EQ(dlg.applyButton()->text(), "&Применить");
    EXPECT_EQ(dlg.cancelButton()->text(), "&Отмена");
    EXPECT_EQ(dlg.addButton()->text(), "&Добавить...");
    EXPECT_EQ(dlg.deleteButton()->text(), "&Удалить");
    EXPECT_TRUE(dlg.wordList()->font().bold());
    EXPECT_TRUE(dlg.allPins()->font().bold());
    EXPECT_TRUE(prompt.okButton()->isDefault());
    EXPECT_EQ(prompt.cancelButton()->text(), "Отмена");
}

TEST_F(WordEditorWindow, AddingThroughTheNamePrompt) {
    dlg.directionList()->setCurrentIndex(2);
    addWord("ШИНА");
    EXPECT_EQ(shownPrompt, "Введите имя Слова Данных");
    EXPECT_EQ(shownLabel, shownPrompt);
    EXPECT_EQ(shownText, "");
    QFont caption = prompt.font();
    caption.setBold(true);
    EXPECT_GT(shownWidth, QFontMetrics(caption).horizontalAdvance(shownPrompt) + 100)
        << "the whole caption fits beside a window manager's buttons";
    ASSERT_EQ(doc.dataWords().size(), 1u);
    EXPECT_EQ(doc.dataWords()[0].wordName, "ШИНА");
    EXPECT_EQ(doc.dataWords()[0].direction, 2);
    EXPECT_EQ(dlg.wordList()->currentText(), "ШИНА");
    EXPECT_EQ(dlg.radixList()->currentText(), "Шестнадцатиричная");
    EXPECT_EQ(dlg.directionList()->currentIndex(), -1) << "its first member gives it its direction";
    EXPECT_EQ(lines(dlg.allPins()), (QStringList{"1 - ", "2 - ", "3 - ", "4 - ", "5 - A0", "7 - "}));
    doubleClickPin(dlg.allPins(), 3);
    EXPECT_EQ(dlg.directionList()->currentText(), "I/O-Двунаправленные");
    EXPECT_EQ(lines(dlg.allPins()), QStringList{}) << "only pins of its direction are offered";

    for (bool ok : {false, true}) {  // "Отмена", and "OK" with an empty field
        answerPrompt("", ok);
        QTest::mouseClick(dlg.addButton(), Qt::LeftButton);
        EXPECT_EQ(doc.dataWords().size(), 1u);
        EXPECT_EQ(dlg.wordList()->count(), 1);
        EXPECT_EQ(dlg.wordList()->currentIndex(), -1) << "no word is selected";
        EXPECT_TRUE(dlg.allPins()->count() == 0 && dlg.wordPins()->count() == 0);
    }
    answerPrompt("A=1", true);
    QTest::mouseClick(dlg.addButton(), Qt::LeftButton);
    EXPECT_EQ(doc.dataWords().size(), 1u);
    EXPECT_EQ(prompter.errors(), std::vector<std::string>{kBadWordName});

    dlg.ComboBox1Change(0);
    answerPrompt("BUS", true);
    QTest::mouseClick(dlg.renameButton(), Qt::LeftButton);
    EXPECT_EQ(shownPrompt, "Введите новое имя Слова Данных");
    EXPECT_EQ(shownText, "ШИНА") << "preset to the selected word's name";
    EXPECT_EQ(doc.dataWords()[0].wordName, "BUS");
    EXPECT_EQ(dlg.wordList()->itemText(0), "BUS");
}

TEST_F(WordEditorWindow, MovingPinsKeepsTheirOrder) {
    addWord("W");  // direction I from its first member: pins 1, 4, 5, 7
    doubleClickPin(dlg.allPins(), 7);
    dlg.allPins()->setCurrentRow(0);  // pin 1
    QTest::mouseClick(dlg.addPinButton(), Qt::LeftButton);
    doubleClickPin(dlg.allPins(), 5);
    EXPECT_EQ(lines(dlg.wordPins()), (QStringList{"7 - ", "1 - ", "5 - A0"}));
    EXPECT_EQ(doc.dataWords()[0].members(), (std::vector<int>{7, 1, 5}));
    EXPECT_EQ(lines(dlg.allPins()), QStringList{"4 - "});

    doubleClickPin(dlg.wordPins(), 1);
    EXPECT_EQ(doc.dataWords()[0].members(), (std::vector<int>{7, 5}));
    EXPECT_EQ(lines(dlg.allPins()), (QStringList{"1 - ", "4 - "}));
    dlg.allPins()->setCurrentRow(-1);
    QTest::mouseClick(dlg.addPinButton(), Qt::LeftButton);  // no focused line: nothing
    EXPECT_EQ(doc.dataWords()[0].memberCount(), 2);
    QTest::mouseClick(dlg.addAllButton(), Qt::LeftButton);
    EXPECT_EQ(doc.dataWords()[0].members(), (std::vector<int>{7, 5, 1, 4}));
    EXPECT_EQ(dlg.allPins()->count(), 0);
    QTest::mouseClick(dlg.removeAllButton(), Qt::LeftButton);
    EXPECT_EQ(doc.dataWords()[0].memberCount(), 0);
    EXPECT_EQ(dlg.allPins()->count(), 4);

    // Switching to I/O offers only the I/O pin; the old members stay.
    QTest::mouseClick(dlg.addAllButton(), Qt::LeftButton);
    dlg.ComboBoxDirectionChange(2);
    EXPECT_EQ(lines(dlg.allPins()), QStringList{"3 - "});
    EXPECT_EQ(doc.dataWords()[0].memberCount(), 4);
}

TEST_F(WordEditorWindow, CancelAndCloseRestoreTheBackup) {
    addWord("W");
    enum class Close { Cancel, Escape, CloseBox, Apply };
    for (Close how : {Close::Cancel, Close::Escape, Close::CloseBox, Close::Apply}) {
        dlg.show();
        dlg.FormActivate();  // activation takes the backup
        const int radix = doc.dataWords()[0].radix;
        dlg.ComboBoxRadixChange(0);
        doubleClickPin(dlg.allPins(), 4);
        switch (how) {
        case Close::Cancel: QTest::mouseClick(dlg.cancelButton(), Qt::LeftButton); break;
        case Close::Escape: QTest::keyClick(&dlg, Qt::Key_Escape); break;
        case Close::CloseBox: dlg.close(); break;
        case Close::Apply: QTest::mouseClick(dlg.applyButton(), Qt::LeftButton); break;
        }
        EXPECT_FALSE(dlg.isVisible());
        const bool kept = how == Close::Apply;
        EXPECT_EQ(doc.dataWords()[0].radix, kept ? 2 : radix) << static_cast<int>(how);
        EXPECT_EQ(doc.dataWords()[0].memberCount(), kept ? 1 : 0) << static_cast<int>(how);
    }
    // Members changed, then the editor activated again: the change is the new backup.
    dlg.show();
    doubleClickPin(dlg.allPins(), 5);
    dlg.FormActivate();
    QTest::mouseClick(dlg.cancelButton(), Qt::LeftButton);
    EXPECT_EQ(doc.dataWords()[0].members(), (std::vector<int>{4, 5}));
}

TEST_F(WordEditorWindow, ClicksAroundAnActivationReachTheLineClicked) {
    // The user comes back from another window: the first click lands while the editor is not
    // active yet, the activation follows, then the second click of a double click or a button.
    addWord("W");  // direction I: pins 1, 4, 5, 7
    doubleClickPin(dlg.allPins(), 4);
    QWidget other;
    other.show();
    struct Case {
        const char* what;
        bool inWord;  ///< the line is in "Контакты слова"
        int pin;
        bool doubleClick;  ///< else the button between the lists
        std::vector<int> members;
    };
    const std::vector<Case> cases = {
        {"double click in the offered pins", false, 5, true, {4, 5}},
        {"double click in the members", true, 4, true, {5}},
        {"a line clicked, then \">\"", false, 7, false, {5, 7}},
        {"a line clicked, then \"<\"", true, 5, false, {7}},
    };
    for (const Case& c : cases) {
        other.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&other)) << c.what;
        QListWidget* list = c.inWord ? dlg.wordPins() : dlg.allPins();
        const auto found = list->findItems(QString::number(c.pin) + " - ", Qt::MatchStartsWith);
        ASSERT_FALSE(found.isEmpty()) << c.what;
        const QPoint at = list->visualItemRect(found.front()).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        dlg.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg)) << c.what;
        if (c.doubleClick) QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        else QTest::mouseClick(c.inWord ? dlg.removePinButton() : dlg.addPinButton(), Qt::LeftButton);
        EXPECT_EQ(doc.dataWords()[0].members(), c.members) << c.what;
    }
}

TEST_F(WordEditorWindow, EveryCloseChecksTheWords) {
    doc.dataWords().resize(3);
    doc.dataWords()[0].wordName = "NC";  // no member of type I, O or I/O: the check goes on
    doc.dataWords()[0].addMember(6);
    doc.dataWords()[1].wordName = "DB";
    doc.dataWords()[1].direction = 1;
    for (int r : {2, 1}) doc.dataWords()[1].addMember(r);
    doc.dataWords()[2].wordName = "OK";
    doc.dataWords()[2].addMember(1);
    dlg.documentReplaced();
    QTest::mouseClick(dlg.applyButton(), Qt::LeftButton);
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(prompter.questions[0].text, "Слово данных DB O Содержит разные по типу контакты (I,О)");
    EXPECT_EQ(prompter.questions[0].icon, platform::Icon::Error);
    dlg.show();
    dlg.close();
    EXPECT_EQ(prompter.questions.size(), 2u) << "the close box checks as well";
}

TEST_F(WordEditorWindow, DeletingAndTheLimitOf51Words) {
    for (const char* n : {"A", "B", "C"}) addWord(n);
    dlg.ComboBox1Change(0);
    QTest::mouseClick(dlg.deleteButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.wordList()->count(), 2);
    EXPECT_EQ(dlg.wordList()->itemText(0), "B");
    EXPECT_EQ(dlg.wordList()->currentIndex(), -1);
    EXPECT_EQ(dlg.allPins()->count(), 0);
    dlg.ComboBox1Change(1);
    QTest::mouseClick(dlg.deleteButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.wordList()->currentText(), "B");

    while (doc.dataWords().size() < 51) doc.dataWords().push_back(doc.dataWords()[0]);
    dlg.documentReplaced();
    QTest::mouseClick(dlg.addButton(), Qt::LeftButton);  // no prompt is shown
    EXPECT_EQ(prompter.errors(), std::vector<std::string>{kTooManyWords});
    EXPECT_EQ(doc.dataWords().size(), 51u);
}

}  // namespace
}  // namespace kvx::words::ui
