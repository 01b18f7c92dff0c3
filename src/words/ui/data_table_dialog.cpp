#include "words/ui/data_table_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>

#include "words/ui/data_table_grid.h"

namespace kvx::words::ui {

namespace {
QString q(const std::string& utf8) { return QString::fromStdString(utf8); }
}  // namespace

TFTable::TFTable(model::TestDocument& doc, int currentTact, QWidget* parent, int currentWord)
    : QDialog(parent), doc_(doc), table_(doc), currentTact_(currentTact), currentWord_(currentWord) {
    setObjectName("TFTable");
    setWindowTitle(kTableCaption);
    setModal(true);

    model_ = new WordTableModel(table_, this);
    bar_ = new QScrollBar(Qt::Vertical, this);
    grid_ = new TableGrid(*model_, *bar_, this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(grid_, 1);
    layout->addWidget(bar_);
    connect(model_, &WordTableModel::valueWritten, this, &TFTable::valueWritten);
    connect(grid_->valueDelegate(), &ValueDelegate::escapePressed, this, &QDialog::reject, Qt::QueuedConnection);

    // Column 0 holds the tact: 30 pixels, wider only when its largest number needs it. Some
    // styles (that of Windows) would keep every column wider than that.
    grid_->horizontalHeader()->setMinimumSectionSize(30);
    const QFontMetrics fm(grid_->font());
    grid_->setColumnWidth(0, std::max(30, fm.horizontalAdvance(QString::number(doc_.tactCount())) + 10));
    int nameWidth = fm.horizontalAdvance(kTableHeaders[1]) + 16;
    for (const model::DataWord& w : doc_.dataWords())
        nameWidth = std::max(nameWidth, fm.horizontalAdvance(q(w.wordName)) + 12);
    grid_->setColumnWidth(1, std::min(nameWidth, 240));

    // The word filter, shown after a press on the header of column 1.
    filter_ = new QListWidget(this);
    filter_->setObjectName("filterList");
    filter_->addItem(kAllWordsItem);
    for (const model::DataWord& w : doc_.dataWords()) filter_->addItem(q(w.wordName));
    filter_->hide();
    connect(filter_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { chooseFilter(filter_->row(item)); });
    connect(filter_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { chooseFilter(filter_->row(item)); });
    connect(grid_->horizontalHeader(), &QHeaderView::sectionPressed, this, [this](int section) {
        if (section == 1) showFilterList();
        else filter_->hide();
    });
    grid_->viewport()->installEventFilter(this);
    bar_->installEventFilter(this);

    resize(380, 520);
    fill();
}

TFTable::~TFTable() = default;

bool TFTable::run(model::TestDocument& doc, platform::Prompter& prompter, int currentTact, QWidget* parent,
                  const std::function<void()>& written) {
    return runAt(doc, prompter, currentTact, -1, parent, written);
}

bool TFTable::runAt(model::TestDocument& doc, platform::Prompter& prompter, int tact, int word, QWidget* parent,
                    const std::function<void()>& written) {
    TFTable table(doc, tact, parent);
    if (word >= 0) table.showAt(tact, word);
    if (!table.hasLines()) {
        prompter.error(std::string(kTableCaption) + kEmptyTableSuffix);
        return false;
    }
    if (written) connect(&table, &TFTable::valueWritten, &table, [written](int, int) { written(); });
    table.exec();
    return true;
}

void TFTable::fill() {
    model_->reload();
    grid_->updateWindow();
    grid_->setCurrentLine(table_.lineForCurrentTact(currentTact_, currentWord_), 2);
}

void TFTable::showAt(int tact, int word) {
    currentTact_ = tact;
    currentWord_ = word;
    grid_->commitOpenEditor();
    grid_->setCurrentLine(table_.lineForCurrentTact(currentTact_, currentWord_), 2);
}

void TFTable::showFilterList() {
    QHeaderView* header = grid_->horizontalHeader();
    const QPoint topLeft = header->viewport()->mapTo(this, QPoint(header->sectionViewportPosition(1), 0));
    const int itemHeight = QFontMetrics(filter_->font()).boundingRect("WWW").height();
    const int wanted = itemHeight * filter_->count() + 6;
    filter_->setGeometry(topLeft.x(), topLeft.y(), header->sectionSize(1), std::min(wanted, height() - topLeft.y()));
    filter_->setCurrentRow(table_.filter() == DataTable::kAllWords ? 0 : table_.filter() + 1);
    filter_->raise();
    filter_->show();
    filter_->setFocus();
}

void TFTable::chooseFilter(int item) {
    filter_->hide();
    grid_->commitOpenEditor();
    table_.setFilter(item <= 0 ? DataTable::kAllWords : item - 1);
    fill();
    grid_->setFocus();
}

void TFTable::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Now that the grid has its size, the current line is placed as if the table had opened at it.
    grid_->updateWindow();
    bar_->setValue(0);
    grid_->setCurrentLine(grid_->currentLine(), grid_->currentColumn());
}

bool TFTable::eventFilter(QObject* watched, QEvent* event) {
    // A press anywhere else hides the filter list.
    if ((watched == grid_->viewport() || watched == bar_) && event->type() == QEvent::MouseButtonPress)
        filter_->hide();
    return QDialog::eventFilter(watched, event);
}

}  // namespace kvx::words::ui
