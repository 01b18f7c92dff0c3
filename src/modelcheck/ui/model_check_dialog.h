#pragma once
// "Сервис" > "Проверить на модели...": the window that runs the open test on a Verilog model of
// the chip. It keeps the model files of each test in the settings, offers the top modules of
// the files, takes the map ("auto" or a map file) and the sampling point, runs the compiler and
// the simulator as separate processes while the editor goes on, and lists the mismatches; the
// mismatching cells are framed on the diagram, and a double click on a line goes to its cell.

#include <QDialog>
#include <QProcess>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/test_document.h"
#include "modelcheck/model_ports.h"
#include "modelcheck/testbench.h"
#include "platform/prompter.h"
#include "platform/settings_store.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTemporaryDir;

namespace kvx::diagram {
class DiagramWidget;
}

namespace kvx::modelcheck::ui {

inline constexpr const char* kModelFilter = "Verilog|*.v;*.sv;*.vl|Все файлы|*";
inline constexpr const char* kMapFilter = "Карта|*.map;*.txt|Все файлы|*";
/// Settings key of the model files; the value's name is derived from the test's path.
inline constexpr const char* kModelFilesKey = "Software\\KVX_Editor\\ModelFiles";

/// The settings value name under which the model files of the test at `testPath` are kept.
std::string modelFilesName(const std::string& testPath);

class ModelCheckDialog : public QDialog {
    Q_OBJECT
public:
    /// `folder` gives the first folder of the file dialogs.
    ModelCheckDialog(model::TestDocument& doc, platform::Prompter& prompter, platform::SettingsStore& settings,
                     diagram::DiagramWidget& diagram, std::function<std::string()> folder, QWidget* parent = nullptr);
    ~ModelCheckDialog() override;

    /// Reads the model files remembered for the open test and offers their top modules.
    void loadForTest();

    // Parts for tests.
    QListWidget* modelList() const { return models_; }
    QComboBox* topField() const { return top_; }
    QLineEdit* mapField() const { return map_; }
    QSpinBox* sampleField() const { return sample_; }
    QPushButton* runButton() const { return run_; }
    QPushButton* cancelButton() const { return cancel_; }
    QLabel* progressLabel() const { return progress_; }
    QListWidget* mismatchList() const { return mismatchList_; }
    bool running() const { return step_ != Step::Idle; }
    const std::vector<Mismatch>& mismatches() const { return mismatches_; }

public slots:
    /// "Добавить...": model files through the open dialog.
    void addModel();
    /// "Удалить": the selected model file leaves the list.
    void removeModel();
    /// "Файл карты...".
    void chooseMap();
    /// "Проверить": starts the check.
    void start();
    /// "Отмена": stops a running check (the simulator is killed), or closes the window.
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
    enum class Step { Idle, Model, Testbench, Simulation };
    std::vector<std::string> modelFiles() const;
    void rememberModels();
    void refreshTopModules();
    void runStep(Step step, const std::vector<std::string>& arguments);
    void stepFinished(int exitCode, QProcess::ExitStatus status);
    void afterModel(const std::string& output);
    void afterTestbench(const std::string& output);
    void afterSimulation(const std::string& output);
    /// Ends the run with a message (an empty one: the run was shown already).
    void finish(const QString& text);
    void setRunning(bool on);

    model::TestDocument& doc_;
    platform::Prompter& prompter_;
    platform::SettingsStore& settings_;
    diagram::DiagramWidget& diagram_;
    std::function<std::string()> folder_;

    QListWidget* models_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* remove_ = nullptr;
    QComboBox* top_ = nullptr;
    QLineEdit* map_ = nullptr;
    QPushButton* mapFile_ = nullptr;
    QSpinBox* sample_ = nullptr;
    QPushButton* run_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QLabel* progress_ = nullptr;
    QListWidget* mismatchList_ = nullptr;

    Step step_ = Step::Idle;
    QProcess* process_ = nullptr;
    std::unique_ptr<QTemporaryDir> work_;
    /// The test as it was when the check started: the comparison is made against it.
    std::unique_ptr<model::TestDocument> snapshot_;
    std::vector<std::string> runModels_;
    std::unique_ptr<Testbench> bench_;
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

private:
    model::TestDocument& doc_;
    platform::Prompter& prompter_;
    platform::SettingsStore& settings_;
    diagram::DiagramWidget& diagram_;
    std::function<std::string()> folder_;
    QWidget* window_;
    QAction* action_ = nullptr;
    ModelCheckDialog* dialog_ = nullptr;
};

}  // namespace kvx::modelcheck::ui
