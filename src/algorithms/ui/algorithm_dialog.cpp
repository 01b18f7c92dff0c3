#include "algorithms/ui/algorithm_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace kvx::algorithms::ui {

namespace {

// The descriptions under each page's fields, line by line.
const QStringList kStandardText = {"     Стандартный алгоритм тестирования ", "предназаначен для небольших тестов; все ",
                                   "изменения в тест вносятся пользователем."};
const QStringList kCyclicText = {"Алгоритм задает циклический повтор указанной ", "области временной диаграммы."};
const QStringList kRomText = {"Алгоритм предназначен для тестирования микросхем ",
                              "ПЗУ. При задании алгоритма пользователь рисует ",
                              "временную диаграмму чтения одной ячейки памяти и ", "задает вышеуказанные параметры"};
const QStringList kRamText = {"Алгоритм предназначен для тестирования ", "микросхем ОЗУ. При задании алгоритма ",
                              "пользователь рисует временную диаграмму чтения ", "и записи одной ячейки памяти и задает ",
                              "вышеуказанные параметры"};

constexpr const char* kDataFileFilter = "Все файлы|*.*";

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& t) { return t.toStdString(); }

QSpinBox* spin(int max, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setRange(1, max);
    box->setValue(1);
    box->setMinimumWidth(80);
    return box;
}

QPlainTextEdit* makeFixedText(const QStringList& lines, QWidget* parent) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setReadOnly(true);
    memo->setPlainText(lines.join('\n'));
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setFocusPolicy(Qt::NoFocus);
    memo->setFixedHeight(memo->fontMetrics().lineSpacing() * static_cast<int>(lines.size() + 1) + 12);
    return memo;
}

/// "label  control" rows of a grid, from row `row` on.
void addRow(QGridLayout* grid, int row, const QString& label, QWidget* field, QWidget* parent, int column = 0) {
    grid->addWidget(new QLabel(label, parent), row, column);
    grid->addWidget(field, row, column + 1);
}

QToolButton* arrow(Qt::ArrowType type, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setArrowType(type);
    b->setFixedSize(18, 11);
    b->setAutoRepeat(true);
    return b;
}

void setWord(QComboBox* list, int index) {
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

}  // namespace

TFAlgoritm::TFAlgoritm(model::TestDocument& doc, platform::Prompter& prompter, int selected, QWidget* parent)
    : QDialog(parent), doc_(doc), prompter_(prompter) {
    setObjectName("FAlgoritm");
    setWindowTitle("Алгоритмы тестирования");
    setModal(true);

    pages_ = new QTabWidget(this);
    pages_->addTab(createStandardPage(), "Стандартный");
    pages_->addTab(createCyclicPage(), "Циклический");
    pages_->addTab(createRomPage(), "Тест ПЗУ");
    pages_->addTab(createRamPage(), "Тест ОЗУ");

    showResult_ = new QCheckBox("Показать результат", this);
    showResult_->setChecked(false);
    showResult_->setVisible(false);
    ok_ = new QPushButton("OK", this);
    ok_->setDefault(true);
    ok_->setAutoDefault(true);
    cancel_ = new QPushButton("Отмена", this);
    cancel_->setAutoDefault(false);
    connect(ok_, &QPushButton::clicked, this, &TFAlgoritm::BitBtn1Click);
    connect(cancel_, &QPushButton::clicked, this, &TFAlgoritm::BitBtn2Click);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(showResult_);
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addLayout(buttons);

    load(selected);
}

// ---- pages ---------------------------------------------------------------------------------

QComboBox* TFAlgoritm::createStateList(int page, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->addItems({"Неактивен", "Активен"});
    list->setObjectName(QString("stateList%1").arg(page));
    connect(list, &QComboBox::currentIndexChanged, this, [this, page](int index) { stateChanged(page, index); });
    stateLists_[static_cast<size_t>(page)] = list;
    return list;
}

QComboBox* TFAlgoritm::createWordList(QWidget* parent) {
    auto* list = new QComboBox(parent);
    for (const auto& w : doc_.dataWords()) list->addItem(q(w.wordName));
    list->setMinimumWidth(120);
    return list;
}

namespace {
/// The "Состояние:" row at the top of every page.
QHBoxLayout* stateRow(QComboBox* list, QWidget* parent) {
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("Состояние:", parent));
    row->addWidget(list);
    row->addStretch(1);
    return row;
}
}  // namespace

QWidget* TFAlgoritm::createStandardPage() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    v->addLayout(stateRow(createStateList(StandardPage, page), page));
    v->addStretch(1);
    fixedTexts_[StandardPage] = makeFixedText(kStandardText, page);
    v->addWidget(fixedTexts_[StandardPage]);
    return page;
}

QWidget* TFAlgoritm::createCyclicPage() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    v->addLayout(stateRow(createStateList(CyclicPage, page), page));

    auto* tacts = new QGroupBox("Циклические данные:Такты", page);
    auto* grid = new QGridLayout(tacts);
    cyclicStart_ = spin(kTactFieldMax, tacts);
    cyclicEnd_ = spin(kTactFieldMax, tacts);
    cyclicCount_ = spin(kTactFieldMax, tacts);
    addRow(grid, 0, "Начальный Такт", cyclicStart_, tacts);
    addRow(grid, 1, "Конечный Такт", cyclicEnd_, tacts);
    addRow(grid, 2, "Всего циклов:", cyclicCount_, tacts);
    grid->setColumnStretch(2, 1);

    // Which pins take part is offered but not stored: every pin takes part.
    auto* pins = new QGroupBox("Контакты, участвующие в цикле", page);
    auto* pinsLayout = new QVBoxLayout(pins);
    allPins_ = new QRadioButton("Все контакты", pins);
    chosenPins_ = new QRadioButton("По выбору", pins);
    allPins_->setChecked(true);
    pinsLayout->addWidget(allPins_);
    pinsLayout->addWidget(chosenPins_);

    auto* row = new QHBoxLayout;
    row->addWidget(tacts, 1);
    row->addWidget(pins);
    v->addLayout(row);
    v->addStretch(1);
    fixedTexts_[CyclicPage] = makeFixedText(kCyclicText, page);
    v->addWidget(fixedTexts_[CyclicPage]);
    return page;
}

QWidget* TFAlgoritm::createRomPage() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    v->addLayout(stateRow(createStateList(RomPage, page), page));

    auto* area = new QGroupBox("Тестирование области данных", page);
    auto* grid = new QGridLayout(area);
    romAddressWord_ = createWordList(area);
    romDataWord_ = createWordList(area);
    romStartAddress_ = new QLineEdit(area);
    romEndAddress_ = new QLineEdit(area);
    romStartTact_ = spin(kTactFieldMax, area);
    romAddressTact_ = spin(kTactFieldMax, area);
    romAddressTactCount_ = spin(kTactFieldMax, area);
    romDataTact_ = spin(kTactFieldMax, area);
    addRow(grid, 0, "Слово Адреса", romAddressWord_, area);
    addRow(grid, 1, "Слово Данных", romDataWord_, area);
    addRow(grid, 2, "Начальный Адрес", romStartAddress_, area);
    addRow(grid, 3, "Конечный Адрес", romEndAddress_, area);
    addRow(grid, 0, "Начальный Такт", romStartTact_, area, 3);
    addRow(grid, 1, "Такт Адреса", romAddressTact_, area, 3);
    addRow(grid, 2, "Тактов Адреса", romAddressTactCount_, area, 3);
    addRow(grid, 3, "Такт Данных", romDataTact_, area, 3);
    grid->setColumnMinimumWidth(2, 16);

    romDataFile_ = new QLineEdit(area);
    browse_ = new QPushButton("...", area);
    browse_->setFixedWidth(28);
    connect(browse_, &QPushButton::clicked, this, &TFAlgoritm::chooseDataFile);
    auto* file = new QHBoxLayout;
    file->addWidget(romDataFile_, 1);
    file->addWidget(browse_);
    grid->addWidget(new QLabel("Файл Данных", area), 4, 0);
    grid->addLayout(file, 4, 1, 1, 4);

    for (QLineEdit* e : {romStartAddress_, romEndAddress_})
        connect(e, &QLineEdit::textChanged, this, &TFAlgoritm::addressChanged);
    v->addWidget(area);
    v->addStretch(1);
    fixedTexts_[RomPage] = makeFixedText(kRomText, page);
    v->addWidget(fixedTexts_[RomPage]);
    return page;
}

QWidget* TFAlgoritm::createRamPage() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    v->addLayout(stateRow(createStateList(RamPage, page), page));

    auto* area = new QGroupBox("Тестирование области данных", page);
    auto* grid = new QGridLayout(area);
    auto addressRow = [&](int row, const QString& label, QLineEdit*& field, std::array<QToolButton*, 2>& steps) {
        field = new QLineEdit(area);
        steps = {arrow(Qt::UpArrow, area), arrow(Qt::DownArrow, area)};
        auto* buttons = new QVBoxLayout;
        buttons->setSpacing(0);
        buttons->addWidget(steps[0]);
        buttons->addWidget(steps[1]);
        grid->addWidget(new QLabel(label, area), row, 0);
        grid->addWidget(field, row, 1);
        grid->addLayout(buttons, row, 2);
        QLineEdit* target = field;
        connect(steps[0], &QToolButton::clicked, this, [this, target] { stepAddress(target, +1); });
        connect(steps[1], &QToolButton::clicked, this, [this, target] { stepAddress(target, -1); });
        connect(field, &QLineEdit::textChanged, this, &TFAlgoritm::addressChanged);
    };
    addressRow(0, "Начальный Адрес", ramStartAddress_, ramStartStep_);
    addressRow(1, "Конечный Адрес", ramEndAddress_, ramEndStep_);
    grid->setColumnStretch(3, 1);
    v->addWidget(area);

    ramModes_ = new QTabWidget(page);
    ramModes_->addTab(createRamMode(WriteMode), "Режим Записи");
    ramModes_->addTab(createRamMode(ReadMode), "Режим Чтения");
    v->addWidget(ramModes_, 1);
    fixedTexts_[RamPage] = ram_[ReadMode].fixedText;
    return page;
}

QWidget* TFAlgoritm::createRamMode(int mode) {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    auto* grid = new QGridLayout;
    ModeControls& c = ram_[static_cast<size_t>(mode)];
    c.startTact = spin(kRamTactFieldMax, page);
    c.addressTact = spin(kRamTactFieldMax, page);
    c.addressTactCount = spin(kRamTactFieldMax, page);
    c.dataTact = spin(kRamTactFieldMax, page);
    c.dataTactCount = spin(kRamTactFieldMax, page);
    c.addressWord = createWordList(page);
    c.dataWord = createWordList(page);
    addRow(grid, 0, "Начальный Такт", c.startTact, page);
    addRow(grid, 1, "Такт Адреса", c.addressTact, page);
    addRow(grid, 2, "Тактов Адреса", c.addressTactCount, page);
    addRow(grid, 3, "Такт Данных", c.dataTact, page);
    addRow(grid, 4, "Тактов Данных", c.dataTactCount, page);
    addRow(grid, 0, "Слово Адреса", c.addressWord, page, 3);
    addRow(grid, 1, "Слово Данных", c.dataWord, page, 3);
    grid->setColumnMinimumWidth(2, 16);
    grid->setColumnStretch(5, 1);
    v->addLayout(grid);
    v->addStretch(1);
    c.fixedText = makeFixedText(kRamText, page);
    v->addWidget(c.fixedText);
    return page;
}

// ---- loading and the "Состояние:" lists ---------------------------------------------------

void TFAlgoritm::load(int selected) {
    loading_ = true;
    const AlgorithmForm f = openForm(doc_, selected);
    auto number = [](QSpinBox* box, const std::string& text) { box->setValue(QString::fromStdString(text).toInt()); };
    number(cyclicStart_, f.cyclicStart);
    number(cyclicEnd_, f.cyclicEnd);
    number(cyclicCount_, f.cyclicCount);
    setWord(romAddressWord_, f.romAddressWord);
    setWord(romDataWord_, f.romDataWord);
    romStartAddress_->setText(q(f.romStartAddress));
    romEndAddress_->setText(q(f.romEndAddress));
    number(romStartTact_, f.romStartTact);
    number(romAddressTact_, f.romAddressTact);
    number(romAddressTactCount_, f.romAddressTactCount);
    number(romDataTact_, f.romDataTact);
    romDataFile_->setText(q(f.romDataFile));
    ramStartAddress_->setText(q(f.ramStartAddress));
    ramEndAddress_->setText(q(f.ramEndAddress));
    for (int m : {WriteMode, ReadMode}) {
        const RamModeFields& src = m == WriteMode ? f.ramWrite : f.ramRead;
        const ModeControls& c = ram_[static_cast<size_t>(m)];
        number(c.startTact, src.startTact);
        number(c.addressTact, src.addressTact);
        number(c.addressTactCount, src.addressTactCount);
        number(c.dataTact, src.dataTact);
        number(c.dataTactCount, src.dataTactCount);
        setWord(c.addressWord, src.addressWord);
        setWord(c.dataWord, src.dataWord);
    }
    for (size_t i = 0; i < stateLists_.size(); ++i) stateLists_[i]->setCurrentIndex(f.activeList[i] ? 1 : 0);
    if (selected >= 0 && selected < pages_->count()) pages_->setCurrentIndex(selected);
    loading_ = false;
}

void TFAlgoritm::stateChanged(int page, int index) {
    if (loading_ || index != 1) return;  // "Неактивен" changes nothing else
    AlgorithmForm f = form();
    activateAlgorithm(doc_, f, page);
    for (size_t i = 0; i < stateLists_.size(); ++i) {
        const QSignalBlocker block(stateLists_[i]);
        stateLists_[i]->setCurrentIndex(f.activeList[i] ? 1 : 0);
    }
    emit algorithmSelected(page);
}

// ---- address fields ------------------------------------------------------------------------

void TFAlgoritm::addressChanged() {
    if (cleaning_ || loading_) return;
    cleaning_ = true;
    const int radix = addressRadix(doc_);
    auto replace = [](QLineEdit* field, const QString& text, int cursor) {
        if (field->text() == text) return;
        field->setText(text);
        field->setCursorPosition(std::min(cursor, static_cast<int>(text.size())));
    };
    for (QLineEdit* field : {romStartAddress_, romEndAddress_, ramStartAddress_, ramEndAddress_}) {
        const QString text = field->text();
        const QString cleaned = q(cleanAddressText(s(text), radix));
        // The cursor keeps its place among the characters that stay.
        const int cursor = static_cast<int>(q(cleanAddressText(s(text.left(field->cursorPosition())), radix)).size());
        replace(field, cleaned, cursor);
    }
    auto bound = [&](QLineEdit* field, int word) {
        if (const auto capped = boundedEndAddress(s(field->text()), radix, largestAddress(doc_, word)))
            replace(field, q(*capped), static_cast<int>(capped->size()));
    };
    bound(romEndAddress_, romAddressWord_->currentIndex());
    bound(ramEndAddress_, ram_[WriteMode].addressWord->currentIndex());
    cleaning_ = false;
}

void TFAlgoritm::stepAddress(QLineEdit* field, int step) {
    field->setText(q(algorithms::stepAddress(s(field->text()), addressRadix(doc_), step)));
}

void TFAlgoritm::chooseDataFile() {
    QString folder;
    const QString current = romDataFile_->text();
    if (!current.isEmpty()) folder = QFileInfo(current).absolutePath();
    else if (!doc_.fileName().empty()) folder = QFileInfo(q(doc_.fileName())).absolutePath();
    const auto chosen = prompter_.openFileWithFilter(s(QDir::toNativeSeparators(folder)), kDataFileFilter);
    if (chosen && !chosen->empty()) romDataFile_->setText(q(*chosen));
}

// ---- "OK" and "Отмена" ---------------------------------------------------------------------

AlgorithmForm TFAlgoritm::form() const {
    AlgorithmForm f;
    for (size_t i = 0; i < stateLists_.size(); ++i) f.activeList[i] = stateLists_[i]->currentIndex() == 1;
    f.cyclicStart = s(cyclicStart_->text());
    f.cyclicEnd = s(cyclicEnd_->text());
    f.cyclicCount = s(cyclicCount_->text());
    f.romAddressWord = romAddressWord_->currentIndex();
    f.romDataWord = romDataWord_->currentIndex();
    f.romStartAddress = s(romStartAddress_->text());
    f.romEndAddress = s(romEndAddress_->text());
    f.romStartTact = s(romStartTact_->text());
    f.romAddressTact = s(romAddressTact_->text());
    f.romAddressTactCount = s(romAddressTactCount_->text());
    f.romDataTact = s(romDataTact_->text());
    f.romDataFile = s(romDataFile_->text());
    f.ramStartAddress = s(ramStartAddress_->text());
    f.ramEndAddress = s(ramEndAddress_->text());
    for (int m : {WriteMode, ReadMode}) {
        const ModeControls& c = ram_[static_cast<size_t>(m)];
        RamModeFields& dst = m == WriteMode ? f.ramWrite : f.ramRead;
        dst = {s(c.startTact->text()), s(c.addressTact->text()), s(c.addressTactCount->text()),
               s(c.dataTact->text()),  s(c.dataTactCount->text()), c.addressWord->currentIndex(),
               c.dataWord->currentIndex()};
    }
    return f;
}

bool TFAlgoritm::handle() {
    result_ = runHandler(doc_, form(), showResult_->isChecked());
    if (result_.expanded) diagramChanged_ = true;
    if (result_.stopped) prompter_.ask(result_.message, result_.icon, platform::Buttons::Ok);
    return !result_.stopped;
}

void TFAlgoritm::BitBtn1Click() {
    if (handle()) accept();
}

void TFAlgoritm::BitBtn2Click() {
    handle();
    QDialog::reject();
}

void TFAlgoritm::reject() { BitBtn2Click(); }

}  // namespace kvx::algorithms::ui
