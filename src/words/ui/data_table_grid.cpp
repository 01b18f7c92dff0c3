#include "words/ui/data_table_grid.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>

#include "model/text.h"

namespace kvx::words::ui {

namespace {

QString q(const std::string& utf8) { return QString::fromStdString(utf8); }

const char* const kEditedProperty = "kvxEdited";
const char* const kLineProperty = "kvxLine";

}  // namespace

// ---- model --------------------------------------------------------------------------------

WordTableModel::WordTableModel(DataTable& table, QObject* parent) : QAbstractTableModel(parent), table_(table) {}

int WordTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int WordTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant WordTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return q(table_.cellText(lineOfRow(index.row()), index.column()));
}

QVariant WordTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 2) return {};
    return QString(kTableHeaders[section]);
}

Qt::ItemFlags WordTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    const Qt::ItemFlags base = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return index.column() == 2 ? base | Qt::ItemIsEditable : base;
}

bool WordTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != 2 || role != Qt::EditRole) return false;
    const auto c = table_.commit(lineOfRow(index.row()), value.toString().toStdString());
    if (!c) return false;
    if (c->written) emit valueWritten(c->tact, c->word);
    refreshAll();
    return true;
}

void WordTableModel::setWindow(std::int64_t firstLine, int rows) {
    const std::int64_t left = std::max<std::int64_t>(0, table_.lineCount() - firstLine + 1);
    rows = static_cast<int>(std::clamp<std::int64_t>(rows, 0, left));
    const bool moved = firstLine != first_;
    if (rows > rows_) {
        beginInsertRows({}, rows_, rows - 1);
        first_ = firstLine;
        rows_ = rows;
        endInsertRows();
    } else if (rows < rows_) {
        beginRemoveRows({}, rows, rows_ - 1);
        first_ = firstLine;
        rows_ = rows;
        endRemoveRows();
    }
    first_ = firstLine;
    if (moved) refreshAll();
}

void WordTableModel::reload() {
    beginResetModel();
    first_ = 1;
    rows_ = 0;
    endResetModel();
}

void WordTableModel::refreshAll() {
    if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, 2), {Qt::DisplayRole, Qt::EditRole});
}

// ---- value editor -------------------------------------------------------------------------

ValueDelegate::ValueDelegate(WordTableModel& model, QObject* parent) : QStyledItemDelegate(parent), model_(model) {}

QWidget* ValueDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    const std::int64_t line = model_.lineOfRow(index.row());
    editor->setProperty(kLineProperty, QVariant::fromValue<qlonglong>(line));
    editor_ = editor;
    QPointer<QLineEdit> guard(editor);
    connect(editor, &QLineEdit::textEdited, editor, [this, guard, line](const QString& text) {
        if (!guard) return;
        guard->setProperty(kEditedProperty, true);
        // Only the word's digits stay (a paste keeps its digits); a value above 2^(n-1) is shown
        // in its canonical form at once.
        const std::size_t cursor = model::text::length(text.left(guard->cursorPosition()).toStdString());
        if (const auto shown = model_.table().typed(line, text.toStdString(), cursor)) {
            guard->setText(q(shown->text));
            guard->setCursorPosition(static_cast<int>(shown->cursor));  // digits are one unit each
        }
    });
    return editor;
}

void ValueDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (!line || !line->property(kEditedProperty).toBool()) return;  // nothing typed: nothing to commit
    line->setProperty(kEditedProperty, false);
    model->setData(index, line->text(), Qt::EditRole);
}

bool ValueDelegate::eventFilter(QObject* object, QEvent* event) {
    auto* editor = qobject_cast<QLineEdit*>(object);
    if (editor && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (typesNoDigit(*editor, *key)) return true;  // dropped: the text stays as it is
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down: {
            const int delta = static_cast<QKeyEvent*>(event)->key() == Qt::Key_Up ? -1 : 1;
            emit commitData(editor);
            emit closeEditor(editor, QAbstractItemDelegate::NoHint);
            emit moveRequested(delta);
            return true;
        }
        case Qt::Key_Left:
            emit commitData(editor);
            emit closeEditor(editor, QAbstractItemDelegate::NoHint);
            emit editingEnded();
            return true;
        case Qt::Key_Right:
            emit commitData(editor);
            return true;
        case Qt::Key_Escape:
            emit closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
            emit escapePressed();
            return true;
        default:
            break;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

bool ValueDelegate::typesNoDigit(const QLineEdit& editor, const QKeyEvent& key) const {
    if (key.text().isEmpty() || (key.modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) return false;
    for (const QChar c : key.text())
        if (!c.isPrint()) return false;  // Backspace, Return and the like
    const std::int64_t line = editor.property(kLineProperty).toLongLong();
    return model_.table().wordDigits(line, key.text().toStdString()).empty();
}

// ---- grid ---------------------------------------------------------------------------------

TableGrid::TableGrid(WordTableModel& model, QScrollBar& scrollBar, QWidget* parent)
    : QTableView(parent), model_(model), bar_(scrollBar) {
    setModel(&model_);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked);
    setTabKeyNavigation(false);
    setWordWrap(false);
    delegate_ = new ValueDelegate(model_, this);
    setItemDelegateForColumn(2, delegate_);
    connect(delegate_, &ValueDelegate::moveRequested, this, &TableGrid::moveBy);
    connect(delegate_, &ValueDelegate::editingEnded, this, [this] { editingMode_ = false; });
    connect(&bar_, &QScrollBar::valueChanged, this, [this] {
        commitOpenEditor();
        updateWindow();
        showCurrent();
    });
}

int TableGrid::pageLines() const {
    return std::max(1, viewport()->height() / std::max(1, verticalHeader()->defaultSectionSize()));
}

void TableGrid::updateWindow() {
    const std::int64_t lines = model_.table().lineCount();
    const int page = pageLines();
    {
        const QSignalBlocker block(bar_);
        bar_.setRange(0, static_cast<int>(std::max<std::int64_t>(0, lines - page)));
        bar_.setPageStep(page);
        bar_.setSingleStep(1);
    }
    model_.setWindow(static_cast<std::int64_t>(bar_.value()) + 1, page + 1);
}

void TableGrid::scrollTo(std::int64_t line) {
    const std::int64_t first = model_.firstLine();
    const int page = pageLines();
    if (line < first) bar_.setValue(static_cast<int>(line - 1));
    else if (line > first + page - 1) bar_.setValue(static_cast<int>(line - page));
}

void TableGrid::showCurrent() {
    const std::int64_t row = line_ - model_.firstLine();
    placing_ = true;
    if (row >= 0 && row < model_.rowCount())
        selectionModel()->setCurrentIndex(model_.index(static_cast<int>(row), column_),
                                          QItemSelectionModel::ClearAndSelect);
    else
        selectionModel()->clear();
    placing_ = false;
}

void TableGrid::setCurrentLine(std::int64_t line, int column) {
    const std::int64_t lines = model_.table().lineCount();
    line_ = std::clamp<std::int64_t>(line, 1, std::max<std::int64_t>(1, lines));
    column_ = std::clamp(column, 0, 2);
    scrollTo(line_);
    showCurrent();
}

void TableGrid::moveBy(int delta) {
    setCurrentLine(line_ + delta, column_);
    if (editingMode_ && column_ == 2 && currentIndex().isValid()) edit(currentIndex());
}

void TableGrid::commitOpenEditor() {
    QWidget* editor = delegate_->openEditor();
    if (state() != QAbstractItemView::EditingState || !editor) return;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

QModelIndex TableGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    std::int64_t line = line_;
    int column = column_;
    const int page = pageLines();
    const bool ctrl = modifiers & Qt::ControlModifier;
    switch (action) {
    case MoveUp: --line; break;
    case MoveDown: ++line; break;
    case MovePageUp: line -= page; break;
    case MovePageDown: line += page; break;
    case MoveLeft: column = std::max(0, column - 1); break;
    case MoveRight: column = std::min(2, column + 1); break;
    case MoveHome:
        if (ctrl) line = 1;
        else column = 0;
        break;
    case MoveEnd:
        if (ctrl) line = model_.table().lineCount();
        else column = 2;
        break;
    case MoveNext:
        if (++column > 2) column = 0, ++line;
        break;
    case MovePrevious:
        if (--column < 0) column = 2, --line;
        break;
    }
    // The grid places the current cell itself: the index it returns is already current.
    setCurrentLine(line, column);
    if (action == MoveLeft) editingMode_ = false;
    if (editingMode_ && column_ == 2 && currentIndex().isValid() && (action == MoveUp || action == MoveDown))
        edit(currentIndex());
    return currentIndex();
}

bool TableGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const bool opened = QTableView::edit(index, trigger, event);
    if (opened && index.column() == 2) editingMode_ = true;  // a click or a key switches editing on
    return opened;
}

void TableGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (placing_ || !current.isValid()) return;
    line_ = model_.lineOfRow(current.row());
    column_ = current.column();
}

void TableGrid::mousePressEvent(QMouseEvent* event) {
    QTableView::mousePressEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && index.column() < 2) {
        editingMode_ = false;
        return;
    }
    const int right = columnViewportPosition(1) + columnWidth(1);
    if (index.isValid() || event->position().x() >= right) {
        // A press on the value column, or to the right of the first two columns, edits the value.
        editingMode_ = true;
        const std::int64_t row = line_ - model_.firstLine();
        if (!index.isValid() && row >= 0 && row < model_.rowCount()) column_ = 2, showCurrent();
        if (currentIndex().isValid() && currentIndex().column() == 2) edit(currentIndex());
    }
}

void TableGrid::wheelEvent(QWheelEvent* event) { QApplication::sendEvent(&bar_, event); }

void TableGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    updateWindow();
    showCurrent();
}


}  // namespace kvx::words::ui
