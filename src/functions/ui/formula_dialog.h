#pragma once
// The formula dialog "Функция": the current pin's header, the editing buttons, the formula
// field mirrored with the main window's "F=" field, and Apply. It is created once, shown
// without blocking the main window and follows the main window's current pin.

#include <QDialog>
#include <QString>

#include "platform/prompter.h"
#include "model/test_document.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kvx::functions::ui {

class Tfm_Funct : public QDialog {
    Q_OBJECT
public:
    Tfm_Funct(model::TestDocument& doc, platform::Prompter& prompter, QWidget* parent = nullptr);

    /// Makes `row` the current pin, fills the header and shows the dialog (non-modal, raised).
    void showForRow(int row);
    /// Follows the main window's current pin: header and the Apply button's enabled state.
    void setCurrentRow(int row);
    int currentRow() const { return row_; }

    QString formulaText() const;
    /// Sets the formula field; formulaTextChanged follows only when the text really changes.
    void setFormulaText(const QString& text);
    /// Inserts `text` at the caret of the formula field and puts the caret one character
    /// after its old position (the editing buttons).
    void insertAtCaret(const QString& text);

    /// "&Применить": fills the current pin's row from the field (warning on an invalid
    /// formula), stores the normalised text as its formula and closes the dialog.
    void apply();

    QLineEdit* formulaField() const { return edit_; }
    QPushButton* applyButton() const { return applyButton_; }
    QPushButton* clearButton() const { return clearButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }
    /// Editing button by caption: "|", "&&", "XOR", "!", "(..)", "0", "1"; nullptr otherwise.
    QPushButton* editingButton(const QString& caption) const;

    /// Header texts, as shown.
    QString pinNumberText() const;
    QString pinTypeText() const;
    QString pinNameText() const;

signals:
    /// Every change of the formula field's text (typed, inserted, cleared, normalised).
    void formulaTextChanged(const QString& text);
    /// Apply stored a formula for `row` (cells changed when it was valid); repaint the diagram.
    void applied(int row);

public slots:
    /// Refreshes the header from the document.
    void refreshHeader();

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BitBtn2Click();   // "&Применить"
    void BitBtn3Click();   // "О&тмена"
    void ClearClick();     // "&Очистить"

    model::TestDocument& doc_;
    platform::Prompter& prompter_;
    int row_ = 0;
    QLabel* numberLabel_ = nullptr;
    QLabel* typeLabel_ = nullptr;
    QLabel* nameLabel_ = nullptr;
    QLineEdit* edit_ = nullptr;
    QPushButton* applyButton_ = nullptr;
    QPushButton* clearButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QList<QPushButton*> editingButtons_;
};

}  // namespace kvx::functions::ui
