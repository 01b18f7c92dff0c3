#pragma once
// "Импорт VCD": which signal of a VCD file goes to which pin row, output row or data word of the
// test, the length of a tact in the file and the point of the tact at which it is sampled.

#include <QAbstractListModel>
#include <QDialog>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "exchange/vcd_import.h"
#include "model/test_document.h"

class QComboBox;
class QLineEdit;
class QSpinBox;
class QTableWidget;

namespace kvx::exchange::ui {

/// The signals of a VCD file that fit a target of one width, in declaration order after "—"
/// (row 0): whole variables of that width and, for one bit, every bit of every vector. Names
/// are made from the declarations when asked for, so a list of a million bits costs a few
/// bytes per variable; every row of that width shows the same list.
class VcdSignalList : public QAbstractListModel {
    Q_OBJECT
public:
    VcdSignalList(std::shared_ptr<const VcdHeader> header, int width, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    /// Exact names are found from the declarations, without making every row's name.
    QModelIndexList match(const QModelIndex& start, int role, const QVariant& value, int hits,
                          Qt::MatchFlags flags) const override;

    /// Name of row `row` ("—" for row 0).
    std::string name(int row) const;
    /// Bits of vectors left out of the list of one bit, which holds at most kMaxRows rows.
    long long omittedBits() const { return omitted_; }
    static constexpr int kMaxRows = 1 << 24;
    /// The first row of each name (0 for "—"), -1 for a name not in the list; one pass for all.
    std::vector<int> rowsOf(const std::vector<std::string>& names) const;

private:
    std::shared_ptr<const VcdHeader> header_;
    bool bits_;                 ///< the list of one bit: vectors give a row per bit
    std::vector<int> vars_;     ///< variable of each run of rows
    std::vector<int> first_;    ///< first row of each run
    int rows_ = 1;
    long long omitted_ = 0;
};

class TFVcdImport : public QDialog {
    Q_OBJECT
public:
    /// Rows of the table: every signal row of the test that is not computed from a formula, then
    /// every data word; each offers the VCD signals that fit it, preset from the names.
    TFVcdImport(const model::TestDocument& doc, std::shared_ptr<const VcdHeader> header, QWidget* parent = nullptr);

    /// One line per table row that names a signal (the text of its chooser, "—" or empty: none).
    std::vector<MapEntry> entries() const;
    /// Message for the first row whose text is no signal of its list, whose chooser then takes the
    /// focus; empty when every text is a signal of its list, "—" or empty.
    std::string unknownSignal();
    /// Tact length and sample point as entered; tactFs is 0 when the length is not understood.
    ImportOptions options() const;

    QTableWidget* table() const { return table_; }
    /// The signal chooser of table row `index`: its text is the signal, typing searches the list.
    QComboBox* chooser(int index) const;
    QLineEdit* tactField() const { return tactField_; }
    QSpinBox* offsetField() const { return offsetField_; }
    /// The list a chooser offers; one per width, shared by the choosers of that width.
    const VcdSignalList* signalList(int index) const;

private:
    struct Target {
        MapTarget target;
        int width;
    };
    std::vector<Target> targets_;
    std::map<int, VcdSignalList*> lists_;  ///< by width
    QTableWidget* table_ = nullptr;
    QLineEdit* tactField_ = nullptr;
    QSpinBox* offsetField_ = nullptr;
};

}  // namespace kvx::exchange::ui
