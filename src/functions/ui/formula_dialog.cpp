#include "functions/ui/formula_dialog.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "functions/ui/formula_actions.h"

namespace kvx::functions::ui {

namespace {

struct EditingButton {
    const char* caption;
    const char* inserts;
};

// "&&" shows a single "&" on the button.
constexpr EditingButton kEditingButtons[] = {
    {"|", "|"}, {"&&", "&"}, {"XOR", "X"}, {"!", "!"}, {"(..)", "( )"}, {"0", "0"}, {"1", "1"},
};

QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

Tfm_Funct::Tfm_Funct(model::TestDocument& doc, platform::Prompter& prompter, QWidget* parent)
    : QDialog(parent), doc_(doc), prompter_(prompter) {
    setObjectName("fm_Funct");
    setWindowTitle("Функция");
    setModal(false);

    auto* header = new QVBoxLayout;
    for (QLabel** label : {&numberLabel_, &typeLabel_, &nameLabel_}) {
        *label = new QLabel(this);
        (*label)->setTextFormat(Qt::PlainText);
        header->addWidget(*label);
    }
    header->addStretch(1);

    auto* actions = new QGroupBox("Действия", this);
    auto* actionsLayout = new QGridLayout(actions);
    int column = 0;
    for (const EditingButton& b : kEditingButtons) {
        auto* button = new QPushButton(b.caption, actions);
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::NoFocus);  // the caret stays in the formula field
        button->setFixedWidth(40);
        const QString inserts = b.inserts;
        connect(button, &QPushButton::clicked, this, [this, inserts] { insertAtCaret(inserts); });
        actionsLayout->addWidget(button, 0, column++);
        editingButtons_.append(button);
    }

    auto* top = new QHBoxLayout;
    top->addLayout(header);
    top->addSpacing(12);
    top->addWidget(actions);

    auto* fieldLabel = new QLabel("Функция", this);
    edit_ = new QLineEdit(this);
    edit_->setMinimumWidth(360);
    fieldLabel->setBuddy(edit_);
    connect(edit_, &QLineEdit::textChanged, this, &Tfm_Funct::formulaTextChanged);

    clearButton_ = new QPushButton("&Очистить", this);
    applyButton_ = new QPushButton("&Применить", this);
    cancelButton_ = new QPushButton("О&тмена", this);
    clearButton_->setAutoDefault(false);
    cancelButton_->setAutoDefault(false);
    applyButton_->setDefault(true);
    connect(clearButton_, &QPushButton::clicked, this, &Tfm_Funct::ClearClick);
    connect(applyButton_, &QPushButton::clicked, this, &Tfm_Funct::BitBtn2Click);
    connect(cancelButton_, &QPushButton::clicked, this, &Tfm_Funct::BitBtn3Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(clearButton_);
    buttons->addWidget(applyButton_);
    buttons->addWidget(cancelButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(6);
    layout->addWidget(fieldLabel);
    layout->addWidget(edit_);
    layout->addSpacing(6);
    layout->addLayout(buttons);

    refreshHeader();
    setFixedSize(sizeHint());
    // Centred once, when created: a placement restored afterwards from the INI file wins.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void Tfm_Funct::showForRow(int row) {
    setCurrentRow(row);
    show();
    raise();
    activateWindow();
    edit_->setFocus();
}

void Tfm_Funct::setCurrentRow(int row) {
    row_ = row;
    refreshHeader();
}

void Tfm_Funct::refreshHeader() {
    QString number, type, name;
    if (row_ >= 1 && row_ <= model::kMaxRow) {
        const int pin = row_ > model::kPinRows ? row_ - model::kPinRows : row_;
        number = QString::number(pin);
        type = qs(doc_.pin(row_).pinType);
        name = qs(doc_.pin(pin).pinName);
    }
    numberLabel_->setText("Контакт №  " + number);
    typeLabel_->setText("Тип              " + type);
    nameLabel_->setText("Имя             " + name);
    // Only a function row takes a formula; Apply on any other row would overwrite drawn levels.
    applyButton_->setEnabled(isFunctionRow(doc_, row_));
}

QString Tfm_Funct::formulaText() const { return edit_->text(); }

void Tfm_Funct::setFormulaText(const QString& text) {
    if (edit_->text() != text) edit_->setText(text);
}

void Tfm_Funct::insertAtCaret(const QString& text) {
    QString current = edit_->text();
    const int caret = edit_->cursorPosition();
    current.insert(caret, text);
    edit_->setText(current);
    edit_->setCursorPosition(caret + 1);
    edit_->setFocus();
}

QPushButton* Tfm_Funct::editingButton(const QString& caption) const {
    for (QPushButton* b : editingButtons_)
        if (b->text() == caption) return b;
    return nullptr;
}

QString Tfm_Funct::pinNumberText() const { return numberLabel_->text(); }
QString Tfm_Funct::pinTypeText() const { return typeLabel_->text(); }
QString Tfm_Funct::pinNameText() const { return nameLabel_->text(); }

void Tfm_Funct::apply() {
    refreshHeader();
    if (!applyButton_->isEnabled()) return;
    const int row = row_;
    const auto result = applyFormulaText(doc_, prompter_, row, edit_->text().toStdString());
    if (!result) return;
    setFormulaText(qs(result->normalized));
    hide();
    emit applied(row);
}

void Tfm_Funct::BitBtn2Click() { apply(); }

void Tfm_Funct::BitBtn3Click() {
    // The "F=" field gets back what is stored for the pin; the band shows nothing for other rows.
    const std::string stored = isFunctionRow(doc_, row_) ? doc_.pinFunction(doc_.currentTest(), row_) : std::string();
    setFormulaText(qs(stored));
    hide();
}

void Tfm_Funct::ClearClick() {
    edit_->clear();
    edit_->setFocus();
}

void Tfm_Funct::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) refreshHeader();
    QDialog::changeEvent(event);
}

void Tfm_Funct::showEvent(QShowEvent* event) {
    refreshHeader();
    QDialog::showEvent(event);
}

}  // namespace kvx::functions::ui
