#include "modelcheck/ui/model_check_dialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "diagram/ui/diagram_widget.h"
#include "exchange/vcd_import.h"
#include "modelcheck/model_check.h"
#include "modelcheck/port_map.h"
#include "modelcheck/process.h"

namespace kvx::modelcheck::ui {

namespace {

constexpr std::size_t kListed = 1000;

QString q(const std::string& utf8) { return QString::fromStdString(utf8); }

std::string readText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll().toStdString();
}

/// The model files are kept as one value, a line each.
std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream s(text);
    for (std::string line; std::getline(s, line);)
        if (!line.empty()) out.push_back(line);
    return out;
}

/// The automatic map is asked for by this word (or an empty field).
bool automaticMap(const QString& text) {
    const QString t = text.trimmed();
    return t.isEmpty() || t.compare(QStringLiteral("auto"), Qt::CaseInsensitive) == 0;
}

}  // namespace

std::string modelFilesName(const std::string& testPath) {
    // FNV-1a of the path: the settings take no path separators in a value's name.
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : testPath) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

ModelCheckDialog::ModelCheckDialog(model::TestDocument& doc, platform::Prompter& prompter,
                                   platform::SettingsStore& settings, diagram::DiagramWidget& diagram,
                                   std::function<std::string()> folder, QWidget* parent)
    : QDialog(parent), doc_(doc), prompter_(prompter), settings_(settings), diagram_(diagram), folder_(std::move(folder)) {
    setObjectName(QStringLiteral("ModelCheckDialog"));
    setWindowTitle(QStringLiteral("Проверка на модели"));
    auto* layout = new QVBoxLayout(this);

    layout->addWidget(new QLabel(QStringLiteral("Файлы модели (Verilog):"), this));
    auto* files = new QHBoxLayout;
    models_ = new QListWidget(this);
    models_->setObjectName(QStringLiteral("modelList"));
    models_->setMaximumHeight(90);
    files->addWidget(models_);
    auto* fileButtons = new QVBoxLayout;
    add_ = new QPushButton(QStringLiteral("Добавить..."), this);
    remove_ = new QPushButton(QStringLiteral("Удалить"), this);
    fileButtons->addWidget(add_);
    fileButtons->addWidget(remove_);
    fileButtons->addStretch();
    files->addLayout(fileButtons);
    layout->addLayout(files);

    auto* form = new QFormLayout;
    top_ = new QComboBox(this);
    top_->setObjectName(QStringLiteral("topField"));
    top_->setEditable(true);
    top_->setToolTip(QStringLiteral("Пусто: единственный верхний модуль файлов"));
    form->addRow(QStringLiteral("Верхний модуль:"), top_);
    auto* mapRow = new QHBoxLayout;
    map_ = new QLineEdit(QStringLiteral("auto"), this);
    map_->setObjectName(QStringLiteral("mapField"));
    map_->setToolTip(QStringLiteral("auto: порты, названные как выводы, p<N>, pin<N>, VCC, GND и слова данных; "
                                    "иначе файл карты со строками «ПОРТ pin N», «ПОРТ out N», «ПОРТ word K»"));
    mapFile_ = new QPushButton(QStringLiteral("Файл карты..."), this);
    mapRow->addWidget(map_);
    mapRow->addWidget(mapFile_);
    form->addRow(QStringLiteral("Карта портов:"), mapRow);
    sample_ = new QSpinBox(this);
    sample_->setObjectName(QStringLiteral("sampleField"));
    sample_->setRange(0, 100);
    sample_->setValue(100);
    sample_->setSuffix(QStringLiteral(" % такта"));
    form->addRow(QStringLiteral("Момент сравнения:"), sample_);
    layout->addLayout(form);

    auto* buttons = new QHBoxLayout;
    progress_ = new QLabel(this);
    progress_->setObjectName(QStringLiteral("progressLabel"));
    progress_->setWordWrap(true);
    run_ = new QPushButton(QStringLiteral("Проверить"), this);
    run_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Отмена"), this);
    buttons->addWidget(progress_, 1);
    buttons->addWidget(run_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);

    mismatchList_ = new QListWidget(this);
    mismatchList_->setObjectName(QStringLiteral("mismatchList"));
    mismatchList_->setToolTip(QStringLiteral("Двойной щелчок: перейти к ячейке на диаграмме"));
    layout->addWidget(mismatchList_, 1);

    connect(add_, &QPushButton::clicked, this, &ModelCheckDialog::addModel);
    connect(remove_, &QPushButton::clicked, this, &ModelCheckDialog::removeModel);
    connect(mapFile_, &QPushButton::clicked, this, &ModelCheckDialog::chooseMap);
    connect(run_, &QPushButton::clicked, this, &ModelCheckDialog::start);
    connect(cancel_, &QPushButton::clicked, this, &ModelCheckDialog::cancel);
    connect(mismatchList_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { goToLine(mismatchList_->row(item)); });
    resize(560, 460);
}

ModelCheckDialog::~ModelCheckDialog() {
    if (process_) {
        process_->disconnect(this);
        process_->kill();
        process_->waitForFinished(3000);
    }
}

std::vector<std::string> ModelCheckDialog::modelFiles() const {
    std::vector<std::string> out;
    for (int i = 0; i < models_->count(); ++i) out.push_back(models_->item(i)->text().toStdString());
    return out;
}

void ModelCheckDialog::loadForTest() {
    models_->clear();
    if (!doc_.fileName().empty())
        for (const auto& f : splitLines(settings_.value(kModelFilesKey, modelFilesName(doc_.fileName()))))
            models_->addItem(q(f));
    refreshTopModules();
}

void ModelCheckDialog::rememberModels() {
    if (doc_.fileName().empty()) return;  // a test never saved has no place in the settings
    std::string value;
    for (const auto& f : modelFiles()) value += f + "\n";
    settings_.setValue(kModelFilesKey, modelFilesName(doc_.fileName()), value);
}

void ModelCheckDialog::refreshTopModules() {
    const QString chosen = top_->currentText();
    top_->clear();
    const auto files = modelFiles();
    if (!files.empty() && programAvailable(kCompiler)) {
        // The model alone compiles in a moment; its compiled file names the top modules.
        QTemporaryDir dir;
        std::vector<std::string> args = {kCompiler, "-o", dir.filePath(QStringLiteral("model.vvp")).toStdString()};
        args.insert(args.end(), files.begin(), files.end());
        if (runProgram(args, dir.filePath(QStringLiteral("compile.log")).toStdString()).exitCode == 0) {
            std::string error;
            std::vector<std::string> roots;
            readModelInterface(readText(dir.filePath(QStringLiteral("model.vvp"))), "", error, &roots);
            for (const auto& r : roots) top_->addItem(q(r));
        }
    }
    if (!chosen.isEmpty()) top_->setCurrentText(chosen);
}

void ModelCheckDialog::addModel() {
    if (running()) return;
    const auto file = prompter_.openOtherFileName(folder_ ? folder_() : std::string(), kModelFilter);
    if (!file) return;
    if (models_->findItems(q(*file), Qt::MatchExactly).isEmpty()) models_->addItem(q(*file));
    rememberModels();
    refreshTopModules();
}

void ModelCheckDialog::removeModel() {
    if (running()) return;
    const int row = models_->currentRow();
    if (row < 0) return;
    delete models_->takeItem(row);
    rememberModels();
    refreshTopModules();
}

void ModelCheckDialog::chooseMap() {
    if (const auto file = prompter_.openOtherFileName(folder_ ? folder_() : std::string(), kMapFilter))
        map_->setText(q(*file));
}

void ModelCheckDialog::setRunning(bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{models_, add_, remove_, top_, map_, mapFile_, sample_, run_})
        w->setEnabled(!on);
}

void ModelCheckDialog::start() {
    if (running()) return;
    mismatches_.clear();
    mismatchList_->clear();
    firstMismatchLine_ = 0;
    diagram_.clearMarkedCells();
    runModels_ = modelFiles();
    if (runModels_.empty()) {
        prompter_.error("Добавьте файлы модели");
        return;
    }
    for (const auto& f : runModels_)
        if (!QFile::exists(q(f))) {
            prompter_.error("Нет файла модели " + f);
            return;
        }
    if (!programAvailable(kCompiler) || !programAvailable(kSimulator)) {
        progress_->setText(q(kNoSimulator));
        prompter_.error(kNoSimulator);
        return;
    }
    work_ = std::make_unique<QTemporaryDir>();
    if (!work_->isValid()) {
        prompter_.error("Не удалось создать временную папку для проверки");
        return;
    }
    snapshot_ = std::make_unique<model::TestDocument>(doc_);
    setRunning(true);
    std::vector<std::string> args = {kCompiler, "-o", work_->filePath(QStringLiteral("model.vvp")).toStdString()};
    args.insert(args.end(), runModels_.begin(), runModels_.end());
    progress_->setText(QStringLiteral("Компиляция модели..."));
    runStep(Step::Model, args);
}

void ModelCheckDialog::runStep(Step step, const std::vector<std::string>& arguments) {
    step_ = step;
    process_ = new QProcess(this);
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->setWorkingDirectory(work_->path());
    QStringList args;
    for (std::size_t i = 1; i < arguments.size(); ++i) args << q(arguments[i]);
    connect(process_, &QProcess::finished, this, &ModelCheckDialog::stepFinished);
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) finish(q(kNoSimulator));
    });
    process_->start(q(arguments.front()), args);
}

void ModelCheckDialog::stepFinished(int exitCode, QProcess::ExitStatus status) {
    if (!process_) return;
    std::string output = process_->readAll().toStdString();
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r' || output.back() == ' ')) output.pop_back();
    process_->deleteLater();
    process_ = nullptr;
    const Step step = step_;
    if (status != QProcess::NormalExit || exitCode != 0) {
        const char* what = step == Step::Model       ? "Модель не компилируется:\n"
                           : step == Step::Testbench ? "Модель не компилируется с испытательным модулем:\n"
                                                     : "Симуляция завершилась с ошибкой:\n";
        finish(q(what + output));
        return;
    }
    if (step == Step::Model) afterModel(output);
    else if (step == Step::Testbench) afterTestbench(output);
    else afterSimulation(output);
}

void ModelCheckDialog::afterModel(const std::string&) {
    std::string error;
    const auto model = readModelInterface(readText(work_->filePath(QStringLiteral("model.vvp"))),
                                          top_->currentText().trimmed().toStdString(), error);
    if (!model) return finish(q(error));
    CheckOptions options;
    options.models = runModels_;
    options.samplePercent = sample_->value();
    if (!automaticMap(map_->text())) {
        const std::string path = map_->text().trimmed().toStdString();
        std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())), std::ios::binary);
        if (!in) return finish(q("Не удалось прочитать файл " + path));
        std::stringstream text;
        text << in.rdbuf();
        auto parsed = exchange::parseMap(text.str(), error);
        if (!parsed) return finish(q(path + ": " + error));
        if (parsed->empty()) return finish(q(path + ": в карте нет ни одного порта"));
        options.autoMap = false;
        options.map = std::move(*parsed);
    }
    std::vector<std::string> notes;
    const auto bindings = bindingsFor(*snapshot_, *model, options, error, &notes);
    if (!bindings) return finish(q(error));
    for (const auto& n : notes) mismatchList_->addItem(q(n));
    firstMismatchLine_ = mismatchList_->count();
    bench_ = std::make_unique<Testbench>(makeTestbench(*snapshot_, *model, *bindings, options.samplePercent));
    if (error = writeTestbench(*bench_, work_->path().toStdString()); !error.empty()) return finish(q(error));
    std::vector<std::string> args = {kCompiler, "-o", work_->filePath(QStringLiteral("check.vvp")).toStdString(), "-s",
                                     kTestbenchModule, work_->filePath(q(kTestbenchFile)).toStdString()};
    args.insert(args.end(), runModels_.begin(), runModels_.end());
    progress_->setText(QStringLiteral("Компиляция испытательного модуля..."));
    runStep(Step::Testbench, args);
}

void ModelCheckDialog::afterTestbench(const std::string&) {
    progress_->setText(QStringLiteral("Симуляция %1 тактов...").arg(snapshot_->tactCount()));
    runStep(Step::Simulation, {kSimulator, "-n", work_->filePath(QStringLiteral("check.vvp")).toStdString(),
                               "+vectors=" + work_->filePath(q(kVectorFile)).toStdString(),
                               "+result=" + work_->filePath(q(kResultFile)).toStdString()});
}

void ModelCheckDialog::afterSimulation(const std::string& output) {
    const Comparison c = compareResult(*snapshot_, *bench_, readText(work_->filePath(q(kResultFile))));
    if (!c.ok) return finish(q(c.error + (output.empty() ? std::string() : ":\n" + output)));
    mismatches_ = c.mismatches;
    // Every mismatch is framed; the list shows the first kListed of them and the count of the others.
    const auto report = reportLines(*snapshot_, c, kListed);
    for (std::size_t i = 0; i + 1 < report.size(); ++i) mismatchList_->addItem(q(report[i]));
    std::vector<diagram::DiagramWidget::MarkedCell> marks;
    for (const Mismatch& m : mismatches_) marks.push_back({m.row, m.tact});
    diagram_.setMarkedCells(std::move(marks));
    finish(q(report.back()));
}

void ModelCheckDialog::finish(const QString& text) {
    if (process_) {
        process_->disconnect(this);
        process_->kill();
        process_->waitForFinished(3000);
        process_->deleteLater();
        process_ = nullptr;
    }
    step_ = Step::Idle;
    work_.reset();
    bench_.reset();
    snapshot_.reset();
    setRunning(false);
    progress_->setText(text);
    emit checkFinished();
}

void ModelCheckDialog::cancel() {
    if (running()) {
        finish(QStringLiteral("Проверка отменена"));
        return;
    }
    hide();
}

void ModelCheckDialog::goToLine(int line) {
    // Notes about the map come before the mismatches.
    const int index = line - firstMismatchLine_;
    if (index < 0 || index >= static_cast<int>(std::min(mismatches_.size(), kListed))) return;
    const Mismatch& m = mismatches_[static_cast<std::size_t>(index)];
    diagram_.goToCell(m.row, m.tact);
}

void ModelCheckDialog::reject() { cancel(); }

void ModelCheckDialog::closeEvent(QCloseEvent* e) {
    if (running()) finish(QStringLiteral("Проверка отменена"));
    QDialog::closeEvent(e);
}

ModelCheckCommand::ModelCheckCommand(model::TestDocument& doc, platform::Prompter& prompter,
                                     platform::SettingsStore& settings, diagram::DiagramWidget& diagram,
                                     std::function<std::string()> folder, QWidget* window)
    : QObject(window), doc_(doc), prompter_(prompter), settings_(settings), diagram_(diagram),
      folder_(std::move(folder)), window_(window) {
    action_ = new QAction(QStringLiteral("Проверить на модели..."), this);
    action_->setObjectName(QStringLiteral("modelCheckAction"));
    connect(action_, &QAction::triggered, this, &ModelCheckCommand::open);
}

void ModelCheckCommand::open() {
    if (!diagram_.diagramShown()) return;
    if (!dialog_) dialog_ = new ModelCheckDialog(doc_, prompter_, settings_, diagram_, folder_, window_);
    if (!dialog_->running()) dialog_->loadForTest();
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
}

}  // namespace kvx::modelcheck::ui
