#include "modelcheck/ui/model_check_dialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>
#include <utility>

#include "diagram/ui/diagram_widget.h"
#include "exchange/ui/map_table.h"
#include "exchange/vcd_import.h"
#include "modelcheck/model_check.h"
#include "modelcheck/port_map.h"
#include "modelcheck/process.h"
#include "params/comment_file.h"
#include "storage/file_replace.h"
#include "storage/same_file.h"
#include "storage/test_file.h"

namespace kvx::modelcheck::ui {

namespace {

constexpr std::size_t kListed = 1000;

QString q(const std::string& utf8) { return QString::fromStdString(utf8); }

std::string readText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll().toStdString();
}

std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s;
}

const char* const kNotMapped = "—";
const char* const kByBits = "по разрядам";
const char* const kReplaceQuestion = "Заменить существующий файл?";
const char* const kListingText = "Чтение модулей и портов модели...";

/// What a chooser item stands for.
enum ChoiceKind { NotMapped = 0, ByBits = 1, Target = 2 };
/// Where the choice "по разрядам" stands in the list of a vector port.
constexpr int kByBitsIndex = 1;
constexpr int kKindRole = Qt::UserRole;
constexpr int kTargetKindRole = Qt::UserRole + 1;
constexpr int kNumberRole = Qt::UserRole + 2;

/// "Q" for "Q[2]"; the name itself otherwise.
std::string portOf(const std::string& signal) {
    const auto open = signal.rfind('[');
    return open != std::string::npos && open > 0 && signal.back() == ']' ? signal.substr(0, open) : signal;
}

/// "d[2]": one bit of a vector port by its declared index.
std::string bitName(const ModelPort& p, int bit) {
    return p.name + "[" + std::to_string(p.msb >= p.lsb ? p.lsb + bit : p.lsb - bit) + "]";
}

QString direction(PortDirection d) {
    return d == PortDirection::Input    ? QStringLiteral("вход")
           : d == PortDirection::Output ? QStringLiteral("выход")
                                        : QStringLiteral("вход/выход");
}

/// "Строка 3 карты: " for a line read from a map text.
std::string lineOf(const exchange::MapEntry& e) {
    return e.line > 0 ? "Строка " + std::to_string(e.line) + " карты: " : std::string();
}

std::filesystem::path fsPath(const std::string& utf8) { return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())); }

/// "1:05" for 65 seconds.
QString clockText(qint64 seconds) {
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

/// True when `b` is the test `a` as its file carries it, the comparison the filling from the
/// model and the fault coverage make too.
bool sameTest(const model::TestDocument& a, const model::TestDocument& b) {
    return storage::writeTestFileBytes(a) == storage::writeTestFileBytes(b);
}

/// The text with a break opportunity (a zero-width space) after the path separators of a word
/// longer than a line can be, and within it every kLongWord characters, so that a label wraps a
/// path or a compiler's line at its width instead of growing the window.
QString breakable(const QString& text) {
    constexpr int kLongWord = 30;
    QString out, word;
    auto flush = [&] {
        if (word.size() <= kLongWord) {
            out += word;
        } else {
            int run = 0;
            for (const QChar c : word) {
                out += c;
                if (c == QLatin1Char('/') || c == QLatin1Char('\\') || ++run >= kLongWord) {
                    out += QChar(0x200B);
                    run = 0;
                }
            }
        }
        word.clear();
    };
    for (const QChar c : text) {
        if (c.isSpace()) {
            flush();
            out += c;
        } else {
            word += c;
        }
    }
    flush();
    return out;
}

}  // namespace

/// The check on its thread: compiled and simulated in a work folder of its own, compared with
/// the test as it was when the check started.
struct ModelCheckDialog::Run {
    model::TestDocument snapshot;
    CheckOptions options;
    RunControl control;
    std::atomic<int> step{0};  ///< 0: compiling, 1: simulating
    std::atomic<bool> done{false};
    CheckOutcome outcome;      ///< written by the thread before done
    bool timedOut = false;
    std::thread thread;

    explicit Run(const model::TestDocument& doc) : snapshot(doc) {}
    void work() {
        try {
            const WorkFolder folder;
            const auto check = compileCheck(snapshot, options, folder.path, false, outcome);
            if (check) {
                step = 1;
                const SimulationRun sim = simulateCheck(*check, folder.path, options, {}, "");
                outcome.times.simulate = sim.seconds;
                if (!sim.error.empty()) {
                    outcome.error = sim.error;
                    outcome.cancelled = sim.cancelled;
                    timedOut = sim.timedOut;
                } else {
                    outcome.comparison = compareResult(snapshot, check->bench, sim.result);
                    if (outcome.comparison.ok) outcome.refused = false;
                    else outcome.error = outcome.comparison.error + (sim.log.empty() ? std::string() : ":\n" + sim.log);
                }
            }
        } catch (const std::exception& e) {
            outcome.refused = true;
            outcome.error = std::string("Проверка не удалась: ") + e.what();
        }
        done = true;
    }
    /// Stops the check and waits for its thread.
    void stop() {
        control.cancel();
        if (thread.joinable()) thread.join();
    }
    ~Run() { stop(); }
};

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
    top_->setInsertPolicy(QComboBox::NoInsert);
    top_->setToolTip(QStringLiteral("Пусто: единственный верхний модуль файлов"));
    form->addRow(QStringLiteral("Верхний модуль:"), top_);
    layout->addLayout(form);

    layout->addWidget(new QLabel(QStringLiteral("Порты модели и строки теста:"), this));
    table_ = exchange::ui::newMapTable({QStringLiteral("Порт"), QStringLiteral("Вид"), QStringLiteral("Строка теста")}, this);
    table_->setObjectName(QStringLiteral("mapTable"));
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    focus_ = new exchange::ui::ChooserFocus(table_);
    layout->addWidget(table_, 2);
    auto* mapButtons = new QHBoxLayout;
    fromNames_ = new QPushButton(QStringLiteral("Из имён"), this);
    fromNames_->setToolTip(QStringLiteral("Назначить порты, названные как выводы, p<N>, pin<N>, VCC, GND и слова данных"));
    loadMap_ = new QPushButton(QStringLiteral("Загрузить..."), this);
    loadMap_->setToolTip(QStringLiteral("Файл карты: строки «ПОРТ pin N», «ПОРТ out N», «ПОРТ word K»"));
    saveMap_ = new QPushButton(QStringLiteral("Сохранить..."), this);
    saveMap_->setToolTip(QStringLiteral("Записать таблицу файлом карты (для kvxtool check-model --map)"));
    busy_ = new QProgressBar(this);
    busy_->setRange(0, 0);
    busy_->setTextVisible(false);
    busy_->setMaximumWidth(120);
    busy_->hide();
    mapButtons->addWidget(fromNames_);
    mapButtons->addWidget(loadMap_);
    mapButtons->addWidget(saveMap_);
    mapButtons->addStretch();
    mapButtons->addWidget(busy_);
    layout->addLayout(mapButtons);
    mapStatus_ = new QLabel(this);
    mapStatus_->setObjectName(QStringLiteral("mapStatus"));
    mapStatus_->setWordWrap(true);
    layout->addWidget(mapStatus_);

    auto* sampleForm = new QFormLayout;
    sample_ = new QSpinBox(this);
    sample_->setObjectName(QStringLiteral("sampleField"));
    sample_->setRange(0, 100);
    sample_->setValue(100);
    sample_->setSuffix(QStringLiteral(" % такта"));
    sampleForm->addRow(QStringLiteral("Момент сравнения:"), sample_);
    limit_ = new QSpinBox(this);
    limit_->setObjectName(QStringLiteral("limitField"));
    limit_->setRange(1, 24 * 3600);
    limit_->setSuffix(QStringLiteral(" с"));
    limit_->setToolTip(QStringLiteral("Проверка, которая идёт дольше, останавливается (модель, видимо, зациклилась)"));
    {
        const QString stored = q(settings_.value(kModelCheckKey, "TimeLimit"));
        bool number = false;
        const int seconds = stored.toInt(&number);
        limit_->setValue(number && seconds >= 1 ? seconds : kDefaultTimeLimit);
    }
    sampleForm->addRow(QStringLiteral("Предел времени:"), limit_);
    layout->addLayout(sampleForm);

    auto* buttons = new QHBoxLayout;
    progress_ = new QLabel(this);
    progress_->setObjectName(QStringLiteral("progressLabel"));
    progress_->setWordWrap(true);
    elapsed_ = new QLabel(this);
    elapsed_->setObjectName(QStringLiteral("elapsedLabel"));
    run_ = new QPushButton(QStringLiteral("Проверить"), this);
    run_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Отмена"), this);
    buttons->addWidget(progress_, 1);
    buttons->addWidget(elapsed_);
    buttons->addWidget(run_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);

    mismatchList_ = new QListWidget(this);
    mismatchList_->setObjectName(QStringLiteral("mismatchList"));
    mismatchList_->setToolTip(QStringLiteral("Двойной щелчок: перейти к ячейке на диаграмме"));
    layout->addWidget(mismatchList_, 1);

    clock_ = new QTimer(this);
    clock_->setInterval(100);
    connect(clock_, &QTimer::timeout, this, &ModelCheckDialog::clockTick);
    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &ModelCheckDialog::modelFileChanged);
    connect(sample_, &QSpinBox::valueChanged, this, &ModelCheckDialog::rememberSample);
    connect(limit_, &QSpinBox::valueChanged, this,
            [this](int seconds) { settings_.setValue(kModelCheckKey, "TimeLimit", std::to_string(seconds)); });
    connect(add_, &QPushButton::clicked, this, &ModelCheckDialog::addModel);
    connect(remove_, &QPushButton::clicked, this, &ModelCheckDialog::removeModel);
    connect(top_, &QComboBox::currentTextChanged, this, [this] {
        if (!listing()) showPorts();
    });
    connect(fromNames_, &QPushButton::clicked, this, &ModelCheckDialog::fillFromNames);
    connect(loadMap_, &QPushButton::clicked, this, &ModelCheckDialog::loadMap);
    connect(saveMap_, &QPushButton::clicked, this, &ModelCheckDialog::saveMap);
    connect(run_, &QPushButton::clicked, this, &ModelCheckDialog::start);
    connect(cancel_, &QPushButton::clicked, this, &ModelCheckDialog::cancel);
    connect(mismatchList_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { goToLine(mismatchList_->row(item)); });
    resize(600, 680);
    updateEnabled();
}

ModelCheckDialog::~ModelCheckDialog() {
    // The check is stopped and its thread waited for.
    check_.reset();
    // The listing and listings given up that have not ended yet.
    for (QProcess* p : findChildren<QProcess*>()) {
        p->disconnect(this);
        p->kill();
        p->waitForFinished(3000);
    }
}

std::vector<std::string> ModelCheckDialog::modelFiles() const {
    std::vector<std::string> out;
    for (int i = 0; i < models_->count(); ++i) out.push_back(models_->item(i)->text().toStdString());
    return out;
}

void ModelCheckDialog::loadForTest() {
    models_->clear();
    choices_ = {};
    std::string top;
    int sample = 100;
    if (!doc_.fileName().empty()) {
        const ModelSettings kept = loadModelSettings(settings_, doc_.fileName());
        for (const auto& f : kept.models) models_->addItem(q(f));
        std::string error;
        if (auto remembered = readMapText(kept.mapText, error)) choices_ = std::move(*remembered);
        top = kept.top;
        sample = kept.samplePercent;
    }
    {
        const QSignalBlocker quiet(top_);
        top_->clear();
        top_->setEditText(q(top));
    }
    {
        const QSignalBlocker quiet(sample_);
        sample_->setValue(sample);
    }
    listModules();
}

void ModelCheckDialog::followOpenTest() {
    if (running()) finish(QString());
    relistAfterRun_ = false;
    mismatches_.clear();
    mismatchList_->clear();
    firstMismatchLine_ = 0;
    progress_->clear();
    elapsed_->clear();
    diagram_.clearMarkedCells();
    loadForTest();
}

void ModelCheckDialog::rememberAll() {
    rememberModels();
    rememberMap();
    rememberSample();
}

void ModelCheckDialog::remember(const std::function<void(ModelSettings&)>& change) {
    if (doc_.fileName().empty()) return;  // a test never saved has no place in the settings
    ModelSettings kept = loadModelSettings(settings_, doc_.fileName());
    change(kept);
    saveModelSettings(settings_, doc_.fileName(), kept);
}

void ModelCheckDialog::rememberSample() {
    remember([this](ModelSettings& s) { s.samplePercent = sample_->value(); });
}

std::string ModelCheckDialog::startFolder() const {
    if (!doc_.fileName().empty()) return QDir::toNativeSeparators(QFileInfo(q(doc_.fileName())).absolutePath()).toStdString();
    return folder_ ? folder_() : std::string();
}

void ModelCheckDialog::watchModels() {
    if (const QStringList watched = watcher_->files(); !watched.isEmpty()) watcher_->removePaths(watched);
    QStringList files;
    for (const auto& f : modelFiles())
        if (QFileInfo::exists(q(f))) files << q(f);
    if (!files.isEmpty()) watcher_->addPaths(files);
}

void ModelCheckDialog::modelFileChanged(const QString&) {
    // An editor that saves by replacing the file leaves the watcher without it: it is watched anew.
    if (running()) {
        relistAfterRun_ = true;
        return;
    }
    listModules();
}

void ModelCheckDialog::rememberModels() {
    remember([this](ModelSettings& s) { s.models = modelFiles(); });
}

void ModelCheckDialog::rememberMap() {
    if (ports_.empty()) return;  // the map kept stays until the model's ports are known
    remember([this](ModelSettings& s) {
        s.mapText = mapText();
        s.top = top_->currentText().trimmed().toStdString();
    });
}

// ---- the modules and ports of the model files -------------------------------------------------

void ModelCheckDialog::stopListing() {
    if (!lister_) return;
    QProcess* old = lister_;
    lister_ = nullptr;
    old->disconnect(this);
    if (old->state() == QProcess::NotRunning) {
        old->deleteLater();
    } else {
        // The compiler's folder stays until the compiler has gone.
        connect(old, &QProcess::finished, old, [old, dir = std::move(listDir_)] { old->deleteLater(); });
        old->kill();
    }
    listDir_.reset();
}

void ModelCheckDialog::listModules() {
    stopListing();
    watchModels();
    const auto files = modelFiles();
    compiled_.clear();
    listError_.clear();
    if (files.empty() || !programAvailable(kCompiler)) {
        if (!files.empty()) listError_ = kNoSimulator;
        showPorts();
        return;
    }
    // The model alone compiles in a moment; its compiled file names the modules and their ports.
    listDir_ = std::make_shared<QTemporaryDir>();
    lister_ = new QProcess(this);
    lister_->setProcessChannelMode(QProcess::MergedChannels);
    lister_->setWorkingDirectory(listDir_->path());
    QStringList args{QStringLiteral("-o"), listDir_->filePath(QStringLiteral("model.vvp"))};
    for (const auto& f : files) args << q(f);
    connect(lister_, &QProcess::finished, this, &ModelCheckDialog::listed);
    connect(lister_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) listed(-1, QProcess::CrashExit);
    });
    lister_->start(q(kCompiler), args);
    updateEnabled();
    updateMapStatus();
}

void ModelCheckDialog::listed(int exitCode, QProcess::ExitStatus status) {
    if (!lister_) return;
    const std::string output = trimmed(lister_->readAll().toStdString());
    if (status == QProcess::NormalExit && exitCode == 0) compiled_ = readText(listDir_->filePath(QStringLiteral("model.vvp")));
    else listError_ = exitCode == -1 && output.empty() ? kNoSimulator : "Модель не компилируется:\n" + output;
    lister_->disconnect(this);
    lister_->deleteLater();
    lister_ = nullptr;
    listDir_.reset();
    std::string error;
    std::vector<std::string> roots;
    if (!compiled_.empty()) readModelInterface(compiled_, "", error, &roots);
    {
        const QSignalBlocker quiet(top_);
        const QString chosen = top_->currentText();
        top_->clear();
        for (const auto& r : roots) top_->addItem(q(r));
        top_->setEditText(chosen);
        // An empty field stands for the only top module of the files.
        top_->lineEdit()->setPlaceholderText(roots.size() == 1 ? q(roots.front()) : QString());
    }
    updateEnabled();
    showPorts();
}

void ModelCheckDialog::showPorts() {
    std::string error;
    std::optional<ModelInterface> model;
    if (!compiled_.empty()) model = readModelInterface(compiled_, top_->currentText().trimmed().toStdString(), error);
    if (!compiled_.empty() && !model && top_->currentText().trimmed().isEmpty() && top_->count() > 1) {
        QStringList names;
        for (int i = 0; i < top_->count(); ++i) names << top_->itemText(i);
        error = "В файлах модели несколько модулей верхнего уровня (" + names.join(QStringLiteral(", ")).toStdString() +
                "): выберите верхний модуль";
    }
    listError_ = compiled_.empty() ? listError_ : model ? std::string() : error;
    ports_ = model ? model->ports : std::vector<ModelPort>{};
    topName_ = model ? model->top : std::string();
    buildTable(choices_, false);
    if (!ports_.empty()) {
        choices_ = tableChoices();
        rememberMap();
    }
    updateEnabled();
    updateMapStatus();
}

// ---- the map table -------------------------------------------------------------------------------

std::optional<ModelCheckDialog::MapChoices> ModelCheckDialog::readMapText(const std::string& withMark, std::string& error) {
    // A text editor's UTF-8 byte order mark is no part of the first line.
    const std::string text = withMark.rfind("\xEF\xBB\xBF", 0) == 0 ? withMark.substr(3) : withMark;
    auto entries = exchange::parseMap(text, error);
    if (!entries) return std::nullopt;
    MapChoices out;
    auto mention = [&out](const std::string& signal) {
        out.ports.insert(portOf(signal));
        if (portOf(signal) != signal) out.byBits.insert(portOf(signal));
    };
    for (const auto& e : *entries) mention(e.signal);
    // "# PORT —": a port (or a bit) left out on purpose.
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string hash, port, dash, more;
        if (words >> hash >> port >> dash && !(words >> more) && hash == "#" && dash == kNotMapped) mention(port);
    }
    out.entries = std::move(*entries);
    return out;
}

QComboBox* ModelCheckDialog::chooser(int row) const { return qobject_cast<QComboBox*>(table_->cellWidget(row, 2)); }

bool ModelCheckDialog::byBits(int row) const { return chooser(row)->currentData(kKindRole).toInt() == ByBits; }

std::vector<std::string> ModelCheckDialog::buildTable(const MapChoices& choices, bool exact) {
    buildingTable_ = true;
    table_->setRowCount(0);
    lines_.clear();
    for (QStandardItemModel* list : choiceLists_) list->deleteLater();
    choiceLists_.clear();

    // What a line can go to: the rows for one bit, the data words of the same width for more.
    const auto targets = exchange::ui::mapTargetLines(doc_, exchange::ui::MapRows::EveryPin);
    std::map<int, QStandardItemModel*> lists;
    auto listFor = [&](int width) {
        QStandardItemModel*& list = lists[width];
        if (list) return list;
        list = new QStandardItemModel(this);
        choiceLists_.push_back(list);
        auto add = [list](const QString& text, int kind, const exchange::MapTarget& t = {}) {
            auto* item = new QStandardItem(text);
            item->setData(kind, kKindRole);
            item->setData(static_cast<int>(t.kind), kTargetKindRole);
            item->setData(t.number, kNumberRole);
            list->appendRow(item);
        };
        add(q(kNotMapped), NotMapped);
        if (width > 1) add(q(kByBits), ByBits);
        for (const auto& t : targets) {
            if (t.width != width) continue;
            const bool word = t.target.kind == exchange::MapTarget::Kind::Word;
            add(t.number + (t.name.isEmpty() ? QString() : QStringLiteral(" ") + t.name) +
                    QStringLiteral(" (%1)").arg(word ? QStringLiteral("слово") : t.type),
                Target, t.target);
        }
        return list;
    };

    std::vector<std::string> unplaced;
    std::set<const exchange::MapEntry*> placed;
    auto place = [&](QComboBox* box, const exchange::MapEntry& e) {
        if (selectTarget(box, e.target)) {
            placed.insert(&e);
            return;
        }
        unplaced.push_back(lineOf(e) + "«" + trimmed(exchange::formatMap({e})) +
                           "»: в тесте нет такого вывода или слова той же разрядности");
    };
    auto addLine = [&](int port, int bit, const QString& name, int width) {
        const int row = table_->rowCount();
        table_->insertRow(row);
        lines_.push_back({port, bit});
        table_->setItem(row, 0, new QTableWidgetItem(name));
        table_->setItem(row, 1, new QTableWidgetItem(direction(ports_[static_cast<std::size_t>(port)].direction)));
        auto* box = new QComboBox(table_);
        box->setModel(listFor(width));
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        table_->setCellWidget(row, 2, box);
        return box;
    };

    const auto automatic = autoMap(doc_, ports_);
    std::vector<int> hidden;  // lines of bits of ports not mapped bit by bit
    for (std::size_t i = 0; i < ports_.size(); ++i) {
        const ModelPort& p = ports_[i];
        const int port = static_cast<int>(i);
        // The port's own line, else lines for its bits; a port the choices do not speak of is
        // mapped from its name unless they are the whole map.
        const exchange::MapEntry* whole = nullptr;
        std::map<int, const exchange::MapEntry*> bits;
        for (const auto& e : choices.entries) {
            if (e.signal == p.name) {
                if (!whole) whole = &e;
                continue;
            }
            for (int b = 0; b < p.width && p.width > 1; ++b)
                if (e.signal == bitName(p, b) && !bits.count(b)) bits[b] = &e;
        }
        if (!whole && bits.empty() && !exact && !choices.ports.count(p.name))
            for (const auto& e : automatic)
                if (e.signal == p.name) whole = &e;

        const int portRow = table_->rowCount();
        QComboBox* box = addLine(port, -1,
                                 p.width > 1 ? q(p.name + "[" + std::to_string(p.msb) + ":" + std::to_string(p.lsb) + "]")
                                             : q(p.name),
                                 p.width);
        if (whole) place(box, *whole);
        else if (p.width > 1 && (!bits.empty() || choices.byBits.count(p.name))) box->setCurrentIndex(kByBitsIndex);
        for (int b = 0; b < p.width && p.width > 1; ++b) {
            QComboBox* bitBox = addLine(port, b, QStringLiteral("    ") + q(bitName(p, b)), 1);
            if (const auto it = bits.find(b); it != bits.end() && !whole) place(bitBox, *it->second);
            if (!byBits(portRow)) hidden.push_back(portRow + 1 + b);
            connect(bitBox, &QComboBox::currentIndexChanged, this, &ModelCheckDialog::mapChanged);
        }
        box->setProperty("word", wordOf(box));
        connect(box, &QComboBox::currentIndexChanged, this, [this, box, portRow, width = p.width] { portChosen(box, portRow, width); });
    }
    if (exact)
        for (const auto& e : choices.entries) {
            if (placed.count(&e)) continue;
            const bool known = std::any_of(ports_.begin(), ports_.end(),
                                           [&](const ModelPort& p) { return p.name == portOf(e.signal); });
            if (!known) unplaced.push_back(lineOf(e) + "в модели нет порта «" + portOf(e.signal) + "»");
        }
    for (int row = 0; row < table_->rowCount(); ++row) focus_->watch(chooser(row), row);
    // The names of bits fit when their lines are shown; the last column keeps the rest of the width.
    table_->resizeColumnToContents(0);
    table_->resizeColumnToContents(1);
    for (int row : hidden) table_->setRowHidden(row, true);
    buildingTable_ = false;
    return unplaced;
}

bool ModelCheckDialog::selectTarget(QComboBox* box, const exchange::MapTarget& target) {
    for (int i = 0; i < box->count(); ++i)
        if (box->itemData(i, kKindRole).toInt() == Target &&
            box->itemData(i, kTargetKindRole).toInt() == static_cast<int>(target.kind) &&
            box->itemData(i, kNumberRole).toInt() == target.number) {
            box->setCurrentIndex(i);
            return true;
        }
    return false;
}

int ModelCheckDialog::wordOf(const QComboBox* box) {
    return box->currentData(kKindRole).toInt() == Target &&
                   box->currentData(kTargetKindRole).toInt() == static_cast<int>(exchange::MapTarget::Kind::Word)
               ? box->currentData(kNumberRole).toInt()
               : 0;
}

void ModelCheckDialog::portChosen(QComboBox* box, int portRow, int width) {
    // A port that goes from a data word to bit by bit starts from the word's members, so that
    // changing one bit leaves the others where they were.
    const int word = box->property("word").toInt();
    box->setProperty("word", wordOf(box));
    if (width > 1 && byBits(portRow) && word >= 1 && word <= static_cast<int>(doc_.dataWords().size())) {
        const auto members = doc_.dataWords()[static_cast<std::size_t>(word - 1)].members();
        buildingTable_ = true;
        for (int b = 0; b < width && b < static_cast<int>(members.size()); ++b) {
            QComboBox* bitBox = chooser(portRow + 1 + b);
            if (bitBox->currentData(kKindRole).toInt() != NotMapped) continue;
            const int row = members[static_cast<std::size_t>(b)];
            selectTarget(bitBox, row > model::kPinRows
                                     ? exchange::MapTarget{exchange::MapTarget::Kind::Output, row - model::kPinRows}
                                     : exchange::MapTarget{exchange::MapTarget::Kind::Pin, row});
        }
        buildingTable_ = false;
    }
    // The lines of the bits are shown while the port is mapped bit by bit.
    for (int b = 0; b < width && width > 1; ++b) table_->setRowHidden(portRow + 1 + b, !byBits(portRow));
    mapChanged();
}

ModelCheckDialog::MapChoices ModelCheckDialog::tableChoices() const {
    MapChoices out;
    out.entries = mapEntries();
    for (const auto& p : ports_) out.ports.insert(p.name);
    for (int row = 0; row < static_cast<int>(lines_.size()); ++row)
        if (lines_[static_cast<std::size_t>(row)].bit < 0 && byBits(row))
            out.byBits.insert(ports_[static_cast<std::size_t>(lines_[static_cast<std::size_t>(row)].port)].name);
    return out;
}

std::vector<exchange::MapEntry> ModelCheckDialog::mapEntries() const {
    std::vector<exchange::MapEntry> out;
    for (int row = 0; row < static_cast<int>(lines_.size()); ++row) {
        const MapLine& line = lines_[static_cast<std::size_t>(row)];
        const ModelPort& p = ports_[static_cast<std::size_t>(line.port)];
        // A bit's line counts while its port is mapped bit by bit.
        if (line.bit >= 0 && !byBits(row - line.bit - 1)) continue;
        const QComboBox* box = chooser(row);
        if (box->currentData(kKindRole).toInt() != Target) continue;
        out.push_back({line.bit < 0 ? p.name : bitName(p, line.bit),
                       {static_cast<exchange::MapTarget::Kind>(box->currentData(kTargetKindRole).toInt()),
                        box->currentData(kNumberRole).toInt()},
                       0});
    }
    return out;
}

std::string ModelCheckDialog::mapText() const {
    std::string out;
    for (int row = 0; row < static_cast<int>(lines_.size()); ++row) {
        const MapLine& line = lines_[static_cast<std::size_t>(row)];
        const ModelPort& p = ports_[static_cast<std::size_t>(line.port)];
        // A port mapped bit by bit is written as its bits, the bits of another port not at all.
        if (byBits(line.bit < 0 ? row : row - line.bit - 1) != (line.bit >= 0)) continue;
        const QComboBox* box = chooser(row);
        const std::string name = line.bit < 0 ? p.name : bitName(p, line.bit);
        if (box->currentData(kKindRole).toInt() != Target) {
            out += "# " + name + " " + kNotMapped + "\n";
            continue;
        }
        out += exchange::formatMap({{name,
                                     {static_cast<exchange::MapTarget::Kind>(box->currentData(kTargetKindRole).toInt()),
                                      box->currentData(kNumberRole).toInt()},
                                     0}});
    }
    return out;
}

void ModelCheckDialog::mapChanged() {
    if (buildingTable_) return;
    choices_ = tableChoices();
    rememberMap();
    updateMapStatus();
}

std::string ModelCheckDialog::mapProblem(std::vector<std::string>* notes) const {
    std::string error;
    if (bindPorts(doc_, ports_, mapEntries(), error, notes)) return {};
    return error;
}

void ModelCheckDialog::updateMapStatus() {
    QString text;
    bool problem = false;
    if (listing()) {
        text = QString::fromUtf8(kListingText);
    } else if (ports_.empty()) {
        text = modelFiles().empty() ? QStringLiteral("Добавьте файлы модели") : q(listError_);
        problem = !modelFiles().empty();
    } else {
        std::vector<std::string> notes;
        const std::string error = mapProblem(&notes);
        problem = !error.empty();
        text = problem ? q(error) : QStringLiteral("Все входы модели и все строки теста назначены");
        for (const auto& n : notes) text += QStringLiteral("\n") + q(n);
    }
    mapStatus_->setText(breakable(text));
    mapStatus_->setStyleSheet(problem ? QStringLiteral("color: #c00000") : QString());
}

void ModelCheckDialog::updateEnabled() {
    const bool idle = !running();
    for (QWidget* w : std::initializer_list<QWidget*>{models_, add_, remove_, sample_, limit_}) w->setEnabled(idle);
    const bool ready = idle && !listing();
    top_->setEnabled(ready);
    run_->setEnabled(ready);
    for (QWidget* w : std::initializer_list<QWidget*>{table_, fromNames_, loadMap_, saveMap_})
        w->setEnabled(ready && !ports_.empty());
    busy_->setVisible(listing());
}

void ModelCheckDialog::fillFromNames() {
    if (running() || listing() || ports_.empty()) return;
    buildTable({}, false);
    mapChanged();
}

void ModelCheckDialog::loadMap() {
    if (running() || listing() || ports_.empty()) return;
    const auto file = prompter_.openOtherFileName(startFolder(), kMapFilter);
    if (!file || file->empty()) return;
    std::ifstream in(fsPath(*file), std::ios::binary);
    if (!in) {
        prompter_.error("Не удалось прочитать файл " + *file);
        return;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    const auto choices = readMapText(text.str(), error);
    if (!choices) {
        prompter_.error(*file + ": " + error);
        return;
    }
    // The file is the whole map: a port it leaves out is not mapped.
    const auto unplaced = buildTable(*choices, true);
    mapChanged();
    if (!unplaced.empty()) {
        std::string message = *file + ": строки, которых нет в таблице:";
        for (const auto& u : unplaced) message += "\n" + u;
        prompter_.error(message);
    }
}

void ModelCheckDialog::saveMap() {
    if (ports_.empty()) return;
    // Beside the test, named after it.
    std::string proposed = startFolder();
    if (!doc_.fileName().empty())
        proposed = QDir::toNativeSeparators(QDir(q(proposed)).filePath(QFileInfo(q(doc_.fileName())).completeBaseName() +
                                                                        QStringLiteral(".map")))
                       .toStdString();
    const auto path = prompter_.saveOtherFileName(proposed, kMapFilter, "map");
    if (!path || path->empty()) return;
    // Never over the test, its comment or the model.
    std::vector<storage::GuardedFile> guarded;
    if (!doc_.fileName().empty()) {
        guarded.push_back({doc_.fileName(), "файл теста"});
        guarded.push_back({params::commentFilePath(doc_.fileName()), "файл комментария теста"});
    }
    for (const auto& f : modelFiles()) guarded.push_back({f, "файл модели"});
    if (const std::string refused = storage::refuseOverwrite(*path, guarded); !refused.empty()) {
        prompter_.error(refused);
        return;
    }
    const QFileInfo target(q(*path));
    if (target.exists() &&
        prompter_.ask(kReplaceQuestion, platform::Icon::Question, platform::Buttons::YesNo) != platform::Answer::Yes)
        return;
    const std::string text = "# Порты модуля " + topName_ + "\n" + mapText();
    if (const auto written = storage::replaceFile(*path, text); !written)
        prompter_.error(storage::withReason("Не удалось записать файл " + *path, written));
}

void ModelCheckDialog::addModel() {
    if (running()) return;
    const auto files = prompter_.openOtherFileNames(startFolder(), kModelFilter);
    if (files.empty()) return;
    for (const auto& file : files)
        if (models_->findItems(q(file), Qt::MatchExactly).isEmpty()) models_->addItem(q(file));
    rememberModels();
    listModules();
}

void ModelCheckDialog::removeModel() {
    if (running()) return;
    const int row = models_->currentRow();
    if (row < 0) return;
    delete models_->takeItem(row);
    rememberModels();
    listModules();
}


void ModelCheckDialog::start() {
    if (running() || listing()) return;
    mismatches_.clear();
    mismatchList_->clear();
    progress_->clear();
    firstMismatchLine_ = 0;
    diagram_.clearMarkedCells();
    const auto models = modelFiles();
    if (models.empty()) {
        prompter_.error("Добавьте файлы модели");
        return;
    }
    for (const auto& f : models)
        if (!QFile::exists(q(f))) {
            prompter_.error("Нет файла модели " + f);
            return;
        }
    if (!programAvailable(kCompiler) || !programAvailable(kSimulator)) {
        progress_->setText(q(kNoSimulator));
        prompter_.error(kNoSimulator);
        return;
    }
    // The map is the table's: what it leaves out is said before anything runs.
    updateMapStatus();
    if (const std::string problem = ports_.empty() ? std::string() : mapProblem(); !problem.empty()) {
        prompter_.error(problem);
        return;
    }
    // The test as it is now: the comparison is made against it.
    check_ = std::make_unique<Run>(doc_);
    CheckOptions& options = check_->options;
    options.models = models;
    options.top = top_->currentText().trimmed().toStdString();
    options.samplePercent = sample_->value();
    options.autoMap = false;  // exactly the map of the table
    options.map = mapEntries();
    options.timeLimitSeconds = limit_->value();
    options.control = &check_->control;
    shownStep_ = -1;
    updateEnabled();
    runTime_.start();
    Run* run = check_.get();
    check_->thread = std::thread([run] { run->work(); });
    clock_->start();
    clockTick();
}

void ModelCheckDialog::collect() {
    if (!check_) return;
    check_->thread.join();
    const std::unique_ptr<Run> run = std::move(check_);
    const CheckOutcome& out = run->outcome;
    // The result belongs to the test as it was when the check started.
    if (out.cancelled) return finish(QStringLiteral("Проверка отменена"));
    if (!sameTest(run->snapshot, doc_)) return finish(q(kTestChangedDuringCheck));
    if (run->timedOut)
        return finish(QStringLiteral("Проверка не закончилась за %1 с и остановлена: модель, видимо, зациклилась "
                                     "(или задайте больше времени)")
                          .arg(run->options.timeLimitSeconds));
    for (const auto& n : out.notes) mismatchList_->addItem(q(n));
    firstMismatchLine_ = mismatchList_->count();
    if (out.refused) return finish(q(out.error));
    mismatches_ = out.comparison.mismatches;
    // Every mismatch is framed; the list shows the first kListed of them and the count of the others.
    const auto report = reportLines(run->snapshot, out.comparison, kListed);
    for (std::size_t i = 0; i + 1 < report.size(); ++i) mismatchList_->addItem(q(report[i]));
    std::vector<diagram::DiagramWidget::MarkedCell> marks;
    for (const Mismatch& m : mismatches_) marks.push_back({m.row, m.tact});
    diagram_.setMarkedCells(std::move(marks));
    finish(q(report.back()));
}

void ModelCheckDialog::finish(const QString& text) {
    // A check still running is stopped (its programs with it) before its thread is left.
    check_.reset();
    clock_->stop();
    if (runTime_.isValid()) elapsed_->setText(QStringLiteral("Время: ") + clockText(runTime_.elapsed() / 1000));
    runTime_.invalidate();
    updateEnabled();
    progress_->setText(breakable(text));
    if (relistAfterRun_) {
        relistAfterRun_ = false;
        listModules();
    }
    emit checkFinished();
}

void ModelCheckDialog::clockTick() {
    if (!check_) return;
    if (check_->done) return collect();
    // The time limit holds for the simulation: the time shown is the running program's.
    const auto seconds = static_cast<qint64>(check_->control.elapsedSeconds());
    elapsed_->setText(clockText(check_->control.running() ? seconds : 0) + QStringLiteral(" из ") +
                      clockText(limit_->value()));
    if (const int step = check_->step; step != shownStep_) {
        shownStep_ = step;
        progress_->setText(step == 0 ? QStringLiteral("Компиляция модели...")
                                     : QStringLiteral("Симуляция %1 тактов...").arg(check_->snapshot.tactCount()));
    }
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
      folder_(std::move(folder)), window_(window), known_(doc.fileName()) {
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

namespace kvx::modelcheck::ui {

void ModelCheckCommand::testReplaced() {
    known_ = doc_.fileName();
    if (dialog_) dialog_->followOpenTest();
}

void ModelCheckCommand::testSaved() {
    if (doc_.fileName() == known_) return;
    const std::string before = std::exchange(known_, doc_.fileName());
    // The test under its new name has the settings it had (a test never saved had none there).
    if (before.empty()) saveModelSettings(settings_, known_, {});
    else copyModelSettings(settings_, before, known_);
    if (dialog_) dialog_->rememberAll();
}

}  // namespace kvx::modelcheck::ui
