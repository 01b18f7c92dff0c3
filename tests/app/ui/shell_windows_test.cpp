// The real message boxes and file dialogs, the settings and placement stores, the help
// commands, the about box, the splash window, and the menus and bands of the main window.

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QStatusBar>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QSpinBox>
#include <QTimer>
#include <QToolBar>
#include <functional>

#include "app/ui/about_box.h"
#include "platform/ui/placement_store.h"
#include "platform/ui/qt_prompter.h"
#include "platform/ui/qt_settings_store.h"
#include "app/ui/splash_form.h"
#include "app/version.h"
#include "diagram/ui/diagram_widget.h"
#include "functions/ui/formula_dialog.h"
#include "tbf_fixture.h"
#include "version_info.h"

using namespace kvx;
using platform::Answer;
using platform::Buttons;
using platform::Icon;

namespace {

/// Runs `inspect` on the first modal window of type W once it is shown.
template <typename W>
void whenShown(std::function<void(W*)> inspect) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, inspect] {
        if (auto* w = qobject_cast<W*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            inspect(w);
        }
    });
    timer->start();
}

QStringList buttonTexts(QMessageBox* box) {
    QStringList texts;
    for (QAbstractButton* b : box->buttons()) texts << b->text().remove(QLatin1Char('&'));
    texts.sort();
    return texts;
}

}  // namespace

// ---- real message boxes and file dialogs ---------------------------------------------------

TEST(QtPrompter, QuestionBoxHasTheProgramCaptionAndRussianButtons) {
    platform::QtPrompter prompter;
    QString caption, text;
    QStringList buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = buttonTexts(box);
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(prompter.ask("Сохранить изменение в файле?", platform::Icon::Question, platform::Buttons::YesNoCancel), platform::Answer::No);
    EXPECT_EQ(caption.toStdString(), "Редактор KVX");
    EXPECT_EQ(text.toStdString(), "Сохранить изменение в файле?");
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_EQ(buttons, (QStringList{"Да", "Нет", "Отмена"}));
}

TEST(QtPrompter, ErrorBoxAndEscapeAnswers) {
    platform::QtPrompter prompter;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        icon = box->icon();
        buttons = buttonTexts(box);
        box->button(QMessageBox::Ok)->click();
    });
    prompter.error("Ошибка Загрузки №001");
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(buttons.size(), 1);

    whenShown<QMessageBox>([](QMessageBox* box) { box->reject(); });
    EXPECT_EQ(prompter.ask("Заменить существующий файл?", platform::Icon::Question, platform::Buttons::YesNo), platform::Answer::No);
    whenShown<QMessageBox>([](QMessageBox* box) { box->reject(); });
    EXPECT_EQ(prompter.ask("?", platform::Icon::Question, platform::Buttons::YesNoCancel), platform::Answer::Cancel);
}

TEST(QtPrompter, FileDialogsOfferTheTestFilesAndTheSaveDialogAddsKvx) {
    QTemporaryDir dir;
    platform::QtPrompter prompter;
    QStringList filters;
    QString suffix;
    QString folder;
    bool confirms = true;
    whenShown<QFileDialog>([&](QFileDialog* d) {
        filters = d->nameFilters();
        suffix = d->defaultSuffix();
        folder = d->directory().absolutePath();
        confirms = !d->testOption(QFileDialog::DontConfirmOverwrite);
        d->reject();
    });
    EXPECT_FALSE(prompter.saveFileName(dir.path().toStdString()).has_value());
    EXPECT_EQ(filters, (QStringList{"AllTest (*.kvx *.rsq)", "KVX (*.kvx)", "RSQ (*.rsq)"}));
    EXPECT_EQ(suffix, "kvx");
    EXPECT_EQ(folder, QDir(dir.path()).absolutePath());
    EXPECT_FALSE(confirms);  // the save command asks about replacing itself

    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    whenShown<QFileDialog>([&](QFileDialog* d) {
        filters = d->nameFilters();
        mode = d->fileMode();
        d->reject();
    });
    EXPECT_FALSE(prompter.openFileName(dir.path().toStdString()).has_value());
    EXPECT_EQ(filters.size(), 3);
    EXPECT_EQ(mode, QFileDialog::ExistingFile);
}

TEST(RussianInterface, LocaleUsesADecimalComma) {
    EXPECT_EQ(QLocale().toString(2.5, 'f', 2), QStringLiteral("2,50"));
    EXPECT_EQ(QLocale().language(), QLocale::Russian);
}

// ---- settings and placement ----------------------------------------------------------------

TEST(QtSettingsStore, KeysAreCreatedInTheFileAndReadBack) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("user.ini");
    {
        platform::QtSettingsStore store(ini);
        EXPECT_FALSE(store.keyExists(app::kMainKey));
        app::readStartupSettings(store);
        EXPECT_TRUE(store.keyExists(app::kMainKey));
        EXPECT_TRUE(store.keyExists(app::kHistoryKey));
        EXPECT_FALSE(store.keyExists("Software\\KVX_Tester"));
        EXPECT_TRUE(store.setValue(app::kMainKey, "Dir_Tests", "/тесты"));
        EXPECT_TRUE(store.setIntValue("Software\\KVX_Tester\\historylist", "TestCanalOnStart", 0));
    }
    QSettings raw(ini, QSettings::IniFormat);
    const QStringList keys = raw.allKeys();
    EXPECT_EQ(keys.size(), 14);
    EXPECT_TRUE(keys.contains("Software/KVX_Editor/historylist/PathProgram"));
    EXPECT_EQ(raw.value("Software/KVX_Main/Dir_KVX").toString(), QString());
    EXPECT_EQ(raw.value("Software/KVX_Tester/historylist/TestCanalOnStart").toInt(), 0);

    platform::QtSettingsStore again(ini);
    EXPECT_EQ(again.value(app::kMainKey, "Dir_Tests"), "/тесты");
    EXPECT_EQ(again.value(app::kMainKey, "NoSuchValue"), "");
    EXPECT_EQ(again.location(), ini);
}

TEST(PlacementStore, AWindowGetsItsPlacementBackWhenCreatedAgain) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("KVX_Edit.ini");
    {
        platform::PlacementStore store(ini);
        QWidget w;
        store.track(&w, "TBF");
        w.setGeometry(120, 130, 640, 410);
        w.show();
        w.close();  // saved when the window goes
    }
    platform::PlacementStore store(ini);
    QWidget again;
    EXPECT_TRUE(store.restore(&again, "TBF"));
    EXPECT_EQ(again.size(), QSize(640, 410));
    QWidget other;
    EXPECT_FALSE(store.restore(&other, "Tfm_Funct"));
    EXPECT_TRUE(QSettings(ini, QSettings::IniFormat).childGroups().contains("TBF"));
}

TEST(PlacementStore, TheFormulaDialogStartsCentredThenWhereItWasLeft) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("KVX_Edit.ini");
    model::TestDocument doc;
    kvx::testing::ScriptedPrompter prompter;
    {
        functions::ui::Tfm_Funct dialog(doc, prompter);
        const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
        EXPECT_LE((dialog.geometry().center() - centre).manhattanLength(), 2) << "no placement yet: centred";
        platform::PlacementStore store(ini);
        store.track(&dialog, "Tfm_Funct");
        dialog.show();
        dialog.move(40, 50);
        dialog.hide();  // the placement is kept when the window goes
    }
    functions::ui::Tfm_Funct again(doc, prompter);
    platform::PlacementStore store(ini);
    store.track(&again, "Tfm_Funct");
    again.show();
    EXPECT_EQ(again.pos(), QPoint(40, 50)) << "the restored placement survives the first show";
}

TEST(PlacementStore, AWindowCreatedForEachUseFindsItsPlaceAgain) {
    QTemporaryDir dir;
    platform::PlacementStore store(dir.filePath("KVX_Edit.ini"));
    for (int use = 0; use < 3; ++use) {
        QDialog colours;
        store.track(&colours, "TFColors");
        colours.show();
        if (use > 0) {
            EXPECT_EQ(colours.pos(), QPoint(70, 80)) << use;
        }
        colours.move(70, 80);
        colours.hide();
    }
    store.saveAll();  // the destroyed windows are skipped
    QDialog next;
    EXPECT_TRUE(store.restore(&next, "TFColors"));
}

TEST(PlacementStore, TheIniFileLivesBesideTheProgramWhenItsFolderIsWritable) {
    QTemporaryDir dir;
    EXPECT_EQ(platform::PlacementStore::defaultPath(dir.path(), "KVX_Edit"), QDir(dir.path()).filePath("KVX_Edit.ini"));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());  // the probe leaves nothing behind

    // A folder that cannot take files (here: below a plain file) sends it to the config folder.
    QFile plain(dir.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString fallback = platform::PlacementStore::defaultPath(dir.filePath("plain/bin"), "KVX_Edit");
    EXPECT_TRUE(fallback.endsWith("/KVX_Edit.ini"));
    EXPECT_FALSE(fallback.startsWith(dir.path()));
}

// ---- help, about box, splash ---------------------------------------------------------------

using HelpCommands = kvx::testing::TbfFixture;

TEST_F(HelpCommands, F1OpensHelpEditorHlpWhenPresentElseTheGuide) {
    tbf().showKeyHelp();
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0].path, path("KVX_Edit_guide.html"));

    writeBytes(path("HELPEDITOR.HLP"), "x");
    tbf().actions().helpKey->trigger();
    ASSERT_EQ(shell.opened.size(), 2u);
    EXPECT_EQ(shell.opened[1].path, path("HELPEDITOR.HLP"));
    EXPECT_EQ(shell.opened[1].state, platform::WindowState::Default);
    EXPECT_EQ(tbf().actions().helpKey->shortcut(), QKeySequence(Qt::Key_F1));
}

TEST_F(HelpCommands, HelpTopicsOpenTheProgramsChmMaximised) {
    tbf().actions().helpTopics->trigger();
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0].path, path("KVX_Edit_guide.html"));
    writeBytes(path("KVX_Edit.chm"), "x");
    tbf().showHelpTopics();
    ASSERT_EQ(shell.opened.size(), 2u);
    EXPECT_EQ(shell.opened[1].path, path("KVX_Edit.chm"));
    EXPECT_EQ(shell.opened[1].folder, folder());
    EXPECT_EQ(shell.opened[1].state, platform::WindowState::Maximized);
}

TEST(AboutBox, LeavesOutTheContactsTheBuildDoesNotSet) {
    struct Case {
        app::TAboutBox::VersionLookup lookup;
        bool support, email;
    };
    const auto noSupport = [](const std::string& n) { return n == "Email" ? std::string("a@b.ru") : std::string(); };
    const auto both = [](const std::string& n) { return n == "Email" || n == "Support" ? n + "!" : std::string(); };
    const auto neither = [](const std::string&) { return std::string(" "); };
    for (const Case& c : {Case{noSupport, false, true}, Case{both, true, true}, Case{neither, false, false}}) {
        app::TAboutBox box(nullptr, c.lookup);
        QStringList labels;
        for (QLabel* l : box.findChildren<QLabel*>()) labels << l->text();
        EXPECT_EQ(labels.contains("Техническая поддержка: "), c.support);
        EXPECT_EQ(labels.contains("Электронная почта:"), c.email);
        EXPECT_EQ(box.supportValue() != nullptr, c.support);
        EXPECT_EQ(box.emailValue() != nullptr, c.email);
    }
}

TEST(AboutBox, ShowsTheVersionDataAndHighlightsTheValueUnderTheMouse) {
    app::TAboutBox box(nullptr, [](const std::string& name) {
        return name == "Support" || name == "Email" ? name + " value" : app::readVersionValue(name);
    });
    EXPECT_EQ(box.windowTitle().toStdString(), "О программе");
    EXPECT_EQ(box.findChild<QLabel*>("version")->text().toStdString(), std::string("Версия: ") + KVX_VERSION_STRING);
    EXPECT_EQ(box.findChild<QLabel*>("copyright")->text().toStdString(), KVX_COPYRIGHT);
    ASSERT_EQ(box.findChildren<QAbstractButton*>().size(), 1);
    EXPECT_EQ(box.findChildren<QAbstractButton*>()[0]->text(), "OK");

    QLabel* support = box.supportValue();
    QLabel* email = box.emailValue();
    EXPECT_EQ(support->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(email->cursor().shape(), Qt::PointingHandCursor);
    const QColor navy(0, 0, 0x80), blue(0, 0, 0xFF);
    EXPECT_EQ(app::TAboutBox::valueColour(support), blue);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(email, &enter);
    EXPECT_EQ(app::TAboutBox::valueColour(email), navy);
    EXPECT_EQ(app::TAboutBox::valueColour(support), blue);
    QApplication::sendEvent(support, &enter);
    EXPECT_EQ(app::TAboutBox::valueColour(support), navy);
    EXPECT_EQ(app::TAboutBox::valueColour(email), blue);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(support, &leave);
    EXPECT_EQ(app::TAboutBox::valueColour(support), blue);
    EXPECT_EQ(app::TAboutBox::valueColour(email), blue);
}

TEST(Splash, BorderlessWithCaptionPictureAndVersion) {
    app::TSplashForm splash;
    EXPECT_EQ(splash.windowTitle().toStdString(), "Загрузка");
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(splash.versionText().toStdString(), std::string("Версия: ") + KVX_VERSION_STRING);
    EXPECT_FALSE(app::programPicture().isNull());
}

// ---- menus, bands, status bar --------------------------------------------------------------

using MainWindowLayout = kvx::testing::TbfFixture;

TEST_F(MainWindowLayout, MenusInOrderWithTheirCaptions) {
    QStringList titles;
    for (QAction* a : tbf().menuBar()->actions())
        if (a->isVisible()) titles << a->text();
    EXPECT_EQ(titles, (QStringList{"&Файл", "Правка", "Диаграмма", "Вид", "Параметры", "Сервис", "Помощь"}));

    QStringList file;
    for (QAction* a : tbf().findChild<QMenu*>("fileMenu")->actions())
        if (!a->isSeparator() && a->isVisible()) file << a->text();
    EXPECT_EQ(file, (QStringList{"Новый файл", "&Открыть...", "Открыть в тестере", "&Сохранить", "&Сохранить как...",
                                 "Печать...", "Экспорт", "Импорт", "&Выход"}));
    const auto& A = tbf().actions();
    EXPECT_FALSE(A.history->menuAction()->isVisible());
    EXPECT_EQ(A.history->title(), "История откытия...");
    EXPECT_EQ(A.history->actions().size(), 10);
    EXPECT_FALSE(A.testMenu->menuAction()->isVisible());
    EXPECT_EQ(A.newFile->shortcut(), QKeySequence("Ctrl+N"));
    EXPECT_EQ(A.open->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(A.save->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(A.helpTopics->shortcut(), QKeySequence("Shift+F1"));
    EXPECT_EQ(A.generator->shortcuts(), (QList<QKeySequence>{QKeySequence("Ctrl+G"), QKeySequence("Ctrl+L")}));
}

TEST_F(MainWindowLayout, CommandsOfOtherSubsystemsAreVisiblyDisabled) {
    const auto& A = tbf().actions();
    for (QAction* a : {A.openInTester, A.addTest, A.deleteTest}) {
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    }
    for (QAction* a : {A.newFile, A.open, A.save, A.saveAs, A.exit, A.helpTopics, A.about, A.helpKey, A.zoomIn,
                       A.zoomOut, A.zoomStandard, A.colours, A.fillHigh, A.fillLow, A.fillInactive, A.insertTact,
                       A.deleteTact, A.generator, A.applyTactCount, A.function, A.packageParameters,
                       A.testParameters, A.description, A.dataWords, A.table,
                       A.algorithm}) {
        EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
    }
    EXPECT_TRUE(tbf().tactCountField()->isEnabled());
    EXPECT_FALSE(A.applyFunction->isEnabled()) << "only on a function row";
}

TEST_F(MainWindowLayout, ARightPressOutsideTheDiagramOffersNothing) {
    auto& w = tbf();
    w.newFile();
    w.show();
    QMenu* menu = w.diagramArea()->contextMenu();
    for (QAction* a : menu->actions()) {  // as after a right press on a cell
        if (a->menu()) a->menu()->setEnabled(true);
        a->setEnabled(true);
    }
    QWidget* statusBar = w.statusBar();
    QContextMenuEvent press(QContextMenuEvent::Mouse, QPoint(3, 3), statusBar->mapToGlobal(QPoint(3, 3)));
    QApplication::sendEvent(statusBar, &press);
    EXPECT_TRUE(menu->isVisible());
    for (QAction* a : menu->actions()) {
        if (a->isSeparator()) continue;
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    }
    menu->hide();
}

TEST_F(MainWindowLayout, ZoomCommandsReachTheDiagram) {
    auto& w = tbf();
    w.newFile();
    const auto& A = w.actions();
    A.zoomIn->trigger();
    EXPECT_EQ(w.diagramArea()->view().cellWidth, 23);
    A.zoomOut->trigger();
    A.zoomOut->trigger();
    EXPECT_EQ(w.diagramArea()->view().cellWidth, 19);
    A.zoomStandard->trigger();
    EXPECT_EQ(w.diagramArea()->view().cellWidth, 21);
    EXPECT_EQ(w.diagramArea()->view().rowHeight, 21);
}

TEST_F(MainWindowLayout, ViewMenuMirrorsTheBands) {
    auto& w = tbf();
    const auto& A = w.actions();
    const auto& B = w.bands();
    QMenu* view = w.findChild<QMenu*>("viewMenu");
    QStringList items;
    for (QAction* a : view->actions()) items << a->text();
    EXPECT_EQ(items, (QStringList{"Файл", "Диаграмма", "Функции", "Масштабирование", "Параметры", "Сервис", "корпус", "",
                                  "По размеру окна", "Слова данных на диаграмме", "Время на линейке",
                                  "Перейти к такту..."}));
    EXPECT_EQ(view->actions().at(8), A.zoomToFit);
    // The diagram's view options start off; the status bar names the current tact and its time.
    EXPECT_FALSE(w.diagramArea()->wordLanesAction()->isChecked());
    EXPECT_FALSE(w.diagramArea()->timeOnRulerAction()->isChecked());
    auto* tactPanel = w.findChild<QLabel*>("tactStatusPanel");
    ASSERT_NE(tactPanel, nullptr);
    EXPECT_EQ(tactPanel->text(), "Такт 1, 0 мкс");
    for (const QKeySequence& k : A.generator->shortcuts())  // Ctrl+G stays the generator's
        EXPECT_NE(k, w.diagramArea()->goToTactAction()->shortcut());
    QMetaObject::invokeMethod(view, "aboutToShow");
    EXPECT_TRUE(A.viewDiagram->isChecked());
    EXPECT_FALSE(A.viewFunctions->isChecked());  // the formula band starts hidden
    EXPECT_FALSE(A.viewPackage->isChecked());

    B.diagram->hide();  // e.g. closed while floating
    QMetaObject::invokeMethod(view, "aboutToShow");
    EXPECT_FALSE(A.viewDiagram->isChecked());
    A.viewDiagram->trigger();
    EXPECT_FALSE(B.diagram->isHidden());
    A.viewService->trigger();
    EXPECT_TRUE(B.service->isHidden());
    QMetaObject::invokeMethod(view, "aboutToShow");
    EXPECT_FALSE(A.viewService->isChecked());
    EXPECT_TRUE(A.viewDiagram->isChecked());

    for (QToolBar* b : {B.file, B.diagram, B.formula, B.zoom, B.algorithm, B.service})
        EXPECT_TRUE(b->isFloatable()) << b->windowTitle().toStdString();
    EXPECT_EQ(B.algorithm->windowTitle(), "Алгоритм");
    EXPECT_EQ(B.zoom->windowTitle(), "Масштабирование");
}

TEST_F(MainWindowLayout, BandsCarryTheirHints) {
    const auto& A = tbf().actions();
    EXPECT_EQ(A.fillLow->toolTip(), "Строка в 0");
    EXPECT_EQ(A.fillHigh->toolTip(), "Строка в 1");
    EXPECT_EQ(A.zoomIn->toolTip(), "Увеличить диаграмму");
    EXPECT_EQ(A.zoomStandard->toolTip(), "Масштаб диаграммы по умолчанию");
    EXPECT_EQ(A.packageParameters->toolTip(), "Параметры корпуса");
    EXPECT_EQ(A.algorithm->toolTip(), "Алгоритм теста");
    EXPECT_EQ(A.generator->toolTip(), "Генератор");
    EXPECT_EQ(tbf().tactCountField()->minimum(), 1);
    EXPECT_EQ(tbf().tactCountField()->maximum(), 10000);
    EXPECT_EQ(tbf().formulaField()->toolTip(), "Функция контакта микросхемы");
    EXPECT_EQ(tbf().testNameField()->toolTip(), "Наименование теста");
}

TEST_F(MainWindowLayout, TestNameFieldEditsTheTestNameAndMarksAChange) {
    auto& w = tbf();
    w.newFile();
    w.testNameField()->setFocus();
    w.testNameField()->selectAll();
    w.testNameField()->insert("K155ЛА3");  // a user edit
    EXPECT_EQ(doc().testName(), "K155ЛА3");
    EXPECT_FALSE(doc().saved());
    EXPECT_EQ(w.statusText(3).toStdString(), "K155ЛА3");
}

TEST_F(MainWindowLayout, TactFieldFollowsTheDocumentAlsoAboveItsRange) {
    auto& w = tbf();
    w.newFile();
    doc().setTactCount(40);
    EXPECT_EQ(w.tactCountField()->value(), 40);
    doc().setTactCount(99999);
    EXPECT_EQ(w.tactCountField()->value(), 99999);
    prompter.answer(platform::Answer::No);
    w.newFile();
    EXPECT_EQ(w.tactCountField()->value(), 26);
}

TEST_F(MainWindowLayout, StatusBarShowsTheLoadedPackage) {
    model::TestDocument source;
    source.clearDocument();
    source.setPackage({model::PackageType::SOIC, 28});
    const std::string file = path("soic.kvx");
    ASSERT_TRUE(storage::saveTestFile(source, file).ok);
    tbf().loadFile(file);
    EXPECT_EQ(tbf().statusText(1).toStdString(), "Тип корпуса = SOIC28");
}
