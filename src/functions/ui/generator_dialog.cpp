#include "functions/ui/generator_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "functions/ui/waveform_widgets.h"

namespace kvx::functions::ui {

namespace {

QSpinBox* makeSpin(int min, int max, int value, QWidget* parent) {
    auto* s = new QSpinBox(parent);
    s->setRange(min, max);
    s->setValue(value);
    return s;
}

// "с" ... "по" ... "Такты" in one row.
QHBoxLayout* rangeRow(QSpinBox* from, QSpinBox* to, QWidget* parent) {
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("с", parent));
    row->addWidget(from);
    row->addSpacing(8);
    row->addWidget(new QLabel("по", parent));
    row->addWidget(to);
    row->addWidget(new QLabel("Такты", parent));
    row->addStretch(1);
    return row;
}

// The number in a spin field, or `fallback` (also put into the field) when it holds none.
int numberOr(QSpinBox* spin, int fallback) {
    bool ok = false;
    const int v = spin->cleanText().trimmed().toInt(&ok);
    if (!ok) {
        spin->setValue(fallback);
        return spin->value();
    }
    return v;
}

}  // namespace

Tfm_zapinit::Tfm_zapinit(model::TestDocument& doc, QWidget* parent) : QDialog(parent), doc_(doc) {
    setObjectName("fm_zapinit");
    setWindowTitle("Генератор импульсов");
    setModal(false);

    // Target.
    targetField_ = new QLineEdit(this);
    targetField_->setReadOnly(true);
    targetField_->setFixedWidth(48);
    typeText_ = new QLabel(this);
    typeText_->setTextFormat(Qt::PlainText);
    auto* target = new QHBoxLayout;
    target->addWidget(new QLabel("Текущий контакт", this));
    target->addWidget(targetField_);
    target->addSpacing(16);
    target->addWidget(new QLabel("Тип контакта:", this));
    target->addWidget(typeText_);
    target->addStretch(1);

    // Page "Задать Скважность".
    auto* pulsePage = new QWidget;
    pulseFrom_ = makeSpin(1, kMaxRangeTact, 1, pulsePage);
    pulseTo_ = makeSpin(1, kMaxRangeTact, 1, pulsePage);
    variants_ = new QButtonGroup(this);
    auto* variantGrid = new QGridLayout;
    const char* captions[] = {"1", "2", "3"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(captions[i], pulsePage);
        variants_->addButton(radio, i);
        variantPreviews_[i] = new PatternPreview(8, 22, pulsePage);
        variantPreviews_[i]->setPattern(builtinPattern(static_cast<PulseVariant>(i)));
        variantGrid->addWidget(radio, i, 0);
        variantGrid->addWidget(variantPreviews_[i], i, 1, Qt::AlignLeft);
    }
    auto* own = new QRadioButton("Свой вариант", pulsePage);
    variants_->addButton(own, static_cast<int>(PulseVariant::Own));
    variantGrid->addWidget(own, 3, 0, 1, 2);
    variantGrid->setColumnStretch(2, 1);
    variants_->button(0)->setChecked(true);

    ownGroup_ = new QGroupBox(pulsePage);
    duration_ = makeSpin(kMinPulseLength, kMaxPulseLength, 1, ownGroup_);
    pause_ = makeSpin(kMinPulseLength, kMaxPulseLength, 1, ownGroup_);
    inversion_ = new QCheckBox("Инверсия", ownGroup_);
    auto* ownLayout = new QHBoxLayout(ownGroup_);
    ownLayout->addWidget(new QLabel("Длительность", ownGroup_));
    ownLayout->addWidget(duration_);
    ownLayout->addSpacing(8);
    ownLayout->addWidget(new QLabel("Пауза", ownGroup_));
    ownLayout->addWidget(pause_);
    ownLayout->addSpacing(8);
    ownLayout->addWidget(inversion_);
    ownLayout->addStretch(1);
    ownGroup_->setEnabled(false);

    pulsePreview_ = new PatternPreview(14, 30, pulsePage);
    auto* pulseLayout = new QVBoxLayout(pulsePage);
    pulseLayout->addLayout(rangeRow(pulseFrom_, pulseTo_, pulsePage));
    pulseLayout->addLayout(variantGrid);
    pulseLayout->addWidget(ownGroup_);
    pulseLayout->addWidget(new QLabel("Получим:", pulsePage));
    pulseLayout->addWidget(pulsePreview_);
    pulseLayout->addStretch(1);

    // Page "Задать последовательность".
    auto* seqPage = new QWidget;
    auto* range = new QGroupBox("Формировать участок", seqPage);
    seqFrom_ = makeSpin(1, kMaxRangeTact, 1, range);
    seqTo_ = makeSpin(1, kMaxRangeTact, 1, range);
    range->setLayout(rangeRow(seqFrom_, seqTo_, range));
    strip_ = new SequenceStrip(sequence_, seqPage);
    length_ = makeSpin(1, kMaxSequenceLength, sequence_.length, seqPage);
    auto* lengthRow = new QHBoxLayout;
    lengthRow->addWidget(length_);
    lengthRow->addWidget(new QLabel("тактов", seqPage));
    lengthRow->addStretch(1);
    seqPreview_ = new PatternPreview(14, 30, seqPage);
    auto* seqLayout = new QVBoxLayout(seqPage);
    seqLayout->addWidget(range);
    seqLayout->addWidget(strip_);
    seqLayout->addLayout(lengthRow);
    seqLayout->addWidget(new QLabel("Получим:", seqPage));
    seqLayout->addWidget(seqPreview_);
    seqLayout->addStretch(1);

    pages_ = new QTabWidget(this);
    pages_->addTab(pulsePage, "Задать Скважность");
    pages_->addTab(seqPage, "Задать последовательность");

    okButton_ = new QPushButton("OK", this);
    cancelButton_ = new QPushButton("Отмена", this);
    okButton_->setDefault(true);
    cancelButton_->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(target);
    layout->addWidget(pages_);
    layout->addLayout(buttons);

    connect(variants_, &QButtonGroup::idClicked, this, &Tfm_zapinit::variantChosen);
    connect(duration_, &QSpinBox::valueChanged, this, &Tfm_zapinit::ownChanged);
    connect(pause_, &QSpinBox::valueChanged, this, &Tfm_zapinit::ownChanged);
    connect(inversion_, &QCheckBox::toggled, this, &Tfm_zapinit::ownChanged);
    connect(length_, &QSpinBox::valueChanged, this, &Tfm_zapinit::lengthChanged);
    connect(strip_, &SequenceStrip::sequenceChanged, this, &Tfm_zapinit::redrawPreviews);
    connect(seqFrom_, &QSpinBox::editingFinished, this, &Tfm_zapinit::correctSequenceRange);
    connect(seqTo_, &QSpinBox::editingFinished, this, &Tfm_zapinit::correctSequenceRange);
    connect(okButton_, &QPushButton::clicked, this, &Tfm_zapinit::BitBtn1Click);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

    redrawPreviews();
    setFixedSize(sizeHint());
}

QRadioButton* Tfm_zapinit::variantButton(PulseVariant v) const {
    return qobject_cast<QRadioButton*>(variants_->button(static_cast<int>(v)));
}

PulseVariant Tfm_zapinit::variant() const {
    const int id = variants_->checkedId();
    return id < 0 ? PulseVariant::One : static_cast<PulseVariant>(id);
}

Pattern Tfm_zapinit::activePattern() const {
    if (pages_->currentIndex() == SequencePage) return sequence_.pattern();
    const PulseVariant v = variant();
    if (v == PulseVariant::Own) return ownPattern(duration_->value(), pause_->value(), inversion_->isChecked());
    return builtinPattern(v);
}

void Tfm_zapinit::prepare(int row, int firstTact) {
    row_ = row;
    firstTact_ = firstTact;
    filledOnce_ = false;
    doc_.markChanged();
    targetField_->setText(QString::number(row));
    refreshType();
    refreshRange();
}

void Tfm_zapinit::refreshType() {
    // An output row shows its own type ("O/i" or "O/i=F(c)"), as the pin column does.
    typeText_->setText(row_ >= 1 && row_ <= model::kMaxRow ? QString::fromStdString(doc_.pin(row_).pinType) : QString());
}

void Tfm_zapinit::documentRestored() {
    refreshType();
    refreshLastTact();  // the first tacts the user set stay
}

bool Tfm_zapinit::openFor(int row, int firstTact) {
    if (!canGenerate(doc_, row)) return false;
    prepare(row, firstTact);
    show();
    raise();
    activateWindow();
    return true;
}

bool Tfm_zapinit::runFor(int row, int firstTact) {
    if (!canGenerate(doc_, row)) return false;
    prepare(row, firstTact);
    exec();
    return filledOnce_;
}

void Tfm_zapinit::refreshRange() {
    int first = currentTact_ ? currentTact_() : firstTact_;
    if (first < 1) first = 1;
    for (QSpinBox* from : {pulseFrom_, seqFrom_}) from->setValue(first);
    refreshLastTact();
}

void Tfm_zapinit::refreshLastTact() {
    const int tacts = std::max(1, doc_.tactCount());
    for (QSpinBox* to : {pulseTo_, seqTo_}) {
        to->setMaximum(tacts);
        to->setValue(tacts);
    }
}

void Tfm_zapinit::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && isVisible()) {
        refreshType();
        refreshRange();
    }
    QDialog::changeEvent(event);
}

void Tfm_zapinit::variantChosen(int id) {
    const bool ownChosen = id == static_cast<int>(PulseVariant::Own);
    ownGroup_->setEnabled(ownChosen);
    if (!ownChosen) {
        const QSignalBlocker b1(duration_), b2(pause_), b3(inversion_);
        inversion_->setChecked(false);
        duration_->setValue(1);
        pause_->setValue(1);
    }
    redrawPreviews();
}

void Tfm_zapinit::ownChanged() { redrawPreviews(); }

void Tfm_zapinit::lengthChanged(int n) {
    sequence_.setLength(n);
    strip_->update();
    redrawPreviews();
}

void Tfm_zapinit::correctSequenceRange() {
    const int first = numberOr(seqFrom_, 1);
    const int last = numberOr(seqTo_, std::max(1, doc_.tactCount()));
    if (last < first) seqTo_->setValue(first);
}

void Tfm_zapinit::redrawPreviews() {
    const PulseVariant v = variant();
    pulsePreview_->setPattern(v == PulseVariant::Own
                                  ? ownPattern(duration_->value(), pause_->value(), inversion_->isChecked())
                                  : builtinPattern(v));
    seqPreview_->setPattern(sequence_.pattern());
}

void Tfm_zapinit::BitBtn1Click() {
    if (!canGenerate(doc_, row_)) return;
    int first = 1;
    int last = 1;
    if (pages_->currentIndex() == SequencePage) {
        correctSequenceRange();
        first = numberOr(seqFrom_, 1);
        last = std::max(first, numberOr(seqTo_, std::max(1, doc_.tactCount())));
    } else {
        first = pulseFrom_->value();
        last = pulseTo_->value();
    }
    if (!fillRow(doc_, row_, first, last, activePattern())) return;
    filledOnce_ = true;
    accept();
    emit filled(row_);
}

}  // namespace kvx::functions::ui
