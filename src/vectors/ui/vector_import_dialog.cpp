#include "vectors/ui/vector_import_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "diagram/ui/diagram_painter.h"
#include "vectors/ui/vector_database.h"

namespace kvx::vectors::ui {

/// The chosen chip's diagram at a small zoom, as much of it as fits.
class VectorPreview : public QWidget {
public:
    explicit VectorPreview(const model::TestDocument& doc, QWidget* parent) : QWidget(parent), doc_(doc) {
        setMinimumSize(460, 300);
        view_.cellWidth = 9;
        view_.rowHeight = 14;
    }
    bool shown = false;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().window());
        if (!shown) return;
        diagram::PaintOptions options;
        options.verticalBarShown = options.horizontalBarShown = true;
        diagram::paintDiagram(p, doc_, view_, size(), options);
    }

private:
    const model::TestDocument& doc_;
    diagram::DiagramView view_;
};

VectorImportDialog::VectorImportDialog(platform::Prompter& prompter, std::string folder, QWidget* parent)
    : QDialog(parent), prompter_(prompter), folder_(std::move(folder)) {
    setWindowTitle(QStringLiteral("Импорт векторов"));
    setObjectName(QStringLiteral("vectorImportDialog"));
    file_ = new QLineEdit(this);
    file_->setReadOnly(true);
    file_->setObjectName(QStringLiteral("vectorSource"));
    auto* browse = new QPushButton(QStringLiteral("Обзор..."), this);
    filter_ = new QLineEdit(this);
    filter_->setObjectName(QStringLiteral("vectorFilter"));
    filter_->setPlaceholderText(QStringLiteral("часть названия: 161"));
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("vectorChips"));
    list_->setHeaderLabels({QStringLiteral("Микросхема"), QStringLiteral("Выводов"), QStringLiteral("Векторов")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    list_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    list_->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    list_->setMinimumWidth(400);
    dip_ = new QRadioButton(QStringLiteral("DIP"), this);
    soic_ = new QRadioButton(QStringLiteral("SOIC"), this);
    dip_->setChecked(true);
    previewView_ = new VectorPreview(previewDoc_, this);
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    ok_->setEnabled(false);

    auto* grid = new QGridLayout(this);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel(QStringLiteral("Файл:"), this));
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(browse);
    grid->addLayout(fileRow, 0, 0, 1, 2);
    auto* left = new QVBoxLayout;
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(new QLabel(QStringLiteral("Поиск:"), this));
    filterRow->addWidget(filter_, 1);
    left->addLayout(filterRow);
    left->addWidget(list_, 1);
    auto* packageRow = new QHBoxLayout;
    packageRow->addWidget(new QLabel(QStringLiteral("Корпус:"), this));
    packageRow->addWidget(dip_);
    packageRow->addWidget(soic_);
    packageRow->addStretch(1);
    left->addLayout(packageRow);
    grid->addLayout(left, 1, 0);
    grid->addWidget(previewView_, 1, 1);
    grid->addWidget(status_, 2, 0, 1, 2);
    grid->addWidget(buttons, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    connect(browse, &QPushButton::clicked, this, &VectorImportDialog::browse);
    connect(filter_, &QLineEdit::textChanged, this, &VectorImportDialog::setFilter);
    connect(list_, &QTreeWidget::currentItemChanged, this, &VectorImportDialog::updatePreview);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (ok_->isEnabled()) accept();
    });
    connect(dip_, &QRadioButton::toggled, this, &VectorImportDialog::updatePreview);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    filter_->setFocus(Qt::OtherFocusReason);  // typing a part of a name is the first thing to do
    resize(980, 540);
}

bool VectorImportDialog::openSource(const std::string& path) {
    std::string error;
    auto chips = readSource(path, error);
    if (!chips) {
        prompter_.error(error);
        return false;
    }
    chips_ = std::move(*chips);
    path_ = path;
    file_->setText(QString::fromStdString(path));
    const QSignalBlocker block(list_);
    list_->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(chips_.size()));
    for (std::size_t i = 0; i < chips_.size(); ++i) {
        const Chip& c = chips_[i];
        auto* item = new QTreeWidgetItem({QString::fromStdString(c.allNames()), QString::number(c.pins),
                                          QString::number(c.vectorCount())});
        item->setData(0, Qt::UserRole, static_cast<qulonglong>(i));
        if (!c.error.empty()) item->setForeground(0, palette().brush(QPalette::Disabled, QPalette::Text));
        items.append(item);
    }
    list_->addTopLevelItems(items);
    setFilter(filter_->text());
    return true;
}

void VectorImportDialog::setFilter(const QString& text) {
    if (filter_->text() != text) filter_->setText(text);  // comes back here through textChanged
    const std::string typed = text.toStdString();
    QTreeWidgetItem* firstShown = nullptr;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        auto* item = list_->topLevelItem(i);
        const bool shown = chips_[item->data(0, Qt::UserRole).toULongLong()].matches(typed);
        item->setHidden(!shown);
        if (shown && !firstShown) firstShown = item;
    }
    if (!list_->currentItem() || list_->currentItem()->isHidden()) list_->setCurrentItem(firstShown);
    updatePreview();
}

std::vector<std::string> VectorImportDialog::shownChips() const {
    std::vector<std::string> names;
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        if (!list_->topLevelItem(i)->isHidden()) names.push_back(list_->topLevelItem(i)->text(0).toStdString());
    return names;
}

bool VectorImportDialog::selectChip(const std::string& name) {
    const Chip* chip = findChip(chips_, name);
    if (!chip) return false;
    const auto index = static_cast<qulonglong>(chip - chips_.data());
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        if (list_->topLevelItem(i)->data(0, Qt::UserRole).toULongLong() == index) {
            list_->topLevelItem(i)->setHidden(false);
            list_->setCurrentItem(list_->topLevelItem(i));
        }
    return true;
}

const Chip* VectorImportDialog::currentChip() const {
    const auto* item = list_->currentItem();
    if (!item || item->isHidden()) return nullptr;
    return &chips_[item->data(0, Qt::UserRole).toULongLong()];
}

bool VectorImportDialog::soic() const { return soic_->isChecked(); }
void VectorImportDialog::setSoic(bool soic) { (soic ? soic_ : dip_)->setChecked(true); }

void VectorImportDialog::browse() {
    const auto path = prompter_.openOtherFileName(path_.empty() ? folder_ : path_, kSourceFilter);
    if (path && !path->empty()) openSource(*path);
}

void VectorImportDialog::updatePreview() {
    const Chip* chip = currentChip();
    ImportOutcome outcome;
    if (chip) outcome = importChip(previewDoc_, *chip, soic());
    previewView_->shown = outcome.ok;
    ok_->setEnabled(outcome.ok);
    QString text;
    if (!chip) text = chips_.empty() ? QStringLiteral("Выберите базу векторов, файл векторов или файл JEDEC")
                                     : QStringLiteral("Ни одно название не подходит");
    else if (!outcome.ok) text = QString::fromStdString(outcome.error);
    else text = QStringLiteral("%1: %2 выводов, %3 векторов, %4 тактов")
                    .arg(QString::fromStdString(chip->names.front()))
                    .arg(chip->pins)
                    .arg(chip->vectorCount())
                    .arg(previewDoc_.tactCount());
    status_->setText(text);
    previewView_->update();
}

}  // namespace kvx::vectors::ui
