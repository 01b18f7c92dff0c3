#include "exchange/ui/map_table.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QScrollBar>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableWidget>

#include "exchange/exchange_signals.h"

namespace kvx::exchange::ui {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

MapTargetLine rowLine(const model::TestDocument& doc, int row) {
    const bool output = row > model::kPinRows;
    const int pin = output ? row - model::kPinRows : row;
    return {QString::number(pin), q(doc.pin(row).pinType), q(doc.pin(pin).pinName),
            {output ? MapTarget::Kind::Output : MapTarget::Kind::Pin, pin}, 1};
}

}  // namespace

std::vector<MapTargetLine> mapTargetLines(const model::TestDocument& doc, MapRows rows) {
    std::vector<MapTargetLine> lines;
    if (rows == MapRows::Levels) {
        for (const RowSignal& r : rowSignals(doc))
            if (!model::isFunctionType(doc.pin(r.row).pinType)) lines.push_back(rowLine(doc, r.row));
    } else {
        for (int pin = 1; pin <= doc.pinCount(); ++pin) {
            lines.push_back(rowLine(doc, pin));
            if (doc.pin(pin).pinType == model::PinType::InOut) lines.push_back(rowLine(doc, pin + model::kPinRows));
        }
    }
    for (const WordSignal& w : wordSignals(doc))
        lines.push_back({QStringLiteral("W%1").arg(w.word + 1), QStringLiteral("Слово"),
                         q(doc.dataWords()[static_cast<std::size_t>(w.word)].wordName),
                         {MapTarget::Kind::Word, w.word + 1},
                         static_cast<int>(w.rows.size())});
    return lines;
}

QTableWidget* newMapTable(const QStringList& titles, QWidget* parent) {
    auto* table = new QTableWidget(parent);
    table->setColumnCount(static_cast<int>(titles.size()));
    table->setHorizontalHeaderLabels(titles);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(static_cast<int>(titles.size()) - 1, QHeaderView::Stretch);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setTabKeyNavigation(false);
    return table;
}

ChooserFocus::ChooserFocus(QTableWidget* table) : QObject(table), table_(table) {}

void ChooserFocus::watch(QComboBox* box, int row) {
    box->setProperty("row", row);
    // The wheel scrolls the table; it changes a chooser only when that has the focus.
    box->setFocusPolicy(Qt::StrongFocus);
    box->installEventFilter(this);
    if (box->lineEdit()) box->lineEdit()->installEventFilter(this);
}

bool ChooserFocus::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (auto* box = qobject_cast<QComboBox*>(watched)) {
            table_->scrollTo(table_->model()->index(box->property("row").toInt(), table_->columnCount() - 1));
            if (QLineEdit* edit = box->lineEdit()) {
                if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason) clicked_ = edit;
                else edit->selectAll();
            }
        }
    } else if (event->type() == QEvent::Wheel) {
        auto* box = qobject_cast<QComboBox*>(watched);
        if (box && !box->hasFocus()) {
            QCoreApplication::sendEvent(table_->verticalScrollBar(), event);
            return true;
        }
    } else if (event->type() == QEvent::MouseButtonRelease && watched == clicked_) {
        if (!clicked_->hasSelectedText()) clicked_->selectAll();
        clicked_ = nullptr;
    }
    return false;
}

}  // namespace kvx::exchange::ui
