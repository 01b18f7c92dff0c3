#pragma once
// The diagram area of the main window: header strip with the tact ruler, the diagram canvas
// with the pin column, the tact bit column and both scroll bars. It draws the open test and
// carries the cell, row, tact and pin editing of the diagram.

#include <QPoint>
#include <QString>
#include <QWidget>
#include <vector>

#include "platform/prompter.h"
#include "diagram/block_editing.h"
#include "diagram/diagram_view.h"
#include "model/test_document.h"

class QAction;
class QComboBox;
class QDialog;
class QLineEdit;
class QPainter;
class QRect;
class QMenu;
class QScrollBar;

namespace kvx::diagram {

class DiagramCanvas;
class TactRuler;
class BitColumn;
class HeaderStrip;

class DiagramWidget : public QWidget {
    Q_OBJECT
public:
    DiagramWidget(model::TestDocument& doc, platform::Prompter& prompter, QWidget* parent = nullptr);
    ~DiagramWidget() override;

    DiagramView& view() { return view_; }
    const DiagramView& view() const { return view_; }

    /// Repaint, re-layout and scroll-bar update after any change of the document.
    void refresh();
    /// An undo or redo changed the document: the pin editors close, a block that no longer
    /// lies inside the test is dropped, and the current row is told again (its type, its
    /// formula or the row at the current position may have changed).
    void documentRestored();
    /// A new test: current cell at column 1, screen row 1, both offsets 0.
    void resetForNewTest();
    /// An opened test: first tact 1, the row at display position 1 current, column 1.
    void resetForOpenedTest();

    /// The diagram's context menu ("&1", "&0", "&Неактивна", "&Такт", "&Заполнить", "&Сервис").
    QMenu* contextMenu() const { return contextMenu_; }

    // Parts for the window and for tests.
    QWidget* canvas() const;
    QWidget* ruler() const;
    QWidget* bitColumn() const;
    QWidget* headerStrip() const;
    QScrollBar* verticalScrollBar() const { return vbar_; }
    QScrollBar* horizontalScrollBar() const { return hbar_; }
    QComboBox* typeSelector() const { return typeSelector_; }
    QLineEdit* nameEditor() const { return nameEditor_; }
    /// Width of the canvas (cells and pin column) and of the area it lies in.
    int canvasWidth() const;
    int areaHeight() const;
    /// Canvas height the layout gives: the visible rows and one pixel.
    int canvasHeight() const;
    /// Width of the tact bit column's data column and of its panel (30 and 34 at first).
    int bitColumnWidth() const { return bitColumnWidth_; }
    int bitPanelWidth() const { return bitPanelWidth_; }
    /// Colour the empty part of the canvas area is filled with (set at each re-layout).
    Rgb panelColour() const { return panelColour_; }
    /// The selected block of cells; empty when none is selected.
    CellRange block() const { return block_; }
    /// The block, or the current cell when no block is selected.
    CellRange selectedRange() const;
    /// Clipboard format of a block: its text form.
    static constexpr const char* kBlockMimeType = "application/x-kvx-cells";
    /// Tag of levels typed into one row (plus the row number): the history keeps levels typed
    /// into the same row with no other input between them as one step.
    static constexpr int kTypedLevelsMergeKey = 1000;

    /// While the widget is hidden (no test shown) every command of the diagram does nothing.
    bool diagramShown() const { return !isHidden(); }

    // Context-menu actions (the level items; the others are submenus).
    QAction* contextHighAction() const { return ctxHigh_; }
    QAction* contextLowAction() const { return ctxLow_; }
    QAction* contextInactiveAction() const { return ctxInactive_; }
    QMenu* contextTactMenu() const { return ctxTact_; }
    QMenu* contextFillMenu() const { return ctxFill_; }
    QMenu* contextServiceMenu() const { return ctxService_; }
    /// "&Правка": undo, redo and the block commands, filled by the main window.
    QMenu* contextEditMenu() const { return ctxEdit_; }

    // View options of the "Вид" menu; none of them is stored in the test.
    /// "Слова данных на диаграмме" (checkable): one lane per data word below the signal rows.
    QAction* wordLanesAction() const { return wordLanesAction_; }
    /// "Время на линейке" (checkable): the ruler in microseconds.
    QAction* timeOnRulerAction() const { return timeOnRulerAction_; }
    /// "Перейти к такту..." (Ctrl+Shift+G).
    QAction* goToTactAction() const { return goToTactAction_; }
    /// Makes `tact` the current tact of the current row, scrolling it into view; false for a
    /// tact outside the test.
    bool goToTact(int tact);
    /// Makes the cell of document row `row` at `tact` current, scrolling it into view; false
    /// for a row or tact the diagram does not show.
    bool goToCell(int row, int tact);
    /// Cells framed in red over the diagram (view state, not part of the test): the next edit,
    /// undo, redo or another test clears them.
    struct MarkedCell {
        int row = 0;
        int tact = 0;
        bool operator==(const MarkedCell&) const = default;
    };
    void setMarkedCells(std::vector<MarkedCell> cells);
    const std::vector<MarkedCell>& markedCells() const { return marked_; }
    void clearMarkedCells();
    /// Pins marked in red in the pin column (view state, like the marked cells): the next
    /// edit, undo, redo or another test clears them.
    void setMarkedPins(std::vector<int> pins);
    const std::vector<int>& markedPins() const { return markedPins_; }
    void clearMarkedPins();
    /// "Такт 17, 64 мкс" for the current tact.
    QString tactStatus() const;
    /// Screen y of the first word lane (below the last signal row).
    int firstLaneTop() const;
    /// Tacts selected on one word lane (a click, Shift+click or a drag on the lane), where a
    /// value in the word's number system is typed and Enter writes it.
    struct LaneSelection {
        int word = -1;
        int firstTact = 0;
        int lastTact = 0;
        bool empty() const { return word < 0; }
        bool operator==(const LaneSelection&) const = default;
    };
    LaneSelection laneSelection() const { return laneSelection_; }
    /// The digits typed into the selected stretch so far.
    QString laneText() const { return laneText_; }

public slots:
    void zoomIn();
    void zoomOut();
    void zoomStandard();
    /// "По размеру окна": the widest zoom step that shows every tact.
    void zoomToFit();
    /// "Цвета Диаграммы...": the dialog "Цвета ячеек".
    void chooseColours();

    /// "Заполнить 1" / "Строка в 1": tacts from the current one to the last of the current row.
    void fillHigh();
    /// "Заполнить 0" / "Строка в 0".
    void fillLow();
    /// "Строка неактивна".
    void fillInactive();
    /// "Вставить такт" at the current cell.
    void insertTact();
    /// "Удалить такт" at the current cell.
    void deleteTact();
    /// The tact-count field's text changed (typing, spin buttons) or "Изменить" was pressed.
    void setTactCountFromField(const QString& text);
    /// The tact-count field lost the focus: tacts hidden by a lower count are forgotten.
    void leaveTactField();
    /// Enter in the tact-count field: the field shows the current tact count again.
    void showTactCount();
    /// A right press elsewhere in the main window: the context menu offers nothing.
    void disableContextMenuItems();

    // Blocks of cells (Shift with the arrows, a click or a drag selects one).
    /// "Копировать": the block, or the current cell, to the clipboard.
    void copyBlock();
    /// "Вырезать": copied, then made inactive.
    void cutBlock();
    /// "Вставить": the clipboard's block at the current cell, over the rows below it.
    void pasteBlock();
    /// "Вставить со сдвигом": the block's tacts are inserted at the current cell first.
    void pasteBlockInserting();
    /// "Удалить": the block, or the current cell, becomes inactive.
    void deleteBlock();

signals:
    /// The three status-bar panels: package, algorithm, test name.
    void statusChanged(QString package, QString algorithm, QString testName);
    /// The current document row changed, or the current row's type did (formula bar).
    void currentRowChanged(int row);
    /// The diagram changed the document (cells, tacts, pins, order).
    void documentEdited();
    /// The tact-count field should show this count.
    void tactCountShown(int tactCount);
    /// The current tact or its start time changed: "Такт 17, 64 мкс".
    void tactStatusChanged(QString text);
    /// A double click on the lane of data word `word` made its tact current: the data table
    /// should open there, on that word's line.
    void dataTableRequested(int word);
    /// A short note for the status bar, about a command that could not do anything.
    void noteShown(QString text);
    /// Context-menu commands carried out by other windows; the items are enabled only
    /// while something is connected.
    void generatorRequested();
    void functionRequested();
    void dataWordsRequested();
    /// The dialog "Цвета ячеек" was created and is about to be shown; it is destroyed when it
    /// closes. The window-placement store restores and keeps its position through this.
    void coloursDialogCreated(QDialog* dialog);

protected:
    void resizeEvent(QResizeEvent* e) override;
    /// Enter, Tab, Shift+Tab and Escape in the pin name editor.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* e) override;

private:
    friend class DiagramCanvas;
    friend class BitColumn;
    friend class TactRuler;

    // Mouse and key handlers of the canvas.
    void PaintBox1MouseDown(Qt::MouseButton button, QPoint pos, bool doubleClick);
    void PaintBox1Click();
    void PaintBox1DblClick();
    void PaintBox1MouseMove(QPoint pos);
    void PaintBox1MouseUp(Qt::MouseButton button, QPoint pos);
    void Memo1KeyDown(int key, Qt::KeyboardModifiers modifiers);
    void ComboBox2Change(int index);
    void Edit2Change(const QString& text);

    // Moves and level keys.
    void moveUp();
    void moveDown();
    void moveLeft();
    void moveRight();
    void setLevelAndAdvance(model::CellLevel level);
    /// Every cell of the block in rows that take levels by hand gets `level`.
    void fillBlock(model::CellLevel level);
    /// The name editor moves to the next (step 1) or previous (-1) pin whose name can be
    /// edited; past the first or last one it closes.
    void nameNextPin(int step);
    /// The type list moves to the next (1) or previous (-1) pin whose type can be chosen and
    /// opens there; past the first or last one it closes.
    void typeNextPin(int step);
    /// Makes the next (1) or previous (-1) pin with an editable name and type current; false
    /// (the editors closed) past the first or last one.
    bool moveToPin(int step);
    /// A key in the open type list; true when it was handled here.
    bool typeListKey(int key, Qt::KeyboardModifiers modifiers);
    /// Word lane under a canvas point, or -1.
    int laneAt(QPoint pos) const;
    void selectOnLane(int word, int tact, bool extend);
    /// A key while tacts of a lane are selected; true when the lane took it.
    bool laneKey(int key);
    void clearLaneSelection();
    void paintLaneSelection(QPainter& p, const QRect& cells) const;
    /// After a change of the tact count the current cell lies inside the test.
    void keepCurrentCellInTest();
    void contextLevel(model::CellLevel level);
    void fillRow(model::CellLevel level);
    void recalculate();

    // Layout.
    void layoutDiagram();
    void updateScrollBars();
    void applyHorizontalRange(const ScrollRange& r);
    void placeChildren();
    void verticalScrolled(int position);
    void horizontalScrolled(int position);
    void hidePinEditors();
    void openTypeSelector();
    /// After a click released at `releasedAt` that showed the type selector: its list opens.
    void openTypeList(QPoint releasedAt);
    void openNameEditor();
    void updateStatus();
    void updateBitColumn();
    void repaintAll();
    void updateTactStatus();
    void goToTactDialog();
    void edited();
    void syncCurrentRow();
    int wholeRowsInArea() const;
    /// Display position under the last press when a click there selects a row, else 0.
    int pressedPosition() const;
    int visibleColumns() const;
    int currentPosition() const;
    int cellPositionAt(QPoint pos) const;
    int cellTactAt(QPoint pos) const;
    void startBlockAtCurrentCell();
    void extendBlockTo(int position, int tact);
    void clearBlock();
    void paste(bool insert);
    void paintBlock(QPainter& p, const QRect& cells) const;
    void paintMarks(QPainter& p, const QRect& cells) const;
    void paintMarkedPins(QPainter& p) const;

    model::TestDocument& doc_;
    platform::Prompter& prompter_;
    DiagramView view_;

    HeaderStrip* header_ = nullptr;
    TactRuler* ruler_ = nullptr;
    DiagramCanvas* canvas_ = nullptr;
    BitColumn* bits_ = nullptr;
    QScrollBar* vbar_ = nullptr;
    QScrollBar* hbar_ = nullptr;
    QComboBox* typeSelector_ = nullptr;
    QLineEdit* nameEditor_ = nullptr;

    QMenu* contextMenu_ = nullptr;
    QAction* ctxHigh_ = nullptr;
    QAction* ctxLow_ = nullptr;
    QAction* ctxInactive_ = nullptr;
    QMenu* ctxTact_ = nullptr;
    QMenu* ctxFill_ = nullptr;
    QMenu* ctxService_ = nullptr;
    QMenu* ctxEdit_ = nullptr;
    QAction* ctxGenerator_ = nullptr;
    QAction* ctxFunction_ = nullptr;
    QAction* ctxWords_ = nullptr;
    QAction* wordLanesAction_ = nullptr;
    QAction* timeOnRulerAction_ = nullptr;
    QAction* goToTactAction_ = nullptr;
    QString tactStatus_;

    Rgb panelColour_ = 0xFFFFFF;
    int bitColumnWidth_ = 30;
    int bitPanelWidth_ = 34;

    // Mouse state: the click handling works on the press position.
    QPoint press_;
    bool dragging_ = false;
    int dragSource_ = -1;
    bool clickArmed_ = false;
    bool updatingBars_ = false;
    bool selectingBlock_ = false;
    CellRange block_;
    std::vector<MarkedCell> marked_;
    std::vector<int> markedPins_;
    int anchorPosition_ = 0;
    int anchorTact_ = 0;
    LaneSelection laneSelection_;
    int laneAnchor_ = 0;
    bool laneDragging_ = false;
    QString laneText_;
    friend class TypeSelector;
};

}  // namespace kvx::diagram
