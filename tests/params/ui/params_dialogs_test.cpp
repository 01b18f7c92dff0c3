// The package, test parameters and description dialogs, run from the main window as the
// user runs them: start-up and "Новый файл" ending in the package dialog, the loss question,
// the threshold fields, the comment with its formats and the description document.

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>

#include "../../app/ui/tbf_fixture.h"
#include "../../platform/ordinary_user.h"
#include "params/comment_file.h"
#include "params/package.h"
#include "params/ui/description_dialog.h"
#include "params/ui/package_dialog.h"
#include "params/ui/parameters_dialog.h"

using namespace kvx;
using params::ui::TFVCCGRD;
using params::ui::TfmParam;
using params::ui::TfmTestInfo;

namespace {

/// Answers the modal dialogs of the main window in turn: each script fills its dialog and
/// presses its buttons. A dialog still open after its script is cancelled and counted.
class DialogScript {
public:
    template <typename D>
    void then(std::function<void(D&)> script) {
        scripts_.push_back([script](QDialog& d) {
            auto* dialog = qobject_cast<D*>(&d);
            ASSERT_NE(dialog, nullptr) << "another dialog came: " << d.windowTitle().toStdString();
            script(*dialog);
        });
    }
    params::ui::ModalRunner runner() {
        return [this](QDialog& d) {
            QTimer::singleShot(0, &d, [this, &d] {
                if (scripts_.empty()) {
                    ADD_FAILURE() << "unscripted dialog " << d.windowTitle().toStdString();
                } else {
                    auto script = scripts_.front();
                    scripts_.pop_front();
                    script(d);
                }
                if (d.isVisible()) {
                    ++stayedOpen;
                    d.reject();
                }
            });
            return d.exec();
        };
    }
    bool used() const { return scripts_.empty(); }
    int stayedOpen = 0;

private:
    std::deque<std::function<void(QDialog&)>> scripts_;
};

void choosePins(TFVCCGRD& d, int n) {
    const int index = d.pinCountList()->findData(n);
    ASSERT_GE(index, 0);
    d.pinCountList()->setCurrentIndex(index);
    emit d.pinCountList()->activated(index);
}

/// Types text as the keyboard does, Cyrillic letters included.
void type(QWidget* w, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

void retype(QLineEdit* field, const QString& text) {
    field->selectAll();
    type(field, text);
}

class ParamsDialogs : public kvx::testing::TbfFixture {
protected:
    app::TBF& window() {
        auto& w = tbf();
        w.setModalRunner(script.runner());
        return w;
    }
    /// A shown test, saved as chip.kvx: its package dialog chooses DIP16.
    void showSavedTest() {
        script.then<TFVCCGRD>([](TFVCCGRD& d) {
            choosePins(d, 16);
            d.okButton()->click();
        });
        window().newFile();
        ASSERT_TRUE(storage::saveTestFile(doc(), path("chip.kvx")).ok);
    }
    DialogScript script;
};

}  // namespace

TEST_F(ParamsDialogs, StartUpEndsInThePackageDialogAndTheDiagramAppearsAfterOk) {
    auto& w = window();
    EXPECT_TRUE(w.actions().packageParameters->isEnabled());
    EXPECT_TRUE(w.actions().testParameters->isEnabled());
    EXPECT_TRUE(w.actions().description->isEnabled());
    EXPECT_FALSE(w.actions().bandTestParameters->isEnabled()) << "the band's button waits for a test";
    script.then<TFVCCGRD>([](TFVCCGRD& d) { d.cancelButton()->click(); });
    EXPECT_FALSE(w.choosePackageAtStartUp());
    EXPECT_FALSE(w.diagramShown());

    script.then<TFVCCGRD>([](TFVCCGRD& d) {
        EXPECT_EQ(d.windowTitle().toStdString(), "Параметры корпуса");
        EXPECT_EQ(d.pinCountList()->currentText(), "8");
        choosePins(d, 16);
        EXPECT_EQ(d.vccField()->value(), 16);
        EXPECT_EQ(d.gndField()->value(), 8);
        d.okButton()->click();
    });
    EXPECT_TRUE(w.choosePackageAtStartUp());
    EXPECT_TRUE(prompter.questions.empty()) << "nothing is lost at start-up";
    EXPECT_TRUE(w.diagramShown());
    EXPECT_TRUE(w.actions().bandTestParameters->isEnabled());
    EXPECT_EQ(doc().pinCount(), 16);
    EXPECT_EQ(doc().pin(16).pinType, "VCC");
    EXPECT_EQ(doc().pin(8).pinType, "GND");
    EXPECT_EQ(w.statusText(1).toStdString(), "Тип корпуса = DIP16");
    EXPECT_EQ(w.packageList()->currentText(), "DIP16");
    EXPECT_TRUE(script.used());
}

TEST_F(ParamsDialogs, NewFileGivesWhatTheToolGives) {
    doc().testParameters().levelHighCode = 200;
    script.then<TFVCCGRD>([](TFVCCGRD& d) {
        d.soicButton()->click();
        choosePins(d, 28);
        d.vccField()->stepBy(-1);  // 27
        d.gndField()->stepBy(13);  // 14 + 13 = 27 is VCC: one further
        EXPECT_EQ(d.gndField()->value(), 28);
        d.okButton()->click();
    });
    ASSERT_TRUE(window().newFile());
    EXPECT_FALSE(window().creatingNewTest());
    EXPECT_EQ(doc().testParameters(), model::TestParameters{});
    EXPECT_TRUE(doc().saved());
    // The bands show SOIC, which the indicator list has no item for.
    EXPECT_EQ(window().packageList()->currentIndex(), -1);
    EXPECT_TRUE(window().findChild<QLabel*>("supplyLabel")->text().contains("SOIC28"));

    model::TestDocument expected;
    expected.clearDocument();
    params::applyPackage(expected, {model::PackageType::SOIC, 28, 27, 28});
    EXPECT_EQ(storage::writeTestFileBytes(doc()), storage::writeTestFileBytes(expected));
}

TEST_F(ParamsDialogs, PackageFieldsAndCancel) {
    auto& w = window();
    TFVCCGRD& d = *w.packageDialog();
    doc().setPinType(5, "VCC");
    doc().setPinType(10, "GND");
    doc().setPackage({model::PackageType::DIP, 14});
    d.prepare(false, false);
    EXPECT_EQ(d.vccField()->value(), 5);
    EXPECT_EQ(d.gndField()->value(), 10);
    EXPECT_EQ(d.pinCountList()->currentText(), "14");
    EXPECT_EQ(d.vccField()->maximum(), 14);
    choosePins(d, 24);
    EXPECT_EQ(std::pair(d.vccField()->value(), d.gndField()->value()), std::pair(24, 12));
    d.vccField()->stepBy(-3);
    d.defaultsButton()->click();
    EXPECT_EQ(std::pair(d.vccField()->value(), d.gndField()->value()), std::pair(24, 12));
    EXPECT_FALSE(d.vccField()->findChild<QLineEdit*>()->isReadOnly() == false) << "arrows only";

    script.then<TFVCCGRD>([](TFVCCGRD& dlg) {
        dlg.soicButton()->click();
        QTest::keyClick(&dlg, Qt::Key_Escape);
    });
    w.actions().packageParameters->trigger();
    EXPECT_TRUE(d.dipButton()->isChecked());
    EXPECT_EQ(doc().package().packageType, model::PackageType::DIP);
    EXPECT_EQ(doc().pinCount(), 14) << "nothing of the test changes";
}

TEST_F(ParamsDialogs, ANewTestOffersSupplyPinsThatFitItsPinCount) {
    // The package dialog of "Новый файл" meets a cleared 8-pin test without supply pins.
    struct Case {
        int vcc, gnd, shownVcc, shownGnd;
    };
    for (const Case& c : {Case{16, 8, 8, 4}, Case{5, 10, 8, 4}, Case{5, 3, 5, 3}}) {
        TFVCCGRD& d = *window().packageDialog();
        doc().setPackage({model::PackageType::DIP, 16});
        doc().setPinType(16, "I");
        doc().setPinType(8, "I");
        doc().setPinType(c.vcc, "VCC");
        doc().setPinType(c.gnd, "GND");
        d.prepare(false, false);
        doc().clearDocument();
        d.prepare(false, true);
        EXPECT_EQ(std::pair(d.vccField()->value(), d.gndField()->value()), std::pair(c.shownVcc, c.shownGnd))
            << "kept " << c.vcc << "/" << c.gnd;
        prompter.questions.clear();
        d.okButton()->click();
        EXPECT_TRUE(prompter.questions.empty()) << "the offered pins are accepted";
        doc().clearDocument();
    }
}

TEST_F(ParamsDialogs, OkOnAShownTestAsksAndErases) {
    showSavedTest();
    doc().setPinName(1, "CLK");
    doc().setCell(0, 1, 3, model::kHigh);
    // Equal supply pins, then "Нет" to the loss question: the dialog stays open each time.
    script.then<TFVCCGRD>([this](TFVCCGRD& d) {
        {
            // The arrows never make the fields equal; a smaller pin count can clamp both to it.
            const QSignalBlocker quiet(d.gndField());
            d.gndField()->setValue(16);
        }
        d.okButton()->click();
        EXPECT_TRUE(d.isVisible());
        d.gndField()->setValue(8);
        prompter.answer(platform::Answer::No);
        d.okButton()->click();
        EXPECT_TRUE(d.isVisible());
    });
    window().actions().packageParameters->trigger();
    EXPECT_EQ(script.stayedOpen, 1);
    ASSERT_EQ(prompter.questions.size(), 2u);
    EXPECT_EQ(prompter.questions[0].text, params::kEqualSupplyPins);
    EXPECT_EQ(prompter.questions[0].icon, platform::Icon::Error);
    EXPECT_EQ(prompter.questions[1].text, params::kLoseDiagramQuestion);
    EXPECT_EQ(prompter.questions[1].buttons, platform::Buttons::YesNo);
    EXPECT_EQ(doc().pin(1).pinName, "CLK");

    script.then<TFVCCGRD>([this](TFVCCGRD& d) {
        prompter.answer(platform::Answer::Yes);
        d.okButton()->click();
    });
    window().actions().packageParameters->trigger();
    EXPECT_EQ(doc().pin(1).pinName, "");
    EXPECT_EQ(doc().getCell(0, 1, 3), model::kInactive);
    EXPECT_TRUE(prompter.scriptUsed());
}

TEST_F(ParamsDialogs, ThresholdsNameAndTactDuration) {
    showSavedTest();
    const QString longName(70, QChar(0x0416));  // "Ж" x 70
    script.then<TfmParam>([&](TfmParam& d) {
        EXPECT_EQ(d.windowTitle().toStdString(), "Параметры тестирования");
        EXPECT_EQ(d.highField()->text().toStdString(), "1,99");
        EXPECT_EQ(d.lowField()->text().toStdString(), "0,80");
        EXPECT_EQ(d.nameField()->text().toStdString(), "Основной Тест");
        retype(d.highField(), "6");
        EXPECT_EQ(d.highField()->text().toStdString(), "5,00");
        retype(d.lowField(), "1.5");
        EXPECT_EQ(d.lowField()->text().toStdString(), "1,5");
        d.tactList()->setCurrentIndex(4);
        emit d.tactList()->activated(4);
        retype(d.nameField(), longName);
        EXPECT_EQ(d.nameField()->text(), longName.left(60));
        d.applyButton()->click();
    });
    EXPECT_TRUE(window().runParametersDialog());
    EXPECT_EQ(doc().testParameters(), (model::TestParameters{5, 256, 77}));
    EXPECT_FALSE(doc().saved());
    EXPECT_EQ(QString::fromStdString(doc().testName()), longName.left(60));
    EXPECT_EQ(window().statusText(3), longName.left(60));

    // Escape: nothing changes, and the next showing starts from the document again.
    script.then<TfmParam>([](TfmParam& d) {
        retype(d.highField(), "3");
        retype(d.nameField(), "другое");
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    EXPECT_FALSE(window().runParametersDialog());
    EXPECT_EQ(doc().testParameters(), (model::TestParameters{5, 256, 77}));
    EXPECT_EQ(QString::fromStdString(doc().testName()), longName.left(60));
    script.then<TfmParam>([](TfmParam& d) {
        EXPECT_EQ(d.highField()->text().toStdString(), "5,00");
        EXPECT_EQ(d.lowField()->text().toStdString(), "1,50");
        EXPECT_EQ(d.tactList()->currentText().toStdString(), "5");
        d.cancelButton()->click();
    });
    window().actions().bandTestParameters->trigger();
    EXPECT_TRUE(script.used());

    // Logic one typed down under 1 V after logic zero 0,3 stops at 1 V.
    script.then<TfmParam>([](TfmParam& d) {
        retype(d.lowField(), "0,3");
        retype(d.highField(), "0");
        d.applyButton()->click();
    });
    EXPECT_TRUE(window().runParametersDialog());
    EXPECT_EQ(doc().testParameters(), (model::TestParameters{5, 51, 15}));
    script.then<TfmParam>([](TfmParam& d) {
        EXPECT_EQ(d.highField()->text().toStdString(), "1,00");
        EXPECT_EQ(d.lowField()->text().toStdString(), "0,29");
        d.cancelButton()->click();
    });
    window().actions().bandTestParameters->trigger();
    EXPECT_TRUE(script.used());
}

TEST_F(ParamsDialogs, KeysTypedOneByOneAfterARewriteAndTextsThatAreNoNumber) {
    showSavedTest();
    // Each case opens the dialog on the default thresholds (1,99 and 0,80), optionally retypes
    // logic zero, then selects the whole logic one or logic zero field and types key after key
    // ("\b" is Backspace), and presses "Применить".
    struct Case {
        const char* what;
        QString low;    ///< retyped into logic zero first; empty: left as shown
        bool intoHigh;  ///< the keys go to logic one, else to logic zero
        QString keys;
        QString shown;  ///< the field's text after the keys
        std::string error;  ///< the message of "Применить"; empty: the dialog closes
        int high, lowCode;  ///< the codes applied
    };
    const std::vector<Case> cases = {
        {"logic one raised to logic zero, then typed on", "1,2", true, "15", "1,25", "", 64, 61},
        {"logic one typed on after 5,00", "", true, "6\b", "5,0", "", 256, 41},
        {"logic zero typed on after 2,50", "", false, "3\b\b1", "2,1", "", 128, 108},
        {"logic one raised to logic zero, then 1,5 typed", "1,2", true, "1,5", "1,2,5",
         "Порог логической единицы «1,2,5» не является числом. Введите напряжение в вольтах, например 2,0", 102, 41},
        {"logic one under 1 V, then typed on", "", true, "0,3", "1,00,3",
         "Порог логической единицы «1,00,3» не является числом. Введите напряжение в вольтах, например 2,0", 102, 41},
        {"logic one erased", "", true, "\b", "",
         "Порог логической единицы не задан. Введите напряжение в вольтах, например 2,0", 102, 41},
        {"logic zero no number", "", false, "-", "-",
         "Порог логического нуля «-» не является числом. Введите напряжение в вольтах, например 0,8", 102, 41},
    };
    for (const Case& c : cases) {
        doc().testParameters() = {2, 102, 41};
        doc().setSaved(true);
        const auto errorsBefore = prompter.errors().size();
        const int openBefore = script.stayedOpen;
        script.then<TfmParam>([&c](TfmParam& d) {
            if (!c.low.isEmpty()) retype(d.lowField(), c.low);
            QLineEdit* field = c.intoHigh ? d.highField() : d.lowField();
            field->setFocus();
            field->selectAll();
            for (QChar k : c.keys) {
                if (k == '\b') QTest::keyClick(field, Qt::Key_Backspace);
                else type(field, QString(k));
            }
            EXPECT_EQ(field->text().toStdString(), c.shown.toStdString()) << c.what;
            QTest::mouseClick(d.applyButton(), Qt::LeftButton);
            EXPECT_EQ(d.isVisible(), !c.error.empty()) << c.what;
            if (d.isVisible()) {
                EXPECT_TRUE(field->hasFocus()) << c.what << ": the field to correct has the keyboard";
                EXPECT_EQ(field->selectedText(), field->text()) << c.what;
            }
        });
        EXPECT_EQ(window().runParametersDialog(), c.error.empty()) << c.what;
        const auto errors = prompter.errors();
        if (c.error.empty()) {
            EXPECT_EQ(errors.size(), errorsBefore) << c.what;
        } else {
            ASSERT_EQ(errors.size(), errorsBefore + 1) << c.what;
            EXPECT_EQ(errors.back(), c.error) << c.what;
            EXPECT_EQ(script.stayedOpen, openBefore + 1) << c.what;
        }
        EXPECT_EQ(doc().testParameters(), (model::TestParameters{2, c.high, c.lowCode})) << c.what;
        EXPECT_EQ(doc().saved(), !c.error.empty() || (c.high == 102 && c.lowCode == 41)) << c.what;
    }
}

TEST_F(ParamsDialogs, DescriptionNeedsASavedTest) {
    script.then<TFVCCGRD>([](TFVCCGRD& d) { d.okButton()->click(); });
    window().newFile();
    QSignalSpy created(&window(), &app::TBF::descriptionDialogCreated);
    window().actions().description->trigger();
    EXPECT_EQ(prompter.errors(), std::vector<std::string>{params::kNoFileYet});
    EXPECT_EQ(created.count(), 0);
}

TEST_F(ParamsDialogs, FormattedCommentIsKeptInTheCommentFile) {
    showSavedTest();
    const std::string commentFile = path("chip.txt");
    prompter.pickColour(0xFF0000);
    script.then<TfmTestInfo>([&](TfmTestInfo& d) {
        EXPECT_EQ(d.windowTitle().toStdString(), "Описание Теста");
        EXPECT_EQ(d.commentFile(), commentFile);
        type(d.commentField(), "Счётчик ");
        d.boldButton()->click();
        d.colourButton()->click();
        type(d.commentField(), "важно");
        d.pathField()->setText(QString::fromStdString(path("gone/chip.pdf")));
        retype(d.nameField(), "К155ИЕ7");
        d.okButton()->click();
    });
    QSignalSpy created(&window(), &app::TBF::descriptionDialogCreated);
    EXPECT_TRUE(window().runDescriptionDialog());
    EXPECT_EQ(created.count(), 1);
    EXPECT_EQ(doc().testName(), "К155ИЕ7");
    EXPECT_EQ(doc().descriptionFile(), path("gone/chip.pdf")) << "a missing document is kept as typed";
    EXPECT_FALSE(doc().saved());
    const std::string bytes = readAll(commentFile);
    EXPECT_EQ(bytes.substr(0, 5), "{\\rtf");
    EXPECT_NE(bytes.find("\\b\\cf1 \\'e2\\'e0\\'e6\\'ed\\'ee}"), std::string::npos) << bytes;

    // Opened again: the same formats; the missing document is reported, an existing one opened.
    script.then<TfmTestInfo>([&](TfmTestInfo& d) {
        const params::RichText t = d.comment();
        ASSERT_EQ(t.paragraphs.size(), 1u);
        ASSERT_EQ(t.paragraphs[0].runs.size(), 2u);
        EXPECT_EQ(t.paragraphs[0].runs[0].text, "Счётчик ");
        EXPECT_FALSE(t.paragraphs[0].runs[0].format.bold);
        EXPECT_EQ(t.paragraphs[0].runs[1].text, "важно");
        EXPECT_TRUE(t.paragraphs[0].runs[1].format.bold);
        EXPECT_EQ(t.paragraphs[0].runs[1].format.colour, 0xFF0000u);
        d.viewButton()->click();
        EXPECT_TRUE(shell.opened.empty());
        writeBytes(path("chip.pdf"), "%PDF");
        d.pathField()->setText("chip.pdf");  // beside the test file
        d.viewButton()->click();
        d.cancelButton()->click();
    });
    window().runDescriptionDialog();
    ASSERT_EQ(prompter.errors().size(), 1u);
    EXPECT_EQ(prompter.errors()[0], "Файл описания микросхемы не найден:\n" + path("gone/chip.pdf"));
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0].path, path("chip.pdf"));
    EXPECT_EQ(doc().descriptionFile(), path("gone/chip.pdf")) << "Отмена changes nothing";
    EXPECT_TRUE(script.used());
}

TEST_F(ParamsDialogs, FailedCommentWriteKeepsTheDialogOpen) {
    showSavedTest();
    std::filesystem::create_directory(path("chip.txt"));  // cannot be replaced by a file
    prompter.pickFile(path("data/sheet.pdf"));
    script.then<TfmTestInfo>([&](TfmTestInfo& d) {
        d.browseButton()->click();
        EXPECT_EQ(d.pathField()->text().toStdString(), path("data/sheet.pdf"));
        type(d.commentField(), "текст");
        prompter.answer(platform::Answer::Yes);  // replace the comment file that could not be read
        d.okButton()->click();
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.commentField()->toPlainText().toStdString(), "текст") << "nothing typed is lost";
    });
    EXPECT_FALSE(window().runDescriptionDialog());
    EXPECT_EQ(prompter.questions[1].text, params::replaceUnreadCommentQuestion(path("chip.txt")));
    ASSERT_EQ(prompter.dialogs.size(), 1u);
    EXPECT_EQ(prompter.dialogs[0].kind, kvx::testing::ScriptedPrompter::Dialog::OpenWithFilter);
    EXPECT_EQ(prompter.dialogs[0].filter, params::ui::kDescriptionFilter);
    EXPECT_EQ(prompter.dialogs[0].selectedFilter, 1) << "PDF files first";
    ASSERT_EQ(prompter.errors().size(), 2u);
    EXPECT_EQ(prompter.errors()[0], "Не удалось прочитать файл комментария " + path("chip.txt"));
    EXPECT_NE(prompter.errors()[1].find("Не удалось записать файл комментария"), std::string::npos);
    EXPECT_EQ(doc().descriptionFile(), "");

    // An empty comment leaves an existing comment file alone; a plain text file loads as text.
    std::filesystem::remove(path("chip.txt"));
    writeBytes(path("chip.txt"), "\xef\xf0\xee\xf1\xf2\xee");  // "просто" in Windows-1251
    script.then<TfmTestInfo>([](TfmTestInfo& d) {
        EXPECT_EQ(d.commentField()->toPlainText().toStdString(), "просто");
        d.commentField()->clear();
        d.okButton()->click();
    });
    EXPECT_TRUE(window().runDescriptionDialog());
    EXPECT_EQ(readAll(path("chip.txt")), "\xef\xf0\xee\xf1\xf2\xee");
}

TEST_F(ParamsDialogs, TheTestFileIsNeverItsOwnComment) {
    namespace fs = std::filesystem;
    script.then<TFVCCGRD>([](TFVCCGRD& d) { d.okButton()->click(); });
    window().newFile();
    fs::create_directory(path("sub"));
    enum class Link { None, Symbolic, Hard };
    struct Case {
        const char* what;
        std::string test;
        Link link;  // what the comment file is made as, beside the test
    };
    const std::vector<Case> cases = {
        {"a test named .txt", path("same.txt"), Link::None},
        {"a test reached through ..", path("sub/../dots.txt"), Link::None},
        {"a comment file that links to the test", path("linked.kvx"), Link::Symbolic},
        {"a comment file that is a second name of the test", path("named.kvx"), Link::Hard},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
#ifdef _WIN32
        // A symbolic link needs a right that Windows users seldom have (and Wine has none).
        if (c.link == Link::Symbolic) continue;
#endif
        ASSERT_TRUE(storage::saveTestFile(doc(), c.test).ok);
        const std::string comment = params::commentFilePath(c.test);
        if (c.link == Link::Symbolic) fs::create_symlink(c.test, comment);
        if (c.link == Link::Hard) fs::create_hard_link(c.test, comment);
        const std::string bytes = readAll(c.test);
        prompter.questions.clear();
        script.then<TfmTestInfo>([&](TfmTestInfo& d) {
            EXPECT_EQ(d.commentField()->toPlainText().toStdString(), "") << "the test's lines are not a comment";
            type(d.commentField(), "текст");
            d.okButton()->click();
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(d.commentField()->toPlainText().toStdString(), "текст") << "nothing typed is lost";
        });
        EXPECT_FALSE(window().runDescriptionDialog());
        const std::string message = params::commentFileClash(comment, c.test);
        EXPECT_NE(message.find("Файл комментария совпадает с файлом теста:\n" + comment), std::string::npos);
        EXPECT_EQ(prompter.errors(), std::vector<std::string>(2, message)) << "said when shown and at OK";
        EXPECT_EQ(readAll(c.test), bytes) << "the test is untouched";
        EXPECT_EQ(fs::is_symlink(comment), c.link == Link::Symbolic);
    }
    EXPECT_EQ(params::commentFileClash(path("chip.txt"), path("chip.kvx")), "") << "two files";
    EXPECT_TRUE(script.used());
}

TEST_F(ParamsDialogs, ACommentFileThatCouldNotBeReadIsReplacedOnlyAfterYes) {
    namespace fs = std::filesystem;
    using fs::perms;
    struct Case {
        const char* what;
        perms mode;
        std::optional<platform::Answer> answer;  // none: nothing is asked
        bool written;
        const char* error;                       // the message at "OK", if any
    };
    const std::vector<Case> cases = {
        {"unreadable, No", perms::none, platform::Answer::No, false, nullptr},
        {"unreadable, Yes", perms::none, platform::Answer::Yes, false, "нет права на запись в файл"},
        {"write-only, Yes", perms::owner_write, platform::Answer::Yes, true, nullptr},
        {"read-only", perms::owner_read, std::nullopt, false, "нет права на запись в файл"},
    };
    kvx::testing::asOrdinaryUser(folder(), [&] {
        showSavedTest();
        const std::string file = path("chip.txt");
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
#ifdef _WIN32
            // A file on Windows is always readable; only its read-only attribute can be set.
            if (c.mode != perms::owner_read) continue;
            const perms compared = perms::owner_write;
#else
            const perms compared = perms::all;
#endif
            writeBytes(file, "прежний");
            fs::permissions(file, c.mode);
            prompter.questions.clear();
            script.then<TfmTestInfo>([&](TfmTestInfo& d) {
                d.commentField()->clear();
                type(d.commentField(), "новый");
                if (c.answer) prompter.answer(*c.answer);
                d.okButton()->click();
                EXPECT_EQ(d.isVisible(), !c.written);
                EXPECT_EQ(d.commentField()->toPlainText().toStdString(), "новый");
            });
            EXPECT_EQ(window().runDescriptionDialog(), c.written);
            std::vector<std::string> asked;
            for (const auto& q : prompter.questions) asked.push_back(q.text);
            std::vector<std::string> expected;
            if (c.mode != perms::owner_read) expected.push_back("Не удалось прочитать файл комментария " + file);
            if (c.answer) expected.push_back(params::replaceUnreadCommentQuestion(file));
            if (c.error)
                expected.push_back("Не удалось записать файл комментария " + file + ": " + c.error +
                                   ".\nКомментарий не сохранён; старый файл не изменён.");
            EXPECT_EQ(asked, expected);
            EXPECT_EQ(fs::status(file).permissions() & compared, c.mode & compared);
            fs::permissions(file, perms::owner_read | perms::owner_write);
            const std::string now = readAll(file);
            EXPECT_EQ(c.written ? now.substr(0, 5) : now, c.written ? "{\\rtf" : "прежний");
        }
        EXPECT_TRUE(script.used());
    });
}
