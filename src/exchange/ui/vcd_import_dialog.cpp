#include "exchange/ui/vcd_import_dialog.h"

#include <QAbstractProxyModel>
#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "exchange/ui/map_table.h"

namespace kvx::exchange::ui {

namespace {

const char* const kNone = "—";

QString q(const std::string& s) { return QString::fromStdString(s); }

bool isLogic(const VcdVariable& v) { return v.type != "real" && v.type != "realtime" && v.type != "string"; }

/// "scope.reference": the name of a vector before the number of one of its bits.
std::string vectorName(const VcdVariable& v) { return v.scope.empty() ? v.reference : v.scope + "." + v.reference; }

/// Index written in the name of bit `b` (0 = least significant) of a vector.
long long bitIndex(const VcdVariable& v, int b) {
    if (!v.hasRange) return b;
    return v.msb >= v.lsb ? static_cast<long long>(v.lsb) + b : static_cast<long long>(v.lsb) - b;
}

/// The bit of a vector whose name carries `index`; -1 when the vector has no such bit.
int bitOfIndex(const VcdVariable& v, long long index) {
    const long long b = !v.hasRange ? index : v.msb >= v.lsb ? index - v.lsb : v.lsb - index;
    return b >= 0 && b < v.width ? static_cast<int>(b) : -1;
}

/// "name[12]" into "name" and 12; false when the name does not end in a bit number.
bool splitBit(std::string_view name, std::string_view& base, long long& index) {
    if (name.size() < 4 || name.back() != ']') return false;
    const auto open = name.rfind('[');
    if (open == std::string_view::npos || open == 0) return false;
    std::string_view digits = name.substr(open + 1, name.size() - open - 2);
    const bool negative = !digits.empty() && digits[0] == '-';
    if (negative) digits.remove_prefix(1);
    if (digits.empty() || digits.size() > 10) return false;
    long long v = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    base = name.substr(0, open);
    index = negative ? -v : v;
    return true;
}

}  // namespace

// ---- the list of signals of one width ----------------------------------------------------

VcdSignalList::VcdSignalList(std::shared_ptr<const VcdHeader> header, int width, QObject* parent)
    : QAbstractListModel(parent), header_(std::move(header)), bits_(width == 1) {
    const auto& vars = header_->variables;
    for (std::size_t i = 0; i < vars.size(); ++i) {
        const VcdVariable& v = vars[i];
        if (!isLogic(v)) continue;
        int rows = 0;
        if (v.width == width) rows = 1;
        else if (bits_ && v.width > 1) rows = v.width;
        if (rows == 0) continue;
        if (rows > kMaxRows - rows_) {  // the bits of a vector that does not fit any more
            omitted_ += rows;
            continue;
        }
        vars_.push_back(static_cast<int>(i));
        first_.push_back(rows_);
        rows_ += rows;
    }
}

int VcdSignalList::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

QVariant VcdSignalList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_ || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return q(name(index.row()));
}

std::string VcdSignalList::name(int row) const {
    if (row <= 0 || row >= rows_) return kNone;
    const auto run = static_cast<std::size_t>(std::upper_bound(first_.begin(), first_.end(), row) - first_.begin() - 1);
    const VcdVariable& v = header_->variables[static_cast<std::size_t>(vars_[run])];
    if (!bits_ || v.width == 1) return v.fullName();
    return vectorName(v) + "[" + std::to_string(bitIndex(v, row - first_[run])) + "]";
}

std::vector<int> VcdSignalList::rowsOf(const std::vector<std::string>& names) const {
    std::vector<int> rows(names.size(), -1);
    // Names of whole variables, and names of one bit split into the vector's name and the bit.
    std::unordered_map<std::string_view, std::vector<std::size_t>> whole;
    std::unordered_map<std::string_view, std::vector<std::pair<std::size_t, long long>>> bit;
    std::size_t longest = 0, left = 0;
    for (std::size_t k = 0; k < names.size(); ++k) {
        if (names[k] == kNone) {
            rows[k] = 0;
            continue;
        }
        ++left;
        whole[names[k]].push_back(k);
        longest = std::max(longest, names[k].size());
        std::string_view base;
        long long index = 0;
        if (bits_ && splitBit(names[k], base, index)) bit[base].push_back({k, index});
    }
    const auto& vars = header_->variables;
    for (std::size_t run = 0; run < vars_.size() && left > 0; ++run) {
        const VcdVariable& v = vars[static_cast<std::size_t>(vars_[run])];
        // Only names that could be this long are made.
        if (v.scope.size() + (v.scope.empty() ? 0 : 1) + v.reference.size() > longest) continue;
        if (!bits_ || v.width == 1) {
            const auto it = whole.find(v.fullName());
            if (it == whole.end()) continue;
            for (std::size_t k : it->second)
                if (rows[k] < 0) rows[k] = first_[run], --left;
        } else {
            const auto it = bit.find(vectorName(v));
            if (it == bit.end()) continue;
            for (const auto& [k, index] : it->second) {
                const int b = bitOfIndex(v, index);
                if (b >= 0 && rows[k] < 0) rows[k] = first_[run] + b, --left;
            }
        }
    }
    return rows;
}

QModelIndexList VcdSignalList::match(const QModelIndex& start, int role, const QVariant& value, int hits,
                                     Qt::MatchFlags flags) const {
    // The search of a combo box for its text: the first row of exactly that name (letter case is
    // compared only when no name matches exactly).
    const auto kind = static_cast<int>(flags & 0x0F);
    const bool exact = kind == Qt::MatchExactly || kind == Qt::MatchFixedString;
    if (exact && hits == 1 && start.row() == 0 && (role == Qt::DisplayRole || role == Qt::EditRole) &&
        value.userType() == QMetaType::QString && !(flags & (Qt::MatchRecursive | Qt::MatchWrap))) {
        const int row = rowsOf({value.toString().toStdString()}).front();
        if (row >= 0) return {index(row)};
        if (kind == Qt::MatchExactly || (flags & Qt::MatchCaseSensitive)) return {};
    }
    return QAbstractListModel::match(start, role, value, hits, flags);
}

// ---- the dialog ------------------------------------------------------------------------------

TFVcdImport::TFVcdImport(const model::TestDocument& doc, std::shared_ptr<const VcdHeader> header, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("TFVcdImport"));
    setWindowTitle(QStringLiteral("Импорт VCD"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Сигналы файла VCD для строк теста:"), this));

    table_ = newMapTable({QStringLiteral("№"), QStringLiteral("Тип"), QStringLiteral("Имя"), QStringLiteral("Сигнал VCD")},
                         this);

    const std::vector<MapTargetLine> lines = mapTargetLines(doc, MapRows::Levels);

    // The signals named like the rows, found in each width's list in one pass.
    const auto suggested = suggestMap(doc, *header);
    std::vector<std::string> preset(lines.size(), kNone);
    std::map<int, std::vector<std::size_t>> byWidth;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        for (const MapEntry& e : suggested)
            if (e.target == lines[i].target) preset[i] = e.signal;
        byWidth[lines[i].width].push_back(i);
    }
    std::vector<int> presetRow(lines.size(), 0);
    for (const auto& [width, members] : byWidth) {
        lists_[width] = new VcdSignalList(header, width, this);
        std::vector<std::string> names;
        for (std::size_t i : members) names.push_back(preset[i]);
        const std::vector<int> rows = lists_[width]->rowsOf(names);
        for (std::size_t k = 0; k < members.size(); ++k) presetRow[members[k]] = std::max(rows[k], 0);
    }

    auto* focus = new ChooserFocus(table_);
    table_->setRowCount(static_cast<int>(lines.size()));
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        const MapTargetLine& l = lines[static_cast<std::size_t>(i)];
        targets_.push_back({l.target, l.width});
        table_->setItem(i, 0, new QTableWidgetItem(l.number));
        table_->setItem(i, 1, new QTableWidgetItem(l.type));
        table_->setItem(i, 2, new QTableWidgetItem(l.name));
        VcdSignalList* list = lists_[l.width];
        auto* box = new QComboBox(table_);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        // The width comes from the column, not from the longest of a million names.
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setModel(list);
        if (auto* view = qobject_cast<QListView*>(box->view())) view->setUniformItemSizes(true);
        auto* completer = new QCompleter(list, box);
        completer->setCaseSensitivity(Qt::CaseInsensitive);
        completer->setFilterMode(Qt::MatchContains);
        completer->setCompletionMode(QCompleter::PopupCompletion);
        completer->setMaxVisibleItems(12);
        auto* popup = new QListView;
        popup->setUniformItemSizes(true);
        completer->setPopup(popup);
        box->setCompleter(completer);
        // Enter takes the name typed in full, else the first signal the list shows for the text.
        connect(box->lineEdit(), &QLineEdit::returnPressed, box, [box, list, completer] {
            const QString text = box->currentText().trimmed();
            if (text.isEmpty() || text == box->itemText(box->currentIndex())) return;
            int row = list->rowsOf({text.toStdString()}).front();
            if (row < 0 && completer->setCurrentRow(0))
                if (auto* proxy = qobject_cast<QAbstractProxyModel*>(completer->completionModel()))
                    row = proxy->mapToSource(completer->currentIndex()).row();
            if (row >= 0) box->setCurrentIndex(row);
        });
        focus->watch(box, i);
        box->setCurrentIndex(presetRow[static_cast<std::size_t>(i)]);
        box->setToolTip(QStringLiteral("Введите часть имени сигнала, чтобы найти его в списке; «—» — без сигнала"));
        table_->setCellWidget(i, 3, box);
    }
    table_->resizeColumnsToContents();
    layout->addWidget(table_, 1);
    if (lists_.count(1) && lists_[1]->omittedBits() > 0)
        layout->addWidget(new QLabel(QStringLiteral("Разрядов векторов в файле больше %1: разряды некоторых векторов не вошли "
                                                    "в список, их можно назначить картой kvxtool import-vcd")
                                         .arg(VcdSignalList::kMaxRows),
                                     this));

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

const VcdSignalList* TFVcdImport::signalList(int index) const {
    if (index < 0 || index >= static_cast<int>(targets_.size())) return nullptr;
    return lists_.at(targets_[static_cast<std::size_t>(index)].width);
}

std::vector<MapEntry> TFVcdImport::entries() const {
    std::vector<MapEntry> out;
    for (int i = 0; i < static_cast<int>(targets_.size()); ++i) {
        const QComboBox* box = chooser(i);
        const QString text = box ? box->currentText().trimmed() : QString();
        if (text.isEmpty() || text == QString::fromUtf8(kNone)) continue;
        out.push_back({text.toStdString(), targets_[static_cast<std::size_t>(i)].target, 0});
    }
    return out;
}

std::string TFVcdImport::unknownSignal() {
    for (int i = 0; i < static_cast<int>(targets_.size()); ++i) {
        QComboBox* box = chooser(i);
        const QString text = box->currentText().trimmed();
        if (text.isEmpty() || text == box->itemText(box->currentIndex())) continue;
        if (signalList(i)->rowsOf({text.toStdString()}).front() >= 0) continue;
        box->setFocus();
        box->lineEdit()->selectAll();
        return "В списке для строки «" + table_->item(i, 0)->text().toStdString() + "» нет сигнала «" +
               text.toStdString() + "»";
    }
    return {};
}

ImportOptions TFVcdImport::options() const {
    ImportOptions o;
    o.tactFs = parseDuration(tactField_->text().toStdString()).value_or(0);
    o.offsetPercent = offsetField_->value();
    return o;
}

}  // namespace kvx::exchange::ui
