#pragma once
// The main window: owns the one test document, the diagram area, the menus, the tool bands,
// the status bar and the file commands (new, open, recent files, dropped files, save, save as,
// close), the help commands and the about box.

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <memory>
#include <string>

#include "app/help_files.h"
#include "platform/prompter.h"
#include "app/recent_files.h"
#include "app/settings.h"
#include "platform/handoff_channel.h"
#include "platform/settings_store.h"
#include "platform/shell.h"
#include "model/test_document.h"
#include "params/ui/modal_runner.h"

namespace kvx::params::ui {
class TFVCCGRD;
class TfmParam;
}  // namespace kvx::params::ui

namespace kvx::functions::ui {
class Tfm_Funct;
class FormulaBand;
class Tfm_zapinit;
}  // namespace kvx::functions::ui

namespace kvx::diagram {
class DiagramWidget;
}

namespace kvx::words::ui {
class TEditorWord;
class TRename;
}  // namespace kvx::words::ui

class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QSpinBox;
class QToolBar;

namespace kvx::app {

class DocumentHistory;
class EditCommands;

/// The platform services the main window works through.
struct ShellServices {
    platform::Prompter& prompter;
    platform::SettingsStore& settings;
    platform::Shell& shell;
    ProgramLocation program;  ///< folder and base name of the program file
};

/// How a save command ended.
enum class SaveOutcome {
    Saved,      ///< the file was written
    Cancelled,  ///< the save dialog was cancelled
    Declined,   ///< the user did not want to replace an existing file
    Failed,     ///< the file could not be written (the writer's message was shown)
    NoTest,     ///< no test is shown yet: the command does nothing
};

/// How a load of a file ended.
enum class LoadOutcome {
    Loaded,           ///< read to the end (messages of unreadable values may have been shown)
    PackageRejected,  ///< "Ошибка Загрузки №001": the cleared 8-pin test is shown
    Unreadable,       ///< the file could not be read; the test is unchanged
    Cancelled,        ///< the user cancelled the save question; the test is unchanged
    NotSaved,         ///< the user wanted to save first and the save did not happen; unchanged
    NoPath,           ///< an empty path: nothing to load
    Deferred,         ///< a modal window is open: the file opens as soon as it closes
};

/// Menu and tool-band commands. Commands whose work is done elsewhere are created disabled
/// here; that work enables and connects them.
struct MainActions {
    // "&Файл"
    QAction* newFile = nullptr;       ///< "Новый файл", Ctrl+N
    QAction* open = nullptr;          ///< "&Открыть...", Ctrl+O
    QAction* openInTester = nullptr;  ///< "Открыть в тестере" (disabled until a hand-off channel is set)
    QAction* save = nullptr;          ///< "&Сохранить", Ctrl+S
    QAction* saveAs = nullptr;        ///< "&Сохранить как..."
    std::array<QAction*, RecentFiles::kSize> recent{};
    QMenu* history = nullptr;         ///< "История откытия..." (hidden, no function)
    QAction* exit = nullptr;          ///< "&Выход"
    // "Диаграмма"
    QAction* fillHigh = nullptr;      ///< "Заполнить 1" / band "Строка в 1" (disabled)
    QAction* fillLow = nullptr;       ///< "Заполнить 0" / band "Строка в 0" (disabled)
    QAction* fillInactive = nullptr;  ///< "Строка неактивна" (disabled)
    QAction* insertTact = nullptr;    ///< "Вставить такт" (disabled)
    QAction* deleteTact = nullptr;    ///< "Удалить такт" (disabled)
    QAction* generator = nullptr;     ///< "Генератор...", Ctrl+G and Ctrl+L (disabled)
    QAction* zoomIn = nullptr;        ///< "Увеличить" / band "Увеличить диаграмму"
    QAction* zoomOut = nullptr;       ///< "Уменьшить" / band "Уменьшить диаграмму"
    QAction* zoomStandard = nullptr;  ///< "Стандартный" / band "Масштаб диаграммы по умолчанию"
    QAction* colours = nullptr;       ///< "Цвета Диаграммы..."
    QAction* zoomToFit = nullptr;     ///< "Вид" > "По размеру окна"
    QAction* applyTactCount = nullptr;  ///< band button "Изменить" (disabled)
    // "Вид": one check item per band
    QAction* viewFile = nullptr;
    QAction* viewDiagram = nullptr;
    QAction* viewFunctions = nullptr;
    QAction* viewZoom = nullptr;
    QAction* viewParameters = nullptr;
    QAction* viewService = nullptr;
    QAction* viewPackage = nullptr;   ///< "корпус": the package indicator band
    // "Параметры"
    QAction* packageParameters = nullptr;  ///< "Параметры Корпуса...", also in the "Алгоритм" band
    QAction* testParameters = nullptr;     ///< "Параметры Тестирования..."
    QAction* bandTestParameters = nullptr; ///< its "Алгоритм" band button, enabled while a test is shown
    QAction* description = nullptr;        ///< "Описание теста...", Ctrl+I
    QAction* algorithm = nullptr;          ///< "Алгоритм..." / band "Алгоритм теста"
    // "Сервис"
    QAction* function = nullptr;   ///< "Функция...", Ctrl+F (disabled)
    QAction* dataWords = nullptr;  ///< "&Слова данных...", Ctrl+W
    QAction* table = nullptr;      ///< "Таблица...", Ctrl+T
    // "&Тест" (hidden)
    QMenu* testMenu = nullptr;
    QAction* addTest = nullptr;     ///< "Добавить" (disabled)
    QAction* deleteTest = nullptr;  ///< "Удалить" (disabled)
    // "Помощь"
    QAction* helpTopics = nullptr;  ///< "&Справка", Shift+F1
    QAction* about = nullptr;       ///< "О программе"
    QAction* helpKey = nullptr;     ///< F1 anywhere in the main window
    // "Формула" band
    QAction* applyFunction = nullptr;  ///< "Применить функцию" (disabled)
};

/// Tool bands of the main window.
struct MainBands {
    QToolBar* file = nullptr;        ///< "Файл"
    QToolBar* diagram = nullptr;     ///< "Диаграмма"
    QToolBar* formula = nullptr;     ///< "Формула", hidden by every new or opened test
    QToolBar* zoom = nullptr;        ///< "Масштабирование"
    QToolBar* algorithm = nullptr;   ///< "Алгоритм"
    QToolBar* service = nullptr;     ///< "Сервис"
    QToolBar* package = nullptr;     ///< "Корпус", hidden
    QToolBar* testName = nullptr;    ///< the test-name band, hidden
};

class TBF : public QMainWindow {
    Q_OBJECT
public:
    explicit TBF(const ShellServices& services, QWidget* parent = nullptr);
    ~TBF() override;

    model::TestDocument& document() { return doc_; }
    const model::TestDocument& document() const { return doc_; }
    platform::Prompter& prompter() { return services_.prompter; }

    const MainActions& actions() const { return actions_; }
    /// The history of the open test and the "Правка" commands.
    DocumentHistory& history() const { return *history_; }
    EditCommands& editCommands() const { return *editCommands_; }
    const MainBands& bands() const { return bands_; }

    /// The diagram area; hidden until a test is created or opened.
    diagram::DiagramWidget* diagramArea() const { return diagram_; }
    bool diagramShown() const { return diagramShown_; }
    /// Set while start-up and "Новый файл" run: the package dialog then does not warn.
    bool creatingNewTest() const { return creatingNewTest_; }

    const RecentFiles& recentFiles() const { return recent_; }
    const StartupSettings& startupSettings() const { return startup_; }
    /// Initial folder of the open and save dialogs.
    const std::string& dialogFolder() const { return dialogFolder_; }

    QSpinBox* tactCountField() const { return tactCountField_; }
    QLineEdit* testNameField() const { return testNameField_; }
    QLineEdit* formulaField() const { return formulaField_; }
    /// Hidden list of the four algorithms; its text is shown in the status bar.
    QComboBox* algorithmList() const { return algorithmList_; }
    /// Package indicator list of the "Корпус" band.
    QComboBox* packageList() const { return packageList_; }
    /// Texts of the three status bar panels.
    QString statusText(int panel) const;

    /// The formula dialog "Функция", the "Формула" panel and the generator "Генератор импульсов",
    /// created with the window and living as long as it does.
    functions::ui::Tfm_Funct* formulaDialog() const { return formulaDialog_; }
    functions::ui::FormulaBand* formulaBand() const { return formulaBand_; }
    functions::ui::Tfm_zapinit* generatorDialog() const { return generator_; }

    /// The data word editor "Слова Данных" and its name prompt, created with the window.
    words::ui::TEditorWord* wordEditor() const { return wordEditor_; }
    words::ui::TRename* namePrompt() const { return namePrompt_; }

    /// The splash window, closed and destroyed at the first activation.
    void setSplash(QWidget* splash);

    /// The package dialog "Параметры корпуса" and the parameters dialog "Параметры
    /// тестирования", created with the window and living as long as it does.
    params::ui::TFVCCGRD* packageDialog() const { return packageDialog_; }
    params::ui::TfmParam* parametersDialog() const { return parametersDialog_; }
    /// How the package, parameters and description dialogs are run (tests answer them).
    void setModalRunner(params::ui::ModalRunner runner) { modalRunner_ = std::move(runner); }
    // ---- hand-off to the tester
    /// The channel "Открыть в тестере" hands files through; the command is enabled with it.
    void setHandoffChannel(platform::HandoffChannel* channel);

public slots:
    /// "Новый файл". False when the user cancelled or the save before it did not happen.
    bool newFile();
    /// "&Открыть...": the open dialog, then the load.
    LoadOutcome openFile();
    /// "&Сохранить".
    SaveOutcome save();
    /// "&Сохранить как...".
    SaveOutcome saveAs();
    /// One recent-file item (0..3): loads that entry and redraws.
    LoadOutcome openRecent(int index);
    /// Loads a file passed by another program, exactly like a recent-file item. While a modal
    /// window is open the file waits until it closes (a dialog must not go on editing a test that
    /// was replaced under it); the package choice of the start-up gives way to the file at once.
    LoadOutcome openPassedFile(const QString& path);
    /// The whole load of a file: the save question, the recent files, the reader, its messages
    /// and the view. The open command, the recent files, dropping and the hand-off use it.
    LoadOutcome loadFile(const std::string& path);
    /// Loads dropped files in the order given; stops when a save the user asked for did not happen.
    void loadDroppedFiles(const QStringList& paths);
    /// F1: "HELPEDITOR.HLP" beside the program, else the guide.
    void showKeyHelp();
    /// "&Справка": the program's ".chm" file beside it, else the guide.
    void showHelpTopics();
    /// "О программе".
    void showAbout();
    /// Refreshes the three status bar panels from the document.
    void refreshStatusBar();
    /// Shows the three status bar texts.
    void showStatus(const QString& package, const QString& algorithm, const QString& testName);
    /// Redraws the diagram (after any document change made outside it).
    void refreshView();
    /// "Параметры Корпуса...": true when "OK" applied a package.
    bool runPackageDialog();
    /// "Параметры Тестирования...": true when "Применить" closed the dialog.
    bool runParametersDialog();
    /// "Описание теста...": true when "OK" closed the dialog.
    bool runDescriptionDialog();
    /// The end of start-up: the package dialog, so that the first test is chosen at once.
    bool choosePackageAtStartUp();
    /// "Открыть в тестере": "&Сохранить", then the saved file goes to the tester.
    void openInTester();
    /// "Алгоритм...": the algorithms dialog "Алгоритмы тестирования", then the diagram and the
    /// status bar follow what it stored or expanded.
    void runAlgorithmCommand();

signals:
    /// The document was replaced or cleared (new test, load).
    void documentReplaced();
    /// An undo or redo changed the document; the windows that show it read it again.
    void documentRestored();
    /// The description dialog was created and is about to be shown; it is destroyed when it
    /// closes. The window-placement store keeps its position through this.
    void descriptionDialogCreated(QDialog* dialog);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool event(QEvent* event) override;
    QMenu* createPopupMenu() override;

private:
    void createActions();
    void createMenus();
    void createBands();
    void createStatusBar();
    void connectDocument();
    void firstActivation();
    void refreshInitialState();  ///< view, status bar and initial folders
    void updateRecentItems();
    void updateViewChecks();
    void setDiagramShown(bool shown);
    void showMessages(const std::vector<std::string>& messages);
    void viewResetForNewTest();
    void viewResetForOpenedTest();
    /// The formula dialog, the "Формула" panel and the pulse generator, linked to the diagram.
    void createEditingWindows();
    void createHistory();
    /// "Функция...".
    void runFunctionCommand();
    /// "Генератор...".
    void runGenerator();
    /// The package, parameters and description dialogs and their commands.
    void createParameterWindows();
    /// After "OK" of the package dialog: the diagram shows the new package.
    void showAppliedPackage();
    /// The data word editor, its name prompt and the data table, linked to the commands.
    void createWordWindows();
    /// "&Слова данных...".
    void runDataWords();
    /// "Таблица...".
    void runTable();
    /// The data table at the current tact, on the line of data word `word` (-1: the tact's last line).
    void runTableAt(int word);
    /// The tact count field: typing, Enter and leaving it.
    bool eventFilter(QObject* watched, QEvent* event) override;
    /// True when the focus leaves the tact count field for another control of this window.
    bool leavesForAnotherControl(Qt::FocusReason reason) const;
    /// The user left the tact count field: a count below 1 becomes 1, hidden tacts are forgotten.
    void leaveTactCountField();

    ShellServices services_;
    model::TestDocument doc_;
    RecentFiles recent_;
    StartupSettings startup_;
    std::string dialogFolder_;
    bool creatingNewTest_ = false;
    bool choosingStartUpPackage_ = false;
    bool diagramShown_ = false;
    bool activatedOnce_ = false;
    bool resettingView_ = false;  ///< the view is being reset for a new or opened test

    MainActions actions_;
    MainBands bands_;
    QMenu* fileMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    diagram::DiagramWidget* diagram_ = nullptr;
    DocumentHistory* history_ = nullptr;
    EditCommands* editCommands_ = nullptr;
    QSpinBox* tactCountField_ = nullptr;
    QLineEdit* testNameField_ = nullptr;
    QLineEdit* formulaField_ = nullptr;
    functions::ui::Tfm_Funct* formulaDialog_ = nullptr;
    functions::ui::FormulaBand* formulaBand_ = nullptr;
    functions::ui::Tfm_zapinit* generator_ = nullptr;
    params::ui::TFVCCGRD* packageDialog_ = nullptr;
    params::ui::TfmParam* parametersDialog_ = nullptr;
    params::ui::ModalRunner modalRunner_ = params::ui::execModal;
    words::ui::TEditorWord* wordEditor_ = nullptr;
    words::ui::TRename* namePrompt_ = nullptr;
    QComboBox* algorithmList_ = nullptr;
    QComboBox* packageList_ = nullptr;
    QLabel* supplyLabel_ = nullptr;
    std::array<QLabel*, 3> statusPanels_{};
    QPointer<QWidget> splash_;
    platform::HandoffChannel* handoffChannel_ = nullptr;
    QStringList waitingPassedFiles_;  ///< passed while a modal window was open
    QTimer* waitingPassedTimer_ = nullptr;
    /// Opens the waiting passed files once no modal window is open any more.
    void openWaitingPassedFiles();
};

}  // namespace kvx::app
