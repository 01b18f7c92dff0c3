#pragma once
// The name prompt "TRename": a small modal dialog whose caption and label show the prompt text
// given by the caller, with one text field and the buttons "OK" and "Отмена". Created at
// start-up and used for every word name the data word editor asks for.

#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kvx::words::ui {

class TRename : public QDialog {
    Q_OBJECT
public:
    explicit TRename(QWidget* parent = nullptr);

    /// Shows `prompt` as caption and label, the field preset to `text`, and waits: the field's
    /// text after "OK", nullopt after "Отмена" (or Escape, or the close box).
    std::optional<QString> ask(const QString& prompt, const QString& text);
    /// The prompt text of the last ask().
    QString prompt() const;

    QLabel* label() const { return label_; }
    QLineEdit* field() const { return field_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

private:
    QLabel* label_ = nullptr;
    QLineEdit* field_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace kvx::words::ui
