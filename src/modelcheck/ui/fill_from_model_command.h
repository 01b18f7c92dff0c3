#pragma once
// "Сервис" > "Заполнить выходы по модели": the compared rows of the open test (of the selected
// block's tacts only, when a block is selected) get the levels of the test's model, as one
// step of the history. The simulator runs on a worker thread; a wait window with "Отмена"
// shows meanwhile. The model files, top module, map and sampling point are those the model
// check window keeps for the test.

#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "model/test_document.h"
#include "modelcheck/fill_from_model.h"
#include "platform/prompter.h"
#include "platform/settings_store.h"

class QAction;
class QProgressDialog;

namespace kvx::diagram {
class DiagramWidget;
}

namespace kvx::modelcheck::ui {

class ModelJob;

/// A command that needs the model of a test which has none.
inline constexpr const char* kNoModelFiles =
    "Для этого теста не заданы файлы модели: укажите их в окне «Сервис» > «Проверить на модели...» "
    "(тест должен быть сохранён) и повторите команду";
/// The test was changed while the model ran: the result belongs to the test as it was.
inline constexpr const char* kFillTestChanged =
    "Тест изменился, пока работала модель: уровни не записаны. Повторите команду";

/// The options of the open test's model, or nullopt with the Russian message (no model files,
/// a map that cannot be read).
std::optional<CheckOptions> modelOptionsOf(const model::TestDocument& doc, const platform::SettingsStore& settings,
                                           std::string& error);

class FillFromModelCommand : public QObject {
    Q_OBJECT
public:
    FillFromModelCommand(model::TestDocument& doc, platform::Prompter& prompter, platform::SettingsStore& settings,
                         diagram::DiagramWidget& diagram, QWidget* window);
    ~FillFromModelCommand() override;
    QAction* action() const { return action_; }
    /// Called just before and just after the levels are written, so that they are one step of
    /// the history however the user's input fell around the run.
    void setStepBoundary(std::function<void()> boundary) { boundary_ = std::move(boundary); }
    /// The simulation's time limit in seconds (the model check's default unless changed).
    void setTimeLimit(int seconds) { timeLimit_ = seconds; }

    bool running() const;
    /// The wait window of a running fill; null otherwise.
    QProgressDialog* waitWindow() const { return wait_; }

public slots:
    /// Starts the fill of the open test; a message when it has no model.
    void run();
    /// "Отмена" of the wait window.
    void cancel();

signals:
    /// The fill ended: written, refused, cancelled or dropped because the test changed.
    void finished();

private:
    void done();

    model::TestDocument& doc_;
    platform::Prompter& prompter_;
    platform::SettingsStore& settings_;
    diagram::DiagramWidget& diagram_;
    QWidget* window_;
    QAction* action_ = nullptr;
    ModelJob* job_ = nullptr;
    QProgressDialog* wait_ = nullptr;
    std::function<void()> boundary_;
    int timeLimit_ = CheckOptions{}.timeLimitSeconds;

    // The run: the test as it was at its start and what the model gave.
    std::unique_ptr<model::TestDocument> snapshot_;
    std::string snapshotBytes_;
    std::shared_ptr<FillOutcome> outcome_;
};

}  // namespace kvx::modelcheck::ui
