#pragma once
// "Сервис" > "Покрытие неисправностей...": the stuck-at faults of the open test's pins graded
// on its model while the editor goes on (a progress bar and "Отмена"), the figure, the faults
// the test lets through (a double click goes to the pin's row) and their pins marked in the pin
// column until the next change of the test. Without model files: what the expected levels of
// the output rows alone tell. The result belongs to the test as it was when the run started.

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "model/test_document.h"
#include "modelcheck/fault_grading.h"
#include "platform/prompter.h"
#include "platform/settings_store.h"

class QAction;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace kvx::diagram {
class DiagramWidget;
}

namespace kvx::modelcheck::ui {

class ModelJob;

inline constexpr const char* kCoverageTestChanged =
    "Тест изменился во время оценки: результат относится к прежнему тесту и не показан. Нажмите «Оценить» снова";
inline constexpr const char* kCoverageCancelled = "Оценка прервана";

class FaultCoverageDialog : public QDialog {
    Q_OBJECT
public:
    FaultCoverageDialog(model::TestDocument& doc, platform::Prompter& prompter, platform::SettingsStore& settings,
                        diagram::DiagramWidget& diagram, QWidget* parent = nullptr);
    ~FaultCoverageDialog() override;
    void setTimeLimit(int seconds) { timeLimit_ = seconds; }
    /// Parallel simulations (0: the number of cores).
    void setJobs(int jobs) { jobs_ = jobs; }

    // Parts for tests.
    QLabel* figure() const { return figure_; }
    QLabel* note() const { return note_; }
    QProgressBar* progressBar() const { return bar_; }
    QListWidget* faultList() const { return list_; }
    QPushButton* startButton() const { return start_; }
    QPushButton* cancelButton() const { return cancel_; }
    bool running() const;

public slots:
    /// "Оценить": grades the open test on its model, or without a model gives what the
    /// expected levels say.
    void start();
    /// "Отмена": stops a running grading, or closes the window.
    void cancel();
    /// The test changed: the marks go, and a running grading's result will not be shown.
    void testChanged();
    /// The pin's row of list line `line` becomes current on the diagram.
    void goToLine(int line);

protected:
    void reject() override;

private:
    void graded();
    void showWithoutModel();
    /// Lists `lines` (the first is the figure, shown above the list) with each line's row.
    void showLines(const std::vector<std::string>& lines, const std::vector<int>& rows, std::vector<int> pins);
    void updateEnabled();

    model::TestDocument& doc_;
    platform::Prompter& prompter_;
    platform::SettingsStore& settings_;
    diagram::DiagramWidget& diagram_;
    int timeLimit_;
    int jobs_ = 0;

    QLabel* figure_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* note_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* cancel_ = nullptr;
    ModelJob* job_ = nullptr;

    std::unique_ptr<model::TestDocument> snapshot_;
    std::string snapshotBytes_;
    std::shared_ptr<GradeOutcome> outcome_;
};

/// The command "Покрытие неисправностей..." and its window, created at the first use.
class FaultCoverageCommand : public QObject {
    Q_OBJECT
public:
    FaultCoverageCommand(model::TestDocument& doc, platform::Prompter& prompter, platform::SettingsStore& settings,
                         diagram::DiagramWidget& diagram, QWidget* window);
    QAction* action() const { return action_; }
    FaultCoverageDialog* dialog() const { return dialog_; }
    /// The simulations' time limit in seconds (the model check's default unless changed).
    void setTimeLimit(int seconds);

public slots:
    /// Shows the window and starts the grading of the open test.
    void open();
    /// The test changed (an edit, an undo, another test).
    void testChanged();

private:
    model::TestDocument& doc_;
    platform::Prompter& prompter_;
    platform::SettingsStore& settings_;
    diagram::DiagramWidget& diagram_;
    QWidget* window_;
    QAction* action_ = nullptr;
    FaultCoverageDialog* dialog_ = nullptr;
    int timeLimit_ = CheckOptions{}.timeLimitSeconds;
};

}  // namespace kvx::modelcheck::ui
