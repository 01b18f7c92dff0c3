#include "functions/ui/formula_band.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "functions/ui/formula_actions.h"
#include "functions/ui/formula_dialog.h"

namespace kvx::functions::ui {

FormulaBand::FormulaBand(model::TestDocument& doc, platform::Prompter& prompter, QWidget* parent)
    : QWidget(parent), doc_(doc), prompter_(prompter) {
    setObjectName("FormulaBand");
    label_ = new QLabel("F=", this);
    edit_ = new QLineEdit(this);
    edit_->setToolTip("Функция контакта микросхемы");
    edit_->setMinimumWidth(260);
    label_->setBuddy(edit_);
    applyButton_ = new QPushButton("Применить функцию", this);
    applyButton_->setAutoDefault(false);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 1, 4, 1);
    layout->addWidget(label_);
    layout->addWidget(edit_, 1);
    layout->addWidget(applyButton_);

    connect(edit_, &QLineEdit::textChanged, this, &FormulaBand::formulaTextChanged);
    connect(applyButton_, &QPushButton::clicked, this, &FormulaBand::apply);
    setCurrentRow(0);
}

void FormulaBand::setCurrentRow(int row) {
    row_ = row;
    const bool function = isFunctionRow(doc_, row);
    setEnabled(function);
    setText(function ? QString::fromStdString(doc_.pinFunction(doc_.currentTest(), row)) : QString());
    emit currentRowChanged(row, function);
}

bool FormulaBand::isFunctionRowShown() const { return isFunctionRow(doc_, row_); }

QString FormulaBand::text() const { return edit_->text(); }

void FormulaBand::setText(const QString& text) {
    if (edit_->text() != text) edit_->setText(text);
}

void FormulaBand::apply() {
    const int row = row_;
    const auto result = applyFormulaText(doc_, prompter_, row, edit_->text().toStdString());
    if (!result) return;
    setText(QString::fromStdString(result->normalized));
    emit applied(row);
}

void linkFormulaBand(FormulaBand& band, Tfm_Funct& dialog) {
    dialog.setCurrentRow(band.currentRow());
    dialog.setFormulaText(band.text());
    QObject::connect(&band, &FormulaBand::formulaTextChanged, &dialog, &Tfm_Funct::setFormulaText);
    QObject::connect(&dialog, &Tfm_Funct::formulaTextChanged, &band, &FormulaBand::setText);
    QObject::connect(&band, &FormulaBand::currentRowChanged, &dialog, [&dialog](int row, bool) {
        dialog.setCurrentRow(row);
    });
    QObject::connect(&band, &FormulaBand::applied, &dialog, [&dialog](int) { dialog.hide(); });
}

}  // namespace kvx::functions::ui
