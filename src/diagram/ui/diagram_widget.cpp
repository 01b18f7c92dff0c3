#include "diagram/ui/diagram_widget.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QMimeData>
#include <QContextMenuEvent>
#include <QAction>
#include <QInputDialog>
#include <QKeySequence>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QTimer>
#include <QWheelEvent>
#include <qdrawutil.h>
#include <algorithm>
#include <functional>
#include <utility>

#include "diagram/cell_editing.h"
#include "diagram/lane_editing.h"
#include "diagram/pin_editing.h"
#include "diagram/ui/colours_dialog.h"
#include "diagram/ui/diagram_painter.h"
#include "functions/formula.h"
#include "model/change_log.h"
#include "words/data_table.h"

namespace kvx::diagram {

using model::CellLevel;

namespace {
// The letter key N gives "Т" in the Russian layout; the standard zoom follows the key, not
// the letter.
constexpr int kCyrillicTeKey = 0x0422;
}  // namespace

// ---- parts of the diagram area ---------------------------------------------

/// The tact numbers above the cells.
class TactRuler : public QWidget {
public:
    TactRuler(DiagramWidget& owner, QWidget* parent) : QWidget(parent), owner_(owner) {
        setToolTip(QStringLiteral("Номера Тактов"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        paintTactRuler(p, owner_.doc_, owner_.view_, size(), buttonFaceColour());
        owner_.updateTactStatus();
    }

private:
    DiagramWidget& owner_;
};

/// "№", "Тип", "Имя" over the pin column, the ruler to their right.
class HeaderStrip : public QWidget {
public:
    HeaderStrip(DiagramWidget& owner, QWidget* parent) : QWidget(parent) {
        ruler = new TactRuler(owner, this);
        setAutoFillBackground(true);
    }
    TactRuler* ruler = nullptr;

protected:
    struct Cell {
        int left, right, textX;
        const char* caption;
        const char* hint;
    };
    static constexpr Cell kCells[3] = {
        {0, kNumberColumnRight, 13, "№", "Номер контакта микросхемы"},
        {kNumberColumnRight, kTypeColumnRight, 59, "Тип", "Тип контакта микросхемы"},
        {kTypeColumnRight, kPinColumnRight, 115, "Имя", "Наименование контакта микросхемы"},
    };

    void resizeEvent(QResizeEvent*) override {
        ruler->setGeometry(kFirstCellX, 0, std::max(0, width() - kFirstCellX), height());
    }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), buttonFaceColour());
        paintHeaderCaptions(p, height(), palette());
    }
    bool event(QEvent* e) override {
        if (e->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(e);
            for (const Cell& c : kCells) {
                if (help->pos().x() >= c.left && help->pos().x() < c.right) {
                    QToolTip::showText(help->globalPos(), QString::fromUtf8(c.hint), this);
                    return true;
                }
            }
            QToolTip::hideText();
            e->ignore();
            return true;
        }
        return QWidget::event(e);
    }
};

/// The diagram canvas and the empty area below it; mouse and keys go to the owner's handlers.
class DiagramCanvas : public QWidget {
public:
    DiagramCanvas(DiagramWidget& owner, QWidget* parent) : QWidget(parent), owner_(owner) {
        setToolTip(QStringLiteral("Диаграмма тестирования микросхемы"));
        setFocusPolicy(Qt::ClickFocus);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const int h = std::min(height(), owner_.canvasHeight());
        p.fillRect(QRect(0, h, width(), height() - h), toQColor(owner_.panelColour()));
        PaintOptions o;
        o.verticalBarShown = !owner_.vbar_->isHidden();
        o.horizontalBarShown = !owner_.hbar_->isHidden();
        o.buttonFace = buttonFaceColour();
        p.setClipRect(0, 0, width(), h);
        paintDiagram(p, owner_.doc_, owner_.view_, QSize(width(), h), o);
        owner_.paintBlock(p, QRect(kFirstCellX, 0, width() - kFirstCellX, h));
        owner_.paintMarks(p, QRect(kFirstCellX, 0, width() - kFirstCellX, h));
        owner_.paintLaneSelection(p, QRect(kFirstCellX, 0, width() - kFirstCellX, h));
        owner_.paintMarkedPins(p);
        owner_.updateTactStatus();  // every move of the current cell repaints the canvas
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton || e->button() == Qt::RightButton)
            owner_.PaintBox1MouseDown(e->button(), e->position().toPoint(), false);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        const QPoint pos = e->position().toPoint();
        if (const int word = owner_.laneAt(pos); word >= 0) {
            // A lane: its tact becomes current and the data table opens there, on its word.
            const int tact = owner_.view_.tactOffset + (pos.x() - kFirstCellX) / std::max(1, owner_.view_.cellWidth) + 1;
            if (owner_.goToTact(tact)) emit owner_.dataTableRequested(word);
            return;
        }
        owner_.PaintBox1MouseDown(e->button(), e->position().toPoint(), true);
        owner_.PaintBox1DblClick();
    }
    void mouseMoveEvent(QMouseEvent* e) override { owner_.PaintBox1MouseMove(e->position().toPoint()); }
    void mouseReleaseEvent(QMouseEvent* e) override {
        owner_.PaintBox1MouseUp(e->button(), e->position().toPoint());
    }
    void keyPressEvent(QKeyEvent* e) override { owner_.Memo1KeyDown(e->key(), e->modifiers()); }
    void contextMenuEvent(QContextMenuEvent* e) override {
        if (owner_.diagramShown()) owner_.contextMenu_->popup(e->globalPos());
    }
    void wheelEvent(QWheelEvent* e) override {
        QScrollBar* bar = (e->modifiers() & Qt::ShiftModifier) ? owner_.hbar_ : owner_.vbar_;
        if (bar->isHidden()) return;
        const int steps = e->angleDelta().y() / 120;
        if (steps != 0) bar->setValue(bar->value() - steps);
    }

private:
    DiagramWidget& owner_;
};

/// The levels of every row at the current tact.
class BitColumn : public QWidget {
public:
    BitColumn(DiagramWidget& owner, QWidget* parent) : QWidget(parent), owner_(owner) {
        setToolTip(QStringLiteral("Битовые данные по такту"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        BitColumnLayout l;
        l.columnWidth = owner_.bitColumnWidth_;
        l.height = height();
        paintBitColumn(p, owner_.doc_, owner_.view_, l, width(), buttonFaceColour());
    }

private:
    DiagramWidget& owner_;
};

/// The pin type selector. Its list is where the user chooses (mouse, a type's letter, Enter)
/// and moves on to the next or previous pin (Tab, Down, Shift+Tab, Up); when the list closes,
/// however it closes, `listClosed` runs.
class TypeSelector : public QComboBox {
public:
    TypeSelector(std::function<void()> listClosed, std::function<bool(int, Qt::KeyboardModifiers)> key,
                 QWidget* parent)
        : QComboBox(parent), listClosed_(std::move(listClosed)), key_(std::move(key)) {
        view()->installEventFilter(this);
    }

    void showPopup() override {
        QComboBox::showPopup();
        QWidget* list = view()->window();
        if (list != window() && list != watched_) {
            list->installEventFilter(this);
            watched_ = list;
        }
    }

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (o == watched_ && e->type() == QEvent::Hide && listClosed_) listClosed_();
        if (o == view() && e->type() == QEvent::ShortcutOverride && key_) {
            // The list would choose on Enter already here; the key press is ours.
            const int k = static_cast<QKeyEvent*>(e)->key();
            if (k == Qt::Key_Return || k == Qt::Key_Enter) {
                e->accept();
                return true;
            }
        }
        if (o == view() && e->type() == QEvent::KeyPress && key_) {
            const auto* k = static_cast<QKeyEvent*>(e);
            if (key_(k->key(), k->modifiers())) return true;
        }
        return QComboBox::eventFilter(o, e);
    }

private:
    std::function<void()> listClosed_;
    std::function<bool(int, Qt::KeyboardModifiers)> key_;
    QWidget* watched_ = nullptr;
};

// ---- construction ----------------------------------------------------------

DiagramWidget::DiagramWidget(model::TestDocument& doc, platform::Prompter& prompter, QWidget* parent)
    : QWidget(parent), doc_(doc), prompter_(prompter) {
    header_ = new HeaderStrip(*this, this);
    ruler_ = header_->ruler;
    canvas_ = new DiagramCanvas(*this, this);
    bits_ = new BitColumn(*this, this);

    vbar_ = new QScrollBar(Qt::Vertical, this);
    vbar_->setRange(1, 40);
    vbar_->setPageStep(15);
    vbar_->setValue(1);
    vbar_->hide();
    hbar_ = new QScrollBar(Qt::Horizontal, this);
    hbar_->setRange(1, 1);
    hbar_->setPageStep(10);
    hbar_->setValue(1);
    hbar_->hide();
    connect(vbar_, &QScrollBar::valueChanged, this, &DiagramWidget::verticalScrolled);
    connect(hbar_, &QScrollBar::valueChanged, this, &DiagramWidget::horizontalScrolled);

    // A list closed without a choice (Escape, a click elsewhere) ends the selection as well:
    // the selector goes and the keys are the diagram's again.
    typeSelector_ = new TypeSelector(
        [this] {
            if (typeSelector_->isVisible()) hidePinEditors();
        },
        [this](int key, Qt::KeyboardModifiers modifiers) { return typeListKey(key, modifiers); }, canvas_);
    for (const char* item : kPinTypeItems) typeSelector_->addItem(QString::fromUtf8(item));
    typeSelector_->setToolTip(QStringLiteral("Выберите Тип контакта"));
    typeSelector_->hide();
    connect(typeSelector_, &QComboBox::activated, this, &DiagramWidget::ComboBox2Change);

    nameEditor_ = new QLineEdit(canvas_);
    nameEditor_->setMaxLength(kMaxPinNameLength);
    nameEditor_->setToolTip(QStringLiteral("Введите имя контакта"));
    nameEditor_->setContextMenuPolicy(Qt::PreventContextMenu);
    nameEditor_->setFrame(false);
    nameEditor_->hide();
    connect(nameEditor_, &QLineEdit::textEdited, this, &DiagramWidget::Edit2Change);
    nameEditor_->installEventFilter(this);

    contextMenu_ = new QMenu(this);
    ctxHigh_ = contextMenu_->addAction(QStringLiteral("&1"), this, [this] { contextLevel(model::kHigh); });
    ctxLow_ = contextMenu_->addAction(QStringLiteral("&0"), this, [this] { contextLevel(model::kLow); });
    ctxInactive_ =
        contextMenu_->addAction(QStringLiteral("&Неактивна"), this, [this] { contextLevel(model::kInactive); });
    contextMenu_->addSeparator();
    ctxTact_ = contextMenu_->addMenu(QStringLiteral("&Такт"));
    ctxTact_->addAction(QStringLiteral("Вставить"), this, &DiagramWidget::insertTact);
    ctxTact_->addAction(QStringLiteral("Удалить"), this, &DiagramWidget::deleteTact);
    ctxFill_ = contextMenu_->addMenu(QStringLiteral("&Заполнить"));
    ctxFill_->addAction(QStringLiteral("Строка неактивна"), this, &DiagramWidget::fillInactive);
    ctxFill_->addAction(QStringLiteral("Заполнить 1"), this, &DiagramWidget::fillHigh);
    ctxFill_->addAction(QStringLiteral("Заполнить 0"), this, &DiagramWidget::fillLow);
    ctxFill_->addSeparator();
    ctxGenerator_ = ctxFill_->addAction(QStringLiteral("&Генератор"), this, &DiagramWidget::generatorRequested);
    contextMenu_->addSeparator();
    ctxService_ = contextMenu_->addMenu(QStringLiteral("&Сервис"));
    ctxEdit_ = contextMenu_->addMenu(QStringLiteral("&Правка"));
    ctxFunction_ = ctxService_->addAction(QStringLiteral("&Функция"), this, &DiagramWidget::functionRequested);
    ctxWords_ = ctxService_->addAction(QStringLiteral("&Слова данных"), this, &DiagramWidget::dataWordsRequested);
    disableContextMenuItems();

    wordLanesAction_ = new QAction(QStringLiteral("Слова данных на диаграмме"), this);
    wordLanesAction_->setCheckable(true);
    connect(wordLanesAction_, &QAction::toggled, this, [this](bool on) {
        view_.wordLanes = on;
        if (!on) clearLaneSelection();
        refresh();
    });
    timeOnRulerAction_ = new QAction(QStringLiteral("Время на линейке"), this);
    timeOnRulerAction_->setCheckable(true);
    connect(timeOnRulerAction_, &QAction::toggled, this, [this](bool on) {
        view_.timeOnRuler = on;
        ruler_->update();
    });
    goToTactAction_ = new QAction(QStringLiteral("Перейти к такту..."), this);
    goToTactAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G));  // Ctrl+G is the generator
    connect(goToTactAction_, &QAction::triggered, this, &DiagramWidget::goToTactDialog);

    setMinimumSize(kFirstCellX + 40, kHeaderHeight + 40);
    panelColour_ = view_.backgroundColour;
    placeChildren();
}

DiagramWidget::~DiagramWidget() = default;

QWidget* DiagramWidget::canvas() const { return canvas_; }
QWidget* DiagramWidget::ruler() const { return ruler_; }
QWidget* DiagramWidget::bitColumn() const { return bits_; }
QWidget* DiagramWidget::headerStrip() const { return header_; }
int DiagramWidget::canvasWidth() const { return canvas_->width(); }
int DiagramWidget::areaHeight() const { return canvas_->height(); }
int DiagramWidget::canvasHeight() const {
    return std::max(0, scrolledRowTotal(doc_, view_) - view_.rowOffset) * view_.rowHeight + 1;
}
int DiagramWidget::firstLaneTop() const { return (displayRowTotal(doc_) - view_.rowOffset) * view_.rowHeight; }
int DiagramWidget::wholeRowsInArea() const { return areaHeight() / std::max(1, view_.rowHeight); }
int DiagramWidget::visibleColumns() const {
    return (canvasWidth() - kPinColumnRight) / std::max(1, view_.cellWidth);
}

// ---- layout ----------------------------------------------------------------

void DiagramWidget::placeChildren() {
    const int sbw = vbar_->isHidden() ? 0 : vbar_->sizeHint().width();
    const int sbh = hbar_->isHidden() ? 0 : hbar_->sizeHint().height();
    const int right = std::max(0, width() - sbw);
    const int bottom = std::max(0, height() - sbh);
    const int bitX = std::max(0, right - bitPanelWidth_);
    header_->setGeometry(0, 0, bitX, kHeaderHeight);
    canvas_->setGeometry(0, kHeaderHeight, bitX, std::max(0, bottom - kHeaderHeight));
    const int bitHeight = std::min(areaHeight(), canvasHeight()) + 19;
    bits_->setGeometry(bitX, 0, bitPanelWidth_, std::min(bottom, bitHeight));
    vbar_->setGeometry(right, 0, sbw, bottom);
    hbar_->setGeometry(0, bottom, right, sbh);
}

void DiagramWidget::syncCurrentRow() {
    const int total = displayRowTotal(doc_);
    if (view_.currentScreenRow > 0 && view_.rowOffset + view_.currentScreenRow > total)
        view_.currentScreenRow = std::max(1, total - view_.rowOffset);  // the row count shrank
    view_.currentRow = doc_.signalRow(doc_.currentTest(), view_.currentScreenRow + view_.rowOffset);
}

void DiagramWidget::updateBitColumn() {
    if (view_.currentColumn < 1) view_.currentColumn = 1;
    const QFontMetrics fm(bitHeaderFont());
    const int textWidth = fm.horizontalAdvance(QString::number(view_.currentTact()));
    if (textWidth >= bitColumnWidth_) {
        bitColumnWidth_ = textWidth + 1;
        bitPanelWidth_ = bitColumnWidth_ + 4;
        placeChildren();
    }
    bits_->update();
}

void DiagramWidget::layoutDiagram() {
    updateBitColumn();
    panelColour_ = view_.backgroundColour;
    syncCurrentRow();
    placeChildren();
}

void DiagramWidget::updateScrollBars() {
    updatingBars_ = true;
    const int oldRowOffset = view_.rowOffset;
    const int oldTactOffset = view_.tactOffset;
    // Showing one bar narrows the room of the other: settle both twice.
    for (int pass = 0; pass < 2; ++pass) {
        ScrollRange v = verticalRange(scrolledRowTotal(doc_, view_), view_.rowHeight, areaHeight());
        // Below the lanes the last signal row stays in view: the current row is always a row.
        if (v.shown && view_.wordLanes) v.maximum = std::min(v.maximum, std::max(1, displayRowTotal(doc_)));
        if (v.shown) {
            if (vbar_->value() > v.maximum) vbar_->setValue(v.maximum);
            vbar_->setRange(1, v.maximum);
            vbar_->show();
            view_.rowOffset = vbar_->value() - 1;
        } else {
            vbar_->hide();
            vbar_->setValue(1);
            view_.rowOffset = 0;
        }
        placeChildren();
        applyHorizontalRange(horizontalRange(doc_.tactCount(), view_.cellWidth, canvasWidth()));
        placeChildren();
    }
    updatingBars_ = false;
    if (oldRowOffset != view_.rowOffset || oldTactOffset != view_.tactOffset) {
        syncCurrentRow();
        repaintAll();
    }
}

void DiagramWidget::applyHorizontalRange(const ScrollRange& h) {
    const bool wasUpdating = updatingBars_;
    updatingBars_ = true;
    if (h.shown) {
        if (hbar_->value() > h.maximum) hbar_->setValue(h.maximum);
        hbar_->setRange(1, h.maximum);
        hbar_->show();
        view_.tactOffset = hbar_->value() - 1;
    } else {
        hbar_->hide();
        hbar_->setValue(1);
        view_.tactOffset = 0;
    }
    updatingBars_ = wasUpdating;
}

void DiagramWidget::repaintAll() {
    canvas_->update();
    ruler_->update();
    bits_->update();
    header_->update();
    updateTactStatus();
}

QString DiagramWidget::tactStatus() const {
    return QString::fromStdString(tactStatusText(doc_, std::max(1, view_.currentTact())));
}

void DiagramWidget::updateTactStatus() {
    const QString text = tactStatus();
    if (text == tactStatus_) return;
    tactStatus_ = text;
    emit tactStatusChanged(text);
}

bool DiagramWidget::goToTact(int tact) {
    if (!diagramShown() || tact < 1 || tact > doc_.tactCount()) return false;
    // The view scrolls as little as shows the tact.
    const int columns = std::max(1, visibleColumns());
    int offset = view_.tactOffset;
    if (tact <= offset) offset = tact - 1;
    else if (tact > offset + columns) offset = tact - columns;
    if (offset != view_.tactOffset && !hbar_->isHidden()) hbar_->setValue(offset + 1);
    view_.currentColumn = std::max(1, tact - view_.tactOffset);
    updateBitColumn();
    repaintAll();
    emit currentRowChanged(view_.currentRow);
    return true;
}

bool DiagramWidget::goToCell(int row, int tact) {
    if (!diagramShown() || tact < 1 || tact > doc_.tactCount()) return false;
    const int total = displayRowTotal(doc_);
    int position = 0;
    for (int p = 1; p <= total && !position; ++p)
        if (doc_.signalRow(doc_.currentTest(), p) == row) position = p;
    if (!position) return false;
    hidePinEditors();
    const int rows = std::max(1, wholeRowsInArea());
    if ((position <= view_.rowOffset || position > view_.rowOffset + rows) && !vbar_->isHidden())
        vbar_->setValue(std::clamp(position - rows / 2, vbar_->minimum(), vbar_->maximum()));
    view_.currentScreenRow = std::max(1, position - view_.rowOffset);
    syncCurrentRow();
    return goToTact(tact);
}

void DiagramWidget::setMarkedCells(std::vector<MarkedCell> cells) {
    marked_ = std::move(cells);
    canvas_->update();
}

void DiagramWidget::clearMarkedCells() {
    if (marked_.empty()) return;
    marked_.clear();
    canvas_->update();
}

void DiagramWidget::setMarkedPins(std::vector<int> pins) {
    markedPins_ = std::move(pins);
    canvas_->update();
}

void DiagramWidget::clearMarkedPins() {
    if (markedPins_.empty()) return;
    markedPins_.clear();
    canvas_->update();
}

void DiagramWidget::paintMarkedPins(QPainter& p) const {
    if (markedPins_.empty()) return;
    p.save();
    p.setPen(QPen(QColor(0xE0, 0x00, 0x00), 2));
    p.setBrush(Qt::NoBrush);
    const int total = displayRowTotal(doc_);
    const int h = view_.rowHeight;
    for (int pos = view_.rowOffset + 1; pos <= total && (pos - view_.rowOffset - 1) * h < canvas_->height(); ++pos) {
        const int row = doc_.signalRow(doc_.currentTest(), pos);
        if (row < 1 || std::find(markedPins_.begin(), markedPins_.end(), pinOfRow(row)) == markedPins_.end()) continue;
        p.drawRect(QRect(1, (pos - view_.rowOffset - 1) * h + 1, kPinColumnRight - 1, h - 1));
    }
    p.restore();
}

void DiagramWidget::paintMarks(QPainter& p, const QRect& cells) const {
    if (marked_.empty()) return;
    // Screen row of each document row shown.
    std::vector<int> screenRow(2 * model::kPinRows + 1, 0);
    const int total = displayRowTotal(doc_);
    const int lastTact = view_.tactOffset + cells.width() / std::max(1, view_.cellWidth) + 1;
    for (int pos = view_.rowOffset + 1; pos <= total; ++pos) {
        const int row = doc_.signalRow(doc_.currentTest(), pos);
        if (row >= 0 && row < static_cast<int>(screenRow.size())) screenRow[static_cast<size_t>(row)] = pos - view_.rowOffset;
    }
    p.save();
    p.setClipRect(cells, Qt::IntersectClip);
    p.setPen(QPen(QColor(0xE0, 0x00, 0x00), 2));
    p.setBrush(Qt::NoBrush);
    for (const MarkedCell& m : marked_) {
        if (m.row < 0 || m.row >= static_cast<int>(screenRow.size()) || !screenRow[static_cast<size_t>(m.row)] ||
            m.tact <= view_.tactOffset || m.tact > lastTact)
            continue;
        const QRect r(kFirstCellX + (m.tact - view_.tactOffset - 1) * view_.cellWidth,
                      (screenRow[static_cast<size_t>(m.row)] - 1) * view_.rowHeight, view_.cellWidth, view_.rowHeight);
        p.drawRect(r.adjusted(1, 1, -1, -1));
    }
    p.restore();
}

void DiagramWidget::goToTactDialog() {
    if (!diagramShown()) return;
    QString text = QString::number(std::max(1, view_.currentTact()));
    for (;;) {
        bool ok = false;
        text = QInputDialog::getText(this, QStringLiteral("Перейти к такту"),
                                     QStringLiteral("Номер такта (1–%1):").arg(doc_.tactCount()), QLineEdit::Normal,
                                     text, &ok);
        if (!ok) return;
        const TactInput input = parseTactInput(text.toStdString(), doc_.tactCount());
        if (input.error.empty()) {
            goToTact(input.tact);
            canvas_->setFocus(Qt::OtherFocusReason);
            return;
        }
        prompter_.error(input.error);  // the dialog opens again with the text kept
    }
}

void DiagramWidget::updateStatus() {
    emit statusChanged(QString::fromStdString(packageStatusText(doc_)),
                       QString::fromStdString(algorithmStatusText(doc_)), QString::fromStdString(doc_.testName()));
}

void DiagramWidget::refresh() {
    layoutDiagram();
    updateScrollBars();
    keepCurrentCellInTest();
    layoutDiagram();
    repaintAll();
    updateStatus();
}

void DiagramWidget::keepCurrentCellInTest() {
    const int last = doc_.tactCount();
    if (view_.currentColumn < 1 || last < 1 || view_.currentTact() <= last) return;
    // The test got shorter under the current cell: its last tact is current now.
    if (last <= view_.tactOffset) {
        if (!hbar_->isHidden()) hbar_->setValue(std::max(hbar_->minimum(), last));
        view_.tactOffset = std::min(view_.tactOffset, last - 1);
    }
    view_.currentColumn = std::max(1, last - view_.tactOffset);
    updateBitColumn();
}

void DiagramWidget::documentRestored() {
    clearMarkedCells();
    if (laneSelection_.word >= static_cast<int>(std::as_const(doc_).dataWords().size())) clearLaneSelection();
    clearMarkedPins();
    hidePinEditors();
    if (!block_.empty() &&
        (block_.lastPosition > displayRowTotal(doc_) || block_.lastTact > doc_.tactCount()))
        clearBlock();
    refresh();
    emit currentRowChanged(view_.currentRow);
}

void DiagramWidget::resetForNewTest() {
    marked_.clear();
    block_ = {};
    laneSelection_ = {};
    markedPins_.clear();
    view_.currentColumn = 1;
    view_.currentScreenRow = 1;
    view_.tactOffset = 0;
    view_.rowOffset = 0;
    {
        const QSignalBlocker bv(vbar_), bh(hbar_);
        vbar_->setValue(1);
        hbar_->setValue(1);
    }
    hidePinEditors();
    refresh();
    // Level keys of a new or opened test go to the diagram.
    canvas_->setFocus(Qt::OtherFocusReason);
    emit currentRowChanged(view_.currentRow);
}

void DiagramWidget::resetForOpenedTest() { resetForNewTest(); }

void DiagramWidget::resizeEvent(QResizeEvent*) {
    placeChildren();
    layoutDiagram();
    updateScrollBars();
    repaintAll();
}

void DiagramWidget::showEvent(QShowEvent*) {
    layoutDiagram();
    updateScrollBars();
    repaintAll();
}

// ---- zoom and colours ------------------------------------------------------

void DiagramWidget::zoomIn() {
    diagram::zoomIn(view_);
    refresh();
}

void DiagramWidget::zoomOut() {
    diagram::zoomOut(view_);
    refresh();
}

void DiagramWidget::zoomStandard() {
    diagram::zoomStandard(view_);
    refresh();
}

void DiagramWidget::zoomToFit() {
    if (!diagramShown()) return;
    const int total = displayRowTotal(doc_);
    // With every tact shown there is no horizontal bar: the rows have the whole height.
    const int rowsHeight = std::max(0, height() - kHeaderHeight);
    diagram::zoomToFit(view_, doc_.tactCount(), [&](int rowHeight) {
        const bool verticalBar = verticalRange(total, rowHeight, rowsHeight).shown;
        return width() - (verticalBar ? vbar_->sizeHint().width() : 0) - bitPanelWidth_;
    });
    refresh();
}

void DiagramWidget::chooseColours() {
    TFColors dialog(view_, prompter_, this);
    emit coloursDialogCreated(&dialog);
    if (dialog.exec() == QDialog::Accepted) {
        dialog.applyTo(view_);
        repaintAll();  // the empty part of the area follows at the next re-layout
    }
}

// ---- scrolling -------------------------------------------------------------

namespace {

/// True when f is w or lies inside it, also inside a popup of w (the selector's list).
bool within(const QWidget* w, const QWidget* f) {
    for (; f; f = f->parentWidget())
        if (f == w) return true;
    return false;
}

}  // namespace

void DiagramWidget::hidePinEditors() {
    // An open type list closes first: until it has, the keyboard is the list's, not this window's.
    if (typeSelector_->view()->isVisible()) typeSelector_->hidePopup();
    // An editor that is hidden while it has the keyboard would hand it to the next control of
    // the window (the tact count field), and the next level key would land there.
    const QWidget* f = QApplication::focusWidget();
    if (within(typeSelector_, f) || within(nameEditor_, f)) canvas_->setFocus(Qt::OtherFocusReason);
    typeSelector_->hide();
    nameEditor_->hide();
}

void DiagramWidget::verticalScrolled(int position) {
    if (updatingBars_) return;
    hidePinEditors();
    const int old = view_.rowOffset;
    view_.rowOffset = position - 1;
    syncCurrentRow();
    // Shift the picture at once; the full repaint completes it.
    canvas_->scroll(0, (old - view_.rowOffset) * view_.rowHeight);
    layoutDiagram();
    repaintAll();
    emit currentRowChanged(view_.currentRow);
}

void DiagramWidget::horizontalScrolled(int position) {
    if (updatingBars_) return;
    const int old = view_.tactOffset;
    view_.tactOffset = position - 1;
    ruler_->update();
    const QRect cells(kFirstCellX, 0, std::max(0, canvas_->width() - kFirstCellX), canvas_->height());
    canvas_->scroll((old - view_.tactOffset) * view_.cellWidth, 0, cells);
    updateBitColumn();
    repaintAll();
}

// ---- editing helpers -------------------------------------------------------

void DiagramWidget::edited() {
    clearMarkedCells();
    clearMarkedPins();
    emit documentEdited();
}

void DiagramWidget::recalculate() { functions::RecalculateFunctionPins(doc_); }

void DiagramWidget::openTypeSelector() {
    const int k = view_.currentScreenRow;
    if (!typeSelectorOpens(doc_, view_.currentRow)) return;
    typeSelector_->setGeometry(41, (k - 1) * view_.rowHeight, 57, view_.rowHeight);
    QPalette pal = typeSelector_->palette();
    pal.setColor(QPalette::Base, toQColor(view_.activeCellColour));
    pal.setColor(QPalette::Button, toQColor(view_.activeCellColour));
    typeSelector_->setPalette(pal);
    typeSelector_->setCurrentIndex(std::max(0, typeSelectorIndex(doc_.pin(view_.currentRow).pinType)));
    typeSelector_->show();
    typeSelector_->raise();
}

void DiagramWidget::openTypeList(QPoint releasedAt) {
    // Pressed and released over the same type cell. A right click opens no list, and neither
    // does the end of a row drag that began at the left edge of a type cell.
    const int h = std::max(1, view_.rowHeight);
    const bool sameCell = releasedAt.y() / h == press_.y() / h && releasedAt.x() > 41 && releasedAt.x() < 98;
    if (typeSelector_->isVisible() && sameCell) typeSelector_->showPopup();
}

void DiagramWidget::openNameEditor() {
    const int k = view_.currentScreenRow;
    nameEditor_->setGeometry(kTypeColumnRight, (k - 1) * view_.rowHeight, 65, view_.rowHeight);
    QPalette pal = nameEditor_->palette();
    pal.setColor(QPalette::Base, toQColor(view_.activeCellColour));
    nameEditor_->setPalette(pal);
    nameEditor_->setText(QString::fromStdString(doc_.pin(pinOfRow(view_.currentRow)).pinName));
    nameEditor_->show();
    nameEditor_->raise();
    nameEditor_->setFocus();
}

// ---- mouse -----------------------------------------------------------------

int DiagramWidget::pressedPosition() const {
    const int k = press_.y() / std::max(1, view_.rowHeight) + 1;
    const int position = view_.rowOffset + k;
    if (press_.y() < 0 || position < 1 || position > 49 || k > displayRowTotal(doc_) - view_.rowOffset) return 0;
    return position;
}

void DiagramWidget::PaintBox1MouseDown(Qt::MouseButton button, QPoint pos, bool doubleClick) {
    if (!diagramShown()) return;
    press_ = pos;
    if (const int word = laneAt(pos); word >= 0 && button == Qt::LeftButton && !doubleClick) {
        // A press on a lane selects its tacts; Shift stretches the selection, a drag too.
        clickArmed_ = false;
        dragging_ = false;
        selectOnLane(word, cellTactAt(pos), QGuiApplication::keyboardModifiers() & Qt::ShiftModifier);
        laneDragging_ = true;
        return;
    }
    if (!doubleClick || laneAt(pos) < 0) clearLaneSelection();
    const int total = displayRowTotal(doc_);
    if (button == Qt::LeftButton && !doubleClick && pos.x() > kPinColumnRight && total > 0 &&
        (QGuiApplication::keyboardModifiers() & Qt::ShiftModifier)) {
        // Shift and a press into the cells: the block reaches from the current cell to here,
        // and a drag stretches it further.
        selectingBlock_ = true;
        clickArmed_ = false;
        dragging_ = false;
        if (block_.empty()) startBlockAtCurrentCell();
        extendBlockTo(cellPositionAt(pos), cellTactAt(pos));
        return;
    }
    if (button == Qt::LeftButton) {
        clickArmed_ = !doubleClick;  // the release after a double click is no click
        const int source = view_.rowOffset + pos.y() / std::max(1, view_.rowHeight) + 1;
        // Only a listed row can be dragged: a press below the last one would swap the unused
        // entries behind the list into it.
        if (pos.x() < 50 && pos.y() >= 0 && source <= displayRowTotal(doc_)) {
            dragging_ = true;
            dragSource_ = source;
        } else {
            dragging_ = false;
            dragSource_ = -1;
        }
        return;
    }
    if (button == Qt::RightButton) {
        // A right press inside the block keeps it: the menu's levels fill the block.
        const CellRange kept = block_;
        PaintBox1Click();
        if (kept.contains(currentPosition(), view_.currentTact())) {
            block_ = kept;
            canvas_->update();
        }
        ctxHigh_->setEnabled(true);
        ctxLow_->setEnabled(true);
        ctxInactive_->setEnabled(true);
        ctxFill_->setEnabled(true);
        ctxEdit_->setEnabled(true);
        ctxService_->setEnabled(true);
        ctxTact_->setEnabled(view_.currentColumn > 0);
        ctxGenerator_->setEnabled(isSignalConnected(QMetaMethod::fromSignal(&DiagramWidget::generatorRequested)));
        ctxFunction_->setEnabled(isSignalConnected(QMetaMethod::fromSignal(&DiagramWidget::functionRequested)));
        ctxWords_->setEnabled(isSignalConnected(QMetaMethod::fromSignal(&DiagramWidget::dataWordsRequested)));
    }
}

void DiagramWidget::disableContextMenuItems() {
    for (QAction* a : {ctxHigh_, ctxLow_, ctxInactive_}) a->setEnabled(false);
    for (QMenu* m : {ctxTact_, ctxFill_, ctxService_, ctxEdit_}) m->setEnabled(false);
}

void DiagramWidget::PaintBox1Click() {
    if (!diagramShown()) return;
    const int x = press_.x();
    hidePinEditors();
    clearBlock();
    const int position = pressedPosition();
    if (position == 0) {
        canvas_->setFocus();
        return;
    }
    const int k = position - view_.rowOffset;
    if (x <= 41)
        view_.currentColumn = 1;
    else if (x >= kPinColumnRight)
        view_.currentColumn = (x - kPinColumnRight) / std::max(1, view_.cellWidth) + 1;
    view_.currentScreenRow = k;
    view_.currentRow = doc_.signalRow(doc_.currentTest(), position);
    bool editorFocused = false;
    if (x > 41 && x < 98) {
        view_.currentColumn = 1;
        openTypeSelector();
    } else if (x > 98 && x < kPinColumnRight) {
        view_.currentColumn = 1;
        // Supply and ground pins keep no name in the test file: no editor is offered for them.
        if (typeSelectorOpens(doc_, view_.currentRow)) {
            openNameEditor();
            editorFocused = true;
        }
    }
    updateBitColumn();
    updateStatus();
    if (!editorFocused) canvas_->setFocus();
    emit currentRowChanged(view_.currentRow);
    repaintAll();
}

void DiagramWidget::PaintBox1DblClick() {
    // A double click where the click selects nothing (below the rows, rows from 50 on) would
    // change the cell selected before, which the user does not point at.
    if (!diagramShown() || pressedPosition() == 0) return;
    const int tact = view_.currentTact();
    if (tact > doc_.tactCount() && doc_.setTactCount(tact)) {
        emit tactCountShown(doc_.tactCount());
        updateScrollBars();
        ruler_->update();
        edited();
    }
    const int row = view_.currentRow;
    if (!isEditableRow(doc_, row)) {
        repaintAll();
        return;
    }
    const int test = doc_.currentTest();
    doc_.setCell(test, row, tact, nextLevel(doc_.getCell(test, row, tact)));
    PaintBox1Click();
    recalculate();
    repaintAll();
    edited();
}

int DiagramWidget::cellPositionAt(QPoint pos) const {
    const int p = view_.rowOffset + std::max(0, pos.y()) / std::max(1, view_.rowHeight) + 1;
    return std::clamp(p, 1, std::max(1, displayRowTotal(doc_)));
}

int DiagramWidget::cellTactAt(QPoint pos) const {
    const int t = view_.tactOffset + std::max(0, pos.x() - kFirstCellX) / std::max(1, view_.cellWidth) + 1;
    return std::clamp(t, 1, std::max(1, doc_.tactCount()));
}

void DiagramWidget::PaintBox1MouseMove(QPoint pos) {
    if (laneDragging_) {
        if (!laneSelection_.empty()) selectOnLane(laneSelection_.word, cellTactAt(pos), true);
        return;
    }
    // A press into the cells that moves on to another cell before the release selects a block
    // from the pressed cell: the press's click takes place first, the drag stretches from there.
    if (clickArmed_ && diagramShown() && press_.x() > kPinColumnRight && pos.x() > kPinColumnRight &&
        (cellPositionAt(pos) != cellPositionAt(press_) || cellTactAt(pos) != cellTactAt(press_))) {
        clickArmed_ = false;
        PaintBox1Click();
        if (pressedPosition() != 0 && view_.currentColumn > 0) {
            selectingBlock_ = true;
            startBlockAtCurrentCell();
        }
    }
    if (selectingBlock_ && diagramShown()) {
        extendBlockTo(cellPositionAt(pos), cellTactAt(pos));
        return;
    }
    if (!dragging_ || !diagramShown()) return;
    const int target = pos.y() / std::max(1, view_.rowHeight) + view_.rowOffset + 1;
    const int total = displayRowTotal(doc_);
    if (target < 1 || target > total || target == dragSource_ || dragSource_ < 1) return;
    // One position at a time, also when the pointer skipped rows between two moves.
    while (dragSource_ != target) {
        const int next = dragSource_ + (target > dragSource_ ? 1 : -1);
        swapDisplayRows(doc_, dragSource_, next);
        dragSource_ = next;
    }
    PaintBox1Click();
    repaintAll();
    edited();
}

void DiagramWidget::PaintBox1MouseUp(Qt::MouseButton button, QPoint pos) {
    if (button != Qt::LeftButton) return;
    laneDragging_ = false;
    dragging_ = false;
    selectingBlock_ = false;
    const bool click = clickArmed_;
    clickArmed_ = false;
    if (click && canvas_->rect().contains(pos)) {
        PaintBox1Click();
        openTypeList(pos);
    }
}

// ---- keyboard --------------------------------------------------------------

void DiagramWidget::moveUp() {
    if (view_.rowOffset + view_.currentScreenRow <= 1) return;
    if (view_.currentScreenRow <= 1) {
        vbar_->setValue(vbar_->value() - 1);
    } else {
        --view_.currentScreenRow;
        syncCurrentRow();
    }
    repaintAll();
}

void DiagramWidget::moveDown() {
    if (view_.rowOffset + view_.currentScreenRow >= displayRowTotal(doc_)) return;
    if (view_.currentScreenRow >= wholeRowsInArea()) {
        vbar_->setValue(vbar_->value() + 1);
    } else {
        ++view_.currentScreenRow;
        syncCurrentRow();
    }
    repaintAll();
}

void DiagramWidget::moveLeft() {
    if (view_.currentColumn >= 2) {
        --view_.currentColumn;
    } else if (view_.currentColumn == 1 && view_.tactOffset > 0) {
        view_.currentColumn = 2;
        hbar_->setValue(hbar_->value() - 1);
    }
    repaintAll();
}

void DiagramWidget::moveRight() {
    if (view_.currentTact() == doc_.tactCount() && doc_.setTactCount(doc_.tactCount() + 1)) {
        emit tactCountShown(doc_.tactCount());
        updateScrollBars();
        edited();
    }
    if (view_.currentColumn < visibleColumns())
        ++view_.currentColumn;
    else
        hbar_->setValue(hbar_->value() + 1);
    repaintAll();
}

void DiagramWidget::setLevelAndAdvance(CellLevel level) {
    const int row = view_.currentRow;
    if (!isEditableRow(doc_, row)) return;
    // Levels typed one after another into one row are one step of the history.
    if (model::ChangeLog* log = doc_.changeLog()) log->setMergeKey(kTypedLevelsMergeKey + row);
    storeLevel(doc_, row, view_.currentTact(), level);
    if (doc_.tactCount() > hbar_->maximum()) updateScrollBars();
    moveRight();
    recalculate();
    repaintAll();
    edited();
}

void DiagramWidget::Memo1KeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (!diagramShown()) return;
    const bool keypad = modifiers & Qt::KeypadModifier;
    const bool control = modifiers & Qt::ControlModifier;
    // Ctrl+Home and Ctrl+End go to the first and the last tact of the row.
    const bool jump = control && (key == Qt::Key_Home || key == Qt::Key_End);
    const bool arrow = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right || jump;
    // A modifier pressed on its own (Shift again to stretch the block further) keeps the block.
    if (key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta) return;
    if (!control && laneKey(key)) return;
    clearLaneSelection();
    // The level keys: 0 and Insert, 1 and End, 2 and Delete.
    int level = -1;
    if (!control) {
        if (key == Qt::Key_0 || key == Qt::Key_Insert) level = model::kLow;
        if (key == Qt::Key_1 || key == Qt::Key_End) level = model::kHigh;
        if (key == Qt::Key_2 || key == Qt::Key_Delete) level = model::kInactive;
    }
    bool blockFilled = false;
    if (arrow && (modifiers & Qt::ShiftModifier)) {
        // Shift and an arrow stretch the block from where it started to the new current cell.
        if (block_.empty()) startBlockAtCurrentCell();
    } else if (level >= 0 && !block_.empty()) {
        // A level key fills the whole block; the block stays for the next key.
        fillBlock(static_cast<CellLevel>(level));
        blockFilled = true;
    } else {
        clearBlock();
    }
    if (!blockFilled) switch (key) {
        case Qt::Key_Up: moveUp(); break;
        case Qt::Key_Down: moveDown(); break;
        case Qt::Key_Left: moveLeft(); break;
        case Qt::Key_Right:
            if (view_.currentTact() < doc_.tactCount()) moveRight();
            break;
        case Qt::Key_Home:
            if (jump) goToTact(1);
            break;
        case Qt::Key_End:
            if (jump) goToTact(doc_.tactCount());
            else setLevelAndAdvance(model::kHigh);
            break;
        case Qt::Key_0:
        case Qt::Key_Insert: setLevelAndAdvance(model::kLow); break;
        case Qt::Key_1: setLevelAndAdvance(model::kHigh); break;
        case Qt::Key_2:
        case Qt::Key_Delete: setLevelAndAdvance(model::kInactive); break;
        case Qt::Key_Plus:
        case Qt::Key_Equal: zoomIn(); break;
        case Qt::Key_Minus:
        case Qt::Key_Underscore: zoomOut(); break;
        case Qt::Key_N:
        case kCyrillicTeKey: zoomStandard(); break;
        case Qt::Key_Asterisk:
            if (keypad) zoomStandard();
            break;
        default: break;
    }
    if (arrow && (modifiers & Qt::ShiftModifier)) extendBlockTo(currentPosition(), view_.currentTact());
    hidePinEditors();
    updateBitColumn();
    updateStatus();
    emit currentRowChanged(view_.currentRow);
}

// ---- blocks of cells -------------------------------------------------------

void DiagramWidget::fillBlock(CellLevel level) {
    if (!fillCells(doc_, block_, level)) return;
    recalculate();
    repaintAll();
    edited();
}

int DiagramWidget::currentPosition() const { return view_.rowOffset + view_.currentScreenRow; }

void DiagramWidget::startBlockAtCurrentCell() {
    anchorPosition_ = currentPosition();
    anchorTact_ = std::max(1, view_.currentTact());
    block_ = CellRange::spanning(anchorPosition_, anchorTact_, anchorPosition_, anchorTact_);
}

void DiagramWidget::extendBlockTo(int position, int tact) {
    if (block_.empty()) startBlockAtCurrentCell();
    block_ = CellRange::spanning(anchorPosition_, anchorTact_, position, std::max(1, tact));
    canvas_->update();
}

void DiagramWidget::clearBlock() {
    if (block_.empty()) return;
    block_ = {};
    canvas_->update();
}

CellRange DiagramWidget::selectedRange() const {
    if (!block_.empty()) return block_;
    if (view_.currentColumn < 1) return {};
    const int p = currentPosition();
    return CellRange::spanning(p, view_.currentTact(), p, view_.currentTact());
}

void DiagramWidget::paintBlock(QPainter& p, const QRect& cells) const {
    if (block_.empty()) return;
    const int x0 = kFirstCellX + (block_.firstTact - view_.tactOffset - 1) * view_.cellWidth;
    const int y0 = (block_.firstPosition - view_.rowOffset - 1) * view_.rowHeight;
    const QRect r(x0, y0, block_.tacts() * view_.cellWidth, block_.rows() * view_.rowHeight);
    p.save();
    p.setClipRect(cells, Qt::IntersectClip);
    p.fillRect(r, QColor(0x33, 0x66, 0xCC, 60));
    p.setPen(QPen(QColor(0x00, 0x33, 0x99), 1, Qt::DashLine));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.restore();
}

void DiagramWidget::copyBlock() {
    if (!diagramShown()) return;
    const CellBlock block = copyCells(doc_, selectedRange());
    if (block.empty()) return;
    const std::string text = blockText(block);
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(kBlockMimeType), QByteArray::fromStdString(text));
    mime->setText(QString::fromStdString(text));
    QGuiApplication::clipboard()->setMimeData(mime);
}

void DiagramWidget::cutBlock() {
    if (!diagramShown()) return;
    copyBlock();
    deleteBlock();
}

void DiagramWidget::deleteBlock() {
    if (!diagramShown()) return;
    if (!clearCells(doc_, selectedRange())) return;
    recalculate();
    repaintAll();
    edited();
}

void DiagramWidget::pasteBlock() { paste(false); }
void DiagramWidget::pasteBlockInserting() { paste(true); }

void DiagramWidget::paste(bool insert) {
    if (!diagramShown() || view_.currentColumn < 1) return;
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime) return;
    const QString format = QString::fromLatin1(kBlockMimeType);
    const std::string text = mime->hasFormat(format) ? mime->data(format).toStdString()
                                                     : mime->text().toStdString();
    const auto block = parseBlockText(text);
    if (!block) {
        emit noteShown(QStringLiteral("В буфере обмена нет блока уровней: вставлять нечего"));
        return;
    }
    const int before = doc_.tactCount();
    if (!pasteCells(doc_, *block, currentPosition(), view_.currentTact(), insert)) return;
    // The pasted cells become the block, so that they can be copied or cleared at once.
    anchorPosition_ = currentPosition();
    anchorTact_ = view_.currentTact();
    block_ = CellRange::spanning(anchorPosition_, anchorTact_,
                                 std::min(doc_.displayRowCount(), anchorPosition_ + block->rows - 1),
                                 anchorTact_ + block->tacts - 1);
    recalculate();
    if (doc_.tactCount() != before) emit tactCountShown(doc_.tactCount());
    refresh();
    edited();
}

// ---- context menu, fills ---------------------------------------------------

void DiagramWidget::contextLevel(CellLevel level) {
    if (!diagramShown() || view_.currentColumn < 1) return;
    if (!block_.empty()) {
        fillBlock(level);
        return;
    }
    if (!acceptsContextLevel(doc_, view_.currentRow)) return;
    storeLevel(doc_, view_.currentRow, view_.currentTact(), level);
    updateScrollBars();
    repaintAll();
    edited();
}

void DiagramWidget::fillRow(CellLevel level) {
    if (!diagramShown() || view_.currentColumn < 1) return;
    if (!block_.empty()) {
        fillBlock(level);
        return;
    }
    if (!diagram::fillRow(doc_, view_.currentRow, view_.currentTact(), level)) return;
    repaintAll();
    edited();
}

void DiagramWidget::fillHigh() { fillRow(model::kHigh); }
void DiagramWidget::fillLow() { fillRow(model::kLow); }
void DiagramWidget::fillInactive() { fillRow(model::kInactive); }

// ---- tacts -----------------------------------------------------------------

void DiagramWidget::insertTact() {
    if (!diagramShown() || view_.currentColumn < 1) return;
    if (!insertTactAt(doc_, view_.currentTact())) return;
    emit tactCountShown(doc_.tactCount());
    updateScrollBars();
    repaintAll();
    edited();
}

void DiagramWidget::deleteTact() {
    if (!diagramShown() || view_.currentColumn < 1) return;
    if (!deleteTactAt(doc_, view_.currentTact())) return;
    emit tactCountShown(doc_.tactCount());
    updateScrollBars();
    keepCurrentCellInTest();
    repaintAll();
    edited();
}

void DiagramWidget::setTactCountFromField(const QString& text) {
    if (!diagramShown()) return;
    switch (setTactCountFromText(doc_, text.toStdString())) {
        case TactFieldOutcome::Empty: return;
        case TactFieldOutcome::Restore: emit tactCountShown(doc_.tactCount()); return;
        case TactFieldOutcome::Unchanged: return;
        case TactFieldOutcome::Changed: break;
    }
    updatingBars_ = true;
    applyHorizontalRange(horizontalRangeForTactField(doc_.tactCount(), view_.cellWidth, canvasWidth()));
    updatingBars_ = false;
    keepCurrentCellInTest();
    placeChildren();
    layoutDiagram();
    repaintAll();
    edited();
}

void DiagramWidget::leaveTactField() {
    if (!diagramShown()) return;
    doc_.setTactHighWater(doc_.tactCount());
}

void DiagramWidget::showTactCount() {
    if (!diagramShown()) return;
    emit tactCountShown(doc_.tactCount());
}

// ---- pin list --------------------------------------------------------------

void DiagramWidget::ComboBox2Change(int index) {
    if (!diagramShown() || index < 0 || index >= static_cast<int>(kPinTypeItems.size())) return;
    const int row = view_.currentRow;
    const TypeChangeResult r =
        changePinType(doc_, row, kPinTypeItems[static_cast<size_t>(index)], view_.currentTact(), prompter_);
    if (r.outcome != TypeChangeOutcome::Changed) {
        // The selector shows the type the row still has.
        typeSelector_->setCurrentIndex(std::max(0, typeSelectorIndex(doc_.pin(row).pinType)));
        return;
    }
    hidePinEditors();
    layoutDiagram();
    updateScrollBars();
    layoutDiagram();
    repaintAll();
    updateStatus();
    emit currentRowChanged(view_.currentRow);
    edited();
}

bool DiagramWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == nameEditor_ && event->type() == QEvent::KeyPress) {
        const auto* k = static_cast<QKeyEvent*>(event);
        switch (k->key()) {
            case Qt::Key_Tab:
                nameNextPin((k->modifiers() & Qt::ShiftModifier) ? -1 : 1);
                return true;
            case Qt::Key_Backtab: nameNextPin(-1); return true;
            case Qt::Key_Return:
            case Qt::Key_Enter: nameNextPin(1); return true;
            case Qt::Key_Escape: hidePinEditors(); return true;
            default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DiagramWidget::nameNextPin(int step) {
    // The name is stored as it is typed; output rows show the name of their pin and supply
    // pins have none, so both are passed over.
    if (moveToPin(step)) openNameEditor();
}

void DiagramWidget::typeNextPin(int step) {
    // Output rows take their type from their pin and supply pins keep theirs: both are passed over.
    if (!moveToPin(step)) return;
    openTypeSelector();
    if (typeSelector_->isVisible()) typeSelector_->showPopup();
}

bool DiagramWidget::typeListKey(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier)) return false;
    // A type's letter, also on the same key of the Russian layout (Ш, Щ, И, А, Т).
    int choice = -1;
    switch (key) {
        case Qt::Key_I: case 0x0428: choice = 0; break;
        case Qt::Key_O: case 0x0429: choice = 1; break;
        case Qt::Key_B: case Qt::Key_Slash: case 0x0418: choice = 2; break;
        case Qt::Key_F: case 0x0410: choice = 3; break;
        case Qt::Key_N: case 0x0422: choice = 4; break;
        case Qt::Key_Return:
        case Qt::Key_Enter: choice = typeSelector_->view()->currentIndex().row(); break;
        case Qt::Key_Tab: choice = (modifiers & Qt::ShiftModifier) ? -3 : -2; break;
        case Qt::Key_Down: choice = -2; break;
        case Qt::Key_Backtab:
        case Qt::Key_Up: choice = -3; break;
        default: return false;
    }
    // The list closes and the next one opens once this key has been handled.
    const int step = choice == -3 ? -1 : 1;
    QTimer::singleShot(0, this, [this, choice, step] {
        hidePinEditors();
        if (choice >= 0) ComboBox2Change(choice);
        typeNextPin(step);
    });
    return true;
}

bool DiagramWidget::moveToPin(int step) {
    const int total = displayRowTotal(doc_);
    const int test = doc_.currentTest();
    int p = currentPosition() + step;
    for (; p >= 1 && p <= total; p += step) {
        const int row = doc_.signalRow(test, p);
        if (row <= model::kPinRows && typeSelectorOpens(doc_, row)) break;
    }
    if (p < 1 || p > total) {
        hidePinEditors();
        return false;
    }
    if (p <= view_.rowOffset) vbar_->setValue(p);
    else if (p - view_.rowOffset > wholeRowsInArea()) vbar_->setValue(p - wholeRowsInArea() + 1);
    view_.currentScreenRow = p - view_.rowOffset;
    view_.currentColumn = 1;
    syncCurrentRow();
    updateBitColumn();
    updateStatus();
    emit currentRowChanged(view_.currentRow);
    repaintAll();
    return true;
}

// ---- word lanes ------------------------------------------------------------

int DiagramWidget::laneAt(QPoint pos) const {
    if (!view_.wordLanes || !diagramShown() || pos.x() <= kPinColumnRight) return -1;
    const int top = firstLaneTop();
    if (pos.y() < top || pos.y() >= canvasHeight()) return -1;
    const int word = (pos.y() - top) / std::max(1, view_.rowHeight);
    return word < static_cast<int>(doc_.dataWords().size()) ? word : -1;
}

void DiagramWidget::selectOnLane(int word, int tact, bool extend) {
    hidePinEditors();
    clearBlock();
    if (!extend || laneSelection_.word != word) laneAnchor_ = tact;
    laneSelection_ = {word, std::min(laneAnchor_, tact), std::max(laneAnchor_, tact)};
    laneText_.clear();
    canvas_->setFocus(Qt::OtherFocusReason);
    canvas_->update();
    const model::DataWord& w = std::as_const(doc_).dataWords()[static_cast<size_t>(word)];
    emit noteShown(QStringLiteral("Слово %1, такты %2–%3: наберите %4 значение и нажмите Enter")
                       .arg(QString::fromStdString(w.wordName))
                       .arg(laneSelection_.firstTact)
                       .arg(laneSelection_.lastTact)
                       .arg(QString::fromStdString(radixAdjective(w.radix))));
}

void DiagramWidget::clearLaneSelection() {
    if (laneSelection_.empty()) return;
    laneSelection_ = {};
    laneText_.clear();
    canvas_->update();
}

bool DiagramWidget::laneKey(int key) {
    if (laneSelection_.empty()) return false;
    const model::DataWord& w = std::as_const(doc_).dataWords()[static_cast<size_t>(laneSelection_.word)];
    switch (key) {
        case Qt::Key_Escape: clearLaneSelection(); return true;
        case Qt::Key_Backspace:
            laneText_.chop(1);
            canvas_->update();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            const LaneWrite r = writeLaneValue(doc_, laneSelection_.word, laneSelection_.firstTact,
                                               laneSelection_.lastTact, laneText_.toStdString());
            if (r.written) {
                recalculate();
                repaintAll();
                edited();
            }
            QString note = QString::fromStdString(r.message);
            if (r.written && note.isEmpty())
                note = QStringLiteral("Слово %1 = %2 в тактах %3–%4")
                           .arg(QString::fromStdString(w.wordName), laneText_)
                           .arg(laneSelection_.firstTact)
                           .arg(laneSelection_.lastTact);
            laneText_.clear();
            canvas_->update();
            emit noteShown(note);
            return true;
        }
        default: break;
    }
    QChar c;
    if (key >= Qt::Key_0 && key <= Qt::Key_9) c = QChar('0' + (key - Qt::Key_0));
    else if (key >= Qt::Key_A && key <= Qt::Key_F) c = QChar('A' + (key - Qt::Key_A));
    else return false;
    if (words::keepRadixDigits(QString(c).toStdString(), w.radix).empty()) {
        emit noteShown(QStringLiteral("«%1» не цифра: значение слова %2 — %3 число")
                           .arg(c)
                           .arg(QString::fromStdString(w.wordName), QString::fromStdString(radixAdjective(w.radix))));
        return true;
    }
    laneText_ += c;
    canvas_->update();
    return true;
}

void DiagramWidget::paintLaneSelection(QPainter& p, const QRect& cells) const {
    if (laneSelection_.empty() || !view_.wordLanes) return;
    const int w = std::max(1, view_.cellWidth);
    const int x0 = kFirstCellX + (laneSelection_.firstTact - view_.tactOffset - 1) * w;
    const int y0 = firstLaneTop() + laneSelection_.word * view_.rowHeight;
    const QRect r(x0, y0, (laneSelection_.lastTact - laneSelection_.firstTact + 1) * w, view_.rowHeight);
    p.save();
    p.setClipRect(cells, Qt::IntersectClip);
    p.fillRect(r, QColor(0xFF, 0x99, 0x00, 70));
    p.setPen(QPen(QColor(0xCC, 0x66, 0x00), 1, Qt::DashLine));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    if (!laneText_.isEmpty()) {
        // What is typed so far, with a caret, at the start of the stretch.
        p.setFont(pinColumnFont());
        const QString text = laneText_ + QLatin1Char('_');
        const QFontMetrics fm(p.font());
        const QRect box(std::max(r.left(), cells.left()) + 1, y0 + 1, fm.horizontalAdvance(text) + 6,
                        view_.rowHeight - 2);
        p.fillRect(box, Qt::white);
        p.setPen(QColor(0xCC, 0x66, 0x00));
        p.drawRect(box.adjusted(0, 0, -1, -1));
        p.setPen(Qt::black);
        p.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, text);
    }
    p.restore();
}

void DiagramWidget::Edit2Change(const QString& text) {
    if (!diagramShown()) return;
    setPinNameFromEditor(doc_, view_.currentRow, text.toStdString());
    canvas_->update();
    edited();
}

}  // namespace kvx::diagram
