#include "params/ui/parameters_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "params/comment_file.h"

namespace kvx::params::ui {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

/// Sets a field's text without announcing an edit, keeping the caret where it was.
void showText(QLineEdit* field, const std::string& text) {
    const QString t = q(text);
    if (field->text() == t) return;
    const int caret = field->cursorPosition();
    field->setText(t);
    field->setCursorPosition(std::min(caret, static_cast<int>(t.size())));
}

/// Sets a level field's text that a rule rewrote, the caret after its end; a text the rule
/// left as typed keeps its caret.
void showLevelText(QLineEdit* field, const std::string& text) {
    const QString t = q(text);
    if (field->text() == t) return;
    field->setText(t);
    field->end(false);
}

}  // namespace

TfmParam::TfmParam(model::TestDocument& doc, platform::Prompter& prompter, QWidget* parent)
    : QDialog(parent), doc_(doc), prompter_(prompter) {
    setObjectName(QStringLiteral("fmParam"));
    setWindowTitle(QStringLiteral("Параметры тестирования"));
    setModal(true);

    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("nameField"));

    auto* group = new QGroupBox(QStringLiteral("Параметры:"), this);
    tactList_ = new QComboBox(group);
    for (int d = 1; d <= 8; ++d) tactList_->addItem(QString::number(d));
    high_ = new QLineEdit(group);
    low_ = new QLineEdit(group);
    high_->setObjectName(QStringLiteral("highField"));
    low_->setObjectName(QStringLiteral("lowField"));
    for (QLineEdit* f : {high_, low_}) f->setMaximumWidth(80);
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(QStringLiteral("Длительность такта  "), group), 0, 0, 1, 2);
    grid->addWidget(tactList_, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("мкс"), group), 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Уровни:"), group), 1, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Логическая единница"), group), 2, 0);
    grid->addWidget(new QLabel(QStringLiteral(" не менее"), group), 2, 1);
    grid->addWidget(high_, 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("В"), group), 2, 3);
    grid->addWidget(new QLabel(QStringLiteral("Логический ноль"), group), 3, 0);
    grid->addWidget(new QLabel(QStringLiteral(" не более"), group), 3, 1);
    grid->addWidget(low_, 3, 2);
    grid->addWidget(new QLabel(QStringLiteral("В"), group), 3, 3);
    grid->setColumnStretch(4, 1);

    defaults_ = new QPushButton(QStringLiteral("По Умолчанию"), this);
    defaults_->setAutoDefault(false);
    apply_ = new QPushButton(QStringLiteral("Применить"), this);
    apply_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Отмена"), this);
    cancel_->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(defaults_);
    buttons->addStretch(1);
    buttons->addWidget(apply_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Название теста"), this));
    layout->addWidget(name_);
    layout->addWidget(group);
    layout->addLayout(buttons);

    connect(name_, &QLineEdit::textEdited, this, [this](const QString& text) {
        // At most 60 characters, counted as the program counts them.
        showText(name_, limitEdit(nameBeforeEdit_, text.toStdString(), kTestNameLength));
        nameBeforeEdit_ = name_->text().toStdString();
    });
    connect(high_, &QLineEdit::textEdited, this, [this](const QString& text) {
        fields_.setHighText(text.toStdString());
        showFields();
    });
    connect(low_, &QLineEdit::textEdited, this, [this](const QString& text) {
        fields_.setLowText(text.toStdString());
        showFields();
    });
    connect(tactList_, &QComboBox::activated, this, [this](int index) { fields_.setTactDuration(index + 1); });
    connect(defaults_, &QPushButton::clicked, this, &TfmParam::BitBtn3Click);
    connect(apply_, &QPushButton::clicked, this, &TfmParam::BitBtn1Click);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    // At creation: "2,0", "0,8", duration 2, then "По Умолчанию".
    BitBtn3Click();
}

void TfmParam::showFields() {
    showLevelText(high_, fields_.highText());
    showLevelText(low_, fields_.lowText());
    tactList_->setCurrentIndex(fields_.tactDuration() - 1);
}

std::string TfmParam::nameText() const { return name_->text().toStdString(); }

void TfmParam::BitBtn3Click() {
    fields_.applyDefaults();
    showFields();
}

void TfmParam::resetForNewTest() {
    BitBtn3Click();
    doc_.testParameters() = fields_.parameters();
}

void TfmParam::prepare() {
    applied_ = false;
    rememberedHigh_ = fields_.highText();
    rememberedLow_ = fields_.lowText();
    rememberedTact_ = fields_.tactDuration();
    name_->setText(q(doc_.testName()));
    nameWhenShown_ = nameBeforeEdit_ = doc_.testName();
    fields_.show(doc_.testParameters());
    showFields();
}

void TfmParam::BitBtn1Click() {
    if (const auto field = fields_.fieldNotANumber()) {
        QLineEdit* edit = *field == LevelField::High ? high_ : low_;
        prompter_.error(notANumberMessage(*field, edit->text().toStdString()));
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
        return;
    }
    fields_.applyLimits();
    showFields();
    const model::TestParameters p = fields_.parameters();
    if (!(p == doc_.testParameters())) {
        doc_.testParameters() = p;
        doc_.markChanged();
    }
    applied_ = true;
    accept();
}

void TfmParam::done(int result) {
    if (result != QDialog::Accepted) {
        // Closing without "Применить": the remembered texts come back (their rules run); the
        // document never saw the edits.
        fields_.setHighText(rememberedHigh_);
        fields_.setLowText(rememberedLow_);
        fields_.setTactDuration(rememberedTact_);
        showFields();
        name_->setText(q(nameWhenShown_));
        nameBeforeEdit_ = nameWhenShown_;
    }
    QDialog::done(result);
}

}  // namespace kvx::params::ui
