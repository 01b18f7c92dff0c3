#include "modelcheck/ui/fill_from_model_command.h"

#include <QAction>
#include <QProgressDialog>
#include <QPushButton>

#include "diagram/ui/diagram_widget.h"
#include "modelcheck/model_settings.h"
#include "modelcheck/ui/model_job.h"
#include "storage/test_file.h"

namespace kvx::modelcheck::ui {

std::optional<CheckOptions> modelOptionsOf(const model::TestDocument& doc, const platform::SettingsStore& settings,
                                           std::string& error) {
    const ModelSettings s = loadModelSettings(settings, doc.fileName());
    if (s.models.empty()) {
        error = kNoModelFiles;
        return std::nullopt;
    }
    return checkOptions(s, error);
}

FillFromModelCommand::FillFromModelCommand(model::TestDocument& doc, platform::Prompter& prompter,
                                           platform::SettingsStore& settings, diagram::DiagramWidget& diagram,
                                           QWidget* window)
    : QObject(window), doc_(doc), prompter_(prompter), settings_(settings), diagram_(diagram), window_(window) {
    action_ = new QAction(QStringLiteral("Заполнить выходы по модели"), this);
    action_->setObjectName(QStringLiteral("fillFromModelAction"));
    action_->setStatusTip(QStringLiteral("Ожидаемые уровни выходов из модели микросхемы (в выделенном блоке — только его такты)"));
    connect(action_, &QAction::triggered, this, &FillFromModelCommand::run);
    job_ = new ModelJob(this);
    connect(job_, &ModelJob::finished, this, &FillFromModelCommand::done);
}

FillFromModelCommand::~FillFromModelCommand() {
    // The worker reads the snapshot: it is stopped before the snapshot goes.
    delete job_;
    job_ = nullptr;
}

bool FillFromModelCommand::running() const { return job_ && job_->running(); }

void FillFromModelCommand::run() {
    if (job_->running()) return;
    std::string error;
    auto options = modelOptionsOf(doc_, settings_, error);
    if (!options) {
        prompter_.error(error);
        return;
    }
    options->timeLimitSeconds = timeLimit_;
    int first = 0, last = 0;
    if (const auto block = diagram_.block(); !block.empty()) {
        first = block.firstTact;
        last = block.lastTact;
    }
    snapshot_ = std::make_unique<model::TestDocument>(doc_);
    snapshotBytes_ = storage::writeTestFileBytes(doc_);
    outcome_ = std::make_shared<FillOutcome>();

    // The test cannot be edited while the wait window shows; the main window still repaints.
    wait_ = new QProgressDialog(first ? QStringLiteral("Заполнение выходов по модели, такты %1–%2...").arg(first).arg(last)
                                      : QStringLiteral("Заполнение выходов по модели..."),
                                QStringLiteral("Отмена"), 0, 0, window_);
    wait_->setObjectName(QStringLiteral("fillWait"));
    wait_->setWindowTitle(QStringLiteral("Заполнить выходы по модели"));
    wait_->setWindowModality(Qt::ApplicationModal);
    wait_->setMinimumDuration(0);
    wait_->setAutoClose(false);
    wait_->setAutoReset(false);
    // The window closes when the work returns, not when "Отмена" is pressed.
    disconnect(wait_, &QProgressDialog::canceled, wait_, &QProgressDialog::cancel);
    connect(wait_, &QProgressDialog::canceled, this, &FillFromModelCommand::cancel);
    wait_->show();

    const model::TestDocument* test = snapshot_.get();
    auto out = outcome_;
    job_->start([test, out, first, last, opts = *options](const ModelJob::Context& c) mutable {
        opts.control = &c.control;
        *out = fillFromModel(*test, opts, first, last);
    });
}

void FillFromModelCommand::cancel() {
    if (!job_->running()) return;
    job_->cancel();
    if (wait_) wait_->setLabelText(QStringLiteral("Остановка симулятора..."));
}

void FillFromModelCommand::done() {
    if (wait_) {
        wait_->hide();
        wait_->deleteLater();
        wait_ = nullptr;
    }
    const std::shared_ptr<FillOutcome> out = std::move(outcome_);
    const std::string before = std::move(snapshotBytes_);
    snapshot_.reset();
    if (!out || out->cancelled || job_->cancelled()) {
        emit finished();
        return;
    }
    if (out->refused) {
        prompter_.error(out->error);
    } else if (storage::writeTestFileBytes(doc_) != before) {
        prompter_.error(kFillTestChanged);
    } else {
        if (boundary_) boundary_();
        applyFill(doc_, *out);
        if (boundary_) boundary_();
        diagram_.documentRestored();
        std::string text = out->message();
        for (const auto& note : out->notes) text += "\n" + note;
        prompter_.ask(text, platform::Icon::Information, platform::Buttons::Ok);
    }
    emit finished();
}

}  // namespace kvx::modelcheck::ui
