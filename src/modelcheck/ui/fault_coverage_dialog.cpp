#include "modelcheck/ui/fault_coverage_dialog.h"

#include <QAction>
#include <QBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "diagram/diagram_view.h"
#include "diagram/ui/diagram_widget.h"
#include "modelcheck/model_settings.h"
#include "modelcheck/ui/fill_from_model_command.h"
#include "modelcheck/ui/model_job.h"
#include "storage/test_file.h"

namespace kvx::modelcheck::ui {

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

FaultCoverageDialog::FaultCoverageDialog(model::TestDocument& doc, platform::Prompter& prompter,
                                         platform::SettingsStore& settings, diagram::DiagramWidget& diagram,
                                         QWidget* parent)
    : QDialog(parent),
      doc_(doc),
      prompter_(prompter),
      settings_(settings),
      diagram_(diagram),
      timeLimit_(CheckOptions{}.timeLimitSeconds) {
    setWindowTitle(QStringLiteral("Покрытие неисправностей"));
    setObjectName(QStringLiteral("faultCoverageDialog"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    figure_ = new QLabel(this);
    figure_->setWordWrap(true);
    figure_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = figure_->font();
    bold.setBold(true);
    figure_->setFont(bold);
    layout->addWidget(figure_);
    bar_ = new QProgressBar(this);
    bar_->setFormat(QStringLiteral("%v из %m"));
    layout->addWidget(bar_);
    layout->addWidget(new QLabel(QStringLiteral("Необнаруживаемые неисправности (двойной щелчок — к строке вывода):"), this));
    list_ = new QListWidget(this);
    list_->setMinimumSize(420, 160);
    layout->addWidget(list_, 1);
    note_ = new QLabel(this);
    note_->setWordWrap(true);
    layout->addWidget(note_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    start_ = new QPushButton(QStringLiteral("Оценить"), this);
    cancel_ = new QPushButton(QStringLiteral("Отмена"), this);
    buttons->addWidget(start_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);

    job_ = new ModelJob(this);
    connect(job_, &ModelJob::progressed, this, [this](int done, int all) {
        if (all > 0) {
            bar_->setRange(0, all);
            bar_->setValue(done);
            figure_->setText(QStringLiteral("Оценено %1 из %2 неисправностей...").arg(done).arg(all));
        }
    });
    connect(job_, &ModelJob::finished, this, &FaultCoverageDialog::graded);
    connect(start_, &QPushButton::clicked, this, &FaultCoverageDialog::start);
    connect(cancel_, &QPushButton::clicked, this, &FaultCoverageDialog::cancel);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { goToLine(list_->row(item)); });
    updateEnabled();
}

FaultCoverageDialog::~FaultCoverageDialog() {
    // The worker reads the snapshot: it is stopped before the snapshot goes.
    delete job_;
    job_ = nullptr;
}

bool FaultCoverageDialog::running() const { return job_ && job_->running(); }

void FaultCoverageDialog::updateEnabled() {
    start_->setEnabled(!running());
    cancel_->setText(running() ? QStringLiteral("Отмена") : QStringLiteral("Закрыть"));
}

void FaultCoverageDialog::start() {
    if (running()) return;
    list_->clear();
    note_->clear();
    diagram_.clearMarkedPins();
    const ModelSettings s = loadModelSettings(settings_, doc_.fileName());
    if (s.models.empty()) {
        showWithoutModel();
        return;
    }
    std::string error;
    auto options = checkOptions(s, error);
    if (!options) {
        figure_->setText(q(error));
        prompter_.error(error);
        return;
    }
    options->timeLimitSeconds = timeLimit_;
    snapshot_ = std::make_unique<model::TestDocument>(doc_);
    snapshotBytes_ = storage::writeTestFileBytes(doc_);
    outcome_ = std::make_shared<GradeOutcome>();
    figure_->setText(QStringLiteral("Компиляция модели и проверка исправной модели..."));
    bar_->setRange(0, 0);  // busy until the faults are counted
    const model::TestDocument* test = snapshot_.get();
    auto out = outcome_;
    job_->start([test, out, opts = *options, jobs = jobs_](const ModelJob::Context& c) mutable {
        opts.control = &c.control;
        GradeOptions g;
        g.check = opts;
        g.jobs = jobs;
        g.progress = [&c](int done, int all) {
            c.all = all;
            c.done = done;
        };
        *out = gradeTest(*test, g);
    });
    updateEnabled();
}

void FaultCoverageDialog::cancel() {
    if (running()) {
        job_->cancel();
        figure_->setText(QStringLiteral("Остановка симулятора..."));
        cancel_->setEnabled(false);
        return;
    }
    reject();
}

void FaultCoverageDialog::reject() {
    if (running()) {
        cancel();
        return;
    }
    QDialog::reject();
}

void FaultCoverageDialog::testChanged() {
    diagram_.clearMarkedPins();
    if (!running() && list_->count() > 0)
        note_->setText(QStringLiteral("Тест изменён после оценки: нажмите «Оценить», чтобы оценить его снова"));
}

void FaultCoverageDialog::graded() {
    cancel_->setEnabled(true);
    const std::shared_ptr<GradeOutcome> out = std::move(outcome_);
    const std::string before = std::move(snapshotBytes_);
    const std::unique_ptr<model::TestDocument> test = std::move(snapshot_);
    // A finished grading shows every fault done; a stopped one stays where it stopped.
    const int all = std::max(1, job_->all());
    bar_->setRange(0, all);
    bar_->setValue(out && !out->refused ? all : job_->done());
    if (!out || out->cancelled || job_->cancelled()) {
        figure_->setText(kCoverageCancelled);
    } else if (storage::writeTestFileBytes(doc_) != before) {
        figure_->setText(kCoverageTestChanged);
    } else if (out->refused) {
        figure_->setText(q(out->error.substr(0, out->error.find('\n'))));
        std::vector<std::string> rest;
        for (std::size_t at = out->error.find('\n'); at != std::string::npos;) {
            const std::size_t next = out->error.find('\n', at + 1);
            rest.push_back(out->error.substr(at + 1, next == std::string::npos ? next : next - at - 1));
            at = next;
        }
        for (const auto& line : rest) list_->addItem(q(line));
        prompter_.error(out->error);
    } else {
        const std::vector<std::string> lines = gradeReport(*test, *out, false);
        std::vector<int> rows, pins;
        for (const GradedFault& f : out->faults)
            if (!f.detected) {
                rows.push_back(f.site.pin);
                pins.push_back(f.site.pin);
            }
        showLines(lines, rows, pins);
        if (rows.empty()) list_->addItem(QStringLiteral("Тест обнаруживает каждую неисправность выводов"));
        std::string notes;
        for (const auto& n : out->notes) notes += (notes.empty() ? "" : "\n") + n;
        note_->setText(q(notes));
    }
    updateEnabled();
}

void FaultCoverageDialog::showWithoutModel() {
    const auto faults = faultsWithoutModel(doc_);
    std::vector<std::string> lines = withoutModelReport(doc_, faults);
    const std::string inputs = lines.back();
    lines.pop_back();
    lines.insert(lines.begin(), "Файлы модели не заданы: оценены только выходы, по их ожидаемым уровням");
    std::vector<int> rows, pins;
    for (const UnseenFault& f : faults) {
        rows.push_back(f.row);
        pins.push_back(diagram::pinOfRow(f.row));
    }
    if (faults.empty()) rows.push_back(0);  // the line that every output expects both levels
    showLines(lines, rows, pins);
    bar_->setRange(0, 1);
    bar_->setValue(1);
    note_->setText(q(inputs) + QStringLiteral(" (окно «Сервис» > «Проверить на модели...»)"));
    updateEnabled();
}

void FaultCoverageDialog::showLines(const std::vector<std::string>& lines, const std::vector<int>& rows,
                                    std::vector<int> pins) {
    figure_->setText(lines.empty() ? QString() : q(lines.front()));
    list_->clear();
    for (std::size_t i = 1; i < lines.size(); ++i) {
        auto* item = new QListWidgetItem(q(lines[i]), list_);
        item->setData(Qt::UserRole, i - 1 < rows.size() ? rows[i - 1] : 0);
    }
    diagram_.setMarkedPins(std::move(pins));
}

void FaultCoverageDialog::goToLine(int line) {
    const QListWidgetItem* item = list_->item(line);
    if (!item) return;
    const int row = item->data(Qt::UserRole).toInt();
    if (row > 0) diagram_.goToCell(row, std::max(1, diagram_.view().currentTact()));
}

FaultCoverageCommand::FaultCoverageCommand(model::TestDocument& doc, platform::Prompter& prompter,
                                           platform::SettingsStore& settings, diagram::DiagramWidget& diagram,
                                           QWidget* window)
    : QObject(window), doc_(doc), prompter_(prompter), settings_(settings), diagram_(diagram), window_(window) {
    action_ = new QAction(QStringLiteral("Покрытие неисправностей..."), this);
    action_->setObjectName(QStringLiteral("faultCoverageAction"));
    action_->setStatusTip(QStringLiteral("Какие неисправности выводов (константа 0 и 1) тест обнаруживает на модели"));
    connect(action_, &QAction::triggered, this, &FaultCoverageCommand::open);
}

void FaultCoverageCommand::open() {
    if (!dialog_) {
        dialog_ = new FaultCoverageDialog(doc_, prompter_, settings_, diagram_, window_);
        dialog_->setTimeLimit(timeLimit_);
    }
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
    if (!dialog_->running()) dialog_->start();
}

void FaultCoverageCommand::setTimeLimit(int seconds) {
    timeLimit_ = seconds;
    if (dialog_) dialog_->setTimeLimit(seconds);
}

void FaultCoverageCommand::testChanged() {
    if (dialog_) dialog_->testChanged();
}

}  // namespace kvx::modelcheck::ui
