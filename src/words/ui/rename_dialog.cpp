#include "words/ui/rename_dialog.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kvx::words::ui {

namespace {
/// Room that the close, maximise and minimise buttons of a caption take.
constexpr int kTitleButtonsWidth = 140;
}  // namespace

TRename::TRename(QWidget* parent) : QDialog(parent) {
    setObjectName("TRename");
    setModal(true);
    label_ = new QLabel(this);
    label_->setTextFormat(Qt::PlainText);
    field_ = new QLineEdit(this);
    field_->setMinimumWidth(260);
    ok_ = new QPushButton("OK", this);
    ok_->setDefault(true);
    cancel_ = new QPushButton("Отмена", this);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(field_);
    layout->addLayout(buttons);
    setSizeGripEnabled(false);
}

std::optional<QString> TRename::ask(const QString& prompt, const QString& text) {
    setWindowTitle(prompt);
    label_->setText(prompt);
    // A window manager writes the caption in its own, often bold, font beside its buttons:
    // the window is made wide enough for the whole caption to show there.
    QFont bold = font();
    bold.setBold(true);
    setMinimumWidth(QFontMetrics(bold).horizontalAdvance(prompt) * 5 / 4 + kTitleButtonsWidth);
    field_->setText(text);
    field_->selectAll();
    field_->setFocus();
    if (exec() != QDialog::Accepted) return std::nullopt;
    return field_->text();
}

QString TRename::prompt() const { return label_->text(); }

}  // namespace kvx::words::ui
