#pragma once
// "Сервис" > "Проверить на модели...": the window that runs the open test on a Verilog model of
// the chip. It keeps the model files of each test in the settings, offers the top modules of
// the files, shows the map as a table with a line per port of the model (filled from the names,
// changed by the user, loaded from or saved to a map file, remembered per test) and says what it
// leaves out, takes the sampling point, runs the check on a thread of its own (the compiler and
// the simulator in their own work folder) while the editor goes on, and lists the mismatches; the mismatching cells are framed
// on the diagram, and a double click on a line goes to its cell.

#include <QDialog>
#include <QElapsedTimer>
#include <QProcess>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "exchange/vcd_import.h"
#include "model/test_document.h"
#include "modelcheck/model_ports.h"
#include "modelcheck/model_settings.h"
#include "modelcheck/testbench.h"
#include "platform/prompter.h"
#include "platform/settings_store.h"

class QAction;
class QComboBox;
class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QStandardItemModel;
class QTableWidget;
class QTemporaryDir;
class QTimer;

namespace kvx::diagram {
class DiagramWidget;
}
namespace kvx::exchange::ui {
class ChooserFocus;
}

namespace kvx::modelcheck::ui {

inline constexpr const char* kModelFilter = "Verilog|*.v;*.sv;*.vl|Все файлы|*";
inline constexpr const char* kMapFilter = "Карта|*.map;*.txt|Все файлы|*";
/// Settings keys of the model files, the map table, the top module and the sampling point (the
/// model settings of every command); the value's name is derived from the test's path.
inline constexpr const char* kModelFilesKey = kSettingsFilesKey;
inline constexpr const char* kModelMapsKey = kSettingsMapsKey;
inline constexpr const char* kModelTopsKey = kSettingsTopsKey;
inline constexpr const char* kModelSamplesKey = kSettingsSamplesKey;
/// The time limit of a check, the same for every test (value "TimeLimit", seconds).
inline constexpr const char* kModelCheckKey = "Software\\KVX_Editor\\ModelCheck";
inline constexpr int kDefaultTimeLimit = 600;
/// Said instead of a result when the test changed while the check ran.
inline constexpr const char* kTestChangedDuringCheck =
    "Тест изменился во время проверки: результат относится к тесту, каким он был при запуске, и не показан. "
    "Нажмите «Проверить» ещё раз";

/// The settings value name under which the model files of the test at `testPath` are kept.
inline std::string modelFilesName(const std::string& testPath) { return modelSettingsName(testPath); }

class ModelCheckDialog : public QDialog {
    Q_OBJECT
public:
    /// `folder` gives the first folder of the file dialogs.
    ModelCheckDialog(model::TestDocument& doc, platform::Prompter& prompter, platform::SettingsStore& settings,
                     diagram::DiagramWidget& diagram, std::function<std::string()> folder, QWidget* parent = nullptr);
    ~ModelCheckDialog() override;

    /// Reads the model files, the map, the top module and the sampling point remembered for
    /// the open test and lists their modules.
    void loadForTest();
    /// Another test was opened or made (or the open one replaced): a running check is stopped,
    /// the status, the results and the mismatch list are cleared and the settings of the open
    /// test are read.
    void followOpenTest();
    /// Writes what the window holds under the open test's name (after it was saved under a new one).
    void rememberAll();

    /// The map of the table: a line per port (or per bit of a port mapped bit by bit) that
    /// names a row or a word.
    std::vector<exchange::MapEntry> mapEntries() const;
    /// The table as a map text; a port left out is a comment line "# PORT —".
    std::string mapText() const;

    // Parts for tests.
    QListWidget* modelList() const { return models_; }
    QComboBox* topField() const { return top_; }
    QTableWidget* mapTable() const { return table_; }
    /// The chooser of line `row` of the map table.
    QComboBox* chooser(int row) const;
    /// What the map leaves out, or why there is no table.
    QLabel* mapStatus() const { return mapStatus_; }
    QSpinBox* sampleField() const { return sample_; }
    /// The time limit of a check in seconds.
    QSpinBox* limitField() const { return limit_; }
    /// The time a running check has taken, and its limit.
    QLabel* elapsedLabel() const { return elapsed_; }
    QPushButton* runButton() const { return run_; }
    QPushButton* cancelButton() const { return cancel_; }
    QLabel* progressLabel() const { return progress_; }
    QListWidget* mismatchList() const { return mismatchList_; }
    bool running() const { return check_ != nullptr; }
    /// The modules and ports of the model files are being read.
    bool listing() const { return lister_ != nullptr; }
    const std::vector<ModelPort>& ports() const { return ports_; }
    const std::vector<Mismatch>& mismatches() const { return mismatches_; }

public slots:
    /// "Добавить...": model files through the open dialog.
    void addModel();
    /// "Удалить": the selected model file leaves the list.
    void removeModel();
    /// "Из имён": the table is filled again from the names of the ports.
    void fillFromNames();
    /// "Загрузить...": the table takes a map file; ports the file leaves out are not mapped.
    void loadMap();
    /// "Сохранить...": the table is written as a map file.
    void saveMap();
    /// "Проверить": starts the check.
    void start();
    /// "Отмена": stops a running check (the compiler or the simulator is stopped), or closes the window.
    void cancel();
    /// The cell of a line of the mismatch list becomes current on the diagram.
    void goToLine(int line);

signals:
    /// A check ended (matched, mismatched, refused or cancelled).
    void checkFinished();

protected:
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    /// A check running on its own thread.
    struct Run;
    /// The user's choices for ports by name: the lines of a map, every port it speaks of (a
    /// port spoken of without a line is not mapped) and the ports it maps bit by bit.
    struct MapChoices {
        std::vector<exchange::MapEntry> entries;
        std::set<std::string> ports;
        std::set<std::string> byBits;
    };
    /// One line of the table: a port, or one bit of a vector port.
    struct MapLine {
        int port = 0;
        int bit = -1;  ///< -1: the whole port
    };
    static std::optional<MapChoices> readMapText(const std::string& text, std::string& error);
    std::vector<std::string> modelFiles() const;
    void rememberModels();
    void rememberMap();
    void rememberSample();
    /// Changes the kept settings of the open test (nothing for a test never saved).
    void remember(const std::function<void(ModelSettings&)>& change);
    /// The folder the file dialogs start in: the test's own, else the editor's.
    std::string startFolder() const;
    /// The model files on disk are watched: a change lists their modules again.
    void watchModels();
    void modelFileChanged(const QString& path);
    /// The clock of a running check: the elapsed time and the step are shown, and an ended check
    /// is collected.
    void clockTick();
    /// Compiles the model files in the background to learn their modules and ports; a listing
    /// still running is dropped.
    void listModules();
    void stopListing();
    void listed(int exitCode, QProcess::ExitStatus status);
    /// The ports of the chosen top module into the table.
    void showPorts();
    /// Fills the table for ports_ from `choices`; a port they do not speak of takes the
    /// automatic map unless `exact`. Returns the lines of `choices` the table cannot show.
    std::vector<std::string> buildTable(const MapChoices& choices, bool exact);
    MapChoices tableChoices() const;
    /// Chooses `target` in `box`; false when the box does not offer it.
    static bool selectTarget(QComboBox* box, const exchange::MapTarget& target);
    /// The data word chosen in `box` (1-based), 0 for any other choice.
    static int wordOf(const QComboBox* box);
    /// The chooser of the port in line `portRow` changed.
    void portChosen(QComboBox* box, int portRow, int width);
    /// True when the port of table line `row` is mapped bit by bit.
    bool byBits(int row) const;
    void mapChanged();
    void updateMapStatus();
    /// The map refused by the core for the current table; empty when it binds.
    std::string mapProblem(std::vector<std::string>* notes = nullptr) const;
    void updateEnabled();
    /// Shows what the ended check found.
    void collect();
    /// Ends the run with a message: a check still running is cancelled and waited for.
    void finish(const QString& text);

    model::TestDocument& doc_;
    platform::Prompter& prompter_;
    platform::SettingsStore& settings_;
    diagram::DiagramWidget& diagram_;
    std::function<std::string()> folder_;

    QListWidget* models_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* remove_ = nullptr;
    QComboBox* top_ = nullptr;
    QTableWidget* table_ = nullptr;
    QPushButton* fromNames_ = nullptr;
    QPushButton* loadMap_ = nullptr;
    QPushButton* saveMap_ = nullptr;
    QProgressBar* busy_ = nullptr;
    QLabel* mapStatus_ = nullptr;
    QSpinBox* sample_ = nullptr;
    QSpinBox* limit_ = nullptr;
    QLabel* elapsed_ = nullptr;
    QPushButton* run_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QLabel* progress_ = nullptr;
    QListWidget* mismatchList_ = nullptr;

    // The listing of modules and ports.
    QProcess* lister_ = nullptr;
    std::shared_ptr<QTemporaryDir> listDir_;
    std::string compiled_;     ///< the compiled model files of the last listing
    std::string listError_;    ///< why the last listing gave nothing
    std::vector<ModelPort> ports_;
    std::string topName_;      ///< the module whose ports the table shows
    std::vector<MapLine> lines_;
    exchange::ui::ChooserFocus* focus_ = nullptr;
    std::vector<QStandardItemModel*> choiceLists_;  ///< what the choosers offer, one list per port width
    MapChoices choices_;
    bool buildingTable_ = false;

    QFileSystemWatcher* watcher_ = nullptr;
    bool relistAfterRun_ = false;  ///< a model file changed while a check ran

    QTimer* clock_ = nullptr;
    QElapsedTimer runTime_;
    std::unique_ptr<Run> check_;
    int shownStep_ = -1;
    std::vector<Mismatch> mismatches_;
    int firstMismatchLine_ = 0;  ///< notes about the map come before the mismatch lines
};

/// The command "Проверить на модели..." and its window, created at the first use.
class ModelCheckCommand : public QObject {
    Q_OBJECT
public:
    ModelCheckCommand(model::TestDocument& doc, platform::Prompter& prompter, platform::SettingsStore& settings,
                      diagram::DiagramWidget& diagram, std::function<std::string()> folder, QWidget* window);
    QAction* action() const { return action_; }
    /// The window; null until the command was first used.
    ModelCheckDialog* dialog() const { return dialog_; }

public slots:
    /// Shows the window for the open test; nothing while no test is shown.
    void open();
    /// The open test was replaced (opened, made new): the window follows it.
    void testReplaced();
    /// The open test was saved: when under a new name, its model settings go with it.
    void testSaved();

private:
    model::TestDocument& doc_;
    platform::Prompter& prompter_;
    platform::SettingsStore& settings_;
    diagram::DiagramWidget& diagram_;
    std::function<std::string()> folder_;
    QWidget* window_;
    QAction* action_ = nullptr;
    ModelCheckDialog* dialog_ = nullptr;
    std::string known_;  ///< the name of the open test as last seen
};

}  // namespace kvx::modelcheck::ui
