// The main window's file commands: start-up state, new test, open, recent files, dropped
// files, save, save as and close, with the questions they ask and the titles they leave.

#include <QAction>
#include <QMenu>
#include <QSpinBox>
#include <QTest>
#include <QToolBar>

#include "diagram/ui/diagram_widget.h"
#include "storage/codepage.h"

#include "../../platform/ordinary_user.h"
#include "tbf_fixture.h"

using namespace kvx;
using platform::Answer;
using platform::Buttons;
using platform::Icon;
using app::LoadOutcome;
using app::SaveOutcome;
using kvx::testing::ScriptedPrompter;

namespace {

const std::string kNewTitle = "KVX - Новый тест     Редактор";
const std::string kSaveQuestion = "Сохранить изменение в файле?";
const std::string kNewQuestion = "Создание нового теста приведет к потере изменений в тесте. Сохранить изменения?";
const std::string kReplaceQuestion = "Заменить существующий файл?";

void expectQuestion(const ScriptedPrompter::Question& q, const std::string& text, platform::Buttons buttons) {
    EXPECT_EQ(q.text, text);
    EXPECT_EQ(q.icon, platform::Icon::Question);
    EXPECT_EQ(q.buttons, buttons);
}

}  // namespace

using StartUp = kvx::testing::TbfFixture;
using NewTest = kvx::testing::TbfFixture;
using SaveCommands = kvx::testing::TbfFixture;
using OpenCommands = kvx::testing::TbfFixture;
using CloseCommand = kvx::testing::TbfFixture;

// ---- start-up ------------------------------------------------------------------------------

TEST_F(StartUp, ClearedTestInMemoryWithTheDiagramHidden) {
    auto& w = tbf();
    EXPECT_FALSE(w.diagramShown());
    EXPECT_TRUE(w.diagramArea()->isHidden());
    EXPECT_FALSE(w.creatingNewTest());
    EXPECT_EQ(title(), kNewTitle);
    EXPECT_TRUE(doc().saved());
    EXPECT_EQ(doc().pinCount(), 8);
    EXPECT_EQ(doc().tactCount(), 26);
    EXPECT_EQ(w.tactCountField()->value(), 26);
    EXPECT_EQ(w.statusText(1).toStdString(), "Тип корпуса = DIP8");
    EXPECT_EQ(w.statusText(2).toStdString(), "Стандартный Алгоритм");
    EXPECT_EQ(w.statusText(3).toStdString(), "Основной Тест");
    EXPECT_TRUE(prompter.questions.empty());
}

TEST_F(StartUp, FirstStartCreatesTheSettingsAndHidesTheRecentItems) {
    auto& w = tbf();
    for (const char* name : {"Hist1", "Hist4", "PathRSQ1", "PathRSQ4", "PathProgram", "Path"})
        EXPECT_TRUE(settings.has(app::kHistoryKey, name)) << name;
    for (const char* name : {"Dir_KVX", "Dir_Tests", "Dir_PDF"}) EXPECT_TRUE(settings.has(app::kMainKey, name)) << name;
    for (QAction* item : w.actions().recent) EXPECT_FALSE(item->isVisible());
}

TEST_F(StartUp, DialogsStartInTheProgramFolderThenInDirTestsAfterTheFirstActivation) {
    settings.setValue(app::kMainKey, "Dir_Tests", "/srv/tests");
    auto& w = tbf();
    EXPECT_EQ(w.dialogFolder(), folder());
    prompter.pickFile(std::nullopt);
    w.openFile();
    ASSERT_EQ(prompter.dialogs.size(), 1u);
    EXPECT_EQ(prompter.dialogs[0].directory, folder());

    auto* splash = new QWidget;
    splash->show();
    QPointer<QWidget> watch(splash);
    w.setSplash(splash);
    activate();
    EXPECT_EQ(w.dialogFolder(), "/srv/tests");
    EXPECT_FALSE(splash->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());  // the splash is destroyed at the first activation
}

TEST_F(StartUp, RecentFilesComeFromTheSettings) {
    settings.setValue(app::kHistoryKey, "Hist1", "/t/a.kvx");
    settings.setValue(app::kHistoryKey, "Hist2", "/t/b&c.kvx");
    auto& w = tbf();
    EXPECT_EQ(w.recentFiles().entry(0), "/t/a.kvx");
    QMetaObject::invokeMethod(w.findChild<QMenu*>("fileMenu"), "aboutToShow");
    const auto& items = w.actions().recent;
    EXPECT_TRUE(items[0]->isVisible());
    EXPECT_EQ(items[0]->text().toStdString(), "/t/a.kvx");
    EXPECT_EQ(items[1]->text().toStdString(), "/t/b&&c.kvx");  // shown with a real '&'
    EXPECT_FALSE(items[2]->isVisible());
    EXPECT_FALSE(items[3]->isVisible());
}

TEST_F(StartUp, SaveCommandsDoNothingBeforeATestIsShown) {
    EXPECT_EQ(tbf().save(), SaveOutcome::NoTest);
    EXPECT_EQ(tbf().saveAs(), SaveOutcome::NoTest);
    EXPECT_TRUE(prompter.dialogs.empty());
    EXPECT_EQ(title(), kNewTitle);
}

TEST_F(StartUp, ACellStorageFailureIsShownAsAnError) {
    tbf();
    EXPECT_FALSE(doc().setTactCount(model::kMaxTactCount + 1));
    EXPECT_EQ(prompter.errors(), (std::vector<std::string>{"Error DiagrSize"}));
}

// ---- new test ------------------------------------------------------------------------------

TEST_F(NewTest, ShowsTheCleared8PinTest) {
    auto& w = tbf();
    doc().testParameters().tactDuration = 5;
    ASSERT_TRUE(w.newFile());
    EXPECT_TRUE(w.diagramShown());
    EXPECT_FALSE(w.diagramArea()->isHidden());
    EXPECT_TRUE(prompter.questions.empty());  // nothing to lose
    EXPECT_EQ(title(), kNewTitle);
    EXPECT_EQ(doc().testParameters().tactDuration, 2);  // parameters back to their defaults
    EXPECT_EQ(doc().pinCount(), 8);
    EXPECT_FALSE(w.creatingNewTest());
    EXPECT_TRUE(w.bands().formula->isHidden());
}

TEST_F(NewTest, CancelKeepsTheTestAndClearsTheFlag) {
    showChangedTest();
    prompter.answer(platform::Answer::Cancel);
    EXPECT_FALSE(tbf().newFile());
    ASSERT_EQ(prompter.questions.size(), 1u);
    expectQuestion(prompter.questions[0], kNewQuestion, platform::Buttons::YesNoCancel);
    EXPECT_EQ(doc().getCell(0, 2, 3), model::kLow);
    EXPECT_FALSE(doc().saved());
    EXPECT_FALSE(tbf().creatingNewTest());
}

TEST_F(NewTest, NoDiscardsTheChanges) {
    showChangedTest();
    prompter.answer(platform::Answer::No);
    EXPECT_TRUE(tbf().newFile());
    EXPECT_EQ(doc().getCell(0, 2, 3), model::kInactive);
    EXPECT_TRUE(doc().saved());
}

TEST_F(NewTest, YesSavesFirstThenClears) {
    showChangedTest();
    const std::string file = path("kept.kvx");
    prompter.answer(platform::Answer::Yes);
    prompter.pickFile(file);
    EXPECT_TRUE(tbf().newFile());
    model::TestDocument back;
    ASSERT_EQ(storage::loadTestFile(back, file).status, storage::LoadStatus::Loaded);
    EXPECT_EQ(back.getCell(0, 2, 3), model::kLow);  // the change went into the file
    EXPECT_EQ(doc().getCell(0, 2, 3), model::kInactive);
    EXPECT_EQ(title(), kNewTitle);
    EXPECT_TRUE(prompter.scriptUsed());
}

TEST_F(NewTest, YesThenCancelledSaveDialogKeepsTheChanges) {
    showChangedTest();
    prompter.answer(platform::Answer::Yes);
    prompter.pickFile(std::nullopt);
    EXPECT_FALSE(tbf().newFile());
    EXPECT_EQ(doc().getCell(0, 2, 3), model::kLow);
    EXPECT_FALSE(doc().saved());
    EXPECT_FALSE(tbf().creatingNewTest());
}

// ---- save and save as ----------------------------------------------------------------------

// View options are not part of the test: a session that only looks at it (lanes, time on the
// ruler, going to a tact, zoom) leaves it saved, and saving writes the very same bytes.
TEST_F(SaveCommands, ViewOptionsChangeNoByteOfTheTest) {
    model::TestDocument source;
    model::Package p;
    p.pinCount = 8;
    source.setPackage(p);
    source.setTactCount(300);
    model::DataWord word;
    word.wordName = "A";
    word.addMember(1);
    word.addMember(2);
    source.dataWords().push_back(word);
    const std::string file = path("view.kvx");
    ASSERT_TRUE(storage::saveTestFile(source, file).ok);
    const std::string before = readAll(file);
    ASSERT_EQ(tbf().loadFile(file), LoadOutcome::Loaded);
    diagram::DiagramWidget* d = tbf().diagramArea();
    d->wordLanesAction()->trigger();
    d->timeOnRulerAction()->trigger();
    EXPECT_TRUE(d->goToTact(250));
    d->zoomOut();
    QApplication::processEvents();
    EXPECT_TRUE(doc().saved());
    EXPECT_EQ(tbf().save(), SaveOutcome::Saved);
    EXPECT_EQ(readAll(file), before);
}

TEST_F(SaveCommands, NeverSavedTestAsksForANameAndTitlesTheWindowWithIt) {
    showChangedTest();
    const std::string file = path("new.kvx");
    prompter.pickFile(file);
    EXPECT_EQ(tbf().save(), SaveOutcome::Saved);
    ASSERT_EQ(prompter.dialogs.size(), 1u);
    EXPECT_EQ(prompter.dialogs[0].kind, ScriptedPrompter::Dialog::Save);
    EXPECT_TRUE(prompter.questions.empty());  // a new file: no replace question
    EXPECT_EQ(title(), "KVX - " + file);
    EXPECT_EQ(doc().fileName(), file);
    EXPECT_TRUE(doc().saved());
    EXPECT_EQ(readAll(file), storage::writeTestFileBytes(doc()));

    // A second save writes to the same file without asking.
    doc().setCell(0, 1, 1, model::kHigh);
    EXPECT_EQ(tbf().save(), SaveOutcome::Saved);
    EXPECT_EQ(prompter.dialogs.size(), 1u);
    EXPECT_EQ(readAll(file), storage::writeTestFileBytes(doc()));
}

TEST_F(SaveCommands, CancelledDialogLeavesTheTitleWithoutAName) {
    showChangedTest();
    prompter.pickFile(std::nullopt);
    EXPECT_EQ(tbf().save(), SaveOutcome::Cancelled);
    EXPECT_EQ(title(), "KVX - ");
    EXPECT_FALSE(doc().saved());
}

TEST_F(SaveCommands, ReplacingAnExistingFileIsAskedAndNoWritesNothing) {
    showChangedTest();
    const std::string file = path("old.kvx");
    writeBytes(file, "old contents");
    prompter.pickFile(file);
    prompter.answer(platform::Answer::No);
    EXPECT_EQ(tbf().save(), SaveOutcome::Declined);
    ASSERT_EQ(prompter.questions.size(), 1u);
    expectQuestion(prompter.questions[0], kReplaceQuestion, platform::Buttons::YesNo);
    EXPECT_EQ(readAll(file), "old contents");
    EXPECT_EQ(title(), kNewTitle);  // the title stays as it was
    EXPECT_FALSE(doc().saved());
    EXPECT_TRUE(doc().fileName().empty());

    prompter.pickFile(file);
    prompter.answer(platform::Answer::Yes);
    EXPECT_EQ(tbf().save(), SaveOutcome::Saved);
    EXPECT_EQ(readAll(file), storage::writeTestFileBytes(doc()));
    EXPECT_EQ(title(), "KVX - " + file);
}

TEST_F(SaveCommands, AFailedWriteShowsTheWritersMessageAndKeepsTheChanges) {
    showChangedTest();
    const std::string file = path("missing-folder/x.kvx");
    prompter.pickFile(file);
    EXPECT_EQ(tbf().save(), SaveOutcome::Failed);
    ASSERT_EQ(prompter.errors().size(), 1u);
    EXPECT_NE(prompter.errors()[0].find(file), std::string::npos);
    EXPECT_FALSE(doc().saved());
    EXPECT_TRUE(doc().fileName().empty());

    // A file the user may not write is refused, by "Сохранить" and by "Сохранить как...".
    kvx::testing::asOrdinaryUser(folder(), [&] {
        const std::string readOnly = writeTest("ro.kvx", "X");
        const std::string before = readAll(readOnly);
        std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read);
        const std::string refused = "Не удалось сохранить файл " + readOnly + ": нет права на запись в файл";
        doc().setFileName(readOnly);
        EXPECT_EQ(tbf().save(), SaveOutcome::Failed);
        prompter.pickFile(readOnly);
        prompter.answer(Answer::Yes);  // replace the existing file
        EXPECT_EQ(tbf().saveAs(), SaveOutcome::Failed);
        EXPECT_EQ(prompter.errors(), (std::vector<std::string>{prompter.errors()[0], refused, refused}));
        EXPECT_FALSE(doc().saved());
        EXPECT_EQ(readAll(readOnly), before);
    });
}

TEST_F(SaveCommands, SaveAsWritesANewFileAndKeepsTheOldNameWhenCancelled) {
    showChangedTest();
    const std::string first = path("first.kvx");
    prompter.pickFile(first);
    ASSERT_EQ(tbf().save(), SaveOutcome::Saved);

    const std::string second = path("second.rsq");
    prompter.pickFile(second);
    EXPECT_EQ(tbf().saveAs(), SaveOutcome::Saved);
    EXPECT_EQ(doc().fileName(), second);
    EXPECT_EQ(title(), "KVX - " + second);
    EXPECT_FALSE(readAll(second).empty());

    prompter.pickFile(std::nullopt);
    EXPECT_EQ(tbf().saveAs(), SaveOutcome::Cancelled);
    EXPECT_EQ(doc().fileName(), second);  // the remembered name comes back
    EXPECT_EQ(title(), "KVX - ");         // the title stays as the save left it

    writeBytes(first, "x");
    prompter.pickFile(first);
    prompter.answer(platform::Answer::No);
    EXPECT_EQ(tbf().saveAs(), SaveOutcome::Declined);
    EXPECT_EQ(doc().fileName(), second);
}

// ---- open, recent files, drop --------------------------------------------------------------

TEST_F(OpenCommands, OpenLoadsTheChosenFileAndTitlesTheWindow) {
    const std::string file = writeTest("a.kvx", "CLK");
    prompter.pickFile(file);
    EXPECT_EQ(tbf().openFile(), LoadOutcome::Loaded);
    EXPECT_TRUE(tbf().diagramShown());
    EXPECT_EQ(doc().pin(1).pinName, "CLK");
    EXPECT_EQ(doc().getCell(0, 1, 1), model::kHigh);
    EXPECT_EQ(title(), "KVX - " + file);
    EXPECT_TRUE(doc().saved());
    EXPECT_EQ(tbf().recentFiles().entry(0), file);
    EXPECT_TRUE(prompter.questions.empty());
}

TEST_F(OpenCommands, CancelledOpenDialogChangesNothing) {
    showChangedTest();
    prompter.pickFile(std::nullopt);
    EXPECT_EQ(tbf().openFile(), LoadOutcome::Cancelled);
    EXPECT_TRUE(prompter.questions.empty());
    EXPECT_EQ(doc().getCell(0, 2, 3), model::kLow);
}

TEST_F(OpenCommands, UnsavedChangesAreAskedAboutAndCancelKeepsThem) {
    const std::string file = writeTest("a.kvx", "CLK");
    showChangedTest();
    prompter.answer(platform::Answer::Cancel);
    EXPECT_EQ(tbf().loadFile(file), LoadOutcome::Cancelled);
    ASSERT_EQ(prompter.questions.size(), 1u);
    expectQuestion(prompter.questions[0], kSaveQuestion, platform::Buttons::YesNoCancel);
    EXPECT_EQ(doc().getCell(0, 2, 3), model::kLow);
    EXPECT_EQ(title(), kNewTitle);
    EXPECT_EQ(tbf().recentFiles().entry(0), "");
}

TEST_F(OpenCommands, YesWithAFailedSaveStopsTheLoad) {
    const std::string file = writeTest("a.kvx", "CLK");
    showChangedTest();
    prompter.answer(platform::Answer::Yes);
    prompter.pickFile(path("no-such-folder/x.kvx"));
    EXPECT_EQ(tbf().loadFile(file), LoadOutcome::NotSaved);
    EXPECT_EQ(prompter.errors().size(), 1u);  // the writer's message
    EXPECT_EQ(doc().getCell(0, 2, 3), model::kLow);
    EXPECT_NE(doc().pin(1).pinName, "CLK");
    EXPECT_EQ(tbf().recentFiles().entry(0), "");
}

TEST_F(OpenCommands, PackageRejectedShowsTheMessageAndTheEmptyTest) {
    std::string bytes = storage::writeTestFileBytes(model::TestDocument());
    const std::string dip8 = storage::toFileText("Тип корпуса=DIP8");
    ASSERT_EQ(bytes.compare(0, dip8.size(), dip8), 0);
    bytes.replace(0, dip8.size(), storage::toFileText("Тип корпуса=DIP22"));
    const std::string file = path("bad.kvx");
    writeBytes(file, bytes);
    EXPECT_EQ(tbf().loadFile(file), LoadOutcome::PackageRejected);
    EXPECT_EQ(prompter.errors(), (std::vector<std::string>{"Ошибка Загрузки №001"}));
    EXPECT_EQ(doc().pinCount(), 8);
    EXPECT_EQ(title(), "KVX - " + file);
    EXPECT_TRUE(tbf().diagramShown());
}

TEST_F(OpenCommands, AnUnreadableFileLeavesTheTestAndTheRecentFilesAlone) {
    showChangedTest();
    prompter.answer(platform::Answer::No);
    EXPECT_EQ(tbf().loadFile(path("absent.kvx")), LoadOutcome::Unreadable);
    ASSERT_EQ(prompter.errors().size(), 1u);
    EXPECT_NE(prompter.errors()[0].find("absent.kvx"), std::string::npos);
    EXPECT_EQ(doc().getCell(0, 2, 3), model::kLow);
    EXPECT_EQ(tbf().recentFiles().entry(0), "");
}

TEST_F(OpenCommands, RecentFilesFollowTheLoadsAndTheirItemsLoadTheirEntry) {
    std::vector<std::string> files;
    for (const char* n : {"1.kvx", "2.kvx", "3.kvx", "4.kvx", "5.kvx"}) files.push_back(writeTest(n, n));
    for (const auto& f : files) ASSERT_EQ(tbf().loadFile(f), LoadOutcome::Loaded);
    const auto& r = tbf().recentFiles();
    EXPECT_EQ(r.entries(), (std::array<std::string, 4>{files[4], files[3], files[2], files[1]}));

    // The item in second place loads its file, which moves to the top.
    QMetaObject::invokeMethod(tbf().findChild<QMenu*>("fileMenu"), "aboutToShow");
    EXPECT_EQ(tbf().actions().recent[1]->text().toStdString(), files[3]);
    tbf().actions().recent[1]->trigger();
    EXPECT_EQ(doc().pin(1).pinName, "4.kvx");
    EXPECT_EQ(r.entries(), (std::array<std::string, 4>{files[3], files[4], files[2], files[1]}));
    EXPECT_EQ(title(), "KVX - " + files[3]);
}

TEST_F(OpenCommands, DroppedFilesLoadInTurnAndTheSecondAsksNothing) {
    const std::string a = writeTest("a.kvx", "A");
    const std::string b = writeTest("b.kvx", "B");
    showChangedTest();
    prompter.answer(platform::Answer::No);
    tbf().loadDroppedFiles({QString::fromStdString(a), QString::fromStdString(b)});
    EXPECT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(doc().pin(1).pinName, "B");
    EXPECT_EQ(tbf().recentFiles().entry(0), b);
    EXPECT_EQ(tbf().recentFiles().entry(1), a);
    EXPECT_EQ(title(), "KVX - " + b);
}

TEST_F(OpenCommands, ADropStopsWhenTheSaveTheUserWantedDidNotHappen) {
    const std::string a = writeTest("a.kvx", "A");
    const std::string b = writeTest("b.kvx", "B");
    showChangedTest();
    prompter.answer(platform::Answer::Yes);
    prompter.pickFile(std::nullopt);
    tbf().loadDroppedFiles({QString::fromStdString(a), QString::fromStdString(b)});
    EXPECT_TRUE(prompter.scriptUsed());
    EXPECT_EQ(prompter.questions.size(), 1u);  // the second file is not tried
    EXPECT_EQ(doc().getCell(0, 2, 3), model::kLow);
    EXPECT_EQ(tbf().recentFiles().entry(0), "");
}

TEST_F(OpenCommands, AFilePassedByAnotherProgramLoadsLikeARecentItem) {
    const std::string a = writeTest("passed.kvx", "P");
    EXPECT_EQ(tbf().openPassedFile(QString::fromStdString(a)), LoadOutcome::Loaded);
    EXPECT_EQ(doc().pin(1).pinName, "P");
    EXPECT_EQ(tbf().openPassedFile(QString()), LoadOutcome::NoPath);
}

TEST_F(OpenCommands, AFilePassedWhileADialogIsOpenWaitsForItOrReplacesTheStartUpChoice) {
    const std::string a = writeTest("passed.kvx", "P", 16);
    for (const bool atStartUp : {true, false}) {
        SCOPED_TRACE(atStartUp ? "the package choice of the start-up" : "the parameters dialog");
        window.reset();
        if (!atStartUp) tbf().newFile();
        LoadOutcome whileOpen = LoadOutcome::NoPath;
        bool nameWhileOpen = false;
        bool stillOpenAfterASecond = false;
        tbf().setModalRunner([&](QDialog& dialog) {
            QTimer::singleShot(0, &dialog, [&] {
                whileOpen = tbf().openPassedFile(QString::fromStdString(a));
                nameWhileOpen = doc().pin(1).pinName == "P";
                if (!atStartUp) QTimer::singleShot(200, &dialog, &QDialog::reject);
            });
            // The start-up choice must give way by itself.
            QTimer::singleShot(1000, &dialog, [&] {
                stillOpenAfterASecond = dialog.isVisible();
                dialog.reject();
            });
            return dialog.exec();
        });
        if (atStartUp) {
            EXPECT_FALSE(tbf().choosePackageAtStartUp());
        } else {
            tbf().runParametersDialog();
        }
        EXPECT_EQ(whileOpen, LoadOutcome::Deferred);
        EXPECT_FALSE(nameWhileOpen) << "nothing is loaded under an open dialog";
        EXPECT_FALSE(stillOpenAfterASecond);
        QTest::qWait(300);
        EXPECT_EQ(doc().pin(1).pinName, "P") << "the file opens once the dialog is closed";
        EXPECT_EQ(doc().pinCount(), 16);
        EXPECT_EQ(title(), "KVX - " + a);
    }
}

// ---- close ---------------------------------------------------------------------------------

TEST_F(CloseCommand, ASavedTestClosesAndWritesTheRecentFiles) {
    const std::string a = writeTest("a.kvx", "A");
    const std::string b = writeTest("b.kvx", "B");
    tbf().loadFile(a);
    tbf().loadFile(b);
    EXPECT_TRUE(requestClose());
    EXPECT_TRUE(prompter.questions.empty());
    EXPECT_EQ(settings.value(app::kHistoryKey, "Hist1"), b);
    EXPECT_EQ(settings.value(app::kHistoryKey, "Hist2"), a);
    EXPECT_EQ(settings.value(app::kHistoryKey, "Hist3"), "");
}

TEST_F(CloseCommand, CancelKeepsTheWindowOpen) {
    showChangedTest();
    tbf().show();
    const int writesBefore = settings.writes;
    prompter.answer(platform::Answer::Cancel);
    EXPECT_FALSE(requestClose());
    ASSERT_EQ(prompter.questions.size(), 1u);
    expectQuestion(prompter.questions[0], kSaveQuestion, platform::Buttons::YesNoCancel);
    EXPECT_TRUE(tbf().isVisible());
    EXPECT_EQ(settings.writes, writesBefore);  // the recent files are written only when closing
}

TEST_F(CloseCommand, NoClosesWithoutSaving) {
    showChangedTest();
    prompter.answer(platform::Answer::No);
    EXPECT_TRUE(requestClose());
    EXPECT_TRUE(prompter.dialogs.empty());
}

TEST_F(CloseCommand, YesSavesThenCloses) {
    showChangedTest();
    const std::string file = path("closing.kvx");
    prompter.answer(platform::Answer::Yes);
    prompter.pickFile(file);
    EXPECT_TRUE(requestClose());
    EXPECT_EQ(readAll(file), storage::writeTestFileBytes(doc()));
}

TEST_F(CloseCommand, YesWithoutASaveKeepsTheWindowAndTheChanges) {
    showChangedTest();
    // The save dialog is cancelled.
    prompter.answer(platform::Answer::Yes);
    prompter.pickFile(std::nullopt);
    EXPECT_FALSE(requestClose());
    // Replacing an existing file is declined.
    const std::string existing = path("existing.kvx");
    writeBytes(existing, "keep");
    prompter.answer(platform::Answer::Yes);
    prompter.pickFile(existing);
    prompter.answer(platform::Answer::No);
    EXPECT_FALSE(requestClose());
    EXPECT_EQ(readAll(existing), "keep");
    // The file cannot be written.
    prompter.answer(platform::Answer::Yes);
    prompter.pickFile(path("nowhere/x.kvx"));
    EXPECT_FALSE(requestClose());
    EXPECT_EQ(prompter.errors().size(), 1u);

    EXPECT_TRUE(prompter.scriptUsed());
    EXPECT_EQ(doc().getCell(0, 2, 3), model::kLow);
    EXPECT_FALSE(doc().saved());
}
