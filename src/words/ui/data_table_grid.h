#pragma once
// The grid of the data table. A table of 100,000 tacts and 51 words has 5.1 million lines, more
// than a view can keep per-line records for, so the model only ever holds the window of lines
// that fits the viewport: the grid scrolls by moving that window along the table (the dialog's
// own scroll bar), and every cell is computed from the document when it is painted.

#include <QAbstractTableModel>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>
#include <cstdint>
#include <functional>

#include "words/data_table.h"

class QKeyEvent;
class QLineEdit;
class QScrollBar;

namespace kvx::words::ui {

/// The lines firstLine()..firstLine() + rowCount() - 1 of a data table, one model row each.
class WordTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit WordTableModel(DataTable& table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    /// A commit of the value column (typed text, see DataTable::commit).
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    DataTable& table() { return table_; }
    std::int64_t firstLine() const { return first_; }
    /// Table line of a model row.
    std::int64_t lineOfRow(int row) const { return first_ + row; }
    /// Moves the window to start at `firstLine` and hold `rows` lines (cut at the table's end).
    void setWindow(std::int64_t firstLine, int rows);
    /// The lines changed underneath (the filter): every row is read again.
    void reload();
    /// Every visible cell is read again (a commit may change other words sharing its pins).
    void refreshAll();

signals:
    /// A commit wrote a value into the diagram.
    void valueWritten(int tact, int word);

private:
    DataTable& table_;
    std::int64_t first_ = 1;
    int rows_ = 0;
};

/// The value column's editor: applies the typing rule while the user types and commits only a
/// text the user changed. A key that types no digit of the word's number system is dropped, and
/// what reaches the text otherwise (a paste) keeps only its digits. Arrow keys commit, Escape
/// closes the table.
class ValueDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit ValueDelegate(WordTableModel& model, QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    /// The editor now open, or nullptr.
    QWidget* openEditor() const { return editor_; }

signals:
    /// Up or Down in the editor, after its commit: the grid moves by `delta` lines.
    void moveRequested(int delta);
    /// Left in the editor, after its commit: editing mode ends.
    void editingEnded();
    /// Escape in the editor: the table closes without committing the typed text.
    void escapePressed();

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    /// A key that would type characters none of which is a digit of the word's number system.
    bool typesNoDigit(const QLineEdit& editor, const QKeyEvent& key) const;

    WordTableModel& model_;
    mutable QPointer<QWidget> editor_;
};

/// The table view over the window of lines: keys and the wheel move along the whole table.
class TableGrid : public QTableView {
    Q_OBJECT
public:
    TableGrid(WordTableModel& model, QScrollBar& scrollBar, QWidget* parent = nullptr);

    /// Absolute current line (1-based) and column.
    std::int64_t currentLine() const { return line_; }
    int currentColumn() const { return column_; }
    /// Makes `line` current in `column`, scrolling it into view.
    void setCurrentLine(std::int64_t line, int column);
    using QTableView::edit;
    /// Lines that fit the viewport completely (at least 1).
    int pageLines() const;
    /// The window follows the scroll bar and the viewport's height.
    void updateWindow();
    /// Commits and closes an open editor.
    void commitOpenEditor();
    bool editingMode() const { return editingMode_; }
    /// A value editor is open.
    bool editorOpen() const { return state() == EditingState; }
    ValueDelegate* valueDelegate() const { return delegate_; }

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void scrollTo(std::int64_t line);
    void showCurrent();
    void moveBy(int delta);

    WordTableModel& model_;
    QScrollBar& bar_;
    ValueDelegate* delegate_ = nullptr;
    std::int64_t line_ = 1;
    int column_ = 2;
    bool editingMode_ = false;
    bool placing_ = false;  ///< the current index is being set by the grid itself
};

}  // namespace kvx::words::ui
