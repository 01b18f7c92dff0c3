#pragma once
// The main window's formula panel: "F=", the current pin's formula (hint "Функция контакта
// микросхемы") and the button "Применить функцию". The main window puts it into its tool band
// "Формула" and tells it the current row; linkFormulaBand() mirrors it with the dialog.

#include <QString>
#include <QWidget>

#include "platform/prompter.h"
#include "model/test_document.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kvx::functions::ui {

class Tfm_Funct;

class FormulaBand : public QWidget {
    Q_OBJECT
public:
    FormulaBand(model::TestDocument& doc, platform::Prompter& prompter, QWidget* parent = nullptr);

    /// The current pin changed: a function row enables the panel and shows its stored formula,
    /// any other row (or 0) disables it and empties the field.
    void setCurrentRow(int row);
    int currentRow() const { return row_; }
    /// Whether the current row is a function row (the panel is enabled).
    bool isFunctionRowShown() const;

    QString text() const;
    /// Sets the field; formulaTextChanged follows only when the text really changes.
    void setText(const QString& text);

    /// "Применить функцию": the Apply of the formula dialog for the current row.
    void apply();

    QLineEdit* field() const { return edit_; }
    QPushButton* applyButton() const { return applyButton_; }

signals:
    /// Every change of the field's text.
    void formulaTextChanged(const QString& text);
    /// setCurrentRow() was called; `functionRow` tells whether the panel is enabled.
    void currentRowChanged(int row, bool functionRow);
    /// Apply stored a formula for `row`; repaint that row, then the diagram.
    void applied(int row);

private:
    model::TestDocument& doc_;
    platform::Prompter& prompter_;
    int row_ = 0;
    QLabel* label_ = nullptr;
    QLineEdit* edit_ = nullptr;
    QPushButton* applyButton_ = nullptr;
};

/// Keeps the band and the dialog showing the same text and the same current row; Apply from
/// the band closes the dialog as the dialog's own Apply does.
void linkFormulaBand(FormulaBand& band, Tfm_Funct& dialog);

}  // namespace kvx::functions::ui
