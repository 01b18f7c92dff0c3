#include "exchange/ui/vcd_import_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "exchange/exchange_signals.h"

namespace kvx::exchange::ui {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

/// Signals that fit a target of `width` bits: whole variables of that width and, for one bit,
/// every bit of a vector.
QStringList candidates(const VcdHeader& header, int width) {
    QStringList out;
    for (const VcdVariable& v : header.variables) {
        if (v.type == "real" || v.type == "realtime" || v.type == "string") continue;
        if (v.width == width) out << q(v.fullName());
        if (width == 1 && v.width > 1) {
            const bool down = !v.hasRange || v.msb >= v.lsb;
            for (int b = 0; b < v.width; ++b) {
                const int index = !v.hasRange ? b : down ? v.lsb + b : v.lsb - b;
                out << q((v.scope.empty() ? "" : v.scope + ".") + v.reference + "[" + std::to_string(index) + "]");
            }
        }
    }
    return out;
}

}  // namespace

TFVcdImport::TFVcdImport(const model::TestDocument& doc, const VcdHeader& header, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFVcdImport"));
    setWindowTitle(QStringLiteral("Импорт VCD"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Сигналы файла VCD для строк теста:"), this));

    table_ = new QTableWidget(this);
    table_->setColumnCount(4);
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("№"), QStringLiteral("Тип"), QStringLiteral("Имя"), QStringLiteral("Сигнал VCD")});
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);

    struct Line {
        QString number, type, name;
        Target target;
    };
    std::vector<Line> lines;
    for (const RowSignal& r : rowSignals(doc)) {
        if (model::isFunctionType(doc.pin(r.row).pinType)) continue;  // computed from the formula
        const bool output = r.row > model::kPinRows;
        const int pin = output ? r.row - model::kPinRows : r.row;
        lines.push_back({QString::number(pin), q(doc.pin(r.row).pinType), q(doc.pin(pin).pinName),
                         {{output ? MapTarget::Kind::Output : MapTarget::Kind::Pin, pin}, 1}});
    }
    for (const WordSignal& w : wordSignals(doc))
        lines.push_back({QStringLiteral("W%1").arg(w.word + 1), QStringLiteral("Слово"),
                         q(doc.dataWords()[static_cast<std::size_t>(w.word)].wordName),
                         {{MapTarget::Kind::Word, w.word + 1}, static_cast<int>(w.rows.size())}});

    const auto suggested = suggestMap(doc, header);
    table_->setRowCount(static_cast<int>(lines.size()));
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        const Line& l = lines[static_cast<std::size_t>(i)];
        targets_.push_back(l.target);
        table_->setItem(i, 0, new QTableWidgetItem(l.number));
        table_->setItem(i, 1, new QTableWidgetItem(l.type));
        table_->setItem(i, 2, new QTableWidgetItem(l.name));
        auto* box = new QComboBox(table_);
        box->addItem(QStringLiteral("—"));
        box->addItems(candidates(header, l.target.width));
        for (const MapEntry& e : suggested)
            if (e.target == l.target.target) box->setCurrentText(q(e.signal));
        table_->setCellWidget(i, 3, box);
    }
    table_->resizeColumnsToContents();
    layout->addWidget(table_, 1);

    auto* form = new QFormLayout;
    tactField_ = new QLineEdit(QString::number(doc.testParameters().effectiveTactDuration()) + QStringLiteral(" мкс"), this);
    tactField_->setToolTip(QStringLiteral("Длительность такта во времени файла VCD, например 2 мкс, 500 нс, 10 us"));
    form->addRow(QStringLiteral("Длительность такта:"), tactField_);
    offsetField_ = new QSpinBox(this);
    offsetField_->setRange(0, 100);
    offsetField_->setValue(100);
    offsetField_->setSuffix(QStringLiteral(" %"));
    offsetField_->setToolTip(QStringLiteral("100 % — конец такта: значение перед началом следующего такта"));
    form->addRow(QStringLiteral("Момент выборки в такте:"), offsetField_);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(560, 480);
}

QComboBox* TFVcdImport::chooser(int index) const { return qobject_cast<QComboBox*>(table_->cellWidget(index, 3)); }

std::vector<MapEntry> TFVcdImport::entries() const {
    std::vector<MapEntry> out;
    for (int i = 0; i < static_cast<int>(targets_.size()); ++i) {
        const QComboBox* box = chooser(i);
        if (!box || box->currentIndex() <= 0) continue;
        out.push_back({box->currentText().toStdString(), targets_[static_cast<std::size_t>(i)].target, 0});
    }
    return out;
}

ImportOptions TFVcdImport::options() const {
    ImportOptions o;
    o.tactFs = parseDuration(tactField_->text().toStdString()).value_or(0);
    o.offsetPercent = offsetField_->value();
    return o;
}

}  // namespace kvx::exchange::ui
