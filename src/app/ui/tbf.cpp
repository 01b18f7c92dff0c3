#include "app/ui/tbf.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "algorithms/ui/algorithm_dialog.h"
#include "app/ui/about_box.h"
#include "app/ui/document_history.h"
#include "app/ui/edit_commands.h"
#include "app/ui/tool_icons.h"
#include "diagram/cell_editing.h"
#include "diagram/pin_editing.h"
#include "diagram/ui/diagram_widget.h"
#include "exchange/ui/exchange_commands.h"
#include "vectors/ui/vector_commands.h"
#include "sheet/ui/sheet_commands.h"
#include "functions/formula.h"
#include "functions/ui/formula_actions.h"
#include "functions/ui/formula_band.h"
#include "functions/ui/formula_dialog.h"
#include "functions/ui/generator_dialog.h"
#include "modelcheck/ui/fault_coverage_dialog.h"
#include "modelcheck/ui/fill_from_model_command.h"
#include "modelcheck/ui/model_check_dialog.h"
#include "params/package.h"
#include "params/ui/description_dialog.h"
#include "params/ui/package_dialog.h"
#include "params/ui/parameters_dialog.h"
#include "handoff/handoff.h"
#include "storage/test_file.h"
#include "words/ui/data_table_dialog.h"
#include "words/ui/editor_word.h"
#include "words/ui/rename_dialog.h"

namespace kvx::app {

namespace {

const char* const kSaveChangesQuestion = "Сохранить изменение в файле?";
const char* const kNewTestQuestion =
    "Создание нового теста приведет к потере изменений в тесте. Сохранить изменения?";
const char* const kReplaceQuestion = "Заменить существующий файл?";
const char* const kTitlePrefix = "KVX - ";

constexpr int kTactFieldMinimum = 1;
constexpr int kTactFieldMaximum = 10000;

QString q(const std::string& utf8) { return QString::fromStdString(utf8); }

/// Adds a handler to a document event without dropping one that is already there.
template <typename Fn, typename Handler>
void chain(std::function<Fn>& slot, Handler handler) {
    auto previous = slot;
    slot = [previous, handler](auto&&... args) {
        if (previous) previous(args...);
        handler(args...);
    };
}

/// The menu caption of a path: '&' would otherwise mark a mnemonic.
QString menuCaption(const std::string& path) {
    QString s = q(path);
    s.replace('&', QStringLiteral("&&"));
    return s;
}

}  // namespace

TBF::TBF(const ShellServices& services, QWidget* parent) : QMainWindow(parent), services_(services) {
    setObjectName(QStringLiteral("TBF"));
    setWindowIcon(QIcon(QStringLiteral(":/kvx/kvx_icon.png")));

    // 1. The package dialog does not warn while the window is being created.
    creatingNewTest_ = true;

    // The diagram area; hidden until a test is created or opened.
    auto* central = new QWidget(this);
    auto* centralLayout = new QVBoxLayout(central);
    centralLayout->setContentsMargins(0, 0, 0, 0);
    diagram_ = new diagram::DiagramWidget(doc_, services_.prompter, central);
    diagram_->setObjectName(QStringLiteral("diagramArea"));
    centralLayout->addWidget(diagram_);
    setCentralWidget(central);

    algorithmList_ = new QComboBox(this);
    algorithmList_->setObjectName(QStringLiteral("algorithmList"));
    algorithmList_->addItems({QStringLiteral("Стандартный Алгоритм"), QStringLiteral("Циклический Алгоритм"),
                              QStringLiteral("Алгоритм ПЗУ"), QStringLiteral("Алгоритм ОЗУ")});
    algorithmList_->setCurrentIndex(0);
    algorithmList_->hide();

    createActions();
    createMenus();
    createBands();
    createStatusBar();
    connectDocument();
    createEditingWindows();
    createHistory();
    createParameterWindows();
    createWordWindows();

    // Exchange with other tools: "Экспорт" and "Импорт" after the save commands, before the recent files.
    auto* exchange = new exchange::ui::ExchangeCommands(doc_, services_.prompter, *diagram_,
                                                        [this] { return dialogFolder_; }, this);
    exchange->insertInto(fileMenu_, actions_.recent.front());
    // The test sheet: "Печать..." before "Экспорт", "Лист теста (PDF)..." at the end of "Экспорт".
    auto* sheet = new sheet::ui::SheetCommands(doc_, services_.prompter, *diagram_, [this] { return dialogFolder_; },
                                               [this] { return startup_.dirPdf; }, this);
    sheet->insertInto(fileMenu_);
    // Test vectors of programmers and IC testers: "Векторы..." in "Импорт" and in "Экспорт".
    auto* vectorCommands = new vectors::ui::VectorCommands(
        doc_, services_.prompter, services_.settings, [this] { return dialogFolder_; }, [this] { return diagramShown_; },
        [this](const std::function<void()>& fill) {
            if (!doc_.saved() && diagramShown_) {
                const auto a = services_.prompter.ask(kSaveChangesQuestion, platform::Icon::Question,
                                                      platform::Buttons::YesNoCancel);
                if (a == platform::Answer::Cancel || (a == platform::Answer::Yes && save() != SaveOutcome::Saved))
                    return false;
            }
            history_->suspend();
            parametersDialog_->resetForNewTest();
            fill();
            history_->restart();
            doc_.setSaved(false);  // the imported test is in no file yet
            algorithmList_->setCurrentIndex(doc_.activeAlgorithm());
            viewResetForNewTest();
            refreshView();
            refreshStatusBar();
            emit documentReplaced();
            return true;
        },
        this);
    vectorCommands->insertInto(fileMenu_);

    // 2. The program's folder is the dialogs' first folder; files may be dropped on the window.
    dialogFolder_ = services_.program.folder;
    setAcceptDrops(true);

    // 3., 4. Settings: recent files and folders, keys created when missing.
    startup_ = readStartupSettings(services_.settings);
    recent_.setEntries({startup_.history.begin(), startup_.history.end()});
    updateRecentItems();

    // 5. A cleared test in memory; the diagram area stays hidden until the user creates or opens one.
    doc_.clearDocument();
    setDiagramShown(false);

    // 6. The diagram keeps its start colours and sizes.
    creatingNewTest_ = false;
    refreshStatusBar();
    resize(900, 600);
}

TBF::~TBF() {
    // Children that hold the document must go before it does.
    doc_.events() = {};
    const auto kids = findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* w : kids)
        if (w->isWindow()) delete w;
    delete takeCentralWidget();
}

// ---- construction --------------------------------------------------------------------------

void TBF::createActions() {
    auto make = [this](const QString& text, const QKeySequence& key = {}, const QString& tip = {}) {
        auto* a = new QAction(text, this);
        if (!key.isEmpty()) a->setShortcut(key);
        if (!tip.isEmpty()) a->setToolTip(tip);
        return a;
    };
    auto later = [](QAction* a) {
        a->setEnabled(false);  // done by the subsystem that owns the command
        return a;
    };
    auto& A = actions_;

    A.newFile = make(QStringLiteral("Новый файл"), QKeySequence(Qt::CTRL | Qt::Key_N));
    A.newFile->setIcon(toolIcon(ToolIcon::NewFile));
    A.open = make(QStringLiteral("&Открыть..."), QKeySequence(Qt::CTRL | Qt::Key_O));
    A.open->setIcon(toolIcon(ToolIcon::Open));
    A.openInTester = later(make(QStringLiteral("Открыть в тестере")));
    A.save = make(QStringLiteral("&Сохранить"), QKeySequence(Qt::CTRL | Qt::Key_S));
    A.save->setIcon(toolIcon(ToolIcon::Save));
    A.saveAs = make(QStringLiteral("&Сохранить как..."));
    for (int i = 0; i < RecentFiles::kSize; ++i) {
        A.recent[static_cast<size_t>(i)] = make(QString());
        A.recent[static_cast<size_t>(i)]->setObjectName(QStringLiteral("recent%1").arg(i + 1));
        connect(A.recent[static_cast<size_t>(i)], &QAction::triggered, this, [this, i] { openRecent(i); });
    }
    A.exit = make(QStringLiteral("&Выход"));
    connect(A.newFile, &QAction::triggered, this, &TBF::newFile);
    connect(A.open, &QAction::triggered, this, &TBF::openFile);
    connect(A.save, &QAction::triggered, this, &TBF::save);
    connect(A.saveAs, &QAction::triggered, this, &TBF::saveAs);
    connect(A.openInTester, &QAction::triggered, this, &TBF::openInTester);
    connect(A.exit, &QAction::triggered, this, &QWidget::close);

    A.fillHigh = make(QStringLiteral("Заполнить 1"), {}, QStringLiteral("Строка в 1"));
    A.fillHigh->setIcon(toolIcon(ToolIcon::RowHigh));
    A.fillLow = make(QStringLiteral("Заполнить 0"), {}, QStringLiteral("Строка в 0"));
    A.fillLow->setIcon(toolIcon(ToolIcon::RowLow));
    A.fillInactive = make(QStringLiteral("Строка неактивна"), {}, QStringLiteral("Строка неактивна"));
    A.fillInactive->setIcon(toolIcon(ToolIcon::RowInactive));
    A.insertTact = make(QStringLiteral("Вставить такт"), {}, QStringLiteral("Вставить такт"));
    A.insertTact->setIcon(toolIcon(ToolIcon::InsertTact));
    A.deleteTact = make(QStringLiteral("Удалить такт"), {}, QStringLiteral("Удалить такт"));
    A.deleteTact->setIcon(toolIcon(ToolIcon::DeleteTact));
    A.generator = make(QStringLiteral("Генератор..."), {}, QStringLiteral("Генератор"));
    A.generator->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_G), QKeySequence(Qt::CTRL | Qt::Key_L)});
    A.generator->setIcon(toolIcon(ToolIcon::Generator));
    A.zoomIn = make(QStringLiteral("Увеличить"), {}, QStringLiteral("Увеличить диаграмму"));
    A.zoomIn->setIcon(toolIcon(ToolIcon::ZoomIn));
    A.zoomOut = make(QStringLiteral("Уменьшить"), {}, QStringLiteral("Уменьшить диаграмму"));
    A.zoomOut->setIcon(toolIcon(ToolIcon::ZoomOut));
    A.zoomStandard = make(QStringLiteral("Стандартный"), {}, QStringLiteral("Масштаб диаграммы по умолчанию"));
    A.zoomStandard->setIcon(toolIcon(ToolIcon::ZoomStandard));
    A.colours = make(QStringLiteral("Цвета Диаграммы..."));
    // The diagram does nothing while it is hidden.
    connect(A.zoomIn, &QAction::triggered, diagram_, &diagram::DiagramWidget::zoomIn);
    connect(A.zoomOut, &QAction::triggered, diagram_, &diagram::DiagramWidget::zoomOut);
    connect(A.zoomStandard, &QAction::triggered, diagram_, &diagram::DiagramWidget::zoomStandard);
    connect(A.colours, &QAction::triggered, diagram_, &diagram::DiagramWidget::chooseColours);
    A.applyTactCount = make(QStringLiteral("Изменить"), {}, QStringLiteral("Изменить"));
    A.applyTactCount->setIcon(toolIcon(ToolIcon::ApplyTactCount));

    auto view = [&](const QString& text) {
        auto* a = make(text);
        a->setCheckable(true);
        return a;
    };
    A.viewFile = view(QStringLiteral("Файл"));
    A.viewDiagram = view(QStringLiteral("Диаграмма"));
    A.viewFunctions = view(QStringLiteral("Функции"));
    A.viewZoom = view(QStringLiteral("Масштабирование"));
    A.viewParameters = view(QStringLiteral("Параметры"));
    A.viewService = view(QStringLiteral("Сервис"));
    A.viewPackage = view(QStringLiteral("корпус"));

    A.packageParameters = make(QStringLiteral("Параметры Корпуса..."), {}, QStringLiteral("Параметры корпуса"));
    A.packageParameters->setIcon(toolIcon(ToolIcon::PackageParameters));
    A.testParameters = make(QStringLiteral("Параметры Тестирования..."), {}, QStringLiteral("Параметры тестирования"));
    A.testParameters->setIcon(toolIcon(ToolIcon::TestParameters));
    A.bandTestParameters = make(A.testParameters->text(), {}, A.testParameters->toolTip());
    A.bandTestParameters->setIcon(A.testParameters->icon());
    A.bandTestParameters->setEnabled(false);  // the band's button works while a test is shown
    A.description = make(QStringLiteral("Описание теста..."), QKeySequence(Qt::CTRL | Qt::Key_I));
    A.algorithm = make(QStringLiteral("Алгоритм..."), {}, QStringLiteral("Алгоритм теста"));
    A.algorithm->setIcon(toolIcon(ToolIcon::Algorithm));
    connect(A.algorithm, &QAction::triggered, this, &TBF::runAlgorithmCommand);

    A.function = make(QStringLiteral("Функция..."), QKeySequence(Qt::CTRL | Qt::Key_F), QStringLiteral("Функция"));
    A.function->setIcon(toolIcon(ToolIcon::Function));
    A.dataWords = later(
        make(QStringLiteral("&Слова данных..."), QKeySequence(Qt::CTRL | Qt::Key_W), QStringLiteral("Слова данных")));
    A.dataWords->setIcon(toolIcon(ToolIcon::DataWords));
    A.table = later(make(QStringLiteral("Таблица..."), QKeySequence(Qt::CTRL | Qt::Key_T), QStringLiteral("Таблица")));
    A.table->setIcon(toolIcon(ToolIcon::Table));

    A.addTest = later(make(QStringLiteral("Добавить")));
    A.deleteTest = later(make(QStringLiteral("Удалить")));

    A.helpTopics = make(QStringLiteral("&Справка"), QKeySequence(Qt::SHIFT | Qt::Key_F1));
    A.about = make(QStringLiteral("О программе"));
    A.helpKey = make(QStringLiteral("HELPEDITOR.HLP"), QKeySequence(Qt::Key_F1));
    // The window sees F1 before any of its controls.
    A.helpKey->setShortcutContext(Qt::WindowShortcut);
    addAction(A.helpKey);
    connect(A.helpTopics, &QAction::triggered, this, &TBF::showHelpTopics);
    connect(A.about, &QAction::triggered, this, &TBF::showAbout);
    connect(A.helpKey, &QAction::triggered, this, &TBF::showKeyHelp);

    A.applyFunction = make(QStringLiteral("Применить функцию"));
}

void TBF::createMenus() {
    auto& A = actions_;
    QMenuBar* bar = menuBar();

    fileMenu_ = bar->addMenu(QStringLiteral("&Файл"));
    fileMenu_->setObjectName(QStringLiteral("fileMenu"));
    fileMenu_->addAction(A.newFile);
    fileMenu_->addAction(A.open);
    fileMenu_->addAction(A.openInTester);
    fileMenu_->addAction(A.save);
    fileMenu_->addAction(A.saveAs);
    fileMenu_->addSeparator();
    for (QAction* r : A.recent) fileMenu_->addAction(r);
    A.history = fileMenu_->addMenu(QStringLiteral("История откытия..."));
    for (int i = 0; i < 10; ++i) A.history->addAction(QString())->setEnabled(false);
    A.history->menuAction()->setVisible(false);  // kept in the menu, never shown
    fileMenu_->addSeparator();
    fileMenu_->addAction(A.exit);
    connect(fileMenu_, &QMenu::aboutToShow, this, [this] {
        updateRecentItems();
        refreshInitialState();
    });

    QMenu* diagram = bar->addMenu(QStringLiteral("Диаграмма"));
    QMenu* fill = diagram->addMenu(QStringLiteral("Заполнить"));
    fill->addAction(A.fillHigh);
    fill->addAction(A.fillLow);
    fill->addAction(A.fillInactive);
    diagram->addSeparator();
    diagram->addAction(A.insertTact);
    diagram->addAction(A.deleteTact);
    diagram->addSeparator();
    diagram->addAction(A.generator);
    diagram->addSeparator();
    QMenu* zoom = diagram->addMenu(QStringLiteral("Масштаб"));
    zoom->addAction(A.zoomIn);
    zoom->addAction(A.zoomOut);
    zoom->addAction(A.zoomStandard);
    diagram->addSeparator();
    diagram->addAction(A.colours);

    viewMenu_ = bar->addMenu(QStringLiteral("Вид"));
    viewMenu_->setObjectName(QStringLiteral("viewMenu"));
    for (QAction* v : {A.viewFile, A.viewDiagram, A.viewFunctions, A.viewZoom, A.viewParameters, A.viewService})
        viewMenu_->addAction(v);
    viewMenu_->addAction(A.viewPackage);
    viewMenu_->addSeparator();
    A.zoomToFit = viewMenu_->addAction(QStringLiteral("По размеру окна"), diagram_, &diagram::DiagramWidget::zoomToFit);
    connect(viewMenu_, &QMenu::aboutToShow, this, &TBF::updateViewChecks);
    // The diagram's own view options; the status bar shows its current tact and time.
    viewMenu_->addAction(diagram_->wordLanesAction());
    viewMenu_->addAction(diagram_->timeOnRulerAction());
    viewMenu_->addAction(diagram_->goToTactAction());
    auto* tactPanel = new QLabel(diagram_->tactStatus(), statusBar());
    tactPanel->setObjectName(QStringLiteral("tactStatusPanel"));
    statusBar()->addPermanentWidget(tactPanel);
    connect(diagram_, &diagram::DiagramWidget::tactStatusChanged, tactPanel, &QLabel::setText);
    connect(diagram_, &diagram::DiagramWidget::dataTableRequested, this, &TBF::runTableAt);

    QMenu* parameters = bar->addMenu(QStringLiteral("Параметры"));
    parameters->addAction(A.packageParameters);
    parameters->addAction(A.testParameters);
    parameters->addAction(A.description);
    parameters->addAction(A.algorithm);

    QMenu* service = bar->addMenu(QStringLiteral("Сервис"));
    service->addAction(A.function);
    service->addAction(A.dataWords);
    service->addAction(A.table);
    // The check of the test on a model of the chip; its marks go with the next change of the test.
    auto* modelCheck = new modelcheck::ui::ModelCheckCommand(doc_, services_.prompter, services_.settings, *diagram_,
                                                             [this] { return dialogFolder_; }, this);
    service->addAction(modelCheck->action());
    connect(this, &TBF::documentReplaced, modelCheck, &modelcheck::ui::ModelCheckCommand::testReplaced);
    // The outputs written from the model as one step of the history, and the fault coverage,
    // whose marks go with the next change of the test.
    auto* fillOutputs = new modelcheck::ui::FillFromModelCommand(doc_, services_.prompter, services_.settings, *diagram_, this);
    fillOutputs->setStepBoundary([this] { history_->endAction(); });
    service->addAction(fillOutputs->action());
    auto* coverage =
        new modelcheck::ui::FaultCoverageCommand(doc_, services_.prompter, services_.settings, *diagram_, this);
    service->addAction(coverage->action());

    A.testMenu = bar->addMenu(QStringLiteral("&Тест"));
    A.testMenu->addAction(A.addTest);
    A.testMenu->addAction(A.deleteTest);
    A.testMenu->menuAction()->setVisible(false);

    QMenu* help = bar->addMenu(QStringLiteral("Помощь"));
    help->addAction(A.helpTopics);
    help->addAction(A.about);
}

void TBF::createBands() {
    auto& A = actions_;
    auto band = [this](const QString& caption, const QString& name) {
        auto* b = new QToolBar(caption, this);  // floating, the band is titled with its caption
        b->setObjectName(name);
        b->setMovable(true);
        b->setFloatable(true);
        addToolBar(Qt::TopToolBarArea, b);
        return b;
    };

    bands_.file = band(QStringLiteral("Файл"), QStringLiteral("fileBand"));
    bands_.file->addAction(A.newFile);
    bands_.file->addAction(A.open);
    bands_.file->addAction(A.save);

    bands_.diagram = band(QStringLiteral("Диаграмма"), QStringLiteral("diagramBand"));
    bands_.diagram->setToolTip(QStringLiteral("Изменение количества тактов"));
    tactCountField_ = new QSpinBox(bands_.diagram);
    tactCountField_->setObjectName(QStringLiteral("tactCountField"));
    tactCountField_->setRange(kTactFieldMinimum, kTactFieldMaximum);
    tactCountField_->setValue(1);
    tactCountField_->setToolTip(QStringLiteral("Изменение количества тактов"));
    QFont bold = tactCountField_->font();
    bold.setBold(true);
    tactCountField_->setFont(bold);
    QPalette pal = tactCountField_->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::ToolTipBase));
    pal.setColor(QPalette::Text, pal.color(QPalette::ToolTipText));
    tactCountField_->setPalette(pal);
    tactCountField_->setMinimumWidth(80);
    tactCountField_->installEventFilter(this);
    bands_.diagram->addWidget(tactCountField_);
    bands_.diagram->addAction(A.applyTactCount);
    bands_.diagram->addSeparator();
    bands_.diagram->addAction(A.insertTact);
    bands_.diagram->addAction(A.deleteTact);
    bands_.diagram->addAction(A.generator);
    bands_.diagram->addSeparator();
    bands_.diagram->addAction(A.fillLow);
    bands_.diagram->addAction(A.fillHigh);
    bands_.diagram->addAction(A.fillInactive);

    bands_.zoom = band(QStringLiteral("Масштабирование"), QStringLiteral("zoomBand"));
    bands_.zoom->addAction(A.zoomOut);
    bands_.zoom->addAction(A.zoomIn);
    bands_.zoom->addAction(A.zoomStandard);

    bands_.algorithm = band(QStringLiteral("Алгоритм"), QStringLiteral("algorithmBand"));
    bands_.algorithm->addAction(A.packageParameters);
    bands_.algorithm->addAction(A.bandTestParameters);
    bands_.algorithm->addAction(A.algorithm);

    bands_.service = band(QStringLiteral("Сервис"), QStringLiteral("serviceBand"));
    bands_.service->addAction(A.function);
    bands_.service->addAction(A.dataWords);
    bands_.service->addAction(A.table);

    // The formula band takes a row of its own, so that its field can be wide.
    addToolBarBreak(Qt::TopToolBarArea);
    bands_.formula = band(QStringLiteral("Формула"), QStringLiteral("formulaBand"));  // filled with the editing windows
    bands_.formula->hide();

    // The package indicator: choosing in it changes nothing.
    bands_.package = band(QStringLiteral("Корпус"), QStringLiteral("packageBand"));
    packageList_ = new QComboBox(bands_.package);
    packageList_->setObjectName(QStringLiteral("packageList"));
    packageList_->addItems({QStringLiteral("DIP8"), QStringLiteral("DIP14"), QStringLiteral("DIP16"),
                            QStringLiteral("DIP20"), QStringLiteral("DIP24"), QStringLiteral("DIP28"),
                            QStringLiteral("DIP32"), QStringLiteral("DIP40")});
    bands_.package->addWidget(packageList_);
    supplyLabel_ = new QLabel(bands_.package);
    supplyLabel_->setObjectName(QStringLiteral("supplyLabel"));
    bands_.package->addWidget(supplyLabel_);
    bands_.package->hide();

    bands_.testName = band(QStringLiteral("Наименование теста"), QStringLiteral("testNameBand"));
    bands_.testName->setToolTip(QStringLiteral("Наименование теста"));
    testNameField_ = new QLineEdit(bands_.testName);
    testNameField_->setObjectName(QStringLiteral("testNameField"));
    testNameField_->setToolTip(QStringLiteral("Наименование теста"));
    testNameField_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    bands_.testName->addWidget(testNameField_);
    bands_.testName->hide();
    connect(testNameField_, &QLineEdit::textEdited, this, [this](const QString& text) {
        doc_.setTestName(text.toStdString());  // also clears `saved`
        refreshStatusBar();
    });

    const std::array<std::pair<QAction*, QToolBar*>, 7> toggles = {{{A.viewFile, bands_.file},
                                                                     {A.viewDiagram, bands_.diagram},
                                                                     {A.viewFunctions, bands_.formula},
                                                                     {A.viewZoom, bands_.zoom},
                                                                     {A.viewParameters, bands_.algorithm},
                                                                     {A.viewService, bands_.service},
                                                                     {A.viewPackage, bands_.package}}};
    for (const auto& [action, bar] : toggles) {
        QToolBar* b = bar;
        connect(action, &QAction::triggered, b, [b](bool checked) { b->setVisible(checked); });
    }
    updateViewChecks();
}

void TBF::createStatusBar() {
    QStatusBar* bar = statusBar();
    // The panels have fixed widths; a small face lets "Стандартный Алгоритм" fit its 150 pixels.
    QFont small = bar->font();
    small.setPointSizeF(std::min(small.pointSizeF(), 8.0));
    bar->setFont(small);
    const std::array<int, 3> widths = {150, 150, 50};
    for (size_t i = 0; i < statusPanels_.size(); ++i) {
        auto* panel = new QLabel(bar);
        panel->setObjectName(QStringLiteral("statusPanel%1").arg(i + 1));
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        if (i + 1 < statusPanels_.size()) {
            panel->setFixedWidth(widths[i]);
            bar->addWidget(panel);
        } else {
            panel->setMinimumWidth(widths[i]);  // the last panel reaches to the right edge
            bar->addWidget(panel, 1);
        }
        statusPanels_[i] = panel;
    }
}

void TBF::connectDocument() {
    auto& ev = doc_.events();
    chain(ev.titleChanged, [this](const std::string& title) { setWindowTitle(q(title)); });
    chain(ev.tactCountChanged, [this](int n) {
        // A loaded file may hold more tacts than the field offers; it still shows the count.
        const QSignalBlocker block(tactCountField_);
        tactCountField_->setMaximum(std::max(kTactFieldMaximum, n));
        tactCountField_->setValue(n);
    });
    chain(ev.testNameChanged, [this](const std::string& name) {
        if (testNameField_->text() != q(name)) testNameField_->setText(q(name));
        refreshStatusBar();
    });
    chain(ev.cleared, [this] {
        bands_.formula->hide();
        if (formulaField_) formulaField_->clear();
        setDiagramShown(true);
    });
    chain(ev.error, [this](const std::string& message) { services_.prompter.error(message); });

    connect(diagram_, &diagram::DiagramWidget::statusChanged, this, &TBF::showStatus);
    connect(diagram_, &diagram::DiagramWidget::noteShown, this,
            [this](const QString& text) { statusBar()->showMessage(text, 10000); });
    connect(diagram_, &diagram::DiagramWidget::tactCountShown, this, [this](int n) {
        const QSignalBlocker block(tactCountField_);
        tactCountField_->setMaximum(std::max(kTactFieldMaximum, n));
        tactCountField_->setValue(n);
    });
}

// ---- history and blocks of cells -----------------------------------------------------------

void TBF::createHistory() {
    // The number of steps kept comes from the settings ("UndoLimit"); 1000 when it is not set.
    const int limit = std::atoi(services_.settings.value("Software\\KVX_Editor", "UndoLimit").c_str());
    history_ = new DocumentHistory(doc_, limit > 0 ? limit : 1000, this);
    editCommands_ = new EditCommands(*this, *diagram_, *history_);
    // A change made in any window ends the marks of a check on a model.
    connect(&history_->stack(), &QUndoStack::indexChanged, diagram_, &diagram::DiagramWidget::clearMarkedCells);
    // The word lanes show every change of a word (members, number system) made in "Слова
    // Данных" while it stays open, as soon as the change is recorded.
    connect(&history_->stack(), &QUndoStack::indexChanged, diagram_, [this] {
        if (diagramShown_ && diagram_->view().wordLanes) diagram_->refresh();
    });
    if (auto* coverage = findChild<modelcheck::ui::FaultCoverageCommand*>())
        connect(&history_->stack(), &QUndoStack::indexChanged, coverage,
                &modelcheck::ui::FaultCoverageCommand::testChanged);
    // Every open window shows the test as the undo or redo left it: the diagram (its current
    // row reaches the "F=" band and the formula dialog), the word editor, the generator and
    // the status bar.
    connect(history_, &DocumentHistory::documentRestored, this, [this] {
        algorithmList_->setCurrentIndex(doc_.activeAlgorithm());
        diagram_->documentRestored();
        wordEditor_->documentRestored();
        generator_->documentRestored();
        refreshStatusBar();
        emit documentRestored();
    });
}

void TBF::createEditingWindows() {
    using namespace functions::ui;
    auto& A = actions_;

    // The diagram's own commands.
    connect(A.fillHigh, &QAction::triggered, diagram_, &diagram::DiagramWidget::fillHigh);
    connect(A.fillLow, &QAction::triggered, diagram_, &diagram::DiagramWidget::fillLow);
    connect(A.fillInactive, &QAction::triggered, diagram_, &diagram::DiagramWidget::fillInactive);
    connect(A.insertTact, &QAction::triggered, diagram_, &diagram::DiagramWidget::insertTact);
    connect(A.deleteTact, &QAction::triggered, diagram_, &diagram::DiagramWidget::deleteTact);
    connect(A.applyTactCount, &QAction::triggered, this,
            [this] { diagram_->setTactCountFromField(tactCountField_->text()); });
    connect(tactCountField_, &QSpinBox::textChanged, diagram_, &diagram::DiagramWidget::setTactCountFromField);

    // The formula dialog and the "Формула" panel show the same text and follow the current row.
    formulaDialog_ = new Tfm_Funct(doc_, services_.prompter, this);
    formulaBand_ = new FormulaBand(doc_, services_.prompter, bands_.formula);
    formulaBand_->setSizePolicy(QSizePolicy::Expanding, formulaBand_->sizePolicy().verticalPolicy());
    bands_.formula->addWidget(formulaBand_);
    formulaField_ = formulaBand_->field();
    linkFormulaBand(*formulaBand_, *formulaDialog_);
    A.applyFunction->setEnabled(false);
    connect(formulaBand_, &FormulaBand::currentRowChanged, this, [this](int, bool functionRow) {
        actions_.applyFunction->setEnabled(functionRow);
        // Every new or opened test hides the band; a function row that the user makes current
        // brings it back.
        if (functionRow && diagramShown_ && !resettingView_) bands_.formula->show();
    });
    connect(A.applyFunction, &QAction::triggered, formulaBand_, &FormulaBand::apply);
    connect(diagram_, &diagram::DiagramWidget::currentRowChanged, formulaBand_, &FormulaBand::setCurrentRow);
    connect(formulaBand_, &FormulaBand::applied, diagram_, [this](int) { diagram_->refresh(); });
    connect(formulaDialog_, &Tfm_Funct::applied, diagram_, [this](int) { diagram_->refresh(); });
    connect(A.function, &QAction::triggered, this, &TBF::runFunctionCommand);
    connect(diagram_, &diagram::DiagramWidget::functionRequested, this, &TBF::runFunctionCommand);

    // The pulse generator fills the current row; the formula rows follow.
    generator_ = new Tfm_zapinit(doc_, this);
    generator_->setCurrentTactSource([this] { return std::max(1, diagram_->view().currentTact()); });
    connect(generator_, &Tfm_zapinit::filled, diagram_, [this](int) {
        functions::RecalculateFunctionPins(doc_);
        diagram_->refresh();
    });
    connect(A.generator, &QAction::triggered, this, &TBF::runGenerator);
    connect(diagram_, &diagram::DiagramWidget::generatorRequested, this, &TBF::runGenerator);
}

void TBF::runFunctionCommand() {
    if (!diagramShown_) return;
    const int currentRow = diagram_->view().currentRow;
    const auto outcome = functions::ui::runFunctionCommand(
        doc_, services_.prompter, *formulaDialog_, formulaBand_, currentRow, [this](int row) {
            // The same type change as choosing "O=F(c)" in the pin type selector.
            diagram::changePinType(doc_, row, model::PinType::Function, std::max(1, diagram_->view().currentTact()),
                                   services_.prompter);
        });
    if (outcome == functions::ui::FunctionCommandOutcome::TypeChanged) diagram_->refresh();
}

void TBF::runGenerator() {
    if (!diagramShown_) return;
    const auto& v = diagram_->view();
    if (v.currentColumn < 1) return;
    generator_->openFor(v.currentRow, v.currentTact());
}

// ---- data words ----------------------------------------------------------------------------

void TBF::createWordWindows() {
    namePrompt_ = new words::ui::TRename(this);
    wordEditor_ = new words::ui::TEditorWord(doc_, services_.prompter, *namePrompt_, this);
    // A cancelled editor takes its steps back instead of adding one.
    wordEditor_->setStepMarks({[this] { return history_->mark(wordEditor_); },
                               [this](int mark) { return history_->takeBackTo(mark); }});
    actions_.dataWords->setEnabled(true);
    actions_.table->setEnabled(true);
    connect(actions_.dataWords, &QAction::triggered, this, &TBF::runDataWords);
    connect(diagram_, &diagram::DiagramWidget::dataWordsRequested, this, &TBF::runDataWords);
    connect(actions_.table, &QAction::triggered, this, &TBF::runTable);
    connect(this, &TBF::documentReplaced, wordEditor_, &words::ui::TEditorWord::documentReplaced);
}

void TBF::runDataWords() {
    if (!diagramShown_) return;
    doc_.markChanged();
    wordEditor_->showEditor();
}

void TBF::runTable() { runTableAt(-1); }

void TBF::runTableAt(int word) {
    if (!diagramShown_) return;
    // After every commit the function rows follow and the diagram shows the new levels.
    words::ui::TFTable::runAt(doc_, services_.prompter, diagram_->view().currentTact(), word, this, [this] {
        functions::RecalculateFunctionPins(doc_);
        diagram_->refresh();
    });
}

bool TBF::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tactCountField_ && diagramShown_) {
        if (event->type() == QEvent::FocusOut) {
            if (leavesForAnotherControl(static_cast<QFocusEvent*>(event)->reason())) leaveTactCountField();
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) diagram_->showTactCount();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TBF::leavesForAnotherControl(Qt::FocusReason reason) const {
    // A menu that opens or another window that becomes active takes the keyboard for a while;
    // the user has not left the field for that.
    if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason || reason == Qt::MenuBarFocusReason)
        return false;
    const QWidget* next = QApplication::focusWidget();
    return next && next != tactCountField_ && next->window() == this;
}

void TBF::leaveTactCountField() {
    // A count below 1 is brought into the field's range before the hidden tacts are forgotten.
    const auto typed = diagram::tactFieldValue(tactCountField_->text().toStdString());
    if (typed && *typed < 1) tactCountField_->setValue(1);
    diagram_->leaveTactField();
}

// ---- package, test parameters and description ---------------------------------------------

void TBF::createParameterWindows() {
    auto& A = actions_;
    packageDialog_ = new params::ui::TFVCCGRD(doc_, services_.prompter, this);
    parametersDialog_ = new params::ui::TfmParam(doc_, services_.prompter, this);
    connect(packageDialog_, &params::ui::TFVCCGRD::packageApplied, this, &TBF::showAppliedPackage);
    connect(A.packageParameters, &QAction::triggered, this, [this] {
        if (runPackageDialog()) emit documentReplaced();
    });
    connect(A.testParameters, &QAction::triggered, this, &TBF::runParametersDialog);
    connect(A.bandTestParameters, &QAction::triggered, this, [this] {
        if (diagramShown_) runParametersDialog();
    });
    connect(A.description, &QAction::triggered, this, &TBF::runDescriptionDialog);
    // Choosing in the package indicator changes nothing: it goes back to the test's package.
    connect(packageList_, &QComboBox::activated, this, [this] { refreshStatusBar(); });
}

bool TBF::runPackageDialog() {
    packageDialog_->prepare(diagramShown_, creatingNewTest_);
    modalRunner_(*packageDialog_);
    return packageDialog_->closedWithOk();
}

void TBF::showAppliedPackage() {
    setDiagramShown(true);
    if (formulaField_) formulaField_->clear();
    viewResetForNewTest();
    refreshView();
    refreshStatusBar();
}

bool TBF::runParametersDialog() {
    parametersDialog_->prepare();  // the name field shows the test name
    modalRunner_(*parametersDialog_);
    const std::string name = parametersDialog_->nameText();
    if (name != doc_.testName()) doc_.setTestName(name);
    // The tact duration may have changed: the time of the current tact and the ruler follow.
    if (diagramShown_) refreshView();
    refreshStatusBar();
    return parametersDialog_->applied();
}

bool TBF::runDescriptionDialog() {
    const bool ok = params::ui::runDescriptionCommand(doc_, services_.prompter, services_.shell, startup_.dirPdf, this,
                                                      modalRunner_,
                                                      [this](QDialog* dialog) { emit descriptionDialogCreated(dialog); });
    refreshStatusBar();
    return ok;
}

bool TBF::choosePackageAtStartUp() {
    if (diagramShown_) return false;  // a test was opened in the meantime
    // The main window is up: the dialog takes the activation, so its first steps run now
    // (the splash goes, the file dialogs start in Dir_Tests).
    if (!activatedOnce_) {
        activatedOnce_ = true;
        firstActivation();
    }
    creatingNewTest_ = true;
    choosingStartUpPackage_ = true;
    history_->suspend();
    const bool ok = runPackageDialog();
    history_->restart();
    choosingStartUpPackage_ = false;
    creatingNewTest_ = false;
    if (ok) emit documentReplaced();
    return ok;
}

void TBF::setSplash(QWidget* splash) { splash_ = splash; }

// ---- state ---------------------------------------------------------------------------------

void TBF::setDiagramShown(bool shown) {
    diagramShown_ = shown;
    diagram_->setVisible(shown);
    actions_.bandTestParameters->setEnabled(shown);
}

// ---- test algorithms -----------------------------------------------------------------------

void TBF::runAlgorithmCommand() {
    if (!diagramShown_) return;
    algorithms::ui::TFAlgoritm dialog(doc_, services_.prompter, algorithmList_->currentIndex(), this);
    connect(&dialog, &algorithms::ui::TFAlgoritm::algorithmSelected, algorithmList_, &QComboBox::setCurrentIndex);
    dialog.exec();
    // An expansion may have changed the tact count and every row.
    refreshView();
    refreshStatusBar();
}

QString TBF::statusText(int panel) const {
    if (panel < 1 || panel > static_cast<int>(statusPanels_.size())) return {};
    return statusPanels_[static_cast<size_t>(panel - 1)]->text();
}

void TBF::showStatus(const QString& package, const QString& algorithm, const QString& testName) {
    statusPanels_[0]->setText(package);
    statusPanels_[1]->setText(algorithm);
    statusPanels_[2]->setText(testName);
}

void TBF::refreshStatusBar() {
    const auto& pkg = doc_.package();
    const QString type = pkg.packageType == model::PackageType::SOIC ? QStringLiteral("SOIC") : QStringLiteral("DIP");
    showStatus(QStringLiteral("Тип корпуса = ") + type + QString::number(pkg.pinCount), algorithmList_->currentText(),
               q(doc_.testName()));

    // The package indicator selects the DIP package it has an item for; the label beside it
    // names every package, SOIC and 18 pins included.
    const QSignalBlocker block(packageList_);
    packageList_->setCurrentIndex(pkg.packageType == model::PackageType::DIP
                                      ? packageList_->findText(q(params::packageName(pkg)))
                                      : -1);
    int vcc = 0;
    int gnd = 0;
    for (int p = 1; p <= pkg.pinCount; ++p) {
        if (doc_.pin(p).pinType == model::PinType::Supply && vcc == 0) vcc = p;
        if (doc_.pin(p).pinType == model::PinType::Ground && gnd == 0) gnd = p;
    }
    supplyLabel_->setText(QStringLiteral(" %1  VCC: %2  GND: %3 ")
                              .arg(q(params::packageName(pkg)))
                              .arg(vcc ? QString::number(vcc) : QStringLiteral("-"))
                              .arg(gnd ? QString::number(gnd) : QStringLiteral("-")));
}

void TBF::refreshView() { diagram_->refresh(); }

void TBF::viewResetForNewTest() {
    const QScopedValueRollback<bool> resetting(resettingView_, true);
    diagram_->resetForNewTest();
}

void TBF::viewResetForOpenedTest() {
    const QScopedValueRollback<bool> resetting(resettingView_, true);
    diagram_->resetForOpenedTest();
}

void TBF::refreshInitialState() {
    refreshView();
    refreshStatusBar();
    dialogFolder_ = startup_.dirTests;
}

void TBF::firstActivation() {
    refreshInitialState();
    if (splash_) {
        splash_->close();
        splash_->deleteLater();
        splash_.clear();
    }
}

void TBF::updateRecentItems() {
    for (int i = 0; i < RecentFiles::kSize; ++i) {
        QAction* item = actions_.recent[static_cast<size_t>(i)];
        const std::string& path = recent_.entry(i);
        item->setText(menuCaption(path));
        item->setVisible(!path.empty());
    }
}

void TBF::updateViewChecks() {
    auto& A = actions_;
    const std::array<std::pair<QAction*, QToolBar*>, 7> toggles = {{{A.viewFile, bands_.file},
                                                                     {A.viewDiagram, bands_.diagram},
                                                                     {A.viewFunctions, bands_.formula},
                                                                     {A.viewZoom, bands_.zoom},
                                                                     {A.viewParameters, bands_.algorithm},
                                                                     {A.viewService, bands_.service},
                                                                     {A.viewPackage, bands_.package}}};
    for (const auto& [action, bar] : toggles) action->setChecked(!bar->isHidden());
}

void TBF::showMessages(const std::vector<std::string>& messages) {
    for (const auto& m : messages) services_.prompter.error(m);
}

// ---- file commands -------------------------------------------------------------------------

bool TBF::newFile() {
    creatingNewTest_ = true;
    if (!doc_.saved() && diagramShown_) {
        const platform::Answer a = services_.prompter.ask(kNewTestQuestion, platform::Icon::Question, platform::Buttons::YesNoCancel);
        if (a == platform::Answer::Cancel) {
            creatingNewTest_ = false;
            return false;
        }
        // A save the user asked for that did not happen must not cost the changes.
        if (a == platform::Answer::Yes && save() != SaveOutcome::Saved) {
            creatingNewTest_ = false;
            return false;
        }
    }
    history_->suspend();
    parametersDialog_->resetForNewTest();  // "По Умолчанию" of the parameters dialog
    doc_.clearDocument();  // also shows the diagram area
    algorithmList_->setCurrentIndex(doc_.activeAlgorithm());
    viewResetForNewTest();
    refreshView();
    refreshStatusBar();
    // The user chooses the package of the new test; the dialog does not warn meanwhile. The
    // choice is part of the new test, so the history starts after it.
    runPackageDialog();
    history_->restart();
    diagram_->canvas()->setFocus(Qt::OtherFocusReason);  // level keys go to the new test
    creatingNewTest_ = false;
    emit documentReplaced();
    return true;
}

LoadOutcome TBF::openFile() {
    const auto path = services_.prompter.openFileName(dialogFolder_);
    if (!path) return LoadOutcome::Cancelled;
    return loadFile(*path);
}

LoadOutcome TBF::openRecent(int index) {
    const LoadOutcome outcome = loadFile(recent_.entry(index));
    refreshView();
    return outcome;
}

LoadOutcome TBF::openPassedFile(const QString& path) {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        waitingPassedFiles_.append(path);
        if (!waitingPassedTimer_) {
            waitingPassedTimer_ = new QTimer(this);
            waitingPassedTimer_->setInterval(100);
            connect(waitingPassedTimer_, &QTimer::timeout, this, &TBF::openWaitingPassedFiles);
        }
        waitingPassedTimer_->start();
        // Nothing is on screen yet: the user wants the file, not a new test.
        if (choosingStartUpPackage_ && modal == packageDialog_) packageDialog_->reject();
        return LoadOutcome::Deferred;
    }
    const LoadOutcome outcome = loadFile(path.toStdString());
    refreshView();
    return outcome;
}

void TBF::openWaitingPassedFiles() {
    if (QApplication::activeModalWidget()) return;
    waitingPassedTimer_->stop();
    const QStringList files = std::exchange(waitingPassedFiles_, {});
    for (const QString& file : files)
        if (openPassedFile(file) == LoadOutcome::NotSaved) break;
}

LoadOutcome TBF::loadFile(const std::string& path) {
    if (!doc_.saved() && diagramShown_) {
        const platform::Answer a = services_.prompter.ask(kSaveChangesQuestion, platform::Icon::Question, platform::Buttons::YesNoCancel);
        if (a == platform::Answer::Cancel) return LoadOutcome::Cancelled;
        if (a == platform::Answer::Yes && save() != SaveOutcome::Saved) return LoadOutcome::NotSaved;
    }
    if (path.empty()) return LoadOutcome::NoPath;

    history_->suspend();
    const storage::LoadResult result = storage::loadTestFile(doc_, path);
    if (result.status == storage::LoadStatus::Unreadable) history_->resume();
    else history_->restart();
    if (result.status == storage::LoadStatus::Unreadable) {
        // The test on screen stays as it was, and the path does not enter the recent files.
        showMessages(result.messages);
        if (result.messages.empty()) services_.prompter.error(result.reason);
        return LoadOutcome::Unreadable;
    }
    recent_.moveToTop(path);
    updateRecentItems();
    algorithmList_->setCurrentIndex(doc_.activeAlgorithm());
    viewResetForOpenedTest();
    refreshView();
    refreshStatusBar();
    showMessages(result.messages);
    emit documentReplaced();
    return result.status == storage::LoadStatus::Loaded ? LoadOutcome::Loaded : LoadOutcome::PackageRejected;
}

void TBF::loadDroppedFiles(const QStringList& paths) {
    for (const QString& p : paths) {
        const LoadOutcome outcome = loadFile(p.toStdString());
        refreshView();
        if (outcome == LoadOutcome::NotSaved) break;  // the user's changes come first
    }
}

SaveOutcome TBF::save() {
    if (!diagramShown_) return SaveOutcome::NoTest;
    std::string path = doc_.fileName();
    if (path.empty()) {
        const auto chosen = services_.prompter.saveFileName(dialogFolder_);
        if (!chosen || chosen->empty()) {
            doc_.setTitle(kTitlePrefix + doc_.fileName());
            return SaveOutcome::Cancelled;
        }
        if (QFileInfo::exists(q(*chosen)) &&
            services_.prompter.ask(kReplaceQuestion, platform::Icon::Question, platform::Buttons::YesNo) != platform::Answer::Yes)
            return SaveOutcome::Declined;
        path = *chosen;
    }
    history_->commit();
    const storage::SaveResult result = storage::saveTestFile(doc_, path);
    if (result.ok) history_->markSaved();
    if (auto* modelCheck = findChild<modelcheck::ui::ModelCheckCommand*>(); result.ok && modelCheck) modelCheck->testSaved();
    if (!result.ok) {
        services_.prompter.error(result.error);
        return SaveOutcome::Failed;
    }
    if (!result.notice.empty()) services_.prompter.ask(result.notice, platform::Icon::Warning, platform::Buttons::Ok);
    return SaveOutcome::Saved;
}

SaveOutcome TBF::saveAs() {
    if (!diagramShown_) return SaveOutcome::NoTest;
    const std::string remembered = doc_.fileName();
    doc_.setFileName({});
    const SaveOutcome outcome = save();
    if (doc_.fileName().empty()) doc_.setFileName(remembered);
    return outcome;
}

// ---- hand-off to the tester ----------------------------------------------------------------

void TBF::setHandoffChannel(platform::HandoffChannel* channel) {
    handoffChannel_ = channel;
    actions_.openInTester->setEnabled(channel != nullptr);
}

void TBF::openInTester() {
    if (!handoffChannel_) return;
    handoff::openInTester([this] { return save() == SaveOutcome::Saved; }, [this] { return doc_.fileName(); },
                          startup_.dirKvx,
                          {*handoffChannel_, services_.settings, services_.shell, services_.prompter},
                          [this](const std::string& text) { statusBar()->showMessage(q(text), 10000); });
}

// ---- help ----------------------------------------------------------------------------------

void TBF::showKeyHelp() {
    const auto exists = [](const std::string& p) { return QFileInfo::exists(q(p)); };
    services_.shell.openDocument(helpDocumentPath(HelpCommand::Key, services_.program, exists),
                                 services_.program.folder, platform::WindowState::Default);
}

void TBF::showHelpTopics() {
    const auto exists = [](const std::string& p) { return QFileInfo::exists(q(p)); };
    services_.shell.openDocument(helpDocumentPath(HelpCommand::Topics, services_.program, exists),
                                 services_.program.folder, platform::WindowState::Maximized);
}

void TBF::showAbout() { TAboutBox::showModal(this); }

// ---- window events -------------------------------------------------------------------------

void TBF::closeEvent(QCloseEvent* event) {
    if (!doc_.saved()) {
        const platform::Answer a = services_.prompter.ask(kSaveChangesQuestion, platform::Icon::Question, platform::Buttons::YesNoCancel);
        if (a == platform::Answer::Cancel) {
            event->ignore();
            return;
        }
        if (a == platform::Answer::Yes) {
            const SaveOutcome outcome = save();
            // Closing after a save that did not happen would lose the changes.
            if (outcome != SaveOutcome::Saved && outcome != SaveOutcome::NoTest) {
                event->ignore();
                return;
            }
        }
    }
    writeRecentFiles(services_.settings, recent_);
    event->accept();
}

void TBF::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    if (data && data->hasUrls()) {
        for (const QUrl& url : data->urls())
            if (url.isLocalFile()) {
                event->acceptProposedAction();
                return;
            }
    }
    event->ignore();
}

void TBF::dropEvent(QDropEvent* event) {
    QStringList paths;
    if (const QMimeData* data = event->mimeData())
        for (const QUrl& url : data->urls())
            if (url.isLocalFile()) paths.append(QDir::toNativeSeparators(url.toLocalFile()));
    event->acceptProposedAction();
    loadDroppedFiles(paths);
}

void TBF::contextMenuEvent(QContextMenuEvent* event) {
    // A right press outside the diagram's cells (bands, status bar) offers nothing.
    diagram_->disableContextMenuItems();
    diagram_->contextMenu()->popup(event->globalPos());
    event->accept();
}

QMenu* TBF::createPopupMenu() { return nullptr; }

bool TBF::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        if (!activatedOnce_) {
            activatedOnce_ = true;
            firstActivation();
        } else {
            refreshStatusBar();
        }
    }
    return QMainWindow::event(event);
}

}  // namespace kvx::app
